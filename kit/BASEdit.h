#pragma once

#include "kit/BASWindow.h"

#include <string>

// A standard edit control in the window base, so its owner gets typed handlers and reflected
// notifications get the default handling.
class BASEdit : public BASWindow {
 public:
  bool Create(HWND parent, const RECT& rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL,
              DWORD exStyle = 0);
  std::wstring Text() const;
  void SetText(const std::wstring& text);
  void SetFont(HFONT font);
};
