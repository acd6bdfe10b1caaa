// libTexts's plug-in edge: RegisterModule, the module entry and the one messages pane per
// parent window.
#include <cstring>
#include <exception>
#include <memory>

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ModuleEdge.h"
#include "kit/ContentPaneTable.h"
#include "modules/texts/DhMessagesDelegate.h"

namespace {

ModuleRecord* g_module = nullptr;

// GET_CHECKED is no command of this module: the host never asks the messages pane for it.
const PaneCommandNames kPaneCommands = {
    kTextsCreateWindow,
    kTextsShowWindow,
    kTextsHideWindow,
    kTextsChangeSize,
    kTextsClearData,
    nullptr,
    kTextsResetWindow,
    kTextsGetConversationListTaskId,
    kTextsSetConversationListTaskId,
};

std::unique_ptr<BASContentPane> MakePane() { return std::make_unique<DhMessagesDelegate>(); }

// Never freed: nothing of it may run while the module detaches at process exit.
ContentPaneTable& Panes() {
  static auto* panes = new ContentPaneTable(MakePane, kPaneCommands);
  return *panes;
}

typedef void (*PaneCommand)(DhMessagesDelegate& pane, CommandRecord& record);

void AddSms(DhMessagesDelegate& pane, CommandRecord& record) { pane.Update(kUpdateAppend, &record); }
void DeleteSms(DhMessagesDelegate& pane, CommandRecord& record) { pane.Update(kUpdateRemove, &record); }
void DoSms(DhMessagesDelegate& pane, CommandRecord& record) { pane.DoSms(record); }

struct CommandEntry {
  const char* name;
  PaneCommand run;  // null: one of the commands every pane serves alike
};

// Registered in this order; the module's own commands are run from the same table.
const CommandEntry kCommands[] = {
    {kTextsShowWindow, nullptr},
    {kTextsChangeSize, nullptr},
    {kTextsHideWindow, nullptr},
    {kTextsClearData, nullptr},
    {kTextsAddSms, AddSms},
    {kTextsCreateWindow, nullptr},
    {kTextsResetWindow, nullptr},
    {kTextsDoSms, DoSms},
    {kTextsDeleteSms, DeleteSms},
    {kTextsGetConversationListTaskId, nullptr},
    {kTextsSetConversationListTaskId, nullptr},
};

void Dispatch(CommandRecord& record) {
  if (Panes().RunShared(record, g_module)) return;
  auto* pane = static_cast<DhMessagesDelegate*>(Panes().Find(record.window));
  if (!pane) return;
  for (const CommandEntry& entry : kCommands) {
    if (entry.run && std::strcmp(record.name, entry.name) == 0) {
      entry.run(*pane, record);
      return;
    }
  }
}

int32_t __cdecl TextsEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libTexts"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(
      module, g_module, TextsEntry, kCommands, [](const CommandEntry& entry) { return entry.name; }, "libTexts");
}
