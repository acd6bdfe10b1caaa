// libMovies's plug-in edge: RegisterModule, the module entry and the one video pane per parent
// window. The pane is the shared file pane with the videos' columns.
#include <cstring>
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "kit/BASMediaFilePane.h"
#include "kit/ContentPaneTable.h"
#include "kit/ModuleEdge.h"

namespace {

const char* const kServedCommands[] = {
    kMoviesShowWindow, kMoviesChangeSize,   kMoviesHideWindow,    kMoviesClearData,
    kMoviesAddVideo,   kMoviesCreateWindow, kMoviesGetChecked,    kMoviesResetWindow,
    kMoviesDoVideo,    kMoviesDeleteVideo,  kMoviesGetListTaskId, kMoviesSetListTaskId,
};

const PaneCommandNames kPaneCommands = {
    kMoviesCreateWindow, kMoviesShowWindow,  kMoviesHideWindow,    kMoviesChangeSize,    kMoviesClearData,
    kMoviesGetChecked,   kMoviesResetWindow, kMoviesGetListTaskId, kMoviesSetListTaskId,
};

PaneDescription VideoPaneSpec() {
  PaneDescription description = MediaFilePaneDescription(
      L"DhVideoDelegate", "DhVideoDelegate", kMoviesDoVideo,
      {{L"", 60, 10}, {L"Title", 240, 36}, {L"Duration", 80, 14}, {L"Resolution", 110, 20}, {L"Size", 90, 20}});
  return description;
}

const MediaPaneTexts kVideoTexts = {L"Export Videos", L"Add video file(*.*)", L"Add Videos", L"Delete videos",
                                    L";.webm;.3gp;.mp4;.ts;.mkv;"};

ModuleRecord* g_module = nullptr;

std::unique_ptr<BASContentPane> MakePane() {
  return std::make_unique<BASMediaFilePane>(
      VideoPaneSpec(),
      std::vector<MediaColumn>{MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kDuration,
                               MediaColumn::kResolution, MediaColumn::kSize},
      kVideoTexts);
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
  if (Is(name, kMoviesAddVideo)) {
    if (record.code == kAddMediaAppend || record.code == kAddMediaInsertTop)
      pane->Update(record.code == kAddMediaAppend ? kUpdateAppend : kUpdateInsertTop, &record);
  } else if (Is(name, kMoviesDeleteVideo)) {
    pane->Update(kUpdateRemove, &record);
  } else if (Is(name, kMoviesDoVideo) && record.code == kVideoPaneJobEnded) {
    // An add or a delete ended: the list is laid out for the rows it has now.
    pane->LayOut();
  }
}

int32_t __cdecl MoviesEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libMovies"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(
      module, g_module, MoviesEntry, kServedCommands, [](const char* name) { return name; }, "libMovies");
}
