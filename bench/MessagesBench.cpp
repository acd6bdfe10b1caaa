// The device service's side of a phone with 100 000 messages in 2 000 conversations (one of
// them 5 000 long): what it does for the conversation list, for one long conversation, for a
// search over every text, and for keeping, backing up and exporting them, each beside a bare
// control of the same size (a loop over the same data that makes nothing, or a write of the
// same bytes from one buffer). Then the messages pane (libTexts) with the same phone: the list
// beside a bare report list view taking the same rows, the long conversation opened and drawn,
// a search over every text, and the pane's memory beside the size of the texts.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <commctrl.h>
#include <psapi.h>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/MessageRecords.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "modules/courier/MessageOperations.h"
#include "modules/courier/MessageStore.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/MessageFormats.h"

namespace {

namespace fs = std::filesystem;

constexpr int kConversations = 2000;
constexpr int kMessages = 100000;
constexpr int kLongConversation = 5000;

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

DemoPhone MakePhone() {
  static const wchar_t* const kTexts[] = {L"On se retrouve à la gare ? 🚉", L"Встречаемся в восемь у входа",
                                          L"مرحبا، هل أنت في الطريق؟", L"明天见，别忘了带伞",
                                          L"Running late, the train is stuck outside the station again"};
  DemoPhone phone;
  phone.identifier = L"BENCH";
  phone.conversations.resize(kConversations);
  int made = 0;
  for (int c = 0; c < kConversations; ++c) {
    DemoConversation& conversation = phone.conversations[c];
    conversation.identifier = L"t" + std::to_wstring(c);
    conversation.address = L"+47 400 " + std::to_wstring(10000 + c);
    const int count = c == 0 ? kLongConversation : (kMessages - kLongConversation) / (kConversations - 1);
    for (int m = 0; m < count && made < kMessages; ++m, ++made) {
      DemoMessage message;
      message.identifier = L"m" + std::to_wstring(made);
      message.box = m % 2 == 0 ? L"inbox" : L"sent";
      wchar_t date[32];
      swprintf(date, 32, L"20%02d-%02d-%02d %02d:%02d", 10 + c % 14, 1 + m % 12, 1 + m % 28, m % 24, c % 60);
      message.date = date;
      message.body = std::wstring(kTexts[(c + m) % 5]) + L" #" + std::to_wstring(made);
      conversation.messages.push_back(std::move(message));
    }
  }
  return phone;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

double CommittedMegabytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters.PagefileUsage / (1024.0 * 1024.0);
}

HWND MakeParent(const wchar_t* title) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZsMessagesBenchParent";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, title, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 1200, 700, nullptr,
                         nullptr, wc.hInstance, nullptr);
}

// The same rows on a plain report list view: each inserted with its four texts, drawing paused,
// then drawn.
double BareList(const MessageStore& store) {
  HWND parent = MakeParent(L"Bare list");
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 217, 31, 540, 640, parent,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  const wchar_t* titles[] = {L"", L"Name", L"Last Message", L"Date", L"Count"};
  for (int i = 0; i < 5; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(titles[i]);
    column.cx = 100;
    ListView_InsertColumn(list, i, &column);
  }
  std::vector<ConversationRecord*> records;
  for (size_t position : store.ByLatest()) records.push_back(MakeConversationRecord(store.Conversations()[position]));
  Pump();
  const double seconds = Seconds([&] {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    int row = 0;
    for (const ConversationRecord* c : records) {
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<wchar_t*>(L"");
      row = ListView_InsertItem(list, &item);
      ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(c->name.c_str()));
      ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(c->snippet.c_str()));
      ListView_SetItemText(list, row, 3, const_cast<wchar_t*>(c->date.c_str()));
      const std::wstring count = std::to_wstring(c->itemCount);
      ListView_SetItemText(list, row, 4, const_cast<wchar_t*>(count.c_str()));
      ++row;
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(list);
  });
  for (ConversationRecord* c : records) delete c;
  DestroyWindow(parent);
  Pump();
  return seconds;
}

