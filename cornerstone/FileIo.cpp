#include <shlobj.h>

#include "cornerstone/Internal.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace cornerstone {

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  LARGE_INTEGER size;
  // Settings and images are small; refuse anything that could not be one.
  if (GetFileSizeEx(file, &size) && size.QuadPart < (256LL << 20)) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = bytes.empty() || (ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                           got == bytes.size());
  }
  CloseHandle(file);
  if (!ok) bytes.clear();
  return ok;
}

// Writes beside the target, flushes, then renames over it, so a crash or a full
// disk mid-write leaves the previous file whole.
bool WriteFileAtomically(const std::wstring& path, const std::string& bytes) {
  std::wstring temp = path + L".tmp";
  HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    BASTraceW(L"WriteAll: cannot create %ls GetLastError: %lu", temp.c_str(), GetLastError());
    return false;
  }
  DWORD written = 0;
  bool ok = (bytes.empty() || WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) &&
            written == bytes.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (ok) ok = MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) {
    BASTraceW(L"WriteAll: cannot write %ls GetLastError: %lu", path.c_str(), GetLastError());
    DeleteFileW(temp.c_str());
  }
  return ok;
}

bool CreateFolderTree(const std::wstring& path) {
  std::wstring p = path;
  while (!p.empty() && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
  if (p.empty()) return false;
  int rc = SHCreateDirectoryExW(nullptr, p.c_str(), nullptr);
  return rc == ERROR_SUCCESS || rc == ERROR_ALREADY_EXISTS || rc == ERROR_FILE_EXISTS;
}

}  // namespace cornerstone
