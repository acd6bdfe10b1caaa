// libTunes's plug-in edge: the music pane, a file pane with the phone's playlists beside it.
#include <memory>
#include <string>

#include "contracts/CommandNames.h"
#include "kit/MediaFileModule.h"
#include "modules/tunes/DhMusicDelegate.h"

namespace {

std::unique_ptr<BASContentPane> MakePane() { return std::make_unique<DhMusicDelegate>(); }

// The playlists' commands.
void DispatchPlaylists(BASMediaFilePane& filePane, CommandRecord& record) {
  auto& pane = static_cast<DhMusicDelegate&>(filePane);
  const std::string name = record.name;
  if (name == kTunesDoMusic)
    pane.DoMusic(record);
  else if (name == kTunesGetPlaylistTaskId)
    record.value = pane.PlaylistTaskId();
  else if (name == kTunesSetPlaylistTaskId)
    pane.SetPlaylistTaskId(record.value);
  else if (name == kTunesClearPlaylistData)
    pane.ClearPlaylists();
}

const MediaFileModule kTunes = {
    "libTunes",
    {kTunesShowWindow, kTunesChangeSize, kTunesHideWindow, kTunesClearData, kTunesAddMusic, kTunesCreateWindow,
     kTunesGetChecked, kTunesResetWindow, kTunesDoMusic, kTunesDeleteMusic, kTunesGetListTaskId, kTunesSetListTaskId,
     kTunesGetPlaylistTaskId, kTunesSetPlaylistTaskId, kTunesClearPlaylistData},
    {kTunesCreateWindow, kTunesShowWindow, kTunesHideWindow, kTunesChangeSize, kTunesClearData, kTunesGetChecked,
     kTunesResetWindow, kTunesGetListTaskId, kTunesSetListTaskId},
    kTunesAddMusic,
    kTunesDeleteMusic,
    nullptr,
    0,
    MakePane,
    DispatchPlaylists,
};

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) { RegisterMediaFileModule(module, kTunes); }
