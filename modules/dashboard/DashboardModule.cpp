// libDashboard's plug-in edge: RegisterModule and one Home page per phone's content window.
#include "contracts/CommandNames.h"
#include "contracts/CommandRecord.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ModuleEdge.h"
#include "modules/dashboard/DhDashboardDelegate.h"

#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>

namespace {

ModuleRecord* g_module = nullptr;

// Pages are made, used and destroyed on the user-interface thread; count updates come from the
// device service's threads as well and only post, but they read the table, so every access holds
// the lock.
std::mutex g_lock;

// Never freed: nothing of it may run while the module detaches at process exit.
std::map<HWND, std::unique_ptr<DhDashboardDelegate>>& Pages() {
  static auto* pages = new std::map<HWND, std::unique_ptr<DhDashboardDelegate>>();
  return *pages;
}

DhDashboardDelegate* PageOf(HWND parent) {
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = Pages().find(parent);
  return it == Pages().end() ? nullptr : it->second.get();
}

// A parent that goes takes its page along; its handle may later name a new parent.
void Forget(DhDashboardDelegate* page) {
  std::unique_ptr<DhDashboardDelegate> gone;
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = Pages().find(page->Parent());
  if (it == Pages().end() || it->second.get() != page) return;
  gone = std::move(it->second);
  Pages().erase(it);
}

void CreateWindowCommand(CommandRecord& record) {
  const HWND parent = record.window;
  if (!parent || !IsWindow(parent) || PageOf(parent)) return;
  auto page = std::make_unique<DhDashboardDelegate>();
  if (!page->CreateIn(parent, g_module, Forget)) {
    BASTrace("libDashboard: no page in %p", static_cast<void*>(parent));
    return;
  }
  std::lock_guard<std::mutex> lock(g_lock);
  Pages()[parent] = std::move(page);
}

void ShowWindowCommand(CommandRecord& record) {
  if (DhDashboardDelegate* page = PageOf(record.window)) page->Show(true);
}

void HideWindowCommand(CommandRecord& record) {
  if (DhDashboardDelegate* page = PageOf(record.window)) page->Show(false);
}

void ChangeSizeCommand(CommandRecord& record) {
  if (DhDashboardDelegate* page = PageOf(record.window)) page->ChangeSize();
}

void UpdateDeviceInfoCommand(CommandRecord& record) {
  if (DhDashboardDelegate* page = PageOf(record.window)) page->UpdateInfo(record.value, record.payload);
}

// May run on any thread: the page takes the count on its own.
void UpdateCountCommand(CommandRecord& record) {
  const auto* update = static_cast<const SectionItemDescriptor*>(record.payload);
  if (!update) return;
  std::lock_guard<std::mutex> lock(g_lock);
  auto it = Pages().find(record.window);
  if (it == Pages().end() || !it->second->Hwnd()) return;
  PostMessageW(it->second->Hwnd(), DhDashboardDelegate::kCountMessage, static_cast<WPARAM>(update->id),
               static_cast<LPARAM>(update->count));
}

const ModuleCommand kCommands[] = {
    {kDashboardCreateWindow, CreateWindowCommand},
    {kDashboardShowWindow, ShowWindowCommand},
    {kDashboardHideWindow, HideWindowCommand},
    {kDashboardChangeSize, ChangeSizeCommand},
    {kDashboardUpdateDeviceInfo, UpdateDeviceInfoCommand},
    {kDashboardUpdateCount, UpdateCountCommand},
};

void Dispatch(CommandRecord& record) { RunCommandTable(kCommands, record); }

int32_t __cdecl DashboardEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libDashboard"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(module, g_module, DashboardEntry, kCommands, "libDashboard");
}
