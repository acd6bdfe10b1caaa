// libMovies's plug-in edge: the shared file pane with the videos' columns.
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "kit/MediaFileModule.h"

namespace {

PaneDescription VideoPaneSpec() {
  return MediaFilePaneDescription(
      L"DhVideoDelegate", "DhVideoDelegate", kMoviesDoVideo,
      {{L"", 60, 10}, {L"Title", 240, 36}, {L"Duration", 80, 14}, {L"Resolution", 110, 20}, {L"Size", 90, 20}});
}

const MediaPaneTexts kVideoTexts = {L"Export Videos", L"Add video file(*.*)", L"Add Videos", L"Delete videos",
                                    L";.webm;.3gp;.mp4;.ts;.mkv;"};

std::unique_ptr<BASContentPane> MakePane() {
  return std::make_unique<BASMediaFilePane>(
      VideoPaneSpec(),
      std::vector<MediaColumn>{MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kDuration,
                               MediaColumn::kResolution, MediaColumn::kSize},
      kVideoTexts);
}

const MediaFileModule kMovies = {
    "libMovies",
    {kMoviesShowWindow, kMoviesChangeSize, kMoviesHideWindow, kMoviesClearData, kMoviesAddVideo, kMoviesCreateWindow,
     kMoviesGetChecked, kMoviesResetWindow, kMoviesDoVideo, kMoviesDeleteVideo, kMoviesGetListTaskId,
     kMoviesSetListTaskId},
    {kMoviesCreateWindow, kMoviesShowWindow, kMoviesHideWindow, kMoviesChangeSize, kMoviesClearData, kMoviesGetChecked,
     kMoviesResetWindow, kMoviesGetListTaskId, kMoviesSetListTaskId},
    kMoviesAddVideo,
    kMoviesDeleteVideo,
    kMoviesDoVideo,
    kVideoPaneJobEnded,
    MakePane,
    nullptr,
};

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) { RegisterMediaFileModule(module, kMovies); }
