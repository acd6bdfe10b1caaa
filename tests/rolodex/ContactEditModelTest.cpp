// The contact editor's decisions without its window: name parts, type choices, Add Field, the
// groups it offers, and the save computation (which rows are new, changed, deleted, unchanged or
// ignored; the groups to join and leave; the account; whether anything is sent at all).
#include "modules/rolodex/ContactEditModel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

ContactDataRow* Row(const wchar_t* mimetype, const wchar_t* code, const wchar_t* label, const wchar_t* value) {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->oldTypeCode = code;
  row->oldTypeLabel = label;
  row->oldValue = value;
  return row;
}

// The phone's type tables as the device service sends them (entry 0 is the custom type).
struct Labels {
  OwnedPtrVector<TypeLabelRecord> records;
  TypeLabelIndex index;

  Labels() {
    Add(kMimePhone, {{L"0", L"Custom"}, {L"1", L"Home"}, {L"2", L"Mobile"}, {L"3", L"Work"}});
    Add(kMimeEmail, {{L"0", L"Custom"}, {L"1", L"Home"}, {L"2", L"Work"}});
    Add(kMimePostalAddress, {{L"0", L"Custom"}, {L"1", L"Home"}, {L"2", L"Work"}});
  }
  void Add(const wchar_t* mimetype, std::vector<TypeEntry> entries) {
    auto* record = new TypeLabelRecord;
    record->mimetype = mimetype;
    for (const TypeEntry& entry : entries) record->entries.push_back(new TypeEntry(entry));
    records.push_back(record);
    index[mimetype] = record;
  }
};

// Ann Lee: a name row, a mobile number, a work e-mail with a custom-typed second number, a
// birthday the editor does not show, in the groups g1 and g3.
std::unique_ptr<ContactRecord> AnnLee() {
  auto contact = std::make_unique<ContactRecord>();
  contact->identifier = L"17";
  contact->name = L"Ann Lee";
  contact->accountName = L"ann@example.com";
  contact->accountType = L"com.google";
  contact->dataRows.push_back(Row(kMimeName, L"", L"", L"Ann\n\nLee"));
  contact->dataRows.push_back(Row(kMimePhone, L"2", L"Mobile", L"555 0101"));
  contact->dataRows.push_back(Row(kMimeEmail, L"2", L"Work", L"ann@work.example"));
  contact->dataRows.push_back(Row(kMimePhone, L"0", L"Boat", L"555 0102"));
  contact->dataRows.push_back(Row(kMimeEvent, L"3", L"Birthday", L"1990-04-01"));
  contact->groups = {L"g3", L"g1"};
  return contact;
}

// The editor's boxes as they open for `contact` (Edit mode), nothing touched.
EditorState Untouched(const ContactRecord& contact, const Labels& labels) {
  EditorState state;
  for (size_t i = 0; i < contact.dataRows.size(); ++i) {
    const ContactDataRow& row = *contact.dataRows[i];
    if (row.mimetype == kMimeName) {
      state.name = SplitNameValue(row.oldValue);
      continue;
    }
    const EditKind* kind = FindEditKind(row.mimetype);
    if (kind == nullptr) continue;
    PropertyEdit edit;
    edit.sourceRow = static_cast<int>(i);
    edit.mimetype = row.mimetype;
    edit.value = row.oldValue;
    if (kind->typed) {
      const TypeChoice choice = InitialTypeChoice(TypeLabelsOf(&labels.index, row.mimetype), row);
      edit.typeIndex = choice.index;
      edit.typeText = choice.text;
    }
    state.properties.push_back(edit);
  }
  state.offeredGroups = {L"g1", L"g2", L"g3"};
  state.checkedGroups = {L"g1", L"g3"};
  return state;
}

PropertyEdit Added(const wchar_t* mimetype, const wchar_t* value, int typeIndex = 1, const wchar_t* typed = L"") {
  PropertyEdit edit;
  edit.mimetype = mimetype;
  edit.value = value;
  edit.typeIndex = typeIndex;
  edit.typeText = typed;
  return edit;
}

