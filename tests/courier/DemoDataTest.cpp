// The demo-phones model: the shipped file, validation of hand-edited files, the generated
// address book. Portable: runs natively under the sanitizers and under Wine.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include <nlohmann/json.hpp>

#include "modules/courier/DemoContactGenerator.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/DemoDataParser.h"
#include "tests/courier/CourierTestPaths.h"

using nlohmann::json;

namespace {

bool HasScript(const std::wstring& text, char32_t first, char32_t last) {
  for (wchar_t c : text) {
    if (static_cast<char32_t>(c) >= first && static_cast<char32_t>(c) <= last) return true;
  }
  return false;
}

// A small valid file with one phone; cases below break one thing each.
json MinimalDocument() {
  return json::parse(R"({
    "format": 1,
    "phones": [{
      "identifier": "SER1AL", "displayName": "Test phone", "model": "T-1", "androidVersion": "9",
      "battery": {"percent": 50},
      "phoneMemory": {"totalBytes": 1000, "freeBytes": 10},
      "storageMemory": {"totalBytes": 0, "freeBytes": 0},
      "connection": [{"status": 22}],
      "accounts": [{"name": "a@b.example", "type": "com.google"}],
      "groups": [{"id": "1", "title": "Family", "accountType": "com.google"}],
      "contacts": [{"id": "c1", "name": "Zoë", "account": "a@b.example", "groups": ["1"],
                    "phones": [{"label": "Mobile", "number": "+1 555 0100"}]}],
      "photos": [{"id": "p1", "file": "pic.png", "phonePath": "/sdcard/DCIM/IMG_1.png", "dateCreated": "2024-01-02 03:04"}],
      "music": [{"id": "s1", "title": "Song", "durationSec": 10, "sizeBytes": 100, "phonePath": "/sdcard/Music/s.mp3"}],
      "playlists": [{"id": "pl", "name": "List", "songs": ["s1"]}]
    }]
  })");
}

class DemoDataFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() /
               ("courier-demo-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
    std::ofstream(m_folder / "pic.png", std::ios::binary) << "\x89PNG\r\n\x1a\n....";
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  // Parses `document`; answers the error ("" when it was accepted).
  std::string ErrorOf(const json& document) {
    DemoCatalog catalog;
    std::string error;
    const bool ok = DemoDataParser::Parse(document.dump(), m_folder, catalog, error);
    EXPECT_EQ(ok, error.empty());
    if (!ok) {
      EXPECT_TRUE(catalog.phones().empty()) << "a faulty file must give no phones";
    }
    return error;
  }

  std::filesystem::path m_folder;
};

}  // namespace

