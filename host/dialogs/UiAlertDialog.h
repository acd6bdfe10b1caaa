// UiAlertDialog: a modal message with the alert icon, OK and, for questions, Cancel.
// RunModal answers kOkId (5051) for OK and kCancelId (5052) for Cancel or any close.
#pragma once

#include <string>

#include "kit/UiDialog.h"
#include "kit/BASSwitchButton.h"

class UiAlertDialog : public UiDialog {
 public:
  static constexpr int kButtonGap = 10;

  // `twoButtons` 1 adds Cancel; `reserved` is always 0.
  UiAlertDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed, Gdiplus::Bitmap* icon, int twoButtons,
                int reserved = 0);
  ~UiAlertDialog() override;

  // The message, the OK button's text (null keeps "OK"), the size and the window to centre on.
  void SetText(const std::wstring& message, const wchar_t* okText, int width, int height, HWND owner);
  void SetMessage(const std::wstring& message) { m_message = message; }

  // Over the owner given with SetText.
  INT_PTR RunModal() { return UiDialog::RunModal(m_centreOwner); }
  using UiDialog::RunModal;

  const std::wstring& Message() const { return m_message; }
  const std::wstring& OkText() const { return m_okText; }
  bool IsAccepted() const { return m_accepted; }
  bool HasTwoButtons() const { return m_twoButtons; }
  HWND OkButton() const { return m_ok.Hwnd(); }
  HWND CancelButton() const { return m_cancel.Hwnd(); }

  // Where the message is drawn in a dialog of `width` whose buttons start at `buttonsTop`:
  // right of the icon (from x 20 without one), from y 40, 20 pixels short of the right edge.
  static RECT MessageRect(int width, int iconWidth, int buttonsTop);

 protected:
  bool OnStart() override;
  void GrowToFitMessage();
  bool OnCommand(int id, int code, HWND control) override;
  void PaintBody(HDC dc, const RECT& body) override;
  // Cancel at the bottom right, OK left of it (or in its place when alone).
  virtual void LayoutButtons();

  virtual void OnOk();

  BASSwitchButton& OkButtonWindow() { return m_ok; }
  BASSwitchButton& CancelButtonWindow() { return m_cancel; }
  Gdiplus::Bitmap* Icon() const { return m_icon; }

 private:
  Gdiplus::Bitmap* m_icon;
  bool m_twoButtons;
  std::wstring m_message;
  std::wstring m_okText = L"OK";
  bool m_accepted = false;
  HWND m_centreOwner = nullptr;
  BASSwitchButton m_ok;
  BASSwitchButton m_cancel;
};
