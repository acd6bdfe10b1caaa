// The demo phones connecting, as the host sees it through the module harness: announcements,
// the connection-status notices of each phone, the wizard's retries, cancel, disconnect, crash,
// removal and shutdown in the middle of a script.
#include <gtest/gtest.h>

#include <windows.h>

#include <malloc.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr int64_t kReadyStarted = 1;
constexpr int64_t kServerRestarted = 2;  // SERVER_CRASH `value`
constexpr DWORD kWaitMs = 10000;

const wchar_t kFirstShipped[] = L"ZV4K2093NQ";
const wchar_t kSecondShipped[] = L"MRD7G1120045";

// One phone of a test file with the given connection steps (a JSON array).
std::string Phone(const std::string& identifier, const std::string& connection) {
  return "{\"identifier\": \"" + identifier + "\", \"displayName\": \"Phone " + identifier +
         "\", \"model\": \"T-1\", \"androidVersion\": \"9\", \"battery\": {\"percent\": 50},"
         " \"phoneMemory\": {\"totalBytes\": 1000, \"freeBytes\": 10},"
         " \"storageMemory\": {\"totalBytes\": 2000, \"freeBytes\": 20}, \"connection\": " +
         connection + "}";
}

std::string FileOf(std::initializer_list<std::string> phones) {
  std::string file = "{\"format\": 1, \"phones\": [";
  const char* separator = "";
  for (const std::string& phone : phones) {
    file += separator + phone;
    separator = ", ";
  }
  return file + "]}";
}

// A post as the test's host hooks read it during the call.
struct Seen {
  std::string name;
  std::wstring identifier;  // ADD_DEVICE `value`, SCAN_USB_DEVICE `payload`, GET_DEVICE_INFO `data`
  int32_t status = -1;      // SCAN_USB_DEVICE: low 32 bits of `entries`
  int64_t entries = 0;
  int64_t value = 0;
  int64_t position = 0;
  int64_t total = 0;
  bool hasText = false;
  std::wstring text;
  std::string narrowText;
  void* payload = nullptr;
  size_t heapBytes = 0;  // ADD_DEVICE: the size of the freed identifier block
  DWORD threadId = 0;
  ULONGLONG tickMs = 0;
};

