#include "modules/handset/DhMyDeviceConnectWindow.h"

#include "contracts/CommandNames.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/handset/ConnectQuery.h"
#include "modules/handset/HandsetImages.h"
#include "modules/handset/HandsetModule.h"
#include "modules/handset/HandsetTexts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const wchar_t kClassName[] = L"DhMyDeviceConnectWindow";
constexpr UINT kFirstAnimationDelayMs = GifTimeline::kFirstDelayMs;
constexpr int kLinkHeight = 22;

void SetButtonText(BASSwitchButton& button, const wchar_t* text) {
  button.SetText(text);
  // The owner-drawn face shows the text; the window text lets tools and screen readers see it.
  if (button.Hwnd()) SetWindowTextW(button.Hwnd(), text);
}

void Show(HWND hwnd, bool visible) {
  if (hwnd) ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace

bool DhMyDeviceConnectWindow::CreateIn(HWND pane, HWND tab, const HandsetImageSet* images, const RECT& rect) {
  m_tab = tab;
  m_images = images;
  // Erasing is suppressed by the base; painting is double buffered.
  if (!RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW)) return false;
  return Create(pane, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect);
}

bool DhMyDeviceConnectWindow::OnCreate(CREATESTRUCTW* create) {
  m_painter.CreateResources(m_images);
  m_buttonNormal = UrlColor("color:common:button:normal", RGB(30, 158, 99));
  m_buttonPressed = UrlColor("color:common:button:pressed", RGB(22, 138, 87));
  m_tabPressed = UrlColor("color:debug:button:pressed", RGB(22, 138, 87));
  m_layout = ConnectLayout::Compute(create->cx, create->cy);
  if (!CreateControls()) return false;
  SendStartScan();
  ShowPage(connect_page::kConnecting);
  return true;
}

bool DhMyDeviceConnectWindow::CreateControls() {
  if (!m_action.Create(Hwnd(), kActionButtonId)) return false;
  m_action.SetFont(m_painter.ButtonFont());
  m_action.SetGroupMember(false);
  m_action.SetMargins(36, 8);
  m_action.SetNormalColors(m_buttonNormal, RGB(255, 255, 255));
  m_action.SetSelectedColors(m_buttonPressed, RGB(255, 255, 255));
  SetButtonText(m_action, handset_text::kRetry);

  if (!m_copy.Create(Hwnd(), kCopyButtonId)) return false;
  m_copy.SetFont(m_painter.ButtonFont());
  m_copy.SetGroupMember(false);
  m_copy.SetMargins(20, 6);
  m_copy.SetNormalColors(m_buttonNormal, RGB(255, 255, 255));
  m_copy.SetSelectedColors(m_buttonPressed, RGB(255, 255, 255));
  SetButtonText(m_copy, handset_text::kCopy);

  for (int i = 0; i < 4; ++i) {
    BASSwitchButton& tab = m_versionTabs[i];
    if (!tab.Create(Hwnd(), kFirstVersionTabId + i)) return false;
    tab.SetFont(m_painter.TabFont());
    tab.SetMargins(16, 8);
    tab.SetNormalColors(RGB(242, 242, 242), RGB(89, 89, 89));
    tab.SetSelectedColors(m_tabPressed, RGB(255, 255, 255));
    SetButtonText(tab, handset_text::kAndroidVersions[i]);
  }
  m_versionTabs[m_model.Version()].SetState(BASSwitchButton::kSelected);

  const std::wstring tips = std::wstring(L"<a>") + handset_text::kDriverTips + L"</a>";
  const std::wstring debug = std::wstring(L"<a>") + handset_text::kDetectLine3 + L"</a>";
  const std::wstring root = std::wstring(handset_text::kRootNoPopupHead) + L"<a>" + handset_text::kRootNoPopupLink +
                            L"</a>" + handset_text::kRootNoPopupTail;
  if (!CreateLink(m_tipsLink, kTipsLinkId, tips.c_str())) return false;
  if (!CreateLink(m_debugLink, kDebugLinkId, debug.c_str())) return false;
  if (!CreateLink(m_rootLink, kRootLinkId, root.c_str())) return false;
  ShowPageControls();
  return true;
}

bool DhMyDeviceConnectWindow::CreateLink(HWND& link, UINT id, const wchar_t* markup) {
  link = CreateWindowExW(0, WC_LINK, markup, WS_CHILD | WS_TABSTOP, 0, 0, 10, kLinkHeight, Hwnd(),
                         reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ModuleInstance(), nullptr);
  if (!link) {
    BASTrace("DhMyDeviceConnectWindow: link %u GetLastError: %lu", id, GetLastError());
    return false;
  }
  SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(m_painter.BodyFont()), FALSE);
  return true;
}

