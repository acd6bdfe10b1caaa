// The phones' apps as the device service serves them through its plug-in edge: the shipped
// packages listed by package name with what each .apk says of itself, the device record's app
// list filled once however often the list loads, and a file that is no package refused.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MediaRecords.h"
#include "modules/courier/ConnectionStatus.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = OperationEnds::kWaitMs;
constexpr wchar_t kPhone[] = L"PH-A";

struct SeenApp {
  MediaFileRecord app;
  bool hasIcon = false;
};

class CourierApps : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::path(TempFolder()) / ("apps-" + std::to_string(GetTickCount64()));
    for (const char* sub : {"state", "data", "in"}) std::filesystem::create_directories(m_folder / sub);
    const std::filesystem::path packages =
        std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "packages";
    std::filesystem::copy_file(packages / "com.tidewater.weather-5.3.1.apk", m_folder / "data" / "weather.apk");
    std::filesystem::copy_file(packages / "com.android.settings-13.apk", m_folder / "data" / "settings.apk");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "state").wstring().c_str());
    m_dataFile = m_folder / "data" / "phones.json";
    std::ofstream(m_dataFile, std::ios::binary) << OnePhoneData(
        "PH-A",
        ", \"apps\": ["
        "{\"package\": \"com.tidewater.weather\", \"name\": \"Weather\", \"version\": \"5.3.1\", \"sizeBytes\": 1, "
        "\"file\": \"weather.apk\"},"
        "{\"package\": \"com.android.settings\", \"name\": \"Settings\", \"version\": \"13\", \"sizeBytes\": 1, "
        "\"system\": true, \"file\": \"settings.apk\"},"
        "{\"package\": \"org.example.none\", \"name\": \"Not shipped\", \"version\": \"1\", \"sizeBytes\": 1}]");
  }
  void TearDown() override {
    if (m_harness) {
      Destroy(*m_harness);
      m_harness.reset();
    }
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  void StartService() {
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", m_dataFile.wstring().c_str());
    m_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCourier")));
    m_harness->SetHook(kCourierDoApp, [this](CommandRecord& record) { return Take(record); });
    m_ends.Attach(*m_harness);
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    m_device = GetDevice(*m_harness, kPhone);
    ASSERT_NE(m_device, nullptr);
  }

  // Load and install notices carry batches; the host is told to append a load's.
  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if ((payload->kind == kAppOpLoad || payload->kind == kAppOpAdd) && record.code == 0) {
      if (payload->kind == kAppOpLoad) m_batchValues.push_back(record.value);
      std::unique_ptr<MediaFileList> marks(static_cast<MediaFileList*>(record.data));  // the batch's own records
      if (marks)
        for (MediaFileRecord* app : *marks) m_marked.push_back(app->identifier);
      std::unique_ptr<MediaFileList> batch(static_cast<MediaFileList*>(payload->item));
      for (MediaFileRecord* app : *batch) {
        m_seen.push_back({*app, app->icon != nullptr});
        m_seen.back().app.icon.reset();  // the bitmap goes with the service's copy, on this thread
        delete app;
      }
    } else if (payload->kind == kAppOpAdd) {
      // One app installed again: a record to refresh, not a batch.
      std::unique_ptr<MediaFileRecord> app(static_cast<MediaFileRecord*>(payload->item));
      m_updated.push_back({*app, app->icon != nullptr});
      m_updated.back().app.icon.reset();
    }
    if (payload->kind == kAppOpAdd && m_unplugOnInstall) m_device->connectionStatus = 0;
    if (payload->kind == kAppOpDelete) delete static_cast<MediaFileRecord*>(payload->item);
    std::free(payload);
    return 0;
  }

  int64_t Run(int64_t code, void* data = nullptr) {
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_seen.clear();
      m_updated.clear();
      m_marked.clear();
      m_batchValues.clear();
      m_ends.Clear();
    }
    EXPECT_NE(SendOperation(*m_harness, kCourierDoApp, kPhone, code, data, nullptr, 0), 0);
    const int64_t failed = m_ends.Wait();
    EXPECT_NE(failed, -1) << "no end of the operation";
    return failed;
  }

  // Read once the operation has ended, when nothing else touches the list.
  size_t ListedApps() const { return m_device->apps.size(); }

  std::filesystem::path m_folder;
  std::filesystem::path m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  DeviceRecord* m_device = nullptr;
  std::mutex m_lock;
  std::vector<SeenApp> m_seen;
  std::vector<SeenApp> m_updated;
  std::vector<std::wstring> m_marked;
  std::vector<int64_t> m_batchValues;
  bool m_unplugOnInstall = false;  // the phone goes once an install has reported its first app
  OperationEnds m_ends;
};