TEST(ContactEditNameTest, SplitsAndComposesTheThreeParts) {
  const NameParts two = SplitNameValue(L"Ann\nLee");
  EXPECT_EQ(two.first, L"Ann");
  EXPECT_EQ(two.middle, L"Lee");
  EXPECT_EQ(two.last, L"");
  const NameParts three = SplitNameValue(L"Ann\n\nLee");
  EXPECT_EQ(three.first, L"Ann");
  EXPECT_EQ(three.middle, L"");
  EXPECT_EQ(three.last, L"Lee");
  EXPECT_EQ(SplitNameValue(L"Ann").first, L"Ann");
  // A value of more parts than boxes loses none of them.
  EXPECT_EQ(SplitNameValue(L"A\nB\nC\nD").last, L"C D");
  EXPECT_EQ(ComposeNameValue({L"", L"", L""}), L"\n\n");
  EXPECT_EQ(ComposeNameValue({L"Ann", L"", L"Lee"}), L"Ann\n\nLee");
}

TEST(ContactEditTypeTest, OpensOnTheRowsTypeItsCustomLabelOrTheFirstOffered) {
  Labels labels;
  const TypeLabelRecord* phone = TypeLabelsOf(&labels.index, kMimePhone);
  ContactDataRow mobile;
  mobile.oldTypeCode = L"2";
  EXPECT_EQ(InitialTypeChoice(phone, mobile).index, 2);
  ContactDataRow boat;
  boat.oldTypeCode = L"0";
  boat.oldTypeLabel = L"Boat";
  EXPECT_EQ(InitialTypeChoice(phone, boat).index, -1);
  EXPECT_EQ(InitialTypeChoice(phone, boat).text, L"Boat");
  ContactDataRow fresh;
  EXPECT_EQ(InitialTypeChoice(phone, fresh).index, 1);
  EXPECT_EQ(TypeLabelsOf(&labels.index, kMimeNote), nullptr);
}

TEST(ContactEditMenuTest, AddFieldOffersOnlyKindsNotShown) {
  // A new contact shows a phone, an e-mail and an address row.
  std::vector<std::wstring> texts;
  for (const AddFieldEntry* entry : AddFieldChoices({kMimePhone, kMimeEmail, kMimePostalAddress}))
    texts.push_back(entry->text);
  EXPECT_EQ(texts, (std::vector<std::wstring>{L"Im", L"Note", L"Nickname", L"Organization", L"Website"}));
  std::vector<std::wstring> all;
  for (const AddFieldEntry& entry : AddFieldTable()) all.push_back(entry.mimetype);
  EXPECT_TRUE(AddFieldChoices(all).empty());
  EXPECT_EQ(FindAddField(8002)->mimetype, std::wstring(kMimePostalAddress));
  EXPECT_EQ(FindAddField(7999), nullptr);
}

TEST(ContactEditMenuTest, RowsStackUnderOneHeadingPerKind) {
  const PropertyStack stack = StackPropertyRows({kMimePhone, kMimePhone, kMimeEmail});
  EXPECT_EQ(stack.headingTops,
            (std::vector<int>{0, -1, 2 * kPropertyHeadingHeight - kPropertyHeadingHeight + 2 * kPropertyRowHeight}));
  EXPECT_EQ(stack.rowTops, (std::vector<int>{kPropertyHeadingHeight, kPropertyHeadingHeight + kPropertyRowHeight,
                                             2 * kPropertyHeadingHeight + 2 * kPropertyRowHeight}));
  EXPECT_EQ(stack.groupHeadingTop, stack.rowTops.back() + kPropertyRowHeight);
  EXPECT_EQ(stack.height, stack.groupHeadingTop + kPropertyHeadingHeight + kPropertyRowHeight);
  EXPECT_EQ(StackPropertyRows({}).height, kPropertyHeadingHeight + kPropertyRowHeight) << "the Group row alone";
}

TEST(ContactEditMenuTest, AccountTextsAndOfferedGroups) {
  auto ann = AnnLee();
  EXPECT_EQ(AccountLabel(*ann, false), L"ann@example.com (com.google)");
  EXPECT_EQ(AccountLabel(*ann, true), L"Phone only");
  ContactRecord phoneOnly;
  EXPECT_EQ(AccountLabel(phoneOnly, false), L"Phone only");
  OwnedPtrVector<GroupRecord> groups;
  groups.push_back(new GroupRecord{L"g1", L"Family", L"", L"com.google"});
  groups.push_back(new GroupRecord{L"g9", L"Team", L"", L"com.work"});
  GroupList list(groups.begin(), groups.end());
  ASSERT_EQ(OfferedGroups(&list, *ann).size(), 1u);
  EXPECT_EQ(OfferedGroups(&list, *ann)[0]->title, L"Family");
  // A contact on no account is offered the "com.google" groups.
  EXPECT_EQ(OfferedGroups(&list, phoneOnly).size(), 1u);
  EXPECT_TRUE(OfferedGroups(nullptr, phoneOnly).empty());
}

