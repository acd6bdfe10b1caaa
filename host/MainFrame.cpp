#include "host/MainFrame.h"

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
  GetWindowRect(Hwnd(), &m_lastPosition);
  return true;
}

void CMainFrame::OnSize(int cx, int cy) {
  if (m_view && m_view->Hwnd()) SetWindowPos(m_view->Hwnd(), nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CMainFrame::OnCommand(int id, int, HWND) {
  if (id != static_cast<int>(kAppExitCommand)) return false;
  PostMessageW(Hwnd(), WM_CLOSE, 0, 0);
  return true;
}

void CMainFrame::OnPaint(HDC, const RECT&) {}

void CMainFrame::OnDestroy() { PostQuitMessage(0); }

LRESULT CMainFrame::HandleMessage(UINT msg, WPARAM, LPARAM, bool& handled) {
  switch (msg) {
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
