// The adb host protocol as the program speaks it to the adb server (127.0.0.1:5037): requests
// framed by a 4-hex-digit length, OKAY/FAIL replies, the device list of track-devices and the
// sync service's messages. Everything goes through AdbStream, so the framing is tested on
// memory buffers; the socket behind it on Windows is AdbSocket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A byte stream to the server. Implementations time out instead of blocking for good.
class AdbStream {
 public:
  virtual ~AdbStream() = default;
  // False when not all of `data` went out.
  virtual bool Write(const void* data, size_t size) = 0;
  // Bytes read into `buffer` (at most `size`); 0 at the end of the stream; -1 on a failure or
  // a timeout.
  virtual int64_t ReadSome(void* buffer, size_t size) = 0;
};

// Exactly `size` bytes, or false (the stream ended, failed or timed out).
bool ReadExact(AdbStream& stream, void* buffer, size_t size);
// Everything up to the end of the stream; false when it failed before the end or grew beyond
// `limit` (a shell command's output is bounded so that a runaway command cannot take the
// process's memory).
bool ReadToEnd(AdbStream& stream, std::string& out, size_t limit);

// "000chost:version": the service text with its length in four hex digits. Empty when the
// text is too long for the framing (it would be cut, and the server read garbage after it).
std::string FrameAdbRequest(std::string_view service);
// Four hex digits (either case) to a number; false for anything else.
bool ParseHexLength(std::string_view digits, size_t& length);

// Sends a request and reads the server's answer: true on OKAY; on FAIL false with the
// server's reason in `failure`; on anything else false with a description.
bool SendAdbRequest(AdbStream& stream, std::string_view service, std::string& failure);
// One length-prefixed message (the answer of host:version, each track-devices update).
bool ReadAdbMessage(AdbStream& stream, std::string& message);

// One line of the server's device list.
struct AdbDeviceEntry {
  std::string serial;
  std::string state;                              // "device", "unauthorized", "offline", ...
  std::map<std::string, std::string> properties;  // the long form's "model:", "product:", ...
};
// The device list of host:devices(-l) and host:track-devices(-l): one device per line, the
// serial, then its state, then (long form) key:value words. A state of several words ("no
// permissions (...)") is kept whole; lines without a state are skipped.
std::vector<AdbDeviceEntry> ParseDeviceList(std::string_view text);

// What changed between two device lists: phones that came, changed state or left.
struct AdbDeviceChange {
  std::string serial;
  std::string state;  // the new state; empty when the phone left
  bool appeared = false;
};
std::vector<AdbDeviceChange> DiffDeviceLists(const std::vector<AdbDeviceEntry>& before,
                                             const std::vector<AdbDeviceEntry>& after);

// The sync service ("sync:" on a phone's transport): 4-byte ids with little-endian lengths.
namespace adbsync {

// The largest DATA chunk the protocol allows; a larger length is a broken stream.
constexpr uint32_t kMaxChunk = 64 * 1024;

std::string Frame(std::string_view id, std::string_view payload);
std::string FrameNumber(std::string_view id, uint32_t number);

struct Stat {
  uint32_t mode = 0;  // 0 together with size 0 and time 0: no such file
  uint32_t size = 0;
  uint32_t time = 0;
  bool Exists() const { return mode != 0 || size != 0 || time != 0; }
  bool IsDirectory() const { return (mode & 0170000) == 0040000; }
};
bool StatPath(AdbStream& stream, const std::string& path, Stat& stat, std::string& error);

struct ListEntry {
  std::string name;
  Stat stat;
};
bool List(AdbStream& stream, const std::string& path, std::vector<ListEntry>& entries, std::string& error);

// Receives the file chunk by chunk into `sink` (false from the sink stops with `error` left
// empty for the caller to fill). The file is never held whole.
typedef std::function<bool(const char* data, size_t size)> ChunkSink;
bool Pull(AdbStream& stream, const std::string& path, const ChunkSink& sink, std::string& error);

// Sends a file to the phone as `path` with the permission bits `mode`: `source` fills a buffer
// and answers the bytes it put there (0 at the end, -1 when the file could not be read or the
// copy is to stop). The file is never held whole. False with `error` (empty when `source`
// stopped it); the phone may then hold part of it, which the caller removes.
typedef std::function<int64_t(char* buffer, size_t size)> ChunkSource;
bool Push(AdbStream& stream, const std::string& path, uint32_t mode, uint32_t modifiedTime, const ChunkSource& source,
          std::string& error);

// Ends the sync session politely; the server closes the stream after it.
void Quit(AdbStream& stream);

}  // namespace adbsync

// A stream over a memory buffer, for tests and fuzzing: reads come from `input` in chunks of
// at most `chunk` bytes (so that short reads are exercised); writes are collected.
class MemoryAdbStream : public AdbStream {
 public:
  explicit MemoryAdbStream(std::string input, size_t chunk = 4096) : m_input(std::move(input)), m_chunk(chunk) {}
  bool Write(const void* data, size_t size) override;
  int64_t ReadSome(void* buffer, size_t size) override;
  const std::string& written() const { return m_written; }
  bool failAtEnd = false;  // the end of the input is a failure (a timeout) instead of the end

 private:
  std::string m_input;
  size_t m_chunk;
  size_t m_position = 0;
  std::string m_written;
};
