// The conversations one phone's messages pane holds, newest first, and the search over them:
// by the contact's name, by the number (spaces, dashes and brackets ignored) or by any text of
// any message. Received and sent messages move their conversation to the top, or start one.
// Needs no window.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "contracts/MessageRecords.h"

class ConversationBook {
 public:
  ConversationBook() = default;
  ConversationBook(const ConversationBook&) = delete;
  ConversationBook& operator=(const ConversationBook&) = delete;

  void Clear();
  // Takes the record over, at the end of the list (the service sends the newest first). The
  // record's texts are folded for the search in place.
  void Append(ConversationRecord* conversation);
  size_t Count() const { return m_items.size(); }
  ConversationRecord* At(size_t index) const { return m_items[index].get(); }
  ConversationRecord* Find(const std::wstring& identifier) const;
  // Position in the list, or -1.
  int IndexOf(const ConversationRecord* conversation) const;

  // A message arrived or was sent: its conversation takes it as its last message and moves to
  // the top; a message of an unknown conversation starts one named by the message's number.
  // Returns the conversation; `created` tells whether it is new.
  ConversationRecord* AddMessage(const MessageRecord& message, bool& created);
  // A message left the phone: its conversation counts one less and goes when it has none left
  // (then null is returned and `removed` is set). Unknown conversations change nothing.
  ConversationRecord* RemoveMessage(const MessageRecord& message, bool& removed);
  // A received message was read on the phone.
  void MarkOneRead(const std::wstring& conversationId);
  void MarkRead(const std::wstring& conversationId);

  // The conversations that match `query` (any case), in list order; all for an empty query.
  std::vector<ConversationRecord*> Search(const std::wstring& query) const;
  bool Matches(const ConversationRecord& conversation, const std::wstring& query) const;

  // The text the list shows for a conversation's count.
  static std::wstring CountText(const ConversationRecord& conversation);
  // Lower case, as the panes' search boxes compare.
  static void Fold(std::wstring& text);
  // A number with only its digits (and a leading +), so "+47 400-10 001" finds "4740010001".
  static std::wstring DigitsOf(const std::wstring& number);

 private:
  struct Item {
    std::unique_ptr<ConversationRecord> record;
    std::wstring foldedName;
    std::wstring digits;
    ConversationRecord* get() const { return record.get(); }
  };
  void MoveToTop(size_t index);
  static Item MakeItem(ConversationRecord* conversation);

  std::vector<Item> m_items;
};
