// The <smses> XML that SMS backup apps on Android phones read and write: one <sms> element per
// message with its number, date in milliseconds, type (1 received, 2 sent, 3 draft) and text in
// attributes. The reader is a small tolerant scanner, not a general XML parser: such files
// are often large, and only attributes of <sms> elements matter.
#include <cstdint>
#include <map>

#include "modules/courier/formats/FormatText.h"
#include "modules/courier/formats/MessageFormats.h"

using namespace formats;

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

int64_t DateToMillis(const std::wstring& date) {
  if (!IsMessageDate(date)) return 0;
  const int64_t year = std::stoi(date.substr(0, 4));
  const unsigned month = static_cast<unsigned>(std::stoi(date.substr(5, 2)));
  const unsigned day = static_cast<unsigned>(std::stoi(date.substr(8, 2)));
  const int64_t minutes = std::stoi(date.substr(11, 2)) * 60 + std::stoi(date.substr(14, 2));
  return (DaysFromCivil(year, month, day) * 1440 + minutes) * 60000;
}

std::wstring MillisToDate(int64_t millis) {
  int64_t minutes = millis / 60000;
  if (millis < 0 && millis % 60000 != 0) --minutes;
  int64_t days = minutes / 1440;
  int64_t rest = minutes % 1440;
  if (rest < 0) rest += 1440, --days;
  // Civil from days (inverse of DaysFromCivil).
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = static_cast<int64_t>(yoe) + era * 400 + (month <= 2);
  if (year < 1 || year > 9999) return std::wstring();
  wchar_t text[32];
  swprintf(text, 32, L"%04d-%02u-%02u %02d:%02d", static_cast<int>(year), month, day, static_cast<int>(rest / 60),
           static_cast<int>(rest % 60));
  return text;
}

int BoxType(const std::wstring& box) {
  if (box == L"sent") return 2;
  if (box == L"draft") return 3;
  return 1;
}

void AppendUtf8(std::string& out, uint32_t code) {
  std::wstring wide;
  if (code > 0xFFFF && sizeof(wchar_t) == 2) {
    code -= 0x10000;
    wide = {static_cast<wchar_t>(0xD800 + (code >> 10)), static_cast<wchar_t>(0xDC00 + (code & 0x3FF))};
  } else {
    wide.push_back(static_cast<wchar_t>(code));
  }
  out += WideToUtf8(wide);
}

// Decodes the entities of an attribute value. Phone apps write characters beyond the BMP as
// two numeric references, one per UTF-16 half; the halves are joined here. A lone half or a
// reference to no character becomes U+FFFD.
std::string DecodeEntities(std::string_view raw) {
  std::string out;
  uint32_t pendingHigh = 0;
  auto flushHigh = [&] {
    if (pendingHigh != 0) AppendUtf8(out, 0xFFFD);
    pendingHigh = 0;
  };
  for (size_t i = 0; i < raw.size();) {
    if (raw[i] != '&') {
      flushHigh();
      out.push_back(raw[i++]);
      continue;
    }
    const size_t end = raw.find(';', i);
    if (end == std::string_view::npos || end - i > 12) {
      flushHigh();
      out.push_back(raw[i++]);
      continue;
    }
    const std::string_view name = raw.substr(i + 1, end - i - 1);
    i = end + 1;
    uint32_t code = 0;
    if (name == "amp")
      code = '&';
    else if (name == "lt")
      code = '<';
    else if (name == "gt")
      code = '>';
    else if (name == "quot")
      code = '"';
    else if (name == "apos")
      code = '\'';
    else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x' || name[1] == 'X';
      uint64_t value = 0;
      bool ok = name.size() > (hex ? 2u : 1u);
      for (size_t k = hex ? 2 : 1; ok && k < name.size(); ++k) {
        const char c = name[k];
        int digit = c >= '0' && c <= '9'          ? c - '0'
                    : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                  : -1;
        if (digit < 0)
          ok = false;
        else
          value = value * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (value > 0x10FFFF) ok = false;
      }
      code = ok ? static_cast<uint32_t>(value) : 0xFFFD;
    } else {
      code = 0xFFFD;
    }
    if (code >= 0xD800 && code <= 0xDBFF) {
      flushHigh();
      pendingHigh = code;
      continue;
    }
    if (code >= 0xDC00 && code <= 0xDFFF) {
      if (pendingHigh == 0) {
        AppendUtf8(out, 0xFFFD);
        continue;
      }
      code = 0x10000 + ((pendingHigh - 0xD800) << 10) + (code - 0xDC00);
      pendingHigh = 0;
    } else {
      flushHigh();
    }
    AppendUtf8(out, code == 0 ? 0xFFFD : code);
  }
  flushHigh();
  return out;
}

