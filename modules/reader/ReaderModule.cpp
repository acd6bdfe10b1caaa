// libReader's plug-in edge: RegisterModule, the module entry and the one book pane per parent
// window. The pane is the shared file pane with the books' columns.
#include <cstring>
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "kit/BASMediaFilePane.h"
#include "kit/ContentPaneTable.h"
#include "kit/ModuleEdge.h"

namespace {

const char* const kServedCommands[] = {
    kReaderShowWindow,   kReaderChangeSize, kReaderHideWindow,  kReaderClearData,     kReaderAddEbook,
    kReaderCreateWindow, kReaderDoEbook,    kReaderDeleteEbook, kReaderGetListTaskId, kReaderSetListTaskId,
};

// The books' pane has no checked-list or reset commands of its own.
const PaneCommandNames kPaneCommands = {
    kReaderCreateWindow,  kReaderShowWindow, kReaderHideWindow, kReaderChangeSize,
    kReaderClearData,     nullptr,           nullptr,           kReaderGetListTaskId,
    kReaderSetListTaskId,
};

PaneDescription BookPaneSpec() {
  PaneDescription description = MediaFilePaneDescription(
      L"DhBookDelegate", "DhBookDelegate", kReaderDoEbook,
      {{L"", 60, 10}, {L"Title", 240, 36}, {L"Author", 160, 24}, {L"Format", 70, 10}, {L"Size", 90, 20}});
  return description;
}

const MediaPaneTexts kBookTexts = {L"Export Books", L"Add book file(*.*)", L"Add Books", L"Delete books",
                                   L";.epub;.pdf;.txt;.mobi;.azw;.azw3;"};

ModuleRecord* g_module = nullptr;

std::unique_ptr<BASContentPane> MakePane() {
  return std::make_unique<BASMediaFilePane>(
      BookPaneSpec(),
      std::vector<MediaColumn>{MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kArtist, MediaColumn::kFormat,
                               MediaColumn::kSize},
      kBookTexts);
}

ContentPaneTable& Panes() {
  static auto* panes = new ContentPaneTable(MakePane, kPaneCommands);
  return *panes;
}

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

void Dispatch(CommandRecord& record) {
  if (Panes().RunShared(record, g_module)) return;
  auto* pane = static_cast<BASMediaFilePane*>(Panes().Find(record.window));
  if (!pane) return;
  const char* name = record.name;
  if (Is(name, kReaderAddEbook)) {
    if (record.code == kAddMediaAppend || record.code == kAddMediaInsertTop)
      pane->Update(record.code == kAddMediaAppend ? kUpdateAppend : kUpdateInsertTop, &record);
  } else if (Is(name, kReaderDeleteEbook)) {
    pane->Update(kUpdateRemove, &record);
  }
}

int32_t __cdecl ReaderEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libReader"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(
      module, g_module, ReaderEntry, kServedCommands, [](const char* name) { return name; }, "libReader");
}
