#include "modules/courier/formats/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace {

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

const uint32_t kEndSignature = 0x06054b50;
const uint32_t kCentralSignature = 0x02014b50;
const uint32_t kLocalSignature = 0x04034b50;
const size_t kEndSize = 22;
const size_t kCentralSize = 46;
const size_t kLocalSize = 30;
const char kNotZip[] = "the file is not a zip archive";
const char kDamaged[] = "the archive is damaged";

}  // namespace

bool IsUnsafeZipName(const std::string& name) {
  if (name.empty() || name[0] == '/' || name[0] == '\\') return true;
  if (name.size() >= 2 && name[1] == ':') return true;
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("/\\", start);
    if (end == std::string::npos) end = name.size();
    if (name.compare(start, end - start, "..") == 0 && end - start == 2) return true;
    start = end + 1;
  }
  return false;
}

bool ZipReader::OpenFile(const std::filesystem::path& path, std::string& problem, const ZipLimits& limits) {
  m_limits = limits;
  auto in = std::make_unique<std::ifstream>(path, std::ios::binary);
  if (!in->is_open()) {
    problem = "the file cannot be opened";
    return false;
  }
  m_in = std::move(in);
  return Walk(problem);
}

bool ZipReader::OpenBytes(const std::string& bytes, std::string& problem, const ZipLimits& limits) {
  m_limits = limits;
  m_in = std::make_unique<std::istringstream>(bytes, std::ios::binary);
  return Walk(problem);
}

bool ZipReader::ReadAt(uint64_t at, void* out, size_t size) {
  if (at > m_size || size > m_size - at) return false;
  m_in->clear();
  m_in->seekg(static_cast<std::streamoff>(at));
  m_in->read(static_cast<char*>(out), static_cast<std::streamsize>(size));
  return static_cast<size_t>(m_in->gcount()) == size;
}

