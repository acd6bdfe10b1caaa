#include "kit/BASEdit.h"

bool BASEdit::Create(HWND parent, const RECT& rect, UINT id, DWORD style, DWORD exStyle) {
  return CreateControl(parent, L"EDIT", L"", style, exStyle, rect, id);
}

std::wstring BASEdit::Text() const {
  if (!Hwnd()) return std::wstring();
  const int length = GetWindowTextLengthW(Hwnd());
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(Hwnd(), text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void BASEdit::SetText(const std::wstring& text) {
  if (Hwnd()) SetWindowTextW(Hwnd(), text.c_str());
}

void BASEdit::SetFont(HFONT font) {
  if (Hwnd()) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

LRESULT BASEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (!m_onEnter) return 0;
  if (msg == WM_GETDLGCODE) {
    handled = true;
    return DefaultProc(msg, wp, lp) | DLGC_WANTALLKEYS;
  }
  if (msg == WM_KEYDOWN && wp == VK_RETURN) {
    handled = true;
    m_onEnter();
    return 0;
  }
  // The Enter that reaches the box as a character would beep.
  if (msg == WM_CHAR && (wp == L'\r' || wp == L'\n')) {
    handled = true;
    return 0;
  }
  return 0;
}
