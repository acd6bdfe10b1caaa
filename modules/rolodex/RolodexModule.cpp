// libRolodex's plug-in edge: RegisterModule, the module entry and the one contacts pane per
// parent window.
#include "modules/rolodex/RolodexModule.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/ContactRecords.h"
#include "contracts/MessageLoop.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/rolodex/DhContactsDelegate.h"

#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>

namespace {

// Registered in this order.
const char* const kServedCommands[] = {
    kRolodexShowWindow,   kRolodexChangeSize, kRolodexHideWindow,    kRolodexClearData,     kRolodexAddContact,
    kRolodexCreateWindow, kRolodexGetChecked, kRolodexResetWindow,   kRolodexDoContact,     kRolodexAddTypelabels,
    kRolodexAddGroups,    kRolodexAddAcconts, kRolodexDeleteContact, kRolodexGetListTaskId, kRolodexSetListTaskId,
};

ModuleRecord* g_module = nullptr;

// Panes are made, used and destroyed on the user-interface thread; RESET_WINDOW may come from
// another thread and only posts, but it reads the table, so every access holds the lock.
std::mutex g_panesLock;

// Never freed: nothing of it may run while the module detaches at process exit.
std::map<HWND, std::unique_ptr<DhContactsDelegate>>& Panes() {
  static auto* panes = new std::map<HWND, std::unique_ptr<DhContactsDelegate>>();
  return *panes;
}

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

DhContactsDelegate* PaneOf(HWND parent) {
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(parent);
  return it == Panes().end() ? nullptr : it->second.get();
}

// A parent that goes takes its pane along; its handle may later name a new parent, which must
// then get a pane of its own.
void ForgetPane(DhContactsDelegate* pane) {
  std::unique_ptr<DhContactsDelegate> gone;
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(pane->Parent());
  if (it == Panes().end() || it->second.get() != pane) return;
  gone = std::move(it->second);
  Panes().erase(it);
}

void CreatePane(CommandRecord& record) {
  const HWND parent = record.window;
  if (!parent || !IsWindow(parent) || PaneOf(parent)) return;
  auto pane = std::make_unique<DhContactsDelegate>();
  auto* loop = static_cast<CMessageLoop*>(record.data);
  if (!pane->CreateIn(parent, loop, g_module ? g_module->imageCache : nullptr, ForgetPane)) {
    BASTrace("DhContactsDelegate: no pane in %p", static_cast<void*>(parent));
    return;
  }
  DhContactsDelegate* created = pane.get();
  {
    std::lock_guard<std::mutex> lock(g_panesLock);
    Panes()[parent] = std::move(pane);
  }
  created->LayOut();
}

void AddContact(DhContactsDelegate& pane, CommandRecord& record) {
  switch (record.code) {
    case kAddContactAppend:
      pane.Update(kUpdateAppend, &record);
      break;
    case kAddContactInsertTop:
      pane.Update(kUpdateInsertTop, &record);
      break;
    case kAddContactReplace:
      pane.Update(kUpdateReplace, &record);
      break;
    default:
      break;
  }
}

void DoContact(DhContactsDelegate& pane, CommandRecord& record) {
  if (record.code == kContactPaneSaveEnded)
    pane.EndOfSave(record.value, record.count);
  else if (record.code == kContactPaneSelectNumbers)
    pane.Update(kUpdateSelectDialog, &record);
}

void GetChecked(DhContactsDelegate& pane, CommandRecord& record) {
  std::unique_ptr<ContactList> checked(pane.CheckedContacts());
  if (!checked->empty()) record.data = checked.release();
}

void Dispatch(CommandRecord& record) {
  const char* name = record.name;
  if (Is(name, kRolodexCreateWindow)) {
    CreatePane(record);
    return;
  }
  if (Is(name, kRolodexResetWindow)) {
    // Under the lock: the pane cannot go between the look-up and the post.
    std::lock_guard<std::mutex> lock(g_panesLock);
    auto it = Panes().find(record.window);
    if (it != Panes().end()) it->second->PostReset(record.value);
    return;
  }
  DhContactsDelegate* pane = PaneOf(record.window);
  if (!pane) return;
  if (Is(name, kRolodexShowWindow))
    pane->Show(true);
  else if (Is(name, kRolodexHideWindow))
    pane->Show(false);
  else if (Is(name, kRolodexChangeSize))
    pane->ChangeSize();
  else if (Is(name, kRolodexClearData))
    pane->ClearData();
  else if (Is(name, kRolodexAddContact))
    AddContact(*pane, record);
  else if (Is(name, kRolodexDeleteContact))
    pane->Update(kUpdateRemove, &record);
  else if (Is(name, kRolodexGetChecked))
    GetChecked(*pane, record);
  else if (Is(name, kRolodexDoContact))
    DoContact(*pane, record);
  else if (Is(name, kRolodexAddGroups))
    pane->SetGroups(static_cast<const GroupList*>(record.payload));
  else if (Is(name, kRolodexAddAcconts))
    pane->SetAccounts(static_cast<const AccountList*>(record.payload));
  else if (Is(name, kRolodexAddTypelabels))
    pane->SetTypeLabels(static_cast<const TypeLabelList*>(record.payload));
  else if (Is(name, kRolodexGetListTaskId))
    record.value = pane->ListTaskId();
  else if (Is(name, kRolodexSetListTaskId))
    pane->SetListTaskId(record.value);
}

int32_t __cdecl RolodexEntry(CommandRecord* record) {
  if (!record || !record->name) return 0;
  try {
    Dispatch(*record);
  } catch (const std::exception& e) {
    BASTrace("libRolodex: %s in %s", e.what(), record->name);
  } catch (...) {
    BASTrace("libRolodex: unknown exception in %s", record->name);
  }
  return 0;
}

}  // namespace

const ModuleRecord* RolodexModuleRecord() { return g_module; }

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  if (!module) return;
  try {
    g_module = module;
    module->moduleEntry = RolodexEntry;
    CommandRecord record;
    for (const char* name : kServedCommands) RegisterCommand(*module, record, name);
  } catch (...) {
    BASTrace("libRolodex: RegisterModule failed");
  }
}
