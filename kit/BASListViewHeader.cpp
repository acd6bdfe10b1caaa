#include "kit/BASListViewHeader.h"

#include "kit/BASListView.h"
#include "kit/GdiHandles.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr COLORREF kBottomLine = RGB(0xBC, 0xBC, 0xBC);
constexpr COLORREF kSeparator = RGB(0xD2, 0xD2, 0xD2);
constexpr int kImageX = 5;
constexpr int kImageY = 4;
constexpr int kTitleIndent = 10;

void VerticalLine(HDC dc, int x, int top, int bottom) {
  MoveToEx(dc, x, top, nullptr);
  LineTo(dc, x, bottom);
}

}  // namespace

void BASListViewHeader::SetCheckImages(Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked,
                                       const int32_t* allChecked) {
  m_checked = checked;
  m_unchecked = unchecked;
  m_allChecked = allChecked;
  m_writableAllChecked = nullptr;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BASListViewHeader::SetCheckImages(Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked, int32_t* allChecked) {
  SetCheckImages(checked, unchecked, static_cast<const int32_t*>(allChecked));
  m_writableAllChecked = allChecked;
}

void BASListViewHeader::SetBackground(COLORREF color) {
  m_background = color;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BASListViewHeader::SetFont(HFONT font) {
  m_font = font;
  // The control measures its own height from its font, so it gets the font as well.
  if (Hwnd()) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

bool BASListViewHeader::IsOnCheckImage(int x) const {
  Gdiplus::Bitmap* image = m_checked ? m_checked : m_unchecked;
  if (!image) return false;
  return x > 4 && x <= static_cast<int>(image->GetWidth()) + kImageX;
}

LRESULT BASListViewHeader::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

bool BASListViewHeader::OnLButtonDown(int x, int y, UINT) {
  HDHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  const int item = static_cast<int>(SendMessageW(Hwnd(), HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  const bool onItem = item >= 0 && (hit.flags & HHT_ONHEADER) && !(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN));
  if (onItem && m_allChecked && IsOnCheckImage(x)) {
    const int32_t inverted = *m_allChecked ? 0 : 1;
    if (m_writableAllChecked) *m_writableAllChecked = inverted;
    InvalidateRect(Hwnd(), nullptr, FALSE);
    SendMessageW(GetParent(Hwnd()), kListSelectAll, static_cast<WPARAM>(inverted), 0);
  }
  // The header still presses the item as usual; the list swallows the column click it reports.
  return false;
}

void BASListViewHeader::OnPaint(HDC dc, const RECT& client) {
  SetDCBrushColor(dc, m_background);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));

  SelectGuard pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, kBottomLine);
  MoveToEx(dc, client.left, client.bottom - 1, nullptr);
  LineTo(dc, client.right, client.bottom - 1);

  Gdiplus::Bitmap* image = (m_allChecked && *m_allChecked) ? m_checked : m_unchecked;
  if (image) {
    Gdiplus::Graphics graphics(dc);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    const int width = static_cast<int>(image->GetWidth());
    const int height = static_cast<int>(image->GetHeight());
    // Pixels in and out: the plain overload would scale by the file's resolution.
    graphics.DrawImage(image, Gdiplus::Rect(kImageX, kImageY, width, height), 0, 0, width, height, Gdiplus::UnitPixel);
  }

  SetDCPenColor(dc, kSeparator);
  VerticalLine(dc, 0, client.top, client.bottom - 1);
  const int count = static_cast<int>(SendMessageW(Hwnd(), HDM_GETITEMCOUNT, 0, 0));
  const HFONT font = m_font ? m_font : reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  SelectGuard fontGuard(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  for (int i = 0; i < count; ++i) {
    RECT item{};
    if (!SendMessageW(Hwnd(), HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item))) continue;
    if (i > 0) VerticalLine(dc, item.left, client.top, client.bottom - 1);
    if (i == count - 1) VerticalLine(dc, item.right - 1, client.top, client.bottom - 1);

    wchar_t title[256] = L"";
    HDITEMW info{};
    info.mask = HDI_TEXT;
    info.pszText = title;
    info.cchTextMax = static_cast<int>(std::size(title));
    if (!SendMessageW(Hwnd(), HDM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&info)) || !title[0])
      continue;
    RECT text = item;
    text.left += kTitleIndent;
    DrawTextW(dc, title, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
}
