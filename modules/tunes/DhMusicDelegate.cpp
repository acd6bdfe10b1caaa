#include "modules/tunes/DhMusicDelegate.h"

#include <algorithm>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiHandles.h"
#include "kit/PaneGeometry.h"

namespace {

constexpr int kNameBoxHeight = 24;
constexpr int kPanelGap = 6;

PaneDescription MusicPaneSpec() {
  PaneDescription description = MediaFilePaneDescription(L"DhMusicDelegate", "DhMusicDelegate", kTunesDoMusic,
                                                         {{L"", 60, 8},
                                                          {L"Title", 200, 28},
                                                          {L"Artist", 140, 20},
                                                          {L"Album", 140, 20},
                                                          {L"Duration", 70, 10},
                                                          {L"Size", 80, 14}});
  description.buttons.push_back(
      {kToPlaylistButtonId, L"To Playlist", "music\\add-pressed.png", "music\\add-normal.png"});
  return description;
}

const MediaPaneTexts kMusicTexts = {L"Export Music", L"Add music file(*.*)", L"Add Music", L"Delete music",
                                    L";.mp3;.m4a;.mp4;.aac;.3gp;.ts;.flac;.mid;.ogg;.mkv;.wav;"};

}  // namespace

DhMusicDelegate::DhMusicDelegate()
    : BASMediaFilePane(MusicPaneSpec(),
                       {MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kArtist, MediaColumn::kAlbum,
                        MediaColumn::kDuration, MediaColumn::kSize},
                       kMusicTexts) {}

DhMusicDelegate::~DhMusicDelegate() = default;

