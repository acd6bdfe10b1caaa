#include "modules/rolodex/ContactSet.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
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

// Whether `text` lowered contains `lowered`, which is lowered already and not empty.
bool ContainsLowered(const std::wstring& text, const std::wstring& lowered, const wchar_t* lower) {
  const size_t length = lowered.size();
  if (text.size() < length) return false;
  const wchar_t first = lowered[0];
  const wchar_t* units = text.data();
  const size_t last = text.size() - length;
  for (size_t at = 0; at <= last; ++at) {
    if (lower[static_cast<uint16_t>(units[at])] != first) continue;
    size_t same = 1;
    while (same < length && lower[static_cast<uint16_t>(units[at + same])] == lowered[same]) ++same;
    if (same == length) return true;
  }
  return false;
}

}  // namespace

std::wstring LowerCased(const std::wstring& text) {
  std::wstring lowered(text);
  // Not towlower: in the runtime's "C" locale it lowers A to Z only, so "MÜLLER" or "АННА"
  // would never find Müller or Анна. The system's table covers every script, unit by unit.
  if (!lowered.empty()) CharLowerBuffW(&lowered[0], static_cast<DWORD>(lowered.size()));
  return lowered;
}

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
  m_entries.push_back(Entry{contact, 0});
  m_positions.emplace(contact, position);
  Index(position);
  return true;
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
  CompactIfSparse();
  return taken;
}

// Removal leaves a hole; once holes outnumber the live entries the set is rebuilt, so removing
// n contacts one by one costs O(n) in all.
void ContactSet::CompactIfSparse() {
  const size_t live = m_positions.size();
  if (m_entries.size() - live <= std::max<size_t>(64, live)) return;
  std::vector<Entry> kept;
  kept.reserve(live);
  for (Entry& entry : m_entries)
    if (entry.contact) kept.push_back(std::move(entry));
  m_entries.swap(kept);
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
}

void ContactSet::Refresh(const ContactRecord* contact) {
  auto it = m_positions.find(contact);
  if (it == m_positions.end()) return;
  if (m_entries[it->second].indexedAs == std::hash<std::wstring>{}(contact->identifier)) return;
  Unindex(it->second);
  Index(it->second);
}

std::vector<ContactRecord*> ContactSet::Contacts() const {
  std::vector<ContactRecord*> contacts;
  contacts.reserve(m_positions.size());
  for (const Entry& entry : m_entries)
    if (entry.contact) contacts.push_back(entry.contact);
  return contacts;
}

bool ContactSet::Matches(const ContactRecord& contact, const std::wstring& lowered) {
  const wchar_t* lower = LowerTable();
  if (ContainsLowered(contact.name, lowered, lower)) return true;
  for (const ContactDataRow* row : contact.dataRows)
    if (row && ContainsLowered(row->oldValue, lowered, lower)) return true;
  return false;
}

std::vector<ContactRecord*> ContactSet::Matching(const std::wstring& lowered) const {
  if (lowered.empty()) return Contacts();
  std::vector<ContactRecord*> found;
  for (const Entry& entry : m_entries)
    if (entry.contact && Matches(*entry.contact, lowered)) found.push_back(entry.contact);
  return found;
}
