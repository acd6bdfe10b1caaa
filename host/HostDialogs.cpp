#include "host/HostDialogs.h"

#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/HostState.h"
#include "host/dialogs/UiAboutDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "host/dialogs/UiSheetDialog.h"

namespace {

Gdiplus::Bitmap* CloseNormal() { return FindImage(&Host().imageCache, "common\\close-normal.png"); }
Gdiplus::Bitmap* ClosePressed() { return FindImage(&Host().imageCache, "common\\close-pressed.png"); }

struct Dialogs {
  std::unique_ptr<UiSheetDialog> sheet;
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
  if (HWND tasks = Host().Window(kWindowTaskPane)) CreateProgressDialogFor(tasks);
}

void DestroyHostDialogs() {
  Dialogs& d = State();
  d.sheet.reset();
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
