#pragma once

#include "kit/BASWindow.h"

#include <string>

// A flat text button, square or rounded, coloured by its state; as a group member it is one
// tab of a tab group and stays selected until its owner resets it (the button never leaves the
// selected state by itself). Pressing it selects it and posts WM_COMMAND (id, BN_CLICKED,
// button) to the parent at once, also when it already was selected: owners of a group ignore
// repeated presses themselves.
//
// The button is an owner-drawn "BUTTON" and draws itself on the WM_DRAWITEM its parent
// reflects, so its parent must be a BASWindow (of any module) that leaves WM_DRAWITEM to its
// children; under any other parent it draws nothing.
class BASSwitchButton : public BASWindow {
 public:
  static constexpr int kNormal = 0;
  static constexpr int kSelected = 1;
  static constexpr int kHover = 2;
  static constexpr int kDisabled = 3;
  // Border colour meaning "the fill colour of the current state".
  static constexpr COLORREF kBorderAsFill = CLR_INVALID;

  BASSwitchButton() = default;

  // A visible owner-drawn child; SetText or Place sizes it.
  bool Create(HWND parent, UINT id, const RECT& rect = RECT{});
  // Normal fill with white text, selected and hover fill with black text, the text, then
  // shown at (x, y); a negative x counts from the parent's right edge.
  void Place(COLORREF normalFill, COLORREF selectedFill, int x, int y, const std::wstring& text);

  // Stores the text and sizes the button to it with the button's font and margins.
  void SetText(const std::wstring& text);
  const std::wstring& Text() const { return m_text; }
  // Not owned; set it before the text, which is measured with it.
  void SetFont(HFONT font);
  void SetNormalColors(COLORREF fill, COLORREF text);
  void SetSelectedColors(COLORREF fill, COLORREF text);
  void SetDisabledColors(COLORREF fill, COLORREF text);
  void SetBorderColor(COLORREF color);
  // Margins on each side of the content; the button is sized again.
  void SetMargins(int x, int y);
  // Ellipse width and height of the corners, as RoundRect takes them.
  void SetRounded(bool rounded, int radiusX = 9, int radiusY = 9);
  void SetGroupMember(bool member) { m_groupMember = member; }
  bool IsGroupMember() const { return m_groupMember; }

  int State() const { return m_state; }
  void SetState(int state);
  // Enables or disables the window; disabled is state 3, which hover and presses leave alone.
  void SetEnabled(bool enabled);

  // Moves the button; a negative x counts from the parent's right edge.
  void MoveTo(int x, int y);
  int X() const { return m_x; }
  int Y() const { return m_y; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }

 protected:
  struct FaceColors {
    COLORREF fill;
    COLORREF text;
  };

  // Size of the whole button for a text of this extent.
  virtual SIZE Layout(SIZE textExtent);
  virtual void Draw(HDC dc, const RECT& client) const;
  virtual bool HoverEnabled() const { return true; }

  FaceColors ColorsOfState() const;
  void FillFace(HDC dc, const RECT& client, COLORREF fill) const;
  void DrawLabel(HDC dc, RECT rect, COLORREF color) const;
  // Measures the text again and resizes, after anything the layout depends on changed.
  void Relayout();
  void PostClick() const;
  void Invalidate(bool erase) const;

  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnMouseMove(int x, int y, UINT keys) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  bool OnLButtonDblClk(int x, int y, UINT keys) override;
  bool OnMouseHover(int x, int y, UINT keys) override;
  bool OnMouseLeave() override;
  bool OnDrawItem(DRAWITEMSTRUCT& item) override;

  int m_state = kNormal;
  bool m_tracking = false;
  int m_x = 0;
  int m_y = 0;
  bool m_groupMember = true;
  FaceColors m_normal{RGB(255, 255, 255), RGB(0, 0, 0)};
  FaceColors m_selected{RGB(195, 195, 195), RGB(0, 0, 0)};
  FaceColors m_disabled{RGB(127, 127, 127), RGB(255, 255, 255)};
  int m_marginX = 10;
  int m_marginY = 10;
  bool m_rounded = false;
  int m_radiusX = 9;
  int m_radiusY = 9;
  COLORREF m_border = kBorderAsFill;
  std::wstring m_text;
  int m_width = 0;
  int m_height = 0;

 private:
  SIZE MeasureText() const;
};
