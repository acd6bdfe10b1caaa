#include "host/UpdateFlow.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/Alert.h"
#include "host/CommandBus.h"
#include "host/HostDialogs.h"
#include "host/HostState.h"
#include "host/Product.h"
#include "host/UiRouter.h"
#include "host/dialogs/UiSheetDialog.h"
#include "host/dialogs/UiUpdateDownloadDialog.h"
#include "host/dialogs/UiUpdateListDialog.h"

namespace {

// `value` of the service's update answers.
constexpr int64_t kCheckFailed = 0;
constexpr int64_t kDownloadDone = 0;
constexpr int64_t kDownloadProgress = 2;
constexpr int64_t kDownloadFailed = 3;
constexpr int kAlertWidth = 440;
constexpr int kAlertHeight = 100;

struct FlowState {
  bool manual = false;   // once the user asked, every later answer is shown
  std::wstring offered;  // the newest version of the last list
};

FlowState& Flow() {
  static FlowState state;
  return state;
}

std::wstring WithVersion(const wchar_t* format, const std::wstring& version) {
  const std::wstring text = format;
  const size_t at = text.find(L"%s");
  return at == std::wstring::npos ? text : text.substr(0, at) + version + text.substr(at + 2);
}

void TellTitleBarCheckEnded() {
  CommandRecord record;
  CommandBus::Instance().Send(kCaptionCheckForUpdate, &record);
}

void StartDownload() {
  UiUpdateDownloadDialog* dialog = UpdateDownloadDialog();
  if (dialog == nullptr) return;
  dialog->Reset();
  dialog->SetCancelAction([] {
    CommandRecord cancel;
    CommandBus::Instance().Send(kCourierDownloadUpdateCancel, &cancel);
  });
  dialog->SetText(L"Downloading updated files, please wait...");
  dialog->Start();
  CommandRecord download;
  CommandBus::Instance().Send(kCourierDownloadUpdate, &download);
}

void ShowUpdateList() {
  UiUpdateListDialog* list = UpdateListDialog();
  if (list == nullptr) return;
  list->Reset();
  list->SetUpdateAction(StartDownload);
  list->Show(SW_SHOW);
}

// Manual check from the title bar's menu.
int32_t OnManualCheck(CommandRecord*) {
  Flow().manual = true;
  UiUpdateListDialog* list = UpdateListDialog();
  if (list != nullptr && list->HasText()) {
    ShowUpdateList();
    TellTitleBarCheckEnded();
    return 0;
  }
  CommandRecord check;
  CommandBus::Instance().Send(kCourierCheckForUpdate, &check);
  return 0;
}

// The service's answer, from its thread: the list travels with the copy to the UI thread.
int32_t OnCheckAnswer(CommandRecord* record) {
  if (!PostRecordToRouter(kCourierCheckForUpdate, *record)) delete static_cast<VersionList*>(record->payload);
  return 0;
}

int32_t OnDownloadNotice(CommandRecord* record) {
  if (record->value == kDownloadProgress) {
    // Counters only: safe on the service's thread, drawn by the dialog's timer.
    if (UiUpdateDownloadDialog* dialog = UpdateDownloadDialog()) {
      dialog->SetPosition(static_cast<int32_t>(record->position));
      dialog->SetTotal(static_cast<int32_t>(record->total));
    }
    return 0;
  }
  if (record->value != kDownloadDone && record->value != kDownloadFailed) {
    std::free(const_cast<wchar_t*>(record->text));  // whatever it carried is ours, and unused
    return 0;
  }
  if (!PostRecordToRouter(kCourierDownloadUpdate, *record)) std::free(const_cast<wchar_t*>(record->text));
  return 0;
}

int32_t OnExitServer(CommandRecord*) {
  PostToRouter(kCourierExitServer, 0);
  return 0;
}

void AnswerCheck(CommandRecord* copy) {
  std::unique_ptr<VersionList> versions(static_cast<VersionList*>(copy->payload));
  FlowState& flow = Flow();
  const HWND view = Host().Window(kWindowMainView);
  if (copy->value == kCheckFailed) {
    if (flow.manual)
      ShowAlert(view, L"Update failed! Please check if the network is available.", kAlertWidth, kAlertHeight, nullptr);
  } else if (copy->entries == 0 || !versions || versions->empty()) {
    if (flow.manual)
      ShowAlert(view, WithVersion(L"This version of (%s) is the latest version.", product::kVersion), kAlertWidth,
                kAlertHeight, nullptr);
  } else {
    flow.offered = versions->front().version;
    if (UiUpdateListDialog* list = UpdateListDialog()) {
      list->ClearText();
      list->AppendText(UpdateNotesText(*versions));
    }
    versions.reset();
    if (flow.manual) {
      ShowUpdateList();
    } else if (UiSheetDialog* sheet = SheetDialog(); sheet != nullptr && !sheet->IsShowing()) {
      ShowSheetAction(WithVersion(L"A new version of (%s) is available.", flow.offered), ShowUpdateList);
    }
  }
  TellTitleBarCheckEnded();
}

void AnswerDownload(CommandRecord* copy) {
  // The path is the service's heap copy; ours to free whatever happens here.
  std::unique_ptr<wchar_t, decltype(&std::free)> path(const_cast<wchar_t*>(copy->text), &std::free);
  UiUpdateDownloadDialog* dialog = UpdateDownloadDialog();
  if (dialog == nullptr) return;
  if (copy->value == kDownloadFailed) {
    dialog->Fail(L"Download failed! Please check if the network is available.");
    return;
  }
  dialog->Succeed(path ? path.get() : L"", L"Closing application,wait a moment...");
  path.reset();
  CommandRecord exit;
  CommandBus::Instance().Send(kCourierExitServer, &exit);
}

DWORD WindowsMajorVersion() {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExW(&info) ? info.dwMajorVersion : 0;
}

// Starts only the path the service handed over after checking its size and digest.
void StartInstallerAndClose() {
  BASTrace("SendCommandCommExitServer");
  UiUpdateDownloadDialog* dialog = UpdateDownloadDialog();
  const std::wstring installer = dialog != nullptr ? dialog->InstallerPath() : std::wstring();
  if (!installer.empty()) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.hwnd = nullptr;
    info.lpVerb = InstallerVerb(WindowsMajorVersion());
    info.lpFile = installer.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info))
      BASTrace("SendCommandCommExitServer: the installer did not start GetLastError: %lu", GetLastError());
    if (info.hProcess) CloseHandle(info.hProcess);
  }
  if (HWND frame = Host().Window(kWindowMainFrame)) PostMessageW(frame, WM_CLOSE, 0, 0);
}

}  // namespace

