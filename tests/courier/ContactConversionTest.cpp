// The phone's contacts to and from the records the host and the pane use, the editor's changes
// applied to a phone contact, and the book that keeps a phone's contacts across restarts.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "modules/courier/ContactBook.h"
#include "modules/courier/ContactConversion.h"

namespace {

DemoContactItem Item(DemoItemKind kind, int32_t code, const wchar_t* label, const wchar_t* value) {
  DemoContactItem item;
  item.kind = kind;
  item.typeCode = code;
  item.label = label;
  item.value = value;
  return item;
}

DemoContact Ann() {
  DemoContact contact;
  contact.identifier = L"c7";
  contact.name = L"Ann Marie Lee";
  contact.groups = {L"g1"};
  contact.items = {Item(DemoItemKind::kPhone, 2, L"Mobile", L"+1 555 0100"),
                   Item(DemoItemKind::kPhone, 0, L"Boat", L"+1 555 0199"),
                   Item(DemoItemKind::kEmail, 1, L"Home", L"ann@mail.example"),
                   Item(DemoItemKind::kNote, 0, L"", L"two\nlines")};
  return contact;
}

ContactDataRow* Row(const wchar_t* mimetype, int32_t state, const wchar_t* oldValue, const wchar_t* newValue,
                    const wchar_t* newLabel = L"", const wchar_t* oldCode = L"") {
  auto* row = new ContactDataRow;
  row->mimetype = mimetype;
  row->oldValue = oldValue;
  row->oldTypeCode = oldCode;
  row->newValue = newValue;
  row->newTypeLabel = newLabel;
  row->editState = state;
  return row;
}

const std::vector<DemoGroup> kGroups = {{L"g1", L"Family", L"com.google"}, {L"g2", L"Work", L"com.google"}};
const std::vector<DemoAccount> kAccounts = {{L"ann@mail.example", L"com.google"}};

}  // namespace

TEST(ContactConversion, RecordsCarryANameRowAndEveryItemAndComeBackUnchanged) {
  std::unique_ptr<ContactRecord> record(MakeContactRecord(Ann()));
  EXPECT_EQ(record->phone, L"+1 555 0100");
  ASSERT_EQ(record->dataRows.size(), 5u);
  EXPECT_EQ(record->dataRows[0]->mimetype, kMimeName);
  EXPECT_EQ(record->dataRows[0]->oldValue, L"Ann\nMarie\nLee");
  EXPECT_EQ(record->dataRows[2]->oldTypeLabel, L"Boat");
  EXPECT_EQ(record->dataRows[2]->editState, kEditUnchanged);

  const DemoContact back = ContactFromRecord(*record);
  ASSERT_EQ(back.items.size(), 4u);
  for (size_t i = 0; i < back.items.size(); ++i) {
    EXPECT_EQ(back.items[i].value, Ann().items[i].value);
    EXPECT_EQ(back.items[i].typeCode, Ann().items[i].typeCode);
    EXPECT_EQ(back.items[i].label, Ann().items[i].label);
  }
  EXPECT_EQ(NameFromRowValue(L"Ann\n\nLee"), L"Ann Lee");
  EXPECT_EQ(NameRowValue(L"李小龍"), L"李小龍\n\n");
  EXPECT_EQ(NameFromRowValue(NameRowValue(L"  Ann   Lee ")), L"Ann Lee");
}

