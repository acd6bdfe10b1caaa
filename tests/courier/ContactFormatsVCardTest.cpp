// vCard import and export: cards as real phones and address books write them, broken files,
// and the round trip through our own writer (checked by an independent strict reader too).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "modules/courier/DemoDataParser.h"
#include "modules/courier/formats/ContactFormats.h"
#include "tests/courier/ContactFormatsTestSupport.h"

namespace {

// What an old feature phone exports: 2.1, quoted-printable UTF-8 with soft line breaks (one
// of them before a space), bare type parameters, CRLF.
const char kOldPhoneCard[] =
    "BEGIN:VCARD\r\n"
    "VERSION:2.1\r\n"
    "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=9F=D0=B5=D1=82=D1=80=D0=BE=D0=B2=D0=B0;=D0=90=D0=BD=D0=BD=D0=B0;;;"
    "\r\n"
    "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D0=90=D0=BD=D0=BD=D0=B0 =D0=9F=D0=B5=D1=82=\r\n"
    "=D1=80=D0=BE=D0=B2=D0=B0\r\n"
    "TEL;CELL;PREF:+79161234567\r\n"
    "TEL;HOME;VOICE:+74951234567\r\n"
    "TEL;WORK;FAX:+74951234500\r\n"
    "EMAIL;INTERNET:anna@pochta.example\r\n"
    "NOTE;ENCODING=QUOTED-PRINTABLE;CHARSET=UTF-8:=D0=A7=D0=B8=D1=82=D0=B0=D0=B5=D1=82 =D0=A2=D0=BE=D0=BB=\r\n"
    "=D1=81=D1=82=D0=BE=D0=B3=D0=BE=0D=0A=D0=B2=\r\n"
    " =D0=BE=D1=80=D0=B8=D0=B3=D0=B8=D0=BD=D0=B0=D0=BB=D0=B5\r\n"
    "X-ANDROID-CUSTOM;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:vnd.android.cursor.item/"
    "nickname;=D0=90=D0=BD=D1=8E=D1=82=D0=B0;1;;;;;;;;;;;;;\r\n"
    "END:VCARD\r\n";

// A desktop address book's 3.0 export: lower-case repeated TYPE parameters, item groups with
// labels of their own and wrapped standard ones, a folded base64 picture, IM in two forms.
const char kAddressBookCard[] =
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "PRODID:-//Desktop Address Book//EN\r\n"
    "N:Lef\xC3\xA8vre;Zo\xC3\xAB;;;\r\n"
    "FN:Zo\xC3\xAB Lef\xC3\xA8vre\r\n"
    "ORG:Atelier Lumi\xC3\xA8re;Design;\r\n"
    "TITLE:Directrice\r\n"
    "EMAIL;type=INTERNET;type=HOME;type=pref:zoe@courriel.example\r\n"
    "TEL;type=CELL;type=VOICE;type=pref:+33 6 12 48 90 17\r\n"
    "item1.TEL:+33 1 44 55 20 10\r\n"
    "item1.X-ABLabel:Atelier\r\n"
    "item2.ADR;type=HOME;type=pref:;;12 rue des Lilas;Paris;;75011;France\r\n"
    "item2.X-ABADR:fr\r\n"
    "item3.URL;type=pref:https://atelier.example\r\n"
    "item3.X-ABLabel:_$!<HomePage>!$_\r\n"
    "item4.TEL:+33 6 00 00 00 01\r\n"
    "item4.X-ABLabel:_$!<Mobile>!$_\r\n"
    "X-JABBER;type=HOME:zoe@jabber.example\r\n"
    "IMPP;X-SERVICE-TYPE=Skype;type=WORK:skype:zoe.lefevre\r\n"
    "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsLDBkSEw8UHRofHh0a\r\n"
    " HBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/2wBDAQkJCQwLDBgNDRgyIRwhMjIyMjIy\r\n"
    " MjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjIyMjL/wAARCAABAAEDASIA\r\n"
    "CATEGORIES:Friends,Book club\r\n"
    "END:VCARD\r\n";

// vCard 4.0: quoted type lists, PREF=1, tel: URIs, IMPP, a LABEL parameter holding a colon.
const char kVersion4Card[] =
    "BEGIN:VCARD\n"
    "VERSION:4.0\n"
    "FN:\xCE\x9D\xCE\xAF\xCE\xBA\xCE\xBF\xCF\x82 \xCE\xA0.\n"
    "TEL;VALUE=uri;TYPE=\"cell,voice\";PREF=1:tel:+30-694-123-4567\n"
    "TEL;TYPE=\"work,fax\":tel:+30-210-123-4567\n"
    "EMAIL;TYPE=work:nikos@taxydromeio.example\n"
    "IMPP;PREF=1:xmpp:nikos@jabber.example\n"
    "ADR;TYPE=home;LABEL=\"Ermou 10: 3rd floor\":;;Ermou 10;Athens;;10563;Greece\n"
    "NICKNAME:Nick,Niko\n"
    "URL:https://nikos.example\n"
    "END:VCARD\n";

const DemoContactItem* Item(const DemoContact& contact, DemoItemKind kind, size_t index = 0) {
  for (const DemoContactItem& item : contact.items) {
    if (item.kind == kind && index-- == 0) return &item;
  }
  return nullptr;
}

// Kind, code, label and value of one item, in one comparable line.
std::string Describe(const DemoContactItem* item) {
  if (item == nullptr) return "(none)";
  return std::to_string(item->typeCode) + " [" + WideToUtf8(item->label) + "] " + WideToUtf8(item->value);
}

ContactReadResult ReadOne(const std::string& text) {
  ContactReadResult result = ReadVCards(text);
  EXPECT_EQ(result.failed, 0u) << (result.problems.empty() ? "" : result.problems[0]);
  EXPECT_EQ(result.contacts.size(), 1u);
  if (result.contacts.empty()) result.contacts.emplace_back();
  return result;
}

}  // namespace

