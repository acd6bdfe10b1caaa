// The contacts controller driven through the bus. In-process fakes play the device service,
// the contacts pane and the navigator and record what the host sends them; the real alerts
// and progress dialog run and are answered from timers; the pickers are answered through
// their seams, and the real open-file dialog once through its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <dlgs.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"
#include "host/dialogs/UiAlertDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "host/dialogs/UiSheetDialog.h"
#include "tests/dialogs/DialogTestSupport.h"

// ---- which test-made objects are still alive ----
// Every delete in this program passes here, so a test can tell whether the host destroyed
// a record (or a vector) it made, and that nothing it handed on was destroyed.
namespace {
constexpr int kMaxTracked = 1024;
std::atomic_flag g_trackLock = ATOMIC_FLAG_INIT;
const void* g_tracked[kMaxTracked];
int g_trackedCount = 0;

struct TrackGuard {
  TrackGuard() {
    while (g_trackLock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~TrackGuard() { g_trackLock.clear(std::memory_order_release); }
};

template <class T>
T* Track(T* object) {
  TrackGuard guard;
  if (g_trackedCount < kMaxTracked) g_tracked[g_trackedCount++] = object;
  return object;
}

bool Alive(const void* object) {
  TrackGuard guard;
  for (int i = 0; i < g_trackedCount; ++i)
    if (g_tracked[i] == object) return true;
  return false;
}

void Forget(const void* object) {
  if (object == nullptr) return;
  TrackGuard guard;
  for (int i = 0; i < g_trackedCount; ++i)
    if (g_tracked[i] == object) {
      g_tracked[i] = g_tracked[--g_trackedCount];
      return;
    }
}
}  // namespace

// Blocks come from malloc, as the runtime's own allocations do, so either side may free them.
__attribute__((noinline)) void* operator new(std::size_t size) {
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
  Forget(p);
  std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept {
  Forget(p);
  std::free(p);
}

using namespace dialogtest;

namespace {

constexpr int64_t kTaskOfOperations = 0x100000007LL;  // a high word, so both halves travel
constexpr int64_t kTaskOfSave = 0x100000009LL;

struct Sent {
  std::string name;
  CommandRecord record;
  std::wstring text;  // the record's text lives only during the call
  SectionItemDescriptor item{};
};

// What the fake pane of one device view window holds.
struct FakePane {
  int64_t listTaskId = 0;
  OwnedPtrVector<ContactRecord> contacts;
  const void* groups = nullptr;
  std::vector<int64_t> saveEnded;
  std::vector<int64_t> saveTokens;  // the token each end of a save carried
};

std::vector<Sent> g_sent;
std::map<HWND, FakePane> g_panes;
DeviceRecord* g_device = nullptr;
std::vector<PathList> g_importedPaths;
std::vector<size_t> g_takenListSizes;

FakePane* PaneOf(HWND window) {
  auto it = g_panes.find(window);
  return it == g_panes.end() ? nullptr : &it->second;
}

void FakeCourier(const std::string& name, CommandRecord* r) {
  if (name == kCourierGetDevice) {
    if (g_device != nullptr && r->text != nullptr && g_device->identifier == r->text) r->payload = g_device;
  } else if (name == kCourierDoContact) {
    r->value = r->code == kContactOpSave ? kTaskOfSave : kTaskOfOperations;
    // The service takes the checked lists and path lists over.
    if (r->code == kContactOpDelete || (r->code >= kContactOpExportHtml && r->code <= kContactOpExportBackup)) {
      auto* list = static_cast<ContactList*>(r->data);
      g_takenListSizes.push_back(list->size());
      delete list;
    } else if (r->code == kContactOpImportVcard || r->code == kContactOpImportBackup) {
      auto* paths = static_cast<PathList*>(r->data);
      g_importedPaths.push_back(*paths);
      delete paths;
    }
  }
}

void FakeRolodex(const std::string& name, CommandRecord* r) {
  FakePane* pane = PaneOf(r->window);
  if (pane == nullptr) return;  // as the pane does for a window it does not know
  if (name == kRolodexGetListTaskId) {
    r->value = pane->listTaskId;
  } else if (name == kRolodexSetListTaskId) {
    pane->listTaskId = r->value;
  } else if (name == kRolodexClearData) {
    pane->contacts.DeleteAll();
  } else if (name == kRolodexAddContact && (r->code == kAddContactAppend || r->code == kAddContactInsertTop)) {
    for (ContactRecord* c : *static_cast<ContactList*>(r->payload))
      pane->contacts.insert(r->code == kAddContactAppend ? pane->contacts.end() : pane->contacts.begin(), c);
  } else if (name == kRolodexAddContact && r->code == kAddContactReplace) {
    auto* saved = static_cast<ContactRecord*>(r->payload);
    for (ContactRecord* c : pane->contacts)
      if (c->identifier == saved->identifier) c->name = saved->name;
  } else if (name == kRolodexDeleteContact) {
    auto* gone = static_cast<ContactRecord*>(r->payload);
    for (size_t i = 0; i < pane->contacts.size(); ++i)
      if (pane->contacts[i]->identifier == gone->identifier) {
        pane->contacts.DeleteAt(i);
        break;
      }
  } else if (name == kRolodexAddGroups) {
    pane->groups = r->payload;
  } else if (name == kRolodexDoContact && r->code == kContactPaneSaveEnded) {
    pane->saveEnded.push_back(r->value);
    pane->saveTokens.push_back(r->count);
  }
}

int32_t __cdecl FakeModules(CommandRecord* r) {
  Sent sent{r->name, *r, r->text != nullptr ? r->text : L"", {}};
  if (std::strcmp(r->name, kNavigatorUpdateItem) == 0 && r->payload != nullptr)
    sent.item = *static_cast<SectionItemDescriptor*>(r->payload);
  g_sent.push_back(sent);
  FakeCourier(r->name, r);
  FakeRolodex(r->name, r);
  return 0;
}

// ---- alerts, answered from a timer in the order the test expects them ----
struct SeenAlert {
  std::wstring text;
  int width = 0;
  int height = 0;
  bool twoButtons = false;
};
std::deque<bool> g_alertAnswers;  // true: OK; an alert with no answer left is closed
std::vector<SeenAlert> g_alerts;

BOOL CALLBACK FindAlert(HWND hwnd, LPARAM found) {
  auto* alert = dynamic_cast<UiAlertDialog*>(BASWindow::FromHandle(hwnd));
  if (alert == nullptr || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<UiAlertDialog**>(found) = alert;
  return FALSE;
}

void CALLBACK AnswerAlerts(HWND, UINT, UINT_PTR, DWORD) {
  UiAlertDialog* alert = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindAlert, reinterpret_cast<LPARAM>(&alert));
  if (alert == nullptr) return;
  wchar_t text[512] = {};
  GetWindowTextW(alert->Hwnd(), text, 512);
  RECT rect = WindowRect(alert->Hwnd());
  g_alerts.push_back({text, rect.right - rect.left, rect.bottom - rect.top, alert->HasTwoButtons()});
  const bool ok = !g_alertAnswers.empty() && g_alertAnswers.front();
  if (!g_alertAnswers.empty()) g_alertAnswers.pop_front();
  SendMessageW(ok ? alert->OkButton() : alert->CancelButton(), BM_CLICK, 0, 0);
  if (IsWindowVisible(alert->Hwnd())) PostMessageW(alert->Hwnd(), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kPaneMessage) {
    HandleRouterMessage(wp, lp);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void PumpPosted() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

class ContactsController : public ::testing::Test {
 protected:
  static inline HWND s_view = nullptr, s_deviceView = nullptr, s_pane = nullptr;
  static inline HWND s_strayView = nullptr, s_strayPane = nullptr;
  static inline UINT_PTR s_alertTimer = 0;

  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZsContactsTestView";
    RegisterClassW(&wc);
    s_view = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 50, 50, 900, 600, nullptr, nullptr,
                             nullptr, nullptr);
    s_deviceView =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 68, 900, 530, s_view, nullptr, nullptr, nullptr);
    s_pane = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 217, 1, 600, 500, s_deviceView, nullptr, nullptr,
                             nullptr);
    s_strayView = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, s_view, nullptr, nullptr, nullptr);
    s_strayPane = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, s_strayView, nullptr, nullptr, nullptr);
    Host().windows[kWindowMainView] = s_view;
    HWND key = reinterpret_cast<HWND>(0x7A01);
    Host().devices.BindWindow(key, s_deviceView);
    Host().devices.BindIdentifier(key, L"PHONE-A");
    CreateProgressDialogFor(s_deviceView);
    CreateHostDialogs(s_view);

    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* module = bus.AddModule(reinterpret_cast<HINSTANCE>(0x51000000), nullptr);
    module->moduleEntry = FakeModules;
    CommandRecord reg;
    for (const char* name :
         {kCourierGetDevice, kCourierDoContact, kCourierDoCancel, kNavigatorUpdateItem, kRolodexGetListTaskId,
          kRolodexClearData, kRolodexSetListTaskId, kRolodexAddContact, kRolodexDeleteContact, kRolodexAddGroups,
          kRolodexAddTypelabels, kRolodexAddAcconts, kRolodexDoContact})
      RegisterCommand(*module, reg, name);
    FillHandlerTable(bus);
    s_alertTimer = SetTimer(nullptr, 0, 30, AnswerAlerts);
  }

