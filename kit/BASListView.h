#pragma once

#include "kit/BASListViewHeader.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"

#include <cstdint>
#include <string>
#include <vector>

// Select-all message: wParam non-zero checks every row, zero unchecks every row.
constexpr UINT kListSelectAll = WM_USER + 103;

// The checkable, owner-drawn report list of the content panes. It draws every row itself:
// a check image and a running number in column 0, an optional image before the text of
// column 1, plain text in the others. Check state is the row's state image (1 unchecked,
// anything else checked). Column clicks are swallowed: the list never sorts.
//
// The parent must be a BASWindow (of any module) so that WM_DRAWITEM and WM_MEASUREITEM are
// reflected here. Images are borrowed and must outlive the list.
//
// Filling it with many rows: every insert makes the control update its scroll bars and
// invalidate the rows below; wrap a batch in SetRedraw(false) ... SetRedraw(true), which
// repaints once at the end (under Wine a visible list without it takes seconds per thousand
// rows). DeleteAllRows sends no LVN_DELETEITEM per row unless the parent answers
// LVN_DELETEALLITEMS itself.
class BASListView : public BASWindow {
 public:
  typedef Gdiplus::Bitmap* (*RowImageHook)(BASListView& list, int row, void* context);
  typedef void (*RowColorHook)(HDC dc, BASListView& list, int row, void* context);
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
  void SetDefaultRowImage(Gdiplus::Bitmap* image);
  // Re-measures the rows at once.
  void SetRowHeight(int height);
  int RowHeight() const { return m_rowHeight; }
  // Deletes the font it held before unless it is the same one; the list owns `font`.
  void SetListFont(HFONT font);
  void SetAlternateShading(bool on) { m_alternateShading = on ? 1 : 0; }
  void SetDescendingNumbers(bool on) { m_descendingNumbers = on ? 1 : 0; }
  BASListViewHeader& Header() { return m_header; }
  void SetCellTextHook(CellTextHook hook, void* context);
  // WM_SETREDRAW; turning drawing back on repaints the list and its header once.
  void SetRedraw(bool on);

  int InsertColumn(int index, const wchar_t* title, int width);
  // One text per column; returns the new row's index, or -1.
  int InsertRow(int index, const std::vector<std::wstring>& texts, LPARAM itemData = 0);
  int AppendRow(const std::vector<std::wstring>& texts, LPARAM itemData = 0);
  void SetRowText(int row, int column, const std::wstring& text);
  bool DeleteRow(int row);
  void DeleteAllRows();
  int RowCount() const;
  LPARAM RowData(int row) const;

  bool IsChecked(int row) const;
  void SetChecked(int row, bool checked);
  bool IsSelected(int row) const;
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
  bool OnLButtonDown(int x, int y, UINT keys) override;
  bool OnDrawItem(DRAWITEMSTRUCT& item) override;
  bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
  bool OnReflectedNotify(NMHDR* header, LRESULT& result) override;

 private:
  void DrawRow(const DRAWITEMSTRUCT& item);
  // Paints row `row` (client rectangle `rect`) on `dc`, whose pixel (0, 0) is client `origin`.
  void DrawRowContents(HDC dc, POINT origin, int row, const RECT& rect);
  void DrawCellText(HDC dc, POINT origin, int row, int column, const wchar_t* text, RECT rect) const;
  void EraseUncovered(HDC dc);
  void RecomputeAllChecked();
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

  BASListViewHeader m_header;
  Gdiplus::Bitmap* m_checkedImage = nullptr;
  Gdiplus::Bitmap* m_uncheckedImage = nullptr;
  Gdiplus::Bitmap* m_defaultRowImage = nullptr;
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
  int m_scrollOffset = 0;
  int m_contentWidth = 0;
  GdiFont m_font;
  CellTextHook m_cellTextHook = nullptr;
  void* m_cellTextContext = nullptr;
  bool m_created = false;
  WNDPROC m_listProc = nullptr;
  WNDPROC m_headerProc = nullptr;
};
