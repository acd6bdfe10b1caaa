// Items of the kinds whose panes lie outside this system: messages and conversations, apps,
// books, songs and videos, and music playlists. The host's controllers read and change only
// the fields below; the device service and each kind's pane may add fields after them.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "contracts/PhotoRecords.h"

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
  int64_t itemCount = 0;               // a conversation's number of messages
  PlaylistRecord* playlist = nullptr;  // a song leaving a playlist: that playlist
  std::wstring version;                // an app's, as its package names it; an update copies it too
};

// A file the phone keeps for a media kind (a song, a video, a book), as the device service lists
// it. Always destroyed as its own type.
struct MediaFileRecord : MediaRecord {
  int32_t rowIndex = -1;  // list row, written by the pane before a delete request
  std::wstring source;    // where the phone keeps it; copied into the export record
  std::wstring format;    // extension with its dot, lower case: ".mp3"
  int64_t number = 0;     // the device service's key; copied into the export record
  int64_t sizeBytes = 0;
  std::wstring dateCreated;  // "YYYY-MM-DD HH:MM"
  std::wstring title;        // what the file calls itself; `name` is its file name without extension
  std::wstring artist;       // a song's artist, a book's author
  std::wstring album;
  int64_t durationMs = 0;  // songs and videos; 0 when not known
  int32_t width = 0;       // videos; 0 when not known
  int32_t height = 0;
  // A playlist notice's song: the playlist it joined or left (the host resolves it to `playlist`).
  std::wstring playlistId;
  // Apps: whether it came with the phone's system.
  bool system = false;
};

struct PlaylistRecord {
  std::wstring identifier;
  std::wstring name;    // preview list "Name"
  std::wstring format;  // preview list "Format"
  // The identifiers of its songs. Songs are matched by identifier, never by address: the host,
  // the pane and the device service each hold their own copies of a song.
  std::set<std::wstring> members;
  // Songs to add while an add-to-playlist request is under way (the request's checked list).
  const std::vector<MediaFileRecord*>* pendingSongs = nullptr;
};

typedef std::vector<MediaRecord*> MediaList;
typedef std::vector<MediaFileRecord*> MediaFileList;  // a checked list: the records stay the pane's
typedef std::vector<PlaylistRecord*> PlaylistList;

inline ExportRecord MakeExportRecord(const MediaFileRecord& item) {
  ExportRecord record;
  record.source = item.source;
  record.fileName = item.name + item.format;
  record.number = item.number;
  return record;
}