  static void TearDownTestSuite() {
    KillTimer(nullptr, s_alertTimer);
    DestroyHostDialogs();
    DestroyWindow(s_view);
  }

  void SetUp() override {
    ASSERT_NE(s_pane, nullptr) << "no display";
    ASSERT_NE(Progress(), nullptr);
    m_device.identifier = L"PHONE-A";
    m_device.counts[kKindContacts] = 5;
    g_device = &m_device;
    g_panes.clear();
    g_panes[s_deviceView];
    g_sent.clear();
    g_alerts.clear();
    g_alertAnswers.clear();
    g_importedPaths.clear();
    g_takenListSizes.clear();
    BASUserDefaults::StandardUserDefaults()->SetString("contact:export:dir", "");
  }

  void TearDown() override {
    SetFolderPicker(nullptr);
    SetFilesPicker(nullptr);
    if (UiProgressDialog* progress = Progress()) {
      progress->Reset();
      progress->Show(SW_HIDE);
    }
    g_panes.clear();
    g_device = nullptr;
  }

  static UiProgressDialog* Progress() { return ProgressDialogOf(s_deviceView); }

  // The pane's request, as the pane posts it.
  static void Request(int64_t code, int64_t value = 0, ContactList* checked = nullptr, const wchar_t* text = nullptr,
                      HWND pane = s_pane) {
    CommandRecord r;
    r.code = code;
    r.value = value;
    r.window = pane;
    r.text = text;
    r.data = checked;
    r.count = checked ? static_cast<int64_t>(checked->size()) : 0;
    CommandBus::Instance().Post(kRolodexDoContact, &r);
  }

