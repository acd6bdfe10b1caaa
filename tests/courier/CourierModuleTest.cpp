// libCourier as the host sees it: loaded from the product folder through the module harness.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/TraceCapture.h"

namespace {

constexpr int64_t kReadyStarted = 1;  // READY_START_SERVER `value` after a normal start
constexpr DWORD kReadyTimeoutMs = 10000;

const char* const kExpectedNames[] = {
    "LIBCOURIER_COMMAND_START_SERVER",
    "LIBCOURIER_COMMAND_READY_START_SERVER",
    "LIBCOURIER_COMMAND_GET_DEVICE",
    "LIBCOURIER_COMMAND_DO_APP",
    "LIBCOURIER_COMMAND_DO_CONTACT",
    "LIBCOURIER_COMMAND_DO_SMS",
    "LIBCOURIER_COMMAND_DO_MUSIC",
    "LIBCOURIER_COMMAND_DO_PHOTO",
    "LIBCOURIER_COMMAND_DO_VIDEO",
    "LIBCOURIER_COMMAND_DO_EBOOK",
    "LIBCOURIER_COMMAND_DO_FILE",
    "LIBCOURIER_COMMAND_DO_CANCEL",
    "LIBCOURIER_COMMAND_EXPORT_TASK",
    "LIBCOURIER_COMMAND_REMOVE_DEVICE",
    "LIBCOURIER_COMMAND_DOWNLOAD_DRIVER_CANCEL",
    "LIBCOURIER_COMMAND_ROOT_AUTHORIZE_RETRY",
    "LIBCOURIER_COMMAND_DEBUG_AUTHORIZE_RETRY",
    "LIBCOURIER_COMMAND_INSTALL_RETRY",
    "LIBCOURIER_COMMAND_RETRY_CONNECT_DEVICE",
    "LIBCOURIER_COMMAND_START_WIFI_SERVER",
    "LIBCOURIER_COMMAND_CHECK_FOR_UPDATE",
    "LIBCOURIER_COMMAND_DOWNLOAD_UPDATE",
    "LIBCOURIER_COMMAND_DOWNLOAD_UPDATE_CANCEL",
    "LIBCOURIER_COMMAND_EXIT_SERVER",
    "LIBCOURIER_COMMAND_DESTROY_RESOURCE",
    "LIBCOURIER_COMMAND_ANSWER_WIFI_DEVICE",
    "LIBCOURIER_COMMAND_STOP_WIFI_SERVER",
};

// One valid phone; `extra` is spliced into it (",\"key\": value").
std::string OnePhoneFile(const std::string& identifier, const std::string& extra = "", int startupDelayMs = 0) {
  return "{\"format\": 1, \"startupDelayMs\": " + std::to_string(startupDelayMs) +
         ", \"phones\": [{\"identifier\": \"" + identifier +
         "\", \"displayName\": \"Test phone\", \"model\": \"T-1\", \"androidVersion\": \"9\","
         " \"battery\": {\"percent\": 50}, \"phoneMemory\": {\"totalBytes\": 1000, \"freeBytes\": 10},"
         " \"storageMemory\": {\"totalBytes\": 0, \"freeBytes\": 0}, \"connection\": [{\"status\": 22}]" +
         extra + "}]}";
}

size_t CourierLines(const std::vector<std::string>& lines) {
  size_t count = 0;
  for (const std::string& line : lines) count += line.rfind("libCourier", 0) == 0 ? 1 : 0;
  return count;
}

class CourierModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_harness.Load(ModuleHarness::PluginPath(L"libCourier"))) << m_harness.LoadError();
  }
  void TearDown() override { Destroy(m_harness); }

  ModuleHarness m_harness;
};

}  // namespace

TEST_F(CourierModule, RegistersEveryHostCommandInOrderWithItsInstance) {
  EXPECT_NE(m_harness.Record().moduleEntry, nullptr);
  const std::vector<Registration> registrations = m_harness.Registrations();
  ASSERT_EQ(registrations.size(), sizeof(kExpectedNames) / sizeof(kExpectedNames[0]));
  for (size_t i = 0; i < registrations.size(); ++i) {
    EXPECT_EQ(registrations[i].name, kExpectedNames[i]) << i;
    EXPECT_EQ(registrations[i].instance, m_harness.Module()) << registrations[i].name;
  }
  EXPECT_TRUE(m_harness.Posts().empty()) << "registration posts nothing";
}

