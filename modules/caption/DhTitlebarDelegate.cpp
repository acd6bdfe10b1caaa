#include "modules/caption/DhTitlebarDelegate.h"

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/caption/CaptionColors.h"
#include "modules/caption/CaptionSupport.h"

#include <algorithm>

namespace {

const wchar_t kClassName[] = L"DhTitlebarDelegate";
constexpr int kTabY = 34;
constexpr int kTabMarginX = 30;
constexpr int kTabMarginY = 8;
constexpr int kTabGap = 2;
constexpr COLORREF kTabDisabledFill = RGB(98, 202, 143);

}  // namespace

bool DhTitlebarDelegate::CreateIn(HWND parent, const TitleBarCreatePayload& payload, FinalHandler onFinal) {
  // Double clicks maximise; erasing is suppressed by the base, so the class needs no brush.
  if (!RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS)) return false;
  m_title = payload.title;
  m_icon = payload.icon;
  // The host's logo is its 128-pixel image; the icon resource also holds a 20-pixel one,
  // which draws crisply where downscaling would lose the outline.
  if (payload.icon)
    m_smallIcon = static_cast<HICON>(CopyImage(payload.icon, IMAGE_ICON, 20, 20, LR_COPYFROMRESOURCE));
  m_onFinal = onFinal;
  return Create(parent, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, payload.rect);
}

bool DhTitlebarDelegate::OnCreate(CREATESTRUCTW*) {
  m_titleColor = UrlColor(kTitleFontKey, kTitleFontDefault);
  m_background = UrlColor(kTitleBackgroundKey, kTitleBackgroundDefault);
  m_backgroundBrush.Reset(CreateSolidBrush(m_background));
  m_partBrush.Reset(CreateSolidBrush(UrlColor(kTitleBackgroundPartKey, kTitleBackgroundPartDefault)));
  m_titleFont.Reset(BASUtilityApp::GetFont(15, true, L"Arial"));
  m_tabFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));

  RECT client{};
  GetClientRect(Hwnd(), &client);
  const RECT rightRect{kRightWindowX, 0, std::max<LONG>(kRightWindowX, client.right), DhTitlebarRightWindow::kHeight};
  if (!m_right.CreateIn(Hwnd(), rightRect)) return false;

  m_categoryBackground = UrlColor(kCategoryBackgroundKey, kCategoryBackgroundDefault);
  const bool taskVisible = UrlInt("task:visible") != 0;
  if (!CreateTab(m_tabs[0], kDeviceTabId, 10, L"My Device")) return false;
  if (!CreateTab(m_tabs[1], kToolkitTabId, m_tabs[0].X() + m_tabs[0].Width() + kTabGap, L"Super Toolkit")) return false;
  if (taskVisible && !CreateTab(m_tabs[2], kTaskTabId, m_tabs[1].X() + m_tabs[1].Width() + kTabGap, L"Task"))
    return false;

  m_tabs[0].SetState(BASSwitchButton::kSelected);
  m_group.Select(m_tabs[0].Hwnd());
  return true;
}

bool DhTitlebarDelegate::CreateTab(BASSwitchButton& tab, int id, int x, const wchar_t* text) {
  if (!tab.Create(Hwnd(), static_cast<UINT>(id))) return false;
  tab.SetFont(m_tabFont.Get());
  tab.SetMargins(kTabMarginX, kTabMarginY);
  tab.SetDisabledColors(kTabDisabledFill, RGB(0, 0, 0));
  tab.Place(m_background, m_categoryBackground, x, kTabY, text);
  m_group.Add(&tab);
  return true;
}

void DhTitlebarDelegate::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_backgroundBrush.Get());
  SelectGuard font(dc, m_titleFont);
  SIZE extent{0, 0};
  GetTextExtentPoint32W(dc, m_title.c_str(), static_cast<int>(m_title.size()), &extent);
  const RECT part{0, 0, extent.cx + 42, 26};
  FillRect(dc, &part, m_partBrush.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, m_titleColor);
  RECT text{32, 6, extent.cx + 32, 26};
  DrawTextW(dc, m_title.c_str(), static_cast<int>(m_title.size()), &text,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (HICON icon = m_smallIcon ? m_smallIcon : m_icon) DrawIconEx(dc, 4, 4, icon, 20, 20, 0, nullptr, DI_NORMAL);
}

bool DhTitlebarDelegate::OnCommand(int id, int code, HWND control) {
  if (code != BN_CLICKED || id < kDeviceTabId || id > kTaskTabId) return false;
  if (m_group.Press(control)) PostCommandToHost(kCaptionChangeType, id - kDeviceTabId);
  return true;
}

bool DhTitlebarDelegate::OnLButtonDown(int x, int y, UINT) {
  // The system's own move loop, as if the press were on a caption of the frame.
  POINT screen{x, y};
  ClientToScreen(Hwnd(), &screen);
  ReleaseCapture();
  PostMessageW(TopLevelOwnerOf(Hwnd()), WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(screen.x, screen.y));
  return true;
}

bool DhTitlebarDelegate::OnLButtonDblClk(int, int, UINT) {
  m_right.ToggleMaximised();
  return true;
}

LRESULT DhTitlebarDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC) {
    SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
    handled = true;
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

void DhTitlebarDelegate::ChangeSize(int width) {
  if (!Hwnd()) return;
  width = std::max(0, width);
  RECT client{};
  GetClientRect(Hwnd(), &client);
  SetWindowPos(Hwnd(), nullptr, 0, 0, width, client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  RECT right{};
  GetClientRect(m_right.Hwnd(), &right);
  SetWindowPos(m_right.Hwnd(), nullptr, width - right.right, 0, right.right, DhTitlebarRightWindow::kHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhTitlebarDelegate::OnFinalMessage(HWND) {
  if (m_smallIcon) DestroyIcon(m_smallIcon);
  m_smallIcon = nullptr;
  if (m_onFinal) m_onFinal(this);
}
