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
// The list's own timer: tells the control the row count if nothing else did meanwhile. The
// control's own timers use small ids.
constexpr UINT_PTR kSyncRowsTimer = 0x5A17;
// Telling the control a new count costs a few milliseconds (it redraws its scroll bar), so rows
// that keep coming are shown at this pace rather than batch by batch; anything the control is
// asked in between tells it at once.
constexpr UINT kSyncRowsAfterMs = 100;
const std::wstring kNoText;

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
  const DWORD style =
      WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_OWNERDATA | LVS_ALIGNLEFT | extraStyle;
  if (!CreateControl(parent, WC_LISTVIEWW, L"", style, 0, rect, id)) return false;
  m_created = true;
  m_listProc = reinterpret_cast<WNDPROC>(GetClassLongPtrW(Hwnd(), GCLP_WNDPROC));
  const DWORD exStyle = LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES;
  Control(LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, exStyle);
  // The checks are the rows' own: the control asks for them instead of keeping them.
  Control(LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
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

void BASListView::OnDestroy() {
  FreeAllRows();
  m_uncheckedRows = 0;
  m_controlRows = 0;
  m_firstChangedRow = -1;
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

void BASListView::SetRowTextHook(RowTextHook hook, void* context) {
  m_rowTextHook = hook;
  m_rowTextContext = context;
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
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

void BASListView::SyncRows() const {
  if (!Hwnd()) return;
  if (m_syncPending) {
    m_syncPending = false;
    KillTimer(Hwnd(), kSyncRowsTimer);
  }
  const int count = static_cast<int>(m_rows.size());
  if (count == m_controlRows && m_firstChangedRow < 0) return;
  const int first = m_firstChangedRow;
  m_firstChangedRow = -1;
  if (count != m_controlRows) {
    m_controlRows = count;
    // No scrolling to the focused row and no repaint of every row: only what changed is drawn.
    Control(LVM_SETITEMCOUNT, static_cast<WPARAM>(count), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  }
  if (m_redrawOff) return;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  // Descending numbers change on every row when the count changes.
  RECT from{};
  from.left = LVIR_BOUNDS;
  if (!m_descendingNumbers && first > 0 && first < count &&
      Control(LVM_GETITEMRECT, static_cast<WPARAM>(first), reinterpret_cast<LPARAM>(&from)))
    client.top = std::max(client.top, from.top);
  else if (!m_descendingNumbers && first > 0 && first >= count && count > 0) {
    RECT last{};
    last.left = LVIR_BOUNDS;
    if (Control(LVM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last)))
      client.top = std::max(client.top, last.bottom);
  }
  InvalidateRect(Hwnd(), &client, TRUE);
}

void BASListView::RowsChanged(int firstChanged) {
  m_firstChangedRow = m_firstChangedRow < 0 ? firstChanged : std::min(m_firstChangedRow, firstChanged);
  if (m_syncPending || !Hwnd()) return;
  m_syncPending = SetTimer(Hwnd(), kSyncRowsTimer, kSyncRowsAfterMs, nullptr) != 0;
  // Without a timer the control learns the count now.
  if (!m_syncPending) SyncRows();
}

// The selected rows, ascending. The walk stops at the last one: a virtual list view may look at
// every row up to the next selected one, and a delete of thousands asks once per row deleted.
std::vector<int> BASListView::SelectedRows() const {
  std::vector<int> rows;
  if (!Hwnd()) return rows;
  const int selected = static_cast<int>(Control(LVM_GETSELECTEDCOUNT, 0, 0));
  for (int row = -1; static_cast<int>(rows.size()) < selected;) {
    row = static_cast<int>(Control(LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED));
    if (row < 0) break;
    rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

void BASListView::ShiftSelection(int at, int count) {
  if (!Hwnd() || count == 0) return;
  // Only rows at or below `at` move; most changes have no selection or focus there.
  const int focused = FocusedRow();
  std::vector<int> moved = SelectedRows();
  moved.erase(moved.begin(), std::lower_bound(moved.begin(), moved.end(), at));
  if (moved.empty() && focused < at) return;
  SyncRows();
  for (int row : moved) SetRowState(row, 0, LVIS_SELECTED);
  for (int row : moved)
    if (count > 0 || row != at) SetRowState(row + (count > 0 ? count : -1), LVIS_SELECTED, LVIS_SELECTED);
  if (focused < at) return;
  const int last = static_cast<int>(m_rows.size()) - 1 + (count < 0 ? -1 : 0);
  int target = focused;
  if (count > 0)
    target = focused + count;
  else if (focused > at)
    target = focused - 1;
  target = std::min(target, last);
  if (target >= 0) SetRowState(target, LVIS_FOCUSED, LVIS_FOCUSED);
}

int BASListView::InsertColumn(int index, const wchar_t* title, int width) {
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  column.pszText = const_cast<wchar_t*>(title ? title : L"");
  column.cx = width;
  column.iSubItem = index;
  return static_cast<int>(Control(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int BASListView::InsertRow(int index, std::vector<std::wstring> texts, LPARAM itemData) {
  if (!Hwnd()) return -1;
  const int count = static_cast<int>(m_rows.size());
  const int row = std::clamp(index, 0, count);
  Row* added = NewRow();
  added->texts = std::move(texts);
  added->data = itemData;
  m_rows.insert(m_rows.begin() + row, added);
  ++m_uncheckedRows;
  if (row < count) ShiftSelection(row, 1);
  RowsChanged(row);
  RecomputeAllChecked();
  return row;
}

int BASListView::AppendRow(std::vector<std::wstring> texts, LPARAM itemData) {
  return InsertRow(RowCount(), std::move(texts), itemData);
}

void BASListView::ReserveRows(size_t count) {
  // At least doubling: a load reserving batch by batch must not copy the rows at each batch.
  if (count > m_rows.capacity()) m_rows.reserve(std::max(count, 2 * m_rows.capacity()));
}

BASListView::Row* BASListView::NewRow() {
  if (m_freeRows.empty()) return &m_rowStore.emplace_back();
  Row* row = m_freeRows.back();
  m_freeRows.pop_back();
  return row;
}

void BASListView::FreeRow(Row* row) {
  row->texts.clear();
  row->data = 0;
  row->checked = false;
  m_freeRows.push_back(row);
}

void BASListView::FreeAllRows() {
  m_rows.clear();
  m_freeRows.clear();
  m_rowStore.clear();
}

void BASListView::SetRowText(int row, int column, const std::wstring& text) {
  if (!IsRow(row) || column < 0) return;
  std::vector<std::wstring>& texts = m_rows[static_cast<size_t>(row)]->texts;
  if (static_cast<size_t>(column) >= texts.size()) texts.resize(static_cast<size_t>(column) + 1);
  texts[static_cast<size_t>(column)] = text;
  InvalidateRow(row);
}

const std::wstring& BASListView::RowText(int row, int column) const {
  if (!IsRow(row) || column < 0) return kNoText;
  const Row& entry = *m_rows[static_cast<size_t>(row)];
  const bool held = static_cast<size_t>(column) < entry.texts.size();
  if (held && !entry.texts[static_cast<size_t>(column)].empty()) return entry.texts[static_cast<size_t>(column)];
  const std::wstring* text = m_rowTextHook ? m_rowTextHook(*this, row, column, entry.data, m_rowTextContext) : nullptr;
  if (text) return *text;
  return held ? entry.texts[static_cast<size_t>(column)] : kNoText;
}

void BASListView::RefreshRow(int row) { InvalidateRow(row); }

bool BASListView::DeleteRow(int row) {
  if (!Hwnd() || !IsRow(row)) return false;
  ShiftSelection(row, -1);
  if (!m_rows[static_cast<size_t>(row)]->checked) --m_uncheckedRows;
  FreeRow(m_rows[static_cast<size_t>(row)]);
  m_rows.erase(m_rows.begin() + row);
  RowsChanged(row);
  RecomputeAllChecked();
  return true;
}

void BASListView::DeleteAllRows() {
  FreeAllRows();
  m_uncheckedRows = 0;
  m_firstChangedRow = -1;
  if (!Hwnd()) return;
  // The control forgets its selection and focus with its rows.
  m_controlRows = 0;
  Control(LVM_DELETEALLITEMS, 0, 0);
  RecomputeAllChecked();
}

int BASListView::RowCount() const { return static_cast<int>(m_rows.size()); }

LPARAM BASListView::RowData(int row) const { return IsRow(row) ? m_rows[static_cast<size_t>(row)]->data : 0; }

UINT BASListView::RowState(int row, UINT mask) const {
  if (row >= m_controlRows) SyncRows();
  if (!Hwnd() || row < 0 || row >= m_controlRows) return 0;
  return static_cast<UINT>(Control(LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

void BASListView::SetRowState(int row, UINT state, UINT mask) {
  if (!Hwnd()) return;
  SyncRows();
  LVITEMW item{};
  item.state = state;
  item.stateMask = mask;
  Control(LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

bool BASListView::IsChecked(int row) const { return IsRow(row) && m_rows[static_cast<size_t>(row)]->checked; }

void BASListView::SetCheckedQuietly(int row, bool checked) {
  Row& entry = *m_rows[static_cast<size_t>(row)];
  if (entry.checked == checked) return;
  entry.checked = checked;
  if (checked)
    --m_uncheckedRows;
  else
    ++m_uncheckedRows;
}

void BASListView::SetChecked(int row, bool checked) {
  if (!IsRow(row)) return;
  SetCheckedQuietly(row, checked);
  InvalidateRow(row);
  RecomputeAllChecked();
}

void BASListView::ToggleCheck(int row) { SetChecked(row, !IsChecked(row)); }

bool BASListView::IsSelected(int row) const { return (RowState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0; }

int BASListView::SelectedCount() const {
  // The control keeps the selection on rows it knows of; the count need not be told first.
  return Hwnd() ? static_cast<int>(Control(LVM_GETSELECTEDCOUNT, 0, 0)) : 0;
}

int BASListView::FocusedRow() const {
  if (!Hwnd()) return -1;
  const int row = static_cast<int>(Control(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
  return IsRow(row) ? row : -1;
}

void BASListView::SelectFirst() {
  if (RowCount() == 0) return;
  if (!(GetWindowLongW(Hwnd(), GWL_STYLE) & LVS_SINGLESEL)) SetRowState(-1, 0, LVIS_SELECTED);
  SetRowState(0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  Control(LVM_ENSUREVISIBLE, 0, FALSE);
}

void BASListView::FollowSelection() {
  SyncRows();
  const std::vector<int> selected = SelectedRows();
  bool changed = false;
  size_t next = 0;
  const int count = RowCount();
  for (int row = 0; row < count; ++row) {
    while (next < selected.size() && selected[next] < row) ++next;
    const bool isSelected = next < selected.size() && selected[next] == row;
    if (m_rows[static_cast<size_t>(row)]->checked == isSelected) continue;
    SetCheckedQuietly(row, isSelected);
    changed = true;
  }
  if (changed) RepaintCheckColumn();
  RecomputeAllChecked();
}

void BASListView::RepaintCheckColumn() {
  if (!Hwnd()) return;
  RECT strip{};
  GetClientRect(Hwnd(), &strip);
  const int width = static_cast<int>(Control(LVM_GETCOLUMNWIDTH, 0, 0));
  strip.right = strip.left + std::max(0, width);
  InvalidateRect(Hwnd(), &strip, FALSE);
}

void BASListView::InvalidateRow(int row) {
  if (!Hwnd() || row < 0 || row >= m_controlRows) return;
  RECT bounds{};
  bounds.left = LVIR_BOUNDS;
  if (Control(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds)))
    InvalidateRect(Hwnd(), &bounds, FALSE);
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
  if (!m_checkedImage || !IsRow(row)) return box;
  SyncRows();
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
  const int32_t all = !m_rows.empty() && m_uncheckedRows == 0 ? 1 : 0;
  if (all == m_allChecked) return;
  m_allChecked = all;
  if (m_header.Hwnd()) InvalidateRect(m_header.Hwnd(), nullptr, FALSE);
}

void BASListView::SelectAll(bool checked) {
  for (Row* row : m_rows) row->checked = checked;
  m_uncheckedRows = checked ? 0 : m_rows.size();
  RepaintCheckColumn();
}

UINT BASListView::StateOf(int row, UINT mask) const {
  UINT state = RowState(row, mask & ~LVIS_STATEIMAGEMASK);
  if (mask & LVIS_STATEIMAGEMASK) state |= IsChecked(row) ? kStateChecked : kStateUnchecked;
  return state;
}

// A state image of 1 unchecks, any other checks; selection and focus are the control's.
void BASListView::ApplyState(int row, const LVITEMW& item) {
  if (item.stateMask & LVIS_STATEIMAGEMASK) {
    const bool checked = (item.state & LVIS_STATEIMAGEMASK) != kStateUnchecked;
    if (row == -1) {
      SelectAll(checked);
    } else if (IsRow(row)) {
      SetCheckedQuietly(row, checked);
      InvalidateRow(row);
    }
    RecomputeAllChecked();
  }
  const UINT rest = item.stateMask & ~LVIS_STATEIMAGEMASK;
  if (rest) SetRowState(row, item.state & rest, rest);
}

int BASListView::CopyText(int row, int column, wchar_t* buffer, int size) const {
  if (!buffer || size <= 0) return 0;
  const std::wstring& text = RowText(row, column);
  const int length = std::min(static_cast<int>(text.size()), size - 1);
  std::copy_n(text.c_str(), length, buffer);
  buffer[length] = L'\0';
  return length;
}

bool BASListView::AnswerRowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
  const int row = static_cast<int>(wp);
  auto* item = reinterpret_cast<LVITEMW*>(lp);
  switch (msg) {
    case LVM_GETITEMCOUNT:
      result = RowCount();
      return true;
    case LVM_SETITEMCOUNT:
      // The count is the rows': a caller's count is only a hint of how many are coming.
      ReserveRows(wp);
      result = TRUE;
      return true;
    case LVM_GETITEMSTATE:
      result = IsRow(row) ? StateOf(row, static_cast<UINT>(lp)) : 0;
      return true;
    case LVM_SETITEMSTATE:
      if (!item || (row != -1 && !IsRow(row))) {
        result = FALSE;
        return true;
      }
      ApplyState(row, *item);
      result = TRUE;
      return true;
    case LVM_GETITEMTEXTW:
      result = item && IsRow(row) ? CopyText(row, item->iSubItem, item->pszText, item->cchTextMax) : 0;
      return true;
    case LVM_SETITEMTEXTW:
      if (!item || !IsRow(row)) {
        result = FALSE;
        return true;
      }
      SetRowText(row, item->iSubItem, item->pszText && item->pszText != LPSTR_TEXTCALLBACKW ? item->pszText : L"");
      result = TRUE;
      return true;
    case LVM_GETITEMW:
      if (!item || !IsRow(item->iItem)) {
        result = FALSE;
        return true;
      }
      if (item->mask & LVIF_TEXT) CopyText(item->iItem, item->iSubItem, item->pszText, item->cchTextMax);
      if (item->mask & LVIF_PARAM) item->lParam = RowData(item->iItem);
      if (item->mask & LVIF_STATE) item->state = StateOf(item->iItem, item->stateMask);
      result = TRUE;
      return true;
    case LVM_SETITEMW:
      if (!item || !IsRow(item->iItem)) {
        result = FALSE;
        return true;
      }
      if ((item->mask & LVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACKW)
        SetRowText(item->iItem, item->iSubItem, item->pszText);
      if ((item->mask & LVIF_PARAM) && item->iSubItem == 0)
        m_rows[static_cast<size_t>(item->iItem)]->data = item->lParam;
      if (item->mask & LVIF_STATE) ApplyState(item->iItem, *item);
      result = TRUE;
      return true;
    case LVM_INSERTITEMW: {
      if (!item || item->iSubItem != 0) {
        result = -1;
        return true;
      }
      const wchar_t* text =
          (item->mask & LVIF_TEXT) && item->pszText && item->pszText != LPSTR_TEXTCALLBACKW ? item->pszText : L"";
      const int added = InsertRow(item->iItem, {std::wstring(text)}, (item->mask & LVIF_PARAM) ? item->lParam : 0);
      if (added >= 0 && (item->mask & LVIF_STATE)) ApplyState(added, *item);
      result = added;
      return true;
    }
    case LVM_DELETEITEM:
      result = DeleteRow(row) ? TRUE : FALSE;
      return true;
    case LVM_DELETEALLITEMS:
      DeleteAllRows();
      result = TRUE;
      return true;
    default:
      return false;
  }
}

LRESULT BASListView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  LRESULT result = 0;
  if (AnswerRowMessage(msg, wp, lp, result)) {
    handled = true;
    return result;
  }
  // Whatever the control does next, it knows how many rows there are.
  if (msg != WM_NCDESTROY && msg != WM_DESTROY) SyncRows();
  switch (msg) {
    case WM_ERASEBKGND:
      if (wp) EraseUncovered(reinterpret_cast<HDC>(wp));
      handled = true;
      return 1;
    case WM_SETREDRAW:
      m_redrawOff = wp == FALSE;
      return BASWindow::HandleMessage(msg, wp, lp, handled);
    case WM_KEYDOWN:
      // Space checks or unchecks the focused row, as a click on its check image does; the
      // control's own toggle would keep nothing in a list whose rows are the program's.
      if (wp == VK_SPACE && m_checkedImage) {
        const int focused = FocusedRow();
        if (focused >= 0) ToggleCheck(focused);
        handled = true;
        return 0;
      }
      return BASWindow::HandleMessage(msg, wp, lp, handled);
    case WM_CHAR:
      if (wp == L' ' && m_checkedImage) {
        handled = true;
        return 0;
      }
      return BASWindow::HandleMessage(msg, wp, lp, handled);
    case kListSelectAll:
      SelectAll(wp != 0);
      handled = true;
      return TRUE;
    default:
      return BASWindow::HandleMessage(msg, wp, lp, handled);
  }
}

bool BASListView::OnLButtonDown(int x, int y, UINT) {
  SyncRows();
  if (!m_checkedImage) return false;
  LVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  const int row = static_cast<int>(Control(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
  if (!IsRow(row) || !(hit.flags & LVHT_ONITEM)) return false;
  const RECT box = CheckImageRect(row);
  if (!PtInRect(&box, hit.pt)) return false;
  ToggleCheck(row);
  // Swallowed: the control would otherwise move the selection to this row.
  return true;
}

bool BASListView::OnTimer(UINT_PTR id) {
  if (id != kSyncRowsTimer) return false;
  SyncRows();
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

bool BASListView::FindRow(const NMLVFINDITEMW& find, LRESULT& result) const {
  const LVFINDINFOW& info = find.lvfi;
  const int count = RowCount();
  if (count == 0) return false;
  const int start = find.iStart >= 0 && find.iStart < count ? find.iStart : 0;
  const bool wraps = (info.flags & LVFI_WRAP) != 0;
  const size_t length = info.psz ? std::wcslen(info.psz) : 0;
  for (int step = 0; step < count; ++step) {
    const int row = start + step;
    if (row >= count && !wraps) break;
    const int at = row % count;
    bool found = false;
    if (info.flags & LVFI_PARAM) {
      found = RowData(at) == info.lParam;
    } else if ((info.flags & (LVFI_STRING | LVFI_PARTIAL)) && info.psz) {
      const std::wstring& text = RowText(at, 0);
      found = (info.flags & LVFI_PARTIAL) ? _wcsnicmp(text.c_str(), info.psz, length) == 0
                                          : _wcsicmp(text.c_str(), info.psz) == 0;
    }
    if (found) {
      result = at;
      return true;
    }
  }
  result = -1;
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
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW*>(header)->item;
      if (!IsRow(item.iItem)) return false;
      if (item.mask & LVIF_TEXT) CopyText(item.iItem, item.iSubItem, item.pszText, item.cchTextMax);
      if (item.mask & LVIF_STATE) {
        item.state &= ~LVIS_STATEIMAGEMASK;
        item.state |= IsChecked(item.iItem) ? kStateChecked : kStateUnchecked;
      }
      result = 0;
      return true;
    }
    case LVN_ODFINDITEMW:
      return FindRow(*reinterpret_cast<NMLVFINDITEMW*>(header), result);
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
  if (!IsRow(static_cast<int>(item.itemID))) return;
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
  const UINT state = StateOf(row, LVIS_SELECTED | LVIS_STATEIMAGEMASK);
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

    const wchar_t* text = RowText(row, column).c_str();
    RECT textRect = cell;
    if (column == 1) {
      Gdiplus::Bitmap* image = m_rowImageHook ? m_rowImageHook(*this, row, m_rowImageContext) : nullptr;
      if (!image) image = m_defaultRowImage;
      int drawnWidth = 0;
      if (image) {
        const int side = rowHeight - 2 * kImageMargin;
        if (m_rowImageSide > 0) {
          drawnWidth = std::min(m_rowImageSide, side);
          drawImage(image, cell.left + kImageX, rect.top + (rowHeight - drawnWidth) / 2, drawnWidth, drawnWidth);
        } else if (ImageHeight(image) < side) {
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
