// The messages pane as it runs in deskhost: the plug-in loaded through the host's bus, the
// real messages controller, router, alerts and progress dialog; an in-process fake plays the
// device service (one phone, Android 4.3) and the contacts pane's picker. The pane is driven
// with window messages, and, in the RealInput cases, with the mouse and keyboard.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MessageRecords.h"
#include "host/CommandBus.h"
#include "kit/GdiPlus.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"
#include "host/dialogs/UiAlertDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/XInput.h"

using namespace dialogtest;

namespace {

constexpr int kListId = 5110;
constexpr int kThreadId = 5111;
constexpr int kNewId = 5100;
constexpr int kDeleteId = 5101;
constexpr int kRefreshId = 5104;
constexpr int kSearchId = 5105;
constexpr int kSearchButtonId = 5106;
constexpr int kToId = 6001;
constexpr int kBodyId = 6002;
constexpr int kSendId = 6005;
constexpr COLORREF kSentFill = RGB(0xD4, 0xEA, 0xFF);
constexpr COLORREF kReceivedFill = RGB(0xFF, 0xFF, 0xFF);
constexpr wchar_t kPhone[] = L"PHONE-1";

// The fake phone: conversations by id, each with its messages, oldest first.
struct FakeConversation {
  std::wstring id;
  std::wstring name;
  std::wstring address;
  std::vector<MessageRecord> messages;
};
std::vector<FakeConversation> g_phone;
DeviceRecord* g_device = nullptr;
std::vector<int64_t> g_operations;       // DO_SMS codes the service got
std::vector<std::wstring> g_opened;      // conversations asked for
std::vector<std::wstring> g_markedRead;  // conversations of operation 34
std::vector<std::wstring> g_deleted;     // conversations of operation 28
std::vector<OutgoingMessage> g_outgoing;
PickedContactList* g_picked = nullptr;  // what the picker answers next
std::vector<std::string> g_modulesSent;
int64_t g_nextTask = 100;

void Notify(uint32_t kind, void* item, const char* name = kCourierDoSms, int64_t taskId = 1) {
  auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
  *payload = {kind, kNotificationSuccess, taskId, item, g_device};
  CommandRecord r;
  r.text = kPhone;
  r.payload = payload;
  CommandBus::Instance().Post(name, &r);
}

ConversationRecord* RecordOf(const FakeConversation& c) {
  auto* record = new ConversationRecord;
  record->identifier = c.id;
  record->name = c.name;
  record->address = c.address;
  record->itemCount = static_cast<int64_t>(c.messages.size());
  for (const MessageRecord& m : c.messages) {
    if (!m.read) ++record->unread;
    if (!record->texts.empty()) record->texts += L'\n';
    record->texts += m.body;
  }
  if (!c.messages.empty()) {
    record->snippet = c.messages.back().body.substr(0, c.messages.back().body.find(L'\n'));
    record->date = c.messages.back().date;
  }
  return record;
}

const FakeConversation* FindConversation(const std::wstring& id) {
  for (const FakeConversation& c : g_phone)
    if (c.id == id) return &c;
  return nullptr;
}

// Answers as the device service does, at once: a conversation's messages come back as a
// notice, lists and messages are taken over.
void FakeService(const std::string& name, CommandRecord* r) {
  if (name == kCourierGetDevice) {
    if (r->text != nullptr && g_device != nullptr && g_device->identifier == r->text) r->payload = g_device;
    return;
  }
  if (name != kCourierDoSms) return;
  g_operations.push_back(r->code);
  r->value = ++g_nextTask;
  switch (r->code) {
    case kSmsOpLoadConversation: {
      const auto* asked = static_cast<const ConversationRecord*>(r->data);
      g_opened.push_back(asked->identifier);
      auto* messages = new MessageList;
      if (const FakeConversation* c = FindConversation(asked->identifier))
        for (const MessageRecord& m : c->messages) messages->push_back(new MessageRecord(m));
      Notify(kSmsNoticeConversation, messages);
      break;
    }
    case kSmsOpOperation34:
    case kSmsOpDelete: {
      auto* list = static_cast<ConversationList*>(r->data);
      for (const ConversationRecord* c : *list)
        (r->code == kSmsOpDelete ? g_deleted : g_markedRead).push_back(c->identifier);
      delete list;
      break;
    }
    case kSmsOpSend: {
      auto* message = static_cast<OutgoingMessage*>(r->data);
      g_outgoing.push_back(*message);
      delete message;
      break;
    }
    default:
      break;
  }
}

int32_t __cdecl FakeModules(CommandRecord* r) {
  g_modulesSent.push_back(r->name);
  if (std::strcmp(r->name, kRolodexDoContact) == 0 && r->code == kContactPaneSelectNumbers) {
    r->payload = g_picked;
    g_picked = nullptr;
    return 0;
  }
  FakeService(r->name, r);
  return 0;
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kPaneMessage) {
    HandleRouterMessage(wp, lp);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Answers the next alerts from a timer: OK for each true.
std::deque<bool> g_answers;
std::vector<std::wstring> g_alerts;

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
  g_alerts.push_back(text);
  const bool ok = !g_answers.empty() && g_answers.front();
  if (!g_answers.empty()) g_answers.pop_front();
  SendMessageW(ok ? alert->OkButton() : alert->CancelButton(), BM_CLICK, 0, 0);
}

MessageRecord Message(const std::wstring& conversation, const std::wstring& id, int32_t box, const std::wstring& date,
                      const std::wstring& body, bool read = true) {
  MessageRecord m;
  m.identifier = id;
  m.conversationId = conversation;
  m.box = box;
  m.read = read;
  m.date = date;
  m.body = body;
  return m;
}

void FillPhone() {
  g_phone.clear();
  FakeConversation anna{L"t1", L"Anna Berg", L"+47 400 10001", {}};
  for (int i = 0; i < 60; ++i)
    anna.messages.push_back(
        Message(L"t1", L"a" + std::to_wstring(i), i % 2 ? kMessageBoxSent : kMessageBoxInbox,
                L"2026-12-0" + std::to_wstring(1 + i / 20) + L" 10:" + std::to_wstring(10 + i % 50),
                i % 3 == 0 ? L"مرحبا، هل أنت في الطريق؟" : L"See you at the station " + std::to_wstring(i)));
  anna.messages.back().read = false;
  anna.messages.back().box = kMessageBoxInbox;
  g_phone.push_back(anna);
  g_phone.push_back({L"t2",
                     L"+47 400 10002",
                     L"+47 400 10002",
                     {Message(L"t2", L"b1", kMessageBoxInbox, L"2026-11-30 08:00", L"Your parcel is at the door")}});
  g_phone.push_back({L"t3",
                     L"Bo",
                     L"+47 400 10003",
                     {Message(L"t3", L"c1", kMessageBoxSent, L"2026-11-29 08:00", L"Встречаемся в восемь"),
                      Message(L"t3", L"c2", kMessageBoxInbox, L"2026-11-29 08:05", L"明天见 \U0001F600")}});
}

class TextsPane : public ::testing::Test {
 protected:
  static inline HWND s_view = nullptr, s_deviceView = nullptr, s_pane = nullptr;
  static inline UINT_PTR s_timer = 0;
  static inline HMODULE s_module = nullptr;
  static inline ImageCache s_images;

  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZsTextsTestView";
    RegisterClassW(&wc);
    s_view = CreateWindowExW(0, wc.lpszClassName, L"Messages", WS_POPUP | WS_VISIBLE, 0, 0, 1100, 640, nullptr, nullptr,
                             nullptr, nullptr);
    Host().windows[kWindowMainView] = s_view;
    s_deviceView =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 40, 1100, 600, s_view, nullptr, nullptr, nullptr);
    HWND key = reinterpret_cast<HWND>(0x7C01);
    Host().devices.BindWindow(key, s_deviceView);
    Host().devices.BindIdentifier(key, kPhone);
    CreateProgressDialogFor(s_deviceView);
    CreateHostDialogs(s_view);

    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* fakes = bus.AddModule(reinterpret_cast<HINSTANCE>(0x53000000), nullptr);
    fakes->moduleEntry = FakeModules;
    CommandRecord reg;
    for (const char* name :
         {kCourierGetDevice, kCourierDoSms, kCourierDoCancel, kNavigatorUpdateItem, kRolodexDoContact})
      RegisterCommand(*fakes, reg, name);
    s_module = LoadLibraryExW(ModuleHarness::PluginPath(L"libTexts").c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (s_module == nullptr) return;
    auto registerModule =
        reinterpret_cast<RegisterModuleProc>(reinterpret_cast<void*>(GetProcAddress(s_module, kRegisterModuleExport)));
    if (registerModule == nullptr) return;
    // The search button is as large as its image: a grey square stands in for the theme's. Never
    // freed, as the host's images: GDI+ ends before the program's statics.
    auto* searchImage = new Gdiplus::Bitmap(20, 20, PixelFormat32bppARGB);
    {
      Gdiplus::Graphics graphics(searchImage);
      graphics.Clear(Gdiplus::Color(255, 128, 128, 128));
    }
    s_images["common\\operate-search.png"] = searchImage;
    registerModule(bus.AddModule(s_module, &s_images));
    FillHandlerTable(bus);

    CommandRecord create;
    create.window = s_deviceView;
    bus.Send(kTextsCreateWindow, &create);
    s_pane = FindWindowExW(s_deviceView, nullptr, L"DhMessagesDelegate", nullptr);
    CommandRecord show;
    show.window = s_deviceView;
    bus.Send(kTextsShowWindow, &show);
    s_timer = SetTimer(nullptr, 0, 30, AnswerAlerts);
  }

