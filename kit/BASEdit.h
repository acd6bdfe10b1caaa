#pragma once

#include "kit/BASWindow.h"

#include <functional>
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
  // Enter in the box runs `onEnter` instead of reaching a dialog's default button; the box
  // then takes every key in a dialog, as a search box should.
  void SetEnterHandler(std::function<void()> onEnter) { m_onEnter = std::move(onEnter); }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  std::function<void()> m_onEnter;
};
