// Contact records, made by the device service and read and changed by the contacts module and
// the host. Strings and vectors are those of the C++ runtime that every deliverable shares, so
// a record made in one module may be changed or destroyed in another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "contracts/OwnedPtrVector.h"
#include "contracts/TargetLayout.h"

// Edit states of contacts and their data rows.
constexpr int32_t kEditUnchanged = -1;
constexpr int32_t kEditNew = 0;
constexpr int32_t kEditDeleted = 1;
constexpr int32_t kEditChanged = 2;

// Data-row mimetypes the modules know.
inline constexpr wchar_t kMimeName[] = L"vnd.android.cursor.item/name";
inline constexpr wchar_t kMimePhone[] = L"vnd.android.cursor.item/phone_v2";
inline constexpr wchar_t kMimeEmail[] = L"vnd.android.cursor.item/email_v2";
inline constexpr wchar_t kMimeIm[] = L"vnd.android.cursor.item/im";
inline constexpr wchar_t kMimeNickname[] = L"vnd.android.cursor.item/nickname";
inline constexpr wchar_t kMimeOrganization[] = L"vnd.android.cursor.item/organization";
inline constexpr wchar_t kMimePostalAddress[] = L"vnd.android.cursor.item/postal-address_v2";
inline constexpr wchar_t kMimeWebsite[] = L"vnd.android.cursor.item/website";
inline constexpr wchar_t kMimeNote[] = L"vnd.android.cursor.item/note";
inline constexpr wchar_t kMimeEvent[] = L"vnd.android.cursor.item/contact_event";
inline constexpr wchar_t kMimeSipAddress[] = L"vnd.android.cursor.item/sip_address";
inline constexpr wchar_t kMimeRelation[] = L"vnd.android.cursor.item/relation";
inline constexpr wchar_t kMimePhoto[] = L"vnd.android.cursor.item/photo";

// One data item of a contact (a number, an address, ...). The editor reads the old fields and
// writes the new ones and the edit state; a new row has every string empty and both numbers -1.
struct ContactDataRow {
  std::wstring tag;           // the device service's, passed through unchanged
  std::wstring mimetype;      // kind of item, one of the kMime values or another
  std::wstring oldTypeCode;   // type as loaded: code, label (Mobile, Home, ...), value
  std::wstring oldTypeLabel;
  std::wstring oldValue;
  std::wstring newTypeCode;   // type and value as edited
  std::wstring newTypeLabel;
  std::wstring newValue;
  int32_t tagNumber = -1;     // the device service's, passed through unchanged
  int32_t editState = -1;     // kEditUnchanged, kEditNew, kEditDeleted or kEditChanged
};

ZS_TARGET_LAYOUT(offsetof(ContactDataRow, tag) == 0, "tag");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, mimetype) == 24, "mimetype");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, oldTypeCode) == 48, "old type code");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, oldTypeLabel) == 72, "old type label");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, oldValue) == 96, "old value");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, newTypeCode) == 120, "new type code");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, newTypeLabel) == 144, "new type label");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, newValue) == 168, "new value");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, tagNumber) == 192, "pass-through number");
ZS_TARGET_LAYOUT(offsetof(ContactDataRow, editState) == 196, "edit state");
ZS_TARGET_LAYOUT(sizeof(ContactDataRow) == 200, "contact data row size");

// One contact. It owns its data rows: destroying a contact destroys them, copying copies them.
struct ContactRecord {
  int32_t marker = 0;                        // non-zero: the list row is drawn in red
  std::wstring identifier;                   // the device's contact id; equal ids, same contact
  std::wstring name;                         // display name
  std::wstring accountName;                  // empty: stored on the phone only
  std::wstring accountType;                  // for example "com.google"
  std::wstring phone;                        // number shown in the list
  OwnedPtrVector<ContactDataRow> dataRows;   // in device order
  std::vector<std::wstring> groups;          // ids of the groups it belongs to, as loaded
  int32_t accountChosen = 0;                 // 1 once the user picked an account in the editor
  int32_t editState = kEditChanged;          // kEditNew for a contact made in New mode
  int32_t rowIndex = -1;                     // list row at the time of a request about it
  std::vector<std::wstring> chosenGroups;    // group ids chosen in the editor
  std::vector<std::wstring> groupsToLeave;   // filled by the editor on save
  std::vector<std::wstring> groupsToJoin;
};

ZS_TARGET_LAYOUT(offsetof(ContactRecord, marker) == 0, "marker");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, identifier) == 4, "identifier");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, name) == 28, "name");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, accountName) == 52, "account name");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, accountType) == 76, "account type");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, phone) == 100, "phone");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, dataRows) == 124, "data rows");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, groups) == 136, "groups");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, accountChosen) == 148, "account chosen");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, editState) == 152, "edit state");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, rowIndex) == 156, "row index");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, chosenGroups) == 160, "chosen groups");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, groupsToLeave) == 172, "groups to leave");
ZS_TARGET_LAYOUT(offsetof(ContactRecord, groupsToJoin) == 184, "groups to join");
ZS_TARGET_LAYOUT(sizeof(ContactRecord) == 196, "contact record size");

struct GroupRecord {
  std::wstring identifier;
  std::wstring title;
  std::wstring tag;          // the device service's, passed through unchanged
  std::wstring accountType;  // the editor offers a group only for contacts of this account type
};

ZS_TARGET_LAYOUT(offsetof(GroupRecord, accountType) == 72, "group account type");
ZS_TARGET_LAYOUT(sizeof(GroupRecord) == 96, "group record size");

struct AccountRecord {
  std::wstring name;
  std::wstring type;
};

ZS_TARGET_LAYOUT(sizeof(AccountRecord) == 48, "account record size");

// One type a data row of some mimetype may have. Entry 0 of a kind stands for a type whose
// label the user types.
struct TypeEntry {
  std::wstring typeCode;
  std::wstring label;
};

ZS_TARGET_LAYOUT(sizeof(TypeEntry) == 48, "type entry size");

// The types offered for one mimetype; it owns its entries.
struct TypeLabelRecord {
  std::wstring mimetype;  // the key
  OwnedPtrVector<TypeEntry> entries;
};

ZS_TARGET_LAYOUT(offsetof(TypeLabelRecord, entries) == 24, "type entries");
ZS_TARGET_LAYOUT(sizeof(TypeLabelRecord) == 36, "type-label record size");

// One row picked in the contact select dialog. The dialog's result is a heap PickedContactList
// (or null for nothing picked) that the receiver deletes.
struct PickedContact {
  std::wstring name;
  std::wstring phone;
};

ZS_TARGET_LAYOUT(sizeof(PickedContact) == 48, "picked contact size");

typedef std::vector<PickedContact> PickedContactList;

// A checked list: a heap vector of the pane's record pointers. The vector passes to the
// receiver; the records stay the pane's.
typedef std::vector<ContactRecord*> ContactList;
typedef std::vector<GroupRecord*> GroupList;
typedef std::vector<AccountRecord*> AccountList;
typedef std::vector<TypeLabelRecord*> TypeLabelList;
