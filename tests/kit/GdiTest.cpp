#include "kit/DoubleBuffer.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <type_traits>

static_assert(!std::is_copy_constructible_v<GdiBrush> && !std::is_copy_assignable_v<GdiBrush>);
static_assert(std::is_nothrow_move_constructible_v<GdiBrush> && std::is_nothrow_move_assignable_v<GdiBrush>);
static_assert(!std::is_copy_constructible_v<MemoryDc> && std::is_nothrow_move_constructible_v<MemoryDc>);
static_assert(!std::is_copy_constructible_v<ClientDc> && std::is_nothrow_move_constructible_v<ClientDc>);
static_assert(!std::is_copy_constructible_v<SelectGuard> && !std::is_move_constructible_v<SelectGuard>);
static_assert(!std::is_copy_constructible_v<PaintDc> && !std::is_copy_constructible_v<DoubleBuffer>);
static_assert(!std::is_constructible_v<SelectGuard, HDC, HRGN>);

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

bool IsLive(HGDIOBJ object) { return GetObjectType(object) != 0; }

}  // namespace

TEST(GdiObject, MovingHandsOverOwnershipSoTheHandleIsFreedOnce) {
  const HBRUSH first = CreateSolidBrush(kRed);
  const HBRUSH second = CreateSolidBrush(kBlue);
  ASSERT_TRUE(first && second);
  {
    GdiBrush a(first);
    GdiBrush b(std::move(a));
    EXPECT_EQ(a.Get(), nullptr);
    EXPECT_EQ(b.Get(), first);

    GdiBrush c(second);
    c = std::move(b);  // frees what c held
    EXPECT_FALSE(IsLive(second));
    EXPECT_EQ(b.Get(), nullptr);
    EXPECT_TRUE(IsLive(first));
  }
  EXPECT_FALSE(IsLive(first));
}

TEST(MemoryDc, MovedDcIsDeletedOnceByItsLastOwner) {
  HDC dc = nullptr;
  {
    MemoryDc first(nullptr);
    ASSERT_TRUE(first);
    dc = first.Get();
    MemoryDc second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.Get(), dc);
    first = std::move(second);
    EXPECT_EQ(first.Get(), dc);
    EXPECT_TRUE(IsLive(dc));
  }
  EXPECT_FALSE(IsLive(dc));
}

TEST(SelectGuard, RestoresThePreviousObjectBeforeItsOwnerIsDeleted) {
  MemoryDc dc(nullptr);
  ASSERT_TRUE(dc);
  const HGDIOBJ originalFont = GetCurrentObject(dc, OBJ_FONT);
  const HGDIOBJ originalBrush = GetCurrentObject(dc, OBJ_BRUSH);
  HFONT fontHandle = nullptr;
  {
    GdiFont font(CreateFontW(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
    GdiBrush brush(CreateSolidBrush(kRed));
    ASSERT_TRUE(font && brush);
    fontHandle = font.Get();
    SelectGuard fontGuard(dc, font);
    SelectGuard brushGuard(dc, brush);
    EXPECT_TRUE(fontGuard.Selected());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font.Get());
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush.Get());
  }
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), originalFont);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), originalBrush);
  EXPECT_FALSE(IsLive(fontHandle));

  SelectGuard nothing(dc, static_cast<HGDIOBJ>(nullptr));
  EXPECT_FALSE(nothing.Selected());
}

TEST(DoubleBuffer, TargetChangesOnlyInsideTheRectAndOnlyAtTheEnd) {
  PixelCanvas target(60, 60, kWhite);
  ASSERT_TRUE(target.Ok());
  {
    DoubleBuffer buffer(target.Dc(), MakeRect(10, 10, 30, 30));
    ASSERT_TRUE(buffer.IsBuffered());
    EXPECT_NE(buffer.Dc(), target.Dc());
    // Painted in target coordinates, and wider than the rectangle on purpose.
    PixelCanvas::FillWith(buffer.Dc(), MakeRect(0, 0, 60, 60), kRed);
    PixelCanvas::FillWith(buffer.Dc(), MakeRect(35, 35, 5, 5), kBlue);
    EXPECT_EQ(target.Pixel(20, 20), kWhite);
    // A painter that moves the origin must not shift the copy.
    SetViewportOrgEx(buffer.Dc(), 7, 7, nullptr);
  }
  EXPECT_EQ(target.Pixel(10, 10), kRed);
  EXPECT_EQ(target.Pixel(39, 39), kBlue);
  EXPECT_EQ(target.Pixel(34, 34), kRed);
  EXPECT_EQ(target.Pixel(9, 9), kWhite);
  EXPECT_EQ(target.Pixel(40, 40), kWhite);
  EXPECT_EQ(target.Pixel(50, 20), kWhite);
}

TEST(DoubleBuffer, GdiplusDrawsInTargetCoordinates) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.IsOk());
  PixelCanvas target(60, 60, kWhite);
  ASSERT_TRUE(target.Ok());
  {
    DoubleBuffer buffer(target.Dc(), MakeRect(20, 10, 40, 40));
    ASSERT_TRUE(buffer.IsBuffered());
    PixelCanvas::FillWith(buffer.Dc(), MakeRect(20, 10, 40, 40), kWhite);
    Gdiplus::Graphics graphics(buffer.Dc());
    Gdiplus::SolidBrush blue(Gdiplus::Color(255, 0, 0, 255));
    graphics.FillRectangle(&blue, 30, 20, 10, 10);
  }
  EXPECT_EQ(target.Pixel(35, 25), kBlue);
  EXPECT_EQ(target.Pixel(28, 18), kWhite);
  EXPECT_EQ(target.Pixel(41, 31), kWhite);
}

TEST(DoubleBuffer, PaintsDirectlyAndRestoresTheTargetWhenNoBitmapCanBeMade) {
  PixelCanvas target(40, 40, kWhite);
  ASSERT_TRUE(target.Ok());
  const HGDIOBJ brushBefore = GetCurrentObject(target.Dc(), OBJ_BRUSH);
  const COLORREF textBefore = GetTextColor(target.Dc());
  GdiBrush red(CreateSolidBrush(kRed));
  {
    // Far beyond what a 32-bit process can allocate.
    DoubleBuffer buffer(target.Dc(), MakeRect(0, 0, 60000, 60000));
    ASSERT_FALSE(buffer.IsBuffered());
    EXPECT_EQ(buffer.Dc(), target.Dc());
    SelectObject(buffer.Dc(), red.Get());
    SetTextColor(buffer.Dc(), kBlue);
    PatBlt(buffer.Dc(), 5, 5, 10, 10, PATCOPY);
  }
  EXPECT_EQ(target.Pixel(8, 8), kRed);
  EXPECT_EQ(GetCurrentObject(target.Dc(), OBJ_BRUSH), brushBefore);
  EXPECT_EQ(GetTextColor(target.Dc()), textBefore);
}
