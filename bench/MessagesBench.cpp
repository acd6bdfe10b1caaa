// The device service's side of a phone with 100 000 messages in 2 000 conversations (one of
// them 5 000 long): what it does for the conversation list, for one long conversation, for a
// search over every text, and for keeping, backing up and exporting them, each beside a bare
// control of the same size (a loop over the same data that makes nothing, or a write of the
// same bytes from one buffer).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "contracts/MessageRecords.h"
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
  return static_cast<int>(made + bare + scanned) < 0;
}
