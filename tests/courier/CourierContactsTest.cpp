// The phones' contacts as the device service serves them, through its plug-in edge: streamed
// loads, saves kept across restarts, deletes, exports and imports, cancelling.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/TaskRecords.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr wchar_t kPhone[] = L"CT-PHONE-1";

// One phone with three contacts of its own and `generated` more.
std::string PhoneFile(size_t generated) {
  return R"({"format": 1, "phones": [{"identifier": "CT-PHONE-1", "displayName": "Contact phone",
    "model": "C-1", "androidVersion": "12", "battery": {"percent": 80},
    "phoneMemory": {"totalBytes": 1000, "freeBytes": 10}, "storageMemory": {"totalBytes": 0, "freeBytes": 0},
    "connection": [{"status": 22}],
    "accounts": [{"name": "ann@mail.example", "type": "com.google"}],
    "groups": [{"id": "g1", "title": "Family", "accountType": "com.google"},
               {"id": "g2", "title": "Work", "accountType": "com.google"}],
    "contacts": [
      {"id": "c1", "name": "Joanne Åberg", "account": "ann@mail.example", "groups": ["g1"],
       "phones": [{"label": "Mobile", "number": "+46 70 111 22 33"}, {"label": "Work", "number": "+46 8 555 000"}],
       "emails": [{"label": "Home", "address": "joanne@mail.example"}], "note": "Line one\nline two; with, marks"},
      {"id": "c2", "name": "Дмитрий Соколов", "phones": [{"label": "Home", "number": "+7 495 123 45 67"}]},
      {"id": "c3", "name": "李小龍", "emails": [{"label": "Work", "address": "lee@mail.example"}]}
    ],
    "generatedContacts": )" +
         std::to_string(generated) + "}]}";
}

