// The music and video rows of the media controller, and the other kinds' table values, driven
// through the bus: in-process fakes play the device service, the music pane and the navigator;
// the real alerts and the real preview list run and are answered from a timer.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MediaRecords.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"
#include "host/dialogs/UiPreviewListDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/host/ControllerTestSupport.h"

using namespace dialogtest;
using namespace controllertest;

namespace {

constexpr int64_t kTask = 0x200000009LL;

struct Sent {
  std::string name;
  int64_t code = 0;
  int64_t value = 0;
  std::wstring text;
  std::wstring songId;                  // a song payload's identifier
  std::wstring playlistId;              // the song's playlist, or the playlist payload's
  std::vector<std::wstring> playlists;  // op 54: the playlists and
  std::vector<std::wstring> pending;    // the songs each is given
  SectionItemDescriptor item{};
};

std::vector<Sent> g_sent;
DeviceRecord* g_device = nullptr;
// The preview list's answers: the rows to check by name, or none for a bare OK; then OK.
std::deque<std::vector<std::wstring>> g_pickAnswers;
std::vector<std::vector<std::wstring>> g_pickRows;  // the rows each preview list showed

int32_t __cdecl FakeModules(CommandRecord* r) {
  Sent sent;
  sent.name = r->name;
  sent.code = r->code;
  sent.value = r->value;
  sent.text = r->text != nullptr ? r->text : L"";
  const std::string name = r->name;
  if (name == kCourierGetDevice) {
    if (g_device != nullptr && r->text != nullptr && g_device->identifier == r->text) r->payload = g_device;
  } else if (name == kNavigatorUpdateItem && r->payload != nullptr) {
    sent.item = *static_cast<SectionItemDescriptor*>(r->payload);
  } else if (name == kCourierDoMusic || name == kCourierDoVideo || name == kCourierDoApp) {
    r->value = kTask;
    if (r->code == kMusicOpAddToPlaylists)
      for (const PlaylistRecord* p : *static_cast<const PlaylistList*>(r->data)) {
        sent.playlists.push_back(p->identifier);
        for (const MediaFileRecord* song : *p->pendingSongs) sent.pending.push_back(song->identifier);
      }
    else if (r->code == kMusicOpDelete)
      delete static_cast<MediaFileList*>(r->data);
  } else if (name == kTunesDoMusic && r->payload != nullptr) {
    if (r->code == kMusicPaneJoined || r->code == kMusicPaneLeft) {
      const auto* song = static_cast<const MediaFileRecord*>(r->payload);
      sent.songId = song->identifier;
      sent.playlistId = song->playlist != nullptr ? song->playlist->identifier : L"";
    } else if (r->code == kMusicPanePlaylists) {
      for (PlaylistRecord* p : *static_cast<PlaylistList*>(r->payload)) {
        sent.playlists.push_back(p->identifier);
        delete p;  // the pane's now
      }
    }
  } else if (name == kTunesDeleteMusic) {
    sent.songId = static_cast<const MediaFileRecord*>(r->payload)->identifier;
  }
  g_sent.push_back(sent);
  return 0;
}

BOOL CALLBACK FindPreview(HWND hwnd, LPARAM found) {
  auto* dialog = dynamic_cast<UiPreviewListDialog*>(BASWindow::FromHandle(hwnd));
  if (dialog == nullptr || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<UiPreviewListDialog**>(found) = dialog;
  return FALSE;
}

BOOL CALLBACK FindOtherAlert(HWND hwnd, LPARAM found) {
  auto* alert = dynamic_cast<UiAlertDialog*>(BASWindow::FromHandle(hwnd));
  if (alert == nullptr || dynamic_cast<UiPreviewListDialog*>(alert) != nullptr || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<UiAlertDialog**>(found) = alert;
  return FALSE;
}

// Answers a preview list by checking rows through their clicks and pressing OK; other alerts as
// the shared answerer does. A preview list with no answers left is closed.
void CALLBACK AnswerDialogs(HWND, UINT, UINT_PTR, DWORD) {
  UiPreviewListDialog* preview = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindPreview, reinterpret_cast<LPARAM>(&preview));
  if (preview == nullptr) {
    AnswerAlerts(nullptr, 0, 0, 0);
    return;
  }
  // An alert over the preview list (its observer's) is answered first.
  UiAlertDialog* over = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindOtherAlert, reinterpret_cast<LPARAM>(&over));
  if (over != nullptr) {
    AnswerAlerts(nullptr, 0, 0, 0);
    return;
  }
  std::vector<std::wstring> rows;
  for (int row = 0; row < preview->List().RowCount(); ++row) rows.push_back(preview->List().RowText(row, 1));
  g_pickRows.push_back(rows);
  if (g_pickAnswers.empty()) {
    PostMessageW(preview->Hwnd(), WM_CLOSE, 0, 0);
    return;
  }
  const std::vector<std::wstring> wanted = g_pickAnswers.front();
  g_pickAnswers.pop_front();
  for (int row = 0; row < preview->List().RowCount(); ++row)
    for (const std::wstring& name : wanted)
      if (preview->List().RowText(row, 1) == name) preview->List().SetChecked(row, true);
  SendMessageW(preview->OkButton(), BM_CLICK, 0, 0);
}

class MusicController : public ::testing::Test {
 protected:
  static inline HWND s_view = nullptr, s_deviceView = nullptr, s_pane = nullptr;
  static inline UINT_PTR s_timer = 0;

  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZsMusicTestView";
    RegisterClassW(&wc);
    s_view = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 50, 50, 900, 600, nullptr, nullptr,
                             nullptr, nullptr);
    s_deviceView =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 68, 900, 530, s_view, nullptr, nullptr, nullptr);
    s_pane = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 217, 1, 600, 500, s_deviceView, nullptr, nullptr,
                             nullptr);
    Host().windows[kWindowMainView] = s_view;
    HWND key = reinterpret_cast<HWND>(0x7B01);
    Host().devices.BindWindow(key, s_deviceView);
    Host().devices.BindIdentifier(key, L"PHONE-M");
    CreateProgressDialogFor(s_deviceView);
    CreateHostDialogs(s_view);
    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* module = bus.AddModule(reinterpret_cast<HINSTANCE>(0x52000000), nullptr);
    module->moduleEntry = FakeModules;
    CommandRecord reg;
    for (const char* name :
         {kCourierGetDevice, kCourierDoMusic, kCourierDoVideo, kCourierDoApp, kCourierDoCancel, kNavigatorUpdateItem,
          kTunesGetListTaskId, kTunesClearData, kTunesSetListTaskId, kTunesAddMusic, kTunesDeleteMusic, kTunesDoMusic,
          kTunesGetPlaylistTaskId, kTunesSetPlaylistTaskId, kTunesClearPlaylistData, kMoviesAddVideo, kMoviesDoVideo})
      RegisterCommand(*module, reg, name);
    FillHandlerTable(bus);
    s_timer = SetTimer(nullptr, 0, 30, AnswerDialogs);
  }

  static void TearDownTestSuite() {
    KillTimer(nullptr, s_timer);
    DestroyHostDialogs();
    DestroyWindow(s_view);
  }

  void SetUp() override {
    ASSERT_NE(s_pane, nullptr) << "no display";
    m_device.identifier = L"PHONE-M";
    m_device.counts[kKindMusic] = 10;
    m_device.playlists.DeleteAll();
    m_device.playlists.push_back(Playlist(L"pl1", L"Morning run", {L"s1", L"s2"}));
    m_device.playlists.push_back(Playlist(L"pl2", L"Sunday coffee", {L"s2"}));
    m_device.playlists.push_back(Playlist(L"pl3", L"Road trip", {}));
    g_device = &m_device;
    g_sent.clear();
    g_alerts.clear();
    g_alertAnswers.clear();
    g_pickAnswers.clear();
    g_pickRows.clear();
  }

  void TearDown() override {
    if (UiProgressDialog* progress = ProgressDialogOf(s_deviceView)) {
      progress->Reset();
      progress->Show(SW_HIDE);
    }
    g_device = nullptr;
  }

  static PlaylistRecord* Playlist(const wchar_t* id, const wchar_t* name, std::vector<std::wstring> members) {
    auto* p = new PlaylistRecord;
    p->identifier = id;
    p->name = name;
    p->members.insert(members.begin(), members.end());
    return p;
  }
  static MediaFileRecord* Song(const std::wstring& id, const std::wstring& playlist = L"") {
    auto* song = new MediaFileRecord;
    song->identifier = id;
    song->playlistId = playlist;
    return song;
  }
  static MediaFileList* Songs(int count) {
    auto* list = new MediaFileList;
    for (int i = 0; i < count; ++i) list->push_back(Track(Song(L"s" + std::to_wstring(i + 1))));
    return list;
  }
  static void Request(const char* command, int64_t code, void* data = nullptr, int64_t count = 0,
                      const wchar_t* text = nullptr) {
    CommandRecord r;
    r.code = code;
    r.window = s_pane;
    r.text = text;
    r.data = data;
    r.count = count;
    CommandBus::Instance().Post(command, &r);
  }
  void Notify(const char* command, uint32_t kind, void* item, int64_t taskId = 1) {
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {kind, kNotificationSuccess, taskId, item, &m_device};
    CommandRecord r;
    r.text = L"PHONE-M";
    r.payload = payload;
    CommandBus::Instance().Post(command, &r);
    PumpPosted();
  }
  static std::vector<const Sent*> SentOf(const char* name) {
    std::vector<const Sent*> found;
    for (const Sent& s : g_sent)
      if (s.name == name) found.push_back(&s);
    return found;
  }

  DeviceRecord m_device;
};

