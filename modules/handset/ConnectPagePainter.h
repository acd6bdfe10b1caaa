// Draws the connection wizard: the header (progress bar, steps and their labels) and the texts
// and pictures of each page. Controls (the action button, "Copy", the version tabs and the links)
// are child windows of the wizard and draw themselves.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "kit/GdiHandles.h"

namespace Gdiplus {
class Bitmap;
}

class ConnectModel;
class HandsetImageSet;
struct ConnectLayout;

// The animation that runs, so a page draws its frame (other pages draw their first frame).
struct AnimationFrame {
  Gdiplus::Bitmap* image = nullptr;
  size_t frame = 0;
};

class ConnectPagePainter {
 public:
  static constexpr COLORREF kManagerLineColor = RGB(171, 171, 171);
  static constexpr int kNavigatorRightEdge = 216;

  ConnectPagePainter() = default;
  ConnectPagePainter(const ConnectPagePainter&) = delete;
  ConnectPagePainter& operator=(const ConnectPagePainter&) = delete;

  // Fonts and colours, once per wizard window.
  void CreateResources(const HandsetImageSet* images);
  HFONT BodyFont() const { return m_bodyFont.Get(); }
  HFONT ButtonFont() const { return m_buttonFont.Get(); }
  HFONT TabFont() const { return m_tabFont.Get(); }
  COLORREF AccentColor() const { return m_accent; }

  void Paint(HDC dc, const ConnectLayout& layout, const ConnectModel& model, const AnimationFrame& animation) const;

 private:
  void PaintHeader(HDC dc, const ConnectLayout& layout, const ConnectModel& model) const;
  void PaintConnecting(HDC dc, const ConnectLayout& layout, const AnimationFrame& animation) const;
  void PaintDebugHelp(HDC dc, const ConnectLayout& layout, const ConnectModel& model) const;
  void PaintAuthorize(HDC dc, const ConnectLayout& layout) const;
  void PaintDriver(HDC dc, const ConnectLayout& layout, const ConnectModel& model, const AnimationFrame& animation,
                   bool failed) const;
  void PaintInstallFailed(HDC dc, const ConnectLayout& layout, const ConnectModel& model) const;
  void PaintDriverInstall(HDC dc, const ConnectLayout& layout, const AnimationFrame& animation) const;
  void PaintDetectFailed(HDC dc, const ConnectLayout& layout) const;
  void PaintRootAuthorize(HDC dc, const ConnectLayout& layout) const;

  Gdiplus::Bitmap* Image(const char* path) const;
  // The frame of `path` that shows: the running one when it is the animation, else the first.
  void DrawAnimation(HDC dc, const char* path, const RECT& box, const AnimationFrame& animation) const;
  void DrawText(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF color, UINT format) const;

  const HandsetImageSet* m_images = nullptr;
  std::wstring m_installFailedText;
  COLORREF m_accent = RGB(30, 158, 99);
  GdiFont m_titleFont;
  GdiFont m_headingFont;
  GdiFont m_bodyFont;
  GdiFont m_boldBodyFont;
  GdiFont m_labelFont;
  GdiFont m_buttonFont;
  GdiFont m_tabFont;
  GdiBrush m_white;
  GdiBrush m_barBrush;
  GdiBrush m_barTrackBrush;
  GdiBrush m_frameBrush;
  GdiBrush m_detailBrush;
  GdiPen m_managerPen;
};

// Draws a GDI+ image at its natural size centred in `box`; nothing for a missing image.
void DrawImageCentered(HDC dc, Gdiplus::Bitmap* image, const RECT& box);