  // The editor's save request with its token, as the pane posts it.
  static void RequestSave(ContactRecord& contact, int64_t token) {
    CommandRecord r;
    r.code = kContactRequestSave;
    r.value = token;
    r.window = s_pane;
    r.data = &contact;
    CommandBus::Instance().Post(kRolodexDoContact, &r);
  }

  // A device-service notification, posted as the service posts it; the router runs it.
  void Notify(uint32_t kind, void* item, int64_t taskId = 1, int32_t status = kNotificationSuccess, int64_t value = 0,
              int64_t code = 0, DeviceRecord* device = nullptr) {
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {kind, status, taskId, item, device ? device : &m_device};
    CommandRecord r;
    r.code = code;
    r.value = value;
    r.text = L"PHONE-A";
    r.payload = payload;
    CommandBus::Instance().Post(kCourierDoContact, &r);
    PumpPosted();
  }

  static ContactRecord* Contact(const wchar_t* identifier, const wchar_t* name = L"") {
    auto* c = Track(new ContactRecord);
    c->identifier = identifier;
    c->name = name;
    return c;
  }
  static ContactList* List(std::initializer_list<ContactRecord*> contacts) { return Track(new ContactList(contacts)); }

  static std::vector<std::string> SentNames() {
    std::vector<std::string> names;
    for (const Sent& s : g_sent) names.push_back(s.name);
    return names;
  }
  static std::vector<const Sent*> SentOf(const char* name) {
    std::vector<const Sent*> found;
    for (const Sent& s : g_sent)
      if (s.name == name) found.push_back(&s);
    return found;
  }
  static std::vector<std::wstring> PaneIdentifiers() {
    std::vector<std::wstring> ids;
    for (const ContactRecord* c : g_panes[s_deviceView].contacts) ids.push_back(c->identifier);
    return ids;
  }

  DeviceRecord m_device;
};

TEST_F(ContactsController, LoadShowsItsProgressAndASecondLoadReplacesTheFirstOnce) {
  Request(kContactRequestLoad);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kCourierGetDevice, kCourierDoContact}));
  EXPECT_EQ(g_sent[1].record.code, kContactOpLoad);
  EXPECT_EQ(g_sent[1].text, L"PHONE-A");
  EXPECT_TRUE(Progress()->IsShowing());
  EXPECT_EQ(Progress()->State().Text(), L"Loading Contacts");
  EXPECT_EQ(Progress()->State().Total(), 5);
  EXPECT_FALSE(Progress()->ShowsFolder());
  EXPECT_TRUE(Progress()->ClosesByItself());

  ContactRecord *a1 = Contact(L"a1"), *a2 = Contact(L"a2"), *a3 = Contact(L"a3");
  ContactList* firstBatch = List({a1, a2});
  g_sent.clear();
  Notify(kContactNoticeBatch, firstBatch, 11);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kRolodexGetListTaskId, kRolodexClearData, kRolodexSetListTaskId,
                                                   kRolodexAddContact}));
  EXPECT_EQ(g_sent[0].record.window, s_deviceView);
  EXPECT_FALSE(Alive(firstBatch)) << "the batch vector is the controller's to free";
  Notify(kContactNoticeBatch, List({a3}), 11);
  EXPECT_EQ(PaneIdentifiers(), (std::vector<std::wstring>{L"a1", L"a2", L"a3"}));
  EXPECT_EQ(g_panes[s_deviceView].listTaskId, 11);

  // The second load's first batch empties the list once; its later batches append.
  g_sent.clear();
  ContactRecord *b1 = Contact(L"b1"), *b2 = Contact(L"b2");
  Notify(kContactNoticeBatch, List({b1}), 12);
  Notify(kContactNoticeBatch, List({b2}), 12);
  EXPECT_EQ(SentOf(kRolodexClearData).size(), 1u);
  EXPECT_EQ(PaneIdentifiers(), (std::vector<std::wstring>{L"b1", L"b2"}));
  EXPECT_FALSE(Alive(a1) || Alive(a2) || Alive(a3));
  EXPECT_TRUE(Alive(b1) && Alive(b2)) << "streamed records are the pane's";
}

