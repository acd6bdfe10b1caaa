#include "modules/rolodex/ContactsLayout.h"

#include <algorithm>

RECT PaneRectInParent(int parentClientWidth, int parentClientHeight) {
  // A parent narrower than the navigator gets an empty pane, never an inverted one.
  const int right = std::max(kPaneLeft, parentClientWidth);
  const int bottom = std::max(kPaneTop, parentClientHeight - 1);
  return RECT{kPaneLeft, kPaneTop, right, bottom};
}

PaneLayout ComputePaneLayout(int width, int height, SIZE searchButton, SIZE editButton) {
  const int w = std::max(0, width);
  const int h = std::max(kToolbarLineY + 1, height);
  PaneLayout layout{};
  layout.detailPanel = RECT{w - kDetailPanelWidth, kToolbarLineY + 1, w, h};
  layout.detailEditButton = POINT{w - 8 - editButton.cx, kDetailEditButtonY};
  layout.searchEdit = RECT{w - 160, 4, w - 40, 25};
  layout.searchButton = RECT{w - 40, 4, w - 40 + searchButton.cx, 4 + searchButton.cy};
  const int left = layout.searchEdit.left - 1;
  const int top = layout.searchEdit.top - 1;
  const int right = layout.searchButton.right + 2;
  const int bottom = 26;
  layout.searchFrame = {RECT{left, top, right, top + 1}, RECT{left, bottom, right, bottom + 1},
                        RECT{left, top, left + 1, bottom + 1}, RECT{right - 1, top, right, bottom + 1}};
  layout.list = RECT{1, kToolbarLineY + 1, std::max(1, w - kDetailPanelWidth - 1), h};
  return layout;
}

ColumnWidths ComputeColumnWidths(int listWidth, int reportedScrollBar) {
  ColumnWidths columns{};
  columns.scrollBar = reportedScrollBar >= 0 && reportedScrollBar <= 20 ? reportedScrollBar : 0;
  columns.percent = std::max(0, listWidth - columns.scrollBar) / 100.0;
  columns.widths = {static_cast<int>(columns.percent * 10), static_cast<int>(columns.percent * 50),
                    static_cast<int>(columns.percent * 40)};
  return columns;
}
