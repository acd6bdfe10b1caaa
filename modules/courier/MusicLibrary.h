// One phone's songs as real sound files (MP3, M4A and the other containers the tag reader
// knows), and its playlists, kept per user beside the songs in "playlists.json". A playlist
// names its songs by identifier; a song that is gone (deleted here, or missing from the files
// after a restart) is dropped from every playlist rather than left dangling.
#pragma once

#include <string>
#include <vector>

#include "modules/courier/MediaLibrary.h"

extern const MediaKindRules kMusicRules;

struct StoredPlaylist {
  std::wstring identifier;
  std::wstring name;
  std::vector<std::wstring> songs;  // in order, each once
};

class MusicLibrary : public MediaLibrary {
 public:
  MusicLibrary() : MediaLibrary(kMusicRules) {}

  const std::vector<StoredPlaylist>& Playlists() const { return m_playlists; }
  const StoredPlaylist* FindPlaylist(const std::wstring& identifier) const;

  // Each false with `problem` (for the user) when refused; nothing changes then.
  bool CreatePlaylist(const std::wstring& name, StoredPlaylist& created, std::wstring& problem);
  bool RenamePlaylist(const std::wstring& identifier, const std::wstring& name, std::wstring& problem);
  bool DeletePlaylist(const std::wstring& identifier, std::wstring& problem);
  // The songs of `songs` that were not in the playlist yet and are now; songs the phone does
  // not hold are skipped.
  std::vector<std::wstring> AddToPlaylist(const std::wstring& identifier, const std::vector<std::wstring>& songs,
                                          std::wstring& problem);
  // True when the song was in the playlist and is not now.
  bool RemoveFromPlaylist(const std::wstring& identifier, const std::wstring& song, std::wstring& problem);
  // A deleted song leaves every playlist; the playlists it left.
  std::vector<std::wstring> DropSong(const std::wstring& song);

 protected:
  void OnOpened(const DemoPhone& phone, bool firstOpen) override;

 private:
  bool SavePlaylists(std::wstring& problem);
  void DropUnknownSongs();
  StoredPlaylist* Find(const std::wstring& identifier);

  std::vector<StoredPlaylist> m_playlists;
  int64_t m_nextPlaylist = 1;
  bool m_playlistsWritable = true;
};
