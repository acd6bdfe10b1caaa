#include "modules/courier/MusicOperations.h"

#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"

namespace {

std::unique_ptr<MediaLibrary> NewMusicLibrary() { return std::make_unique<MusicLibrary>(); }

PlaylistRecord* MakePlaylistRecord(const StoredPlaylist& stored) {
  auto* record = new PlaylistRecord;
  record->identifier = stored.identifier;
  record->name = stored.name;
  record->format = std::to_wstring(stored.songs.size()) + (stored.songs.size() == 1 ? L" song" : L" songs");
  record->members.insert(stored.songs.begin(), stored.songs.end());
  return record;
}

MediaFileRecord* SongOfPlaylist(const std::wstring& song, const std::wstring& playlist) {
  auto* record = new MediaFileRecord;
  record->identifier = song;
  record->playlistId = playlist;
  return record;
}

}  // namespace

const MediaServiceKind kMusicServiceKind = {kKindMusic,
                                            kCourierDoMusic,
                                            kMusicOpLoad,
                                            kMusicOpAdd,
                                            kMusicOpDelete,
                                            kMusicNoticeCount,
                                            MusicOperations::kFirstTaskId,
                                            L".music",
                                            L"Load music",
                                            L"Add music",
                                            L"Delete music",
                                            L"This phone keeps no music.",
                                            NewMusicLibrary,
                                            MakeFileBatch,
                                            MakeFileItem,
                                            MakeGoneFile,
                                            ReadCheckedFiles,
                                            FreeCheckedFiles,
                                            FreeMusicRequest};

void FreeMusicRequest(CommandRecord& record) {
  // 50, 51, 54 and 55 are read during the call; their records stay the sender's.
  (void)record;
}

MusicLibrary* MusicOperations::MusicOf(const std::wstring& identifier) {
  return static_cast<MusicLibrary*>(LibraryOf(identifier));
}

bool MusicOperations::HandleOther(CommandRecord& record, const std::wstring& identifier) {
  std::vector<PlaylistChange> changes;
  switch (record.code) {
    case kMusicOpCreatePlaylist:
    case kMusicOpChangePlaylist:
      if (const auto* playlist = static_cast<const PlaylistRecord*>(record.data))
        changes.push_back({playlist->identifier, playlist->name, {}});
      break;
    case kMusicOpAddToPlaylists:
      if (const auto* playlists = static_cast<const PlaylistList*>(record.data))
        for (const PlaylistRecord* playlist : *playlists) {
          if (playlist == nullptr) continue;
          PlaylistChange change{playlist->identifier, playlist->name, {}};
          if (playlist->pendingSongs != nullptr)
            for (const MediaFileRecord* song : *playlist->pendingSongs)
              if (song != nullptr) change.songs.push_back(song->identifier);
          changes.push_back(std::move(change));
        }
      break;
    case kMusicOpRemoveFromPlaylist:
      if (const auto* songs = static_cast<const MediaFileList*>(record.data))
        for (const MediaFileRecord* song : *songs)
          if (song != nullptr) changes.push_back({song->playlistId, std::wstring(), {song->identifier}});
      break;
    default:
      return false;
  }
  const int64_t code = record.code;
  record.value = m_jobs.Start(identifier, [this, code, changes](Job& job) { RunPlaylistOp(job, code, changes); });
  return true;
}

void MusicOperations::RunPlaylistOp(Job& job, int64_t code, const std::vector<PlaylistChange>& changes) {
  MusicLibrary* library = MusicOf(job.identifier);
  ItemProgress progress(m_jobs, job, 1);
  if (library == nullptr || changes.empty()) {
    progress.Stop(library == nullptr ? L"This phone keeps no music." : L"Nothing to change.");
    return;
  }
  std::wstring problem;
  bool failed = false;
  for (const PlaylistChange& change : changes) {
    if (!m_jobs.MayContinue(job)) break;
    if (code == kMusicOpCreatePlaylist) {
      StoredPlaylist created;
      if (library->CreatePlaylist(change.name, created, problem))
        m_jobs.Notify(job, kMusicNoticeCreated, MakePlaylistRecord(created));
      else
        failed = true;
    } else if (code == kMusicOpChangePlaylist) {
      const bool remove = change.name.empty();
      const bool ok = remove ? library->DeletePlaylist(change.playlist, problem)
                             : library->RenamePlaylist(change.playlist, change.name, problem);
      if (ok) {
        auto* record = new PlaylistRecord;
        record->identifier = change.playlist;
        record->name = change.name;
        if (const StoredPlaylist* stored = library->FindPlaylist(change.playlist)) {
          delete record;
          record = MakePlaylistRecord(*stored);
        }
        m_jobs.Notify(job, remove ? kMusicNoticeDeleted : kMusicNoticeRenamed, record);
      } else {
        failed = true;
        if (const StoredPlaylist* stored = library->FindPlaylist(change.playlist))
          m_jobs.Notify(job, kMusicNoticeRefused, MakePlaylistRecord(*stored));
      }
    } else if (code == kMusicOpAddToPlaylists) {
      for (const std::wstring& song : library->AddToPlaylist(change.playlist, change.songs, problem))
        m_jobs.Notify(job, kMusicNoticeJoined, SongOfPlaylist(song, change.playlist));
      failed = failed || !problem.empty();
    } else if (code == kMusicOpRemoveFromPlaylist) {
      for (const std::wstring& song : change.songs)
        if (library->RemoveFromPlaylist(change.playlist, song, problem))
          m_jobs.Notify(job, kMusicNoticeLeft, SongOfPlaylist(song, change.playlist));
      failed = failed || !problem.empty();
    }
  }
  if (failed)
    progress.Failed(problem);
  else if (m_jobs.MayContinue(job))
    progress.Done();
  if (progress.AllHandled())
    progress.Finish();
  else
    progress.Stop(StoppedText(job, L"The change was cancelled."));
}

void MusicOperations::AfterLoad(Job& job, MediaLibrary& library) {
  auto* playlists = new PlaylistList;
  for (const StoredPlaylist& playlist : static_cast<MusicLibrary&>(library).Playlists())
    playlists->push_back(MakePlaylistRecord(playlist));
  m_jobs.Notify(job, kMusicNoticePlaylists, playlists);
}

void MusicOperations::AfterRemove(Job&, MediaLibrary& library, const std::wstring& identifier) {
  static_cast<MusicLibrary&>(library).DropSong(identifier);
}