void DhMyDeviceConnectWindow::SendStartScan() {
  // The host creates the phone's navigator and content panes in this window, still hidden.
  DeviceEntry entry;
  const ModuleRecord* module = HandsetModuleRecord();
  BuildStandardSectionList(module ? module->imageCache : nullptr, entry.sections);
  entry.tabWindow = m_tab;
  entry.wizardWindow = Hwnd();
  CommandRecord record;
  record.data = &entry;
  PostToHandsetHost(kHandsetStartScan, record);
}

void DhMyDeviceConnectWindow::OnDestroy() {
  KillTimer(Hwnd(), kAnimationTimer);
  KillTimer(Hwnd(), kActionTimer);
  KillTimer(Hwnd(), kCopyTimer);
}

void DhMyDeviceConnectWindow::OnSize(int cx, int cy) {
  m_layout = ConnectLayout::Compute(cx, cy);
  LayoutControls();
  InvalidateRect(Hwnd(), nullptr, FALSE);
  CommandRecord record;
  record.window = Hwnd();
  PostToHandsetHost(kHandsetChangeSize, record);
}

void DhMyDeviceConnectWindow::PlaceLink(HWND link, const std::wstring& plainText, const RECT& box, bool centred) {
  if (!link) return;
  const int maxWidth = std::max<int>(box.right - box.left, 10);
  RECT extent{0, 0, maxWidth, 0};
  {
    ClientDc dc(link);
    SelectGuard font(dc.Get(), m_painter.BodyFont());
    ::DrawTextW(dc, plainText.c_str(), static_cast<int>(plainText.size()), &extent,
                DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  }
  const int width = std::min<int>(extent.right + 1, maxWidth);
  const int height = std::max<int>(extent.bottom + 2, kLinkHeight);
  const int left = centred ? (box.left + box.right - width) / 2 : box.left;
  SetWindowPos(link, nullptr, left, box.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void DhMyDeviceConnectWindow::LayoutControls() {
  const ConnectLayout& l = m_layout;
  if (m_action.Hwnd()) m_action.MoveTo(l.centerX - m_action.Width() / 2, l.actionTop);
  if (m_copy.Hwnd()) m_copy.MoveTo(l.installDetail.right - m_copy.Width(), l.copyTop);

  int rowWidth = 0;
  for (const BASSwitchButton& tab : m_versionTabs) rowWidth += tab.Width() + 2;
  int x = l.centerX - rowWidth / 2;
  for (BASSwitchButton& tab : m_versionTabs) {
    tab.MoveTo(x, l.versionTabsTop);
    x += tab.Width() + 2;
  }

  const int tipsTop = m_model.Page() == connect_page::kDriverInstall ? l.verifyTipsTop : l.driverTipsTop;
  const RECT tipsBox{l.driverSizeText.left, tipsTop, l.driverSizeText.right, tipsTop + kLinkHeight};
  PlaceLink(m_tipsLink, handset_text::kDriverTips, tipsBox, true);
  // Line 3 of the detection-failed list, in line with the painted ones.
  PlaceLink(m_debugLink, handset_text::kDetectLine3, l.detectLines[2], false);
  PlaceLink(
      m_rootLink,
      std::wstring(handset_text::kRootNoPopupHead) + handset_text::kRootNoPopupLink + handset_text::kRootNoPopupTail,
      l.rootLink, true);
}

void DhMyDeviceConnectWindow::SetActionText(const wchar_t* text) {
  if (!text) return;
  SetButtonText(m_action, text);
  m_action.MoveTo(m_layout.centerX - m_action.Width() / 2, m_layout.actionTop);
}

void DhMyDeviceConnectWindow::ShowPageControls() {
  const int page = m_model.Page();
  const wchar_t* actionText = ActionTextOfPage(page);
  SetActionText(actionText);
  Show(m_action.Hwnd(), actionText != nullptr);
  Show(m_copy.Hwnd(), page == connect_page::kInstallFailed);
  for (BASSwitchButton& tab : m_versionTabs) Show(tab.Hwnd(), page == connect_page::kDebugHelp);
  // The "Tips" link leads nowhere until the device service gave the driver's address.
  const bool driverPage = page == connect_page::kDriverDownload || page == connect_page::kDriverFailed ||
                          page == connect_page::kDriverInstall;
  Show(m_tipsLink, driverPage && !m_model.DriverLink().empty());
  Show(m_debugLink, page == connect_page::kDetectFailed);
  Show(m_rootLink, page == connect_page::kRootAuthorize);
  LayoutControls();
}

void DhMyDeviceConnectWindow::ShowPage(int page) {
  if (!m_model.EnterPage(page)) return;
  const int shown = m_model.Page();
  switch (shown) {
    case connect_page::kConnecting:
    case connect_page::kRestart:
      StartAnimation(handset_image::kConnectAnimation);
      break;
    case connect_page::kDriverDownload:
    case connect_page::kDriverInstall:
      StartAnimation(handset_image::kDownloadingDriver);
      break;
    default:
      StopAnimation();
      break;
  }
  if (shown == connect_page::kAuthorize) {
    // The authorisation page stops both timers; the action button must not stay grey for good.
    EndActionCooldown();
  }
  if (shown == connect_page::kInstallFailed) {
    KillTimer(Hwnd(), kCopyTimer);
    m_copy.SetEnabled(true);
  }
  ShowPageControls();
  InvalidateRect(Hwnd(), nullptr, FALSE);
  if (shown == connect_page::kManager) {
    UpdateWindow(Hwnd());
    CommandRecord record;
    record.window = Hwnd();
    PostToHandsetHost(kHandsetShowManager, record);
  }
}

void DhMyDeviceConnectWindow::ApplyStatus(const StatusNotice& notice) {
  const StatusOutcome outcome = m_model.ApplyStatus(notice);
  if (outcome.leftManager) {
    // The phone left the ready state under its panes: the host hides them, then tells the user.
    for (int64_t value : {1, 0}) {
      CommandRecord record;
      record.window = Hwnd();
      record.value = value;
      PostToHandsetHost(kHandsetDeviceDisconnect, record);
    }
  }
  if (outcome.page != 0) ShowPage(outcome.page);
  ShowPageControls();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhMyDeviceConnectWindow::PreselectVersion(int version) {
  // The user's own choice stands.
  if (!m_versionPicked && version >= 0 && version <= 3) SelectVersionTab(version);
}

void DhMyDeviceConnectWindow::OnPaint(HDC dc, const RECT&) {
  AnimationFrame frame;
  if (!m_animationStopped) {
    frame.image = m_animationImage;
    frame.frame = m_timeline.Frame();
  }
  m_painter.Paint(dc, m_layout, m_model, frame);
}

bool DhMyDeviceConnectWindow::OnCommand(int id, int, HWND) {
  switch (id) {
    case kActionButtonId:
      PressAction();
      return true;
    case kCopyButtonId:
      CopyFailureDetail();
      return true;
    default:
      break;
  }
  if (id >= static_cast<int>(kFirstVersionTabId) && id < static_cast<int>(kFirstVersionTabId) + 4) {
    m_versionPicked = true;
    SelectVersionTab(id - static_cast<int>(kFirstVersionTabId));
    return true;
  }
  return false;
}

void DhMyDeviceConnectWindow::PressAction() {
  const PageAction action = ActionOfPage(m_model.Page());
  if (action.showPage != 0) {
    ShowPage(action.showPage);
    return;
  }
  if (!action.command) return;
  // A press queued before the button went grey must not send the retry again.
  if (!m_actionCooldown.TryStart(GetTickCount())) return;
  m_action.SetEnabled(false);
  SetTimer(Hwnd(), kActionTimer, kActionCooldownMs, nullptr);
  CommandRecord record;
  record.window = m_tab;
  PostToHandsetHost(action.command, record);
}

void DhMyDeviceConnectWindow::EndActionCooldown() {
  KillTimer(Hwnd(), kActionTimer);
  m_actionCooldown.End();
  m_action.SetEnabled(true);
}

void DhMyDeviceConnectWindow::CopyFailureDetail() {
  const std::wstring& detail = m_model.FailureDetail();
  if (detail.empty()) return;
  if (!OpenClipboard(Hwnd())) {
    BASTrace("DhMyDeviceConnectWindow: OpenClipboard GetLastError: %lu", GetLastError());
    return;
  }
  bool copied = false;
  EmptyClipboard();
  const size_t bytes = (detail.size() + 1) * sizeof(wchar_t);
  if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
    if (void* target = GlobalLock(memory)) {
      std::memcpy(target, detail.c_str(), bytes);
      GlobalUnlock(memory);
      copied = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    // The clipboard owns the memory only once SetClipboardData took it.
    if (!copied) GlobalFree(memory);
  }
  CloseClipboard();
  if (!copied) {
    BASTrace("DhMyDeviceConnectWindow: the failure detail did not reach the clipboard");
    return;
  }
  m_copy.SetEnabled(false);
  SetTimer(Hwnd(), kCopyTimer, kCopyCooldownMs, nullptr);
}

void DhMyDeviceConnectWindow::SelectVersionTab(int version) {
  const int previous = m_model.Version();
  if (!m_model.SelectVersion(version)) {
    m_versionTabs[previous].SetState(BASSwitchButton::kSelected);
    return;
  }
  m_versionTabs[previous].SetState(BASSwitchButton::kNormal);
  m_versionTabs[version].SetState(BASSwitchButton::kSelected);
  InvalidateRect(Hwnd(), &m_layout.debugImage, FALSE);
}

bool DhMyDeviceConnectWindow::OnNotify(NMHDR* header, LRESULT&) {
  if (header->code != NM_CLICK && header->code != NM_RETURN) return false;
  const UINT id = static_cast<UINT>(header->idFrom);
  if (id != kTipsLinkId && id != kDebugLinkId && id != kRootLinkId) return false;
  OpenLink(id);
  return true;
}

void DhMyDeviceConnectWindow::OpenLink(UINT id) {
  if (id == kDebugLinkId) {
    m_model.OpenDebugHelpFromLink();
    ShowPage(connect_page::kDebugHelp);
  } else if (id == kTipsLinkId) {
    if (!m_model.DriverLink().empty()) BASUtilityApp::OpenUrl(m_model.DriverLink().c_str());
  } else if (id == kRootLinkId) {
    const char* address = UrlString("url:root");
    if (*address) BASUtilityApp::OpenUrl(address);
  }
}

void DhMyDeviceConnectWindow::StartAnimation(const char* path) {
  m_animationImage = m_images ? m_images->Get(path) : nullptr;
  m_timeline.Reset(ReadFrameDelays(m_animationImage));
  KillTimer(Hwnd(), kAnimationTimer);
  m_animationStopped = !m_timeline.IsAnimated();
  if (!m_animationStopped) SetTimer(Hwnd(), kAnimationTimer, kFirstAnimationDelayMs, nullptr);
}

void DhMyDeviceConnectWindow::StopAnimation() {
  m_animationStopped = true;
  KillTimer(Hwnd(), kAnimationTimer);
}

bool DhMyDeviceConnectWindow::OnTimer(UINT_PTR id) {
  switch (id) {
    case kAnimationTimer: {
      if (m_animationStopped) {
        KillTimer(Hwnd(), kAnimationTimer);
        return true;
      }
      const uint32_t delay = m_timeline.Advance();
      const int page = m_model.Page();
      const RECT& box = page == connect_page::kConnecting      ? m_layout.connectAnimation
                        : page == connect_page::kDriverInstall ? m_layout.verifyAnimation
                                                               : m_layout.driverImage;
      InvalidateRect(Hwnd(), &box, FALSE);
      // Re-arming replaces the running timer with the new frame's delay.
      SetTimer(Hwnd(), kAnimationTimer, delay, nullptr);
      return true;
    }
    case kActionTimer:
      EndActionCooldown();
      return true;
    case kCopyTimer:
      KillTimer(Hwnd(), kCopyTimer);
      m_copy.SetEnabled(true);
      return true;
    default:
      return false;
  }
}

LRESULT DhMyDeviceConnectWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_CTLCOLORSTATIC:
      // The links draw on the page's white.
      handled = true;
      SetBkColor(reinterpret_cast<HDC>(wp), RGB(255, 255, 255));
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    case kConnectQueryMessage:
      handled = true;
      return Query(wp);
    default:
      return BASWindow::HandleMessage(msg, wp, lp, handled);
  }
}

LRESULT DhMyDeviceConnectWindow::Query(WPARAM what) const {
  switch (what) {
    case kQueryPage:
      return m_model.Page();
    case kQueryProgressPermille:
      return static_cast<LRESULT>(std::lround(m_model.Progress() * 10.0f));
    case kQueryStepMarks:
      return m_model.Marks().Bits();
    case kQueryAnimationFrame:
      return m_animationStopped ? -1 : static_cast<LRESULT>(m_timeline.Frame());
    case kQueryVersionTab:
      return m_model.Version();
    case kQueryLastStatus:
      return m_model.LastStatus();
    default:
      return 0;
  }
}
