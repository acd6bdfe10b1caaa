// A phone's media provider rows, package lists and package manager answers read into items, and
// the quoting that carries any file name into the phone's shell, tried on a real POSIX shell.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "modules/courier/adb/AdbWire.h"
#include "modules/courier/adb/PhoneMediaOutput.h"

namespace {

std::string Sample(const char* name) {
  std::ifstream file(std::string(ZS_ADB_SAMPLES) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<StoredMedia> Listed(const char* sample, PhoneMediaKind kind) {
  return MediaFromRows(ParseContentRows(Sample(sample), MediaColumns(kind)), kind);
}

TEST(PhoneMediaOutput, ProviderRowsBecomeItemsKeyedByTheirPath) {
  const std::vector<StoredMedia> photos = Listed("content-query-images.txt", PhoneMediaKind::kImages);
  ASSERT_EQ(photos.size(), 3u) << "a row without a path is skipped";
  EXPECT_EQ(photos[0].identifier, L"/storage/emulated/0/DCIM/Camera/IMG_20240501_101010.jpg");
  EXPECT_EQ(photos[0].phonePath, photos[0].identifier);
  EXPECT_EQ(photos[0].name, L"IMG_20240501_101010");
  EXPECT_EQ(photos[0].format, L".jpg");
  EXPECT_EQ(photos[0].album, L"Camera");
  EXPECT_EQ(photos[0].sizeBytes, 3145728);
  EXPECT_EQ(photos[0].width, 4000u);
  EXPECT_EQ(photos[0].dateCreated, L"2024-05-01 10:10");
  // A name holding ", " stays whole; NULL sizes are none.
  EXPECT_EQ(photos[1].name, L"Hafen, Abend");
  EXPECT_EQ(photos[1].album, L"WhatsApp");
  EXPECT_EQ(photos[2].format, L".png");
  EXPECT_EQ(photos[2].width, 0u);

  const std::vector<StoredMedia> songs = Listed("content-query-audio.txt", PhoneMediaKind::kAudio);
  ASSERT_EQ(songs.size(), 2u);
  EXPECT_EQ(songs[0].title, L"Northbound");
  EXPECT_EQ(songs[0].artist, L"The Harbour Lights");
  EXPECT_EQ(songs[0].album, L"Coastline");
  EXPECT_EQ(songs[0].durationMs, 5016);
  EXPECT_EQ(songs[1].title, L"Morning Run, Mix");
  EXPECT_EQ(songs[1].artist, L"") << "the provider's <unknown> is no artist";
  EXPECT_EQ(songs[1].name, L"Morning Run Mix");

  EXPECT_TRUE(Listed("dumpsys-battery.txt", PhoneMediaKind::kVideo).empty());
  EXPECT_TRUE(MediaFromRows(ParseContentRows("No result found.\n", MediaColumns(PhoneMediaKind::kVideo)),
                            PhoneMediaKind::kVideo)
                  .empty());
  EXPECT_EQ(MediaQueryCommand(PhoneMediaKind::kVideo),
            "content query --uri content://media/external/video/media --projection "
            "_id:_data:_display_name:_size:date_modified:duration:width:height");
}

TEST(PhoneMediaOutput, PackageListsAndPackageManagerAnswers) {
  const std::vector<PhonePackage> packages = ParsePackageList(Sample("pm-list-packages.txt") + "package:\npackage:=\n");
  ASSERT_EQ(packages.size(), 4u);
  // The folder names hold '=' themselves.
  EXPECT_EQ(packages[0].package, "com.kestrel.runtracker");
  EXPECT_EQ(packages[0].apkPath, "/data/app/~~Qm5kRj3a==/com.kestrel.runtracker-bX9yVw==/base.apk");
  EXPECT_EQ(packages[0].versionCode, 720);
  EXPECT_EQ(packages[1].apkPath, "/data/app/~~Z2hJ8k==/com.tidewater.weather-Tq1=/base.apk");
  EXPECT_EQ(packages[2].package, "com.android.settings");
  EXPECT_EQ(packages[3].package, "org.old.style");
  EXPECT_EQ(packages[3].versionCode, -1);

  EXPECT_EQ(PackageManagerProblem("Performing Streamed Install\r\nSuccess\r\n"), L"");
  const std::wstring refused =
      PackageManagerProblem("Failure [INSTALL_FAILED_UPDATE_INCOMPATIBLE: signatures do not match]\n");
  EXPECT_NE(refused.find(L"INSTALL_FAILED_UPDATE_INCOMPATIBLE: signatures do not match"), std::wstring::npos);
  EXPECT_FALSE(PackageManagerProblem("").empty()) << "silence is no success";
  EXPECT_FALSE(PackageManagerProblem("Exception occurred while executing 'install':\n").empty());

  // Version names from one dumpsys: an updated system app's factory block does not win, a block
  // without a name keeps its code, and a cut-short or garbled dump names nothing wrong.
  const std::map<std::string, PackageVersion> versions = ParsePackageVersions(Sample("dumpsys-package-packages.txt"));
  ASSERT_EQ(versions.size(), 4u);
  EXPECT_EQ(versions.at("com.kestrel.runtracker").name, "7.2.0");
  EXPECT_EQ(versions.at("com.kestrel.runtracker").code, 720);
  EXPECT_EQ(versions.at("com.android.settings").name, "13");
  EXPECT_EQ(versions.at("com.android.chrome").name, "112.0.5615.136");
  EXPECT_EQ(versions.at("com.android.chrome").code, 612209033);
  EXPECT_EQ(versions.at("org.nameless.tool").name, "");
  EXPECT_EQ(versions.at("org.nameless.tool").code, 3);
  EXPECT_TRUE(ParsePackageVersions("versionName=1.0\n  Package [] (1):\n    versionName=2\n").empty());
  const auto cut = ParsePackageVersions("Packages:\n  Package [a.b] (1):\n    versionCode=12x\n    versionName=");
  ASSERT_EQ(cut.count("a.b"), 1u);
  EXPECT_EQ(cut.at("a.b").code, -1);
  EXPECT_EQ(cut.at("a.b").name, "");

  EXPECT_TRUE(IsPhoneBookName("Harbour Tales.EPUB"));
  EXPECT_TRUE(IsPhoneBookName("a.pdf"));
  EXPECT_FALSE(IsPhoneBookName("notes.zip"));
  EXPECT_FALSE(IsPhoneBookName(".epub"));
  EXPECT_EQ(DateTextOfSeconds(0), L"");
  EXPECT_EQ(DateTextOfSeconds(951868740), L"2000-02-29 23:59");
}

// A phone's folders as a sync listing shows them: "name/" a folder, "name@" a link, else a file.
class FakeFolders {
 public:
  void Add(const std::string& folder, std::vector<std::string> names) { m_folders[folder] = std::move(names); }
  bool List(const std::string& folder, std::vector<adbsync::ListEntry>& entries) {
    ++m_listed;
    entries.clear();
    for (const char* dot : {".", ".."}) entries.push_back({dot, {040755, 4096, 1}});
    auto found = m_folders.find(folder);
    if (found == m_folders.end()) return true;
    for (const std::string& name : found->second) {
      const char last = name.back();
      const uint32_t mode = last == '/' ? 040755 : last == '@' ? 0120777 : 0100644;
      entries.push_back({last == '/' || last == '@' ? name.substr(0, name.size() - 1) : name, {mode, 10, 951868740}});
    }
    return true;
  }
  size_t listed() const { return m_listed; }

 private:
  std::map<std::string, std::vector<std::string>> m_folders;
  size_t m_listed = 0;
};

std::vector<std::string> BookPaths(const std::vector<PhoneBookFile>& books) {
  std::vector<std::string> paths;
  for (const PhoneBookFile& book : books) paths.push_back(book.path);
  return paths;
}

TEST(PhoneMediaOutput, BooksAreFoundInSubfoldersButNotInHiddenOrPrivateOnesNorTooDeep) {
  FakeFolders phone;
  phone.Add("/s/Books", {"Top.epub", "Series/", ".trash/", "notes.zip", "loop@", "Android/"});
  phone.Add("/s/Books/Series", {"Part One.pdf", "Deeper/"});
  phone.Add("/s/Books/Series/Deeper", {"d2/"});
  phone.Add("/s/Books/Series/Deeper/d2", {"d3/", "Level3.mobi"});
  phone.Add("/s/Books/Series/Deeper/d2/d3", {"Level4.epub", "d4/"});
  phone.Add("/s/Books/Series/Deeper/d2/d3/d4", {"TooDeep.epub"});
  phone.Add("/s/Books/.trash", {"Deleted.epub"});
  phone.Add("/s/Books/loop", {"Linked.epub"});
  phone.Add("/s/Books/Android", {"data/", "obb/", "media/"});
  phone.Add("/s/Books/Android/data", {"Private.epub"});
  phone.Add("/s/Books/Android/obb", {"Private.pdf"});
  phone.Add("/s/Books/Android/media", {"Shared.pdf"});
  std::vector<PhoneBookFile> books;
  ASSERT_TRUE(FindPhoneBooks(
      {"/s/Books", "/s/Missing"},
      [&](const std::string& folder, std::vector<adbsync::ListEntry>& entries) { return phone.List(folder, entries); },
      books));
  EXPECT_EQ(BookPaths(books),
            (std::vector<std::string>{"/s/Books/Top.epub", "/s/Books/Series/Part One.pdf",
                                      "/s/Books/Android/media/Shared.pdf", "/s/Books/Series/Deeper/d2/Level3.mobi",
                                      "/s/Books/Series/Deeper/d2/d3/Level4.epub"}));
  ASSERT_FALSE(books.empty());
  EXPECT_EQ(books[1].folder, "Series");
  EXPECT_EQ(books[1].stat.size, 10u);

  // A folder tree that never ends is looked at only so far; a phone that stops answering ends
  // the walk with false.
  FakeFolders endless;
  std::string path = "/e";
  for (int i = 0; i < 1000; ++i) {
    endless.Add(path, {"a/", "b/", "x.epub"});
    path += "/a";
  }
  books.clear();
  ASSERT_TRUE(FindPhoneBooks(
      {"/e"},
      [&](const std::string& folder, std::vector<adbsync::ListEntry>& entries) {
        return endless.List(folder, entries);
      },
      books));
  EXPECT_LE(endless.listed(), kBookFolderLimit);
  EXPECT_EQ(books.size(), static_cast<size_t>(kBookFolderDepth + 1));
  EXPECT_FALSE(FindPhoneBooks(
      {"/e"}, [](const std::string&, std::vector<adbsync::ListEntry>&) { return false; }, books));
}

// What the phone's shell makes of a quoted word: the quoting is run through /bin/sh itself.
std::string ThroughShell(const std::string& word) {
  const std::string command = "printf '%s' " + QuoteForPhoneShell(word);
  FILE* shell = popen(command.c_str(), "r");
  if (shell == nullptr) return "<no shell>";
  std::string out;
  char buffer[256];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof(buffer), shell)) > 0) out.append(buffer, got);
  pclose(shell);
  return out;
}

