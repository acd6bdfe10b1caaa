// The phones' photos as the device service serves them (LIBCOURIER_COMMAND_DO_PHOTO: the list in
// batches, adds and deletes), and the one export of every media kind's files
// (LIBCOURIER_COMMAND_DO_FILE code 44). Each is a job on the service's operations thread that
// reports through DO_PHOTO notices and the progress commands. What the host's records hold is
// copied before a command returns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "contracts/PhotoRecords.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/DeviceJobs.h"
#include "modules/courier/PhotoLibrary.h"
#include "modules/courier/WorkerThread.h"

class PhotoOperations {
 public:
  // Task IDs of photo and file jobs start here, above those of contacts and messages.
  static constexpr int64_t kFirstTaskId = int64_t{2} << 40;
  static constexpr int64_t kFirstFileTaskId = int64_t{3} << 40;

  PhotoOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice);

  // Opens every phone's photo library before the phones are published and sets their counts.
  void OpenLibraries(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                     const std::filesystem::path& stateFolder);
  // Test and benchmark support: the phone's library is `count` pictures made of `pictures`.
  bool OpenGeneratedLibrary(DeviceRecord& device, const std::filesystem::path& folder,
                            const std::vector<std::filesystem::path>& pictures, size_t count);
  // A phone became ready: its photo count goes to the navigator.
  void AnnounceCount(DeviceRecord& device);
  // LIBCOURIER_COMMAND_DO_PHOTO: `value` := the task ID of the started job (0 when none).
  void Handle(CommandRecord& record);
  // LIBCOURIER_COMMAND_DO_FILE: `value` := the task ID of the started job (0 when none).
  void HandleFile(CommandRecord& record);
  void Cancel(int64_t taskId) {
    m_jobs.Cancel(taskId);
    m_fileJobs.Cancel(taskId);
  }

 private:
  typedef DeviceJobs::Job Job;
  struct FileToExport {
    std::filesystem::path source;  // empty: not found, `problem` says why
    std::wstring fileName;
    std::wstring problem;
  };

  void RunLoad(Job& job);
  void RunAdd(Job& job, const std::vector<std::wstring>& paths);
  void RunThumbnails(Job& job, const std::vector<std::wstring>& identifiers);
  void RunDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& photos);
  void RunExport(Job& job, int32_t kind, const std::vector<ExportRecord>& items, const std::wstring& folder);
  FileToExport Resolve(const std::wstring& identifier, int32_t kind, const ExportRecord& item);
  PhotoLibrary* LibraryOf(const std::wstring& identifier);
  void SendCount(Job& job, PhotoLibrary& library);

  DeviceJobs m_jobs;
  DeviceJobs m_fileJobs;
  // By phone identifier; filled before the phones are published, then used only by jobs, all on
  // the one operations thread.
  std::map<std::wstring, std::unique_ptr<PhotoLibrary>> m_libraries;
};

// Frees the lists a DO_PHOTO (or, `fileCommand`, a DO_FILE) request hands over: they are the
// service's to free whether or not it serves the request (an export's records with them, a
// delete's records stay the pane's).
void FreeHandedOverLists(bool fileCommand, CommandRecord& record);
// The record the host and the pane receive for a stored photo.
PhotoRecord* MakePhotoRecord(const StoredPhoto& photo);
// The picture at `path` scaled to fit `side` x `side`, keeping its proportions; false when it
// cannot be decoded (GDI+ not started, a damaged file).
bool MakeThumbnail(const std::filesystem::path& path, int side, ThumbnailRecord& thumbnail);
// "1.2 MB" for a number of bytes.
std::wstring SizeText(int64_t bytes);
