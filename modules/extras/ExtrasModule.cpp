// libExtras' plug-in edge: RegisterModule and the one toolkit page of the process.
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ModuleEdge.h"
#include "modules/extras/DhToolkitDelegate.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>

namespace {

ModuleRecord* g_module = nullptr;

// Made on the user-interface thread by the first SHOW_WINDOW and used there only; never freed,
// as nothing of it may run while the module detaches at process exit.
DhToolkitDelegate* g_page = nullptr;

std::wstring Owned(wchar_t* text) {
  std::wstring copy = text ? text : L"";
  std::free(text);
  return copy;
}

void ShowWindowCommand(CommandRecord& record) {
  if (!g_page) {
    const auto* block = static_cast<const ShowWindowPayload*>(record.data);
    if (!block || !record.window || !IsWindow(record.window)) return;
    auto page = std::make_unique<DhToolkitDelegate>();
    const std::wstring toolbox = Owned(BASUtilityApp::GetProductInstallDir()) + L"Toolbox.json";
    if (!page->CreateIn(record.window, block->rect, toolbox, Owned(BASUtilityApp::GetProductThemesDir()))) {
      BASTrace("libExtras: no toolkit page");
      return;
    }
    g_page = page.release();
  }
  ShowWindow(g_page->Hwnd(), static_cast<int>(record.value));
  record.window = g_page->Hwnd();
}

void ChangeSizeCommand(CommandRecord& record) {
  const auto* size = static_cast<const SizePayload*>(record.data);
  if (g_page && size) g_page->ChangeSize(size->width, size->height);
}

void AddToolkitCommand(CommandRecord& record) {
  if (g_page)
    PostMessageW(g_page->Hwnd(), DhToolkitDelegate::kAddToolkitMessage, 0, reinterpret_cast<LPARAM>(record.data));
}

// Registered in this order.
const ModuleCommand kCommands[] = {
    {kExtrasAddToolkit, AddToolkitCommand},
    {kExtrasShowWindow, ShowWindowCommand},
    {kExtrasChangeSize, ChangeSizeCommand},
    {kExtrasPressExport, nullptr},  // registered; the host handles it
};

void Dispatch(CommandRecord& record) { RunCommandTable(kCommands, record); }

int32_t __cdecl ExtrasEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libExtras"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(module, g_module, ExtrasEntry, kCommands, "libExtras");
}