TEST_F(ContactsController, DeleteAsksWithThePluralOnlyForMoreThanOneAndCancelSendsNothing) {
  ContactRecord *c1 = Contact(L"c1"), *c2 = Contact(L"c2");
  ContactList* one = List({c1});
  g_alertAnswers = {false};
  Request(kContactRequestDelete, 0, one, L"Delete contacts");
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, L"Do you really want to delete the checked contact?");
  EXPECT_EQ(g_alerts[0].width, 400);
  EXPECT_EQ(g_alerts[0].height, 120);
  EXPECT_TRUE(g_alerts[0].twoButtons);
  EXPECT_TRUE(SentOf(kCourierDoContact).empty());
  EXPECT_FALSE(Progress()->IsShowing());
  EXPECT_FALSE(Alive(one)) << "a list that goes nowhere is freed";
  EXPECT_TRUE(Alive(c1)) << "its records stay the pane's";

  g_alertAnswers = {true};
  Request(kContactRequestDelete, 0, List({c1, c2}), L"Delete contacts");
  ASSERT_EQ(g_alerts.size(), 2u);
  EXPECT_EQ(g_alerts[1].text, L"Do you really want to delete the checked contacts?");
  auto ops = SentOf(kCourierDoContact);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kContactOpDelete);
  EXPECT_EQ(g_takenListSizes, (std::vector<size_t>{2}));
  EXPECT_TRUE(Progress()->IsShowing());
  EXPECT_EQ(Progress()->State().Text(), L"Delete contacts");
  EXPECT_EQ(Progress()->State().Total(), 2);
  EXPECT_TRUE(Progress()->ClosesByItself());
  EXPECT_FALSE(Progress()->ShowsFolder());

  // Cancel on the dialog stops the task the service returned.
  g_sent.clear();
  SendMessageW(Progress()->SecondButton(), BM_CLICK, 0, 0);
  PumpPosted();  // the button posts its click
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kCourierDoCancel}));
  EXPECT_EQ(g_sent[0].text, L"PHONE-A");
  EXPECT_EQ(g_sent[0].record.value, kTaskOfOperations);
  delete c1;
  delete c2;
}

TEST_F(ContactsController, NothingCheckedIsToldAndNoFolderIsAskedFor) {
  int pickerOpened = 0;
  SetFolderPicker([&](HWND, const std::wstring&) {
    ++pickerOpened;
    return std::wstring(L"C:\\");
  });
  ContactList* empty = List({});
  Request(kContactRequestExport, kContactExportVcf, empty, L"Export to Vcf");
  Request(kContactRequestDelete, 0, List({}), L"Delete contacts");
  Request(kContactRequestNothingChecked);
  ASSERT_EQ(g_alerts.size(), 3u);
  for (const SeenAlert& alert : g_alerts) {
    EXPECT_EQ(alert.text, L"Nothing is checked.");
    EXPECT_EQ(alert.width, 240);
    EXPECT_EQ(alert.height, 100);
    EXPECT_FALSE(alert.twoButtons);
  }
  EXPECT_EQ(pickerOpened, 0);
  EXPECT_TRUE(SentOf(kCourierDoContact).empty());
  EXPECT_FALSE(Alive(empty));
}

TEST_F(ContactsController, ExportStartsInTheRememberedFolderOnlyWhileItExists) {
  const std::wstring kept = TempPath(L"zs-contacts-export\\");
  CreateDirectoryW(kept.c_str(), nullptr);
  BASUserDefaults* store = BASUserDefaults::StandardUserDefaults();
  store->SetString("contact:export:dir", "C:\\zs-no-such-folder\\contacts");
  std::vector<std::wstring> offered;
  std::wstring answer = kept;
  SetFolderPicker([&](HWND owner, const std::wstring& initial) {
    EXPECT_EQ(owner, s_view);
    offered.push_back(initial);
    return answer;
  });
  ContactRecord* c = Contact(L"c1");
  Request(kContactRequestExport, kContactExportBackup, List({c}), L"Backup to Bak Files");
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0], L"") << "a vanished folder is not offered";
  auto ops = SentOf(kCourierDoContact);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kContactOpExportBackup);
  EXPECT_EQ(Progress()->Folder(), kept);
  EXPECT_TRUE(Progress()->ShowsFolder());
  EXPECT_FALSE(Progress()->ClosesByItself());
  EXPECT_EQ(Progress()->State().Text(), L"Backup to Bak Files");
  EXPECT_EQ(Progress()->State().Total(), 1);

  // The choice is remembered and offered next time; a cancelled choice sends nothing.
  answer.clear();
  g_sent.clear();
  ContactList* again = List({c});
  Request(kContactRequestExport, kContactExportHtml, again, L"Export to Html");
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_EQ(offered[1], kept);
  EXPECT_TRUE(SentOf(kCourierDoContact).empty());
  EXPECT_FALSE(Alive(again));
  RemoveDirectoryW(kept.c_str());
  delete c;
}

