// The phones' photos as the device service serves them through its plug-in edge: the list in
// batches with each picture's facts, adds that check what they are given, exports (the one
// DO_FILE export of every media kind) that write byte-identical files and never overwrite,
// deletes, and all of it kept across a restart.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "contracts/PhotoRecords.h"
#include "tests/courier/CourierTestSupport.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr DWORD kWaitMs = 20000;
constexpr wchar_t kPhone[] = L"PH-1";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Notice {
  uint32_t kind = 0;
  int64_t taskId = 0;
  std::vector<PhotoRecord> photos;
};

struct Progress {
  bool finish = false;
  int64_t position = 0;
  int64_t total = 0;
  int64_t failed = 0;
  std::wstring text;
};

class CourierPhotos : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::path(TempFolder()) / ("photos-" + std::to_string(GetTickCount64()));
    std::filesystem::create_directories(m_folder / "state");
    std::filesystem::create_directories(m_folder / "data");
    std::filesystem::create_directories(m_folder / "in");
    const std::filesystem::path media =
        std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "media";
    std::filesystem::copy_file(media / "harbour-dawn.jpg", m_folder / "data" / "a.jpg");
    std::filesystem::copy_file(media / "poppy-field.png", m_folder / "data" / "b.png");
    std::filesystem::copy_file(media / "city-night.jpg", m_folder / "in" / "Nacht.jpg");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "state").wstring().c_str());
    m_dataFile = m_folder / "data" / "phones.json";
    std::ofstream(m_dataFile, std::ios::binary)
        << "{\"format\": 1, \"phones\": [{\"identifier\": \"PH-1\", \"displayName\": \"PH-1\", \"model\": \"M\", "
           "\"androidVersion\": \"13\", \"battery\": {\"percent\": 50}, \"phoneMemory\": {\"totalBytes\": 1, "
           "\"freeBytes\": 1}, \"storageMemory\": {\"totalBytes\": 0, \"freeBytes\": 0}, \"connection\": "
           "[{\"status\": 22}], \"photos\": ["
           "{\"id\": \"p1\", \"file\": \"a.jpg\", \"phonePath\": \"/sdcard/DCIM/IMG_1.jpg\", \"dateCreated\": "
           "\"2024-06-01 05:42\"},"
           "{\"id\": \"p2\", \"file\": \"b.png\", \"phonePath\": \"/sdcard/Pictures/Mohnfeld.png\", \"dateCreated\": "
           "\"2015-06-09 14:12\"}]}]}";
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
    m_harness->SetHook(kCourierDoPhoto, [this](CommandRecord& record) { return Take(record); });
    m_harness->SetHook(kCourierNotifyProgress, [this](CommandRecord& record) { return Note(record, false); });
    m_harness->SetHook(kCourierNotifyProgressFinish, [this](CommandRecord& record) { return Note(record, true); });
    Start(*m_harness);
    ASSERT_TRUE(m_harness->WaitForPost(kCourierReadyStartServer, kWaitMs));
    ASSERT_NE(GetDevice(*m_harness, kPhone), nullptr);
  }
  void StopService() {
    if (!m_harness) return;
    Destroy(*m_harness);
    m_harness.reset();
    Clear();
  }

  // As the host's last handler: copy what the notice says, then free it all.
  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    Notice notice;
    notice.kind = payload->kind;
    notice.taskId = payload->taskId;
    if (payload->kind == kPhotoOpLoad) {
      std::unique_ptr<PhotoList> batch(static_cast<PhotoList*>(payload->item));
      for (PhotoRecord* photo : *batch) {
        notice.photos.push_back(*photo);
        delete photo;
      }
    } else if (payload->kind == kPhotoOpAdd || payload->kind == kPhotoOpDelete) {
      std::unique_ptr<PhotoRecord> photo(static_cast<PhotoRecord*>(payload->item));
      if (photo) notice.photos.push_back(*photo);
    }
    std::free(payload);
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.push_back(std::move(notice));
    return 0;
  }
  int32_t Note(CommandRecord& record, bool finish) {
    Progress progress;
    progress.finish = finish;
    progress.position = record.position;
    progress.total = record.total;
    progress.failed = record.value;
    if (record.data != nullptr) progress.text = static_cast<const wchar_t*>(record.data);
    std::lock_guard<std::mutex> lock(m_lock);
    m_progress.push_back(progress);
    return 0;
  }

  int64_t Operation(const char* name, int64_t code, void* data = nullptr, const wchar_t* folder = nullptr) {
    CommandRecord record;
    record.code = code;
    record.text = kPhone;
    record.data = data;
    record.payload = const_cast<wchar_t*>(folder);
    record.value = std::strcmp(name, kCourierDoFile) == 0 ? kKindPhotos : 0;
    m_harness->Send(name, record);
    return record.value;
  }
  // The end of the next operation: its last progress report.
  Progress Finish() {
    const ULONGLONG end = GetTickCount64() + kWaitMs;
    while (GetTickCount64() < end) {
      {
        std::lock_guard<std::mutex> lock(m_lock);
        auto it = std::find_if(m_progress.begin(), m_progress.end(), [](const Progress& p) { return p.finish; });
        if (it != m_progress.end()) return *it;
      }
      Sleep(5);
    }
    ADD_FAILURE() << "no end of the operation";
    return Progress();
  }
  // The dialog adds up the failures each report brings.
  int64_t FailedTotal() {
    std::lock_guard<std::mutex> lock(m_lock);
    int64_t failed = 0;
    for (const Progress& p : m_progress) failed += p.failed;
    return failed;
  }
  std::vector<PhotoRecord> Photos(uint32_t kind) {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<PhotoRecord> found;
    for (const Notice& notice : m_notices)
      if (notice.kind == kind) found.insert(found.end(), notice.photos.begin(), notice.photos.end());
    return found;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.clear();
    m_progress.clear();
  }
  std::vector<PhotoRecord> Load() {
    Clear();
    EXPECT_NE(Operation(kCourierDoPhoto, kPhotoOpLoad), 0);
    const Progress end = Finish();
    EXPECT_EQ(end.position, end.total);
    return Photos(static_cast<uint32_t>(kPhotoOpLoad));
  }
  Progress Export(const std::vector<PhotoRecord>& photos, const std::filesystem::path& folder) {
    Clear();
    auto* list = new ExportList;
    for (const PhotoRecord& photo : photos) list->push_back(new ExportRecord(MakeExportRecord(photo)));
    const std::wstring target = folder.wstring();
    EXPECT_NE(Operation(kCourierDoFile, kFileOpExport, list, target.c_str()), 0);
    return Finish();
  }

  std::filesystem::path m_folder;
  std::filesystem::path m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  std::mutex m_lock;
  std::vector<Notice> m_notices;
  std::vector<Progress> m_progress;
};