TEST_F(CourierApps, ShippedPackagesListWithWhatTheyNameAndFillTheDeviceListOnce) {
  StartService();
  EXPECT_EQ(m_device->counts[kKindApps].load(), 2u) << "an app without a shipped package is not served";
  EXPECT_EQ(m_device->userApps.load(), 1u) << "\"User Apps\" leaves the system's out";
  EXPECT_EQ(Run(kAppOpLoad), 0);
  ASSERT_EQ(m_seen.size(), 2u);
  const MediaFileRecord& weather = m_seen[0].app;
  EXPECT_EQ(weather.identifier, L"com.tidewater.weather");
  EXPECT_EQ(weather.version, L"5.3.1") << "read from the package";
  EXPECT_FALSE(weather.name.empty());
  EXPECT_EQ(weather.format, L".apk");
  EXPECT_EQ(weather.sizeBytes, static_cast<int64_t>(std::filesystem::file_size(m_folder / "data" / "weather.apk")));
  EXPECT_FALSE(weather.system);
  EXPECT_TRUE(m_seen[0].hasIcon) << "the launcher icon";
  EXPECT_EQ(m_seen[1].app.identifier, L"com.android.settings");
  EXPECT_EQ(m_seen[1].app.version, L"13");
  EXPECT_TRUE(m_seen[1].app.system);
  for (int64_t value : m_batchValues) EXPECT_EQ(value, 1) << "batches are appended";
  EXPECT_EQ(ListedApps(), 2u);

  // A second load (Refresh) lists the same apps and adds none to the device record's list.
  EXPECT_EQ(Run(kAppOpLoad), 0);
  EXPECT_EQ(m_seen.size(), 2u);
  EXPECT_EQ(ListedApps(), 2u);
}

// Uninstalling a system app is refused with its name and keeps it; a user app goes.
TEST_F(CourierApps, SystemAppsStayAndUserAppsUninstall) {
  StartService();
  EXPECT_EQ(Run(kAppOpLoad), 0);
  auto* checked = new MediaFileList;
  for (const wchar_t* package : {L"com.tidewater.weather", L"com.android.settings"}) {
    auto* app = new MediaFileRecord;
    app->identifier = package;
    checked->push_back(app);
  }
  std::vector<std::unique_ptr<MediaFileRecord>> own;
  for (MediaFileRecord* app : *checked) own.emplace_back(app);  // the pane's records
  EXPECT_EQ(Run(kAppOpDelete, checked), 1);
  EXPECT_EQ(m_ends.LastText(), L"Cannot uninstall the system app Settings.");
  EXPECT_EQ(m_device->counts[kKindApps].load(), 1u);
  EXPECT_EQ(m_device->userApps.load(), 0u);
  EXPECT_EQ(ListedApps(), 1u) << "the uninstalled app left the device record's list";
  EXPECT_EQ(Run(kAppOpLoad), 0);
  ASSERT_EQ(m_seen.size(), 1u);
  EXPECT_EQ(m_seen[0].app.identifier, L"com.android.settings");
}

// An install counts the app before the host hears of it; a file that is no package is refused
// with its name and counts nothing.
TEST_F(CourierApps, InstallsCountThePackageAndRefuseWhatIsNoPackage) {
  StartService();
  std::ofstream(m_folder / "in" / "holiday.apk", std::ios::binary) << "a picture renamed, not a package";
  const std::filesystem::path packages =
      std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "packages";
  std::filesystem::copy_file(packages / "org.fahrplan.hamburg-12.0.4.apk", m_folder / "in" / "fahrplan.apk");
  auto* paths = new PathList{(m_folder / "in" / "fahrplan.apk").wstring(), (m_folder / "in" / "holiday.apk").wstring()};
  EXPECT_EQ(Run(kAppOpAdd, paths), 1);
  EXPECT_NE(m_ends.LastText().find(L"holiday.apk"), std::wstring::npos);
  ASSERT_EQ(m_seen.size(), 1u) << "one batch of the one installed app";
  EXPECT_EQ(m_seen[0].app.format, L".apk");
  EXPECT_EQ(m_device->counts[kKindApps].load(), 3u);
  EXPECT_EQ(m_device->userApps.load(), 2u);
}

