#include "modules/courier/MediaOperations.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <system_error>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/MediaRecords.h"
#include "contracts/PhotoRecords.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

// The first batch is small so the list shows at once; later ones amortise the host's work.
constexpr size_t kFirstBatch = 100;
constexpr size_t kBatch = 500;

std::wstring StemOf(const std::wstring& fileName) {
  const size_t dot = fileName.rfind(L'.');
  return dot == std::wstring::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::wstring ExtensionOf(const std::wstring& fileName) {
  const size_t dot = fileName.rfind(L'.');
  return dot == std::wstring::npos || dot == 0 ? std::wstring() : fileName.substr(dot);
}

}  // namespace

std::wstring NowText() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
  return text;
}

std::wstring SizeText(int64_t bytes) {
  wchar_t* text = BASUtilityFile::ZLGetFormatSizeFromBytes(bytes);
  if (text == nullptr) return std::to_wstring(bytes) + L" B";
  std::wstring out(text);
  std::free(text);
  return out;
}

std::wstring StoppedText(const DeviceJobs::Job& job, const wchar_t* cancelled) {
  return job.disconnected ? std::wstring(kPhoneDisconnected) : std::wstring(cancelled);
}

MediaFileRecord* MakeMediaFileRecord(const StoredMedia& item) {
  auto* record = new MediaFileRecord;
  record->identifier = item.identifier;
  record->name = item.name;
  record->source = item.phonePath;
  record->format = item.format;
  record->number = item.key;
  record->sizeBytes = item.sizeBytes;
  record->dateCreated = item.dateCreated;
  record->title = item.title.empty() ? item.name : item.title;
  record->artist = item.artist;
  record->album = item.album;
  record->durationMs = item.durationMs;
  record->width = static_cast<int32_t>(item.width);
  record->height = static_cast<int32_t>(item.height);
  record->version = item.version;
  return record;
}

void* MakeFileBatch(const std::vector<StoredMedia>& items, size_t first, size_t count) {
  auto* batch = new MediaFileList;
  batch->reserve(count);
  for (size_t i = 0; i < count; ++i) batch->push_back(MakeMediaFileRecord(items[first + i]));
  return batch;
}

void* MakeFileItem(const StoredMedia& item) { return MakeMediaFileRecord(item); }

void* MakeGoneFile(const std::wstring& identifier, int32_t rowIndex) {
  auto* gone = new MediaFileRecord;
  gone->identifier = identifier;
  gone->rowIndex = rowIndex;
  return gone;
}

void ReadCheckedFiles(const void* list, CheckedItems& items) {
  for (const MediaFileRecord* item : *static_cast<const MediaFileList*>(list))
    if (item != nullptr) items.emplace_back(item->identifier, item->rowIndex);
}

void FreeCheckedFiles(void* list) { delete static_cast<MediaFileList*>(list); }

MediaOperations::MediaOperations(const MediaServiceKind& kind, const ModuleRecord& module, WorkerThread& worker,
                                 DeviceJobs::DeviceLookup findDevice)
    : m_kind(kind), m_jobs(module, worker, std::move(findDevice), kind.noticeCommand, kind.firstTaskId) {}

void MediaOperations::OpenLibraries(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                                    const std::filesystem::path& stateFolder) {
  m_stateFolder = stateFolder;
  for (DeviceRecord* device : devices) {
    const DemoPhone* phone = catalog.Find(device->identifier);
    if (phone == nullptr) continue;
    std::unique_ptr<MediaLibrary> library = m_kind.newLibrary();
    std::string error;
    const std::string noun = WideToUtf8(library->Rules().noun);
    if (stateFolder.empty()) {
      BASTrace("libCourier: %s of a phone: no folder for the per-user data", noun.c_str());
    } else if (!library->Open(*phone, stateFolder / (FileStem(device->identifier) + m_kind.folderSuffix), error) ||
               !error.empty()) {
      BASTrace("libCourier: %s of a phone: %s", noun.c_str(), error.c_str());
    }
    SetCounts(*device, *library);
    m_libraries[device->identifier] = std::move(library);
  }
}