class CourierConnection : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_harness.Load(ModuleHarness::PluginPath(L"libCourier"))) << m_harness.LoadError();
    m_harness.SetHook(kCourierAddDevice, [this](CommandRecord& record) {
      Seen seen = Base(record);
      auto* identifier = reinterpret_cast<wchar_t*>(static_cast<intptr_t>(record.value));
      if (identifier != nullptr) {
        seen.identifier = identifier;
        seen.heapBytes = _msize(identifier);
        std::free(identifier);  // as the host's router does
      }
      Add(seen);
      return 0;
    });
    m_harness.SetHook(kCourierScanUsbDevice, [this](CommandRecord& record) {
      Seen seen = Base(record);
      if (record.payload != nullptr) seen.identifier = static_cast<const wchar_t*>(record.payload);
      seen.status = ConnectionStatusOf(record);
      Add(seen);
      return 0;
    });
    m_harness.SetHook(kCourierGetDeviceInfo, [this](CommandRecord& record) {
      Seen seen = Base(record);
      if (record.data != nullptr) seen.identifier = static_cast<const wchar_t*>(record.data);
      Add(seen);
      return 0;
    });
    m_harness.SetHook(kCourierServerCrash, [this](CommandRecord& record) {
      Add(Base(record));
      return 0;
    });
  }
  void TearDown() override { Destroy(m_harness); }

  // Starts the service on `file` (empty: the shipped phones), waits for READY and echoes it as
  // the host's router does.
  void Connect(const std::string& file) {
    StartOnly(file);
    Echo(kReadyStarted);
  }
  void StartOnly(const std::string& file) {
    if (file.empty()) {
      Start(m_harness);
    } else {
      DemoDataOverride data(WriteFile(TestFileName(), file));
      Start(m_harness);
    }
    ASSERT_TRUE(m_harness.WaitForPost(kCourierReadyStartServer, kWaitMs));
  }
  void Echo(int64_t value) {
    CommandRecord echo;
    echo.value = value;
    m_harness.Send(kCourierReadyStartServer, echo);
  }
  void Command(const char* name, const wchar_t* identifier) {
    CommandRecord record;
    record.text = identifier;
    m_harness.Send(name, record);
  }

  std::vector<Seen> Log() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_log;
  }
  std::vector<Seen> Named(const char* name, const std::wstring& identifier = std::wstring()) const {
    std::vector<Seen> named;
    for (const Seen& seen : Log()) {
      if (seen.name == name && (identifier.empty() || seen.identifier == identifier)) named.push_back(seen);
    }
    return named;
  }
  std::vector<Seen> Notices(const std::wstring& identifier) const { return Named(kCourierScanUsbDevice, identifier); }
  // The statuses a phone reported, repeats (download chunks) folded.
  std::vector<int32_t> Walk(const std::wstring& identifier) const {
    std::vector<int32_t> walk;
    for (const Seen& notice : Notices(identifier)) {
      if (walk.empty() || walk.back() != notice.status) walk.push_back(notice.status);
    }
    return walk;
  }
  size_t CountStatus(const std::wstring& identifier, int32_t status) const {
    size_t count = 0;
    for (const Seen& notice : Notices(identifier)) count += notice.status == status ? 1 : 0;
    return count;
  }
  bool WaitFor(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) const {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
      if (GetTickCount64() > end) return false;
      Sleep(10);
    }
    return true;
  }
  bool WaitForStatus(const std::wstring& identifier, int32_t status, size_t count = 1, DWORD timeoutMs = kWaitMs) {
    return WaitFor([&] { return CountStatus(identifier, status) >= count; }, timeoutMs);
  }

  ModuleHarness m_harness;

 private:
  static Seen Base(const CommandRecord& record) {
    Seen seen;
    seen.name = record.name;
    seen.entries = record.entries;
    seen.value = record.value;
    seen.position = record.position;
    seen.total = record.total;
    seen.hasText = record.text != nullptr;
    if (seen.hasText) seen.text = record.text;
    if (record.narrowText != nullptr) seen.narrowText = record.narrowText;
    seen.payload = record.payload;
    seen.threadId = GetCurrentThreadId();
    seen.tickMs = GetTickCount64();
    return seen;
  }
  void Add(const Seen& seen) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_log.push_back(seen);
  }
  static std::wstring TestFileName() {
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::wstring(name.begin(), name.end()) + L".json";
  }

  mutable std::mutex m_lock;
  std::vector<Seen> m_log;
};

size_t IndexWhere(const std::vector<Seen>& log, const std::function<bool(const Seen&)>& match) {
  for (size_t i = 0; i < log.size(); ++i) {
    if (match(log[i])) return i;
  }
  return log.size();
}

size_t IndexOf(const std::vector<Seen>& log, const char* name, const std::wstring& identifier) {
  return IndexWhere(log, [&](const Seen& seen) { return seen.name == name && seen.identifier == identifier; });
}

}  // namespace

