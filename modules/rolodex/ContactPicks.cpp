#include "modules/rolodex/ContactPicks.h"

#include "kit/SearchText.h"

ContactPicks::ContactPicks(const std::vector<ContactRecord*>& contacts) {
  for (const ContactRecord* contact : contacts) {
    if (!contact) continue;
    for (const ContactDataRow* row : contact->dataRows) {
      if (!row || row->mimetype != kMimePhone) continue;
      m_pairs.push_back(PickedContact{contact->name, row->oldValue});
      m_searchText.push_back(LowerCased(contact->name) + L'\0' + LowerCased(row->oldValue));
    }
  }
  m_isPicked.assign(m_pairs.size(), false);
  Search(std::wstring());
}

void ContactPicks::Search(const std::wstring& text) {
  const std::wstring lowered = LowerCased(text);
  m_available.clear();
  for (size_t pair = 0; pair < m_pairs.size(); ++pair) {
    if (m_isPicked[pair]) continue;
    if (lowered.empty() || m_searchText[pair].find(lowered) != std::wstring::npos) m_available.push_back(pair);
  }
}

bool ContactPicks::Pick(size_t availableRow) {
  if (availableRow >= m_available.size()) return false;
  const size_t pair = m_available[availableRow];
  m_available.erase(m_available.begin() + static_cast<std::ptrdiff_t>(availableRow));
  m_isPicked[pair] = true;
  m_picked.push_back(pair);
  return true;
}

bool ContactPicks::Unpick(size_t pickedRow) {
  if (pickedRow >= m_picked.size()) return false;
  const size_t pair = m_picked[pickedRow];
  m_picked.erase(m_picked.begin() + static_cast<std::ptrdiff_t>(pickedRow));
  m_isPicked[pair] = false;
  m_available.push_back(pair);
  return true;
}

PickedContactList* ContactPicks::Result() const {
  if (m_picked.empty()) return nullptr;
  PickedContactList* result = new PickedContactList;
  result->reserve(m_picked.size());
  for (size_t pair : m_picked) result->push_back(m_pairs[pair]);
  return result;
}
