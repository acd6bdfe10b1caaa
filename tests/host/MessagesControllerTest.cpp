// The messages controller driven through the bus. In-process fakes play the device service,
// the messages and contacts panes and the navigator; the real alerts and progress dialog run
// and are answered from a timer; the file picker is answered through its seam. One phone
// reports Android 4.4 and needs the default-SMS-app handshake, the other 4.3 and never sees it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MessageRecords.h"
#include "host/CommandBus.h"
#include "host/FilePickers.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"
#include "host/dialogs/UiAlertDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/host/ControllerTestSupport.h"

using namespace dialogtest;
using namespace controllertest;

namespace {

constexpr int64_t kTask = 0x200000009LL;
constexpr wchar_t kPopUpText[] =
    L"Please confirm the pop-up window on your phone by clicking \"Yes\".\n\nWhy should I do this?\nWith Android 4.4 "
    L"KITKAT came a new feature -- system-wide SMS handling.\nNow any app that wants to restore, import or delete SMS "
    L"must be set as the default SMS app.\n";

struct Sent {
  std::string name;
  CommandRecord record;
  std::wstring text;
  SectionItemDescriptor item{};
};

std::vector<Sent> g_sent;
DeviceRecord* g_devices[2] = {};
std::vector<size_t> g_takenLists;  // sizes of the lists the fake service took over
int64_t g_paneTaskId = 0;
std::vector<std::wstring> g_paneConversations;
PickedContactList* g_picked = nullptr;  // what the contacts pane leaves in `payload`

void FakeCourier(const std::string& name, CommandRecord* r) {
  if (name == kCourierGetDevice) {
    for (DeviceRecord* device : g_devices)
      if (device != nullptr && r->text != nullptr && device->identifier == r->text) r->payload = device;
  } else if (name == kCourierDoSms) {
    r->value = kTask;
    // The service takes lists over with the operations that change messages.
    if (r->code == kSmsOpDelete || (r->code >= kSmsOpExportFirst && r->code <= kSmsOpExportLast)) {
      auto* list = static_cast<ConversationList*>(r->data);
      g_takenLists.push_back(list->size());
      delete list;
    } else if (r->code == kSmsOpImport) {
      auto* paths = static_cast<PathList*>(r->data);
      g_takenLists.push_back(paths->size());
      delete paths;
    }
  }
}

void FakePanes(const std::string& name, CommandRecord* r) {
  if (name == kTextsGetConversationListTaskId) {
    r->value = g_paneTaskId;
  } else if (name == kTextsSetConversationListTaskId) {
    g_paneTaskId = r->value;
  } else if (name == kTextsClearData) {
    g_paneConversations.clear();
  } else if (name == kTextsAddSms) {
    for (ConversationRecord* c : *static_cast<ConversationList*>(r->payload)) {
      g_paneConversations.push_back(c->identifier);
      delete c;
    }
  } else if (name == kRolodexDoContact && r->code == kContactPaneSelectNumbers) {
    r->payload = g_picked;
    g_picked = nullptr;
  } else if (name == kTextsDoSms && r->code == 14) {
    delete static_cast<PickedContactList*>(r->payload);
  }
}

int32_t __cdecl FakeModules(CommandRecord* r) {
  Sent sent{r->name, *r, r->text != nullptr ? r->text : L"", {}};
  if (std::strcmp(r->name, kNavigatorUpdateItem) == 0 && r->payload != nullptr)
    sent.item = *static_cast<SectionItemDescriptor*>(r->payload);
  g_sent.push_back(sent);
  FakeCourier(r->name, r);
  FakePanes(r->name, r);
  return 0;
}

class MessagesController : public ::testing::Test {
 protected:
  // [0]: Android 4.4, [1]: Android 4.3.
  static inline HWND s_view = nullptr, s_deviceViews[2] = {}, s_panes[2] = {};
  static inline UINT_PTR s_timer = 0;

  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZsMessagesTestView";
    RegisterClassW(&wc);
    s_view = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 50, 50, 900, 600, nullptr, nullptr,
                             nullptr, nullptr);
    Host().windows[kWindowMainView] = s_view;
    const wchar_t* identifiers[2] = {L"KITKAT-1", L"JELLY-1"};
    for (int i = 0; i < 2; ++i) {
      s_deviceViews[i] =
          CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 68, 900, 530, s_view, nullptr, nullptr, nullptr);
      s_panes[i] = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 217, 1, 600, 500, s_deviceViews[i],
                                   nullptr, nullptr, nullptr);
      HWND key = reinterpret_cast<HWND>(0x7B01 + i);
      Host().devices.BindWindow(key, s_deviceViews[i]);
      Host().devices.BindIdentifier(key, identifiers[i]);
      CreateProgressDialogFor(s_deviceViews[i]);
    }
    CreateHostDialogs(s_view);
    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* module = bus.AddModule(reinterpret_cast<HINSTANCE>(0x52000000), nullptr);
    module->moduleEntry = FakeModules;
    CommandRecord reg;
    for (const char* name : {kCourierGetDevice, kCourierDoSms, kCourierDoCancel, kNavigatorUpdateItem,
                             kTextsGetConversationListTaskId, kTextsClearData, kTextsSetConversationListTaskId,
                             kTextsAddSms, kTextsDeleteSms, kTextsDoSms, kRolodexDoContact})
      RegisterCommand(*module, reg, name);
    FillHandlerTable(bus);
    s_timer = SetTimer(nullptr, 0, 30, AnswerAlerts);
  }

  static void TearDownTestSuite() {
    KillTimer(nullptr, s_timer);
    DestroyHostDialogs();
    DestroyWindow(s_view);
  }

  void SetUp() override {
    ASSERT_NE(s_view, nullptr) << "no display";
    m_new.identifier = L"KITKAT-1";
    m_new.androidVersion = L"4.4";
    m_old.identifier = L"JELLY-1";
    m_old.androidVersion = L"4.3";
    for (DeviceRecord* device : {&m_new, &m_old}) {
      device->counts[kKindMessages] = 40;
      device->counts[kKindContacts] = 7;
    }
    g_devices[0] = &m_new;
    g_devices[1] = &m_old;
    g_sent.clear();
    g_alerts.clear();
    g_alertAnswers.clear();
    g_takenLists.clear();
    g_paneTaskId = 0;
    g_paneConversations.clear();
  }

  void TearDown() override {
    SetFilesPicker(nullptr);
    for (HWND view : s_deviceViews) {
      if (UiProgressDialog* progress = ProgressDialogOf(view)) {
        progress->Reset();
        progress->Show(SW_HIDE);
      }
    }
    g_devices[0] = g_devices[1] = nullptr;
  }

  static UiProgressDialog* Progress(int phone) { return ProgressDialogOf(s_deviceViews[phone]); }

  static void Request(int phone, int64_t code, ConversationList* checked = nullptr, const wchar_t* text = nullptr) {
    CommandRecord r;
    r.code = code;
    r.window = s_panes[phone];
    r.text = text;
    r.data = checked;
    r.count = checked ? static_cast<int64_t>(checked->size()) : 0;
    CommandBus::Instance().Post(kTextsDoSms, &r);
  }

  // A device-service notice, posted as the service posts it; the router runs it.
  void Notify(int phone, uint32_t kind, void* item, int64_t code = 0, int64_t value = 0, void* data = nullptr,
              int64_t taskId = 1, const char* name = kCourierDoSms) {
    DeviceRecord* device = phone == 0 ? &m_new : &m_old;
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {kind, kNotificationSuccess, taskId, item, device};
    CommandRecord r;
    r.code = code;
    r.value = value;
    r.data = data;
    r.text = device->identifier.c_str();
    r.payload = payload;
    CommandBus::Instance().Post(name, &r);
    PumpPosted();
  }

  static std::vector<const Sent*> SentOf(const char* name) {
    std::vector<const Sent*> found;
    for (const Sent& s : g_sent)
      if (s.name == name) found.push_back(&s);
    return found;
  }
  static std::vector<std::string> SentNames() {
    std::vector<std::string> names;
    for (const Sent& s : g_sent)
      if (s.name != kCourierGetDevice) names.push_back(s.name);
    return names;
  }
  static ConversationList* Checked(int conversations) {
    auto* list = new ConversationList;
    for (int i = 0; i < conversations; ++i) list->push_back(nullptr);  // the records stay the pane's
    return list;
  }

  DeviceRecord m_new;
  DeviceRecord m_old;
};

}  // namespace

