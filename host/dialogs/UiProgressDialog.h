// UiProgressDialog: the modeless dialog of one running device operation. The device
// service's threads set its counters, text and finish; its 500 ms timer picks them up on the
// UI thread, redraws, and at the end either closes by itself or waits for OK.
//
// A controller runs it as: Reset, SetShowFolder / SetCloseByItself / SetFolder, SetTotal,
// SetText, Start, then SetCancelHandler with the task ID the service returned.
#pragma once

#include <cstdint>
#include <string>

#include "host/dialogs/ProgressState.h"
#include "kit/UiDialog.h"

class UiProgressDialog : public UiDialog {
 public:
  // (owner window, task ID low word, task ID high word).
  typedef void (*CancelHandler)(HWND owner, uint32_t taskLow, uint32_t taskHigh);

  static constexpr int kFolderId = 5051;
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 150;
  static constexpr UINT_PTR kRedrawTimer = 1;
  static constexpr UINT_PTR kHideTimer = 2;
  static constexpr UINT kRedrawMs = 500;
  // How long "Finish" stays on the screen before a dialog that closes by itself goes.
  static constexpr UINT kHideDelayMs = 500;
  static constexpr COLORREF kBarFrameColor = RGB(221, 221, 221);

  UiProgressDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed);
  ~UiProgressDialog() override;

  // UI thread. Zero counters and texts, clear finished and closed, "Show in folder" on,
  // close-by-itself off, "Cancel" back, no cancel handler.
  void Reset() override;
  void SetFolder(const std::wstring& folder) { m_folder = folder; }
  const std::wstring& Folder() const { return m_folder; }
  void SetShowFolder(bool show) { m_showFolder = show; }
  void SetCloseByItself(bool close) { m_closeByItself = close; }
  bool ShowsFolder() const { return m_showFolder; }
  bool ClosesByItself() const { return m_closeByItself; }
  // Shows the dialog, disables its owner and starts the redraw timer.
  void Start();
  void SetCancelHandler(CancelHandler handler, HWND window, uint64_t taskId);

  // Any thread.
  void SetTotal(int32_t total) { m_state.SetTotal(total); }
  void SetPosition(int32_t position) { m_state.SetPosition(position); }
  void AddFailed(int32_t failed) { m_state.AddFailed(failed); }
  void SetText(const std::wstring& text) { m_state.SetText(text); }
  // The operation ended; the next tick shows it.
  void Finish() override { UiDialog::Finish(); }

  // The host's step after a pane switch: hidden while its owner window is not visible, shown
  // again once it is, unless the dialog is kept hidden.
  void FollowOwner();
  // Closed by the user or by itself (or never started): a pane switch must not bring it back.
  bool IsKeptHidden() const { return IsClosed(); }

  const ProgressState& State() const { return m_state; }
  HWND FolderButton() const { return m_folderButton.Hwnd(); }
  HWND SecondButton() const { return m_secondButton.Hwnd(); }
  const std::wstring& SecondButtonText() const { return m_secondButton.Text(); }
  RECT BarRect() const;
  RECT TextRect() const;

 protected:
  bool OnStart() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnTimer(UINT_PTR id) override;
  void PaintBody(HDC dc, const RECT& body) override;
  // The title close button: hides without cancelling the operation.
  void OnClose() override;
  // Cancel or OK: cancels an operation that has not finished, then hides.
  virtual void OnCancel();
  void LayoutButtons();
  void Tick();
  void StopTimers();

  BASSwitchButton& SecondButtonWindow() { return m_secondButton; }
  ProgressState& MutableState() { return m_state; }

 private:
  ProgressState m_state;
  std::wstring m_folder;
  bool m_showFolder = true;
  bool m_closeByItself = false;
  CancelHandler m_cancelHandler = nullptr;
  HWND m_cancelWindow = nullptr;
  uint64_t m_taskId = 0;
  // What the last paint showed, so a tick repaints only on change.
  ProgressState::Snapshot m_drawn;
  int m_lineHeight = 18;
  GdiBrush m_barBrush;
  GdiPen m_barPen;
  BASSwitchButton m_folderButton;
  BASSwitchButton m_secondButton;
};
