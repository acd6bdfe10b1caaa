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
