#include "modules/courier/AppOperations.h"

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/AppLibrary.h"
#include "modules/courier/formats/ApkReader.h"
#include "modules/courier/formats/FormatText.h"

namespace {

std::unique_ptr<MediaLibrary> NewAppLibrary() { return std::make_unique<AppLibrary>(); }

// A bitmap of its own from PNG bytes: GDI+ keeps reading the stream a bitmap was loaded from,
// so the picture is drawn into one that needs no stream. Null when the bytes are no picture.
std::shared_ptr<Gdiplus::Bitmap> IconOfPng(const std::string& png) {
  if (png.empty()) return nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, png.size());
  if (memory == nullptr) return nullptr;
  void* bytes = GlobalLock(memory);
  if (bytes == nullptr) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(bytes, png.data(), png.size());
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  std::shared_ptr<Gdiplus::Bitmap> icon;
  {
    Gdiplus::Bitmap loaded(stream);
    const UINT width = loaded.GetWidth();
    const UINT height = loaded.GetHeight();
    if (loaded.GetLastStatus() == Gdiplus::Ok && width > 0 && height > 0) {
      auto copy =
          std::make_shared<Gdiplus::Bitmap>(static_cast<INT>(width), static_cast<INT>(height), PixelFormat32bppARGB);
      Gdiplus::Graphics graphics(copy.get());
      // Copied as they are, transparency included: a new bitmap's contents are not defined.
      graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
      if (copy->GetLastStatus() == Gdiplus::Ok &&
          graphics.DrawImage(&loaded, 0, 0, static_cast<INT>(width), static_cast<INT>(height)) == Gdiplus::Ok)
        icon = copy;
    }
  }
  stream->Release();
  return icon;
}

// An install's notice carries a batch, as a load's does: here of the one installed app.
void* MakeInstalledBatch(const StoredMedia& item) { return MakeFileBatch({item}, 0, 1); }

// The record `code` of an app notice that carries one app to refresh rather than a batch.
constexpr int64_t kOneAppNotice = 1;

}  // namespace

std::wstring AppOperations::RefusedRemoval(const MediaLibrary& library, const std::wstring& identifier) {
  const StoredMedia* stored = library.FindByIdentifier(identifier);
  if (stored == nullptr || stored->album != kSystemAppsAlbum) return std::wstring();
  const std::wstring& label = stored->title.empty() ? stored->identifier : stored->title;
  // What matters first: the progress dialog's one line cuts a long label short at its end.
  return L"Cannot uninstall the system app " + label + L".";
}

void AppOperations::AfterRemove(Job& job, MediaLibrary& library, const std::wstring& identifier) {
  SendCount(job, library);
  OwnedPtrVector<MediaRecord>& own = job.device->apps;
  BASLock::GLock(&own);
  for (size_t i = 0; i < own.size(); ++i) {
    if (own[i] != nullptr && own[i]->identifier == identifier) {
      own.DeleteAt(i);
      break;
    }
  }
  BASLock::GUnLock(&own);
}

bool AppOperations::SetCounts(DeviceRecord& device, const MediaLibrary& library) {
  const auto& items = library.Items();
  const uint64_t user = static_cast<uint64_t>(
      std::count_if(items.begin(), items.end(), [](const StoredMedia& app) { return app.album != kSystemAppsAlbum; }));
  // The user's count first: the host reads both once it hears of the change.
  const bool userChanged = device.userApps.exchange(user) != user;
  return MediaOperations::SetCounts(device, library) || userChanged;
}

void AppOperations::NotifyAdded(Job& job, MediaLibrary& library, const StoredMedia& added, bool replaced) {
  std::unique_ptr<MediaFileList> batch(static_cast<MediaFileList*>(MakeInstalledBatch(added)));
  CompleteBatch(job, library, batch.get());
  const auto kind = static_cast<uint32_t>(kAppServiceKind.addOp);
  if (replaced) {
    std::unique_ptr<MediaFileRecord> app(batch->empty() ? nullptr : batch->front());
    batch->clear();
    if (app) m_jobs.Notify(job, kind, app.release(), kNotificationSuccess, 0, kOneAppNotice);
    return;
  }
  // On top of the list; `data` names the same records, which the pane then selects.
  auto marks = std::make_unique<MediaFileList>(*batch);
  m_jobs.Notify(job, kind, batch.release(), kNotificationSuccess, 0, 0, marks.release());
}

