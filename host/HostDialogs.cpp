#include "host/HostDialogs.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/HostState.h"
#include "host/dialogs/UiAboutDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "host/dialogs/UiSheetDialog.h"
#include "host/dialogs/UiUpdateDownloadDialog.h"
#include "host/dialogs/UiUpdateListDialog.h"

namespace {

Gdiplus::Bitmap* CloseNormal() { return FindImage(&Host().imageCache, "common\\close-normal.png"); }
Gdiplus::Bitmap* ClosePressed() { return FindImage(&Host().imageCache, "common\\close-pressed.png"); }

struct Dialogs {
  std::unique_ptr<UiSheetDialog> sheet;
  std::unique_ptr<UiUpdateListDialog> updateList;
  std::atomic<UiUpdateDownloadDialog*> updateDownload{nullptr};  // read by progress notices
  std::unique_ptr<UiUpdateDownloadDialog> updateDownloadOwned;
  std::mutex progressMutex;  // progress notices look dialogs up from worker threads
  std::map<HWND, UiProgressDialog*> progress;
  std::vector<std::unique_ptr<UiProgressDialog>> owned;  // every dialog ever made, until exit
};

Dialogs& State() {
  static Dialogs* dialogs = new Dialogs();
  return *dialogs;
}

}  // namespace

void CreateHostDialogs(HWND view) {
  Dialogs& d = State();
  d.sheet = std::make_unique<UiSheetDialog>(CloseNormal(), ClosePressed());
  d.sheet->CreateModeless(view);
  d.updateDownloadOwned = std::make_unique<UiUpdateDownloadDialog>(CloseNormal(), ClosePressed());
  if (d.updateDownloadOwned->CreateModeless(view)) d.updateDownload.store(d.updateDownloadOwned.get());
  d.updateList = std::make_unique<UiUpdateListDialog>(CloseNormal(), ClosePressed());
  d.updateList->CreateModeless(view);
  if (HWND tasks = Host().Window(kWindowTaskPane)) CreateProgressDialogFor(tasks);
}

void DestroyHostDialogs() {
  Dialogs& d = State();
  d.sheet.reset();
  d.updateList.reset();
  d.updateDownload.store(nullptr);
  d.updateDownloadOwned.reset();
  std::lock_guard<std::mutex> lock(d.progressMutex);
  d.progress.clear();
  d.owned.clear();
}

bool AskConfirmation(HWND owner, const std::wstring& text, int width, int height) {
  return ShowConfirm(owner, text, width, height);
}

void ShowAboutDialog() {
  UiAboutDialog about(CloseNormal(), ClosePressed());
  about.RunModal(Host().Window(kWindowMainView));
}

void ShowSheetNotice(const std::wstring& text, const std::wstring& folder) {
  UiSheetDialog* sheet = State().sheet.get();
  if (sheet == nullptr) return;
  sheet->SetText(text);
  if (!folder.empty())
    sheet->SetClickAction([folder] { BASUtilityApp::OpenFolder(folder.c_str()); });
  else
    sheet->SetClickAction(nullptr);
  sheet->Show(SW_SHOW);
}

void ShowSheetAction(const std::wstring& text, std::function<void()> action) {
  UiSheetDialog* sheet = State().sheet.get();
  if (sheet == nullptr) return;
  sheet->SetText(text);
  sheet->SetClickAction(std::move(action));
  sheet->Show(SW_SHOW);
}

UiSheetDialog* SheetDialog() { return State().sheet.get(); }

UiUpdateListDialog* UpdateListDialog() { return State().updateList.get(); }

UiUpdateDownloadDialog* UpdateDownloadDialog() { return State().updateDownload.load(); }

void FitSheetToView() {
  if (UiSheetDialog* sheet = State().sheet.get()) sheet->FollowOwner();
}

void CreateProgressDialogFor(HWND window) {
  if (window == nullptr) return;
  Dialogs& d = State();
  {
    std::lock_guard<std::mutex> lock(d.progressMutex);
    if (d.progress.count(window)) return;
  }
  auto dialog = std::make_unique<UiProgressDialog>(CloseNormal(), ClosePressed());
  if (!dialog->CreateModeless(window)) return;
  std::lock_guard<std::mutex> lock(d.progressMutex);
  d.progress[window] = dialog.get();
  d.owned.push_back(std::move(dialog));
}

void ForgetProgressDialogOf(HWND window) {
  Dialogs& d = State();
  UiProgressDialog* dialog = nullptr;
  {
    std::lock_guard<std::mutex> lock(d.progressMutex);
    auto it = d.progress.find(window);
    if (it == d.progress.end()) return;
    dialog = it->second;
    d.progress.erase(it);
  }
  dialog->Show(SW_HIDE);
}

UiProgressDialog* ProgressDialogOf(HWND window) {
  Dialogs& d = State();
  std::lock_guard<std::mutex> lock(d.progressMutex);
  auto it = d.progress.find(window);
  return it == d.progress.end() ? nullptr : it->second;
}

void RedisplayProgressDialogs() {
  Dialogs& d = State();
  std::vector<UiProgressDialog*> dialogs;
  {
    std::lock_guard<std::mutex> lock(d.progressMutex);
    for (auto& entry : d.progress) dialogs.push_back(entry.second);
  }
  for (UiProgressDialog* dialog : dialogs) dialog->FollowOwner();
}
