// The phones' messages as the device service serves them, through its plug-in edge: the
// conversation list in batches, one conversation, deletes, imports, sent messages, the
// default-SMS-app answers of phones that accept, decline or need no role, and changes kept
// across restarts.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MessageRecords.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr wchar_t kOldPhone[] = L"MS-OLD";        // Android 4.3: no role needed
constexpr wchar_t kAcceptingPhone[] = L"MS-NEW";  // 4.4, its user accepts the pop-up
constexpr wchar_t kDecliningPhone[] = L"MS-NO";   // 4.4, its user declines
constexpr wchar_t kDefaultPhone[] = L"MS-DEF";    // 13, this program is the default already

std::string Conversation(int index, int messages) {
  std::string text = "{\"id\": \"t" + std::to_string(index) + "\", \"address\": \"+47 400 " +
                     std::to_string(10000 + index) + "\", \"messages\": [";
  for (int m = 0; m < messages; ++m) {
    char date[32];
    std::snprintf(date, sizeof(date), "2024-%02d-%02d %02d:%02d", 1 + index % 12, 1 + m % 28, index % 24, m % 60);
    text += std::string(m == 0 ? "" : ", ") + "{\"id\": \"m" + std::to_string(index) + "-" + std::to_string(m) +
            "\", \"box\": \"" + (m % 2 == 0 ? "inbox" : "sent") + "\", \"date\": \"" + date +
            "\", \"read\": " + (m == 0 ? "false" : "true") + ", \"body\": \"Melding " + std::to_string(m) +
            " — Сообщение مرحبا 👋\\nsecond line\"}";
  }
  return text + "]}";
}

std::string Phone(const char* identifier, const char* version, const char* role, int conversations,
                  const std::string& more = std::string()) {
  std::string text = std::string("{\"identifier\": \"") + identifier + "\", \"displayName\": \"" + identifier +
                     "\", \"model\": \"M\", \"androidVersion\": \"" + version +
                     "\", \"battery\": {\"percent\": 50}, \"phoneMemory\": {\"totalBytes\": 1, \"freeBytes\": 1},"
                     " \"storageMemory\": {\"totalBytes\": 0, \"freeBytes\": 0}, \"connection\": [{\"status\": 22}],"
                     " \"defaultSmsApp\": \"" +
                     role + "\"" + more + ", \"conversations\": [";
  for (int i = 0; i < conversations; ++i) text += (i == 0 ? "" : ", ") + Conversation(i, 3 + i % 5);
  return text + "]}";
}

std::string PhonesFile() {
  return "{\"format\": 1, \"phones\": [" + Phone("MS-OLD", "4.3", "accepts", 260) + ", " +
         Phone("MS-NEW", "4.4", "accepts", 3,
               ", \"contacts\": [{\"id\": \"c1\", \"name\": \"Kari Nordmann\", \"phones\": [{\"label\": "
               "\"Mobile\", \"number\": \"400-10 001\"}]}]") +
         ", " + Phone("MS-NO", "4.4.2", "declines", 2) + ", " +
         Phone("MS-DEF", "13", "already", 2,
               ", \"incomingMessages\": [{\"delayMs\": 50, \"address\": \"+4740010001\", \"body\": \"Kommer "
               "snart 👋\"}, {\"delayMs\": 80, \"address\": \"+1 202 555 0147\", \"body\": \"New number\"}]") +
         "]}";
}

struct Notice {
  uint32_t kind = 0;
  int32_t status = 0;
  int64_t taskId = 0;
  int64_t code = 0;
  int64_t value = 0;
  void* data = nullptr;
  std::wstring phone;
  std::vector<ConversationRecord> conversations;
  std::vector<MessageRecord> messages;
};