TEST_F(MusicController, OneSongOrTenAskTheSameQuestionAndLoadingUsesTheMusicTexts) {
  g_alertAnswers = {false, false};
  MediaFileList* one = Songs(1);
  Request(kTunesDoMusic, kMediaRequestDelete, one, 1, L"Delete music");
  Request(kTunesDoMusic, kMediaRequestDelete, Songs(10), 10, L"Delete music");
  ASSERT_EQ(g_alerts.size(), 2u);
  EXPECT_EQ(g_alerts[0].text, L"Do you really want to delete the checked music?");
  EXPECT_EQ(g_alerts[1].text, g_alerts[0].text) << "music is never plural";
  EXPECT_TRUE(SentOf(kCourierDoMusic).empty());

  Request(kTunesDoMusic, kMediaRequestLoad);
  ASSERT_EQ(SentOf(kCourierDoMusic).size(), 1u);
  EXPECT_EQ(SentOf(kCourierDoMusic)[0]->code, kMusicOpLoad);
  EXPECT_EQ(ProgressDialogOf(s_deviceView)->State().Text(), L"Loading Music");
  EXPECT_EQ(ProgressDialogOf(s_deviceView)->State().Total(), 10);
}

TEST_F(MusicController, ADeletedSongLeavesBothItsPlaylistsBeforeThePaneDropsIt) {
  Notify(kCourierDoMusic, static_cast<uint32_t>(kMusicOpDelete), Song(L"s2"));
  std::vector<std::string> order;
  for (const Sent& s : g_sent)
    if (s.name == kTunesDoMusic || s.name == kTunesDeleteMusic) order.push_back(s.name);
  ASSERT_EQ(order, (std::vector<std::string>{kTunesDoMusic, kTunesDoMusic, kTunesDeleteMusic}));
  auto left = SentOf(kTunesDoMusic);
  EXPECT_EQ(left[0]->code, kMusicPaneLeft);
  EXPECT_EQ(left[0]->playlistId, L"pl1");
  EXPECT_EQ(left[1]->playlistId, L"pl2");
  EXPECT_EQ(m_device.playlists[0]->members.count(L"s2"), 0u);
  EXPECT_EQ(m_device.counts[kKindMusic].load(), 9u);
  ASSERT_FALSE(SentOf(kNavigatorUpdateItem).empty());
  EXPECT_EQ(SentOf(kNavigatorUpdateItem)[0]->item.id, kSectionMusic);
}

