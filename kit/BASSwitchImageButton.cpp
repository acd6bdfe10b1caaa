#include "kit/BASSwitchImageButton.h"

#include "contracts/cornerstone/Cornerstone.h"

#include <algorithm>

namespace {

int ImageWidth(Gdiplus::Bitmap* image) { return image ? static_cast<int>(image->GetWidth()) : 0; }
int ImageHeight(Gdiplus::Bitmap* image) { return image ? static_cast<int>(image->GetHeight()) : 0; }

// At its pixel size: DrawImage(image, x, y) would scale by the file's DPI.
void DrawNatural(HDC dc, Gdiplus::Bitmap* image, POINT at) {
  if (!image) return;
  const int width = ImageWidth(image);
  const int height = ImageHeight(image);
  // One graphics per image: GDI text drawn in between must not be covered by a later flush.
  Gdiplus::Graphics graphics(dc);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.DrawImage(image, Gdiplus::Rect(at.x, at.y, width, height), 0, 0, width, height, Gdiplus::UnitPixel);
}

}  // namespace

BASSwitchImageButton::BASSwitchImageButton() { m_disabled = {RGB(127, 127, 127), RGB(89, 89, 89)}; }

void BASSwitchImageButton::Place(COLORREF normalFill, COLORREF selectedFill, Gdiplus::Bitmap* icon,
                                 Gdiplus::Bitmap* selectedIcon, const std::wstring& text, int x, int y) {
  m_normal = {normalFill, RGB(0, 0, 0)};
  m_selected = {selectedFill, RGB(0, 0, 0)};
  m_icon = icon;
  m_selectedIcon = selectedIcon;
  m_disabledIcon.reset(BASUtilityImage::ConvertToGray(icon));
  SetText(text);
  MoveTo(x, y);
  if (Hwnd()) ShowWindow(Hwnd(), SW_SHOWNA);
}

void BASSwitchImageButton::SetIcons(Gdiplus::Bitmap* icon, Gdiplus::Bitmap* selectedIcon) {
  m_icon = icon;
  m_selectedIcon = selectedIcon;
  m_disabledIcon.reset(BASUtilityImage::ConvertToGray(icon));
  Relayout();
}

void BASSwitchImageButton::SetCornerImages(Gdiplus::Bitmap* corner, Gdiplus::Bitmap* selectedCorner) {
  m_corner = corner;
  m_selectedCorner = selectedCorner;
  Relayout();
}

void BASSwitchImageButton::SetLayout(int layout) {
  m_layout = layout == kIconLeft ? kIconLeft : kIconAbove;
  Relayout();
}

void BASSwitchImageButton::SetGap(int gap) {
  m_gap = std::max(0, gap);
  Relayout();
}

void BASSwitchImageButton::SetSeparator(bool separator) {
  m_separator = separator;
  Invalidate(false);
}

// Every position comes from the margins again, never from the previous layout.
SIZE BASSwitchImageButton::Layout(SIZE text) {
  const int iconWidth = ImageWidth(m_icon);
  const int iconHeight = ImageHeight(m_icon);
  const int mx = m_marginX;
  const int my = m_marginY;
  SIZE content{0, 0};
  POINT textAt{0, 0};
  if (m_layout == kIconAbove) {
    content.cx = std::max<int>(iconWidth, text.cx);
    if (text.cx > iconWidth) {
      m_iconPos = {mx + (text.cx - iconWidth) / 2, my};
      textAt.x = mx;
    } else {
      m_iconPos = {mx, my};
      textAt.x = mx + (iconWidth - text.cx) / 2;
    }
    textAt.y = my + iconHeight + m_gap;
    content.cy = iconHeight + m_gap + text.cy;
  } else {
    m_iconPos = {mx, my};
    textAt.x = mx + iconWidth + m_gap;
    if (iconHeight >= text.cy) {
      textAt.y = my + (iconHeight - text.cy) / 2;
      content.cy = iconHeight;
    } else {
      textAt.y = my;
      content.cy = text.cy;
    }
    content.cx = iconWidth + m_gap + text.cx;
  }
  m_textRect = {textAt.x, textAt.y, textAt.x + text.cx, textAt.y + text.cy};
  const SIZE size{content.cx + 2 * mx, content.cy + 2 * my};
  if (m_corner) {
    m_cornerPos = {size.cx - ImageWidth(m_corner) - 4, 2};
    m_cornerRect = {m_cornerPos.x, m_cornerPos.y, m_cornerPos.x + ImageWidth(m_corner),
                    m_cornerPos.y + ImageHeight(m_corner)};
  } else {
    m_cornerPos = {0, 0};
    m_cornerRect = {0, 0, 0, 0};
  }
  return size;
}

bool BASSwitchImageButton::OnLButtonDown(int x, int y, UINT) {
  const POINT at{x, y};
  m_cornerHit = PtInRect(&m_cornerRect, at) != FALSE;
  if (m_state == kSelected) return !m_cornerHit;
  if (m_state == kDisabled) return true;
  m_state = kSelected;
  PostClick();
  Invalidate(false);
  return true;
}

void BASSwitchImageButton::Draw(HDC dc, const RECT& client) const {
  FaceColors colors = m_normal;
  Gdiplus::Bitmap* icon = m_icon;
  Gdiplus::Bitmap* corner = m_corner;
  if (m_state == kSelected || m_state == kHover) {
    colors = m_selected;
    icon = m_selectedIcon;
    corner = m_selectedCorner;
  } else if (m_state == kDisabled) {
    colors = m_disabled;
    icon = m_disabledIcon.get();
  }
  FillFace(dc, client, colors.fill);
  DrawNatural(dc, icon, m_iconPos);
  DrawLabel(dc, m_textRect, colors.text);
  DrawNatural(dc, corner, m_cornerPos);
  if (m_separator) {
    const int x = client.right - 2;
    for (int y = 12; y < client.bottom - 8; y += 2) SetPixelV(dc, x, y, RGB(0, 0, 0));
  }
}
