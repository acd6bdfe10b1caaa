// Messages and conversations as the device service hands them to the host and the messages
// pane. Both extend MediaRecord, whose fields the host reads; they are always destroyed as
// their own type (MediaRecord has no virtual destructor), by the side the command names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contracts/MediaRecords.h"

// Android's message boxes, as the phone numbers them.
constexpr int32_t kMessageBoxInbox = 1;
constexpr int32_t kMessageBoxSent = 2;
constexpr int32_t kMessageBoxDraft = 3;

// One message. `identifier` is the phone's message id, `name` the other side's number.
struct MessageRecord : MediaRecord {
  std::wstring conversationId;
  int32_t box = kMessageBoxInbox;
  bool read = true;
  std::wstring date;  // local time, "YYYY-MM-DD HH:MM"
  std::wstring body;
};

// One conversation. `identifier` is the phone's thread id, `name` the contact's name when the
// phone knows the number (else the number), `itemCount` its number of messages.
struct ConversationRecord : MediaRecord {
  std::wstring address;
  std::wstring snippet;  // the last message's text
  std::wstring date;     // of the last message
  int64_t unread = 0;
  // Every message's text, one after another with a line break between, so the pane can search
  // all texts without holding every message. The pane may fold it for its search.
  std::wstring texts;
};

// Lists of records made with new; who deletes the records is said where a list is passed.
typedef std::vector<ConversationRecord*> ConversationList;
typedef std::vector<MessageRecord*> MessageList;

// A message the user wrote, passed on to the phone (`data` of request 10 and operation 32):
// made with new by the pane, deleted by the device service.
struct OutgoingMessage {
  std::vector<std::wstring> recipients;  // numbers
  std::wstring body;
};