// The pane as the host drives it: the list in the service's batches, a click on the longest
// conversation and its 5 000 messages, a search typed into its box.
void PaneFigures(const MessageStore& store, size_t textBytes) {
  GdiplusSession gdiplus;
  ModuleHarness harness;
  if (!harness.Load(ModuleHarness::PluginPath(L"libTexts"))) {
    std::printf("libTexts did not load (%lu)\n", harness.LoadError());
    return;
  }
  const double bare = BareList(store);
  HWND parent = MakeParent(L"Messages pane");
  CommandRecord create;
  create.window = parent;
  harness.Send(kTextsCreateWindow, create);
  CommandRecord show;
  show.window = parent;
  harness.Send(kTextsShowWindow, show);
  HWND pane = FindWindowExW(parent, nullptr, L"DhMessagesDelegate", nullptr);
  HWND list = GetDlgItem(pane, 5110);
  HWND thread = GetDlgItem(pane, 5111);
  Pump();
  const double before = CommittedMegabytes();

  // The records are made as the service makes them, outside the time; the pane takes them over.
  const std::vector<size_t> order = store.ByLatest();
  std::vector<ConversationList*> batches;
  for (size_t sent = 0; sent < order.size();) {
    const size_t size = std::min<size_t>(sent == 0 ? 100 : 500, order.size() - sent);
    auto* batch = new ConversationList;
    for (size_t i = 0; i < size; ++i) batch->push_back(MakeConversationRecord(store.Conversations()[order[sent + i]]));
    batches.push_back(batch);
    sent += size;
  }
  const double listed = Seconds([&] {
    for (ConversationList* batch : batches) {
      CommandRecord add;
      add.window = parent;
      add.payload = batch;
      harness.Send(kTextsAddSms, add);
    }
    Pump();
    UpdateWindow(list);
  });
  for (ConversationList* batch : batches) delete batch;
  std::printf("pane: conversation list (%d rows):  %7.1f ms   bare list view %.1f ms  (%.2f times)\n",
              static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)), 1000 * listed, 1000 * bare, listed / bare);

  // The longest conversation is the first row but one; a click asks for it, its messages come.
  const DemoConversation& longest = *store.Find(L"t0");
  int row = 0;
  for (; row < static_cast<int>(order.size()); ++row)
    if (store.Conversations()[order[row]].identifier == L"t0") break;
  ListView_SetItemState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  Pump();
  auto* messages = new MessageList;
  for (const DemoMessage& message : longest.messages) messages->push_back(MakeMessageRecord(longest, message));
  NotificationPayload notice{kSmsNoticeConversation, 1, 1, messages, nullptr};
  const double opened = Seconds([&] {
    CommandRecord open;
    open.window = parent;
    open.code = 2;
    open.payload = &notice;
    harness.Send(kTextsDoSms, open);
    UpdateWindow(thread);
  });
  delete messages;
  std::printf("pane: 5 000-message conversation opened and drawn: %.1f ms\n", 1000 * opened);

  HWND search = GetDlgItem(pane, 5105);
  const double searched = Seconds([&] {
    SetWindowTextW(search, L"station");
    SendMessageW(pane, WM_COMMAND, MAKEWPARAM(5106, BN_CLICKED), 0);
    UpdateWindow(list);
  });
  const int found = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  const double searchedRare = Seconds([&] {
    SetWindowTextW(search, L"#98000");
    SendMessageW(pane, WM_COMMAND, MAKEWPARAM(5106, BN_CLICKED), 0);
    UpdateWindow(list);
  });
  std::printf("pane: search all texts: %.1f ms (%d conversations), %.1f ms for one message (%d)\n", 1000 * searched,
              found, 1000 * searchedRare, static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)));
  SetWindowTextW(search, L"");
  Pump();
  const double held = CommittedMegabytes() - before;
  const double text = textBytes / (1024.0 * 1024.0);
  std::printf("pane: memory %.1f MB for %.1f MB of text (%.2f times)\n", held, text, held / text);
  DestroyWindow(parent);
  Pump();
}

}  // namespace

