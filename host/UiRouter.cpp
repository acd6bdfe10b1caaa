#include "host/UiRouter.h"

#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <utility>
#include <string>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/ContactsController.h"
#include "host/MediaController.h"
#include "host/MessagesController.h"
#include "host/HostDialogs.h"
#include "host/HostState.h"
#include "host/MainFrameView.h"
#include "host/Product.h"
#include "host/UpdateFlow.h"

namespace {

// Names whose second parameter is a heap record copy; the others carry an integer.
bool CarriesRecord(const char* name) {
  static const char* const kRecordNames[] = {
      kCourierDoSmsReceiveMessage,
      kCourierDoSms,
      kCourierDoMusic,
      kCourierDoApp,
      kCourierDoEbook,
      kCourierDoVideo,
      kCourierDoPhoto,
      kCourierDoContact,
      kCourierDownloadUpdate,
      kCourierCheckForUpdate,
      kCourierStartWifiServer,
      kCourierConfirmWifiDevice,
      kCourierScanUsbDevice,
      kDashboardUpdateDeviceInfo,
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
  if (Host().devices.WindowOfIdentifier(identifier) == nullptr) {
    // The device pane names the new tab from the record's display texts.
    CommandRecord get;
    get.text = identifier;
    bus.Send(kCourierGetDevice, &get);
    CommandRecord bind = record;
    bind.data = get.payload;
    bus.Send(kHandsetUpdateDeviceInfo, &bind);
  }
  if (std::wcschr(identifier, L'.') != nullptr) bus.Send(kHandsetWifiConnected, &record);
  std::free(identifier);
}

// A connection-status notice for a phone the device pane knows.
void ScanUsbDevice(CommandRecord* copy) {
  auto* identifier = static_cast<const wchar_t*>(copy->payload);
  if (identifier == nullptr) return;
  HWND key = Host().devices.KeyOfIdentifier(identifier);
  if (key == nullptr) return;
  copy->window = key;
  copy->value = 1;
  CommandBus::Instance().Send(kHandsetSwitchConnect, copy);
}

void StartWifiServer(CommandRecord* copy) { CommandBus::Instance().Send(kHandsetPressWifiButton, copy); }

// A phone on the network asks to connect. Nothing proves who sent the request, so the user
// decides by the name, model and address whether it is the phone in their hand.
void ConfirmWifiDevice(CommandRecord* copy) {
  std::unique_ptr<WifiPeerQuestion> question(static_cast<WifiPeerQuestion*>(copy->payload));
  if (!question) return;
  std::wstring phone = L"\"" + question->name + L"\"";
  if (!question->model.empty() && question->model != question->name) phone += L" (" + question->model + L")";
  const std::wstring text = L"The phone " + phone + L" at " + question->address +
                            L" asks to connect over Wi-Fi. Allow it only if it is the phone that has just scanned "
                            L"the QR code.";
  CommandRecord answer;
  answer.value = question->ticket;
  answer.code = AskConfirmation(Host().Window(kWindowMainView), text, 480, 140) ? 1 : 0;
  const bool accepted = answer.code == 1;
  CommandBus::Instance().Send(kCourierAnswerWifiDevice, &answer);
  // A yes that found nobody waiting must not look like a connection that failed silently.
  if (accepted && answer.value == 0)
    ShowSheetNotice(L"\"" + question->name + L"\" stopped waiting before it was allowed; scan the QR code again.",
                    std::wstring());
}

// Dashboard updates name the phone in `data`; 0 is the summary, 1 and 2 the memories.
void UpdateDeviceInfo(CommandRecord* copy) {
  auto* identifier = static_cast<const wchar_t*>(copy->data);
  if (identifier == nullptr) return;
  HWND window = Host().devices.WindowOfIdentifier(identifier);
  if (window == nullptr) return;
  CommandRecord get;
  get.text = identifier;
  CommandBus& bus = CommandBus::Instance();
  bus.Send(kCourierGetDevice, &get);
  auto* device = static_cast<DeviceRecord*>(get.payload);
  if (device == nullptr) return;
  CommandRecord update;
  update.window = window;
  update.value = copy->value;
  if (copy->value == 0) {
    update.payload = &device->info;
    bus.Send(kDashboardUpdateDeviceInfo, &update);
    CommandRecord handset;
    handset.window = Host().devices.KeyOfIdentifier(identifier);
    handset.data = device;  // the pane renames the tab from the record's display texts
    bus.Send(kHandsetUpdateDeviceInfo, &handset);
  } else if (copy->value == 1 || copy->value == 2) {
    update.payload = copy->value == 1 ? &device->phoneMemory : &device->storageMemory;
    bus.Send(kDashboardUpdateDeviceInfo, &update);
  }
}

// Work waiting for the UI thread. A window's message queue holds a limited number of messages
// (10 000 by default) and refuses more, so an import of 100 000 contacts posted one message each
// would lose most of them. Here nothing is refused: the view is woken by one pane message with
// no name, and only one such message is in its queue at a time however much waits.
class RouterQueue {
 public:
  bool Push(HWND view, char* name, LPARAM param) {
    std::lock_guard<std::mutex> lock(m_lock);
    try {
      m_items.emplace_back(name, param);
    } catch (...) {
      return false;
    }
    if (!m_wakePosted) m_wakePosted = PostMessageW(view, kPaneMessage, 0, 0) != FALSE;
    return true;
  }

  // The UI thread's turn: routes what waits for up to one slice of time, so painting and input
  // go on during a long stream; a wake is kept posted while anything is left, which also lets a
  // modal loop entered by a route carry on with the queue.
  void Drain() {
    HWND view = Host().Window(kWindowMainView);
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_wakePosted = false;
    }
    const DWORD start = GetTickCount();
    while (true) {
      std::pair<char*, LPARAM> item;
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_items.empty()) return;
        item = m_items.front();
        m_items.pop_front();
        if (!m_items.empty() && !m_wakePosted && view != nullptr)
          m_wakePosted = PostMessageW(view, kPaneMessage, 0, 0) != FALSE;
      }
      RouteOnUiThread(item.first, item.second);
      if (GetTickCount() - start >= kSliceMs) return;
    }
  }

 private:
  static constexpr DWORD kSliceMs = 40;
  std::mutex m_lock;
  std::deque<std::pair<char*, LPARAM>> m_items;
  bool m_wakePosted = false;
};

