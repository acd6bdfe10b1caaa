// The phones' songs and videos as files: what the tag and box readers find in the shipped demo
// files and in damaged ones, and the music library's playlists, which survive restarts and never
// keep a song the phone no longer holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "modules/courier/MusicLibrary.h"
#include "modules/courier/VideoLibrary.h"
#include "modules/courier/formats/MediaTags.h"
#include "tests/courier/CourierTestPaths.h"

namespace {

const std::filesystem::path kMedia = ShippedDemoDataFile().parent_path() / "media";

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

MediaTags TagsOf(const std::string& bytes) {
  MemorySource source(bytes.data(), bytes.size());
  return ReadMediaTags(source);
}

TEST(MediaTags, TheShippedFilesSayWhatTheyAre) {
  const MediaTags v4 = ReadMediaFile(kMedia / "belye-nochi.mp3");  // ID3v2.4, UTF-8, Info header
  ASSERT_TRUE(v4.ok()) << v4.problem;
  EXPECT_EQ(v4.container, MediaContainer::kMp3);
  EXPECT_EQ(v4.title, L"Белые ночи");
  EXPECT_EQ(v4.artist, L"Ансамбль Невский");
  EXPECT_EQ(v4.album, L"Ленинградский вокзал");
  EXPECT_NEAR(static_cast<double>(v4.durationMs), 7000, 40);
  const MediaTags v3 = ReadMediaFile(kMedia / "kalokairi.mp3");  // ID3v2.3, UTF-16 with BOM
  EXPECT_EQ(v3.title, L"Καλοκαίρι");
  const MediaTags v1 = ReadMediaFile(kMedia / "morning-run-mix.mp3");  // only ID3v1 at the end
  ASSERT_TRUE(v1.ok()) << v1.problem;
  EXPECT_EQ(v1.title, L"Morning Run Mix");
  EXPECT_EQ(v1.artist, L"DJ Kestrel");

  const MediaTags m4a = ReadMediaFile(kMedia / "cafe-de-la-gare.m4a");
  ASSERT_TRUE(m4a.ok()) << m4a.problem;
  EXPECT_EQ(m4a.extension, L".m4a");
  EXPECT_TRUE(m4a.hasAudio && !m4a.hasVideo);
  EXPECT_EQ(m4a.title, L"Café de la Gare");
  EXPECT_EQ(m4a.album, L"Rue des Tanneurs");
  EXPECT_EQ(m4a.durationMs, 226000);

  const MediaTags mp4 = ReadMediaFile(kMedia / "sunrise-run.mp4");
  ASSERT_TRUE(mp4.ok()) << mp4.problem;
  EXPECT_TRUE(mp4.hasVideo);
  EXPECT_EQ(mp4.width, 1920u);
  EXPECT_EQ(mp4.height, 1080u);
  EXPECT_EQ(mp4.durationMs, 42000);
  const MediaTags webm = ReadMediaFile(kMedia / "kerzen.webm");
  ASSERT_TRUE(webm.ok()) << webm.problem;
  EXPECT_EQ(webm.extension, L".webm");
  EXPECT_EQ(webm.width, 720u);
  EXPECT_EQ(webm.height, 1280u);
  EXPECT_EQ(webm.durationMs, 18000);
  EXPECT_EQ(webm.title, L"Kerzen auspusten");
}

TEST(MediaTags, EmptyTextAndCutFilesAreRefusedWithAClearLine) {
  EXPECT_EQ(TagsOf("").problem, "the file is empty");
  EXPECT_FALSE(TagsOf("Dear Anna,\nthe songs follow.\n").ok());
  const std::string mp3 = ReadAll(kMedia / "harbour-lights.mp3");
  EXPECT_EQ(TagsOf(mp3.substr(0, 60)).problem, "the file is cut short (it ends too early)") << "inside the tag";
  EXPECT_EQ(TagsOf(mp3.substr(0, mp3.size() / 2)).problem, "the file is cut short (it ends too early)")
      << "the Info header counts more bytes than are there";
  const std::string mp4 = ReadAll(kMedia / "radtour.mp4");
  EXPECT_EQ(TagsOf(mp4.substr(0, mp4.size() - 300)).problem, "the file is cut short (it ends too early)");
  const std::string webm = ReadAll(kMedia / "kerzen.webm");
  EXPECT_FALSE(TagsOf(webm.substr(0, 90)).ok());
  // Lengths that point far past the end never make the reader read there.
  std::string huge = mp4;
  huge[24] = '\x7F';
  EXPECT_FALSE(TagsOf(huge).ok());
}

class MusicFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() /
               ("music-library-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder / "in");
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  DemoPhone Phone() const {
    DemoPhone phone;
    phone.identifier = L"PH1";
    const char* files[] = {"harbour-lights.mp3", "northbound.mp3", "cafe-de-la-gare.m4a"};
    for (int i = 0; i < 3; ++i) {
      DemoSong song;
      song.identifier = L"s" + std::to_wstring(i + 1);
      song.title = L"Song " + std::to_wstring(i + 1);
      song.phonePath = L"/sdcard/Music/" + std::to_wstring(i + 1) + (i == 2 ? L".m4a" : L".mp3");
      song.file = kMedia / files[i];
      phone.songs.push_back(song);
    }
    DemoSong noFile;  // named by the data, but no file: not on the phone
    noFile.identifier = L"s9";
    phone.songs.push_back(noFile);
    phone.playlists.push_back({L"pl1", L"Morning", {L"s3", L"s1", L"s9"}});
    return phone;
  }
  std::filesystem::path In(const std::string& name, const std::string& bytes) {
    const std::filesystem::path path = m_folder / "in" / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  std::filesystem::path m_folder;
};

TEST_F(MusicFiles, PlaylistsKeepOnlySongsThePhoneHoldsAndSurviveARestart) {
  const std::filesystem::path folder = m_folder / "PH1.music";
  std::string error;
  {
    MusicLibrary music;
    ASSERT_TRUE(music.Open(Phone(), folder, error)) << error;
    ASSERT_EQ(music.Items().size(), 3u);
    EXPECT_EQ(music.Items()[0].title, L"Song 1") << "what the phone knows wins over the file's tag";
    EXPECT_GT(music.Items()[0].durationMs, 5000);
    ASSERT_EQ(music.Playlists().size(), 1u);
    EXPECT_EQ(music.Playlists()[0].songs, (std::vector<std::wstring>{L"s3", L"s1"})) << "s9 has no file";

    std::wstring problem;
    StoredPlaylist created;
    ASSERT_TRUE(music.CreatePlaylist(L"Evening", created, problem)) << problem.size();
    EXPECT_FALSE(music.CreatePlaylist(L"evening", created, problem)) << "names differ in more than case";
    EXPECT_FALSE(music.CreatePlaylist(L"  ", created, problem));
    const std::wstring evening = music.Playlists()[1].identifier;
    EXPECT_EQ(music.AddToPlaylist(evening, {L"s2", L"s1", L"s2", L"nope"}, problem),
              (std::vector<std::wstring>{L"s2", L"s1"}));
    EXPECT_TRUE(music.AddToPlaylist(evening, {L"s1"}, problem).empty()) << "already there: nothing joins";
    EXPECT_TRUE(music.RenamePlaylist(L"pl1", L"Run", problem));
    std::wstring gone;
    ASSERT_TRUE(music.Remove(L"s1", gone));
    EXPECT_EQ(music.DropSong(L"s1"), (std::vector<std::wstring>{L"pl1", evening}));
  }
  MusicLibrary again;
  ASSERT_TRUE(again.Open(Phone(), folder, error)) << error;
  ASSERT_EQ(again.Playlists().size(), 2u);
  EXPECT_EQ(again.Playlists()[0].name, L"Run");
  EXPECT_EQ(again.Playlists()[0].songs, (std::vector<std::wstring>{L"s3"}));
  EXPECT_EQ(again.Playlists()[1].songs, (std::vector<std::wstring>{L"s2"}));
  std::wstring problem;
  EXPECT_TRUE(again.DeletePlaylist(L"pl1", problem));
  EXPECT_FALSE(again.DeletePlaylist(L"pl1", problem));
}

TEST_F(MusicFiles, BadFilesAreRefusedNamedAndLeaveTheLibraryAsItWas) {
  std::string error;
  MusicLibrary music;
  ASSERT_TRUE(music.Open(Phone(), m_folder / "PH1.music", error));
  const std::string mp3 = ReadAll(kMedia / "harbour-lights.mp3");
  StoredMedia added;
  std::wstring problem;
  bool stopped = false;
  for (const auto& bad : {In("empty.mp3", ""), In("letter.mp3", "not a song at all, only words"),
                          In("cut.mp3", mp3.substr(0, mp3.size() / 3)), m_folder / "in" / "missing.mp3"}) {
    problem.clear();
    EXPECT_FALSE(music.Add(bad, L"", nullptr, added, problem, stopped)) << bad;
    EXPECT_NE(problem.find(bad.filename().wstring()), std::wstring::npos) << "the text names the file";
  }
  EXPECT_EQ(music.Items().size(), 3u);
  ASSERT_TRUE(music.Add(In("Hafen.mp3", mp3), L"2026-12-08 12:00", nullptr, added, problem, stopped));
  EXPECT_EQ(added.title, L"Harbour Lights") << "an added song's title comes from its tags";
  EXPECT_EQ(added.artist, L"The Tidewater Set");
  EXPECT_EQ(added.name, L"Hafen");

  VideoLibrary videos;
  ASSERT_TRUE(videos.Open(DemoPhone(), m_folder / "PH1.videos", error));
  EXPECT_FALSE(
      videos.Add(In("song.mp4", ReadAll(kMedia / "cafe-de-la-gare.m4a")), L"", nullptr, added, problem, stopped));
  EXPECT_NE(problem.find(L"no video"), std::wstring::npos);
  ASSERT_TRUE(videos.Add(In("Ride.mp4", ReadAll(kMedia / "radtour.mp4")), L"", nullptr, added, problem, stopped));
  EXPECT_EQ(added.width, 1280u);
  EXPECT_EQ(added.durationMs, 95000);
}

}  // namespace
