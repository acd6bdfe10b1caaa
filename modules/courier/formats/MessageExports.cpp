// The readable exports of messages: a page for the browser, plain text and CSV.
#include <algorithm>

#include "modules/courier/formats/FormatText.h"
#include "modules/courier/formats/MessageFormats.h"

using namespace formats;

namespace {

const char kStyle[] = R"(
body { margin: 0; background: #f3f4f6; color: #1f2933; font: 15px/1.45 "Segoe UI", Arial, sans-serif; }
header { background: #1e9e63; color: #fff; padding: 20px 32px; }
header h1 { margin: 0; font-size: 24px; font-weight: 600; }
header p { margin: 4px 0 0; opacity: .85; }
main { padding: 16px 32px; max-width: 760px; }
section { background: #fff; border-radius: 8px; box-shadow: 0 1px 3px rgba(0,0,0,.12); padding: 12px 20px;
          margin-bottom: 20px; overflow: hidden; }
h2 { margin: 0 0 8px; font-size: 18px; font-weight: 600; }
.m { clear: both; max-width: 75%; border-radius: 12px; padding: 6px 12px; margin: 6px 0;
     white-space: pre-wrap; overflow-wrap: anywhere; unicode-bidi: plaintext; }
.in { float: left; background: #eef0f3; }
.out { float: right; background: #d8f3e5; }
.draft { float: right; background: #fff; border: 1px dashed #9aa5b1; }
.m small { display: block; color: #6b7785; font-size: 11px; margin-top: 2px; }
@media print { body { background: #fff; } header { color: #000; background: none; } section { box-shadow: none; } }
)";

// Text for the page; line breaks are kept by its pre-wrap style.
std::string Html(const std::wstring& text) { return EscapeMarkup(text, false); }

std::vector<const DemoMessage*> ByDate(const DemoConversation& conversation) {
  std::vector<const DemoMessage*> messages;
  messages.reserve(conversation.messages.size());
  for (const DemoMessage& message : conversation.messages) messages.push_back(&message);
  std::stable_sort(messages.begin(), messages.end(),
                   [](const DemoMessage* a, const DemoMessage* b) { return a->date < b->date; });
  return messages;
}

const char* BoxLabel(const std::wstring& box) {
  if (box == L"sent") return "Sent";
  if (box == L"draft") return "Draft";
  return "Received";
}

std::string CsvField(const std::string& utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string::npos) return utf8;
  std::string out = "\"";
  for (char c : utf8) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  return out + "\"";
}

}  // namespace

bool WriteMessagesHtml(ByteSink& sink, const std::vector<DemoConversation>& conversations,
                       const std::wstring& phoneName) {
  try {
    size_t total = 0;
    for (const DemoConversation& conversation : conversations) total += conversation.messages.size();
    std::string text = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>Messages of " +
                       Html(phoneName) + "</title>\n<style>" + kStyle +
                       "</style>\n</head>\n<body>\n<header><h1>Messages of " + Html(phoneName) + "</h1><p>" +
                       std::to_string(conversations.size()) +
                       (conversations.size() == 1 ? " conversation, " : " conversations, ") + std::to_string(total) +
                       (total == 1 ? " message" : " messages") + "</p></header>\n<main>\n";
    if (!sink.Write(text)) return false;
    for (const DemoConversation& conversation : conversations) {
      text = "<section>\n<h2>" + Html(conversation.address) + "</h2>\n";
      for (const DemoMessage* message : ByDate(conversation)) {
        const char* style = message->box == L"sent" ? "out" : message->box == L"draft" ? "draft" : "in";
        text += std::string("<div class=\"m ") + style + "\" dir=\"auto\">" + Html(message->body) + "<small>" +
                BoxLabel(message->box) + " " + Html(message->date) + "</small></div>\n";
      }
      text += "</section>\n";
      if (!sink.Write(text)) return false;
    }
    return sink.Write("</main>\n</body>\n</html>\n");
  } catch (...) {
    return false;
  }
}

bool WriteMessagesText(ByteSink& sink, const std::vector<DemoConversation>& conversations,
                       const std::wstring& phoneName) {
  try {
    if (!sink.Write("Messages of " + WideToUtf8(phoneName) + "\r\n")) return false;
    for (const DemoConversation& conversation : conversations) {
      std::string text = "\r\n== " + WideToUtf8(conversation.address) + " ==\r\n";
      for (const DemoMessage* message : ByDate(conversation)) {
        std::string body = WideToUtf8(message->body);
        // Continuation lines are indented so that each message stays one block.
        std::string indented;
        for (char c : body) {
          if (c == '\r') continue;
          indented.push_back(c);
          if (c == '\n') indented.pop_back(), indented += "\r\n    ";
        }
        text += "[" + WideToUtf8(message->date) + "] " + BoxLabel(message->box) + ": " + indented + "\r\n";
      }
      if (!sink.Write(text)) return false;
    }
    return true;
  } catch (...) {
    return false;
  }
}

bool WriteMessagesCsv(ByteSink& sink, const std::vector<DemoConversation>& conversations) {
  try {
    if (!sink.Write("\xEF\xBB\xBFNumber,Date,Type,Read,Text\r\n")) return false;
    for (const DemoConversation& conversation : conversations) {
      std::string text;
      for (const DemoMessage* message : ByDate(conversation)) {
        text += CsvField(WideToUtf8(conversation.address)) + "," + WideToUtf8(message->date) + "," +
                BoxLabel(message->box) + "," + (message->read ? "yes" : "no") + "," +
                CsvField(WideToUtf8(message->body)) + "\r\n";
      }
      if (!sink.Write(text)) return false;
    }
    return true;
  } catch (...) {
    return false;
  }
}
