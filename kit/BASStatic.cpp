#include "kit/BASStatic.h"

bool BASStatic::Create(HWND parent, const wchar_t* text, const RECT& rect, UINT id, DWORD style, DWORD exStyle) {
  // Without SS_NOTIFY a static is transparent to the mouse and never sees the click.
  return CreateControl(parent, L"STATIC", text ? text : L"", style | SS_NOTIFY, exStyle, rect, id);
}

void BASStatic::SetFont(HFONT font) {
  if (Hwnd()) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool BASStatic::OnLButtonDown(int, int, UINT) {
  SendMessageW(GetParent(Hwnd()), kStaticClicked, static_cast<WPARAM>(GetDlgCtrlID(Hwnd())), 0);
  return true;
}
