// Real phones through the real adb server: the test command starts Debian's adb on a port of
// its own and stand-in phones (standin_phone.py) that speak the device protocol, and hands
// their ports over in ZS_STANDIN_PORTS. The device service, loaded through the module
// harness, must announce the phones, walk them to ready, read their details and contacts,
// and survive phones that leave, refuse, hang or lie, and a server that dies.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/adb/AdbClient.h"
#include "tests/adb/AdbTestSupport.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = 15000;

struct Status {
  std::wstring identifier;
  int32_t status;
  std::wstring text;
};

struct Finish {
  int64_t position;
  int64_t total;
  int64_t failed;
  std::wstring text;
};

class AdbPhones : public ::testing::Test {
 protected:
  void SetUp() override {
    m_ports = StandinPorts();
    const std::string port = Environment("ANDROID_ADB_SERVER_PORT");
    if (m_ports.empty() || port.empty()) GTEST_SKIP() << "run through the adb test command";
    m_client = std::make_unique<AdbClient>(static_cast<uint16_t>(std::atoi(port.c_str())));
    // No demo phones: only what the server reports.
    m_dataFile = WriteFile(L"adb-no-phones.json", "{\"format\": 1, \"phones\": []}");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", m_dataFile.c_str());
    m_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCourier")));
    m_harness->SetHook(kCourierAddDevice, [this](CommandRecord& record) {
      auto* identifier = reinterpret_cast<wchar_t*>(static_cast<intptr_t>(record.value));
      std::lock_guard<std::mutex> lock(m_lock);
      m_added.push_back(identifier);
      std::free(identifier);
      return 0;
    });
    m_harness->SetHook(kCourierScanUsbDevice, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_statuses.push_back(Status{static_cast<const wchar_t*>(record.payload), static_cast<int32_t>(record.entries),
                                  record.text ? record.text : L""});
      return 0;
    });
    m_harness->SetHook(kCourierDoContact, [this](CommandRecord& record) { return TakeContacts(record); });
    m_harness->SetHook(kCourierDoSms, [](CommandRecord& record) {
      std::free(record.payload);  // no message notice of these tests carries an item
      return 0;
    });
    m_harness->SetHook(kCourierNotifyProgressFinish, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_finishes.push_back(Finish{record.position, record.total, record.value,
                                  record.data ? static_cast<const wchar_t*>(record.data) : L""});
      return 0;
    });
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    CommandRecord echo;
    echo.value = 1;
    m_harness->Send(kCourierReadyStartServer, echo);
  }

  void TearDown() override {
    if (m_harness) {
      const ULONGLONG before = GetTickCount64();
      Destroy(*m_harness);
      // Shutting down never waits for a phone or the server.
      EXPECT_LT(GetTickCount64() - before, 3000u);
      m_harness.reset();
    }
    for (const std::string& serial : m_connected) Host("host:disconnect:" + serial);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
  }

  int32_t TakeContacts(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (payload->kind == kContactNoticeBatch) {
      std::unique_ptr<ContactList> batch(static_cast<ContactList*>(payload->item));
      for (ContactRecord* contact : *batch) {
        m_contacts.push_back(contact->name);
        delete contact;
      }
    } else if (payload->kind == kContactNoticeSaved) {
      delete static_cast<ContactRecord*>(payload->item);
      m_saveResults.push_back(payload->status);
    } else if (payload->kind == kContactNoticeMessage) {
      std::unique_ptr<UserNotice> notice(static_cast<UserNotice*>(payload->item));
      if (notice) m_messages.push_back(notice->text);
    } else if (payload->kind == kContactNoticeGroups) {
      std::unique_ptr<GroupList> items(static_cast<GroupList*>(payload->item));
      for (GroupRecord* item : *items) delete item;
    } else if (payload->kind == kContactNoticeTypeLabels) {
      std::unique_ptr<TypeLabelList> items(static_cast<TypeLabelList*>(payload->item));
      for (TypeLabelRecord* item : *items) delete item;
    } else if (payload->kind == kContactNoticeAccounts) {
      std::unique_ptr<AccountList> items(static_cast<AccountList*>(payload->item));
      for (AccountRecord* item : *items) delete item;
    }
    std::free(payload);
    return 0;
  }

  // A request to the server itself, as `adb connect` and `adb disconnect` make it.
  std::string Host(const std::string& service) {
    std::string failure;
    std::unique_ptr<AdbSocket> socket = m_client->Open(service, failure);
    std::string answer;
    if (socket) ReadAdbMessage(*socket, answer);
    return socket ? answer : failure;
  }
  // Plugs the stand-in phone `name` in; its serial.
  std::string Plug(const std::string& name) {
    const std::string serial = "127.0.0.1:" + m_ports.at(name);
    const std::string answer = Host("host:connect:" + serial);
    // An unauthorized phone is connected too; adb says it "failed to authenticate" to it.
    EXPECT_TRUE(answer.find("connected") != std::string::npos || answer.find("authenticate") != std::string::npos)
        << answer;
    m_connected.push_back(serial);
    return serial;
  }

  template <typename Condition>
  bool WaitFor(Condition condition, DWORD timeoutMs = kWaitMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (true) {
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (condition()) return true;
      }
      if (GetTickCount64() > end) return false;
      Sleep(20);
    }
  }
  bool WaitForStatus(const std::string& serial, int32_t status, size_t after = 0) {
    const std::wstring identifier = Wide(serial);
    return WaitFor([&] {
      for (size_t i = after; i < m_statuses.size(); ++i)
        if (m_statuses[i].identifier == identifier && m_statuses[i].status == status) return true;
      return false;
    });
  }
  size_t StatusCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_statuses.size();
  }
  int64_t LoadContacts(const std::string& serial) {
    const std::wstring identifier = Wide(serial);
    CommandRecord record;
    record.code = kContactOpLoad;
    record.text = identifier.c_str();
    m_harness->Send(kCourierDoContact, record);
    return record.value;
  }

  std::map<std::string, std::string> m_ports;
  std::unique_ptr<AdbClient> m_client;
  std::wstring m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  std::vector<std::string> m_connected;
  std::mutex m_lock;
  std::vector<std::wstring> m_added;
  std::vector<Status> m_statuses;
  std::vector<std::wstring> m_contacts;
  std::vector<int32_t> m_saveResults;
  std::vector<std::wstring> m_messages;
  std::vector<Finish> m_finishes;
};

