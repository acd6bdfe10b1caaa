#include "modules/dashboard/DhDashboardDelegate.h"

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "kit/PaneGeometry.h"

#include <algorithm>
#include <string>

namespace {

constexpr wchar_t kClassName[] = L"ZsDashboardDelegate";
constexpr COLORREF kText = RGB(51, 51, 51);
constexpr COLORREF kGrey = RGB(127, 127, 127);
constexpr COLORREF kLine = RGB(221, 221, 221);
constexpr COLORREF kBarBack = RGB(230, 233, 236);
constexpr COLORREF kHover = RGB(240, 247, 243);
constexpr int kIconSize = 32;
constexpr int kBarHeight = 10;

const char* const kInfoIcons[] = {"home\\model.png", "home\\sysversion.png", "home\\power.png", "home\\status.png"};
const wchar_t* const kInfoLabels[] = {L"Model:", L"Sys Version:", L"Power:", L"Serial:"};

void PaintText(HDC dc, HFONT font, COLORREF color, const std::wstring& text, RECT rect, UINT format) {
  SelectGuard select(dc, font);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  GdiBrush brush(CreateSolidBrush(color));
  FillRect(dc, &rect, brush.Get());
}

void DrawIcon(HDC dc, Gdiplus::Bitmap* image, int x, int y, int size) {
  if (!image) return;
  Gdiplus::Graphics graphics(dc);
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.DrawImage(image, x, y, size, size);
}

}  // namespace

bool DhDashboardDelegate::CreateIn(HWND parent, const ModuleRecord* module, GoneHandler onGone) {
  m_parent = parent;
  m_module = module;
  m_onGone = std::move(onGone);
  RECT client{};
  GetClientRect(parent, &client);
  const RECT rect = PaneRectInParent(client.right, client.bottom);
  return Create(parent, kClassName, L"Home", WS_CHILD | WS_CLIPCHILDREN, 0, rect);
}

bool DhDashboardDelegate::OnCreate(CREATESTRUCTW*) {
  if (BASUserDefaults* colors = BASUserDefaults::GetUserDefaults("url"))
    m_accent = colors->GetRGB("color:title:background", m_accent);
  m_titleFont.Reset(BASUtilityApp::GetFont(24, true, L"Arial"));
  m_textFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_labelFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_countFont.Reset(BASUtilityApp::GetFont(22, true, L"Arial"));
  LOGFONTW link{};
  if (m_textFont.Get() && GetObjectW(m_textFont.Get(), sizeof(link), &link) == sizeof(link)) {
    link.lfUnderline = TRUE;
    m_linkFont.Reset(CreateFontIndirectW(&link));
  }
  return true;
}

void DhDashboardDelegate::OnFinalMessage(HWND) {
  if (m_onGone) m_onGone(this);
}

