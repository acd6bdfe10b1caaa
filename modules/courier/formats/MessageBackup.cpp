// The message backup. The first line names the format and its version and opens the list; each
// further line is one conversation; the last closes the list. The whole file is still one JSON
// document, so any JSON tool reads it too.
#include <sstream>

#include <nlohmann/json.hpp>

#include "modules/courier/formats/FormatText.h"
#include "modules/courier/formats/MessageFormats.h"

using nlohmann::json;
using namespace formats;

namespace {

constexpr char kFormatMarker[] = "zorvane-steward-messages";
constexpr char kListEnd[] = "]}";

const char* BoxName(const std::wstring& box) {
  if (box == L"sent") return "sent";
  if (box == L"draft") return "draft";
  return "inbox";
}

json ConversationJson(const DemoConversation& conversation) {
  json messages = json::array();
  for (const DemoMessage& message : conversation.messages) {
    messages.push_back({{"id", WideToUtf8(message.identifier)},
                        {"box", BoxName(message.box)},
                        {"date", WideToUtf8(message.date)},
                        {"read", message.read},
                        {"body", WideToUtf8(message.body)}});
  }
  return {{"id", WideToUtf8(conversation.identifier)},
          {"address", WideToUtf8(conversation.address)},
          {"messages", std::move(messages)}};
}

std::wstring TextOf(const json& object, const char* key, bool& ok) {
  auto it = object.find(key);
  if (it == object.end() || !it->is_string()) {
    ok = false;
    return std::wstring();
  }
  return Utf8ToWideLenient(it->get_ref<const std::string&>());
}

// One conversation line; false with `problem` when it is not one.
bool ReadConversation(const json& value, DemoConversation& conversation, size_t& failedMessages, std::string& problem) {
  if (!value.is_object()) {
    problem = "a conversation is not an object";
    return false;
  }
  bool ok = true;
  conversation.identifier = TextOf(value, "id", ok);
  conversation.address = TextOf(value, "address", ok);
  auto messages = value.find("messages");
  if (!ok || messages == value.end() || !messages->is_array()) {
    problem = "a conversation lacks its id, address or messages";
    return false;
  }
  for (const json& item : *messages) {
    bool fine = item.is_object();
    DemoMessage message;
    if (fine) {
      message.identifier = TextOf(item, "id", fine);
      message.box = TextOf(item, "box", fine);
      message.date = TextOf(item, "date", fine);
      message.body = TextOf(item, "body", fine);
      auto read = item.find("read");
      message.read = read == item.end() || !read->is_boolean() || read->get<bool>();
    }
    if (fine && message.box != L"inbox" && message.box != L"sent" && message.box != L"draft") fine = false;
    if (fine && !IsMessageDate(message.date)) fine = false;
    if (!fine) {
      ++failedMessages;
      if (problem.empty()) problem = "a message lacks its id, box, date or text";
      continue;
    }
    conversation.messages.push_back(std::move(message));
  }
  return true;
}

void Fail(MessageReadResult& result, size_t count, const std::string& line) {
  AddProblem(result.problems, result.failed, line);
  result.failed += count;
}

}  // namespace

bool IsMessageDate(const std::wstring& date) {
  // "YYYY-MM-DD HH:MM"
  if (date.size() != 16) return false;
  for (size_t i = 0; i < date.size(); ++i) {
    const wchar_t c = date[i];
    const bool digit = c >= L'0' && c <= L'9';
    if (i == 4 || i == 7) {
      if (c != L'-') return false;
    } else if (i == 10) {
      if (c != L' ') return false;
    } else if (i == 13) {
      if (c != L':') return false;
    } else if (!digit) {
      return false;
    }
  }
  const int month = std::stoi(date.substr(5, 2));
  const int day = std::stoi(date.substr(8, 2));
  const int hour = std::stoi(date.substr(11, 2));
  const int minute = std::stoi(date.substr(14, 2));
  return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59;
}

bool WriteMessageBackup(ByteSink& sink, const std::vector<DemoConversation>& conversations) {
  try {
    std::string text = "{\"format\": \"" + std::string(kFormatMarker) +
                       "\", \"version\": " + std::to_string(kMessageBackupVersion) + ", \"conversations\": [\n";
    if (!sink.Write(text)) return false;
    for (size_t i = 0; i < conversations.size(); ++i) {
      text = ConversationJson(conversations[i]).dump(-1, ' ', false, json::error_handler_t::replace);
      text += i + 1 < conversations.size() ? ",\n" : "\n";
      if (!sink.Write(text)) return false;
    }
    return sink.Write(std::string(kListEnd) + "\n");
  } catch (...) {
    return false;
  }
}

std::string WriteMessageBackup(const std::vector<DemoConversation>& conversations) {
  return WriteToString([&](ByteSink& sink) { return WriteMessageBackup(sink, conversations); });
}

MessageReadResult ReadMessageBackup(std::istream& in) {
  MessageReadResult result;
  try {
    std::string line;
    if (!std::getline(in, line)) {
      Fail(result, 1, "the file is empty");
      return result;
    }
    if (line.size() >= 3 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
    json header = json::parse(line + std::string(kListEnd), nullptr, false);
    if (header.is_discarded() || !header.is_object() || header.value("format", std::string()) != kFormatMarker) {
      Fail(result, 1, "this is not a message backup of this program");
      return result;
    }
    auto version = header.find("version");
    if (version == header.end() || !version->is_number_integer() || version->get<int64_t>() < 1 ||
        version->get<int64_t>() > kMessageBackupVersion) {
      Fail(result, 1, "the backup was made by a newer version of this program");
      return result;
    }
    bool closed = false;
    size_t lineNumber = 1;
    while (std::getline(in, line)) {
      ++lineNumber;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line == kListEnd) {
        closed = true;
        break;
      }
      if (!line.empty() && line.back() == ',') line.pop_back();
      if (line.empty()) continue;
      json value = json::parse(line, nullptr, false);
      DemoConversation conversation;
      size_t failedMessages = 0;
      std::string problem;
      if (value.is_discarded() || !ReadConversation(value, conversation, failedMessages, problem)) {
        Fail(result, 1, "line " + std::to_string(lineNumber) + ": " + (problem.empty() ? "damaged" : problem));
        continue;
      }
      if (failedMessages > 0) Fail(result, failedMessages, "line " + std::to_string(lineNumber) + ": " + problem);
      if (!conversation.messages.empty()) result.conversations.push_back(std::move(conversation));
    }
    if (!closed) Fail(result, 1, "the backup ends early; the conversations before the end were read");
  } catch (...) {
    result.conversations.clear();
    Fail(result, 1, "the backup could not be read");
  }
  return result;
}

MessageReadResult ReadMessageBackup(const std::string& bytes) {
  std::istringstream in(bytes);
  return ReadMessageBackup(in);
}