TEST_F(ContactsController, SaveResultsCountOnlyNewContactsAndEndTheSaveThatAskedWithItsToken) {
  g_panes[s_deviceView].contacts.push_back(Contact(L"old", L"Before"));
  ContactRecord editing;
  RequestSave(editing, 41);
  ContactRecord* fresh = Contact(L"new1");
  Notify(kContactNoticeSaved, fresh, kTaskOfSave, kNotificationSuccess, kSavedNewContact);
  EXPECT_EQ(m_device.counts[kKindContacts].load(), 6u);
  auto updates = SentOf(kNavigatorUpdateItem);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0]->item.id, kSectionContacts);
  EXPECT_EQ(updates[0]->item.count, 6);
  EXPECT_EQ(SentOf(kRolodexAddContact)[0]->record.code, kAddContactInsertTop);
  EXPECT_EQ(PaneIdentifiers(), (std::vector<std::wstring>{L"new1", L"old"}));
  EXPECT_TRUE(Alive(fresh));

  g_sent.clear();
  RequestSave(editing, 42);
  ContactRecord* edited = Contact(L"old", L"After");
  Notify(kContactNoticeSaved, edited, kTaskOfSave, kNotificationSuccess, kSavedEditedContact);
  EXPECT_EQ(m_device.counts[kKindContacts].load(), 6u);
  EXPECT_TRUE(SentOf(kNavigatorUpdateItem).empty());
  EXPECT_EQ(SentOf(kRolodexAddContact)[0]->record.code, kAddContactReplace);
  EXPECT_EQ(g_panes[s_deviceView].contacts[1]->name, L"After");
  EXPECT_FALSE(Alive(edited)) << "the pane copies an edit; the report is freed";

  RequestSave(editing, 43);
  ContactRecord* failed = Contact(L"x");
  Notify(kContactNoticeSaved, failed, kTaskOfSave, 0, kSavedNewContact);
  ContactRecord* odd = Contact(L"y");
  Notify(kContactNoticeSaved, odd, kTaskOfSave, kNotificationSuccess, 5);
  EXPECT_FALSE(Alive(failed) || Alive(odd));
  // A save result of a save nobody asked for (or already answered) is listed and ends none.
  ContactRecord* unasked = Contact(L"z");
  Notify(kContactNoticeSaved, unasked, kTaskOfSave, kNotificationSuccess, kSavedNewContact);
  EXPECT_EQ(m_device.counts[kKindContacts].load(), 7u);
  EXPECT_EQ(g_panes[s_deviceView].saveEnded, (std::vector<int64_t>{kSaveSucceeded, kSaveSucceeded, kSaveFailed}));
  EXPECT_EQ(g_panes[s_deviceView].saveTokens, (std::vector<int64_t>{41, 42, 43}));
}

// An import posts one notice per contact from the service's thread, faster than the UI thread
// takes them: a window's own message queue refuses posts beyond 10 000, the router's queue none.
TEST_F(ContactsController, AHundredThousandImportedContactsAllReachThePane) {
  constexpr int kImported = 100000;
  m_device.counts[kKindContacts] = 0;
  std::thread service([&] {
    for (int i = 0; i < kImported; ++i) {
      auto* contact = new ContactRecord;
      contact->identifier = L"i" + std::to_wstring(i);
      auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
      *payload = {kContactNoticeSaved, kNotificationSuccess, 3, contact, &m_device};
      CommandRecord r;
      r.value = kSavedNewContact;
      r.text = L"PHONE-A";
      r.payload = payload;
      CommandBus::Instance().Post(kCourierDoContact, &r);
    }
  });
  service.join();
  // Windows refuses posts beyond 10 000 waiting messages (Wine does not): the stream may hold
  // only a wake-up in the view's queue, whatever waits behind it.
  std::vector<MSG> waiting;
  MSG msg;
  while (PeekMessageW(&msg, s_view, kPaneMessage, kPaneMessage, PM_REMOVE)) waiting.push_back(msg);
  EXPECT_LE(waiting.size(), 1u);
  for (MSG& wake : waiting) DispatchMessageW(&wake);
  const DWORD start = GetTickCount();
  while (g_panes[s_deviceView].contacts.size() < static_cast<size_t>(kImported) && GetTickCount() - start < 120000) {
    g_sent.clear();  // what the bus saw is not the subject here, and would grow by the thousands
    PumpPosted();
    if (g_panes[s_deviceView].contacts.size() < static_cast<size_t>(kImported)) Sleep(5);
  }
  EXPECT_EQ(g_panes[s_deviceView].contacts.size(), static_cast<size_t>(kImported));
  EXPECT_EQ(m_device.counts[kKindContacts].load(), static_cast<uint64_t>(kImported));
}

BOOL CALLBACK FindSheet(HWND hwnd, LPARAM found) {
  if (auto* sheet = dynamic_cast<UiSheetDialog*>(BASWindow::FromHandle(hwnd))) {
    *reinterpret_cast<UiSheetDialog**>(found) = sheet;
    return FALSE;
  }
  return TRUE;
}

