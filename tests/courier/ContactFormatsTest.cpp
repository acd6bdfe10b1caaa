// The contact page for the browser, the product's backup and the export file names.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "modules/courier/DemoDataParser.h"
#include "modules/courier/formats/ContactFormats.h"
#include "tests/courier/ContactFormatsTestSupport.h"

using nlohmann::json;

namespace {

size_t Count(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++count;
  return count;
}

}  // namespace

TEST(ContactsHtml, ListsEveryFieldEscaped) {
  std::vector<DemoContact> contacts = NastyContacts();
  DemoContact hostile;
  hostile.name = L"<script>alert('x')</script> & \"Co\"";
  hostile.groups = {L"n1"};
  hostile.items = {MakeItem(DemoItemKind::kWebsite, 0, L"<img src=x onerror=alert(1)>", L"javascript:alert(1)"),
                   MakeItem(DemoItemKind::kWebsite, 1, L"Homepage", L"https://ok.example/?a=1&b=\"2\""),
                   MakeItem(DemoItemKind::kNote, 0, L"", L"one\ntwo </section>"),
                   MakeItem(DemoItemKind::kPhoto, 0, L"PNG\"><script>", L"QUFB\" onerror=\"alert(1)")};
  contacts.push_back(hostile);
  const std::string page = WriteContactsHtml(contacts, NastyGroups(), L"Lena's <Aster>");

  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  EXPECT_NE(page.find("<title>Contacts of Lena&#39;s &lt;Aster&gt; (6 contacts)</title>"), std::string::npos);
  EXPECT_NE(page.find("<style>"), std::string::npos);
  // Nothing the contacts hold becomes markup.
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<img src"), std::string::npos);
  EXPECT_EQ(page.find("onerror=\"alert"), std::string::npos);
  // The one picture that is base64 through and through is shown.
  EXPECT_EQ(Count(page, "<img "), 1u);
  EXPECT_NE(page.find("<img class=\"photo\" alt=\"\" src=\"data:image/png;base64,iVBORw0KGgo"), std::string::npos);
  EXPECT_EQ(page.find("href=\"javascript"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;Co&quot;"), std::string::npos);
  EXPECT_NE(page.find("<a href=\"https://ok.example/?a=1&amp;b=&quot;2&quot;\">"), std::string::npos);
  EXPECT_NE(page.find("one<br>two &lt;/section&gt;"), std::string::npos);
  EXPECT_EQ(Count(page, "<section class=\"card\">"), contacts.size());
  EXPECT_EQ(Count(page, "</section>"), contacts.size());
  // Grouped by kind, with type labels and group titles.
  EXPECT_NE(page.find("<h3>Phone numbers</h3>"), std::string::npos);
  EXPECT_NE(page.find("<th>Boat; deck, aft \\ 1</th>"), std::string::npos);
  EXPECT_NE(page.find("<span>Friends, close</span>"), std::string::npos);
  EXPECT_NE(page.find("😀𝄞"), std::string::npos);
  EXPECT_NE(page.find("(no name)"), std::string::npos);
  std::wstring wide;
  EXPECT_TRUE(Utf8ToWide(page, wide));

  const std::string single = WriteContactsHtml({hostile}, {}, L"Phone");
  EXPECT_NE(single.find("(1 contact)"), std::string::npos);
}

TEST(ContactBackup, RestoresExactly) {
  std::vector<DemoContact> contacts;
  std::vector<DemoGroup> groups;
  ASSERT_TRUE(LoadEveryTestContact(contacts, groups));
  const std::string text = WriteContactBackup(contacts, groups);
  const json document = json::parse(text);
  EXPECT_EQ(document["version"], kContactBackupVersion);
  EXPECT_EQ(text.find("\"format\""), text.find('"')) << "the marker opens the file";

  const ContactReadResult result = ReadContactBackup(text);
  EXPECT_EQ(result.failed, 0u);
  ExpectSameContacts(WithGroupTitles(contacts, groups), result.contacts, true);
  ASSERT_EQ(result.groups.size(), groups.size());
  for (size_t i = 0; i < groups.size(); ++i) {
    EXPECT_EQ(result.groups[i].identifier, groups[i].identifier);
    EXPECT_EQ(result.groups[i].title, groups[i].title);
    EXPECT_EQ(result.groups[i].accountType, groups[i].accountType);
  }
  EXPECT_TRUE(ReadContactBackup(WriteContactBackup({}, {})).contacts.empty());
  EXPECT_EQ(ReadContactBackup(WriteContactBackup({}, {})).failed, 0u);
}

TEST(ContactBackup, RejectsWholeFilesItCannotTrust) {
  const std::string good = WriteContactBackup(NastyContacts(), NastyGroups());
  json newer = json::parse(good);
  newer["version"] = kContactBackupVersion + 1;
  json huge = newer;
  huge["version"] = 18446744073709551615ull;
  json noVersion = json::parse(good);
  noVersion.erase("version");
  const struct {
    std::string text;
    const char* problem;
  } kCases[] = {
      {newer.dump(), "newer version"},
      {huge.dump(), "newer version"},
      {noVersion.dump(), "no valid version"},
      {good.substr(0, good.find("\"version\"")), "not JSON or is cut short"},
      {"", "not JSON or is cut short"},
      {"\xEF\xBB\xBF\xFF\xFE garbage", "not JSON or is cut short"},
      {R"({"format": "something-else", "version": 1, "contacts": []})", "not a contact backup"},
      {R"([1, 2, 3])", "not a contact backup"},
      {R"({"format": "zorvane-steward-contacts", "version": 1})", "no contact list"},
  };
  for (const auto& test : kCases) {
    const ContactReadResult result = ReadContactBackup(test.text);
    EXPECT_TRUE(result.contacts.empty()) << test.problem;
    EXPECT_EQ(result.failed, 1u) << test.problem;
    ASSERT_EQ(result.problems.size(), 1u) << test.problem;
    EXPECT_NE(result.problems[0].find(test.problem), std::string::npos) << result.problems[0];
  }
}

// A copy cut short by a crash or a full disk still gives back every contact before the cut.
TEST(ContactBackup, KeepsTheContactsBeforeTheDamage) {
  const std::vector<DemoContact> contacts = NastyContacts();
  ASSERT_GE(contacts.size(), 3u);
  const std::string good = WriteContactBackup(contacts, NastyGroups());
  size_t third = good.find("\n\t\t{", good.find("\"contacts\""));
  for (int i = 0; i < 2 && third != std::string::npos; ++i) third = good.find("\n\t\t{", third + 1);
  ASSERT_NE(third, std::string::npos);
  for (const std::string& damaged : {good.substr(0, third + 20), good.substr(0, third) + "\n\t\t{\"id\": tru"}) {
    const ContactReadResult result = ReadContactBackup(damaged);
    ASSERT_EQ(result.contacts.size(), 2u);
    EXPECT_EQ(result.contacts[1].name, contacts[1].name);
    EXPECT_EQ(result.failed, 1u);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_NE(result.problems[0].find("cut short or damaged after contact 2"), std::string::npos) << result.problems[0];
  }
  std::istringstream stream(good);
  EXPECT_EQ(ReadContactBackup(stream).contacts.size(), contacts.size());
}

TEST(ContactBackup, SkipsAndCountsBadContacts) {
  json document = json::parse(WriteContactBackup(NastyContacts(), NastyGroups()));
  json& contacts = document["contacts"];
  contacts[1]["items"][0]["kind"] = "fax machine";
  contacts[2]["name"] = 42;
  contacts[3]["items"][0]["typeCode"] = 1e10;
  contacts.push_back("not a contact");
  const ContactReadResult result = ReadContactBackup(document.dump());
  ASSERT_EQ(result.contacts.size(), 2u);
  EXPECT_EQ(result.contacts[0].identifier, L"c-1");
  EXPECT_EQ(result.contacts[1].name, L"Line\nBreak");
  EXPECT_EQ(result.failed, 4u);
  ASSERT_EQ(result.problems.size(), 4u);
  EXPECT_EQ(result.problems[0], "contact 2: items[0] has no known kind");
  EXPECT_EQ(result.problems[1], "contact 3: name is not text");
}

TEST(ExportPath, NeverOverwrites) {
  const TempFolder folder("export-path");
  EXPECT_EQ(UniqueExportPath(folder.path(), L"Contacts", L".vcf"), folder.path() / "Contacts.vcf");
  std::ofstream(folder.path() / "Contacts.vcf") << "x";
  EXPECT_EQ(UniqueExportPath(folder.path(), L"Contacts", L".vcf"), folder.path() / "Contacts (2).vcf");
  std::ofstream(folder.path() / "Contacts (2).vcf") << "x";
  std::filesystem::create_directory(folder.path() / "Contacts (3).vcf");
  EXPECT_EQ(UniqueExportPath(folder.path(), L"Contacts", L".vcf"), folder.path() / "Contacts (4).vcf");
  EXPECT_EQ(UniqueExportPath(folder.path(), L"Contacts", L".html"), folder.path() / "Contacts.html");

  // Phone names become file names: what Windows forbids is replaced, the script kept.
  const std::filesystem::path named = UniqueExportPath(folder.path(), L"Lena's: Aster/Ζ?*", L".vcf");
  EXPECT_EQ(named.parent_path(), folder.path());
  EXPECT_EQ(named.filename().u8string(), "Lena's_ Aster_Ζ__.vcf");

  const std::filesystem::path missing = folder.path() / "gone" / "deeper";
  EXPECT_EQ(UniqueExportPath(missing, L"Contacts", L".vcf"), missing / "Contacts.vcf");
}
