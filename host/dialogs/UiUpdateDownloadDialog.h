// UiUpdateDownloadDialog: the progress of the installer's download. Cancel runs the download's
// cancel action; at the end it keeps the verified installer's path for the exit, or shows why
// the download failed and waits for OK.
#pragma once

#include <functional>
#include <string>

#include "host/dialogs/UiProgressDialog.h"

class UiUpdateDownloadDialog : public UiProgressDialog {
 public:
  UiUpdateDownloadDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed);
  ~UiUpdateDownloadDialog() override;

  // Also forgets the installer path and the cancel action; "Show in folder" stays off.
  void Reset() override;
  // Run once by Cancel while the download is going; empty for none.
  void SetCancelAction(std::function<void()> action) { m_cancelAction = std::move(action); }
  bool HasCancelAction() const { return static_cast<bool>(m_cancelAction); }

  // The download ended well: keep `path`, say that the program closes, and take the button away.
  void Succeed(const std::wstring& path, const std::wstring& text);
  // The download failed: no cancel action, finished, `text` with OK.
  void Fail(const std::wstring& text);
  const std::wstring& InstallerPath() const { return m_installer; }

 protected:
  void OnCancel() override;

 private:
  std::wstring m_installer;
  std::function<void()> m_cancelAction;
};
