// The device module's logic without windows: steps and progress of the statuses, the wizard's
// model with its cooldown, the GIF timing and the tab model.
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "modules/handset/ConnectModel.h"
#include "modules/handset/DeviceTabModel.h"
#include "modules/handset/GifAnimation.h"
#include "modules/handset/StatusPageTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

HWND FakeWindow(uintptr_t n) { return reinterpret_cast<HWND>(n); }

std::wstring ThemesFolder() {
  wchar_t exe[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  std::wstring folder(exe, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + L"..\\product\\themes\\";
}

StatusNotice Notice(int32_t status, const std::wstring& text = L"") {
  StatusNotice notice;
  notice.status = status;
  notice.deviceText = text;
  return notice;
}

}  // namespace

TEST(StatusPageTable, StepsAndProgressFollowTheStatus) {
  using connect_status::StepMarksOfStatus;
  EXPECT_EQ(StepMarksOfStatus(0).Bits(), 0);
  EXPECT_EQ(StepMarksOfStatus(1).Bits(), 1);
  EXPECT_EQ(StepMarksOfStatus(17).Bits(), 1);
  EXPECT_EQ(StepMarksOfStatus(18).Bits(), 3);
  EXPECT_EQ(StepMarksOfStatus(21).Bits(), 3);
  EXPECT_EQ(StepMarksOfStatus(22).Bits(), 7);
  EXPECT_EQ(StepMarksOfStatus(30).Bits(), 7);

  using connect_status::ProgressOfStatus;
  EXPECT_FLOAT_EQ(*ProgressOfStatus(9), 25.0f);
  EXPECT_FLOAT_EQ(*ProgressOfStatus(17), 17.0f * 50.0f / 18.0f);
  EXPECT_FLOAT_EQ(*ProgressOfStatus(18), 50.0f);
  EXPECT_FLOAT_EQ(*ProgressOfStatus(22), 100.0f);
  EXPECT_FLOAT_EQ(*ProgressOfStatus(40), 100.0f);
  EXPECT_FALSE(ProgressOfStatus(19).has_value());
  EXPECT_FALSE(ProgressOfStatus(-3).has_value());

  // The driver's share never leaves the bar, and an unknown total does not move it.
  EXPECT_FLOAT_EQ(*connect_status::DownloadProgress(1, 4), 25.0f);
  EXPECT_FLOAT_EQ(*connect_status::DownloadProgress(9, 4), 100.0f);
  EXPECT_FALSE(connect_status::DownloadProgress(5, 0).has_value());
}

TEST(ConnectModel, NoticesCarryTheirTexts) {
  ConnectModel model;
  EXPECT_EQ(model.Page(), 0);
  ASSERT_TRUE(model.EnterPage(connect_page::kConnecting));

  StatusNotice link = Notice(4, L"Downloading");
  link.narrowText = "https://drivers.example/usb";
  EXPECT_EQ(model.ApplyStatus(link).page, 4);
  EXPECT_EQ(model.DriverLink(), "https://drivers.example/usb");
  EXPECT_EQ(model.DeviceText(), L"Downloading");

  StatusNotice bytes = Notice(6);
  bytes.total = 2 * 1024 * 1024;
  bytes.position = 512 * 1024;
  model.ApplyStatus(bytes);
  EXPECT_FLOAT_EQ(model.Progress(), 25.0f);
  EXPECT_EQ(model.DownloadText(), L"512.0 KB/2.0 MB");

  // A notice without a total keeps the share and the byte count it had.
  StatusNotice noTotal = Notice(6);
  noTotal.position = 77;
  model.ApplyStatus(noTotal);
  EXPECT_FLOAT_EQ(model.Progress(), 6.0f * 50.0f / 18.0f);
  EXPECT_EQ(model.DownloadText(), L"512.0 KB/2.0 MB");

  model.ApplyStatus(Notice(9, L"some text"));
  EXPECT_TRUE(model.DeviceText().empty());

  EXPECT_EQ(model.ApplyStatus(Notice(11, L"AS-7731 / Android 13")).page, 6);
  EXPECT_EQ(model.FailureDetail(), L"AS-7731 / Android 13");
  // Later notices keep the failure detail for "Copy".
  model.ApplyStatus(Notice(1, L"other"));
  EXPECT_EQ(model.FailureDetail(), L"AS-7731 / Android 13");
}

TEST(ConnectModel, PagesEnterOnceAndReadyLeadsToThePanes) {
  ConnectModel model;
  EXPECT_TRUE(model.EnterPage(1));
  EXPECT_FALSE(model.EnterPage(1));
  EXPECT_FALSE(model.EnterPage(0));
  EXPECT_FALSE(model.EnterPage(14));
  EXPECT_TRUE(model.EnterPage(connect_page::kReady));
  EXPECT_EQ(model.Page(), connect_page::kManager);
  // A repeated "ready" is the page already shown.
  EXPECT_FALSE(model.EnterPage(connect_page::kReady));

  // Any status short of ready while the panes show means the phone left.
  EXPECT_FALSE(model.ApplyStatus(Notice(22)).leftManager);
  EXPECT_TRUE(model.ApplyStatus(Notice(1)).leftManager);
  model.EnterPage(1);
  EXPECT_FALSE(model.ApplyStatus(Notice(0)).leftManager);
}

TEST(ConnectModel, DebugHelpHeadingSaysWhoAsked) {
  ConnectModel model;
  model.EnterPage(8);
  model.OpenDebugHelpFromLink();
  model.EnterPage(2);
  EXPECT_STREQ(model.DebugHelpTitle(), L"Take the following steps to enable USB debugging");
  model.EnterPage(8);
  model.ApplyStatus(Notice(13));
  model.EnterPage(2);
  EXPECT_STREQ(model.DebugHelpTitle(), L"Please follow the steps to enable USB debugging");
}

TEST(ConnectModel, AndroidVersionPicksTheHelpTab) {
  EXPECT_EQ(VersionTabOfAndroid(L""), -1);
  EXPECT_EQ(VersionTabOfAndroid(L"2.3.6"), 0);
  EXPECT_EQ(VersionTabOfAndroid(L"4.1.2"), 1);
  EXPECT_EQ(VersionTabOfAndroid(L"4.2"), 2);
  EXPECT_EQ(VersionTabOfAndroid(L"5.1"), 2);
  EXPECT_EQ(VersionTabOfAndroid(L"6.0"), 3);
  EXPECT_EQ(VersionTabOfAndroid(L"13"), 3);

  ConnectModel model;
  EXPECT_FALSE(model.SelectVersion(0));
  EXPECT_TRUE(model.SelectVersion(3));
  EXPECT_FALSE(model.SelectVersion(4));
  EXPECT_EQ(model.Version(), 3);
}

TEST(ActionCooldown, HoldsTenSecondsOnAFakeClock) {
  ActionCooldown cooldown(10000);
  uint32_t now = 5000;
  EXPECT_TRUE(cooldown.TryStart(now));
  EXPECT_FALSE(cooldown.TryStart(now + 1));
  EXPECT_FALSE(cooldown.TryStart(now + 9999));
  EXPECT_TRUE(cooldown.IsRunning(now + 9999));
  EXPECT_FALSE(cooldown.IsRunning(now + 10000));
  EXPECT_TRUE(cooldown.TryStart(now + 10000));

  // The timer that re-enables the button ends it early.
  now = 100;
  ActionCooldown early(10000);
  ASSERT_TRUE(early.TryStart(now));
  early.End();
  EXPECT_TRUE(early.TryStart(now + 1));

  // Across the tick counter's wrap.
  ActionCooldown wrapping(10000);
  const uint32_t nearWrap = 0xFFFFF000u;
  ASSERT_TRUE(wrapping.TryStart(nearWrap));
  EXPECT_FALSE(wrapping.TryStart(nearWrap + 5000));  // wrapped past zero
  EXPECT_TRUE(wrapping.TryStart(nearWrap + 10000));
}

TEST(GifTimeline, FramesFollowTheirOwnDelaysOnAFakeClock) {
  GifTimeline timeline;
  timeline.Reset({10, 20, 5});
  // The clock of the timer: the first frame for 100 ms, each next one for its own delay.
  uint32_t clock = 0;
  std::vector<std::pair<uint32_t, size_t>> shown;
  uint32_t next = GifTimeline::kFirstDelayMs;
  for (int tick = 0; tick < 5; ++tick) {
    clock += next;
    next = timeline.Advance();
    shown.emplace_back(clock, timeline.Frame());
  }
  const std::vector<std::pair<uint32_t, size_t>> expected = {{100, 1}, {300, 2}, {350, 0}, {450, 1}, {650, 2}};
  EXPECT_EQ(shown, expected);

  // A delay of 0 or 1 would spin the timer; it plays at the viewers' usual 100 ms.
  timeline.Reset({0, 1, 2});
  EXPECT_EQ(timeline.Advance(), GifTimeline::kFallbackDelayMs);
  EXPECT_EQ(timeline.Advance(), 20u);
  EXPECT_EQ(timeline.Advance(), GifTimeline::kFallbackDelayMs);

  timeline.Reset({});
  EXPECT_FALSE(timeline.IsAnimated());
  EXPECT_EQ(timeline.Advance(), GifTimeline::kFallbackDelayMs);
}

TEST(GifTimeline, ReadsTheThemesFrameDelays) {
  GdiplusSession gdiplus;
  ASSERT_TRUE(gdiplus.IsOk());
  const std::wstring folder = ThemesFolder();
  std::unique_ptr<Gdiplus::Bitmap> connect(
      BASUtilityImage::GetBitmap((folder + L"connect\\connect-animation.gif").c_str(), 96, 96));
  ASSERT_TRUE(connect) << "theme image missing";
  const std::vector<uint32_t> delays = ReadFrameDelays(connect.get());
  EXPECT_EQ(delays, std::vector<uint32_t>(12, 10));
  EXPECT_TRUE(SelectFrame(connect.get(), 11));
  EXPECT_FALSE(SelectFrame(connect.get(), 12));

  std::unique_ptr<Gdiplus::Bitmap> still(BASUtilityImage::GetBitmap((folder + L"connect\\phone.png").c_str(), 96, 96));
  ASSERT_TRUE(still);
  EXPECT_LE(ReadFrameDelays(still.get()).size(), 1u);
  EXPECT_TRUE(ReadFrameDelays(nullptr).empty());
}

TEST(DeviceTabModel, TheWaitingTabIsTakenFirstThenNewTabs) {
  DeviceTabModel model;
  const HWND noDevice = FakeWindow(10);
  model.AddTab(noDevice);
  EXPECT_EQ(model.TargetFor(L"A"), DeviceTabModel::BindTarget::kWaitingTab);
  EXPECT_EQ(model.WaitingTab(), noDevice);
  model.BindDevice(noDevice, L"A");
  EXPECT_EQ(model.TargetFor(L"A"), DeviceTabModel::BindTarget::kExistingTab);
  EXPECT_EQ(model.TargetFor(L"B"), DeviceTabModel::BindTarget::kNewTab);

  const HWND second = FakeWindow(11);
  model.AddTab(second);
  model.BindDevice(second, L"B");
  EXPECT_EQ(model.TabOfDevice(L"B"), second);
  EXPECT_EQ(model.DeviceOfTab(noDevice), L"A");

  // A phone moved to another tab leaves the old one waiting.
  model.BindDevice(second, L"A");
  EXPECT_EQ(model.TabOfDevice(L"A"), second);
  EXPECT_FALSE(model.HasDevice(noDevice));
  EXPECT_EQ(model.TabOfDevice(L"B"), nullptr);
}
