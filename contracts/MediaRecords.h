// Items of the kinds whose panes lie outside this system: messages and conversations, apps,
// books, songs and videos, and music playlists. The host's controllers read and change only
// the fields below; the device service and each kind's pane may add fields after them.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace Gdiplus {
class Bitmap;
}

struct PlaylistRecord;

struct MediaRecord {
  std::wstring identifier;  // the device's id (an app's package key); removals match on it
  std::wstring name;        // display text; an app update copies it into the listed app
  // An app's icon. Shared ownership lets an update move it between records and lets a module
  // that never sees the GDI+ headers destroy a record.
  std::shared_ptr<Gdiplus::Bitmap> icon;
  int64_t itemCount = 0;                // a conversation's number of messages
  PlaylistRecord* playlist = nullptr;   // a song leaving a playlist: that playlist
};

struct PlaylistRecord {
  std::wstring identifier;
  std::wstring name;                // preview list "Name"
  std::wstring format;              // preview list "Format"
  std::set<MediaRecord*> members;   // songs of the device's song list, not owned
  // Songs to add while an add-to-playlist request is under way (the request's checked list).
  const std::vector<MediaRecord*>* pendingSongs = nullptr;
};

typedef std::vector<MediaRecord*> MediaList;
