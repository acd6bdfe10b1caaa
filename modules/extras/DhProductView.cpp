#include "modules/extras/DhProductView.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/DoubleBuffer.h"

#include <commctrl.h>

namespace {

constexpr wchar_t kClassName[] = L"ZsProductView";
constexpr int kLogoSize = 80;
constexpr wchar_t kDownloadText[] = L"Download";
constexpr UINT_PTR kHoverCheckTimer = 1;

void PaintText(HDC dc, HFONT font, COLORREF color, const std::wstring& text, RECT rect, UINT format) {
  SelectGuard select(dc, font);
  SetTextColor(dc, color);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_NOPREFIX);
}

}  // namespace

DhProductView::DhProductView(const ToolkitProduct& product, std::unique_ptr<Gdiplus::Bitmap> logo,
                             const ProductViewLook& look)
    : m_product(product), m_logo(std::move(logo)), m_look(look) {}

bool DhProductView::Create(HWND pane, const RECT& rect) {
  return BASWindow::Create(pane, kClassName, m_product.name.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, rect);
}

bool DhProductView::OnCreate(CREATESTRUCTW*) {
  if (m_product.hot) {
    if (!m_button.Create(Hwnd(), kDownloadButtonId)) return false;
    m_button.SetGroupMember(false);
    m_button.SetRounded(true);
    m_button.SetFont(m_look.buttonFont);
    m_button.SetMargins(10, 8);
    m_button.SetNormalColors(m_look.buttonNormal, RGB(255, 255, 255));
    m_button.SetSelectedColors(m_look.buttonPressed, RGB(255, 255, 255));
    m_button.SetText(kDownloadText);
    m_button.MoveTo(ToolkitLayout::kHotWidth - 20 - m_button.Width(),
                    ToolkitLayout::kHotHeight - 20 - m_button.Height());
  }
  CreateTooltip();
  return true;
}

void DhProductView::CreateTooltip() {
  m_tooltip =
      CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, ModuleInstance(), nullptr);
  if (!m_tooltip) return;
  // The whole tile; the text is the description, which a normal tile has no room to show.
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
  tool.hwnd = Hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(Hwnd());
  std::wstring text = m_product.description.empty() ? m_product.name : m_product.description;
  tool.lpszText = text.data();
  SendMessageW(m_tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(m_tooltip, TTM_SETMAXTIPWIDTH, 0, 320);
}

RECT DhProductView::DownloadLabelRect() const {
  if (m_product.hot) return RECT{};
  // Icon (16) and text centred in a 24-pixel band near the tile's foot.
  return RECT{22, ToolkitLayout::kNormalHeight - 40, ToolkitLayout::kNormalWidth - 22,
              ToolkitLayout::kNormalHeight - 16};
}

void DhProductView::DrawLogo(Gdiplus::Graphics& graphics, int x, int y) const {
  if (!m_logo) return;
  graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
  graphics.DrawImage(m_logo.get(), x, y, kLogoSize, kLogoSize);
}

