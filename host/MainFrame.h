// CMainFrame: the borderless top-level window. Its creation loads the plug-ins and
// creates the main view over its whole client area.
#pragma once

#include <memory>

#include "host/CThemedShadowWnd.h"
#include "host/MainFrameView.h"
#include "kit/BASWindow.h"

class CMainFrame : public BASWindow {
 public:
  static constexpr wchar_t kClassName[] = L"ZorvaneStewardMainFrame";
  static constexpr UINT kAppExitCommand = 57665;

  static constexpr UINT_PTR kLiveResizeTimer = 1;
  static constexpr UINT kLiveResizeMs = 100;
  static constexpr int kMinWidth = 984;
  static constexpr int kMinHeight = 700;
  // Width of the invisible edge that resizes the borderless frame.
  static constexpr int kResizeEdge = 6;

  bool CreateFrame(const RECT& rect);
  MainFrameView* View() { return m_view.get(); }

  // Maximise to the work area, or back to exactly the rectangle saved before.
  void ToggleMaximised();
  bool IsMaximised() const { return m_maximised; }

 protected:
  bool OnCreate(CREATESTRUCTW* cs) override;
  void OnDestroy() override;
  void OnFinalMessage(HWND hwnd) override;
  void OnSize(int cx, int cy) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnTimer(UINT_PTR id) override;
  void OnPaint(HDC dc, const RECT& client) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  LRESULT HitTest(LPARAM lp);
  void ApplyQueuedSize();

  std::unique_ptr<MainFrameView> m_view;
  CThemedShadowWnd m_shadow;
  RECT m_lastPosition = {};
  RECT m_savedRect = {};
  bool m_maximised = false;
  // The latest rectangle proposed while the user drags an edge; applied by the timer.
  RECT m_queuedSize = {};
  bool m_sizeQueued = false;
  bool m_sizing = false;
};
