#include "modules/courier/ContactBook.h"

#include <cwchar>
#include <fstream>
#include <system_error>

#include "modules/courier/DemoContactGenerator.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

constexpr wchar_t kLocalPrefix[] = L"local-";

}  // namespace

void ContactBook::Open(const DemoPhone& phone, const std::filesystem::path& stateFile, std::string& error) {
  m_stateFile = stateFile;
  m_groups = phone.groups;
  m_accounts = phone.accounts;
  m_contacts.clear();
  ContactReadResult read;
  const SavedCopy copy = OpenSavedCopy(stateFile, "contacts", [&](std::istream& in, std::string& problem) {
    read = ReadContactBackup(in);
    if (!read.problems.empty()) problem = read.problems.front();
    return read.failed == 0;
  });
  m_keptAs = copy.keptAs;
  m_persistBlocked = copy.blocked;
  error = copy.error;
  if (copy.whole || !read.contacts.empty()) {
    // What could be read is the user's, not the data file's; a damaged copy's part is kept at once.
    m_contacts = std::move(read.contacts);
    ResolveGroups();
    Reindex();
    std::string persistError;
    if (!copy.whole && m_persistBlocked.empty() && !Persist(persistError)) error += "; " + persistError;
    return;
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

size_t ContactBook::RemoveAll(const std::vector<std::wstring>& identifiers) {
  std::vector<bool> doomed(m_contacts.size(), false);
  size_t removed = 0;
  for (const std::wstring& identifier : identifiers) {
    auto it = m_index.find(identifier);
    if (it == m_index.end() || doomed[it->second]) continue;
    doomed[it->second] = true;
    ++removed;
  }
  if (removed == 0) return 0;
  size_t kept = 0;
  for (size_t i = 0; i < m_contacts.size(); ++i) {
    if (doomed[i]) continue;
    if (kept != i) m_contacts[kept] = std::move(m_contacts[i]);
    ++kept;
  }
  m_contacts.resize(kept);
  Reindex();
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
  if (!m_persistBlocked.empty()) {
    error = m_persistBlocked;
    return false;
  }
  std::error_code failure;
  std::filesystem::create_directories(m_stateFile.parent_path(), failure);
  SafeFileWriter file(m_stateFile, SafeFileWriter::Replace::kAllow);
  if (!file.Open() || !WriteContactBackup(file, m_contacts, m_groups) || !file.Commit()) {
    error = "the contacts could not be written: " + (file.Failed() ? file.Error() : std::string("out of memory"));
    file.Abandon();
    return false;
  }
  return true;
}

void ContactBook::ResolveGroups() {
  for (DemoContact& contact : m_contacts) contact.groups = GroupIdsOfTitles(contact.groups);
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

NumberDirectory ContactBook::NamesByNumber() const {
  NumberDirectory names;
  for (const DemoContact& contact : m_contacts)
    for (const DemoContactItem& item : contact.items)
      if (item.kind == DemoItemKind::kPhone) names.Add(item.value, contact.name);
  return names;
}
