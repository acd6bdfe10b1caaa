// Shared by the contact-format tests: contacts with every awkward character, a comparison
// that names the differing field, and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/DemoDataParser.h"
#include "tests/courier/CourierTestPaths.h"

inline DemoContactItem MakeItem(DemoItemKind kind, int32_t code, std::wstring label, std::wstring value) {
  DemoContactItem item;
  item.kind = kind;
  item.typeCode = code;
  item.label = std::move(label);
  item.value = std::move(value);
  return item;
}

inline std::wstring StandardLabelFor(DemoItemKind kind, int32_t code) {
  for (const DemoTypeLabel& entry : ContactTypeLabels(kind)) {
    if (entry.code == code) return entry.label;
  }
  return std::wstring();
}

inline std::vector<DemoGroup> NastyGroups() {
  return {DemoGroup{L"n1", L"Friends, close", L"com.google"}, DemoGroup{L"n2", L"Back\\slash; semi", L"com.google"},
          DemoGroup{L"n3", L"Οικογένεια 家族", L"com.google"}};
}

// Separators, escapes, line breaks, every script, characters outside the BMP, values long
// enough to fold inside multi-byte characters.
inline std::vector<DemoContact> NastyContacts() {
  std::vector<DemoContact> contacts(5);
  DemoContact& bob = contacts[0];
  bob.identifier = L"c-1";
  bob.name = L"O'Brien, \"Bob\"; Jr. \\ the 2nd: <b>&amp;</b>";
  bob.accountName = L"bob@mailbox.example";
  bob.accountType = L"com.google";
  bob.groups = {L"n1", L"n2", L"n9"};
  bob.items = {MakeItem(DemoItemKind::kPhone, 0, L"Boat; deck, aft \\ 1", L"+1 (555) 010-0100; ext, 7"),
               MakeItem(DemoItemKind::kPhone, 12, L"Main", L"+1 555 0101"),
               MakeItem(DemoItemKind::kPhone, 0, L"", L"+1 555 0102"),
               MakeItem(DemoItemKind::kEmail, 4, L"Mobile", L"bob+tag@example.org"),
               MakeItem(DemoItemKind::kEmail, 3, L"Other", L"\"quoted, name\"@example.org"),
               MakeItem(DemoItemKind::kPostalAddress, 0, L"Ferienhaus", L"Line 1\nLine 2; Flat 3, \\back\\n"),
               MakeItem(DemoItemKind::kPostalAddress, 2, L"Work", L"1 Main St, Springfield"),
               MakeItem(DemoItemKind::kWebsite, 2, L"Blog", L"https://x.example/a,b;c?d=1&e=2"),
               MakeItem(DemoItemKind::kWebsite, 0, L"Portfolio", L"http://y.example/"),
               MakeItem(DemoItemKind::kIm, 1, L"Home", L"xmpp:bob@jabber.example"),
               MakeItem(DemoItemKind::kIm, 0, L"Signal", L"+1 555 0103"),
               MakeItem(DemoItemKind::kOrganization, 0, L"Chief; Officer, \"CEO\"", L"Acme; Inc., \"Ltd\""),
               MakeItem(DemoItemKind::kOrganization, 0, L"Volunteer", L""),
               MakeItem(DemoItemKind::kNickname, 0, L"", L"Bobby, B"),
               MakeItem(DemoItemKind::kNote, 0, L"",
                        L"First line\nsecond:\tTab; semi, comma \\ backslash\n\nЁжик 王 😀 𝄞 ends with =")};
  DemoContact& scripts = contacts[1];
  scripts.identifier = L"c-2";
  scripts.name = L"Ζωή Ωμέγα Анна Петрова 王芳 田中 美咲 김민준 فاطمة حداد שָׁלוֹם हिन्दी ไทย 😀𝄞";
  scripts.groups = {L"n3"};
  scripts.nameParts = {L"Dr.", L"美咲", L"Zoë; \"Z\"", L"田中, 2", L"Jr.\\"};
  scripts.phoneticParts = {L"みさき", L"", L"たなか"};
  DemoContactItem address = MakeItem(DemoItemKind::kPostalAddress, 1, L"Home", L"12 rue; des Lilas, 75011 Paris, France");
  address.parts = {L"", L"", L"12 rue; des Lilas", L"Paris", L"", L"75011", L"France"};
  scripts.items.push_back(address);
  for (int32_t code : {1, 2, 3, 4, 5, 6, 7})
    scripts.items.push_back(MakeItem(DemoItemKind::kPhone, code, StandardLabelFor(DemoItemKind::kPhone, code),
                                     L"+30 " + std::to_wstring(code)));
  scripts.items.push_back(
      MakeItem(DemoItemKind::kNote, 0, L"", std::wstring(60, L'ж') + L"😀" + std::wstring(60, L'王')));
  DemoContact& spaces = contacts[2];
  spaces.name = L"  : leading space and trailing  ";
  spaces.items = {MakeItem(DemoItemKind::kPhone, 7, L"Other", L" padded "),
                  MakeItem(DemoItemKind::kWebsite, 4, L"Home", L"https://home.example"),
                  MakeItem(DemoItemKind::kWebsite, 5, L"Work", L"https://work.example"),
                  MakeItem(DemoItemKind::kIm, 2, L"Work", L"skype:me"),
                  MakeItem(DemoItemKind::kEvent, 3, L"Birthday", L"1985-04-12"),
                  MakeItem(DemoItemKind::kEvent, 1, L"Anniversary", L"2010-06-19"),
                  MakeItem(DemoItemKind::kEvent, 0, L"Name day; Ünï", L"--0514"),
                  MakeItem(DemoItemKind::kRelation, 14, L"Spouse", L"Ana María, \"Mia\""),
                  MakeItem(DemoItemKind::kRelation, 4, L"Domestic Partner", L"Sam"),
                  MakeItem(DemoItemKind::kRelation, 0, L"Godmother", L"Zoë"),
                  MakeItem(DemoItemKind::kSipAddress, 1, L"Home", L"sip:me@voip.example"),
                  MakeItem(DemoItemKind::kSipAddress, 0, L"Office desk", L"sip:desk@pbx.example"),
                  MakeItem(DemoItemKind::kPhoto, 0, L"PNG",
                           L"iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR4nGNgYGD4DwABBAEAwS2OUAAAAABJRU5ErkJggg==")};
  DemoContact& unnamed = contacts[3];
  unnamed.items = {MakeItem(DemoItemKind::kPhone, 2, L"Mobile", L"=3D=0D=")};
  DemoContact& broken = contacts[4];
  broken.name = L"Line\nBreak";
  broken.items = {MakeItem(DemoItemKind::kEmail, 1, L"Home", L"a@b.example"),
                  MakeItem(DemoItemKind::kPostalAddress, 1, L"Home", L"BEGIN:VCARD"),
                  MakeItem(DemoItemKind::kNote, 0, L"", L"END:VCARD")};
  return contacts;
}

