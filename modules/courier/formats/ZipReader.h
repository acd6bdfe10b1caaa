// Reads single entries of a zip file (an .apk or .epub) without unpacking it: the central
// directory is walked once, and an entry is inflated only when asked for. Everything a file
// claims is checked against limits before memory is spent on it, so a hostile archive (a zip
// bomb, a directory that points outside the file, a million entries) ends in a message.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <vector>

struct ZipEntryInfo {
  std::string name;  // as stored: UTF-8 or code page bytes, '/' separated
  uint16_t method = 0;
  uint16_t flags = 0;
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t size = 0;
  uint32_t localOffset = 0;
};

struct ZipLimits {
  size_t maxEntries = 20000;
  uint32_t maxDirectoryBytes = 8u << 20;
  // An entry that inflates beyond this many times its packed size (and past 1 MB) is a bomb.
  uint32_t maxRatio = 200;
};

class ZipReader {
 public:
  ZipReader() = default;
  ZipReader(const ZipReader&) = delete;
  ZipReader& operator=(const ZipReader&) = delete;

  // False with `problem` (one line for the user) when the file is no zip or its directory is
  // damaged or unsafe.
  bool OpenFile(const std::filesystem::path& path, std::string& problem, const ZipLimits& limits = ZipLimits());
  bool OpenBytes(const std::string& bytes, std::string& problem, const ZipLimits& limits = ZipLimits());

  const std::vector<ZipEntryInfo>& Entries() const { return m_entries; }
  const ZipEntryInfo* Find(const std::string& name) const;

  // The entry's bytes, at most `maxBytes` of them (a larger entry is refused, not cut). False
  // with `problem` when it is encrypted, packed in a way not read here, damaged or too large.
  bool Read(const ZipEntryInfo& entry, size_t maxBytes, std::string& out, std::string& problem);

 private:
  bool Walk(std::string& problem);
  bool ReadAt(uint64_t at, void* out, size_t size);

  std::unique_ptr<std::istream> m_in;
  uint64_t m_size = 0;
  uint64_t m_directoryOffset = 0;
  ZipLimits m_limits;
  std::vector<ZipEntryInfo> m_entries;
};

// True for a stored name that could leave the folder it is unpacked into: "..", an absolute
// path, a drive letter.
bool IsUnsafeZipName(const std::string& name);