// A problem with the phone's saved changes is shown to the user, and a click opens the folder.
TEST_F(ContactsController, ANoticeForTheUserIsShownOnTheSheetAndOpensItsFolder) {
  Notify(kContactNoticeMessage, new UserNotice{L"The saved changes could not be read in full.", L"C:\\kept"});
  UiSheetDialog* sheet = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindSheet, reinterpret_cast<LPARAM>(&sheet));
  ASSERT_NE(sheet, nullptr);
  EXPECT_TRUE(IsWindowVisible(sheet->Hwnd()));
  EXPECT_EQ(sheet->Text(), L"The saved changes could not be read in full.");
  const std::wstring log = (std::filesystem::temp_directory_path() / "zs-notice-shell.txt").wstring();
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", log.c_str());
  ASSERT_TRUE(PumpUntil([&] { return sheet->IsFullyOpen(); }, 3000));
  SendMessageW(sheet->Link(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 8));
  SendMessageW(sheet->Link(), WM_LBUTTONUP, 0, MAKELPARAM(3, 8));
  PumpFor(50);
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", nullptr);
  std::ifstream in{std::filesystem::path(log)};
  std::string line;
  std::getline(in, line);
  EXPECT_NE(line.find("C:\\kept"), std::string::npos) << line;
  sheet->Show(SW_HIDE);
}

TEST_F(ContactsController, SaveRequestsGoToTheServiceOrFailAtOnceWithoutAPhone) {
  ContactRecord contact;
  CommandRecord r;
  r.code = kContactRequestSave;
  r.window = s_pane;
  r.data = &contact;
  CommandBus::Instance().Post(kRolodexDoContact, &r);
  auto ops = SentOf(kCourierDoContact);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kContactOpSave);
  EXPECT_EQ(ops[0]->record.data, &contact);
  EXPECT_TRUE(g_panes[s_deviceView].saveEnded.empty());

  // The phone went away: the editor hears of the failure instead of waiting.
  g_device = nullptr;
  g_sent.clear();
  r.value = 77;
  CommandBus::Instance().Post(kRolodexDoContact, &r);
  EXPECT_TRUE(SentOf(kCourierDoContact).empty());
  EXPECT_EQ(g_panes[s_deviceView].saveEnded, (std::vector<int64_t>{kSaveFailed}));
  EXPECT_EQ(g_panes[s_deviceView].saveTokens, (std::vector<int64_t>{77}));
}

TEST_F(ContactsController, DeletedContactLowersTheCountAndDropsTheDevicesOwnCopy) {
  m_device.contacts.push_back(new ContactRecord);
  m_device.contacts.back()->identifier = L"d1";
  m_device.contacts.push_back(new ContactRecord);
  m_device.contacts.back()->identifier = L"d2";
  g_panes[s_deviceView].contacts.push_back(Contact(L"d1"));
  ContactRecord* gone = Contact(L"d1");
  Notify(kContactNoticeDeleted, gone);
  EXPECT_EQ(m_device.counts[kKindContacts].load(), 4u);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kNavigatorUpdateItem, kRolodexDeleteContact}));
  EXPECT_EQ(g_sent[0].item.count, 4);
  ASSERT_EQ(m_device.contacts.size(), 1u);
  EXPECT_EQ(m_device.contacts[0]->identifier, L"d2");
  EXPECT_TRUE(PaneIdentifiers().empty());
  EXPECT_FALSE(Alive(gone)) << "DELETE_CONTACT leaves the record to the host";
}

TEST_F(ContactsController, SideListsReplaceTheDeviceRecordsListAndReachThePane) {
  auto* oldGroup = Track(new GroupRecord);
  m_device.groups.push_back(oldGroup);
  auto* group = new GroupRecord;
  group->identifier = L"g1";
  auto* groups = Track(new GroupList{group});
  Notify(kContactNoticeGroups, groups, 21);
  EXPECT_EQ(m_device.groupsTaskId, 21);
  ASSERT_EQ(m_device.groups.size(), 1u);
  EXPECT_EQ(m_device.groups[0], group);
  EXPECT_FALSE(Alive(oldGroup));
  EXPECT_FALSE(Alive(groups));
  EXPECT_EQ(g_panes[s_deviceView].groups, static_cast<const void*>(&m_device.groups));

  auto* account = new AccountRecord;
  Notify(kContactNoticeAccounts, new AccountList{account}, 22);
  Notify(kContactNoticeTypeLabels, new TypeLabelList{new TypeLabelRecord}, 23);
  EXPECT_EQ(m_device.accounts.size(), 1u);
  EXPECT_EQ(m_device.accountsTaskId, 22);
  EXPECT_EQ(m_device.typeLabels.size(), 1u);
  EXPECT_EQ(SentOf(kRolodexAddAcconts)[0]->record.payload, static_cast<void*>(&m_device.accounts));
  EXPECT_EQ(SentOf(kRolodexAddTypelabels).size(), 1u);
}

