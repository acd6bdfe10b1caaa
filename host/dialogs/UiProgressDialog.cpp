#include "host/dialogs/UiProgressDialog.h"

#include "contracts/cornerstone/Cornerstone.h"

namespace {

constexpr int kButtonRight = 20;
constexpr int kButtonBottom = 16;
constexpr int kButtonGap = 20;
constexpr int kTextLeft = 20;
constexpr int kTextTop = 50;

bool SameSnapshot(const ProgressState::Snapshot& a, const ProgressState::Snapshot& b) {
  return a.position == b.position && a.total == b.total && a.text == b.text;
}

}  // namespace

UiProgressDialog::UiProgressDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed)
    : UiDialog(closeNormal, closePressed) {
  SetSize(kWidth, kHeight);
}

UiProgressDialog::~UiProgressDialog() { DestroyDialog(); }

bool UiProgressDialog::OnStart() {
  m_barBrush.Reset(CreateSolidBrush(TitleColor()));
  m_barPen.Reset(CreatePen(PS_SOLID, 1, kBarFrameColor));
  {
    ClientDc dc(Hwnd());
    SelectGuard font(dc, TextFont());
    TEXTMETRICW metrics{};
    if (dc && GetTextMetricsW(dc, &metrics)) m_lineHeight = metrics.tmHeight;
  }
  if (!CreateButton(m_folderButton, kFolderId, L"Show in folder")) return false;
  if (!CreateButton(m_secondButton, kCancelId, L"Cancel")) return false;
  LayoutButtons();
  return true;
}

RECT UiProgressDialog::BarRect() const { return {20, 70, Width() - 20, 82}; }

RECT UiProgressDialog::TextRect() const { return {kTextLeft, kTextTop, Width() - 20, kTextTop + m_lineHeight}; }

void UiProgressDialog::LayoutButtons() {
  if (!Hwnd()) return;
  PlaceButton(m_secondButton, kButtonRight, Height() - kButtonBottom - m_secondButton.Height());
  PlaceButton(m_folderButton, kButtonRight + m_secondButton.Width() + kButtonGap,
              Height() - kButtonBottom - m_folderButton.Height());
  ShowWindow(m_folderButton.Hwnd(), m_showFolder ? SW_SHOWNA : SW_HIDE);
}