struct Progress {
  bool finish = false;
  int64_t position = 0;
  int64_t total = 0;
  int64_t failed = 0;
  std::wstring text;
};

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CourierMessages : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::path(TempFolder()) / ("messages-" + std::to_string(GetTickCount64()));
    std::filesystem::create_directories(m_folder / "state");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "state").wstring().c_str());
    m_dataFile = m_folder / "phones.json";
    std::ofstream(m_dataFile, std::ios::binary) << PhonesFile();
  }
  void TearDown() override {
    StopService();
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  void StartService() {
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", m_dataFile.wstring().c_str());
    m_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCourier")));
    m_harness->SetHook(kCourierDoSms, [this](CommandRecord& record) { return Take(record); });
    m_harness->SetHook(kCourierDoSmsReceiveMessage, [this](CommandRecord& record) { return Take(record); });
    m_harness->SetHook(kCourierNotifyProgress, [this](CommandRecord& record) { return Note(record, false); });
    m_harness->SetHook(kCourierNotifyProgressFinish, [this](CommandRecord& record) { return Note(record, true); });
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    ASSERT_NE(GetDevice(*m_harness, kOldPhone), nullptr);
  }
  void StopService() {
    if (!m_harness) return;
    Destroy(*m_harness);
    m_harness.reset();
    Clear();
  }

  // As the host's last handler: copy what the notice says, then free it all.
  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    Notice notice;
    notice.kind = payload->kind;
    notice.status = payload->status;
    notice.taskId = payload->taskId;
    notice.code = record.code;
    notice.value = record.value;
    notice.data = record.data;
    notice.phone = record.text != nullptr ? record.text : L"";
    if (payload->kind == kSmsNoticeBatch) {
      std::unique_ptr<ConversationList> batch(static_cast<ConversationList*>(payload->item));
      for (ConversationRecord* conversation : *batch) {
        notice.conversations.push_back(*conversation);
        delete conversation;
      }
    } else if (payload->kind == kSmsNoticeConversation) {
      std::unique_ptr<MessageList> list(static_cast<MessageList*>(payload->item));
      for (MessageRecord* message : *list) {
        notice.messages.push_back(*message);
        delete message;
      }
    } else if (payload->kind == kSmsNoticeDeleted || payload->kind == kSmsNoticeSent || payload->kind == 1) {
      std::unique_ptr<MessageRecord> message(static_cast<MessageRecord*>(payload->item));
      if (message) notice.messages.push_back(*message);
    }
    std::free(payload);
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.push_back(std::move(notice));
    return 0;
  }
  int32_t Note(CommandRecord& record, bool finish) {
    Progress progress;
    progress.finish = finish;
    progress.position = record.position;
    progress.total = record.total;
    progress.failed = record.value;
    if (record.data != nullptr) progress.text = static_cast<const wchar_t*>(record.data);
    std::lock_guard<std::mutex> lock(m_lock);
    m_progress.push_back(progress);
    return 0;
  }

  int64_t Operation(const wchar_t* phone, int64_t code, void* data = nullptr, int64_t value = 0) {
    CommandRecord record;
    record.code = code;
    record.text = phone;
    record.data = data;
    record.value = value;
    m_harness->Send(kCourierDoSms, record);
    return record.value;
  }
  bool WaitFor(const std::function<bool()>& done) {
    const ULONGLONG end = GetTickCount64() + kWaitMs;
    while (!done()) {
      if (GetTickCount64() > end) return false;
      Sleep(5);
    }
    return true;
  }
  bool WaitForFinish(size_t count = 1) {
    return WaitFor([&] { return Finishes() >= count; });
  }
  size_t Finishes() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return std::count_if(m_progress.begin(), m_progress.end(), [](const Progress& p) { return p.finish; });
  }
  std::vector<Notice> Notices(uint32_t kind) const {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<Notice> found;
    for (const Notice& notice : m_notices)
      if (notice.kind == kind) found.push_back(notice);
    return found;
  }
  std::vector<Progress> ProgressLog() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_progress;
  }
  int64_t FailedTotal() const {
    int64_t failed = 0;
    for (const Progress& p : ProgressLog()) failed += p.failed;
    return failed;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.clear();
    m_progress.clear();
  }
  std::vector<ConversationRecord> LoadList(const wchar_t* phone) {
    Clear();
    EXPECT_NE(Operation(phone, kSmsOpLoadList), 0);
    EXPECT_TRUE(WaitForFinish());
    std::vector<ConversationRecord> all;
    for (const Notice& batch : Notices(kSmsNoticeBatch))
      all.insert(all.end(), batch.conversations.begin(), batch.conversations.end());
    return all;
  }
  std::vector<MessageRecord> LoadConversation(const wchar_t* phone, const std::wstring& id) {
    Clear();
    ConversationRecord conversation;
    conversation.identifier = id;
    EXPECT_NE(Operation(phone, kSmsOpLoadConversation, &conversation), 0);
    EXPECT_TRUE(WaitForFinish());
    const std::vector<Notice> found = Notices(kSmsNoticeConversation);
    return found.empty() ? std::vector<MessageRecord>() : found[0].messages;
  }
  // The answer of the default-SMS-app question (kind 25): its `value`.
  int64_t AskDefault(const wchar_t* phone, int64_t pending, void* data) {
    Clear();
    Operation(phone, kSmsOpAskDefault, data, pending);
    EXPECT_TRUE(WaitFor([&] { return !Notices(kSmsNoticeDefaultAnswer).empty(); }));
    const Notice answer = Notices(kSmsNoticeDefaultAnswer).at(0);
    EXPECT_EQ(answer.code, pending);
    EXPECT_EQ(answer.data, data);  // carried back untouched
    return answer.value;
  }
  void ShowPopUp(const wchar_t* phone, int64_t pending, void* data) {
    Clear();
    Operation(phone, kSmsOpShowPopUp, data, pending);
    EXPECT_TRUE(WaitFor([&] { return !Notices(kSmsNoticePopUpShown).empty(); }));
    const Notice shown = Notices(kSmsNoticePopUpShown).at(0);
    EXPECT_EQ(shown.code, pending);
    EXPECT_EQ(shown.data, data);
  }
  static ConversationList* Checked(std::vector<ConversationRecord>& all, std::initializer_list<size_t> rows) {
    auto* list = new ConversationList;
    for (size_t row : rows) list->push_back(&all.at(row));
    return list;
  }

  std::filesystem::path m_folder;
  std::filesystem::path m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  mutable std::mutex m_lock;
  std::vector<Notice> m_notices;
  std::vector<Progress> m_progress;
};

}  // namespace

