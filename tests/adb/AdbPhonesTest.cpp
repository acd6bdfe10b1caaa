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
#include "contracts/MessageRecords.h"
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
    m_harness->SetHook(kCourierDoSms, [this](CommandRecord& record) { return TakeMessages(record); });
    m_harness->SetHook(kCourierNotifyProgressFinish, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_finishes.push_back(Finish{record.position, record.total, record.value,
                                  record.data ? static_cast<const wchar_t*>(record.data) : L""});
      return 0;
    });
    m_harness->SetHook(kCourierNotifyProgress, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      if (record.value != 0 && record.data != nullptr) m_failures.push_back(static_cast<const wchar_t*>(record.data));
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
      std::unique_ptr<ContactRecord> saved(static_cast<ContactRecord*>(payload->item));
      if (saved) m_saved.push_back(*saved);
      m_saveResults.push_back(payload->status);
    } else if (payload->kind == kContactNoticeDeleted) {
      std::unique_ptr<ContactRecord> deleted(static_cast<ContactRecord*>(payload->item));
      m_deleted.push_back(deleted->identifier);
    } else if (payload->kind == kContactNoticeMessage) {
      std::unique_ptr<UserNotice> notice(static_cast<UserNotice*>(payload->item));
      if (notice) m_messages.push_back(notice->text);
    } else if (payload->kind == kContactNoticeGroups) {
      std::unique_ptr<GroupList> items(static_cast<GroupList*>(payload->item));
      m_groupTitles.clear();
      for (GroupRecord* item : *items) {
        m_groupTitles.push_back(item->title);
        delete item;
      }
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

  int32_t TakeMessages(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (payload->kind == kSmsNoticeBatch) {
      std::unique_ptr<ConversationList> batch(static_cast<ConversationList*>(payload->item));
      for (ConversationRecord* conversation : *batch) {
        m_conversations.push_back(*conversation);
        delete conversation;
      }
    } else if (payload->kind == kSmsNoticeDefaultAnswer) {
      m_defaultAnswers.push_back({record.code, record.value});
    } else if (payload->kind == kSmsNoticeConversation) {
      std::unique_ptr<MessageList> messages(static_cast<MessageList*>(payload->item));
      for (MessageRecord* message : *messages) {
        m_messageRecords.push_back(*message);
        delete message;
      }
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
  // The saves' and deletes' ends are counted by their own lists; the load before needs its finish.
  void LoadAndWait(const std::string& serial) {
    const size_t before = FinishCount();
    ASSERT_NE(LoadContacts(serial), 0);
    ASSERT_TRUE(WaitFor([&] { return m_finishes.size() > before; }));
  }
  size_t FinishCount() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_finishes.size();
  }
  void Save(const std::string& serial, ContactRecord& contact) {
    const std::wstring identifier = Wide(serial);
    CommandRecord save;
    save.code = kContactOpSave;
    save.text = identifier.c_str();
    save.data = &contact;
    m_harness->Send(kCourierDoContact, save);
  }
  // What the phone's own table holds for a raw contact, as its shell prints it.
  std::string PhoneRows(const std::string& serial, const std::string& rawId) {
    std::string output;
    std::string failure;
    m_client->Shell(serial,
                    "content query --uri content://com.android.contacts/data --projection "
                    "raw_contact_id:mimetype:data1:data2:data3 --where raw_contact_id=" +
                        rawId,
                    output, failure);
    return output;
  }
  // How many raw contacts the phone's provider holds.
  size_t RawContacts(const std::string& serial) {
    std::string output;
    std::string failure;
    m_client->Shell(serial, "content query --uri content://com.android.contacts/raw_contacts --projection _id", output,
                    failure);
    size_t rows = 0;
    for (size_t at = output.find("Row: "); at != std::string::npos; at = output.find("Row: ", at + 1)) ++rows;
    return rows;
  }
  int64_t ImportVCards(const std::string& serial, const std::wstring& file) {
    const std::wstring identifier = Wide(serial);
    CommandRecord record;
    record.code = kContactOpImportVcard;
    record.text = identifier.c_str();
    record.data = new PathList{file};
    m_harness->Send(kCourierDoContact, record);
    return record.value;
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
  std::vector<ContactRecord> m_saved;
  std::vector<std::wstring> m_deleted;
  std::vector<ConversationRecord> m_conversations;
  std::vector<MessageRecord> m_messageRecords;
  std::vector<std::pair<int64_t, int64_t>> m_defaultAnswers;  // pending operation, is default
  std::vector<std::wstring> m_messages;
  std::vector<Finish> m_finishes;
  std::vector<std::wstring> m_failures;     // the reasons of failed items told before the end
  std::vector<std::wstring> m_groupTitles;  // of the last groups list sent
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

  // An import of a file that is not there ends with the reason, the phone untouched.
  const std::wstring identifier = Wide(serial);
  CommandRecord importContacts;
  importContacts.code = kContactOpImportVcard;
  importContacts.text = identifier.c_str();
  importContacts.data = new PathList{L"C:\\no-such-folder\\contacts.vcf"};
  m_harness->Send(kCourierDoContact, importContacts);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 2; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[1].total, 1);
    ASSERT_EQ(m_failures.size(), 1u);
    EXPECT_NE(m_failures[0].find(L"Cannot read contacts.vcf"), std::wstring::npos);
  }

  // Messages cannot be written through adb: an import ends at once with the reason.
  CommandRecord import;
  import.code = kSmsOpImport;
  import.text = identifier.c_str();
  import.data = new PathList{L"C:\\messages.bak"};
  m_harness->Send(kCourierDoSms, import);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 3; })) << "the import dialog would wait forever";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[2].failed, 1);
    EXPECT_NE(m_finishes[2].text.find(L"default SMS app"), std::wstring::npos);
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

