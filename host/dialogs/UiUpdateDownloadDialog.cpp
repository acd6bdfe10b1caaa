#include "host/dialogs/UiUpdateDownloadDialog.h"

UiUpdateDownloadDialog::UiUpdateDownloadDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed)
    : UiProgressDialog(closeNormal, closePressed) {}

UiUpdateDownloadDialog::~UiUpdateDownloadDialog() { DestroyDialog(); }

void UiUpdateDownloadDialog::Reset() {
  UiProgressDialog::Reset();
  m_installer.clear();
  m_cancelAction = nullptr;
  SetShowFolder(false);
  SetCloseByItself(false);
  if (Hwnd()) {
    EnableWindow(SecondButton(), TRUE);
    LayoutButtons();
  }
}

void UiUpdateDownloadDialog::Succeed(const std::wstring& path, const std::wstring& text) {
  m_installer = path;
  m_cancelAction = nullptr;
  SetText(text);
  if (Hwnd()) {
    EnableWindow(SecondButton(), FALSE);
    InvalidateRect(Hwnd(), nullptr, FALSE);
  }
}

void UiUpdateDownloadDialog::Fail(const std::wstring& text) {
  m_cancelAction = nullptr;
  // Finished here and not by the timer, which would put "Finish" over the reason.
  StopTimers();
  SetFinished(true);
  SetText(text);
  if (!Hwnd()) return;
  SecondButtonWindow().SetText(L"OK");
  LayoutButtons();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void UiUpdateDownloadDialog::OnCancel() {
  const std::function<void()> action = IsFinished() ? nullptr : m_cancelAction;
  m_cancelAction = nullptr;
  UiProgressDialog::OnCancel();
  if (action) action();
}