TEST(PhoneMediaOutput, AnyNameReachesThePhoneShellAndProviderUnchanged) {
  for (const std::string name : {"/sdcard/Music/My Song.mp3", "/sdcard/it's \"quoted\".jpg",
                                 "/sdcard/Müsik/東京 $(reboot) `id` ;rm -rf x &.mp3", "a'\\''b", "line\nbreak", "-n"})
    EXPECT_EQ(ThroughShell(name), name);
  EXPECT_EQ(QuoteForPhoneShell(std::string("a\0b", 3)), "") << "no shell word carries a NUL";
  EXPECT_EQ(SqlStringLiteral("it's"), "'it''s'");
  EXPECT_EQ(FileUriOf("/sdcard/it's é x.mp3"), "file:///sdcard/it%27s%20%C3%A9%20x.mp3");
}

// The reply of a sync SEND: OKAY, or FAIL with the phone's reason.
TEST(PhoneMediaOutput, PushSendsTheFileInProtocolSizedChunks) {
  const std::string file(150000, 'z');
  size_t offset = 0;
  auto source = [&](char* buffer, size_t size) -> int64_t {
    const size_t count = std::min(size, file.size() - offset);
    std::copy(file.data() + offset, file.data() + offset + count, buffer);
    offset += count;
    return static_cast<int64_t>(count);
  };
  MemoryAdbStream okay(adbsync::FrameNumber("OKAY", 0));
  std::string error;
  ASSERT_TRUE(adbsync::Push(okay, "/sdcard/a b.bin", 0100644, 7, source, error)) << error;
  const std::string& sent = okay.written();
  ASSERT_EQ(sent.substr(0, 8 + 21), adbsync::Frame("SEND", "/sdcard/a b.bin,33188"));
  size_t at = 8 + 21;
  std::string received;
  while (sent.compare(at, 4, "DATA") == 0) {
    const uint32_t length = static_cast<unsigned char>(sent[at + 4]) | static_cast<unsigned char>(sent[at + 5]) << 8 |
                            static_cast<unsigned char>(sent[at + 6]) << 16;
    EXPECT_LE(length, adbsync::kMaxChunk);
    received += sent.substr(at + 8, length);
    at += 8 + length;
  }
  EXPECT_EQ(received, file);
  EXPECT_EQ(sent.substr(at), adbsync::FrameNumber("DONE", 7));

  offset = 0;
  MemoryAdbStream refused(adbsync::Frame("FAIL", "couldn't create file: Read-only file system"));
  EXPECT_FALSE(adbsync::Push(refused, "/system/x", 0100644, 7, source, error));
  EXPECT_EQ(error, "couldn't create file: Read-only file system");

  // Stopped by its source: no DONE goes out, so the phone never takes the part for a file.
  MemoryAdbStream stopped(adbsync::FrameNumber("OKAY", 0));
  error.clear();
  EXPECT_FALSE(adbsync::Push(
      stopped, "/sdcard/x", 0100644, 7, [](char*, size_t) -> int64_t { return -1; }, error));
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(stopped.written().find("DONE"), std::string::npos);
}

}  // namespace
