#include "host/MusicController.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"
#include "host/CommandBus.h"
#include "host/HostState.h"
#include "host/dialogs/UiPreviewListDialog.h"
#include "kit/BASObserver.h"

namespace {

CommandBus& Bus() { return CommandBus::Instance(); }

std::wstring TitleOf(const CommandRecord& request) { return request.text != nullptr ? request.text : L""; }

PlaylistRecord* FindPlaylist(DeviceRecord& device, const std::wstring& identifier) {
  for (PlaylistRecord* playlist : device.playlists)
    if (playlist != nullptr && playlist->identifier == identifier) return playlist;
  return nullptr;
}

void ForgetPlaylist(DeviceRecord& device, const std::wstring& identifier) {
  auto& own = device.playlists;
  auto match = std::find_if(own.begin(), own.end(),
                            [&](const PlaylistRecord* p) { return p != nullptr && p->identifier == identifier; });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
}

// Tells the user, over the main window, that OK found nothing checked in the preview list.
class MusicObserver : public BASObserver {
 public:
  explicit MusicObserver(HWND owner) : m_owner(owner) {}
  void update(int32_t, int32_t) override { ShowNothingChecked(m_owner); }

 private:
  HWND m_owner;
};

// The playlists the user picked for the checked songs, by identifier: the device's playlists
// may change while the dialog is up (a notice deletes one), so no pointer is kept across it.
std::vector<std::wstring> PickPlaylists(const ContentRequest& request) {
  std::vector<PreviewRow> rows;
  std::vector<std::wstring> identifiers;
  for (const PlaylistRecord* playlist : request.device->playlists) {
    if (playlist == nullptr) continue;
    rows.push_back({playlist->name, playlist->format});
    identifiers.push_back(playlist->identifier);
  }
  const ImageCache& images = Host().imageCache;
  UiPreviewListDialog dialog(
      FindImage(&images, "common\\close-normal.png"), FindImage(&images, "common\\close-pressed.png"),
      FindImage(&images, "music\\content-music-list.png"), FindImage(&images, "common\\operate-search.png"),
      FindImage(&images, "common\\content-check-yes.png"), FindImage(&images, "common\\content-check-no.png"));
  dialog.SetColumnTitles(L"Name", L"Format");
  for (const PreviewRow& row : rows) dialog.AddRow(&row);
  dialog.SetText(L"", nullptr, 500, 430, request.owner);
  MusicObserver observer(request.owner);
  dialog.attach(&observer);
  const INT_PTR answer = dialog.RunModal();
  dialog.detach(&observer);
  std::vector<std::wstring> picked;
  if (answer != UiDialog::kOkId) return picked;
  for (const PreviewRow* row : dialog.Selection())
    picked.push_back(identifiers[static_cast<size_t>(row - rows.data())]);
  return picked;
}

void StartPlaylistProgress(const ContentRequest& request, const CommandRecord& incoming) {
  StartProgress(request.progress, ProgressStyle::kClosesByItself, 1, TitleOf(incoming));
}

void AddToPlaylists(CommandRecord& incoming, const ContentRequest& request, const MediaFileList* songs) {
  if (incoming.count <= 0 || songs == nullptr || songs->empty()) {
    ShowNothingChecked(request.owner);
    return;
  }
  const std::vector<std::wstring> picked = PickPlaylists(request);
  if (picked.empty() || !IsStillConnected(request)) return;
  PlaylistList chosen;
  for (const std::wstring& identifier : picked)
    if (PlaylistRecord* playlist = FindPlaylist(*request.device, identifier)) {
      playlist->pendingSongs = songs;
      chosen.push_back(playlist);
    }
  if (chosen.empty()) return;
  StartPlaylistProgress(request, incoming);
  CommandRecord op;
  op.code = kMusicOpAddToPlaylists;
  op.data = &chosen;  // read during the call
  SendCancellableOperation(kCourierDoMusic, op, request);
  for (PlaylistRecord* playlist : chosen) playlist->pendingSongs = nullptr;
}

// The playlist requests (6, 7, 10, 11) hand their `data` over; it is freed here in every case,
// the device service having copied what it needs during the call.
bool OnMusicRequest(const MediaKind&, CommandRecord& incoming, const ContentRequest& request) {
  const int64_t code = incoming.code;
  const bool songsRequest = code == kMusicRequestAddToPlaylists || code == kMusicRequestRemoveFromPlaylist;
  const bool playlistRequest = code == kMusicRequestCreatePlaylist || code == kMusicRequestChangePlaylist;
  if (!songsRequest && !playlistRequest) return false;
  std::unique_ptr<MediaFileList> songs(songsRequest ? static_cast<MediaFileList*>(incoming.data) : nullptr);
  std::unique_ptr<PlaylistRecord> playlist(playlistRequest ? static_cast<PlaylistRecord*>(incoming.data) : nullptr);
  incoming.data = nullptr;
  if (request.device == nullptr || request.identifier.empty()) return true;
  if (code == kMusicRequestAddToPlaylists) {
    AddToPlaylists(incoming, request, songs.get());
    return true;
  }
  if (code == kMusicRequestRemoveFromPlaylist && (incoming.count <= 0 || !songs || songs->empty())) {
    ShowNothingChecked(request.owner);
    return true;
  }
  if (playlistRequest && !playlist) return true;
  StartPlaylistProgress(request, incoming);
  CommandRecord op;
  if (code == kMusicRequestRemoveFromPlaylist) {
    op.code = kMusicOpRemoveFromPlaylist;
    op.data = songs.get();
  } else {
    op.code = code == kMusicRequestCreatePlaylist ? kMusicOpCreatePlaylist : kMusicOpChangePlaylist;
    op.data = playlist.get();
  }
  SendCancellableOperation(kCourierDoMusic, op, request);
  return true;
}

void SendToPane(const MediaKind& kind, const CommandRecord& copy, int64_t code, void* payload) {
  CommandRecord record = copy;
  record.code = code;
  record.payload = payload;
  Bus().Send(kind.paneCommand, &record);
}

// A deleted song leaves every playlist that held it, each told to the pane first.
void OnSongDeleted(const MediaKind& kind, const CommandRecord& copy, DeviceRecord& device, const void* item) {
  auto* song = const_cast<MediaFileRecord*>(static_cast<const MediaFileRecord*>(item));
  const bool paneThere = MediaPaneCanKeep(kind, copy.window);
  for (PlaylistRecord* playlist : device.playlists) {
    if (playlist == nullptr || playlist->members.erase(song->identifier) == 0) continue;
    song->playlist = playlist;
    if (paneThere) SendToPane(kind, copy, kMusicPaneLeft, song);
  }
  song->playlist = nullptr;
}

bool OnMusicNotice(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  const bool paneThere = MediaPaneCanKeep(kind, copy.window);
  switch (notice->kind) {
    case kMusicNoticePlaylists: {
      auto* batch = notice.Item<PlaylistList>();
      // The device keeps its own copies; the pane takes the batch's records.
      OwnedPtrVector<PlaylistRecord> own;
      if (batch != nullptr)
        for (const PlaylistRecord* playlist : *batch)
          if (playlist != nullptr) own.push_back(new PlaylistRecord(*playlist));
      device.playlists = std::move(own);
      if (!paneThere || batch == nullptr) return true;
      SyncListTask({kTunesGetPlaylistTaskId, kTunesClearPlaylistData, kTunesSetPlaylistTaskId}, copy, notice->taskId);
      SendToPane(kind, copy, kMusicPanePlaylists, batch);
      batch->clear();
      return true;
    }
    case kMusicNoticeCreated:
    case kMusicNoticeRenamed:
    case kMusicNoticeRefused: {
      auto* playlist = notice.Item<PlaylistRecord>();
      if (playlist == nullptr) return true;
      if (notice->kind != kMusicNoticeRefused) {
        if (PlaylistRecord* own = FindPlaylist(device, playlist->identifier)) {
          own->name = playlist->name;
          own->format = playlist->format;
        } else if (notice->kind == kMusicNoticeCreated) {
          device.playlists.push_back(new PlaylistRecord(*playlist));
        }
      }
      const int64_t code = notice->kind == kMusicNoticeCreated   ? kMusicPaneCreated
                           : notice->kind == kMusicNoticeRenamed ? kMusicPaneRenamed
                                                                 : kMusicPaneRefused;
      if (paneThere) SendToPane(kind, copy, code, playlist);
      return true;
    }
    case kMusicNoticeDeleted: {
      auto* playlist = notice.Item<PlaylistRecord>();
      if (playlist == nullptr) return true;
      if (paneThere) SendToPane(kind, copy, kMusicPaneDeleted, playlist);
      ForgetPlaylist(device, playlist->identifier);
      return true;
    }
    case kMusicNoticeJoined:
    case kMusicNoticeLeft: {
      auto* song = notice.Item<MediaFileRecord>();
      PlaylistRecord* playlist = song != nullptr ? FindPlaylist(device, song->playlistId) : nullptr;
      if (playlist == nullptr) return true;
      const bool joined = notice->kind == kMusicNoticeJoined;
      // A song already in the playlist joins it only once; the pane hears of it once.
      const bool changed =
          joined ? playlist->members.insert(song->identifier).second : playlist->members.erase(song->identifier) > 0;
      song->playlist = playlist;
      if (paneThere && (changed || !joined)) SendToPane(kind, copy, joined ? kMusicPaneJoined : kMusicPaneLeft, song);
      song->playlist = nullptr;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace

void DisposeMusicItem(uint32_t kind, void* item) {
  switch (kind) {
    case kMusicOpLoad:
      DeleteList(static_cast<MediaFileList*>(item));
      break;
    case kMusicNoticePlaylists:
      DeleteList(static_cast<PlaylistList*>(item));
      break;
    case kMusicOpAdd:
    case kMusicOpDelete:
    case kMusicNoticeJoined:
    case kMusicNoticeLeft:
      delete static_cast<MediaFileRecord*>(item);
      break;
    case kMusicNoticeCreated:
    case kMusicNoticeRenamed:
    case kMusicNoticeRefused:
    case kMusicNoticeDeleted:
      delete static_cast<PlaylistRecord*>(item);
      break;
    default:
      break;
  }
}

const MediaHooks kMusicHooks = {OnMusicRequest, OnMusicNotice, OnSongDeleted};
