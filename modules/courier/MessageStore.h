// The messages of one demo phone as the phone holds them now: the data file's conversations,
// changed by deletes, imports and sent messages, and kept in a per-user copy so that the
// changes survive a restart. The shipped data file is never written. Used only on the
// service's operations thread; plain code with no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "modules/courier/DemoData.h"

class MessageStore {
 public:
  // `stateFile` is the per-user copy; empty keeps changes in memory only. A copy that cannot be
  // read in full is moved aside under a numbered name (KeptAs) and what could be read is kept;
  // `error` says what happened. A copy that cannot be moved aside is left alone and nothing is
  // written over it (Persist fails).
  void Open(const DemoPhone& phone, const std::filesystem::path& stateFile, std::string& error);
  const std::filesystem::path& KeptAs() const { return m_keptAs; }

  const std::vector<DemoConversation>& Conversations() const { return m_conversations; }
  size_t MessageCount() const { return m_messageCount; }
  // Null when there is no such conversation.
  const DemoConversation* Find(const std::wstring& conversationId) const;
  const DemoConversation* FindByAddress(const std::wstring& address) const;
  // Conversation positions, latest message first (the order the phone lists them in).
  std::vector<size_t> ByLatest() const;

  // Removes every message named {conversation id, message id} in one pass (a delete of whole
  // conversations from a big phone would otherwise re-index once per conversation); returns
  // how many were there.
  size_t RemoveMessages(const std::vector<std::pair<std::wstring, std::wstring>>& messages);
  // Adds a message to the conversation with `address` (made when there is none) under a new
  // identifier unless its own is unused, which `message` then holds; returns the
  // conversation's identifier.
  std::wstring AddMessage(const std::wstring& address, DemoMessage& message);
  // Marks every message of a conversation read; false when there is no such conversation.
  bool MarkRead(const std::wstring& conversationId);
  // True when the conversation with `address` already holds a message of the same box, date
  // and text: restoring a backup twice must not double it.
  bool Holds(const std::wstring& address, const DemoMessage& message) const;

  // Writes the per-user copy through a temporary file; false with `error` when it cannot.
  bool Persist(std::string& error) const;

 private:
  void Reindex();
  size_t Position(const std::wstring& conversationId) const;

  std::vector<DemoConversation> m_conversations;
  std::unordered_map<std::wstring, size_t> m_index;      // conversation id to position
  std::unordered_map<std::wstring, size_t> m_byAddress;  // address digits to position
  std::unordered_map<std::wstring, size_t> m_ids;        // message id to use count
  size_t m_messageCount = 0;
  std::filesystem::path m_stateFile;
  std::filesystem::path m_keptAs;
  std::string m_persistBlocked;
  uint64_t m_nextNumber = 1;
};