void DhProductView::OnPaint(HDC dc, const RECT& client) {
  GdiBrush background(CreateSolidBrush(m_hovered ? m_look.hover : RGB(255, 255, 255)));
  FillRect(dc, &client, background.Get());
  GdiBrush border(CreateSolidBrush(RGB(221, 221, 221)));
  FrameRect(dc, &client, border.Get());
  SetBkMode(dc, TRANSPARENT);
  Gdiplus::Graphics graphics(dc);
  const int width = client.right - client.left;
  if (m_product.hot) {
    DrawLogo(graphics, 24, 24);
    PaintText(dc, m_look.nameFont, RGB(51, 51, 51), m_product.name, RECT{124, 26, width - 48, 50},
              DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS);
    PaintText(dc, m_look.descriptionFont, RGB(127, 127, 127), m_product.description,
              RECT{124, 58, width - 24, ToolkitLayout::kHotHeight - 64}, DT_LEFT | DT_WORDBREAK | DT_END_ELLIPSIS);
    if (m_look.badge) {
      const int size = static_cast<int>(m_look.badge->GetWidth());
      graphics.DrawImage(m_look.badge, width - size, 0, size, static_cast<int>(m_look.badge->GetHeight()));
    }
    return;
  }
  DrawLogo(graphics, (width - kLogoSize) / 2, 18);
  // A narrow tile: its name in the smaller bold face, so common names fit whole.
  PaintText(dc, m_look.buttonFont, RGB(51, 51, 51), m_product.name, RECT{4, 104, width - 4, 128},
            DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
  // The label: icon, then the word, centred together.
  const RECT label = DownloadLabelRect();
  HDC measure = dc;
  SIZE textSize{};
  {
    SelectGuard select(measure, m_look.labelFont);
    GetTextExtentPoint32W(measure, kDownloadText, static_cast<int>(wcslen(kDownloadText)), &textSize);
  }
  const int iconSize = m_look.downloadIcon ? static_cast<int>(m_look.downloadIcon->GetWidth()) : 0;
  const int total = iconSize + (iconSize ? 6 : 0) + textSize.cx;
  int x = label.left + (label.right - label.left - total) / 2;
  if (m_look.downloadIcon) {
    graphics.DrawImage(m_look.downloadIcon, x, label.top + (label.bottom - label.top - iconSize) / 2, iconSize,
                       iconSize);
    x += iconSize + 6;
  }
  PaintText(dc, m_look.labelFont, RGB(35, 125, 237), kDownloadText, RECT{x, label.top, label.right, label.bottom},
            DT_LEFT | DT_VCENTER | DT_SINGLELINE);
}

void DhProductView::OpenPage() const {
  if (!m_product.url.empty()) BASUtilityApp::OpenUrl(m_product.url.c_str());
}

bool DhProductView::OnCommand(int id, int, HWND) {
  if (id != kDownloadButtonId) return false;
  m_button.SetState(BASSwitchButton::kNormal);
  OpenPage();
  return true;
}

bool DhProductView::OnLButtonDown(int x, int y, UINT) {
  const RECT label = DownloadLabelRect();
  if (PtInRect(&label, POINT{x, y})) OpenPage();
  return true;
}

bool DhProductView::OnTimer(UINT_PTR id) {
  if (id != kHoverCheckTimer) return false;
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT tile{};
  GetWindowRect(Hwnd(), &tile);
  if (PtInRect(&tile, cursor) && !m_tracking) return true;
  KillTimer(Hwnd(), kHoverCheckTimer);
  if (!m_tracking && m_hovered) {
    m_hovered = false;
    InvalidateRect(Hwnd(), nullptr, FALSE);
  }
  return true;
}

bool DhProductView::OnMouseMove(int, int, UINT) {
  if (!m_tracking) {
    TRACKMOUSEEVENT track{sizeof(track), TME_LEAVE, Hwnd(), 0};
    m_tracking = TrackMouseEvent(&track) != FALSE;
  }
  if (!m_hovered) {
    m_hovered = true;
    InvalidateRect(Hwnd(), nullptr, FALSE);
  }
  return true;
}

bool DhProductView::OnMouseLeave() {
  m_tracking = false;
  // Leaving the tile for its own button is not leaving the tile.
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT tile{};
  GetWindowRect(Hwnd(), &tile);
  if (PtInRect(&tile, cursor)) {
    // The button gets the mouse now and the tile hears nothing more: look again shortly.
    SetTimer(Hwnd(), kHoverCheckTimer, 100, nullptr);
    return true;
  }
  m_hovered = false;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  return true;
}

LRESULT DhProductView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == WM_SETCURSOR && !m_product.hot) {
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(Hwnd(), &cursor);
    const RECT label = DownloadLabelRect();
    if (PtInRect(&label, cursor)) {
      SetCursor(LoadCursorW(nullptr, IDC_HAND));
      handled = true;
      return TRUE;
    }
  }
  if (msg == WM_DESTROY && m_tooltip) {
    DestroyWindow(m_tooltip);
    m_tooltip = nullptr;
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}