TEST(ContactEditSaveTest, NothingTouchedSendsNothing) {
  Labels labels;
  auto ann = AnnLee();
  const SaveOutcome out = ComputeSave(*ann, false, Untouched(*ann, labels), &labels.index);
  EXPECT_FALSE(out.HasChanges());
  EXPECT_FALSE(out.nameChanged);
  EXPECT_EQ(out.unchangedRows.size(), 3u);
  for (const ContactDataRow* row : out.unchangedRows) EXPECT_TRUE(row->newValue.empty() && row->newTypeLabel.empty());
  // Neither a name shown without line feeds nor a row of another kind counts as a change.
  ann->dataRows[0]->oldValue = L"Ann";
  EditorState state = Untouched(*ann, labels);
  EXPECT_FALSE(ComputeSave(*ann, false, state, &labels.index).HasChanges());
}

TEST(ContactEditSaveTest, ClearingTheNameDeletesTheNameRow) {
  Labels labels;
  auto ann = AnnLee();
  EditorState state = Untouched(*ann, labels);
  state.name = {};
  const SaveOutcome out = ComputeSave(*ann, false, state, &labels.index);
  EXPECT_TRUE(out.HasChanges());
  EXPECT_EQ(out.contact->dataRows[0]->editState, kEditDeleted);
  // The pane's record is not touched: the editor works on its own copy.
  EXPECT_EQ(ann->dataRows[0]->editState, kEditUnchanged);
  EXPECT_TRUE(ann->chosenGroups.empty());
}

TEST(ContactEditSaveTest, NameChangesAndANameRowMadeForAContactWithout) {
  Labels labels;
  auto ann = AnnLee();
  EditorState state = Untouched(*ann, labels);
  state.name.middle = L"May";
  SaveOutcome out = ComputeSave(*ann, false, state, &labels.index);
  EXPECT_EQ(out.contact->dataRows[0]->editState, kEditChanged);
  EXPECT_EQ(out.contact->dataRows[0]->newValue, L"Ann\nMay\nLee");

  ContactRecord fresh;
  EditorState typed;
  typed.name.last = L"Lee";
  out = ComputeSave(fresh, true, typed, &labels.index);
  ASSERT_EQ(out.contact->dataRows.size(), 1u);
  EXPECT_EQ(out.contact->dataRows[0]->mimetype, kMimeName);
  EXPECT_EQ(out.contact->dataRows[0]->editState, kEditNew);
  EXPECT_EQ(out.contact->dataRows[0]->newValue, L"\n\nLee");
  EXPECT_EQ(out.contact->editState, kEditNew);
  EXPECT_TRUE(out.HasChanges());
}

TEST(ContactEditSaveTest, ANewContactSendsTypedRowsAndIgnoresEmptyOnes) {
  Labels labels;
  ContactRecord fresh;
  EditorState state;
  state.properties = {Added(kMimePhone, L""), Added(kMimeEmail, L"new@example.com", 2), Added(kMimePostalAddress, L"")};
  const SaveOutcome out = ComputeSave(fresh, true, state, &labels.index);
  ASSERT_EQ(out.newRows.size(), 1u);
  EXPECT_EQ(out.ignoredRows.size(), 2u);
  ASSERT_EQ(out.contact->dataRows.size(), 1u);
  const ContactDataRow& email = *out.contact->dataRows[0];
  EXPECT_EQ(email.mimetype, kMimeEmail);
  EXPECT_EQ(email.editState, kEditNew);
  EXPECT_EQ(email.newValue, L"new@example.com");
  EXPECT_EQ(email.newTypeCode, L"2");
  EXPECT_EQ(email.newTypeLabel, L"Work");
  // A new contact left empty sends nothing.
  EditorState empty;
  empty.properties = {Added(kMimePhone, L""), Added(kMimeEmail, L"")};
  EXPECT_FALSE(ComputeSave(fresh, true, empty, &labels.index).HasChanges());
}

