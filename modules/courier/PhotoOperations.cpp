#include "modules/courier/PhotoOperations.h"

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <system_error>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

// The first batch is small so the list shows at once; later ones amortise the host's work.
constexpr size_t kFirstBatch = 100;
constexpr size_t kBatch = 500;
// Below the list row height less its margins, so the list draws it at its own size, unstretched.
constexpr int kThumbnailSide = 55;
// Thumbnails go to the pane a few at a time, so the first rows show theirs at once.
constexpr size_t kThumbnailBatch = 8;

std::wstring Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
  return text;
}

std::wstring LibraryFolderName(const std::wstring& identifier) { return FileStem(identifier) + L".photos"; }

std::wstring StemOf(const std::wstring& fileName) {
  const size_t dot = fileName.rfind(L'.');
  return dot == std::wstring::npos || dot == 0 ? fileName : fileName.substr(0, dot);
}

std::wstring ExtensionOf(const std::wstring& fileName) {
  const size_t dot = fileName.rfind(L'.');
  return dot == std::wstring::npos || dot == 0 ? std::wstring() : fileName.substr(dot);
}

}  // namespace

std::wstring SizeText(int64_t bytes) {
  wchar_t* text = BASUtilityFile::ZLGetFormatSizeFromBytes(bytes);
  if (text == nullptr) return std::to_wstring(bytes) + L" B";
  std::wstring out(text);
  std::free(text);
  return out;
}

PhotoRecord* MakePhotoRecord(const StoredPhoto& photo) {
  auto* record = new PhotoRecord;
  record->identifier = photo.identifier;
  record->name = photo.name;
  record->source = photo.phonePath;
  record->extraText = std::to_wstring(photo.width) + L" x " + std::to_wstring(photo.height);
  record->format = photo.format;
  record->number = photo.key;
  record->sizeText = SizeText(photo.sizeBytes);
  record->dateCreated = photo.dateCreated;
  return record;
}

PhotoOperations::PhotoOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice)
    : m_jobs(module, worker, findDevice, kCourierDoPhoto, kFirstTaskId),
      m_fileJobs(module, worker, findDevice, kCourierDoFile, kFirstFileTaskId) {}

void PhotoOperations::OpenLibraries(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                                    const std::filesystem::path& stateFolder) {
  for (DeviceRecord* device : devices) {
    const DemoPhone* phone = catalog.Find(device->identifier);
    if (phone == nullptr) continue;
    auto library = std::make_unique<PhotoLibrary>();
    std::string error;
    if (stateFolder.empty()) {
      BASTrace("libCourier: photos of a phone: no folder for the per-user data");
    } else if (!library->Open(*phone, stateFolder / LibraryFolderName(device->identifier), error) || !error.empty()) {
      BASTrace("libCourier: photos of a phone: %s", error.c_str());
    }
    device->counts[kKindPhotos] = library->Photos().size();
    m_libraries[device->identifier] = std::move(library);
  }
}

bool PhotoOperations::OpenGeneratedLibrary(DeviceRecord& device, const std::filesystem::path& folder,
                                           const std::vector<std::filesystem::path>& pictures, size_t count) {
  auto library = std::make_unique<PhotoLibrary>();
  std::string error;
  if (!library->OpenGenerated(folder, pictures, count, error)) {
    BASTrace("libCourier: generated photos: %s", error.c_str());
    return false;
  }
  device.counts[kKindPhotos] = library->Photos().size();
  m_libraries[device.identifier] = std::move(library);
  return true;
}

void PhotoOperations::AnnounceCount(DeviceRecord& device) {
  Job job;
  job.identifier = device.identifier;
  job.device = &device;
  m_jobs.Notify(job, kPhotoNoticeCount, nullptr);
}

PhotoLibrary* PhotoOperations::LibraryOf(const std::wstring& identifier) {
  auto it = m_libraries.find(identifier);
  return it == m_libraries.end() ? nullptr : it->second.get();
}

void FreeHandedOverLists(bool fileCommand, CommandRecord& record) {
  if (fileCommand) {
    if (record.code == kFileOpExport) {
      std::unique_ptr<ExportList> items(static_cast<ExportList*>(record.data));
      if (items)
        for (ExportRecord* item : *items) delete item;
    }
  } else if (record.code == kPhotoOpAdd || record.code == kPhotoOpThumbnails) {
    delete static_cast<PathList*>(record.data);
  } else if (record.code == kPhotoOpDelete) {
    delete static_cast<PhotoList*>(record.data);  // its records stay the pane's
  }
  record.data = nullptr;
}

