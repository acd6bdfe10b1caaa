#include "modules/courier/MessageStore.h"

#include <algorithm>
#include <cwchar>
#include <fstream>
#include <system_error>
#include <unordered_set>

#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/MessageFormats.h"

namespace {

constexpr wchar_t kLocalPrefix[] = L"local-";
constexpr size_t kLocalPrefixLength = 6;

// The digits (and a leading plus) of a number: "+33 6 12" and "+33612" are one address.
std::wstring AddressKey(const std::wstring& address) {
  std::wstring key;
  for (wchar_t c : address)
    if ((c >= L'0' && c <= L'9') || (c == L'+' && key.empty())) key.push_back(c);
  return key.empty() ? address : key;
}

}  // namespace

void MessageStore::Open(const DemoPhone& phone, const std::filesystem::path& stateFile, std::string& error) {
  m_stateFile = stateFile;
  m_conversations.clear();
  MessageReadResult read;
  const SavedCopy copy = OpenSavedCopy(stateFile, "messages", [&](std::istream& in, std::string& problem) {
    read = ReadMessageBackup(in);
    if (!read.problems.empty()) problem = read.problems.front();
    return read.failed == 0;
  });
  m_keptAs = copy.keptAs;
  m_persistBlocked = copy.blocked;
  error = copy.error;
  if (copy.whole || !read.conversations.empty()) {
    m_conversations = std::move(read.conversations);
    Reindex();
    std::string persistError;
    if (!copy.whole && m_persistBlocked.empty() && !Persist(persistError)) error += "; " + persistError;
    return;
  }
  m_conversations = phone.conversations;
  Reindex();
}

size_t MessageStore::Position(const std::wstring& conversationId) const {
  auto it = m_index.find(conversationId);
  return it == m_index.end() ? m_conversations.size() : it->second;
}

const DemoConversation* MessageStore::Find(const std::wstring& conversationId) const {
  const size_t position = Position(conversationId);
  return position < m_conversations.size() ? &m_conversations[position] : nullptr;
}

const DemoConversation* MessageStore::FindByAddress(const std::wstring& address) const {
  auto it = m_byAddress.find(AddressKey(address));
  return it == m_byAddress.end() ? nullptr : &m_conversations[it->second];
}

std::vector<size_t> MessageStore::ByLatest() const {
  std::vector<const std::wstring*> latest(m_conversations.size());
  static const std::wstring kNone;
  std::vector<size_t> order(m_conversations.size());
  for (size_t i = 0; i < m_conversations.size(); ++i) {
    order[i] = i;
    latest[i] = &kNone;
    for (const DemoMessage& message : m_conversations[i].messages)
      if (message.date > *latest[i]) latest[i] = &message.date;
  }
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return *latest[a] > *latest[b]; });
  return order;
}

size_t MessageStore::RemoveMessages(const std::vector<std::pair<std::wstring, std::wstring>>& messages) {
  std::unordered_map<size_t, std::unordered_set<std::wstring>> doomed;
  for (const auto& message : messages) {
    const size_t position = Position(message.first);
    if (position < m_conversations.size()) doomed[position].insert(message.second);
  }
  size_t removed = 0;
  for (auto& entry : doomed) {
    std::vector<DemoMessage>& held = m_conversations[entry.first].messages;
    const size_t before = held.size();
    held.erase(std::remove_if(held.begin(), held.end(),
                              [&](const DemoMessage& message) { return entry.second.count(message.identifier) != 0; }),
               held.end());
    removed += before - held.size();
  }
  if (removed == 0) return 0;
  m_conversations.erase(
      std::remove_if(m_conversations.begin(), m_conversations.end(),
                     [](const DemoConversation& conversation) { return conversation.messages.empty(); }),
      m_conversations.end());
  Reindex();
  return removed;
}

std::wstring MessageStore::AddMessage(const std::wstring& address, DemoMessage& message) {
  while (message.identifier.empty() || m_ids.count(message.identifier) != 0)
    message.identifier = kLocalPrefix + std::to_wstring(m_nextNumber++);
  ++m_ids[message.identifier];
  ++m_messageCount;
  const std::wstring key = AddressKey(address);
  auto held = m_byAddress.find(key);
  if (held != m_byAddress.end()) {
    DemoConversation& conversation = m_conversations[held->second];
    conversation.messages.push_back(message);
    return conversation.identifier;
  }
  DemoConversation conversation;
  do {
    conversation.identifier = std::wstring(L"local-t") + std::to_wstring(m_nextNumber++);
  } while (m_index.count(conversation.identifier) != 0);
  conversation.address = address;
  conversation.messages.push_back(message);
  m_index.emplace(conversation.identifier, m_conversations.size());
  m_byAddress.emplace(key, m_conversations.size());
  m_conversations.push_back(std::move(conversation));
  return m_conversations.back().identifier;
}

bool MessageStore::MarkRead(const std::wstring& conversationId) {
  const size_t position = Position(conversationId);
  if (position >= m_conversations.size()) return false;
  for (DemoMessage& message : m_conversations[position].messages) message.read = true;
  return true;
}

bool MessageStore::Holds(const std::wstring& address, const DemoMessage& message) const {
  const DemoConversation* conversation = FindByAddress(address);
  if (conversation == nullptr) return false;
  for (const DemoMessage& held : conversation->messages)
    if (held.box == message.box && held.date == message.date && held.body == message.body) return true;
  return false;
}

bool MessageStore::Persist(std::string& error) const {
  if (m_stateFile.empty()) return true;
  if (!m_persistBlocked.empty()) {
    error = m_persistBlocked;
    return false;
  }
  std::error_code failure;
  std::filesystem::create_directories(m_stateFile.parent_path(), failure);
  SafeFileWriter file(m_stateFile, SafeFileWriter::Replace::kAllow);
  if (!file.Open() || !WriteMessageBackup(file, m_conversations) || !file.Commit()) {
    error = "the messages could not be written: " + (file.Failed() ? file.Error() : std::string("out of memory"));
    file.Abandon();
    return false;
  }
  return true;
}

void MessageStore::Reindex() {
  m_index.clear();
  m_byAddress.clear();
  m_ids.clear();
  m_messageCount = 0;
  for (size_t i = 0; i < m_conversations.size(); ++i) {
    m_index.emplace(m_conversations[i].identifier, i);
    // Two conversations with one number (a damaged copy) are found by the first.
    m_byAddress.emplace(AddressKey(m_conversations[i].address), i);
    for (const DemoMessage& message : m_conversations[i].messages) {
      ++m_ids[message.identifier];
      ++m_messageCount;
      // Identifiers given out before a restart are not given again.
      if (message.identifier.compare(0, kLocalPrefixLength, kLocalPrefix) == 0) {
        const uint64_t number = std::wcstoull(message.identifier.c_str() + kLocalPrefixLength, nullptr, 10);
        if (number >= m_nextNumber) m_nextNumber = number + 1;
      }
    }
    const std::wstring& id = m_conversations[i].identifier;
    if (id.compare(0, kLocalPrefixLength + 1, L"local-t") == 0) {
      const uint64_t number = std::wcstoull(id.c_str() + kLocalPrefixLength + 1, nullptr, 10);
      if (number >= m_nextNumber) m_nextNumber = number + 1;
    }
  }
}
