// libTunes's plug-in edge: RegisterModule, the module entry and the one music pane per parent
// window.
#include <cstring>
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "kit/ContentPaneTable.h"
#include "kit/ModuleEdge.h"
#include "modules/tunes/DhMusicDelegate.h"

namespace {

// Registered in this order.
const char* const kServedCommands[] = {
    kTunesShowWindow,    kTunesChangeSize,    kTunesHideWindow,        kTunesClearData,         kTunesAddMusic,
    kTunesCreateWindow,  kTunesGetChecked,    kTunesResetWindow,       kTunesDoMusic,           kTunesDeleteMusic,
    kTunesGetListTaskId, kTunesSetListTaskId, kTunesGetPlaylistTaskId, kTunesSetPlaylistTaskId, kTunesClearPlaylistData,
};

const PaneCommandNames kPaneCommands = {
    kTunesCreateWindow, kTunesShowWindow,  kTunesHideWindow,    kTunesChangeSize,    kTunesClearData,
    kTunesGetChecked,   kTunesResetWindow, kTunesGetListTaskId, kTunesSetListTaskId,
};

ModuleRecord* g_module = nullptr;

std::unique_ptr<BASContentPane> MakePane() { return std::make_unique<DhMusicDelegate>(); }

// Never freed: nothing of it may run while the module detaches at process exit.
ContentPaneTable& Panes() {
  static auto* panes = new ContentPaneTable(MakePane, kPaneCommands);
  return *panes;
}

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

void Dispatch(CommandRecord& record) {
  if (Panes().RunShared(record, g_module)) return;
  auto* pane = static_cast<DhMusicDelegate*>(Panes().Find(record.window));
  if (!pane) return;
  const char* name = record.name;
  if (Is(name, kTunesAddMusic)) {
    if (record.code == kAddMediaAppend || record.code == kAddMediaInsertTop)
      pane->Update(record.code == kAddMediaAppend ? kUpdateAppend : kUpdateInsertTop, &record);
  } else if (Is(name, kTunesDeleteMusic)) {
    pane->Update(kUpdateRemove, &record);
  } else if (Is(name, kTunesDoMusic)) {
    pane->DoMusic(record);
  } else if (Is(name, kTunesGetPlaylistTaskId)) {
    record.value = pane->PlaylistTaskId();
  } else if (Is(name, kTunesSetPlaylistTaskId)) {
    pane->SetPlaylistTaskId(record.value);
  } else if (Is(name, kTunesClearPlaylistData)) {
    pane->ClearPlaylists();
  }
}

int32_t __cdecl TunesEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libTunes"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(
      module, g_module, TunesEntry, kServedCommands, [](const char* name) { return name; }, "libTunes");
}