void DhDashboardDelegate::ChangeSize() {
  if (!Hwnd()) return;
  RECT client{};
  GetClientRect(m_parent, &client);
  const RECT rect = PaneRectInParent(client.right, client.bottom);
  SetWindowPos(Hwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void DhDashboardDelegate::Show(bool show) { ShowWindow(Hwnd(), show ? SW_SHOW : SW_HIDE); }

void DhDashboardDelegate::OnSize(int cx, int) {
  m_layout = LayOutDashboard(cx);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhDashboardDelegate::UpdateInfo(int64_t which, const void* payload) {
  if (!payload) return;
  if (which == 0)
    m_state.SetInfo(*static_cast<const DeviceInfo*>(payload));
  else if (which == 1 || which == 2)
    m_state.SetMemory(static_cast<int>(which), *static_cast<const MemoryInfo*>(payload));
  else
    return;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhDashboardDelegate::UpdateCount(int32_t item, int32_t count) {
  if (m_state.SetCount(item, count) && Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhDashboardDelegate::OnPaint(HDC dc, const RECT& client) {
  Fill(dc, client, RGB(255, 255, 255));
  SetBkMode(dc, TRANSPARENT);
  const DeviceInfo& info = m_state.Info();
  PaintText(dc, m_titleFont.Get(), kText, info.model.empty() ? std::wstring(L"Phone") : info.model, m_layout.title,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  PaintInfo(dc);
  for (size_t row = 0; row < m_layout.memoryRows.size(); ++row) PaintMemory(dc, row);
  const RECT line{DashboardLayout::kMargin, m_layout.kinds[0].top - 16, client.right - DashboardLayout::kMargin,
                  m_layout.kinds[0].top - 15};
  Fill(dc, line, kLine);
  for (size_t kind = 0; kind < kDashboardKinds.size(); ++kind) PaintKind(dc, kind);
}

void DhDashboardDelegate::PaintInfo(HDC dc) {
  const DeviceInfo& info = m_state.Info();
  const std::wstring values[] = {info.model.empty() ? L"Unknown" : info.model, m_state.SystemText(),
                                 m_state.PowerText(), info.serialNumber.empty() ? L"Unknown" : info.serialNumber};
  const ImageCache* images = m_module ? m_module->imageCache : nullptr;
  for (size_t i = 0; i < m_layout.infoRows.size(); ++i) {
    const RECT& row = m_layout.infoRows[i];
    DrawIcon(dc, FindImage(images, kInfoIcons[i]), row.left, row.top + 2, kIconSize);
    RECT label{row.left + kIconSize + 10, row.top, row.left + kIconSize + 130, row.bottom};
    PaintText(dc, m_labelFont.Get(), kGrey, kInfoLabels[i], label, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    RECT value{label.right, row.top, row.right, row.bottom};
    PaintText(dc, m_textFont.Get(), kText, values[i], value, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  }
}

void DhDashboardDelegate::PaintMemory(HDC dc, size_t row) {
  const int which = static_cast<int>(row) + 1;
  const RECT& rect = m_layout.memoryRows[row];
  const bool present = m_state.HasMemory(which);
  const ImageCache* images = m_module ? m_module->imageCache : nullptr;
  const char* icon = which == 1 ? (present ? "home\\phone-memory.png" : "home\\phone-memory-gray.png")
                                : (present ? "home\\storage-memory.png" : "home\\storage-memory-gray.png");
  DrawIcon(dc, FindImage(images, icon), rect.left, rect.top + 8, kIconSize);
  const int textLeft = rect.left + kIconSize + 10;
  RECT label{textLeft, rect.top, textLeft + 160, rect.top + 22};
  PaintText(dc, m_labelFont.Get(), present ? kText : kGrey, which == 1 ? L"Phone Memory" : L"SD Card", label,
            DT_LEFT | DT_SINGLELINE);
  RECT detail{label.right, rect.top, rect.right, rect.top + 22};
  PaintText(dc, m_textFont.Get(), kGrey, m_state.MemoryText(which), detail, DT_RIGHT | DT_SINGLELINE | DT_END_ELLIPSIS);
  RECT bar{textLeft, rect.top + 30, rect.right, rect.top + 30 + kBarHeight};
  Fill(dc, bar, kBarBack);
  if (present) {
    RECT used = bar;
    used.right = bar.left + static_cast<int>((bar.right - bar.left) * m_state.UsedFraction(which) + 0.5);
    Fill(dc, used, m_accent);
  }
}

void DhDashboardDelegate::PaintKind(HDC dc, size_t kind) {
  const RECT& tile = m_layout.kinds[kind];
  const bool hot = static_cast<int>(kind) == m_hotKind;
  Fill(dc, tile, hot ? kHover : RGB(255, 255, 255));
  GdiBrush border(CreateSolidBrush(hot ? m_accent : kLine));
  FrameRect(dc, &tile, border.Get());
  const ImageCache* images = m_module ? m_module->imageCache : nullptr;
  const int width = tile.right - tile.left;
  DrawIcon(dc, FindImage(images, kDashboardKinds[kind].icon), tile.left + (width - 24) / 2, tile.top + 12, 24);
  RECT count{tile.left, tile.top + 40, tile.right, tile.top + 66};
  PaintText(dc, m_countFont.Get(), kText, std::to_wstring(m_state.CountOf(kind)), count,
            DT_CENTER | DT_SINGLELINE | DT_VCENTER);
  RECT title{tile.left + 4, tile.top + 68, tile.right - 4, tile.bottom - 6};
  // A link: underlined while the mouse is on it.
  HFONT font = hot && m_linkFont.Get() ? m_linkFont.Get() : m_textFont.Get();
  PaintText(dc, font, hot ? m_accent : kGrey, kDashboardKinds[kind].title, title,
            DT_CENTER | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

void DhDashboardDelegate::SetHot(int kind) {
  if (kind == m_hotKind) return;
  if (m_hotKind >= 0) InvalidateRect(Hwnd(), &m_layout.kinds[static_cast<size_t>(m_hotKind)], FALSE);
  m_hotKind = kind;
  if (m_hotKind >= 0) InvalidateRect(Hwnd(), &m_layout.kinds[static_cast<size_t>(m_hotKind)], FALSE);
}

bool DhDashboardDelegate::OnMouseMove(int x, int y, UINT) {
  if (!m_tracking) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
    m_tracking = TrackMouseEvent(&track) != FALSE;
  }
  SetHot(KindAt(m_layout, POINT{x, y}));
  return true;
}

bool DhDashboardDelegate::OnMouseLeave() {
  m_tracking = false;
  SetHot(-1);
  return true;
}

bool DhDashboardDelegate::OnLButtonDown(int x, int y, UINT) {
  const int kind = KindAt(m_layout, POINT{x, y});
  if (kind >= 0) OpenSection(static_cast<size_t>(kind));
  return true;
}

void DhDashboardDelegate::OpenSection(size_t kind) {
  if (!m_module) return;
  CommandRecord record;
  record.window = m_parent;
  record.value = kDashboardKinds[kind].openSection;
  PostToHost(*m_module, record, kDashboardOpenSection);
}

LRESULT DhDashboardDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == kCountMessage) {
    handled = true;
    UpdateCount(static_cast<int32_t>(wp), static_cast<int32_t>(lp));
    return 0;
  }
  if (msg == WM_SETCURSOR && LOWORD(lp) == HTCLIENT) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(Hwnd(), &cursor);
    if (KindAt(m_layout, cursor) >= 0) {
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      handled = true;
      return TRUE;
    }
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}