// What one DO_CONTACT notification carried, copied out before its records were freed.
struct Notice {
  uint32_t kind = 0;
  int32_t status = 0;
  int64_t taskId = 0;
  int64_t value = 0;
  std::vector<ContactRecord> contacts;  // batches, saves and deletes
  size_t listSize = 0;                  // groups, type labels, accounts
  UserNotice message;                   // a notice for the user
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

class CourierContacts : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::path(TempFolder()) / ("contacts-" + std::to_string(GetTickCount64()));
    std::filesystem::create_directories(m_folder / "state");
    std::filesystem::create_directories(m_folder / "out");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "state").wstring().c_str());
  }
  void TearDown() override {
    StopService();
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  void StartService(size_t generated = 0) {
    m_dataFile = m_folder / "phones.json";
    if (!std::filesystem::exists(m_dataFile)) std::ofstream(m_dataFile, std::ios::binary) << PhoneFile(generated);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", m_dataFile.wstring().c_str());
    m_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCourier")));
    m_harness->SetHook(kCourierDoContact, [this](CommandRecord& record) { return Take(record); });
    m_harness->SetHook(kCourierNotifyProgress, [this](CommandRecord& record) { return Note(record, false); });
    m_harness->SetHook(kCourierNotifyProgressFinish, [this](CommandRecord& record) { return Note(record, true); });
    // The entry lives only for the call, as the host's task list copies it.
    m_harness->SetHook(kCourierLogTask, [this](CommandRecord& record) {
      if (record.payload == nullptr) return 0;
      std::lock_guard<std::mutex> lock(m_lock);
      m_tasks.push_back(*static_cast<const TaskEntry*>(record.payload));
      return 0;
    });
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    ASSERT_NE(GetDevice(*m_harness, kPhone), nullptr);
  }
  void StopService() {
    if (!m_harness) return;
    Destroy(*m_harness);
    m_harness.reset();
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.clear();
    m_progress.clear();
  }

  // As the host's last handler: copy what the notification says, then free it all.
  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    Notice notice;
    notice.kind = payload->kind;
    notice.status = payload->status;
    notice.taskId = payload->taskId;
    notice.value = record.value;
    if (payload->kind == kContactNoticeBatch) {
      std::unique_ptr<ContactList> batch(static_cast<ContactList*>(payload->item));
      for (ContactRecord* contact : *batch) {
        notice.contacts.push_back(*contact);
        delete contact;
      }
    } else if (payload->kind == kContactNoticeSaved || payload->kind == kContactNoticeDeleted) {
      std::unique_ptr<ContactRecord> contact(static_cast<ContactRecord*>(payload->item));
      if (contact) notice.contacts.push_back(*contact);
    } else if (payload->kind == kContactNoticeMessage) {
      std::unique_ptr<UserNotice> message(static_cast<UserNotice*>(payload->item));
      if (message) notice.message = *message;
    } else if (payload->kind == kContactNoticeGroups) {
      OwnedPtrVector<GroupRecord> list;
      std::unique_ptr<GroupList> items(static_cast<GroupList*>(payload->item));
      list.assign(items->begin(), items->end());
      notice.listSize = list.size();
    } else if (payload->kind == kContactNoticeTypeLabels) {
      OwnedPtrVector<TypeLabelRecord> list;
      std::unique_ptr<TypeLabelList> items(static_cast<TypeLabelList*>(payload->item));
      list.assign(items->begin(), items->end());
      notice.listSize = list.size();
    } else if (payload->kind == kContactNoticeAccounts) {
      OwnedPtrVector<AccountRecord> list;
      std::unique_ptr<AccountList> items(static_cast<AccountList*>(payload->item));
      list.assign(items->begin(), items->end());
      notice.listSize = list.size();
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

  int64_t Operation(int64_t code, void* data = nullptr, void* payload = nullptr) {
    CommandRecord record;
    record.code = code;
    record.text = kPhone;
    record.data = data;
    record.payload = payload;
    m_harness->Send(kCourierDoContact, record);
    return record.value;
  }
  bool WaitForFinish(size_t count = 1) {
    const ULONGLONG end = GetTickCount64() + kWaitMs;
    while (Finishes() < count) {
      if (GetTickCount64() > end) return false;
      Sleep(5);
    }
    return true;
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
    m_tasks.clear();
  }
  std::vector<TaskEntry> TaskLog() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_tasks;
  }
  // A full load; the contacts in the order they were streamed.
  std::vector<ContactRecord> LoadAll() {
    Clear();
    EXPECT_NE(Operation(kContactOpLoad), 0);
    EXPECT_TRUE(WaitForFinish());
    std::vector<ContactRecord> all;
    for (const Notice& batch : Notices(kContactNoticeBatch))
      all.insert(all.end(), batch.contacts.begin(), batch.contacts.end());
    return all;
  }
  static const ContactRecord* Named(const std::vector<ContactRecord>& contacts, const std::wstring& name) {
    for (const ContactRecord& contact : contacts)
      if (contact.name == name) return &contact;
    return nullptr;
  }

  std::filesystem::path m_folder;
  std::filesystem::path m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  mutable std::mutex m_lock;
  std::vector<Notice> m_notices;
  std::vector<Progress> m_progress;
  std::vector<TaskEntry> m_tasks;
};

ContactDataRow* NewRow(const wchar_t* mimetype, const wchar_t* label, const wchar_t* value, int32_t state) {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->newTypeLabel = label;
  row->newValue = value;
  row->editState = state;
  return row;
}

}  // namespace

