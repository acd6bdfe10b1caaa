#include "modules/texts/DhThreadView.h"

#include <windowsx.h>

#include <algorithm>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

const wchar_t kClassName[] = L"DhThreadView";
constexpr COLORREF kBackground = RGB(0xF2, 0xF3, 0xF5);
constexpr COLORREF kHeaderLine = 0xABABAB;
constexpr COLORREF kReceivedFill = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kReceivedEdge = RGB(0xD5, 0xD8, 0xDC);
constexpr COLORREF kSentFill = RGB(0xD4, 0xEA, 0xFF);
constexpr COLORREF kSentEdge = RGB(0xA9, 0xCF, 0xF2);
constexpr COLORREF kQuietText = RGB(0x80, 0x86, 0x8C);
constexpr int kCorner = 14;
constexpr int kWheelStep = 60;  // pixels per notch: three lines of text
constexpr int kLineStep = 20;

RECT Rect(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

}  // namespace

// Widths in the view's text font, measured on a memory DC made once.
class DhThreadView::DcMeasure : public TextMeasure {
 public:
  explicit DcMeasure(HFONT font) : m_dc(nullptr), m_select(m_dc.Get(), font) {
    TEXTMETRICW metrics{};
    if (m_dc && GetTextMetricsW(m_dc, &metrics)) m_lineHeight = metrics.tmHeight + 2;
  }
  int Width(const wchar_t* text, int length) const override {
    SIZE size{0, 0};
    if (length > 0 && m_dc) GetTextExtentPoint32W(m_dc, text, length, &size);
    return size.cx;
  }
  int Fit(const wchar_t* text, int length, int maxWidth) const override {
    INT fit = 0;
    SIZE size{0, 0};
    if (!m_dc || !GetTextExtentExPointW(m_dc, text, length, maxWidth, &fit, nullptr, &size)) return length;
    return fit;
  }
  int LineHeight() const override { return m_lineHeight; }

 private:
  MemoryDc m_dc;
  SelectGuard m_select;
  int m_lineHeight = 20;
};

DhThreadView::DhThreadView() = default;
DhThreadView::~DhThreadView() = default;

bool DhThreadView::Create(HWND parent, const RECT& rect, UINT id) {
  RegisterWindowClass(kClassName, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS);
  return BASWindow::Create(parent, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, 0, rect, id);
}

bool DhThreadView::OnCreate(CREATESTRUCTW*) {
  m_textFont.Reset(BASUtilityApp::GetFont(17, false, L"Arial"));
  m_smallFont.Reset(BASUtilityApp::GetFont(13, false, L"Arial"));
  m_titleFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));
  m_receivedBrush.Reset(CreateSolidBrush(kReceivedFill));
  m_sentBrush.Reset(CreateSolidBrush(kSentFill));
  m_receivedPen.Reset(CreatePen(PS_SOLID, 1, kReceivedEdge));
  m_sentPen.Reset(CreatePen(PS_SOLID, 1, kSentEdge));
  m_measure = std::make_unique<DcMeasure>(m_textFont.Get());
  return true;
}

int DhThreadView::PageHeight() const { return std::max(0, m_height - kHeaderHeight); }

int DhThreadView::MaxScroll() const { return std::max(0, m_layout.TotalHeight() - PageHeight()); }

void DhThreadView::OnSize(int cx, int cy) {
  const bool atEnd = m_scrollY >= MaxScroll();
  m_height = cy;
  if (cx != m_width) {
    m_width = cx;
    Relayout();
  }
  UpdateScrollBar();
  ScrollTo(atEnd ? MaxScroll() : m_scrollY);
}

void DhThreadView::Relayout() {
  if (!m_measure) return;
  std::vector<const MessageRecord*> ordered;
  ordered.reserve(m_messages.size());
  for (const auto& message : m_messages) ordered.push_back(message.get());
  m_layout.Build(ordered, m_width, *m_measure);
}

void DhThreadView::UpdateScrollBar() {
  if (!Hwnd()) return;
  SCROLLINFO info{sizeof info,
                  SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL,
                  0,
                  std::max(0, m_layout.TotalHeight() - 1),
                  static_cast<UINT>(PageHeight()),
                  m_scrollY,
                  0};
  SetScrollInfo(Hwnd(), SB_VERT, &info, TRUE);
}

void DhThreadView::ScrollTo(int y) {
  const int clamped = std::clamp(y, 0, MaxScroll());
  if (clamped == m_scrollY) return;
  m_scrollY = clamped;
  if (!Hwnd()) return;
  SCROLLINFO info{sizeof info, SIF_POS, 0, 0, 0, m_scrollY, 0};
  SetScrollInfo(Hwnd(), SB_VERT, &info, TRUE);
  RECT below{0, kHeaderHeight, m_width, m_height};
  InvalidateRect(Hwnd(), &below, FALSE);
}

