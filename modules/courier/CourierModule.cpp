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

// A command's work on the service, run with the service lock held; `service` is null before
// START_SERVER and after DESTROY_RESOURCE.
typedef void (*ServiceHandler)(CommandRecord& record, CourierService* service);

// The wizard's retry buttons as the host passes them on, `text` = the phone's identifier.
template <DemoRetry kRetry>
void Retry(CommandRecord& record, CourierService* service) {
  if (service != nullptr) service->Retry(record.text, kRetry);
}

// A media or file request hands lists over: without a service they are freed here.
template <const MediaServiceKind* kKind, void (CourierService::*kServe)(CommandRecord&)>
void MediaRequest(CommandRecord& record, CourierService* service) {
  if (service != nullptr) {
    (service->*kServe)(record);
  } else {
    record.value = 0;
    FreeMediaRequest(*kKind, record);
  }
}

void FileRequest(CommandRecord& record, CourierService* service) {
  if (service != nullptr) {
    service->DoFile(record);
  } else {
    record.value = 0;
    FreeExportRequest(record);
  }
}

struct ServedCommand {
  const char* name;
  ServiceHandler handler;  // null: accepted, answered by nothing
};

// Every command the host sends to the device service, registered in this order. START_SERVER
// and DESTROY_RESOURCE take the lock themselves (see Dispatch).
const ServedCommand kServedCommands[] = {
    {kCourierStartServer, nullptr},
    {kCourierReadyStartServer,
     [](CommandRecord& record, CourierService* service) {
       if (service != nullptr) service->OnHostReady(record.value);
     }},
    {kCourierGetDevice,
     [](CommandRecord& record, CourierService* service) {
       record.payload = service != nullptr ? service->FindDevice(record.text) : nullptr;
     }},
    {kCourierDoApp, MediaRequest<&kAppServiceKind, &CourierService::DoApp>},
    {kCourierDoContact,
     [](CommandRecord& record, CourierService* service) {
       record.value = 0;
       if (service != nullptr) service->DoContact(record);
     }},
    {kCourierDoSms,
     [](CommandRecord& record, CourierService* service) {
       // `value` carries the pending operation of the default-SMS-app handshake in.
       if (service != nullptr)
         service->DoSms(record);
       else
         record.value = 0;
     }},
    {kCourierDoMusic, MediaRequest<&kMusicServiceKind, &CourierService::DoMusic>},
    {kCourierDoPhoto, MediaRequest<&kPhotoServiceKind, &CourierService::DoPhoto>},
    {kCourierDoVideo, MediaRequest<&kVideoServiceKind, &CourierService::DoVideo>},
    {kCourierDoEbook, MediaRequest<&kBookServiceKind, &CourierService::DoBook>},
    {kCourierDoFile, FileRequest},
    {kCourierDoCancel,
     [](CommandRecord& record, CourierService* service) {
       if (service != nullptr) service->CancelTask(record.value);
     }},
    {kCourierExportTask,
     [](CommandRecord& record, CourierService* service) {
       if (service != nullptr) service->ExportTasks(record);
     }},
    {kCourierRemoveDevice,
     [](CommandRecord& record, CourierService* service) {
       if (service != nullptr) service->RemoveDevice(record.text);
     }},
    {kCourierDownloadDriverCancel,
     [](CommandRecord& record, CourierService* service) {
       if (service != nullptr) service->CancelDriverDownload(record.text);
     }},
    {kCourierRootAuthorizeRetry, Retry<DemoRetry::kRootAuthorize>},
    {kCourierDebugAuthorizeRetry, Retry<DemoRetry::kDebugAuthorize>},
    {kCourierInstallRetry, Retry<DemoRetry::kInstallRetry>},
    {kCourierRetryConnectDevice, Retry<DemoRetry::kRetryConnect>},
    {kCourierStartWifiServer,
     [](CommandRecord&, CourierService* service) {
       if (service != nullptr) service->StartWifi();
     }},
    // Without a service (before START_SERVER, after DESTROY_RESOURCE) nothing is answered, as
    // for every other command: the host asks only while the service runs.
    {kCourierCheckForUpdate,
     [](CommandRecord&, CourierService* service) {
       if (service != nullptr) service->Updates().Check();
     }},
    {kCourierDownloadUpdate,
     [](CommandRecord&, CourierService* service) {
       if (service != nullptr) service->Updates().Download();
     }},
    {kCourierDownloadUpdateCancel,
     [](CommandRecord&, CourierService* service) {
       if (service != nullptr) service->Updates().CancelDownload();
     }},
    // The host is about to start the installer and close: the transfers stop, and the answer
    // tells the host to go on.
    {kCourierExitServer,
     [](CommandRecord&, CourierService* service) {
       if (service == nullptr) return;
       service->Updates().CancelDownload();
       CommandRecord exit;
       PostToHost(*g_module, exit, kCourierExitServer);
     }},
    {kCourierDestroyResource, nullptr},
    {kCourierAnswerWifiDevice,
     [](CommandRecord& record, CourierService* service) {
       // `value` comes back 1 when the phone still waited for the answer, else 0.
       record.value = service != nullptr && service->AnswerWifi(record.value, record.code == 1) ? 1 : 0;
     }},
    {kCourierStopWifiServer,
     [](CommandRecord&, CourierService* service) {
       if (service != nullptr) service->StopWifi();
     }},
};

void Dispatch(CommandRecord& record) {
  const char* name = record.name;
  if (Is(name, kCourierStartServer)) {
    StartService(record);
    return;
  }
  if (Is(name, kCourierDestroyResource)) {
    DestroyService();
    return;
  }
  for (const ServedCommand& command : kServedCommands) {
    if (!Is(name, command.name)) continue;
    if (command.handler != nullptr) {
      std::lock_guard<std::mutex> lock(g_serviceLock);
      command.handler(record, g_service);
    }
    return;
  }
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
    for (const ServedCommand& command : kServedCommands) RegisterCommand(*record, registration, command.name);
  } catch (...) {
    BASTrace("libCourier: RegisterModule failed");
  }
}
