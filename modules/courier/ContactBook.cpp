#include "modules/courier/ContactBook.h"

#include <algorithm>

#include <cwchar>
#include <system_error>

#include "modules/courier/DemoContactGenerator.h"
#include "modules/courier/FileBytes.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

constexpr wchar_t kLocalPrefix[] = L"local-";

}  // namespace

void ContactBook::Open(const DemoPhone& phone, const std::filesystem::path& stateFile, std::string& error) {
  m_stateFile = stateFile;
  m_groups = phone.groups;
  m_accounts = phone.accounts;
  m_contacts.clear();
  error.clear();

  std::error_code failure;
  if (!stateFile.empty() && std::filesystem::exists(stateFile, failure)) {
    std::string bytes;
    ContactReadResult read;
    if (ReadFileBytes(stateFile, bytes)) read = ReadContactBackup(bytes);
    if (!bytes.empty() && read.failed == 0) {
      m_contacts = std::move(read.contacts);
      for (DemoContact& contact : m_contacts) contact.groups = GroupIdsOfTitles(contact.groups);
      Reindex();
      return;
    }
    error = "the saved contacts could not be read and were set aside";
    std::filesystem::path aside = stateFile;
    aside += ".corrupt";
    std::filesystem::rename(stateFile, aside, failure);
    m_contacts.clear();
  }
  m_contacts = phone.contacts;
  m_contacts.reserve(phone.ContactCount());
  for (size_t i = 0; i < phone.generatedContacts; ++i) m_contacts.push_back(DemoContactGenerator::Make(i));
  Reindex();
}

const DemoContact* ContactBook::Find(const std::wstring& identifier) const {
  auto it = m_index.find(identifier);
  return it == m_index.end() ? nullptr : &m_contacts[it->second];
}

std::wstring ContactBook::Add(DemoContact contact) {
  std::wstring identifier = contact.identifier;
  while (identifier.empty() || m_index.count(identifier) != 0)
    identifier = kLocalPrefix + std::to_wstring(m_nextNumber++);
  contact.identifier = identifier;
  m_index.emplace(identifier, m_contacts.size());
  m_contacts.push_back(std::move(contact));
  return identifier;
}

bool ContactBook::Replace(const DemoContact& contact) {
  auto it = m_index.find(contact.identifier);
  if (it == m_index.end()) return false;
  m_contacts[it->second] = contact;
  return true;
}

bool ContactBook::Remove(const std::wstring& identifier) {
  auto it = m_index.find(identifier);
  if (it == m_index.end()) return false;
  const size_t position = it->second;
  m_contacts.erase(m_contacts.begin() + static_cast<std::ptrdiff_t>(position));
  m_index.erase(it);
  // Only the contacts after the removed one moved.
  for (auto& entry : m_index) {
    if (entry.second > position) --entry.second;
  }
  return true;
}

size_t ContactBook::RemoveAll(const std::unordered_set<std::wstring>& identifiers) {
  if (identifiers.empty()) return 0;
  const size_t before = m_contacts.size();
  m_contacts.erase(
      std::remove_if(m_contacts.begin(), m_contacts.end(),
                     [&](const DemoContact& contact) { return identifiers.count(contact.identifier) != 0; }),
      m_contacts.end());
  const size_t removed = before - m_contacts.size();
  if (removed != 0) Reindex();
  return removed;
}

std::vector<std::wstring> ContactBook::GroupIdsOfTitles(const std::vector<std::wstring>& titles) const {
  std::vector<std::wstring> identifiers;
  for (const std::wstring& title : titles) {
    for (const DemoGroup& group : m_groups) {
      if (group.title != title) continue;
      identifiers.push_back(group.identifier);
      break;
    }
  }
  return identifiers;
}

bool ContactBook::Persist(std::string& error) const {
  if (m_stateFile.empty()) return true;
  std::error_code failure;
  std::filesystem::create_directories(m_stateFile.parent_path(), failure);
  std::filesystem::path temporary = m_stateFile;
  temporary += ".tmp";
  if (!WriteFileBytes(temporary, WriteContactBackup(m_contacts, m_groups))) {
    error = "the contacts could not be written";
    return false;
  }
  std::filesystem::rename(temporary, m_stateFile, failure);
  if (failure) {
    error = "the saved contacts could not be replaced: " + failure.message();
    std::filesystem::remove(temporary, failure);
    return false;
  }
  return true;
}

void ContactBook::Reindex() {
  m_index.clear();
  m_index.reserve(m_contacts.size());
  for (size_t i = 0; i < m_contacts.size(); ++i) {
    m_index.emplace(m_contacts[i].identifier, i);
    // Identifiers this book gave out before the restart are not given again.
    const std::wstring& id = m_contacts[i].identifier;
    if (id.compare(0, 6, kLocalPrefix) == 0) {
      const uint64_t number = std::wcstoull(id.c_str() + 6, nullptr, 10);
      if (number >= m_nextNumber) m_nextNumber = number + 1;
    }
  }
}
