#pragma once

#include "kit/BASWindow.h"

// Sent to the parent when a BASStatic is clicked: wParam = the static's control id, lParam 0.
constexpr UINT kStaticClicked = WM_USER + 106;

// A standard static control that tells its parent of a left click.
class BASStatic : public BASWindow {
 public:
  bool Create(HWND parent, const wchar_t* text, const RECT& rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE,
              DWORD exStyle = 0);
  void SetFont(HFONT font);

 protected:
  bool OnLButtonDown(int x, int y, UINT keys) override;
};