TEST(VCardImport, ReadsAnOldPhonesQuotedPrintableCard) {
  const DemoContact contact = ReadOne(kOldPhoneCard).contacts[0];
  EXPECT_EQ(contact.name, L"Анна Петрова") << "FN across a soft line break";
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 0)), "2 [Mobile] +79161234567");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 1)), "1 [Home] +74951234567");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 2)), "4 [Work Fax] +74951234500");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kEmail)), "3 [Other] anna@pochta.example");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kNote)), "0 [] Читает Толстого\nв оригинале");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kNickname)), "0 [] Анюта");
  EXPECT_TRUE(contact.identifier.empty());
}

TEST(VCardImport, ReadsAnAddressBookExportWithGroupsAndPhoto) {
  const DemoContact contact = ReadOne(kAddressBookCard).contacts[0];
  EXPECT_EQ(contact.name, L"Zoë Lefèvre");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kOrganization)), "0 [Directrice] Atelier Lumière, Design");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kEmail)), "1 [Home] zoe@courriel.example");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 0)), "2 [Mobile] +33 6 12 48 90 17");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 1)), "0 [Atelier] +33 1 44 55 20 10");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 2)), "2 [Mobile] +33 6 00 00 00 01") << "wrapped label";
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPostalAddress)), "1 [Home] 12 rue des Lilas, 75011 Paris, France");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kWebsite)), "1 [Homepage] https://atelier.example");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kIm, 0)), "1 [Home] zoe@jabber.example");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kIm, 1)), "2 [Work] skype:zoe.lefevre");
  EXPECT_EQ(contact.groups, (std::vector<std::wstring>{L"Friends", L"Book club"}));
  // The picture is kept, once, as its own item.
  const DemoContactItem* photo = Item(contact, DemoItemKind::kPhoto);
  ASSERT_NE(photo, nullptr);
  EXPECT_EQ(photo->label, L"JPEG");
  EXPECT_EQ(photo->value.rfind(L"/9j/", 0), 0u);
  EXPECT_EQ(photo->value.find_first_not_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::wstring::npos);
  for (const DemoContactItem& item : contact.items)
    if (item.kind != DemoItemKind::kPhoto) EXPECT_EQ(item.value.find(L"/9j/"), std::wstring::npos);
}

TEST(VCardImport, ReadsVersion4) {
  const DemoContact contact = ReadOne(kVersion4Card).contacts[0];
  EXPECT_EQ(contact.name, L"Νίκος Π.");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 0)), "2 [Mobile] +30-694-123-4567");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone, 1)), "4 [Work Fax] +30-210-123-4567");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kEmail)), "2 [Work] nikos@taxydromeio.example");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kIm)), "0 [Jabber] xmpp:nikos@jabber.example");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPostalAddress)), "1 [Home] Ermou 10: 3rd floor");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kNickname, 1)), "0 [] Niko");
  EXPECT_EQ(Describe(Item(contact, DemoItemKind::kWebsite)), "1 [Homepage] https://nikos.example");
}

