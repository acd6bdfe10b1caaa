#include "modules/rolodex/DhContactSelectDialog.h"

#include "kit/GdiHandles.h"

#include <commctrl.h>

namespace {

constexpr int kSearchEditId = 4003;
constexpr int kSearchButtonId = 4004;
constexpr int kLeftListId = 4005;
constexpr int kRightListId = 4006;
constexpr int kCancelButtonId = 4008;
constexpr int kOkButtonId = 4009;

constexpr int kListTop = 94;
constexpr int kListWidth = 268;
constexpr int kListHeight = 340;
constexpr int kLeftListX = 20;
constexpr int kRightListX = 308;
constexpr int kButtonGap = 10;
constexpr int kCancelFromRight = 30;
constexpr int kButtonsFromBottom = 20;

}  // namespace

DhContactSelectDialog::DhContactSelectDialog(const std::wstring& title, const std::vector<ContactRecord*>& contacts,
                                             const ImageCache* images)
    : UiDialog(FindImage(images, "common\\close-normal.png"), FindImage(images, "common\\close-pressed.png")),
      m_title(title),
      m_picks(contacts),
      m_images(images) {
  SetSize(kWidth, kHeight);
}

DhContactSelectDialog::~DhContactSelectDialog() {
  DestroyDialog();
  delete m_result;
}

PickedContactList* DhContactSelectDialog::Run(HWND owner) {
  delete m_result;
  m_result = nullptr;
  RunModal(owner);
  PickedContactList* result = m_result;
  m_result = nullptr;
  return result;
}

bool DhContactSelectDialog::OnStart() {
  const HWND hwnd = Hwnd();
  SetWindowTextW(hwnd, m_title.c_str());
  // Rounded corners; the window owns the region from here on.
  SetWindowRgn(hwnd, CreateRoundRectRgn(0, 0, Width() + 1, Height() + 1, 5, 5), FALSE);

  if (!CreateButton(m_cancel, kCancelButtonId, L"Cancel") || !CreateButton(m_ok, kOkButtonId, L"OK")) return false;
  const int buttonsY = Height() - kButtonsFromBottom - m_cancel.Height();
  PlaceButton(m_cancel, kCancelFromRight, buttonsY);
  PlaceButton(m_ok, kCancelFromRight + m_cancel.Width() + kButtonGap, buttonsY);

  if (!m_search.Create(hwnd, RECT{20, 50, 268, 74}, kSearchEditId, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
                       WS_EX_CLIENTEDGE))
    return false;
  m_search.SetFont(TextFont());
  m_search.SetEnterHandler([this] { Search(); });
  Gdiplus::Bitmap* search = FindImage(m_images, "common\\operate-search.png");
  const int searchWidth = search ? static_cast<int>(search->GetWidth()) : 22;
  const int searchHeight = search ? static_cast<int>(search->GetHeight()) : 22;
  if (!m_searchButton.Create(hwnd, kSearchButtonId, RECT{268, 52, 268 + searchWidth, 52 + searchHeight})) return false;
  m_searchButton.SetImages(search, search);

  if (!CreateList(m_left, kLeftListId, kLeftListX) || !CreateList(m_right, kRightListId, kRightListX)) return false;
  RefreshLists();
  SetFocus(m_search.Hwnd());
  return true;
}

bool DhContactSelectDialog::CreateList(HWND& list, int id, int left) {
  // Owner data: the dialog keeps the rows, so a phone with many thousands of numbers opens at once.
  list = CreateWindowExW(0, WC_LISTVIEWW, L"",
                         WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER |
                             LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_OWNERDATA,
                         left, kListTop, kListWidth, kListHeight, Hwnd(), reinterpret_cast<HMENU>(INT_PTR(id)),
                         ModuleInstance(), nullptr);
  if (!list) return false;
  SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(TextFont()), FALSE);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  const struct {
    const wchar_t* title;
    int width;
  } columns[] = {{L"Name", 130}, {L"Phone", 110}};
  for (int i = 0; i < 2; ++i) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(columns[i].title);
    column.cx = columns[i].width;
    if (ListView_InsertColumn(list, i, &column) < 0) return false;
  }
  return true;
}

void DhContactSelectDialog::RefreshLists() {
  ListView_SetItemCountEx(m_left, static_cast<int>(m_picks.AvailableCount()), LVSICF_NOSCROLL);
  ListView_SetItemCountEx(m_right, static_cast<int>(m_picks.PickedCount()), LVSICF_NOSCROLL);
  InvalidateRect(m_left, nullptr, FALSE);
  InvalidateRect(m_right, nullptr, FALSE);
}

void DhContactSelectDialog::Search() {
  m_picks.Search(m_search.Text());
  ListView_SetItemState(m_left, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  RefreshLists();
  if (m_picks.AvailableCount() > 0) ListView_EnsureVisible(m_left, 0, FALSE);
}

void DhContactSelectDialog::MoveRow(HWND list, int row) {
  if (row < 0) return;
  const bool moved = list == m_left ? m_picks.Pick(static_cast<size_t>(row)) : m_picks.Unpick(static_cast<size_t>(row));
  if (!moved) return;
  // The row that took the moved one's place is not picked by the same click.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  RefreshLists();
  const HWND other = list == m_left ? m_right : m_left;
  const int last = ListView_GetItemCount(other) - 1;
  if (last >= 0) ListView_EnsureVisible(other, last, FALSE);
}

void DhContactSelectDialog::FillDisplayInfo(NMLVDISPINFOW& info) {
  if (!(info.item.mask & LVIF_TEXT) || !info.item.pszText || info.item.cchTextMax <= 0) return;
  const size_t row = static_cast<size_t>(info.item.iItem);
  const bool left = info.hdr.hwndFrom == m_left;
  if (info.item.iItem < 0 || row >= (left ? m_picks.AvailableCount() : m_picks.PickedCount())) {
    info.item.pszText[0] = L'\0';
    return;
  }
  const PickedContact& pair = left ? m_picks.Available(row) : m_picks.Picked(row);
  const std::wstring& text = info.item.iSubItem == 0 ? pair.name : pair.phone;
  lstrcpynW(info.item.pszText, text.c_str(), info.item.cchTextMax);
}

bool DhContactSelectDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom != m_left && header->hwndFrom != m_right) return false;
  switch (header->code) {
    case LVN_GETDISPINFOW:
      FillDisplayInfo(*reinterpret_cast<NMLVDISPINFOW*>(header));
      return true;
    case NM_CLICK:
    case NM_DBLCLK:
      MoveRow(header->hwndFrom, reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
      result = 0;
      return true;
    case LVN_KEYDOWN:
      // Space moves the focused row across, as a click does.
      if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_SPACE) {
        MoveRow(header->hwndFrom, ListView_GetNextItem(header->hwndFrom, -1, LVNI_FOCUSED));
        return true;
      }
      return false;
    default:
      return false;
  }
}

bool DhContactSelectDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kSearchButtonId:
      Search();
      return true;
    case kOkButtonId:
    case IDOK:
      delete m_result;
      m_result = m_picks.Result();
      SetClosed(true);
      End(kOkId);
      return true;
    case kCancelButtonId:
      OnClose();
      return true;
    default:
      return UiDialog::OnCommand(id, code, control);
  }
}

void DhContactSelectDialog::OnPaint(HDC dc, const RECT& client) {
  UiDialog::OnPaint(dc, client);
  DcStateGuard state(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  SelectObject(dc, ButtonFont());
  RECT title{10, 6, 300, 24};
  DrawTextW(dc, m_title.c_str(), static_cast<int>(m_title.size()), &title,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}