int wmain() {
  const DemoPhone phone = MakePhone();
  size_t textBytes = 0;
  for (const DemoConversation& conversation : phone.conversations)
    for (const DemoMessage& message : conversation.messages) textBytes += message.body.size() * sizeof(wchar_t);
  std::printf("phone: %d messages in %d conversations, %.1f MB of text\n", kMessages, kConversations,
              textBytes / (1024.0 * 1024.0));

  MessageStore store;
  std::string error;
  std::printf("open the phone's messages:           %7.1f ms\n",
              1000 * Seconds([&] { store.Open(phone, fs::path(), error); }));

  // The conversation list as it is streamed: order, and one record per conversation.
  size_t made = 0;
  const double list = Seconds([&] {
    for (size_t position : store.ByLatest()) {
      ConversationRecord* record = MakeConversationRecord(store.Conversations()[position]);
      made += record->snippet.size();
      delete record;
    }
  });
  size_t bare = 0;
  const double bareList = Seconds([&] {
    for (const DemoConversation& conversation : store.Conversations()) bare += conversation.messages.size();
  });
  std::printf("conversation list (2 000 records):   %7.1f ms   bare walk over the same messages %.1f ms\n", 1000 * list,
              1000 * bareList);

  const DemoConversation& longest = *store.Find(L"t0");
  const double thread = Seconds([&] {
    MessageList messages;
    for (const DemoMessage& message : longest.messages) messages.push_back(MakeMessageRecord(longest, message));
    for (MessageRecord* message : messages) delete message;
  });
  std::printf("one conversation (5 000 records):    %7.1f ms\n", 1000 * thread);

  // A search over every text, case-insensitive as a person types it, beside a plain scan.
  size_t hits = 0;
  const std::wstring needle = L"station";
  const double search = Seconds([&] {
    for (const DemoConversation& conversation : store.Conversations())
      for (const DemoMessage& message : conversation.messages) {
        const std::wstring& body = message.body;
        auto it = std::search(body.begin(), body.end(), needle.begin(), needle.end(),
                              [](wchar_t a, wchar_t b) { return std::towlower(a) == b; });
        if (it != body.end()) ++hits;
      }
  });
  size_t scanned = 0;
  const double scan = Seconds([&] {
    for (const DemoConversation& conversation : store.Conversations())
      for (const DemoMessage& message : conversation.messages) scanned += message.body.find(L'\x1') == 0;
  });
  std::printf("search all texts (%zu hits):      %7.1f ms   bare scan %.1f ms\n", hits, 1000 * search, 1000 * scan);

  const fs::path folder = fs::temp_directory_path() / "zs-messages-bench";
  fs::create_directories(folder);
  auto writeFile = [&](const char* name, const std::function<bool(ByteSink&)>& write) {
    const fs::path path = folder / name;
    fs::remove(path);
    bool ok = false;
    const double seconds = Seconds([&] {
      SafeFileWriter file(path, SafeFileWriter::Replace::kAllow);
      ok = file.Open() && write(file) && file.Commit();
    });
    std::printf("write %-12s %6.1f MB:          %7.1f ms%s\n", name, fs::file_size(path) / (1024.0 * 1024.0),
                1000 * seconds, ok ? "" : "  FAILED");
    return path;
  };
  const fs::path backup =
      writeFile("Messages.bak", [&](ByteSink& sink) { return WriteMessageBackup(sink, store.Conversations()); });
  const fs::path xml =
      writeFile("Messages.xml", [&](ByteSink& sink) { return WriteMessagesXml(sink, store.Conversations()); });
  writeFile("Messages.html",
            [&](ByteSink& sink) { return WriteMessagesHtml(sink, store.Conversations(), L"Bench phone"); });
  const std::string bytes(static_cast<size_t>(fs::file_size(backup)), 'x');
  writeFile("bare.bin", [&](ByteSink& sink) { return sink.Write(bytes); });

  size_t read = 0;
  const double readBackup = Seconds([&] {
    std::ifstream in(backup, std::ios::binary);
    read = ReadMessageBackup(in).conversations.size();
  });
  std::string xmlBytes;
  ReadWholeFile(xml, xmlBytes, error);
  size_t readXml = 0;
  const double xmlSeconds = Seconds([&] { readXml = ReadMessagesXml(xmlBytes).conversations.size(); });
  std::printf("read the backup (%zu conversations): %7.1f ms\nread the XML (%zu conversations):    %7.1f ms\n", read,
              1000 * readBackup, readXml, 1000 * xmlSeconds);
  fs::remove_all(folder);
  PaneFigures(store, textBytes);
  return static_cast<int>(made + bare + scanned) < 0;
}