TEST_F(CourierMessages, TheListComesLatestFirstInBatchesWithProgressAndOneConversationWhole) {
  StartService();
  DeviceRecord* device = GetDevice(*m_harness, kOldPhone);
  const uint64_t count = device->counts[kKindMessages];
  EXPECT_GT(count, 1000u);
  std::vector<ConversationRecord> all = LoadList(kOldPhone);
  ASSERT_EQ(all.size(), 260u);
  const std::vector<Notice> batches = Notices(kSmsNoticeBatch);
  ASSERT_GE(batches.size(), 2u);
  for (const Notice& batch : batches) EXPECT_EQ(batch.taskId, batches[0].taskId);
  for (size_t i = 1; i < all.size(); ++i) EXPECT_GE(all[i - 1].date, all[i].date) << i;
  int64_t messages = 0;
  for (const ConversationRecord& conversation : all) messages += conversation.itemCount;
  EXPECT_EQ(static_cast<uint64_t>(messages), count);
  const Progress last = ProgressLog().back();
  EXPECT_TRUE(last.finish);
  EXPECT_EQ(last.position, static_cast<int64_t>(count));
  EXPECT_EQ(last.total, static_cast<int64_t>(count));
  EXPECT_EQ(device->loaded[kKindMessages].load(), count);

  const ConversationRecord* t7 = nullptr;
  for (const ConversationRecord& conversation : all)
    if (conversation.identifier == L"t7") t7 = &conversation;
  ASSERT_NE(t7, nullptr);
  EXPECT_EQ(t7->address, L"+47 400 10007");
  EXPECT_EQ(t7->unread, 1);
  EXPECT_EQ(t7->snippet.find(L'\n'), std::wstring::npos);  // the first line only
  std::vector<MessageRecord> thread = LoadConversation(kOldPhone, L"t7");
  ASSERT_EQ(thread.size(), static_cast<size_t>(t7->itemCount));
  EXPECT_EQ(thread[0].box, kMessageBoxInbox);
  EXPECT_EQ(thread[1].box, kMessageBoxSent);
  EXPECT_EQ(thread[0].conversationId, L"t7");
  EXPECT_EQ(thread[0].body, L"Melding 0 — Сообщение مرحبا 👋\nsecond line");

  // A conversation that is gone is a failure with a reason, not an empty thread.
  EXPECT_TRUE(LoadConversation(kOldPhone, L"no-such-thread").empty());
  EXPECT_EQ(FailedTotal(), 1);
  EXPECT_FALSE(ProgressLog().back().text.empty());
}

