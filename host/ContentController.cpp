#include "host/ContentController.h"

#include <cstdlib>
#include <limits>

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/Alert.h"
#include "host/CommandBus.h"
#include "host/FilePickers.h"
#include "host/HostDialogs.h"
#include "host/HostState.h"
#include "host/dialogs/UiProgressDialog.h"

namespace {

int32_t ClampToInt32(int64_t value) {
  if (value < 0) return 0;
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value > kMax ? kMax : value);
}

std::wstring Widen(const char* utf8) {
  wchar_t* wide = BASUtilityString::ConvertUtf8ToUnicode(utf8);
  std::wstring text = wide ? wide : L"";
  std::free(wide);
  return text;
}

std::string Narrow(const std::wstring& text) {
  char* utf8 = BASUtilityString::ConvertUnicodeToUtf8(text.c_str());
  std::string narrow = utf8 ? utf8 : "";
  std::free(utf8);
  return narrow;
}

}  // namespace

bool ResolveContentRequest(HWND paneWindow, ContentRequest& request) {
  request.deviceView = paneWindow != nullptr ? GetParent(paneWindow) : nullptr;
  if (request.deviceView == nullptr) return false;
  request.identifier = Host().devices.IdentifierOfWindow(request.deviceView);
  if (request.identifier.empty()) return false;
  CommandRecord get;
  get.text = request.identifier.c_str();
  CommandBus::Instance().Send(kCourierGetDevice, &get);
  request.device = static_cast<DeviceRecord*>(get.payload);
  // Without its record the service does not know the phone either: nothing can run.
  if (request.device == nullptr) return false;
  request.owner = Host().Window(kWindowMainView);
  request.progress = ProgressDialogOf(request.deviceView);
  return true;
}

bool IsStillConnected(const ContentRequest& request) {
  return !request.identifier.empty() && Host().devices.IdentifierOfWindow(request.deviceView) == request.identifier;
}

void StartProgress(UiProgressDialog* progress, ProgressStyle style, int64_t total, const std::wstring& text,
                   const std::wstring& folder) {
  if (progress == nullptr) return;
  // A finished earlier operation must not end this one at the first tick.
  progress->Reset();
  progress->SetShowFolder(style == ProgressStyle::kShowsFolder);
  progress->SetCloseByItself(style == ProgressStyle::kClosesByItself);
  progress->SetFolder(style == ProgressStyle::kShowsFolder ? folder : std::wstring());
  progress->SetTotal(ClampToInt32(total));
  progress->SetText(text);
  progress->Start();
}

void SendCancellableOperation(const char* name, CommandRecord& operation, const ContentRequest& request) {
  operation.text = request.identifier.c_str();
  CommandBus::Instance().Send(name, &operation);
  if (request.progress != nullptr)
    request.progress->SetCancelHandler(CancelDeviceTask, request.deviceView, static_cast<uint64_t>(operation.value));
}

void CancelDeviceTask(HWND window, uint32_t taskLow, uint32_t taskHigh) {
  std::wstring identifier = Host().devices.IdentifierOfWindow(window);
  if (identifier.empty()) return;
  CommandRecord cancel;
  cancel.text = identifier.c_str();
  cancel.value = static_cast<int64_t>((static_cast<uint64_t>(taskHigh) << 32) | taskLow);
  CommandBus::Instance().Send(kCourierDoCancel, &cancel);
}

void ShowNothingChecked(HWND owner) { ShowAlert(owner, L"Nothing is checked.", 240, 100, L"OK"); }

std::wstring CheckedQuestion(const std::wstring& question, int64_t count, bool plural) {
  return question + (plural && count > 1 ? L"s" : L"") + L"?";
}

bool ConfirmForChecked(HWND owner, const std::wstring& question, int64_t count, bool plural) {
  return ShowConfirm(owner, CheckedQuestion(question, count, plural), 400, 120);
}

std::wstring AskExportFolder(HWND owner, const char* settingsKey) {
  BASUserDefaults* store = BASUserDefaults::StandardUserDefaults();
  std::wstring initial = Widen(store->GetString(settingsKey));
  // A folder removed since the last export is no place to start from.
  if (!BASUtilityFile::IsFolderExist(initial.c_str())) initial.clear();
  std::wstring folder = PickFolder(owner, initial);
  if (!folder.empty() && !store->SetString(settingsKey, Narrow(folder).c_str()))
    BASTrace("AskExportFolder: %s not remembered", settingsKey);
  return folder;
}

void SyncListTask(const ListTaskCommands& names, const CommandRecord& notice, int64_t taskId) {
  CommandBus& bus = CommandBus::Instance();
  CommandRecord get = notice;
  bus.Send(names.getTaskId, &get);
  if (get.value == taskId) return;
  CommandRecord clear = notice;
  bus.Send(names.clearData, &clear);
  CommandRecord set = notice;
  set.value = taskId;
  bus.Send(names.setTaskId, &set);
}

void SendCount(HWND deviceView, const std::vector<int32_t>& items, const ItemCounter& count) {
  // One reading for every item, so they all show the same number.
  const int32_t shown = ToNavigatorCount(count.load());
  for (int32_t item : items) {
    SectionItemDescriptor descriptor = {item, shown};
    CommandRecord update;
    update.window = deviceView;
    update.payload = &descriptor;
    CommandBus::Instance().Send(kNavigatorUpdateItem, &update);
    // The Home page shows the same counts.
    CommandRecord home = update;
    CommandBus::Instance().Send(kDashboardUpdateCount, &home);
  }
}

void SendDeviceCount(HWND deviceView, const std::vector<int32_t>& items, const DeviceRecord& device, int32_t itemKind) {
  for (int32_t item : items)
    SendCount(deviceView, {item}, item == kSectionUserApps ? device.userApps : device.counts[itemKind]);
}

OwnedNotice::~OwnedNotice() {
  if (m_payload == nullptr) return;
  if (m_payload->item != nullptr && m_dispose != nullptr) {
    try {
      m_dispose(m_payload->kind, m_payload->item);
    } catch (...) {
      BASTrace("OwnedNotice: item of kind %u not released", m_payload->kind);
    }
  }
  std::free(m_payload);
}