void UiProgressDialog::Reset() {
  StopTimers();
  UiDialog::Reset();
  m_state.Reset();
  m_drawn = ProgressState::Snapshot();
  m_showFolder = true;
  m_closeByItself = false;
  // A handler left from an earlier operation would cancel a task that is long gone.
  m_cancelHandler = nullptr;
  m_cancelWindow = nullptr;
  m_taskId = 0;
  if (!Hwnd()) return;
  m_secondButton.SetText(L"Cancel");
  m_secondButton.SetState(BASSwitchButton::kNormal);
  m_folderButton.SetState(BASSwitchButton::kNormal);
  LayoutButtons();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void UiProgressDialog::SetCancelHandler(CancelHandler handler, HWND window, uint64_t taskId) {
  m_cancelHandler = handler;
  m_cancelWindow = window;
  m_taskId = taskId;
}

void UiProgressDialog::Start() {
  if (!Hwnd()) return;
  SetClosed(false);
  LayoutButtons();
  KillTimer(Hwnd(), kHideTimer);
  SetTimer(Hwnd(), kRedrawTimer, kRedrawMs, nullptr);
  InvalidateRect(Hwnd(), nullptr, FALSE);
  Show(SW_SHOW);
}

void UiProgressDialog::StopTimers() {
  if (!Hwnd()) return;
  KillTimer(Hwnd(), kRedrawTimer);
  KillTimer(Hwnd(), kHideTimer);
}

void UiProgressDialog::FollowOwner() {
  const HWND owner = Owner();
  if (!Hwnd() || !owner) return;
  if (!IsWindowVisible(owner)) {
    if (IsShowing()) Show(SW_HIDE);
  } else if (!IsKeptHidden() && !IsShowing()) {
    Show(SW_SHOW);
  }
}

bool UiProgressDialog::OnTimer(UINT_PTR id) {
  if (id == kRedrawTimer) {
    Tick();
    return true;
  }
  if (id == kHideTimer) {
    KillTimer(Hwnd(), kHideTimer);
    Show(SW_HIDE);
    return true;
  }
  return false;
}

void UiProgressDialog::Tick() {
  const RECT bar = BarRect();
  const RECT text = TextRect();
  auto invalidateIfChanged = [&] {
    if (SameSnapshot(m_state.Read(), m_drawn)) return;
    InvalidateRect(Hwnd(), &bar, FALSE);
    InvalidateRect(Hwnd(), &text, FALSE);
  };
  invalidateIfChanged();
  if (!IsFinished()) return;

  // Failures keep the dialog open, whatever the caller asked, so the user sees them.
  if (m_state.ApplyFinish()) m_closeByItself = false;
  KillTimer(Hwnd(), kRedrawTimer);
  invalidateIfChanged();
  if (m_closeByItself) {
    SetClosed(true);
    UpdateWindow(Hwnd());
    // A timer and not a sleep: the UI thread keeps running while "Finish" is on the screen.
    SetTimer(Hwnd(), kHideTimer, kHideDelayMs, nullptr);
    return;
  }
  m_secondButton.SetText(L"OK");
  LayoutButtons();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void UiProgressDialog::PaintBody(HDC dc, const RECT&) {
  m_drawn = m_state.Read();
  const RECT bar = BarRect();
  {
    SelectGuard pen(dc, m_barPen);
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, bar.left, bar.top, bar.right, bar.bottom, 8, 8);
  }
  const int filled = ProgressState::FilledWidth(bar.right - bar.left, m_drawn.position, m_drawn.total);
  if (filled > 0) {
    RECT fill = {bar.left + 4, bar.top + 2, bar.left + 4 + filled, bar.bottom - 2};
    FillRect(dc, &fill, m_barBrush.Get());
  }

  SetTextColor(dc, RGB(0, 0, 0));
  RECT text = TextRect();
  const std::wstring counter = ProgressState::CounterText(m_drawn.position, m_drawn.total);
  SIZE counterSize = {0, 0};
  GetTextExtentPoint32W(dc, counter.c_str(), static_cast<int>(counter.size()), &counterSize);
  DrawTextW(dc, counter.c_str(), static_cast<int>(counter.size()), &text, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX);
  // The message gives way to the counter.
  text.right = bar.right - counterSize.cx - 8;
  const std::wstring message = L"[" + m_drawn.text + L"]";
  DrawTextW(dc, message.c_str(), static_cast<int>(message.size()), &text,
            DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  BASTrace("DoPaint: %d:%d", m_drawn.position, m_drawn.total);
}

bool UiProgressDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kFolderId:
      if (!m_folder.empty()) BASUtilityApp::OpenFolder(m_folder.c_str());
      return true;
    case kCancelId:
      OnCancel();
      return true;
    default:
      return UiDialog::OnCommand(id, code, control);
  }
}

void UiProgressDialog::OnClose() {
  StopTimers();
  m_state.ClearText();
  m_state.FreeKeptTexts();
  Show(SW_HIDE);
  SetClosed(true);
}

void UiProgressDialog::OnCancel() {
  // The exchange makes a second press, or a finish racing this press, call nothing more.
  if (!MarkFinished() && m_cancelHandler)
    m_cancelHandler(m_cancelWindow, static_cast<uint32_t>(m_taskId & 0xFFFFFFFFu),
                    static_cast<uint32_t>(m_taskId >> 32));
  StopTimers();
  m_state.FreeKeptTexts();
  Show(SW_HIDE);
  SetClosed(true);
}
