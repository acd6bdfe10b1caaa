#include "kit/BASListView.h"

#include "contracts/cornerstone/Cornerstone.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

constexpr COLORREF kSelectedRow = 0xEEDBA1;
constexpr COLORREF kShadedRow = 0xFAFAFA;
constexpr COLORREF kRowEdge = 0xDCDCDC;
constexpr int kCheckX = 5;
constexpr int kNumberGap = 15;
constexpr int kImageX = 2;
constexpr int kImageMargin = 2;  // a scaled image keeps this much room above and below
constexpr int kTextGap = 10;
constexpr UINT kTextFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;
// Longer cell texts are cut here; a row never shows more than a few hundred characters.
constexpr int kCellTextMax = 512;

int ImageWidth(Gdiplus::Bitmap* image) { return image ? static_cast<int>(image->GetWidth()) : 0; }
int ImageHeight(Gdiplus::Bitmap* image) { return image ? static_cast<int>(image->GetHeight()) : 0; }

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  SetDCBrushColor(dc, color);
  FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

RECT Shifted(RECT rect, POINT origin) {
  OffsetRect(&rect, -origin.x, -origin.y);
  return rect;
}

}  // namespace

BASListView::~BASListView() {
  // Destroyed while the derived part still lives, so the font outlives every use of it.
  if (m_created && Hwnd()) Destroy();
}

bool BASListView::Create(HWND parent, const RECT& rect, UINT id, DWORD extraStyle) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_ALIGNLEFT | extraStyle;
  if (!CreateControl(parent, WC_LISTVIEWW, L"", style, 0, rect, id)) return false;
  m_created = true;
  m_listProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(Hwnd(), GCLP_WNDPROC));
  const DWORD exStyle = LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES;
  Control(LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, exStyle);
  const auto header = reinterpret_cast<HWND>(Control(LVM_GETHEADER, 0, 0));
  if (!header || !m_header.Subclass(header))
    std::fprintf(stderr, "BASListView: header of %p not taken over\n", static_cast<void*>(Hwnd()));
  if (header) m_headerProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(header, GCLP_WNDPROC));
  m_headerBackground = GetSysColor(COLOR_BTNFACE);
  m_header.SetBackground(m_headerBackground);
  m_header.SetCheckImages(m_checkedImage, m_uncheckedImage, &m_allChecked);
  m_alternateShading = 0;
  m_descendingNumbers = 0;
  return true;
}

bool BASListView::OnCreate(CREATESTRUCTW*) {
  std::printf("BASListView: %p\n", static_cast<void*>(Hwnd()));
  std::fflush(stdout);
  SetListFont(BASUtilityApp::GetFont(16, false, L"Arial"));
  ShowScrollBar(Hwnd(), SB_BOTH, FALSE);
  return true;
}

