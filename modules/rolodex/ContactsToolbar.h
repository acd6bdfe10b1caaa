// The contacts pane's toolbar: the expand button and its separator at the left, then the six
// operation buttons of the shared pane toolbar. The pane owns it and hears its clicks as
// WM_COMMAND.
#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASImgButton.h"
#include "kit/PaneToolbar.h"

#include <windows.h>

#include <vector>

enum ContactsControlId : UINT {
  kNewButtonId = 5000,
  kExpandButtonId = 5001,
  kRefreshButtonId = 5002,
  kDeleteButtonId = 5003,
  kSearchButtonId = 5004,
  kSearchEditId = 5005,
  kEditButtonId = 5006,
  kExportButtonId = 5007,
  kImportButtonId = 5008,
  kDetailEditButtonId = 5009,
  kContactListId = 5010,
};

constexpr int kContactsFirstButtonX = 40;

// Left to right.
const std::vector<PaneToolbarButton>& ContactsToolbarButtons();

// What the contacts toolbar has before the shared buttons.
class ContactsToolbarLead {
 public:
  ContactsToolbarLead() = default;
  ContactsToolbarLead(const ContactsToolbarLead&) = delete;
  ContactsToolbarLead& operator=(const ContactsToolbarLead&) = delete;

  bool Create(HWND pane, const ImageCache* images);

 private:
  BASImgButton m_expand;
  // A child window of the pane, gone with it.
  HWND m_separator = nullptr;
};
