#include "modules/rolodex/ContactsMenus.h"

#include "kit/GdiHandles.h"

#include <memory>
#include <type_traits>

namespace {}  // namespace

const std::vector<ContactsMenuEntry>& ExportMenuEntries() {
  static const std::vector<ContactsMenuEntry> entries = {
      {1, L"Export to Html"}, {2, L"Export to Vcf"}, {3, L"Backup to Bak Files"}};
  return entries;
}

const std::vector<ContactsMenuEntry>& ImportMenuEntries() {
  static const std::vector<ContactsMenuEntry> entries = {{1, L"Import vcard file(*.vcf)"},
                                                         {2, L"Restore from Backup File(*.bak,*.json)"}};
  return entries;
}

const ContactsMenuEntry* RunContactsMenu(const std::vector<ContactsMenuEntry>& entries, HWND button, HWND owner) {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return nullptr;
  for (const ContactsMenuEntry& entry : entries) AppendMenuW(menu.get(), MF_STRING, entry.id, entry.text);
  RECT rect{};
  GetWindowRect(button, &rect);
  const UINT choice = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                       rect.left, rect.bottom, 0, owner, nullptr));
  for (const ContactsMenuEntry& entry : entries)
    if (entry.id == choice) return &entry;
  return nullptr;
}
