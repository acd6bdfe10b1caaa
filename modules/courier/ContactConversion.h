// Between the phone's contacts (the demo model) and the records that travel to the host and
// the contacts pane. Plain code with no Windows API, tested natively.
#pragma once

#include <string>
#include <vector>

#include "contracts/ContactRecords.h"
#include "modules/courier/DemoData.h"

// A heap record of `contact` as the pane lists and the editor edits it: a name row first (the
// name split into first, middle and last part), then one data row per item, old fields set.
ContactRecord* MakeContactRecord(const DemoContact& contact);
// What the pane holds of a contact, as the files write it: the name and the items as loaded
// (the old fields), group identifiers as they are.
DemoContact ContactFromRecord(const ContactRecord& record);

// The phone's mimetype of a contact item (a kMime... text of ContactRecords.h).
const wchar_t* MimetypeOf(DemoItemKind kind);
// The item kind of a mimetype; false for the name row and mimetypes the phone does not store.
bool ItemKindOfMimetype(const std::wstring& mimetype, DemoItemKind& kind);
// "First\nMiddle\nLast" from a display name and back; empty parts are left out when joining.
std::wstring NameRowValue(const std::wstring& name);
std::wstring NameFromRowValue(const std::wstring& value);

// Applies what the editor marked in `edited` to `contact` (rows by their edit state, the name,
// the groups to leave and join, a chosen account). A changed row whose old value the phone no
// longer holds is added instead, so nothing the user typed is lost. False, with `error`, when
// the result would be a contact with neither name nor data.
bool ApplyContactEdit(const ContactRecord& edited, const std::vector<DemoGroup>& groups,
                      const std::vector<DemoAccount>& accounts, DemoContact& contact, std::string& error);

// The side lists of the editor, as heap vectors of heap records (the receiver owns all).
GroupList* MakeGroupList(const std::vector<DemoGroup>& groups);
AccountList* MakeAccountList(const std::vector<DemoAccount>& accounts);
TypeLabelList* MakeTypeLabelList();
