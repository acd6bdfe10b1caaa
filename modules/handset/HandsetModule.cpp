// libHandset's plug-in edge: RegisterModule and the module entry.
#include "modules/handset/HandsetModule.h"

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/handset/DhMyDeviceDelegate.h"

#include <cstring>
#include <exception>

namespace {

// Registered in this order. The module acts on the first three, SHOW_WINDOW and the two Wi-Fi
// names; the others it sends, and the host handles them.
const char* const kServedCommands[] = {
    kHandsetChangeSize,         kHandsetSwitchConnect, kHandsetUpdateDeviceInfo, kHandsetBingingButton,
    kHandsetBingingDevice,      kHandsetShowWindow,    kHandsetSwitchDevice,     kHandsetDownloadDriverCancel,
    kHandsetRemoveButtonReject, kHandsetShowManager,   kHandsetDeviceDisconnect, kHandsetPressWifiButton,
    kHandsetWifiConnected,
};

ModuleRecord* g_module = nullptr;

// One pane per process. It is deleted when its window goes (with the main frame, while GDI+
// still runs), never at unload; a later SHOW_WINDOW then makes a new one.
DhMyDeviceDelegate* g_pane = nullptr;

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

void ForgetPane(DhMyDeviceDelegate* pane) {
  if (g_pane == pane) g_pane = nullptr;
  delete pane;
}

void ShowWindowCommand(CommandRecord& record) {
  if (!g_pane) {
    RECT rect{};
    if (const auto* block = static_cast<const DeviceShowWindowBlock*>(record.data))
      rect = block->rect;
    else if (record.window)
      GetClientRect(record.window, &rect);
    auto* pane = new DhMyDeviceDelegate();
    if (!pane->CreateIn(record.window, rect, ForgetPane)) {
      BASTrace("DhMyDeviceDelegate: no pane in %p", static_cast<void*>(record.window));
      // The final handler is set only on success, so nothing else deletes this object.
      delete pane;
      record.window = nullptr;
      return;
    }
    g_pane = pane;
  }
  ShowWindow(g_pane->Hwnd(), static_cast<int>(record.value));
  record.window = g_pane->Hwnd();
}

int32_t __cdecl HandsetEntry(CommandRecord* record) {
  if (!record || !record->name) return 0;
  try {
    const char* name = record->name;
    if (Is(name, kHandsetShowWindow)) {
      ShowWindowCommand(*record);
    } else if (Is(name, kHandsetPressWifiButton)) {
      // The payload is the host's heap copy and ours to free, with or without a pane.
      auto* info = static_cast<WifiServerInfo*>(record->payload);
      record->payload = nullptr;
      if (g_pane) g_pane->RelayWifiServer(info);
      delete info;
    } else if (!g_pane) {
      return 0;
    } else if (Is(name, kHandsetChangeSize)) {
      if (const auto* size = static_cast<const SizePayload*>(record->data))
        g_pane->ChangeSize(size->width, size->height);
    } else if (Is(name, kHandsetSwitchConnect)) {
      g_pane->DeviceNotice(record->value, *record);
    } else if (Is(name, kHandsetUpdateDeviceInfo)) {
      // These notices carry only the tab and the phone (and the phone's record, where known).
      CommandRecord notice;
      notice.window = record->window;
      notice.payload = record->payload;
      notice.data = record->data;
      g_pane->DeviceNotice(record->value, notice);
    } else if (Is(name, kHandsetWifiConnected)) {
      g_pane->RelayWifiConnected();
    }
  } catch (const std::exception& e) {
    BASTrace("libHandset: %s in %s", e.what(), record->name);
  } catch (...) {
    BASTrace("libHandset: unknown exception in %s", record->name);
  }
  return 0;
}

BASUserDefaults* UrlStore() {
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults("url");
  return store && store->IsOk() ? store : nullptr;
}

}  // namespace

const ModuleRecord* HandsetModuleRecord() { return g_module; }

void PostToHandsetHost(const char* name, CommandRecord& record) {
  if (g_module) PostToHost(*g_module, record, name);
}

COLORREF UrlColor(const char* key, COLORREF fallback) {
  BASUserDefaults* store = UrlStore();
  return store ? store->GetRGB(key, fallback) : fallback;
}

const char* UrlString(const char* key) {
  BASUserDefaults* store = UrlStore();
  const char* text = store ? store->GetString(key) : nullptr;
  return text ? text : "";
}

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  if (!module) return;
  try {
    g_module = module;
    module->moduleEntry = HandsetEntry;
    CommandRecord record;
    for (const char* name : kServedCommands) RegisterCommand(*module, record, name);
  } catch (...) {
    BASTrace("libHandset: RegisterModule failed");
  }
}
