// The host's handlers and UI-thread router driven directly, with fake modules recording
// what the host sends them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <vector>

#include "contracts/CommandNames.h"
#include "contracts/DeviceRecord.h"
#include "contracts/Sections.h"
#include "host/CommandBus.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"

namespace {

struct Sent {
  std::string name;
  CommandRecord record;
};
std::vector<Sent> g_sent;
std::vector<SectionItemDescriptor> g_counts;  // what the navigator was told, in order
DeviceRecord* g_device = nullptr;

int32_t __cdecl FakeModuleEntry(CommandRecord* r) {
  g_sent.push_back({r->name, *r});
  if (std::strcmp(r->name, kNavigatorUpdateItem) == 0 && r->payload != nullptr)
    g_counts.push_back(*static_cast<const SectionItemDescriptor*>(r->payload));
  if (std::strcmp(r->name, kCourierGetDevice) == 0) r->payload = g_device;
  return 0;
}

// One fake module that registers every name the handlers under test send.
class HostHandlers : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* module = bus.AddModule(reinterpret_cast<HINSTANCE>(0x50000000), nullptr);
    module->moduleEntry = FakeModuleEntry;
    CommandRecord reg;
    for (const char* name :
         {kHandsetShowWindow, kJobsShowWindow, kExtrasShowWindow, kHandsetUpdateDeviceInfo, kHandsetWifiConnected,
          kTextsResetWindow, kRolodexResetWindow, kCourierGetDevice, kPackagesShowWindow, kPackagesHideWindow,
          kRolodexShowWindow, kRolodexHideWindow, kCourierDoApp, kCourierDoContact, kHandsetSwitchConnect,
          kNavigatorShowWindow, kNavigatorUpdateItem, kNavigatorSelectFirst, kDashboardUpdateCount})
      RegisterCommand(*module, reg, name);
    FillHandlerTable(bus);
  }
  void SetUp() override {
    g_sent.clear();
    g_counts.clear();
  }

  static std::vector<std::string> SentNames() {
    std::vector<std::string> names;
    for (const Sent& s : g_sent) names.push_back(s.name);
    return names;
  }
  static int32_t Post(const char* name, CommandRecord& record) { return CommandBus::Instance().Post(name, &record); }
};

TEST_F(HostHandlers, ChangeTypeShowsOnePaneOrNoneAndAlwaysKeepsTheOrder) {
  CommandRecord r;
  r.value = 1;
  Post(kCaptionChangeType, r);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kHandsetShowWindow, kJobsShowWindow, kExtrasShowWindow}));
  EXPECT_EQ(g_sent[0].record.value, SW_HIDE);
  EXPECT_EQ(g_sent[1].record.value, SW_HIDE);
  EXPECT_EQ(g_sent[2].record.value, SW_SHOW);  // the toolkit pane

  g_sent.clear();
  r.value = 2;
  Post(kCaptionChangeType, r);
  ASSERT_EQ(g_sent.size(), 3u);
  EXPECT_EQ(g_sent[1].record.value, SW_SHOW);  // the task pane
  EXPECT_EQ(g_sent[0].record.value, SW_HIDE);

  g_sent.clear();
  r.value = 5;
  Post(kCaptionChangeType, r);
  EXPECT_TRUE(g_sent.empty());
}

TEST_F(HostHandlers, AddDeviceBindsAUsbPhoneAndAlsoAnnouncesAWifiPhone) {
  RouteOnUiThread(_strdup(kCourierAddDevice), reinterpret_cast<LPARAM>(_wcsdup(L"MRD7G1120045")));
  std::vector<std::string> names = SentNames();
  ASSERT_EQ(names, (std::vector<std::string>{kCourierGetDevice, kHandsetUpdateDeviceInfo}));
  EXPECT_EQ(g_sent[1].record.value, 2);
  EXPECT_EQ(g_sent[1].record.window, nullptr);

  g_sent.clear();
  RouteOnUiThread(_strdup(kCourierAddDevice), reinterpret_cast<LPARAM>(_wcsdup(L"192.168.1.20:5555")));
  names = SentNames();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[1], kHandsetUpdateDeviceInfo);
  EXPECT_EQ(names[2], kHandsetWifiConnected);

  // A phone the pane already shows is not bound again.
  HWND key = reinterpret_cast<HWND>(0x1234), window = reinterpret_cast<HWND>(0x5678);
  Host().devices.BindWindow(key, window);
  Host().devices.BindIdentifier(key, L"KNOWN01");
  g_sent.clear();
  RouteOnUiThread(_strdup(kCourierAddDevice), reinterpret_cast<LPARAM>(_wcsdup(L"KNOWN01")));
  EXPECT_TRUE(g_sent.empty());
}

