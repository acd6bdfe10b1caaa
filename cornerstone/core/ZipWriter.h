// Packs files into a zip archive (stored, no compression): enough for a crash
// report that a person mails on, and readable by every unzip tool.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cornerstone {

struct ZipEntry {
  std::string name;  // UTF-8, forward slashes
  std::vector<uint8_t> bytes;
};

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);
// Builds the archive in memory; false if an entry is too large for a plain zip.
bool BuildZip(const std::vector<ZipEntry>& entries, std::vector<uint8_t>& out);

}  // namespace cornerstone
