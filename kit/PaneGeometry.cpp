#include "kit/PaneGeometry.h"

#include <algorithm>

RECT PaneRectInParent(int parentClientWidth, int parentClientHeight) {
  // A parent narrower than the navigator gets an empty pane, never an inverted one.
  const int right = std::max(kPaneLeft, parentClientWidth);
  const int bottom = std::max(kPaneTop, parentClientHeight - 1);
  return RECT{kPaneLeft, kPaneTop, right, bottom};
}

SearchBoxLayout ComputeSearchBox(int paneWidth, SIZE searchButton) {
  const int w = std::max(0, paneWidth);
  SearchBoxLayout box{};
  box.edit = RECT{w - 160, 4, w - 40, 25};
  box.button = RECT{w - 40, 4, w - 40 + searchButton.cx, 4 + searchButton.cy};
  const int left = box.edit.left - 1;
  const int top = box.edit.top - 1;
  const int right = box.button.right + 2;
  const int bottom = 26;
  box.frame = {RECT{left, top, right, top + 1}, RECT{left, bottom, right, bottom + 1},
               RECT{left, top, left + 1, bottom + 1}, RECT{right - 1, top, right, bottom + 1}};
  return box;
}

ColumnWidths PercentColumnWidths(int listWidth, int reportedScrollBar, const std::vector<int>& shares) {
  ColumnWidths columns{};
  columns.scrollBar = reportedScrollBar >= 0 && reportedScrollBar <= 20 ? reportedScrollBar : 0;
  columns.percent = std::max(0, listWidth - columns.scrollBar) / 100.0;
  for (int share : shares) columns.widths.push_back(static_cast<int>(columns.percent * share));
  return columns;
}
