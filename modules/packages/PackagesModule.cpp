// libPackages's plug-in edge: the apps pane, a file pane that also tells user apps from the
// system's and takes an install's marks and one app's refresh.
#include <memory>
#include <string>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "kit/MediaFileModule.h"
#include "modules/packages/DhAppDelegate.h"

namespace {

std::unique_ptr<BASContentPane> MakePane() { return std::make_unique<DhAppDelegate>(); }

void DispatchApps(BASMediaFilePane& filePane, CommandRecord& record) {
  auto& pane = static_cast<DhAppDelegate&>(filePane);
  const std::string name = record.name;
  if (name == kPackagesShowWindow) {
    pane.ShowSection(static_cast<int32_t>(record.position));
  } else if (name == kPackagesAddApp && record.payload != nullptr) {
    if (record.code == kAddAppInstalled)
      pane.MarkInstalled(*static_cast<const MediaFileList*>(record.payload));
    else if (record.code == kAddAppUpdate)
      pane.Refresh(*static_cast<const MediaRecord*>(record.payload));
  }
}

// The apps' pane has no checked-list or reset commands of its own.
const MediaFileModule kPackages = {
    "libPackages",
    {kPackagesShowWindow, kPackagesChangeSize, kPackagesHideWindow, kPackagesClearData, kPackagesAddApp,
     kPackagesCreateWindow, kPackagesDoApp, kPackagesDeleteApp, kPackagesGetListTaskId, kPackagesSetListTaskId},
    {kPackagesCreateWindow, kPackagesShowWindow, kPackagesHideWindow, kPackagesChangeSize, kPackagesClearData, nullptr,
     nullptr, kPackagesGetListTaskId, kPackagesSetListTaskId},
    kPackagesAddApp,
    kPackagesDeleteApp,
    nullptr,
    0,
    MakePane,
    DispatchApps,
};

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) { RegisterMediaFileModule(module, kPackages); }
