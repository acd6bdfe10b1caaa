#include "modules/courier/formats/MediaTags.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char kCut[] = "the file is cut short (it ends too early)";
const char kNotSound[] = "not a sound or video file this program knows (MP3, M4A, MP4, WebM, MKV)";
// Tags and headers larger than this are not read whole: a tag text is short, a moov box of a
// long film is a few megabytes.
constexpr uint64_t kMaxTagBytes = 1 << 20;
constexpr uint64_t kMaxBoxRead = 16 << 20;
constexpr int kMaxDepth = 12;

uint32_t Be32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint64_t Be64(const unsigned char* p) { return (uint64_t{Be32(p)} << 32) | Be32(p + 4); }
uint32_t Syncsafe(const unsigned char* p) {
  return (uint32_t{p[0] & 0x7Fu} << 21) | (uint32_t{p[1] & 0x7Fu} << 14) | (uint32_t{p[2] & 0x7Fu} << 7) |
         (p[3] & 0x7Fu);
}

std::wstring FromLatin1(const unsigned char* p, size_t size) {
  std::wstring text;
  for (size_t i = 0; i < size && p[i] != 0; ++i) text.push_back(static_cast<wchar_t>(p[i]));
  return text;
}

std::wstring FromUtf8(const unsigned char* p, size_t size) {
  std::wstring text;
  size_t i = 0;
  while (i < size && p[i] != 0) {
    uint32_t c = p[i];
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c >= 0x80 && extra == 0) {  // a stray continuation byte
      text.push_back(0xFFFD);
      ++i;
      continue;
    }
    c &= extra == 3 ? 0x07 : extra == 2 ? 0x0F : extra == 1 ? 0x1F : 0x7F;
    ++i;
    for (int k = 0; k < extra && i < size && (p[i] & 0xC0) == 0x80; ++k, ++i) c = (c << 6) | (p[i] & 0x3F);
    if (c >= 0x10000 && c <= 0x10FFFF) {
      c -= 0x10000;
      text.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      text.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
      text.push_back(c > 0x10FFFF ? wchar_t(0xFFFD) : static_cast<wchar_t>(c));
    }
  }
  return text;
}

std::wstring FromUtf16(const unsigned char* p, size_t size, bool bigEndian) {
  std::wstring text;
  for (size_t i = 0; i + 1 < size; i += 2) {
    const wchar_t c =
        bigEndian ? static_cast<wchar_t>((p[i] << 8) | p[i + 1]) : static_cast<wchar_t>(p[i] | (p[i + 1] << 8));
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

// Trailing blanks of fixed-width fields go.
std::wstring Trimmed(std::wstring text) {
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\0')) text.pop_back();
  return text;
}

bool Read(ByteSource& source, uint64_t offset, std::vector<unsigned char>& out, uint64_t size) {
  if (size > kMaxBoxRead || offset > source.Size() || size > source.Size() - offset) return false;
  out.resize(static_cast<size_t>(size));
  return size == 0 || source.ReadAt(offset, out.data(), out.size());
}

// ---- MP3 ----

// An ID3v2 text frame: its encoding byte, then the text.
std::wstring Id3Text(const unsigned char* p, size_t size) {
  if (size == 0) return std::wstring();
  const unsigned char encoding = p[0];
  ++p;
  --size;
  switch (encoding) {
    case 0:
      return Trimmed(FromLatin1(p, size));
    case 1:
      if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF) return Trimmed(FromUtf16(p + 2, size - 2, true));
      if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE) return Trimmed(FromUtf16(p + 2, size - 2, false));
      return Trimmed(FromUtf16(p, size, false));
    case 2:
      return Trimmed(FromUtf16(p, size, true));
    case 3:
      return Trimmed(FromUtf8(p, size));
    default:
      return std::wstring();
  }
}