TEST(VCardImport, AcceptsEveryTypeParameterForm) {
  const struct {
    const char* line;
    int32_t code;
    const wchar_t* label;
  } kCases[] = {
      {"TEL;TYPE=CELL,VOICE:1", 2, L"Mobile"},
      {"TEL;TYPE=cell;TYPE=pref:1", 2, L"Mobile"},
      {"TEL;CELL;PREF:1", 2, L"Mobile"},
      {"TEL;TYPE=\"work,voice\":1", 3, L"Work"},
      {"TEL;type=HOME;type=FAX:1", 5, L"Home Fax"},
      {"TEL;FAX:1", 5, L"Home Fax"},
      {"TEL;PAGER:1", 6, L"Pager"},
      {"TEL;TYPE=MAIN:1", 12, L"Main"},
      {"TEL;TYPE=X-Boat:1", 0, L"Boat"},
      {"TEL;X-Boat:1", 0, L"Boat"},
      {"TEL;TYPE=CAR:1", 0, L"Car"},
      {"TEL:1", 7, L"Other"},
      {"TEL;VOICE:1", 7, L"Other"},
      {"TEL;TYPE=WORK,CELL:1", 2, L"Mobile"},
  };
  for (const auto& test : kCases) {
    const ContactReadResult result =
        ReadVCards(std::string("BEGIN:VCARD\nVERSION:3.0\nFN:x\n") + test.line + "\nEND:VCARD\n");
    ASSERT_EQ(result.contacts.size(), 1u) << test.line;
    const DemoContactItem* item = Item(result.contacts[0], DemoItemKind::kPhone);
    ASSERT_NE(item, nullptr) << test.line;
    EXPECT_EQ(item->typeCode, test.code) << test.line;
    EXPECT_EQ(item->label, test.label) << test.line;
  }
}

TEST(VCardImport, HandlesLineEndsFoldingEscapesAndMarks) {
  const std::string body =
      "BEGIN:VCARD|VERSION:3.0|FN:J\xC3\xBC\x72gen|  Wei\xC3\x9F|N:Wei\xC3\x9F;J\xC3\xBCrgen;;;|"
      "NOTE:a\\, b\\; c\\: d\\nline\\Nnext\\\\end \\q|"
      "TEL;TYPE=CELL:+49 171|\t2345678|END:VCARD|";
  for (const char* lineEnd : {"\r\n", "\n", "\r", "\r\r\n"}) {
    for (const char* mark : {"", "\xEF\xBB\xBF"}) {
      std::string text = mark;
      for (char c : body) text += c == '|' ? std::string(lineEnd) : std::string(1, c);
      const DemoContact contact = ReadOne(text).contacts[0];
      EXPECT_EQ(contact.name, L"Jürgen Weiß") << "folded with a space";
      EXPECT_EQ(Describe(Item(contact, DemoItemKind::kNote)), "0 [] a, b; c: d\nline\nnext\\end \\q");
      EXPECT_EQ(Describe(Item(contact, DemoItemKind::kPhone)), "2 [Mobile] +49 1712345678") << "folded with a tab";
    }
  }
}

TEST(VCardImport, DecodesCharsets) {
  const DemoContact latin =
      ReadOne(
          "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:Wei=DF;J=FCrgen\n"
          "NOTE;CHARSET=Windows-1252:5\x80 \x93ok\x94\nEND:VCARD\n")
          .contacts[0];
  EXPECT_EQ(latin.name, L"Jürgen Weiß") << "composed from N";
  EXPECT_EQ(Describe(Item(latin, DemoItemKind::kNote)), "0 [] 5€ “ok”");
  // Undeclared bytes that are no UTF-8 came from an old desktop export.
  EXPECT_EQ(ReadOne("BEGIN:VCARD\nFN:Ren\xE9\nEND:VCARD\n").contacts[0].name, L"René");
  // An unknown charset is taken as UTF-8; what is not UTF-8 is replaced, the card still counts.
  EXPECT_EQ(ReadOne("BEGIN:VCARD\nFN;CHARSET=X-MAC-SOMETHING:Zo\xC3\xAB \xFF!\nEND:VCARD\n").contacts[0].name,
            L"Zoë \uFFFD!");
  EXPECT_EQ(ReadOne("BEGIN:VCARD\nN:\xE7\x8E\x8B;\xE8\x8A\xB3;;;\nTEL:1\nEND:VCARD\n").contacts[0].name, L"王芳")
      << "East Asian names are composed family first";
  EXPECT_EQ(ReadOne("BEGIN:VCARD\nN:Weiss;J\xC3\xBCrgen;Paul;Dr.;Jr.\nEND:VCARD\n").contacts[0].name,
            L"Dr. Jürgen Paul Weiss Jr.");
  EXPECT_EQ(ReadOne("BEGIN:VCARD\nN:Smith\\\nEND:VCARD\n").contacts[0].name, L"Smith\\") << "a stray backslash";
}