bool MediaOperations::OpenGeneratedLibrary(DeviceRecord& device, const std::filesystem::path& folder,
                                           const std::vector<std::filesystem::path>& files, size_t count) {
  std::unique_ptr<MediaLibrary> library = m_kind.newLibrary();
  std::string error;
  if (!library->OpenGenerated(folder, files, count, error)) {
    BASTrace("libCourier: generated library: %s", error.c_str());
    return false;
  }
  SetCounts(device, *library);
  m_libraries[device.identifier] = std::move(library);
  return true;
}

void MediaOperations::AnnounceCount(DeviceRecord& device) {
  Job job;
  job.identifier = device.identifier;
  job.device = &device;
  m_jobs.Notify(job, m_kind.countKind, nullptr);
}

MediaLibrary* MediaOperations::LibraryOf(const std::wstring& identifier) {
  auto it = m_libraries.find(identifier);
  if (it != m_libraries.end()) return it->second.get();
  std::unique_ptr<PhoneMediaStore> store = m_phoneStores ? m_phoneStores(identifier, m_kind.itemKind) : nullptr;
  if (!store) return nullptr;
  std::unique_ptr<MediaLibrary> library = m_kind.newLibrary();
  library->OpenOnPhone(std::move(store));
  return (m_libraries[identifier] = std::move(library)).get();
}

void MediaOperations::CountPhone(DeviceRecord& device) {
  MediaLibrary* library = LibraryOf(device.identifier);
  std::wstring problem;
  if (library == nullptr || !library->Refresh(problem)) return;
  SetCounts(device, *library);
  AnnounceCount(device);
}

void FreeMediaRequest(const MediaServiceKind& kind, CommandRecord& record) {
  if (record.code == kind.addOp)
    delete static_cast<PathList*>(record.data);
  else if (record.code == kind.deleteOp)
    kind.freeChecked(record.data);  // its records stay the pane's
  else if (kind.freeOther != nullptr)
    kind.freeOther(record);
  record.data = nullptr;
}

void MediaOperations::Handle(CommandRecord& record) {
  record.value = 0;
  if (record.text == nullptr || m_jobs.Find(record.text) == nullptr) {
    FreeMediaRequest(m_kind, record);
    return;
  }
  const std::wstring identifier = record.text;
  if (record.code == m_kind.loadOp) {
    record.value = m_jobs.Start(
        identifier, [this](Job& job) { RunLoad(job); }, m_kind.loadTitle);
  } else if (record.code == m_kind.addOp) {
    std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
    record.data = nullptr;
    const std::vector<std::wstring> files = paths ? *paths : std::vector<std::wstring>();
    record.value = m_jobs.Start(
        identifier, [this, files](Job& job) { RunAdd(job, files); }, m_kind.addTitle);
  } else if (record.code == m_kind.deleteOp) {
    // The pane's records stay the pane's: only what the job needs is copied.
    CheckedItems items;
    if (record.data != nullptr) m_kind.readChecked(record.data, items);
    FreeMediaRequest(m_kind, record);
    record.value = m_jobs.Start(
        identifier, [this, items](Job& job) { RunDelete(job, items); }, m_kind.deleteTitle);
  } else if (!HandleOther(record, identifier)) {
    FreeMediaRequest(m_kind, record);
  }
}

bool MediaOperations::SetCounts(DeviceRecord& device, const MediaLibrary& library) {
  const uint64_t count = library.Items().size();
  return device.counts[m_kind.itemKind].exchange(count) != count;
}

void MediaOperations::SendCount(Job& job, MediaLibrary& library) {
  if (SetCounts(*job.device, library)) m_jobs.Notify(job, m_kind.countKind, nullptr);
}