TEST_F(CourierPhotos, TheListGivesEachPictureItsFactsAndExportsAreTheSameBytesUnderFreeNames) {
  StartService();
  const std::vector<PhotoRecord> photos = Load();
  ASSERT_EQ(photos.size(), 2u);
  EXPECT_EQ(photos[0].name, L"IMG_1");
  EXPECT_EQ(photos[0].format, L".jpg");
  EXPECT_EQ(photos[0].extraText, L"192 x 144");
  EXPECT_FALSE(photos[0].sizeText.empty());
  EXPECT_EQ(photos[1].format, L".png");
  EXPECT_EQ(photos[1].dateCreated, L"2015-06-09 14:12");
  EXPECT_EQ(GetDevice(*m_harness, kPhone)->counts[kKindPhotos].load(), 2u);

  const std::filesystem::path out = m_folder / "out";
  std::filesystem::create_directories(out);
  Progress end = Export(photos, out);
  EXPECT_EQ(end.position, 2) << std::string(end.text.begin(), end.text.end());
  EXPECT_EQ(FailedTotal(), 0);
  EXPECT_TRUE(ReadAll(out / "IMG_1.jpg") == ReadAll(m_folder / "data" / "a.jpg"));
  EXPECT_TRUE(ReadAll(out / "Mohnfeld.png") == ReadAll(m_folder / "data" / "b.png"));
  end = Export({photos[0]}, out);
  EXPECT_EQ(FailedTotal(), 0);
  EXPECT_TRUE(ReadAll(out / "IMG_1 (2).jpg") == ReadAll(m_folder / "data" / "a.jpg")) << "never over the first";

  // A folder that went before the export: every photo fails, with one line saying why.
  end = Export(photos, m_folder / "gone");
  EXPECT_EQ(FailedTotal(), 2);
  EXPECT_NE(end.text.find(L"is not there"), std::wstring::npos);
  // A photo deleted since the list was loaded fails alone.
  PhotoRecord stale = photos[1];
  stale.number = 999;
  end = Export({photos[0], stale}, out);
  EXPECT_EQ(end.position, 2);
  EXPECT_EQ(FailedTotal(), 1) << "the dialog then shows one of two done";
}

