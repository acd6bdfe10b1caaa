// What an .apk says about itself: its package name, version and label from the binary
// AndroidManifest.xml (Android's compiled XML), the label and icon resolved through
// resources.arsc when the manifest only refers to them, and the launcher icon as PNG bytes.
// Every length and offset in the file is checked before it is used.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

class ZipReader;

struct ManifestInfo {
  std::string packageName;  // UTF-8
  std::string versionName;
  int64_t versionCode = 0;
  std::string label;  // a literal label; empty when it is a reference
  uint32_t labelReference = 0;
  std::string iconPath;  // a literal icon path (rare)
  uint32_t iconReference = 0;
};

struct ApkInfo {
  std::string packageName;  // UTF-8
  std::string versionName;
  int64_t versionCode = 0;
  std::string label;    // the package name when the apk names no label of its own
  std::string iconPng;  // the launcher icon's PNG bytes; empty when none was found
};

// Reads the compiled manifest. False with `problem` when it is damaged or names no package.
bool ReadBinaryManifest(const std::string& bytes, ManifestInfo& info, std::string& problem);

// The string value of resource `id` in a resources.arsc table. Of several configurations the
// one with the highest screen density wins when `preferDense` (icons), else the first (the
// default language comes first). False when the table is damaged or has no such string.
bool ResolveResourceString(const std::string& table, uint32_t id, bool preferDense, std::string& value);

bool ReadApk(ZipReader& zip, ApkInfo& info, std::string& problem);
// False with `problem` (one line for the user) when the file is no zip or no app.
bool ReadApkFile(const std::filesystem::path& path, ApkInfo& info, std::string& problem);
