#include "modules/courier/ContactConversion.h"

#include <algorithm>
#include <cwchar>

namespace {

// Kinds whose rows carry a type the editor offers from a list.
const DemoItemKind kTypedKinds[] = {DemoItemKind::kPhone,         DemoItemKind::kEmail,   DemoItemKind::kIm,
                                    DemoItemKind::kPostalAddress, DemoItemKind::kWebsite, DemoItemKind::kEvent,
                                    DemoItemKind::kSipAddress,    DemoItemKind::kRelation};

int32_t ParseTypeCode(const std::wstring& text) {
  if (text.empty()) return 0;
  wchar_t* end = nullptr;
  const long code = std::wcstol(text.c_str(), &end, 10);
  if (end == nullptr || *end != L'\0' || code < 0 || code > 100000) return 0;
  return static_cast<int32_t>(code);
}

// The label a type code stands for; custom types keep their own text.
std::wstring LabelOf(DemoItemKind kind, int32_t code, const std::wstring& given) {
  if (code == 0) return given;
  for (const DemoTypeLabel& entry : ContactTypeLabels(kind)) {
    if (entry.code == code) return entry.label;
  }
  return given;
}

DemoContactItem ItemOf(DemoItemKind kind, const std::wstring& typeCode, const std::wstring& label,
                       const std::wstring& value) {
  DemoContactItem item;
  item.kind = kind;
  item.typeCode = ContactTypeLabels(kind).empty() ? 0 : ParseTypeCode(typeCode);
  item.label = LabelOf(kind, item.typeCode, label);
  if (item.typeCode == 0 && item.label.empty() == false) item.typeCode = ContactTypeCode(kind, item.label);
  item.value = value;
  return item;
}

ContactDataRow* RowOf(const wchar_t* mimetype, const std::wstring& typeCode, const std::wstring& label,
                      const std::wstring& value) {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->oldTypeCode = typeCode;
  row->oldTypeLabel = label;
  row->oldValue = value;
  return row;
}

std::vector<std::wstring> SplitWords(const std::wstring& text) {
  std::vector<std::wstring> words;
  size_t start = 0;
  while (start < text.size()) {
    const size_t space = text.find(L' ', start);
    const size_t end = space == std::wstring::npos ? text.size() : space;
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

std::wstring Trimmed(const std::wstring& text) {
  const size_t first = text.find_first_not_of(L" \t\r\n");
  if (first == std::wstring::npos) return std::wstring();
  const size_t last = text.find_last_not_of(L" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool SameItem(const DemoContactItem& item, DemoItemKind kind, const ContactDataRow& row) {
  return item.kind == kind && item.value == row.oldValue &&
         (row.oldTypeCode.empty() || item.typeCode == ParseTypeCode(row.oldTypeCode));
}

bool IsKnownGroup(const std::vector<DemoGroup>& groups, const std::wstring& identifier) {
  return std::any_of(groups.begin(), groups.end(), [&](const DemoGroup& g) { return g.identifier == identifier; });
}

}  // namespace

const wchar_t* MimetypeOf(DemoItemKind kind) {
  switch (kind) {
    case DemoItemKind::kPhone:
      return kMimePhone;
    case DemoItemKind::kEmail:
      return kMimeEmail;
    case DemoItemKind::kPostalAddress:
      return kMimePostalAddress;
    case DemoItemKind::kWebsite:
      return kMimeWebsite;
    case DemoItemKind::kOrganization:
      return kMimeOrganization;
    case DemoItemKind::kNickname:
      return kMimeNickname;
    case DemoItemKind::kNote:
      return kMimeNote;
    case DemoItemKind::kIm:
      return kMimeIm;
    case DemoItemKind::kEvent:
      return kMimeEvent;
    case DemoItemKind::kSipAddress:
      return kMimeSipAddress;
    case DemoItemKind::kRelation:
      return kMimeRelation;
    case DemoItemKind::kPhoto:
      return kMimePhoto;
  }
  return kMimeNote;
}

bool ItemKindOfMimetype(const std::wstring& mimetype, DemoItemKind& kind) {
  for (DemoItemKind candidate : kAllItemKinds) {
    if (mimetype == MimetypeOf(candidate)) {
      kind = candidate;
      return true;
    }
  }
  return false;
}

std::wstring NameRowValue(const std::wstring& name) {
  const std::vector<std::wstring> words = SplitWords(name);
  if (words.empty()) return L"\n\n";
  if (words.size() == 1) return words[0] + L"\n\n";
  std::wstring middle;
  for (size_t i = 1; i + 1 < words.size(); ++i) middle += (middle.empty() ? L"" : L" ") + words[i];
  return words.front() + L"\n" + middle + L"\n" + words.back();
}

namespace {

// first, middle, last of a name row's value; missing parts empty.
std::vector<std::wstring> SplitRowValue(const std::wstring& value) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (start <= value.size() && parts.size() < 3) {
    const size_t end = std::min(value.find(L'\n', start), value.size());
    parts.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  parts.resize(3);
  return parts;
}

std::wstring JoinWords(const std::vector<std::wstring>& parts) {
  std::wstring out;
  for (const std::wstring& part : parts)
    if (!part.empty()) out += (out.empty() ? L"" : L" ") + part;
  return out;
}

}  // namespace

std::wstring NameFromRowValue(const std::wstring& value) {
  std::wstring name;
  size_t start = 0;
  while (start <= value.size()) {
    const size_t end = std::min(value.find(L'\n', start), value.size());
    const std::wstring part = Trimmed(value.substr(start, end - start));
    if (!part.empty()) name += (name.empty() ? L"" : L" ") + part;
    start = end + 1;
  }
  return name;
}

ContactRecord* MakeContactRecord(const DemoContact& contact) {
  auto* record = new ContactRecord;
  record->identifier = contact.identifier;
  record->name = contact.name;
  record->accountName = contact.accountName;
  record->accountType = contact.accountType;
  record->phone = contact.FirstPhone();
  record->groups = contact.groups;
  record->dataRows.reserve(contact.items.size() + 1);
  const std::wstring nameRow = contact.nameParts.size() == 5
                                   ? contact.nameParts[1] + L"\n" + contact.nameParts[2] + L"\n" + contact.nameParts[3]
                                   : NameRowValue(contact.name);
  record->dataRows.push_back(RowOf(kMimeName, std::wstring(), std::wstring(), nameRow));
  for (const DemoContactItem& item : contact.items) {
    record->dataRows.push_back(RowOf(MimetypeOf(item.kind), std::to_wstring(item.typeCode), item.label, item.value));
  }
  return record;
}

DemoContact ContactFromRecord(const ContactRecord& record) {
  DemoContact contact;
  contact.identifier = record.identifier;
  contact.name = record.name;
  contact.accountName = record.accountName;
  contact.accountType = record.accountType;
  contact.groups = record.groups;
  for (const ContactDataRow* row : record.dataRows) {
    DemoItemKind kind;
    if (row == nullptr || !ItemKindOfMimetype(row->mimetype, kind)) continue;
    const bool titleOnly = kind == DemoItemKind::kOrganization && !row->oldTypeLabel.empty();
    if (row->oldValue.empty() && !titleOnly) continue;
    contact.items.push_back(ItemOf(kind, row->oldTypeCode, row->oldTypeLabel, row->oldValue));
  }
  return contact;
}

bool ApplyContactEdit(const ContactRecord& edited, const std::vector<DemoGroup>& groups,
                      const std::vector<DemoAccount>& accounts, DemoContact& contact, std::string& error) {
  DemoContact result = contact;
  for (const ContactDataRow* row : edited.dataRows) {
    if (row == nullptr || row->editState == kEditUnchanged) continue;
    if (row->mimetype == kMimeName) {
      if (row->editState == kEditDeleted) {
        result.name.clear();
        result.nameParts.clear();
      } else {
        result.name = NameFromRowValue(row->newValue);
        if (result.nameParts.size() == 5) {
          // The editor shows first, middle and last; a prefix and suffix stay as they were.
          std::vector<std::wstring> edited = SplitRowValue(row->newValue);
          for (size_t i = 0; i < 3; ++i) result.nameParts[i + 1] = Trimmed(edited[i]);
          result.name = JoinWords(result.nameParts);
        }
      }
      continue;
    }
    DemoItemKind kind;
    if (!ItemKindOfMimetype(row->mimetype, kind)) continue;
    auto existing = std::find_if(result.items.begin(), result.items.end(),
                                 [&](const DemoContactItem& item) { return SameItem(item, kind, *row); });
    const bool isNewRow = row->editState == kEditNew || row->oldValue.empty();
    if (row->editState == kEditDeleted) {
      if (!isNewRow && existing != result.items.end()) result.items.erase(existing);
      continue;
    }
    if (row->editState != kEditNew && row->editState != kEditChanged) continue;
    const std::wstring value = Trimmed(row->newValue);
    if (value.empty()) continue;
    DemoContactItem item = ItemOf(kind, row->newTypeCode, row->newTypeLabel, value);
    // The editor offers no type for an organization; the job title it keeps stays.
    if (!isNewRow && existing != result.items.end() && ContactTypeLabels(kind).empty() && item.label.empty())
      item.label = existing->label;
    if (!isNewRow && existing != result.items.end())
      *existing = item;
    else
      result.items.push_back(item);
  }
  for (const std::wstring& leave : edited.groupsToLeave) {
    result.groups.erase(std::remove(result.groups.begin(), result.groups.end(), leave), result.groups.end());
  }
  for (const std::wstring& join : edited.groupsToJoin) {
    if (IsKnownGroup(groups, join) &&
        std::find(result.groups.begin(), result.groups.end(), join) == result.groups.end())
      result.groups.push_back(join);
  }
  if (edited.accountChosen != 0) {
    const bool phoneOnly = edited.accountName.empty();
    const bool known = std::any_of(accounts.begin(), accounts.end(), [&](const DemoAccount& a) {
      return a.name == edited.accountName && a.type == edited.accountType;
    });
    if (!phoneOnly && !known) {
      error = "the chosen account is not on the phone";
      return false;
    }
    result.accountName = edited.accountName;
    result.accountType = edited.accountType;
  }
  if (result.name.empty() && result.items.empty()) {
    error = "the contact has neither a name nor any data";
    return false;
  }
  // A phone shows a contact without a name by its first item.
  if (result.name.empty()) result.name = result.items.front().value;
  contact = std::move(result);
  return true;
}

GroupList* MakeGroupList(const std::vector<DemoGroup>& groups) {
  auto* list = new GroupList;
  for (const DemoGroup& group : groups) {
    auto* record = new GroupRecord;
    record->identifier = group.identifier;
    record->title = group.title;
    record->accountType = group.accountType;
    list->push_back(record);
  }
  return list;
}

AccountList* MakeAccountList(const std::vector<DemoAccount>& accounts) {
  auto* list = new AccountList;
  for (const DemoAccount& account : accounts) list->push_back(new AccountRecord{account.name, account.type});
  return list;
}

TypeLabelList* MakeTypeLabelList() {
  auto* list = new TypeLabelList;
  for (DemoItemKind kind : kTypedKinds) {
    auto* record = new TypeLabelRecord;
    record->mimetype = MimetypeOf(kind);
    for (const DemoTypeLabel& entry : ContactTypeLabels(kind))
      record->entries.push_back(new TypeEntry{std::to_wstring(entry.code), entry.label});
    list->push_back(record);
  }
  return list;
}