TEST(ShippedDemoData, HoldsTwoRichPhones) {
  DemoCatalog catalog;
  std::string error;
  ASSERT_TRUE(DemoDataParser::LoadFile(ShippedDemoDataFile(), catalog, error)) << error;
  ASSERT_EQ(catalog.phones().size(), 2u);

  // The first phone goes straight to ready.
  const DemoPhone& first = catalog.phones()[0];
  EXPECT_FALSE(first.IsWifi());
  EXPECT_FALSE(first.displayName.empty());
  EXPECT_FALSE(first.modelName.empty());
  EXPECT_FALSE(first.productName.empty());
  ASSERT_FALSE(first.connection.empty());
  EXPECT_EQ(first.connection.back().status, 22);
  for (const DemoStep& step : first.connection) {
    EXPECT_EQ(step.action, DemoStepAction::kReport);
    EXPECT_NE(step.status, 6);
  }

  // The second walks through the driver download (byte progress) and the authorisation.
  const DemoPhone& second = catalog.phones()[1];
  bool download = false;
  bool authorisation = false;
  for (const DemoStep& step : second.connection) {
    download = download || (step.status == 6 && step.downloadBytes > 0 && step.downloadChunks > 0);
    authorisation =
        authorisation || (step.action == DemoStepAction::kWaitForRetry && step.retry == DemoRetry::kDebugAuthorize);
  }
  EXPECT_TRUE(download);
  EXPECT_TRUE(authorisation);
  EXPECT_EQ(second.connection.back().status, 22);
  EXPECT_EQ(catalog.Find(second.identifier), &second);
  EXPECT_EQ(catalog.Find(L"no such phone"), nullptr);

  // Rich content: names in several scripts, several numbers and addresses per contact.
  std::wstring allNames;
  size_t manyNumbers = 0;
  size_t manyEmails = 0;
  for (const DemoPhone& phone : catalog.phones()) {
    for (const DemoContact& contact : phone.contacts) {
      allNames += contact.name;
      size_t numbers = 0;
      size_t emails = 0;
      for (const DemoContactItem& item : contact.items) {
        numbers += item.kind == DemoItemKind::kPhone ? 1 : 0;
        emails += item.kind == DemoItemKind::kEmail ? 1 : 0;
      }
      manyNumbers += numbers > 1 ? 1 : 0;
      manyEmails += emails > 1 ? 1 : 0;
    }
  }
  EXPECT_TRUE(HasScript(allNames, 0xC0, 0x24F)) << "Latin with diacritics";
  EXPECT_TRUE(HasScript(allNames, 0x400, 0x4FF)) << "Cyrillic";
  EXPECT_TRUE(HasScript(allNames, 0x370, 0x3FF)) << "Greek";
  EXPECT_TRUE(HasScript(allNames, 0x4E00, 0x9FFF)) << "CJK";
  EXPECT_TRUE(HasScript(allNames, 0x600, 0x6FF)) << "Arabic";
  EXPECT_GE(manyNumbers, 3u);
  EXPECT_GE(manyEmails, 2u);

  EXPECT_GE(first.contacts.size(), 15u);
  EXPECT_GE(first.accounts.size(), 2u);
  EXPECT_GE(first.groups.size(), 3u);
  EXPECT_GE(first.conversations.size(), 4u);
  EXPECT_GE(first.MessageCount(), 10u);
  EXPECT_GE(first.photos.size(), 5u);
  EXPECT_GE(first.songs.size(), 5u);
  EXPECT_FALSE(first.playlists.empty());
  EXPECT_FALSE(first.videos.empty());
  EXPECT_FALSE(first.books.empty());
  EXPECT_FALSE(first.apps.empty());
  EXPECT_FALSE(second.contacts.empty());
  EXPECT_FALSE(second.photos.empty());

  // Every photo is a small picture shipped beside the file, in both formats a phone takes.
  size_t jpegs = 0;
  for (const DemoPhone& phone : catalog.phones()) {
    for (const DemoPhoto& photo : phone.photos) {
      EXPECT_TRUE(std::filesystem::is_regular_file(photo.file)) << photo.file;
      EXPECT_GT(photo.sizeBytes, 0);
      EXPECT_LT(photo.sizeBytes, 16 * 1024);
      EXPECT_FALSE(photo.name.empty());
      std::ifstream file(photo.file, std::ios::binary);
      char magic[8] = {};
      file.read(magic, sizeof(magic));
      if (photo.format == L".jpg") {
        ++jpegs;
        EXPECT_EQ(std::string(magic, 3), std::string("\xFF\xD8\xFF", 3)) << photo.file;
      } else {
        EXPECT_EQ(photo.format, L".png");
        EXPECT_EQ(std::string(magic, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << photo.file;
      }
    }
  }
  EXPECT_GE(jpegs, 2u);
}

TEST(ShippedDemoData, ContactDetailsKeepTheirTypes) {
  DemoCatalog catalog;
  std::string error;
  ASSERT_TRUE(DemoDataParser::LoadFile(ShippedDemoDataFile(), catalog, error)) << error;
  const DemoPhone& phone = catalog.phones()[0];
  const DemoContact* mama = nullptr;
  for (const DemoContact& contact : phone.contacts) {
    if (contact.name == L"Mama") mama = &contact;
  }
  ASSERT_NE(mama, nullptr);
  EXPECT_EQ(mama->accountType, L"com.google");
  EXPECT_EQ(mama->FirstPhone(), L"+49 172 9876543");
  ASSERT_GE(mama->items.size(), 3u);
  EXPECT_EQ(mama->items[0].typeCode, 2);  // Mobile
  EXPECT_EQ(mama->items[1].typeCode, 1);  // Home
  EXPECT_EQ(mama->items[2].typeCode, 0);  // a label of the user's own
  EXPECT_EQ(mama->items[2].label, L"Ferienhaus");
}

TEST_F(DemoDataFiles, AcceptsTheMinimalFileAndFillsDefaults) {
  DemoCatalog catalog;
  std::string error;
  ASSERT_TRUE(DemoDataParser::Parse(MinimalDocument().dump(), m_folder, catalog, error)) << error;
  ASSERT_EQ(catalog.phones().size(), 1u);
  const DemoPhone& phone = catalog.phones()[0];
  EXPECT_EQ(phone.serialNumber, L"SER1AL");
  EXPECT_FALSE(phone.charging);
  EXPECT_EQ(phone.contacts[0].name, L"Zoë");
  EXPECT_EQ(phone.contacts[0].accountType, L"com.google");
  EXPECT_EQ(phone.photos[0].name, L"IMG_1");
  EXPECT_EQ(phone.photos[0].file, m_folder / "pic.png");
  EXPECT_EQ(catalog.startupDelayMs(), 0);
}

TEST_F(DemoDataFiles, NamesThePhoneAndFieldOfEachFault) {
  struct Case {
    const char* pointer;  // member to replace (or remove, with a null value)
    json value;
    const char* expected;  // part of the error line
  };
  const Case cases[] = {
      {"/format", 2, "format: expected 1"},
      {"/format", nullptr, "format: missing"},
      {"/phones", json::object(), "phones: expected an array"},
      {"/phones/0/identifier", nullptr, "phones[0].identifier: missing"},
      {"/phones/0/identifier", "", "phones[0].identifier: must not be empty"},
      {"/phones/0/identifier", "10.0.0", "phones[0] (10.0.0).identifier: an identifier with a dot"},
      {"/phones/0/identifier", "bad\nname", "one line"},
      {"/phones/0/displayName", 7, "phones[0] (SER1AL).displayName: expected a string"},
      {"/phones/0/displayName", "", "needs a displayName, modelName or productName"},
      {"/phones/0/androidVersion", "4..4", "androidVersion: expected a version"},
      {"/phones/0/battery/percent", 101, "battery.percent: out of range"},
      {"/phones/0/battery/percent", 12.5, "battery.percent: expected an integer"},
      {"/phones/0/battery/charging", "yes", "battery.charging: expected true or false"},
      {"/phones/0/phoneMemory/freeBytes", 2000, "phoneMemory.freeBytes: larger than totalBytes"},
      {"/phones/0/phoneMemory/totalBytes", -1, "phoneMemory.totalBytes: out of range"},
      {"/phones/0/storageMemory", nullptr, "storageMemory: missing"},
      {"/phones/0/connection", json::array(), "connection: needs at least one step"},
      {"/phones/0/connection/0/status", 23, "connection[0].status: out of range"},
      {"/phones/0/connection/0", json{{"status", 6}}, "connection[0].download: missing"},
      {"/phones/0/connection/0", json{{"status", 1}, {"waitFor", "PRESS_ANY_KEY"}}, "connection[0].waitFor: expected"},
      {"/phones/0/connection/0", json{{"status", 1}, {"timeoutMs", 5}}, "connection[0].timeoutMs: only with waitFor"},
      {"/phones/0/connection/0", json{{"status", 1}, {"waitFor", "DEBUG_AUTHORIZE_RETRY"}},
       "connection[0].waitFor: the wizard offers no such retry at status 1"},
      {"/phones/0/connection/0", json{{"status", 17}, {"waitFor", "ROOT_AUTHORIZE_RETRY"}},
       "connection[0].waitFor: the wizard offers no such retry at status 17"},
      {"/phones/0/connection/0", json{{"event", "crash"}, {"status", 1}}, "connection[0].status: not allowed"},
      {"/phones/0/connection/0", json{{"event", "explode"}}, "connection[0].event: expected"},
      {"/phones/0/connection/0/delayMs", 3600000, "connection[0].delayMs: out of range"},
      {"/phones/0/colour", "red", "phones[0] (SER1AL).colour: unknown member"},
      {"/phones/0/contacts/0/emial", json::array(), "contacts[0].emial: unknown member"},
      {"/phones/0/contacts/0/account", "other@b.example", "contacts[0].account: no such account"},
      {"/phones/0/contacts/0/groups/0", "9", "contacts[0].groups[0]: no such group"},
      {"/phones/0/contacts/0/phones/0/number", nullptr, "contacts[0].phones[0].number: missing"},
      {"/phones/0/contacts/0/phones/0/number", json::array(), "contacts[0].phones[0].number: expected a string"},
      {"/phones/0/contacts/1", json{{"id", "c1"}, {"name", "Twin"}}, "contacts[1].id: duplicate identifier"},
      {"/phones/0/groups/0/accountType", "com.other", "groups[0].accountType: no account of this type"},
      {"/phones/0/photos/0/file", "missing.png", "photos[0].file: no such file"},
      {"/phones/0/photos/0/file", "../pic.png", "photos[0].file: must not leave"},
      {"/phones/0/photos/0/file", "/etc/passwd.png", "photos[0].file: must be relative"},
      {"/phones/0/photos/0/file", "pic.txt", "photos[0].file: not a picture"},
      {"/phones/0/photos/0/dateCreated", "2024-13-01 10:00", "photos[0].dateCreated: expected a date"},
      {"/phones/0/photos/0/phonePath", "IMG_1.png", "photos[0].phonePath: expected an absolute file path"},
      {"/phones/0/playlists/0/songs/0", "s9", "playlists[0].songs[0]: no such song"},
      {"/phones/0/generatedContacts", 2000000, "generatedContacts: out of range"},
      {"/phones/0/apps", json::array({json{{"package", "noDot"}, {"name", "A"}, {"version", "1"}, {"sizeBytes", 1}}}),
       "apps[0].package: expected a package name"},
  };
  for (const Case& c : cases) {
    json document = MinimalDocument();
    const json::json_pointer pointer(c.pointer);
    if (c.value.is_null()) {
      document.at(pointer.parent_pointer()).erase(pointer.back());
    } else {
      document[pointer] = c.value;
    }
    const std::string error = ErrorOf(document);
    EXPECT_NE(error.find(c.expected), std::string::npos) << c.pointer << " gave: " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << "one line: " << error;
  }
}

// A wait ends by the retry the wizard's page offers, or by its timeout.
TEST_F(DemoDataFiles, AcceptsWaitsThatCanEnd) {
  const json steps = json::array({
      json{{"status", 16}, {"waitFor", "RETRY_CONNECT_DEVICE"}},
      json{{"status", 11}, {"text", "detail"}, {"waitFor", "INSTALL_RETRY"}},
      json{{"status", 17}, {"waitFor", "DEBUG_AUTHORIZE_RETRY"}},
      json{{"status", 1}, {"waitFor", "ROOT_AUTHORIZE_RETRY"}, {"timeoutMs", 100}},
      json{{"event", "disconnect"}, {"delayMs", 5}},
      json{{"status", 22}},
  });
  json document = MinimalDocument();
  document["phones"][0]["connection"] = steps;
  EXPECT_EQ(ErrorOf(document), "");
}

TEST_F(DemoDataFiles, RefusesDuplicatePhonesAndTooManyPhones) {
  json document = MinimalDocument();
  document["phones"].push_back(document["phones"][0]);
  EXPECT_NE(ErrorOf(document).find("phones[1].identifier: duplicate identifier"), std::string::npos);

  json crowded = MinimalDocument();
  for (int i = 0; i < 16; ++i) {
    json phone = crowded["phones"][0];
    phone["identifier"] = "SER" + std::to_string(i);
    crowded["phones"].push_back(phone);
  }
  EXPECT_NE(ErrorOf(crowded).find("more than 16 phones"), std::string::npos);
}

TEST_F(DemoDataFiles, SurvivesMalformedText) {
  DemoCatalog catalog;
  std::string error;
  for (const std::string& text :
       {std::string(""), std::string("{"), std::string("[1,2]"), std::string("{\"format\": 1, \"phones\": [}"),
        std::string("{\"format\": 1, \"phones\": [{\"identifier\": \"\xff\xfe\"}]}"), std::string("null")}) {
    EXPECT_FALSE(DemoDataParser::Parse(text, m_folder, catalog, error)) << text;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(catalog.phones().empty());
  }
  // Deep nesting must neither overflow the stack nor be taken for a file.
  const std::string deep = std::string(200000, '[') + std::string(200000, ']');
  EXPECT_FALSE(DemoDataParser::Parse(deep, m_folder, catalog, error));
}

TEST_F(DemoDataFiles, LoadFileReportsMissingAndOversizedFiles) {
  DemoCatalog catalog;
  std::string error;
  EXPECT_FALSE(DemoDataParser::LoadFile(m_folder / "absent.json", catalog, error));
  EXPECT_NE(error.find("cannot be read"), std::string::npos) << error;

  const std::filesystem::path big = m_folder / "big.json";
  {
    std::ofstream out(big, std::ios::binary);
    out << std::string(DemoDataParser::kMaxFileBytes + 1, ' ');
  }
  EXPECT_FALSE(DemoDataParser::LoadFile(big, catalog, error));
  EXPECT_NE(error.find("larger than"), std::string::npos) << error;

  const std::filesystem::path good = m_folder / "good.json";
  std::ofstream(good, std::ios::binary) << MinimalDocument().dump(2);
  EXPECT_TRUE(DemoDataParser::LoadFile(good, catalog, error)) << error;
  EXPECT_EQ(catalog.phones().size(), 1u);
}

TEST(DemoContactGenerator, MakesAStableLargeAddressBook) {
  std::set<std::wstring> ids;
  std::set<std::wstring> names;
  std::set<std::wstring> numbers;
  std::wstring all;
  const size_t count = 50000;
  for (size_t i = 0; i < count; ++i) {
    const DemoContact contact = DemoContactGenerator::Make(i);
    ids.insert(contact.identifier);
    names.insert(contact.name);
    numbers.insert(contact.FirstPhone());
    if (i < 60) all += contact.name;
    ASSERT_FALSE(contact.items.empty());
    ASSERT_EQ(contact.identifier.rfind(L"gen-", 0), 0u);
  }
  EXPECT_EQ(ids.size(), count);
  EXPECT_EQ(numbers.size(), count);
  EXPECT_GT(names.size(), count / 2);
  EXPECT_TRUE(HasScript(all, 0x400, 0x4FF));
  EXPECT_TRUE(HasScript(all, 0x4E00, 0x9FFF));
  EXPECT_TRUE(HasScript(all, 0x600, 0x6FF));
  EXPECT_EQ(DemoContactGenerator::Make(12345).name, DemoContactGenerator::Make(12345).name);
}

TEST(DemoText, ConvertsUtf8StrictlyBothWays) {
  std::wstring wide;
  ASSERT_TRUE(Utf8ToWide("Zoë 王 🚉", wide));
  EXPECT_EQ(WideToUtf8(wide), "Zoë 王 🚉");
  EXPECT_EQ(wide.substr(0, 3), L"Zoë");
  for (const char* bad : {"\xc3", "\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80", "\x80"}) {
    EXPECT_FALSE(Utf8ToWide(bad, wide)) << "malformed input must be refused";
  }
}

TEST(NumberDirectory, MatchesNumbersAsAPhoneDoes) {
  NumberDirectory names;
  names.Add(L"+49 171 2345678", L"Jürgen");
  names.Add(L"+81 90-1234-5678", L"Misaki");  // the same last eight digits as Jürgen's
  names.Add(L"0171 999 0000", L"Local");
  names.Add(L"+49 (171) 234-5678", L"Second");  // a number named twice keeps its first name
  names.Add(L"12345", L"Short");
  EXPECT_EQ(names.NameOf(L"+81 90 1234 5678"), L"Misaki");
  EXPECT_EQ(names.NameOf(L"+49 171 2345678"), L"Jürgen");
  EXPECT_EQ(names.NameOf(L"0049 171 2345678"), L"Jürgen");
  EXPECT_EQ(names.NameOf(L"0171 2345678"), L"Jürgen");  // written without the country prefix
  EXPECT_EQ(names.NameOf(L"+47 171 999 0000"), L"Local");
  EXPECT_EQ(names.NameOf(L"+44 171 2345678"), L"");  // another country
  EXPECT_EQ(names.NameOf(L"12345"), L"");             // too short to be compared
  EXPECT_EQ(names.NameOf(L"NORDWERK"), L"");
}
