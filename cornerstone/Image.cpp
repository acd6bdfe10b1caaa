#include <objidl.h>
#include <shlwapi.h>
#include <gdiplus.h>

#include <memory>

#include "cornerstone/Internal.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace {

// The stream is held by the bitmap for as long as it lives (animated GIFs read
// their frames from it later), so our own reference is dropped here.
Gdiplus::Bitmap* BitmapFromBytes(const void* bytes, size_t size) {
  if (!bytes || size == 0 || size > 0x7FFFFFFF) return nullptr;
  IStream* stream = SHCreateMemStream(static_cast<const BYTE*>(bytes), static_cast<UINT>(size));
  if (!stream) return nullptr;
  Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
  stream->Release();
  if (bitmap && (bitmap->GetLastStatus() != Gdiplus::Ok || bitmap->GetWidth() == 0 || bitmap->GetHeight() == 0)) {
    delete bitmap;
    bitmap = nullptr;
  }
  return bitmap;
}

}  // namespace

Gdiplus::Bitmap* BASUtilityImage::GetBitmap(const wchar_t* path, int dpiX, int dpiY) {
  std::string bytes;
  if (!path || !cornerstone::ReadWholeFile(path, bytes)) return nullptr;
  Gdiplus::Bitmap* bitmap = BitmapFromBytes(bytes.data(), bytes.size());
  if (bitmap && dpiX > 0 && dpiY > 0) bitmap->SetResolution(static_cast<Gdiplus::REAL>(dpiX), static_cast<Gdiplus::REAL>(dpiY));
  return bitmap;
}

Gdiplus::Bitmap* BASUtilityImage::ConvertToGray(Gdiplus::Bitmap* bitmap) {
  if (!bitmap) return nullptr;
  UINT w = bitmap->GetWidth(), h = bitmap->GetHeight();
  if (w == 0 || h == 0) return nullptr;
  auto gray = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(w), static_cast<INT>(h), PixelFormat32bppARGB);
  if (gray->GetLastStatus() != Gdiplus::Ok) return nullptr;
  // Luminance weights; alpha passes through so transparent edges stay so.
  Gdiplus::ColorMatrix matrix = {{{0.299f, 0.299f, 0.299f, 0, 0},
                                  {0.587f, 0.587f, 0.587f, 0, 0},
                                  {0.114f, 0.114f, 0.114f, 0, 0},
                                  {0, 0, 0, 1, 0},
                                  {0, 0, 0, 0, 1}}};
  Gdiplus::ImageAttributes attributes;
  attributes.SetColorMatrix(&matrix);
  Gdiplus::Graphics graphics(gray.get());
  graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
  Gdiplus::Status status = graphics.DrawImage(bitmap, Gdiplus::Rect(0, 0, static_cast<INT>(w), static_cast<INT>(h)), 0, 0,
                                              static_cast<INT>(w), static_cast<INT>(h), Gdiplus::UnitPixel, &attributes);
  if (status != Gdiplus::Ok) return nullptr;
  Gdiplus::REAL dpiX = bitmap->GetHorizontalResolution(), dpiY = bitmap->GetVerticalResolution();
  if (dpiX > 0 && dpiY > 0) gray->SetResolution(dpiX, dpiY);
  return gray.release();
}

Gdiplus::Bitmap* BASMemImage::mi_from_memory(const void* bytes, size_t size) { return BitmapFromBytes(bytes, size); }
