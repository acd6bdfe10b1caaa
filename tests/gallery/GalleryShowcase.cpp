// Not a test: the photo pane with the theme's images and a few photos in a window, for looking
// at and for driving by hand or by xdotool. With the argument "drop", the files named after it
// are dropped on the pane a second after it shows (as the shell would drop them), so the drop
// menu opens at the mouse pointer; the request the pane then posts is printed.
#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/MessageLoop.h"
#include "contracts/PhotoRecords.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

class NoLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter*) override { return true; }
  bool RemoveMessageFilter(CMessageFilter*) override { return true; }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
};

HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
  size_t chars = 1;
  for (const std::wstring& path : paths) chars += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(drop + 1);
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  GdiplusSession gdiplus;
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::filesystem::path themes = std::filesystem::path(exe).parent_path().parent_path() / "product" / "themes";
  ModuleHarness gallery;
  std::vector<std::unique_ptr<Gdiplus::Bitmap>> images;
  for (const char* name :
       {"common\\content-check-yes.png", "common\\content-check-no.png", "photo\\content-photo-thumbnail.png",
        "common\\operate-search.png", "common\\button\\operate-add-normal.png",
        "common\\button\\operate-add-pressed.png", "common\\button\\operate-delete-normal.png",
        "common\\button\\operate-delete-pressed.png", "common\\button\\operate-export-normal.png",
        "common\\button\\operate-export-pressed.png", "common\\button\\operate-refresh-normal.png",
        "common\\button\\operate-refresh-pressed.png"}) {
    images.emplace_back(Gdiplus::Bitmap::FromFile((themes / name).wstring().c_str()));
    gallery.Images()[name] = images.back().get();
  }
  if (!gallery.Load(ModuleHarness::PluginPath(L"libGallery"))) return 1;
  gallery.SetHook(kGalleryDoPhoto, [](CommandRecord& record) {
    std::printf("request %lld, text \"%ls\", count %lld\n", static_cast<long long>(record.code),
                record.text ? record.text : L"", static_cast<long long>(record.count));
    if (record.code == kPhotoRequestAddFiles) {
      std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
      for (const std::wstring& path : *paths) std::printf("  %ls\n", path.c_str());
    }
    return 0;
  });
  ProbeWindow parent;
  parent.Create(nullptr, L"GalleryShowcase", L"Photo pane", WS_POPUP | WS_VISIBLE, 0, MakeRect(150, 100, 980, 700));
  NoLoop loop;
  CommandRecord create;
  create.window = parent.Hwnd();
  create.data = static_cast<CMessageLoop*>(&loop);
  gallery.Send(kGalleryCreateWindow, create);
  CommandRecord show;
  show.window = parent.Hwnd();
  gallery.Send(kGalleryShowWindow, show);
  PhotoList photos;
  const wchar_t* names[][3] = {{L"IMG_20240601_054210", L".jpg", L"2024-06-01 05:42"},
                               {L"Mohnfeld", L".png", L"2024-06-09 14:12"},
                               {L"Sonnenuntergang", L".png", L"2024-08-21 20:47"}};
  for (const auto& name : names) {
    auto* photo = new PhotoRecord;
    photo->identifier = name[0];
    photo->name = name[0];
    photo->format = name[1];
    photo->dateCreated = name[2];
    photo->sizeText = L"3.8 KB";
    photos.push_back(photo);
  }
  CommandRecord add;
  add.window = parent.Hwnd();
  add.payload = &photos;
  gallery.Send(kGalleryAddPhoto, add);
  const HWND pane = FindWindowExW(parent.Hwnd(), nullptr, L"DhPhotoDelegate", nullptr);
  std::vector<std::wstring> dropped;
  for (int i = 2; i < argc; ++i) dropped.push_back(argv[i]);
  const bool drop = argc > 1 && std::wcscmp(argv[1], L"drop") == 0;
  const ULONGLONG start = GetTickCount64();
  bool sent = false;
  while (GetTickCount64() - start < 12000) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (drop && !sent && GetTickCount64() - start > 1500) {
      sent = true;
      PostMessageW(pane, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0);
    }
    Sleep(10);
  }
  return 0;
}
