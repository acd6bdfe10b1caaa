// A phone's shell output read into the model, from the recorded samples the stand-in phone
// also serves, and from the odd output real phones give (values with ", " and "=", NULL,
// notes over several lines, old df layouts).
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "modules/courier/adb/PhoneShellOutput.h"

namespace {

std::string Sample(const char* name) {
  std::ifstream file(std::string(ZS_ADB_SAMPLES) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(PhoneShellOutput, DetailsFromGetpropBatteryAndDf) {
  const auto properties = ParseGetprop(Sample("getprop.txt"));
  EXPECT_EQ(properties.at("ro.product.model"), "Lumo Seven");
  EXPECT_EQ(properties.at("ro.build.version.release"), "13");
  EXPECT_EQ(properties.at("ro.serialno"), "LUMO7A1B2C");
  EXPECT_EQ(ParseGetprop("[a]: []\r\n[broken\n[b]: [x]]\n").at("a"), "");

  const BatteryState battery = ParseDumpsysBattery(Sample("dumpsys-battery.txt"));
  EXPECT_EQ(battery.percent, 76);
  EXPECT_TRUE(battery.charging);
  EXPECT_EQ(ParseDumpsysBattery("  level: 3\n  scale: 4\n  status: 3\n").percent, 75);
  EXPECT_FALSE(ParseDumpsysBattery("  level: 3\n  status: 3\n  AC powered: false\n").charging);
  EXPECT_EQ(ParseDumpsysBattery("Can't find service: battery\n").percent, -1);
  EXPECT_EQ(ParseDumpsysBattery("  level: 900\n  scale: 0\n").percent, -1);

  const std::vector<DfEntry> df = ParseDfKilobytes(Sample("df.txt"));
  ASSERT_EQ(df.size(), 2u);
  EXPECT_EQ(df[0].mountedOn, "/data");
  EXPECT_EQ(df[0].totalBytes, 115249404ll * 1024);
  EXPECT_EQ(df[0].freeBytes, 67594216ll * 1024);
  // A device name too long for its column stands alone on the line before.
  const std::vector<DfEntry> wrapped = ParseDfKilobytes(
      "Filesystem 1K-blocks Used Available Use% Mounted on\n/dev/block/very/long/name\n"
      "   1000 400 600 40% /data\n/dev/x 12G 2G 10G 17% /system\n");
  ASSERT_EQ(wrapped.size(), 1u);
  EXPECT_EQ(wrapped[0].freeBytes, 600 * 1024);
}

TEST(PhoneShellOutput, ContentRowsKeepValuesWithCommasEqualsAndLineBreaks) {
  const std::vector<ContentRow> rows = ParseContentRows(Sample("content-query-data.txt"), kContactDataColumns);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[3].at("data1"), "Met at the fair, hall 3, stand A=12\nsecond line of the note");
  EXPECT_EQ(rows[6].at("data1"), "Hafenweg 4, 20457 Hamburg");
  EXPECT_EQ(rows[0].count("data4"), 0u);  // NULL
  EXPECT_EQ(rows[4].count("account_name"), 0u);

  EXPECT_TRUE(ParseContentRows("No result found.\n", kContactDataColumns).empty());
  // Rows of another projection, or cut short by a dying shell, are not guessed at.
  EXPECT_TRUE(ParseContentRows("Row: 0 _id=1, mimetype=x\n", kContactDataColumns).empty());
  EXPECT_TRUE(ParseContentRows("Row: 0 raw_contact_id=1, account_name=a", kContactDataColumns).empty());
  EXPECT_EQ(ParseContentRows("Row: 0 a=1, b=2\r\nRow: x a=3, b=4\nRow: 1 a=5, b=\n", {"a", "b"}).size(), 2u);
  EXPECT_EQ(ContactDataProjection().substr(0, 28), "raw_contact_id:account_name:");
}

TEST(PhoneShellOutput, ContactsFromDataRows) {
  const std::vector<DemoContact> contacts =
      ContactsFromDataRows(ParseContentRows(Sample("content-query-data.txt"), kContactDataColumns));
  ASSERT_EQ(contacts.size(), 3u);

  const DemoContact& anna = contacts[0];
  EXPECT_EQ(anna.identifier, L"1");
  EXPECT_EQ(anna.name, L"Anna Berg");
  EXPECT_EQ(anna.accountType, L"com.google");
  ASSERT_EQ(anna.nameParts.size(), 5u);
  EXPECT_EQ(anna.nameParts[1], L"Anna");
  EXPECT_EQ(anna.nameParts[3], L"Berg");
  ASSERT_EQ(anna.items.size(), 3u);
  EXPECT_EQ(anna.items[0].kind, DemoItemKind::kPhone);
  EXPECT_EQ(anna.items[0].value, L"+49 170 1234567");
  EXPECT_EQ(anna.items[0].typeCode, 2);
  EXPECT_EQ(anna.items[0].label, L"Mobile");
  EXPECT_EQ(anna.items[2].kind, DemoItemKind::kNote);

  const DemoContact& bo = contacts[1];
  EXPECT_TRUE(bo.accountName.empty());
  ASSERT_EQ(bo.items.size(), 3u);  // the group membership is not an item
  EXPECT_EQ(bo.groups, (std::vector<std::wstring>{L"6"}));
  EXPECT_EQ(bo.items[0].typeCode, 0);
  EXPECT_EQ(bo.items[0].label, L"Boat");
  EXPECT_EQ(bo.items[1].kind, DemoItemKind::kPostalAddress);
  ASSERT_EQ(bo.items[1].parts.size(), 7u);
  EXPECT_EQ(bo.items[1].parts[3], L"Hamburg");
  EXPECT_EQ(bo.items[1].parts[6], L"Germany");
  EXPECT_EQ(bo.items[2].kind, DemoItemKind::kOrganization);
  EXPECT_EQ(bo.items[2].value, L"Lind & S\u00f6hne");
  EXPECT_EQ(bo.items[2].label, L"Skipper");

  // A raw contact with no name row keeps an empty name; its number still shows.
  EXPECT_TRUE(contacts[2].name.empty());
  EXPECT_EQ(contacts[2].FirstPhone(), L"112");
}

TEST(PhoneShellOutput, GroupsAreKnownByTheirRowsAndTheirTitlesMayHoldAnything) {
  const std::string output =
      "Row: 0 _id=6, account_type=com.google, title=Sailing\n"
      "Row: 1 _id=7, account_type=NULL, title=Friends, old=new\n"
      "Row: 2 _id=8, account_type=com.google, title=NULL\n";
  const std::vector<DemoGroup> groups = GroupsFromRows(ParseContentRows(output, kContactGroupColumns));
  ASSERT_EQ(groups.size(), 2u) << "a group without a title cannot be shown or chosen";
  EXPECT_EQ(groups[0].identifier, L"6");
  EXPECT_EQ(groups[0].accountType, L"com.google");
  EXPECT_EQ(groups[1].title, L"Friends, old=new");
  EXPECT_TRUE(groups[1].accountType.empty());
}

}  // namespace