TEST_F(CourierPhotos, AddsTakeWholePicturesOnlyAndEveryChangeIsKeptAcrossARestart) {
  StartService();
  std::ofstream(m_folder / "in" / "letter.jpg", std::ios::binary) << "Dear Anna, the pictures follow.";
  std::ofstream(m_folder / "in" / "empty.png", std::ios::binary);
  const std::string night = ReadAll(m_folder / "in" / "Nacht.jpg");
  std::ofstream(m_folder / "in" / "cut.jpg", std::ios::binary) << night.substr(0, night.size() / 2);
  auto* paths = new PathList{(m_folder / "in" / "letter.jpg").wstring(), (m_folder / "in" / "Nacht.jpg").wstring(),
                             (m_folder / "in" / "empty.png").wstring(), (m_folder / "in" / "cut.jpg").wstring()};
  Clear();
  EXPECT_NE(Operation(kCourierDoPhoto, kPhotoOpAdd, paths), 0);
  const Progress added = Finish();
  EXPECT_EQ(added.position, 4);
  EXPECT_EQ(FailedTotal(), 3) << "told once each, so the dialog counts three";
  EXPECT_FALSE(added.text.empty());
  const std::vector<PhotoRecord> news = Photos(static_cast<uint32_t>(kPhotoOpAdd));
  ASSERT_EQ(news.size(), 1u);
  EXPECT_EQ(news[0].name, L"Nacht");

  std::vector<PhotoRecord> photos = Load();
  ASSERT_EQ(photos.size(), 3u);
  PhotoRecord first = photos[0];
  first.rowIndex = 0;
  PhotoList checked = {&first};
  Clear();
  EXPECT_NE(Operation(kCourierDoPhoto, kPhotoOpDelete, new PhotoList(checked)), 0);
  Finish();
  EXPECT_EQ(FailedTotal(), 0);
  const std::vector<PhotoRecord> gone = Photos(static_cast<uint32_t>(kPhotoOpDelete));
  ASSERT_EQ(gone.size(), 1u);
  EXPECT_EQ(gone[0].identifier, L"p1");
  EXPECT_EQ(gone[0].rowIndex, 0) << "the pane finds its row by it";

  StopService();
  StartService();
  photos = Load();
  ASSERT_EQ(photos.size(), 2u);
  EXPECT_EQ(photos[0].identifier, L"p2");
  EXPECT_EQ(photos[1].name, L"Nacht");
  const std::filesystem::path out = m_folder / "out";
  std::filesystem::create_directories(out);
  Export(photos, out);
  EXPECT_TRUE(ReadAll(out / "Nacht.jpg") == night) << "what went in comes out";
}

}  // namespace
