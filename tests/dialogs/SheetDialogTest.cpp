#include "host/dialogs/UiSheetDialog.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/dialogs/DialogTestSupport.h"

using namespace dialogtest;

class SheetDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(m_frame.Hwnd(), nullptr);
    ASSERT_NE(m_view.Hwnd(), nullptr);
    ASSERT_TRUE(m_sheet.CreateModeless(m_view.Hwnd()));
    ASSERT_NE(m_sheet.Link(), nullptr);
  }

  bool Open() {
    return PumpUntil([&] { return m_sheet.IsFullyOpen(); }, 2000);
  }

  // A real click on the first letter of the link.
  void ClickLink() {
    // A link the control did not parse would never be clicked.
    LITEM item{};
    item.mask = LIF_ITEMINDEX | LIF_URL;
    ASSERT_TRUE(SendMessageW(m_sheet.Link(), LM_GETITEM, 0, reinterpret_cast<LPARAM>(&item)));
    SendMessageW(m_sheet.Link(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 8));
    SendMessageW(m_sheet.Link(), WM_LBUTTONUP, 0, MAKELPARAM(3, 8));
    PumpFor(50);
  }

  PlainWindow m_frame{MakeRect(60, 30, 984, 700)};
  PlainWindow m_view{MakeRect(0, 0, 984, 700), m_frame.Hwnd()};
  UiSheetDialog m_sheet{nullptr, nullptr};
};

TEST_F(SheetDialogTest, SlidesDownUnderTheTitleBarInFiveStepsThenShowsItsLink) {
  EXPECT_FALSE(IsWindowVisible(m_sheet.Hwnd()));
  m_sheet.SetText(L"A new version of (2.1.170) is available.");
  m_sheet.Show(SW_SHOW);
  ASSERT_TRUE(IsWindowVisible(m_sheet.Hwnd()));
  EXPECT_TRUE(IsWindowEnabled(m_view.Hwnd())) << "the sheet leaves its owner usable";
  EXPECT_FALSE(IsWindowVisible(m_sheet.Link()));
  EXPECT_FALSE(IsWindowVisible(m_sheet.CloseButton()));

  // Each tick of the slide timer grows it by a fifth; the tick after the last step shows the
  // link. The ticks are sent here so that none is merged with another.
  // Each step is painted before the next, as the user sees them.
  KillTimer(m_sheet.Hwnd(), UiSheetDialog::kSlideTimer);
  std::vector<int> heights;
  for (int tick = 0; tick < 6; ++tick) {
    UpdateWindow(m_sheet.Hwnd());
    const RECT rect = WindowRect(m_sheet.Hwnd());
    heights.push_back(rect.bottom - rect.top);
    SendMessageW(m_sheet.Hwnd(), WM_TIMER, UiSheetDialog::kSlideTimer, 0);
  }
  EXPECT_EQ(heights, (std::vector<int>{8, 16, 24, 32, 40, 40}));
  EXPECT_TRUE(m_sheet.IsFullyOpen());
  PumpFor(120);
  // On the screen no bottom border of an earlier, shorter step is left inside the strip.
  const RECT strip = WindowRect(m_sheet.Hwnd());
  for (int y : {7, 15, 23, 31}) EXPECT_EQ(ScreenPixel(strip.left + 8, strip.top + y), UiSheetDialog::kBackground) << y;
  EXPECT_EQ(ScreenPixel(strip.left + 8, strip.bottom - 1), UiSheetDialog::kBorder);
  const RECT rect = WindowRect(m_sheet.Hwnd());
  EXPECT_EQ(rect.left, 60);
  EXPECT_EQ(rect.top, 30 + 68);
  EXPECT_EQ(rect.right - rect.left, 984);
  EXPECT_TRUE(IsWindowVisible(m_sheet.Link()));
  EXPECT_TRUE(IsWindowVisible(m_sheet.CloseButton()));
  const RECT link = WindowRect(m_sheet.Link());
  EXPECT_EQ(link.left - rect.left, 16);
  EXPECT_EQ(link.top - rect.top, 8);
  // The link stops short of the close button instead of covering it.
  EXPECT_LE(link.right, WindowRect(m_sheet.CloseButton()).left);
  wchar_t markup[200] = {};
  GetWindowTextW(m_sheet.Link(), markup, 200);
  EXPECT_STREQ(markup, L"<A>A new version of (2.1.170) is available.</A>");
  ClientPixels pixels(m_sheet.Hwnd());
  EXPECT_EQ(pixels.At(400, 2), UiSheetDialog::kBackground);
  EXPECT_EQ(pixels.At(0, 20), UiSheetDialog::kBorder);
}

