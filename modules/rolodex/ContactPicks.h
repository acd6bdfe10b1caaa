// What the contact select dialog lists, kept without a window: every (name, phone number) pair
// of the contacts it was opened over, split into the pairs still to pick (filtered by the
// search) and the pairs picked, in the order they were picked.
//
// The pairs are copied when the dialog opens: the pane goes on receiving batches, saved
// copies and removals while the modal dialog runs, and may free the records it was opened
// over.
#pragma once

#include "contracts/ContactRecords.h"

#include <cstddef>
#include <string>
#include <vector>

class ContactPicks {
 public:
  explicit ContactPicks(const std::vector<ContactRecord*>& contacts);

  size_t AvailableCount() const { return m_available.size(); }
  const PickedContact& Available(size_t row) const { return m_pairs[m_available[row]]; }
  size_t PickedCount() const { return m_picked.size(); }
  const PickedContact& Picked(size_t row) const { return m_pairs[m_picked[row]]; }

  // Lists the pairs not picked whose lower-cased name or number contains the lower-cased
  // text, in the contacts' order; every pair not picked for an empty text.
  void Search(const std::wstring& text);
  // Moves a row to the end of the other list; false for a row that is not there.
  bool Pick(size_t availableRow);
  bool Unpick(size_t pickedRow);

  // The picked pairs from the top, owned by the caller; null when nothing is picked.
  PickedContactList* Result() const;

 private:
  std::vector<PickedContact> m_pairs;
  std::vector<std::wstring> m_searchText;  // lower-cased name, NUL, lower-cased number
  std::vector<bool> m_isPicked;
  std::vector<size_t> m_available;
  std::vector<size_t> m_picked;
};
