#pragma once

#include "kit/BASSwitchButton.h"
#include "kit/GdiPlus.h"

#include <memory>
#include <string>

// A flat switch button with an icon above or left of its text and an optional small corner
// image (a toolbar button, a device tab with its remove mark). Unlike the text switch button,
// pressing it while it is selected posts nothing, except that a press on the corner image of a
// selected button goes to the system's button handling, so the parent gets the system's
// BN_CLICKED when the button is released and can ask CornerHit() which part was meant.
//
// Icons and corner images are borrowed and must outlive the button; the disabled icon is a grey
// copy the button owns. The parent must reflect WM_DRAWITEM, as for BASSwitchButton.
class BASSwitchImageButton : public BASSwitchButton {
 public:
  static constexpr int kIconAbove = 1;
  static constexpr int kIconLeft = 2;

  BASSwitchImageButton();

  // Normal and selected fills (black text on both), the icons and the text, laid out and shown
  // at (x, y); a negative x counts from the parent's right edge.
  void Place(COLORREF normalFill, COLORREF selectedFill, Gdiplus::Bitmap* icon, Gdiplus::Bitmap* selectedIcon,
             const std::wstring& text, int x, int y = 8);

  void SetIcons(Gdiplus::Bitmap* icon, Gdiplus::Bitmap* selectedIcon);
  void SetCornerImages(Gdiplus::Bitmap* corner, Gdiplus::Bitmap* selectedCorner);
  void SetLayout(int layout);
  void SetGap(int gap);
  void SetHoverEnabled(bool enabled) { m_hoverEnabled = enabled; }
  // A dotted line at the right edge, between neighbouring tabs.
  void SetSeparator(bool separator);

  int LayoutKind() const { return m_layout; }
  POINT IconPosition() const { return m_iconPos; }
  RECT TextRect() const { return m_textRect; }
  RECT CornerRect() const { return m_cornerRect; }
  // Whether the last press lay on the corner image.
  bool CornerHit() const { return m_cornerHit; }

 protected:
  SIZE Layout(SIZE textExtent) override;
  void Draw(HDC dc, const RECT& client) const override;
  bool HoverEnabled() const override { return m_hoverEnabled; }
  bool OnLButtonDown(int x, int y, UINT keys) override;

 private:
  int m_layout = kIconAbove;
  Gdiplus::Bitmap* m_icon = nullptr;
  Gdiplus::Bitmap* m_selectedIcon = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> m_disabledIcon;
  Gdiplus::Bitmap* m_corner = nullptr;
  Gdiplus::Bitmap* m_selectedCorner = nullptr;
  int m_gap = 4;
  bool m_hoverEnabled = true;
  bool m_separator = false;
  POINT m_iconPos{0, 0};
  RECT m_textRect{0, 0, 0, 0};
  POINT m_cornerPos{0, 0};
  RECT m_cornerRect{0, 0, 0, 0};
  bool m_cornerHit = false;
};
