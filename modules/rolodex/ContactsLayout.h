// Geometry of the contacts pane, computed from its client size alone so it can be checked
// without a window.
#pragma once

#include "kit/PaneGeometry.h"

#include <windows.h>

#include <array>

constexpr int kDetailPanelWidth = 222;
constexpr int kDetailEditButtonY = 74;

struct PaneLayout {
  RECT list;
  RECT detailPanel;
  POINT detailEditButton;  // top-left; the button keeps its size
  RECT searchEdit;
  RECT searchButton;
  // Top, bottom, left and right 1-pixel lines around the search edit and button.
  std::array<RECT, 4> searchFrame;
};

// `searchButton` and `editButton` are the button images' sizes (0 x 0 without an image).
PaneLayout ComputePaneLayout(int width, int height, SIZE searchButton, SIZE editButton);

// Check column 10 %, "Name" 50 %, "Phone Number" 40 % of the list width less its vertical
// scroll bar; a reported bar width outside 0..20 counts as 0.
ColumnWidths ComputeColumnWidths(int listWidth, int reportedScrollBar);
