#include "kit/BASContentPane.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/SearchText.h"

#include <algorithm>
#include <utility>

namespace {

constexpr COLORREF kLineColor = 0xABABAB;
constexpr COLORREF kBackgroundFallback = RGB(0xF7, 0xF7, 0xF7);
constexpr COLORREF kPressedFallback = RGB(0xDC, 0xDC, 0xDC);
constexpr int kRowHeight = 60;

COLORREF UrlColor(const char* key, COLORREF fallback) {
  BASUserDefaults* url = BASUserDefaults::GetUserDefaults("url");
  return url ? url->GetRGB(key, fallback) : fallback;
}

void MoveTo(HWND hwnd, const RECT& rect) {
  if (hwnd) MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

int VerticalScrollBarWidth(HWND list) {
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  // The bar is hidden until rows overflow, and a hidden bar reports no usable size (Wine reports
  // one wider than any bar): room is kept for it anyway, so its arrival does not bring a
  // horizontal bar along.
  if (GetScrollBarInfo(list, OBJID_VSCROLL, &info) && !(info.rgstate[0] & STATE_SYSTEM_INVISIBLE) &&
      info.dxyLineButton > 0 && info.dxyLineButton <= 20)
    return info.dxyLineButton;
  return GetSystemMetrics(SM_CXVSCROLL);
}

}  // namespace

BASContentPane::BASContentPane(PaneDescription description) : m_description(std::move(description)) {}

BASContentPane::~BASContentPane() {
  // A pane destroyed with its window still open never saw WM_DESTROY.
  if (m_loop) m_loop->RemoveMessageFilter(this);
}

bool BASContentPane::CreateIn(HWND parent, CMessageLoop* loop, const ModuleRecord* module, GoneHandler onGone) {
  m_parent = parent;
  m_module = module;
  m_images = module ? module->imageCache : nullptr;
  m_onGone = std::move(onGone);
  RECT client{};
  GetClientRect(parent, &client);
  const RECT rect = PaneRectInParent(client.right, client.bottom);
  if (!Create(parent, m_description.className, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect))
    return false;
  if (loop && loop->AddMessageFilter(this)) m_loop = loop;
  return true;
}

bool BASContentPane::OnCreate(CREATESTRUCTW*) {
  BASTrace("%s: %p", m_description.traceName, static_cast<void*>(Hwnd()));
  m_background = UrlColor("color:operator:background", kBackgroundFallback);
  m_pressed = UrlColor("color:task:operator:button:pressed", kPressedFallback);

  RECT client{};
  GetClientRect(Hwnd(), &client);
  if (!m_list.Create(Hwnd(), client, m_description.listId)) return false;
  m_list.SetCheckImages(FindImage(m_images, "common\\content-check-yes.png"),
                        FindImage(m_images, "common\\content-check-no.png"));
  m_list.SetRowTextHook(&BASContentPane::RowText, this);
  m_backgroundBrush.Reset(CreateSolidBrush(m_background));
  m_linePen.Reset(CreatePen(PS_SOLID, 1, kLineColor));
  m_toolbarFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_searchFont.Reset(BASUtilityApp::GetFont(19, false, L"Arial"));
  m_headerFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_list.SetRowHeight(kRowHeight);
  m_list.SetListFont(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_list.Header().SetFont(m_headerFont.Get());
  for (size_t i = 0; i < m_description.columns.size(); ++i)
    m_list.InsertColumn(static_cast<int>(i), m_description.columns[i].title, m_description.columns[i].width);

  if (!CreateExtras()) return false;
  const ToolbarLook look{m_background, m_pressed, m_toolbarFont.Get(), m_searchFont.Get()};
  if (!m_toolbar.Create(Hwnd(), m_images, look, m_description.buttons, m_description.firstButtonX,
                        m_description.searchEditId, m_description.searchButtonId))
    BASTrace("%s: toolbar incomplete", m_description.traceName);
  SetCurrentRow(-1);
  return true;
}

void BASContentPane::OnDestroy() {
  if (m_loop) m_loop->RemoveMessageFilter(this);
  m_loop = nullptr;
}

void BASContentPane::OnFinalMessage(HWND) {
  if (m_onGone) m_onGone(this);
}

void BASContentPane::ChangeSize() {
  RECT client{};
  GetClientRect(m_parent, &client);
  const RECT rect = PaneRectInParent(client.right, client.bottom);
  SetWindowPos(Hwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  LayOut();
}

void BASContentPane::Show(bool show) { ShowWindow(Hwnd(), show ? SW_SHOW : SW_HIDE); }

RECT BASContentPane::ListRect(int width, int height) const {
  return RECT{1, kToolbarLineY + 1, std::max(1, width - 1), std::max(kToolbarLineY + 1, height)};
}

void BASContentPane::LayOut() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  m_toolbar.Layout(ComputeSearchBox(client.right, m_toolbar.SearchButtonSize()));
  const RECT list = ListRect(client.right, client.bottom);
  MoveTo(m_list.Hwnd(), list);
  const int listWidth = list.right - list.left;
  std::vector<int> shares;
  for (const PaneColumn& column : m_description.columns) shares.push_back(column.share);
  const ColumnWidths columns = PercentColumnWidths(listWidth, VerticalScrollBarWidth(m_list.Hwnd()), shares);
  for (size_t i = 0; i < columns.widths.size(); ++i)
    ListView_SetColumnWidth(m_list.Hwnd(), static_cast<int>(i), columns.widths[i]);
  BASTrace("rect_list_view_.Width(): %d si.dxyLineButton: %d percent: %f", listWidth, columns.scrollBar,
           columns.percent);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void BASContentPane::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_backgroundBrush.Get());
  SelectGuard pen(dc, m_linePen);
  MoveToEx(dc, client.left, kToolbarLineY, nullptr);
  LineTo(dc, client.right, kToolbarLineY);
}

const std::wstring* BASContentPane::RowText(const BASListView&, int, int column, LPARAM data, void* context) {
  return data ? static_cast<const BASContentPane*>(context)->CellText(column, data) : nullptr;
}

int BASContentPane::RowOf(LPARAM data) const {
  const int count = m_list.RowCount();
  for (int row = 0; row < count; ++row)
    if (m_list.RowData(row) == data) return row;
  return -1;
}

int BASContentPane::RemoveRowOf(LPARAM data, int named) {
  const int row = DataAt(named) == data ? named : RowOf(data);
  if (row < 0) return -1;
  if (row < CurrentRow())
    SetCurrentRow(CurrentRow() - 1);
  else if (row == CurrentRow())
    SetCurrentRow(-1);
  ListChange change(m_changingList);
  m_list.DeleteRow(row);
  return row;
}

void BASContentPane::SelectFirstRow() {
  ListChange change(m_changingList);
  m_list.SetChecked(0, true);
  m_list.SelectFirst();
  SetCurrentRow(0);
}

void BASContentPane::SelectFirstRowIfNone() {
  if (m_list.SelectedCount() == 0 && m_list.RowCount() > 0) SelectFirstRow();
}

void BASContentPane::ClearData() {
  SetCurrentRow(-1);
  {
    ListChange change(m_changingList);
    m_list.DeleteAllRows();
  }
  ClearRecords();
}

void BASContentPane::PostReset(int64_t value) {
  PostMessageW(Hwnd(), kPaneMessage, kUpdateNothing, static_cast<LPARAM>(static_cast<uint32_t>(value)));
}

void BASContentPane::Search() {
  const std::vector<LPARAM> found = Matching(LowerCased(m_toolbar.SearchText()));
  ListChange change(m_changingList);
  m_list.DeleteAllRows();
  m_list.ReserveRows(found.size());
  for (LPARAM data : found) m_list.InsertRow(m_list.RowCount(), {}, data);
  if (m_list.RowCount() > 0)
    SelectFirstRow();
  else
    SetCurrentRow(-1);
}

BOOL BASContentPane::PreTranslateMessage(MSG* msg) {
  try {
    const HWND edit = m_toolbar.SearchEdit();
    if (msg && edit && msg->hwnd == edit && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
      Search();
      return TRUE;
    }
  } catch (...) {
    BASTrace("%s: search failed", m_description.traceName);
  }
  return FALSE;
}

bool BASContentPane::OnNotify(NMHDR* header, LRESULT&) {
  if (header->idFrom != m_description.listId || header->hwndFrom != m_list.Hwnd()) return false;
  if (header->code == LVN_ITEMCHANGED) {
    // However the highlight moved (keys, or the control on its own), the current row is the
    // focused, highlighted one; moves the pane makes itself set the current row themselves.
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    const UINT both = LVIS_FOCUSED | LVIS_SELECTED;
    if (!m_changingList && change->iItem >= 0 && (change->uChanged & LVIF_STATE) &&
        (change->uNewState & both) == both && (change->uOldState & both) != both && change->iItem != m_currentRow)
      SetCurrentRow(change->iItem);
    return false;
  }
  if (header->code != NM_CLICK) return false;
  m_list.FollowSelection();
  const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
  if (row >= 0 && row < m_list.RowCount() && row != m_currentRow) SetCurrentRow(row);
  // The list sees its own click as well.
  return false;
}

LRESULT BASContentPane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg != kPaneMessage) return BASWindow::HandleMessage(msg, wp, lp, handled);
  handled = true;
  // Code 3 carries a plain number, not a record.
  if (wp <= m_description.lastUpdateCode && wp != kUpdateNothing) Update(wp, reinterpret_cast<CommandRecord*>(lp));
  return 0;
}

bool BASContentPane::OnCommand(int id, int, HWND) {
  if (id == static_cast<int>(m_description.searchButtonId))
    Search();
  else if (!OnToolbarCommand(id))
    return false;
  m_toolbar.Release(static_cast<UINT>(id));
  return true;
}

bool BASContentPane::PostRequest(int64_t code, CommandRecord& record) {
  record.code = code;
  record.window = Hwnd();
  if (!m_module || !m_module->hostEntry) return false;
  PostToHost(*m_module, record, m_description.requestCommand);
  return true;
}
