#include "host/dialogs/ProgressState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(ProgressBarArithmetic, FillsTheInsideOfTheFrameInProportion) {
  // A 460-pixel bar keeps 4 pixels of frame on each side: 452 to fill.
  EXPECT_EQ(ProgressState::FilledWidth(460, 0, 10), 0);
  EXPECT_EQ(ProgressState::FilledWidth(460, 5, 10), 226);
  EXPECT_EQ(ProgressState::FilledWidth(460, 8, 10), 361);  // 361.6 rounds down
  EXPECT_EQ(ProgressState::FilledWidth(460, 10, 10), 452);
}

TEST(ProgressBarArithmetic, NeverDividesByZeroNorLeavesTheFrame) {
  EXPECT_EQ(ProgressState::FilledWidth(460, 0, 0), 0);
  EXPECT_EQ(ProgressState::FilledWidth(460, 7, 0), 0);
  EXPECT_EQ(ProgressState::FilledWidth(460, 15, 10), 452);
  EXPECT_EQ(ProgressState::FilledWidth(460, -3, 10), 0);
  EXPECT_EQ(ProgressState::FilledWidth(6, 5, 10), 0);
  // Large counts must not overflow the multiplication.
  EXPECT_EQ(ProgressState::FilledWidth(460, 2000000000, 2000000000), 452);
}

TEST(ProgressTexts, CounterAndFailureTexts) {
  EXPECT_EQ(ProgressState::CounterText(0, 0), L"0/0");
  EXPECT_EQ(ProgressState::CounterText(8, 10), L"8/10");
  EXPECT_EQ(ProgressState::FailureText(2, L"Exporting..."), L"Failed(2) Exporting...");
}

TEST(ProgressFinish, WithFailuresShowsThemAndCountsOnlyTheGoodSteps) {
  ProgressState state;
  state.SetTotal(10);
  state.SetPosition(10);
  state.AddFailed(1);
  state.AddFailed(1);
  state.SetText(L"Exporting...");
  EXPECT_TRUE(state.ApplyFinish());
  EXPECT_EQ(state.Text(), L"Failed(2) Exporting...");
  EXPECT_EQ(state.Position(), 8);
  EXPECT_EQ(state.Total(), 10);
}

TEST(ProgressFinish, WithoutFailuresSaysFinish) {
  ProgressState state;
  state.SetTotal(3);
  state.SetPosition(3);
  state.SetText(L"Loading Contacts");
  EXPECT_FALSE(state.ApplyFinish());
  EXPECT_EQ(state.Text(), L"Finish");
  EXPECT_EQ(state.Position(), 3);
}

TEST(ProgressFinish, MoreFailuresThanStepsShowNoNegativeCount) {
  ProgressState state;
  state.AddFailed(3);
  EXPECT_TRUE(state.ApplyFinish());
  EXPECT_EQ(state.Position(), 0);
}

TEST(ProgressKeptTexts, KeepsEveryTextUntilFreedAndResetStartsOver) {
  ProgressState state;
  state.SetText(L"a");
  state.SetText(L"b");
  EXPECT_EQ(state.KeptTexts(), (std::vector<std::wstring>{L"a", L"b"}));
  state.ClearText();
  EXPECT_EQ(state.Text(), L"");
  EXPECT_EQ(state.KeptTextCount(), 2u);
  state.FreeKeptTexts();
  EXPECT_EQ(state.KeptTextCount(), 0u);

  state.SetTotal(5);
  state.SetPosition(2);
  state.AddFailed(1);
  state.SetText(L"c");
  state.Reset();
  const ProgressState::Snapshot snapshot = state.Read();
  EXPECT_EQ(snapshot.total, 0);
  EXPECT_EQ(snapshot.position, 0);
  EXPECT_EQ(snapshot.failed, 0);
  EXPECT_EQ(snapshot.text, L"");
  EXPECT_EQ(state.KeptTextCount(), 0u);
}
