// Text conversion, version order, size formatting, extension lists and zips.
#include <gtest/gtest.h>

#include <string>

#include "cornerstone/core/TextCodec.h"
#include "cornerstone/core/TextUtil.h"
#include "cornerstone/core/ZipWriter.h"

using namespace cornerstone;

TEST(TextCodec, RoundTripsEveryPlane) {
  const std::string text = "Ana \xC3\xB1 \xD0\x96 \xE4\xB8\xAD \xF0\x9F\x98\x80";  // Latin, Cyrillic, CJK, emoji
  std::u16string wide = Utf8ToUtf16(text);
  EXPECT_EQ(wide.size(), 12u);  // the emoji is a surrogate pair
  EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(TextCodec, MalformedInputIsReplacedNeverFatal) {
  const std::u16string r(1, u'\uFFFD');
  EXPECT_EQ(Utf8ToUtf16(std::string("a\xFF" "b")), u"a" + r + u"b");
  EXPECT_EQ(Utf8ToUtf16(std::string("\xE4\xB8")), r);  // truncated at the end
  EXPECT_EQ(Utf8ToUtf16(std::string("\xC0\xAF")), r + r);  // overlong form
  EXPECT_EQ(Utf8ToUtf16(std::string("\xED\xA0\x80")), r);  // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16(std::string("\xF4\x90\x80\x80")), r);  // beyond U+10FFFF
  EXPECT_EQ(Utf8ToUtf16(std::string("\xE4\xB8" "x")), r + u"x");  // resumes at the next character
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800)) + u"x"), "\xEF\xBF\xBDx");
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xDC00))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16(nullptr, 5), u"");
  EXPECT_EQ(Utf8ToUtf16(std::string("a\0b", 3)).size(), 3u);
}

TEST(Versions, OrderDottedVersions) {
  EXPECT_LT(CompareVersions("4.3", "4.4"), 0);
  EXPECT_LT(CompareVersions("4.4", "4.4.2"), 0);
  EXPECT_LT(CompareVersions("4.4.2", "10.0"), 0);
  EXPECT_GT(CompareVersions("10.0", "9.9.9"), 0);
  EXPECT_EQ(CompareVersions("4.4", "4.4.0"), 0);
  EXPECT_EQ(CompareVersions("2.1.163", "2.1.163"), 0);
  EXPECT_LT(CompareVersions("2.1.163", "2.1.1000"), 0);
  EXPECT_EQ(CompareVersions(" 1.0 ", "1.0"), 0);
}

TEST(Versions, NonNumericPartsAreOrderedNotFatal) {
  EXPECT_LT(CompareVersions("4.4-beta", "4.4"), 0);
  EXPECT_LT(CompareVersions("1.2rc1", "1.2rc2"), 0);
  EXPECT_LT(CompareVersions("1.2", "1.10a"), 0);
  EXPECT_GT(CompareVersions("1.b", "1.a"), 0);
  EXPECT_EQ(CompareVersions("1.A", "1.a"), 0);
  EXPECT_EQ(CompareVersions("", "0"), 0);
  EXPECT_LT(CompareVersions("1..2", "1.1.2"), 0);
  EXPECT_GT(CompareVersions("99999999999999999999999.1", "99999999999999999999998.9"), 0);
}

TEST(ByteSize, UnitsAndRounding) {
  EXPECT_EQ(FormatByteSize(0), "0 B");
  EXPECT_EQ(FormatByteSize(1023), "1023 B");
  EXPECT_EQ(FormatByteSize(1024), "1.0 KB");
  EXPECT_EQ(FormatByteSize(1536), "1.5 KB");
  EXPECT_EQ(FormatByteSize(1048575), "1.0 MB");  // not "1024.0 KB"
  EXPECT_EQ(FormatByteSize(3LL << 30), "3.0 GB");
  EXPECT_EQ(FormatByteSize(5LL << 40), "5.0 TB");
  EXPECT_EQ(FormatByteSize(2048LL << 40), "2048.0 TB");
  EXPECT_EQ(FormatByteSize(-5), "0 B");
}

TEST(Extensions, CaseInsensitiveListMatch) {
  const std::u16string list = u";.jpg;.gif;.png;.bmp;.webp;";
  EXPECT_TRUE(HasListedExtension(u"C:\\a\\photo.JPG", list));
  EXPECT_TRUE(HasListedExtension(u"x.webp", list));
  EXPECT_FALSE(HasListedExtension(u"x.jpeg", list));
  EXPECT_FALSE(HasListedExtension(u"x.pn", list));  // a prefix of an entry is not a match
  EXPECT_FALSE(HasListedExtension(u"C:\\a.png\\file", list));  // the dot belongs to a folder
  EXPECT_FALSE(HasListedExtension(u"noext", list));
  EXPECT_FALSE(HasListedExtension(u"", list));
  EXPECT_TRUE(HasListedExtension(u"a.png", u".png"));  // a list without outer separators
}

TEST(Zip, ArchiveHasValidStructure) {
  EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>("123456789"), 9), 0xCBF43926u);
  std::vector<ZipEntry> entries = {{"a.dmp", {1, 2, 3}}, {"Crash.json", {'{', '}'}}};
  std::vector<uint8_t> zip;
  ASSERT_TRUE(BuildZip(entries, zip));
  ASSERT_GE(zip.size(), 22u);
  size_t end = zip.size() - 22;
  EXPECT_EQ(zip[0], 'P');
  EXPECT_EQ(zip[1], 'K');
  EXPECT_EQ(zip[end], 0x50);
  EXPECT_EQ(zip[end + 1], 0x4B);
  EXPECT_EQ(zip[end + 2], 5);
  EXPECT_EQ(zip[end + 3], 6);
  EXPECT_EQ(zip[end + 10], 2);  // two entries
  std::vector<uint8_t> empty;
  EXPECT_TRUE(BuildZip({}, empty));
  EXPECT_EQ(empty.size(), 22u);
}
