// Apps and books as files: the zip walk under both sizes of archive it meets (the shipped demo
// apps and hostile ones built here), the compiled manifest and resource table of an .apk, and
// what an EPUB, PDF, text or MOBI book says about itself.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "modules/courier/formats/ApkReader.h"
#include "modules/courier/formats/BookReader.h"
#include "modules/courier/formats/ZipReader.h"
#include "tests/courier/CourierTestPaths.h"

namespace {

const std::filesystem::path kData = ShippedDemoDataFile().parent_path();

void Put16(std::string& o, uint32_t v) {
  o += static_cast<char>(v & 0xFF);
  o += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& o, uint32_t v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}

std::string Deflate(const std::string& bytes) {
  z_stream s{};
  deflateInit2(&s, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&s, static_cast<uLong>(bytes.size())), '\0');
  s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  s.avail_in = static_cast<uInt>(bytes.size());
  s.next_out = reinterpret_cast<Bytef*>(&out[0]);
  s.avail_out = static_cast<uInt>(out.size());
  deflate(&s, Z_FINISH);
  out.resize(s.total_out);
  deflateEnd(&s);
  return out;
}

// One entry of a hand-built archive; the declared size and CRC may lie.
struct RawEntry {
  std::string name;
  std::string bytes;
  bool packed = true;
  int64_t declaredSize = -1;
  bool badCrc = false;
};

std::string BuildArchive(const std::vector<RawEntry>& entries) {
  std::string out, central;
  for (const RawEntry& e : entries) {
    const std::string data = e.packed ? Deflate(e.bytes) : e.bytes;
    uint32_t crc = static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.bytes.data()), static_cast<uInt>(e.bytes.size())));
    if (e.badCrc) crc ^= 1;
    const uint32_t size = e.declaredSize >= 0 ? static_cast<uint32_t>(e.declaredSize) : uint32_t(e.bytes.size());
    const uint32_t offset = static_cast<uint32_t>(out.size());
    Put32(out, 0x04034b50);
    Put16(out, 20);
    Put16(out, 0);
    Put16(out, e.packed ? 8 : 0);
    Put32(out, 0);
    Put32(out, crc);
    Put32(out, uint32_t(data.size()));
    Put32(out, size);
    Put16(out, uint32_t(e.name.size()));
    Put16(out, 0);
    out += e.name + data;
    Put32(central, 0x02014b50);
    Put16(central, 20);
    Put16(central, 20);
    Put16(central, 0);
    Put16(central, e.packed ? 8 : 0);
    Put32(central, 0);
    Put32(central, crc);
    Put32(central, uint32_t(data.size()));
    Put32(central, size);
    Put16(central, uint32_t(e.name.size()));
    Put32(central, 0);
    Put32(central, 0);
    Put32(central, 0);
    Put32(central, offset);
    central += e.name;
  }
  const uint32_t directoryAt = static_cast<uint32_t>(out.size());
  out += central;
  Put32(out, 0x06054b50);
  Put32(out, 0);
  Put16(out, uint32_t(entries.size()));
  Put16(out, uint32_t(entries.size()));
  Put32(out, uint32_t(central.size()));
  Put32(out, directoryAt);
  Put16(out, 0);
  return out;
}

std::string ReadEntry(const std::string& archive, const std::string& name, std::string& problem) {
  ZipReader zip;
  std::string out;
  if (!zip.OpenBytes(archive, problem)) return "<unopened>";
  const ZipEntryInfo* entry = zip.Find(name);
  if (entry == nullptr) return "<missing>";
  if (!zip.Read(*entry, 64u << 20, out, problem)) return "<unread>";
  return out;
}

std::string ShippedManifest(const std::string& apk) {
  ZipReader zip;
  std::string problem, bytes;
  EXPECT_TRUE(zip.OpenFile(kData / "packages" / apk, problem)) << problem;
  const ZipEntryInfo* entry = zip.Find("AndroidManifest.xml");
  EXPECT_NE(entry, nullptr);
  if (entry != nullptr) {
    EXPECT_TRUE(zip.Read(*entry, 1 << 20, bytes, problem)) << problem;
  }
  return bytes;
}