TEST_F(MessagesController, ADeleteOnAndroid44AsksForTheRoleFirstAndOnAnOlderPhoneDeletesAtOnce) {
  g_alertAnswers = {true};
  ConversationList* checked = Checked(2);
  Request(0, kSmsRequestDelete, checked, L"Delete");
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, L"Do you really want to delete the checked messages?");
  EXPECT_EQ(g_alerts[0].width, 400);
  EXPECT_EQ(g_alerts[0].height, 120);
  auto ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpAskDefault);
  EXPECT_EQ(ops[0]->record.value, kSmsOpDelete);
  EXPECT_EQ(ops[0]->record.data, checked) << "the list waits in the handshake";
  EXPECT_FALSE(Progress(0)->IsShowing());

  g_alertAnswers = {true};
  g_sent.clear();
  Request(1, kSmsRequestDelete, Checked(1), L"Delete");
  EXPECT_EQ(g_alerts.back().text, L"Do you really want to delete the checked message?");
  ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpDelete);
  EXPECT_EQ(g_takenLists, (std::vector<size_t>{1}));
  EXPECT_TRUE(Progress(1)->IsShowing());
  EXPECT_EQ(Progress(1)->State().Text(), L"Delete Messages");
  EXPECT_TRUE(Progress(1)->ClosesByItself());

  // The end of a change gives nothing back on the old phone.
  g_sent.clear();
  size_t alerts = g_alerts.size();
  Notify(1, kSmsNoticeDeleteEnded, nullptr);
  EXPECT_TRUE(SentOf(kCourierDoSms).empty());
  EXPECT_EQ(g_alerts.size(), alerts);
  delete checked;
}

