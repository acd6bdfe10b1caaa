// libJobs' plug-in edge: RegisterModule and the one task list of the process.
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/TaskRecords.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ModuleEdge.h"
#include "modules/jobs/DhTaskDelegate.h"

#include <cstring>
#include <exception>
#include <memory>
#include <mutex>

namespace {

ModuleRecord* g_module = nullptr;

// Made by the first SHOW_WINDOW on the user-interface thread; reports come from the device
// service's threads and only post to its window, which the lock keeps from going meanwhile.
std::mutex g_lock;
DhTaskDelegate* g_page = nullptr;  // never freed: nothing of it may run at process exit
HWND g_pageWindow = nullptr;

void ShowWindowCommand(CommandRecord& record) {
  if (!g_page) {
    const auto* block = static_cast<const ShowWindowPayload*>(record.data);
    if (!block || !record.window || !IsWindow(record.window)) return;
    auto page = std::make_unique<DhTaskDelegate>();
    if (!page->CreatePage(record.window, block->rect, g_module)) {
      BASTrace("libJobs: no task list");
      return;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    g_page = page.release();
    g_pageWindow = g_page->Hwnd();
  }
  ShowWindow(g_page->Hwnd(), static_cast<int>(record.value));
  record.window = g_page->Hwnd();
}

void ChangeSizeCommand(CommandRecord& record) {
  const auto* size = static_cast<const SizePayload*>(record.data);
  if (g_page && size) g_page->Resize(size->width, size->height);
}

// Any thread: the report lives only for the call, so the page gets a copy.
void AddTaskCommand(CommandRecord& record) {
  const auto* report = static_cast<const TaskEntry*>(record.payload);
  if (!report) return;
  std::lock_guard<std::mutex> lock(g_lock);
  if (!g_pageWindow || !IsWindow(g_pageWindow)) return;
  auto copy = std::make_unique<TaskEntry>(*report);
  if (PostMessageW(g_pageWindow, kPaneMessage, DhTaskDelegate::kUpdateTask, reinterpret_cast<LPARAM>(copy.get())))
    copy.release();
}

const ModuleCommand kCommands[] = {
    {kJobsAddTask, AddTaskCommand},
    {kJobsChangeSize, ChangeSizeCommand},
    {kJobsShowWindow, ShowWindowCommand},
};

void Dispatch(CommandRecord& record) { RunCommandTable(kCommands, record); }

int32_t __cdecl JobsEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libJobs"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(module, g_module, JobsEntry, kCommands, "libJobs");
}
