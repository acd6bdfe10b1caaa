// libTexts's plug-in edge: RegisterModule, the module entry with its table of commands, and
// the one messages pane per parent window.
#include "modules/texts/TextsModule.h"

#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <mutex>

#include "contracts/CommandNames.h"
#include "contracts/MessageLoop.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/texts/DhMessagesDelegate.h"

namespace {

ModuleRecord* g_module = nullptr;

// Panes are made, used and destroyed on the UI thread; RESET_WINDOW may come from another
// thread and only posts, but it reads the table, so every access holds the lock.
std::mutex g_panesLock;

// Never freed: nothing of it may run while the module detaches at process exit.
std::map<HWND, std::unique_ptr<DhMessagesDelegate>>& Panes() {
  static auto* panes = new std::map<HWND, std::unique_ptr<DhMessagesDelegate>>();
  return *panes;
}

DhMessagesDelegate* PaneOf(HWND parent) {
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(parent);
  return it == Panes().end() ? nullptr : it->second.get();
}

// A parent that goes takes its pane along; its handle may later name a new parent.
void ForgetPane(DhMessagesDelegate* pane) {
  std::unique_ptr<DhMessagesDelegate> gone;
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(pane->Parent());
  if (it == Panes().end() || it->second.get() != pane) return;
  gone = std::move(it->second);
  Panes().erase(it);
}

void CreatePane(CommandRecord& record) {
  const HWND parent = record.window;
  if (!parent || !IsWindow(parent) || PaneOf(parent)) return;
  auto pane = std::make_unique<DhMessagesDelegate>();
  if (!pane->CreateIn(parent, static_cast<CMessageLoop*>(record.data), g_module ? g_module->imageCache : nullptr,
                      ForgetPane)) {
    BASTrace("DhMessagesDelegate: no pane in %p", static_cast<void*>(parent));
    return;
  }
  DhMessagesDelegate* created = pane.get();
  {
    std::lock_guard<std::mutex> lock(g_panesLock);
    Panes()[parent] = std::move(pane);
  }
  created->LayOut();
}

void ResetPane(CommandRecord& record) {
  // Under the lock: the pane cannot go between the look-up and the post.
  std::lock_guard<std::mutex> lock(g_panesLock);
  auto it = Panes().find(record.window);
  if (it != Panes().end()) it->second->PostReset(record.value);
}

typedef void (*PaneCommand)(DhMessagesDelegate& pane, CommandRecord& record);

struct CommandEntry {
  const char* name;
  void (*global)(CommandRecord& record);  // commands that find their pane themselves
  PaneCommand paneCommand;
};

// Registered in this order; dispatched by name through the same table.
const CommandEntry kCommands[] = {
    {kTextsShowWindow, nullptr, [](DhMessagesDelegate& p, CommandRecord&) { p.Show(true); }},
    {kTextsChangeSize, nullptr, [](DhMessagesDelegate& p, CommandRecord&) { p.ChangeSize(); }},
    {kTextsHideWindow, nullptr, [](DhMessagesDelegate& p, CommandRecord&) { p.Show(false); }},
    {kTextsClearData, nullptr, [](DhMessagesDelegate& p, CommandRecord&) { p.ClearData(); }},
    {kTextsAddSms, nullptr,
     [](DhMessagesDelegate& p, CommandRecord& r) { p.AddConversations(static_cast<ConversationList*>(r.payload)); }},
    {kTextsCreateWindow, CreatePane, nullptr},
    {kTextsResetWindow, ResetPane, nullptr},
    {kTextsDoSms, nullptr, [](DhMessagesDelegate& p, CommandRecord& r) { p.DoSms(r); }},
    {kTextsDeleteSms, nullptr,
     [](DhMessagesDelegate& p, CommandRecord& r) { p.RemoveMessage(static_cast<const MessageRecord*>(r.payload)); }},
    {kTextsGetConversationListTaskId, nullptr,
     [](DhMessagesDelegate& p, CommandRecord& r) { r.value = p.ListTaskId(); }},
    {kTextsSetConversationListTaskId, nullptr,
     [](DhMessagesDelegate& p, CommandRecord& r) { p.SetListTaskId(r.value); }},
};

void Dispatch(CommandRecord& record) {
  for (const CommandEntry& entry : kCommands) {
    if (std::strcmp(record.name, entry.name) != 0) continue;
    if (entry.global) {
      entry.global(record);
    } else if (DhMessagesDelegate* pane = PaneOf(record.window)) {
      entry.paneCommand(*pane, record);
    }
    return;
  }
}

int32_t __cdecl TextsEntry(CommandRecord* record) {
  if (!record || !record->name) return 0;
  try {
    Dispatch(*record);
  } catch (const std::exception& e) {
    BASTrace("libTexts: %s in %s", e.what(), record->name);
  } catch (...) {
    BASTrace("libTexts: unknown exception in %s", record->name);
  }
  return 0;
}

}  // namespace

const ModuleRecord* TextsModuleRecord() { return g_module; }

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  if (!module) return;
  try {
    g_module = module;
    module->moduleEntry = TextsEntry;
    CommandRecord record;
    for (const CommandEntry& entry : kCommands) RegisterCommand(*module, record, entry.name);
  } catch (...) {
    BASTrace("libTexts: RegisterModule failed");
  }
}
