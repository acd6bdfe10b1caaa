#include "host/dialogs/UiProgressDialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/dialogs/DialogTestSupport.h"

using namespace dialogtest;

namespace {

struct CancelCall {
  HWND window;
  uint32_t low;
  uint32_t high;
};
std::vector<CancelCall> g_cancels;
std::atomic<int> g_cancelCount{0};

void RecordCancel(HWND window, uint32_t low, uint32_t high) {
  g_cancels.push_back({window, low, high});
  g_cancelCount.fetch_add(1);
}

bool Shown(const UiDialog& dialog) { return dialog.Hwnd() && IsWindowVisible(dialog.Hwnd()); }

void Click(HWND button) { SendMessageW(button, BM_CLICK, 0, 0); }

}  // namespace

class ProgressDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    g_cancels.clear();
    g_cancelCount = 0;
    ASSERT_NE(m_frame.Hwnd(), nullptr);
    ASSERT_NE(m_pane.Hwnd(), nullptr);
    ASSERT_TRUE(m_dialog.CreateModeless(m_pane.Hwnd()));
    ASSERT_NE(m_dialog.Hwnd(), nullptr);
  }

  // An export of 10 items in the pane's dialog, as a controller starts one.
  void StartExport() {
    m_dialog.Reset();
    m_dialog.SetFolder(L"C:\\Exports");
    m_dialog.SetTotal(10);
    m_dialog.SetText(L"Exporting...");
    m_dialog.Start();
  }

  PlainWindow m_frame{MakeRect(50, 40, 984, 700)};
  PlainWindow m_pane{MakeRect(1, 68, 982, 631), m_frame.Hwnd()};
  UiProgressDialog m_dialog{nullptr, nullptr};
};

TEST_F(ProgressDialogTest, StartsHiddenThenShowsCentredAndDisablesItsPane) {
  EXPECT_FALSE(Shown(m_dialog));
  EXPECT_TRUE(m_dialog.IsKeptHidden());
  StartExport();
  ASSERT_TRUE(Shown(m_dialog));
  EXPECT_FALSE(IsWindowEnabled(m_pane.Hwnd()));
  const RECT rect = WindowRect(m_dialog.Hwnd());
  EXPECT_EQ(rect.right - rect.left, 500);
  EXPECT_EQ(rect.bottom - rect.top, 150);
  EXPECT_EQ(rect.left, 50 + (984 - 500) / 2);
  EXPECT_EQ(rect.top, 40 + (700 - 150) / 2);
  EXPECT_TRUE(IsWindowVisible(m_dialog.FolderButton()));
  EXPECT_EQ(m_dialog.SecondButtonText(), L"Cancel");
  // "Cancel" 20 pixels from the right and 16 from the bottom, "Show in folder" 20 to its left.
  const RECT cancel = WindowRect(m_dialog.SecondButton());
  const RECT folder = WindowRect(m_dialog.FolderButton());
  EXPECT_EQ(rect.right - cancel.right, 20);
  EXPECT_EQ(rect.bottom - cancel.bottom, 16);
  EXPECT_EQ(cancel.left - folder.right, 20);
}

TEST_F(ProgressDialogTest, TimerDrawsTheCountersOnTheBar) {
  StartExport();
  m_dialog.SetPosition(5);
  ASSERT_TRUE(PumpUntil([&] { return m_dialog.State().Position() == 5; }, 100));
  PumpFor(700);
  ClientPixels pixels(m_dialog.Hwnd());
  ASSERT_TRUE(pixels.Ok());
  const RECT bar = m_dialog.BarRect();
  const COLORREF barColor = pixels.At(bar.left + 4, bar.top + 5);
  const int filled = ProgressState::FilledWidth(bar.right - bar.left, 5, 10);
  // The filled part ends exactly at half of the inside, the rest of the bar is white.
  EXPECT_EQ(pixels.At(bar.left + 4 + filled - 1, bar.top + 5), barColor);
  EXPECT_EQ(pixels.At(bar.left + 4 + filled + 1, bar.top + 5), RGB(255, 255, 255));
  EXPECT_NE(barColor, RGB(255, 255, 255));
  EXPECT_GT(pixels.Dark(m_dialog.TextRect()), 30) << "text and counter are drawn";
}

