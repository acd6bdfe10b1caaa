#include "host/DeviceHandlers.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "contracts/CommandNames.h"
#include "contracts/DeviceRecord.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/ContentModules.h"
#include "host/HostDialogs.h"
#include "host/HostMessageLoop.h"
#include "host/HostState.h"
#include "host/Product.h"
#include "host/dialogs/UiProgressDialog.h"

namespace {

CommandBus& Bus() { return CommandBus::Instance(); }
DeviceMaps& Devices() { return Host().devices; }

void PassOn(const char* const* names, size_t count, CommandRecord* incoming) {
  for (size_t i = 0; i < count; ++i) {
    CommandRecord copy = *incoming;
    Bus().Send(names[i], &copy);
  }
}

int32_t OnBindButton(CommandRecord* incoming) {
  auto* entry = static_cast<DeviceEntry*>(incoming->data);
  if (entry == nullptr) return 0;
  Devices().BindWindow(entry->tabWindow, entry->wizardWindow);
  CreateProgressDialogFor(entry->wizardWindow);
  return 0;
}

int32_t OnBindDevice(CommandRecord* incoming) {
  if (incoming->text != nullptr) Devices().BindIdentifier(incoming->window, incoming->text);
  return 0;
}

int32_t OnRemoveDevice(CommandRecord* incoming) {
  if (incoming->value != 0) {
    if (AskConfirmation(Host().Window(kWindowMainView), L"Are you sure to remove the device now?", 400, 100))
      incoming->value = 0;
    return 0;
  }
  BASTrace("SendCommandDeviceRemoveDevice");
  HWND tab = static_cast<HWND>(incoming->data), wizard = static_cast<HWND>(incoming->payload);
  std::wstring identifier = Devices().IdentifierOfKey(tab);
  Devices().Forget(tab, wizard);
  ForgetProgressDialogOf(wizard);
  if (!identifier.empty()) {
    CommandRecord remove;
    remove.text = identifier.c_str();
    Bus().Send(kCourierRemoveDevice, &remove);
  }
  return 0;
}

int32_t OnStartScan(CommandRecord* incoming) {
  auto* entry = static_cast<DeviceEntry*>(incoming->data);
  if (entry == nullptr) return 0;
  HWND parent = entry->wizardWindow ? entry->wizardWindow : incoming->window;
  CMessageLoop* loop = HostMessageLoop::ForThread(Host().uiThreadId);
  const SectionList& list = entry->sections;
  std::vector<const char*> created;  // a module serving two sections gets one pane
  for (int32_t i = list.UsedBegin(); i < list.UsedEnd(); ++i) {
    const ContentModule* module = ContentModuleOf(list.entries[i].id);
    if (module == nullptr || std::find(created.begin(), created.end(), module->createWindow) != created.end()) continue;
    created.push_back(module->createWindow);
    CommandRecord create;
    create.window = parent;
    create.data = loop;
    Bus().Send(module->createWindow, &create);
  }
  CommandRecord navigator;
  navigator.window = parent;
  navigator.data = entry;
  Bus().Send(kNavigatorCreateWindow, &navigator);
  return 0;
}

// A phone read in a moment (through adb) may tell its counts before its sections exist, and
// those notices find no navigator: the sections start from what the record holds.
void ShowRecordedCounts(HWND window) {
  const std::wstring identifier = Devices().IdentifierOfWindow(window);
  if (identifier.empty()) return;
  CommandRecord get;
  get.text = identifier.c_str();
  Bus().Send(kCourierGetDevice, &get);
  const auto* device = static_cast<const DeviceRecord*>(get.payload);
  if (device == nullptr) return;
  SendDeviceCount(window, {kSectionUserApps, kSectionApps}, *device, kKindApps);
  SendCount(window, {kSectionContacts}, device->counts[kKindContacts]);
  SendCount(window, {kSectionSms}, device->counts[kKindMessages]);
  SendCount(window, {kSectionMusic}, device->counts[kKindMusic]);
  SendCount(window, {kSectionPhoneGallery, kSectionPhotos}, device->counts[kKindPhotos]);
  SendCount(window, {kSectionVideos}, device->counts[kKindVideos]);
  SendCount(window, {kSectionBooks}, device->counts[kKindBooks]);
}

int32_t OnShowManager(CommandRecord* incoming) {
  CommandRecord show;
  show.window = incoming->window;
  show.value = SW_SHOW;
  Bus().Send(kNavigatorShowWindow, &show);
  ShowRecordedCounts(incoming->window);
  CommandRecord first;
  first.window = incoming->window;
  Bus().Send(kNavigatorSelectFirst, &first);
  return 0;
}

// The device pane names the phone by its window; the service wants its identifier.
int32_t PassOnWithIdentifier(CommandRecord* incoming, const char* courierName) {
  std::wstring identifier = Devices().IdentifierOfWindow(incoming->window);
  CommandRecord copy = *incoming;
  copy.text = identifier.c_str();
  Bus().Send(courierName, &copy);
  return 0;
}

int32_t OnDownloadDriverCancel(CommandRecord* r) { return PassOnWithIdentifier(r, kCourierDownloadDriverCancel); }

int32_t OnRetry(CommandRecord* r) {
  const std::string name = r->name ? r->name : "";
  if (name == kHandsetRootAuthorizeRetry) return PassOnWithIdentifier(r, kCourierRootAuthorizeRetry);
  if (name == kHandsetDebugAuthorizeRetry) return PassOnWithIdentifier(r, kCourierDebugAuthorizeRetry);
  if (name == kHandsetInstallRetry) return PassOnWithIdentifier(r, kCourierInstallRetry);
  if (name == kHandsetRetryConnectDevice) return PassOnWithIdentifier(r, kCourierRetryConnectDevice);
  return 0;
}

int32_t OnSwitchDevice(CommandRecord*) {
  RedisplayProgressDialogs();
  return 0;
}

int32_t OnDeviceDisconnect(CommandRecord* incoming) {
  if (incoming->value != 0) {
    PassOn(kContentHideWindowNames, 9, incoming);
    return 0;
  }
  std::wstring identifier = Devices().IdentifierOfWindow(incoming->window);
  if (identifier.empty()) return 0;
  CommandRecord get;
  get.text = identifier.c_str();
  Bus().Send(kCourierGetDevice, &get);
  auto* device = static_cast<DeviceRecord*>(get.payload);
  std::wstring name = device ? FirstDisplayName(*device) : identifier;
  ShowSheetNotice(name + L" " + L" is disconnected.", std::wstring());
  return 0;
}

int32_t OnPressWifiButton(CommandRecord* incoming) {
  CommandRecord copy = *incoming;
  Bus().Send(kCourierStartWifiServer, &copy);
  incoming->text = product::DisplayName().c_str();
  return 0;
}

// The last QR code is gone: the service stops taking new phones.
int32_t OnQrDialogClosed(CommandRecord*) {
  CommandRecord stop;
  Bus().Send(kCourierStopWifiServer, &stop);
  return 0;
}

int32_t OnHandsetChangeSize(CommandRecord* incoming) {
  PassOn(kContentChangeSizeNames, 9, incoming);
  return 0;
}

int32_t OnRemoveButtonReject(CommandRecord*) {
  ShowAlert(Host().Window(kWindowMainView), L"No device associated with the button.", 360, 100, L"OK");
  return 0;
}

int32_t OnLogTask(CommandRecord* incoming) {
  CommandRecord copy = *incoming;
  Bus().Send(kJobsAddTask, &copy);
  return 0;
}

int32_t OnScanProgress(CommandRecord* incoming) {
  auto* identifier = static_cast<const wchar_t*>(incoming->payload);
  if (identifier == nullptr) return 0;
  incoming->window = Devices().WindowOfIdentifier(identifier);
  if (incoming->value == 100) {
    CommandRecord texts = *incoming;
    Bus().Send(kTextsResetWindow, &texts);
    CommandRecord contacts = *incoming;
    Bus().Send(kRolodexResetWindow, &contacts);
  }
  return 0;
}

int32_t OnReceiveDeviceRecovery(CommandRecord* incoming) {
  if (incoming->text == nullptr) return 0;
  HWND window = Devices().WindowOfIdentifier(incoming->text);
  const char* add = incoming->value == 3 ? kRolodexAddContact : incoming->value == 4 ? kTextsAddSms : nullptr;
  if (window == nullptr || add == nullptr) return 0;
  CommandRecord copy = *incoming;
  copy.window = window;
  Bus().Send(add, &copy);
  size_t arrived = 0;
  if (incoming->payload != nullptr)
    arrived = incoming->value == 3 ? static_cast<OwnedPtrVector<ContactRecord>*>(incoming->payload)->size()
                                   : static_cast<OwnedPtrVector<MediaRecord>*>(incoming->payload)->size();
  SectionItemDescriptor item = {incoming->value == 3 ? kSectionContacts : kSectionSms, static_cast<int32_t>(arrived)};
  CommandRecord update;
  update.window = window;
  update.payload = &item;
  Bus().Send(kNavigatorUpdateItem, &update);
  CommandRecord home = update;
  Bus().Send(kDashboardUpdateCount, &home);
  return 0;
}

// The Home page's links: the navigator selects the section, and its report swaps the panes.
int32_t OnOpenSection(CommandRecord* incoming) {
  CommandRecord select;
  select.window = incoming->window;
  select.value = incoming->value;
  Bus().Send(kNavigatorSelectSection, &select);
  return 0;
}

// The user opened another section of a phone: swap the panes and load the list once.
int32_t OnSelectItem(CommandRecord* incoming) {
  HWND content = GetParent(incoming->window);
  std::wstring identifier = Devices().IdentifierOfWindow(content);
  if (identifier.empty()) return 0;
  CommandRecord get;
  get.text = identifier.c_str();
  Bus().Send(kCourierGetDevice, &get);
  auto* device = static_cast<DeviceRecord*>(get.payload);

  int32_t previous = static_cast<int32_t>(incoming->total), next = static_cast<int32_t>(incoming->position);
  CommandRecord hide = *incoming;
  hide.window = content;
  const ContentModule* module = ContentModuleOf(next);
  const ContentModule* old = ContentModuleOf(previous);
  // Between "Apps" and "User Apps" the one pane stays; SHOW_WINDOW tells it which to list.
  if (old != nullptr && (module == nullptr || old->showWindow != module->showWindow))
    Bus().Send(old->hideWindow, &hide);
  if (module == nullptr) return 0;
  CommandRecord show = *incoming;
  show.window = content;
  show.value = SW_SHOW;
  show.position = next;
  Bus().Send(module->showWindow, &show);
  if (module->loadCommand == nullptr || device == nullptr) return 0;
  ItemCounter* loaded = device->LoadedOfSection(next);
  if (loaded == nullptr || loaded->load() != 0) return 0;

  UiProgressDialog* progress = ProgressDialogOf(content);
  ItemCounter* count = device->CountOfSection(next);
  StartProgress(progress, ProgressStyle::kClosesByItself, ToNavigatorCount(count ? count->load() : 0),
                module->loadingText);
  CommandRecord load;
  load.code = module->loadCode;
  load.text = identifier.c_str();
  Bus().Send(module->loadCommand, &load);
  if (progress != nullptr) progress->SetCancelHandler(CancelDeviceTask, content, static_cast<uint64_t>(load.value));
  return 0;
}

// Progress of a device operation, from the service's threads: only the dialog's
// thread-safe counters and text are touched here.
int32_t OnProgress(CommandRecord* incoming) {
  UiProgressDialog* dialog = nullptr;
  if (incoming->code == 0 && incoming->text != nullptr)
    dialog = ProgressDialogOf(Devices().WindowOfIdentifier(incoming->text));
  else if (incoming->code == 1)
    dialog = ProgressDialogOf(Host().Window(kWindowTaskPane));
  if (dialog == nullptr) return 0;
  auto clamp = [](int64_t v) { return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : (v < 0 ? 0 : v)); };
  if (incoming->position != 0) dialog->SetPosition(clamp(incoming->position));
  if (incoming->total != 0) dialog->SetTotal(clamp(incoming->total));
  if (incoming->value != 0) dialog->AddFailed(clamp(incoming->value));
  if (incoming->data != nullptr) dialog->SetText(static_cast<const wchar_t*>(incoming->data));
  if (incoming->name != nullptr && std::string(incoming->name) == kCourierNotifyProgressFinish) dialog->Finish();
  return 0;
}

