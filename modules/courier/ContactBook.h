// The contacts of one demo phone as the phone holds them now: the data file's contacts, changed
// by saves, deletes and imports, and kept in a per-user copy so that the changes survive a
// restart. The shipped data file is never written. Used only on the service's operations
// thread; plain code with no Windows API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "modules/courier/DemoData.h"

class ContactBook {
 public:
  // `stateFile` is the per-user copy; empty keeps the changes in memory only. A copy that
  // cannot be read in full is never replaced unseen: it is moved aside under a numbered name
  // (KeptAs), the contacts that could be read are kept (else the phone's own are used), and
  // `error` says what happened. A copy that cannot even be moved aside (another program holds
  // it) is left alone and no change is written over it (Persist fails).
  void Open(const DemoPhone& phone, const std::filesystem::path& stateFile, std::string& error);
  // Where an unreadable copy was kept; empty when the copy was read in full.
  const std::filesystem::path& KeptAs() const { return m_keptAs; }

  size_t Count() const { return m_contacts.size(); }
  const std::vector<DemoContact>& Contacts() const { return m_contacts; }
  const std::vector<DemoGroup>& Groups() const { return m_groups; }
  // A phone that holds its contacts itself may have changed its groups since they were read.
  void SetGroups(std::vector<DemoGroup> groups) { m_groups = std::move(groups); }
  const std::vector<DemoAccount>& Accounts() const { return m_accounts; }
  const DemoContact* Find(const std::wstring& identifier) const;
  // Each phone number's contact name (the first contact holding a number names it), so
  // messages can show who wrote them.
  NumberDirectory NamesByNumber() const;

  // Adds the contact under its own identifier when it has one no contact uses, else under a new
  // one; returns the identifier.
  std::wstring Add(DemoContact contact);
  // Replaces the contact of the same identifier; false when there is none.
  bool Replace(const DemoContact& contact);
  // False when no contact has that identifier.
  bool Remove(const std::wstring& identifier);
  // Removes every contact named, in one pass over the book (a delete of thousands from a big
  // book would otherwise move the rest once per contact); returns how many were there.
  size_t RemoveAll(const std::vector<std::wstring>& identifiers);
  // Group titles (as files carry them) to the phone's group identifiers; unknown titles dropped.
  std::vector<std::wstring> GroupIdsOfTitles(const std::vector<std::wstring>& titles) const;

  // Writes the per-user copy, streamed through a temporary file so that a failed write keeps
  // the last good copy; false with `error` when it cannot.
  bool Persist(std::string& error) const;

 private:
  void Reindex();
  void ResolveGroups();

  std::vector<DemoContact> m_contacts;
  std::vector<DemoGroup> m_groups;
  std::vector<DemoAccount> m_accounts;
  std::unordered_map<std::wstring, size_t> m_index;  // identifier to position in m_contacts
  std::filesystem::path m_stateFile;
  std::filesystem::path m_keptAs;
  std::string m_persistBlocked;  // why no copy may be written, when one may not
  uint64_t m_nextNumber = 1;     // for identifiers of contacts made here
};
