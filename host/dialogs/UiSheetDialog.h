// UiSheetDialog: the one-line notice strip that slides down under the main window's title
// bar. Its text is a link; a click runs the notice's action, if it has one, and closes it.
// The strip stays put over its owner: it follows the owner's top-level window when that
// moves, and FollowOwner is called when the owner is resized.
#pragma once

#include <functional>
#include <string>

#include "kit/UiDialog.h"

class UiSheetDialog : public UiDialog {
 public:
  static constexpr int kLinkId = 5051;
  static constexpr int kHeight = 40;
  static constexpr int kStep = kHeight / 5;
  static constexpr int kTitleBarHeight = 68;
  static constexpr UINT_PTR kSlideTimer = 1;
  static constexpr UINT kSlideMs = 50;
  static constexpr COLORREF kBackground = RGB(255, 255, 210);
  static constexpr COLORREF kBorder = RGB(127, 127, 127);

  UiSheetDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed);
  ~UiSheetDialog() override;

  // UI thread. The notice, shown as a link.
  void SetText(const std::wstring& text);
  const std::wstring& Text() const { return m_text; }
  // Run on a click of the notice; empty for none.
  void SetClickAction(std::function<void()> action) { m_action = std::move(action); }
  // SW_SHOW slides the strip in (or, when it is open, restarts the slide timer with the
  // strip as it is); SW_HIDE closes it. The owner stays enabled either way.
  void Show(int command) override;
  // x = owner left, y = owner top + 68, width = owner width, keeping the current height.
  void FollowOwner();

  int CurrentHeight() const { return m_currentHeight; }
  bool IsFullyOpen() const { return m_currentHeight >= kHeight && m_linkShown; }
  HWND Link() const { return m_link; }

  // The link ends 8 pixels short of the close button (20 wide, 8 from the right edge), which it
  // would otherwise cover.
  int LinkWidth() const { return Width() - 16 - kCloseRoom; }
  static constexpr int kCloseRoom = 8 + 20 + 8;

  // The strip's height after one step of the slide from `height`.
  static int NextHeight(int height) { return height + kStep > kHeight ? kHeight : height + kStep; }
  // The notice as one anchor: "<A>" + notice + "</A>".
  static std::wstring LinkMarkup(const std::wstring& text);

 protected:
  bool OnStart() override;
  void PlaceWindow() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool OnTimer(UINT_PTR id) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  void OnPaint(HDC dc, const RECT& client) override;
  HBRUSH ControlBrush(HDC dc, HWND control) override;
  void OnClose() override;
  int ShadowSize() const override { return 2; }
  int CloseButtonTop() const override { return 8; }

 private:
  static LRESULT CALLBACK TopLevelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR refData);
  void Slide();
  void ShowContent(bool shown);
  void Close();

  std::wstring m_text;
  std::function<void()> m_action;
  HWND m_link = nullptr;
  HWND m_watched = nullptr;
  bool m_linkShown = false;
  int m_currentHeight = kStep;
  GdiFont m_linkFont;
  GdiBrush m_background;
  GdiBrush m_border;
};