TEST_F(MusicController, ASongJoinsAPlaylistOnceAndLeavingIsAlwaysTold) {
  Notify(kCourierDoMusic, kMusicNoticeJoined, Song(L"s1", L"pl1"));
  EXPECT_TRUE(SentOf(kTunesDoMusic).empty()) << "already in the playlist: nothing to tell";
  Notify(kCourierDoMusic, kMusicNoticeJoined, Song(L"s1", L"pl3"));
  ASSERT_EQ(SentOf(kTunesDoMusic).size(), 1u);
  EXPECT_EQ(SentOf(kTunesDoMusic)[0]->code, kMusicPaneJoined);
  EXPECT_EQ(SentOf(kTunesDoMusic)[0]->playlistId, L"pl3");
  EXPECT_EQ(m_device.playlists[2]->members.count(L"s1"), 1u);
  Notify(kCourierDoMusic, kMusicNoticeJoined, Song(L"s1", L"gone"));
  EXPECT_EQ(SentOf(kTunesDoMusic).size(), 1u) << "a playlist the phone no longer has";
  Notify(kCourierDoMusic, kMusicNoticeLeft, Song(L"s9", L"pl1"));
  ASSERT_EQ(SentOf(kTunesDoMusic).size(), 2u);
  EXPECT_EQ(SentOf(kTunesDoMusic)[1]->code, kMusicPaneLeft);

  // A load's playlists replace the device's and go to the pane; a deleted one goes from both.
  Notify(kCourierDoMusic, kMusicNoticePlaylists, new PlaylistList{Playlist(L"x1", L"Fresh", {L"s5"})}, 77);
  ASSERT_EQ(m_device.playlists.size(), 1u);
  EXPECT_EQ(m_device.playlists[0]->name, L"Fresh");
  EXPECT_EQ(SentOf(kTunesDoMusic).back()->code, kMusicPanePlaylists);
  Notify(kCourierDoMusic, kMusicNoticeDeleted, Playlist(L"x1", L"", {}));
  EXPECT_EQ(SentOf(kTunesDoMusic).back()->code, kMusicPaneDeleted);
  EXPECT_TRUE(m_device.playlists.empty());
}