TEST_F(CourierMessages, ConversationsAreNamedAfterTheContactWithTheirNumberAndCarryTheirTexts) {
  StartService();
  std::vector<ConversationRecord> all = LoadList(kAcceptingPhone);
  ASSERT_EQ(all.size(), 3u);
  for (const ConversationRecord& conversation : all) {
    // The contact's number is written without the country prefix and with other separators.
    EXPECT_EQ(conversation.name, conversation.identifier == L"t1" ? L"Kari Nordmann" : conversation.address);
    // Every message's text, for the pane's search.
    EXPECT_EQ(static_cast<int64_t>(std::count(conversation.texts.begin(), conversation.texts.end(), L'\n')),
              2 * conversation.itemCount - 1);
    EXPECT_NE(conversation.texts.find(L"Melding " + std::to_wstring(conversation.itemCount - 1)), std::wstring::npos);
  }
}

TEST_F(CourierMessages, ACancelledLoadSendsNothingMoreAndTheNextLoadIsWhole) {
  StartService();
  const int64_t first = Operation(kOldPhone, kSmsOpLoadList);
  const int64_t second = Operation(kOldPhone, kSmsOpLoadList);  // waits behind the first
  ASSERT_NE(second, 0);
  ASSERT_NE(first, second);
  CommandRecord cancel;
  cancel.text = kOldPhone;
  cancel.value = second;
  m_harness->Send(kCourierDoCancel, cancel);
  ASSERT_TRUE(WaitForFinish());
  Sleep(300);
  EXPECT_EQ(Finishes(), 1u);
  for (const Notice& batch : Notices(kSmsNoticeBatch)) EXPECT_EQ(batch.taskId, first);
  EXPECT_EQ(LoadList(kOldPhone).size(), 260u);
}

TEST_F(CourierMessages, DeletesReportEachMessageThenTheEndAndAreKeptAcrossARestart) {
  StartService();
  const std::string shipped = ReadAll(m_dataFile);
  std::vector<ConversationRecord> all = LoadList(kOldPhone);
  const int64_t doomed = all[0].itemCount + all[1].itemCount;
  const std::wstring first = all[0].identifier;
  ConversationRecord missing;
  missing.identifier = L"missing";
  Clear();
  ConversationList* checked = Checked(all, {0, 1});
  checked->push_back(&missing);
  EXPECT_NE(Operation(kOldPhone, kSmsOpDelete, checked), 0);
  ASSERT_TRUE(WaitForFinish());
  const std::vector<Notice> deleted = Notices(kSmsNoticeDeleted);
  EXPECT_EQ(static_cast<int64_t>(deleted.size()), doomed);
  EXPECT_EQ(deleted.at(0).messages.at(0).conversationId, first);
  ASSERT_EQ(Notices(kSmsNoticeDeleteEnded).size(), 1u);
  EXPECT_EQ(FailedTotal(), 1);  // the missing conversation

  StopService();
  StartService();
  all = LoadList(kOldPhone);
  EXPECT_EQ(all.size(), 258u);
  for (const ConversationRecord& conversation : all) EXPECT_NE(conversation.identifier, first);
  EXPECT_EQ(ReadAll(m_dataFile), shipped);
}