TEST(ContactConversion, AnEditChangesAddsAndDeletesRowsByTheirStateAndMovesGroups) {
  DemoContact contact = Ann();
  ContactRecord edited;
  edited.identifier = contact.identifier;
  edited.dataRows.push_back(Row(kMimeName, kEditChanged, L"Ann\nMarie\nLee", L"Ann\n\nLee-Smith"));
  edited.dataRows.push_back(Row(kMimePhone, kEditChanged, L"+1 555 0100", L"+1 555 0111", L"Work", L"2"));
  edited.dataRows.push_back(Row(kMimePhone, kEditDeleted, L"+1 555 0199", L""));
  edited.dataRows.push_back(Row(kMimeEmail, kEditNew, L"", L"ann@work.example", L"Work"));
  edited.dataRows.push_back(Row(kMimeNote, kEditUnchanged, L"two\nlines", L"ignored"));
  edited.groupsToLeave = {L"g1"};
  edited.groupsToJoin = {L"g2", L"no-such-group"};
  std::string error;
  ASSERT_TRUE(ApplyContactEdit(edited, kGroups, kAccounts, contact, error)) << error;
  EXPECT_EQ(contact.name, L"Ann Lee-Smith");
  ASSERT_EQ(contact.items.size(), 4u);
  EXPECT_EQ(contact.items[0].value, L"+1 555 0111");
  EXPECT_EQ(contact.items[0].typeCode, 3);
  EXPECT_EQ(contact.items[1].kind, DemoItemKind::kEmail);
  EXPECT_EQ(contact.items[2].value, L"two\nlines");
  EXPECT_EQ(contact.items[3].value, L"ann@work.example");
  EXPECT_EQ(contact.groups, std::vector<std::wstring>{L"g2"});
}

// Rows of kinds the editor does not offer pass untouched, and a company's new name keeps the
// job title the phone holds beside it.
TEST(ContactConversion, AnEditKeepsWhatTheEditorDoesNotShow) {
  DemoContact contact = Ann();
  contact.items.push_back(Item(DemoItemKind::kOrganization, 0, L"Directrice", L"Atelier"));
  contact.items.push_back(Item(DemoItemKind::kEvent, 3, L"Birthday", L"1985-04-12"));
  contact.items.push_back(Item(DemoItemKind::kPhoto, 0, L"PNG", L"iVBORw0KGgo="));
  ContactRecord edited;
  edited.identifier = contact.identifier;
  edited.dataRows.push_back(Row(kMimeOrganization, kEditChanged, L"Atelier", L"Atelier Lumière"));
  std::string error;
  ASSERT_TRUE(ApplyContactEdit(edited, kGroups, kAccounts, contact, error)) << error;
  ASSERT_EQ(contact.items.size(), 7u);
  EXPECT_EQ(contact.items[4].value, L"Atelier Lumière");
  EXPECT_EQ(contact.items[4].label, L"Directrice");
  EXPECT_EQ(contact.items[5].value, L"1985-04-12");
  EXPECT_EQ(contact.items[6].value, L"iVBORw0KGgo=");
  // And they travel to the pane as rows of the phone's own mimetypes.
  std::unique_ptr<ContactRecord> record(MakeContactRecord(contact));
  std::vector<std::wstring> mimetypes;
  for (const ContactDataRow* row : record->dataRows) mimetypes.push_back(row->mimetype);
  EXPECT_NE(std::find(mimetypes.begin(), mimetypes.end(), kMimeEvent), mimetypes.end());
  EXPECT_NE(std::find(mimetypes.begin(), mimetypes.end(), kMimePhoto), mimetypes.end());
}

// The editor changes first, middle and last name; a prefix and suffix the phone holds stay.
TEST(ContactConversion, TheNameRowComesFromThePartsAndAnEditKeepsPrefixAndSuffix) {
  DemoContact contact = Ann();
  contact.name = L"Dr. Ann Marie Lee Jr.";
  contact.nameParts = {L"Dr.", L"Ann", L"Marie", L"Lee", L"Jr."};
  std::unique_ptr<ContactRecord> record(MakeContactRecord(contact));
  ASSERT_FALSE(record->dataRows.empty());
  EXPECT_EQ(record->dataRows[0]->oldValue, L"Ann\nMarie\nLee");
  ContactRecord edited;
  edited.identifier = contact.identifier;
  edited.dataRows.push_back(Row(kMimeName, kEditChanged, L"Ann\nMarie\nLee", L"Anna\n\nLee-Smith"));
  std::string error;
  ASSERT_TRUE(ApplyContactEdit(edited, kGroups, kAccounts, contact, error)) << error;
  EXPECT_EQ(contact.nameParts, (std::vector<std::wstring>{L"Dr.", L"Anna", L"", L"Lee-Smith", L"Jr."}));
  EXPECT_EQ(contact.name, L"Dr. Anna Lee-Smith Jr.");
}

