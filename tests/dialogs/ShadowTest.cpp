#include "kit/CThemedShadowWnd.h"

#include <gtest/gtest.h>

#include "tests/dialogs/DialogTestSupport.h"

using namespace dialogtest;

namespace {

uint32_t AlphaAt(const std::vector<uint32_t>& pixels, int width, int x, int y) {
  return pixels[static_cast<size_t>(y) * width + x] >> 24;
}

}  // namespace

TEST(ShadowPixels, FadeOutwardsAndLeaveTheOwnerClear) {
  constexpr int kW = 50, kH = 30, kS = 12;
  const std::vector<uint32_t> pixels = CThemedShadowWnd::RenderPixels(kW, kH, kS);
  const int width = kW + 2 * kS;
  ASSERT_EQ(pixels.size(), static_cast<size_t>(width * (kH + 2 * kS)));
  // Nothing under the owner, so the shadow never hides it.
  for (int y = kS; y < kS + kH; ++y)
    for (int x = kS; x < kS + kW; ++x) ASSERT_EQ(pixels[static_cast<size_t>(y) * width + x], 0u);
  // Darkest next to the edge, fading to nothing at the outside; black premultiplied.
  const int midY = kS + kH / 2;
  EXPECT_GT(AlphaAt(pixels, width, kS - 1, midY), 50u);
  uint32_t previous = 256;
  for (int x = kS - 1; x >= 0; --x) {
    const uint32_t alpha = AlphaAt(pixels, width, x, midY);
    EXPECT_LT(alpha, previous);
    EXPECT_EQ(pixels[static_cast<size_t>(midY) * width + x] & 0x00FFFFFFu, 0u);
    previous = alpha;
  }
  EXPECT_LE(AlphaAt(pixels, width, 0, midY), 1u);
  // The corners are round: the outer corner is clear, the diagonal is lighter than the side.
  EXPECT_EQ(AlphaAt(pixels, width, 0, 0), 0u);
  EXPECT_LT(AlphaAt(pixels, width, kS - 3, kS - 3), AlphaAt(pixels, width, kS - 3, midY));
  // Symmetric on all four sides.
  EXPECT_EQ(AlphaAt(pixels, width, kS - 4, midY), AlphaAt(pixels, width, width - kS + 3, midY));
  EXPECT_EQ(AlphaAt(pixels, width, kS + 10, kS - 4), AlphaAt(pixels, width, kS + 10, kS + kH + 3));
}

TEST(ShadowWindow, FollowsItsOwnersPlaceSizeAndVisibility) {
  PlainWindow owner(MakeRect(100, 100, 300, 200), nullptr, false);
  ASSERT_NE(owner.Hwnd(), nullptr);
  CThemedShadowWnd shadow;
  ASSERT_TRUE(shadow.Attach(owner.Hwnd(), 12));
  ASSERT_NE(shadow.Hwnd(), nullptr);
  wchar_t className[64] = {};
  GetClassNameW(shadow.Hwnd(), className, 64);
  EXPECT_STREQ(className, L"WTL_ThemedShadowWindow");
  const LONG exStyle = GetWindowLongW(shadow.Hwnd(), GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_LAYERED);
  EXPECT_TRUE(exStyle & WS_EX_TRANSPARENT) << "clicks go through the shadow";
  EXPECT_EQ(GetWindow(shadow.Hwnd(), GW_OWNER), owner.Hwnd());
  EXPECT_FALSE(IsWindowVisible(shadow.Hwnd())) << "hidden with its owner";

  ShowWindow(owner.Hwnd(), SW_SHOWNA);
  EXPECT_TRUE(IsWindowVisible(shadow.Hwnd()));
  RECT rect = WindowRect(shadow.Hwnd());
  EXPECT_EQ(rect.left, 88);
  EXPECT_EQ(rect.top, 88);
  EXPECT_EQ(rect.right, 412);
  EXPECT_EQ(rect.bottom, 312);

  SetWindowPos(owner.Hwnd(), nullptr, 150, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  rect = WindowRect(shadow.Hwnd());
  EXPECT_EQ(rect.left, 138);
  EXPECT_EQ(rect.top, 108);
  SetWindowPos(owner.Hwnd(), nullptr, 0, 0, 500, 100, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  rect = WindowRect(shadow.Hwnd());
  EXPECT_EQ(rect.right - rect.left, 524);
  EXPECT_EQ(rect.bottom - rect.top, 124);

  ShowWindow(owner.Hwnd(), SW_HIDE);
  EXPECT_FALSE(IsWindowVisible(shadow.Hwnd()));

  // Detaching lets the owner go; it no longer moves the shadow.
  shadow.Detach();
  EXPECT_EQ(shadow.Hwnd(), nullptr);
  SetWindowPos(owner.Hwnd(), nullptr, 10, 10, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

TEST(ShadowWindow, GoesWithItsOwner) {
  CThemedShadowWnd shadow;
  {
    PlainWindow owner(MakeRect(100, 100, 200, 100));
    ASSERT_TRUE(shadow.Attach(owner.Hwnd(), 4));
    EXPECT_TRUE(IsWindowVisible(shadow.Hwnd()));
  }
  EXPECT_EQ(shadow.Hwnd(), nullptr);
  EXPECT_EQ(shadow.Owner(), nullptr);
}

TEST(ShadowPixels, FlattenBlendsBlackOverTheBackgroundAndKeepsTheClearPixels) {
  std::vector<uint32_t> shadow = {0u, 72u << 24, 255u << 24};
  const std::vector<uint32_t> background = {0x00FFFFFFu, 0x00FFFFFFu, 0x00336699u};
  CThemedShadowWnd::Flatten(shadow, background);
  EXPECT_EQ(shadow[0], 0u);
  EXPECT_EQ(shadow[1], 0xFFB7B7B7u);  // 255 * 183 / 255 on every channel, opaque
  EXPECT_EQ(shadow[2], 0xFF000000u);
}

// Where the window system does not blend layered pixels, the shadow blends itself over the
// screen; moving it over its own earlier pixels must not blend it over them, which would
// darken it step by step.
TEST(ShadowWindow, BlendsItselfOverTheScreenWithoutDarkeningAsItMoves) {
  if (!CThemedShadowWnd::BlendsItself()) GTEST_SKIP() << "the window system blends the shadow";
  PlainWindow desk(MakeRect(0, 0, 800, 600));
  ASSERT_NE(desk.Hwnd(), nullptr);
  UpdateWindow(desk.Hwnd());
  PumpFor(100);
  PlainWindow owner(MakeRect(200, 200, 200, 100), nullptr, false);
  CThemedShadowWnd shadow;
  ASSERT_TRUE(shadow.Attach(owner.Hwnd(), 12));
  SetWindowPos(owner.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  PumpFor(100);
  const COLORREF edge = ScreenPixel(198, 250);
  EXPECT_LT(GetRValue(edge), 230) << "a visible shadow next to the edge";
  EXPECT_GT(GetRValue(edge), 120) << "a soft grey over white, not a black frame";
  EXPECT_EQ(ScreenPixel(186, 250), RGB(255, 255, 255)) << "nothing beyond its size";

  for (int step = 1; step <= 3; ++step) {
    SetWindowPos(owner.Hwnd(), nullptr, 200 - 3 * step, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    PumpFor(50);
  }
  const COLORREF moved = ScreenPixel(198 - 9, 250);
  EXPECT_NEAR(GetRValue(moved), GetRValue(edge), 2) << "the same shade after moving";
}
