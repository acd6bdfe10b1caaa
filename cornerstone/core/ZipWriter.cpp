#include "cornerstone/core/ZipWriter.h"

namespace cornerstone {
namespace {

void Put16(std::vector<uint8_t>& o, uint32_t v) {
  o.push_back(static_cast<uint8_t>(v));
  o.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& o, uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[i] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

bool BuildZip(const std::vector<ZipEntry>& entries, std::vector<uint8_t>& out) {
  out.clear();
  std::vector<uint8_t> central;
  const uint32_t kDosTime = 0, kDosDate = (1 << 5) | 1;  // 1980-01-01
  for (const ZipEntry& e : entries) {
    if (e.bytes.size() >= 0xFFFFFFFFu || out.size() >= 0xFFFFFFFFu - e.bytes.size() - 1024 ||
        e.name.size() > 0xFFFF)
      return false;
    uint32_t crc = Crc32(e.bytes.data(), e.bytes.size());
    uint32_t offset = static_cast<uint32_t>(out.size());
    uint32_t size = static_cast<uint32_t>(e.bytes.size());
    const uint32_t kUtf8Names = 1 << 11;
    Put32(out, 0x04034b50);
    Put16(out, 10);
    Put16(out, kUtf8Names);
    Put16(out, 0);
    Put16(out, kDosTime);
    Put16(out, kDosDate);
    Put32(out, crc);
    Put32(out, size);
    Put32(out, size);
    Put16(out, static_cast<uint32_t>(e.name.size()));
    Put16(out, 0);
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), e.bytes.begin(), e.bytes.end());

    Put32(central, 0x02014b50);
    Put16(central, 20);
    Put16(central, 10);
    Put16(central, kUtf8Names);
    Put16(central, 0);
    Put16(central, kDosTime);
    Put16(central, kDosDate);
    Put32(central, crc);
    Put32(central, size);
    Put32(central, size);
    Put16(central, static_cast<uint32_t>(e.name.size()));
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put16(central, 0);
    Put32(central, 0);
    Put32(central, offset);
    central.insert(central.end(), e.name.begin(), e.name.end());
  }
  if (entries.size() > 0xFFFF) return false;
  uint32_t centralOffset = static_cast<uint32_t>(out.size());
  out.insert(out.end(), central.begin(), central.end());
  Put32(out, 0x06054b50);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put16(out, static_cast<uint32_t>(entries.size()));
  Put32(out, static_cast<uint32_t>(central.size()));
  Put32(out, centralOffset);
  Put16(out, 0);
  return true;
}

}  // namespace cornerstone
