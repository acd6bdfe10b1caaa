#pragma once

#include "kit/BASListViewHeader.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

// Select-all message: wParam non-zero checks every row, zero unchecks every row.
constexpr UINT kListSelectAll = WM_USER + 103;

// The checkable, owner-drawn report list of the content panes. It draws every row itself:
// a check image and a running number in column 0, an optional image before the text of
// column 1, plain text in the others. Check state is the row's state image (1 unchecked,
// anything else checked). Column clicks are swallowed: the list never sorts.
//
// The parent must be a BASWindow (of any module) so that WM_DRAWITEM, WM_MEASUREITEM and the
// list's notifications are reflected here. Images are borrowed and must outlive the list.
//
// The rows live here, not in the control: it is a virtual (owner-data) list view that only
// knows how many rows there are and which are selected and focused, and asks for nothing but
// the rows it draws. Adding, removing and emptying cost no window message per row; the control
// learns the new count once, when it next handles a message or at the latest from a posted
// one. Selection and focus stay on their rows when rows are inserted or removed above them.
// The list-view messages that name rows (get and set item, text and state, insert, delete,
// count) are answered from the rows here, so a caller that talks to the window sees the same
// list as one that calls these methods.
class BASListView : public BASWindow {
 public:
  typedef Gdiplus::Bitmap* (*RowImageHook)(BASListView& list, int row, void* context);
  typedef void (*RowColorHook)(HDC dc, BASListView& list, int row, void* context);
  // Asked for the text of a column that a row holds no text for (InsertRow with fewer texts
  // than columns, or an empty one), so an owner can show its own records' texts without
  // copies; null for none. The text must live until the row is next drawn or changed.
  typedef const std::wstring* (*RowTextHook)(const BASListView& list, int row, int column, LPARAM data, void* context);
  // Told of every text a row draws, where it is clipped to; for tests and diagnostics.
  typedef void (*CellTextHook)(int row, int column, const wchar_t* text, const RECT& rect, void* context);

  static constexpr UINT kStateUnchecked = 0x1000;
  static constexpr UINT kStateChecked = 0x2000;

  BASListView() = default;
  ~BASListView() override;

  // A visible report list with full-row select and check boxes; `extraStyle` is or'ed in
  // (LVS_SHOWSELALWAYS, LVS_SINGLESEL, ...).
  bool Create(HWND parent, const RECT& rect, UINT id, DWORD extraStyle = 0);

  void SetCheckImages(Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked);
  void SetRowColorHook(RowColorHook hook, void* context);
  void SetRowImageHook(RowImageHook hook, void* context);
  void SetRowTextHook(RowTextHook hook, void* context);
  void SetDefaultRowImage(Gdiplus::Bitmap* image);
  // Draws every image of column 1 as a square of `side` pixels, vertically centred, whatever
  // its own size (pictures of mixed sizes, such as app icons); 0, the default: an image taller
  // than the row is scaled to it, a smaller one keeps its size.
  void SetRowImageSide(int side) { m_rowImageSide = side; }
  // Re-measures the rows at once.
  void SetRowHeight(int height);
  int RowHeight() const { return m_rowHeight; }
  // Deletes the font it held before unless it is the same one; the list owns `font`.
  void SetListFont(HFONT font);
  void SetAlternateShading(bool on) { m_alternateShading = on ? 1 : 0; }
  void SetDescendingNumbers(bool on) { m_descendingNumbers = on ? 1 : 0; }
  BASListViewHeader& Header() { return m_header; }
  void SetCellTextHook(CellTextHook hook, void* context);
  // WM_SETREDRAW; turning drawing back on repaints the list and its header once. Rows can be
  // added and removed in any number without it.
  void SetRedraw(bool on);

  int InsertColumn(int index, const wchar_t* title, int width);
  // One text per column; returns the new row's index, or -1.
  int InsertRow(int index, std::vector<std::wstring> texts, LPARAM itemData = 0);
  int AppendRow(std::vector<std::wstring> texts, LPARAM itemData = 0);
  // Room for `count` rows in all, so a long load does not grow the rows step by step.
  void ReserveRows(size_t count);
  void SetRowText(int row, int column, const std::wstring& text);
  const std::wstring& RowText(int row, int column) const;
  // Draws the row again, after what its texts come from changed.
  void RefreshRow(int row);
  bool DeleteRow(int row);
  void DeleteAllRows();
  int RowCount() const;
  LPARAM RowData(int row) const;

  bool IsChecked(int row) const;
  void SetChecked(int row, bool checked);
  bool IsSelected(int row) const;
  int SelectedCount() const;
  // The focused row, or -1.
  int FocusedRow() const;
  // 1 when the list has rows and none of them is unchecked: after every change of a check or
  // of the rows, except the select-all message, which the header sends after flipping it.
  int32_t AllChecked() const { return m_allChecked; }

