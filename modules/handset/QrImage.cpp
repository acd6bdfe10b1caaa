#include "modules/handset/QrImage.h"

#include <windows.h>

#include <png.h>
#include <qrencode.h>

#include <csetjmp>
#include <cstring>
#include <memory>

namespace {

constexpr int kPixelsPerModule = 3;
constexpr int kQuietModules = 4;
constexpr png_uint_32 kPixelsPerMetre = 3779;

struct PngBuffer {
  std::vector<uint8_t>* bytes;
  bool failed;
};

void WriteBytes(png_structp png, png_bytep data, png_size_t length) {
  auto* buffer = static_cast<PngBuffer*>(png_get_io_ptr(png));
  try {
    buffer->bytes->insert(buffer->bytes->end(), data, data + length);
  } catch (...) {
    buffer->failed = true;
  }
  // Outside the handler: png_error leaves by longjmp.
  if (buffer->failed) png_error(png, "Write Error");
}

void FlushBytes(png_structp) {}

// Plain C from here: libpng reports errors by longjmp, which must cross no destructor. The rows
// are prepared by the caller.
bool WritePng(png_structp png, png_infop info, PngBuffer* buffer, int size, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, buffer, WriteBytes, FlushBytes);
  png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 1, PNG_COLOR_TYPE_PALETTE,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color palette[2] = {{0, 0, 0}, {255, 255, 255}};
  png_set_PLTE(png, info, palette, 2);
  png_byte alpha[2] = {255, 255};
  png_set_tRNS(png, info, alpha, 2, nullptr);
  png_set_pHYs(png, info, kPixelsPerMetre, kPixelsPerMetre, PNG_RESOLUTION_METER);
  png_set_rows(png, info, rows);
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  return true;
}

struct QrFree {
  void operator()(QRcode* code) const { QRcode_free(code); }
};

}  // namespace

std::string QrConnectionText(const std::wstring& address, int32_t port) {
  const std::wstring text = address + L":" + std::to_wstring(port);
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], length, nullptr, nullptr);
  return utf8;
}

bool EncodeQrPng(const std::string& text, std::vector<uint8_t>& png, std::string& error) {
  png.clear();
  std::unique_ptr<QRcode, QrFree> code(QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_L, QR_MODE_8, 1));
  if (!code) {
    error = "Failed to encode the input data";
    return false;
  }
  const int modules = code->width;
  const int size = modules * kPixelsPerModule + 2 * kQuietModules * kPixelsPerModule;
  const size_t rowBytes = (static_cast<size_t>(size) + 7) / 8;
  // Palette index 1 (white) everywhere, then index 0 (black) for the dark modules.
  std::vector<png_byte> pixels(rowBytes * static_cast<size_t>(size), 0xFF);
  for (int y = 0; y < modules; ++y) {
    for (int x = 0; x < modules; ++x) {
      if (!(code->data[y * modules + x] & 1)) continue;
      for (int dy = 0; dy < kPixelsPerModule; ++dy) {
        const int row = (kQuietModules + y) * kPixelsPerModule + dy;
        for (int dx = 0; dx < kPixelsPerModule; ++dx) {
          const int column = (kQuietModules + x) * kPixelsPerModule + dx;
          pixels[static_cast<size_t>(row) * rowBytes + static_cast<size_t>(column / 8)] &=
              static_cast<png_byte>(~(0x80 >> (column % 8)));
        }
      }
    }
  }
  std::vector<png_bytep> rows(static_cast<size_t>(size));
  for (int y = 0; y < size; ++y) rows[static_cast<size_t>(y)] = &pixels[static_cast<size_t>(y) * rowBytes];

  png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = writer ? png_create_info_struct(writer) : nullptr;
  PngBuffer buffer{&png, false};
  const bool written = info && WritePng(writer, info, &buffer, size, rows.data());
  png_destroy_write_struct(&writer, info ? &info : nullptr);
  if (!written) {
    error = buffer.failed ? "Write Error" : "the PNG could not be written";
    png.clear();
    return false;
  }
  return true;
}

std::wstring NetworkText(const std::wstring& address) {
  const size_t dot = address.rfind(L'.');
  return dot == std::wstring::npos ? address : address.substr(0, dot + 1) + L"X";
}