TEST_F(CourierModule, StartPostsReadyFromAServiceThreadAndServesTheShippedPhones) {
  Start(m_harness);
  ASSERT_TRUE(m_harness.WaitForPost(kCourierReadyStartServer, kReadyTimeoutMs));
  const PostedCommand ready = m_harness.PostsNamed(kCourierReadyStartServer)[0];
  EXPECT_EQ(ready.record.value, kReadyStarted);
  EXPECT_EQ(ready.record.action, kActionDispatch);
  EXPECT_NE(ready.threadId, GetCurrentThreadId());

  DeviceRecord* first = GetDevice(m_harness, L"ZV4K2093NQ");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->identifier, L"ZV4K2093NQ");
  EXPECT_EQ(first->displayName, L"Lena's Aster");
  EXPECT_EQ(first->androidVersion, L"13");
  EXPECT_EQ(first->info.model, L"KV-A1220");
  EXPECT_EQ(first->info.batteryPercent, 82);
  EXPECT_EQ(first->phoneMemory.totalBytes, 118111600640);
  EXPECT_EQ(first->counts[kKindContacts].load(), 21u);
  EXPECT_EQ(first->counts[kKindPhotos].load(), 7u);
  EXPECT_EQ(first->loaded[kKindContacts].load(), 0u) << "nothing is loaded yet";
  EXPECT_TRUE(first->contacts.empty());
  EXPECT_EQ(GetDevice(m_harness, L"ZV4K2093NQ"), first) << "the service keeps one record per phone";

  DeviceRecord* second = GetDevice(m_harness, L"MRD7G1120045");
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(FirstDisplayName(*second), L"Meridian Tide 4");
  EXPECT_EQ(second->androidVersion, L"4.4");

  EXPECT_EQ(GetDevice(m_harness, L"UNKNOWN"), nullptr);
  EXPECT_EQ(GetDevice(m_harness, nullptr), nullptr);
  EXPECT_EQ(GetDevice(m_harness, L""), nullptr);

  // The host's echo of READY and a second START change nothing.
  CommandRecord echo;
  echo.value = ready.record.value;
  m_harness.Send(kCourierReadyStartServer, echo);
  Start(m_harness);
  Sleep(300);
  EXPECT_EQ(m_harness.CountPosts(kCourierReadyStartServer), 1u);
  EXPECT_EQ(GetDevice(m_harness, L"ZV4K2093NQ"), first);

  Destroy(m_harness);
  EXPECT_EQ(GetDevice(m_harness, L"ZV4K2093NQ"), nullptr) << "records go with the service";
}

TEST_F(CourierModule, ServesAWifiPhoneByItsAddress) {
  DemoDataOverride data(WriteFile(L"wifi.json", OnePhoneFile("192.168.1.40")));
  Start(m_harness);
  ASSERT_TRUE(m_harness.WaitForPost(kCourierReadyStartServer, kReadyTimeoutMs));
  DeviceRecord* phone = GetDevice(m_harness, L"192.168.1.40");
  ASSERT_NE(phone, nullptr);
  EXPECT_EQ(phone->info.serialNumber, L"192.168.1.40");
}

TEST_F(CourierModule, DestroyInterruptsALongStartPromptly) {
  DemoDataOverride data(WriteFile(L"slow.json", OnePhoneFile("SLOW1", "", 600000)));
  Start(m_harness);
  Sleep(300);
  const auto begin = std::chrono::steady_clock::now();
  Destroy(m_harness);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
  Sleep(200);
  EXPECT_EQ(m_harness.CountPosts(kCourierReadyStartServer), 0u) << "an interrupted start reports nothing";

  // After DESTROY_RESOURCE nothing starts again and nothing is served.
  Start(m_harness);
  Sleep(300);
  EXPECT_EQ(m_harness.CountPosts(kCourierReadyStartServer), 0u);
  EXPECT_EQ(GetDevice(m_harness, L"SLOW1"), nullptr);
}

TEST(CourierLifetime, StartAndDestroyAtOnceRepeatedlyAndUnloadCleanly) {
  const auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < 15; ++i) {
    ModuleHarness harness;
    ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libCourier")));
    Start(harness);
    Destroy(harness);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
  EXPECT_EQ(GetModuleHandleW(L"libCourier.dll"), nullptr) << "a destroyed service holds no reference";
}

TEST(CourierLifetime, UnloadingWithoutDestroyKeepsTheRunningServiceMapped) {
  {
    ModuleHarness harness;
    ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libCourier")));
    DemoDataOverride data(WriteFile(L"slow-unload.json", OnePhoneFile("SLOW2", "", 600000)));
    Start(harness);
    Sleep(200);
  }
  // The service thread still runs inside the library, so it must still be there.
  EXPECT_NE(GetModuleHandleW(L"libCourier.dll"), nullptr);
  ModuleHarness again;
  ASSERT_TRUE(again.Load(ModuleHarness::PluginPath(L"libCourier")));
  const auto begin = std::chrono::steady_clock::now();
  Destroy(again);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(2));
}

