#include "host/FrameEdges.h"

#include <algorithm>

namespace frame_edges {

namespace {

bool OnLeft(LRESULT code) { return code == HTLEFT || code == HTTOPLEFT || code == HTBOTTOMLEFT; }
bool OnRight(LRESULT code) { return code == HTRIGHT || code == HTTOPRIGHT || code == HTBOTTOMRIGHT; }
bool OnTop(LRESULT code) { return code == HTTOP || code == HTTOPLEFT || code == HTTOPRIGHT; }
bool OnBottom(LRESULT code) { return code == HTBOTTOM || code == HTBOTTOMLEFT || code == HTBOTTOMRIGHT; }

}  // namespace

LRESULT EdgeAt(const RECT& r, POINT pt, int border) {
  if (pt.x < r.left || pt.x >= r.right || pt.y < r.top || pt.y >= r.bottom) return HTNOWHERE;
  const bool left = pt.x < r.left + border, right = pt.x >= r.right - border;
  const bool top = pt.y < r.top + border, bottom = pt.y >= r.bottom - border;
  if (top && left) return HTTOPLEFT;
  if (top && right) return HTTOPRIGHT;
  if (bottom && left) return HTBOTTOMLEFT;
  if (bottom && right) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  if (top) return HTTOP;
  if (bottom) return HTBOTTOM;
  return HTCLIENT;
}

bool IsEdge(LRESULT code) { return OnLeft(code) || OnRight(code) || OnTop(code) || OnBottom(code); }

RECT Resized(const RECT& start, LRESULT edge, POINT delta, SIZE minimum) {
  RECT r = start;
  if (OnLeft(edge)) r.left = std::min(start.left + delta.x, start.right - minimum.cx);
  if (OnRight(edge)) r.right = std::max(start.right + delta.x, start.left + minimum.cx);
  if (OnTop(edge)) r.top = std::min(start.top + delta.y, start.bottom - minimum.cy);
  if (OnBottom(edge)) r.bottom = std::max(start.bottom + delta.y, start.top + minimum.cy);
  return r;
}

LPCWSTR CursorFor(LRESULT edge) {
  switch (edge) {
    case HTLEFT:
    case HTRIGHT:
      return IDC_SIZEWE;
    case HTTOP:
    case HTBOTTOM:
      return IDC_SIZENS;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      return IDC_SIZENWSE;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      return IDC_SIZENESW;
    default:
      return IDC_ARROW;
  }
}

}  // namespace frame_edges
