#include <system_error>

#include "modules/courier/formats/ContactFormats.h"

namespace {

std::filesystem::path PathOf(const std::wstring& name) {
#ifdef _WIN32
  return std::filesystem::path(name);
#else
  // Natively wide paths would be converted through the locale; file names here are UTF-8.
  return std::filesystem::path(WideToUtf8(name));
#endif
}

// The stem made safe as a file name: phone names may hold characters Windows forbids.
std::wstring SafeStem(const std::wstring& stem) {
  std::wstring out;
  for (wchar_t c : stem) {
    const bool forbidden = c < 0x20 || c == L'<' || c == L'>' || c == L':' || c == L'"' || c == L'/' || c == L'\\' ||
                           c == L'|' || c == L'?' || c == L'*';
    out.push_back(forbidden ? L'_' : c);
  }
  while (!out.empty() && (out.back() == L' ' || out.back() == L'.')) out.pop_back();
  return out.empty() ? std::wstring(L"Contacts") : out;
}

bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  // A name that cannot be examined counts as taken: better a higher number than an overwrite.
  if (error && error != std::errc::no_such_file_or_directory) return true;
  return std::filesystem::exists(status);
}

}  // namespace

std::filesystem::path UniqueExportPath(const std::filesystem::path& folder, const std::wstring& stem,
                                       const std::wstring& extension) {
  const std::wstring safeStem = SafeStem(stem);
  const std::filesystem::path plain = folder / PathOf(safeStem + extension);
  try {
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) return plain;
    if (!Exists(plain)) return plain;
    for (unsigned number = 2; number < 100000; ++number) {
      std::filesystem::path candidate = folder / PathOf(safeStem + L" (" + std::to_wstring(number) + L")" + extension);
      if (!Exists(candidate)) return candidate;
    }
  } catch (...) {
    // Fall through: the caller's write reports what is wrong with the folder.
  }
  return plain;
}
