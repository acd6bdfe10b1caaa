// UiUpdateListDialog: the release notes of every newer version, a link to the full version
// history, and the choice between "Remind Me Later" and "Update Now". Created once, hidden, with
// the main window; the update flow fills and shows it.
#pragma once

#include <functional>
#include <string>

#include "kit/BASEdit.h"
#include "kit/UiDialog.h"

class UiUpdateListDialog : public UiDialog {
 public:
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 360;
  static constexpr int kLinkId = 5051;
  static constexpr int kRemindId = 5052;
  static constexpr int kUpdateId = 5053;
  static constexpr int kNotesId = 5054;
  static constexpr int kHeaderHeight = 280;
  static constexpr int kTextLeft = 40;
  static constexpr COLORREF kFrameColor = RGB(221, 221, 221);
  // The "Update Now" colours when the settings name none: an orange that stands out from the
  // title colour of the other buttons.
  static constexpr COLORREF kDefaultUpdateNormal = RGB(243, 156, 18);
  static constexpr COLORREF kDefaultUpdatePressed = RGB(214, 137, 16);

  UiUpdateListDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed);
  ~UiUpdateListDialog() override;

  // The caret goes to the end, the text is inserted there and scrolled into view.
  void AppendText(const std::wstring& text);
  // Empties the notes for a fresh result.
  void ClearText();
  bool HasText() const { return m_appended; }
  std::wstring NotesText() const;
  void SetUpdateAction(std::function<void()> action) { m_updateAction = std::move(action); }
  // Shown with the focus on "Remind Me Later": Enter does not start a download by accident.
  void Show(int command) override;

  HWND Notes() const { return m_notes.Hwnd(); }
  HWND Link() const { return m_link; }
  HWND RemindButton() const { return m_remind.Hwnd(); }
  HWND UpdateButton() const { return m_update.Hwnd(); }
  const std::wstring& HistoryUrl() const { return m_history; }

 protected:
  bool OnStart() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnPaint(HDC dc, const RECT& client) override;
  void PaintBody(HDC dc, const RECT& body) override;
  HBRUSH ControlBrush(HDC dc, HWND control) override;
  void OnClose() override;

 private:
  std::wstring m_history;
  std::wstring m_pending;  // text appended before the window exists
  bool m_appended = false;
  std::function<void()> m_updateAction;
  BASEdit m_notes;
  HWND m_link = nullptr;
  BASSwitchButton m_remind;
  BASSwitchButton m_update;
  GdiFont m_headerFont;
  GdiFont m_bodyFont;
  GdiBrush m_headerBrush;
  GdiBrush m_categoryBrush;
  GdiBrush m_frameBrush;
};