ContactDataRow* EditRow(const wchar_t* mimetype, int32_t state, const std::wstring& oldValue,
                        const std::wstring& newValue, const wchar_t* label = L"") {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->editState = state;
  row->oldValue = oldValue;
  row->newValue = newValue;
  row->newTypeLabel = label;
  return row;
}

std::string Utf8(const std::wstring& text) {
  std::string utf8(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                   '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

TEST_F(AdbPhones, ContactsAddedEditedAndDeletedReachThePhoneAndAHostileNameRoundTrips) {
  const std::string serial = Plug("writable");
  ASSERT_TRUE(WaitForStatus(serial, 22));
  LoadAndWait(serial);

  // A new contact whose texts would be shell syntax if they were not quoted.
  const std::wstring family = L"O'Brien; $(reboot) `id` \"\u5c71\u7530\" & echo x > /sdcard/y";
  const std::wstring note = L"it's line one\nline two; $HOME \\ 'quoted'";
  ContactRecord added;
  added.editState = kEditNew;
  added.dataRows.push_back(EditRow(kMimeName, kEditNew, L"", L"Se\u00e1n\n\n" + family));
  added.dataRows.push_back(EditRow(kMimePhone, kEditNew, L"", L"+44 20 7946 0000", L"Mobile"));
  added.dataRows.push_back(EditRow(kMimeNote, kEditNew, L"", note));
  Save(serial, added);
  ASSERT_TRUE(WaitFor([&] { return m_saveResults.size() == 1; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ASSERT_EQ(m_saveResults[0], kNotificationSuccess) << (m_messages.empty() ? "" : Utf8(m_messages.back()));
    ASSERT_EQ(m_saved.size(), 1u);
    EXPECT_EQ(m_saved[0].identifier, L"4") << "the phone's new raw contact";
    EXPECT_EQ(m_saved[0].name, L"Se\u00e1n " + family) << "the pane shows what the phone holds";
    EXPECT_EQ(m_saved[0].phone, L"+44 20 7946 0000");
  }
  const std::string rows = PhoneRows(serial, "4");
  EXPECT_NE(rows.find("data1=" + Utf8(L"Se\u00e1n " + family) + ", "), std::string::npos) << rows;
  EXPECT_NE(rows.find("data1=" + Utf8(note) + ", "), std::string::npos) << rows;
  EXPECT_NE(rows.find("mimetype=vnd.android.cursor.item/phone_v2, data1=+44 20 7946 0000, data2=2"), std::string::npos)
      << rows;

  // An edit changes the number, drops the e-mail and leaves the name and note rows alone.
  ContactRecord edited;
  edited.identifier = L"1";
  edited.dataRows.push_back(EditRow(kMimePhone, kEditChanged, L"+49 170 1234567", L"+49 170 7654321", L"Work"));
  edited.dataRows.push_back(EditRow(kMimeEmail, kEditDeleted, L"anna.berg@mail.example", L""));
  Save(serial, edited);
  ASSERT_TRUE(WaitFor([&] { return m_saveResults.size() == 2; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ASSERT_EQ(m_saveResults[1], kNotificationSuccess);
    EXPECT_EQ(m_saved[1].phone, L"+49 170 7654321");
  }
  const std::string anna = PhoneRows(serial, "1");
  EXPECT_EQ(anna.find("1234567"), std::string::npos) << anna;
  EXPECT_EQ(anna.find("email_v2"), std::string::npos) << anna;
  EXPECT_NE(anna.find("data1=+49 170 7654321, data2=3"), std::string::npos) << anna;
  EXPECT_NE(anna.find("data1=Anna Berg"), std::string::npos) << anna;
  EXPECT_NE(anna.find("second line of the note"), std::string::npos) << anna;

  // A delete removes the raw contact and its rows from the phone.
  auto* checked = new ContactList;
  ContactRecord bo;
  bo.identifier = L"2";
  checked->push_back(&bo);
  const std::wstring identifier = Wide(serial);
  CommandRecord remove;
  remove.code = kContactOpDelete;
  remove.text = identifier.c_str();
  remove.data = checked;
  const size_t before = FinishCount();
  m_harness->Send(kCourierDoContact, remove);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() > before; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes.back().failed, 0);
    EXPECT_EQ(m_deleted, std::vector<std::wstring>{L"2"});
  }
  EXPECT_NE(PhoneRows(serial, "2").find("No result found."), std::string::npos);

  // Loaded again: exactly what the phone now holds.
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_contacts.clear();
  }
  LoadAndWait(serial);
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(m_contacts, (std::vector<std::wstring>{L"Anna Berg", L"", L"Se\u00e1n " + family}));
}

TEST_F(AdbPhones, RefusedAndInterruptedSavesSayWhyAndLoseNothing) {
  const std::string refusing = Plug("refusing");
  ASSERT_TRUE(WaitForStatus(refusing, 22));
  LoadAndWait(refusing);
  ContactRecord edited;
  edited.identifier = L"1";
  edited.dataRows.push_back(EditRow(kMimePhone, kEditChanged, L"+49 170 1234567", L"+49 170 0", L"Work"));
  Save(refusing, edited);
  ASSERT_TRUE(WaitFor([&] { return m_saveResults.size() == 1 && !m_messages.empty(); }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_NE(m_saveResults[0], kNotificationSuccess) << "the editor stays open";
    EXPECT_NE(m_messages.back().find(L"could not be saved on the phone"), std::wstring::npos);
    EXPECT_NE(m_messages.back().find(L"Permission Denial"), std::wstring::npos);
  }
  EXPECT_NE(PhoneRows(refusing, "1").find("+49 170 1234567"), std::string::npos);

  // Unplugged while the phone writes: the save ends with the reason at once.
  const std::string hung = Plug("hangsave");
  ASSERT_TRUE(WaitForStatus(hung, 22));
  LoadAndWait(hung);
  Save(hung, edited);
  Sleep(300);
  Host("host:disconnect:" + hung);
  ASSERT_TRUE(WaitFor([&] { return m_saveResults.size() == 2; }, 8000)) << "the save waited for a gone phone";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_NE(m_saveResults[1], kNotificationSuccess);
    EXPECT_EQ(m_messages.back(), L"The phone was disconnected.");
  }
  // Plugged again, the phone still holds the old number: new rows go in before old ones go.
  const size_t mark = StatusCount();
  Plug("hangsave");
  ASSERT_TRUE(WaitForStatus(hung, 22, mark));
  EXPECT_NE(PhoneRows(hung, "1").find("+49 170 1234567"), std::string::npos);
}

// Identifiers the phone gives are digits.
std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

// Three people: one with a name no shell may take as syntax, one the phone refuses, one
// written in letters beyond ASCII.
constexpr char kImportFile[] =
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Se\xc3\xa1n O'Brien \\; $(reboot) `id` \"x\" \\\\ end\r\n"
    "TEL;TYPE=CELL:+353 1 555 0101\r\nCATEGORIES:Sailing,Chess Club\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Nobody Wanted\r\nTEL;TYPE=CELL:+1 555 0000\r\nEND:VCARD\r\n"
    "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Zo\xc3\xab \xc3\x85ngstr\xc3\xb6m \xe5\xbc\xa0\xe4\xbc\x9f\r\n"
    "TEL;TYPE=WORK:+46 8 555 0102\r\nEMAIL;TYPE=HOME:zoe@mail.example\r\nEND:VCARD\r\n";

TEST_F(AdbPhones, AnImportWritesEachContactToThePhoneCountsARefusalAndReadsTheRestBack) {
  const std::string serial = Plug("importing");
  ASSERT_TRUE(WaitForStatus(serial, 22));
  LoadAndWait(serial);
  const size_t before = RawContacts(serial);
  ASSERT_EQ(before, 3u);
  const std::wstring file = WriteFile(L"adb-import.vcf", kImportFile);
  ASSERT_NE(ImportVCards(serial, file), 0);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 2; }, 20000));
  std::vector<ContactRecord> saved;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[1].position, 3);
    EXPECT_EQ(m_finishes[1].total, 3);
    EXPECT_EQ(m_finishes[1].failed, 0) << "the refusal was counted when it came";
    // The phone has no group "Chess Club": said, not silently dropped.
    EXPECT_NE(m_finishes[1].text.find(L"1 contact was added without groups"), std::wstring::npos);
    // The open dialog's last line keeps the refusal's reason too.
    EXPECT_EQ(m_finishes[1].text.find(L"The contact could not be added on the phone: Refused: Nobody Wanted"), 0u)
        << std::string(m_finishes[1].text.begin(), m_finishes[1].text.end());
    ASSERT_EQ(m_failures.size(), 1u);
    EXPECT_NE(m_failures[0].find(L"Refused: Nobody Wanted"), std::wstring::npos);
    saved = m_saved;
  }
  // What the pane gets is what the phone holds, read back under the phone's own numbers.
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].name, L"Se\u00e1n O'Brien ; $(reboot) `id` \"x\" \\ end");
  EXPECT_EQ(saved[1].name, L"Zo\u00eb \u00c5ngstr\u00f6m \u5f20\u4f1f");
  // The refused contact left no empty raw contact behind.
  EXPECT_EQ(RawContacts(serial), before + 2);
  const std::string first = PhoneRows(serial, Narrow(saved[0].identifier));
  EXPECT_NE(
      first.find("mimetype=vnd.android.cursor.item/name, data1=Se\xc3\xa1n O'Brien ; $(reboot) `id` \"x\" \\ end,"),
      std::string::npos)
      << first;
  EXPECT_NE(first.find("mimetype=vnd.android.cursor.item/phone_v2, data1=+353 1 555 0101, data2=2,"), std::string::npos)
      << first;
  EXPECT_NE(first.find("mimetype=vnd.android.cursor.item/group_membership, data1=6,"), std::string::npos) << first;
  EXPECT_EQ(saved[0].groups, (std::vector<std::wstring>{L"6"}));
  const std::string second = PhoneRows(serial, Narrow(saved[1].identifier));
  EXPECT_NE(second.find("data1=Zo\xc3\xab \xc3\x85ngstr\xc3\xb6m \xe5\xbc\xa0\xe4\xbc\x9f,"), std::string::npos)
      << second;
  EXPECT_NE(second.find("mimetype=vnd.android.cursor.item/phone_v2, data1=+46 8 555 0102, data2=3,"), std::string::npos)
      << second;
  EXPECT_NE(second.find("mimetype=vnd.android.cursor.item/email_v2, data1=zoe@mail.example, data2=1,"),
            std::string::npos)
      << second;

  // Moved from one group to another: only the membership rows change.
  ContactRecord moved;
  moved.identifier = saved[0].identifier;
  moved.groupsToLeave = {L"6"};
  moved.groupsToJoin = {L"7"};
  Save(serial, moved);
  ASSERT_TRUE(WaitFor([&] { return m_saveResults.size() == 3; }));
  const std::string regrouped = PhoneRows(serial, Narrow(saved[0].identifier));
  EXPECT_NE(regrouped.find("mimetype=vnd.android.cursor.item/group_membership, data1=7,"), std::string::npos)
      << regrouped;
  EXPECT_EQ(regrouped.find("group_membership, data1=6,"), std::string::npos) << regrouped;
  EXPECT_EQ(regrouped.substr(0, regrouped.find("group_membership")), first.substr(0, first.find("group_membership")))
      << "the other rows stay as they were";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_saveResults[2], kNotificationSuccess);
    EXPECT_EQ(m_saved.back().groups, (std::vector<std::wstring>{L"7"}));
  }

  // Imported again: both are already on the phone and are not written twice.
  ASSERT_NE(ImportVCards(serial, file), 0);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 3; }, 20000));
  EXPECT_EQ(RawContacts(serial), before + 2);
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_NE(m_finishes[2].text.find(L"2 contacts were already on the phone"), std::wstring::npos);
}