uint32_t PngWidth(const std::string& png) {
  if (png.size() < 24) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(png.data()) + 16;
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

class TempFolder {
 public:
  TempFolder() {
    m_path = std::filesystem::temp_directory_path() /
             ("zs-package-formats-" + std::to_string(reinterpret_cast<uintptr_t>(this)));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  std::filesystem::path Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(m_path / name, std::ios::binary) << bytes;
    return m_path / name;
  }

 private:
  std::filesystem::path m_path;
};

TEST(ZipReader, ReadsStoredAndPackedEntriesAndRefusesLies) {
  const std::string text(5000, 'x');
  std::string problem;
  const std::string good = BuildArchive({{"a.txt", text, true}, {"dir/b.bin", "plain", false}});
  EXPECT_EQ(ReadEntry(good, "a.txt", problem), text);
  EXPECT_EQ(ReadEntry(good, "dir/b.bin", problem), "plain");

  // A header claiming fewer bytes than the stream holds, or more, or a wrong checksum.
  for (const RawEntry& lying : {RawEntry{"a", text, true, 4000}, RawEntry{"a", text, true, 6000},
                                RawEntry{"a", text, true, -1, true}, RawEntry{"a", text, false, 4000}}) {
    problem.clear();
    EXPECT_EQ(ReadEntry(BuildArchive({lying}), "a", problem), "<unread>");
    EXPECT_EQ(problem, "the archive is damaged");
  }
}

TEST(ZipReader, RefusesHostileArchives) {
  std::string problem, out;
  // Zeros pack a thousand to one: read, the entry would take memory out of all proportion.
  const std::string bomb = BuildArchive({{"zeros", std::string(8u << 20, '\0'), true}});
  EXPECT_EQ(ReadEntry(bomb, "zeros", problem), "<unread>");
  EXPECT_EQ(problem, "the archive packs an entry suspiciously tightly");

  ZipReader zip;
  ASSERT_TRUE(zip.OpenBytes(BuildArchive({{"big", std::string(1000, 'y'), false}}), problem));
  EXPECT_FALSE(zip.Read(zip.Entries()[0], 999, out, problem));
  EXPECT_EQ(problem, "an entry of the archive is too large");

  for (const char* name : {"../evil", "a/../../evil", "/etc/passwd", "C:\\x", "a\\..\\..\\b"}) {
    EXPECT_FALSE(zip.OpenBytes(BuildArchive({{name, "x", false}}), problem)) << name;
    EXPECT_EQ(problem, "the archive holds an entry with an unsafe name");
  }
  EXPECT_FALSE(IsUnsafeZipName("res/a..b/c.png"));

  ZipLimits few;
  few.maxEntries = 2;
  EXPECT_FALSE(zip.OpenBytes(BuildArchive({{"a", "1", false}, {"b", "2", false}, {"c", "3", false}}), problem, few));
  EXPECT_EQ(problem, "the archive has too many entries");

  EXPECT_FALSE(zip.OpenBytes("just some text, certainly no archive", problem));
  EXPECT_EQ(problem, "the file is not a zip archive");
  // A directory that points past the end of the file.
  std::string cut = BuildArchive({{"a", "1234", false}});
  cut[cut.size() - 6] = 0x7F;
  EXPECT_FALSE(zip.OpenBytes(cut, problem));
  EXPECT_EQ(problem, "the archive is damaged");
  EXPECT_FALSE(zip.OpenFile(kData / "no-such-file.apk", problem));
}

TEST(ApkReader, ReadsEveryShippedApp) {
  size_t referenced = 0;
  for (const auto& item : std::filesystem::directory_iterator(kData / "packages")) {
    ApkInfo info;
    std::string problem;
    ASSERT_TRUE(ReadApkFile(item.path(), info, problem)) << item.path() << ": " << problem;
    const std::string file = item.path().filename().string();
    EXPECT_EQ(file, info.packageName + "-" + info.versionName + ".apk");
    EXPECT_GT(info.versionCode, 0);
    EXPECT_NE(info.label, info.packageName);
    ASSERT_FALSE(info.iconPng.empty()) << file;
    // Label and icon given through the resource table: the default language and the densest
    // picture (48 pixels), not the vector icon.
    if (PngWidth(info.iconPng) == 48) {
      ++referenced;
      EXPECT_EQ(info.label.find("(de)"), std::string::npos) << info.label;
    } else {
      EXPECT_EQ(PngWidth(info.iconPng), 36u) << file;
    }
  }
  EXPECT_GE(referenced, 3u);
  ApkInfo greek;
  std::string problem;
  ASSERT_TRUE(ReadApkFile(kData / "packages" / "gr.kouzina.syntages-1.9.2.apk", greek, problem));
  EXPECT_EQ(greek.label, "\xCE\xA3\xCF\x85\xCE\xBD\xCF\x84\xCE\xB1\xCE\xB3\xCE\xAD\xCF\x82");  // Συνταγές
}

TEST(ApkReader, DamagedAppsGiveAMessage) {
  const std::string manifest = ShippedManifest("com.tidewater.weather-5.3.1.apk");
  ASSERT_GT(manifest.size(), 100u);
  ManifestInfo info;
  std::string problem;
  ASSERT_TRUE(ReadBinaryManifest(manifest, info, problem)) << problem;
  EXPECT_EQ(info.packageName, "com.tidewater.weather");
  EXPECT_EQ(info.label, "Tidewater Weather");

  // Cut short anywhere, or with a chunk size that runs away: refused, never read past the end.
  for (size_t keep : {size_t{0}, size_t{7}, size_t{40}, manifest.size() / 2, manifest.size() - 1}) {
    EXPECT_FALSE(ReadBinaryManifest(manifest.substr(0, keep), info, problem)) << keep;
    EXPECT_EQ(problem, "the app's manifest is damaged");
  }
  std::string runaway = manifest;
  runaway[12] = '\x7F';  // the string pool's size
  EXPECT_FALSE(ReadBinaryManifest(runaway, info, problem));

  // A package name that would make a path is no package name.
  std::string sly = manifest;
  const std::string name("c\0o\0m\0.\0t\0i\0d\0e\0", 16);
  const size_t at = sly.find(name);
  ASSERT_NE(at, std::string::npos);
  sly.replace(at, 4, std::string(".\0/\0", 4));
  EXPECT_FALSE(ReadBinaryManifest(sly, info, problem));
  EXPECT_EQ(problem, "the app's manifest names no valid package");

  TempFolder folder;
  ApkInfo apk;
  EXPECT_FALSE(ReadApkFile(folder.Write("text.apk", "hello"), apk, problem));
  EXPECT_EQ(problem, "the file is not a zip archive");
  EXPECT_FALSE(ReadApkFile(folder.Write("empty.apk", BuildArchive({{"classes.dex", "dex", true}})), apk, problem));
  EXPECT_EQ(problem, "the file is no app: it has no manifest");
  EXPECT_FALSE(ReadApkFile(
      folder.Write("cut.apk", BuildArchive({{"AndroidManifest.xml", manifest.substr(0, 60), true}})), apk, problem));
  EXPECT_EQ(problem, "the app's manifest is damaged");

  // No resource table although the manifest refers to one: the package name stands in.
  const std::string referencing = ShippedManifest("com.zorvane.steward.companion-2.1.40.apk");
  ASSERT_TRUE(
      ReadApkFile(folder.Write("bare.apk", BuildArchive({{"AndroidManifest.xml", referencing, true}})), apk, problem));
  EXPECT_EQ(apk.label, "com.zorvane.steward.companion");
  EXPECT_TRUE(apk.iconPng.empty());
}

TEST(BookReader, ReadsShippedBooksAndRefusesOthers) {
  BookInfo info;
  std::string problem;
  ASSERT_TRUE(ReadBookFile(kData / "books" / "ZV4K2093NQ-b2.epub", info, problem)) << problem;
  EXPECT_EQ(info.format, BookFormat::kEpub);
  EXPECT_EQ(info.title,
            "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0 \xD0\x9A\xD0\xB0\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB8\xD0\xBD\xD0\xB0");
  EXPECT_EQ(info.author, "\xD0\x9B\xD0\xB5\xD0\xB2 \xD0\xA2\xD0\xBE\xD0\xBB\xD1\x81\xD1\x82\xD0\xBE\xD0\xB9");
  EXPECT_GT(info.sizeBytes, 0);
  ASSERT_TRUE(ReadBookFile(kData / "books" / "ZV4K2093NQ-b3.pdf", info, problem)) << problem;
  EXPECT_EQ(info.title, "ZV4K2093NQ-b3");
  EXPECT_STREQ(BookFormatText(info.format), "PDF");

  TempFolder folder;
  struct Case {
    const char* name;
    std::string bytes;
    const char* problem;
  };
  const std::string mobi = std::string(60, '\0') + "BOOKMOBI" + std::string(40, 'x');
  const Case refused[] = {
      {"empty.txt", "", "the file is empty"},
      {"photo.png", "\x89PNG....", "the file is not a book (EPUB, PDF, TXT or MOBI)"},
      {"fake.pdf", "hello", "the file is named .pdf but is no PDF document"},
      {"fake.mobi", std::string(200, 'x'), "the file is named as a MOBI book but is none"},
      {"fake.epub", "hello", "the file is not a zip archive"},
      {"nocontainer.epub", BuildArchive({{"mimetype", "application/epub+zip", false}}), "the file is no EPUB book"},
      {"noopf.epub",
       BuildArchive({{"META-INF/container.xml", "<container><rootfile full-path='a.opf'/></container>", true}}),
       "the book is damaged"},
  };
  for (const Case& c : refused) {
    EXPECT_FALSE(ReadBookFile(folder.Write(c.name, c.bytes), info, problem)) << c.name;
    EXPECT_EQ(problem, c.problem) << c.name;
  }
  ASSERT_TRUE(ReadBookFile(folder.Write("Notes From Home.TXT", "some words"), info, problem));
  EXPECT_EQ(info.title, "Notes From Home");
  ASSERT_TRUE(ReadBookFile(folder.Write("k.azw3", mobi), info, problem));
  EXPECT_EQ(info.format, BookFormat::kMobi);

  // An EPUB without a title is named by its file; entities and markup inside the title are read.
  const std::string container = "<container><rootfiles><rootfile full-path=\"x/p.opf\"/></rootfiles></container>";
  const std::string opf =
      "<?xml version='1.0'?><!-- c --><package><metadata xmlns:dc='dc'><dc:creator>A &amp; B &#x4E2D;"
      "</dc:creator></metadata></package>";
  ASSERT_TRUE(ReadBookFile(folder.Write("Untitled.epub", BuildArchive({{"META-INF/container.xml", container, true},
                                                                       {"x/p.opf", opf, true}})),
                           info, problem))
      << problem;
  EXPECT_EQ(info.title, "Untitled");
  EXPECT_EQ(info.author, "A & B \xE4\xB8\xAD");
}

TEST(BookReader, PackageDocumentText) {
  std::string text;
  EXPECT_TRUE(FindXmlText("<m><metadata><dc:title>\n  Two\n  <i>Lines</i>\n</dc:title></metadata></m>", "metadata",
                          "title", text));
  EXPECT_EQ(text, "Two Lines");
  // A title outside the metadata (an XHTML head) is not the book's.
  EXPECT_FALSE(FindXmlText("<head><title>No</title></head><metadata/>", "metadata", "title", text));
  EXPECT_TRUE(FindXmlText("<metadata><title><![CDATA[<Raw> & more]]></title></metadata>", "metadata", "title", text));
  EXPECT_EQ(text, "<Raw> & more");
  // Broken markup ends the search instead of reading on at random.
  EXPECT_FALSE(FindXmlText("<metadata><title>never closed", "metadata", "title", text));
  EXPECT_FALSE(FindXmlText("<metadata><title a=>x</title></metadata>", "metadata", "title", text));
  EXPECT_TRUE(
      FindXmlText("<metadata><title>&#0;&#xD800;&#99999999;&bogus;</title></metadata>", "metadata", "title", text));
  EXPECT_EQ(text, "\xEF\xBF\xBD\xEF\xBF\xBD&#99999999;&bogus;");
}

}  // namespace