TEST(VCardImport, KeepsGoodCardsAroundBrokenOnes) {
  const std::string text =
      std::string("garbage before the first card\r\n") +
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:First\r\nTEL:1\r\nEND:VCARD\r\n"
      "some text between cards\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Never ended\r\nTEL:2\r\n"
      "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Second\r\nAGENT:\r\nBEGIN:VCARD\r\nFN:Assistant\r\nEND:VCARD\r\n"
      "NOTE;ENCODING=QUOTED-PRINTABLE:ends with a soft break=\r\nEND:VCARD\r\n" +
      "BEGIN:VCARD\r\nFN:Junk\r\nTEL:\x01\x02" + std::string(1, '\0') +
      "\xFF\xFE\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Third\r\nEMAIL:t@example.org\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nFN:Fourth\r\nAGENT:BEGIN:VCARD\r\nFN:Inner\r\nEND:VCARD\r\nTEL:4\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nFN:Cut short\r\nTEL:3";
  const ContactReadResult result = ReadVCards(text);
  ASSERT_EQ(result.contacts.size(), 4u);
  EXPECT_EQ(result.contacts[0].name, L"First");
  EXPECT_EQ(result.contacts[1].name, L"Second") << "the AGENT's card is not a contact";
  EXPECT_EQ(Describe(Item(result.contacts[1], DemoItemKind::kNote)), "0 [] ends with a soft break");
  EXPECT_EQ(result.contacts[2].name, L"Third");
  EXPECT_EQ(result.contacts[3].name, L"Fourth");
  EXPECT_EQ(Describe(Item(result.contacts[3], DemoItemKind::kPhone)), "7 [Other] 4");
  EXPECT_EQ(result.failed, 4u);
  ASSERT_EQ(result.problems.size(), 4u);
  EXPECT_EQ(result.problems[0], "card 2 (Never ended): no END:VCARD");
  EXPECT_NE(result.problems[1].find("binary"), std::string::npos) << result.problems[1];
  EXPECT_NE(result.problems[2].find("no name"), std::string::npos) << result.problems[2];
  EXPECT_NE(result.problems[3].find("Cut short"), std::string::npos) << result.problems[3];
}

TEST(VCardImport, ForeignFilesAreOneFailure) {
  for (const std::string& text : {std::string(), std::string("{\"contacts\": []}"),
                                  std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), std::string("END:VCARD\n")}) {
    const ContactReadResult result = ReadVCards(text);
    EXPECT_TRUE(result.contacts.empty());
    EXPECT_EQ(result.failed, 1u);
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_NE(result.problems[0].find("not a vCard"), std::string::npos);
  }
  // Thousands of broken cards: every one counted, the list of lines stays short.
  std::string many;
  for (int i = 0; i < 2000; ++i) many += "BEGIN:VCARD\nEND:VCARD\n";
  const ContactReadResult result = ReadVCards(many);
  EXPECT_EQ(result.failed, 2000u);
  EXPECT_LE(result.problems.size(), 51u);
}

TEST(VCardImport, RefusesCardsWithThousandsOfFields) {
  std::string text = "BEGIN:VCARD\nFN:Spam\n";
  for (int i = 0; i < 1500; ++i) text += "TEL:" + std::to_string(i) + "\n";
  text += "END:VCARD\nBEGIN:VCARD\nFN:Tags\nCATEGORIES:";
  for (int i = 0; i < 1500; ++i) text += std::to_string(i) + ",";
  text += "\nEND:VCARD\nBEGIN:VCARD\nFN:Fine\nTEL:1\nEND:VCARD\n";
  const ContactReadResult result = ReadVCards(text);
  ASSERT_EQ(result.contacts.size(), 1u);
  EXPECT_EQ(result.contacts[0].name, L"Fine");
  ASSERT_EQ(result.failed, 2u);
  EXPECT_EQ(result.problems[0], "card 1 (Spam): holds more than 1000 fields");
  EXPECT_EQ(result.problems[1], "card 2 (Tags): holds more than 1000 fields");
}