TEST_F(AdbPhones, AnImportCancelledOrUnpluggedMidwayKeepsWhatWasWritten) {
  const std::wstring file =
      WriteFile(L"adb-import-cut.vcf",
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:First One\r\nTEL:+1 555 0001\r\nEND:VCARD\r\n"
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Second One\r\nTEL:+1 555 0002\r\nCATEGORIES:Sailing\r\n"
                "END:VCARD\r\n"
                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Third One\r\nTEL:+1 555 0003\r\nEND:VCARD\r\n");
  // Cancelled while the third contact waits on the phone: the connection is cut at once.
  const std::string cut = Plug("cutimport");
  ASSERT_TRUE(WaitForStatus(cut, 22));
  const int64_t task = ImportVCards(cut, file);
  ASSERT_NE(task, 0);
  ASSERT_TRUE(WaitFor([&] { return m_saved.size() == 2; }, 20000));
  Sleep(300);  // the third contact's row is on its way
  const std::wstring identifier = Wide(cut);
  CommandRecord cancel;
  cancel.text = identifier.c_str();
  cancel.value = task;
  const ULONGLONG cancelledAt = GetTickCount64();
  m_harness->Send(kCourierDoCancel, cancel);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 1; }, 8000)) << "the cancel waited for the phone";
  EXPECT_LT(GetTickCount64() - cancelledAt, 5000u);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[0].position, 2) << "the third was not written";
    EXPECT_EQ(m_finishes[0].failed, 0);
  }
  // The two written stay; the third's half-made contact does not.
  EXPECT_EQ(RawContacts(cut), 5u);

  // Unplugged while the third contact waits: the end says so, and the two written are kept.
  const std::string gone = Plug("unplugimport");
  ASSERT_TRUE(WaitForStatus(gone, 22));
  ASSERT_NE(ImportVCards(gone, file), 0);
  ASSERT_TRUE(WaitFor([&] { return m_saved.size() == 4; }, 20000));
  Sleep(300);
  Host("host:disconnect:" + gone);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 2; }, 8000)) << "the import waited for a gone phone";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[1].text, L"The phone was disconnected.");
    EXPECT_EQ(m_finishes[1].position, 3);
    EXPECT_EQ(m_failures.back(), L"The phone was disconnected.");
    EXPECT_EQ(m_saved[2].name, L"First One");
    EXPECT_EQ(m_saved[3].name, L"Second One");
  }
  std::string secondId;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    secondId = Narrow(m_saved[3].identifier);
  }
  const size_t mark = StatusCount();
  Plug("unplugimport");
  ASSERT_TRUE(WaitForStatus(gone, 22, mark));
  const std::string second = PhoneRows(gone, secondId);
  EXPECT_NE(second.find("data1=Second One"), std::string::npos) << second;
  // Its group was found on the phone although the contacts were never loaded.
  EXPECT_NE(second.find("group_membership, data1=6,"), std::string::npos) << second;
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(m_groupTitles, (std::vector<std::wstring>{L"Sailing", L"Friends, old and new"}))
      << "the pane is told the phone's groups, a deleted one left out";
}

