// What the packages of phones reached through adb say of themselves (label, launcher icon), kept
// on this PC by package name and version code: a package is pulled and read once, not on every
// load. An entry is two files, the label written last, so a half-written entry is no entry.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class AppLabelCache {
 public:
  explicit AppLabelCache(std::filesystem::path folder) : m_folder(std::move(folder)) {}

  // False when nothing is kept for the package at this version (or what is kept is unreadable).
  bool Find(const std::string& package, int64_t versionCode, std::string& label, std::string& iconPng) const;
  // False when it cannot be kept: a name no package has (the phone's word, never trusted as a
  // path), no folder, a full disk.
  bool Keep(const std::string& package, int64_t versionCode, const std::string& label, const std::string& iconPng);

  // Letters, digits, '_' and '.', as package names are made; nothing a path could step out with.
  static bool IsPackageName(std::string_view name);

 private:
  std::filesystem::path EntryOf(const std::string& package, int64_t versionCode, const char* extension) const;

  std::filesystem::path m_folder;
};
