// Cards from phones of every region name their character set; the native build (iconv) and the
// Windows build (the system code pages) must read them alike.
#include <gtest/gtest.h>

#include <string>

#include "modules/courier/DemoData.h"
#include "modules/courier/formats/Charsets.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

std::wstring Wide(const char* utf8) {
  std::wstring wide;
  Utf8ToWide(utf8, wide);
  return wide;
}

struct Case {
  const char* charset;
  const char* quotedPrintable;
  const char* name;  // UTF-8
};

const Case kCases[] = {
    {"SHIFT_JIS", "=93=63=92=86=20=94=FC=8D=E7", u8"田中 美咲"},
    {"EUC-JP", "=BA=B4=C6=A3=20=E6=C6=C2=C0", u8"佐藤 翔太"},
    {"GB2312", "=CD=F5=20=B7=BC", u8"王 芳"},
    {"GB18030", "=B3=C2=20=BE=B2", u8"陈 静"},
    {"BIG5", "=B3=AF=20=A4=70=C0=73", u8"陳 小龍"},
    {"EUC-KR", "=B1=E8=20=B9=CE=C1=D8", u8"김 민준"},
    {"KOI8-R", "=E9=D7=C1=CE=20=F0=C5=D4=D2=CF=D7", u8"Иван Петров"},
    {"windows-1251", "=CE=EB=FC=E3=E0=20=CE=F0=EB=EE=E2=E0", u8"Ольга Орлова"},
    {"ISO-8859-7", "=CD=DF=EA=EF=F2=20=C3=E5=F9=F1=E3=DF=EF=F5", u8"Νίκος Γεωργίου"},
    {"ISO-8859-2", "=A3=75=6B=61=73=7A=20=44=76=6F=F8=E1=6B", u8"Łukasz Dvořák"},
    {"ISO-8859-8", "=E3=E5=E3=20=EB=E4=EF", u8"דוד כהן"},
    {"WINDOWS-1256", "=DD=C7=D8=E3=C9=20=CD=CF=C7=CF", u8"فاطمة حداد"},
    {"TIS-620", "=CA=C1=AA=D2=C2", u8"สมชาย"},
    {"ISO-8859-5", "=B4=DC=D8=E2=E0=D8=D9", u8"Дмитрий"},
};

TEST(Charsets, CardsInEveryRegionsCharsetReadAlikeOnEveryPlatform) {
  std::string cards;
  for (const Case& test : kCases)
    cards += std::string("BEGIN:VCARD\r\nVERSION:2.1\r\nFN;CHARSET=") + test.charset +
             ";ENCODING=QUOTED-PRINTABLE:" + test.quotedPrintable + "\r\nTEL;CELL:+1 555 0100\r\nEND:VCARD\r\n";
  const ContactReadResult result = ReadVCards(cards);
  EXPECT_EQ(result.failed, 0u);
  ASSERT_EQ(result.contacts.size(), sizeof(kCases) / sizeof(kCases[0]));
  for (size_t i = 0; i < result.contacts.size(); ++i)
    EXPECT_EQ(result.contacts[i].name, Wide(kCases[i].name)) << kCases[i].charset;
}

// Raw 8-bit Shift_JIS, whose second bytes may be a backslash or a semicolon: the value is
// decoded before it is split and unescaped.
TEST(Charsets, RawDoubleByteTextWithBackslashAndSemicolonBytes) {
  const std::string cards =
      "BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=SHIFT_JIS:\x83\x5C\x83\x6A\x81\x5B;\x91\xBE\x98\x59\r\n"
      "ORG;CHARSET=Shift_JIS:\x83\x5C\x83\x74\x83\x67\r\nEND:VCARD\r\n";
  const ContactReadResult result = ReadVCards(cards);
  ASSERT_EQ(result.contacts.size(), 1u);
  EXPECT_EQ(result.contacts[0].name, Wide(u8"ソニー太郎"));
  ASSERT_EQ(result.contacts[0].items.size(), 1u);
  EXPECT_EQ(result.contacts[0].items[0].value, Wide(u8"ソフト"));

  std::string text;
  EXPECT_FALSE(formats::CharsetToUtf8("X-UNHEARD-OF", "abc", text));
  EXPECT_TRUE(formats::CharsetToUtf8("koi8-r", "", text));
  EXPECT_TRUE(text.empty());
}

}  // namespace
