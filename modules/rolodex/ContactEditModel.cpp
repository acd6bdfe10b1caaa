#include "modules/rolodex/ContactEditModel.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr wchar_t kPhoneOnly[] = L"Phone only";
constexpr wchar_t kDefaultGroupAccountType[] = L"com.google";

const EditKind kEditKinds[] = {
    {kMimePhone, L"Phone Number", true},
    {kMimeEmail, L"Email", true},
    {kMimeIm, L"IM", true},
    {kMimePostalAddress, L"Address", true},
    {kMimeNickname, L"Nickname", false},
    {kMimeOrganization, L"Organization", false},
    {kMimeWebsite, L"Website", false},
    {kMimeNote, L"Note", false},
};

bool HasAnyPart(const NameParts& parts) { return !parts.first.empty() || !parts.middle.empty() || !parts.last.empty(); }

bool SameParts(const NameParts& a, const NameParts& b) {
  return a.first == b.first && a.middle == b.middle && a.last == b.last;
}

// The entry of a typed label: one of the offered labels by its text, else a custom label.
void TypeFromCombo(const TypeLabelRecord* labels, const PropertyEdit& edit, std::wstring& code, std::wstring& label) {
  if (labels == nullptr || labels->entries.empty()) {
    code.clear();
    label = edit.typeText;
    return;
  }
  const auto& entries = labels->entries;
  const int count = static_cast<int>(entries.size());
  int index = edit.typeIndex;
  if (index < 0 || index >= count) {
    index = -1;
    // A typed text that names an offered type is that type, not a custom one.
    for (int i = 1; i < count && index < 0; ++i)
      if (entries[i] != nullptr && entries[i]->label == edit.typeText) index = i;
    // An emptied box falls back to the type a new row starts with.
    if (index < 0 && edit.typeText.empty()) index = count > 1 ? 1 : 0;
  }
  if (index >= 0 && entries[index] != nullptr) {
    code = entries[index]->typeCode;
    label = entries[index]->label;
    return;
  }
  code = entries[0] != nullptr ? entries[0]->typeCode : std::wstring();
  label = edit.typeText;
}

void ClearNewFields(ContactDataRow& row) {
  row.newTypeCode.clear();
  row.newTypeLabel.clear();
  row.newValue.clear();
}

std::vector<std::wstring> SortedUnique(std::vector<std::wstring> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

}  // namespace