  static void TearDownTestSuite() {
    KillTimer(nullptr, s_timer);
    DestroyHostDialogs();
    DestroyWindow(s_view);
  }

  void SetUp() override {
    ASSERT_NE(s_module, nullptr) << "libTexts did not load";
    ASSERT_NE(s_pane, nullptr) << "no pane";
    m_device.identifier = kPhone;
    m_device.androidVersion = L"4.3";
    m_device.counts[kKindMessages] = 63;
    m_device.counts[kKindContacts] = 3;
    m_device.loaded[kKindContacts] = 3;
    g_device = &m_device;
    FillPhone();
    g_operations.clear();
    g_opened.clear();
    g_markedRead.clear();
    g_deleted.clear();
    g_outgoing.clear();
    g_modulesSent.clear();
    g_alerts.clear();
    g_answers.clear();
    SetWindowTextW(Control(kSearchId), L"");
    // A fresh load of the phone's list in two batches, as the service streams it.
    Command(kRefreshId);
    EXPECT_EQ(g_operations, (std::vector<int64_t>{kSmsOpLoadList}));
    const int64_t task = ++g_nextTask;
    Notify(kSmsNoticeBatch, new ConversationList{RecordOf(g_phone[0]), RecordOf(g_phone[1])}, kCourierDoSms, task);
    Notify(kSmsNoticeBatch, new ConversationList{RecordOf(g_phone[2])}, kCourierDoSms, task);
    Settle();
    g_operations.clear();
  }