void MediaOperations::RunLoad(Job& job) {
  MediaLibrary* library = LibraryOf(job.identifier);
  if (library == nullptr) {
    m_jobs.Progress(job, 0, 0, 0, std::wstring(), true);
    return;
  }
  std::wstring problem;
  if (!library->Refresh(problem)) {
    m_jobs.Progress(job, 0, 1, 1, job.disconnected ? std::wstring(kPhoneDisconnected) : problem, true);
    return;
  }
  SendCount(job, *library);
  const std::vector<StoredMedia>& items = library->Items();
  const int64_t total = static_cast<int64_t>(items.size());
  job.device->loaded[m_kind.itemKind] = total == 0 ? 1 : static_cast<uint64_t>(total);
  size_t sent = 0;
  while (sent < items.size()) {
    if (!m_jobs.MayContinue(job)) break;
    const size_t size = std::min(sent == 0 ? kFirstBatch : kBatch, items.size() - sent);
    void* batch = m_kind.makeBatch(items, sent, size);
    CompleteBatch(job, *library, batch);
    sent += size;
    m_jobs.Notify(job, static_cast<uint32_t>(m_kind.loadOp), batch, kNotificationSuccess, BatchValue());
    m_jobs.Progress(job, static_cast<int64_t>(sent), total, 0, std::wstring());
  }
  const int64_t done = static_cast<int64_t>(sent);
  if (job.disconnected) {
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  } else if (sent == items.size()) {
    AfterLoad(job, *library);
    m_jobs.Progress(job, total, total, 0, std::wstring(), true);
  }
}

void MediaOperations::RunAdd(Job& job, const std::vector<std::wstring>& paths) {
  MediaLibrary* library = LibraryOf(job.identifier);
  ItemProgress progress(m_jobs, job, static_cast<int64_t>(paths.size()));
  if (library == nullptr) {
    progress.Stop(m_kind.noneText);
    return;
  }
  for (const std::wstring& path : paths) {
    if (!m_jobs.MayContinue(job)) break;
    StoredMedia added;
    std::wstring reason;
    bool stopped = false;
    bool replaced = false;
    const bool ok = library->Add(
        PathOfWide(path), NowText(), [&] { return m_jobs.MayContinue(job); }, added, reason, stopped, &replaced);
    if (stopped) break;
    if (ok) {
      AfterAdd(job, *library);
      NotifyAdded(job, *library, added, replaced);
      progress.Note(reason);
      progress.Done();
    } else {
      progress.Failed(reason);
    }
  }
  if (progress.AllHandled())
    progress.Finish();
  else
    progress.Stop(StoppedText(job, L"The copying was cancelled."));
  AfterChange(job);
}

void MediaOperations::NotifyAdded(Job& job, MediaLibrary& library, const StoredMedia& added, bool replaced) {
  (void)library;
  (void)replaced;
  m_jobs.Notify(job, static_cast<uint32_t>(m_kind.addOp), m_kind.makeRecord(added));
}

void MediaOperations::RunDelete(Job& job, const CheckedItems& items) {
  MediaLibrary* library = LibraryOf(job.identifier);
  ItemProgress progress(m_jobs, job, static_cast<int64_t>(items.size()));
  for (const auto& item : items) {
    if (library == nullptr || !m_jobs.MayContinue(job)) break;
    std::wstring reason = RefusedRemoval(*library, item.first);
    if (reason.empty() && library->Remove(item.first, reason)) {
      AfterRemove(job, *library, item.first);
      m_jobs.Notify(job, static_cast<uint32_t>(m_kind.deleteOp), m_kind.makeGone(item.first, item.second));
      progress.Note(reason);
      progress.Done();
    } else {
      progress.Failed(reason);
    }
  }
  if (progress.AllHandled())
    progress.Finish();
  else
    progress.Stop(StoppedText(job, L"The delete was cancelled."));
  AfterChange(job);
}

// ---- exports ----

void FreeExportRequest(CommandRecord& record) {
  if (record.code == kFileOpExport) {
    std::unique_ptr<ExportList> items(static_cast<ExportList*>(record.data));
    if (items)
      for (ExportRecord* item : *items) delete item;
  }
  record.data = nullptr;
}