TEST_F(MessagesController, TheHandshakeRunsThePendingDeleteOnlyAfterTheUserConfirms) {
  ConversationList* pending = Checked(3);
  // Not the default yet: the phone is told at once to show its pop-up.
  Notify(0, kSmsNoticeDefaultAnswer, nullptr, kSmsOpDelete, 0, pending);
  auto ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpShowPopUp);
  EXPECT_EQ(ops[0]->record.value, kSmsOpDelete);
  EXPECT_EQ(ops[0]->record.data, pending);
  EXPECT_EQ(ops[0]->text, L"KITKAT-1");

  // The pop-up alert answered OK asks again.
  g_sent.clear();
  g_alertAnswers = {true};
  Notify(0, kSmsNoticePopUpShown, nullptr, kSmsOpDelete, 0, pending);
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, kPopUpText);
  EXPECT_EQ(g_alerts[0].width, 540);
  EXPECT_GE(g_alerts[0].height, 200);  // taller when the text needs it
  EXPECT_TRUE(g_alerts[0].twoButtons);
  ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpAskDefault);
  EXPECT_EQ(ops[0]->record.value, kSmsOpDelete);

  // Default now: the delete runs with its progress.
  g_sent.clear();
  Notify(0, kSmsNoticeDefaultAnswer, nullptr, kSmsOpDelete, 1, pending);
  ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpDelete);
  EXPECT_EQ(g_takenLists, (std::vector<size_t>{3}));
  EXPECT_EQ(Progress(0)->State().Text(), L"Delete Messages");
  EXPECT_EQ(Progress(0)->State().Total(), 3);

  // Its end gives the role back and says so.
  g_sent.clear();
  Notify(0, kSmsNoticeDeleteEnded, nullptr);
  ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpGiveRoleBack);
  EXPECT_EQ(g_alerts.back().text,
            L"Please confirm the pop-up window on your phone by clicking \"Yes\" to set the default SMS app back.");
  EXPECT_EQ(g_alerts.back().width, 480);
  EXPECT_EQ(g_alerts.back().height, 120);
}

TEST_F(MessagesController, DecliningThePopUpOrAnAnswerForAnotherOperationSendsNothing) {
  Progress(0)->Reset();
  Progress(0)->Show(SW_HIDE);
  g_alertAnswers = {false};
  Notify(0, kSmsNoticePopUpShown, nullptr, kSmsOpImport, 0, new PathList{L"C:\\a.bak"});
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_TRUE(SentOf(kCourierDoSms).empty());
  EXPECT_FALSE(Progress(0)->IsShowing());

  int marker = 0;
  Notify(0, kSmsNoticeDefaultAnswer, nullptr, kSmsOpLoadList, 1, &marker);
  Notify(0, kSmsNoticeDefaultAnswer, nullptr, kSmsOpLoadList, 0, &marker);
  EXPECT_TRUE(SentOf(kCourierDoSms).empty());
  EXPECT_FALSE(Progress(0)->IsShowing());
}

