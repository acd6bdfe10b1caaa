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

// What the export sub-kinds of the messages pane make of the checked conversations: the first
// five write one file of them all, the next three one file per conversation into a new folder,
// the last backs up every conversation of the phone whatever is checked.
enum class MessageExport {
  kBackup = 1,           // our backup (.bak), which import restores exactly
  kHtml = 2,             // a page a person reads in any browser (.html)
  kText = 3,             // plain text (.txt)
  kCsv = 4,              // comma-separated values for spreadsheets (.csv)
  kXml = 5,              // the <smses> XML that SMS backup apps on phones read and write (.xml)
  kHtmlEach = 6,         // one page per conversation
  kTextEach = 7,         // one text file per conversation
  kCsvEach = 8,          // one CSV file per conversation
  kBackupEverything = 9  // a backup of all conversations of the phone
};

// Writers of the other formats; `phoneName` heads the page and the text. Each writes the
// conversations in the order given and every message in date order.
bool WriteMessagesHtml(ByteSink& sink, const std::vector<DemoConversation>& conversations,
                       const std::wstring& phoneName);
bool WriteMessagesText(ByteSink& sink, const std::vector<DemoConversation>& conversations,
                       const std::wstring& phoneName);
// UTF-8 with a byte-order mark (so spreadsheet programs take it for UTF-8), CRLF, RFC 4180 quoting.
bool WriteMessagesCsv(ByteSink& sink, const std::vector<DemoConversation>& conversations);
// Dates are written as milliseconds since 1970 taking "YYYY-MM-DD HH:MM" as UTC, and read back
// the same way, so a file this program wrote comes back unchanged.
bool WriteMessagesXml(ByteSink& sink, const std::vector<DemoConversation>& conversations);
// Reads <sms> elements in any order, grouped into one conversation per number; identifiers are
// left empty (the phone gives new ones). MMS and other elements are skipped; an <sms> without
// an address, date or body is counted as failed.
MessageReadResult ReadMessagesXml(const std::string& bytes);

// Whether a date is "YYYY-MM-DD HH:MM" with plausible numbers.
bool IsMessageDate(const std::wstring& date);