// The ID3v2 tag at the start; false when it runs past the end of the file. `end` := the
// offset after it (0 without a tag).
bool ReadId3v2(ByteSource& source, MediaTags& tags, uint64_t& end, int64_t& lengthMs) {
  end = 0;
  unsigned char header[10];
  if (!source.ReadAt(0, header, 10) || std::memcmp(header, "ID3", 3) != 0) return true;
  const int major = header[3];
  const uint32_t size = Syncsafe(header + 6);
  end = 10 + uint64_t{size} + ((header[5] & 0x10) ? 10 : 0);
  if (end > source.Size()) return false;
  if (major < 2 || major > 4 || (header[5] & 0x80)) return true;  // unknown or unsynchronised: no tags read
  std::vector<unsigned char> tag;
  if (!Read(source, 10, tag, std::min<uint64_t>(size, kMaxTagBytes))) return true;
  size_t at = 0;
  if (major >= 3 && (header[5] & 0x40) && tag.size() >= 4) {  // an extended header is skipped
    const uint32_t extended = major == 4 ? Syncsafe(tag.data()) : Be32(tag.data()) + 4;
    at = extended;
  }
  const size_t idSize = major == 2 ? 3 : 4;
  const size_t headerSize = major == 2 ? 6 : 10;
  while (at + headerSize <= tag.size() && tag[at] != 0) {
    const unsigned char* frame = &tag[at];
    const uint32_t frameSize = major == 2   ? (uint32_t{frame[3]} << 16) | (uint32_t{frame[4]} << 8) | frame[5]
                               : major == 4 ? Syncsafe(frame + 4)
                                            : Be32(frame + 4);
    if (frameSize > tag.size() - at - headerSize) break;
    const std::string id(reinterpret_cast<const char*>(frame), idSize);
    const unsigned char* body = frame + headerSize;
    if (id == "TIT2" || id == "TT2")
      tags.title = Id3Text(body, frameSize);
    else if (id == "TPE1" || id == "TP1")
      tags.artist = Id3Text(body, frameSize);
    else if (id == "TALB" || id == "TAL")
      tags.album = Id3Text(body, frameSize);
    else if (id == "TLEN" || id == "TLE") {
      const std::wstring text = Id3Text(body, frameSize);
      int64_t ms = 0;
      for (wchar_t c : text) {
        if (c < L'0' || c > L'9' || ms > 1000000000000LL) {
          ms = 0;
          break;
        }
        ms = ms * 10 + (c - L'0');
      }
      lengthMs = ms;
    }
    at += headerSize + frameSize;
  }
  return true;
}

struct MpegFrame {
  uint32_t bitrate = 0;  // bits per second
  uint32_t sampleRate = 0;
  uint32_t samples = 0;  // per frame
  uint32_t length = 0;   // bytes
  uint32_t sideInfo = 0;
};