TEST_F(CourierContacts, LoadSendsTheSideListsThenEveryContactInBatchesWithProgress) {
  StartService(1234);
  std::vector<ContactRecord> all = LoadAll();
  ASSERT_EQ(all.size(), 1237u);
  EXPECT_EQ(all[0].identifier, L"c1");
  EXPECT_EQ(all[0].phone, L"+46 70 111 22 33");
  ASSERT_FALSE(all[0].dataRows.empty());
  EXPECT_EQ(all[0].dataRows[0]->mimetype, kMimeName);
  EXPECT_EQ(all[0].groups, std::vector<std::wstring>{L"g1"});

  const std::vector<Notice> batches = Notices(kContactNoticeBatch);
  ASSERT_GE(batches.size(), 3u);
  for (const Notice& batch : batches) EXPECT_EQ(batch.taskId, batches[0].taskId);
  EXPECT_EQ(Notices(kContactNoticeGroups).at(0).listSize, 2u);
  EXPECT_EQ(Notices(kContactNoticeAccounts).at(0).listSize, 1u);
  EXPECT_GE(Notices(kContactNoticeTypeLabels).at(0).listSize, 4u);
  const Progress last = ProgressLog().back();
  EXPECT_TRUE(last.finish);
  EXPECT_EQ(last.position, 1237);
  EXPECT_EQ(last.total, 1237);
  EXPECT_EQ(GetDevice(*m_harness, kPhone)->counts[kKindContacts].load(), 1237u);
}

TEST_F(CourierContacts, CancelStopsARunningLoadAndTheNextLoadIsWhole) {
  StartService(50000);
  const int64_t task = Operation(kContactOpLoad);
  ASSERT_NE(task, 0);
  CommandRecord cancel;
  cancel.text = kPhone;
  cancel.value = task;
  m_harness->Send(kCourierDoCancel, cancel);
  Sleep(1000);
  size_t streamed = 0;
  for (const Notice& batch : Notices(kContactNoticeBatch)) streamed += batch.contacts.size();
  EXPECT_LT(streamed, 50003u);
  EXPECT_EQ(Finishes(), 0u);
  EXPECT_EQ(LoadAll().size(), 50003u);
}

TEST_F(CourierContacts, SavesAreAnsweredAndKeptAcrossARestartWithoutTouchingTheDataFile) {
  StartService();
  const std::string shipped = ReadAll(m_dataFile);
  std::vector<ContactRecord> all = LoadAll();
  Clear();

  ContactRecord fresh;
  fresh.editState = kEditNew;
  fresh.rowIndex = 0;
  fresh.dataRows.push_back(NewRow(kMimeName, L"", L"Nils\n\nHolm", kEditNew));
  fresh.dataRows.push_back(NewRow(kMimePhone, L"Mobile", L"+47 900 00 000", kEditNew));
  fresh.groupsToJoin = {L"g2"};
  Operation(kContactOpSave, &fresh);

  ContactRecord edited = *Named(all, L"Дмитрий Соколов");
  edited.rowIndex = 1;
  for (ContactDataRow* row : edited.dataRows) {
    if (row->mimetype != kMimePhone) continue;
    row->editState = kEditChanged;
    row->newValue = L"+7 495 765 43 21";
    row->newTypeCode = row->oldTypeCode;
    row->newTypeLabel = row->oldTypeLabel;
  }
  Operation(kContactOpSave, &edited);

  ContactRecord gone;
  gone.identifier = L"no-such-contact";
  gone.dataRows.push_back(NewRow(kMimePhone, L"Home", L"1", kEditChanged));
  Operation(kContactOpSave, &gone);

  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (Notices(kContactNoticeSaved).size() < 3 && GetTickCount64() < end) Sleep(5);
  const std::vector<Notice> saves = Notices(kContactNoticeSaved);
  ASSERT_EQ(saves.size(), 3u);
  EXPECT_EQ(saves[0].value, kSavedNewContact);
  EXPECT_EQ(saves[0].status, kNotificationSuccess);
  ASSERT_EQ(saves[0].contacts.size(), 1u);
  EXPECT_EQ(saves[0].contacts[0].name, L"Nils Holm");
  EXPECT_FALSE(saves[0].contacts[0].identifier.empty());
  EXPECT_EQ(saves[1].value, kSavedEditedContact);
  EXPECT_EQ(saves[1].status, kNotificationSuccess);
  EXPECT_EQ(saves[1].contacts.at(0).phone, L"+7 495 765 43 21");
  EXPECT_EQ(saves[1].contacts.at(0).rowIndex, 1);
  EXPECT_EQ(saves[2].value, kSavedEditedContact);
  EXPECT_NE(saves[2].status, kNotificationSuccess);

  StopService();
  StartService();
  all = LoadAll();
  EXPECT_EQ(all.size(), 4u);
  const ContactRecord* nils = Named(all, L"Nils Holm");
  ASSERT_NE(nils, nullptr);
  EXPECT_EQ(nils->phone, L"+47 900 00 000");
  EXPECT_EQ(nils->groups, std::vector<std::wstring>{L"g2"});
  EXPECT_EQ(Named(all, L"Дмитрий Соколов")->phone, L"+7 495 765 43 21");
  EXPECT_EQ(ReadAll(m_dataFile), shipped);
}