TEST_F(CourierMessages, DefaultSmsAppAnswersFollowThePhone) {
  StartService();
  int marker = 0;                                              // the host's pending data, never read by the service
  EXPECT_EQ(AskDefault(kOldPhone, kSmsOpDelete, &marker), 1);  // below 4.4 nothing is needed
  EXPECT_EQ(AskDefault(kDefaultPhone, kSmsOpImport, &marker), 1);
  EXPECT_EQ(AskDefault(kAcceptingPhone, kSmsOpDelete, &marker), 0);

  // Not the default: the phone refuses the change and nothing is lost.
  std::vector<ConversationRecord> all = LoadList(kAcceptingPhone);
  Clear();
  Operation(kAcceptingPhone, kSmsOpDelete, Checked(all, {0}));
  ASSERT_TRUE(WaitForFinish());
  EXPECT_TRUE(Notices(kSmsNoticeDeleted).empty());
  EXPECT_EQ(FailedTotal(), all[0].itemCount);
  EXPECT_NE(ProgressLog().back().text.find(L"default SMS app"), std::wstring::npos);
  EXPECT_EQ(LoadList(kAcceptingPhone).size(), 3u);

  ShowPopUp(kAcceptingPhone, kSmsOpDelete, &marker);
  EXPECT_EQ(AskDefault(kAcceptingPhone, kSmsOpDelete, &marker), 1);
  all = LoadList(kAcceptingPhone);
  Clear();
  Operation(kAcceptingPhone, kSmsOpDelete, Checked(all, {0}));
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(static_cast<int64_t>(Notices(kSmsNoticeDeleted).size()), all[0].itemCount);
  Operation(kAcceptingPhone, kSmsOpGiveRoleBack);
  EXPECT_EQ(AskDefault(kAcceptingPhone, kSmsOpDelete, &marker), 0);

  ShowPopUp(kDecliningPhone, kSmsOpImport, &marker);
  EXPECT_EQ(AskDefault(kDecliningPhone, kSmsOpImport, &marker), 0);
  Operation(kDefaultPhone, kSmsOpGiveRoleBack);
  EXPECT_EQ(AskDefault(kDefaultPhone, kSmsOpImport, &marker), 1);  // it was the default before
}

TEST_F(CourierMessages, ABackupRestoresOnceAndDamagedOrForeignFilesLoseNothing) {
  StartService();
  std::vector<ConversationRecord> all = LoadList(kDefaultPhone);
  const uint64_t before = GetDevice(*m_harness, kDefaultPhone)->counts[kKindMessages];
  const std::filesystem::path backup = m_folder / "backup.bak";
  std::ofstream(backup, std::ios::binary)
      << "{\"format\": \"zorvane-steward-messages\", \"version\": 1, \"conversations\": [\n"
         "{\"id\": \"x1\", \"address\": \"+1 555 0100\", \"messages\": [{\"id\": \"m1-0\", \"box\": \"inbox\", "
         "\"date\": \"2025-01-02 03:04\", \"read\": false, \"body\": \"restored\"}, {\"id\": \"b2\", \"box\": "
         "\"sent\", \"date\": \"2025-01-02 03:05\", \"read\": true, \"body\": \"reply\"}]},\n"
         "{\"id\": \"x2\", \"address\": \"+1 555 0101\", \"messages\": [{\"id\": \"b3\", \"box\": \"nowhere\", "
         "\"date\": \"2025-01-02 03:06\", \"body\": \"bad box\"}]},\n"
         "]}\n";
  for (int pass = 0; pass < 2; ++pass) {
    Clear();
    EXPECT_NE(Operation(kDefaultPhone, kSmsOpImport, new PathList{backup.wstring()}), 0);
    ASSERT_TRUE(WaitForFinish());
    EXPECT_EQ(FailedTotal(), 1);  // the message with no box the phone knows
    EXPECT_EQ(Notices(kSmsNoticeImportEnded).size(), 1u);
  }
  EXPECT_NE(ProgressLog().back().text.find(L"2 messages were already on the phone"), std::wstring::npos);
  EXPECT_EQ(GetDevice(*m_harness, kDefaultPhone)->counts[kKindMessages].load(), before + 2);
  std::vector<ConversationRecord> after = LoadList(kDefaultPhone);
  ASSERT_EQ(after.size(), all.size() + 1);
  EXPECT_EQ(after[0].address, L"+1 555 0100");  // the latest conversation
  EXPECT_EQ(after[0].itemCount, 2);

  const std::filesystem::path foreign = m_folder / "foreign.json";
  std::ofstream(foreign, std::ios::binary) << "{\"something\": \"else\"}";
  const std::filesystem::path cut = m_folder / "cut.bak";
  std::ofstream(cut, std::ios::binary) << "{\"format\": \"zorvane-steward-messages\", \"version\": 1, "
                                          "\"conversations\": [\n{\"id\": \"c\", \"address\": \"+1\", \"mess";
  Clear();
  Operation(kDefaultPhone, kSmsOpImport,
            new PathList{foreign.wstring(), cut.wstring(), (m_folder / "missing.bak").wstring()});
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(FailedTotal(), 4);  // the foreign file, the damaged line and the cut end, the missing file
  EXPECT_EQ(LoadList(kDefaultPhone).size(), after.size());
}