TEST(VCardImport, KeepsPicturesButLeavesHugeOnesOut) {
  // 8 MB of folded base64, the 3.0 way, and a 2.1 picture ended by a blank line.
  std::string text = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Big\r\nPHOTO;ENCODING=b;TYPE=JPEG:";
  const std::string chunk(74, 'Q');
  for (int i = 0; i < 110000; ++i) text += chunk + "\r\n ";
  text += "QQ==\r\nTEL;TYPE=CELL:42\r\nEND:VCARD\r\n";
  text += "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Old\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:/9j/4AAQ\r\n";
  for (int i = 0; i < 1000; ++i) text += "    " + chunk + "\r\n";
  text += "\r\nTEL;CELL:43\r\nEND:VCARD\r\n";
  const ContactReadResult result = ReadVCards(text);
  ASSERT_EQ(result.contacts.size(), 2u);
  EXPECT_EQ(result.failed, 0u);
  EXPECT_EQ(Describe(Item(result.contacts[0], DemoItemKind::kPhone)), "2 [Mobile] 42");
  EXPECT_EQ(Describe(Item(result.contacts[1], DemoItemKind::kPhone)), "2 [Mobile] 43");
  EXPECT_EQ(Item(result.contacts[0], DemoItemKind::kPhoto), nullptr) << "left out whole, not cut";
  const DemoContactItem* kept = Item(result.contacts[1], DemoItemKind::kPhoto);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(kept->value.size(), 8u + 1000u * 74u);
}

TEST(VCardExport, WritesFoldedEscapedVersion3) {
  DemoContact contact;
  contact.name = L"Zoë; \"Zozo\", Lefèvre";
  contact.groups = {L"g1"};
  contact.items.push_back(MakeItem(DemoItemKind::kPhone, 2, L"Mobile", L"+33 6 12"));
  contact.items.push_back(MakeItem(DemoItemKind::kPhone, 0, L"Boat", L"+33 6 13"));
  contact.items.push_back(MakeItem(DemoItemKind::kNote, 0, L"", L"a,b;c\\d\nе" + std::wstring(100, L'ж')));
  const std::string text = WriteVCards({contact}, {DemoGroup{L"g1", L"Friends, close", L""}});

  EXPECT_EQ(text.rfind("BEGIN:VCARD\r\nVERSION:3.0\r\n", 0), 0u);
  EXPECT_NE(text.find("\r\nFN:Zoë\\; \"Zozo\"\\, Lefèvre\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nTEL;TYPE=CELL:+33 6 12\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nitem1.TEL:+33 6 13\r\nitem1.X-ABLabel:Boat\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nNOTE:a\\,b\\;c\\\\d\\nе"), std::string::npos);
  EXPECT_NE(text.find("\r\nCATEGORIES:Friends\\, close\r\n"), std::string::npos);
  // Every line ends in CRLF, holds at most 75 octets and whole UTF-8 sequences only.
  size_t start = 0;
  size_t folded = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    const std::string line = text.substr(start, end - start);
    EXPECT_LE(line.size(), 75u) << line;
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_EQ(line.find('\r'), std::string::npos);
    std::wstring wide;
    EXPECT_TRUE(Utf8ToWide(line, wide)) << "split inside a character: " << line;
    folded += !line.empty() && line[0] == ' ' ? 1 : 0;
    start = end + 2;
  }
  EXPECT_GE(folded, 2u);
}

