// The plug-in edge of a module whose pane is a file pane (songs, videos, books, apps): its
// RegisterModule, its module entry, its one pane per parent window and the commands every such
// pane serves alike. A module describes itself once and adds only what its kind does.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "contracts/CommandRecord.h"
#include "kit/BASMediaFilePane.h"
#include "kit/ContentPaneTable.h"

struct MediaFileModule {
  const char* moduleName;                   // of the trace lines: "libPackages"
  std::vector<const char*> servedCommands;  // registered in this order
  PaneCommandNames paneCommands;
  const char* addCommand;     // ADD_<item>: codes 0 (append) and 1 (on top) list a batch
  const char* deleteCommand;  // DELETE_<item>: `payload` the item that went
  // The pane's DO_<kind> from the host and its code for "an add or a delete ended", after which
  // the list is laid out for the rows it has; null when the host sends none.
  const char* doCommand;
  int64_t jobEndedCode;
  std::unique_ptr<BASContentPane> (*makePane)();
  // Every other command for a pane (its own commands, ADD codes beyond 0 and 1), and SHOW_WINDOW
  // before the pane shows; may be null.
  void (*dispatchOther)(BASMediaFilePane& pane, CommandRecord& record);
};

// RegisterModule's body. A module holds one file pane kind: `module` is kept for the life of
// the process, and so are the panes made for it.
void RegisterMediaFileModule(ModuleRecord* record, const MediaFileModule& module);
