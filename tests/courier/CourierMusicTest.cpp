// The phones' songs and playlists as the device service serves them through its plug-in edge:
// the songs with their tags then the playlists, adds that refuse what is no song, playlist
// changes kept across a restart, a deleted song that leaves its playlists, and exports.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
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
constexpr wchar_t kPhone[] = L"PH-M";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Notice {
  uint32_t kind = 0;
  std::vector<MediaFileRecord> songs;
  std::vector<PlaylistRecord> playlists;
};

class CourierMusic : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::path(TempFolder()) / ("music-" + std::to_string(GetTickCount64()));
    for (const char* sub : {"state", "data", "in", "out"}) std::filesystem::create_directories(m_folder / sub);
    const std::filesystem::path media =
        std::filesystem::path(ModuleHarness::PluginPath(L"libCourier")).parent_path() / "media";
    std::filesystem::copy_file(media / "harbour-lights.mp3", m_folder / "data" / "a.mp3");
    std::filesystem::copy_file(media / "cafe-de-la-gare.m4a", m_folder / "data" / "b.m4a");
    std::filesystem::copy_file(media / "kalokairi.mp3", m_folder / "in" / "Sommer.mp3");
    std::filesystem::copy_file(media / "kerzen.webm", m_folder / "data" / "v.webm");
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_folder / "state").wstring().c_str());
    m_dataFile = m_folder / "data" / "phones.json";
    std::ofstream(m_dataFile, std::ios::binary) << OnePhoneData(
        "PH-M",
        ", \"music\": ["
        "{\"id\": \"s1\", \"title\": \"Harbour Lights\", \"durationSec\": 6, \"sizeBytes\": 1, \"phonePath\": "
        "\"/sdcard/Music/Harbour.mp3\", \"file\": \"a.mp3\"},"
        "{\"id\": \"s2\", \"title\": \"Cafe\", \"durationSec\": 6, \"sizeBytes\": 1, \"phonePath\": "
        "\"/sdcard/Music/Cafe.m4a\", \"file\": \"b.m4a\"}],"
        "\"playlists\": [{\"id\": \"pl1\", \"name\": \"Morning\", \"songs\": [\"s2\", \"s1\"]}],"
        "\"videos\": [{\"id\": \"v1\", \"title\": \"Kerzen\", \"durationSec\": 1, \"width\": 1, \"height\": 1, "
        "\"sizeBytes\": 1, \"phonePath\": \"/sdcard/DCIM/Kerzen.webm\", \"file\": \"v.webm\"}]");
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
    m_harness->SetHook(kCourierDoMusic, [this](CommandRecord& record) { return Take(record); });
    m_harness->SetHook(kCourierDoVideo, [this](CommandRecord& record) { return Take(record); });
    m_ends.Attach(*m_harness);
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

  int32_t Take(CommandRecord& record) {
    auto* payload = static_cast<NotificationPayload*>(record.payload);
    if (payload == nullptr) return 0;
    Notice notice;
    notice.kind = payload->kind;
    if (payload->kind == kMusicOpLoad || payload->kind == kVideoOpLoad) {
      std::unique_ptr<MediaFileList> batch(static_cast<MediaFileList*>(payload->item));
      for (MediaFileRecord* song : *batch) {
        notice.songs.push_back(*song);
        delete song;
      }
    } else if (payload->kind == kMusicNoticePlaylists) {
      std::unique_ptr<PlaylistList> batch(static_cast<PlaylistList*>(payload->item));
      for (PlaylistRecord* playlist : *batch) {
        notice.playlists.push_back(*playlist);
        delete playlist;
      }
    } else if (payload->kind >= kMusicNoticeCreated && payload->kind <= kMusicNoticeDeleted) {
      std::unique_ptr<PlaylistRecord> playlist(static_cast<PlaylistRecord*>(payload->item));
      if (playlist) notice.playlists.push_back(*playlist);
    } else if (payload->item != nullptr && payload->kind != kVideoNoticeJobEnded) {
      std::unique_ptr<MediaFileRecord> song(static_cast<MediaFileRecord*>(payload->item));
      notice.songs.push_back(*song);
    }
    std::free(payload);
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.push_back(std::move(notice));
    return 0;
  }

  // Waits for the end of the operation started now: the number of items that failed.
  int64_t Run(const char* name, int64_t code, void* data = nullptr, const wchar_t* folder = nullptr,
              int64_t value = 0) {
    Clear();
    EXPECT_NE(SendOperation(*m_harness, name, kPhone, code, data, folder, value), 0);
    const int64_t failed = m_ends.Wait();
    EXPECT_NE(failed, -1) << "no end of the operation";
    return failed;
  }
  std::vector<Notice> Notices(uint32_t kind) {
    std::lock_guard<std::mutex> lock(m_lock);
    std::vector<Notice> found;
    for (const Notice& n : m_notices)
      if (n.kind == kind) found.push_back(n);
    return found;
  }
  std::vector<MediaFileRecord> Songs() {
    std::vector<MediaFileRecord> songs;
    for (const Notice& n : Notices(static_cast<uint32_t>(kMusicOpLoad)))
      songs.insert(songs.end(), n.songs.begin(), n.songs.end());
    return songs;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_notices.clear();
    m_ends.Clear();
  }

  std::filesystem::path m_folder;
  std::filesystem::path m_dataFile;
  std::unique_ptr<ModuleHarness> m_harness;
  std::mutex m_lock;
  std::vector<Notice> m_notices;
  OperationEnds m_ends;
};

