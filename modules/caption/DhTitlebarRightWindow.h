#pragma once

#include "kit/BASImgButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"

// The right end of the title bar: home page, help, settings menu, minimise, maximise or restore
// and close, with an etched separator right of the help button.
class DhTitlebarRightWindow : public BASWindow {
 public:
  static constexpr int kMinimiseId = 5050;
  static constexpr int kCloseId = 5051;
  static constexpr int kSettingsId = 5052;
  static constexpr int kHomeId = 5054;
  static constexpr int kHelpId = 5055;
  static constexpr int kMaximiseId = 5058;
  static constexpr int kRestoreId = 5059;
  static constexpr int kHeight = 40;

  DhTitlebarRightWindow() = default;

  bool CreateIn(HWND bar, const RECT& rect);
  // Maximise and restore swap places; the host resizes the frame.
  void ToggleMaximised();
  bool IsMaximised() const { return m_maximised; }
  // The host reports the end of an update check; until then the menu entry stays disabled.
  void SetUpdateCheckRunning(bool running) { m_updateCheckRunning = running; }
  bool IsUpdateCheckRunning() const { return m_updateCheckRunning; }

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  bool CreateButton(BASImgButton& button, int id, const char* normal, const char* pressed, int offsetX);
  void ShowSettingsMenu();
  void RunMenuChoice(UINT id);

  COLORREF m_background = 0;
  GdiBrush m_backgroundBrush;
  GdiPen m_separatorLeft;
  GdiPen m_separatorRight;
  int m_separatorX = 0;
  bool m_maximised = false;
  // The host checks for updates at start-up, so a check is running when the bar appears.
  bool m_updateCheckRunning = true;
  BASImgButton m_close;
  BASImgButton m_maximise;
  BASImgButton m_restore;
  BASImgButton m_minimise;
  BASImgButton m_settings;
  BASImgButton m_help;
  BASImgButton m_home;
};