// The nasty contacts and those of every shipped demo phone, with their groups.
inline bool LoadEveryTestContact(std::vector<DemoContact>& contacts, std::vector<DemoGroup>& groups) {
  DemoCatalog catalog;
  std::string error;
  if (!DemoDataParser::LoadFile(ShippedDemoDataFile(), catalog, error)) {
    ADD_FAILURE() << error;
    return false;
  }
  contacts = NastyContacts();
  groups = NastyGroups();
  for (const DemoPhone& phone : catalog.phones()) {
    contacts.insert(contacts.end(), phone.contacts.begin(), phone.contacts.end());
    groups.insert(groups.end(), phone.groups.begin(), phone.groups.end());
  }
  return true;
}

// `contacts` as a reader returns them: groups by title, unknown groups gone.
inline std::vector<DemoContact> WithGroupTitles(std::vector<DemoContact> contacts,
                                                const std::vector<DemoGroup>& groups) {
  for (DemoContact& contact : contacts) {
    std::vector<std::wstring> titles;
    for (const std::wstring& identifier : contact.groups) {
      for (const DemoGroup& group : groups) {
        if (group.identifier == identifier && !group.title.empty()) titles.push_back(group.title);
      }
    }
    contact.groups = titles;
  }
  return contacts;
}

inline void ExpectSameContacts(const std::vector<DemoContact>& expected, const std::vector<DemoContact>& actual,
                               bool identifiers) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const DemoContact& a = expected[i];
    const DemoContact& b = actual[i];
    const std::string where = "contact " + std::to_string(i) + " " + WideToUtf8(a.name);
    EXPECT_EQ(WideToUtf8(a.name), WideToUtf8(b.name)) << where;
    EXPECT_EQ(a.nameParts, b.nameParts) << where;
    EXPECT_EQ(a.phoneticParts, b.phoneticParts) << where;
    EXPECT_EQ(a.groups, b.groups) << where;
    if (identifiers) {
      EXPECT_EQ(a.identifier, b.identifier) << where;
      EXPECT_EQ(a.accountName, b.accountName) << where;
      EXPECT_EQ(a.accountType, b.accountType) << where;
    }
    ASSERT_EQ(a.items.size(), b.items.size()) << where;
    for (size_t k = 0; k < a.items.size(); ++k) {
      const std::string item = where + " item " + std::to_string(k);
      EXPECT_EQ(a.items[k].kind, b.items[k].kind) << item;
      EXPECT_EQ(a.items[k].typeCode, b.items[k].typeCode) << item;
      EXPECT_EQ(WideToUtf8(a.items[k].label), WideToUtf8(b.items[k].label)) << item;
      EXPECT_EQ(WideToUtf8(a.items[k].value), WideToUtf8(b.items[k].value)) << item;
      EXPECT_EQ(a.items[k].parts, b.items[k].parts) << item;
    }
  }
}

// A fresh folder under the temporary directory, removed with everything in it.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name)
      : m_path(std::filesystem::temp_directory_path() /
               ("zs-formats-" + name + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
    std::filesystem::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};