// Dates, relations and internet-call addresses in the shapes phones and address books write.
TEST(VCardImport, KeepsDatesRelationsAndCallAddresses) {
  const ContactReadResult result = ReadVCards(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Dates\r\nBDAY:1985-04-12\r\nitem1.X-ABDATE:2010-06-19\r\n"
      "item1.X-ABLabel:_$!<Anniversary>!$_\r\nitem2.X-ABDATE;type=pref:--0514\r\nitem2.X-ABLabel:Name day\r\n"
      "item3.X-ABRELATEDNAMES:Ana\r\nitem3.X-ABLabel:_$!<Spouse>!$_\r\nX-SIP;TYPE=WORK:sip:w@pbx.example\r\n"
      "END:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Four\r\nANNIVERSARY:20100619\r\nRELATED;TYPE=child;VALUE=text:Kim\r\n"
      "RELATED;TYPE=muse;VALUE=text:Erato\r\nIMPP;TYPE=home:sip:h@voip.example\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Phone;Own\r\n"
      "X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Lee;8;;;;;;;;;;;;;\r\n"
      "X-ANDROID-CUSTOM:vnd.android.cursor.item/contact_event;2001-02-03;0;Graduation;;;;;;;;;;;;\r\n"
      "X-ANDROID-CUSTOM:vnd.android.cursor.item/relation;Jo;0;Coach;;;;;;;;;;;;\r\nEND:VCARD\r\n");
  EXPECT_EQ(result.failed, 0u);
  ASSERT_EQ(result.contacts.size(), 3u);
  const DemoContact& dates = result.contacts[0];
  EXPECT_EQ(Describe(Item(dates, DemoItemKind::kEvent, 0)), "3 [Birthday] 1985-04-12");
  EXPECT_EQ(Describe(Item(dates, DemoItemKind::kEvent, 1)), "1 [Anniversary] 2010-06-19");
  EXPECT_EQ(Describe(Item(dates, DemoItemKind::kEvent, 2)), "0 [Name day] --0514");
  EXPECT_EQ(Describe(Item(dates, DemoItemKind::kRelation)), "14 [Spouse] Ana");
  EXPECT_EQ(Describe(Item(dates, DemoItemKind::kSipAddress)), "2 [Work] sip:w@pbx.example");
  const DemoContact& four = result.contacts[1];
  EXPECT_EQ(Describe(Item(four, DemoItemKind::kEvent)), "1 [Anniversary] 20100619");
  EXPECT_EQ(Describe(Item(four, DemoItemKind::kRelation, 0)), "3 [Child] Kim");
  EXPECT_EQ(Describe(Item(four, DemoItemKind::kRelation, 1)), "0 [Muse] Erato");
  EXPECT_EQ(Describe(Item(four, DemoItemKind::kSipAddress)), "1 [Home] sip:h@voip.example");
  const DemoContact& own = result.contacts[2];
  EXPECT_EQ(Describe(Item(own, DemoItemKind::kRelation, 0)), "8 [Mother] Lee");
  EXPECT_EQ(Describe(Item(own, DemoItemKind::kEvent)), "0 [Graduation] 2001-02-03");
  EXPECT_EQ(Describe(Item(own, DemoItemKind::kRelation, 1)), "0 [Coach] Jo");
}

// Name parts that say more than the display name, and how the name is read, are kept.
TEST(VCardImport, KeepsNamePartsAndPhoneticNames) {
  const ContactReadResult result = ReadVCards(
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Dr. Misaki Tanaka Jr.\r\nN:Tanaka;Misaki;;Dr.;Jr.\r\n"
      "X-PHONETIC-FIRST-NAME:\xE3\x81\xBF\xE3\x81\x95\xE3\x81\x8D\r\nX-PHONETIC-LAST-NAME:\xE3\x81\x9F\xE3\x81\xAA"
      "\xE3\x81\x8B\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\nN:Lee;Ann;;;\r\nEND:VCARD\r\n");
  ASSERT_EQ(result.contacts.size(), 2u);
  EXPECT_EQ(result.contacts[0].nameParts, (std::vector<std::wstring>{L"Dr.", L"Misaki", L"", L"Tanaka", L"Jr."}));
  EXPECT_EQ(result.contacts[0].phoneticParts, (std::vector<std::wstring>{L"みさき", L"", L"たなか"}));
  EXPECT_TRUE(result.contacts[1].nameParts.empty()) << "N says nothing FN does not";
}

TEST(VCardRoundTrip, KeepsEveryFieldOfTheDemoPhones) {
  DemoCatalog catalog;
  std::string error;
  ASSERT_TRUE(DemoDataParser::LoadFile(ShippedDemoDataFile(), catalog, error)) << error;
  for (const DemoPhone& phone : catalog.phones()) {
    const ContactReadResult result = ReadVCards(WriteVCards(phone.contacts, phone.groups));
    EXPECT_EQ(result.failed, 0u);
    ExpectSameContacts(WithGroupTitles(phone.contacts, phone.groups), result.contacts, false);
  }
}