// An app is known by its package: installing one that is there already refreshes that one app
// (label, version, icon) in its place, the system's staying the system's; a new package arrives
// on top as a batch whose marks name it. Nothing is counted twice or left behind in the phone's
// folder.
TEST_F(CourierApps, InstallingAPackageAgainUpdatesItsOneAppInPlace) {
  StartService();
  EXPECT_EQ(Run(kAppOpLoad), 0);
  const std::filesystem::path packages =
      std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "packages";
  std::filesystem::copy_file(packages / "com.tidewater.weather-5.3.1.apk", m_folder / "in" / "weather-again.apk");
  std::filesystem::copy_file(packages / "com.android.settings-13.apk", m_folder / "in" / "settings-again.apk");
  std::filesystem::copy_file(packages / "org.fahrplan.hamburg-12.0.4.apk", m_folder / "in" / "fahrplan.apk");
  EXPECT_EQ(Run(kAppOpAdd, new PathList{(m_folder / "in" / "weather-again.apk").wstring(),
                                        (m_folder / "in" / "settings-again.apk").wstring()}),
            0);
  EXPECT_TRUE(m_seen.empty()) << "no new row";
  ASSERT_EQ(m_updated.size(), 2u);
  EXPECT_EQ(m_updated[0].app.identifier, L"com.tidewater.weather");
  EXPECT_EQ(m_updated[0].app.version, L"5.3.1");
  EXPECT_TRUE(m_updated[0].hasIcon);
  EXPECT_TRUE(m_updated[1].app.system);
  EXPECT_EQ(m_device->counts[kKindApps].load(), 2u);
  EXPECT_EQ(ListedApps(), 2u);

  EXPECT_EQ(Run(kAppOpAdd, new PathList{(m_folder / "in" / "fahrplan.apk").wstring()}), 0);
  ASSERT_EQ(m_seen.size(), 1u);
  EXPECT_EQ(m_seen[0].app.identifier, L"org.fahrplan.hamburg") << "its package, not a made-up name";
  EXPECT_EQ(m_marked, std::vector<std::wstring>{L"org.fahrplan.hamburg"});
  EXPECT_EQ(ListedApps(), 3u);

  EXPECT_EQ(Run(kAppOpLoad), 0);
  ASSERT_EQ(m_seen.size(), 3u);
  EXPECT_TRUE(m_seen[1].app.system) << m_seen[1].app.identifier;
  size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(m_folder / "state"))
    if (entry.path().extension() == ".apk") ++files;
  EXPECT_EQ(files, 3u) << "a replaced package leaves no old file behind";
}

// The phone unplugged during an install: what was installed stays and is counted, the rest is
// reported failed with a plain reason.
TEST_F(CourierApps, AnInstallCutShortByTheCableKeepsWhatItInstalled) {
  StartService();
  EXPECT_EQ(Run(kAppOpLoad), 0);
  const std::filesystem::path packages =
      std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "packages";
  std::filesystem::copy_file(packages / "org.fahrplan.hamburg-12.0.4.apk", m_folder / "in" / "fahrplan.apk");
  std::filesystem::copy_file(packages / "com.tidewater.weather-5.3.1.apk", m_folder / "in" / "weather.apk");
  m_device->connectionStatus = kStatusReady;
  m_unplugOnInstall = true;
  EXPECT_EQ(Run(kAppOpAdd,
                new PathList{(m_folder / "in" / "fahrplan.apk").wstring(), (m_folder / "in" / "weather.apk").wstring(),
                             (m_folder / "in" / "fahrplan.apk").wstring()}),
            2);
  EXPECT_EQ(m_ends.LastText(), L"The phone was disconnected.");
  EXPECT_EQ(m_device->counts[kKindApps].load(), 3u);
  m_unplugOnInstall = false;
  m_device->connectionStatus = kStatusReady;
  EXPECT_EQ(Run(kAppOpLoad), 0);
  EXPECT_EQ(m_seen.size(), 3u);
}

}  // namespace
