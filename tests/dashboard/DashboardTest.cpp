// The Home page: its texts and memory bars, the count tiles and where they go, and the module as
// the host drives it (summary and memories, counts from another thread, a click on a count that
// opens its section).
#include "contracts/CommandNames.h"
#include "contracts/DeviceRecord.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "modules/dashboard/DashboardModel.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/TestPump.h"
#include "tests/harness/XInput.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

namespace {

TEST(DashboardModelTest, SaysWhatItKnowsAndUnknownOtherwise) {
  DashboardState state;
  EXPECT_EQ(state.SystemText(), L"Unknown");
  EXPECT_EQ(state.PowerText(), L"Unknown");
  EXPECT_EQ(state.MemoryText(1), L"Not available");
  DeviceInfo info;
  info.systemVersion = L"13";
  info.batteryPercent = 82;
  info.charging = 1;
  state.SetInfo(info);
  EXPECT_EQ(state.SystemText(), L"Android 13");
  EXPECT_EQ(state.PowerText(), L"82%, charging");
  info.charging = 0;
  info.batteryPercent = 140;  // nonsense from a phone is not shown
  state.SetInfo(info);
  EXPECT_EQ(state.PowerText(), L"Unknown");

  state.SetMemory(1, MemoryInfo{4LL << 30, 1LL << 30});
  EXPECT_TRUE(state.HasMemory(1));
  EXPECT_DOUBLE_EQ(state.UsedFraction(1), 0.75);
  EXPECT_EQ(state.MemoryText(1), L"Used 3.0 GB, free 1.0 GB of 4.0 GB");
  // More free than there is, or less than nothing, stays inside the bar.
  state.SetMemory(2, MemoryInfo{100, 500});
  EXPECT_DOUBLE_EQ(state.UsedFraction(2), 0.0);
  state.SetMemory(2, MemoryInfo{100, -5});
  EXPECT_DOUBLE_EQ(state.UsedFraction(2), 1.0);
  state.SetMemory(2, MemoryInfo{0, 0});
  EXPECT_FALSE(state.HasMemory(2));
}

TEST(DashboardModelTest, CountsFollowTheirNavigatorItems) {
  DashboardState state;
  EXPECT_TRUE(state.SetCount(kSectionContacts, 21));
  EXPECT_TRUE(state.SetCount(kSectionPhotos, 5));
  // The child items of apps and photos carry the same counts; the page keys on the parents.
  EXPECT_FALSE(state.SetCount(kSectionPhoneGallery, 5));
  EXPECT_FALSE(state.SetCount(kSectionHome, 3));
  EXPECT_TRUE(state.SetCount(kSectionSms, -4));
  for (size_t kind = 0; kind < kDashboardKinds.size(); ++kind) {
    const int32_t item = kDashboardKinds[kind].countItem;
    EXPECT_EQ(state.CountOf(kind), item == kSectionContacts ? 21 : item == kSectionPhotos ? 5 : 0);
  }
  // The sections that list the items: the children where a kind has one.
  EXPECT_EQ(kDashboardKinds[0].openSection, kSectionUserApps);
  EXPECT_EQ(kDashboardKinds[4].openSection, kSectionPhoneGallery);
}

TEST(DashboardModelTest, CountTilesShareOneRowWhenTheyFit) {
  const DashboardLayout wide = LayOutDashboard(765);
  for (size_t i = 1; i < wide.kinds.size(); ++i) {
    EXPECT_EQ(wide.kinds[i].top, wide.kinds[0].top);
    EXPECT_GT(wide.kinds[i].left, wide.kinds[i - 1].right);
  }
  EXPECT_LE(wide.kinds.back().right, 765 - DashboardLayout::kMargin);
  const DashboardLayout narrow = LayOutDashboard(400);
  EXPECT_GT(narrow.kinds.back().top, narrow.kinds[0].top);
  EXPECT_LE(narrow.kinds.back().right, 400);
  const RECT& photos = wide.kinds[4];
  EXPECT_EQ(KindAt(wide, POINT{photos.left + 5, photos.top + 5}), 4);
  EXPECT_EQ(KindAt(wide, POINT{photos.right + 2, photos.top + 5}), -1);
}

class DashboardModuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdiplus.IsOk());
    ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libDashboard")));
    ASSERT_TRUE(BASWindow::RegisterWindowClass(L"ZsDashboardTestParent"));
    ASSERT_TRUE(
        parent.Create(nullptr, L"ZsDashboardTestParent", L"phone", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 1000, 640}));
    CommandRecord create;
    create.window = parent.Hwnd();
    ASSERT_TRUE(harness.Send(kDashboardCreateWindow, create));
    page = FindWindowExW(parent.Hwnd(), nullptr, L"ZsDashboardDelegate", nullptr);
    ASSERT_TRUE(page);
  }

  void Send(const char* name, int64_t value = 0, void* payload = nullptr) {
    CommandRecord record;
    record.window = parent.Hwnd();
    record.value = value;
    record.payload = payload;
    harness.Send(name, record);
  }

  GdiplusSession gdiplus;
  ModuleHarness harness;
  ProbeWindow parent;
  HWND page = nullptr;
};

