// libCaption's plug-in edge: RegisterModule and the module entry.
#include "modules/caption/CaptionModule.h"

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/caption/DhTitlebarDelegate.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

namespace {

// Registered in this order.
const char* const kServedCommands[] = {
    kCaptionCreateTitlebar, kCaptionChangeSize,      kCaptionOpenAbout,    kCaptionCheckForUpdate,
    kCaptionChangeType,     kCaptionPressMaxOrReset, kCaptionOpenFeedback,
};

// Holds the instance handle and the host image cache as well.
ModuleRecord* g_module = nullptr;

// Every bar made lives until its window goes; the newest one receives the size and update
// notices. Null once that bar's window is gone, so a late notice finds no stale object.
std::vector<std::unique_ptr<DhTitlebarDelegate>> g_bars;
DhTitlebarDelegate* g_current = nullptr;

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

void ForgetTitlebar(DhTitlebarDelegate* bar) {
  if (g_current == bar) g_current = nullptr;
  auto it = std::find_if(g_bars.begin(), g_bars.end(), [bar](const auto& owned) { return owned.get() == bar; });
  // Deleted after its final message, as the window base allows.
  if (it != g_bars.end()) g_bars.erase(it);
}

void CreateTitlebar(CommandRecord& record) {
  const auto* payload = static_cast<const TitleBarCreatePayload*>(record.data);
  if (!payload) return;
  auto bar = std::make_unique<DhTitlebarDelegate>();
  if (!bar->CreateIn(record.window, *payload, ForgetTitlebar)) {
    BASTrace("DhTitlebarDelegate: no title bar in %p", static_cast<void*>(record.window));
    record.window = nullptr;
    return;
  }
  record.window = bar->Hwnd();
  g_current = bar.get();
  g_bars.push_back(std::move(bar));
}

void ChangeSize(const CommandRecord& record) {
  const auto* size = static_cast<const SizePayload*>(record.data);
  if (g_current && size) g_current->ChangeSize(size->width);
}

int32_t __cdecl CaptionEntry(CommandRecord* record) {
  if (!record || !record->name) return 0;
  try {
    const char* name = record->name;
    if (Is(name, kCaptionCreateTitlebar))
      CreateTitlebar(*record);
    else if (Is(name, kCaptionChangeSize))
      ChangeSize(*record);
    else if (Is(name, kCaptionCheckForUpdate) && g_current)
      g_current->UpdateCheckFinished();
  } catch (const std::exception& e) {
    BASTrace("libCaption: %s in %s", e.what(), record->name);
  } catch (...) {
    BASTrace("libCaption: unknown exception in %s", record->name);
  }
  return 0;
}

}  // namespace

const ModuleRecord* CaptionModuleRecord() { return g_module; }

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  if (!module) return;
  try {
    g_module = module;
    module->moduleEntry = CaptionEntry;
    CommandRecord record;
    for (const char* name : kServedCommands) RegisterCommand(*module, record, name);
  } catch (...) {
    BASTrace("libCaption: RegisterModule failed");
  }
}
