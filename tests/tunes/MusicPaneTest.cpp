// The music pane through its plug-in edge: songs streamed in with their texts, the playlists
// beside them and the songs of the one chosen, the search over titles, artists and albums, and
// the requests its buttons post with their lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"
#include "kit/BASMediaFilePane.h"
#include "tests/harness/FilePaneFixture.h"
#include "tests/harness/ModuleHarness.h"

namespace {

MediaFileRecord* Song(const std::wstring& id, const std::wstring& title, const std::wstring& artist) {
  auto* song = new MediaFileRecord;
  song->identifier = id;
  song->name = id;
  song->title = title;
  song->artist = artist;
  song->format = L".mp3";
  song->durationMs = 187000;
  return song;
}

class MusicPane : public FilePaneFixture {
 protected:
  static void SetUpTestSuite() { LoadModule(L"libTunes"); }
  static void TearDownTestSuite() { UnloadModule(); }
  void SetUp() override {
    MakePane({kTunesCreateWindow, kTunesShowWindow, kTunesDoMusic, L"DhMusicDelegate"});
    if (HasFatalFailure()) return;
    MediaFileList songs{Song(L"s1", L"Harbour Lights", L"The Tidewater Set"),
                        Song(L"s2", L"Northbound", L"The Tidewater Set"), Song(L"s3", L"Desert Wind", L"Layla Haddad")};
    Send(kTunesAddMusic, kAddMediaAppend, &songs);
    auto* playlist = new PlaylistRecord;
    playlist->identifier = L"pl1";
    playlist->name = L"Morning";
    playlist->members = {L"s3"};
    PlaylistList playlists{playlist};  // the pane's now
    Send(kTunesDoMusic, kMusicPanePlaylists, &playlists);
    Pump();
  }
  // Songs given to playlists are counted as a delete's are; a new playlist is named.
  void OtherRequest(CommandRecord& record) override {
    if (record.code == kMusicRequestAddToPlaylists) {
      std::unique_ptr<MediaFileList> songs(static_cast<MediaFileList*>(record.data));
      for (MediaFileRecord* song : *songs) m_rows.push_back(song->rowIndex);
    } else if (record.code == kMusicRequestCreatePlaylist) {
      std::unique_ptr<PlaylistRecord> playlist(static_cast<PlaylistRecord*>(record.data));
      m_playlistNames.push_back(playlist->name);
    }
  }

  std::vector<std::wstring> m_playlistNames;
};

TEST_F(MusicPane, SearchesTitlesAndArtistsAndPostsItsListsBottomRowFirst) {
  ASSERT_EQ(Rows(), 3);
  Search(L"TIDEWATER");
  EXPECT_EQ(Rows(), 2) << "the artist, whatever its case";
  Search(L"desert");
  EXPECT_EQ(Rows(), 1);
  Search(L"");
  ASSERT_EQ(Rows(), 3);
  // Row 0 is checked as the first selected; check row 2 too.
  SendMessageW(m_list, WM_KEYDOWN, VK_END, 0);
  ListView_SetItemState(m_list, 2, LVIS_SELECTED, LVIS_SELECTED);
  Pump();
  Button(kMediaDeleteId);
  ASSERT_FALSE(m_codes.empty());
  EXPECT_EQ(m_codes.back(), kMediaRequestDelete);
  ASSERT_GE(m_rows.size(), 1u);
  for (size_t i = 1; i < m_rows.size(); ++i) EXPECT_GT(m_rows[i - 1], m_rows[i]) << "bottom row first";
  Button(kMediaExportId);
  EXPECT_EQ(m_codes.back(), kMediaRequestExport);
  EXPECT_EQ(m_counts.back(), static_cast<int64_t>(m_fileNames.size()));
  for (const std::wstring& name : m_fileNames) EXPECT_EQ(name.substr(name.size() - 4), L".mp3");
  Button(5008);  // To Playlist
  EXPECT_EQ(m_codes.back(), kMusicRequestAddToPlaylists);
}

TEST_F(MusicPane, APlaylistJoinedLeftRenamedAndDeletedChangesWhatItLists) {
  // A song joins "Morning": the pane's own copy of the playlist takes it in.
  PlaylistRecord morning;
  morning.identifier = L"pl1";
  MediaFileRecord song;
  song.identifier = L"s1";
  song.playlist = &morning;
  Send(kTunesDoMusic, kMusicPaneJoined, &song);
  // Deleting the playlist while all songs are shown leaves every song listed.
  Send(kTunesDoMusic, kMusicPaneDeleted, &morning);
  Search(L"");
  EXPECT_EQ(Rows(), 3);
  // A removed song goes from the list.
  MediaFileRecord* gone = Song(L"s2", L"", L"");
  gone->rowIndex = 1;
  Send(kTunesDeleteMusic, 0, gone);
  EXPECT_EQ(Rows(), 2);
  delete gone;
}

}  // namespace
