// libCourier's plug-in edge: RegisterModule and the module entry. Everything behind them lives
// in CourierService, which START_SERVER creates and DESTROY_RESOURCE destroys.

#include <windows.h>

#include <cstring>
#include <exception>
#include <mutex>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/CourierService.h"

namespace {

// Every command the host sends to the device service, registered in this order.
const char* const kServedCommands[] = {
    kCourierStartServer,
    kCourierReadyStartServer,
    kCourierGetDevice,
    kCourierDoApp,
    kCourierDoContact,
    kCourierDoSms,
    kCourierDoMusic,
    kCourierDoPhoto,
    kCourierDoVideo,
    kCourierDoEbook,
    kCourierDoFile,
    kCourierDoCancel,
    kCourierExportTask,
    kCourierRemoveDevice,
    kCourierDownloadDriverCancel,
    kCourierRootAuthorizeRetry,
    kCourierDebugAuthorizeRetry,
    kCourierInstallRetry,
    kCourierRetryConnectDevice,
    kCourierStartWifiServer,
    kCourierCheckForUpdate,
    kCourierDownloadUpdate,
    kCourierDownloadUpdateCancel,
    kCourierExitServer,
    kCourierDestroyResource,
};

ModuleRecord* g_module = nullptr;
HINSTANCE g_instance = nullptr;
ImageCache* g_images = nullptr;

// The service is reached from the host's thread and, through posts the host answers at once,
// from the service's own threads; the lock is held only for short calls that never wait for a
// service thread. A plain pointer: a service still running when the library is unloaded must
// not be joined from DllMain (it keeps the library mapped instead, see ModuleReference).
std::mutex g_serviceLock;
CourierService* g_service = nullptr;
bool g_destroyed = false;  // after DESTROY_RESOURCE the service never starts again

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

// The wizard's retry buttons as the host passes them on, `text` = the phone's identifier.
struct RetryCommand {
  const char* name;
  DemoRetry retry;
};
const RetryCommand kRetryCommands[] = {
    {kCourierRetryConnectDevice, DemoRetry::kRetryConnect},
    {kCourierInstallRetry, DemoRetry::kInstallRetry},
    {kCourierDebugAuthorizeRetry, DemoRetry::kDebugAuthorize},
    {kCourierRootAuthorizeRetry, DemoRetry::kRootAuthorize},
};

DemoRetry RetryOfCommand(const char* name) {
  for (const RetryCommand& command : kRetryCommands) {
    if (Is(name, command.name)) return command.retry;
  }
  return DemoRetry::kNone;
}

void StartService(const CommandRecord& record) {
  std::lock_guard<std::mutex> lock(g_serviceLock);
  if (g_destroyed || g_service != nullptr || g_module == nullptr) return;
  auto* service = new CourierService(*g_module);
  if (!service->Start(static_cast<const ServerStartInfo*>(record.data))) {
    delete service;
    return;
  }
  g_service = service;
}

void DestroyService() {
  CourierService* service = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr && g_service->IsServiceThread()) {
      // A service thread cannot join itself: it only asks to end; the host's own
      // DESTROY_RESOURCE, from its thread, joins and releases.
      g_service->Stop();
      return;
    }
    g_destroyed = true;
    service = g_service;
    g_service = nullptr;
  }
  // Joined outside the lock, so that a service thread that calls in meanwhile finds no service
  // instead of waiting for this thread.
  delete service;
}

// The kinds whose lists are not streamed yet, by the section that loads them.
struct UnservedKind {
  const char* name;
  int32_t section;
};
const UnservedKind kUnservedKinds[] = {
    {kCourierDoApp, kSectionUserApps}, {kCourierDoMusic, kSectionMusic}, {kCourierDoPhoto, kSectionPhotos},
    {kCourierDoVideo, kSectionVideos}, {kCourierDoEbook, kSectionBooks},
};

const UnservedKind* UnservedKindOf(const char* name) {
  for (const UnservedKind& kind : kUnservedKinds)
    if (Is(name, kind.name)) return &kind;
  return nullptr;
}

void Dispatch(CommandRecord& record) {
  const char* name = record.name;
  if (Is(name, kCourierStartServer)) {
    StartService(record);
  } else if (Is(name, kCourierDestroyResource)) {
    DestroyService();
  } else if (Is(name, kCourierGetDevice)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    record.payload = g_service != nullptr ? g_service->FindDevice(record.text) : nullptr;
  } else if (Is(name, kCourierReadyStartServer)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr) g_service->OnHostReady(record.value);
  } else if (Is(name, kCourierRemoveDevice)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr) g_service->RemoveDevice(record.text);
  } else if (Is(name, kCourierDownloadDriverCancel)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr) g_service->CancelDriverDownload(record.text);
  } else if (Is(name, kCourierDoContact)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    record.value = 0;
    if (g_service != nullptr) g_service->DoContact(record);
  } else if (Is(name, kCourierDoSms)) {
    // `value` carries the pending operation of the default-SMS-app handshake in.
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr)
      g_service->DoSms(record);
    else
      record.value = 0;
  } else if (Is(name, kCourierExportTask)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr) g_service->ExportTasks(record);
  } else if (Is(name, kCourierDoCancel)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr) g_service->CancelTask(record.value);
  } else if (const DemoRetry retry = RetryOfCommand(name); retry != DemoRetry::kNone) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    if (g_service != nullptr) g_service->Retry(record.text, retry);
  } else if (const UnservedKind* kind = UnservedKindOf(name)) {
    std::lock_guard<std::mutex> lock(g_serviceLock);
    record.value = 0;
    if (g_service != nullptr)
      g_service->DoUnservedKind(record, LoadCodeOfSection(kind->section), ItemKindOfSection(kind->section));
  }
  // The other kinds' operations, Wi-Fi and updates are accepted and not served yet.
}

int32_t __cdecl CourierEntry(CommandRecord* record) {
  if (record == nullptr || record->name == nullptr) return 0;
  try {
    Dispatch(*record);
  } catch (const std::exception& failure) {
    BASTrace("libCourier: %s failed: %s", record->name, failure.what());
  } catch (...) {
    BASTrace("libCourier: %s failed", record->name);
  }
  return 0;
}

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* record) {
  if (record == nullptr) return;
  try {
    g_module = record;
    g_instance = record->instance;
    g_images = record->imageCache;
    record->moduleEntry = &CourierEntry;
    CommandRecord registration;
    for (const char* name : kServedCommands) RegisterCommand(*record, registration, name);
  } catch (...) {
    BASTrace("libCourier: RegisterModule failed");
  }
}
