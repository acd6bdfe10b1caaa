#include "host/MediaController.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/PhotoRecords.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"
#include "host/HostState.h"
#include "host/MediaKind.h"
#include "host/MusicController.h"
#include "host/UiRouter.h"

namespace {

template <class T>
void ClearBatch(void* batch) {
  static_cast<std::vector<T*>*>(batch)->clear();
}

template <class T>
void SendAsList(const char* command, CommandRecord& record, void* item) {
  std::vector<T*> one = {static_cast<T*>(item)};
  record.payload = &one;
  CommandBus::Instance().Send(command, &record);
}

// ---- photos ----

void DisposePhotoItem(uint32_t kind, void* item) {
  if (kind == kPhotoOpLoad)
    DeleteList(static_cast<PhotoList*>(item));
  else if (kind == kPhotoOpAdd || kind == kPhotoOpDelete)
    delete static_cast<PhotoRecord*>(item);
  else if (kind == kPhotoOpThumbnails)
    DeleteList(static_cast<ThumbnailList*>(item));
}

void FreePhotoList(void* list) { delete static_cast<PhotoList*>(list); }

void ForgetPhoto(DeviceRecord& device, const void* item) {
  const auto* gone = static_cast<const PhotoRecord*>(item);
  OwnedPtrVector<PhotoRecord>& own = device.photos;
  auto match = std::find_if(own.begin(), own.end(),
                            [&](const PhotoRecord* p) { return p != nullptr && p->identifier == gone->identifier; });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
}

// ---- the kinds whose items are MediaFileRecords: books, music, videos (and apps until they
// bring their own) ----

template <int64_t kLoad, int64_t kAdd, int64_t kDelete>
void DisposeFileItem(uint32_t kind, void* item) {
  if (kind == kLoad)
    DeleteList(static_cast<MediaFileList*>(item));
  else if (kind == kAdd || kind == kDelete)
    delete static_cast<MediaFileRecord*>(item);
}

void FreeFileList(void* list) { delete static_cast<MediaFileList*>(list); }

template <OwnedPtrVector<MediaFileRecord> DeviceRecord::*kList>
void ForgetFile(DeviceRecord& device, const void* item) {
  const auto* gone = static_cast<const MediaFileRecord*>(item);
  OwnedPtrVector<MediaFileRecord>& own = device.*kList;
  auto match = std::find_if(own.begin(), own.end(), [&](const MediaFileRecord* p) {
    return p != nullptr && p->identifier == gone->identifier;
  });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
}

// The device service reads and changes the phone's app list on its threads: every touch of it
// here is under the list's lock.
void ForgetApp(DeviceRecord& device, const void* item) {
  const auto* gone = static_cast<const MediaRecord*>(item);
  BASLock::GLock(&device.apps);
  OwnedPtrVector<MediaRecord>& own = device.apps;
  auto match = std::find_if(own.begin(), own.end(),
                            [&](const MediaRecord* p) { return p != nullptr && p->identifier == gone->identifier; });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
  BASLock::GUnLock(&device.apps);
}

// ---- apps: what only they do ----

// A notice of kinds 37 and 38 with record `code` 0 carries a batch (a load's, an install's), of
// kind 39 the uninstalled app.
void DisposeAppItem(uint32_t kind, void* item) {
  if (kind == kAppOpLoad || kind == kAppOpAdd)
    DeleteList(static_cast<MediaFileList*>(item));
  else if (kind == kAppOpDelete)
    delete static_cast<MediaFileRecord*>(item);
}

// ... and with any other code one app, not a batch.
void DisposeOneApp(uint32_t kind, void* item) {
  if (kind == kAppOpLoad || kind == kAppOpAdd || kind == kAppOpDelete) delete static_cast<MediaFileRecord*>(item);
}

// One app changed on the phone (an install over an installed package): the device's record of
// it takes the new label and icon, and the pane is told to show them. The item goes either way.
void OnAppUpdated(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  std::unique_ptr<MediaFileRecord> item(notice.Item<MediaFileRecord>());
  notice.TakeItem();
  if (!item) return;
  MediaRecord* found = nullptr;
  // Changed under the lock too, not only found: the service may be reading the record.
  BASLock::GLock(&device.apps);
  for (MediaRecord* app : device.apps) {
    if (app != nullptr && app->identifier == item->identifier) {
      found = app;
      found->name = item->name;
      found->version = item->version;
      found->icon = std::move(item->icon);  // the old icon goes with its last owner
      break;
    }
  }
  BASLock::GUnLock(&device.apps);
  if (found == nullptr || !MediaPaneCanKeep(kind, copy.window)) return;
  CommandRecord update = copy;
  update.code = kAddAppUpdate;
  update.data = nullptr;
  update.payload = found;
  CommandBus::Instance().Send(kind.addCommand, &update);
}

// A list batch (load) or the apps an install added: `value` 0 puts them on top, else they are
// appended; an install's `data` names those the pane marks as just installed.
void OnAppList(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, bool install) {
  std::unique_ptr<MediaFileList> installed(static_cast<MediaFileList*>(copy.data));  // the batch's records
  if (!MediaPaneCanKeep(kind, copy.window)) return;
  if (!install) SyncListTask(kind.listCommands, copy, notice->taskId);
  auto* batch = notice.Item<MediaFileList>();
  CommandRecord add = copy;
  add.data = nullptr;
  if (batch != nullptr) {
    add.code = copy.value == 0 ? kAddMediaInsertTop : kAddMediaAppend;
    add.payload = batch;
    CommandBus::Instance().Send(kind.addCommand, &add);
  }
  if (install && installed && !installed->empty()) {
    add.code = kAddAppInstalled;
    add.payload = installed.get();
    CommandBus::Instance().Send(kind.addCommand, &add);
  }
  if (batch != nullptr) batch->clear();  // the records are the pane's now
}

bool RouteAppNotice(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  const int64_t what = notice->kind;
  if (what == kAppOpDelete) {
    // The service has taken the app off the device's list and counted it out.
    SendDeviceCount(copy.window, kind.navigatorItems, device, kind.itemKind);
    if (notice.Item<void>() == nullptr || !MediaPaneCanKeep(kind, copy.window)) return true;
    CommandRecord remove = copy;
    remove.payload = notice.Item<void>();
    CommandBus::Instance().Send(kind.deleteCommand, &remove);
    return true;
  }
  if (what != kAppOpLoad && what != kAppOpAdd) return false;
  if (copy.code != 0) {
    OnAppUpdated(kind, copy, notice, device);
    return true;
  }
  if (what == kAppOpAdd) SendDeviceCount(copy.window, kind.navigatorItems, device, kind.itemKind);
  OnAppList(kind, copy, notice, what == kAppOpAdd);
  return true;
}

const std::vector<MediaKind>& Kinds() {
  static const std::vector<MediaKind> kinds = {
      {kKindPhotos,
       kGalleryDoPhoto,
       kCourierDoPhoto,
       {kGalleryGetListTaskId, kGalleryClearData, kGallerySetListTaskId},
       kGalleryAddPhoto,
       kGalleryDeletePhoto,
       kGalleryDoPhoto,
       {kSectionPhoneGallery, kSectionPhotos},
       kPhotoOpLoad,
       kPhotoOpDelete,
       kPhotoOpAdd,
       kPhotoNoticeCount,
       kPhotoOpAdd,
       "picture:export:dir",
       L"Loading Photos",
       L"Please select photo files.",
       {{L"Images Files(*.jpg;*.gif;*.png;*.bmp;*.webp)", L"*.jpg;*.gif;*.png;*.bmp;*.webp"},
        {L"All Files(*.*)", L"*.*"}},
       L"Do you really want to delete the checked photo",
       true,
       DisposePhotoItem,
       FreePhotoList,
       ForgetPhoto,
       ClearBatch<PhotoRecord>,
       SendAsList<PhotoRecord>,
       {},
       {},
       kPhotoRequestThumbnails,
       kPhotoOpThumbnails,
       kPhotoPaneThumbnails,
       nullptr,
       nullptr,
       false},
      {kKindApps,
       kPackagesDoApp,
       kCourierDoApp,
       {kPackagesGetListTaskId, kPackagesClearData, kPackagesSetListTaskId},
       kPackagesAddApp,
       kPackagesDeleteApp,
       kPackagesDoApp,
       {kSectionUserApps, kSectionApps},
       kAppOpLoad,
       kAppOpDelete,
       kAppOpAdd,
       kAppNoticeCount,
       kAppOpDelete,
       "app:export:dir",
       L"Loading Apps",
       L"Please select apk files.",
       {{L"Apk Files", L"*.apk"}},
       L"Do you really want to uninstall the checked app",
       true,
       DisposeAppItem,
       FreeFileList,
       ForgetApp,
       ClearBatch<MediaFileRecord>,
       SendAsList<MediaFileRecord>,
       {},
       {nullptr, RouteAppNotice, nullptr},
       0,
       0,
       0,
       DisposeOneApp,
       FreeFileList,
       true},
      {kKindBooks,
       kReaderDoEbook,
       kCourierDoEbook,
       {kReaderGetListTaskId, kReaderClearData, kReaderSetListTaskId},
       kReaderAddEbook,
       kReaderDeleteEbook,
       kReaderDoEbook,
       {kSectionBooks},
       kBookOpLoad,
       kBookOpDelete,
       kBookOpAdd,
       kBookNoticeCount,
       kBookOpAdd,
       "ebook:export:dir",
       L"Loading Ebooks",
       L"Please select book files.",
       {{L"Book File(*.*)", L"*.*"}},
       L"Do you really want to delete the checked book",
       true,
       DisposeFileItem<kBookOpLoad, kBookOpAdd, kBookOpDelete>,
       FreeFileList,
       ForgetFile<&DeviceRecord::books>,
       ClearBatch<MediaFileRecord>,
       SendAsList<MediaFileRecord>,
       {},
       {},
       0,
       0,
       0,
       nullptr,
       nullptr,
       false},
      {kKindMusic,
       kTunesDoMusic,
       kCourierDoMusic,
       {kTunesGetListTaskId, kTunesClearData, kTunesSetListTaskId},
       kTunesAddMusic,
       kTunesDeleteMusic,
       kTunesDoMusic,
       {kSectionMusic},
       kMusicOpLoad,
       kMusicOpDelete,
       kMusicOpAdd,
       kMusicNoticeCount,
       kMusicNoticeLeft,
       "music:export:dir",
       L"Loading Music",
       L"Please select music files.",
       {{L"Audio Files(*.3gp;*.mp4;*.m4a;*.aac;*.ts;*.flac;*.mp3;*.mid;*.ogg;*.mkv;*.wav)",
         L"*.3gp;*.mp4;*.m4a;*.aac;*.ts;*.flac;*.mp3;*.mid;*.ogg;*.mkv;*.wav"},
        {L"All Files(*.*)", L"*.*"}},
       L"Do you really want to delete the checked music",
       false,
       DisposeMusicItem,
       FreeFileList,
       ForgetFile<&DeviceRecord::songs>,
       ClearBatch<MediaFileRecord>,
       SendAsList<MediaFileRecord>,
       {},
       kMusicHooks,
       0,
       0,
       0,
       nullptr,
       nullptr,
       false},
      {kKindVideos,
       kMoviesDoVideo,
       kCourierDoVideo,
       {kMoviesGetListTaskId, kMoviesClearData, kMoviesSetListTaskId},
       kMoviesAddVideo,
       kMoviesDeleteVideo,
       kMoviesDoVideo,
       {kSectionVideos},
       kVideoOpLoad,
       kVideoOpDelete,
       kVideoOpAdd,
       kVideoNoticeCount,
       kVideoNoticeJobEnded,
       "sms:export:dir",  // shared with the messages
       L"Loading Videos",
       L"Please select video files.",
       {{L"Video Files(*.webm;*.3gp;*.mp4;*.ts;*.mkv)", L"*.webm;*.3gp;*.mp4;*.ts;*.mkv"}, {L"All Files(*.*)", L"*.*"}},
       L"Do you really want to delete the checked video",
       true,
       DisposeFileItem<kVideoOpLoad, kVideoOpAdd, kVideoOpDelete>,
       FreeFileList,
       ForgetFile<&DeviceRecord::videos>,
       ClearBatch<MediaFileRecord>,
       SendAsList<MediaFileRecord>,
       {{kVideoNoticeJobEnded, kVideoPaneJobEnded}},
       {},
       0,
       0,
       0,
       nullptr,
       nullptr,
       false},
  };
  return kinds;
}

const MediaKind* KindOfRequest(const char* name) {
  for (const MediaKind& kind : Kinds())
    if (std::strcmp(name, kind.requestCommand) == 0) return &kind;
  return nullptr;
}

const MediaKind* KindOfNotice(const char* name) {
  for (const MediaKind& kind : Kinds())
    if (std::strcmp(name, kind.noticeCommand) == 0) return &kind;
  return nullptr;
}

CommandBus& Bus() { return CommandBus::Instance(); }

std::wstring TitleOf(const CommandRecord& request) { return request.text != nullptr ? request.text : L""; }

void FreeExportList(void* list) {
  std::unique_ptr<ExportList> items(static_cast<ExportList*>(list));
  if (items)
    for (ExportRecord* item : *items) delete item;
}

// ---- requests of a pane ----

void RequestLoad(const MediaKind& kind, const ContentRequest& request) {
  StartProgress(request.progress, ProgressStyle::kClosesByItself,
                ToNavigatorCount(request.device->counts[kind.itemKind].load()), kind.loadingText);
  CommandRecord load;
  load.code = kind.loadOp;
  SendCancellableOperation(kind.noticeCommand, load, request);
}

void RequestExport(const MediaKind& kind, const CommandRecord& incoming, const ContentRequest& request,
                   void*& checked) {
  if (incoming.count <= 0 || checked == nullptr) {
    ShowNothingChecked(request.owner);
    return;
  }
  const std::wstring folder = AskExportFolder(request.owner, kind.exportKey);
  if (folder.empty() || !IsStillConnected(request)) return;
  StartProgress(request.progress, ProgressStyle::kShowsFolder, incoming.count, TitleOf(incoming), folder);
  CommandRecord exportOp;
  exportOp.code = kFileOpExport;
  exportOp.value = kind.itemKind;
  exportOp.data = checked;
  checked = nullptr;  // the device service's now
  exportOp.payload = const_cast<wchar_t*>(folder.c_str());
  SendCancellableOperation(kCourierDoFile, exportOp, request);
}

void SendAdd(const MediaKind& kind, const CommandRecord& incoming, const ContentRequest& request, PathList* paths,
             int64_t total) {
  StartProgress(request.progress, ProgressStyle::kWaitsForUser, total, TitleOf(incoming));
  CommandRecord addOp;
  addOp.code = kind.addOp;
  if (kind.addValueBySubKind) addOp.value = incoming.value == kAppInstallChosenSubKind ? 0 : 1;
  addOp.data = paths;  // the device service takes it over
  SendCancellableOperation(kind.noticeCommand, addOp, request);
}

void RequestAddChosen(const MediaKind& kind, const CommandRecord& incoming, const ContentRequest& request) {
  OpenFilesQuery query;
  query.owner = request.owner;
  query.title = kind.openTitle;
  query.filters = kind.filters;
  PathList chosen = PickFiles(query);
  if (chosen.empty() || !IsStillConnected(request)) return;
  SendAdd(kind, incoming, request, new PathList(std::move(chosen)), 0);
}

void RequestDelete(const MediaKind& kind, const CommandRecord& incoming, const ContentRequest& request,
                   void*& checked) {
  if (incoming.count <= 0 || checked == nullptr) {
    ShowNothingChecked(request.owner);
    return;
  }
  if (!ConfirmForChecked(request.owner, kind.question, incoming.count, kind.plural)) return;
  if (!IsStillConnected(request)) return;
  StartProgress(request.progress, ProgressStyle::kClosesByItself, incoming.count, TitleOf(incoming));
  CommandRecord deleteOp;
  deleteOp.code = kind.deleteOp;
  deleteOp.data = checked;
  checked = nullptr;
  SendCancellableOperation(kind.noticeCommand, deleteOp, request);
}

int32_t OnMediaRequest(CommandRecord* incoming) {
  const MediaKind* kind = KindOfRequest(incoming->name);
  if (kind == nullptr) return 0;
  const int64_t code = incoming->code;
  // The lists of an export, an add of given files and a delete are the host's now: they go on to
  // the device service with the operation or are deleted on the way out.
  void* exportList = code == kMediaRequestExport ? incoming->data : nullptr;
  void* checkedList = code == kMediaRequestDelete ? incoming->data : nullptr;
  const bool thumbnails = kind->thumbnailRequest != 0 && code == kind->thumbnailRequest;
  std::unique_ptr<PathList> paths(code == kMediaRequestAddFiles || thumbnails ? static_cast<PathList*>(incoming->data)
                                                                              : nullptr);
  struct Leftovers {
    const MediaKind& kind;
    void*& exported;
    void*& checked;
    ~Leftovers() {
      FreeExportList(exported);
      if (checked != nullptr) kind.freeCheckedList(checked);
    }
  } leftovers{*kind, exportList, checkedList};

  const bool shared = code >= kMediaRequestLoad && code <= kMediaRequestDelete;
  if (!shared && !thumbnails && kind->hooks.request == nullptr) return 0;
  ContentRequest request;
  if (!ResolveContentRequest(incoming->window, request)) {
    // The kind's own requests hand lists over too: its hook frees them for a phone that is gone.
    if (!shared && !thumbnails) kind->hooks.request(*kind, *incoming, request);
    return 0;
  }
  if (!shared && !thumbnails) {
    kind->hooks.request(*kind, *incoming, request);
    return 0;
  }
  if (thumbnails) {
    // Quiet work for the rows in view: no dialog, nothing to cancel.
    CommandRecord op;
    op.code = kind->thumbnailOp;
    op.text = request.identifier.c_str();
    op.data = paths.release();  // the device service takes it over
    Bus().Send(kind->noticeCommand, &op);
    return 0;
  }
  switch (code) {
    case kMediaRequestLoad:
      RequestLoad(*kind, request);
      break;
    case kMediaRequestExport:
      RequestExport(*kind, *incoming, request, exportList);
      break;
    case kMediaRequestAddChosen:
      RequestAddChosen(*kind, *incoming, request);
      break;
    case kMediaRequestAddFiles:
      if (paths && !paths->empty()) SendAdd(*kind, *incoming, request, paths.release(), incoming->count);
      break;
    case kMediaRequestDelete:
      RequestDelete(*kind, *incoming, request, checkedList);
      break;
    default:
      break;
  }
  return 0;
}

// ---- notices of the device service ----

// Any thread: a count change goes to the navigator at once; everything that touches the pane
// or the device record's lists is finished on the UI thread.
int32_t OnMediaNotice(CommandRecord* incoming) {
  const MediaKind* kind = KindOfNotice(incoming->name);
  if (kind == nullptr) return 0;
  OwnedNotice notice(static_cast<NotificationPayload*>(incoming->payload), DisposerOf(*kind, *incoming));
  if (!notice) return 0;
  DeviceRecord* device = notice->device;
  HWND deviceView = device != nullptr ? Host().devices.WindowOfIdentifier(device->identifier) : nullptr;
  if (notice->kind == kind->countKind) {
    if (device != nullptr) SendDeviceCount(deviceView, kind->navigatorItems, *device, kind->itemKind);
    return 0;
  }
  const int64_t what = notice->kind;
  const bool posted = what >= kind->loadOp && what <= static_cast<int64_t>(kind->lastPostedKind);
  if (!posted && (kind->thumbnailOp == 0 || what != kind->thumbnailOp)) return 0;
  CommandRecord copy = *incoming;
  copy.window = deviceView;
  // The sender's text lives only as long as this call; nothing on the UI thread reads it.
  copy.text = nullptr;
  if (PostRecordToRouter(kind->noticeCommand, copy))
    notice.Release();
  else if (kind->freeNoticeData != nullptr)
    kind->freeNoticeData(incoming->data);
  return 0;
}

void OnBatch(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice) {
  if (!MediaPaneCanKeep(kind, copy.window)) return;
  SyncListTask(kind.listCommands, copy, notice->taskId);
  void* batch = notice.Item<void>();
  if (batch == nullptr) return;
  CommandRecord add = copy;
  add.code = kAddMediaAppend;
  add.payload = batch;
  Bus().Send(kind.addCommand, &add);
  kind.clearBatch(batch);  // the items are the pane's; the vector goes with the notice
}

void OnDeleted(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  DecrementCount(device.counts[kind.itemKind]);
  SendDeviceCount(copy.window, kind.navigatorItems, device, kind.itemKind);
  void* gone = notice.Item<void>();
  if (gone == nullptr) return;
  if (kind.hooks.beforeDelete != nullptr) kind.hooks.beforeDelete(kind, copy, device, gone);
  CommandRecord remove = copy;
  remove.payload = gone;
  Bus().Send(kind.deleteCommand, &remove);
  kind.forgetItem(device, gone);
}

void OnAdded(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  IncrementCount(device.counts[kind.itemKind]);
  SendDeviceCount(copy.window, kind.navigatorItems, device, kind.itemKind);
  if (!MediaPaneCanKeep(kind, copy.window) || notice.Item<void>() == nullptr) return;
  CommandRecord add = copy;
  add.code = kAddMediaInsertTop;
  kind.sendAsList(kind.addCommand, add, notice.Item<void>());
  notice.TakeItem();
}

}  // namespace