TEST_F(CourierConnection, ShippedPhonesAreAnnouncedAfterTheEchoAndWalkToReady) {
  StartOnly("");
  Sleep(200);
  EXPECT_TRUE(Named(kCourierAddDevice).empty()) << "phones wait for the host's echo of READY";
  Echo(kReadyStarted);
  ASSERT_TRUE(WaitFor([&] { return Named(kCourierAddDevice).size() == 2; }));
  const std::vector<Seen> added = Named(kCourierAddDevice);
  EXPECT_EQ(added[0].identifier, kFirstShipped);
  EXPECT_EQ(added[1].identifier, kSecondShipped);
  for (const Seen& add : added) {
    EXPECT_NE(add.threadId, GetCurrentThreadId()) << "announced from a service thread";
    EXPECT_GE(add.heapBytes, (add.identifier.size() + 1) * sizeof(wchar_t)) << "a malloc'ed copy";
  }

  // The second phone stands at the authorisation until "Show Again" (or its timeout).
  ASSERT_TRUE(WaitForStatus(kSecondShipped, 17));
  Command(kCourierDebugAuthorizeRetry, kSecondShipped);
  ASSERT_TRUE(WaitForStatus(kSecondShipped, 22, 1, 5000));
  ASSERT_TRUE(WaitFor([&] { return Named(kCourierGetDeviceInfo).size() == 6; }));

  const std::vector<Seen> log = Log();
  for (const wchar_t* identifier : {kFirstShipped, kSecondShipped}) {
    DeviceRecord* device = GetDevice(m_harness, identifier);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->connectionStatus.load(), 22);
    EXPECT_LT(IndexOf(log, kCourierAddDevice, identifier), IndexOf(log, kCourierScanUsbDevice, identifier))
        << "bound before its first status";
    const std::vector<Seen> notices = Notices(identifier);
    for (const Seen& notice : notices) {
      EXPECT_EQ(notice.value, kDeviceNoticeStatus);
      EXPECT_EQ(notice.entries >> 32, 0) << "the status alone in entries";
      EXPECT_EQ(notice.payload, device->identifier.c_str()) << "the record's own identifier, valid for the host";
      EXPECT_TRUE(notice.hasText);
      EXPECT_NE(notice.threadId, GetCurrentThreadId());
    }
    // The dashboard's parts follow the ready notice: info, phone memory, storage.
    const std::vector<Seen> info = Named(kCourierGetDeviceInfo, identifier);
    ASSERT_EQ(info.size(), 3u);
    EXPECT_EQ(info[0].value, 0);
    EXPECT_EQ(info[0].payload, &device->info);
    EXPECT_EQ(info[1].value, 1);
    EXPECT_EQ(info[1].payload, &device->phoneMemory);
    EXPECT_EQ(info[2].value, 2);
    EXPECT_EQ(info[2].payload, &device->storageMemory);
    EXPECT_GT(IndexOf(log, kCourierGetDeviceInfo, identifier), IndexOf(log, kCourierScanUsbDevice, identifier));
  }

  const std::vector<Seen> first = Notices(kFirstShipped);
  EXPECT_EQ(Walk(kFirstShipped), (std::vector<int32_t>{1, 18, 22}));
  ASSERT_EQ(first.size(), 3u);
  EXPECT_GE(first[1].tickMs - first[0].tickMs, 500u) << "the step's delay is kept";
  EXPECT_EQ(first[0].text, L"Lena's Aster");

  EXPECT_EQ(Walk(kSecondShipped), (std::vector<int32_t>{1, 4, 6, 2, 17, 18, 22}));
  int64_t bytes = 0;
  for (const Seen& notice : Notices(kSecondShipped)) {
    if (notice.status == 4) {
      EXPECT_EQ(notice.narrowText, "https://support.zorvane.example/drivers/meridian-tide");
    }
    if (notice.status != 6) continue;
    EXPECT_GT(notice.position, bytes) << "the download only goes forward";
    bytes = notice.position;
    EXPECT_EQ(notice.total, 9437184);
  }
  EXPECT_EQ(bytes, 9437184) << "and ends at the total";
  EXPECT_EQ(CountStatus(kSecondShipped, 6), 24u);
  EXPECT_EQ(Notices(kSecondShipped).front().text, L"Meridian Tide 4") << "the first non-empty display text";
}

