// The Export and Import choices of the contacts toolbar.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct ContactsMenuEntry {
  UINT id;              // the request's `value`
  const wchar_t* text;  // the request's `text`; a literal, valid for the process
};

const std::vector<ContactsMenuEntry>& ExportMenuEntries();
const std::vector<ContactsMenuEntry>& ImportMenuEntries();

// Opens the entries as a popup menu at the bottom-left corner of `button` and waits for the
// choice: the chosen entry, or null when the menu was closed without one.
const ContactsMenuEntry* RunContactsMenu(const std::vector<ContactsMenuEntry>& entries, HWND button, HWND owner);