  // Clears every selection (multi-selection lists), then focuses, selects and shows row 0.
  void SelectFirst();
  // Checks every selected row and unchecks every unselected one.
  void FollowSelection();
  void RepaintCheckColumn();
  // Where row `row` shows its check image (client coordinates); empty without a checked image.
  RECT CheckImageRect(int row) const;
  // The text column 0 shows for `row`: 1, 2, 3 from the top, or count ... 1 when descending.
  std::wstring RowNumberText(int row) const;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnDestroy() override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  bool OnDrawItem(DRAWITEMSTRUCT& item) override;
  bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
  bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;
  bool OnTimer(UINT_PTR id) override;

 private:
  struct Row {
    std::vector<std::wstring> texts;
    LPARAM data = 0;
    bool checked = false;
  };

  bool IsRow(int row) const { return row >= 0 && row < static_cast<int>(m_rows.size()); }
  // Tells the control the row count, once per change, and repaints the rows from the first
  // that changed. Every message the control handles is preceded by it; otherwise a timer does
  // it a moment later, so a stream of batches shares one.
  void SyncRows() const;
  void RowsChanged(int firstChanged);
  // Keeps the control's selection and focus on their rows when `count` rows were inserted at
  // `at` (count > 0) or row `at` is about to go (count < 0).
  void ShiftSelection(int at, int count);
  std::vector<int> SelectedRows() const;
  void InvalidateRow(int row);
  void SetCheckedQuietly(int row, bool checked);
  void CheckRows(const std::vector<int>& rows, bool checked);
  // Answers the list-view messages that name rows from the rows kept here; false for others.
  bool AnswerRowMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
  UINT StateOf(int row, UINT mask) const;
  void ApplyState(int row, const LVITEMW& item);
  int CopyText(int row, int column, wchar_t* buffer, int size) const;
  bool FindRow(const NMLVFINDITEMW& find, LRESULT& result) const;
  void DrawRow(const DRAWITEMSTRUCT& item);
  // Paints row `row` (client rectangle `rect`) on `dc`, whose pixel (0, 0) is client `origin`.
  void DrawRowContents(HDC dc, POINT origin, int row, const RECT& rect);
  void DrawCellText(HDC dc, POINT origin, int row, int column, const wchar_t* text, RECT rect) const;
  void EraseUncovered(HDC dc);
  void RecomputeAllChecked();
  void ToggleCheck(int row);
  void SelectAll(bool checked);
  void UpdateScrollOffset();
  // Column `column`'s left and right edges in client coordinates, with the current scroll.
  bool ColumnEdges(int column, int& left, int& right) const;
  int ScrollPosition() const;
  UINT RowState(int row, UINT mask) const;
  void SetRowState(int row, UINT state, UINT mask);
  HFONT DrawingFont() const;
  // The list's and the header's own procedures, past the subclass chain: the list sends itself
  // a handful of messages per row, and under Wine every message through a subclassed window
  // costs two window-property lookups in the server (~50 us), too slow for 50,000 rows.
  LRESULT Control(UINT msg, WPARAM wp, LPARAM lp) const;
  LRESULT HeaderControl(UINT msg, WPARAM wp, LPARAM lp) const;

  Row* NewRow();
  void FreeRow(Row* row);
  void FreeAllRows();

  BASListViewHeader m_header;
  // The rows in order; they live in the store, whose freed rows are used again, so 50,000 rows
  // cost a few allocations rather than one each.
  std::vector<Row*> m_rows;
  std::deque<Row> m_rowStore;
  std::vector<Row*> m_freeRows;
  size_t m_uncheckedRows = 0;
  // The count the control was last told, and the first row changed since then (-1: none);
  // telling the control changes nothing a caller can see, so const methods may do it.
  mutable int m_controlRows = 0;
  mutable int m_firstChangedRow = -1;
  mutable bool m_syncPending = false;
  bool m_redrawOff = false;
  Gdiplus::Bitmap* m_checkedImage = nullptr;
  Gdiplus::Bitmap* m_uncheckedImage = nullptr;
  Gdiplus::Bitmap* m_defaultRowImage = nullptr;
  RowTextHook m_rowTextHook = nullptr;
  void* m_rowTextContext = nullptr;
  RowImageHook m_rowImageHook = nullptr;
  void* m_rowImageContext = nullptr;
  RowColorHook m_rowColorHook = nullptr;
  void* m_rowColorContext = nullptr;
  COLORREF m_rowBackground = RGB(255, 255, 255);
  COLORREF m_headerBackground = 0;
  int32_t m_alternateShading = 0;
  int32_t m_descendingNumbers = 0;
  int32_t m_allChecked = 0;
  int m_rowHeight = 60;
  int m_rowImageSide = 0;
  int m_scrollOffset = 0;
  int m_contentWidth = 0;
  GdiFont m_font;
  CellTextHook m_cellTextHook = nullptr;
  void* m_cellTextContext = nullptr;
  bool m_created = false;
  WNDPROC m_listProc = nullptr;
  WNDPROC m_headerProc = nullptr;
};
