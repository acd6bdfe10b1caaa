// The phones' photos as the device service serves them (LIBCOURIER_COMMAND_DO_PHOTO): the shared
// media operations over the photo library, and small pictures for the rows a pane shows.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "contracts/PhotoRecords.h"
#include "modules/courier/MediaOperations.h"
#include "modules/courier/PhotoLibrary.h"

extern const MediaServiceKind kPhotoServiceKind;

class PhotoOperations : public MediaOperations {
 public:
  // Task IDs of photo jobs start here, above those of contacts and messages.
  static constexpr int64_t kFirstTaskId = int64_t{2} << 40;

  PhotoOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice)
      : MediaOperations(kPhotoServiceKind, module, worker, std::move(findDevice)) {}

 protected:
  bool HandleOther(CommandRecord& record, const std::wstring& identifier) override;

 private:
  void RunThumbnails(Job& job, const std::vector<std::wstring>& identifiers);
};

// The record the host and the pane receive for a stored photo.
PhotoRecord* MakePhotoRecord(const StoredPhoto& photo);
// The picture at `path` scaled to fit `side` x `side`, keeping its proportions; false when it
// cannot be decoded (GDI+ not started, a damaged file).
bool MakeThumbnail(const std::filesystem::path& path, int side, ThumbnailRecord& thumbnail);