TEST_F(AdbPhones, PluggedPhoneWalksToReadyWithDetailsContactsAndComesBackToItsTab) {
  const std::string serial = Plug("normal");
  ASSERT_TRUE(WaitForStatus(serial, 22)) << "the phone never became ready";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ASSERT_EQ(m_added.size(), 1u);
    EXPECT_EQ(m_added[0], Wide(serial));
  }
  DeviceRecord* device = GetDevice(*m_harness, Wide(serial).c_str());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->modelName, L"Lumo Seven");
  EXPECT_EQ(device->androidVersion, L"13");
  EXPECT_EQ(device->info.serialNumber, L"LUMO7A1B2C");
  EXPECT_EQ(device->info.batteryPercent, 76);
  EXPECT_EQ(device->info.charging, 1);
  EXPECT_EQ(device->phoneMemory.totalBytes, 115249404ll * 1024);
  EXPECT_EQ(device->counts[kKindContacts].load(), 3u);

  ASSERT_NE(LoadContacts(serial), 0);
  ASSERT_TRUE(WaitFor([&] { return !m_finishes.empty(); }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[0].failed, 0) << std::string(m_finishes[0].text.begin(), m_finishes[0].text.end());
    ASSERT_EQ(m_contacts.size(), 3u);
    EXPECT_EQ(m_contacts[0], L"Anna Berg");
  }

  // Changing a real phone's contacts is refused with a reason, never pretended.
  ContactRecord edited;
  edited.identifier = L"1";
  edited.name = L"Anna B.";
  const std::wstring identifier = Wide(serial);
  CommandRecord save;
  save.code = kContactOpSave;
  save.text = identifier.c_str();
  save.data = &edited;
  m_harness->Send(kCourierDoContact, save);
  ASSERT_TRUE(WaitFor([&] { return !m_saveResults.empty() && !m_messages.empty(); }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_NE(m_saveResults[0], kNotificationSuccess);
    EXPECT_NE(m_messages[0].find(L"not supported"), std::wstring::npos);
  }

  // Messages cannot be written through adb: an import ends at once with the reason.
  CommandRecord import;
  import.code = kSmsOpImport;
  import.text = identifier.c_str();
  import.data = new PathList{L"C:\\messages.bak"};
  m_harness->Send(kCourierDoSms, import);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 2; })) << "the import dialog would wait forever";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[1].failed, 1);
    EXPECT_NE(m_finishes[1].text.find(L"default SMS app"), std::wstring::npos);
  }

  // Unplugged: the failure page with a reason; plugged again: ready in the same tab.
  size_t mark = StatusCount();
  Host("host:disconnect:" + serial);
  ASSERT_TRUE(WaitForStatus(serial, 0, mark));
  mark = StatusCount();
  Plug("normal");
  ASSERT_TRUE(WaitForStatus(serial, 22, mark));
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(m_added.size(), 1u) << "a phone that comes back keeps its tab";
}

TEST_F(AdbPhones, UnauthorizedPhoneWaitsForAllowThenTwoPhonesAreReadyTogether) {
  const std::string waiting = Plug("unauthorized");  // allows after two seconds
  const std::string other = Plug("normal");
  ASSERT_TRUE(WaitForStatus(waiting, 17)) << "the authorisation page was never asked for";
  ASSERT_TRUE(WaitForStatus(other, 22));
  ASSERT_TRUE(WaitForStatus(waiting, 22));
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(m_added.size(), 2u);
}

TEST_F(AdbPhones, MalformedOutputAndAPhoneUnpluggedMidLoadEndTheLoadWithAReason) {
  const std::string broken = Plug("malformed");
  ASSERT_TRUE(WaitForStatus(broken, 22));
  ASSERT_NE(LoadContacts(broken), 0);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 1; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_FALSE(m_finishes[0].text.empty());
    EXPECT_TRUE(m_contacts.empty());
  }

  // The phone hangs in the middle of its contacts; pulling the cable ends the load at once.
  const std::string hung = Plug("hanging");
  ASSERT_TRUE(WaitForStatus(hung, 22));
  ASSERT_NE(LoadContacts(hung), 0);
  Sleep(300);
  Host("host:disconnect:" + hung);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 2; }, 8000)) << "the load waited for a gone phone";
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(m_finishes[1].text, L"The phone was disconnected.");
}

TEST_F(AdbPhones, ADyingServerTakesItsPhonesAlongAndHangsNothing) {
  const std::string serial = Plug("normal");
  ASSERT_TRUE(WaitForStatus(serial, 22));
  const size_t mark = StatusCount();
  Host("host:kill");
  ASSERT_TRUE(WaitForStatus(serial, 0, mark)) << "the phone stayed ready after its server died";
  // Nothing is there to load from: the load ends with a reason instead of waiting.
  ASSERT_NE(LoadContacts(serial), 0);
  ASSERT_TRUE(WaitFor([&] { return !m_finishes.empty(); }, 8000));
  m_connected.clear();
}

}  // namespace
