#include "modules/navigator/BASTreeViewSection.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "modules/navigator/SectionColors.h"
#include "modules/navigator/SectionTreeModel.h"

namespace {

SIZE ImageSize(Gdiplus::Bitmap* image) {
  if (!image) return SIZE{0, 0};
  return SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
}

// At natural size: the theme is drawn for 96 dpi, whatever resolution the file records.
void DrawImageAt(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image, POINT at) {
  if (!image) return;
  const SIZE size = ImageSize(image);
  graphics.DrawImage(image, static_cast<INT>(at.x), static_cast<INT>(at.y), static_cast<INT>(size.cx),
                     static_cast<INT>(size.cy));
}

SIZE TextSize(HDC dc, const std::wstring& text) {
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

}  // namespace

bool BASTreeViewSection::CreateIn(HWND parent, const RECT& rect) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  // No horizontal scrolling: titles end in an ellipsis instead, and row lefts stay at 0, so
  // the arrow positions worked out at insertion hold.
  const DWORD style = WS_CHILD | WS_VISIBLE | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                      TVS_NOTOOLTIPS | TVS_FULLROWSELECT | TVS_NOHSCROLL;
  if (!CreateControl(parent, WC_TREEVIEWW, L"Tree", style, 0, rect, kControlId)) return false;
  m_font.Reset(BASUtilityApp::GetFont(kFontHeight, false, L"Arial"));
  if (m_font) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
  // After the font, which would otherwise reset the height to the text's.
  TreeView_SetItemHeight(Hwnd(), kRowHeight);
  SetColors(m_background, m_selectedBackground, m_selectedText);
  return true;
}

void BASTreeViewSection::SetArrowImages(Gdiplus::Bitmap* collapsed, Gdiplus::Bitmap* expanded) {
  m_collapsedArrow = collapsed;
  m_expandedArrow = expanded;
}

void BASTreeViewSection::SetColors(COLORREF background, COLORREF selectedBackground, COLORREF selectedText) {
  m_background = background;
  m_selectedBackground = selectedBackground;
  m_selectedText = selectedText;
  m_backgroundBrush.Reset(CreateSolidBrush(background));
  m_selectedBrush.Reset(CreateSolidBrush(selectedBackground));
  if (Hwnd()) {
    TreeView_SetBkColor(Hwnd(), background);
    InvalidateRect(Hwnd(), nullptr, FALSE);
  }
}

SectionRowMetrics BASTreeViewSection::Metrics() const {
  SectionRowMetrics metrics;
  metrics.gap = m_gap;
  metrics.collapsedArrow = ImageSize(m_collapsedArrow);
  metrics.expandedArrow = ImageSize(m_expandedArrow);
  return metrics;
}

HTREEITEM BASTreeViewSection::InsertRow(HTREEITEM parent, SectionRow* row) {
  if (!Hwnd() || !row) return nullptr;
  // Known before the first paint, so a click that comes first still finds the arrow.
  const SectionRow* parentRow = parent ? RowOf(parent) : nullptr;
  row->arrowX = SectionArrowX(Metrics(), 0, parentRow != nullptr, parentRow ? parentRow->arrowX : 0);
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent ? parent : TVI_ROOT;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_PARAM;
  insert.item.pszText = const_cast<wchar_t*>(row->title.c_str());
  insert.item.lParam = reinterpret_cast<LPARAM>(row);
  return TreeView_InsertItem(Hwnd(), &insert);
}

void BASTreeViewSection::RefreshRow(HTREEITEM item) {
  if (!Hwnd() || !item) return;
  TVITEMW change{};
  change.mask = TVIF_HANDLE | TVIF_PARAM;
  change.hItem = item;
  change.lParam = reinterpret_cast<LPARAM>(RowOf(item));
  TreeView_SetItem(Hwnd(), &change);
  // Setting an unchanged parameter need not repaint, so the row is asked to.
  RECT rect{};
  if (!TreeView_GetItemRect(Hwnd(), item, &rect, FALSE)) return;
  rect.bottom = rect.top + TreeView_GetItemHeight(Hwnd());
  InvalidateRect(Hwnd(), &rect, FALSE);
}