NameParts SplitNameValue(const std::wstring& value) {
  std::vector<std::wstring> parts;
  size_t start = 0;
  while (true) {
    const size_t end = value.find(L'\n', start);
    parts.push_back(value.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  NameParts name;
  name.first = parts[0];
  if (parts.size() > 1) name.middle = parts[1];
  for (size_t i = 2; i < parts.size(); ++i) {
    if (parts[i].empty()) continue;
    if (!name.last.empty()) name.last += L' ';
    name.last += parts[i];
  }
  return name;
}

std::wstring ComposeNameValue(const NameParts& parts) {
  return parts.first + L"\n" + parts.middle + L"\n" + parts.last;
}

const EditKind* FindEditKind(const std::wstring& mimetype) {
  for (const EditKind& kind : kEditKinds)
    if (mimetype == kind.mimetype) return &kind;
  return nullptr;
}

const std::vector<AddFieldEntry>& AddFieldTable() {
  static const std::vector<AddFieldEntry> table = {
      {8000, L"Email", kMimeEmail},           {8001, L"Im", kMimeIm},
      {8002, L"Address", kMimePostalAddress}, {8003, L"Note", kMimeNote},
      {8004, L"Nickname", kMimeNickname},     {8005, L"Organization", kMimeOrganization},
      {8006, L"Website", kMimeWebsite},
  };
  return table;
}

std::vector<const AddFieldEntry*> AddFieldChoices(const std::vector<std::wstring>& shown) {
  std::vector<const AddFieldEntry*> choices;
  for (const AddFieldEntry& entry : AddFieldTable())
    if (std::find(shown.begin(), shown.end(), entry.mimetype) == shown.end()) choices.push_back(&entry);
  return choices;
}

const AddFieldEntry* FindAddField(int id) {
  for (const AddFieldEntry& entry : AddFieldTable())
    if (entry.id == id) return &entry;
  return nullptr;
}

PropertyStack StackPropertyRows(const std::vector<std::wstring>& mimetypes) {
  PropertyStack stack;
  int y = 0;
  for (size_t i = 0; i < mimetypes.size(); ++i) {
    if (i == 0 || mimetypes[i] != mimetypes[i - 1]) {
      stack.headingTops.push_back(y);
      y += kPropertyHeadingHeight;
    } else {
      stack.headingTops.push_back(-1);
    }
    stack.rowTops.push_back(y);
    y += kPropertyRowHeight;
  }
  stack.groupHeadingTop = y;
  stack.groupTop = y + kPropertyHeadingHeight;
  stack.height = stack.groupTop + kPropertyRowHeight;
  return stack;
}

const TypeLabelRecord* TypeLabelsOf(const TypeLabelIndex* index, const std::wstring& mimetype) {
  if (index == nullptr) return nullptr;
  auto found = index->find(mimetype);
  return found == index->end() ? nullptr : found->second;
}

TypeChoice InitialTypeChoice(const TypeLabelRecord* labels, const ContactDataRow& row) {
  TypeChoice choice;
  if (labels == nullptr || labels->entries.empty()) {
    choice.text = row.oldTypeLabel;
    return choice;
  }
  const auto& entries = labels->entries;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == nullptr || entries[i]->typeCode != row.oldTypeCode) continue;
    if (i == 0) {
      choice.text = row.oldTypeLabel;  // a label of the user's own
    } else {
      choice.index = static_cast<int>(i);
    }
    return choice;
  }
  choice.index = entries.size() > 1 ? 1 : 0;
  return choice;
}

std::wstring AccountText(const std::wstring& name, const std::wstring& type) {
  if (name.empty()) return kPhoneOnly;
  return name + L" (" + type + L")";
}

std::wstring AccountLabel(const ContactRecord& contact, bool newMode) {
  return newMode ? std::wstring(kPhoneOnly) : AccountText(contact.accountName, contact.accountType);
}

std::vector<const GroupRecord*> OfferedGroups(const GroupList* groups, const ContactRecord& contact) {
  std::vector<const GroupRecord*> offered;
  if (groups == nullptr) return offered;
  const std::wstring type = contact.accountType.empty() ? kDefaultGroupAccountType : contact.accountType;
  for (const GroupRecord* group : *groups)
    if (group != nullptr && group->accountType == type) offered.push_back(group);
  return offered;
}

bool SaveOutcome::HasChanges() const {
  if (!contact) return false;
  return !newRows.empty() || !deletedRows.empty() || !changedRows.empty() || nameChanged ||
         contact->accountChosen != 0 || !contact->groupsToLeave.empty() || !contact->groupsToJoin.empty();
}