TEST_F(ContactsController, CountChangesGoOutAtOnceFromAnyThreadAndUnknownKindsAreDropped) {
  m_device.counts[kKindContacts] = 9;
  std::thread worker([&] {
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {kContactNoticeCount, kNotificationSuccess, 0, nullptr, &m_device};
    CommandRecord r;
    r.payload = payload;
    CommandBus::Instance().Post(kCourierDoContact, &r);
  });
  worker.join();
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kNavigatorUpdateItem}));
  EXPECT_EQ(g_sent[0].record.window, s_deviceView);
  EXPECT_EQ(g_sent[0].item.id, kSectionContacts);
  EXPECT_EQ(g_sent[0].item.count, 9);
  MSG msg;
  EXPECT_FALSE(PeekMessageW(&msg, s_view, kPaneMessage, kPaneMessage, PM_NOREMOVE)) << "nothing is posted";

  g_sent.clear();
  ContactRecord* ignored = Contact(L"z");
  Notify(kContactNoticeMessage + 1, ignored);
  Notify(250, nullptr);
  EXPECT_TRUE(g_sent.empty());
  EXPECT_FALSE(PeekMessageW(&msg, s_view, kPaneMessage, kPaneMessage, PM_NOREMOVE));
  delete ignored;  // an item of an unknown kind is nobody's to guess at
}

TEST_F(ContactsController, NoticesForAnUnknownWindowStillRunAndLeaveNothingBehind) {
  DeviceRecord stranger;
  stranger.identifier = L"PHONE-UNBOUND";
  stranger.counts[kKindContacts] = 2;
  ContactRecord* streamed = Contact(L"s1");
  ContactList* batch = List({streamed});
  Notify(kContactNoticeBatch, batch, 3, kNotificationSuccess, 0, 0, &stranger);
  EXPECT_FALSE(Alive(streamed) || Alive(batch)) << "no pane took them";

  ContactRecord* saved = Contact(L"s2");
  Notify(kContactNoticeSaved, saved, 3, kNotificationSuccess, kSavedNewContact, 0, &stranger);
  EXPECT_EQ(stranger.counts[kKindContacts].load(), 3u) << "the posted notice was handled";
  auto updates = SentOf(kNavigatorUpdateItem);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0]->record.window, nullptr);
  EXPECT_TRUE(SentOf(kRolodexAddContact).empty());
  EXPECT_FALSE(Alive(saved));
  EXPECT_TRUE(PaneIdentifiers().empty());

  // A request from a pane of no known phone does nothing and frees its list.
  g_sent.clear();
  ContactList* checked = List({});
  Request(kContactRequestExport, kContactExportVcf, checked, L"Export to Vcf", s_strayPane);
  Request(kContactRequestLoad, 0, nullptr, nullptr, s_strayPane);
  EXPECT_TRUE(g_sent.empty());
  EXPECT_TRUE(g_alerts.empty());
  EXPECT_FALSE(Alive(checked));
}

TEST_F(ContactsController, ImportAsksForTheKindsFilesAndSendsTheChosenPaths) {
  std::vector<OpenFilesQuery> queries;
  PathList answer;
  SetFilesPicker([&](const OpenFilesQuery& query) {
    queries.push_back(query);
    return answer;
  });
  Request(kContactRequestImport, kContactImportVcard, nullptr, L"Import vcard file(*.vcf)");
  ASSERT_EQ(queries.size(), 1u);
  EXPECT_EQ(queries[0].title, L"Please select VCard files.");
  ASSERT_EQ(queries[0].filters.size(), 1u);
  EXPECT_EQ(queries[0].filters[0].label, L"VCard File(*.vcf)");
  EXPECT_EQ(queries[0].filters[0].pattern, L"*.vcf");
  EXPECT_EQ(queries[0].owner, s_view);
  EXPECT_TRUE(SentOf(kCourierDoContact).empty()) << "a cancelled choice sends nothing";
  EXPECT_FALSE(Progress()->IsShowing());

  answer = {L"C:\\backup\\one.bak", L"C:\\backup\\two.json"};
  Request(kContactRequestImport, kContactImportBackup, nullptr, L"Restore from Backup File(*.bak,*.json)");
  ASSERT_EQ(queries.size(), 2u);
  EXPECT_EQ(queries[1].title, L"Please select Backup Files.");
  ASSERT_EQ(queries[1].filters.size(), 2u);
  EXPECT_EQ(queries[1].filters[0].label, L"Backup File(*.bak)");
  EXPECT_EQ(queries[1].filters[1].label, L"Json File(*.json)");
  EXPECT_EQ(queries[1].filters[1].pattern, L"*.json");
  auto ops = SentOf(kCourierDoContact);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kContactOpImportBackup);
  ASSERT_EQ(g_importedPaths.size(), 1u);
  EXPECT_EQ(g_importedPaths[0], answer);
  EXPECT_TRUE(Progress()->IsShowing());
  EXPECT_FALSE(Progress()->ShowsFolder());
  EXPECT_FALSE(Progress()->ClosesByItself());
  EXPECT_EQ(Progress()->State().Text(), L"Restore from Backup File(*.bak,*.json)");
}

