#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/PhotoRecords.h"
#include "kit/BASContentPane.h"

#include <shellapi.h>

#include <cstdint>
#include <memory>
#include <string>
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
  PhotoRecord* PhotoAt(int row) const { return reinterpret_cast<PhotoRecord*>(DataAt(row)); }
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
};
