#include "modules/courier/adb/AdbWire.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kHex[] = "0123456789abcdef";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsSpace(text[i])) ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

// "model:Pixel_7": a lower-case key, a colon, then the value.
bool IsPropertyWord(std::string_view word) {
  const size_t colon = word.find(':');
  if (colon == std::string_view::npos || colon == 0) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = word[i];
    if (!((c >= 'a' && c <= 'z') || c == '_')) return false;
  }
  return true;
}

uint32_t LittleEndian32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

// An 8-byte sync header: the id and its number.
bool ReadSyncHeader(AdbStream& stream, std::string& id, uint32_t& number) {
  unsigned char header[8];
  if (!ReadExact(stream, header, sizeof(header))) return false;
  id.assign(reinterpret_cast<const char*>(header), 4);
  number = LittleEndian32(header + 4);
  return true;
}

// The text of a sync FAIL whose length was read already.
void ReadSyncFailure(AdbStream& stream, uint32_t length, std::string& error) {
  if (length > adbsync::kMaxChunk) {
    error = "the phone's sync service sent a broken failure";
    return;
  }
  std::string text(length, '\0');
  error = ReadExact(stream, text.data(), length) ? text : "the phone's sync service failed";
  if (error.empty()) error = "the phone's sync service failed";
}

bool SendAll(AdbStream& stream, const std::string& bytes, std::string& error) {
  if (stream.Write(bytes.data(), bytes.size())) return true;
  error = "the connection to the adb server broke";
  return false;
}

}  // namespace