RouterQueue& Queue() {
  static RouterQueue queue;
  return queue;
}

}  // namespace

bool PostToRouter(const char* name, LPARAM integer) {
  HWND view = Host().Window(kWindowMainView);
  char* heapName = _strdup(name);
  if (view == nullptr || heapName == nullptr || !Queue().Push(view, heapName, integer)) {
    std::free(heapName);
    return false;
  }
  return true;
}

void HandleRouterMessage(WPARAM wp, LPARAM lp) {
  if (wp != 0)
    RouteOnUiThread(reinterpret_cast<char*>(wp), lp);
  else
    Queue().Drain();
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
    if (RouteMediaNotice(name, hasRecord ? reinterpret_cast<CommandRecord*>(param) : nullptr)) {
    } else if (RouteUpdateNotice(name, param)) {
    } else if (std::strcmp(name, kCourierDoContact) == 0) {
      RouteContactNotice(reinterpret_cast<CommandRecord*>(param));
    } else if (std::strcmp(name, kCourierDoSms) == 0) {
      RouteMessageNotice(reinterpret_cast<CommandRecord*>(param));
    } else if (std::strcmp(name, kCourierDoSmsReceiveMessage) == 0) {
      RouteReceivedMessage(reinterpret_cast<CommandRecord*>(param));
    } else if (std::strcmp(name, kCourierStartServer) == 0) {
      StartServer();
    } else if (std::strcmp(name, kCourierReadyStartServer) == 0) {
      SendReady(param);
    } else if (std::strcmp(name, kCourierServerCrash) == 0) {
      ShowSheetNotice(
          L"Application have errors due to some unknown reasons,please email the zip crashing report file to "
          L"us,click me show in folder.",
          Host().logFolder);
      SendReady(param);
    } else if (std::strcmp(name, kCourierAddDevice) == 0) {
      AddDevice(param);
    } else if (std::strcmp(name, kCourierScanUsbDevice) == 0) {
      ScanUsbDevice(reinterpret_cast<CommandRecord*>(param));
    } else if (std::strcmp(name, kCourierStartWifiServer) == 0) {
      StartWifiServer(reinterpret_cast<CommandRecord*>(param));
    } else if (std::strcmp(name, kCourierConfirmWifiDevice) == 0) {
      ConfirmWifiDevice(reinterpret_cast<CommandRecord*>(param));
    } else if (std::strcmp(name, kDashboardUpdateDeviceInfo) == 0) {
      UpdateDeviceInfo(reinterpret_cast<CommandRecord*>(param));
    }
  } catch (...) {
    BASTrace("RouteOnUiThread: %s failed", name);
  }
  if (hasRecord) std::free(reinterpret_cast<void*>(param));
  std::free(name);
}