void BASTreeViewSection::RepaintAll() {
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

SectionRow* BASTreeViewSection::RowOf(HTREEITEM item) const {
  if (!Hwnd() || !item) return nullptr;
  TVITEMW query{};
  query.mask = TVIF_HANDLE | TVIF_PARAM;
  query.hItem = item;
  if (!TreeView_GetItem(Hwnd(), &query)) return nullptr;
  return reinterpret_cast<SectionRow*>(query.lParam);
}

void BASTreeViewSection::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_backgroundBrush.Get());
  SelectGuard font(dc, m_font);
  SetBkMode(dc, TRANSPARENT);
  Gdiplus::Graphics graphics(dc);
  const HTREEITEM selection = TreeView_GetSelection(Hwnd());
  const int rowHeight = TreeView_GetItemHeight(Hwnd());
  for (HTREEITEM item = TreeView_GetFirstVisible(Hwnd()); item; item = TreeView_GetNextVisible(Hwnd(), item)) {
    RECT rect{};
    if (!TreeView_GetItemRect(Hwnd(), item, &rect, FALSE) || rect.top >= client.bottom) break;
    // Some tree views report the bottom inclusively; every row is one item height tall.
    rect.bottom = rect.top + rowHeight;
    PaintRow(dc, graphics, item, rect, item == selection);
  }
}

void BASTreeViewSection::PaintRow(HDC dc, Gdiplus::Graphics& graphics, HTREEITEM item, const RECT& rect,
                                  bool selected) {
  SectionRow* row = RowOf(item);
  if (!row) return;
  SetTextColor(dc, kSectionTextColor);
  if (selected) {
    FillRect(dc, &rect, m_selectedBrush.Get());
    SetTextColor(dc, m_selectedText);
  }

  const HTREEITEM parent = TreeView_GetParent(Hwnd(), item);
  const SectionRow* parentRow = parent ? RowOf(parent) : nullptr;
  const std::wstring digits = row->showCount ? SectionCountText(row->count) : std::wstring();
  SectionRowInput input;
  input.row = rect;
  input.hasParent = parentRow != nullptr;
  input.parentArrowX = parentRow ? parentRow->arrowX : 0;
  input.icon = ImageSize(row->image);
  input.showCount = row->showCount;
  input.countText = TextSize(dc, digits);
  const SectionRowParts parts = LayOutSectionRow(Metrics(), input);
  // Children are painted after their parent, so they read an up-to-date parent arrow.
  row->arrowX = parts.arrowX;

  if (TreeView_GetChild(Hwnd(), item)) {
    const bool expanded = (TreeView_GetItemState(Hwnd(), item, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    DrawImageAt(graphics, expanded ? m_expandedArrow : m_collapsedArrow, parts.arrow);
  }
  if (parts.hasIcon) DrawImageAt(graphics, row->image, parts.icon);

  const TextMeasure measure = [dc](const wchar_t* text, int length) {
    SIZE size{0, 0};
    GetTextExtentPoint32W(dc, text, length, &size);
    return static_cast<int>(size.cx);
  };
  const std::wstring title = FitTextWithEllipsis(row->title, parts.title.right - parts.title.left, measure);
  RECT titleRect = parts.title;
  // The 16-pixel box places the line; descenders reach below it.
  DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &titleRect,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);

  if (parts.hasBadge) {
    SelectGuard hollow(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, parts.badge.left, parts.badge.top, parts.badge.right, parts.badge.bottom, kBadgeCorner, kBadgeCorner);
    RECT badgeText = parts.badge;
    DrawTextW(dc, digits.c_str(), static_cast<int>(digits.size()), &badgeText,
              DT_CENTER | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  }
}

bool BASTreeViewSection::OnLButtonDown(int x, int y, UINT) {
  TVHITTESTINFO hit{};
  hit.pt = POINT{x, y};
  const HTREEITEM item = TreeView_HitTest(Hwnd(), &hit);
  const SectionRow* row = item ? RowOf(item) : nullptr;
  const bool hasChildren = item && TreeView_GetChild(Hwnd(), item) != nullptr;
  const int arrowWidth = static_cast<int>(ImageSize(m_collapsedArrow).cx);
  switch (ClassifySectionClick(row != nullptr, hasChildren, x, row ? row->arrowX : 0, arrowWidth)) {
    case SectionClick::kToggle:
      TreeView_Expand(Hwnd(), item, TVE_TOGGLE);
      break;
    case SectionClick::kExpandAndSelect:
      TreeView_Expand(Hwnd(), item, TVE_EXPAND);
      TreeView_SelectItem(Hwnd(), item);
      // Only after selecting: a tree without a selection selects its first row on focus.
      SetFocus(Hwnd());
      break;
    case SectionClick::kSelect:
      TreeView_SelectItem(Hwnd(), item);
      SetFocus(Hwnd());
      break;
    case SectionClick::kNothing:
      break;
  }
  // The control's own press handling would select and drag; none of it applies here.
  return true;
}
