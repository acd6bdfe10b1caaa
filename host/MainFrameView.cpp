#include "host/MainFrameView.h"

#include <cstring>

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/ThemeImages.h"
#include "host/UiRouter.h"
#include "kit/GdiHandles.h"

bool MainFrameView::CreateView(HWND frame, const RECT& rect) {
  return Create(frame, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect);
}

bool MainFrameView::OnCreate(CREATESTRUCTW* cs) {
  CommandBus& bus = CommandBus::Instance();
  HostState& host = Host();
  bus.SelfRegister(GetModuleHandleW(nullptr));
  FillHandlerTable(bus);
  host.windows[kWindowMainView] = Hwnd();
  LoadThemeImages(host.imageCache, kPreloadedImages, kPreloadedImageCount);

  m_size = {cs->cx, cs->cy};
  m_edgeBrush.Reset(CreateSolidBrush(RGB(127, 127, 127)));
  m_logo = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(128), IMAGE_ICON, 128, 128, 0));
  host.icons["LOGO_ICON"] = m_logo;

  CommandRecord record;
  record.window = Hwnd();
  bus.Post(kMainCreateWindow, &record);
  PostToRouter(kCourierStartServer, 0);
  return true;
}

void MainFrameView::OnSize(int cx, int cy) {
  InvalidateRect(Hwnd(), nullptr, FALSE);
  m_size.width = static_cast<int16_t>(cx);
  m_size.height = static_cast<int16_t>(cy);
  CommandRecord record;
  record.data = &m_size;
  CommandBus::Instance().Post(kMainChangeSize, &record);
}

bool MainFrameView::OnTimer(UINT_PTR id) {
  if (id != kUpdateCheckTimer) return false;
  KillTimer(Hwnd(), kUpdateCheckTimer);
  CommandRecord record;
  CommandBus::Instance().Send(kCourierCheckForUpdate, &record);
  return true;
}

void MainFrameView::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  FrameRect(dc, &client, m_edgeBrush.Get());
}

LRESULT MainFrameView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg != kPaneMessage) return 0;
  handled = true;
  HandleRouterMessage(wp, lp);
  return 0;
}