TEST_F(CourierMusic, SongsComeWithTheirTagsThenThePlaylistsAndExportByteForByte) {
  StartService();
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpLoad), 0);
  const std::vector<MediaFileRecord> songs = Songs();
  ASSERT_EQ(songs.size(), 2u);
  EXPECT_EQ(songs[0].title, L"Harbour Lights");
  EXPECT_EQ(songs[0].artist, L"The Tidewater Set") << "from the file's ID3 tag";
  EXPECT_EQ(songs[0].format, L".mp3");
  EXPECT_GT(songs[0].durationMs, 5000);
  EXPECT_EQ(songs[1].album, L"Rue des Tanneurs") << "from the M4A's ilst";
  const auto playlists = Notices(kMusicNoticePlaylists);
  ASSERT_EQ(playlists.size(), 1u);
  ASSERT_EQ(playlists[0].playlists.size(), 1u);
  EXPECT_EQ(playlists[0].playlists[0].members, (std::set<std::wstring>{L"s1", L"s2"}));

  auto* list = new ExportList;
  for (const MediaFileRecord& song : songs) list->push_back(new ExportRecord(MakeExportRecord(song)));
  const std::wstring out = (m_folder / "out").wstring();
  EXPECT_EQ(Run(kCourierDoFile, kFileOpExport, list, out.c_str(), kKindMusic), 0);
  EXPECT_TRUE(ReadAll(m_folder / "out" / "Harbour.mp3") == ReadAll(m_folder / "data" / "a.mp3"));
  EXPECT_TRUE(ReadAll(m_folder / "out" / "Cafe.m4a") == ReadAll(m_folder / "data" / "b.m4a"));
  // The folder went before the export: both fail with a line that says so.
  list = new ExportList{new ExportRecord(MakeExportRecord(songs[0])), new ExportRecord(MakeExportRecord(songs[1]))};
  const std::wstring gone = (m_folder / "gone").wstring();
  EXPECT_EQ(Run(kCourierDoFile, kFileOpExport, list, gone.c_str(), kKindMusic), 2);
  EXPECT_NE(m_ends.LastText().find(L"is not there"), std::wstring::npos);

  EXPECT_EQ(Run(kCourierDoVideo, kVideoOpLoad), 0);
  const auto videos = Notices(static_cast<uint32_t>(kVideoOpLoad));
  ASSERT_EQ(videos.size(), 1u);
  EXPECT_EQ(videos[0].songs[0].width, 720);
  EXPECT_EQ(videos[0].songs[0].durationMs, 18000);
}

TEST_F(CourierMusic, BadSongsFailPlaylistChangesStayAndADeletedSongLeavesItsPlaylists) {
  StartService();
  const std::string mp3 = ReadAll(m_folder / "in" / "Sommer.mp3");
  std::ofstream(m_folder / "in" / "cut.mp3", std::ios::binary) << mp3.substr(0, 50);
  std::ofstream(m_folder / "in" / "empty.mp3", std::ios::binary);
  std::ofstream(m_folder / "in" / "letter.mp3", std::ios::binary) << "Dear Anna, the songs follow.";
  auto* paths = new PathList{(m_folder / "in" / "cut.mp3").wstring(), (m_folder / "in" / "Sommer.mp3").wstring(),
                             (m_folder / "in" / "empty.mp3").wstring(), (m_folder / "in" / "letter.mp3").wstring()};
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpAdd, paths), 3);
  const auto added = Notices(static_cast<uint32_t>(kMusicOpAdd));
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(added[0].songs[0].title, L"Καλοκαίρι");
  const std::wstring newSong = added[0].songs[0].identifier;

  PlaylistRecord create;
  create.name = L"Evening";
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpCreatePlaylist, &create), 0);
  const auto created = Notices(kMusicNoticeCreated);
  ASSERT_EQ(created.size(), 1u);
  const std::wstring evening = created[0].playlists[0].identifier;
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpCreatePlaylist, &create), 1) << "a second playlist of that name";

  MediaFileRecord s1, fresh;
  s1.identifier = L"s1";
  fresh.identifier = newSong;
  MediaFileList songs{&s1, &fresh};
  PlaylistRecord target;
  target.identifier = evening;
  target.pendingSongs = &songs;
  PlaylistList targets{&target};
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpAddToPlaylists, &targets), 0);
  EXPECT_EQ(Notices(kMusicNoticeJoined).size(), 2u);
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpAddToPlaylists, &targets), 0);
  EXPECT_TRUE(Notices(kMusicNoticeJoined).empty()) << "already there";

  PlaylistRecord rename;
  rename.identifier = L"pl1";
  rename.name = L"Run";
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpChangePlaylist, &rename), 0);
  ASSERT_EQ(Notices(kMusicNoticeRenamed).size(), 1u);

  // s1 goes: it leaves "Run" and "Evening".
  MediaFileRecord gone;
  gone.identifier = L"s1";
  gone.rowIndex = 0;
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpDelete, new MediaFileList{&gone}), 0);
  StopService();
  StartService();
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpLoad), 0);
  EXPECT_EQ(Songs().size(), 2u) << "the add and the delete were kept";
  const auto playlists = Notices(kMusicNoticePlaylists);
  ASSERT_EQ(playlists.size(), 1u);
  ASSERT_EQ(playlists[0].playlists.size(), 2u);
  EXPECT_EQ(playlists[0].playlists[0].name, L"Run");
  EXPECT_EQ(playlists[0].playlists[0].members, (std::set<std::wstring>{L"s2"}));
  EXPECT_EQ(playlists[0].playlists[1].members, (std::set<std::wstring>{newSong}));

  PlaylistRecord remove;
  remove.identifier = L"pl1";
  EXPECT_EQ(Run(kCourierDoMusic, kMusicOpChangePlaylist, &remove), 0);
  EXPECT_EQ(Notices(kMusicNoticeDeleted).size(), 1u);
}

}  // namespace
