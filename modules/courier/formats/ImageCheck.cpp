#include "modules/courier/formats/ImageCheck.h"

#include <array>
#include <cwctype>
#include <fstream>
#include <vector>

namespace {

uint32_t BigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
uint16_t BigEndian16(const unsigned char* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
uint32_t LittleEndian32(const unsigned char* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
uint16_t LittleEndian16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  return table;
}

uint32_t UpdateCrc(uint32_t crc, const unsigned char* bytes, size_t size) {
  const auto& table = CrcTable();
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
  return crc;
}

class Reader {
 public:
  explicit Reader(const std::filesystem::path& path) : m_in(path, std::ios::binary) {}
  bool Opened() const { return m_in.is_open(); }
  bool Read(int64_t at, unsigned char* out, size_t size) {
    m_in.clear();
    m_in.seekg(at);
    m_in.read(reinterpret_cast<char*>(out), static_cast<std::streamsize>(size));
    return static_cast<size_t>(m_in.gcount()) == size;
  }

 private:
  std::ifstream m_in;
};

const char kCut[] = "the picture is cut short (the file ends too early)";
const char kDamaged[] = "the picture is damaged";

void CheckPng(Reader& in, ImageCheck& check) {
  unsigned char header[8];
  int64_t at = 8;
  bool sawHeader = false;
  std::vector<unsigned char> buffer(64 * 1024);
  while (true) {
    if (!in.Read(at, header, 8)) {
      check.problem = kCut;
      return;
    }
    const uint32_t length = BigEndian32(header);
    if (length > 0x7FFFFFFFu || at + 12 + int64_t{length} > check.sizeBytes) {
      check.problem = kCut;
      return;
    }
    const std::string type(reinterpret_cast<const char*>(header + 4), 4);
    if (!sawHeader) {
      if (type != "IHDR" || length != 13) {
        check.problem = kDamaged;
        return;
      }
      unsigned char ihdr[8];
      if (!in.Read(at + 8, ihdr, 8)) {
        check.problem = kCut;
        return;
      }
      check.width = BigEndian32(ihdr);
      check.height = BigEndian32(ihdr + 4);
      sawHeader = true;
    }
    // Every chunk's checksum: a flipped byte anywhere in the picture is found.
    uint32_t crc = UpdateCrc(0xFFFFFFFFu, header + 4, 4);
    int64_t left = length;
    int64_t from = at + 8;
    while (left > 0) {
      const size_t piece = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
      if (!in.Read(from, buffer.data(), piece)) {
        check.problem = kCut;
        return;
      }
      crc = UpdateCrc(crc, buffer.data(), piece);
      from += static_cast<int64_t>(piece);
      left -= static_cast<int64_t>(piece);
    }
    unsigned char stored[4];
    if (!in.Read(from, stored, 4)) {
      check.problem = kCut;
      return;
    }
    if ((crc ^ 0xFFFFFFFFu) != BigEndian32(stored)) {
      check.problem = kDamaged;
      return;
    }
    at = from + 4;
    if (type == "IEND") return;
  }
}

void CheckJpeg(Reader& in, ImageCheck& check) {
  int64_t at = 2;
  unsigned char marker[4];
  // The segments up to the frame header, which holds the size.
  while (true) {
    if (!in.Read(at, marker, 4)) {
      check.problem = kCut;
      return;
    }
    if (marker[0] != 0xFF) {
      check.problem = kDamaged;
      return;
    }
    const unsigned char kind = marker[1];
    if (kind == 0xFF) {
      ++at;  // fill byte
      continue;
    }
    const uint16_t length = BigEndian16(marker + 2);
    if (length < 2) {
      check.problem = kDamaged;
      return;
    }
    const bool frame = kind >= 0xC0 && kind <= 0xCF && kind != 0xC4 && kind != 0xC8 && kind != 0xCC;
    if (frame) {
      unsigned char sof[5];
      if (!in.Read(at + 4, sof, 5)) {
        check.problem = kCut;
        return;
      }
      check.height = BigEndian16(sof + 1);
      check.width = BigEndian16(sof + 3);
      break;
    }
    if (kind == 0xDA || kind == 0xD9) {
      check.problem = kDamaged;  // image data before any frame header
      return;
    }
    at += 2 + length;
  }
  // The end-of-image marker: a cut file lacks it. Cameras may add bytes after it, so the end of
  // the file is searched rather than its last two bytes only.
  const int64_t tail = std::min<int64_t>(check.sizeBytes - at, 4096);
  std::vector<unsigned char> end(static_cast<size_t>(std::max<int64_t>(tail, 0)));
  if (end.size() < 2 || !in.Read(check.sizeBytes - tail, end.data(), end.size())) {
    check.problem = kCut;
    return;
  }
  for (size_t i = end.size() - 1; i > 0; --i)
    if (end[i - 1] == 0xFF && end[i] == 0xD9) return;
  check.problem = kCut;
}

void CheckGif(Reader& in, ImageCheck& check) {
  unsigned char screen[4];
  unsigned char last = 0;
  if (!in.Read(6, screen, 4) || !in.Read(check.sizeBytes - 1, &last, 1)) {
    check.problem = kCut;
    return;
  }
  check.width = LittleEndian16(screen);
  check.height = LittleEndian16(screen + 2);
  if (last != 0x3B) check.problem = kCut;
}

void CheckBmp(Reader& in, ImageCheck& check) {
  unsigned char header[26];
  if (!in.Read(0, header, sizeof header)) {
    check.problem = kCut;
    return;
  }
  const uint32_t dataAt = LittleEndian32(header + 10);
  const uint32_t infoSize = LittleEndian32(header + 14);
  if (infoSize == 12) {
    check.width = LittleEndian16(header + 18);
    check.height = LittleEndian16(header + 20);
  } else {
    const int32_t width = static_cast<int32_t>(LittleEndian32(header + 18));
    const int32_t height = static_cast<int32_t>(LittleEndian32(header + 22));
    check.width = static_cast<uint32_t>(width < 0 ? -static_cast<int64_t>(width) : width);
    check.height = static_cast<uint32_t>(height < 0 ? -static_cast<int64_t>(height) : height);
  }
  if (dataAt >= check.sizeBytes) check.problem = kCut;
}

void CheckWebp(Reader& in, ImageCheck& check, const unsigned char* head) {
  const uint32_t riffSize = LittleEndian32(head + 4);
  if (int64_t{riffSize} + 8 > check.sizeBytes) {
    check.problem = kCut;
    return;
  }
  unsigned char chunk[18];
  if (!in.Read(12, chunk, sizeof chunk)) {
    check.problem = kCut;
    return;
  }
  const std::string type(reinterpret_cast<const char*>(chunk), 4);
  const unsigned char* body = chunk + 8;
  if (type == "VP8X") {
    check.width = 1 + (uint32_t{body[4]} | (uint32_t{body[5]} << 8) | (uint32_t{body[6]} << 16));
    check.height = 1 + (uint32_t{body[7]} | (uint32_t{body[8]} << 8) | (uint32_t{body[9]} << 16));
  } else if (type == "VP8L" && body[0] == 0x2F) {
    const uint32_t bits = LittleEndian32(body + 1);
    check.width = 1 + (bits & 0x3FFF);
    check.height = 1 + ((bits >> 14) & 0x3FFF);
  } else if (type == "VP8 " && body[3] == 0x9D && body[4] == 0x01 && body[5] == 0x2A) {
    check.width = LittleEndian16(body + 6) & 0x3FFF;
    check.height = LittleEndian16(body + 8) & 0x3FFF;
  } else {
    check.problem = kDamaged;
  }
}

}  // namespace

ImageCheck CheckImageFile(const std::filesystem::path& path) {
  ImageCheck check;
  std::error_code failure;
  const std::uintmax_t size = std::filesystem::file_size(path, failure);
  Reader in(path);
  if (failure || !in.Opened()) {
    check.problem = "the file cannot be read";
    return check;
  }
  check.sizeBytes = static_cast<int64_t>(size);
  if (size == 0) {
    check.problem = "the file is empty";
    return check;
  }
  unsigned char head[16] = {};
  const bool full = in.Read(0, head, sizeof head);
  static const unsigned char kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (full && std::equal(kPngSignature, kPngSignature + 8, head)) {
    check.format = ImageFormat::kPng;
    CheckPng(in, check);
  } else if (size >= 4 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) {
    check.format = ImageFormat::kJpeg;
    CheckJpeg(in, check);
  } else if (full && (std::string(reinterpret_cast<char*>(head), 6) == "GIF87a" ||
                      std::string(reinterpret_cast<char*>(head), 6) == "GIF89a")) {
    check.format = ImageFormat::kGif;
    CheckGif(in, check);
  } else if (full && head[0] == 'B' && head[1] == 'M') {
    check.format = ImageFormat::kBmp;
    CheckBmp(in, check);
  } else if (full && std::string(reinterpret_cast<char*>(head), 4) == "RIFF" &&
             std::string(reinterpret_cast<char*>(head) + 8, 4) == "WEBP") {
    check.format = ImageFormat::kWebp;
    CheckWebp(in, check, head);
  } else {
    check.problem = "not a picture (JPEG, PNG, GIF, BMP or WebP)";
    return check;
  }
  if (check.ok() && (check.width == 0 || check.height == 0)) check.problem = kDamaged;
  if (check.ok() && uint64_t{check.width} * check.height > kMaxImagePixels)
    check.problem = "the picture is too large (" + std::to_string(check.width) + " x " + std::to_string(check.height) +
                    " pixels; at most 50 megapixels)";
  return check;
}

const wchar_t* ExtensionOfFormat(ImageFormat format) {
  switch (format) {
    case ImageFormat::kJpeg:
      return L".jpg";
    case ImageFormat::kPng:
      return L".png";
    case ImageFormat::kGif:
      return L".gif";
    case ImageFormat::kBmp:
      return L".bmp";
    case ImageFormat::kWebp:
      return L".webp";
    default:
      return L"";
  }
}

bool IsImageFileExtension(const std::wstring& extension) {
  std::wstring lower;
  for (wchar_t c : extension) lower.push_back(static_cast<wchar_t>(std::towlower(c)));
  return lower == L".jpg" || lower == L".jpeg" || lower == L".png" || lower == L".gif" || lower == L".bmp" ||
         lower == L".webp";
}
