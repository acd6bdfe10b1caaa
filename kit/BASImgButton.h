#pragma once

#include "kit/BASWindow.h"
#include "kit/GdiPlus.h"

#include <memory>
#include <string>

// A push button drawn from images: normal, pressed (also the hover look) and disabled (a grey
// copy of the normal image). With a text it either stretches its images in three slices under
// the text or, as an icon-and-text button, puts the text right of the image. In toggle mode it
// acts as a check box whose on flag picks the image.
//
// The button is an owner-drawn "BUTTON" and draws itself on the WM_DRAWITEM its parent
// reflects, so its parent must be a BASWindow (of any module) that leaves WM_DRAWITEM to its
// children; under any other parent it draws nothing. A click reaches the parent as a posted
// WM_COMMAND (id, BN_CLICKED, button) the moment the left button goes down.
//
// Images are borrowed (normally from the host image cache) and must outlive the button; a
// missing image draws nothing.
class BASImgButton : public BASWindow {
 public:
  static constexpr int kNormal = 0;
  static constexpr int kPressed = 1;
  static constexpr int kHover = 2;
  static constexpr int kDisabled = 3;

  BASImgButton() = default;

  // A visible owner-drawn child; Place sizes and positions it from its images.
  bool Create(HWND parent, UINT id, const RECT& rect = RECT{});
  // Takes the images, sizes the button to the normal image and shows it at
  // (parent client right + offsetX - width, y): offsets count from the parent's right edge.
  void Place(Gdiplus::Bitmap* pressed, int offsetX, Gdiplus::Bitmap* normal, int y);
  // Takes the images without moving the button; the disabled one is made from the normal one.
  void SetImages(Gdiplus::Bitmap* normal, Gdiplus::Bitmap* pressed);

  // Three-slice stretching: the caps keep their width, the middle fills the rest.
  void SetCaps(int left, int right);
  void SetText(const std::wstring& text);
  void SetTextColor(COLORREF color);
  // The image at the left at its natural size and the text centred right of it.
  void SetIconAndText(bool iconAndText);
  // Fills the client area with the colour before the image is drawn.
  void SetBackground(COLORREF color);
  void SetFont(HFONT font);
  void SetToggle(bool toggle);
  void SetOn(bool on);
  bool IsOn() const { return m_on; }
  bool IsToggle() const { return m_toggle; }

  int State() const { return m_state; }
  void SetState(int state);
  // Enables or disables the window; a disabled button is drawn from its disabled image.
  void SetEnabled(bool enabled);

  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int PlacedOffsetX() const { return m_offsetX; }
  int PlacedY() const { return m_y; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnMouseMove(int x, int y, UINT keys) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  bool OnLButtonDblClk(int x, int y, UINT keys) override;
  bool OnLButtonUp(int x, int y, UINT keys) override;
  bool OnMouseHover(int x, int y, UINT keys) override;
  bool OnMouseLeave() override;
  bool OnDrawItem(DRAWITEMSTRUCT& item) override;

 private:
  Gdiplus::Bitmap* CurrentImage() const;
  void Draw(HDC dc, const RECT& client) const;
  void DrawThreeSlice(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image, const RECT& client) const;
  void Invalidate(bool erase) const;

  int m_state = kNormal;
  bool m_tracking = false;
  COLORREF m_textColor = RGB(255, 255, 255);
  Gdiplus::Bitmap* m_normal = nullptr;
  Gdiplus::Bitmap* m_pressed = nullptr;
  std::unique_ptr<Gdiplus::Bitmap> m_disabled;
  int m_leftCap = 0;
  int m_rightCap = 0;
  bool m_iconAndText = false;
  std::wstring m_text;
  int m_width = 0;
  int m_height = 0;
  int m_offsetX = 0;
  int m_y = 0;
  bool m_fillBackground = false;
  COLORREF m_background = RGB(255, 255, 255);
  bool m_toggle = false;
  bool m_on = false;
};