bool DhMusicDelegate::CreateExtras() {
  if (!BASMediaFilePane::CreateExtras()) return false;
  if (!m_name.Create(
          Hwnd(),
          RECT{8, kToolbarLineY + kPanelGap, kPlaylistPanelWidth - 8, kToolbarLineY + kPanelGap + kNameBoxHeight},
          kPlaylistNameId, WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL))
    return false;
  m_name.SetFont(BASUtilityApp::GetFont(16, false, L"Arial"));
  SendMessageW(m_name.Hwnd(), EM_SETCUEBANNER, TRUE, reinterpret_cast<LPARAM>(L"Playlist name"));
  // Enter in the name box makes a playlist of that name.
  m_name.SetEnterHandler([this] { RunPlaylistCommand(kMenuNewPlaylist); });
  if (!m_playlistList.Create(Hwnd(), RECT{0, 0, kPlaylistPanelWidth, 100}, kPlaylistListId, LVS_SINGLESEL))
    return false;
  m_playlistList.SetListFont(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_playlistList.SetRowHeight(28);
  m_playlistList.SetRowTextHook(&DhMusicDelegate::PlaylistText, this);
  // Column 0 is the list's row-number column, kept out of sight.
  m_playlistList.InsertColumn(0, L"", 0);
  m_playlistList.InsertColumn(1, L"Playlists", kPlaylistPanelWidth - 4);
  RefillPlaylists();
  return true;
}

const std::wstring* DhMusicDelegate::PlaylistText(const BASListView&, int row, int column, LPARAM, void* context) {
  auto* pane = static_cast<DhMusicDelegate*>(context);
  if (column != 1 || row < 0 || static_cast<size_t>(row) >= pane->m_playlistTexts.size()) return nullptr;
  return &pane->m_playlistTexts[static_cast<size_t>(row)];
}

RECT DhMusicDelegate::ListRect(int width, int height) const {
  RECT list = BASMediaFilePane::ListRect(width, height);
  list.left = std::min<LONG>(list.right, kPlaylistPanelWidth + 1);
  return list;
}

void DhMusicDelegate::LayOut() {
  BASMediaFilePane::LayOut();
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int top = kToolbarLineY + kPanelGap * 2 + kNameBoxHeight;
  MoveWindow(m_playlistList.Hwnd(), 1, top, kPlaylistPanelWidth - 2, std::max<int>(1, client.bottom - top), TRUE);
}

void DhMusicDelegate::Update(WPARAM code, CommandRecord* record) {
  BASMediaFilePane::Update(code, record);
  if (m_playlistTexts.empty()) return;
  m_playlistTexts[0] = L"All songs (" + std::to_wstring(ItemCount()) + L")";
  if (m_playlistList.Hwnd()) m_playlistList.RefreshRow(0);
}

PlaylistRecord* DhMusicDelegate::FindPlaylist(const std::wstring& identifier) const {
  for (const auto& playlist : m_playlists)
    if (playlist->identifier == identifier) return playlist.get();
  return nullptr;
}

void DhMusicDelegate::RefillPlaylists() {
  m_playlistTexts.clear();
  m_playlistTexts.push_back(L"All songs (" + std::to_wstring(ItemCount()) + L")");
  for (const auto& playlist : m_playlists)
    m_playlistTexts.push_back(playlist->name + L" (" + std::to_wstring(playlist->members.size()) + L")");
  if (!m_playlistList.Hwnd()) return;
  m_playlistList.SetRedraw(false);
  m_playlistList.DeleteAllRows();
  m_playlistList.AppendRow({}, 0);
  for (const auto& playlist : m_playlists) m_playlistList.AppendRow({}, reinterpret_cast<LPARAM>(playlist.get()));
  m_playlistList.SetRedraw(true);
  InvalidateRect(m_playlistList.Hwnd(), nullptr, FALSE);
}

bool DhMusicDelegate::Shows(const MediaFileRecord& item) const {
  return m_shown == nullptr || m_shown->members.count(item.identifier) != 0;
}

void DhMusicDelegate::ShowPlaylist(const std::wstring& identifier) {
  m_shown = identifier.empty() ? nullptr : FindPlaylist(identifier);
  if (m_shown != nullptr) m_name.SetText(m_shown->name);
  Search();
}

void DhMusicDelegate::ClearPlaylists() {
  m_shown = nullptr;
  m_playlists.clear();
  RefillPlaylists();
  Search();
}

void DhMusicDelegate::DoMusic(const CommandRecord& record) {
  switch (record.code) {
    case kMusicPanePlaylists: {
      // The records of a load become the pane's.
      if (const auto* batch = static_cast<const PlaylistList*>(record.payload))
        for (PlaylistRecord* playlist : *batch)
          if (playlist != nullptr && FindPlaylist(playlist->identifier) == nullptr) m_playlists.emplace_back(playlist);
      break;
    }
    case kMusicPaneCreated:
    case kMusicPaneRenamed:
    case kMusicPaneRefused: {
      const auto* playlist = static_cast<const PlaylistRecord*>(record.payload);
      if (playlist == nullptr) return;
      if (PlaylistRecord* mine = FindPlaylist(playlist->identifier))
        mine->name = playlist->name;
      else if (record.code == kMusicPaneCreated)
        m_playlists.push_back(std::make_unique<PlaylistRecord>(*playlist));
      break;
    }
    case kMusicPaneDeleted: {
      const auto* playlist = static_cast<const PlaylistRecord*>(record.payload);
      if (playlist == nullptr) return;
      if (m_shown != nullptr && m_shown->identifier == playlist->identifier) m_shown = nullptr;
      m_playlists.erase(std::remove_if(m_playlists.begin(), m_playlists.end(),
                                       [&](const auto& p) { return p->identifier == playlist->identifier; }),
                        m_playlists.end());
      break;
    }
    case kMusicPaneJoined:
    case kMusicPaneLeft: {
      const auto* song = static_cast<const MediaFileRecord*>(record.payload);
      PlaylistRecord* playlist =
          song != nullptr && song->playlist != nullptr ? FindPlaylist(song->playlist->identifier) : nullptr;
      if (playlist == nullptr) return;
      if (record.code == kMusicPaneJoined)
        playlist->members.insert(song->identifier);
      else
        playlist->members.erase(song->identifier);
      break;
    }
    default:
      return;
  }
  const std::wstring shown = m_shown != nullptr ? m_shown->identifier : std::wstring();
  RefillPlaylists();
  if (record.code != kMusicPanePlaylists || !shown.empty()) ShowPlaylist(shown);
}

bool DhMusicDelegate::OnToolbarCommand(int id) {
  if (id == kToPlaylistButtonId) {
    RequestToPlaylists();
    return true;
  }
  return BASMediaFilePane::OnToolbarCommand(id);
}

void DhMusicDelegate::RequestToPlaylists() {
  std::unique_ptr<MediaFileList> checked = CheckedItems<MediaFileRecord>(false);
  CommandRecord record;
  record.text = L"Add to Playlist";
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked.release();
  Post(kMusicRequestAddToPlaylists, record);
}

void DhMusicDelegate::RequestFromPlaylist() {
  std::unique_ptr<MediaFileList> checked = CheckedItems<MediaFileRecord>(false);
  // Only a playlist shown has songs to leave it.
  if (m_shown == nullptr) checked->clear();
  for (MediaFileRecord* song : *checked) song->playlistId = m_shown->identifier;
  CommandRecord record;
  record.text = L"Remove from Playlist";
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked.release();
  Post(kMusicRequestRemoveFromPlaylist, record);
}

void DhMusicDelegate::RequestPlaylistChange(int64_t code, const std::wstring& identifier, const std::wstring& name,
                                            const wchar_t* title) {
  auto playlist = std::make_unique<PlaylistRecord>();
  playlist->identifier = identifier;
  playlist->name = name;
  CommandRecord record;
  record.text = title;
  record.data = playlist.release();
  Post(code, record);
}

void DhMusicDelegate::RunPlaylistCommand(UINT command) {
  const std::wstring name = m_name.Text();
  const PlaylistRecord* selected = m_shown;
  switch (command) {
    case kMenuNewPlaylist:
      RequestPlaylistChange(kMusicRequestCreatePlaylist, L"", name.empty() ? L"New playlist" : name, L"New Playlist");
      break;
    case kMenuRenamePlaylist:
      // An empty name would delete: renaming needs a name.
      if (selected != nullptr && !name.empty())
        RequestPlaylistChange(kMusicRequestChangePlaylist, selected->identifier, name, L"Rename Playlist");
      break;
    case kMenuDeletePlaylist:
      if (selected != nullptr)
        RequestPlaylistChange(kMusicRequestChangePlaylist, selected->identifier, L"", L"Delete Playlist");
      break;
    case kMenuRemoveSongs:
      RequestFromPlaylist();
      break;
    default:
      break;
  }
}

bool DhMusicDelegate::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != kPlaylistListId) return BASMediaFilePane::OnNotify(header, result);
  if (header->code == NM_CLICK || header->code == NM_RCLICK) {
    const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    if (row >= 0) {
      const auto* playlist = reinterpret_cast<const PlaylistRecord*>(m_playlistList.RowData(row));
      ShowPlaylist(playlist != nullptr ? playlist->identifier : std::wstring());
    }
    if (header->code == NM_RCLICK) {
      MenuHandle menu(CreatePopupMenu());
      if (menu) {
        AppendMenuW(menu.get(), MF_STRING, kMenuNewPlaylist, L"New Playlist");
        const UINT onPlaylist = m_shown != nullptr ? MF_STRING : MF_STRING | MF_GRAYED;
        AppendMenuW(menu.get(), onPlaylist, kMenuRenamePlaylist, L"Rename Playlist");
        AppendMenuW(menu.get(), onPlaylist, kMenuDeletePlaylist, L"Delete Playlist");
        AppendMenuW(menu.get(), onPlaylist, kMenuRemoveSongs, L"Take the Checked Songs Out");
        POINT cursor{};
        GetCursorPos(&cursor);
        RunPlaylistCommand(
            TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_NONOTIFY, cursor.x, cursor.y, 0, Hwnd(), nullptr));
      }
    }
    result = 0;
    return true;
  }
  return false;
}
