// The phones' books as the device service serves them through its plug-in edge: the shipped
// files listed with their titles, authors and formats, exported byte for byte, adds that read an
// EPUB's own title and refuse what is no book, and deletes kept across a restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MediaRecords.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = OperationEnds::kWaitMs;
constexpr wchar_t kPhone[] = L"PH-B";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CourierBooks : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::path(TempFolder()) / ("books-" + std::to_string(GetTickCount64()));
    for (const char* sub : {"state", "data", "in", "out"}) std::filesystem::create_directories(m_folder / sub);
    const std::filesystem::path books =
        std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "books";
    std::filesystem::copy_file(books / "ZV4K2093NQ-b1.epub", m_folder / "data" / "a.epub");
    std::filesystem::copy_file(books / "ZV4K2093NQ-b3.pdf", m_folder / "data" / "b.pdf");
    std::filesystem::copy_file(books / "MRD7G1120045-b1.epub", m_folder / "in" / "Ilias.epub");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "state").wstring().c_str());
    m_dataFile = m_folder / "data" / "phones.json";
    std::ofstream(m_dataFile, std::ios::binary) << OnePhoneData(
        "PH-B",
        ", \"books\": ["
        "{\"id\": \"b1\", \"title\": \"Emma\", \"author\": \"Jane Austen\", \"sizeBytes\": 1, \"phonePath\": "
        "\"/sdcard/Books/Emma.epub\", \"file\": \"a.epub\"},"
        "{\"id\": \"b2\", \"title\": \"Odysseia\", \"sizeBytes\": 1, \"phonePath\": "
        "\"/sdcard/Books/Odysseia.pdf\", \"file\": \"b.pdf\"},"
        "{\"id\": \"b3\", \"title\": \"Not shipped\", \"sizeBytes\": 1, \"phonePath\": "
        "\"/sdcard/Books/None.txt\"}]");
  }
  void TearDown() override {
    StopService();
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  void StartService() {
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", m_dataFile.wstring().c_str());
    m_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCourier")));
    m_harness->SetHook(kCourierDoEbook, [this](CommandRecord& record) { return Take(record); });
    m_ends.Attach(*m_harness);
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    DeviceRecord* device = GetDevice(*m_harness, kPhone);
    ASSERT_NE(device, nullptr);
    m_device = device;
  }
  void StopService() {
    if (!m_harness) return;
    Destroy(*m_harness);
    m_harness.reset();
    m_device = nullptr;
    Clear();
  }

  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    std::lock_guard<std::mutex> lock(m_lock);
    if (payload->kind == kBookOpLoad) {
      std::unique_ptr<MediaFileList> batch(static_cast<MediaFileList*>(payload->item));
      for (MediaFileRecord* book : *batch) {
        m_loaded.push_back(*book);
        delete book;
      }
    } else if (payload->kind == kBookOpAdd || payload->kind == kBookOpDelete) {
      std::unique_ptr<MediaFileRecord> book(static_cast<MediaFileRecord*>(payload->item));
      if (book) (payload->kind == kBookOpAdd ? m_added : m_deleted).push_back(*book);
    }
    std::free(payload);
    return 0;
  }

  // Starts an operation and waits for its end: the number of items that failed.
  int64_t Run(const char* name, int64_t code, void* data = nullptr, const wchar_t* folder = nullptr,
              int64_t value = 0) {
    Clear();
    EXPECT_NE(SendOperation(*m_harness, name, kPhone, code, data, folder, value), 0);
    const int64_t failed = m_ends.Wait();
    EXPECT_NE(failed, -1) << "no end of the operation";
    return failed;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_loaded.clear();
    m_added.clear();
    m_deleted.clear();
    m_ends.Clear();
  }

  std::filesystem::path m_folder;
  std::filesystem::path m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  DeviceRecord* m_device = nullptr;
  std::mutex m_lock;
  std::vector<MediaFileRecord> m_loaded, m_added, m_deleted;
  OperationEnds m_ends;
};

