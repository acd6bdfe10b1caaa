// A phone's text messages as its SMS provider prints them (`content query --uri content://sms`),
// gathered into conversations by thread. Only reading: Android lets only the phone's default
// SMS app write messages. Multimedia messages live in another provider and are not read.
// Plain code, tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/adb/PhoneShellOutput.h"

// The columns messages are read with, the body last (it may hold anything).
extern const std::vector<std::string> kSmsColumns;
std::string SmsQueryCommand();

// "YYYY-MM-DD HH:MM" of the phone's milliseconds since 1970 (UTC), moved by `offsetMinutes`
// to the PC's local time; empty for a date that is no number.
std::wstring SmsDateText(const std::string& milliseconds, int32_t offsetMinutes);

class SmsCollector {
 public:
  // The PC's offset from UTC in minutes at a moment (milliseconds since 1970, UTC): a message
  // from summer shows summer time, whatever the season of reading.
  typedef std::function<int32_t(int64_t utcMilliseconds)> UtcOffset;
  explicit SmsCollector(UtcOffset offsetAt) : m_offsetAt(std::move(offsetAt)) {}
  // One row; a row without thread or identifier is skipped (false).
  bool Add(const ContentRow& row);
  size_t MessageCount() const { return m_messages; }
  // The conversations, their messages oldest first, in the order their threads first came.
  std::vector<DemoConversation> Take();

 private:
  struct Dated {
    int64_t milliseconds;
    DemoMessage message;
  };
  struct Thread {
    std::wstring address;
    std::vector<Dated> messages;
  };
  UtcOffset m_offsetAt;
  std::vector<std::string> m_order;
  std::map<std::string, Thread> m_threads;
  size_t m_messages = 0;
};
