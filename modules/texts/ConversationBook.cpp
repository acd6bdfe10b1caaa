#include "modules/texts/ConversationBook.h"

#include <algorithm>
#include <cwctype>

#include "kit/SearchText.h"

namespace {

std::wstring FirstLine(const std::wstring& body) {
  const size_t end = body.find(L'\n');
  return end == std::wstring::npos ? body : body.substr(0, end);
}

// A query that is a phone number: digits with the separators people type between them.
bool LooksLikeNumber(const std::wstring& query) {
  bool digit = false;
  for (wchar_t c : query) {
    if (c >= L'0' && c <= L'9')
      digit = true;
    else if (c != L'+' && c != L' ' && c != L'-' && c != L'(' && c != L')' && c != L'.')
      return false;
  }
  return digit;
}

}  // namespace

void ConversationBook::Fold(std::wstring& text) { text = LowerCased(text); }

std::wstring ConversationBook::DigitsOf(const std::wstring& number) {
  std::wstring digits;
  for (wchar_t c : number)
    if ((c >= L'0' && c <= L'9') || (c == L'+' && digits.empty())) digits += c;
  return digits;
}

std::wstring ConversationBook::CountText(const ConversationRecord& conversation) {
  return std::to_wstring(conversation.itemCount);
}

ConversationBook::Item ConversationBook::MakeItem(ConversationRecord* conversation) {
  Item item;
  item.record.reset(conversation);
  item.foldedName = conversation->name;
  Fold(item.foldedName);
  item.digits = DigitsOf(conversation->address);
  Fold(conversation->texts);
  return item;
}

void ConversationBook::Clear() { m_items.clear(); }

void ConversationBook::Append(ConversationRecord* conversation) {
  if (conversation == nullptr) return;
  m_items.push_back(MakeItem(conversation));
}

ConversationRecord* ConversationBook::Find(const std::wstring& identifier) const {
  for (const Item& item : m_items)
    if (item.record->identifier == identifier) return item.get();
  return nullptr;
}

int ConversationBook::IndexOf(const ConversationRecord* conversation) const {
  for (size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].get() == conversation) return static_cast<int>(i);
  return -1;
}

void ConversationBook::MoveToTop(size_t index) {
  if (index == 0 || index >= m_items.size()) return;
  std::rotate(m_items.begin(), m_items.begin() + static_cast<std::ptrdiff_t>(index),
              m_items.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

ConversationRecord* ConversationBook::AddMessage(const MessageRecord& message, bool& created) {
  created = false;
  ConversationRecord* conversation = Find(message.conversationId);
  if (conversation == nullptr) {
    auto* fresh = new ConversationRecord;
    fresh->identifier = message.conversationId;
    fresh->name = message.name;
    fresh->address = message.name;
    m_items.insert(m_items.begin(), MakeItem(fresh));
    conversation = fresh;
    created = true;
  } else {
    MoveToTop(static_cast<size_t>(IndexOf(conversation)));
  }
  conversation->itemCount += 1;
  if (!message.read) conversation->unread += 1;
  conversation->snippet = FirstLine(message.body);
  conversation->date = message.date;
  std::wstring folded = message.body;
  Fold(folded);
  if (!conversation->texts.empty()) conversation->texts += L'\n';
  conversation->texts += folded;
  return conversation;
}

ConversationRecord* ConversationBook::RemoveMessage(const MessageRecord& message, bool& removed) {
  removed = false;
  ConversationRecord* conversation = Find(message.conversationId);
  if (conversation == nullptr) return nullptr;
  if (conversation->itemCount > 0) conversation->itemCount -= 1;
  if (!message.read && conversation->unread > 0) conversation->unread -= 1;
  if (conversation->itemCount > 0) return conversation;
  m_items.erase(m_items.begin() + IndexOf(conversation));
  removed = true;
  return nullptr;
}

void ConversationBook::MarkOneRead(const std::wstring& conversationId) {
  ConversationRecord* conversation = Find(conversationId);
  if (conversation != nullptr && conversation->unread > 0) conversation->unread -= 1;
}

void ConversationBook::MarkRead(const std::wstring& conversationId) {
  ConversationRecord* conversation = Find(conversationId);
  if (conversation != nullptr) conversation->unread = 0;
}

bool ConversationBook::Matches(const ConversationRecord& conversation, const std::wstring& query) const {
  const int index = IndexOf(&conversation);
  if (index < 0) return false;
  std::wstring folded = query;
  Fold(folded);
  const std::wstring digits = LooksLikeNumber(query) ? DigitsOf(query) : std::wstring();
  const Item& item = m_items[static_cast<size_t>(index)];
  return folded.empty() || item.foldedName.find(folded) != std::wstring::npos ||
         (!digits.empty() && item.digits.find(digits) != std::wstring::npos) ||
         conversation.texts.find(folded) != std::wstring::npos;
}

std::vector<ConversationRecord*> ConversationBook::Search(const std::wstring& query) const {
  std::vector<ConversationRecord*> found;
  std::wstring folded = query;
  Fold(folded);
  const std::wstring digits = LooksLikeNumber(query) ? DigitsOf(query) : std::wstring();
  for (const Item& item : m_items) {
    const ConversationRecord& c = *item.record;
    if (folded.empty() || item.foldedName.find(folded) != std::wstring::npos ||
        (!digits.empty() && item.digits.find(digits) != std::wstring::npos) ||
        c.texts.find(folded) != std::wstring::npos)
      found.push_back(item.get());
  }
  return found;
}