TEST_F(CourierConnection, FailedDetectionDriverAndAuthorisationWaitForTheirRetries) {
  Connect(FileOf({Phone("FAIL1",
                        "[{\"status\": 1, \"delayMs\": 20}, {\"status\": 16, \"waitFor\": \"RETRY_CONNECT_DEVICE\"},"
                        " {\"status\": 1, \"delayMs\": 20},"
                        " {\"status\": 11, \"text\": \"No driver for T-1\", \"waitFor\": \"INSTALL_RETRY\"},"
                        " {\"status\": 17, \"waitFor\": \"DEBUG_AUTHORIZE_RETRY\"}, {\"status\": 22}]"),
                  Phone("FAIL2", "[{\"status\": 11, \"waitFor\": \"INSTALL_RETRY\"}, {\"status\": 22}]")}));
  ASSERT_TRUE(WaitForStatus(L"FAIL1", 16));
  Sleep(300);
  // Other retries, other phones and missing identifiers move nothing.
  Command(kCourierInstallRetry, L"FAIL1");
  Command(kCourierDebugAuthorizeRetry, L"FAIL1");
  Command(kCourierRetryConnectDevice, nullptr);
  Command(kCourierRetryConnectDevice, L"");
  Command(kCourierRetryConnectDevice, L"FAIL2");
  Command(kCourierRetryConnectDevice, L"NOBODY");
  Sleep(200);
  EXPECT_EQ(Walk(L"FAIL1"), (std::vector<int32_t>{1, 16}));
  EXPECT_EQ(GetDevice(m_harness, L"FAIL1")->connectionStatus.load(), 16);

  Command(kCourierRetryConnectDevice, L"FAIL1");
  ASSERT_TRUE(WaitForStatus(L"FAIL1", 11));
  EXPECT_EQ(Notices(L"FAIL1").back().text, L"No driver for T-1") << "the failure detail of the script";
  Sleep(200);
  EXPECT_EQ(Walk(L"FAIL1"), (std::vector<int32_t>{1, 16, 1, 11}));
  Command(kCourierInstallRetry, L"FAIL1");
  ASSERT_TRUE(WaitForStatus(L"FAIL1", 17));
  Sleep(200);
  EXPECT_EQ(Walk(L"FAIL1").back(), 17);
  Command(kCourierDebugAuthorizeRetry, L"FAIL1");
  ASSERT_TRUE(WaitForStatus(L"FAIL1", 22));
  EXPECT_EQ(Walk(L"FAIL1"), (std::vector<int32_t>{1, 16, 1, 11, 17, 22}));

  // A driver failure without a text of its own offers the phone's model for the support mail.
  EXPECT_EQ(Walk(L"FAIL2"), (std::vector<int32_t>{11}));
  const std::wstring detail = Notices(L"FAIL2").front().text;
  EXPECT_NE(detail.find(L"T-1"), std::wstring::npos) << detail;
  EXPECT_NE(detail.find(L"FAIL2"), std::wstring::npos) << detail;
  Command(kCourierInstallRetry, L"FAIL2");
  ASSERT_TRUE(WaitForStatus(L"FAIL2", 22));
}

TEST_F(CourierConnection, CancelledDownloadFailsTheDriverUntilInstallRetryDownloadsAgain) {
  Connect(FileOf({Phone("DL1",
                        "[{\"status\": 4, \"link\": \"https://drivers.example/t1\", \"delayMs\": 20},"
                        " {\"status\": 6, \"download\": {\"totalBytes\": 1000000, \"chunks\": 20}, \"delayMs\": 40},"
                        " {\"status\": 2, \"delayMs\": 20}, {\"status\": 22}]")}));
  ASSERT_TRUE(WaitForStatus(L"DL1", 6, 3));
  Command(kCourierDownloadDriverCancel, nullptr);
  Command(kCourierDownloadDriverCancel, L"NOBODY");
  Command(kCourierDownloadDriverCancel, L"DL1");
  ASSERT_TRUE(WaitForStatus(L"DL1", 11));
  const Seen failed = Notices(L"DL1").back();
  EXPECT_EQ(failed.status, 11);
  EXPECT_NE(failed.text.find(L"cancelled"), std::wstring::npos) << failed.text;
  const size_t chunksBefore = CountStatus(L"DL1", 6);
  EXPECT_LT(chunksBefore, 20u);
  Sleep(300);
  EXPECT_EQ(Notices(L"DL1").back().status, 11) << "the download stays cancelled";
  EXPECT_EQ(CountStatus(L"DL1", 6), chunksBefore);

  Command(kCourierInstallRetry, L"DL1");
  ASSERT_TRUE(WaitForStatus(L"DL1", 22, 1, 5000));
  EXPECT_EQ(Walk(L"DL1"), (std::vector<int32_t>{4, 6, 11, 4, 6, 2, 22})) << "from the driver page again";
  EXPECT_EQ(CountStatus(L"DL1", 6), chunksBefore + 20) << "the bytes start over";
  Command(kCourierDownloadDriverCancel, L"DL1");
  Sleep(200);
  EXPECT_EQ(Notices(L"DL1").back().status, 22) << "nothing to cancel once ready";
}