TEST_F(ProgressDialogTest, ClosesByItselfAtTheEndWithoutFailures) {
  StartExport();
  m_dialog.SetShowFolder(false);
  m_dialog.SetCloseByItself(true);
  m_dialog.Start();
  EXPECT_FALSE(IsWindowVisible(m_dialog.FolderButton()));
  m_dialog.SetPosition(10);
  m_dialog.Finish();
  ASSERT_TRUE(PumpUntil([&] { return m_dialog.State().Text() == L"Finish"; }, 1500));
  EXPECT_TRUE(m_dialog.IsKeptHidden());
  EXPECT_TRUE(PumpUntil([&] { return !Shown(m_dialog); }, 1500));
  EXPECT_TRUE(IsWindowEnabled(m_pane.Hwnd())) << "the pane is usable again";
  EXPECT_EQ(g_cancelCount, 0);
}

TEST_F(ProgressDialogTest, FailuresKeepItOpenWithTheFailureTextAndOk) {
  StartExport();
  m_dialog.SetCloseByItself(true);
  m_dialog.SetPosition(10);
  m_dialog.AddFailed(1);
  m_dialog.AddFailed(1);
  m_dialog.Finish();
  ASSERT_TRUE(PumpUntil([&] { return m_dialog.SecondButtonText() == L"OK"; }, 1500));
  EXPECT_EQ(m_dialog.State().Text(), L"Failed(2) Exporting...");
  EXPECT_EQ(m_dialog.State().Position(), 8);
  EXPECT_FALSE(m_dialog.ClosesByItself());
  PumpFor(800);
  ASSERT_TRUE(Shown(m_dialog)) << "the user must see the failures";
  EXPECT_FALSE(m_dialog.IsKeptHidden());
  const RECT bar = m_dialog.BarRect();
  ClientPixels pixels(m_dialog.Hwnd());
  const int filled = ProgressState::FilledWidth(bar.right - bar.left, 8, 10);
  EXPECT_NE(pixels.At(bar.left + 4 + filled - 1, bar.top + 5), RGB(255, 255, 255));
  EXPECT_EQ(pixels.At(bar.left + 4 + filled + 1, bar.top + 5), RGB(255, 255, 255));

  // OK after the end hides it and cancels nothing.
  Click(m_dialog.SecondButton());
  PumpFor(50);
  EXPECT_FALSE(Shown(m_dialog));
  EXPECT_TRUE(IsWindowEnabled(m_pane.Hwnd()));
  EXPECT_EQ(g_cancelCount, 0);
}

TEST_F(ProgressDialogTest, ShowInFolderOpensTheRememberedFolderOnlyWhenThereIsOne) {
  const std::wstring log = TempPath(L"zs-dialogs-shell.log");
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", log.c_str());
  StartExport();
  Click(m_dialog.FolderButton());
  PumpFor(50);
  m_dialog.SetFolder(L"");
  Click(m_dialog.FolderButton());
  PumpFor(50);
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", nullptr);
  EXPECT_EQ(ReadFile(log), "open C:\\Exports\n");
  EXPECT_TRUE(Shown(m_dialog)) << "showing the folder leaves the dialog open";
  DeleteFileW(log.c_str());
}

TEST_F(ProgressDialogTest, CancelCallsTheHandlerExactlyOnceWithTheTask) {
  StartExport();
  m_dialog.SetCancelHandler(RecordCancel, m_pane.Hwnd(), 0x0000000700000009ULL);
  // Pressed twice before the first press is handled.
  Click(m_dialog.SecondButton());
  Click(m_dialog.SecondButton());
  PumpFor(100);
  ASSERT_EQ(g_cancels.size(), 1u);
  EXPECT_EQ(g_cancels[0].window, m_pane.Hwnd());
  EXPECT_EQ(g_cancels[0].low, 9u);
  EXPECT_EQ(g_cancels[0].high, 7u);
  EXPECT_FALSE(Shown(m_dialog));
  EXPECT_TRUE(m_dialog.IsKeptHidden());
  EXPECT_TRUE(IsWindowEnabled(m_pane.Hwnd()));
}

TEST_F(ProgressDialogTest, TitleCloseAndCancelAfterTheEndCallNoHandler) {
  StartExport();
  m_dialog.SetCancelHandler(RecordCancel, m_pane.Hwnd(), 1);
  Click(m_dialog.CloseButton());
  PumpFor(50);
  EXPECT_FALSE(Shown(m_dialog));
  EXPECT_TRUE(m_dialog.IsKeptHidden());
  EXPECT_EQ(m_dialog.State().Text(), L"");
  EXPECT_EQ(m_dialog.State().KeptTextCount(), 0u);
  EXPECT_TRUE(IsWindowEnabled(m_pane.Hwnd()));

  StartExport();
  m_dialog.SetCancelHandler(RecordCancel, m_pane.Hwnd(), 2);
  m_dialog.Finish();
  Click(m_dialog.SecondButton());
  PumpFor(50);
  EXPECT_EQ(g_cancelCount, 0);
}