bool ReadExact(AdbStream& stream, void* buffer, size_t size) {
  auto* out = static_cast<char*>(buffer);
  while (size > 0) {
    const int64_t got = stream.ReadSome(out, size);
    if (got <= 0) return false;
    out += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool ReadToEnd(AdbStream& stream, std::string& out, size_t limit) {
  char buffer[16 * 1024];
  while (true) {
    const int64_t got = stream.ReadSome(buffer, sizeof(buffer));
    if (got < 0) return false;
    if (got == 0) return true;
    if (out.size() + static_cast<size_t>(got) > limit) return false;
    out.append(buffer, static_cast<size_t>(got));
  }
}

std::string FrameAdbRequest(std::string_view service) {
  if (service.size() > 0xFFFF) return std::string();
  std::string framed(4, '0');
  size_t length = service.size();
  for (int i = 3; i >= 0; --i) {
    framed[static_cast<size_t>(i)] = kHex[length & 0xF];
    length >>= 4;
  }
  framed.append(service);
  return framed;
}

bool ParseHexLength(std::string_view digits, size_t& length) {
  if (digits.size() != 4) return false;
  size_t value = 0;
  for (char c : digits) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    value = value * 16 + static_cast<size_t>(digit);
  }
  length = value;
  return true;
}

bool ReadAdbMessage(AdbStream& stream, std::string& message) {
  char digits[4];
  size_t length = 0;
  if (!ReadExact(stream, digits, 4) || !ParseHexLength(std::string_view(digits, 4), length)) return false;
  message.assign(length, '\0');
  return length == 0 || ReadExact(stream, message.data(), length);
}

bool SendAdbRequest(AdbStream& stream, std::string_view service, std::string& failure) {
  const std::string framed = FrameAdbRequest(service);
  if (framed.empty()) {
    failure = "the request is too long";
    return false;
  }
  if (!stream.Write(framed.data(), framed.size())) {
    failure = "the adb server did not take the request";
    return false;
  }
  char status[4];
  if (!ReadExact(stream, status, 4)) {
    failure = "the adb server did not answer";
    return false;
  }
  if (std::memcmp(status, "OKAY", 4) == 0) return true;
  if (std::memcmp(status, "FAIL", 4) == 0) {
    std::string reason;
    failure = ReadAdbMessage(stream, reason) && !reason.empty() ? reason : "the adb server refused the request";
    return false;
  }
  failure = "the adb server answered something unexpected";
  return false;
}

std::vector<AdbDeviceEntry> ParseDeviceList(std::string_view text) {
  std::vector<AdbDeviceEntry> entries;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;

    // The short form separates serial and state by a tab; the long form pads with spaces.
    std::string_view serial;
    std::string_view rest;
    const size_t tab = line.find('\t');
    if (tab != std::string_view::npos) {
      serial = line.substr(0, tab);
      rest = line.substr(tab + 1);
      while (!serial.empty() && IsSpace(serial.front())) serial.remove_prefix(1);
      while (!serial.empty() && IsSpace(serial.back())) serial.remove_suffix(1);
    } else {
      const std::vector<std::string_view> words = Words(line);
      if (words.size() < 2) continue;
      serial = words[0];
      rest = line.substr(static_cast<size_t>(words[0].data() + words[0].size() - line.data()));
    }
    if (serial.empty()) continue;

    AdbDeviceEntry entry;
    entry.serial.assign(serial);
    bool inProperties = false;
    for (std::string_view word : Words(rest)) {
      if (!entry.state.empty() && IsPropertyWord(word)) inProperties = true;
      if (inProperties) {
        if (!IsPropertyWord(word)) continue;
        const size_t colon = word.find(':');
        entry.properties[std::string(word.substr(0, colon))] = std::string(word.substr(colon + 1));
      } else {
        if (!entry.state.empty()) entry.state += ' ';
        entry.state.append(word);
      }
    }
    if (entry.state.empty()) continue;
    // One entry per serial: a list naming a phone twice keeps its last line.
    auto same = std::find_if(entries.begin(), entries.end(),
                             [&](const AdbDeviceEntry& other) { return other.serial == entry.serial; });
    if (same != entries.end())
      *same = std::move(entry);
    else
      entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<AdbDeviceChange> DiffDeviceLists(const std::vector<AdbDeviceEntry>& before,
                                             const std::vector<AdbDeviceEntry>& after) {
  std::vector<AdbDeviceChange> changes;
  for (const AdbDeviceEntry& now : after) {
    auto old = std::find_if(before.begin(), before.end(),
                            [&](const AdbDeviceEntry& entry) { return entry.serial == now.serial; });
    if (old == before.end())
      changes.push_back(AdbDeviceChange{now.serial, now.state, true});
    else if (old->state != now.state)
      changes.push_back(AdbDeviceChange{now.serial, now.state, false});
  }
  for (const AdbDeviceEntry& old : before) {
    auto now = std::find_if(after.begin(), after.end(),
                            [&](const AdbDeviceEntry& entry) { return entry.serial == old.serial; });
    if (now == after.end()) changes.push_back(AdbDeviceChange{old.serial, std::string(), false});
  }
  return changes;
}

namespace adbsync {

std::string FrameNumber(std::string_view id, uint32_t number) {
  std::string framed(id.substr(0, 4));
  framed.resize(4, ' ');
  for (int i = 0; i < 4; ++i) framed.push_back(static_cast<char>((number >> (8 * i)) & 0xFF));
  return framed;
}

std::string Frame(std::string_view id, std::string_view payload) {
  return FrameNumber(id, static_cast<uint32_t>(payload.size())) + std::string(payload);
}

bool StatPath(AdbStream& stream, const std::string& path, Stat& stat, std::string& error) {
  if (!SendAll(stream, Frame("STAT", path), error)) return false;
  unsigned char reply[16];
  if (!ReadExact(stream, reply, sizeof(reply)) || std::memcmp(reply, "STAT", 4) != 0) {
    error = "the phone's sync service did not answer STAT";
    return false;
  }
  stat.mode = LittleEndian32(reply + 4);
  stat.size = LittleEndian32(reply + 8);
  stat.time = LittleEndian32(reply + 12);
  return true;
}

bool List(AdbStream& stream, const std::string& path, std::vector<ListEntry>& entries, std::string& error) {
  if (!SendAll(stream, Frame("LIST", path), error)) return false;
  while (true) {
    unsigned char header[20];
    if (!ReadExact(stream, header, 4)) {
      error = "the phone's sync service stopped in a listing";
      return false;
    }
    if (std::memcmp(header, "DONE", 4) == 0) {
      // DONE carries the same 16 bytes as a DENT, all zero.
      return ReadExact(stream, header + 4, 16) || (error = "the listing was cut short", false);
    }
    if (std::memcmp(header, "FAIL", 4) == 0) {
      unsigned char length[4];
      if (!ReadExact(stream, length, 4)) return (error = "the phone's sync service failed", false);
      ReadSyncFailure(stream, LittleEndian32(length), error);
      return false;
    }
    if (std::memcmp(header, "DENT", 4) != 0 || !ReadExact(stream, header + 4, 16)) {
      error = "the phone's sync service sent a broken listing";
      return false;
    }
    const uint32_t nameLength = LittleEndian32(header + 16);
    if (nameLength > 4096) {
      error = "the phone's sync service sent a broken listing";
      return false;
    }
    ListEntry entry;
    entry.stat.mode = LittleEndian32(header + 4);
    entry.stat.size = LittleEndian32(header + 8);
    entry.stat.time = LittleEndian32(header + 12);
    entry.name.assign(nameLength, '\0');
    if (nameLength > 0 && !ReadExact(stream, entry.name.data(), nameLength)) {
      error = "the listing was cut short";
      return false;
    }
    if (entry.name != "." && entry.name != "..") entries.push_back(std::move(entry));
  }
}

namespace {

// Reads ahead in large blocks: a pull is a long run of small frames, and every read of the
// socket costs a round through the system (under some systems two). A frame's bytes are handed
// on from the block itself, never copied out first. Nothing is left over after DONE or FAIL,
// since the phone sends nothing unasked.
class ReadAhead : public AdbStream {
 public:
  explicit ReadAhead(AdbStream& stream) : m_stream(stream), m_buffer(kBlock) {}
  bool Write(const void* data, size_t size) override { return m_stream.Write(data, size); }
  int64_t ReadSome(void* buffer, size_t size) override {
    if (m_start == m_end) {
      const int64_t got = m_stream.ReadSome(m_buffer.data(), m_buffer.size());
      if (got <= 0) return got;
      m_start = 0;
      m_end = static_cast<size_t>(got);
    }
    const size_t count = std::min(size, m_end - m_start);
    std::memcpy(buffer, m_buffer.data() + m_start, count);
    m_start += count;
    return static_cast<int64_t>(count);
  }
  // The next `size` bytes (at most a block), read in as needed; null when the stream ended first.
  const char* Take(size_t size) {
    if (size > m_buffer.size()) return nullptr;
    if (m_end - m_start < size) {
      // What is left moves to the front; the rest of the block is filled behind it.
      std::memmove(m_buffer.data(), m_buffer.data() + m_start, m_end - m_start);
      m_end -= m_start;
      m_start = 0;
      while (m_end < size) {
        const int64_t got = m_stream.ReadSome(m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (got <= 0) return nullptr;
        m_end += static_cast<size_t>(got);
      }
    }
    const char* data = m_buffer.data() + m_start;
    m_start += size;
    return data;
  }

 private:
  static constexpr size_t kBlock = 1024 * 1024;
  AdbStream& m_stream;
  std::vector<char> m_buffer;
  size_t m_start = 0;
  size_t m_end = 0;
};

}  // namespace

bool Pull(AdbStream& direct, const std::string& path, const ChunkSink& sink, std::string& error) {
  if (!SendAll(direct, Frame("RECV", path), error)) return false;
  ReadAhead stream(direct);
  while (true) {
    std::string id;
    uint32_t number = 0;
    if (!ReadSyncHeader(stream, id, number)) {
      error = "the file transfer was cut short";
      return false;
    }
    if (id == "DONE") return true;
    if (id == "FAIL") {
      ReadSyncFailure(stream, number, error);
      return false;
    }
    if (id != "DATA" || number > kMaxChunk) {
      error = "the phone's sync service sent a broken file transfer";
      return false;
    }
    const char* data = number > 0 ? stream.Take(number) : "";
    if (data == nullptr) {
      error = "the file transfer was cut short";
      return false;
    }
    if (!sink(data, number)) return false;
  }
}

bool Push(AdbStream& stream, const std::string& path, uint32_t mode, uint32_t modifiedTime, const ChunkSource& source,
          std::string& error) {
  if (!SendAll(stream, Frame("SEND", path + "," + std::to_string(mode)), error)) return false;
  std::string chunk(kMaxChunk + 8, '\0');
  while (true) {
    const int64_t got = source(&chunk[8], kMaxChunk);
    if (got < 0) return false;
    if (got == 0) break;
    const std::string header = FrameNumber("DATA", static_cast<uint32_t>(got));
    std::memcpy(&chunk[0], header.data(), 8);
    if (!stream.Write(chunk.data(), static_cast<size_t>(got) + 8)) {
      error = "the file transfer was cut short";
      return false;
    }
  }
  if (!SendAll(stream, FrameNumber("DONE", modifiedTime), error)) return false;
  std::string id;
  uint32_t number = 0;
  if (!ReadSyncHeader(stream, id, number)) {
    error = "the phone did not confirm the file";
    return false;
  }
  if (id == "OKAY") return true;
  if (id == "FAIL")
    ReadSyncFailure(stream, number, error);
  else
    error = "the phone's sync service sent a broken answer";
  return false;
}

void Quit(AdbStream& stream) {
  const std::string quit = FrameNumber("QUIT", 0);
  stream.Write(quit.data(), quit.size());
}

}  // namespace adbsync

bool MemoryAdbStream::Write(const void* data, size_t size) {
  m_written.append(static_cast<const char*>(data), size);
  return true;
}

int64_t MemoryAdbStream::ReadSome(void* buffer, size_t size) {
  if (m_position >= m_input.size()) return failAtEnd ? -1 : 0;
  const size_t count = std::min({size, m_chunk, m_input.size() - m_position});
  std::memcpy(buffer, m_input.data() + m_position, count);
  m_position += count;
  return static_cast<int64_t>(count);
}
