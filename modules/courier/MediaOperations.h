// The phones' media files as the device service serves them, one instance per kind
// (LIBCOURIER_COMMAND_DO_PHOTO, _DO_MUSIC, _DO_VIDEO, ...: the list in batches, adds and
// deletes), and the one export of every media kind's files (LIBCOURIER_COMMAND_DO_FILE code
// 44). Each is a job on the service's operations thread that reports through the kind's
// notices and the progress commands. What the host's records hold is copied before a command
// returns.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/DeviceJobs.h"
#include "modules/courier/MediaLibrary.h"
#include "modules/courier/WorkerThread.h"

// A checked item of a delete request: the phone's id and the pane's row.
typedef std::vector<std::pair<std::wstring, int32_t>> CheckedItems;

// How the service serves one media kind: its codes, its library, and the records its notices carry.
struct MediaServiceKind {
  int32_t itemKind;
  const char* noticeCommand;
  int64_t loadOp;
  int64_t addOp;
  int64_t deleteOp;
  uint32_t countKind;
  int64_t firstTaskId;          // each kind its own range, so a cancel names one job
  const wchar_t* folderSuffix;  // the library folder: the phone's name and this, L".photos"
  const wchar_t* loadTitle;     // for the task list
  const wchar_t* addTitle;
  const wchar_t* deleteTitle;
  const wchar_t* noneText;  // a phone without a library: L"This phone keeps no photos."
  std::unique_ptr<MediaLibrary> (*newLibrary)();
  // The records the host and the pane receive: a list of `count` items from `first`, one item,
  // and the report of a deleted one.
  void* (*makeBatch)(const std::vector<StoredMedia>& items, size_t first, size_t count);
  void* (*makeRecord)(const StoredMedia& item);
  void* (*makeGone)(const std::wstring& identifier, int32_t rowIndex);
  // A delete request's checked list, read during the call; the records stay the pane's.
  void (*readChecked)(const void* list, CheckedItems& items);
  void (*freeChecked)(void* list);
  // What another of the kind's requests hands over (null: nothing).
  void (*freeOther)(CommandRecord& record);
};

// Frees what a request of `kind` hands over, whether or not it is served; `data` is then null.
void FreeMediaRequest(const MediaServiceKind& kind, CommandRecord& record);

// The progress of a job over a number of items. The dialog adds up the failures it is told, so
// each report carries only those new since the last one; its position is the items handled.
class ItemProgress {
 public:
  ItemProgress(DeviceJobs& jobs, DeviceJobs::Job& job, int64_t total) : m_jobs(jobs), m_job(job), m_total(total) {}
  void Done() {
    ++m_done;
    Report(0, false);
  }
  void Failed(const std::wstring& why) {
    m_problem = why;
    Report(1, false);
  }
  // A note that changes no count (an item done with a warning).
  void Note(const std::wstring& why) {
    if (!why.empty()) m_problem = why;
  }
  void Finish() { Report(0, true); }
  // The items not reached fail with `why`.
  void Stop(const std::wstring& why) {
    m_problem = why;
    Report(m_total - m_done - m_failed, true);
  }
  bool AllHandled() const { return m_done + m_failed >= m_total; }

 private:
  void Report(int64_t newFailures, bool finish) {
    m_failed += newFailures;
    m_jobs.Progress(m_job, m_done + m_failed, m_total, newFailures, m_problem, finish);
  }
  DeviceJobs& m_jobs;
  DeviceJobs::Job& m_job;
  int64_t m_total;
  int64_t m_done = 0;
  int64_t m_failed = 0;
  std::wstring m_problem;
};

// "The phone was disconnected." or `cancelled`.
std::wstring StoppedText(const DeviceJobs::Job& job, const wchar_t* cancelled);

class MediaOperations {
 public:
  typedef DeviceJobs::Job Job;

  MediaOperations(const MediaServiceKind& kind, const ModuleRecord& module, WorkerThread& worker,
                  DeviceJobs::DeviceLookup findDevice);
  virtual ~MediaOperations() = default;
  MediaOperations(const MediaOperations&) = delete;
  MediaOperations& operator=(const MediaOperations&) = delete;

  const MediaServiceKind& Kind() const { return m_kind; }
  // Opens every phone's library before the phones are published and sets their counts.
  void OpenLibraries(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                     const std::filesystem::path& stateFolder);
  // Test and benchmark support: the phone's library is `count` items made of `files`.
  bool OpenGeneratedLibrary(DeviceRecord& device, const std::filesystem::path& folder,
                            const std::vector<std::filesystem::path>& files, size_t count);
  // A phone became ready: its count goes to the navigator.
  void AnnounceCount(DeviceRecord& device);
  // The kind's DO command: `value` := the task ID of the started job (0 when none).
  void Handle(CommandRecord& record);
  void Cancel(int64_t taskId) { m_jobs.Cancel(taskId); }
  void SetInterrupt(std::function<void(std::thread::id worker)> interrupt) {
    m_jobs.SetInterrupt(std::move(interrupt));
  }
  // Only on the operations thread once the phones are published.
  MediaLibrary* LibraryOf(const std::wstring& identifier);
  // Where the libraries of phones that keep their files themselves come from (phones reached
  // through adb): asked on the operations thread for a phone without a library; null: none.
  typedef std::function<std::unique_ptr<PhoneMediaStore>(const std::wstring& identifier, int32_t itemKind)>
      PhoneStoreFactory;
  void SetPhoneStores(PhoneStoreFactory factory) { m_phoneStores = std::move(factory); }
  // On the operations thread: reads the phone's list again and tells its count.
  void CountPhone(DeviceRecord& device);

