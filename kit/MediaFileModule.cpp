#include "kit/MediaFileModule.h"

#include <cstring>

#include "contracts/CommandCodes.h"
#include "kit/ModuleEdge.h"

namespace {

// One per module: the kit is compiled into each plug-in.
const MediaFileModule* g_description = nullptr;
ModuleRecord* g_host = nullptr;
// Never freed: nothing of it may run while the module detaches at process exit.
ContentPaneTable* g_panes = nullptr;

bool Is(const char* name, const char* command) { return command != nullptr && std::strcmp(name, command) == 0; }

void Dispatch(CommandRecord& record) {
  if (g_description == nullptr || g_panes == nullptr) return;
  const MediaFileModule& module = *g_description;
  const char* name = record.name;
  auto* pane = static_cast<BASMediaFilePane*>(g_panes->Find(record.window));
  // What the host's SHOW_WINDOW says of the section shown reaches the pane before it shows.
  if (pane && module.dispatchOther && Is(name, module.paneCommands.showWindow)) module.dispatchOther(*pane, record);
  if (g_panes->RunShared(record, g_host)) return;
  if (!pane) return;
  if (Is(name, module.addCommand) && (record.code == kAddMediaAppend || record.code == kAddMediaInsertTop)) {
    pane->Update(record.code == kAddMediaAppend ? kUpdateAppend : kUpdateInsertTop, &record);
  } else if (Is(name, module.deleteCommand)) {
    pane->Update(kUpdateRemove, &record);
  } else if (Is(name, module.doCommand) && record.code == module.jobEndedCode) {
    pane->LayOut();
  } else if (module.dispatchOther) {
    module.dispatchOther(*pane, record);
  }
}

int32_t __cdecl MediaFileModuleEntry(CommandRecord* record) {
  return RunModuleCommand(record, Dispatch, g_description ? g_description->moduleName : "media module");
}

}  // namespace

void RegisterMediaFileModule(ModuleRecord* record, const MediaFileModule& module) {
  if (!record) return;
  try {
    g_description = &module;
    if (g_panes == nullptr) g_panes = new ContentPaneTable(module.makePane, module.paneCommands);
  } catch (...) {
    BASTrace("%s: RegisterModule failed", module.moduleName);
    return;
  }
  RegisterModuleCommands(
      record, g_host, MediaFileModuleEntry, module.servedCommands, [](const char* name) { return name; },
      module.moduleName);
}
