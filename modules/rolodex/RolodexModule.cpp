// libRolodex's plug-in edge: RegisterModule, the module entry and the one contacts pane per
// parent window.
#include "modules/rolodex/RolodexModule.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/ContactRecords.h"
#include "contracts/MessageLoop.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ContentPaneTable.h"
#include "modules/rolodex/DhContactsDelegate.h"

#include <cstring>
#include <exception>
#include <memory>

namespace {

// Registered in this order.
const char* const kServedCommands[] = {
    kRolodexShowWindow,   kRolodexChangeSize, kRolodexHideWindow,    kRolodexClearData,     kRolodexAddContact,
    kRolodexCreateWindow, kRolodexGetChecked, kRolodexResetWindow,   kRolodexDoContact,     kRolodexAddTypelabels,
    kRolodexAddGroups,    kRolodexAddAcconts, kRolodexDeleteContact, kRolodexGetListTaskId, kRolodexSetListTaskId,
};

ModuleRecord* g_module = nullptr;

const PaneCommandNames kPaneCommands = {
    kRolodexCreateWindow, kRolodexShowWindow,  kRolodexHideWindow,    kRolodexChangeSize,    kRolodexClearData,
    kRolodexGetChecked,   kRolodexResetWindow, kRolodexGetListTaskId, kRolodexSetListTaskId,
};

std::unique_ptr<BASContentPane> MakePane() { return std::make_unique<DhContactsDelegate>(); }

// Never freed: nothing of it may run while the module detaches at process exit.
ContentPaneTable& Panes() {
  static auto* panes = new ContentPaneTable(MakePane, kPaneCommands);
  return *panes;
}

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

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

void Dispatch(CommandRecord& record) {
  if (Panes().RunShared(record, g_module)) return;
  auto* pane = static_cast<DhContactsDelegate*>(Panes().Find(record.window));
  if (!pane) return;
  const char* name = record.name;
  if (Is(name, kRolodexAddContact))
    AddContact(*pane, record);
  else if (Is(name, kRolodexDeleteContact))
    pane->Update(kUpdateRemove, &record);
  else if (Is(name, kRolodexDoContact))
    DoContact(*pane, record);
  else if (Is(name, kRolodexAddGroups))
    pane->SetGroups(static_cast<const GroupList*>(record.payload));
  else if (Is(name, kRolodexAddAcconts))
    pane->SetAccounts(static_cast<const AccountList*>(record.payload));
  else if (Is(name, kRolodexAddTypelabels))
    pane->SetTypeLabels(static_cast<const TypeLabelList*>(record.payload));
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
