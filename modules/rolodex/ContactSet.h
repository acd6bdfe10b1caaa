// The contacts a pane holds, in the order they arrived, with what a 50,000-contact phone needs
// to stay quick: identifier and pointer look-ups in constant time, removal without shifting the
// whole set, and the lower-cased texts a search looks at kept one after another in a single
// buffer, so a search over 50,000 contacts reads memory in order instead of visiting every
// record's strings.
#pragma once

#include "contracts/ContactRecords.h"
#include "kit/SearchText.h"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

class ContactSet {
 public:
  ContactSet() = default;
  ContactSet(const ContactSet&) = delete;
  ContactSet& operator=(const ContactSet&) = delete;
  // Deletes every record it holds.
  ~ContactSet();

  void Reserve(size_t extra);
  // Takes the record over. False, and the record is not taken, for null or a record already held
  // (holding one twice would free it twice).
  bool Add(ContactRecord* contact);
  // Gives up the first record (in arrival order) with this identifier without deleting it; null
  // when there is none.
  ContactRecord* TakeFirstWithIdentifier(const std::wstring& identifier);
  ContactRecord* FirstWithIdentifier(const std::wstring& identifier) const;
  bool Contains(const ContactRecord* contact) const { return m_positions.count(contact) != 0; }
  // Deletes every record.
  void Clear();
  // After a held record was changed in place: its identifier is indexed anew and its search
  // text made again.
  void Refresh(const ContactRecord* contact);

  size_t Size() const { return m_positions.size(); }
  std::vector<ContactRecord*> Contacts() const;
  // The contacts whose lower-cased name or any data row's lower-cased value contains `lowered`
  // (already lower-cased), in arrival order; all of them for an empty text.
  std::vector<ContactRecord*> Matching(const std::wstring& lowered) const;

 private:
  struct Entry {
    ContactRecord* contact = nullptr;  // null: removed, awaiting compaction
    size_t indexedAs = 0;              // the hash of the identifier it is indexed under
    size_t textBegin = 0;              // its search text in m_text
    size_t textEnd = 0;
  };

  // Appends the contact's lowered name and data-row values, each ended by a NUL (which no search
  // text holds, so no match runs from one into the next).
  void AppendText(Entry& entry);
  bool Matches(const Entry& entry, const std::wstring& lowered) const;
  void Unindex(size_t position);
  void Index(size_t position);
  // The first position (in arrival order) of a contact with this identifier, or npos.
  size_t FirstPosition(const std::wstring& identifier) const;
  void CompactIfSparse();

  std::vector<Entry> m_entries;
  std::unordered_map<const ContactRecord*, size_t> m_positions;
  // Identifier hashes to positions; a look-up compares the contacts' own identifiers, so the
  // index holds no copy of them.
  std::unordered_multimap<size_t, size_t> m_byIdentifier;
  std::wstring m_text;
  size_t m_staleText = 0;  // characters of removed or changed contacts still in m_text
};
