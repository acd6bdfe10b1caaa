// What the music controller adds to the shared media flow: the playlists (add the checked songs
// through the preview list, take songs out, create, rename and delete playlists) and the songs'
// places in them, kept in the device record on the UI thread.
#pragma once

#include <cstdint>

#include "host/MediaKind.h"

extern const MediaHooks kMusicHooks;

// Destroys a music notice's item (songs, playlists and their vectors by notice kind).
void DisposeMusicItem(uint32_t kind, void* item);
