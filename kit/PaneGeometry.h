// Geometry every content pane shares, computed from sizes alone so it can be checked without a
// window: where the host puts a pane, its toolbar line, the framed search box at its right
// edge and list columns given in hundredths of the list's width.
#pragma once

#include <windows.h>

#include <array>
#include <vector>

// Right of the navigator, one pixel in from the parent's top and bottom.
constexpr int kPaneLeft = 217;
constexpr int kPaneTop = 1;
RECT PaneRectInParent(int parentClientWidth, int parentClientHeight);

constexpr int kToolbarLineY = 30;

struct SearchBoxLayout {
  RECT edit;
  RECT button;
  // Top, bottom, left and right 1-pixel lines around the edit and its button.
  std::array<RECT, 4> frame;
};

// `searchButton` is the button image's size (0 x 0 without an image).
SearchBoxLayout ComputeSearchBox(int paneWidth, SIZE searchButton);

struct ColumnWidths {
  int scrollBar;   // as used: 0 when the reported width was unusable
  double percent;  // one hundredth of the width left for the columns
  std::vector<int> widths;
};

// Each column gets its share (in hundredths) of the list width less its vertical scroll bar,
// truncated; a reported bar width outside 0..20 counts as 0.
ColumnWidths PercentColumnWidths(int listWidth, int reportedScrollBar, const std::vector<int>& shares);
