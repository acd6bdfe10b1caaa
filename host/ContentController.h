// What every content controller shares: finding the phone of a pane's request, the progress
// dialog setups, the one cancel handler, the list task-ID handshake with a pane, count
// updates for the navigator, and ownership of a device-service notification's payload.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"

class UiProgressDialog;

// The phone a pane's request is about, found from the pane's content window.
struct ContentRequest {
  HWND deviceView = nullptr;  // the pane's parent, under which the host keeps the phone
  std::wstring identifier;
  DeviceRecord* device = nullptr;
  HWND owner = nullptr;  // of the request's alerts and pickers: the main view
  UiProgressDialog* progress = nullptr;
};

// False when the window belongs to no phone the host and the device service both know; the
// device view window is filled in either way.
bool ResolveContentRequest(HWND paneWindow, ContentRequest& request);

// Which of the three progress dialog setups an operation uses.
enum class ProgressStyle {
  kClosesByItself,  // load, delete: no "Show in folder", gone at the end
  kWaitsForUser,    // import: no "Show in folder", waits for OK
  kShowsFolder,     // export: "Show in folder" for `folder`, waits for OK
};

// Resets and shows a progress dialog (none: nothing happens).
void StartProgress(UiProgressDialog* progress, ProgressStyle style, int64_t total, const std::wstring& text,
                   const std::wstring& folder = std::wstring());

// After a modal dialog: the phone may have gone while the user was choosing.
bool IsStillConnected(const ContentRequest& request);

// Sends `operation` to the device service and lets the dialog cancel the task it returns.
void SendCancellableOperation(const char* name, CommandRecord& operation, const ContentRequest& request);

// The one cancel handler of every progress dialog: DO_CANCEL with the phone and the task.
void CancelDeviceTask(HWND window, uint32_t taskLow, uint32_t taskHigh);

// "Nothing is checked.", and a confirmation of `question` + "s" for more than one + "?".
void ShowNothingChecked(HWND owner);
bool ConfirmForChecked(HWND owner, const std::wstring& question, int64_t count, bool plural = true);
std::wstring CheckedQuestion(const std::wstring& question, int64_t count, bool plural);

// Asks for a folder, starting in the one remembered under `settingsKey` of the per-user
// store while it still exists, and remembers the choice. "" when cancelled.
std::wstring AskExportFolder(HWND owner, const char* settingsKey);

// A pane's list task-ID commands.
struct ListTaskCommands {
  const char* getTaskId;
  const char* clearData;
  const char* setTaskId;
};

// Empties the pane's list when a batch of task `taskId` is not of the load the pane shows,
// and makes that load the pane's. `notice` names the pane's parent in `window`.
void SyncListTask(const ListTaskCommands& names, const CommandRecord& notice, int64_t taskId);

// LIBNAVIGATOR_COMMAND_UPDATE_ITEM with `count` for each item, in order.
void SendCount(HWND deviceView, const std::vector<int32_t>& items, const ItemCounter& count);
// The device's count of `itemKind` to `items`; "User Apps" shows the apps the user installed.
void SendDeviceCount(HWND deviceView, const std::vector<int32_t>& items, const DeviceRecord& device, int32_t itemKind);

// Owns a notification's malloc'ed payload and, until it is taken, its item; frees both on
// every way out. `disposeItem` destroys an item of a kind the controller knows (and the
// vector of a list kind), and leaves alone what it does not know.
class OwnedNotice {
 public:
  typedef void (*ItemDisposer)(uint32_t kind, void* item);
  OwnedNotice(NotificationPayload* payload, ItemDisposer disposeItem) : m_payload(payload), m_dispose(disposeItem) {}
  ~OwnedNotice();
  OwnedNotice(const OwnedNotice&) = delete;
  OwnedNotice& operator=(const OwnedNotice&) = delete;

  explicit operator bool() const { return m_payload != nullptr; }
  NotificationPayload* operator->() const { return m_payload; }
  template <class T>
  T* Item() const {
    return static_cast<T*>(m_payload->item);
  }
  // The item went to someone who owns it now.
  void TakeItem() { m_payload->item = nullptr; }
  // Payload and item went on together (posted to another thread).
  NotificationPayload* Release() {
    NotificationPayload* payload = m_payload;
    m_payload = nullptr;
    return payload;
  }

 private:
  NotificationPayload* m_payload;
  ItemDisposer m_dispose;
};

// Deletes a vector of owned pointers and what it points to.
template <class T>
void DeleteList(std::vector<T*>* list) {
  if (list == nullptr) return;
  for (T* item : *list) delete item;
  delete list;
}