TEST_F(ContactsController, ImportedContactsFollowTheListedOnesInTheFilesOrderAndEndNoSave) {
  g_panes[s_deviceView].contacts.push_back(Contact(L"old", L"Before"));
  SetFilesPicker([](const OpenFilesQuery&) { return PathList{L"C:\\cards\\three.vcf"}; });
  Request(kContactRequestImport, kContactImportVcard, nullptr, L"Import vcard file(*.vcf)");
  ASSERT_EQ(SentOf(kCourierDoContact).size(), 1u);
  const uint64_t before = m_device.counts[kKindContacts].load();
  // The service reports the file's contacts one by one, first to last, under the import's task.
  for (const wchar_t* id : {L"card1", L"card2", L"card3"})
    Notify(kContactNoticeSaved, Contact(id), kTaskOfOperations, kNotificationSuccess, kSavedNewContact);
  EXPECT_EQ(PaneIdentifiers(), (std::vector<std::wstring>{L"old", L"card1", L"card2", L"card3"}));
  EXPECT_EQ(m_device.counts[kKindContacts].load(), before + 3);
  EXPECT_TRUE(g_panes[s_deviceView].saveEnded.empty()) << "an import ended an editor's save";

  // A contact saved from the editor still goes on top and ends the save.
  ContactRecord typed;
  RequestSave(typed, 5);
  Notify(kContactNoticeSaved, Contact(L"typed"), kTaskOfSave, kNotificationSuccess, kSavedNewContact);
  EXPECT_EQ(PaneIdentifiers().front(), L"typed");
  EXPECT_EQ(g_panes[s_deviceView].saveEnded, (std::vector<int64_t>{kSaveSucceeded}));
  EXPECT_EQ(g_panes[s_deviceView].saveTokens, (std::vector<int64_t>{5}));
  SetFilesPicker(nullptr);
}

TEST(FileSelection, OnePathOrAFolderWithNamesAndNothingBeyondTheBuffer) {
  const wchar_t single[] = L"C:\\data\\one.vcf\0";
  EXPECT_EQ(ParseFileSelection(single, sizeof single / sizeof single[0]), (PathList{L"C:\\data\\one.vcf"}));
  const wchar_t many[] = L"C:\\data\0a.vcf\0b.vcf\0";
  EXPECT_EQ(ParseFileSelection(many, sizeof many / sizeof many[0]), (PathList{L"C:\\data\\a.vcf", L"C:\\data\\b.vcf"}));
  const wchar_t root[] = L"C:\\\0a.vcf\0b.vcf\0";
  EXPECT_EQ(ParseFileSelection(root, sizeof root / sizeof root[0]), (PathList{L"C:\\a.vcf", L"C:\\b.vcf"}));
  const wchar_t cut[] = {L'C', L':', L'\\', L'd', L'\0', L'a', L'\0', L'b', L'b'};
  EXPECT_EQ(ParseFileSelection(cut, 9), (PathList{L"C:\\d\\a"})) << "a name cut off by the buffer end is dropped";
  EXPECT_TRUE(ParseFileSelection(L"\0", 1).empty());
  EXPECT_EQ(FilterString({{L"VCard File(*.vcf)", L"*.vcf"}}), std::wstring(L"VCard File(*.vcf)\0*.vcf\0\0", 25));
}

// The real open-file dialog, answered through its window: two files typed into its name box.
TEST(SystemFilesPicker, ReturnsEveryChosenFileWithItsFolder) {
  const std::wstring folder = TempPath(L"zs-contacts-import");
  CreateDirectoryW(folder.c_str(), nullptr);
  for (const wchar_t* name : {L"\\a.vcf", L"\\b.vcf"}) {
    HANDLE file = CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
  }
  wchar_t previous[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous);
  SetCurrentDirectoryW(folder.c_str());
  ModalScript script(
      [] {
        HWND dialog = FindWindowW(L"#32770", L"Please select VCard files.");
        return dialog != nullptr && IsWindowVisible(dialog);
      },
      [] {
        HWND dialog = FindWindowW(L"#32770", L"Please select VCard files.");
        SetDlgItemTextW(dialog, cmb13, L"\"a.vcf\" \"b.vcf\"");
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      },
      [] { return FindWindowW(L"#32770", L"Please select VCard files."); });
  OpenFilesQuery query;
  query.title = L"Please select VCard files.";
  query.filters = {{L"VCard File(*.vcf)", L"*.vcf"}};
  PathList chosen = SystemPickFiles(query);
  SetCurrentDirectoryW(previous);
  EXPECT_TRUE(script.Ran());
  ASSERT_EQ(chosen.size(), 2u);
  wchar_t full[MAX_PATH] = {};
  GetFullPathNameW(folder.c_str(), MAX_PATH, full, nullptr);
  EXPECT_EQ(chosen[0], std::wstring(full) + L"\\a.vcf");
  EXPECT_EQ(chosen[1], std::wstring(full) + L"\\b.vcf");
  DeleteFileW((folder + L"\\a.vcf").c_str());
  DeleteFileW((folder + L"\\b.vcf").c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