// Export of the checked tasks of the task pane.
int32_t OnPressExport(CommandRecord* incoming) {
  HWND view = Host().Window(kWindowMainView);
  if (incoming->value == 0) {
    ShowAlert(view, L"Nothing is checked.", 240, 100, L"OK");
    return 0;
  }
  wchar_t* folder = BASUtilityFile::SelectFolder(view, nullptr);
  if (folder == nullptr) return 0;
  if (UiProgressDialog* progress = ProgressDialogOf(Host().Window(kWindowTaskPane))) {
    progress->Reset();
    progress->SetTotal(static_cast<int32_t>(incoming->value > INT32_MAX ? INT32_MAX : incoming->value));
    progress->SetFolder(folder);
    progress->SetText(L"Exporting...");
    progress->Start();
  }
  CommandRecord copy = *incoming;
  copy.text = folder;
  Bus().Send(kCourierExportTask, &copy);
  std::free(folder);
  return 0;
}

// The task list's Cancel: the task of whatever kind it is.
int32_t OnCancelTask(CommandRecord* incoming) {
  if (incoming->value <= 0) return 0;
  CommandRecord cancel;
  cancel.text = incoming->text;
  cancel.value = incoming->value;
  Bus().Send(kCourierDoCancel, &cancel);
  return 0;
}

}  // namespace