// Everything the editor can change in one save: name parts, a custom type label, a changed and
// a deleted row, a new row, a group left and one joined, the account. All of it is kept, loaded
// again, and written by each kind of export.
TEST_F(CourierContacts, AnEditorsEveryChangeIsKeptAndCarriedByEveryExport) {
  StartService();
  std::vector<ContactRecord> all = LoadAll();
  ContactRecord edited = *Named(all, L"Joanne Åberg");
  edited.rowIndex = 0;
  for (ContactDataRow* row : edited.dataRows) {
    row->editState = kEditUnchanged;
    if (row->mimetype == kMimeName) {
      row->editState = kEditChanged;
      row->newValue = L"Joanne\nMaria\nÅberg-Lind";
    } else if (row->mimetype == kMimePhone && row->oldTypeLabel == L"Mobile") {
      row->editState = kEditChanged;
      row->newValue = row->oldValue;
      row->newTypeCode = L"0";
      row->newTypeLabel = L"Cabin";
    } else if (row->mimetype == kMimePhone) {
      row->editState = kEditDeleted;
    } else if (row->mimetype == kMimeEmail) {
      row->editState = kEditChanged;
      row->newValue = L"jo@new.example";
      row->newTypeCode = L"2";
      row->newTypeLabel = L"Work";
    }
  }
  edited.dataRows.push_back(NewRow(kMimeWebsite, L"", L"jo.example", kEditNew));
  edited.groupsToLeave = {L"g1"};
  edited.groupsToJoin = {L"g2"};
  edited.accountChosen = 1;
  edited.accountName.clear();
  edited.accountType.clear();
  Clear();
  Operation(kContactOpSave, &edited);
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (Notices(kContactNoticeSaved).empty() && GetTickCount64() < end) Sleep(5);
  ASSERT_EQ(Notices(kContactNoticeSaved).size(), 1u);
  ASSERT_EQ(Notices(kContactNoticeSaved)[0].status, kNotificationSuccess);

  all = LoadAll();
  const ContactRecord* joanne = Named(all, L"Joanne Maria Åberg-Lind");
  ASSERT_NE(joanne, nullptr);
  EXPECT_EQ(joanne->identifier, L"c1");
  EXPECT_EQ(joanne->groups, std::vector<std::wstring>{L"g2"});
  EXPECT_TRUE(joanne->accountName.empty());
  std::vector<std::wstring> rows;
  for (const ContactDataRow* row : joanne->dataRows)
    if (row->mimetype != kMimeName) rows.push_back(row->oldTypeLabel + L":" + row->oldValue);
  EXPECT_NE(std::find(rows.begin(), rows.end(), L"Cabin:+46 70 111 22 33"), rows.end());
  EXPECT_NE(std::find(rows.begin(), rows.end(), L"Work:jo@new.example"), rows.end());
  EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                          [](const std::wstring& r) {
                            return r.find(L"jo.example") != std::wstring::npos && r.find(L"@") == std::wstring::npos;
                          }),
            1);
  for (const std::wstring& row : rows)
    EXPECT_EQ(row.find(L"+46 8 555 000"), std::wstring::npos) << "a deleted row came back";

  const std::wstring out = (m_folder / "out").wstring();
  ContactRecord copy = *joanne;
  for (int64_t operation : {kContactOpExportVcf, kContactOpExportHtml, kContactOpExportBackup}) {
    Clear();
    Operation(operation, new ContactList{&copy}, const_cast<wchar_t*>(out.c_str()));
    ASSERT_TRUE(WaitForFinish());
    EXPECT_EQ(FailedTotal(), 0);
  }
  for (const char* file : {"Contacts.vcf", "Contacts.html", "Contacts.bak"}) {
    const std::string text = ReadAll(m_folder / "out" / file);
    ASSERT_FALSE(text.empty()) << file;
    for (const char* kept : {"Maria", "Cabin", "jo@new.example", "jo.example"})
      EXPECT_NE(text.find(kept), std::string::npos) << file << " lacks " << kept;
    EXPECT_EQ(text.find("555 000"), std::string::npos) << file << " holds the deleted number";
  }
}

