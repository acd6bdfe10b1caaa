// What a sound or video file says of itself, read from its structure: MP3 (ID3v2 and ID3v1 tags,
// the first MPEG audio frame and its Xing/Info header for the duration), MP4 and M4A (the box
// tree: mvhd duration, tkhd size, hdlr track kinds, the iTunes-style ilst tags) and WebM or
// Matroska (EBML: duration, track kinds, pixel size, title). A file of none of these, or one cut
// short, gets a problem line instead. Reads only the pieces it needs, never the whole file; every
// length read from the file is checked against what is there.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

enum class MediaContainer { kUnknown, kMp3, kMp4, kMatroska };

struct MediaTags {
  MediaContainer container = MediaContainer::kUnknown;
  std::wstring extension;  // of what the file holds: ".mp3", ".m4a", ".mp4", ".webm", ".mkv"
  int64_t sizeBytes = 0;
  bool hasAudio = false;
  bool hasVideo = false;
  int64_t durationMs = 0;  // 0 when not known
  uint32_t width = 0;      // of the first video track
  uint32_t height = 0;
  std::wstring title;
  std::wstring artist;
  std::wstring album;
  std::string problem;  // empty: a whole file; else one line for the user, in UTF-8
  bool ok() const { return problem.empty(); }
};

// Random access to the bytes being read.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Fills `out` with `size` bytes from `offset`; false when they are not all there.
  virtual bool ReadAt(uint64_t offset, void* out, size_t size) = 0;
};

class MemorySource : public ByteSource {
 public:
  MemorySource(const void* data, size_t size) : m_data(static_cast<const unsigned char*>(data)), m_size(size) {}
  uint64_t Size() const override { return m_size; }
  bool ReadAt(uint64_t offset, void* out, size_t size) override;

 private:
  const unsigned char* m_data;
  size_t m_size;
};

class FileSource : public ByteSource {
 public:
  explicit FileSource(const std::filesystem::path& path);
  bool Opened() const { return m_opened; }
  uint64_t Size() const override { return m_size; }
  bool ReadAt(uint64_t offset, void* out, size_t size) override;

 private:
  std::ifstream m_in;
  uint64_t m_size = 0;
  bool m_opened = false;
};

MediaTags ReadMediaTags(ByteSource& source);
MediaTags ReadMediaFile(const std::filesystem::path& path);
// The readers one by one (ReadMediaTags picks by the file's first bytes).
MediaTags ReadMp3(ByteSource& source);
MediaTags ReadMp4(ByteSource& source);
MediaTags ReadMatroska(ByteSource& source);
