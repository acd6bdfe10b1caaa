// Helpers shared by the library's Windows-facing files.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cornerstone/core/TextCodec.h"

namespace cornerstone {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide text is UTF-16 on this target");

inline std::wstring Widen(const std::string& utf8) {
  std::u16string w = Utf8ToUtf16(utf8);
  return std::wstring(w.begin(), w.end());
}

inline std::string Narrow(const std::wstring& wide) {
  return Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide.data()), wide.size());
}

inline std::u16string ToU16(const wchar_t* s) {
  return s ? std::u16string(reinterpret_cast<const char16_t*>(s)) : std::u16string();
}

// Heap copies handed to callers, who free them with free().
inline wchar_t* HeapCopy(const std::wstring& s) {
  auto* p = static_cast<wchar_t*>(std::malloc((s.size() + 1) * sizeof(wchar_t)));
  if (p) std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(wchar_t));
  return p;
}

inline char* HeapCopy(const std::string& s) {
  auto* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (p) std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

inline std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path.push_back(L'\\');
  return path;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes);
bool WriteFileAtomically(const std::wstring& path, const std::string& bytes);
bool CreateFolderTree(const std::wstring& path);

}  // namespace cornerstone
