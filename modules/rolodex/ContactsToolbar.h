// The strip above the contacts list: the expand button, the six operation buttons, the search
// box with its button and frame. The pane owns it and hears its clicks as WM_COMMAND.
#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASSwitchImageButton.h"
#include "modules/rolodex/ContactsLayout.h"

#include <windows.h>

#include <array>
#include <string>

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

struct ToolbarLook {
  COLORREF background;
  COLORREF pressed;
  HFONT buttonFont;  // borrowed, like the search font
  HFONT searchFont;
};

class ContactsToolbar {
 public:
  ContactsToolbar() = default;
  ContactsToolbar(const ContactsToolbar&) = delete;
  ContactsToolbar& operator=(const ContactsToolbar&) = delete;

  bool Create(HWND pane, const ImageCache* images, const ToolbarLook& look);
  // Moves the search box, its button and frame to the pane's right edge.
  void Layout(const PaneLayout& layout);
  SIZE SearchButtonSize() const { return m_searchButtonSize; }

  HWND SearchEdit() const { return m_search.Hwnd(); }
  std::wstring SearchText() const { return m_search.Text(); }
  HWND Button(UINT id) const;
  // A toolbar button stays pressed after its click until this: it would post no second click.
  void Release(UINT id);

 private:
  BASImgButton m_expand;
  std::array<BASSwitchImageButton, 6> m_buttons;
  BASEdit m_search;
  BASImgButton m_searchButton;
  SIZE m_searchButtonSize{0, 0};
  // Child windows of the pane, gone with it.
  HWND m_separator = nullptr;
  std::array<HWND, 4> m_frame{};
};
