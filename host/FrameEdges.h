// Geometry of resizing the borderless main frame by its edges and corners, kept apart from
// the window so it can be checked without one.
#pragma once

#include <windows.h>

namespace frame_edges {

// The hit-test code (HTLEFT ... HTBOTTOMRIGHT) of a screen point within `border` pixels of
// the window's edge, or HTCLIENT.
LRESULT EdgeAt(const RECT& window, POINT screen, int border);

bool IsEdge(LRESULT code);

// The window rectangle after the mouse moved by `delta` from where it pressed `edge` on a
// window that was `start`. The opposite edge stays put, also when the minimum size stops it.
RECT Resized(const RECT& start, LRESULT edge, POINT delta, SIZE minimum);

// The cursor (IDC_SIZEWE ...) for an edge.
LPCWSTR CursorFor(LRESULT edge);

}  // namespace frame_edges
