#pragma once

#include "kit/BASSwitchButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/caption/DhTitlebarRightWindow.h"
#include "modules/caption/TitlebarTabGroup.h"

#include <string>

struct TitleBarCreatePayload;

// The bar across the top of the main frame: icon and title, the category tabs, and the window
// buttons in its right window. Pressing its surface moves the frame; a double click maximises
// or restores it.
class DhTitlebarDelegate : public BASWindow {
 public:
  static constexpr int kDeviceTabId = 5000;
  static constexpr int kToolkitTabId = 5001;
  static constexpr int kTaskTabId = 5002;
  static constexpr int kRightWindowX = 730;

  // Runs after the window is gone; the owner may delete the bar there.
  typedef void (*FinalHandler)(DhTitlebarDelegate* bar);

  DhTitlebarDelegate() = default;

  bool CreateIn(HWND parent, const TitleBarCreatePayload& payload, FinalHandler onFinal);
  // New width, same height; the right window keeps its width at the new right edge.
  void ChangeSize(int width);
  void UpdateCheckFinished() { m_right.SetUpdateCheckRunning(false); }

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  bool OnLButtonDblClk(int x, int y, UINT keys) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  bool CreateTab(BASSwitchButton& tab, int id, int x, const wchar_t* text);

  FinalHandler m_onFinal = nullptr;
  std::wstring m_title;
  HICON m_icon = nullptr;       // the host's
  HICON m_smallIcon = nullptr;  // ours, made from the host's resource
  COLORREF m_titleColor = 0;
  COLORREF m_background = 0;
  COLORREF m_categoryBackground = 0;
  GdiBrush m_backgroundBrush;
  GdiBrush m_partBrush;
  GdiFont m_titleFont;
  GdiFont m_tabFont;
  // After the fonts: the tabs are destroyed first.
  DhTitlebarRightWindow m_right;
  BASSwitchButton m_tabs[3];
  TitlebarTabGroup m_group;
};
