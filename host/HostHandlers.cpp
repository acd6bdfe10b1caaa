#include "host/HostHandlers.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/ContactsController.h"
#include "host/MediaController.h"
#include "host/MessagesController.h"
#include "host/DeviceHandlers.h"
#include "host/HostDialogs.h"
#include "host/HostState.h"
#include "host/MainFrame.h"
#include "host/Product.h"
#include "host/UiRouter.h"
#include "host/UpdateFlow.h"

namespace {

constexpr int kTitleBarHeight = 68;

// The device, task and extras panes share the area below the title bar.
RECT ContentArea(const RECT& client) {
  return {client.left + 1, 2 * client.top + kTitleBarHeight, client.right - 1, client.bottom - 1};
}

int32_t OnCreateWindow(CommandRecord* incoming) {
  HostState& host = Host();
  CommandBus& bus = CommandBus::Instance();
  HWND view = incoming->window;
  RECT client = {};
  GetClientRect(view, &client);

  TitleBarCreatePayload titleBar = {
      {client.left, client.top, client.right, client.top + kTitleBarHeight}, nullptr, product::DisplayName()};
  auto logo = host.icons.find("LOGO_ICON");
  if (logo != host.icons.end()) titleBar.icon = logo->second;
  CommandRecord caption;
  caption.window = view;
  caption.data = &titleBar;
  bus.Send(kCaptionCreateTitlebar, &caption);
  // A module that is not installed leaves its window unset.
  if (caption.window != view && caption.window != nullptr) host.windows[kWindowTitleBar] = caption.window;

  RECT content = ContentArea(client);
  DeviceShowWindowBlock deviceBlock = {};
  deviceBlock.rect = content;
  CommandRecord device;
  device.window = view;
  device.value = SW_SHOW;
  device.data = &deviceBlock;
  bus.Send(kHandsetShowWindow, &device);
  if (device.window != view && device.window != nullptr) host.windows[kWindowDevicePane] = device.window;

  ShowWindowPayload hidden = {content, view, 0};
  CommandRecord jobs;
  jobs.window = view;
  jobs.value = SW_HIDE;
  jobs.data = &hidden;
  bus.Send(kJobsShowWindow, &jobs);
  if (jobs.window != view && jobs.window != nullptr) host.windows[kWindowTaskPane] = jobs.window;

  CommandRecord extras;
  extras.window = view;
  extras.value = SW_HIDE;
  extras.data = &hidden;
  bus.Send(kExtrasShowWindow, &extras);
  if (extras.window != view && extras.window != nullptr) host.windows[kWindowExtras] = extras.window;

  CreateHostDialogs(view);
  return 0;
}

int32_t OnChangeSize(CommandRecord* incoming) {
  auto* size = static_cast<SizePayload*>(incoming->data);
  if (size == nullptr) return 0;
  CommandBus& bus = CommandBus::Instance();
  CommandRecord caption;
  caption.window = Host().Window(kWindowTitleBar);
  caption.data = size;
  bus.Send(kCaptionChangeSize, &caption);

  // The panes below the title bar get the content size; the view keeps its own size.
  SizePayload content = {size->width - 2, size->height - 69};
  CommandRecord panes;
  panes.data = &content;
  bus.Send(kHandsetChangeSize, &panes);
  CommandRecord jobs;
  jobs.data = &content;
  bus.Send(kJobsChangeSize, &jobs);
  // The toolkit page fills the same area; without this it kept its first size.
  CommandRecord extras;
  extras.data = &content;
  bus.Send(kExtrasChangeSize, &extras);
  FitSheetToView();
  return 0;
}

int32_t OnPressMaxOrReset(CommandRecord*) {
  if (CMainFrame* frame = Host().frame) frame->ToggleMaximised();
  return 0;
}

int32_t OnOpenFeedback(CommandRecord*) {
  BASUserDefaults* settings = BASUserDefaults::GetUserDefaults(product::kSettingsDomain);
  if (settings == nullptr) return 0;
  std::string address = settings->GetString("url:feedback");
  if (address.empty()) return 0;
  address += std::string("?version=") + product::kVersionNarrow;
  BASUtilityApp::OpenUrl(address.c_str());
  return 0;
}

// 0: the device pane; 1: the toolkit pane; 2: the task pane. Other values change no pane.
int32_t OnChangeType(CommandRecord* incoming) {
  int64_t type = incoming->value;
  if (type >= 0 && type <= 2) {
    CommandBus& bus = CommandBus::Instance();
    const char* const panes[] = {kHandsetShowWindow, kJobsShowWindow, kExtrasShowWindow};
    const int64_t shownPane[] = {0, 2, 1};  // which type shows each pane, in sending order
    for (int i = 0; i < 3; ++i) {
      CommandRecord show;
      show.value = shownPane[i] == type ? SW_SHOW : SW_HIDE;
      bus.Send(panes[i], &show);
    }
  }
  RedisplayProgressDialogs();
  return 0;
}

int32_t OnOpenAbout(CommandRecord*) {
  ShowAboutDialog();
  return 0;
}

// Notifications from the service's threads that only name an integer.
int32_t PostIntegerToRouter(CommandRecord* record) {
  bool posted = PostToRouter(record->name, static_cast<LPARAM>(record->value));
  // The identifier of a new phone is ours to free once the router cannot have it.
  if (!posted && record->name != nullptr && std::strcmp(record->name, kCourierAddDevice) == 0)
    std::free(reinterpret_cast<void*>(static_cast<intptr_t>(record->value)));
  return 0;
}

int32_t PostCopyToRouter(CommandRecord* record) {
  PostRecordToRouter(record->name, *record);
  return 0;
}

int32_t OnGetDeviceInfo(CommandRecord* record) {
  PostRecordToRouter(kDashboardUpdateDeviceInfo, *record);
  return 0;
}

}  // namespace

void FillHandlerTable(CommandBus& bus) {
  bus.SetHandler(kMainCreateWindow, OnCreateWindow);
  bus.SetHandler(kMainChangeSize, OnChangeSize);
  bus.SetHandler(kCaptionPressMaxOrReset, OnPressMaxOrReset);
  bus.SetHandler(kCaptionOpenFeedback, OnOpenFeedback);
  bus.SetHandler(kCaptionChangeType, OnChangeType);
  bus.SetHandler(kCaptionOpenAbout, OnOpenAbout);
  FillDeviceHandlers(bus);

  for (const char* name : {kCourierReadyStartServer, kCourierServerCrash, kCourierAddDevice})
    bus.SetHandler(name, PostIntegerToRouter);
  for (const char* name :
       {kCourierStartWifiServer, kCourierConfirmWifiDevice, kCourierScanUsbDevice, kCourierDoMusic, kCourierDoVideo})
    bus.SetHandler(name, PostCopyToRouter);
  FillContactsHandlers(bus);
  FillMessagesHandlers(bus);
  FillMediaHandlers(bus);
  FillUpdateHandlers(bus);
  bus.SetHandler(kCourierGetDeviceInfo, OnGetDeviceInfo);
}
