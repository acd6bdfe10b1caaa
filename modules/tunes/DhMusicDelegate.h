#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contracts/MediaRecords.h"
#include "kit/BASEdit.h"
#include "kit/BASListView.h"
#include "kit/BASMediaFilePane.h"

enum MusicControlId : UINT {
  kToPlaylistButtonId = 5008,
  kPlaylistListId = 5010,
  kPlaylistNameId = 5011,
};

// The playlist menu's items (a right click on the playlists).
enum PlaylistMenuId : UINT {
  kMenuNewPlaylist = 1,
  kMenuRenamePlaylist = 2,
  kMenuDeletePlaylist = 3,
  kMenuRemoveSongs = 4,  // the checked songs leave the playlist shown
};

// One phone's music pane: the songs (title, artist, album, duration, size) and, beside them, the
// phone's playlists. Choosing a playlist lists only its songs; the checked songs go into
// playlists through the host's pick-list, or leave the playlist shown. A playlist is made,
// renamed or deleted from the playlist menu (a right click on the playlists), named by the box
// above them; the same menu takes the checked songs out of the playlist shown.
class DhMusicDelegate : public BASMediaFilePane {
 public:
  static constexpr int kPlaylistPanelWidth = 200;

  DhMusicDelegate();
  ~DhMusicDelegate() override;

  void Update(WPARAM code, CommandRecord* record) override;
  // LIBTUNES_COMMAND_DO_MUSIC from the host (codes 6, 7, 9 to 13).
  void DoMusic(const CommandRecord& record);
  // The host's playlist handshake.
  int64_t PlaylistTaskId() const { return m_playlistTaskId; }
  void SetPlaylistTaskId(int64_t id) { m_playlistTaskId = id; }
  void ClearPlaylists();

  const std::vector<std::unique_ptr<PlaylistRecord>>& Playlists() const { return m_playlists; }
  // The playlist whose songs are listed; null for all songs.
  const PlaylistRecord* ShownPlaylist() const { return m_shown; }
  void ShowPlaylist(const std::wstring& identifier);
  // The menu's actions, as a click on them runs them.
  void RunPlaylistCommand(UINT command);
  BASEdit& NameBox() { return m_name; }
  BASListView& PlaylistView() { return m_playlistList; }

 protected:
  bool CreateExtras() override;
  RECT ListRect(int width, int height) const override;
  void LayOut() override;
  bool OnToolbarCommand(int id) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  bool Shows(const MediaFileRecord& item) const override;

 private:
  static const std::wstring* PlaylistText(const BASListView& list, int row, int column, LPARAM data, void* context);
  void RefillPlaylists();
  PlaylistRecord* FindPlaylist(const std::wstring& identifier) const;
  void RequestToPlaylists();
  void RequestFromPlaylist();
  void RequestPlaylistChange(int64_t code, const std::wstring& identifier, const std::wstring& name,
                             const wchar_t* title);

  std::vector<std::unique_ptr<PlaylistRecord>> m_playlists;
  std::vector<std::wstring> m_playlistTexts;  // "All songs", then "name (n)" per playlist
  const PlaylistRecord* m_shown = nullptr;
  int64_t m_playlistTaskId = 0;
  BASListView m_playlistList;
  BASEdit m_name;
};