// A phone read in a moment told its counts before its navigator existed: the sections shown
// start from its record, apps and photos on both of their items.
TEST_F(HostHandlers, ShownSectionsStartFromTheCountsThePhoneRecordHolds) {
  HWND key = reinterpret_cast<HWND>(0x2468), window = reinterpret_cast<HWND>(0x1357);
  Host().devices.BindWindow(key, window);
  Host().devices.BindIdentifier(key, L"FAST01");
  DeviceRecord device;
  device.identifier = L"FAST01";
  device.counts[kKindApps] = 5;
  device.userApps = 4;  // "User Apps" leaves the system's app out
  device.counts[kKindContacts] = 7;
  device.counts[kKindPhotos] = 3;
  device.counts[kKindBooks] = 2;
  g_device = &device;
  CommandRecord r;
  r.window = window;
  Post(kHandsetShowManager, r);
  const std::vector<std::string> names = SentNames();
  ASSERT_FALSE(names.empty());
  EXPECT_EQ(names.front(), kNavigatorShowWindow);
  EXPECT_EQ(names.back(), kNavigatorSelectFirst);
  std::vector<std::pair<int32_t, int32_t>> counts;
  for (const SectionItemDescriptor& item : g_counts) counts.emplace_back(item.id, item.count);
  const std::vector<std::pair<int32_t, int32_t>> expected = {
      {kSectionUserApps, 4},     {kSectionApps, 5},   {kSectionContacts, 7}, {kSectionSms, 0},  {kSectionMusic, 0},
      {kSectionPhoneGallery, 3}, {kSectionPhotos, 3}, {kSectionVideos, 0},   {kSectionBooks, 2}};
  EXPECT_EQ(counts, expected);
  for (const Sent& sent : g_sent) {
    if (sent.name == kNavigatorUpdateItem) {
      EXPECT_EQ(sent.record.window, window);
    }
  }
  g_device = nullptr;
}

TEST_F(HostHandlers, ScanProgressResetsMessagesThenContactsOnlyAtTheEnd) {
  CommandRecord r;
  r.payload = const_cast<wchar_t*>(L"KNOWN01");
  r.value = 99;
  Post(kCourierScanProgress, r);
  EXPECT_TRUE(g_sent.empty());
  r.value = 100;
  Post(kCourierScanProgress, r);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kTextsResetWindow, kRolodexResetWindow}));
}

TEST_F(HostHandlers, SectionSwitchHidesTheOldPaneShowsTheNewAndLoadsOnce) {
  HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(frame, nullptr) << "no display";
  HWND content = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 300, 300, frame, nullptr, nullptr, nullptr);
  HWND navigator = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 100, 300, content, nullptr, nullptr, nullptr);
  HWND key = reinterpret_cast<HWND>(0x4321);
  Host().devices.BindWindow(key, content);
  Host().devices.BindIdentifier(key, L"PHONE02");
  DeviceRecord device;
  device.identifier = L"PHONE02";
  g_device = &device;

  // "Apps" and "User Apps" share one pane: nothing is hidden, the pane is shown for the section
  // and loaded.
  CommandRecord r;
  r.window = navigator;
  r.total = kSectionApps;
  r.position = kSectionUserApps;
  Post(kNavigatorSelectItem, r);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kCourierGetDevice, kPackagesShowWindow, kCourierDoApp}));
  EXPECT_EQ(g_sent[1].record.window, content);
  EXPECT_EQ(g_sent[1].record.position, kSectionUserApps);
  EXPECT_EQ(g_sent[2].record.code, 37);
  EXPECT_STREQ(g_sent[2].record.text, L"PHONE02");

  // Back to "Apps": the same pane, told to list every app; the list is loaded already.
  device.loaded[kKindApps] = 5;
  g_sent.clear();
  r.total = kSectionUserApps;
  r.position = kSectionApps;
  Post(kNavigatorSelectItem, r);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kCourierGetDevice, kPackagesShowWindow}));
  EXPECT_EQ(g_sent[1].record.position, kSectionApps);

  // Once loaded, switching back and forth only swaps the panes.
  device.loaded[kKindContacts] = 3;
  g_sent.clear();
  r.total = kSectionApps;
  r.position = kSectionContacts;
  Post(kNavigatorSelectItem, r);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kCourierGetDevice, kPackagesHideWindow, kRolodexShowWindow}));

  // A navigator whose phone is unknown changes nothing.
  g_sent.clear();
  HWND stray = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, frame, nullptr, nullptr, nullptr);
  r.window = stray;
  Post(kNavigatorSelectItem, r);
  EXPECT_TRUE(g_sent.empty());
  g_device = nullptr;
  DestroyWindow(frame);
}

}  // namespace