void PhotoOperations::Handle(CommandRecord& record) {
  record.value = 0;
  if (record.text == nullptr || m_jobs.Find(record.text) == nullptr) {
    FreeHandedOverLists(false, record);
    return;
  }
  const std::wstring identifier = record.text;
  switch (record.code) {
    case kPhotoOpLoad:
      record.value = m_jobs.Start(
          identifier, [this](Job& job) { RunLoad(job); }, L"Load photos");
      break;
    case kPhotoOpAdd: {
      std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
      const std::vector<std::wstring> files = paths ? *paths : std::vector<std::wstring>();
      record.value = m_jobs.Start(
          identifier, [this, files](Job& job) { RunAdd(job, files); }, L"Add photos");
      break;
    }
    case kPhotoOpThumbnails: {
      std::unique_ptr<PathList> ids(static_cast<PathList*>(record.data));
      const std::vector<std::wstring> wanted = ids ? *ids : std::vector<std::wstring>();
      record.value = m_jobs.Start(identifier, [this, wanted](Job& job) { RunThumbnails(job, wanted); });
      break;
    }
    case kPhotoOpDelete: {
      // The pane's records stay the pane's: only what the job needs is copied.
      std::vector<std::pair<std::wstring, int32_t>> photos;
      if (const auto* checked = static_cast<const PhotoList*>(record.data))
        for (const PhotoRecord* photo : *checked)
          if (photo != nullptr) photos.emplace_back(photo->identifier, photo->rowIndex);
      FreeHandedOverLists(false, record);
      record.value = m_jobs.Start(
          identifier, [this, photos](Job& job) { RunDelete(job, photos); }, L"Delete photos");
      break;
    }
    default:
      break;
  }
}

void PhotoOperations::HandleFile(CommandRecord& record) {
  // `value` brings the kind in and takes the task ID out.
  const int32_t kind = static_cast<int32_t>(record.value);
  record.value = 0;
  std::vector<ExportRecord> items;
  if (record.code == kFileOpExport)
    if (const auto* list = static_cast<const ExportList*>(record.data))
      for (const ExportRecord* item : *list)
        if (item != nullptr) items.push_back(*item);
  FreeHandedOverLists(true, record);
  if (record.code != kFileOpExport || record.text == nullptr || m_fileJobs.Find(record.text) == nullptr) return;
  const std::wstring folder = record.payload != nullptr ? static_cast<const wchar_t*>(record.payload) : L"";
  const std::wstring identifier = record.text;
  record.value = m_fileJobs.Start(
      identifier,
      [this, kind, items, folder](Job& job) {
        job.folder = folder;
        RunExport(job, kind, items, folder);
      },
      L"Export files");
}

void PhotoOperations::SendCount(Job& job, PhotoLibrary& library) {
  const uint64_t count = library.Photos().size();
  if (job.device->counts[kKindPhotos].exchange(count) != count) m_jobs.Notify(job, kPhotoNoticeCount, nullptr);
}

void PhotoOperations::RunLoad(Job& job) {
  PhotoLibrary* library = LibraryOf(job.identifier);
  if (library == nullptr) {
    m_jobs.Progress(job, 0, 0, 0, std::wstring(), true);
    return;
  }
  SendCount(job, *library);
  const std::vector<StoredPhoto>& photos = library->Photos();
  const int64_t total = static_cast<int64_t>(photos.size());
  job.device->loaded[kKindPhotos] = total == 0 ? 1 : static_cast<uint64_t>(total);
  size_t sent = 0;
  while (sent < photos.size()) {
    if (!m_jobs.MayContinue(job)) break;
    const size_t size = std::min(sent == 0 ? kFirstBatch : kBatch, photos.size() - sent);
    auto* batch = new PhotoList;
    batch->reserve(size);
    for (size_t i = 0; i < size; ++i) batch->push_back(MakePhotoRecord(photos[sent + i]));
    sent += size;
    m_jobs.Notify(job, static_cast<uint32_t>(kPhotoOpLoad), batch);
    m_jobs.Progress(job, static_cast<int64_t>(sent), total, 0, std::wstring());
  }
  const int64_t done = static_cast<int64_t>(sent);
  if (job.disconnected)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else if (sent == photos.size())
    m_jobs.Progress(job, total, total, 0, std::wstring(), true);
}

bool MakeThumbnail(const std::filesystem::path& path, int side, ThumbnailRecord& thumbnail) {
  // Decoded here and let go at once: only the small copy is kept.
  Gdiplus::Bitmap source(path.wstring().c_str());
  if (source.GetLastStatus() != Gdiplus::Ok || source.GetWidth() == 0 || source.GetHeight() == 0) return false;
  const double scale = std::min(
      1.0, std::min(static_cast<double>(side) / source.GetWidth(), static_cast<double>(side) / source.GetHeight()));
  const int width = std::max(1, static_cast<int>(source.GetWidth() * scale + 0.5));
  const int height = std::max(1, static_cast<int>(source.GetHeight() * scale + 0.5));
  Gdiplus::Bitmap small(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&small);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    if (graphics.DrawImage(&source, 0, 0, width, height) != Gdiplus::Ok) return false;
  }
  Gdiplus::BitmapData data{};
  Gdiplus::Rect all(0, 0, width, height);
  if (small.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return false;
  thumbnail.width = width;
  thumbnail.height = height;
  thumbnail.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(&thumbnail.pixels[static_cast<size_t>(y) * width],
                static_cast<const char*>(data.Scan0) + y * data.Stride, static_cast<size_t>(width) * 4);
  small.UnlockBits(&data);
  return true;
}

