// What the contact editor decides without a window: the name split and composition, the kinds
// of rows it shows and offers, the initial type of a row, the account texts, the groups it
// offers, and the save computation that turns the editor's boxes into the record it sends.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/ContactRecords.h"

typedef std::map<std::wstring, TypeLabelRecord*> TypeLabelIndex;

struct NameParts {
  std::wstring first;
  std::wstring middle;
  std::wstring last;
};

// A name row's value is "first\nmiddle\nlast"; a value of two parts fills first and middle.
// Parts beyond the third join the last part with a space (the boxes hold one line each).
NameParts SplitNameValue(const std::wstring& value);
// Always both line feeds, also for empty parts.
std::wstring ComposeNameValue(const NameParts& parts);

// One kind of data row the editor shows.
struct EditKind {
  const wchar_t* mimetype;
  const wchar_t* heading;
  bool typed;  // has a type combo
};
// Null for the kinds the editor neither shows nor changes (name rows, events, photos, ...).
const EditKind* FindEditKind(const std::wstring& mimetype);

struct AddFieldEntry {
  int id;
  const wchar_t* text;
  const wchar_t* mimetype;
};
// The Add Field menu in id order.
const std::vector<AddFieldEntry>& AddFieldTable();
// The entries of kinds not shown yet; `shown` lists the mimetypes of the rows the editor has.
std::vector<const AddFieldEntry*> AddFieldChoices(const std::vector<std::wstring>& shown);
const AddFieldEntry* FindAddField(int id);

// The property rows stacked top to bottom, in content coordinates: each kind's heading on a
// line of its own above its first row, then the Group heading and box.
constexpr int kPropertyRowHeight = 32;
constexpr int kPropertyHeadingHeight = 22;
struct PropertyStack {
  std::vector<int> rowTops;
  std::vector<int> headingTops;  // per row: its kind's heading above it, or -1 for a later row
  int groupHeadingTop = 0;
  int groupTop = 0;
  int height = 0;
};
PropertyStack StackPropertyRows(const std::vector<std::wstring>& mimetypes);

const TypeLabelRecord* TypeLabelsOf(const TypeLabelIndex* index, const std::wstring& mimetype);

// What a row's type combo shows when it opens: the entry `index`, or with index -1 the
// custom label `text` typed in the box.
struct TypeChoice {
  int index = -1;
  std::wstring text;
};
TypeChoice InitialTypeChoice(const TypeLabelRecord* labels, const ContactDataRow& row);

// "name (type)"; "Phone only" for an empty name.
std::wstring AccountText(const std::wstring& name, const std::wstring& type);
std::wstring AccountLabel(const ContactRecord& contact, bool newMode);

// The groups of the contact's account type ("com.google" for a contact on no account), in
// list order.
std::vector<const GroupRecord*> OfferedGroups(const GroupList* groups, const ContactRecord& contact);

// One property row as the user left it.
struct PropertyEdit {
  int sourceRow = -1;     // index into the edited contact's data rows; -1: added in the editor
  std::wstring mimetype;  // the row's kind
  std::wstring value;     // the value box
  int typeIndex = -1;     // the selected type entry; -1: none (a label typed into the combo)
  std::wstring typeText;  // the combo's text when none is selected
};

struct EditorState {
  NameParts name;
  std::vector<PropertyEdit> properties;
  std::vector<std::wstring> offeredGroups;  // identifiers listed in the group box
  std::vector<std::wstring> checkedGroups;  // those of them checked
  bool accountPicked = false;               // the account combo is shown with a selection
  std::wstring accountName;                 // the pick; both empty: phone only
  std::wstring accountType;
};

// The record a save sends, and how each row came out. The row lists point into `contact`,
// except the ignored rows, which the outcome keeps.
struct SaveOutcome {
  std::unique_ptr<ContactRecord> contact;
  std::vector<ContactDataRow*> newRows;
  std::vector<ContactDataRow*> deletedRows;
  std::vector<ContactDataRow*> changedRows;
  std::vector<ContactDataRow*> unchangedRows;
  OwnedPtrVector<ContactDataRow> ignoredRows;
  bool nameChanged = false;

  bool HasChanges() const;
};

// Works on a copy of `edited`, so a save that failed can be computed again from the same
// start. New mode marks the contact new (edit state 0).
SaveOutcome ComputeSave(const ContactRecord& edited, bool newMode, const EditorState& state,
                        const TypeLabelIndex* typeLabels);
