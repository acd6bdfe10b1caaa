// The files messages are kept in and exported to. Plain functions over the demo model with no
// Windows API, so they build natively under the sanitizers and the fuzzers.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/formats/ContactFormats.h"

// What a reader made of one file.
struct MessageReadResult {
  std::vector<DemoConversation> conversations;  // what could be read, in file order
  size_t failed = 0;                            // messages (or the whole file) not read
  std::vector<std::string> problems;            // one short UTF-8 line per failure, capped
};

// The product's message backup: JSON with a format version, one conversation a line, so that
// it is written as a stream and read back one conversation at a time. Reading restores exactly
// what was written, identifiers included; a damaged line costs that conversation only.
constexpr int kMessageBackupVersion = 1;
bool WriteMessageBackup(ByteSink& sink, const std::vector<DemoConversation>& conversations);
std::string WriteMessageBackup(const std::vector<DemoConversation>& conversations);
MessageReadResult ReadMessageBackup(std::istream& in);
MessageReadResult ReadMessageBackup(const std::string& bytes);

// Whether a date is "YYYY-MM-DD HH:MM" with plausible numbers.
bool IsMessageDate(const std::wstring& date);