TEST_F(DashboardModuleTest, ShowsThePhoneAndOpensTheSectionOfAClickedCount) {
  EXPECT_EQ(harness.RegisteredNames(),
            (std::vector<std::string>{kDashboardCreateWindow, kDashboardShowWindow, kDashboardHideWindow,
                                      kDashboardChangeSize, kDashboardUpdateDeviceInfo, kDashboardUpdateCount}));
  // Hidden at the content panes' place until the host shows it; one page per parent.
  EXPECT_FALSE(IsWindowVisible(page));
  RECT rect = BASUtilityWindow::GetWindowRelativeRect(page);
  EXPECT_EQ(rect.left, 217);
  CommandRecord again;
  again.window = parent.Hwnd();
  harness.Send(kDashboardCreateWindow, again);
  EXPECT_EQ(FindWindowExW(parent.Hwnd(), page, L"ZsDashboardDelegate", nullptr), nullptr);
  Send(kDashboardShowWindow);
  EXPECT_TRUE(IsWindowVisible(page));

  DeviceInfo info;
  info.model = L"KV-A1220";
  MemoryInfo memory{64LL << 30, 16LL << 30};
  Send(kDashboardUpdateDeviceInfo, 0, &info);
  Send(kDashboardUpdateDeviceInfo, 1, &memory);
  Send(kDashboardUpdateDeviceInfo, 7, &memory);  // not a part the page knows
  // Counts come from the device service's threads.
  std::thread([&] {
    SectionItemDescriptor contacts = {kSectionContacts, 21};
    Send(kDashboardUpdateCount, 0, &contacts);
  }).join();
  testpump::Pump();
  UpdateWindow(page);

  // A click on the photos count asks the host for the photo list's section.
  const DashboardLayout layout = LayOutDashboard(rect.right - rect.left);
  POINT photos{(layout.kinds[4].left + layout.kinds[4].right) / 2, (layout.kinds[4].top + layout.kinds[4].bottom) / 2};
  ClientToScreen(page, &photos);
  SetForegroundWindow(parent.Hwnd());
  xinput::Click(photos);
  ASSERT_TRUE(testpump::PumpUntil([&] { return harness.CountPosts(kDashboardOpenSection) == 1; }, 5000));
  const PostedCommand open = harness.PostsNamed(kDashboardOpenSection)[0];
  EXPECT_EQ(open.record.window, parent.Hwnd());
  EXPECT_EQ(open.record.value, kSectionPhoneGallery);

  Send(kDashboardHideWindow);
  EXPECT_FALSE(IsWindowVisible(page));
  DestroyWindow(parent.Hwnd());
}

}  // namespace