TEST_F(CourierModule, EveryCommandIsHarmlessBeforeStartAndAfterDestroy) {
  for (const char* name : kExpectedNames) {
    if (std::string(name) == kCourierStartServer || std::string(name) == kCourierDestroyResource) continue;
    CommandRecord record;
    record.text = L"ZV4K2093NQ";
    EXPECT_TRUE(m_harness.Send(name, record)) << name;
  }
  EXPECT_TRUE(m_harness.Posts().empty());
  EXPECT_EQ(GetDevice(m_harness, L"ZV4K2093NQ"), nullptr) << "no phones before START_SERVER";

  Start(m_harness);
  ASSERT_TRUE(m_harness.WaitForPost(kCourierReadyStartServer, kReadyTimeoutMs));
  Destroy(m_harness);
  m_harness.ClearPosts();
  for (const char* name : kExpectedNames) {
    CommandRecord record;
    record.text = L"ZV4K2093NQ";
    m_harness.Send(name, record);
  }
  Sleep(200);
  EXPECT_TRUE(m_harness.Posts().empty());
}

TEST_F(CourierModule, ZeroAndMissingRecordsNeverCrash) {
  // In registration order: START_SERVER with no start data starts, DESTROY_RESOURCE ends it.
  for (int round = 0; round < 2; ++round) {
    for (const char* name : kExpectedNames) {
      CommandRecord zero;
      m_harness.Send(name, zero);
      m_harness.Send(name, nullptr);
    }
  }
  // A record whose name was never set is ignored, not read.
  CommandRecord nameless;
  m_harness.Record().moduleEntry(&nameless);
  m_harness.Record().moduleEntry(nullptr);
  EXPECT_FALSE(m_harness.Send("LIBCOURIER_COMMAND_NOT_A_COMMAND", nameless)) << "unregistered names are dropped";
}

// Each case loads the library afresh: a destroyed service never starts again in one load.
TEST(CourierDataFile, BadFilesGiveNoPhonesAndOneTraceLine) {
  struct Case {
    const char* label;
    std::wstring path;
    const char* expected;  // part of the one trace line
  };
  const Case cases[] = {
      {"missing", TempFolder() + L"absent.json", "cannot be read"},
      {"malformed", WriteFile(L"malformed.json", "{\"format\": 1, \"phones\": [ {,"), "not valid JSON"},
      {"wrong type", WriteFile(L"type.json", OnePhoneFile("BAD1", ", \"generatedContacts\": \"many\"")),
       "phones[0] (BAD1).generatedContacts: expected an integer"},
      {"missing field",
       WriteFile(L"field.json", "{\"format\": 1, \"phones\": [{\"identifier\": \"BAD2\", \"displayName\": \"x\"}]}"),
       "phones[0] (BAD2).model: missing"},
      {"bad picture",
       WriteFile(L"picture.json", OnePhoneFile("BAD3",
                                               ", \"photos\": [{\"id\": \"p\", \"file\": \"..\\\\..\\\\x.png\","
                                               " \"phonePath\": \"/a.png\", \"dateCreated\": \"2024-01-01 00:00\"}]")),
       "photos[0].file: must not leave"},
  };
  for (const Case& c : cases) {
    ModuleHarness harness;
    ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libCourier")));
    DemoDataOverride data(c.path);
    TraceCapture capture;
    ASSERT_TRUE(capture.IsActive());
    Start(harness);
    const bool ready = harness.WaitForPost(kCourierReadyStartServer, kReadyTimeoutMs);
    Destroy(harness);
    const std::vector<std::string> lines = capture.Stop();
    EXPECT_TRUE(ready) << c.label << ": the service still comes up, with no phones";
    ASSERT_EQ(CourierLines(lines), 1u) << c.label;
    std::string line;
    for (const std::string& candidate : lines) {
      if (candidate.rfind("libCourier", 0) == 0) line = candidate;
    }
    EXPECT_NE(line.find(c.expected), std::string::npos) << c.label << ": " << line;
    EXPECT_NE(line.find("libCourier: demo data "), std::string::npos) << line;
  }
  // The shipped file traces nothing.
  ModuleHarness harness;
  ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libCourier")));
  TraceCapture capture;
  Start(harness);
  ASSERT_TRUE(harness.WaitForPost(kCourierReadyStartServer, kReadyTimeoutMs));
  EXPECT_EQ(CourierLines(capture.Stop()), 0u);
  EXPECT_NE(GetDevice(harness, L"ZV4K2093NQ"), nullptr);
  Destroy(harness);
}
