#include "host/dialogs/UiPreviewListDialog.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdio>

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/SearchText.h"

namespace {

constexpr int kMargin = 10;
constexpr int kSearchTop = UiDialog::kTitleHeight + 6;
constexpr int kSearchHeight = 24;
constexpr int kSearchButtonSide = 24;
constexpr COLORREF kFrameColor = RGB(171, 171, 171);
constexpr COLORREF kBodyColor = RGB(255, 255, 255);

}  // namespace

UiPreviewListDialog::UiPreviewListDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed,
                                         Gdiplus::Bitmap* listIcon, Gdiplus::Bitmap* searchImage,
                                         Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked)
    : UiAlertDialog(closeNormal, closePressed, nullptr, 1),
      m_listIcon(listIcon),
      m_searchImage(searchImage),
      m_checked(checked),
      m_unchecked(unchecked) {}

UiPreviewListDialog::~UiPreviewListDialog() { DestroyDialog(); }

void UiPreviewListDialog::SetColumnTitles(const std::wstring& first, const std::wstring& second) {
  m_firstTitle = first;
  m_secondTitle = second;
}

std::vector<const PreviewRow*> UiPreviewListDialog::Matching(const std::vector<const PreviewRow*>& rows,
                                                             const std::wstring& text) {
  const std::wstring wanted = LowerCased(text);
  std::vector<const PreviewRow*> found;
  for (const PreviewRow* row : rows)
    if (row != nullptr && (wanted.empty() || LowerCased(row->first).find(wanted) != std::wstring::npos))
      found.push_back(row);
  return found;
}

// The search box sits right of the list icon, framed by four lines, its button at the frame's end.
RECT UiPreviewListDialog::SearchFrame() const {
  const int iconWidth = m_listIcon != nullptr ? static_cast<int>(m_listIcon->GetWidth()) + kMargin : 0;
  return RECT{kMargin + iconWidth, kSearchTop, Width() - kMargin, kSearchTop + kSearchHeight};
}

bool UiPreviewListDialog::OnStart() {
  if (!UiAlertDialog::OnStart()) return false;
  SetWindowTextW(Hwnd(), L"");
  const RECT frame = SearchFrame();
  m_searchFont.Reset(BASUtilityApp::GetFont(19, false, L"Arial"));
  const RECT box{frame.left + 4, frame.top + 2, frame.right - kSearchButtonSide - 4, frame.bottom - 2};
  if (!m_search.Create(Hwnd(), box, kSearchId, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL)) return false;
  m_search.SetFont(m_searchFont.Get());
  // Enter searches instead of pressing OK.
  m_search.SetEnterHandler([this] {
    std::fputs("Enter: \n", stdout);
    RunSearch();
  });
  if (!m_searchButton.Create(Hwnd(), kSearchButtonId,
                             RECT{frame.right - kSearchButtonSide, frame.top, frame.right, frame.bottom}))
    return false;
  m_searchButton.SetImages(m_searchImage, m_searchImage);

  const RECT list{kMargin, kListTop, Width() - kMargin, Height() - kListBottomGap};
  if (!m_list.Create(Hwnd(), list, kListId, WS_BORDER)) return false;
  m_list.SetCheckImages(m_checked, m_unchecked);
  m_list.SetListFont(TextFont());
  m_list.Header().SetFont(TextFont());
  m_list.InsertColumn(0, L"", kCheckColumnWidth);
  m_list.InsertColumn(1, m_firstTitle.c_str(), kFirstColumnWidth);
  m_list.InsertColumn(2, m_secondTitle.c_str(), kSecondColumnWidth);
  RunSearch();
  // The buttons sit in the 40 pixels under the list.
  LayoutButtons();
  return true;
}

void UiPreviewListDialog::RunSearch() {
  const std::vector<const PreviewRow*> found = Matching(m_rows, m_search.Text());
  m_list.SetRedraw(false);
  m_list.DeleteAllRows();
  m_list.ReserveRows(found.size());
  for (const PreviewRow* row : found) m_list.AppendRow({L"", row->first, row->second}, reinterpret_cast<LPARAM>(row));
  m_list.SetRedraw(true);
  InvalidateRect(m_list.Hwnd(), nullptr, FALSE);
}

void UiPreviewListDialog::OnOk() {
  m_selection.clear();
  for (int row = 0; row < m_list.RowCount(); ++row)
    if (m_list.IsChecked(row)) m_selection.push_back(reinterpret_cast<const PreviewRow*>(m_list.RowData(row)));
  if (m_selection.empty()) {
    notify(0, 0);
    return;
  }
  UiAlertDialog::OnOk();
}

bool UiPreviewListDialog::OnCommand(int id, int code, HWND control) {
  if (id == kSearchButtonId) {
    RunSearch();
    return true;
  }
  return UiAlertDialog::OnCommand(id, code, control);
}

bool UiPreviewListDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom == kListId && header->code == NM_CLICK) {
    // A click anywhere on a row checks or unchecks it; a click on the check image itself is
    // the list's own and never reaches here.
    // The row under the cursor whichever column was hit (the notice's own row and point are not
    // kept alike by every list version); a click on the check image is the list's own toggle.
    const DWORD at = GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ScreenToClient(m_list.Hwnd(), &hit.pt);
    const int row =
        static_cast<int>(SendMessageW(m_list.Hwnd(), LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row >= 0 && row < m_list.RowCount() && (hit.flags & LVHT_ONITEM)) {
      const RECT box = m_list.CheckImageRect(row);
      if (!PtInRect(&box, hit.pt)) m_list.SetChecked(row, !m_list.IsChecked(row));
    }
    result = 0;
    return true;
  }
  return UiAlertDialog::OnNotify(header, result);
}

void UiPreviewListDialog::PaintBody(HDC dc, const RECT& body) {
  (void)body;
  if (m_listIcon != nullptr) {
    Gdiplus::Graphics graphics(dc);
    const int height = static_cast<int>(m_listIcon->GetHeight());
    graphics.DrawImage(m_listIcon, kMargin, kSearchTop + (kSearchHeight - height) / 2,
                       static_cast<int>(m_listIcon->GetWidth()), height);
  }
  const RECT frame = SearchFrame();
  GdiBrush white(CreateSolidBrush(kBodyColor));
  FillRect(dc, &frame, white.Get());
  GdiPen pen(CreatePen(PS_SOLID, 1, kFrameColor));
  SelectGuard selected(dc, pen.Get());
  MoveToEx(dc, frame.left, frame.top, nullptr);
  LineTo(dc, frame.right - 1, frame.top);
  LineTo(dc, frame.right - 1, frame.bottom - 1);
  LineTo(dc, frame.left, frame.bottom - 1);
  LineTo(dc, frame.left, frame.top);
}

HBRUSH UiPreviewListDialog::ControlBrush(HDC dc, HWND control) {
  (void)control;
  return StockControlBrush(dc, kBodyColor);
}