TEST_F(CourierMessages, ASentMessageIsStoredAsSentAndBadTextIsRefused) {
  StartService();
  const uint64_t before = GetDevice(*m_harness, kOldPhone)->counts[kKindMessages];
  auto* message = new OutgoingMessage{{L"+4740010003", L"+44 20 7946 0000"}, L"Hei! 你好 👍"};
  Clear();
  EXPECT_NE(Operation(kOldPhone, kSmsOpSend, message), 0);
  ASSERT_TRUE(WaitFor([&] { return Notices(kSmsNoticeSent).size() == 2; }));
  const std::vector<Notice> sent = Notices(kSmsNoticeSent);
  EXPECT_EQ(sent[0].status, kNotificationSuccess);
  EXPECT_EQ(sent[0].messages.at(0).conversationId, L"t3");  // the number's conversation, however spaced
  EXPECT_EQ(sent[0].messages.at(0).box, kMessageBoxSent);
  EXPECT_FALSE(sent[1].messages.at(0).conversationId.empty());
  DeviceRecord* device = GetDevice(*m_harness, kOldPhone);
  EXPECT_TRUE(WaitFor([&] { return device->counts[kKindMessages].load() == before + 2; }));
  std::vector<MessageRecord> thread = LoadConversation(kOldPhone, L"t3");
  EXPECT_EQ(thread.back().body, L"Hei! 你好 👍");

  std::wstring huge(1024 * 1024, L'x');
  std::wstring broken = L"half a pair \xD83D here";
  for (const std::wstring& body : {huge, broken, std::wstring()}) {
    Clear();
    Operation(kOldPhone, kSmsOpSend, new OutgoingMessage{{L"+47 400 10003"}, body});
    ASSERT_TRUE(WaitFor([&] { return Notices(kSmsNoticeSent).size() == 1; }));
    const Notice refused = Notices(kSmsNoticeSent)[0];
    EXPECT_NE(refused.status, kNotificationSuccess);
    EXPECT_EQ(refused.messages.at(0).box, kMessageBoxDraft);
    EXPECT_FALSE(refused.messages.at(0).body.empty());
  }
  EXPECT_EQ(LoadConversation(kOldPhone, L"t3").size(), thread.size());
}

