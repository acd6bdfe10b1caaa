#include "modules/rolodex/ContactsLayout.h"

#include <algorithm>

PaneLayout ComputePaneLayout(int width, int height, SIZE searchButton, SIZE editButton) {
  const int w = std::max(0, width);
  const int h = std::max(kToolbarLineY + 1, height);
  PaneLayout layout{};
  layout.detailPanel = RECT{w - kDetailPanelWidth, kToolbarLineY + 1, w, h};
  layout.detailEditButton = POINT{w - 8 - editButton.cx, kDetailEditButtonY};
  const SearchBoxLayout box = ComputeSearchBox(w, searchButton);
  layout.searchEdit = box.edit;
  layout.searchButton = box.button;
  layout.searchFrame = box.frame;
  layout.list = RECT{1, kToolbarLineY + 1, std::max(1, w - kDetailPanelWidth - 1), h};
  return layout;
}

ColumnWidths ComputeColumnWidths(int listWidth, int reportedScrollBar) {
  return PercentColumnWidths(listWidth, reportedScrollBar, {10, 50, 40});
}
