// libNavigator's plug-in edge: RegisterModule, the module entry and the one navigator per
// parent window.
#include "modules/navigator/NavigatorModule.h"

#include "contracts/CommandNames.h"
#include "contracts/CommandRecord.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/navigator/DhSectionDelegate.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Registered in this order.
const char* const kServedCommands[] = {
    kNavigatorShowWindow, kNavigatorSelectItem,   kNavigatorUpdateItem,  kNavigatorChangeSize,
    kNavigatorHideWindow, kNavigatorCreateWindow, kNavigatorSelectFirst, kNavigatorSelectSection,
};

// Holds the instance handle and the host image cache as well.
ModuleRecord* g_module = nullptr;

struct PaneEntry {
  std::unique_ptr<DhSectionDelegate> pane;  // touched on the user-interface thread only
  HWND postTarget = nullptr;                // null once the window is going
};

// Count updates read the map from loading threads while a phone arriving on the user-interface
// thread adds to it, and a phone leaving removes its entry: every access holds the lock.
std::mutex g_panesLock;

// Never freed: nothing of it may run while the module detaches at process exit.
std::map<HWND, PaneEntry>& Panes() {
  static auto* panes = new std::map<HWND, PaneEntry>();
  return *panes;
}

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

DhSectionDelegate* PaneOf(HWND parent) {
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(parent);
  return it == Panes().end() || !it->second.postTarget ? nullptr : it->second.pane.get();
}

void StopPostsTo(DhSectionDelegate* pane) {
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(pane->Parent());
  if (it != Panes().end() && it->second.pane.get() == pane) it->second.postTarget = nullptr;
}

// A parent window that goes takes its navigator along; its handle may later name a new parent,
// which must then get a navigator of its own.
void ForgetPane(DhSectionDelegate* pane) {
  std::unique_ptr<DhSectionDelegate> gone;
  {
    std::lock_guard<std::mutex> lock(g_panesLock);
    auto it = Panes().find(pane->Parent());
    if (it == Panes().end() || it->second.pane.get() != pane) return;
    gone = std::move(it->second.pane);
    Panes().erase(it);
  }
  // Deleted after its final message, as the window base allows.
}

void CreateNavigator(const CommandRecord& record) {
  const auto* list = static_cast<const SectionList*>(record.data);
  const HWND parent = record.window;
  if (!list || !parent || !IsWindow(parent)) return;
  {
    std::lock_guard<std::mutex> lock(g_panesLock);
    if (Panes().count(parent) != 0) return;
  }
  auto pane = std::make_unique<DhSectionDelegate>();
  if (!pane->CreateIn(parent, g_module ? g_module->imageCache : nullptr, StopPostsTo, ForgetPane)) {
    BASTrace("DhSectionDelegate: no navigator in %p", static_cast<void*>(parent));
    return;
  }
  DhSectionDelegate* created = pane.get();
  {
    std::lock_guard<std::mutex> lock(g_panesLock);
    PaneEntry& entry = Panes()[parent];
    entry.pane = std::move(pane);
    entry.postTarget = created->Hwnd();
  }
  created->InsertSections(*list);
}

// May run on any thread: the tree is left alone here, and the window's own thread applies the
// copy.
void PostCountUpdate(const CommandRecord& record) {
  const auto* update = static_cast<const SectionItemDescriptor*>(record.payload);
  if (!update) return;
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(record.window);
  if (it == Panes().end() || !it->second.postTarget) return;
  auto* copy = static_cast<SectionItemDescriptor*>(std::malloc(sizeof(SectionItemDescriptor)));
  if (!copy) return;
  std::memcpy(copy, update, sizeof(SectionItemDescriptor));
  // Posted under the lock, so the window cannot leave the map between the look-up and the post.
  if (!PostMessageW(it->second.postTarget, kPaneMessage, 0, reinterpret_cast<LPARAM>(copy))) {
    BASTrace("DhSectionDelegate: count update lost GetLastError: %lu", GetLastError());
    std::free(copy);
  }
}

void Dispatch(CommandRecord& record) {
  const char* name = record.name;
  if (Is(name, kNavigatorUpdateItem)) {
    PostCountUpdate(record);
    return;
  }
  if (Is(name, kNavigatorCreateWindow)) {
    CreateNavigator(record);
    return;
  }
  DhSectionDelegate* pane = PaneOf(record.window);
  if (!pane) return;
  if (Is(name, kNavigatorChangeSize))
    pane->ChangeSize();
  else if (Is(name, kNavigatorShowWindow))
    pane->Show(true);
  else if (Is(name, kNavigatorHideWindow))
    pane->Show(false);
  else if (Is(name, kNavigatorSelectFirst))
    pane->SelectFirst();
  else if (Is(name, kNavigatorSelectSection))
    pane->SelectSection(static_cast<int32_t>(record.value));
  // SELECT_ITEM is the host's to handle; it only shares the name.
}

int32_t __cdecl NavigatorEntry(CommandRecord* record) {
  if (!record || !record->name) return 0;
  try {
    Dispatch(*record);
  } catch (const std::exception& e) {
    BASTrace("libNavigator: %s in %s", e.what(), record->name);
  } catch (...) {
    BASTrace("libNavigator: unknown exception in %s", record->name);
  }
  return 0;
}

}  // namespace

const ModuleRecord* NavigatorModuleRecord() { return g_module; }

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  if (!module) return;
  try {
    g_module = module;
    module->moduleEntry = NavigatorEntry;
    CommandRecord record;
    for (const char* name : kServedCommands) RegisterCommand(*module, record, name);
  } catch (...) {
    BASTrace("libNavigator: RegisterModule failed");
  }
}