void BASListView::SetCheckImages(Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked) {
  m_checkedImage = checked;
  m_uncheckedImage = unchecked;
  m_header.SetCheckImages(checked, unchecked, &m_allChecked);
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BASListView::SetRowColorHook(RowColorHook hook, void* context) {
  m_rowColorHook = hook;
  m_rowColorContext = context;
}

void BASListView::SetRowImageHook(RowImageHook hook, void* context) {
  m_rowImageHook = hook;
  m_rowImageContext = context;
}

void BASListView::SetDefaultRowImage(Gdiplus::Bitmap* image) {
  m_defaultRowImage = image;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BASListView::SetCellTextHook(CellTextHook hook, void* context) {
  m_cellTextHook = hook;
  m_cellTextContext = context;
}

void BASListView::SetRowHeight(int height) {
  m_rowHeight = std::max(1, height);
  if (!Hwnd()) return;
  // The control asks for the row height only when it is resized; a resize notice for the
  // size it already has makes it ask again.
  RECT window{};
  GetWindowRect(Hwnd(), &window);
  WINDOWPOS pos{};
  pos.hwnd = Hwnd();
  pos.cx = window.right - window.left;
  pos.cy = window.bottom - window.top;
  pos.flags = SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER;
  SendMessageW(Hwnd(), WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

void BASListView::SetListFont(HFONT font) {
  if (!font) return;
  if (Hwnd()) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  m_font.Reset(font);
}

void BASListView::SetRedraw(bool on) {
  if (!Hwnd()) return;
  SendMessageW(Hwnd(), WM_SETREDRAW, on ? TRUE : FALSE, 0);
  if (on) RedrawWindow(Hwnd(), nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

LRESULT BASListView::Control(UINT msg, WPARAM wp, LPARAM lp) const {
  if (!Hwnd()) return 0;
  return m_listProc ? CallWindowProcW(m_listProc, Hwnd(), msg, wp, lp) : SendMessageW(Hwnd(), msg, wp, lp);
}

LRESULT BASListView::HeaderControl(UINT msg, WPARAM wp, LPARAM lp) const {
  if (!m_header.Hwnd()) return 0;
  return m_headerProc ? CallWindowProcW(m_headerProc, m_header.Hwnd(), msg, wp, lp)
                      : SendMessageW(m_header.Hwnd(), msg, wp, lp);
}

int BASListView::InsertColumn(int index, const wchar_t* title, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(title ? title : L"");
  column.cx = width;
  column.iSubItem = index;
  return static_cast<int>(Control(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int BASListView::InsertRow(int index, const std::vector<std::wstring>& texts, LPARAM itemData) {
  if (!Hwnd()) return -1;
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
  item.iItem = std::max(0, index);
  item.pszText = const_cast<wchar_t*>(texts.empty() ? L"" : texts[0].c_str());
  item.lParam = itemData;
  item.state = kStateUnchecked;
  item.stateMask = LVIS_STATEIMAGEMASK;
  const int row = static_cast<int>(Control(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  if (row < 0) return -1;
  for (size_t column = 1; column < texts.size(); ++column) SetRowText(row, static_cast<int>(column), texts[column]);
  return row;
}

int BASListView::AppendRow(const std::vector<std::wstring>& texts, LPARAM itemData) {
  return InsertRow(RowCount(), texts, itemData);
}

void BASListView::SetRowText(int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  Control(LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool BASListView::DeleteRow(int row) { return Hwnd() && Control(LVM_DELETEITEM, static_cast<WPARAM>(row), 0); }

void BASListView::DeleteAllRows() {
  if (Hwnd()) Control(LVM_DELETEALLITEMS, 0, 0);
}

int BASListView::RowCount() const { return Hwnd() ? static_cast<int>(Control(LVM_GETITEMCOUNT, 0, 0)) : 0; }

LPARAM BASListView::RowData(int row) const {
  LVITEMW item{};
  item.mask = LVIF_PARAM;
  item.iItem = row;
  if (!Hwnd() || !Control(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
  return item.lParam;
}

UINT BASListView::RowState(int row, UINT mask) const {
  return Hwnd() ? static_cast<UINT>(Control(LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask)) : 0;
}

void BASListView::SetRowState(int row, UINT state, UINT mask) {
  if (!Hwnd()) return;
  LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  Control(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool BASListView::IsChecked(int row) const { return RowState(row, LVIS_STATEIMAGEMASK) != kStateUnchecked; }

void BASListView::SetChecked(int row, bool checked) {
  SetRowState(row, checked ? kStateChecked : kStateUnchecked, LVIS_STATEIMAGEMASK);
}

bool BASListView::IsSelected(int row) const { return (RowState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0; }

void BASListView::SelectFirst() {
  if (RowCount() == 0) return;
  if (!(GetWindowLongW(Hwnd(), GWL_STYLE) & LVS_SINGLESEL)) SetRowState(-1, 0, LVIS_SELECTED);
  SetRowState(0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  Control(LVM_ENSUREVISIBLE, 0, FALSE);
}

void BASListView::FollowSelection() {
  const int count = RowCount();
  for (int row = 0; row < count; ++row) {
    // One query per row: this runs on every click, over every row.
    const UINT state = RowState(row, LVIS_SELECTED | LVIS_STATEIMAGEMASK);
    const bool selected = (state & LVIS_SELECTED) != 0;
    const bool checked = (state & LVIS_STATEIMAGEMASK) != kStateUnchecked;
    if (selected != checked) SetChecked(row, selected);
  }
}

void BASListView::RepaintCheckColumn() {
  if (!Hwnd()) return;
  RECT strip{};
  GetClientRect(Hwnd(), &strip);
  const int width = static_cast<int>(Control(LVM_GETCOLUMNWIDTH, 0, 0));
  strip.right = strip.left + std::max(0, width);
  InvalidateRect(Hwnd(), &strip, FALSE);
}

std::wstring BASListView::RowNumberText(int row) const {
  const int number = m_descendingNumbers ? RowCount() - row : row + 1;
  return std::to_wstring(number);
}

int BASListView::ScrollPosition() const {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  return GetScrollInfo(Hwnd(), SB_HORZ, &info) ? info.nPos : 0;
}

bool BASListView::ColumnEdges(int column, int& left, int& right) const {
  RECT item{};
  if (!m_header.Hwnd() || !HeaderControl(HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
    return false;
  // Header items keep their unscrolled positions; the header window itself moves.
  const int offset = -ScrollPosition();
  left = item.left + offset;
  right = item.right + offset;
  return true;
}

RECT BASListView::CheckImageRect(int row) const {
  RECT box{};
  if (!m_checkedImage || row < 0) return box;
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (!Control(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds))) return box;
  int left = 0;
  int right = 0;
  if (!ColumnEdges(0, left, right)) return box;
  Gdiplus::Bitmap* image = IsChecked(row) ? m_checkedImage : m_uncheckedImage;
  if (!image) image = m_checkedImage;
  box.left = left + kCheckX;
  box.top = bounds.top + (bounds.bottom - bounds.top - ImageHeight(image)) / 2;
  box.right = box.left + ImageWidth(image);
  box.bottom = box.top + ImageHeight(image);
  return box;
}

HFONT BASListView::DrawingFont() const {
  if (m_font) return m_font.Get();
  return reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
}

void BASListView::RecomputeAllChecked() {
  const int count = RowCount();
  int32_t all = 1;
  for (int row = 0; row < count; ++row) {
    if (RowState(row, LVIS_STATEIMAGEMASK) == kStateUnchecked) {
      all = 0;
      break;
    }
  }
  m_allChecked = all;
  if (m_header.Hwnd()) InvalidateRect(m_header.Hwnd(), nullptr, FALSE);
}

void BASListView::SelectAll(bool checked) {
  // Row -1 sets every row in one message; the control repaints the rows that change.
  SetRowState(-1, checked ? kStateChecked : kStateUnchecked, LVIS_STATEIMAGEMASK);
  RepaintCheckColumn();
}

LRESULT BASListView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_ERASEBKGND:
      if (wp) EraseUncovered(reinterpret_cast<HDC>(wp));
      handled = true;
      return 1;
    case kListSelectAll:
      SelectAll(wp != 0);
      handled = true;
      return TRUE;
    default:
      return BASWindow::HandleMessage(msg, wp, lp, handled);
  }
}

bool BASListView::OnLButtonDown(int x, int y, UINT) {
  if (!m_checkedImage) return false;
  LVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  const int row = static_cast<int>(Control(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (row < 0 || !(hit.flags & LVHT_ONITEM)) return false;
  const RECT box = CheckImageRect(row);
  if (!PtInRect(&box, hit.pt)) return false;
  const UINT state = RowState(row, LVIS_STATEIMAGEMASK);
  SetRowState(row, state == kStateUnchecked ? kStateChecked : kStateUnchecked, LVIS_STATEIMAGEMASK);
  RecomputeAllChecked();
  // Swallowed: the control would otherwise move the selection to this row.
  return true;
}

bool BASListView::OnMeasureItem(MEASUREITEMSTRUCT& item) {
  if (item.CtlType != ODT_LISTVIEW) return false;
  item.itemHeight = static_cast<UINT>(m_rowHeight);
  return true;
}

bool BASListView::OnDrawItem(DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_LISTVIEW || static_cast<int>(item.itemID) < 0) return false;
  DrawRow(item);
  return true;
}

bool BASListView::OnReflectedNotify(NMHDR* header, LRESULT& result) {
  switch (header->code) {
    case LVN_COLUMNCLICK:
      // The list never sorts.
      result = 0;
      return true;
    case LVN_DELETEALLITEMS:
      // No LVN_DELETEITEM per row: emptying a list of 50,000 contacts would send as many.
      result = TRUE;
      return true;
    default:
      return false;
  }
}

void BASListView::UpdateScrollOffset() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS | SIF_RANGE;
  if (GetScrollInfo(Hwnd(), SB_HORZ, &info)) {
    m_scrollOffset = -info.nPos;
    m_contentWidth = std::max<int>(client.right - client.left, info.nMax + 1);
  } else {
    m_scrollOffset = client.left;
    m_contentWidth = client.right - client.left;
  }
}

void BASListView::DrawRow(const DRAWITEMSTRUCT& item) {
  // The row's bounds rather than rcItem, which Wine shifts 2 pixels right of the columns.
  RECT rect = item.rcItem;
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (Control(LVM_GETITEMRECT, item.itemID, reinterpret_cast<LPARAM>(&bounds))) {
    rect.left = bounds.left;
    rect.right = bounds.right;
  }
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return;
  UpdateScrollOffset();
  MemoryDc memory(item.hDC);
  GdiBitmap bitmap(memory ? CreateCompatibleBitmap(item.hDC, width, height) : nullptr);
  if (!bitmap) {
    // No buffer: the row still gets drawn, straight onto the control.
    DcStateGuard state(item.hDC);
    DrawRowContents(item.hDC, POINT{0, 0}, static_cast<int>(item.itemID), rect);
    return;
  }
  {
    SelectGuard selected(memory, bitmap);
    DrawRowContents(memory, POINT{rect.left, rect.top}, static_cast<int>(item.itemID), rect);
    BitBlt(item.hDC, rect.left, rect.top, width, height, memory, 0, 0, SRCCOPY);
  }
}

void BASListView::DrawRowContents(HDC dc, POINT origin, int row, const RECT& rect) {
  const RECT local = Shifted(rect, origin);
  const int rowHeight = rect.bottom - rect.top;
  const UINT state = RowState(row, LVIS_SELECTED | LVIS_STATEIMAGEMASK);
  COLORREF background = m_rowBackground;
  if (state & LVIS_SELECTED)
    background = kSelectedRow;
  else if (m_alternateShading && (row % 2) == 1)
    background = kShadedRow;
  Fill(dc, local, background);

  SelectGuard pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, kRowEdge);
  MoveToEx(dc, local.left, local.top, nullptr);
  LineTo(dc, local.left, local.bottom - 1);
  LineTo(dc, local.right - 1, local.bottom - 1);
  LineTo(dc, local.right - 1, local.top - 1);

  SelectGuard font(dc, DrawingFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  if (m_rowColorHook) m_rowColorHook(dc, *this, row, m_rowColorContext);

  // Made only for rows that show an image.
  std::optional<Gdiplus::Graphics> graphics;
  auto drawImage = [&](Gdiplus::Bitmap* image, int x, int y, int w, int h) {
    if (!graphics) {
      graphics.emplace(dc);
      graphics->SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    }
    const bool natural = w == ImageWidth(image) && h == ImageHeight(image);
    graphics->SetInterpolationMode(natural ? Gdiplus::InterpolationModeNearestNeighbor
                                           : Gdiplus::InterpolationModeHighQualityBicubic);
    if (natural) {
      graphics->DrawImage(image, Gdiplus::Rect(x - origin.x, y - origin.y, w, h), 0, 0, w, h, Gdiplus::UnitPixel);
      return;
    }
    // Scaling samples past the image's edges; mirrored there, the edges do not fade out.
    Gdiplus::ImageAttributes attributes;
    attributes.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
    graphics->DrawImage(image, Gdiplus::Rect(x - origin.x, y - origin.y, w, h), 0, 0, ImageWidth(image),
                        ImageHeight(image), Gdiplus::UnitPixel, &attributes);
  };

  const int columns = m_header.Hwnd() ? static_cast<int>(HeaderControl(HDM_GETITEMCOUNT, 0, 0)) : 0;
  wchar_t text[kCellTextMax];
  for (int column = 0; column < columns; ++column) {
    RECT cell = rect;
    int left = 0;
    int right = 0;
    if (!ColumnEdges(column, left, right)) continue;
    cell.left = left;
    cell.right = right;
    if (column == 0) {
      int imageWidth = 0;
      if (m_checkedImage) {
        Gdiplus::Bitmap* image = (state & LVIS_STATEIMAGEMASK) != kStateUnchecked ? m_checkedImage : m_uncheckedImage;
        if (image) {
          imageWidth = ImageWidth(image);
          const int imageHeight = ImageHeight(image);
          drawImage(image, cell.left + kCheckX, rect.top + (rowHeight - imageHeight) / 2, imageWidth, imageHeight);
        }
      }
      RECT number = cell;
      number.left = cell.left + imageWidth + kNumberGap;
      DrawCellText(dc, origin, row, column, RowNumberText(row).c_str(), number);
      continue;
    }

    text[0] = L'\0';
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = kCellTextMax;
    Control(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    RECT textRect = cell;
    if (column == 1) {
      Gdiplus::Bitmap* image = m_rowImageHook ? m_rowImageHook(*this, row, m_rowImageContext) : nullptr;
      if (!image) image = m_defaultRowImage;
      int drawnWidth = 0;
      if (image) {
        const int side = rowHeight - 2 * kImageMargin;
        if (ImageHeight(image) < side) {
          drawnWidth = ImageWidth(image);
          drawImage(image, cell.left + kImageX, rect.top + (rowHeight - ImageHeight(image)) / 2, drawnWidth,
                    ImageHeight(image));
        } else if (side > 0) {
          drawnWidth = side;
          drawImage(image, cell.left + kImageX, rect.top + kImageMargin, side, side);
        }
      }
      textRect.left = cell.left + kImageX + drawnWidth + kTextGap;
    } else {
      textRect.left = cell.left + kTextGap;
    }
    DrawCellText(dc, origin, row, column, text, textRect);
  }
}

void BASListView::DrawCellText(HDC dc, POINT origin, int row, int column, const wchar_t* text, RECT rect) const {
  if (m_cellTextHook) m_cellTextHook(row, column, text, rect, m_cellTextContext);
  if (!text[0] || rect.right <= rect.left) return;
  RECT local = Shifted(rect, origin);
  DrawTextW(dc, text, -1, &local, kTextFormat);
}

void BASListView::EraseUncovered(HDC dc) {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  COLORREF color = static_cast<COLORREF>(Control(LVM_GETBKCOLOR, 0, 0));
  if (color == CLR_NONE) color = m_rowBackground;
  // The header paints itself; rows start below it.
  RECT area = client;
  if (m_header.Hwnd() && IsWindowVisible(m_header.Hwnd())) {
    RECT header{};
    GetWindowRect(m_header.Hwnd(), &header);
    MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&header), 2);
    area.top = std::clamp<LONG>(header.bottom, client.top, client.bottom);
  }
  const int count = RowCount();
  if (count == 0) {
    Fill(dc, area, color);
    return;
  }
  RECT last{};
  last.left = LVIR_BOUNDS;
  if (!Control(LVM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last))) {
    Fill(dc, area, color);
    return;
  }
  int rowRight = last.right;
  if (GetWindowLongW(Hwnd(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) rowRight -= 16 + GetSystemMetrics(SM_CXEDGE);
  const int columns = static_cast<int>(HeaderControl(HDM_GETITEMCOUNT, 0, 0));
  int left = 0;
  int columnsRight = rowRight;
  if (columns > 0 && ColumnEdges(columns - 1, left, columnsRight)) rowRight = std::min(rowRight, columnsRight);
  const int rowsLeft = std::max<int>(area.left, last.left);
  const int rowsBottom = std::clamp<int>(last.bottom, area.top, area.bottom);
  Fill(dc, RECT{rowRight, area.top, area.right, area.bottom}, color);
  Fill(dc, RECT{area.left, rowsBottom, std::min<int>(rowRight, area.right), area.bottom}, color);
  Fill(dc, RECT{area.left, area.top, rowsLeft, rowsBottom}, color);
}