std::wstring UpdateNotesText(const VersionList& versions) {
  std::wstring text;
  for (size_t i = 0; i < versions.size(); ++i) {
    if (i > 0) text += L"\n";
    text += L"Version: " + versions[i].version + L"\n";
    for (const std::wstring& note : versions[i].notes) text += note + L"\n";
  }
  return text;
}

const wchar_t* InstallerVerb(DWORD windowsMajor) { return windowsMajor == 0 || windowsMajor > 5 ? L"runas" : nullptr; }

bool IsManualUpdateCheck() { return Flow().manual; }

void ResetUpdateFlowForTests() { Flow() = FlowState(); }

void FillUpdateHandlers(CommandBus& bus) {
  bus.SetHandler(kCaptionCheckForUpdate, OnManualCheck);
  bus.SetHandler(kCourierCheckForUpdate, OnCheckAnswer);
  bus.SetHandler(kCourierDownloadUpdate, OnDownloadNotice);
  bus.SetHandler(kCourierExitServer, OnExitServer);
}

bool RouteUpdateNotice(const char* name, LPARAM param) {
  if (std::strcmp(name, kCourierCheckForUpdate) == 0) {
    AnswerCheck(reinterpret_cast<CommandRecord*>(param));
  } else if (std::strcmp(name, kCourierDownloadUpdate) == 0) {
    AnswerDownload(reinterpret_cast<CommandRecord*>(param));
  } else if (std::strcmp(name, kCourierExitServer) == 0) {
    StartInstallerAndClose();
  } else {
    return false;
  }
  return true;
}
