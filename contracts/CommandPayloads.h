// What the `data` and `payload` pointers of the commands carry, where more than one deliverable
// reads it. Ownership rules: a plain record or string posted to the host from another thread is
// malloc'ed and released with free(); an object with C++ members is made with new and released
// with delete by the side named at its definition.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DeviceRecord;

// CHANGE_SIZE `data`: a client size. The title bar reads only the width.
struct SizePayload {
  int32_t width;
  int32_t height;
};

static_assert(sizeof(SizePayload) == 8, "size payload");
static_assert(offsetof(SizePayload, height) == 4, "height follows the width");

// SHOW_WINDOW `data` for the task and toolkit panes. Every receiver reads only the rectangle at
// its start, the rectangle the pane is created in.
struct ShowWindowPayload {
  RECT rect;
  HWND parent;
  int32_t reserved;
};

static_assert(offsetof(ShowWindowPayload, rect) == 0, "rectangle first");
static_assert(offsetof(ShowWindowPayload, parent) == 16, "parent");
static_assert(sizeof(ShowWindowPayload) == 24, "show-window payload");

// SHOW_WINDOW `data` for the device pane: a zeroed block of that fixed size that begins with the
// rectangle.
struct DeviceShowWindowBlock {
  RECT rect;
  uint8_t reserved[532];
};

static_assert(offsetof(DeviceShowWindowBlock, rect) == 0, "rectangle first");
static_assert(sizeof(DeviceShowWindowBlock) == 548, "device pane show block");

// LIBCAPTION_COMMAND_CREATE_TITLEBAR `data`, read in place during the call.
struct TitleBarCreatePayload {
  RECT rect;           // left, top, right, bottom in the parent; height 68
  HICON icon;          // the logo, not owned by the bar
  std::wstring title;  // the product display name
};

static_assert(offsetof(TitleBarCreatePayload, icon) == 16, "icon follows the rectangle");
static_assert(offsetof(TitleBarCreatePayload, title) == 20, "title follows the icon");

// LIBCOURIER_COMMAND_START_SERVER `data`: three wide strings, valid during the call.
struct ServerStartInfo {
  const wchar_t* productName;
  const wchar_t* makerName;
  const wchar_t* version;
};

static_assert(sizeof(ServerStartInfo) == 12, "three string pointers");

// `payload` of the Wi-Fi connection the device service reports (START_WIFI_SERVER, relayed as
// LIBHANDSET_COMMAND_PRESS_WIFI_BUTTON). Made with new; the device module deletes it after
// handing it to its dialogs.
struct WifiServerInfo {
  std::wstring address;
  int32_t port = 0;
  std::wstring failure;  // why phones cannot connect (no listener); empty when they can
};

// `payload` of CONFIRM_WIFI_DEVICE: a phone on the network asks to connect. Made with new by the
// device service, deleted by the host after it has asked the user.
struct WifiPeerQuestion {
  int64_t ticket = 0;    // sent back in ANSWER_WIFI_DEVICE
  std::wstring name;     // what the phone calls itself
  std::wstring model;    // its model, so a stranger's phone is told apart from one's own
  std::wstring address;  // its network address
};

// A problem the user must read about that belongs to no operation, such as saved changes
// that could not be read (kContactNoticeMessage). Made with new, deleted by the host.
struct UserNotice {
  std::wstring text;
  std::wstring folder;  // what a click on the notice opens; may be empty
};

// Payload of every DO_<kind> notification of the device service. Malloc'ed; the handler that
// consumes the notification last releases it with free() and disposes of its item as its kind
// says.
struct NotificationPayload {
  uint32_t kind;         // notification kind; 0 is a count change
  int32_t status;        // kNotificationSuccess or a failure
  int64_t taskId;        // the operation it belongs to
  void* item;            // one record or a std::vector of record pointers, by kind
  DeviceRecord* device;  // the phone it is about
};

constexpr int32_t kNotificationSuccess = 1;

static_assert(offsetof(NotificationPayload, kind) == 0, "kind");
static_assert(offsetof(NotificationPayload, status) == 4, "status");
static_assert(offsetof(NotificationPayload, taskId) == 8, "task id");
static_assert(offsetof(NotificationPayload, item) == 16, "item");
static_assert(offsetof(NotificationPayload, device) == 20, "device record");
static_assert(sizeof(NotificationPayload) == 24, "notification payload size");

// One newer version found by the update check. LIBCOURIER_COMMAND_CHECK_FOR_UPDATE carries a
// VersionList made with new in `payload` and its size in `entries`; the host deletes it.
struct VersionRecord {
  std::wstring version;
  std::vector<std::wstring> notes;  // note lines, in order
};

typedef std::vector<VersionRecord> VersionList;

// File paths: the files chosen for an import or dropped on a pane. A heap vector that passes to
// the receiver, which deletes it.
typedef std::vector<std::wstring> PathList;