TEST_F(CourierContacts, DeleteReportsEachContactWithItsRowAndCountsTheMissingOnes) {
  StartService();
  std::vector<ContactRecord> all = LoadAll();
  Clear();
  ContactRecord missing;
  missing.identifier = L"missing";
  all[2].rowIndex = 2;
  all[0].rowIndex = 0;
  auto* checked = new ContactList{&all[2], &missing, &all[0]};
  EXPECT_NE(Operation(kContactOpDelete, checked), 0);
  ASSERT_TRUE(WaitForFinish());
  const std::vector<Notice> deleted = Notices(kContactNoticeDeleted);
  ASSERT_EQ(deleted.size(), 2u);
  EXPECT_EQ(deleted[0].contacts.at(0).identifier, L"c3");
  EXPECT_EQ(deleted[0].contacts.at(0).rowIndex, 2);
  EXPECT_EQ(deleted[1].contacts.at(0).identifier, L"c1");
  EXPECT_EQ(FailedTotal(), 1);
  EXPECT_EQ(LoadAll().size(), 1u);
}

TEST_F(CourierContacts, ExportsWriteNewFilesAndReportAVanishedFolder) {
  StartService();
  std::vector<ContactRecord> all = LoadAll();
  const std::wstring out = (m_folder / "out").wstring();
  for (int64_t operation : {kContactOpExportVcf, kContactOpExportVcf, kContactOpExportHtml, kContactOpExportBackup}) {
    Clear();
    Operation(operation, new ContactList{&all[0], &all[1], &all[2]}, const_cast<wchar_t*>(out.c_str()));
    ASSERT_TRUE(WaitForFinish());
    EXPECT_EQ(FailedTotal(), 0);
    EXPECT_EQ(ProgressLog().back().position, 3);
  }
  EXPECT_TRUE(std::filesystem::exists(m_folder / "out" / "Contacts.vcf"));
  EXPECT_TRUE(std::filesystem::exists(m_folder / "out" / L"Contacts (2).vcf"));
  EXPECT_NE(ReadAll(m_folder / "out" / "Contacts.html").find("Joanne"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(m_folder / "out" / "Contacts.bak"));

  Clear();
  const std::wstring vanished = (m_folder / "gone").wstring();
  Operation(kContactOpExportHtml, new ContactList{&all[0]}, const_cast<wchar_t*>(vanished.c_str()));
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(FailedTotal(), 1);
  EXPECT_FALSE(ProgressLog().back().text.empty() && ProgressLog().front().text.empty());
}

// The task list hears of every titled job as it starts and ends, with its phone, its counts,
// how it ended and an export's folder; and the checked tasks are written out as a CSV file.
TEST_F(CourierContacts, JobsAreLoggedForTheTaskListWhichCanBeWrittenOut) {
  StartService();
  std::vector<ContactRecord> all = LoadAll();
  std::vector<TaskEntry> log = TaskLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.front().title, L"Load contacts");
  EXPECT_EQ(log.front().state, kTaskRunning);
  EXPECT_FALSE(log.front().phone.empty());
  EXPECT_EQ(log.back().state, kTaskFinished);
  EXPECT_EQ(log.back().taskId, log.front().taskId);

  Clear();
  const std::wstring out = (m_folder / "tasks").wstring();
  std::filesystem::create_directories(m_folder / "tasks");
  Operation(kContactOpExportVcf, new ContactList{&all[0]}, const_cast<wchar_t*>(out.c_str()));
  ASSERT_TRUE(WaitForFinish());
  Clear();
  const std::wstring gone = (m_folder / "gone").wstring();
  Operation(kContactOpExportVcf, new ContactList{&all[0]}, const_cast<wchar_t*>(gone.c_str()));
  ASSERT_TRUE(WaitForFinish());
  log = TaskLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().title, L"Export contacts");
  EXPECT_EQ(log.back().state, kTaskFailed);
  EXPECT_EQ(log.back().folder, gone);
  EXPECT_EQ(log.back().failed, 1);
  EXPECT_FALSE(log.back().message.empty());

  // EXPORT_TASK reads the list during the call and reports through the task pane's dialog.
  Clear();
  TaskEntryList tasks(2);
  tasks[0].phone = L"Lena's \"Aster\", 13";
  tasks[0].title = L"Export contacts";
  tasks[0].state = kTaskFinished;
  tasks[1].phone = L"Ж";
  tasks[1].state = kTaskCancelled;
  CommandRecord record;
  record.text = out.c_str();
  record.value = 2;
  record.data = &tasks;
  m_harness->Send(kCourierExportTask, record);
  tasks.clear();
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(FailedTotal(), 0);
  const std::string csv = ReadAll(m_folder / "tasks" / "Tasks.csv");
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBFPhone,Task,", 0), 0u);
  EXPECT_NE(csv.find("\"Lena's \"\"Aster\"\", 13\",Export contacts,0,0,0,Finished"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\xD0\x96,,0,0,0,Cancelled"), std::string::npos) << csv;
  // A second export takes the next free name; a vanished folder is one failure with its reason.
  Clear();
  tasks.resize(1);
  m_harness->Send(kCourierExportTask, record);
  ASSERT_TRUE(WaitForFinish());
  EXPECT_TRUE(std::filesystem::exists(m_folder / "tasks" / "Tasks (2).csv"));
  Clear();
  record.text = gone.c_str();
  m_harness->Send(kCourierExportTask, record);
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(FailedTotal(), 1);
  EXPECT_FALSE(ProgressLog().back().text.empty());
}

TEST_F(CourierContacts, ImportsAddGoodCardsCountBadOnesAndRestoreABackupOnce) {
  StartService();
  std::vector<ContactRecord> all = LoadAll();
  const std::wstring out = (m_folder / "out").wstring();
  Clear();
  Operation(kContactOpExportBackup, new ContactList{&all[0], &all[1]}, const_cast<wchar_t*>(out.c_str()));
  ASSERT_TRUE(WaitForFinish());

  const std::filesystem::path cards = m_folder / "out" / "cards.vcf";
  std::ofstream(cards, std::ios::binary)
      << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kari Nordmann\r\nTEL;TYPE=CELL:+47 111\r\n"
         "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=UTF-8;ENCODING=QUOTED-"
         "PRINTABLE:=C3=85se;=\r\nPer\r\nEND:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\n";
  Clear();
  auto* paths = new PathList{cards.wstring(), (m_folder / "out" / "missing.vcf").wstring()};
  EXPECT_NE(Operation(kContactOpImportVcard, paths), 0);
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(Notices(kContactNoticeSaved).size(), 2u);
  EXPECT_EQ(FailedTotal(), 2);  // the unfinished card and the missing file

  // Deleting one contact and restoring the backup brings it back; nothing is doubled.
  all = LoadAll();
  const size_t joanneRows = all[0].dataRows.size();
  Clear();
  Operation(kContactOpDelete, new ContactList{&all[0]});
  ASSERT_TRUE(WaitForFinish());
  for (int pass = 0; pass < 2; ++pass) {
    Clear();
    Operation(kContactOpImportBackup, new PathList{(m_folder / "out" / "Contacts.bak").wstring()});
    ASSERT_TRUE(WaitForFinish());
    EXPECT_EQ(FailedTotal(), 0);
  }
  all = LoadAll();
  EXPECT_EQ(all.size(), 5u);
  const ContactRecord* joanne = Named(all, L"Joanne Åberg");
  ASSERT_NE(joanne, nullptr);
  EXPECT_EQ(joanne->identifier, L"c1");
  EXPECT_EQ(joanne->groups, std::vector<std::wstring>{L"g1"});
  EXPECT_EQ(joanne->dataRows.size(), joanneRows);
}

TEST_F(CourierContacts, OperationsOnAnUnknownPhoneStartNothing) {
  StartService();
  CommandRecord record;
  record.code = kContactOpLoad;
  record.text = L"NO-SUCH-PHONE";
  m_harness->Send(kCourierDoContact, record);
  ASSERT_TRUE(WaitForFinish());
  EXPECT_TRUE(Notices(kContactNoticeBatch).empty());
  record.text = nullptr;
  record.value = 77;
  m_harness->Send(kCourierDoContact, record);
  EXPECT_EQ(record.value, 0);
}

TEST_F(CourierContacts, APhoneThatBecomesReadyAnnouncesItsContactsCount) {
  StartService(7);
  CommandRecord echo;
  echo.value = 1;  // the host's echo of READY_START_SERVER: the phones connect
  m_harness->Send(kCourierReadyStartServer, echo);
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (Notices(kContactNoticeCount).empty() && GetTickCount64() < end) Sleep(5);
  ASSERT_EQ(Notices(kContactNoticeCount).size(), 1u);
  EXPECT_EQ(GetDevice(*m_harness, kPhone)->counts[kKindContacts].load(), 10u);
}

TEST_F(CourierContacts, ImportingThePeopleThePhoneHoldsAgainSkipsThemAndSaysHowMany) {
  StartService();
  const std::filesystem::path cards = m_folder / "out" / "cards.vcf";
  // Kari twice in one file; Dmitry as the phone holds him, his number written another way.
  std::ofstream(cards, std::ios::binary)
      << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kari Nordmann\r\nTEL;TYPE=CELL:+47 111\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kari Nordmann\r\nTEL;TYPE=CELL:+47111\r\nEND:VCARD\r\n"
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9 "
         "\xD0\xA1\xD0\xBE\xD0\xBA\xD0\xBE\xD0\xBB\xD0\xBE\xD0\xB2\r\nTEL;TYPE=HOME:+7 (495) 123-45-67\r\n"
         "END:VCARD\r\nBEGIN:VCARD\r\nVERSION:3.0\r\nFN:Kari Nordmann\r\nTEL;TYPE=CELL:+47 222\r\nEND:VCARD\r\n";
  Operation(kContactOpImportVcard, new PathList{cards.wstring()});
  ASSERT_TRUE(WaitForFinish());
  std::vector<Notice> added = Notices(kContactNoticeSaved);
  ASSERT_EQ(added.size(), 2u) << "Kari once, and Kari with another number";
  EXPECT_EQ(ProgressLog().back().text, L"2 contacts were already on the phone and not added again.");

  Clear();
  Operation(kContactOpImportVcard, new PathList{cards.wstring()});
  ASSERT_TRUE(WaitForFinish());
  EXPECT_TRUE(Notices(kContactNoticeSaved).empty());
  EXPECT_EQ(ProgressLog().back().text, L"4 contacts were already on the phone and not added again.");
  EXPECT_EQ(FailedTotal(), 0);
  EXPECT_EQ(LoadAll().size(), 5u);
}

TEST_F(CourierContacts, SavedChangesThatCannotBeReadAreKeptAsideAndToldOnceWhenThePhoneIsReady) {
  const std::filesystem::path copy = m_folder / "state" / "CT-PHONE-1.contacts.json";
  std::ofstream(copy, std::ios::binary) << "{\"format\": \"zorvane-steward-contacts\", \"version\": 1, \"contacts\": [";
  StartService();
  EXPECT_TRUE(std::filesystem::exists(m_folder / "state" / "CT-PHONE-1.contacts.json.corrupt"));
  CommandRecord echo;
  echo.value = 1;  // the host's echo of READY_START_SERVER: the phones connect
  m_harness->Send(kCourierReadyStartServer, echo);
  const ULONGLONG end = GetTickCount64() + kWaitMs;
  while (Notices(kContactNoticeMessage).empty() && GetTickCount64() < end) Sleep(5);
  const std::vector<Notice> told = Notices(kContactNoticeMessage);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_NE(told[0].message.text.find(L"Saved contacts of Contact phone could not be read"), std::wstring::npos)
      << told[0].message.text;
  EXPECT_NE(told[0].message.text.find(L"CT-PHONE-1.contacts.json.corrupt"), std::wstring::npos);
  EXPECT_EQ(std::filesystem::path(told[0].message.folder), m_folder / "state");
  EXPECT_EQ(LoadAll().size(), 3u) << "nothing could be read: the phone's own contacts";
}

// A code that is no operation of a kind starts nothing and tells nothing; the next load runs.
TEST_F(CourierContacts, ACodeThatIsNoOperationStartsNothing) {
  StartService();
  DeviceRecord* device = GetDevice(*m_harness, kPhone);
  CommandRecord record;
  record.text = kPhone;
  Clear();
  for (const char* name :
       {kCourierDoSms, kCourierDoPhoto, kCourierDoMusic, kCourierDoVideo, kCourierDoEbook, kCourierDoApp}) {
    record.code = 9999;  // not a load: nothing starts, nothing is told
    m_harness->Send(name, record);
  }
  record.code = LoadCodeOfSection(kSectionBooks);
  m_harness->Send(kCourierDoEbook, record);
  ASSERT_TRUE(WaitForFinish());
  EXPECT_EQ(ProgressLog().size(), 1u);
  EXPECT_EQ(device->loaded[kKindBooks].load(), std::max<uint64_t>(1, device->counts[kKindBooks]));
}

// A change the PC could not keep is reported as failed with its reason, never as done.
TEST_F(CourierContacts, ADeleteThatCannotBeKeptOnThePcIsCountedAsFailed) {
  std::ofstream(m_folder / "blocker") << "a file where the folder of the copies would be";
  SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "blocker" / "state").wstring().c_str());
  StartService();
  std::vector<ContactRecord> all = LoadAll();
  Clear();
  Operation(kContactOpDelete, new ContactList{&all[0], &all[1]});
  ASSERT_TRUE(WaitForFinish());
  const Progress last = ProgressLog().back();
  EXPECT_EQ(last.failed, 2);
  EXPECT_NE(last.text.find(L"could not be kept on this PC"), std::wstring::npos) << last.text;
}