SaveOutcome ComputeSave(const ContactRecord& edited, bool newMode, const EditorState& state,
                        const TypeLabelIndex* typeLabels) {
  SaveOutcome out;
  out.contact = std::make_unique<ContactRecord>(edited);
  ContactRecord& contact = *out.contact;
  if (newMode) contact.editState = kEditNew;
  // Only what the boxes say changes: rows the editor does not show go as they came.
  for (ContactDataRow* row : contact.dataRows)
    if (row != nullptr) row->editState = kEditUnchanged;

  // The name.
  ContactDataRow* nameRow = nullptr;
  for (ContactDataRow* row : contact.dataRows)
    if (row != nullptr && row->mimetype == kMimeName) {
      nameRow = row;
      break;
    }
  const std::wstring composed = ComposeNameValue(state.name);
  if (HasAnyPart(state.name)) {
    if (nameRow == nullptr) {
      auto row = std::make_unique<ContactDataRow>();
      row->mimetype = kMimeName;
      row->editState = kEditNew;
      row->newValue = composed;
      contact.dataRows.push_back(row.release());
      out.nameChanged = true;
    } else if (!SameParts(SplitNameValue(nameRow->oldValue), state.name)) {
      // Parts, not strings: a name loaded without line feeds is not changed by showing it.
      nameRow->editState = kEditChanged;
      nameRow->newValue = composed;
      out.nameChanged = true;
    }
  } else if (nameRow != nullptr && HasAnyPart(SplitNameValue(nameRow->oldValue))) {
    nameRow->editState = kEditDeleted;
    out.nameChanged = true;
  }

  // The property rows.
  const int rowCount = static_cast<int>(contact.dataRows.size());
  std::vector<ContactDataRow*> added;
  for (const PropertyEdit& edit : state.properties) {
    const EditKind* kind = FindEditKind(edit.mimetype);
    if (kind == nullptr) continue;
    ContactDataRow* row = edit.sourceRow >= 0 && edit.sourceRow < rowCount ? contact.dataRows[edit.sourceRow] : nullptr;
    if (row != nullptr && row->mimetype != edit.mimetype) row = nullptr;
    const TypeLabelRecord* labels = kind->typed ? TypeLabelsOf(typeLabels, edit.mimetype) : nullptr;
    if (row == nullptr) {
      auto fresh = std::make_unique<ContactDataRow>();
      fresh->mimetype = edit.mimetype;
      fresh->editState = kEditNew;
      if (edit.value.empty()) {
        out.ignoredRows.push_back(fresh.release());
        continue;
      }
      fresh->newValue = edit.value;
      if (kind->typed) TypeFromCombo(labels, edit, fresh->newTypeCode, fresh->newTypeLabel);
      added.push_back(fresh.get());
      out.newRows.push_back(fresh.release());
      continue;
    }
    if (edit.value.empty()) {
      row->editState = kEditDeleted;
      out.deletedRows.push_back(row);
      continue;
    }
    row->newValue = edit.value;
    if (kind->typed && labels != nullptr) {
      TypeFromCombo(labels, edit, row->newTypeCode, row->newTypeLabel);
    } else {
      // No type to choose: the one it has stays.
      row->newTypeCode = row->oldTypeCode;
      row->newTypeLabel = row->oldTypeLabel;
    }
    const bool changed = row->newValue != row->oldValue || row->newTypeLabel != row->oldTypeLabel ||
                         row->newTypeCode != row->oldTypeCode;
    if (changed) {
      row->editState = kEditChanged;
      out.changedRows.push_back(row);
    } else {
      ClearNewFields(*row);
      out.unchangedRows.push_back(row);
    }
  }

  // The groups. Groups the box did not offer (another account's) are kept, not left.
  contact.chosenGroups.clear();
  for (const std::wstring& id : state.checkedGroups) contact.chosenGroups.push_back(id);
  for (const std::wstring& id : contact.groups)
    if (std::find(state.offeredGroups.begin(), state.offeredGroups.end(), id) == state.offeredGroups.end())
      contact.chosenGroups.push_back(id);
  std::sort(contact.groups.begin(), contact.groups.end());
  std::sort(contact.chosenGroups.begin(), contact.chosenGroups.end());
  const std::vector<std::wstring> had = SortedUnique(contact.groups);
  const std::vector<std::wstring> chosen = SortedUnique(contact.chosenGroups);
  contact.groupsToLeave.clear();
  contact.groupsToJoin.clear();
  std::set_difference(had.begin(), had.end(), chosen.begin(), chosen.end(), std::back_inserter(contact.groupsToLeave));
  std::set_difference(chosen.begin(), chosen.end(), had.begin(), had.end(), std::back_inserter(contact.groupsToJoin));

  contact.dataRows.insert(contact.dataRows.end(), added.begin(), added.end());

  // The account: picking the one the contact already has changes nothing.
  contact.accountChosen = 0;
  if (state.accountPicked && (state.accountName != contact.accountName ||
                              (!state.accountName.empty() && state.accountType != contact.accountType))) {
    contact.accountName = state.accountName;
    contact.accountType = state.accountName.empty() ? std::wstring() : state.accountType;
    contact.accountChosen = 1;
  }
  return out;
}
