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
#include "contracts/MessageLoop.h"
#include "kit/BASMediaFilePane.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

namespace {

std::unique_ptr<ModuleHarness> g_harness;
std::unique_ptr<GdiplusSession> g_gdiplus;

class NoLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter*) override { return true; }
  bool RemoveMessageFilter(CMessageFilter*) override { return true; }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

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

class MusicPane : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_gdiplus = std::make_unique<GdiplusSession>();
    g_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(g_harness->Load(ModuleHarness::PluginPath(L"libTunes"))) << g_harness->LoadError();
  }
  static void TearDownTestSuite() {
    g_harness.reset();
    g_gdiplus.reset();
  }
  void SetUp() override {
    m_parent.Create(nullptr, L"TunesTestParent", L"wizard", WS_POPUP | WS_VISIBLE, 0, MakeRect(20, 20, 1000, 600));
    ASSERT_TRUE(m_parent.Hwnd()) << "no display";
    CommandRecord create;
    create.window = m_parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&m_loop);
    g_harness->Send(kTunesCreateWindow, create);
    m_pane = FindWindowExW(m_parent.Hwnd(), nullptr, L"DhMusicDelegate", nullptr);
    ASSERT_TRUE(m_pane);
    m_list = GetDlgItem(m_pane, kMediaListId);
    CommandRecord show;
    show.window = m_parent.Hwnd();
    g_harness->Send(kTunesShowWindow, show);
    g_harness->SetHook(kTunesDoMusic, [this](CommandRecord& record) {
      m_codes.push_back(record.code);
      m_counts.push_back(record.count);
      if (record.code == kMediaRequestDelete || record.code == kMusicRequestAddToPlaylists) {
        std::unique_ptr<MediaFileList> songs(static_cast<MediaFileList*>(record.data));
        for (MediaFileRecord* song : *songs) m_rows.push_back(song->rowIndex);
      } else if (record.code == kMusicRequestCreatePlaylist) {
        std::unique_ptr<PlaylistRecord> playlist(static_cast<PlaylistRecord*>(record.data));
        m_names.push_back(playlist->name);
      } else if (record.code == kMediaRequestExport) {
        std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
        for (ExportRecord* item : *exports) {
          m_names.push_back(item->fileName);
          delete item;
        }
      }
      return 0;
    });
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
  void TearDown() override {
    g_harness->SetHook(kTunesDoMusic, nullptr);
    m_parent.Destroy();
    Pump();
  }
  void Send(const char* name, int64_t code = 0, void* payload = nullptr) {
    CommandRecord record;
    record.window = m_parent.Hwnd();
    record.code = code;
    record.payload = payload;
    g_harness->Send(name, record);
  }
  void Button(int id) {
    SendMessageW(m_pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_pane, id)));
    Pump();
  }
  int Rows() const { return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)); }
  void Search(const wchar_t* text) {
    SetWindowTextW(GetDlgItem(m_pane, kMediaSearchEditId), text);
    Button(kMediaSearchButtonId);
  }

  ProbeWindow m_parent;
  NoLoop m_loop;
  HWND m_pane = nullptr;
  HWND m_list = nullptr;
  std::vector<int64_t> m_codes;
  std::vector<int64_t> m_counts;
  std::vector<int32_t> m_rows;
  std::vector<std::wstring> m_names;
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
  EXPECT_EQ(m_counts.back(), static_cast<int64_t>(m_names.size()));
  for (const std::wstring& name : m_names) EXPECT_EQ(name.substr(name.size() - 4), L".mp3");
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