  void TearDown() override {
    if (HWND compose = FindWindowW(L"DhNewMessageWindow", nullptr)) DestroyWindow(compose);
    Settle();
    g_device = nullptr;
  }

  // Runs the posted notices, then ends whatever progress they left open, as the service's
  // progress commands would.
  static void Settle() {
    PumpFor(30);
    if (UiProgressDialog* progress = ProgressDialogOf(s_deviceView)) {
      progress->Reset();
      progress->Show(SW_HIDE);
    }
    EnableWindow(s_view, TRUE);
    PumpFor(30);
  }

  static HWND Control(int id) { return GetDlgItem(s_pane, id); }
  static HWND List() { return Control(kListId); }
  static HWND Thread() { return Control(kThreadId); }
  static void Command(int id) {
    SendMessageW(s_pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Control(id)));
    Settle();
  }

  static int Rows() { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
  static std::wstring Cell(int row, int column) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  static std::vector<std::wstring> Names() {
    std::vector<std::wstring> names;
    for (int row = 0; row < Rows(); ++row) names.push_back(Cell(row, 1));
    return names;
  }
  // Selects a row as the keyboard or a click does.
  static void Choose(int row) {
    ListView_SetItemState(List(), -1, 0, LVIS_SELECTED);
    ListView_SetItemState(List(), row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    Settle();
  }
  static SCROLLINFO ThreadScroll() {
    SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
    GetScrollInfo(Thread(), SB_VERT, &info);
    return info;
  }
  // Pixels of `color` below the thread's header, in the quarter of its width at one side.
  static int CountColor(HWND hwnd, COLORREF color, bool rightQuarter) {
    ClientPixels pixels(hwnd);
    if (!pixels.Ok()) return 0;
    const int quarter = pixels.Width() / 4;
    const RECT rect = rightQuarter ? RECT{pixels.Width() - quarter, DhThreadHeader(), pixels.Width(), pixels.Height()}
                                   : RECT{0, DhThreadHeader(), quarter, pixels.Height()};
    return pixels.Count(rect, color);
  }
  static int DhThreadHeader() { return 44; }

  DeviceRecord m_device;
};

TEST_F(TextsPane, BatchesFillTheListAndANewLoadReplacesIt) {
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Anna Berg", L"+47 400 10002", L"Bo"}));
  EXPECT_EQ(Cell(0, 2), g_phone[0].messages.back().body);
  EXPECT_EQ(Cell(0, 3), g_phone[0].messages.back().date.substr(0, 10));  // the day; the thread shows times
  EXPECT_EQ(Cell(0, 4), L"60");
  EXPECT_EQ(Cell(2, 2), L"明天见 \U0001F600");

  // The first batch of another load empties the list once; its later batches append.
  Command(kRefreshId);
  const int64_t task = ++g_nextTask;
  Notify(kSmsNoticeBatch, new ConversationList{RecordOf(g_phone[2])}, kCourierDoSms, task);
  Notify(kSmsNoticeBatch, new ConversationList{RecordOf(g_phone[1])}, kCourierDoSms, task);
  Settle();
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Bo", L"+47 400 10002"}));
}

TEST_F(TextsPane, AChosenConversationShowsItsThreadAndIsMarkedRead) {
  Choose(0);
  EXPECT_EQ(g_opened, (std::vector<std::wstring>{L"t1"}));
  // 60 messages over three days: taller than the view, shown from the newest at the bottom.
  const SCROLLINFO scroll = ThreadScroll();
  EXPECT_GT(scroll.nMax, 60 * 40);
  EXPECT_EQ(scroll.nPos, scroll.nMax - static_cast<int>(scroll.nPage) + 1);
  // Sent bubbles on the right, received on the left.
  EXPECT_GT(CountColor(Thread(), kSentFill, true), 1000);
  EXPECT_EQ(CountColor(Thread(), kSentFill, false), 0);
  EXPECT_GT(CountColor(Thread(), kReceivedFill, false), 1000);
  EXPECT_EQ(CountColor(Thread(), kReceivedFill, true), 0);
  // Its unread message is marked read on the phone once it is shown.
  EXPECT_EQ(g_markedRead, (std::vector<std::wstring>{L"t1"}));

  // Choosing another conversation loads that one; the same one again loads nothing.
  Choose(2);
  Choose(2);
  EXPECT_EQ(g_opened, (std::vector<std::wstring>{L"t1", L"t3"}));
  EXPECT_LT(ThreadScroll().nMax, scroll.nMax);
}

TEST_F(TextsPane, SearchFindsNamesNumbersAndAnyMessageText) {
  auto search = [](const wchar_t* text) {
    SetWindowTextW(Control(kSearchId), text);
    Command(kSearchButtonId);
    return Names();
  };
  EXPECT_EQ(search(L"ANNA"), (std::vector<std::wstring>{L"Anna Berg"}));
  EXPECT_EQ(search(L"parcel"), (std::vector<std::wstring>{L"+47 400 10002"}));
  EXPECT_EQ(search(L"station 17"), (std::vector<std::wstring>{L"Anna Berg"}));  // not its last message
  EXPECT_EQ(search(L"40010003"), (std::vector<std::wstring>{L"Bo"}));
  EXPECT_EQ(search(L"ВОСЕМЬ"), (std::vector<std::wstring>{L"Bo"}));
  EXPECT_TRUE(search(L"no such words").empty());
  EXPECT_EQ(search(L"").size(), 3u);
}

TEST_F(TextsPane, ReceivedMessagesMoveOrStartTheirConversation) {
  Choose(2);  // Bo's thread is open
  const int before = ThreadScroll().nMax;
  g_modulesSent.clear();
  // Kind 1: a new message that changes the count; the navigator hears of it first.
  auto* fromBo = new MessageRecord(
      Message(L"t3", L"c3", kMessageBoxInbox, L"2026-12-08 12:00", L"Running late\nsecond line", false));
  Notify(1, fromBo, kCourierDoSmsReceiveMessage);
  Settle();
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Bo", L"Anna Berg", L"+47 400 10002"}));
  EXPECT_EQ(Cell(0, 2), L"Running late");
  EXPECT_EQ(Cell(0, 4), L"3");
  EXPECT_GT(ThreadScroll().nMax, before);
  EXPECT_NE(std::find(g_modulesSent.begin(), g_modulesSent.end(), kNavigatorUpdateItem), g_modulesSent.end());

  // Kind 0: from a number without a conversation: a new one on top, named by the number.
  auto* stranger = new MessageRecord(Message(L"t9", L"z1", kMessageBoxInbox, L"2026-12-08 12:01", L"Hi?", false));
  stranger->name = L"+1 555 0100";
  Notify(0, stranger, kCourierDoSmsReceiveMessage);
  Settle();
  EXPECT_EQ(Names().front(), L"+1 555 0100");
  EXPECT_EQ(Cell(0, 4), L"1");

  // Kind 2: read on the phone: no row moves.
  auto* read = new MessageRecord(Message(L"t9", L"z1", kMessageBoxInbox, L"2026-12-08 12:01", L"Hi?", true));
  Notify(2, read, kCourierDoSmsReceiveMessage);
  Settle();
  EXPECT_EQ(Names().front(), L"+1 555 0100");
  EXPECT_EQ(Rows(), 4);
}

TEST_F(TextsPane, DeletedMessagesLeaveTheListAndTheThread) {
  Choose(2);
  ListView_SetItemState(List(), -1, INDEXTOSTATEIMAGEMASK(1), LVIS_STATEIMAGEMASK);
  ListView_SetItemState(List(), 1, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
  ListView_SetItemState(List(), 2, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
  g_answers = {true};
  Command(kDeleteId);
  PumpUntil([] { return !g_deleted.empty(); }, 3000);
  EXPECT_EQ(g_alerts, (std::vector<std::wstring>{L"Do you really want to delete the checked messages?"}));
  EXPECT_EQ(g_deleted, (std::vector<std::wstring>{L"t2", L"t3"}));
  // One notice per deleted message, as the service sends them.
  auto gone = [](const MessageRecord& m) { Notify(kSmsNoticeDeleted, new MessageRecord(m)); };
  gone(g_phone[2].messages[0]);
  Settle();
  EXPECT_EQ(Cell(2, 4), L"1");
  gone(g_phone[2].messages[1]);
  gone(g_phone[1].messages[0]);
  Notify(kSmsNoticeDeleteEnded, nullptr);
  Settle();
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Anna Berg"}));
  EXPECT_EQ(ThreadScroll().nMax, 0);  // the open conversation has gone
  EXPECT_EQ(m_device.counts[kKindMessages].load(), 60u);
}

TEST_F(TextsPane, NewMessageToPickedContactsIsSentAndShown) {
  g_picked = new PickedContactList{{L"Anna Berg", L"+47 400 10001"}};
  Command(kNewId);
  EXPECT_EQ(std::count(g_modulesSent.begin(), g_modulesSent.end(), std::string(kRolodexDoContact)), 1);
  HWND compose = FindWindowW(L"DhNewMessageWindow", L"New Message");
  ASSERT_NE(compose, nullptr);
  wchar_t to[200] = {};
  GetWindowTextW(GetDlgItem(compose, kToId), to, 200);
  EXPECT_STREQ(to, L"Anna Berg <+47 400 10001>; ");
  SetWindowTextW(GetDlgItem(compose, kBodyId), L"On my way \U0001F6B2\r\nTen minutes");
  SendMessageW(compose, WM_COMMAND, MAKEWPARAM(kSendId, BN_CLICKED), 0);
  Settle();
  ASSERT_EQ(g_outgoing.size(), 1u);
  EXPECT_EQ(g_outgoing[0].recipients, (std::vector<std::wstring>{L"+47 400 10001"}));
  EXPECT_EQ(g_outgoing[0].body, L"On my way \U0001F6B2\nTen minutes");
  EXPECT_FALSE(IsWindow(compose));

  // The phone stores it and reports it: it is the conversation's last message now.
  auto* stored = new MessageRecord(Message(L"t2", L"s1", kMessageBoxSent, L"2026-12-08 13:00", L"On my way"));
  Notify(kSmsNoticeSent, stored);
  Settle();
  EXPECT_EQ(Names().front(), L"+47 400 10002");
  EXPECT_EQ(Cell(0, 2), L"On my way");
}

TEST_F(TextsPane, NewMessageWithoutPicksTakesTypedNumbersAndRefusesNone) {
  Command(kNewId);  // the picker answers nothing
  HWND compose = FindWindowW(L"DhNewMessageWindow", L"New Message");
  ASSERT_NE(compose, nullptr);
  SetWindowTextW(GetDlgItem(compose, kBodyId), L"Hello");
  SendMessageW(compose, WM_COMMAND, MAKEWPARAM(kSendId, BN_CLICKED), 0);
  Settle();
  EXPECT_TRUE(g_outgoing.empty());
  ASSERT_TRUE(IsWindow(compose));
  wchar_t problem[200] = {};
  GetWindowTextW(GetDlgItem(compose, 6004), problem, 200);
  EXPECT_STREQ(problem, L"Pick a contact or type a number.");
  SetWindowTextW(GetDlgItem(compose, kToId), L"Anna");
  SendMessageW(compose, WM_COMMAND, MAKEWPARAM(kSendId, BN_CLICKED), 0);
  GetWindowTextW(GetDlgItem(compose, 6004), problem, 200);
  EXPECT_STREQ(problem, L"\"Anna\" is not a phone number.");
  SetWindowTextW(GetDlgItem(compose, kToId), L"12345, 67890");
  SendMessageW(compose, WM_COMMAND, MAKEWPARAM(kSendId, BN_CLICKED), 0);
  Settle();
  ASSERT_EQ(g_outgoing.size(), 1u);
  EXPECT_EQ(g_outgoing[0].recipients, (std::vector<std::wstring>{L"12345", L"67890"}));
}

TEST_F(TextsPane, ResetAndUnknownWindowsChangeNothing) {
  CommandRecord reset;
  reset.window = s_deviceView;
  reset.value = 100;
  CommandBus::Instance().Send(kTextsResetWindow, &reset);
  CommandRecord stray;
  stray.window = s_view;  // no pane there
  stray.payload = nullptr;
  CommandBus::Instance().Send(kTextsClearData, &stray);
  CommandBus::Instance().Send(kTextsDeleteSms, &stray);
  Settle();
  EXPECT_EQ(Rows(), 3);
  CommandRecord clear;
  clear.window = s_deviceView;
  CommandBus::Instance().Send(kTextsClearData, &clear);
  EXPECT_EQ(Rows(), 0);
}

// ---- the same paths with the mouse and the keyboard ----

POINT ScreenCenter(HWND hwnd, RECT rect) {
  POINT p{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  ClientToScreen(hwnd, &p);
  return p;
}

POINT CenterOf(HWND hwnd) {
  RECT rect{};
  GetClientRect(hwnd, &rect);
  return ScreenCenter(hwnd, rect);
}

TEST_F(TextsPane, RealInputClickAConversationAndWheelThroughItsThread) {
  RECT row{};
  ListView_GetItemRect(List(), 0, &row, LVIR_BOUNDS);
  row.left = row.right - 120;  // on the date, away from the check box
  xinput::Click(ScreenCenter(List(), row));
  Settle();
  ASSERT_EQ(g_opened, (std::vector<std::wstring>{L"t1"}));
  const int bottom = ThreadScroll().nPos;
  ASSERT_GT(bottom, 0);
  xinput::Click(CenterOf(Thread()));
  xinput::Wheel(CenterOf(Thread()), 2);
  Settle();
  EXPECT_EQ(ThreadScroll().nPos, bottom - 120);
  xinput::Wheel(CenterOf(Thread()), -1);
  Settle();
  EXPECT_EQ(ThreadScroll().nPos, bottom - 60);
  xinput::Key("End", VK_END);
  Settle();
  EXPECT_EQ(ThreadScroll().nPos, bottom);
}

TEST_F(TextsPane, RealInputTypeASearch) {
  xinput::Click(CenterOf(Control(kSearchId)));
  xinput::Type(L"parcel");
  xinput::Click(CenterOf(Control(kSearchButtonId)));
  Settle();
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"+47 400 10002"}));
}

TEST_F(TextsPane, RealInputWriteANewMessageToATypedNumber) {
  xinput::Click(CenterOf(Control(kNewId)));
  Settle();
  HWND compose = FindWindowW(L"DhNewMessageWindow", L"New Message");
  ASSERT_NE(compose, nullptr);
  xinput::Click(CenterOf(GetDlgItem(compose, kToId)));
  xinput::Type(L"+47 400 10009");
  xinput::Click(CenterOf(GetDlgItem(compose, kBodyId)));
  xinput::Type(L"Dinner at eight?");
  xinput::Click(CenterOf(GetDlgItem(compose, kSendId)));
  Settle();
  ASSERT_EQ(g_outgoing.size(), 1u);
  EXPECT_EQ(g_outgoing[0].recipients, (std::vector<std::wstring>{L"+47 400 10009"}));
  EXPECT_EQ(g_outgoing[0].body, L"Dinner at eight?");
}

}  // namespace