TEST_F(AdbPhones, MessagesAreListedFromThePhoneAndTheirChangesRefused) {
  const std::string serial = Plug("normal");
  ASSERT_TRUE(WaitForStatus(serial, 22));
  DeviceRecord* device = GetDevice(*m_harness, Wide(serial).c_str());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->counts[kKindMessages].load(), 7u);
  const std::wstring identifier = Wide(serial);
  CommandRecord list;
  list.code = kSmsOpLoadList;
  list.text = identifier.c_str();
  m_harness->Send(kCourierDoSms, list);
  ASSERT_NE(list.value, 0);
  ASSERT_TRUE(WaitFor([&] { return !m_finishes.empty(); }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_finishes[0].failed, 0);
    ASSERT_EQ(m_conversations.size(), 3u);
    // Latest first, as the phone lists them.
    EXPECT_EQ(m_conversations[0].identifier, L"3");
    EXPECT_EQ(m_conversations[0].unread, 1);
    int64_t messages = 0;
    for (const ConversationRecord& conversation : m_conversations) messages += conversation.itemCount;
    EXPECT_EQ(messages, 7);
  }

  ConversationRecord thread;
  thread.identifier = L"1";
  CommandRecord open;
  open.code = kSmsOpLoadConversation;
  open.text = identifier.c_str();
  open.data = &thread;
  m_harness->Send(kCourierDoSms, open);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 2; }));
  {
    std::lock_guard<std::mutex> lock(m_lock);
    ASSERT_EQ(m_messageRecords.size(), 3u);
    EXPECT_EQ(m_messageRecords[2].body, L"Yes, 7 works. Bring the charts\nand the logbook, please");
    EXPECT_EQ(m_messageRecords[2].box, kMessageBoxSent);
  }

  // The default-app question of a delete is answered at once, so the delete runs and says why
  // it cannot be done instead of the pane waiting for an answer.
  CommandRecord ask;
  ask.code = kSmsOpAskDefault;
  ask.text = identifier.c_str();
  ask.value = kSmsOpDelete;
  m_harness->Send(kCourierDoSms, ask);
  ASSERT_TRUE(WaitFor([&] { return !m_defaultAnswers.empty(); })) << "the question was never answered";
  {
    std::lock_guard<std::mutex> lock(m_lock);
    EXPECT_EQ(m_defaultAnswers[0], std::make_pair(int64_t{kSmsOpDelete}, int64_t{1}));
  }
  // Deleting is the default SMS app's alone: refused with the reason, the messages stay.
  CommandRecord remove;
  remove.code = kSmsOpDelete;
  remove.text = identifier.c_str();
  remove.data = new ConversationList{&thread};
  m_harness->Send(kCourierDoSms, remove);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 3; })) << "the delete dialog would wait forever";
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_EQ(m_finishes[2].failed, 1);
  EXPECT_NE(m_finishes[2].text.find(L"default SMS app"), std::wstring::npos);
}

