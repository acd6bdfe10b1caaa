// CMainFrame: the borderless top-level window. Its creation loads the plug-ins and
// creates the main view over its whole client area.
#pragma once

#include <memory>

#include "host/MainFrameView.h"
#include "kit/BASWindow.h"

class CMainFrame : public BASWindow {
 public:
  static constexpr wchar_t kClassName[] = L"ZorvaneStewardMainFrame";
  static constexpr UINT kAppExitCommand = 57665;

  bool CreateFrame(const RECT& rect);
  MainFrameView* View() { return m_view.get(); }

 protected:
  bool OnCreate(CREATESTRUCTW* cs) override;
  void OnDestroy() override;
  void OnSize(int cx, int cy) override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnPaint(HDC dc, const RECT& client) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  std::unique_ptr<MainFrameView> m_view;
  RECT m_lastPosition = {};
};