TEST(VCardRoundTrip, KeepsNastyStrings) {
  const std::vector<DemoContact> contacts = NastyContacts();
  const ContactReadResult result = ReadVCards(WriteVCards(contacts, NastyGroups()));
  EXPECT_EQ(result.failed, 0u);
  ExpectSameContacts(WithGroupTitles(contacts, NastyGroups()), result.contacts, false);
}

// An independent reader in strict mode must accept the export and see the same names.
TEST(VCardExport, PassesAStrictIndependentReader) {
  std::string python;
  for (const char* candidate : {"python3", "/usr/bin/python3"}) {
    const std::string probe = std::string(candidate) + " -c \"import vobject\" >/dev/null 2>&1";
    if (python.empty() && std::system(probe.c_str()) == 0) python = candidate;
  }
  if (python.empty()) GTEST_SKIP() << "python3 with vobject is not installed";

  std::vector<DemoContact> contacts;
  std::vector<DemoGroup> groups;
  ASSERT_TRUE(LoadEveryTestContact(contacts, groups));
  const TempFolder folder("vcard-strict");
  const std::filesystem::path vcf = folder.path() / "Contacts.vcf";
  const std::filesystem::path script = folder.path() / "check.py";
  const std::filesystem::path names = folder.path() / "names.json";
  std::ofstream(vcf, std::ios::binary) << WriteVCards(contacts, groups);
  std::ofstream(script) << "import json, sys, vobject\n"
                           "text = open(sys.argv[1], encoding='utf-8', newline='').read()\n"
                           "names = []\n"
                           "for card in vobject.readComponents(text, validate=True, ignoreUnreadable=False):\n"
                           "    card.validate(raiseException=True)\n"
                           "    assert card.version.value == '3.0'\n"
                           "    for child in card.getChildren(): child.value\n"
                           "    names.append(card.fn.value)\n"
                           "json.dump(names, open(sys.argv[2], 'w', encoding='utf-8'))\n";
  const std::string command = python + " " + script.string() + " " + vcf.string() + " " + names.string();
  ASSERT_EQ(std::system(command.c_str()), 0) << "the strict reader refused " << vcf;
  std::ifstream in(names, std::ios::binary);
  const nlohmann::json read = nlohmann::json::parse(in, nullptr, false);
  ASSERT_TRUE(read.is_array());
  ASSERT_EQ(read.size(), contacts.size());
  for (size_t i = 0; i < contacts.size(); ++i) {
    EXPECT_EQ(read[i].get<std::string>(), WideToUtf8(contacts[i].name)) << i;
  }
}

// Printed addresses: a 2.1/3.0 LABEL stands for the address only on a card without ADR; a
// 4.0 ADR's LABEL parameter is the address as its owner prints it, its parts kept beside it.
TEST(VCardImport, ReadsPrintedAddresses) {
  const ContactReadResult result = ReadVCards(
      "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:Only Label\r\n"
      "LABEL;WORK;ENCODING=QUOTED-PRINTABLE:Hauptstr. 5=0D=0A10115 Berlin=0D=0A\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Both\r\nADR;TYPE=HOME:;;1 Main St;Springfield;;12345;USA\r\n"
      "LABEL;TYPE=HOME:1 Main St\\nSpringfield 12345\\nUSA\r\nEND:VCARD\r\n"
      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Four\r\n"
      "ADR;TYPE=work;LABEL=\"Rue de la Paix 2\\n75002 Paris^nFrance\":;;Rue de la Paix 2;Paris;;75002;France\r\n"
      "END:VCARD\r\n");
  ASSERT_EQ(result.contacts.size(), 3u);
  EXPECT_EQ(Describe(Item(result.contacts[0], DemoItemKind::kPostalAddress)), "2 [Work] Hauptstr. 5, 10115 Berlin");
  size_t addresses = 0;
  for (const DemoContactItem& item : result.contacts[1].items) addresses += item.kind == DemoItemKind::kPostalAddress;
  EXPECT_EQ(addresses, 1u);
  EXPECT_EQ(Describe(Item(result.contacts[1], DemoItemKind::kPostalAddress)),
            "1 [Home] 1 Main St, 12345 Springfield, USA");
  const DemoContactItem& four = *Item(result.contacts[2], DemoItemKind::kPostalAddress);
  EXPECT_EQ(Describe(&four), "2 [Work] Rue de la Paix 2, 75002 Paris, France");
  ASSERT_EQ(four.parts.size(), 7u);
  EXPECT_EQ(four.parts[3], L"Paris");
}