void DhThreadView::Open(const std::wstring& title, const std::wstring& number) {
  m_title = title;
  m_number = number == title ? std::wstring() : number;
  Clear();
}

void DhThreadView::Clear() {
  m_messages.clear();
  m_layout.Clear();
  m_scrollY = 0;
  m_wheelRest = 0;
  UpdateScrollBar();
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhThreadView::SetMessages(std::vector<MessageRecord*> messages) {
  m_messages.clear();
  m_messages.reserve(messages.size());
  for (MessageRecord* message : messages)
    if (message != nullptr) m_messages.emplace_back(message);
  // Dates are "YYYY-MM-DD HH:MM", so text order is time order; equal times keep the phone's.
  std::stable_sort(m_messages.begin(), m_messages.end(),
                   [](const auto& a, const auto& b) { return a->date < b->date; });
  Relayout();
  m_scrollY = -1;
  UpdateScrollBar();
  ScrollTo(MaxScroll());
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhThreadView::Append(const MessageRecord& message) {
  const bool atEnd = m_scrollY >= MaxScroll();
  const MessageRecord* previous = m_messages.empty() ? nullptr : m_messages.back().get();
  m_messages.push_back(std::make_unique<MessageRecord>(message));
  if (m_measure) m_layout.Append(*m_messages.back(), m_messages.size() - 1, previous, *m_measure);
  UpdateScrollBar();
  if (atEnd) ScrollTo(MaxScroll());
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhThreadView::Remove(const std::wstring& messageId) {
  auto it =
      std::find_if(m_messages.begin(), m_messages.end(), [&](const auto& m) { return m->identifier == messageId; });
  if (it == m_messages.end()) return;
  m_messages.erase(it);
  Relayout();
  UpdateScrollBar();
  ScrollTo(m_scrollY);
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhThreadView::MarkAllRead() {
  for (auto& message : m_messages) message->read = true;
}

RECT DhThreadView::BubbleRect(size_t item) const {
  const BubblePlacement& placed = m_layout.Bubbles()[item];
  const int top = kHeaderHeight - m_scrollY + placed.bubbleTop;
  return Rect(placed.bubbleLeft, top, placed.bubbleWidth, placed.bubbleHeight);
}

void DhThreadView::OnVScroll(int request) {
  const int page = std::max(kLineStep, PageHeight() - kLineStep);
  switch (request) {
    case SB_LINEUP:
      ScrollTo(m_scrollY - kLineStep);
      break;
    case SB_LINEDOWN:
      ScrollTo(m_scrollY + kLineStep);
      break;
    case SB_PAGEUP:
      ScrollTo(m_scrollY - page);
      break;
    case SB_PAGEDOWN:
      ScrollTo(m_scrollY + page);
      break;
    case SB_TOP:
      ScrollTo(0);
      break;
    case SB_BOTTOM:
      ScrollTo(MaxScroll());
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
      if (GetScrollInfo(Hwnd(), SB_VERT, &info)) ScrollTo(info.nTrackPos);
      break;
    }
    default:
      break;
  }
}

// High-resolution wheels send parts of a notch; they add up to the same distance.
void DhThreadView::OnWheel(int delta) {
  m_wheelRest += delta;
  const int pixels = m_wheelRest * kWheelStep / WHEEL_DELTA;
  if (pixels == 0) return;
  m_wheelRest -= pixels * WHEEL_DELTA / kWheelStep;
  ScrollTo(m_scrollY - pixels);
}

bool DhThreadView::OnLButtonDown(int, int, UINT) {
  // Takes the keyboard, so the wheel and the arrow keys scroll the thread.
  SetFocus(Hwnd());
  return true;
}

LRESULT DhThreadView::HandleMessage(UINT msg, WPARAM wp, LPARAM, bool& handled) {
  switch (msg) {
    case WM_VSCROLL:
      OnVScroll(LOWORD(wp));
      handled = true;
      return 0;
    case WM_MOUSEWHEEL:
      OnWheel(GET_WHEEL_DELTA_WPARAM(wp));
      handled = true;
      return 0;
    case WM_KEYDOWN:
      handled = true;
      switch (wp) {
        case VK_UP:
          OnVScroll(SB_LINEUP);
          break;
        case VK_DOWN:
          OnVScroll(SB_LINEDOWN);
          break;
        case VK_PRIOR:
          OnVScroll(SB_PAGEUP);
          break;
        case VK_NEXT:
          OnVScroll(SB_PAGEDOWN);
          break;
        case VK_HOME:
          OnVScroll(SB_TOP);
          break;
        case VK_END:
          OnVScroll(SB_BOTTOM);
          break;
        default:
          handled = false;
          break;
      }
      return 0;
    case WM_GETDLGCODE:
      handled = true;
      return DLGC_WANTARROWS;
    default:
      return 0;
  }
}

void DhThreadView::DrawBubble(HDC dc, const BubblePlacement& placed, int offsetY) const {
  const MessageRecord& message = *m_messages[placed.message];
  const int width = m_layout.ViewWidth();
  if (placed.dayTop >= 0) {
    SelectGuard font(dc, m_smallFont.Get());
    SetTextColor(dc, kQuietText);
    RECT day = Rect(0, offsetY + placed.dayTop, width, ThreadLayout::kDayHeight);
    const std::wstring text = DayOf(message.date);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &day, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
  const RECT bubble = Rect(placed.bubbleLeft, offsetY + placed.bubbleTop, placed.bubbleWidth, placed.bubbleHeight);
  {
    SelectGuard brush(dc, placed.sent ? m_sentBrush.Get() : m_receivedBrush.Get());
    SelectGuard pen(dc, placed.sent ? m_sentPen.Get() : m_receivedPen.Get());
    RoundRect(dc, bubble.left, bubble.top, bubble.right, bubble.bottom, kCorner, kCorner);
  }
  SelectGuard font(dc, m_textFont.Get());
  SetTextColor(dc, RGB(0x20, 0x22, 0x25));
  const int lineHeight = m_measure ? m_measure->LineHeight() : 20;
  // A right-to-left text starts at the bubble's right edge and is read from there.
  const UINT direction = placed.rightToLeft ? DT_RIGHT | DT_RTLREADING : DT_LEFT;
  int y = bubble.top + ThreadLayout::kPaddingY;
  for (const LineSpan& line : placed.lines) {
    RECT row{bubble.left + ThreadLayout::kPaddingX, y, bubble.right - ThreadLayout::kPaddingX, y + lineHeight};
    DrawTextW(dc, message.body.c_str() + line.start, static_cast<int>(line.length), &row,
              direction | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_EXPANDTABS);
    y += lineHeight;
  }
  SelectGuard small(dc, m_smallFont.Get());
  SetTextColor(dc, kQuietText);
  std::wstring time = TimeOf(message.date);
  if (!message.read && !placed.sent) time += L"  \x2022 new";
  RECT below{bubble.left + 2, bubble.bottom + 1, bubble.right - 2, bubble.bottom + ThreadLayout::kTimeHeight};
  DrawTextW(dc, time.c_str(), static_cast<int>(time.size()), &below,
            (placed.sent ? DT_RIGHT : DT_LEFT) | DT_SINGLELINE | DT_NOPREFIX);
}

void DhThreadView::OnPaint(HDC dc, const RECT& client) {
  HBRUSH background = static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
  SetDCBrushColor(dc, kBackground);
  FillRect(dc, &client, background);
  SetBkMode(dc, TRANSPARENT);

  const int offsetY = kHeaderHeight - m_scrollY;
  {
    // Bubbles scroll under the header, which is drawn over them.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, client.left, kHeaderHeight, client.right, client.bottom);
    const auto& bubbles = m_layout.Bubbles();
    for (size_t i = m_layout.FirstVisible(m_scrollY); i < bubbles.size(); ++i) {
      if (offsetY + bubbles[i].top >= client.bottom) break;
      DrawBubble(dc, bubbles[i], offsetY);
    }
    RestoreDC(dc, saved);
  }

  RECT header{client.left, 0, client.right, kHeaderHeight};
  SetDCBrushColor(dc, RGB(0xFF, 0xFF, 0xFF));
  FillRect(dc, &header, background);
  SelectGuard pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, kHeaderLine);
  MoveToEx(dc, client.left, kHeaderHeight - 1, nullptr);
  LineTo(dc, client.right, kHeaderHeight - 1);
  if (m_title.empty()) {
    SelectGuard font(dc, m_smallFont.Get());
    SetTextColor(dc, kQuietText);
    RECT hint{client.left, kHeaderHeight, client.right, client.bottom};
    DrawTextW(dc, L"Choose a conversation to read its messages.", -1, &hint, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    return;
  }
  SelectGuard font(dc, m_titleFont.Get());
  SetTextColor(dc, RGB(0x20, 0x22, 0x25));
  RECT title{16, 0, client.right - 16, kHeaderHeight};
  DrawTextW(dc, m_title.c_str(), static_cast<int>(m_title.size()), &title,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  if (m_number.empty()) return;
  SIZE extent{0, 0};
  GetTextExtentPoint32W(dc, m_title.c_str(), static_cast<int>(m_title.size()), &extent);
  SelectGuard small(dc, m_smallFont.Get());
  SetTextColor(dc, kQuietText);
  RECT number{title.left + extent.cx + 12, 0, client.right - 16, kHeaderHeight};
  DrawTextW(dc, m_number.c_str(), static_cast<int>(m_number.size()), &number,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}