TEST(ContactEditSaveTest, TypedLabelsValuesAndDeletedRows) {
  Labels labels;
  auto ann = AnnLee();
  EditorState state = Untouched(*ann, labels);
  // Row 1 (mobile): a custom label typed into the combo.
  state.properties[0].typeIndex = -1;
  state.properties[0].typeText = L"Cabin";
  // Row 2 (e-mail): emptied.
  state.properties[1].value = L"";
  // Row 3 (custom "Boat"): the text "Work" typed is the offered type, not a custom one.
  state.properties[2].typeIndex = -1;
  state.properties[2].typeText = L"Work";
  state.properties.push_back(Added(kMimeNote, L"Met at the fair", -1));
  state.properties.push_back(Added(kMimeWebsite, L""));
  const SaveOutcome out = ComputeSave(*ann, false, state, &labels.index);
  const auto& rows = out.contact->dataRows;
  EXPECT_EQ(rows[1]->editState, kEditChanged);
  EXPECT_EQ(rows[1]->newTypeCode, L"0");
  EXPECT_EQ(rows[1]->newTypeLabel, L"Cabin");
  EXPECT_EQ(rows[1]->newValue, L"555 0101");
  EXPECT_EQ(rows[2]->editState, kEditDeleted);
  EXPECT_EQ(rows[3]->editState, kEditChanged);
  EXPECT_EQ(rows[3]->newTypeCode, L"3");
  EXPECT_EQ(rows[3]->newTypeLabel, L"Work");
  // The birthday the editor never showed goes untouched.
  EXPECT_EQ(rows[4]->mimetype, kMimeEvent);
  EXPECT_EQ(rows[4]->editState, kEditUnchanged);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[5]->mimetype, kMimeNote);
  EXPECT_TRUE(rows[5]->newTypeCode.empty());
  EXPECT_EQ(out.changedRows.size(), 2u);
  EXPECT_EQ(out.deletedRows.size(), 1u);
  EXPECT_EQ(out.newRows.size(), 1u);
  EXPECT_EQ(out.ignoredRows.size(), 1u);
}

TEST(ContactEditSaveTest, AnUntypedRowKeepsItsTypeWhenItsValueChanges) {
  Labels labels;
  ContactRecord contact;
  contact.dataRows.push_back(Row(kMimeWebsite, L"5", L"Work", L"old.example"));
  EditorState state;
  PropertyEdit edit;
  edit.sourceRow = 0;
  edit.mimetype = kMimeWebsite;
  edit.value = L"new.example";
  state.properties.push_back(edit);
  const SaveOutcome out = ComputeSave(contact, false, state, &labels.index);
  EXPECT_EQ(out.contact->dataRows[0]->editState, kEditChanged);
  EXPECT_EQ(out.contact->dataRows[0]->newTypeCode, L"5");
  EXPECT_EQ(out.contact->dataRows[0]->newTypeLabel, L"Work");
}

TEST(ContactEditSaveTest, GroupsToJoinAndLeaveSortedAndOnlyAmongThoseOffered) {
  Labels labels;
  auto ann = AnnLee();
  ann->groups.push_back(L"g7");  // another account's group: not offered, so not left
  EditorState state = Untouched(*ann, labels);
  state.checkedGroups = {L"g2", L"g1"};
  const SaveOutcome out = ComputeSave(*ann, false, state, &labels.index);
  EXPECT_EQ(out.contact->groupsToJoin, (std::vector<std::wstring>{L"g2"}));
  EXPECT_EQ(out.contact->groupsToLeave, (std::vector<std::wstring>{L"g3"}));
  EXPECT_EQ(out.contact->groups, (std::vector<std::wstring>{L"g1", L"g3", L"g7"}));
  EXPECT_EQ(out.contact->chosenGroups, (std::vector<std::wstring>{L"g1", L"g2", L"g7"}));
  EXPECT_TRUE(out.HasChanges());
  // Computed twice (a failed save, then OK again) it says the same.
  const SaveOutcome again = ComputeSave(*ann, false, state, &labels.index);
  EXPECT_EQ(again.contact->chosenGroups, out.contact->chosenGroups);
}

TEST(ContactEditSaveTest, AnAccountPickedIsSentOnlyWhenItDiffers) {
  Labels labels;
  auto ann = AnnLee();
  EditorState state = Untouched(*ann, labels);
  state.accountPicked = true;
  state.accountName = ann->accountName;
  state.accountType = ann->accountType;
  EXPECT_FALSE(ComputeSave(*ann, false, state, &labels.index).HasChanges());
  state.accountName.clear();  // "Phone only"
  state.accountType.clear();
  const SaveOutcome out = ComputeSave(*ann, false, state, &labels.index);
  EXPECT_TRUE(out.HasChanges());
  EXPECT_EQ(out.contact->accountChosen, 1);
  EXPECT_TRUE(out.contact->accountName.empty());
  EXPECT_TRUE(out.contact->accountType.empty());
}

}  // namespace