TEST_F(CourierMessages, ExportsWriteNewFilesOfEveryFormatAndTheXmlImportsBack) {
  StartService();
  std::vector<ConversationRecord> all = LoadList(kDefaultPhone);
  ASSERT_EQ(all.size(), 2u);
  const std::filesystem::path out = m_folder / "out";
  std::filesystem::create_directories(out);
  const std::wstring folder = out.wstring();
  auto exportAs = [&](int64_t subKind, ConversationList* checked, const std::wstring& where) {
    Clear();
    CommandRecord record;
    record.code = kSmsOpExportFirst + subKind - 1;
    record.text = kDefaultPhone;
    record.data = checked;
    record.payload = const_cast<wchar_t*>(where.c_str());
    m_harness->Send(kCourierDoSms, record);
    EXPECT_TRUE(WaitForFinish());
  };
  for (int64_t subKind = 1; subKind <= 9; ++subKind) {
    exportAs(subKind, Checked(all, {0, 1}), folder);
    EXPECT_EQ(FailedTotal(), 0) << subKind;
  }
  exportAs(5, Checked(all, {0}), folder);  // a second XML goes beside the first
  for (const char* name : {"Messages.bak", "Messages.html", "Messages.txt", "Messages.csv", "Messages.xml",
                           "Messages (2).bak", "Messages (2).xml"})
    EXPECT_TRUE(std::filesystem::exists(out / name)) << name;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out / "Messages"), {}), 2);
  EXPECT_TRUE(std::filesystem::exists(out / "Messages (2)" / (all[0].address + L".txt")));
  const std::string page = ReadAll(out / "Messages.html");
  EXPECT_NE(page.find("مرحبا"), std::string::npos);
  EXPECT_NE(ReadAll(out / "Messages.xml").find("<smses count="), std::string::npos);

  // The XML restores the phone's messages after they are deleted.
  Clear();
  Operation(kDefaultPhone, kSmsOpDelete, Checked(all, {0, 1}));
  ASSERT_TRUE(WaitForFinish());
  EXPECT_TRUE(LoadList(kDefaultPhone).empty());
  Clear();
  Operation(kDefaultPhone, kSmsOpImport, new PathList{(out / "Messages.xml").wstring()});
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(FailedTotal(), 0);
  std::vector<ConversationRecord> restored = LoadList(kDefaultPhone);
  ASSERT_EQ(restored.size(), 2u);
  EXPECT_EQ(restored[0].itemCount + restored[1].itemCount, all[0].itemCount + all[1].itemCount);

  exportAs(1, Checked(all, {0}), (m_folder / "gone").wstring());
  EXPECT_EQ(FailedTotal(), 1);
  EXPECT_NE(ProgressLog().back().text.find(L"is not there"), std::wstring::npos);
}

TEST_F(CourierMessages, MessagesTheDataFileScriptsArriveOnceThePhoneIsReadyAndAreKept) {
  StartService();
  const uint64_t before = GetDevice(*m_harness, kDefaultPhone)->counts[kKindMessages];
  CommandRecord echo;  // the host's router is up: the phones connect
  echo.value = 1;
  m_harness->Send(kCourierReadyStartServer, echo);
  ASSERT_TRUE(WaitFor([&] { return Notices(1).size() == 2; }));
  const std::vector<Notice> arrived = Notices(1);
  EXPECT_EQ(arrived[0].phone, kDefaultPhone);
  ASSERT_EQ(arrived[0].messages.size(), 1u);
  EXPECT_EQ(arrived[0].messages[0].conversationId, L"t1");  // the number's conversation, however spaced
  EXPECT_EQ(arrived[0].messages[0].box, kMessageBoxInbox);
  EXPECT_FALSE(arrived[0].messages[0].read);
  EXPECT_EQ(arrived[0].messages[0].body, L"Kommer snart 👋");
  EXPECT_EQ(GetDevice(*m_harness, kDefaultPhone)->counts[kKindMessages].load(), before + 2);
  // Phones without a script receive nothing.
  for (const Notice& notice : arrived) EXPECT_EQ(notice.phone, kDefaultPhone);

  StopService();
  StartService();
  std::vector<ConversationRecord> all = LoadList(kDefaultPhone);
  ASSERT_EQ(all.size(), 3u);
  // Both arrived this minute: the two conversations lead the list, the new one with its message unread.
  EXPECT_NE(all[2].address, L"+1 202 555 0147");
  const ConversationRecord& fresh = all[0].address == L"+1 202 555 0147" ? all[0] : all[1];
  EXPECT_EQ(fresh.address, L"+1 202 555 0147");
  EXPECT_EQ(fresh.itemCount, 1);
  EXPECT_EQ(fresh.unread, 1);
}