// The attributes of one start tag from just after its name to its end; false when the tag is
// cut short.
bool ReadAttributes(const std::string& bytes, size_t& i, std::map<std::string, std::string>& attributes) {
  while (i < bytes.size()) {
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n')) ++i;
    if (i >= bytes.size()) return false;
    if (bytes[i] == '>' || bytes[i] == '/') {
      const size_t close = bytes.find('>', i);
      if (close == std::string::npos) return false;
      i = close + 1;
      return true;
    }
    const size_t nameStart = i;
    while (i < bytes.size() && bytes[i] != '=' && bytes[i] != '>' && bytes[i] != ' ' && bytes[i] != '/') ++i;
    const std::string name = bytes.substr(nameStart, i - nameStart);
    while (i < bytes.size() && bytes[i] == ' ') ++i;
    if (i >= bytes.size() || bytes[i] != '=') {
      if (name.empty()) ++i;  // a stray character: skip it
      continue;
    }
    ++i;
    while (i < bytes.size() && bytes[i] == ' ') ++i;
    if (i >= bytes.size() || (bytes[i] != '"' && bytes[i] != '\'')) return false;
    const char quote = bytes[i++];
    const size_t end = bytes.find(quote, i);
    if (end == std::string::npos) return false;
    attributes[name] = DecodeEntities(std::string_view(bytes).substr(i, end - i));
    i = end + 1;
  }
  return false;
}

// Dates before 1970 are negative.
bool ParseMillis(const std::string& text, int64_t& millis) {
  const bool negative = !text.empty() && text[0] == '-';
  const size_t digits = text.size() - (negative ? 1 : 0);
  if (digits == 0 || digits > 17) return false;
  millis = 0;
  for (size_t i = negative ? 1 : 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    millis = millis * 10 + (c - '0');
  }
  if (negative) millis = -millis;
  return true;
}

}  // namespace

bool WriteMessagesXml(ByteSink& sink, const std::vector<DemoConversation>& conversations) {
  try {
    size_t total = 0;
    for (const DemoConversation& conversation : conversations) total += conversation.messages.size();
    if (!sink.Write("<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"" +
                    std::to_string(total) + "\">\n"))
      return false;
    for (const DemoConversation& conversation : conversations) {
      std::string text;
      const std::string address = EscapeMarkup(conversation.address, true);
      for (const DemoMessage& message : conversation.messages) {
        text += "  <sms protocol=\"0\" address=\"" + address + "\" date=\"" +
                std::to_string(DateToMillis(message.date)) + "\" type=\"" + std::to_string(BoxType(message.box)) +
                "\" subject=\"null\" body=\"" + EscapeMarkup(message.body, true) +
                "\" toa=\"null\" sc_toa=\"null\" service_center=\"null\" read=\"" + (message.read ? "1" : "0") +
                "\" status=\"-1\" locked=\"0\" readable_date=\"" + EscapeMarkup(message.date, true) + "\" />\n";
      }
      if (!sink.Write(text)) return false;
    }
    return sink.Write("</smses>\n");
  } catch (...) {
    return false;
  }
}

MessageReadResult ReadMessagesXml(const std::string& bytes) {
  MessageReadResult result;
  try {
    if (bytes.find("<smses") == std::string::npos) {
      AddProblem(result.problems, result.failed, "this is not an SMS backup in XML");
      ++result.failed;
      return result;
    }
    std::map<std::wstring, size_t> byAddress;
    size_t i = 0;
    while ((i = bytes.find("<sms", i)) != std::string::npos) {
      i += 4;
      if (i >= bytes.size() || (bytes[i] != ' ' && bytes[i] != '\t' && bytes[i] != '\r' && bytes[i] != '\n'))
        continue;  // <smses> or another element
      std::map<std::string, std::string> attributes;
      if (!ReadAttributes(bytes, i, attributes)) {
        AddProblem(result.problems, result.failed, "the file ends inside a message");
        ++result.failed;
        break;
      }
      DemoMessage message;
      int64_t millis = 0;
      const std::string address = CleanControls(attributes["address"]);
      auto body = attributes.find("body");
      if (address.empty() || body == attributes.end() || !ParseMillis(attributes["date"], millis) ||
          (message.date = MillisToDate(millis)).empty()) {
        AddProblem(result.problems, result.failed, "a message lacks its number, date or text");
        ++result.failed;
        continue;
      }
      message.body = Utf8ToWideLenient(CleanControls(body->second));
      const std::string& type = attributes["type"];
      message.box = type == "1" ? L"inbox" : type == "2" ? L"sent" : L"draft";
      message.read = attributes["read"] != "0";
      const std::wstring number = Utf8ToWideLenient(address);
      auto found = byAddress.find(number);
      if (found == byAddress.end()) {
        found = byAddress.emplace(number, result.conversations.size()).first;
        result.conversations.emplace_back();
        result.conversations.back().address = number;
      }
      result.conversations[found->second].messages.push_back(std::move(message));
    }
  } catch (...) {
    result.conversations.clear();
    AddProblem(result.problems, result.failed, "the file could not be read");
    ++result.failed;
  }
  return result;
}
