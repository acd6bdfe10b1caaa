// What a picture file is, read from its structure rather than its name: its format, its size in
// pixels, and whether it is whole. A file named .jpg that holds text, a JPEG cut short or a PNG
// with a damaged chunk is found here, before the phone is given it. Reads the file in pieces:
// a picture is never held in memory whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

enum class ImageFormat { kUnknown, kJpeg, kPng, kGif, kBmp, kWebp };

// Pictures above this are refused: a phone's gallery cannot show them, and a thumbnail of one
// would need several hundred megabytes.
constexpr uint64_t kMaxImagePixels = 50ull * 1000 * 1000;

struct ImageCheck {
  ImageFormat format = ImageFormat::kUnknown;
  uint32_t width = 0;
  uint32_t height = 0;
  int64_t sizeBytes = 0;
  std::string problem;  // empty: a whole picture; else one line for the user, in UTF-8
  bool ok() const { return problem.empty(); }
};

ImageCheck CheckImageFile(const std::filesystem::path& path);

// ".jpg", ".png", ... for a format; "" for kUnknown.
const wchar_t* ExtensionOfFormat(ImageFormat format);
// True for the extensions a picture may have (".jpg", ".jpeg", ".png", ".gif", ".bmp", ".webp"),
// any case.
bool IsImageFileExtension(const std::wstring& extension);
