#include "host/UiRouter.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/HostState.h"
#include "host/MainFrameView.h"
#include "host/Product.h"

namespace {

// Names whose second parameter is a heap record copy; the others carry an integer.
bool CarriesRecord(const char* name) {
  static const char* const kRecordNames[] = {
      kCourierDoSmsReceiveMessage, kCourierDoSms,          kCourierDoMusic,   kCourierDoApp,
      kCourierDoEbook,             kCourierDoVideo,        kCourierDoPhoto,   kCourierDoContact,
      kCourierDownloadUpdate,      kCourierCheckForUpdate, kCourierStartWifiServer,
      kCourierScanUsbDevice,       kDashboardUpdateDeviceInfo,
  };
  for (const char* n : kRecordNames)
    if (std::strcmp(name, n) == 0) return true;
  return false;
}

void StartServer() {
  CommandBus& bus = CommandBus::Instance();
  ServerStartInfo info = {product::DisplayName().c_str(), product::kMakerName, product::kVersion};
  CommandRecord record;
  record.data = &info;
  bus.Send(kCourierStartServer, &record);
  if (HWND view = Host().Window(kWindowMainView))
    SetTimer(view, MainFrameView::kUpdateCheckTimer, MainFrameView::kUpdateCheckDelayMs, nullptr);
}

void SendReady(LPARAM integer) {
  CommandRecord record;
  record.value = integer;
  CommandBus::Instance().Send(kCourierReadyStartServer, &record);
}

void AddDevice(LPARAM integer) {
  // The integer is the service's heap copy of the device identifier.
  auto* identifier = reinterpret_cast<wchar_t*>(integer);
  if (identifier == nullptr) return;
  CommandRecord record;
  record.value = 2;
  record.payload = identifier;
  CommandBus& bus = CommandBus::Instance();
  bus.Send(kHandsetUpdateDeviceInfo, &record);
  if (std::wcschr(identifier, L'.') != nullptr) bus.Send(kHandsetWifiConnected, &record);
  std::free(identifier);
}

}  // namespace

bool PostToRouter(const char* name, LPARAM integer) {
  HWND view = Host().Window(kWindowMainView);
  char* heapName = _strdup(name);
  if (view == nullptr || heapName == nullptr ||
      !PostMessageW(view, kPaneMessage, reinterpret_cast<WPARAM>(heapName), integer)) {
    std::free(heapName);
    return false;
  }
  return true;
}

bool PostRecordToRouter(const char* name, const CommandRecord& record) {
  CommandRecord* copy = DuplicateRecord(record);
  if (copy == nullptr) return false;
  if (!PostToRouter(name, reinterpret_cast<LPARAM>(copy))) {
    std::free(copy);
    return false;
  }
  return true;
}

void RouteOnUiThread(char* name, LPARAM param) {
  if (name == nullptr) return;
  const bool hasRecord = CarriesRecord(name);
  try {
    if (std::strcmp(name, kCourierStartServer) == 0) {
      StartServer();
    } else if (std::strcmp(name, kCourierReadyStartServer) == 0) {
      SendReady(param);
    } else if (std::strcmp(name, kCourierServerCrash) == 0) {
      SendReady(param);
    } else if (std::strcmp(name, kCourierAddDevice) == 0) {
      AddDevice(param);
    }
  } catch (...) {
    BASTrace("RouteOnUiThread: %s failed", name);
  }
  if (hasRecord) std::free(reinterpret_cast<void*>(param));
  std::free(name);
}
