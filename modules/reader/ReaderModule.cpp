// libReader's plug-in edge: the shared file pane with the books' columns.
#include <memory>

#include "contracts/CommandNames.h"
#include "kit/MediaFileModule.h"

namespace {

PaneDescription BookPaneSpec() {
  return MediaFilePaneDescription(
      L"DhBookDelegate", "DhBookDelegate", kReaderDoEbook,
      {{L"", 60, 10}, {L"Title", 240, 36}, {L"Author", 160, 24}, {L"Format", 70, 10}, {L"Size", 90, 20}});
}

const MediaPaneTexts kBookTexts = {L"Export Books", L"Add book file(*.*)", L"Add Books", L"Delete books",
                                   L";.epub;.pdf;.txt;.mobi;.azw;.azw3;"};

std::unique_ptr<BASContentPane> MakePane() {
  return std::make_unique<BASMediaFilePane>(
      BookPaneSpec(),
      std::vector<MediaColumn>{MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kArtist, MediaColumn::kFormat,
                               MediaColumn::kSize},
      kBookTexts);
}

// The books' pane has no checked-list or reset commands of its own.
const MediaFileModule kReader = {
    "libReader",
    {kReaderShowWindow, kReaderChangeSize, kReaderHideWindow, kReaderClearData, kReaderAddEbook, kReaderCreateWindow,
     kReaderDoEbook, kReaderDeleteEbook, kReaderGetListTaskId, kReaderSetListTaskId},
    {kReaderCreateWindow, kReaderShowWindow, kReaderHideWindow, kReaderChangeSize, kReaderClearData, nullptr, nullptr,
     kReaderGetListTaskId, kReaderSetListTaskId},
    kReaderAddEbook,
    kReaderDeleteEbook,
    nullptr,
    0,
    MakePane,
    nullptr,
};

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) { RegisterMediaFileModule(module, kReader); }
