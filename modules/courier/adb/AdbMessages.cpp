#include "modules/courier/adb/AdbMessages.h"

#include <algorithm>
#include <cstdio>

#include "modules/courier/adb/PhoneShellOutput.h"
#include "modules/courier/formats/FormatText.h"

namespace {

// Days since 1970-01-01 to the civil date (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& year, unsigned& month, unsigned& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned shifted = (5 * dayOfYear + 2) / 153;
  day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  month = shifted < 10 ? shifted + 3 : shifted - 9;
  year = static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

const std::string* Value(const ContentRow& row, const char* column) {
  auto found = row.find(column);
  return found == row.end() ? nullptr : &found->second;
}

}  // namespace

const std::vector<std::string> kSmsColumns = {"_id", "thread_id", "address", "date", "type", "read", "body"};

std::string SmsQueryCommand() {
  std::string projection;
  for (const std::string& column : kSmsColumns) projection += (projection.empty() ? "" : ":") + column;
  return "content query --uri content://sms --projection " + projection + " --sort date";
}

std::wstring SmsDateText(const std::string& milliseconds, int32_t offsetMinutes) {
  int64_t value = 0;
  if (!ParseShellNumber(milliseconds, value)) return std::wstring();
  const int64_t minutes = value / 60000 + offsetMinutes;
  int64_t days = minutes / 1440;
  int64_t minuteOfDay = minutes % 1440;
  if (minuteOfDay < 0) {
    minuteOfDay += 1440;
    --days;
  }
  int64_t year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, year, month, day);
  char text[48];
  std::snprintf(text, sizeof(text), "%04lld-%02u-%02u %02d:%02d", static_cast<long long>(year), month, day,
                static_cast<int>(minuteOfDay / 60), static_cast<int>(minuteOfDay % 60));
  return std::wstring(text, text + std::char_traits<char>::length(text));
}

bool SmsCollector::Add(const ContentRow& row) {
  const std::string* id = Value(row, "_id");
  const std::string* thread = Value(row, "thread_id");
  if (id == nullptr || thread == nullptr || id->empty() || thread->empty()) return false;
  auto found = m_threads.find(*thread);
  if (found == m_threads.end()) {
    m_order.push_back(*thread);
    found = m_threads.emplace(*thread, Thread()).first;
  }
  Thread& target = found->second;
  const std::string* address = Value(row, "address");
  if (target.address.empty() && address != nullptr) target.address = formats::Utf8ToWideLenient(*address);

  Dated dated{0, DemoMessage()};
  const std::string* date = Value(row, "date");
  if (date != nullptr && ParseShellNumber(*date, dated.milliseconds))
    dated.message.date = SmsDateText(*date, m_offsetAt ? m_offsetAt(dated.milliseconds) : 0);
  dated.message.identifier = formats::Utf8ToWideLenient(*id);
  // 1 received, 3 draft; sent, outbox, failed and queued ones all went out from this phone.
  const std::string* type = Value(row, "type");
  dated.message.box = type == nullptr || *type == "1" ? L"inbox" : *type == "3" ? L"draft" : L"sent";
  const std::string* read = Value(row, "read");
  dated.message.read = read == nullptr || *read != "0";
  const std::string* body = Value(row, "body");
  if (body != nullptr) dated.message.body = formats::Utf8ToWideLenient(*body);
  target.messages.push_back(std::move(dated));
  ++m_messages;
  return true;
}

std::vector<DemoConversation> SmsCollector::Take() {
  std::vector<DemoConversation> conversations;
  conversations.reserve(m_order.size());
  for (const std::string& thread : m_order) {
    Thread& source = m_threads[thread];
    std::stable_sort(source.messages.begin(), source.messages.end(),
                     [](const Dated& a, const Dated& b) { return a.milliseconds < b.milliseconds; });
    DemoConversation conversation;
    conversation.identifier = formats::Utf8ToWideLenient(thread);
    conversation.address = source.address;
    for (Dated& dated : source.messages) conversation.messages.push_back(std::move(dated.message));
    conversations.push_back(std::move(conversation));
  }
  m_order.clear();
  m_threads.clear();
  m_messages = 0;
  return conversations;
}
