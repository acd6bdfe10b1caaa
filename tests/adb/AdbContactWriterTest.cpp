// Contacts written through the phone's shell: every value must reach the `content` command as
// exactly one argument with exactly its bytes, whatever it holds (checked by running the
// commands through a real POSIX shell, as the phone's shell parses them), and an edit must
// touch only the rows it changes.
#include <gtest/gtest.h>

#include <cstdio>

#include "modules/courier/adb/AdbContactWriter.h"

namespace {

// The arguments a POSIX shell makes of `words` (a command line without its program).
std::vector<std::string> ShellArguments(const std::string& words) {
  const std::string line = "printf '%s\\0' " + words;
  FILE* pipe = popen(("sh -c " + ShellQuote(line)).c_str(), "r");
  std::vector<std::string> arguments;
  if (pipe == nullptr) return arguments;
  std::string current;
  int c = 0;
  while ((c = std::fgetc(pipe)) != EOF) {
    if (c == '\0') {
      arguments.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(c);
    }
  }
  pclose(pipe);
  return arguments;
}

std::string WithoutProgram(const std::string& command) { return command.substr(command.find(' ') + 1); }

const std::vector<std::string> kHostile = {"O'Brien \"Jr.\"",
                                           "a; rm -rf /sdcard",
                                           "$(reboot)`id`$HOME",
                                           "line one\nline two\r\n",
                                           "back\\slash \\'",
                                           "Zoë Øster 山田 🙂",
                                           "'",
                                           "''",
                                           "--bind",
                                           " leading and trailing ",
                                           "a:s:b",
                                           "*?[a-z] ~ & | > <"};

TEST(AdbContactWriter, HostileValuesArriveAsExactlyOneArgumentEach) {
  for (const std::string& value : kHostile) {
    const std::vector<std::string> arguments = ShellArguments(ShellQuote(value));
    ASSERT_EQ(arguments.size(), 1u) << value;
    EXPECT_EQ(arguments[0], value);
  }
  EXPECT_EQ(ShellQuote(std::string("a\0b", 3)), "'ab'");

  DemoContact contact;
  contact.name = L"O'Brien; $(reboot) `id`\nZoë 山田";
  contact.items.push_back({DemoItemKind::kNote, 0, L"", L"it's \"quoted\" & $HOME\nsecond line", {}});
  contact.items.push_back({DemoItemKind::kPhone, 0, L"Boat's; line", L"+49 170 1", {}});
  const std::vector<PhoneDataRow> rows = DataRowsOfContact(contact);
  ASSERT_EQ(rows.size(), 3u);
  const std::vector<std::string> name = ShellArguments(WithoutProgram(InsertDataCommand("17", rows[0])));
  ASSERT_GE(name.size(), 8u);
  EXPECT_EQ(name[0], "insert");
  EXPECT_EQ(name[3], "--bind");
  EXPECT_EQ(name[4], "raw_contact_id:i:17");
  EXPECT_EQ(name[6], "mimetype:s:vnd.android.cursor.item/name");
  EXPECT_EQ(name[8], "data1:s:" + WideToUtf8(contact.name));
  EXPECT_EQ(name.size(), 9u) << "empty name parts are not bound";
  const std::vector<std::string> note = ShellArguments(WithoutProgram(InsertDataCommand("17", rows[1])));
  EXPECT_EQ(note.back(), "data1:s:it's \"quoted\" & $HOME\nsecond line");
  const std::vector<std::string> phone = ShellArguments(WithoutProgram(InsertDataCommand("17", rows[2])));
  ASSERT_EQ(phone.size(), 13u);
  EXPECT_EQ(phone[10], "data2:i:0");
  EXPECT_EQ(phone[12], "data3:s:Boat's; line");

  const std::vector<std::string> raw =
      ShellArguments(WithoutProgram(InsertRawContactCommand(L"me@mail.example", L"com.example; x")));
  EXPECT_EQ(raw.back(), "account_type:s:com.example; x");
  EXPECT_EQ(ShellArguments(WithoutProgram(InsertRawContactCommand(L"", L""))).back(), "account_type:n:");
}

TEST(AdbContactWriter, IdentifiersInWhereClausesAreDigitsOnly) {
  EXPECT_TRUE(IsRowIdentifier("1234"));
  for (const char* bad : {"", "1 OR 1=1", "12)", "-1", "1e3", "١٢", "1234567890123456789"})
    EXPECT_FALSE(IsRowIdentifier(bad)) << bad;
  const std::vector<std::string> remove = ShellArguments(WithoutProgram(DeleteDataRowsCommand({"4", "9"})));
  EXPECT_EQ(remove.back(), "_id IN (4,9)");
  EXPECT_EQ(ShellArguments(WithoutProgram(QueryNewestRawContactCommand())).back(), "_id DESC");
}

ContentRow Held(const char* id, const char* mimetype, std::map<std::string, std::string> values) {
  values["_id"] = id;
  values["raw_contact_id"] = "5";
  values["mimetype"] = std::string("vnd.android.cursor.item/") + mimetype;
  return values;
}

TEST(AdbContactWriter, AnEditInsertsWhatChangedDeletesWhatWentAndKeepsTheRest) {
  const std::vector<ContentRow> held = {
      Held("10", "name", {{"data1", "Anna Berg"}, {"data2", "Anna"}, {"data3", "Berg"}, {"data5", "Maria"}}),
      // The provider's normalised number (data4) is the phone's own: it does not make the row differ.
      Held("11", "phone_v2", {{"data1", "+49 170 1"}, {"data2", "2"}, {"data4", "+491701"}}),
      Held("12", "email_v2", {{"data1", "old@mail.example"}, {"data2", "1"}}),
      Held("13", "group_membership", {{"data1", "6"}}),
      Held("14", "photo", {}),
      Held("x; 1", "note", {{"data1", "odd identifier"}}),
  };
  DemoContact wanted;
  wanted.identifier = L"5";
  wanted.groups = {L"6"};
  wanted.name = L"Anna Berg";
  wanted.nameParts = {L"", L"Anna", L"", L"Berg", L""};  // the middle name removed
  wanted.items.push_back({DemoItemKind::kPhone, 2, L"Mobile", L"+49 170 1", {}});
  wanted.items.push_back({DemoItemKind::kEmail, 1, L"Home", L"new@mail.example", {}});
  const ContactWritePlan plan = PlanContactWrite(held, wanted);
  ASSERT_EQ(plan.inserts.size(), 2u);
  EXPECT_EQ(plan.inserts[0].mimetype, "vnd.android.cursor.item/name");
  EXPECT_EQ(plan.inserts[1].mimetype, "vnd.android.cursor.item/email_v2");
  // The unchanged number and membership stay; a photo and a row whose identifier is no number are never deleted.
  EXPECT_EQ(plan.deletes, (std::vector<std::string>{"10", "12"}));

  // Saved again as the phone now holds it: nothing to do.
  std::vector<ContentRow> after = {held[1], held[3]};
  after.push_back(Held("20", "name", {{"data1", "Anna Berg"}, {"data2", "Anna"}, {"data3", "Berg"}}));
  after.push_back(Held("21", "email_v2", {{"data1", "new@mail.example"}, {"data2", "1"}}));
  const ContactWritePlan again = PlanContactWrite(after, wanted);
  EXPECT_TRUE(again.inserts.empty());
  EXPECT_TRUE(again.deletes.empty());

  // Leaving one group and joining another changes only the memberships; a group that is no
  // row identifier cannot stand in a row.
  DemoContact moved = wanted;
  moved.groups = {L"7", L"local-2"};
  const ContactWritePlan membership = PlanContactWrite(after, moved);
  ASSERT_EQ(membership.inserts.size(), 1u);
  EXPECT_EQ(membership.inserts[0].mimetype, "vnd.android.cursor.item/group_membership");
  ASSERT_EQ(membership.inserts[0].columns.size(), 1u);
  EXPECT_EQ(membership.inserts[0].columns[0].name, "data1");
  EXPECT_TRUE(membership.inserts[0].columns[0].integer);
  EXPECT_EQ(*membership.inserts[0].columns[0].value, "7");
  EXPECT_EQ(membership.deletes, (std::vector<std::string>{"13"}));

  // Two equal numbers are two rows: one held row cannot stand for both.
  wanted.items.push_back(wanted.items[0]);
  EXPECT_EQ(PlanContactWrite(after, wanted).inserts.size(), 1u);
}

TEST(AdbContactWriter, RowsWrittenAreTheRowsReadBack) {
  DemoContact contact;
  contact.identifier = L"5";
  contact.name = L"Bo Lind";
  contact.nameParts = {L"Dr.", L"Bo", L"", L"Lind", L""};
  contact.items.push_back({DemoItemKind::kPostalAddress,
                           1,
                           L"Home",
                           L"Hafenweg 4, Hamburg",
                           {L"", L"", L"Hafenweg 4", L"Hamburg", L"", L"20457", L"Germany"}});
  contact.items.push_back({DemoItemKind::kOrganization, 0, L"Skipper", L"Lind & Söhne", {}});
  contact.items.push_back({DemoItemKind::kPhone, 0, L"Boat", L"040 555 12", {}});
  contact.groups = {L"6", L"11"};
  // What the phone would print for the rows written, read as a load reads it.
  std::vector<ContentRow> rows;
  for (const PhoneDataRow& row : DataRowsOfContact(contact)) {
    ContentRow read = {{"raw_contact_id", "5"}, {"mimetype", row.mimetype}};
    for (const PhoneDataColumn& column : row.columns)
      if (column.value) read[column.name] = *column.value;
    rows.push_back(read);
  }
  const std::vector<DemoContact> back = ContactsFromDataRows(rows);
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].name, contact.name);
  EXPECT_EQ(back[0].nameParts, contact.nameParts);
  ASSERT_EQ(back[0].items.size(), 3u);
  // The number first, wherever its row stands: an edited number is written last.
  EXPECT_EQ(back[0].items[0].label, L"Boat");
  EXPECT_EQ(back[0].items[0].typeCode, 0);
  EXPECT_EQ(back[0].items[1].parts, contact.items[0].parts);
  EXPECT_EQ(back[0].items[1].label, L"Home");
  EXPECT_EQ(back[0].items[2].label, L"Skipper");
  EXPECT_EQ(back[0].groups, contact.groups);
}

}  // namespace