TEST_F(SheetDialogTest, LinkClickRunsTheActionOnceAndCloses) {
  int clicks = 0;
  m_sheet.SetText(L"Application have errors due to some unknown reasons");
  m_sheet.SetClickAction([&] { ++clicks; });
  m_sheet.Show(SW_SHOW);
  ASSERT_TRUE(Open());
  ClickLink();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(IsWindowVisible(m_sheet.Hwnd()));
  EXPECT_TRUE(m_sheet.IsClosed());

  // Shown again it slides in from the top once more.
  m_sheet.Show(SW_SHOW);
  EXPECT_EQ(m_sheet.CurrentHeight(), UiSheetDialog::kStep);
  ASSERT_TRUE(Open());
  SendMessageW(m_sheet.CloseButton(), BM_CLICK, 0, 0);
  PumpFor(50);
  EXPECT_FALSE(IsWindowVisible(m_sheet.Hwnd()));
  EXPECT_EQ(clicks, 1) << "the close button runs no action";
}

TEST_F(SheetDialogTest, ANoticeWithoutActionOnlyHides) {
  m_sheet.SetText(L"Meridian Tide 4 is disconnected.");
  m_sheet.SetClickAction(nullptr);
  m_sheet.Show(SW_SHOW);
  ASSERT_TRUE(Open());
  ClickLink();
  EXPECT_FALSE(IsWindowVisible(m_sheet.Hwnd()));
}

TEST_F(SheetDialogTest, AnActionMayPostTheNextNotice) {
  m_sheet.SetText(L"first");
  m_sheet.SetClickAction([&] {
    m_sheet.SetText(L"second");
    m_sheet.SetClickAction(nullptr);
    m_sheet.Show(SW_SHOW);
  });
  m_sheet.Show(SW_SHOW);
  ASSERT_TRUE(Open());
  ClickLink();
  EXPECT_TRUE(IsWindowVisible(m_sheet.Hwnd())) << "the new notice is not closed by the old click";
  EXPECT_EQ(m_sheet.Text(), L"second");
}

TEST_F(SheetDialogTest, ShowingWhileOpenKeepsTheHeightAndShowsTheNewText) {
  m_sheet.SetText(L"old");
  m_sheet.Show(SW_SHOW);
  ASSERT_TRUE(Open());
  m_sheet.SetText(L"Meridian Tide 4 is disconnected.");
  m_sheet.Show(SW_SHOW);
  EXPECT_EQ(m_sheet.CurrentHeight(), UiSheetDialog::kHeight);
  EXPECT_TRUE(Open());
  wchar_t markup[100] = {};
  GetWindowTextW(m_sheet.Link(), markup, 100);
  EXPECT_STREQ(markup, L"<A>Meridian Tide 4 is disconnected.</A>");
}

TEST_F(SheetDialogTest, FollowsTheMainWindowWhenItMovesAndIsResized) {
  m_sheet.SetText(L"notice");
  m_sheet.Show(SW_SHOW);
  ASSERT_TRUE(Open());
  SetWindowPos(m_frame.Hwnd(), nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT rect = WindowRect(m_sheet.Hwnd());
  EXPECT_EQ(rect.left, 200);
  EXPECT_EQ(rect.top, 150 + 68);

  SetWindowPos(m_frame.Hwnd(), nullptr, 0, 0, 1200, 800, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(m_view.Hwnd(), nullptr, 0, 0, 1200, 800, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_sheet.FollowOwner();
  rect = WindowRect(m_sheet.Hwnd());
  EXPECT_EQ(rect.right - rect.left, 1200);
  EXPECT_EQ(rect.bottom - rect.top, 40);
  const RECT close = WindowRect(m_sheet.CloseButton());
  EXPECT_EQ(rect.right - close.right, 8);
  EXPECT_EQ(close.top - rect.top, 8);
}