TEST_F(AdbPhones, AStoppedLoadEndsTheReadMidStream) {
  const std::string serial = Plug("many");
  ASSERT_TRUE(WaitForStatus(serial, 22));
  const int64_t task = LoadContacts(serial);
  ASSERT_NE(task, 0);
  ASSERT_TRUE(WaitFor([&] { return !m_contacts.empty(); })) << "the first batch comes while the phone still prints";
  const std::wstring identifier = Wide(serial);
  CommandRecord cancel;
  cancel.text = identifier.c_str();
  cancel.value = task;
  m_harness->Send(kCourierDoCancel, cancel);
  // The next job of the phone runs only once the read has ended.
  CommandRecord importContacts;
  importContacts.code = kContactOpImportVcard;
  importContacts.text = identifier.c_str();
  importContacts.data = new PathList{L"C:\\contacts.vcf"};
  m_harness->Send(kCourierDoContact, importContacts);
  ASSERT_TRUE(WaitFor([&] { return m_finishes.size() == 1; }, 5000));
  std::lock_guard<std::mutex> lock(m_lock);
  EXPECT_LT(m_contacts.size(), 20000u);
  ASSERT_FALSE(m_failures.empty());
  EXPECT_NE(m_failures.back().find(L"contacts.vcf"), std::wstring::npos);
}

// Last: the server stays dead afterwards.
// An adb whose server never comes up holds neither the tracker nor the program's closing.
TEST(AdbServerStart, AnAdbThatNeverStartsIsLeftAtOnceWhenTheServiceStops) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring hanging = self;
  hanging = hanging.substr(0, hanging.find_last_of(L"\\/") + 1) + L"hanging_adb.exe";
  ASSERT_NE(GetFileAttributesW(hanging.c_str()), INVALID_FILE_ATTRIBUTES);
  const ULONGLONG before = GetTickCount64();
  std::string failure;
  EXPECT_FALSE(AdbClient::StartServer(hanging, 1, failure, [&] { return GetTickCount64() - before > 300; }));
  EXPECT_LT(GetTickCount64() - before, 2000u);
  EXPECT_EQ(failure, "stopped while adb was starting");
  // One that fails at once is told as a failure, not taken for a server.
  EXPECT_FALSE(AdbClient::StartServer(L"C:\\nowhere\\adb.exe", 1, failure));
  EXPECT_NE(failure.find("could not be started"), std::string::npos);
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