TEST_F(ProgressDialogTest, ResetForgetsTheLastOperationsHandler) {
  StartExport();
  m_dialog.SetCancelHandler(RecordCancel, m_pane.Hwnd(), 41);
  StartExport();  // an export gets no handler of its own
  Click(m_dialog.SecondButton());
  PumpFor(50);
  EXPECT_EQ(g_cancelCount, 0);
}

TEST_F(ProgressDialogTest, FinishRacingCancelCallsTheHandlerAtMostOnce) {
  for (int round = 0; round < 100; ++round) {
    StartExport();
    m_dialog.SetCancelHandler(RecordCancel, m_pane.Hwnd(), round);
    const int before = g_cancelCount;
    std::thread service([&] { m_dialog.Finish(); });
    SendMessageW(m_dialog.Hwnd(), WM_COMMAND, MAKEWPARAM(UiDialog::kCancelId, BN_CLICKED), 0);
    SendMessageW(m_dialog.Hwnd(), WM_COMMAND, MAKEWPARAM(UiDialog::kCancelId, BN_CLICKED), 0);
    service.join();
    ASSERT_LE(g_cancelCount - before, 1) << "round " << round;
    EXPECT_TRUE(m_dialog.IsFinished());
  }
}

TEST_F(ProgressDialogTest, KeepHiddenDecidesWhetherAPaneSwitchBringsItBack) {
  StartExport();
  ShowWindow(m_pane.Hwnd(), SW_HIDE);
  m_dialog.FollowOwner();
  EXPECT_FALSE(Shown(m_dialog)) << "hidden with its pane";
  ShowWindow(m_pane.Hwnd(), SW_SHOW);
  m_dialog.FollowOwner();
  EXPECT_TRUE(Shown(m_dialog)) << "a running operation comes back with its pane";
  EXPECT_FALSE(IsWindowEnabled(m_pane.Hwnd()));

  Click(m_dialog.CloseButton());
  PumpFor(50);
  ShowWindow(m_pane.Hwnd(), SW_HIDE);
  m_dialog.FollowOwner();
  ShowWindow(m_pane.Hwnd(), SW_SHOW);
  m_dialog.FollowOwner();
  EXPECT_FALSE(Shown(m_dialog)) << "a closed dialog stays closed";

  UiProgressDialog idle(nullptr, nullptr);
  ASSERT_TRUE(idle.CreateModeless(m_pane.Hwnd()));
  idle.FollowOwner();
  EXPECT_FALSE(Shown(idle)) << "a dialog that never started is not shown";
}

// Progress notices arrive on the device service's threads while the dialog's timer reads
// them on this one.
TEST_F(ProgressDialogTest, ConcurrentWritersWhileTheTimerRuns) {
  StartExport();
  constexpr int kThreads = 4;
  constexpr int kSteps = 2000;
  std::atomic<int> running{kThreads};
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t)
    writers.emplace_back([&, t] {
      for (int i = 1; i <= kSteps; ++i) {
        m_dialog.SetPosition(i);
        m_dialog.SetTotal(kSteps);
        m_dialog.AddFailed(1);
        m_dialog.SetText(L"Importing " + std::to_wstring(t) + L"/" + std::to_wstring(i));
        if (i % 500 == 0) Sleep(1);
      }
      running.fetch_sub(1);
    });
  // Keep ticking and painting while they write.
  PumpUntil([&] { return running.load() == 0; }, 20000);
  for (auto& writer : writers) writer.join();
  PumpFor(600);
  EXPECT_EQ(m_dialog.State().Failed(), kThreads * kSteps);
  EXPECT_EQ(m_dialog.State().KeptTextCount(), static_cast<size_t>(kThreads * kSteps + 1));
  EXPECT_EQ(m_dialog.State().Position(), kSteps);

  m_dialog.Finish();
  ASSERT_TRUE(PumpUntil([&] { return m_dialog.SecondButtonText() == L"OK"; }, 1500));
  EXPECT_EQ(m_dialog.State().Text().rfind(L"Failed(" + std::to_wstring(kThreads * kSteps) + L") Importing ", 0), 0u);
  EXPECT_EQ(m_dialog.State().Position(), 0);
}
