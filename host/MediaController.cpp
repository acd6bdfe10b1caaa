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
#include "contracts/MediaRecords.h"
#include "contracts/PhotoRecords.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "contracts/Sections.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"

namespace {

// One media kind: its commands, codes and texts, and the functions that know its records.
struct MediaKind {
  int32_t itemKind;
  const char* requestCommand;  // posted by the pane
  const char* noticeCommand;   // the device service's DO_<kind>, also its operations
  ListTaskCommands listCommands;
  const char* addCommand;
  const char* deleteCommand;
  std::vector<int32_t> navigatorItems;  // every count change goes to each, in order
  int64_t loadOp;
  int64_t deleteOp;
  int64_t addOp;
  uint32_t countKind;
  const char* exportKey;
  const wchar_t* loadingText;
  const wchar_t* openTitle;
  std::vector<FileFilter> filters;
  const wchar_t* question;
  bool plural;
  OwnedNotice::ItemDisposer disposeItem;                       // of the notices' items and batch vectors
  void (*freeCheckedList)(void* list);                         // a delete request's list (the records stay the pane's)
  void (*forgetItem)(DeviceRecord& device, const void* item);  // off the device record's list
  void (*clearBatch)(void* batch);                             // a batch vector whose items went to the pane
  // Sends `command` with `record`'s payload a one-item vector of `item`, of the kind's type.
  void (*sendAsList)(const char* command, CommandRecord& record, void* item);
  // Pictures for the rows a pane shows: its request code, the service's operation (and notice
  // kind), and the pane command and code that hand them over; 0 and null for kinds without.
  int64_t thumbnailRequest;
  int64_t thumbnailOp;
  const char* paneCommand;
  int64_t paneThumbnailCode;
  // Kinds whose notices and requests differ from the common ones (apps); null and false for the
  // others. `disposeSingle` destroys the one record of a notice whose record `code` is not 0.
  OwnedNotice::ItemDisposer disposeSingle;
  void (*freeNoticeData)(void* data);  // the vector a notice record may carry in `data`
  // Handles a notice on the UI thread itself; false leaves it to the common handling.
  bool (*routeOwn)(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device);
  bool addValueBySubKind;  // the add operation's `value`: 0 for request sub-kind 1, else 1
};

OwnedNotice::ItemDisposer DisposerOf(const MediaKind& kind, const CommandRecord& record) {
  return kind.disposeSingle != nullptr && record.code != 0 ? kind.disposeSingle : kind.disposeItem;
}

CommandBus& Bus() { return CommandBus::Instance(); }

bool PaneCanKeep(const MediaKind& kind, HWND deviceView) {
  return deviceView != nullptr && Bus().IsRegistered(kind.addCommand);
}

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

// Removes the first record of `own` with the identifier of `item` (a record of the same type).
template <class T>
void ForgetByIdentifier(OwnedPtrVector<T>& own, const void* item) {
  const auto* gone = static_cast<const T*>(item);
  auto match = std::find_if(own.begin(), own.end(),
                            [&](const T* p) { return p != nullptr && p->identifier == gone->identifier; });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
}

void ForgetPhoto(DeviceRecord& device, const void* item) { ForgetByIdentifier(device.photos, item); }

// ---- books ----

void DisposeBookItem(uint32_t kind, void* item) {
  if (kind == kBookOpLoad)
    DeleteList(static_cast<MediaList*>(item));
  else if (kind == kBookOpAdd || kind == kBookOpDelete)
    delete static_cast<MediaRecord*>(item);
}

void ForgetBook(DeviceRecord& device, const void* item) { ForgetByIdentifier(device.books, item); }

// ---- apps ----

// A notice whose record `code` is 0 carries a vector (a list batch, the installed apps); any
// other code one app.
void DisposeAppItem(uint32_t kind, void* item) {
  if (kind == kAppOpLoad || kind == kAppOpInstall)
    DeleteList(static_cast<MediaList*>(item));
  else if (kind == kAppOpUninstall)
    delete static_cast<MediaRecord*>(item);
}

void DisposeOneApp(uint32_t kind, void* item) {
  if (kind == kAppOpLoad || kind == kAppOpInstall || kind == kAppOpUninstall) delete static_cast<MediaRecord*>(item);
}

void FreeMediaList(void* list) { delete static_cast<MediaList*>(list); }

// The device service reads and changes the phone's app list on its threads: every touch of it
// here is under the list's lock.
void ForgetApp(DeviceRecord& device, const void* item) {
  BASLock::GLock(&device.apps);
  ForgetByIdentifier(device.apps, item);
  BASLock::GUnLock(&device.apps);
}

// One app changed on the phone (an install over an installed package): the device's record of
// it takes the new label and icon, and the pane is told to show them. The item goes either way.
void OnAppUpdated(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  std::unique_ptr<MediaRecord> item(notice.Item<MediaRecord>());
  notice.TakeItem();
  if (!item) return;
  MediaRecord* found = nullptr;
  // Changed under the lock too, not only found: the service may be reading the record.
  BASLock::GLock(&device.apps);
  for (MediaRecord* app : device.apps) {
    if (app != nullptr && app->identifier == item->identifier) {
      found = app;
      found->name = item->name;
      found->icon = std::move(item->icon);  // the old icon goes with its last owner
      break;
    }
  }
  BASLock::GUnLock(&device.apps);
  if (found == nullptr || !PaneCanKeep(kind, copy.window)) return;
  CommandRecord update = copy;
  update.code = kAddAppUpdate;
  update.data = nullptr;
  update.payload = found;
  Bus().Send(kind.addCommand, &update);
}

// A list batch (load) or the apps an install added: `value` 0 puts them on top, else they are
// appended; an install's `data` names those the pane marks as just installed.
void OnAppList(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, bool install) {
  std::unique_ptr<MediaList> installed(static_cast<MediaList*>(copy.data));  // the batch's records, not owned
  if (!PaneCanKeep(kind, copy.window)) return;
  if (!install) SyncListTask(kind.listCommands, copy, notice->taskId);
  auto* batch = notice.Item<MediaList>();
  CommandRecord add = copy;
  add.data = nullptr;
  if (batch != nullptr) {
    add.code = copy.value == 0 ? kAddAppInsertTop : kAddAppAppend;
    add.payload = batch;
    Bus().Send(kind.addCommand, &add);
  }
  if (install && installed && !installed->empty()) {
    add.code = kAddAppInstalled;
    add.payload = installed.get();
    Bus().Send(kind.addCommand, &add);
  }
  if (batch != nullptr) batch->clear();  // the records are the pane's now
}

bool RouteAppNotice(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  const int64_t what = notice->kind;
  if (what == kAppOpUninstall) {
    // The service has taken the app off the device's list and counted it out.
    SendCount(copy.window, kind.navigatorItems, device.counts[kind.itemKind]);
    if (notice.Item<void>() == nullptr || !PaneCanKeep(kind, copy.window)) return true;
    CommandRecord remove = copy;
    remove.payload = notice.Item<void>();
    Bus().Send(kind.deleteCommand, &remove);
    return true;
  }
  if (what != kAppOpLoad && what != kAppOpInstall) return false;
  if (copy.code != 0) {
    OnAppUpdated(kind, copy, notice, device);
    return true;
  }
  if (what == kAppOpInstall) SendCount(copy.window, kind.navigatorItems, device.counts[kind.itemKind]);
  OnAppList(kind, copy, notice, what == kAppOpInstall);
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
       {kSectionPhoneGallery, kSectionPhotos},
       kPhotoOpLoad,
       kPhotoOpDelete,
       kPhotoOpAdd,
       kPhotoNoticeCount,
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
       kPhotoRequestThumbnails,
       kPhotoOpThumbnails,
       kGalleryDoPhoto,
       kPhotoPaneThumbnails,
       nullptr,
       nullptr,
       nullptr,
       false},
      {kKindApps,
       kPackagesDoApp,
       kCourierDoApp,
       {kPackagesGetListTaskId, kPackagesClearData, kPackagesSetListTaskId},
       kPackagesAddApp,
       kPackagesDeleteApp,
       {kSectionUserApps, kSectionApps},
       kAppOpLoad,
       kAppOpUninstall,
       kAppOpInstall,
       kAppNoticeCount,
       "app:export:dir",
       L"Loading Apps",
       L"Please select apk files.",
       {{L"Apk Files", L"*.apk"}},
       L"Do you really want to uninstall the checked app",
       true,
       DisposeAppItem,
       FreeMediaList,
       ForgetApp,
       ClearBatch<MediaRecord>,
       SendAsList<MediaRecord>,
       0,
       0,
       nullptr,
       0,
       DisposeOneApp,
       FreeMediaList,
       RouteAppNotice,
       true},
      {kKindBooks,
       kReaderDoEbook,
       kCourierDoEbook,
       {kReaderGetListTaskId, kReaderClearData, kReaderSetListTaskId},
       kReaderAddEbook,
       kReaderDeleteEbook,
       {kSectionBooks},
       kBookOpLoad,
       kBookOpDelete,
       kBookOpAdd,
       kBookNoticeCount,
       "ebook:export:dir",
       L"Loading Ebooks",
       L"Please select book files.",
       {{L"Book File(*.*)", L"*.*"}},
       L"Do you really want to delete the checked book",
       true,
       DisposeBookItem,
       FreeMediaList,
       ForgetBook,
       ClearBatch<MediaRecord>,
       SendAsList<MediaRecord>,
       0,
       0,
       nullptr,
       0,
       nullptr,
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

  ContentRequest request;
  if (!ResolveContentRequest(incoming->window, request)) return 0;
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
    if (device != nullptr) SendCount(deviceView, kind->navigatorItems, device->counts[kind->itemKind]);
    return 0;
  }
  const int64_t what = notice->kind;
  if (what != kind->loadOp && what != kind->deleteOp && what != kind->addOp &&
      (kind->thumbnailOp == 0 || what != kind->thumbnailOp))
    return 0;
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
  if (!PaneCanKeep(kind, copy.window)) return;
  SyncListTask(kind.listCommands, copy, notice->taskId);
  void* batch = notice.Item<void>();
  if (batch == nullptr) return;
  CommandRecord add = copy;
  add.code = kAddPhotoAppend;
  add.payload = batch;
  Bus().Send(kind.addCommand, &add);
  kind.clearBatch(batch);  // the items are the pane's; the vector goes with the notice
}

