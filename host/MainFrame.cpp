#include "host/MainFrame.h"

#include <windowsx.h>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/HostState.h"
#include "host/PluginLoader.h"
#include "host/Product.h"

bool CMainFrame::CreateFrame(const RECT& rect) {
  return Create(nullptr, kClassName, product::DisplayName().c_str(), WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, rect);
}

bool CMainFrame::OnCreate(CREATESTRUCTW*) {
  HostState& host = Host();
  host.windows[kWindowMainFrame] = Hwnd();
  host.frame = this;
  BASTrace("CMainFrame: %p", static_cast<void*>(Hwnd()));
  LoadAllPlugins(CommandBus::Instance(), &host.imageCache);
  SetWindowTextW(Hwnd(), product::DisplayName().c_str());

  RECT client;
  GetClientRect(Hwnd(), &client);
  m_view = std::make_unique<MainFrameView>();
  if (!m_view->CreateView(Hwnd(), client)) {
    BASTrace("CMainFrame: the main view could not be created");
    return false;
  }
  m_shadow.Attach(Hwnd(), 12);
  GetWindowRect(Hwnd(), &m_lastPosition);
  return true;
}

void CMainFrame::OnSize(int cx, int cy) {
  if (m_sizing || !m_view || !m_view->Hwnd()) return;
  SetWindowPos(m_view->Hwnd(), nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CMainFrame::OnCommand(int id, int, HWND) {
  if (id != static_cast<int>(kAppExitCommand)) return false;
  PostMessageW(Hwnd(), WM_CLOSE, 0, 0);
  return true;
}

void CMainFrame::OnPaint(HDC, const RECT&) {}

void CMainFrame::OnDestroy() { Host().frame = nullptr; }

// The quit message is posted once every child is gone: a child that peeks its own queue
// while it is destroyed could otherwise take the quit message with it.
void CMainFrame::OnFinalMessage(HWND) { PostQuitMessage(0); }

void CMainFrame::ToggleMaximised() {
  m_maximised = !m_maximised;
  if (m_maximised) {
    GetWindowRect(Hwnd(), &m_savedRect);
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    int width = work.right - work.left, height = work.bottom - work.top;
    SetWindowPos(Hwnd(), nullptr, 0, 0, width, height, SWP_SHOWWINDOW | SWP_NOZORDER);
    if (m_view) SetWindowPos(m_view->Hwnd(), nullptr, 0, 0, width, height, SWP_SHOWWINDOW | SWP_NOZORDER);
  } else {
    const RECT& r = m_savedRect;
    SetWindowPos(Hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW | SWP_NOZORDER);
    if (m_view)
      SetWindowPos(m_view->Hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_SHOWWINDOW | SWP_NOZORDER);
  }
}

bool CMainFrame::OnTimer(UINT_PTR id) {
  if (id != kLiveResizeTimer) return false;
  ApplyQueuedSize();
  if (!m_sizing) KillTimer(Hwnd(), kLiveResizeTimer);
  return true;
}

void CMainFrame::ApplyQueuedSize() {
  if (!m_sizeQueued || !m_view) return;
  m_sizeQueued = false;
  // The frame has no border: its window rectangle is its client size.
  int width = m_queuedSize.right - m_queuedSize.left, height = m_queuedSize.bottom - m_queuedSize.top;
  SetWindowPos(m_view->Hwnd(), nullptr, 0, 0, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// A frame without a border still resizes from its edges and corners.
LRESULT CMainFrame::HitTest(LPARAM lp) {
  if (m_maximised) return HTCLIENT;
  POINT pt = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  RECT r;
  GetWindowRect(Hwnd(), &r);
  bool left = pt.x < r.left + kResizeEdge, right = pt.x >= r.right - kResizeEdge;
  bool top = pt.y < r.top + kResizeEdge, bottom = pt.y >= r.bottom - kResizeEdge;
  if (top && left) return HTTOPLEFT;
  if (top && right) return HTTOPRIGHT;
  if (bottom && left) return HTBOTTOMLEFT;
  if (bottom && right) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCLIENT;
}

LRESULT CMainFrame::HandleMessage(UINT msg, WPARAM, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_NCHITTEST:
      handled = true;
      return HitTest(lp);
    case WM_GETMINMAXINFO: {
      auto* info = reinterpret_cast<MINMAXINFO*>(lp);
      info->ptMinTrackSize = {kMinWidth, kMinHeight};
      handled = true;
      return 0;
    }
    case WM_ENTERSIZEMOVE:
      m_sizing = true;
      return 0;
    case WM_EXITSIZEMOVE:
      m_sizing = false;
      ApplyQueuedSize();
      return 0;
    case WM_SIZING:
      // Laying out every pane on each mouse move is slow; the timer applies the latest size.
      m_queuedSize = *reinterpret_cast<RECT*>(lp);
      m_sizeQueued = true;
      SetTimer(Hwnd(), kLiveResizeTimer, kLiveResizeMs, nullptr);
      return 0;
    case WM_CLOSE:
      handled = true;
      DestroyWindow(Hwnd());
      return 0;
    case WM_MOVE:
      GetWindowRect(Hwnd(), &m_lastPosition);
      return 0;
  }
  return 0;
}
