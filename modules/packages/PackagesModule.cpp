// libPackages's plug-in edge: RegisterModule, the module entry and the one apps pane per parent
// window. The pane is the shared file pane with the apps' columns: label, package, version, size.
#include <cstring>
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "kit/BASMediaFilePane.h"
#include "kit/ContentPaneTable.h"
#include "kit/ModuleEdge.h"

namespace {

const char* const kServedCommands[] = {
    kPackagesShowWindow,   kPackagesChangeSize, kPackagesHideWindow, kPackagesClearData,     kPackagesAddApp,
    kPackagesCreateWindow, kPackagesDoApp,      kPackagesDeleteApp,  kPackagesGetListTaskId, kPackagesSetListTaskId,
};

// The apps' pane has no checked-list or reset commands of its own.
const PaneCommandNames kPaneCommands = {
    kPackagesCreateWindow,
    kPackagesShowWindow,
    kPackagesHideWindow,
    kPackagesChangeSize,
    kPackagesClearData,
    nullptr,
    nullptr,
    kPackagesGetListTaskId,
    kPackagesSetListTaskId,
};

PaneDescription AppPaneSpec() {
  return MediaFilePaneDescription(
      L"DhAppDelegate", "DhAppDelegate", kPackagesDoApp,
      {{L"", 60, 10}, {L"Name", 200, 30}, {L"Package", 240, 34}, {L"Version", 100, 16}, {L"Size", 90, 20}});
}

const MediaPaneTexts kAppTexts = {L"Export Apps", L"Add apk file(*.apk)", L"Install Apps", L"Uninstall apps",
                                  L";.apk;"};

ModuleRecord* g_module = nullptr;

std::unique_ptr<BASContentPane> MakePane() {
  return std::make_unique<BASMediaFilePane>(
      AppPaneSpec(),
      std::vector<MediaColumn>{MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kIdentifier,
                               MediaColumn::kVersion, MediaColumn::kSize},
      kAppTexts);
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
  if (Is(name, kPackagesAddApp)) {
    // Installs' marks carry other records; a single-app refresh names the app's new label.
    if (record.code == kAddMediaAppend || record.code == kAddMediaInsertTop)
      pane->Update(record.code == kAddMediaAppend ? kUpdateAppend : kUpdateInsertTop, &record);
    else if (record.code == kAddAppUpdate && record.payload != nullptr)
      pane->UpdateItem(*static_cast<const MediaRecord*>(record.payload));
  } else if (Is(name, kPackagesDeleteApp)) {
    pane->Update(kUpdateRemove, &record);
  }
}

int32_t __cdecl PackagesEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libPackages"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(
      module, g_module, PackagesEntry, kServedCommands, [](const char* name) { return name; }, "libPackages");
}
