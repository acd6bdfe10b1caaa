#pragma once

#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/navigator/SectionRowLayout.h"

namespace Gdiplus {
class Bitmap;
class Graphics;
}  // namespace Gdiplus

struct SectionRow;

// The system tree view with every row painted by this class: arrow, icon, title and count
// badge. Clicks follow the navigator's own rules instead of the control's: the arrow only
// folds, the rest of a row selects it. Each row's item parameter is its SectionRow.
class BASTreeViewSection : public BASWindow {
 public:
  static constexpr UINT kControlId = 5000;
  static constexpr int kRowHeight = 40;
  static constexpr int kFontHeight = 16;
  static constexpr int kDefaultGap = 20;

  BASTreeViewSection() = default;

  bool CreateIn(HWND parent, const RECT& rect);
  // Not owned; either may be null and is then drawn as nothing.
  void SetArrowImages(Gdiplus::Bitmap* collapsed, Gdiplus::Bitmap* expanded);
  void SetGap(int gap) { m_gap = gap; }
  void SetColors(COLORREF background, COLORREF selectedBackground, COLORREF selectedText);

  // Appends `row` as the last child of `parent` (null: the top level); null on failure. The
  // row must outlive the control.
  HTREEITEM InsertRow(HTREEITEM parent, SectionRow* row);
  // Re-sets the row's item parameter and repaints it, after its record changed.
  void RefreshRow(HTREEITEM item);
  // After a change of selection: the control repaints the rows by its own rectangles, which
  // some versions report a pixel short of the rows painted here.
  void RepaintAll();
  SectionRow* RowOf(HTREEITEM item) const;

 protected:
  bool PaintsClientArea() const override { return true; }
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  // Double clicks would fold and select behind the rules' back.
  bool OnLButtonDblClk(int, int, UINT) override { return true; }

 private:
  SectionRowMetrics Metrics() const;
  void PaintRow(HDC dc, Gdiplus::Graphics& graphics, HTREEITEM item, const RECT& rect, bool selected);

  Gdiplus::Bitmap* m_collapsedArrow = nullptr;
  Gdiplus::Bitmap* m_expandedArrow = nullptr;
  int m_gap = kDefaultGap;
  COLORREF m_background = RGB(255, 255, 255);
  COLORREF m_selectedBackground = RGB(255, 255, 255);
  COLORREF m_selectedText = RGB(0, 0, 0);
  GdiBrush m_backgroundBrush;
  GdiBrush m_selectedBrush;
  GdiFont m_font;
};