// Every card of a big file arrives as a new contact, none lost on the way to the host.
TEST_F(CourierContacts, AHundredThousandCardImportAddsEveryContact) {
  constexpr int kCards = 100000;
  StartService();
  const std::filesystem::path cards = m_folder / "out" / "many.vcf";
  {
    std::ofstream out(cards, std::ios::binary);
    for (int i = 0; i < kCards; ++i)
      out << "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Person " << i << "\r\nTEL;TYPE=CELL:+1 555 " << i << "\r\nEND:VCARD\r\n";
  }
  Operation(kContactOpImportVcard, new PathList{cards.wstring()});
  const ULONGLONG end = GetTickCount64() + 120000;
  while (Finishes() == 0 && GetTickCount64() < end) Sleep(20);
  ASSERT_EQ(Finishes(), 1u);
  EXPECT_EQ(Notices(kContactNoticeSaved).size(), static_cast<size_t>(kCards));
  EXPECT_EQ(FailedTotal(), 0);
  EXPECT_EQ(GetDevice(*m_harness, kPhone)->counts[kKindContacts].load(), 3u);  // the host counts new ones
  StopService();
  StartService();
  EXPECT_EQ(GetDevice(*m_harness, kPhone)->counts[kKindContacts].load(), 3u + kCards) << "kept across a restart";
}