TEST(ContactConversion, AChangedRowThePhoneNoLongerHoldsIsAddedAndEmptyContactsAreRefused) {
  DemoContact contact = Ann();
  ContactRecord edited;
  edited.dataRows.push_back(Row(kMimePhone, kEditChanged, L"+9 stale", L"+1 555 0123", L"Home"));
  std::string error;
  ASSERT_TRUE(ApplyContactEdit(edited, kGroups, kAccounts, contact, error));
  EXPECT_EQ(contact.items.back().value, L"+1 555 0123");
  EXPECT_EQ(contact.items.size(), 5u);

  DemoContact empty;
  ContactRecord nothing;
  nothing.editState = kEditNew;
  nothing.dataRows.push_back(Row(kMimePhone, kEditNew, L"", L"   "));
  EXPECT_FALSE(ApplyContactEdit(nothing, kGroups, kAccounts, empty, error));
  EXPECT_FALSE(error.empty());

  ContactRecord foreignAccount;
  foreignAccount.accountChosen = 1;
  foreignAccount.accountName = L"someone@else.example";
  foreignAccount.accountType = L"com.google";
  DemoContact unchanged = Ann();
  EXPECT_FALSE(ApplyContactEdit(foreignAccount, kGroups, kAccounts, unchanged, error));
  EXPECT_EQ(unchanged.accountName, L"");
}

TEST(ContactBook, KeepsChangesInItsOwnCopyAndSetsABrokenCopyAside) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / "contact-book-test";
  std::filesystem::remove_all(folder);
  const std::filesystem::path state = folder / "state" / "PHONE.contacts.json";
  DemoPhone phone;
  phone.identifier = L"PHONE";
  phone.groups = kGroups;
  phone.contacts = {Ann()};
  phone.generatedContacts = 5;

  std::string error;
  ContactBook book;
  book.Open(phone, state, error);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(book.Count(), 6u);
  DemoContact added;
  added.name = L"New One";
  const std::wstring id = book.Add(added);
  EXPECT_EQ(id, L"local-1");
  EXPECT_TRUE(book.Remove(L"c7"));
  EXPECT_FALSE(book.Remove(L"c7"));
  EXPECT_NE(book.Find(id), nullptr);
  // Many at once keep the others' order and find them where they now are.
  std::vector<std::wstring> order;
  for (const DemoContact& contact : book.Contacts()) order.push_back(contact.identifier);
  ASSERT_GE(order.size(), 4u);
  EXPECT_EQ(book.RemoveAll({order[0], order[2], L"no-such"}), 2u);
  ASSERT_EQ(book.Count(), order.size() - 2);
  EXPECT_EQ(book.Contacts()[0].identifier, order[1]);
  EXPECT_EQ(book.Contacts()[1].identifier, order[3]);
  ASSERT_NE(book.Find(order[3]), nullptr);
  EXPECT_EQ(book.Find(order[3])->identifier, order[3]);
  EXPECT_EQ(book.Find(order[2]), nullptr);
  ASSERT_TRUE(book.Persist(error)) << error;

  ContactBook reopened;
  reopened.Open(phone, state, error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(reopened.Count(), book.Count());
  EXPECT_EQ(reopened.Find(L"c7"), nullptr);
  ASSERT_NE(reopened.Find(L"local-1"), nullptr);
  EXPECT_EQ(reopened.Add(DemoContact()), L"local-2");

  std::ofstream(state, std::ios::binary | std::ios::trunc) << "{\"format\": broken";
  ContactBook damaged;
  damaged.Open(phone, state, error);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(damaged.Count(), 6u);
  EXPECT_NE(damaged.Find(L"c7"), nullptr);
  EXPECT_TRUE(std::filesystem::exists(folder / "state" / "PHONE.contacts.json.corrupt"));
  std::filesystem::remove_all(folder);
}
