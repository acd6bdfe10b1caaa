#include "modules/courier/AppLabelCache.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "modules/courier/SafeFile.h"

namespace {

// Far beyond any real label or launcher icon: a damaged entry is never read whole.
constexpr std::uintmax_t kMaxLabelBytes = 4 * 1024;
constexpr std::uintmax_t kMaxIconBytes = 4 * 1024 * 1024;

bool ReadSmallFile(const std::filesystem::path& path, std::uintmax_t limit, std::string& bytes) {
  std::error_code failure;
  const std::uintmax_t size = std::filesystem::file_size(path, failure);
  if (failure || size > limit) return false;
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  return !file.bad() && bytes.size() == size;
}

bool WriteWhole(const std::filesystem::path& path, const std::string& bytes) {
  SafeFileWriter file(path, SafeFileWriter::Replace::kAllow);
  return file.Open() && file.Write(bytes) && file.Commit();
}

}  // namespace

bool AppLabelCache::IsPackageName(std::string_view name) {
  if (name.empty() || name.size() > 255 || name.front() == '.') return false;
  for (char c : name) {
    const bool fits =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    if (!fits) return false;
  }
  return name.find("..") == std::string_view::npos;
}

std::filesystem::path AppLabelCache::EntryOf(const std::string& package, int64_t versionCode,
                                             const char* extension) const {
  return m_folder / (package + "@" + std::to_string(versionCode) + extension);
}

bool AppLabelCache::Find(const std::string& package, int64_t versionCode, std::string& label,
                         std::string& iconPng) const {
  if (m_folder.empty() || versionCode < 0 || !IsPackageName(package)) return false;
  if (!ReadSmallFile(EntryOf(package, versionCode, ".label"), kMaxLabelBytes, label) || label.empty()) return false;
  // A package without an icon keeps none.
  iconPng.clear();
  std::error_code failure;
  const std::filesystem::path icon = EntryOf(package, versionCode, ".png");
  if (std::filesystem::exists(icon, failure) && !ReadSmallFile(icon, kMaxIconBytes, iconPng)) iconPng.clear();
  return true;
}

bool AppLabelCache::Keep(const std::string& package, int64_t versionCode, const std::string& label,
                         const std::string& iconPng) {
  if (m_folder.empty() || versionCode < 0 || !IsPackageName(package) || label.empty() ||
      label.size() > kMaxLabelBytes || iconPng.size() > kMaxIconBytes)
    return false;
  std::error_code failure;
  std::filesystem::create_directories(m_folder, failure);
  if (failure) return false;
  if (!iconPng.empty() && !WriteWhole(EntryOf(package, versionCode, ".png"), iconPng)) return false;
  return WriteWhole(EntryOf(package, versionCode, ".label"), label);
}