bool MediaPaneCanKeep(const MediaKind& kind, HWND deviceView) {
  return deviceView != nullptr && Bus().IsRegistered(kind.addCommand);
}

bool RouteMediaNotice(const char* name, CommandRecord* copy) {
  const MediaKind* kind = name != nullptr ? KindOfNotice(name) : nullptr;
  if (kind == nullptr) return false;
  if (copy == nullptr) return true;
  OwnedNotice notice(static_cast<NotificationPayload*>(copy->payload), DisposerOf(*kind, *copy));
  if (!notice || notice->device == nullptr) {
    if (kind->freeNoticeData != nullptr) kind->freeNoticeData(copy->data);
    return true;
  }
  DeviceRecord& device = *notice->device;
  const int64_t what = notice->kind;
  if (kind->hooks.notice != nullptr && kind->hooks.notice(*kind, *copy, notice, device)) return true;
  for (const MediaRelay& relay : kind->relays) {
    if (what != relay.noticeKind) continue;
    if (MediaPaneCanKeep(*kind, copy->window)) {
      CommandRecord pass = *copy;
      pass.code = relay.paneCode;
      pass.payload = notice.Item<void>();  // read during the call; it goes with the notice
      Bus().Send(kind->paneCommand, &pass);
    }
    return true;
  }
  if (what == kind->loadOp)
    OnBatch(*kind, *copy, notice);
  else if (what == kind->deleteOp)
    OnDeleted(*kind, *copy, notice, device);
  else if (what == kind->addOp)
    OnAdded(*kind, *copy, notice, device);
  else if (kind->thumbnailOp != 0 && what == kind->thumbnailOp && MediaPaneCanKeep(*kind, copy->window)) {
    CommandRecord pictures = *copy;
    pictures.code = kind->paneThumbnailCode;
    pictures.payload = notice.Item<void>();
    Bus().Send(kind->paneCommand, &pictures);  // the pane copies them; the list goes with the notice
  }
  return true;
}

void FillMediaHandlers(CommandBus& bus) {
  for (const MediaKind& kind : Kinds()) {
    bus.SetHandler(kind.requestCommand, OnMediaRequest);
    bus.SetHandler(kind.noticeCommand, OnMediaNotice);
  }
}