void AppOperations::CompleteBatch(Job& job, MediaLibrary& library, void* batch) {
  auto* apps = static_cast<MediaFileList*>(batch);
  for (MediaFileRecord* app : *apps) {
    app->system = app->album == kSystemAppsAlbum;
    const StoredMedia* stored = library.FindByIdentifier(app->identifier);
    ApkInfo info;
    std::string problem;
    if (stored != nullptr && library.OnPhone()) {
      // The phone told the version; the label and icon are there once the package was read.
      std::string label;
      std::string iconPng;
      if (Labels().Find(WideToUtf8(stored->identifier), stored->versionCode, label, iconPng)) {
        app->title = formats::Utf8ToWideLenient(label);
        app->icon = IconOfPng(iconPng);
      }
    } else if (stored != nullptr && ReadApkFile(library.FileOf(*stored), info, problem)) {
      app->version = formats::Utf8ToWideLenient(info.versionName);
      if (!info.label.empty()) app->title = formats::Utf8ToWideLenient(info.label);
      app->icon = IconOfPng(info.iconPng);
    }
    // The list shows the app's label; its file name stays the package's for exports.
    app->name = app->title;
    // The device record's list, which the host updates on installs and uninstalls, holds each
    // package once: a second load (Refresh) replaces what the first put there.
    auto listed = std::make_unique<MediaRecord>();
    listed->identifier = app->identifier;
    listed->name = app->name;
    listed->version = app->version;
    listed->icon = app->icon;
    OwnedPtrVector<MediaRecord>& own = job.device->apps;
    BASLock::GLock(&own);
    bool replaced = false;
    for (size_t i = 0; i < own.size() && !replaced; ++i) {
      if (own[i] != nullptr && own[i]->identifier == app->identifier) {
        own[i]->name = listed->name;
        own[i]->version = listed->version;
        own[i]->icon = listed->icon;
        replaced = true;
      }
    }
    if (!replaced) own.push_back(listed.release());
    BASLock::GUnLock(&own);
  }
}

void AppOperations::AfterLoad(Job& job, MediaLibrary& library) {
  if (!library.OnPhone()) return;
  const AppLabelCache labels = Labels();
  std::vector<StoredMedia> unread;
  for (const StoredMedia& app : library.Items()) {
    std::string label;
    std::string iconPng;
    // System apps keep their package name: their packages are large and rarely of interest.
    if (app.album != kSystemAppsAlbum && !labels.Find(WideToUtf8(app.identifier), app.versionCode, label, iconPng))
      unread.push_back(app);
  }
  if (!unread.empty())
    m_jobs.Start(job.identifier, [this, unread](Job& describe) { DescribePhoneApps(describe, unread); });
}

void AppOperations::DescribePhoneApps(Job& job, const std::vector<StoredMedia>& apps) {
  MediaLibrary* library = LibraryOf(job.identifier);
  if (library == nullptr) return;
  AppLabelCache labels = Labels();
  std::error_code failure;
  const std::filesystem::path temporary =
      std::filesystem::temp_directory_path(failure) / (L"zs-app-" + std::to_wstring(GetCurrentProcessId()) + L".apk");
  if (failure) return;
  for (const StoredMedia& app : apps) {
    if (!m_jobs.MayContinue(job)) break;
    // A job queued before this one (another install of the same batch) may have read it.
    std::string keptLabel;
    std::string keptIcon;
    if (labels.Find(WideToUtf8(app.identifier), app.versionCode, keptLabel, keptIcon)) continue;
    std::filesystem::remove(temporary, failure);
    std::string error;
    const CopyResult pulled = library->Export(
        app, temporary, [&] { return m_jobs.MayContinue(job); }, error);
    ApkInfo info;
    std::string problem;
    const bool read = pulled == CopyResult::kCopied && ReadApkFile(temporary, info, problem);
    std::filesystem::remove(temporary, failure);
    if (!read) {
      if (pulled == CopyResult::kCopied)
        BASTrace("libCourier: app %s: %s", WideToUtf8(app.identifier).c_str(), problem.c_str());
      continue;
    }
    if (!labels.Keep(WideToUtf8(app.identifier), app.versionCode, info.label, info.iconPng))
      BASTrace("libCourier: app %s: its label is not kept", WideToUtf8(app.identifier).c_str());
    // One app to refresh: the host puts its label and icon into the device's list and the row.
    MediaFileRecord* record = MakeMediaFileRecord(app);
    record->title = formats::Utf8ToWideLenient(info.label);
    record->name = record->title;
    record->icon = IconOfPng(info.iconPng);
    m_jobs.Notify(job, static_cast<uint32_t>(kAppOpLoad), record, kNotificationSuccess, 0, kAddAppUpdate);
  }
}

const MediaServiceKind kAppServiceKind = {kKindApps,
                                          kCourierDoApp,
                                          kAppOpLoad,
                                          kAppOpAdd,
                                          kAppOpDelete,
                                          kAppNoticeCount,
                                          AppOperations::kFirstTaskId,
                                          L".apps",
                                          L"Load apps",
                                          L"Install apps",
                                          L"Uninstall apps",
                                          L"This phone keeps no apps.",
                                          NewAppLibrary,
                                          MakeFileBatch,
                                          MakeInstalledBatch,
                                          MakeGoneFile,
                                          ReadCheckedFiles,
                                          FreeCheckedFiles,
                                          nullptr};