MediaExports::MediaExports(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice,
                           KindLookup findKind)
    : m_jobs(module, worker, std::move(findDevice), kCourierDoFile, kFirstTaskId), m_findKind(std::move(findKind)) {}

void MediaExports::HandleFile(CommandRecord& record) {
  // `value` brings the kind in and takes the task ID out.
  const int32_t kind = static_cast<int32_t>(record.value);
  record.value = 0;
  std::vector<ExportRecord> items;
  if (record.code == kFileOpExport)
    if (const auto* list = static_cast<const ExportList*>(record.data))
      for (const ExportRecord* item : *list)
        if (item != nullptr) items.push_back(*item);
  FreeExportRequest(record);
  if (record.code != kFileOpExport || record.text == nullptr || m_jobs.Find(record.text) == nullptr) return;
  const std::wstring folder = record.payload != nullptr ? static_cast<const wchar_t*>(record.payload) : L"";
  const std::wstring identifier = record.text;
  record.value = m_jobs.Start(
      identifier,
      [this, kind, items, folder](Job& job) {
        job.folder = folder;
        RunExport(job, kind, items, folder);
      },
      L"Export files");
}

MediaExports::FileToExport MediaExports::Resolve(const std::wstring& identifier, int32_t kind,
                                                 const ExportRecord& item) {
  FileToExport file;
  file.fileName = item.fileName;
  MediaOperations* operations = m_findKind(kind);
  if (operations == nullptr) {
    file.problem = item.fileName + L": the phone holds no file for it.";
    return file;
  }
  MediaLibrary* library = operations->LibraryOf(identifier);
  const StoredMedia* stored = library != nullptr ? library->FindByKey(item.number) : nullptr;
  if (stored == nullptr || stored->phonePath != item.source) {
    file.problem = item.fileName + L": no longer on the phone; refresh the list.";
    return file;
  }
  file.library = library;
  file.item = *stored;
  return file;
}

void MediaExports::RunExport(Job& job, int32_t kind, const std::vector<ExportRecord>& items,
                             const std::wstring& folder) {
  ItemProgress progress(m_jobs, job, static_cast<int64_t>(items.size()));
  const std::filesystem::path target = PathOfWide(folder);
  std::error_code failure;
  if (folder.empty() || !std::filesystem::is_directory(target, failure)) {
    progress.Stop(L"The folder " + folder + L" is not there.");
    return;
  }
  for (const ExportRecord& item : items) {
    if (!m_jobs.MayContinue(job)) break;
    const FileToExport file = Resolve(job.identifier, kind, item);
    bool written = false;
    std::wstring reason = file.problem;
    bool stopped = false;
    const std::wstring name = file.fileName.empty() ? std::wstring(L"File") : FileStem(file.fileName);
    // The plain name first; a name taken (before or while this file is written) sends it to the
    // next free one.
    std::filesystem::path path = target / PathOfWide(name);
    for (int attempt = 0; attempt < 4 && reason.empty() && !written && !stopped; ++attempt) {
      if (attempt > 0) path = UniqueExportPath(target, StemOf(name), ExtensionOf(name));
      std::string error;
      switch (file.library->Export(
          file.item, path, [&] { return m_jobs.MayContinue(job); }, error)) {
        case CopyResult::kCopied:
          written = true;
          break;
        case CopyResult::kStopped:
          stopped = true;
          break;
        case CopyResult::kTargetExists:
          break;
        case CopyResult::kFailed:
          // The folder may go while the export runs (a card pulled, a folder deleted): what is
          // left fails with one clear line, nothing is written elsewhere.
          if (!std::filesystem::is_directory(target, failure)) {
            progress.Stop(L"The folder " + folder + L" is not there.");
            return;
          }
          reason = name + L": cannot be written (" + WideFromUtf8(error) + L").";
          break;
      }
    }
    if (stopped) break;
    if (written)
      progress.Done();
    else
      progress.Failed(reason.empty() ? L"Cannot find a free file name in " + folder : reason);
  }
  if (progress.AllHandled())
    progress.Finish();
  else
    progress.Stop(StoppedText(job, L"The export was cancelled."));
}
