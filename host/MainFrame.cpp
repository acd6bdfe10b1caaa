#include "host/MainFrame.h"

#include <windowsx.h>

#include <algorithm>
#include <vector>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/FrameEdges.h"
#include "host/HostMessageLoop.h"
#include "host/HostState.h"
#include "host/PluginLoader.h"
#include "host/Product.h"

namespace {

POINT MessagePoint() {
  const DWORD pos = GetMessagePos();
  return POINT{GET_X_LPARAM(pos), GET_Y_LPARAM(pos)};
}

struct DialogSearch {
  HWND frame;
  HWND found;
};

BOOL CALLBACK FindBlockingDialog(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (IsWindowVisible(hwnd) && GetWindow(hwnd, GW_OWNER) == search->frame && lstrcmpW(name, L"#32770") == 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
  return TRUE;
}

}  // namespace

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
  if (HostMessageLoop* loop = HostMessageLoop::ForThread(GetCurrentThreadId())) loop->AddMessageFilter(this);
  return true;
}

void CMainFrame::OnSize(int cx, int cy) {
  if (m_sizing || !m_view || !m_view->Hwnd()) return;
  SetWindowPos(m_view->Hwnd(), nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
  RequestRepaintAll();
}

void CMainFrame::RequestRepaintAll() { SetTimer(Hwnd(), kRepaintTimer, kRepaintMs, nullptr); }

bool CMainFrame::OnCommand(int id, int, HWND) {
  if (id != static_cast<int>(kAppExitCommand)) return false;
  PostMessageW(Hwnd(), WM_CLOSE, 0, 0);
  return true;
}

void CMainFrame::OnPaint(HDC, const RECT&) {}

void CMainFrame::OnDestroy() {
  if (HostMessageLoop* loop = HostMessageLoop::ForThread(GetCurrentThreadId())) loop->RemoveMessageFilter(this);
  Host().frame = nullptr;
}

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
  if (id == kRepaintTimer) {
    KillTimer(Hwnd(), kRepaintTimer);
    if (!IsIconic(Hwnd())) RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    return true;
  }
  if (id == kKeepAboveTimer) {
    KeepPopupsAbove();
    if (++m_keepAboveTicks >= kKeepAboveChecks) KillTimer(Hwnd(), kKeepAboveTimer);
    return true;
  }
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
  RequestRepaintAll();
}

void CMainFrame::QueueSize(const RECT& rect) {
  // Laying out every pane on each mouse move is slow; the timer applies the latest size.
  m_queuedSize = rect;
  m_sizeQueued = true;
  SetTimer(Hwnd(), kLiveResizeTimer, kLiveResizeMs, nullptr);
}

// A frame without a border still resizes from its edges and corners.
LRESULT CMainFrame::HitTest(LPARAM lp) {
  // Minimised, the frame is only its caption: a double click restores it.
  if (IsIconic(Hwnd())) return HTCAPTION;
  if (m_maximised) return HTCLIENT;
  RECT r;
  GetWindowRect(Hwnd(), &r);
  return frame_edges::EdgeAt(r, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, kResizeEdge);
}