 protected:
  // A code beyond load, add and delete: true when the kind served it.
  virtual bool HandleOther(CommandRecord& record, const std::wstring& identifier) {
    (void)record;
    (void)identifier;
    return false;
  }
  // After the last batch of a load that ran to its end.
  virtual void AfterLoad(Job& job, MediaLibrary& library) {
    (void)job;
    (void)library;
  }
  // After an add or a delete has handled its last item.
  virtual void AfterChange(Job& job) { (void)job; }
  // After an item came, before its notice.
  virtual void AfterAdd(Job& job, MediaLibrary& library) {
    (void)job;
    (void)library;
  }
  // Tells the host of an item that came; `replaced`: it took the place of the item of its
  // identifier (an app installed again).
  virtual void NotifyAdded(Job& job, MediaLibrary& library, const StoredMedia& added, bool replaced);
  // Why an item may not go (apps: a system app), for the user; empty when it may.
  virtual std::wstring RefusedRemoval(const MediaLibrary& library, const std::wstring& identifier) {
    (void)library;
    (void)identifier;
    return std::wstring();
  }
  // After an item went, before its notice.
  virtual void AfterRemove(Job& job, MediaLibrary& library, const std::wstring& identifier) {
    (void)job;
    (void)library;
    (void)identifier;
  }
  // A load batch before it goes out: what a kind reads from the files themselves (apps: version,
  // label, icon).
  virtual void CompleteBatch(Job& job, MediaLibrary& library, void* batch) {
    (void)job;
    (void)library;
    (void)batch;
  }
  // The `value` of a load batch's notice (apps: 1, appended below the batches before it).
  virtual int64_t BatchValue() const { return 0; }
  // The device record's counts of the kind as `library` holds it; whether any changed.
  virtual bool SetCounts(DeviceRecord& device, const MediaLibrary& library);
  void SendCount(Job& job, MediaLibrary& library);

  const MediaServiceKind& m_kind;
  DeviceJobs m_jobs;
  std::filesystem::path m_stateFolder;  // the per-user folder the libraries live in; empty: none

 private:
  void RunLoad(Job& job);
  void RunAdd(Job& job, const std::vector<std::wstring>& paths);
  void RunDelete(Job& job, const CheckedItems& items);

  // By phone identifier; filled before the phones are published, then used only by jobs, all on
  // the one operations thread.
  std::map<std::wstring, std::unique_ptr<MediaLibrary>> m_libraries;
  PhoneStoreFactory m_phoneStores;
};

// LIBCOURIER_COMMAND_DO_FILE: the export of any media kind's files, byte for byte, never over a
// file already there.
class MediaExports {
 public:
  static constexpr int64_t kFirstTaskId = int64_t{3} << 40;
  typedef std::function<MediaOperations*(int32_t itemKind)> KindLookup;

  MediaExports(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice,
               KindLookup findKind);
  // `value` := the task ID of the started job (0 when none).
  void HandleFile(CommandRecord& record);
  void Cancel(int64_t taskId) { m_jobs.Cancel(taskId); }
  void SetInterrupt(std::function<void(std::thread::id worker)> interrupt) {
    m_jobs.SetInterrupt(std::move(interrupt));
  }

 private:
  typedef DeviceJobs::Job Job;
  struct FileToExport {
    MediaLibrary* library = nullptr;  // null: not found, `problem` says why
    StoredMedia item;
    std::wstring fileName;
    std::wstring problem;
  };
  void RunExport(Job& job, int32_t kind, const std::vector<ExportRecord>& items, const std::wstring& folder);
  FileToExport Resolve(const std::wstring& identifier, int32_t kind, const ExportRecord& item);

  DeviceJobs m_jobs;
  KindLookup m_findKind;
};

// The records of the kinds whose items are MediaFileRecords (songs, videos, books), for
// MediaServiceKind.
void* MakeFileBatch(const std::vector<StoredMedia>& items, size_t first, size_t count);
void* MakeFileItem(const StoredMedia& item);
void* MakeGoneFile(const std::wstring& identifier, int32_t rowIndex);
void ReadCheckedFiles(const void* list, CheckedItems& items);
void FreeCheckedFiles(void* list);
MediaFileRecord* MakeMediaFileRecord(const StoredMedia& item);

// Frees an export request's list (and its records).
void FreeExportRequest(CommandRecord& record);
// "1.2 MB" for a number of bytes.
std::wstring SizeText(int64_t bytes);
// The local time as "YYYY-MM-DD HH:MM".
std::wstring NowText();