const ZipEntryInfo* ZipReader::Find(const std::string& name) const {
  for (const ZipEntryInfo& entry : m_entries) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

bool ZipReader::Walk(std::string& problem) {
  m_entries.clear();
  m_in->seekg(0, std::ios::end);
  const std::streamoff end = m_in->tellg();
  m_size = end > 0 ? static_cast<uint64_t>(end) : 0;
  if (m_size < kEndSize) {
    problem = kNotZip;
    return false;
  }
  // The end record sits in the last 22 bytes plus a comment of at most 65535.
  const size_t tail = static_cast<size_t>(std::min<uint64_t>(m_size, kEndSize + 0xFFFF));
  std::vector<unsigned char> buffer(tail);
  if (!ReadAt(m_size - tail, buffer.data(), tail)) {
    problem = kNotZip;
    return false;
  }
  size_t found = tail;
  for (size_t i = tail - kEndSize + 1; i-- > 0;) {
    if (Get32(&buffer[i]) == kEndSignature) {
      found = i;
      break;
    }
  }
  if (found == tail) {
    problem = kNotZip;
    return false;
  }
  const unsigned char* e = &buffer[found];
  const uint16_t disk = Get16(e + 4), directoryDisk = Get16(e + 6);
  const uint16_t count = Get16(e + 10);
  const uint32_t directorySize = Get32(e + 12), directoryOffset = Get32(e + 16);
  if (disk != 0 || directoryDisk != 0 || Get16(e + 8) != count) {
    problem = "archives split over several files are not read";
    return false;
  }
  if (count == 0xFFFF || directoryOffset == 0xFFFFFFFFu) {
    problem = "the archive is too large to be read";
    return false;
  }
  if (count > m_limits.maxEntries) {
    problem = "the archive has too many entries";
    return false;
  }
  const uint64_t endAt = m_size - tail + found;
  if (directorySize > m_limits.maxDirectoryBytes || uint64_t{directoryOffset} + directorySize > endAt) {
    problem = kDamaged;
    return false;
  }
  m_directoryOffset = directoryOffset;
  std::vector<unsigned char> directory(directorySize);
  if (directorySize != 0 && !ReadAt(directoryOffset, directory.data(), directorySize)) {
    problem = kDamaged;
    return false;
  }
  size_t at = 0;
  m_entries.reserve(count);
  for (uint16_t i = 0; i < count; ++i) {
    if (directorySize - at < kCentralSize || Get32(&directory[at]) != kCentralSignature) {
      problem = kDamaged;
      return false;
    }
    const unsigned char* c = &directory[at];
    ZipEntryInfo entry;
    entry.flags = Get16(c + 8);
    entry.method = Get16(c + 10);
    entry.crc = Get32(c + 16);
    entry.compressedSize = Get32(c + 20);
    entry.size = Get32(c + 24);
    const size_t nameLength = Get16(c + 28), extraLength = Get16(c + 30), commentLength = Get16(c + 32);
    entry.localOffset = Get32(c + 42);
    const size_t record = kCentralSize + nameLength + extraLength + commentLength;
    if (directorySize - at < record || entry.localOffset >= directoryOffset) {
      problem = kDamaged;
      return false;
    }
    entry.name.assign(reinterpret_cast<const char*>(c + kCentralSize), nameLength);
    if (IsUnsafeZipName(entry.name)) {
      problem = "the archive holds an entry with an unsafe name";
      return false;
    }
    m_entries.push_back(std::move(entry));
    at += record;
  }
  return true;
}

bool ZipReader::Read(const ZipEntryInfo& entry, size_t maxBytes, std::string& out, std::string& problem) {
  out.clear();
  if (entry.flags & 1) {
    problem = "the archive is encrypted";
    return false;
  }
  if (entry.size > maxBytes) {
    problem = "an entry of the archive is too large";
    return false;
  }
  if (entry.size > (1u << 20) && entry.size / std::max<uint32_t>(entry.compressedSize, 1) > m_limits.maxRatio) {
    problem = "the archive packs an entry suspiciously tightly";
    return false;
  }
  unsigned char local[kLocalSize];
  if (!ReadAt(entry.localOffset, local, kLocalSize) || Get32(local) != kLocalSignature) {
    problem = kDamaged;
    return false;
  }
  const uint64_t dataAt = uint64_t{entry.localOffset} + kLocalSize + Get16(local + 26) + Get16(local + 28);
  if (dataAt > m_directoryOffset || entry.compressedSize > m_directoryOffset - dataAt) {
    problem = kDamaged;
    return false;
  }
  if (entry.method == 0) {
    if (entry.compressedSize != entry.size) {
      problem = kDamaged;
      return false;
    }
    out.resize(entry.size);
    if (entry.size != 0 && !ReadAt(dataAt, &out[0], entry.size)) {
      problem = kDamaged;
      return false;
    }
  } else if (entry.method == 8) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
      problem = "out of memory";
      return false;
    }
    out.resize(entry.size);
    std::vector<unsigned char> chunk(64 * 1024);
    uint64_t left = entry.compressedSize;
    uint64_t at = dataAt;
    stream.next_out = reinterpret_cast<Bytef*>(out.empty() ? nullptr : &out[0]);
    stream.avail_out = entry.size;
    int status = Z_OK;
    unsigned char spare = 0;
    bool probing = false;
    // The declared size is the output buffer; one spare byte beyond it tells a stream that would
    // write more (a lying header) from one that ends exactly there.
    while (status == Z_OK) {
      if (stream.avail_in == 0 && left > 0) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(left, chunk.size()));
        if (!ReadAt(at, chunk.data(), take)) break;
        at += take;
        left -= take;
        stream.next_in = chunk.data();
        stream.avail_in = static_cast<uInt>(take);
      }
      if (stream.avail_out == 0) {
        if (probing) break;
        probing = true;
        stream.next_out = &spare;
        stream.avail_out = 1;
      }
      status = inflate(&stream, Z_NO_FLUSH);
    }
    const bool whole = status == Z_STREAM_END && stream.total_out == entry.size;
    inflateEnd(&stream);
    if (!whole) {
      out.clear();
      problem = kDamaged;
      return false;
    }
  } else {
    problem = "the archive uses a packing method that is not read";
    return false;
  }
  const uint32_t crc =
      static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())));
  if (crc != entry.crc) {
    out.clear();
    problem = kDamaged;
    return false;
  }
  return true;
}