TEST_F(CourierConnection, DisconnectAndCrashComeFromTheScript) {
  Connect(FileOf({Phone("DC1", "[{\"status\": 22}, {\"event\": \"disconnect\", \"delayMs\": 200}]"),
                  Phone("CR1", "[{\"status\": 1}, {\"event\": \"crash\", \"delayMs\": 100}, {\"status\": 22}]")}));
  ASSERT_TRUE(WaitForStatus(L"DC1", 0));
  EXPECT_EQ(Walk(L"DC1"), (std::vector<int32_t>{22, 0}));
  EXPECT_EQ(GetDevice(m_harness, L"DC1")->connectionStatus.load(), 0);
  Sleep(200);
  EXPECT_EQ(Walk(L"DC1"), (std::vector<int32_t>{22, 0})) << "stays unplugged";
  // Plugged in again: "Retry" on the detection page finds it afresh.
  Command(kCourierRetryConnectDevice, L"DC1");
  ASSERT_TRUE(WaitForStatus(L"DC1", 22, 2));
  EXPECT_TRUE(WaitFor([&] { return Named(kCourierGetDeviceInfo, L"DC1").size() == 6; }))
      << "ready twice, summarised twice";

  ASSERT_TRUE(WaitForStatus(L"CR1", 22));
  const std::vector<Seen> log = Log();
  const std::vector<Seen> crashes = Named(kCourierServerCrash);
  ASSERT_EQ(crashes.size(), 1u);
  EXPECT_EQ(crashes[0].value, kServerRestarted);
  const size_t crashAt = IndexOf(log, kCourierServerCrash, L"");
  const size_t readyAt =
      IndexWhere(log, [](const Seen& seen) { return seen.identifier == L"CR1" && seen.status == 22; });
  EXPECT_GT(crashAt, IndexOf(log, kCourierScanUsbDevice, L"CR1")) << "after the first status";
  EXPECT_LT(crashAt, readyAt) << "and the script goes on after it";
  // The host's echoes, of the crash and of READY again, announce no phone twice.
  Echo(kServerRestarted);
  Echo(kReadyStarted);
  Sleep(200);
  EXPECT_EQ(Named(kCourierAddDevice).size(), 2u);
}

TEST_F(CourierConnection, RemovedPhoneStopsAndItsRecordStaysReadable) {
  Connect(FileOf({Phone("RM1",
                        "[{\"status\": 1}, {\"status\": 17, \"waitFor\": \"DEBUG_AUTHORIZE_RETRY\"},"
                        " {\"status\": 22}]"),
                  Phone("RM2", "[{\"status\": 1, \"delayMs\": 400}, {\"status\": 22}]")}));
  ASSERT_TRUE(WaitForStatus(L"RM1", 17));
  DeviceRecord* removed = GetDevice(m_harness, L"RM1");
  ASSERT_NE(removed, nullptr);
  Command(kCourierRemoveDevice, nullptr);
  Command(kCourierRemoveDevice, L"NOBODY");
  Command(kCourierRemoveDevice, L"RM1");
  EXPECT_EQ(GetDevice(m_harness, L"RM1"), nullptr) << "forgotten";
  EXPECT_EQ(removed->identifier, L"RM1") << "but not freed while the panes may hold it";
  Command(kCourierDebugAuthorizeRetry, L"RM1");
  ASSERT_TRUE(WaitForStatus(L"RM2", 22));
  Sleep(200);
  EXPECT_EQ(Walk(L"RM1"), (std::vector<int32_t>{1, 17}));
  EXPECT_NE(GetDevice(m_harness, L"RM2"), nullptr);
  Command(kCourierRemoveDevice, L"RM1");
}

TEST_F(CourierConnection, DestroyInTheMiddleOfScriptsReturnsPromptlyAndNothingFollows) {
  Connect(
      FileOf({Phone("LONG1",
                    "[{\"status\": 1}, {\"status\": 6, \"download\": {\"totalBytes\": 1000000000, \"chunks\": 1000},"
                    " \"delayMs\": 600000}, {\"status\": 22}]"),
              Phone("LONG2", "[{\"status\": 17, \"waitFor\": \"DEBUG_AUTHORIZE_RETRY\"}, {\"status\": 22}]"),
              Phone("LONG3", "[{\"status\": 1, \"delayMs\": 600000}, {\"status\": 22}]")}));
  ASSERT_TRUE(WaitForStatus(L"LONG1", 6));
  ASSERT_TRUE(WaitForStatus(L"LONG2", 17));
  ASSERT_TRUE(WaitForStatus(L"LONG3", 1));
  const auto begin = std::chrono::steady_clock::now();
  Destroy(m_harness);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  const size_t posts = m_harness.Posts().size();
  Command(kCourierDebugAuthorizeRetry, L"LONG2");
  Sleep(300);
  EXPECT_EQ(m_harness.Posts().size(), posts) << "no post after DESTROY_RESOURCE";
}
