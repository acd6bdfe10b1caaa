// CMainFrame: the borderless top-level window. Its creation loads the plug-ins and
// creates the main view over its whole client area.
#pragma once

#include <memory>

#include "contracts/MessageLoop.h"
#include "kit/CThemedShadowWnd.h"
#include "host/MainFrameView.h"
#include "kit/BASWindow.h"

class CMainFrame : public BASWindow, public CMessageFilter {
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

  // A press on the frame's edge starts resizing, whichever pane lies under it; Escape closes
  // the dialog that blocks the frame.
  BOOL PreTranslateMessage(MSG* msg) override;
  // The visible dialog over the frame that takes its input, or null.
  HWND BlockingDialog() const;

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
  void QueueSize(const RECT& rect);
  bool BelongsToFrame(HWND hwnd) const;
  void BeginEdgeDrag(LRESULT edge, POINT screen);
  void DragEdgeTo(POINT screen);
  void EndEdgeDrag();
  bool SetEdgeCursor();
  // Owned popups stay above the frame even where the window system lets a click on the frame
  // raise it over them.
  void KeepPopupsAbove();
  void RequestKeepPopupsAbove();
  // Panes lay themselves out by posted commands after a size change, and some move their
  // children without redrawing them; once the queue is through, everything is painted again
  // (timer messages come only when nothing else is queued).
  void RequestRepaintAll();

  static constexpr UINT kKeepPopupsAboveMessage = WM_APP + 1;
  static constexpr UINT_PTR kKeepAboveTimer = 2;
  static constexpr UINT kKeepAboveMs = 100;
  static constexpr int kKeepAboveChecks = 10;
  static constexpr UINT_PTR kRepaintTimer = 3;
  static constexpr UINT kRepaintMs = 10;

  std::unique_ptr<MainFrameView> m_view;
  CThemedShadowWnd m_shadow;
  RECT m_lastPosition = {};
  RECT m_savedRect = {};
  bool m_maximised = false;
  // The latest rectangle proposed while the user drags an edge; applied by the timer.
  RECT m_queuedSize = {};
  bool m_sizeQueued = false;
  bool m_sizing = false;
  // The edge being dragged (HTNOWHERE when none), where the drag began and the frame then.
  LRESULT m_dragEdge = HTNOWHERE;
  POINT m_dragStart = {};
  RECT m_dragRect = {};
  bool m_raisePosted = false;
  int m_keepAboveTicks = 0;
};
