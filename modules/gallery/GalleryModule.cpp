// libGallery's plug-in edge: RegisterModule, the module entry and the one photo pane per parent
// window.
#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ModuleEdge.h"
#include "kit/ContentPaneTable.h"
#include "modules/gallery/DhPhotoDelegate.h"

#include <cstring>
#include <exception>
#include <memory>

namespace {

// Registered in this order.
const char* const kServedCommands[] = {
    kGalleryShowWindow, kGalleryChangeSize,   kGalleryHideWindow,    kGalleryClearData,
    kGalleryAddPhoto,   kGalleryCreateWindow, kGalleryGetChecked,    kGalleryResetWindow,
    kGalleryDoPhoto,    kGalleryDeletePhoto,  kGalleryGetListTaskId, kGallerySetListTaskId,
};

const PaneCommandNames kPaneCommands = {
    kGalleryCreateWindow, kGalleryShowWindow,  kGalleryHideWindow,    kGalleryChangeSize,    kGalleryClearData,
    kGalleryGetChecked,   kGalleryResetWindow, kGalleryGetListTaskId, kGallerySetListTaskId,
};

ModuleRecord* g_module = nullptr;

std::unique_ptr<BASContentPane> MakePane() { return std::make_unique<DhPhotoDelegate>(); }

// Never freed: nothing of it may run while the module detaches at process exit.
ContentPaneTable& Panes() {
  static auto* panes = new ContentPaneTable(MakePane, kPaneCommands);
  return *panes;
}

bool Is(const char* name, const char* command) { return std::strcmp(name, command) == 0; }

void Dispatch(CommandRecord& record) {
  if (Panes().RunShared(record, g_module)) return;
  auto* pane = static_cast<DhPhotoDelegate*>(Panes().Find(record.window));
  if (!pane) return;
  const char* name = record.name;
  if (Is(name, kGalleryAddPhoto)) {
    if (record.code == kAddPhotoAppend)
      pane->Update(kUpdateAppend, &record);
    else if (record.code == kAddPhotoInsertTop)
      pane->Update(kUpdateInsertTop, &record);
  } else if (Is(name, kGalleryDeletePhoto)) {
    pane->Update(kUpdateRemove, &record);
  } else if (Is(name, kGalleryDoPhoto)) {
    if (record.code == kPhotoPaneOperationEnded)
      pane->OperationEnded(record.value);
    else if (record.code == kPhotoPaneThumbnails)
      pane->AddThumbnails(static_cast<const ThumbnailList*>(record.payload));
  }
}

int32_t __cdecl GalleryEntry(CommandRecord* record) { return RunModuleCommand(record, Dispatch, "libGallery"); }

}  // namespace

extern "C" void __cdecl RegisterModule(ModuleRecord* module) {
  RegisterModuleCommands(
      module, g_module, GalleryEntry, kServedCommands, [](const char* name) { return name; }, "libGallery");
}
