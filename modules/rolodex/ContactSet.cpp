#include "modules/rolodex/ContactSet.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <functional>

namespace {

// Every UTF-16 unit lowered as LowerCased lowers it, made once (128 KB).
const wchar_t* LowerTable() {
  static const std::vector<wchar_t> table = [] {
    std::vector<wchar_t> units(0x10000);
    for (size_t unit = 0; unit < units.size(); ++unit) units[unit] = static_cast<wchar_t>(unit);
    CharLowerBuffW(units.data() + 1, static_cast<DWORD>(units.size() - 1));
    return units;
  }();
  return table.data();
}

}  // namespace

ContactSet::~ContactSet() { Clear(); }

void ContactSet::Reserve(size_t extra) {
  // Room for at least twice what the set holds: reserving only the batch's size would copy
  // the vectors and rehash the index at every batch, quadratic over a long load.
  const size_t needed = m_entries.size() + extra;
  if (needed <= m_entries.capacity()) return;
  const size_t room = std::max(needed, 2 * m_entries.size());
  m_entries.reserve(room);
  m_positions.reserve(room);
  m_byIdentifier.reserve(room);
}

bool ContactSet::Add(ContactRecord* contact) {
  if (!contact || Contains(contact)) return false;
  const size_t position = m_entries.size();
  m_entries.push_back(Entry{contact, 0, 0, 0});
  m_positions.emplace(contact, position);
  Index(position);
  AppendText(m_entries.back());
  return true;
}

void ContactSet::AppendText(Entry& entry) {
  const ContactRecord& contact = *entry.contact;
  size_t length = contact.name.size() + 1;
  for (const ContactDataRow* row : contact.dataRows)
    if (row) length += row->oldValue.size() + 1;
  entry.textBegin = m_text.size();
  entry.textEnd = entry.textBegin + length;
  if (m_text.capacity() < entry.textEnd) m_text.reserve(std::max(entry.textEnd, 2 * m_text.capacity()));
  m_text.resize(entry.textEnd);
  const wchar_t* lower = LowerTable();
  wchar_t* out = &m_text[entry.textBegin];
  auto append = [&](const std::wstring& text) {
    for (wchar_t unit : text) *out++ = lower[static_cast<uint16_t>(unit)];
    *out++ = L'\0';
  };
  append(contact.name);
  for (const ContactDataRow* row : contact.dataRows)
    if (row) append(row->oldValue);
}

void ContactSet::Index(size_t position) {
  Entry& entry = m_entries[position];
  entry.indexedAs = std::hash<std::wstring>{}(entry.contact->identifier);
  m_byIdentifier.emplace(entry.indexedAs, position);
}

void ContactSet::Unindex(size_t position) {
  auto range = m_byIdentifier.equal_range(m_entries[position].indexedAs);
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second != position) continue;
    m_byIdentifier.erase(it);
    return;
  }
}

size_t ContactSet::FirstPosition(const std::wstring& identifier) const {
  size_t first = std::wstring::npos;
  auto range = m_byIdentifier.equal_range(std::hash<std::wstring>{}(identifier));
  for (auto it = range.first; it != range.second; ++it) {
    const ContactRecord* contact = m_entries[it->second].contact;
    if (contact && it->second < first && contact->identifier == identifier) first = it->second;
  }
  return first;
}

ContactRecord* ContactSet::FirstWithIdentifier(const std::wstring& identifier) const {
  const size_t position = FirstPosition(identifier);
  return position == std::wstring::npos ? nullptr : m_entries[position].contact;
}

ContactRecord* ContactSet::TakeFirstWithIdentifier(const std::wstring& identifier) {
  const size_t position = FirstPosition(identifier);
  if (position == std::wstring::npos) return nullptr;
  Entry& entry = m_entries[position];
  ContactRecord* taken = entry.contact;
  Unindex(position);
  m_positions.erase(taken);
  entry.contact = nullptr;
  m_staleText += entry.textEnd - entry.textBegin;
  CompactIfSparse();
  return taken;
}

// Removal leaves a hole; once holes outnumber the live entries the set is rebuilt, so removing
// n contacts one by one costs O(n) in all.
void ContactSet::CompactIfSparse() {
  const size_t live = m_positions.size();
  if (m_entries.size() - live <= std::max<size_t>(64, live) && m_staleText <= std::max<size_t>(4096, m_text.size() / 2))
    return;
  std::vector<Entry> kept;
  kept.reserve(live);
  std::wstring text;
  text.reserve(m_text.size() - m_staleText);
  for (Entry& entry : m_entries) {
    if (!entry.contact) continue;
    const size_t begin = text.size();
    text.append(m_text, entry.textBegin, entry.textEnd - entry.textBegin);
    entry.textBegin = begin;
    entry.textEnd = text.size();
    kept.push_back(entry);
  }
  m_entries.swap(kept);
  m_text.swap(text);
  m_staleText = 0;
  m_positions.clear();
  m_byIdentifier.clear();
  for (size_t i = 0; i < m_entries.size(); ++i) {
    m_positions.emplace(m_entries[i].contact, i);
    m_byIdentifier.emplace(m_entries[i].indexedAs, i);
  }
}

void ContactSet::Clear() {
  for (Entry& entry : m_entries) delete entry.contact;
  m_entries.clear();
  m_positions.clear();
  m_byIdentifier.clear();
  m_text.clear();
  m_staleText = 0;
}

void ContactSet::Refresh(const ContactRecord* contact) {
  auto it = m_positions.find(contact);
  if (it == m_positions.end()) return;
  Entry& entry = m_entries[it->second];
  m_staleText += entry.textEnd - entry.textBegin;
  AppendText(entry);
  if (entry.indexedAs != std::hash<std::wstring>{}(contact->identifier)) {
    Unindex(it->second);
    Index(it->second);
  }
  CompactIfSparse();
}

std::vector<ContactRecord*> ContactSet::Contacts() const {
  std::vector<ContactRecord*> contacts;
  contacts.reserve(m_positions.size());
  for (const Entry& entry : m_entries)
    if (entry.contact) contacts.push_back(entry.contact);
  return contacts;
}

bool ContactSet::Matches(const Entry& entry, const std::wstring& lowered) const {
  const wchar_t* text = m_text.data();
  const size_t length = lowered.size();
  const wchar_t first = lowered[0];
  if (entry.textEnd - entry.textBegin < length) return false;
  const size_t last = entry.textEnd - length;
  for (size_t at = entry.textBegin; at <= last; ++at) {
    if (text[at] != first) continue;
    if (std::wmemcmp(text + at + 1, lowered.data() + 1, length - 1) == 0) return true;
  }
  return false;
}

std::vector<ContactRecord*> ContactSet::Matching(const std::wstring& lowered) const {
  if (lowered.empty()) return Contacts();
  std::vector<ContactRecord*> found;
  // A NUL ends each text here; a search for one finds nothing, as in the records' own strings.
  if (lowered.find(L'\0') != std::wstring::npos) return found;
  for (const Entry& entry : m_entries)
    if (entry.contact && Matches(entry, lowered)) found.push_back(entry.contact);
  return found;
}
