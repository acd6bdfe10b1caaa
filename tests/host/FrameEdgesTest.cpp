// Resizing the borderless frame by its edges: which edge a point is on, and where a drag
// leaves the frame, the minimum size included.
#include <gtest/gtest.h>

#include "host/FrameEdges.h"

using namespace frame_edges;

namespace {

const RECT kFrame = {100, 50, 1084, 750};  // 984 x 700
constexpr SIZE kMinimum = {984, 700};

bool Same(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

TEST(FrameEdges, PointsNearTheBorderNameTheirEdgeOrCorner) {
  EXPECT_EQ(EdgeAt(kFrame, POINT{100, 400}, 6), HTLEFT);
  EXPECT_EQ(EdgeAt(kFrame, POINT{1083, 400}, 6), HTRIGHT);
  EXPECT_EQ(EdgeAt(kFrame, POINT{500, 55}, 6), HTTOP);
  EXPECT_EQ(EdgeAt(kFrame, POINT{500, 749}, 6), HTBOTTOM);
  EXPECT_EQ(EdgeAt(kFrame, POINT{101, 51}, 6), HTTOPLEFT);
  EXPECT_EQ(EdgeAt(kFrame, POINT{1080, 52}, 6), HTTOPRIGHT);
  EXPECT_EQ(EdgeAt(kFrame, POINT{102, 746}, 6), HTBOTTOMLEFT);
  EXPECT_EQ(EdgeAt(kFrame, POINT{1083, 749}, 6), HTBOTTOMRIGHT);
  EXPECT_EQ(EdgeAt(kFrame, POINT{106, 400}, 6), HTCLIENT);
  // Outside the frame is no edge of it: the right and bottom edges are exclusive.
  EXPECT_EQ(EdgeAt(kFrame, POINT{1084, 400}, 6), HTNOWHERE);
  EXPECT_EQ(EdgeAt(kFrame, POINT{99, 400}, 6), HTNOWHERE);
  EXPECT_FALSE(IsEdge(HTCLIENT));
  EXPECT_FALSE(IsEdge(HTCAPTION));
  EXPECT_TRUE(IsEdge(HTBOTTOMLEFT));
}

TEST(FrameEdges, DraggingMovesOnlyTheGrippedEdgesAndStopsAtTheMinimumSize) {
  EXPECT_TRUE(Same(Resized(kFrame, HTLEFT, POINT{-40, 25}, kMinimum), RECT{60, 50, 1084, 750}));
  EXPECT_TRUE(Same(Resized(kFrame, HTBOTTOMRIGHT, POINT{30, 20}, kMinimum), RECT{100, 50, 1114, 770}));
  EXPECT_TRUE(Same(Resized(kFrame, HTTOPRIGHT, POINT{10, -10}, kMinimum), RECT{100, 40, 1094, 750}));
  // Shrinking below the minimum keeps the opposite edge where it was, never moving the frame.
  EXPECT_TRUE(Same(Resized(kFrame, HTLEFT, POINT{200, 0}, kMinimum), kFrame));
  EXPECT_TRUE(Same(Resized(kFrame, HTTOP, POINT{0, 300}, kMinimum), kFrame));
  EXPECT_TRUE(Same(Resized(kFrame, HTBOTTOMRIGHT, POINT{-500, -500}, kMinimum), kFrame));
  // Not an edge: nothing changes.
  EXPECT_TRUE(Same(Resized(kFrame, HTCLIENT, POINT{50, 50}, kMinimum), kFrame));
}