bool ParseFrameHeader(const unsigned char* h, MpegFrame& frame) {
  if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return false;
  const int version = (h[1] >> 3) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  const int layer = (h[1] >> 1) & 3;    // 1 layer III, 2 layer II, 3 layer I
  const int bitrateIndex = h[2] >> 4;
  const int rateIndex = (h[2] >> 2) & 3;
  if (version == 1 || layer == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) return false;
  static const uint16_t kRates[3] = {44100, 48000, 32000};
  static const uint16_t kBitrates[2][3][15] = {{{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
                                                {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
                                                {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
                                               {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
                                                {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
                                                {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
  const bool mpeg1 = version == 3;
  const int layerIndex = 3 - layer;  // 0 layer I, 1 layer II, 2 layer III
  frame.bitrate = kBitrates[mpeg1 ? 0 : 1][layerIndex][bitrateIndex] * 1000u;
  frame.sampleRate = kRates[rateIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
  const uint32_t padding = (h[2] >> 1) & 1;
  if (layerIndex == 0) {
    frame.samples = 384;
    frame.length = (12 * frame.bitrate / frame.sampleRate + padding) * 4;
  } else {
    frame.samples = layerIndex == 2 && !mpeg1 ? 576 : 1152;
    frame.length = frame.samples / 8 * frame.bitrate / frame.sampleRate + padding;
  }
  const bool mono = (h[3] >> 6) == 3;
  frame.sideInfo = layerIndex != 2 ? 0 : mpeg1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  return frame.length >= 4;
}

}  // namespace

bool MemorySource::ReadAt(uint64_t offset, void* out, size_t size) {
  if (offset > m_size || size > m_size - offset) return false;
  if (size > 0) std::memcpy(out, m_data + offset, size);
  return true;
}

FileSource::FileSource(const std::filesystem::path& path) : m_in(path, std::ios::binary) {
  std::error_code failure;
  m_opened = m_in.is_open();
  const auto size = std::filesystem::file_size(path, failure);
  m_size = failure ? 0 : size;
}

bool FileSource::ReadAt(uint64_t offset, void* out, size_t size) {
  if (!m_opened || offset > m_size || size > m_size - offset) return false;
  m_in.clear();
  m_in.seekg(static_cast<std::streamoff>(offset));
  m_in.read(static_cast<char*>(out), static_cast<std::streamsize>(size));
  return static_cast<size_t>(m_in.gcount()) == size;
}

MediaTags ReadMp3(ByteSource& source) {
  MediaTags tags;
  tags.container = MediaContainer::kMp3;
  tags.extension = L".mp3";
  tags.sizeBytes = static_cast<int64_t>(source.Size());
  uint64_t audioStart = 0;
  int64_t lengthMs = 0;
  if (!ReadId3v2(source, tags, audioStart, lengthMs)) {
    tags.problem = kCut;
    return tags;
  }
  uint64_t audioEnd = source.Size();
  unsigned char v1[128];
  if (audioEnd >= audioStart + 128 && source.ReadAt(audioEnd - 128, v1, 128) && std::memcmp(v1, "TAG", 3) == 0) {
    audioEnd -= 128;
    if (tags.title.empty()) tags.title = Trimmed(FromLatin1(v1 + 3, 30));
    if (tags.artist.empty()) tags.artist = Trimmed(FromLatin1(v1 + 33, 30));
    if (tags.album.empty()) tags.album = Trimmed(FromLatin1(v1 + 63, 30));
  }
  // The first frame is looked for a little way on (padding, a stray byte); two frames in a row
  // tell MPEG audio from bytes that only look like a header.
  std::vector<unsigned char> window;
  const uint64_t searched = std::min<uint64_t>(audioEnd > audioStart ? audioEnd - audioStart : 0, 64 * 1024);
  if (!Read(source, audioStart, window, searched) || window.size() < 4) {
    tags.problem = audioStart > 0 && audioEnd <= audioStart + 4 ? kCut : "not an MP3 file (no MPEG audio in it)";
    return tags;
  }
  MpegFrame frame;
  size_t at = 0;
  bool found = false;
  for (; at + 4 <= window.size(); ++at) {
    if (!ParseFrameHeader(&window[at], frame)) continue;
    const uint64_t next = audioStart + at + frame.length;
    unsigned char second[4];
    MpegFrame following;
    if (next + 4 <= audioEnd && source.ReadAt(next, second, 4) && ParseFrameHeader(second, following)) {
      found = true;
      break;
    }
    if (next >= audioEnd && at == 0 && audioEnd - audioStart >= frame.length) {  // a file of one frame
      found = true;
      break;
    }
  }
  if (!found) {
    tags.problem = "not an MP3 file (no MPEG audio in it)";
    return tags;
  }
  tags.hasAudio = true;
  const uint64_t frameStart = audioStart + at;
  // Xing or Info: the frame count and byte count of the whole stream.
  unsigned char xing[16];
  const uint64_t xingAt = frameStart + 4 + frame.sideInfo;
  if (xingAt + 16 <= audioEnd && source.ReadAt(xingAt, xing, 16) &&
      (std::memcmp(xing, "Xing", 4) == 0 || std::memcmp(xing, "Info", 4) == 0)) {
    const uint32_t flags = Be32(xing + 4);
    size_t field = 8;
    if (flags & 1) {
      const uint64_t frames = Be32(xing + field);
      field += 4;
      tags.durationMs = static_cast<int64_t>(frames * frame.samples * 1000 / frame.sampleRate);
    }
    if (flags & 2) {
      const uint64_t bytes = Be32(xing + field);
      if (bytes > 0 && frameStart + bytes > audioEnd + frame.length) {
        tags.problem = kCut;
        return tags;
      }
    }
  }
  if (tags.durationMs == 0 && frame.bitrate > 0)
    tags.durationMs = static_cast<int64_t>((audioEnd - frameStart) * 8000 / frame.bitrate);
  if (tags.durationMs == 0) tags.durationMs = lengthMs;
  return tags;
}

// ---- MP4 and M4A ----

namespace {

struct Box {
  uint64_t start = 0;    // of the box
  uint64_t content = 0;  // of its contents
  uint64_t end = 0;
  char type[5] = {};
};

// The box at `at` within [at, limit); false when it is damaged or runs past `limit` (`cut` set
// when it runs past the end of the file).
bool ReadBox(ByteSource& source, uint64_t at, uint64_t limit, Box& box, bool& cut) {
  unsigned char header[16];
  if (at + 8 > limit || !source.ReadAt(at, header, 8)) {
    cut = at + 8 > source.Size();
    return false;
  }
  uint64_t size = Be32(header);
  box.start = at;
  box.content = at + 8;
  std::memcpy(box.type, header + 4, 4);
  if (size == 1) {
    if (at + 16 > limit || !source.ReadAt(at + 8, header + 8, 8)) {
      cut = true;
      return false;
    }
    size = Be64(header + 8);
    box.content = at + 16;
  } else if (size == 0) {
    size = limit - at;
  }
  if (size < box.content - at) return false;
  if (size > limit - at) {
    cut = at + size > source.Size();
    return false;
  }
  box.end = at + size;
  return true;
}

bool IsType(const Box& box, const char* type) { return std::memcmp(box.type, type, 4) == 0; }

struct Mp4Reader {
  Mp4Reader(ByteSource& from, MediaTags& into) : source(from), tags(into) {}
  ByteSource& source;
  MediaTags& tags;
  bool sawMoov = false;
  bool sawMvhd = false;
  bool cut = false;
  bool damaged = false;
  std::string handler;  // of the track being read

  void Children(uint64_t from, uint64_t to, int depth) {
    if (depth > kMaxDepth) return;
    uint64_t at = from;
    while (at + 8 <= to) {
      Box box;
      if (!ReadBox(source, at, to, box, cut)) {
        damaged = !cut;
        return;
      }
      OnBox(box, depth);
      if (cut || damaged) return;
      at = box.end;
    }
  }

  void OnBox(const Box& box, int depth) {
    std::vector<unsigned char> bytes;
    if (IsType(box, "moov")) {
      sawMoov = true;
      Children(box.content, box.end, depth + 1);
    } else if (IsType(box, "trak")) {
      handler.clear();
      uint32_t width = 0, height = 0;
      TrackChildren(box, depth, width, height);
    } else if (IsType(box, "udta") || IsType(box, "ilst")) {
      Children(box.content, box.end, depth + 1);
    } else if (IsType(box, "meta")) {
      // A full box in MP4 files, a plain one in QuickTime files: told by what follows.
      unsigned char peek[8];
      uint64_t first = box.content;
      if (source.ReadAt(box.content, peek, 8) && std::memcmp(peek + 4, "hdlr", 4) != 0) first += 4;
      Children(first, box.end, depth + 1);
    } else if (IsType(box, "mvhd") && Read(source, box.content, bytes, std::min<uint64_t>(box.end - box.content, 32))) {
      const bool v1 = !bytes.empty() && bytes[0] == 1;
      const size_t need = v1 ? 32 : 20;
      if (bytes.size() < need) return;
      const uint32_t timescale = Be32(&bytes[v1 ? 20 : 12]);
      const uint64_t duration = v1 ? Be64(&bytes[24]) : Be32(&bytes[16]);
      sawMvhd = true;
      if (timescale > 0 && duration != 0xFFFFFFFFu && duration < (uint64_t{1} << 52))
        tags.durationMs = static_cast<int64_t>(duration * 1000 / timescale);
    } else if (box.type[0] == '\xA9' || IsType(box, "aART")) {
      Box data;
      bool ignored = false;
      if (!ReadBox(source, box.content, box.end, data, ignored) || !IsType(data, "data")) return;
      if (!Read(source, data.content, bytes, std::min<uint64_t>(data.end - data.content, 4096)) || bytes.size() < 8)
        return;
      const std::wstring text = FromUtf8(bytes.data() + 8, bytes.size() - 8);
      if (std::memcmp(box.type + 1, "nam", 3) == 0)
        tags.title = text;
      else if (std::memcmp(box.type + 1, "ART", 3) == 0)
        tags.artist = text;
      else if (std::memcmp(box.type + 1, "alb", 3) == 0)
        tags.album = text;
    }
  }

  void TrackChildren(const Box& track, int depth, uint32_t& width, uint32_t& height) {
    // tkhd gives the size, mdia/hdlr the kind; both are needed before the track counts.
    std::vector<Box> stack{track};
    int level = depth;
    while (!stack.empty() && level <= kMaxDepth) {
      const Box parent = stack.back();
      stack.pop_back();
      uint64_t at = parent.content;
      while (at + 8 <= parent.end) {
        Box box;
        if (!ReadBox(source, at, parent.end, box, cut)) {
          damaged = !cut;
          return;
        }
        std::vector<unsigned char> bytes;
        if (IsType(box, "mdia") || IsType(box, "minf")) {
          stack.push_back(box);
        } else if (IsType(box, "tkhd") &&
                   Read(source, box.content, bytes, std::min<uint64_t>(box.end - box.content, 96))) {
          const size_t at16 = !bytes.empty() && bytes[0] == 1 ? 88 : 76;
          if (bytes.size() >= at16 + 8) {
            width = Be32(&bytes[at16]) >> 16;
            height = Be32(&bytes[at16 + 4]) >> 16;
          }
        } else if (IsType(box, "hdlr") &&
                   Read(source, box.content, bytes, std::min<uint64_t>(box.end - box.content, 12))) {
          if (bytes.size() >= 12) handler.assign(reinterpret_cast<const char*>(&bytes[8]), 4);
        }
        at = box.end;
      }
      ++level;
    }
    if (handler == "soun") tags.hasAudio = true;
    if (handler == "vide") {
      tags.hasVideo = true;
      if (tags.width == 0) {
        tags.width = width;
        tags.height = height;
      }
    }
  }
};

}  // namespace

MediaTags ReadMp4(ByteSource& source) {
  MediaTags tags;
  tags.container = MediaContainer::kMp4;
  tags.sizeBytes = static_cast<int64_t>(source.Size());
  Box first;
  bool cut = false;
  if (!ReadBox(source, 0, source.Size(), first, cut) || !IsType(first, "ftyp")) {
    tags.problem = cut ? kCut : kNotSound;
    return tags;
  }
  unsigned char brand[4] = {};
  source.ReadAt(first.content, brand, 4);
  Mp4Reader reader{source, tags};
  reader.Children(0, source.Size(), 0);
  if (reader.cut) {
    tags.problem = kCut;
  } else if (reader.damaged) {
    tags.problem = "the file is damaged (a box of the MP4 structure is broken)";
  } else if (!reader.sawMoov || !reader.sawMvhd) {
    tags.problem = "the file is damaged (its movie header is missing)";
  }
  // An audio-only file of the "M4A " brand is a song's .m4a; everything else an .mp4.
  tags.extension = !tags.hasVideo && std::memcmp(brand, "M4A ", 4) == 0 ? L".m4a" : L".mp4";
  return tags;
}

// ---- WebM and Matroska ----

namespace {

// An EBML variable-length number at `at`: its value and length; `marker` keeps the length bits
// (element IDs), else they are masked off (sizes). All ones in a size means "unknown".
bool ReadVint(ByteSource& source, uint64_t at, bool marker, uint64_t& value, int& length, bool& unknown) {
  unsigned char first;
  if (!source.ReadAt(at, &first, 1) || first == 0) return false;
  length = 1;
  while (!(first & (0x80 >> (length - 1)))) ++length;
  if (length > 8) return false;
  unsigned char bytes[8] = {first};
  if (length > 1 && !source.ReadAt(at + 1, bytes + 1, static_cast<size_t>(length - 1))) return false;
  value = marker ? first : first & (0xFF >> length);
  bool allOnes = (first & (0xFF >> length)) == (0xFF >> length);
  for (int i = 1; i < length; ++i) {
    value = (value << 8) | bytes[i];
    allOnes = allOnes && bytes[i] == 0xFF;
  }
  unknown = !marker && allOnes;
  return true;
}

struct Element {
  uint64_t id = 0;
  uint64_t content = 0;
  uint64_t end = 0;
};

struct EbmlReader {
  EbmlReader(ByteSource& from, MediaTags& into) : source(from), tags(into) {}
  ByteSource& source;
  MediaTags& tags;
  uint64_t timecodeScale = 1000000;
  double duration = 0;
  bool cut = false;
  bool damaged = false;
  std::string docType;
  int trackType = 0;
  uint32_t trackWidth = 0, trackHeight = 0;

  bool Next(uint64_t at, uint64_t limit, Element& element) {
    uint64_t size = 0;
    int idLength = 0, sizeLength = 0;
    bool unknown = false;
    if (!ReadVint(source, at, true, element.id, idLength, unknown) ||
        !ReadVint(source, at + idLength, false, size, sizeLength, unknown)) {
      cut = at + 12 > source.Size();
      damaged = !cut;
      return false;
    }
    element.content = at + idLength + sizeLength;
    element.end = unknown ? limit : element.content + size;
    if (element.content > limit || element.end > limit || element.end < element.content) {
      cut = element.end > source.Size() || element.end < element.content;
      damaged = !cut;
      return false;
    }
    return true;
  }

  uint64_t Unsigned(const Element& e) {
    std::vector<unsigned char> bytes;
    if (e.end - e.content > 8 || !Read(source, e.content, bytes, e.end - e.content)) return 0;
    uint64_t value = 0;
    for (unsigned char b : bytes) value = (value << 8) | b;
    return value;
  }

  std::string Text(const Element& e) {
    std::vector<unsigned char> bytes;
    if (!Read(source, e.content, bytes, std::min<uint64_t>(e.end - e.content, 4096))) return std::string();
    return std::string(bytes.begin(), bytes.end()).c_str();
  }

  double Float(const Element& e) {
    std::vector<unsigned char> bytes;
    if (!Read(source, e.content, bytes, e.end - e.content)) return 0;
    if (bytes.size() == 4) {
      const uint32_t raw = Be32(bytes.data());
      float value;
      std::memcpy(&value, &raw, 4);
      return value;
    }
    if (bytes.size() == 8) {
      const uint64_t raw = Be64(bytes.data());
      double value;
      std::memcpy(&value, &raw, 8);
      return value;
    }
    return 0;
  }

  // The masters read are entered; the clusters (the media itself) are skipped unread.
  void Children(uint64_t from, uint64_t to, int depth) {
    if (depth > kMaxDepth) return;
    uint64_t at = from;
    while (at < to) {
      Element e;
      if (!Next(at, to, e)) return;
      switch (e.id) {
        case 0x18538067:  // Segment
        case 0x1549A966:  // Info
        case 0x1654AE6B:  // Tracks
          Children(e.content, e.end, depth + 1);
          break;
        case 0xAE:  // TrackEntry
          trackType = 0;
          trackWidth = trackHeight = 0;
          Children(e.content, e.end, depth + 1);
          if (trackType == 1) {
            tags.hasVideo = true;
            if (tags.width == 0) {
              tags.width = trackWidth;
              tags.height = trackHeight;
            }
          } else if (trackType == 2) {
            tags.hasAudio = true;
          }
          break;
        case 0xE0:  // Video
          Children(e.content, e.end, depth + 1);
          break;
        case 0x83:
          trackType = static_cast<int>(Unsigned(e));
          break;
        case 0xB0:
          trackWidth = static_cast<uint32_t>(Unsigned(e));
          break;
        case 0xBA:
          trackHeight = static_cast<uint32_t>(Unsigned(e));
          break;
        case 0x2AD7B1:
          timecodeScale = Unsigned(e);
          break;
        case 0x4489:
          duration = Float(e);
          break;
        case 0x7BA9: {
          const std::string title = Text(e);
          tags.title = FromUtf8(reinterpret_cast<const unsigned char*>(title.data()), title.size());
          break;
        }
        case 0x4282:
          docType = Text(e);
          break;
        case 0x1A45DFA3:  // the EBML header
          Children(e.content, e.end, depth + 1);
          break;
        default:
          break;
      }
      if (cut || damaged) return;
      at = e.end;
    }
  }
};

}  // namespace

MediaTags ReadMatroska(ByteSource& source) {
  MediaTags tags;
  tags.container = MediaContainer::kMatroska;
  tags.sizeBytes = static_cast<int64_t>(source.Size());
  EbmlReader reader{source, tags};
  reader.Children(0, source.Size(), 0);
  tags.extension = reader.docType == "webm" ? L".webm" : L".mkv";
  if (reader.cut)
    tags.problem = kCut;
  else if (reader.damaged)
    tags.problem = "the file is damaged (an element of its structure is broken)";
  else if (reader.docType != "webm" && reader.docType != "matroska")
    tags.problem = kNotSound;
  const double ms = reader.duration * static_cast<double>(reader.timecodeScale) / 1e6;
  if (ms > 0 && ms < 1e15) tags.durationMs = static_cast<int64_t>(ms + 0.5);
  return tags;
}

MediaTags ReadMediaTags(ByteSource& source) {
  unsigned char head[12] = {};
  const size_t got = static_cast<size_t>(std::min<uint64_t>(source.Size(), 12));
  if (got == 0 || !source.ReadAt(0, head, got)) {
    MediaTags empty;
    empty.problem = "the file is empty";
    return empty;
  }
  if (got >= 8 && std::memcmp(head + 4, "ftyp", 4) == 0) return ReadMp4(source);
  if (got >= 4 && head[0] == 0x1A && head[1] == 0x45 && head[2] == 0xDF && head[3] == 0xA3) return ReadMatroska(source);
  if (got >= 3 && std::memcmp(head, "ID3", 3) == 0) return ReadMp3(source);
  if (got >= 2 && head[0] == 0xFF && (head[1] & 0xE0) == 0xE0) return ReadMp3(source);
  MediaTags unknown;
  unknown.sizeBytes = static_cast<int64_t>(source.Size());
  unknown.problem = kNotSound;
  return unknown;
}

MediaTags ReadMediaFile(const std::filesystem::path& path) {
  FileSource source(path);
  if (!source.Opened()) {
    MediaTags missing;
    missing.problem = "the file cannot be opened";
    return missing;
  }
  return ReadMediaTags(source);
}