bool CMainFrame::BelongsToFrame(HWND hwnd) const { return hwnd && (hwnd == Hwnd() || IsChild(Hwnd(), hwnd)); }

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
  switch (msg->message) {
    case WM_LBUTTONUP:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
      // A click on the frame while a dialog blocks it brings the dialog forward again, after
      // whatever the window system raised for the click.
      if (BelongsToFrame(msg->hwnd) && BlockingDialog()) RequestKeepPopupsAbove();
      return FALSE;
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN: {
      if (BelongsToFrame(msg->hwnd) && BlockingDialog()) RequestKeepPopupsAbove();
      // The panes cover the frame and answer "client" for its edge, so the press on the
      // edge is taken here, before it reaches them.
      if (m_maximised || IsIconic(Hwnd()) || m_dragEdge != HTNOWHERE || !BelongsToFrame(msg->hwnd)) return FALSE;
      RECT r;
      GetWindowRect(Hwnd(), &r);
      const LRESULT edge = frame_edges::EdgeAt(r, msg->pt, kResizeEdge);
      if (!frame_edges::IsEdge(edge)) return FALSE;
      BeginEdgeDrag(edge, msg->pt);
      return TRUE;
    }
    case WM_KEYDOWN: {
      if (msg->wParam != VK_ESCAPE) return FALSE;
      const HWND dialog = BlockingDialog();
      if (!dialog) return FALSE;
      if (!BelongsToFrame(msg->hwnd) && msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

void CMainFrame::BeginEdgeDrag(LRESULT edge, POINT screen) {
  m_dragEdge = edge;
  m_dragStart = screen;
  GetWindowRect(Hwnd(), &m_dragRect);
  m_sizing = true;
  SetCapture(Hwnd());
  SetCursor(LoadCursorW(nullptr, frame_edges::CursorFor(edge)));
}

void CMainFrame::DragEdgeTo(POINT screen) {
  const POINT delta = {screen.x - m_dragStart.x, screen.y - m_dragStart.y};
  const RECT r = frame_edges::Resized(m_dragRect, m_dragEdge, delta, SIZE{kMinWidth, kMinHeight});
  SetWindowPos(Hwnd(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  QueueSize(r);
}

void CMainFrame::EndEdgeDrag() {
  if (m_dragEdge == HTNOWHERE) return;
  m_dragEdge = HTNOWHERE;  // first: releasing the capture comes back as WM_CAPTURECHANGED
  m_sizing = false;
  if (GetCapture() == Hwnd()) ReleaseCapture();
  ApplyQueuedSize();
}

bool CMainFrame::SetEdgeCursor() {
  if (m_maximised || IsIconic(Hwnd())) return false;
  LRESULT edge = m_dragEdge;
  if (edge == HTNOWHERE) {
    RECT r;
    POINT pt;
    GetWindowRect(Hwnd(), &r);
    GetCursorPos(&pt);
    edge = frame_edges::EdgeAt(r, pt, kResizeEdge);
  }
  if (!frame_edges::IsEdge(edge)) return false;
  SetCursor(LoadCursorW(nullptr, frame_edges::CursorFor(edge)));
  return true;
}

HWND CMainFrame::BlockingDialog() const {
  // Top first: the thread's windows come in z-order.
  DialogSearch search = {Hwnd(), nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindBlockingDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void CMainFrame::RequestKeepPopupsAbove() {
  // The window system may still raise the frame a little after the click (the X display's
  // focus events under Wine) without telling it, so the order is checked again for a while.
  m_keepAboveTicks = 0;
  SetTimer(Hwnd(), kKeepAboveTimer, kKeepAboveMs, nullptr);
  if (m_raisePosted) return;
  m_raisePosted = PostMessageW(Hwnd(), kKeepPopupsAboveMessage, 0, 0) != FALSE;
}

void CMainFrame::KeepPopupsAbove() {
  std::vector<HWND> windows;  // top first
  EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
  const HWND frame = Hwnd();
  const auto framePos = std::find(windows.begin(), windows.end(), frame);
  // Only popups that ended up beneath the frame move; shown again, so that a window system
  // which restacks only on showing (Wine without a window manager) puts them on top too.
  for (auto it = framePos; it != windows.end(); ++it) {
    if (!IsWindowVisible(*it) || GetWindow(*it, GW_OWNER) != frame) continue;
    // The frame's own shadow shows only outside the frame: beneath it is as good as above.
    if (GetWindowLongW(*it, GWL_EXSTYLE) & WS_EX_TRANSPARENT) continue;
    SetWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    SetWindowPos(*it, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  }
}

LRESULT CMainFrame::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
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
      QueueSize(*reinterpret_cast<RECT*>(lp));
      return 0;
    case WM_SETCURSOR:
      // Children ask their parents first, so the edge shows its cursor over any pane.
      if (!SetEdgeCursor()) return 0;
      handled = true;
      return TRUE;
    case WM_MOUSEMOVE:
      if (m_dragEdge == HTNOWHERE) return 0;
      DragEdgeTo(MessagePoint());
      handled = true;
      return 0;
    case WM_LBUTTONUP:
      if (m_dragEdge == HTNOWHERE) return 0;
      EndEdgeDrag();
      handled = true;
      return 0;
    case WM_CAPTURECHANGED:
      EndEdgeDrag();
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE) RequestKeepPopupsAbove();
      return 0;
    case WM_WINDOWPOSCHANGED:
      if (!(reinterpret_cast<WINDOWPOS*>(lp)->flags & SWP_NOZORDER)) RequestKeepPopupsAbove();
      return 0;
    case kKeepPopupsAboveMessage:
      m_raisePosted = false;
      KeepPopupsAbove();
      handled = true;
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