TEST_F(MusicController, TheCheckedSongsGoToThePlaylistsPickedInThePreviewList) {
  // OK with nothing checked: the observer's alert, and the list stays open until it is picked.
  g_pickAnswers = {{}, {L"Sunday coffee", L"Road trip"}};
  g_alertAnswers = {true};
  MediaFileList* songs = Songs(2);
  Request(kTunesDoMusic, kMusicRequestAddToPlaylists, songs, 2, L"Add to Playlist");
  ASSERT_GE(g_pickRows.size(), 2u);
  EXPECT_EQ(g_pickRows[0], (std::vector<std::wstring>{L"Morning run", L"Sunday coffee", L"Road trip"}));
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, L"Nothing is checked.");
  auto ops = SentOf(kCourierDoMusic);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->code, kMusicOpAddToPlaylists);
  EXPECT_EQ(ops[0]->playlists, (std::vector<std::wstring>{L"pl2", L"pl3"}));
  EXPECT_EQ(ops[0]->pending, (std::vector<std::wstring>{L"s1", L"s2", L"s1", L"s2"}));
  EXPECT_EQ(ProgressDialogOf(s_deviceView)->State().Total(), 1);
  EXPECT_FALSE(Alive(songs)) << "the checked list is the host's to free";
  for (const PlaylistRecord* p : m_device.playlists) EXPECT_EQ(p->pendingSongs, nullptr);

  // Closed without a pick: nothing goes out.
  g_sent.clear();
  Request(kTunesDoMusic, kMusicRequestAddToPlaylists, Songs(1), 1, L"Add to Playlist");
  EXPECT_TRUE(SentOf(kCourierDoMusic).empty());
  // Taking songs out with nothing checked: the alert only.
  g_alertAnswers = {true};
  Request(kTunesDoMusic, kMusicRequestRemoveFromPlaylist, new MediaFileList, 0, L"Remove");
  EXPECT_TRUE(SentOf(kCourierDoMusic).empty());
  EXPECT_EQ(g_alerts.back().text, L"Nothing is checked.");
}

