// What the panes of file kinds share (songs, videos): the MediaFileRecords the host streams in,
// their rows with the texts drawn for them, the search over title, artist, album and file name,
// and the Add, Delete, Export and Refresh requests, including files dropped from the desktop.
// A pane adds its columns and what only its kind does.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "contracts/MediaRecords.h"
#include "kit/BASContentPane.h"

// The toolbar ids every file pane uses.
enum MediaFileControlId : UINT {
  kMediaRefreshId = 5000,
  kMediaDeleteId = 5001,
  kMediaSearchButtonId = 5002,
  kMediaSearchEditId = 5003,
  kMediaExportId = 5005,
  kMediaAddId = 5006,
  kMediaListId = 5007,
};

// What a file pane's rows show beside the record's own strings.
// kIdentifier: the device's id of the item (an app's package); kVersion: an app's version.
enum class MediaColumn {
  kNumber,
  kTitle,
  kName,
  kArtist,
  kAlbum,
  kDuration,
  kResolution,
  kSize,
  kFormat,
  kDate,
  kIdentifier,
  kVersion
};

struct MediaPaneTexts {
  const wchar_t* exportTitle;  // the progress titles of the requests
  const wchar_t* addTitle;
  const wchar_t* dropTitle;
  const wchar_t* deleteTitle;
  const wchar_t* dropExtensions;  // ";.mp3;.m4a;" as IsSupportFilePosfix takes them
};

// A file pane's description: its list and search box, and the Add, Delete, Export and Refresh
// buttons every file pane has; a pane appends its own buttons.
PaneDescription MediaFilePaneDescription(const wchar_t* className, const char* traceName, const char* requestCommand,
                                         std::vector<PaneColumn> columns);

// "3:07" or "1:02:05"; "" for 0.
std::wstring DurationText(int64_t milliseconds);
// "1920 x 1080"; "" when not known.
std::wstring ResolutionText(int32_t width, int32_t height);
// Whether a search for `lowered` (lower-cased) lists `item`: title, artist, album or file name
// hold it; one beginning with "." is looked for in the format. Empty lists everything.
bool MediaFileMatches(const MediaFileRecord& item, const std::wstring& lowered);

class BASMediaFilePane : public BASContentPane {
 public:
  BASMediaFilePane(PaneDescription description, std::vector<MediaColumn> columns, MediaPaneTexts texts);
  ~BASMediaFilePane() override;

  void Update(WPARAM code, CommandRecord* record) override;
  // One listed item changed on the phone (an app whose package has been read): its row takes
  // the new name and icon in place.
  void UpdateItem(const MediaRecord& changed);
  void* NewCheckedList() const override;
  // The drop of `paths`, after its menu was answered: the files of the kind go to the host.
  void DropFiles(const std::vector<std::wstring>& paths, bool confirmed);
  size_t ItemCount() const { return m_items.size(); }

 protected:
  bool CreateExtras() override;
  std::vector<LPARAM> Matching(const std::wstring& lowered) const override;
  const std::wstring* CellText(int column, LPARAM data) const override;
  void ClearRecords() override;
  bool OnToolbarCommand(int id) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

  // Whether the pane lists `item` now, beside the search (music: the playlist shown).
  virtual bool Shows(const MediaFileRecord& item) const {
    (void)item;
    return true;
  }
  // Posts a request; frees the list it carries when there is no host.
  void Post(int64_t code, CommandRecord& record);
  MediaFileRecord* ItemAt(int row) const { return reinterpret_cast<MediaFileRecord*>(DataAt(row)); }
  const std::vector<std::unique_ptr<MediaFileRecord>>& Items() const { return m_items; }

 private:
  struct Texts {
    std::wstring duration;
    std::wstring resolution;
    std::wstring size;
  };
  void AddItems(const MediaFileList* batch, bool atTop);
  void RemoveItem(const MediaFileRecord* gone);
  void RequestExport();
  void RequestDelete();
  void OnDrop(HDROP drop);

  std::vector<MediaColumn> m_columns;
  MediaPaneTexts m_texts;
  std::vector<std::unique_ptr<MediaFileRecord>> m_items;  // owned, in arrival order
  std::unordered_map<const MediaFileRecord*, Texts> m_rowTexts;
};
