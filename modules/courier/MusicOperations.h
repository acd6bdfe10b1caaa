// The phones' songs and playlists as the device service serves them (LIBCOURIER_COMMAND_DO_MUSIC):
// the shared media operations over the music library, the playlists after the songs of a load,
// and the playlist operations:
//   50 create a playlist (`data` a PlaylistRecord with its name): notice 50 with the new one;
//   51 rename it to the record's name, or delete it when the name is empty: notice 51 or 53;
//   54 add each playlist's `pendingSongs` to it: notice 54 per song that joined;
//   55 take each song out of the playlist its `playlistId` names: notice 55 per song that left.
// A refused create or rename answers notice 52 with the playlist as it stays, and the reason
// through the progress dialog. A deleted song leaves its playlists with it.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "modules/courier/MediaOperations.h"
#include "modules/courier/MusicLibrary.h"

extern const MediaServiceKind kMusicServiceKind;

class MusicOperations : public MediaOperations {
 public:
  static constexpr int64_t kFirstTaskId = int64_t{4} << 40;

  MusicOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice)
      : MediaOperations(kMusicServiceKind, module, worker, std::move(findDevice)) {}

 protected:
  bool HandleOther(CommandRecord& record, const std::wstring& identifier) override;
  void AfterLoad(Job& job, MediaLibrary& library) override;
  void AfterRemove(Job& job, MediaLibrary& library, const std::wstring& identifier) override;

 private:
  // What a playlist request names, copied during the call.
  struct PlaylistChange {
    std::wstring playlist;
    std::wstring name;
    std::vector<std::wstring> songs;
  };
  void RunPlaylistOp(Job& job, int64_t code, const std::vector<PlaylistChange>& changes);
  MusicLibrary* MusicOf(const std::wstring& identifier);
};

// Frees what a DO_MUSIC request hands over: the playlist operations' data stays the sender's.
void FreeMusicRequest(CommandRecord& record);