void PhotoOperations::RunThumbnails(Job& job, const std::vector<std::wstring>& identifiers) {
  PhotoLibrary* library = LibraryOf(job.identifier);
  if (library == nullptr) return;
  auto batch = std::make_unique<ThumbnailList>();
  const auto send = [&] {
    if (batch->empty()) return;
    m_jobs.Notify(job, static_cast<uint32_t>(kPhotoOpThumbnails), batch.release());
    batch = std::make_unique<ThumbnailList>();
  };
  for (const std::wstring& id : identifiers) {
    if (!m_jobs.MayContinue(job)) break;
    const StoredPhoto* photo = library->FindByIdentifier(id);
    if (photo == nullptr) continue;
    auto thumbnail = std::make_unique<ThumbnailRecord>();
    thumbnail->identifier = id;
    if (!MakeThumbnail(library->FileOf(*photo), kThumbnailSide, *thumbnail)) continue;
    batch->push_back(thumbnail.release());
    if (batch->size() >= kThumbnailBatch) send();
  }
  send();
  for (ThumbnailRecord* left : *batch) delete left;
}

namespace {

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

std::wstring StoppedText(const DeviceJobs::Job& job, const wchar_t* cancelled) {
  return job.disconnected ? std::wstring(kPhoneDisconnected) : std::wstring(cancelled);
}

}  // namespace

void PhotoOperations::RunAdd(Job& job, const std::vector<std::wstring>& paths) {
  PhotoLibrary* library = LibraryOf(job.identifier);
  ItemProgress progress(m_jobs, job, static_cast<int64_t>(paths.size()));
  if (library == nullptr) {
    progress.Stop(L"This phone keeps no photos.");
    return;
  }
  for (const std::wstring& path : paths) {
    if (!m_jobs.MayContinue(job)) break;
    StoredPhoto added;
    std::wstring reason;
    bool stopped = false;
    const bool ok = library->Add(
        PathOfWide(path), Now(), [&] { return m_jobs.MayContinue(job); }, added, reason, stopped);
    if (stopped) break;
    if (ok) {
      m_jobs.Notify(job, static_cast<uint32_t>(kPhotoOpAdd), MakePhotoRecord(added));
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
}

void PhotoOperations::RunDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& photos) {
  PhotoLibrary* library = LibraryOf(job.identifier);
  ItemProgress progress(m_jobs, job, static_cast<int64_t>(photos.size()));
  for (const auto& photo : photos) {
    if (library == nullptr || !m_jobs.MayContinue(job)) break;
    std::wstring reason;
    if (library->Remove(photo.first, reason)) {
      auto* gone = new PhotoRecord;
      gone->identifier = photo.first;
      gone->rowIndex = photo.second;
      m_jobs.Notify(job, static_cast<uint32_t>(kPhotoOpDelete), gone);
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
}

PhotoOperations::FileToExport PhotoOperations::Resolve(const std::wstring& identifier, int32_t kind,
                                                       const ExportRecord& item) {
  FileToExport file;
  file.fileName = item.fileName;
  if (kind != kKindPhotos) {
    file.problem = item.fileName + L": the phone holds no file for it.";
    return file;
  }
  PhotoLibrary* library = LibraryOf(identifier);
  const StoredPhoto* photo = library != nullptr ? library->FindByKey(item.number) : nullptr;
  if (photo == nullptr || photo->phonePath != item.source) {
    file.problem = item.fileName + L": no longer on the phone; refresh the list.";
    return file;
  }
  file.source = library->FileOf(*photo);
  return file;
}

void PhotoOperations::RunExport(Job& job, int32_t kind, const std::vector<ExportRecord>& items,
                                const std::wstring& folder) {
  ItemProgress progress(m_fileJobs, job, static_cast<int64_t>(items.size()));
  const std::filesystem::path target = PathOfWide(folder);
  std::error_code failure;
  if (folder.empty() || !std::filesystem::is_directory(target, failure)) {
    progress.Stop(L"The folder " + folder + L" is not there.");
    return;
  }
  for (const ExportRecord& item : items) {
    if (!m_fileJobs.MayContinue(job)) break;
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
      switch (CopyFileSafely(
          file.source, path, [&] { return m_fileJobs.MayContinue(job); }, error, CopyMode::kPlain)) {
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
