#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/PhotoRecords.h"
#include "kit/BASContentPane.h"
#include "kit/GdiPlus.h"

#include <shellapi.h>

#include <cstdint>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

enum PhotoControlId : UINT {
  kRefreshButtonId = 5000,
  kDeleteButtonId = 5001,
  kSearchButtonId = 5002,
  kSearchEditId = 5003,
  kExportButtonId = 5005,
  kAddButtonId = 5006,
  kPhotoListId = 5007,
};

// The "Drag and drop here" item of the menu a drop opens.
constexpr UINT kDropMenuAddId = 1;

// One phone's photo pane: toolbar, search box and the checkable list of the phone's photos. It
// owns the photos the host streams into it, asks the host for every operation on them, and
// takes picture files dropped from the desktop or a folder window.
class DhPhotoDelegate : public BASContentPane {
 public:
  DhPhotoDelegate();
  ~DhPhotoDelegate() override;

  void Update(WPARAM code, CommandRecord* record) override;
  // The device service's small pictures of some photos; copied, shown in their rows.
  void AddThumbnails(const ThumbnailList* thumbnails);
  void* NewCheckedList() const override;

  // The drop of `paths`, after the menu was answered with `confirmed`: the picture files among
  // them go to the host as an add request. What a WM_DROPFILES runs once it has the paths.
  void DropFiles(const std::vector<std::wstring>& paths, bool confirmed);

 protected:
  bool CreateExtras() override;
  std::vector<LPARAM> Matching(const std::wstring& lowered) const override;
  const std::wstring* CellText(int column, LPARAM data) const override;
  void ClearRecords() override;
  bool OnToolbarCommand(int id) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  static Gdiplus::Bitmap* RowImage(BASListView& list, int row, void* context);
  PhotoRecord* PhotoAt(int row) const { return reinterpret_cast<PhotoRecord*>(DataAt(row)); }
  Gdiplus::Bitmap* ThumbnailOf(const PhotoRecord& photo);
  void WantThumbnail(const PhotoRecord* photo);
  void RequestThumbnails();
  void AddPhotos(const PhotoList* batch, bool atTop);
  void RemovePhoto(const PhotoRecord* gone);
  void OnDrop(HDROP drop);
  bool AskDropMenu();

  void RequestExport();
  void RequestDelete();
  void RequestAddChosen();
  void Post(int64_t code, CommandRecord& record);

  // Owned, in arrival order.
  std::vector<std::unique_ptr<PhotoRecord>> m_photos;

  // Thumbnails of the rows drawn lately, by photo identifier, the least recently drawn first
  // out: memory follows what is shown, not the length of the list.
  struct Thumbnail {
    std::unique_ptr<Gdiplus::Bitmap> image;
    std::list<std::wstring>::iterator use;
  };
  std::unordered_map<std::wstring, Thumbnail> m_thumbnails;
  std::list<std::wstring> m_thumbnailUse;
  // Asked of the host and not come yet (or never coming: a picture that cannot be decoded
  // keeps the placeholder and is not asked for again).
  std::set<std::wstring> m_thumbnailsAsked;
  std::vector<std::wstring> m_thumbnailsWanted;
  bool m_thumbnailRequestPosted = false;
};