TEST_F(MusicController, TheOtherKindsUseTheirOwnItemsAndAVideoJobsEndReachesItsPane) {
  m_device.counts[kKindApps] = 4;
  Notify(kCourierDoApp, kAppNoticeCount, nullptr);
  auto counts = SentOf(kNavigatorUpdateItem);
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[0]->item.id, kSectionUserApps);
  EXPECT_EQ(counts[1]->item.id, kSectionApps);
  EXPECT_EQ(counts[1]->item.count, 4);
  Notify(kCourierDoVideo, kVideoNoticeJobEnded, nullptr);
  ASSERT_EQ(SentOf(kMoviesDoVideo).size(), 1u);
  EXPECT_EQ(SentOf(kMoviesDoVideo)[0]->code, kVideoPaneJobEnded);
}

// The preview list on its own: a search ignores case, an empty one lists every row in its first
// order, and rows a search hides are not picked even when checked before it.
class CountingObserver : public BASObserver {
 public:
  void update(int32_t, int32_t) override { ++calls; }
  int calls = 0;
};

UiPreviewListDialog* g_preview = nullptr;
int g_previewStep = 0;

void CALLBACK DrivePreview(HWND, UINT, UINT_PTR, DWORD) {
  UiPreviewListDialog* d = g_preview;
  if (d == nullptr || d->Hwnd() == nullptr || !IsWindowVisible(d->Hwnd())) return;
  BASListView& list = d->List();
  switch (g_previewStep++) {
    case 0:
      list.SetChecked(0, true);  // "Morning run"
      d->SearchBox().SetText(L"SUN");
      SendMessageW(d->SearchButton(), BM_CLICK, 0, 0);
      break;
    case 1:
      SendMessageW(d->OkButton(), BM_CLICK, 0, 0);  // the checked row is hidden: nothing picked
      break;
    case 2:
      list.SetChecked(0, true);  // "Sunday coffee", the only row shown
      SendMessageW(d->OkButton(), BM_CLICK, 0, 0);
      break;
    default:
      PostMessageW(d->Hwnd(), WM_CLOSE, 0, 0);
  }
}

TEST(PreviewList, SearchIgnoresCaseAndOnlyShownRowsArePicked) {
  const PreviewRow a{L"Morning run", L"2 songs"}, b{L"Sunday coffee", L"1 song"}, c{L"sunset", L""};
  const std::vector<const PreviewRow*> rows{&a, &b, &c};
  EXPECT_EQ(UiPreviewListDialog::Matching(rows, L"SUN"), (std::vector<const PreviewRow*>{&b, &c}));
  EXPECT_EQ(UiPreviewListDialog::Matching(rows, L""), rows);
  EXPECT_TRUE(UiPreviewListDialog::Matching(rows, L"jazz").empty());

  UiPreviewListDialog dialog(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  dialog.SetColumnTitles(L"Name", L"Format");
  for (const PreviewRow* row : rows) dialog.AddRow(row);
  dialog.SetText(L"", nullptr, 500, 430, nullptr);
  CountingObserver observer;
  dialog.attach(&observer);
  g_preview = &dialog;
  g_previewStep = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 40, DrivePreview);
  const INT_PTR answer = dialog.RunModal(nullptr);
  KillTimer(nullptr, timer);
  g_preview = nullptr;
  dialog.detach(&observer);
  EXPECT_EQ(answer, UiDialog::kOkId);
  EXPECT_EQ(observer.calls, 1) << "OK with only a hidden row checked told the observer";
  EXPECT_EQ(dialog.Selection(), (std::vector<const PreviewRow*>{&b}));
}

}  // namespace