void FillDeviceHandlers(CommandBus& bus) {
  bus.SetHandler(kJobsCancelTask, OnCancelTask);
  bus.SetHandler(kJobsPressExport, OnPressExport);
  bus.SetHandler(kNavigatorSelectItem, OnSelectItem);
  bus.SetHandler(kDashboardOpenSection, OnOpenSection);
  bus.SetHandler(kCourierNotifyProgress, OnProgress);
  bus.SetHandler(kCourierNotifyProgressFinish, OnProgress);
  bus.SetHandler(kHandsetBingingButton, OnBindButton);
  bus.SetHandler(kHandsetBingingDevice, OnBindDevice);
  bus.SetHandler(kHandsetRemoveDevice, OnRemoveDevice);
  bus.SetHandler(kHandsetStartScan, OnStartScan);
  bus.SetHandler(kHandsetShowManager, OnShowManager);
  bus.SetHandler(kHandsetDownloadDriverCancel, OnDownloadDriverCancel);
  for (const char* name :
       {kHandsetRootAuthorizeRetry, kHandsetDebugAuthorizeRetry, kHandsetInstallRetry, kHandsetRetryConnectDevice})
    bus.SetHandler(name, OnRetry);
  bus.SetHandler(kHandsetSwitchDevice, OnSwitchDevice);
  bus.SetHandler(kHandsetDeviceDisconnect, OnDeviceDisconnect);
  bus.SetHandler(kHandsetPressWifiButton, OnPressWifiButton);
  bus.SetHandler(kHandsetQrDialogClosed, OnQrDialogClosed);
  bus.SetHandler(kHandsetChangeSize, OnHandsetChangeSize);
  bus.SetHandler(kHandsetRemoveButtonReject, OnRemoveButtonReject);
  bus.SetHandler(kCourierLogTask, OnLogTask);
  bus.SetHandler(kCourierScanProgress, OnScanProgress);
  bus.SetHandler(kCourierReceiveDeviceRecovery, OnReceiveDeviceRecovery);
}
