#include "kit/BASSwitchButton.h"

#include "kit/ButtonCommon.h"
#include "kit/DoubleBuffer.h"
#include "kit/GdiHandles.h"

#include <algorithm>

bool BASSwitchButton::Create(HWND parent, UINT id, const RECT& rect) {
  return CreateControl(parent, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, rect, id);
}

void BASSwitchButton::Place(COLORREF normalFill, COLORREF selectedFill, int x, int y, const std::wstring& text) {
  m_normal = {normalFill, RGB(255, 255, 255)};
  m_selected = {selectedFill, RGB(0, 0, 0)};
  SetText(text);
  MoveTo(x, y);
  if (Hwnd()) ShowWindow(Hwnd(), SW_SHOWNA);
}

void BASSwitchButton::SetText(const std::wstring& text) {
  m_text = text;
  Relayout();
}

void BASSwitchButton::SetFont(HFONT font) {
  if (Hwnd()) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void BASSwitchButton::SetNormalColors(COLORREF fill, COLORREF text) {
  m_normal = {fill, text};
  Invalidate(false);
}

void BASSwitchButton::SetSelectedColors(COLORREF fill, COLORREF text) {
  m_selected = {fill, text};
  Invalidate(false);
}

void BASSwitchButton::SetDisabledColors(COLORREF fill, COLORREF text) {
  m_disabled = {fill, text};
  Invalidate(false);
}

void BASSwitchButton::SetBorderColor(COLORREF color) {
  m_border = color;
  Invalidate(false);
}

void BASSwitchButton::SetMargins(int x, int y) {
  m_marginX = std::max(0, x);
  m_marginY = std::max(0, y);
  Relayout();
}

void BASSwitchButton::SetRounded(bool rounded, int radiusX, int radiusY) {
  m_rounded = rounded;
  m_radiusX = radiusX;
  m_radiusY = radiusY;
  Invalidate(false);
}

void BASSwitchButton::SetState(int state) {
  m_state = std::clamp(state, kNormal, kDisabled);
  Invalidate(false);
}

void BASSwitchButton::SetEnabled(bool enabled) {
  if (Hwnd()) EnableWindow(Hwnd(), enabled ? TRUE : FALSE);
  if (!enabled)
    SetState(kDisabled);
  else if (m_state == kDisabled)
    SetState(kNormal);
}

void BASSwitchButton::MoveTo(int x, int y) {
  if (x < 0 && Hwnd()) {
    RECT parentClient{};
    GetClientRect(GetParent(Hwnd()), &parentClient);
    x += parentClient.right - m_width;
  }
  m_x = x;
  m_y = y;
  if (Hwnd()) SetWindowPos(Hwnd(), nullptr, m_x, m_y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SIZE BASSwitchButton::MeasureText() const {
  SIZE extent{0, 0};
  if (m_text.empty()) return extent;
  ClientDc dc(Hwnd());
  if (!dc) return extent;
  const HFONT font = Hwnd() ? reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0)) : nullptr;
  SelectGuard fontGuard(dc.Get(), font);
  GetTextExtentPoint32W(dc, m_text.c_str(), static_cast<int>(m_text.size()), &extent);
  return extent;
}

SIZE BASSwitchButton::Layout(SIZE textExtent) {
  return SIZE{textExtent.cx + 2 * m_marginX, textExtent.cy + 2 * m_marginY};
}

void BASSwitchButton::Relayout() {
  const SIZE size = Layout(MeasureText());
  m_width = size.cx;
  m_height = size.cy;
  if (!Hwnd()) return;
  SetWindowPos(Hwnd(), nullptr, 0, 0, m_width, m_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Invalidate(false);
}

void BASSwitchButton::PostClick() const {
  PostMessageW(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Hwnd()), BN_CLICKED),
               reinterpret_cast<LPARAM>(Hwnd()));
}

void BASSwitchButton::Invalidate(bool erase) const {
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, erase ? TRUE : FALSE);
}

LRESULT BASSwitchButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_ERASEBKGND:
      handled = true;
      return 1;
    case WM_ENABLE:
      buttoncommon::ApplyEnable(wp, m_state);
      Invalidate(false);
      break;
    default:
      break;
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

bool BASSwitchButton::OnMouseMove(int, int, UINT) {
  buttoncommon::RequestHoverAndLeave(Hwnd(), m_tracking);
  return false;
}

bool BASSwitchButton::OnLButtonDown(int, int, UINT) {
  if (m_state == kDisabled) return true;
  m_state = kSelected;
  PostClick();
  Invalidate(false);
  return true;
}

bool BASSwitchButton::OnLButtonDblClk(int x, int y, UINT keys) {
  // The second press of a double click is a press like the first; what the press leaves to
  // the system gets the system's button-down, not its double-click notice.
  if (!OnLButtonDown(x, y, keys)) DefaultProc(WM_LBUTTONDOWN, keys, MAKELPARAM(x, y));
  return true;
}

bool BASSwitchButton::OnMouseHover(int, int, UINT) {
  if (!HoverEnabled()) return true;
  // A disabled button keeps its grey look; a selected tab keeps its selected one.
  if (m_state == kDisabled || (m_groupMember && m_state == kSelected)) return true;
  m_state = kHover;
  Invalidate(false);
  return true;
}

bool BASSwitchButton::OnMouseLeave() {
  if (!m_tracking) return true;
  m_tracking = false;
  const bool keep = m_state == kDisabled || (m_groupMember && m_state == kSelected);
  if (!keep) m_state = kNormal;
  Invalidate(true);
  return true;
}

bool BASSwitchButton::OnDrawItem(DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  DoubleBuffer buffer(item.hDC, item.rcItem);
  // Rounded corners leave the corners unpainted: they show what lies beneath the button.
  if (buffer.IsBuffered()) PaintParentBackground(Hwnd(), buffer.Dc(), item.rcItem);
  Draw(buffer.Dc(), item.rcItem);
  return true;
}

BASSwitchButton::FaceColors BASSwitchButton::ColorsOfState() const {
  switch (m_state) {
    case kSelected:
    case kHover:
      return m_selected;
    case kDisabled:
      return m_disabled;
    default:
      return m_normal;
  }
}

void BASSwitchButton::FillFace(HDC dc, const RECT& client, COLORREF fill) const {
  SelectGuard brush(dc, GetStockObject(DC_BRUSH));
  SelectGuard pen(dc, GetStockObject(DC_PEN));
  SetDCBrushColor(dc, fill);
  SetDCPenColor(dc, m_border == kBorderAsFill ? fill : m_border);
  if (m_rounded)
    RoundRect(dc, client.left, client.top, client.right, client.bottom, m_radiusX, m_radiusY);
  else
    Rectangle(dc, client.left, client.top, client.right, client.bottom);
}

void BASSwitchButton::DrawLabel(HDC dc, RECT rect, COLORREF color) const {
  if (m_text.empty()) return;
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  SelectGuard fontGuard(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void BASSwitchButton::Draw(HDC dc, const RECT& client) const {
  const FaceColors colors = ColorsOfState();
  FillFace(dc, client, colors.fill);
  DrawLabel(dc, client, colors.text);
}
