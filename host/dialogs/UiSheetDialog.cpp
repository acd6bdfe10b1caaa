#include "host/dialogs/UiSheetDialog.h"

#include <commctrl.h>

#include <cstdio>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

UINT_PTR WatchId(const UiSheetDialog* sheet) { return reinterpret_cast<UINT_PTR>(sheet); }

}  // namespace

UiSheetDialog::UiSheetDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed)
    : UiDialog(closeNormal, closePressed) {
  SetSize(400, kHeight);
}

UiSheetDialog::~UiSheetDialog() {
  if (m_watched) RemoveWindowSubclass(m_watched, TopLevelProc, WatchId(this));
  m_watched = nullptr;
  DestroyDialog();
}

// No attributes: Wine's link control takes an anchor with an empty HREF for plain text, and
// the notice would not be clickable there.
std::wstring UiSheetDialog::LinkMarkup(const std::wstring& text) { return L"<A>" + text + L"</A>"; }

bool UiSheetDialog::OnStart() {
  m_background.Reset(CreateSolidBrush(kBackground));
  m_border.Reset(CreateSolidBrush(kBorder));
  m_linkFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);
  // No tab stop: a focused link would show a dotted frame around the notice.
  m_link = CreateWindowExW(0, WC_LINK, LinkMarkup(m_text).c_str(), WS_CHILD, 16, 8, LinkWidth(), kHeight - 20, Hwnd(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkId)), ModuleInstance(), nullptr);
  if (!m_link) {
    std::fprintf(stderr, "UiSheetDialog: no link control GetLastError: %lu\n", GetLastError());
    return false;
  }
  SendMessageW(m_link, WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.Get()), FALSE);
  // The theme's close glyph is white, drawn for title strips; on the pale strip it needs a ground.
  CloseButtonWindow().SetBackground(kBorder);
  ShowContent(false);
  // The strip hangs under the title bar, so it moves with the main window.
  if (const HWND top = TopLevel();
      top && top != Hwnd() && SetWindowSubclass(top, TopLevelProc, WatchId(this), reinterpret_cast<DWORD_PTR>(this)))
    m_watched = top;
  return true;
}

void UiSheetDialog::PlaceWindow() { FollowOwner(); }

void UiSheetDialog::FollowOwner() {
  const HWND hwnd = Hwnd();
  if (!hwnd) return;
  RECT owner{};
  if (Owner() && GetWindowRect(Owner(), &owner)) {
    SetSize(owner.right - owner.left, kHeight);
  } else {
    GetWindowRect(hwnd, &owner);
    owner.right = owner.left + Width();
    owner.top -= kTitleBarHeight;
  }
  SetWindowPos(hwnd, nullptr, owner.left, owner.top + kTitleBarHeight, Width(), m_currentHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // The dialog class repaints only what a resize uncovers; the border moved with the edge.
  InvalidateRect(hwnd, nullptr, FALSE);
  if (m_link) MoveWindow(m_link, 16, 8, LinkWidth(), kHeight - 20, TRUE);
  if (CloseButton()) {
    PlaceCloseButton();
    if (!m_linkShown) ShowWindow(CloseButton(), SW_HIDE);
  }
}

void UiSheetDialog::SetText(const std::wstring& text) {
  m_text = text;
  if (m_link) SetWindowTextW(m_link, LinkMarkup(text).c_str());
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
  BASTrace("UiSheetDialog thread id: %lu", GetCurrentThreadId());
}

void UiSheetDialog::Show(int command) {
  const HWND hwnd = Hwnd();
  if (!hwnd) return;
  KillTimer(hwnd, kSlideTimer);
  if (command == SW_HIDE) {
    ShowWindow(hwnd, SW_HIDE);
    // The next notice slides in from the top again.
    ShowContent(false);
    m_currentHeight = kStep;
    FollowOwner();
    return;
  }
  SetClosed(false);
  if (!IsWindowVisible(hwnd)) {
    m_currentHeight = kStep;
    ShowContent(false);
    FollowOwner();
    // Not activated: the user goes on working in the main window.
    ShowWindow(hwnd, SW_SHOWNA);
  }
  SetTimer(hwnd, kSlideTimer, kSlideMs, nullptr);
}

bool UiSheetDialog::OnTimer(UINT_PTR id) {
  if (id != kSlideTimer) return false;
  Slide();
  return true;
}

void UiSheetDialog::Slide() {
  const HWND hwnd = Hwnd();
  if (m_currentHeight < kHeight) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    m_currentHeight = NextHeight(m_currentHeight);
    BASTrace("%ld,%d", rect.bottom, m_currentHeight);
    SetWindowPos(hwnd, nullptr, 0, 0, Width(), m_currentHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hwnd, nullptr, FALSE);
    return;
  }
  BASTrace("UiSheetDialog finish");
  ShowContent(true);
  KillTimer(hwnd, kSlideTimer);
}

void UiSheetDialog::ShowContent(bool shown) {
  m_linkShown = shown;
  if (m_link) {
    MoveWindow(m_link, 16, 8, LinkWidth(), kHeight - 20, FALSE);
    ShowWindow(m_link, shown ? SW_SHOWNA : SW_HIDE);
  }
  if (CloseButton()) {
    if (shown) PlaceCloseButton();
    ShowWindow(CloseButton(), shown ? SW_SHOWNA : SW_HIDE);
  }
}

void UiSheetDialog::Close() {
  Show(SW_HIDE);
  SetClosed(true);
}

void UiSheetDialog::OnClose() { Close(); }

bool UiSheetDialog::OnCommand(int id, int code, HWND control) {
  if (id == kCloseId) {
    Close();
    return true;
  }
  return UiDialog::OnCommand(id, code, control);
}

bool UiSheetDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != static_cast<UINT_PTR>(kLinkId) || (header->code != NM_CLICK && header->code != NM_RETURN))
    return false;
  // Closed first and run from a copy: the action may show a new notice or set a new action.
  const std::function<void()> action = m_action;
  Close();
  if (action) action();
  result = 0;
  return true;
}

bool UiSheetDialog::OnLButtonDown(int, int, UINT) { return true; }  // the strip is not dragged

void UiSheetDialog::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_background.Get());
  FrameRect(dc, &client, m_border.Get());
}

HBRUSH UiSheetDialog::ControlBrush(HDC dc, HWND) { return StockControlBrush(dc, kBackground); }

LRESULT CALLBACK UiSheetDialog::TopLevelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                             DWORD_PTR refData) {
  auto* self = reinterpret_cast<UiSheetDialog*>(refData);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, TopLevelProc, id);
    if (self) self->m_watched = nullptr;
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
  if (self && msg == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
    if (!pos || !(pos->flags & SWP_NOMOVE) || !(pos->flags & SWP_NOSIZE)) {
      try {
        self->FollowOwner();
      } catch (...) {
        std::fprintf(stderr, "UiSheetDialog: follow failed\n");
      }
    }
  }
  return result;
}
