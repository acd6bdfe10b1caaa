#include "host/Alert.h"

#include "host/HostState.h"
#include "host/dialogs/UiAlertDialog.h"

namespace {

int RunAlert(HWND owner, const std::wstring& text, int width, int height, const wchar_t* button, int twoButtons) {
  const ImageCache& images = Host().imageCache;
  UiAlertDialog alert(FindImage(&images, "common\\close-normal.png"), FindImage(&images, "common\\close-pressed.png"),
                      FindImage(&images, "common\\alert.png"), twoButtons);
  alert.SetText(text, button, width, height, owner);
  return static_cast<int>(alert.RunModal());
}

}  // namespace

int ShowAlert(HWND owner, const std::wstring& text, int width, int height, const wchar_t* button) {
  return RunAlert(owner, text, width, height, button, 0);
}

bool ShowConfirm(HWND owner, const std::wstring& text, int width, int height) {
  return RunAlert(owner, text, width, height, nullptr, 1) == UiDialog::kOkId;
}
