#include "host/Alert.h"

#include "host/Product.h"

// A system message box until the themed alert dialog takes its place; the size and the
// button text are kept for it.
void ShowAlert(HWND owner, const std::wstring& text, int /*width*/, int /*height*/, const wchar_t* /*button*/) {
  MessageBoxW(owner, text.c_str(), product::DisplayName().c_str(), MB_OK | MB_ICONWARNING | MB_TASKMODAL);
}