TEST_F(MessagesController, ImportOnAnOldPhoneRunsAtOnceAndAnEmptyChoiceSendsNothing) {
  PathList answer;
  SetFilesPicker([&](const OpenFilesQuery& query) {
    EXPECT_EQ(query.title, L"Please select Backup Files.");
    EXPECT_EQ(query.filters.size(), 3u);  // our backups, JSON and the SMS backup apps' XML
    return answer;
  });
  Request(1, kSmsRequestImport);
  EXPECT_TRUE(SentOf(kCourierDoSms).empty());

  answer = {L"C:\\one.bak", L"C:\\two.json"};
  Request(1, kSmsRequestImport);
  auto ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpImport);
  EXPECT_EQ(g_takenLists, (std::vector<size_t>{2}));
  EXPECT_EQ(Progress(1)->State().Text(), L"Import Messages");

  g_sent.clear();
  Request(0, kSmsRequestImport);
  ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpAskDefault);
  EXPECT_EQ(ops[0]->record.value, kSmsOpImport);
  delete static_cast<PathList*>(ops[0]->record.data);
}

TEST_F(MessagesController, OpeningMessagesLoadsContactsFirstThenTellsBothPanesInOrder) {
  Request(0, kSmsRequestOpen);
  auto ops = SentOf(kCourierDoSms);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kSmsOpLoadContacts);
  EXPECT_EQ(Progress(0)->State().Text(), L"Loading Contacts");
  EXPECT_EQ(Progress(0)->State().Total(), 7);
  EXPECT_TRUE(SentOf(kRolodexDoContact).empty());

  g_sent.clear();
  g_picked = new PickedContactList{{L"Ann", L"+47 1"}};
  Notify(0, kSmsNoticeContactsLoaded, nullptr);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kRolodexDoContact, kTextsDoSms}));
  ASSERT_EQ(g_sent.size(), 2u);
  EXPECT_EQ(g_sent[0].record.code, kContactPaneSelectNumbers);
  EXPECT_EQ(g_sent[0].record.window, s_deviceViews[0]);
  EXPECT_EQ(g_sent[1].record.code, 14);
  EXPECT_NE(g_sent[1].record.payload, nullptr) << "the picked recipients go on to the messages pane";

  // Contacts loaded already: both at once, nothing loaded.
  g_sent.clear();
  m_old.loaded[kKindContacts] = 7;
  Request(1, kSmsRequestOpen);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kRolodexDoContact, kTextsDoSms}));
}

TEST_F(MessagesController, BatchesOfTwoLoadsNeverMixAndDeletesAndCountsReachTheNavigator) {
  Request(1, kSmsRequestLoadList);
  EXPECT_EQ(Progress(1)->State().Text(), L"Loading Messages");
  EXPECT_EQ(Progress(1)->State().Total(), 40);
  auto conversation = [](const wchar_t* id) {
    auto* c = new ConversationRecord;
    c->identifier = id;
    return c;
  };
  Notify(1, kSmsNoticeBatch, new ConversationList{conversation(L"a1"), conversation(L"a2")}, 0, 0, nullptr, 5);
  Notify(1, kSmsNoticeBatch, new ConversationList{conversation(L"a3")}, 0, 0, nullptr, 5);
  Notify(1, kSmsNoticeBatch, new ConversationList{conversation(L"b1")}, 0, 0, nullptr, 6);
  EXPECT_EQ(g_paneConversations, (std::vector<std::wstring>{L"b1"}));
  EXPECT_EQ(SentOf(kTextsClearData).size(), 2u);

  g_sent.clear();
  auto* gone = new MessageRecord;
  gone->identifier = L"m1";
  Notify(1, kSmsNoticeDeleted, gone);
  EXPECT_EQ(m_old.counts[kKindMessages].load(), 39u);
  auto updates = SentOf(kNavigatorUpdateItem);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0]->item.id, kSectionSms);
  EXPECT_EQ(updates[0]->item.count, 39);
  EXPECT_EQ(SentOf(kTextsDeleteSms).size(), 1u);

  g_sent.clear();
  m_old.counts[kKindMessages] = 41;
  Notify(1, kSmsNoticeCount, nullptr);
  updates = SentOf(kNavigatorUpdateItem);
  ASSERT_EQ(updates.size(), 1u);
  EXPECT_EQ(updates[0]->item.count, 41);

  // A received message that changes the count tells the navigator before the pane.
  g_sent.clear();
  auto* received = new MessageRecord;
  Notify(1, 1, received, 0, 0, nullptr, 1, kCourierDoSmsReceiveMessage);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kNavigatorUpdateItem, kTextsDoSms}));
  EXPECT_EQ(g_sent.back().record.code, 8);
  g_sent.clear();
  Notify(1, 3, nullptr, 0, 0, nullptr, 1, kCourierDoSmsReceiveMessage);
  EXPECT_TRUE(g_sent.empty());
}