TEST_F(CourierBooks, ShippedBooksListWithTheirDetailsAndExportByteForByte) {
  StartService();
  EXPECT_EQ(m_device->counts[kKindBooks].load(), 2u) << "a book without a shipped file is not served";
  EXPECT_EQ(Run(kCourierDoEbook, kBookOpLoad), 0);
  ASSERT_EQ(m_loaded.size(), 2u);
  EXPECT_EQ(m_loaded[0].title, L"Emma");
  EXPECT_EQ(m_loaded[0].artist, L"Jane Austen");
  EXPECT_EQ(m_loaded[0].format, L".epub");
  EXPECT_EQ(m_loaded[0].sizeBytes, static_cast<int64_t>(ReadAll(m_folder / "data" / "a.epub").size()))
      << "the file's own size, not the data file's";
  EXPECT_EQ(m_loaded[1].format, L".pdf");
  EXPECT_EQ(m_loaded[1].name, L"Odysseia");

  auto* list = new ExportList;
  for (const MediaFileRecord& book : m_loaded) list->push_back(new ExportRecord(MakeExportRecord(book)));
  const std::vector<MediaFileRecord> books = m_loaded;
  const std::wstring out = (m_folder / "out").wstring();
  EXPECT_EQ(Run(kCourierDoFile, kFileOpExport, list, out.c_str(), kKindBooks), 0);
  EXPECT_TRUE(ReadAll(m_folder / "out" / "Emma.epub") == ReadAll(m_folder / "data" / "a.epub"));
  EXPECT_TRUE(ReadAll(m_folder / "out" / "Odysseia.pdf") == ReadAll(m_folder / "data" / "b.pdf"));
  // A second export never writes over the first.
  list = new ExportList{new ExportRecord(MakeExportRecord(books[0]))};
  EXPECT_EQ(Run(kCourierDoFile, kFileOpExport, list, out.c_str(), kKindBooks), 0);
  EXPECT_TRUE(ReadAll(m_folder / "out" / "Emma.epub") == ReadAll(m_folder / "data" / "a.epub"));
}

TEST_F(CourierBooks, AddsReadTheBooksOwnTitleRefuseWhatIsNoBookAndChangesAreKept) {
  StartService();
  std::ofstream(m_folder / "in" / "empty.epub", std::ios::binary);
  std::ofstream(m_folder / "in" / "letter.epub", std::ios::binary) << "Dear Anna, the books follow.";
  std::ofstream(m_folder / "in" / "notes.txt", std::ios::binary) << "Shopping: bread, milk.";
  auto* paths = new PathList{(m_folder / "in" / "empty.epub").wstring(), (m_folder / "in" / "Ilias.epub").wstring(),
                             (m_folder / "in" / "letter.epub").wstring(), (m_folder / "in" / "notes.txt").wstring()};
  EXPECT_EQ(Run(kCourierDoEbook, kBookOpAdd, paths), 2);
  EXPECT_NE(m_ends.LastText().find(L"letter.epub"), std::wstring::npos) << "the last refusal is told";
  ASSERT_EQ(m_added.size(), 2u);
  EXPECT_EQ(m_added[0].title, L"Ἰλιάς") << "from the EPUB's package document";
  EXPECT_EQ(m_added[0].artist, L"Ὅμηρος");
  EXPECT_EQ(m_added[1].format, L".txt");

  MediaFileRecord gone;
  gone.identifier = L"b1";
  gone.rowIndex = 0;
  EXPECT_EQ(Run(kCourierDoEbook, kBookOpDelete, new MediaFileList{&gone}), 0);
  ASSERT_EQ(m_deleted.size(), 1u);
  EXPECT_EQ(m_deleted[0].rowIndex, 0);

  StopService();
  StartService();
  EXPECT_EQ(m_device->counts[kKindBooks].load(), 3u);
  EXPECT_EQ(Run(kCourierDoEbook, kBookOpLoad), 0);
  ASSERT_EQ(m_loaded.size(), 3u) << "the adds and the delete were kept";
  EXPECT_EQ(m_loaded[0].identifier, L"b2");
  EXPECT_EQ(m_loaded[1].title, L"Ἰλιάς");
}

}  // namespace