void OnDeleted(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  DecrementCount(device.counts[kind.itemKind]);
  SendCount(copy.window, kind.navigatorItems, device.counts[kind.itemKind]);
  void* gone = notice.Item<void>();
  if (gone == nullptr) return;
  CommandRecord remove = copy;
  remove.payload = gone;
  Bus().Send(kind.deleteCommand, &remove);
  kind.forgetItem(device, gone);
}

void OnAdded(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  IncrementCount(device.counts[kind.itemKind]);
  SendCount(copy.window, kind.navigatorItems, device.counts[kind.itemKind]);
  if (!PaneCanKeep(kind, copy.window) || notice.Item<void>() == nullptr) return;
  CommandRecord add = copy;
  add.code = kAddPhotoInsertTop;
  kind.sendAsList(kind.addCommand, add, notice.Item<void>());
  notice.TakeItem();
}

}  // namespace

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
  if (kind->routeOwn != nullptr && kind->routeOwn(*kind, *copy, notice, device)) return true;
  const int64_t what = notice->kind;
  if (what == kind->loadOp)
    OnBatch(*kind, *copy, notice);
  else if (what == kind->deleteOp)
    OnDeleted(*kind, *copy, notice, device);
  else if (what == kind->addOp)
    OnAdded(*kind, *copy, notice, device);
  else if (kind->thumbnailOp != 0 && what == kind->thumbnailOp && PaneCanKeep(*kind, copy->window)) {
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
