// Figures for a phone with 5,000 photos, beside the bare controls in the same run: the list
// made by the device service and shown by the photo pane against a plain report list taking
// the same rows; a scroll through the whole list page by page (the pane's thumbnails decoded by
// the service's thread meanwhile) with the longest page; the peak memory of each; and 500
// photos exported against a plain copy of the same files. Not a test: it prints figures.
//   photos_bench            every run below, each in a process of its own
//   photos_bench pane N     the pane, N photos
//   photos_bench bare N     a plain report list view, the same N rows
//   photos_bench export N   N photos exported, then the same files copied plainly
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MessageLoop.h"
#include "contracts/PhotoRecords.h"
#include "kit/GdiPlus.h"
#include "modules/courier/PhotoOperations.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr wchar_t kPhone[] = L"BENCH-PHONE";

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double PeakMegabytes() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::filesystem::path ExeFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

std::filesystem::path WorkFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  return std::filesystem::path(temp) / (std::wstring(L"photos-bench-") + name);
}

std::vector<std::filesystem::path> Pictures() {
  const std::filesystem::path media = ExeFolder().parent_path() / "product" / "plugins" / "Courier" / "media";
  std::vector<std::filesystem::path> pictures;
  for (const char* name : {"harbour-dawn.jpg", "mountain-lake.jpg", "city-night.jpg", "forest-path.jpg",
                           "poppy-field.png", "sunset-beach.png", "snow-peaks.jpg", "market-stall.png"})
    pictures.push_back(media / name);
  return pictures;
}

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd, msg, wp, lp); }

HWND MakeWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PhotosBenchWindow";
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"Photos bench", WS_POPUP | WS_VISIBLE, 0, 0, 1200, 800, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

// The device service's side, played in this process: its posts are queued and handed to the
// pane on this thread, as the host's router does.
struct Service {
  ModuleRecord module;
  DeviceRecord device;
  WorkerThread worker;
  std::unique_ptr<PhotoOperations> operations;
  std::unique_ptr<MediaExports> exports;
  std::mutex lock;
  std::deque<NotificationPayload*> notices;
  std::atomic<int> finishes{0};
};
Service* g_service = nullptr;

int32_t __cdecl ServiceHostEntry(CommandRecord* record) {
  if (record->name == nullptr || g_service == nullptr) return 0;
  if (std::strcmp(record->name, kCourierNotifyProgressFinish) == 0) {
    ++g_service->finishes;
  } else if (std::strcmp(record->name, kCourierDoPhoto) == 0 && record->payload != nullptr) {
    std::lock_guard<std::mutex> guard(g_service->lock);
    g_service->notices.push_back(static_cast<NotificationPayload*>(record->payload));
  }
  return 0;
}

bool OpenService(Service& service, size_t count) {
  g_service = &service;
  service.module.hostEntry = ServiceHostEntry;
  service.device.identifier = kPhone;
  if (!service.worker.Start()) return false;
  service.operations = std::make_unique<PhotoOperations>(
      service.module, service.worker,
      [&service](const std::wstring& id) { return id == kPhone ? &service.device : nullptr; });
  service.exports = std::make_unique<MediaExports>(
      service.module, service.worker,
      [&service](const std::wstring& id) { return id == kPhone ? &service.device : nullptr; },
      [&service](int32_t kind) -> MediaOperations* {
        return kind == kKindPhotos ? service.operations.get() : nullptr;
      });
  return service.operations->OpenGeneratedLibrary(service.device, WorkFolder(L"library"), Pictures(), count);
}

// Hands the queued notices to the pane; the number of list rows handed over.
size_t Deliver(ModuleHarness& gallery, HWND parent) {
  std::deque<NotificationPayload*> ready;
  {
    std::lock_guard<std::mutex> guard(g_service->lock);
    ready.swap(g_service->notices);
  }
  size_t rows = 0;
  for (NotificationPayload* notice : ready) {
    CommandRecord record;
    record.window = parent;
    if (notice->kind == kPhotoOpLoad) {
      std::unique_ptr<PhotoList> batch(static_cast<PhotoList*>(notice->item));
      record.code = kAddPhotoAppend;
      record.payload = batch.get();
      gallery.Send(kGalleryAddPhoto, record);
      rows += batch->size();
    } else if (notice->kind == kPhotoOpThumbnails) {
      std::unique_ptr<ThumbnailList> pictures(static_cast<ThumbnailList*>(notice->item));
      record.code = kPhotoPaneThumbnails;
      record.payload = pictures.get();
      gallery.Send(kGalleryDoPhoto, record);
      for (ThumbnailRecord* picture : *pictures) delete picture;
    }
    std::free(notice);
  }
  return rows;
}

class NoLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter*) override { return true; }
  bool RemoveMessageFilter(CMessageFilter*) override { return true; }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
};

// Pages down through the whole list; the longest page and the whole scroll, in milliseconds.
void ScrollThrough(HWND list, const std::function<void()>& between, double& longest, double& whole) {
  longest = 0;
  const double start = Now();
  SendMessageW(list, WM_VSCROLL, SB_TOP, 0);
  UpdateWindow(list);
  const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  while (static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)) +
             static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0)) <
         count) {
    const double page = Now();
    SendMessageW(list, WM_VSCROLL, SB_PAGEDOWN, 0);
    UpdateWindow(list);
    between();
    longest = std::max(longest, Now() - page);
  }
  whole = Now() - start;
}

int RunPane(size_t count) {
  Service service;
  if (!OpenService(service, count)) return 2;
  GdiplusSession gdiplus;
  ModuleHarness gallery;
  std::vector<std::unique_ptr<Gdiplus::Bitmap>> images;
  const std::filesystem::path themes = ExeFolder().parent_path() / "product" / "themes";
  for (const char* name : {"common\\content-check-yes.png", "common\\content-check-no.png",
                           "photo\\content-photo-thumbnail.png", "common\\operate-search.png"}) {
    images.emplace_back(Gdiplus::Bitmap::FromFile((themes / name).wstring().c_str()));
    gallery.Images()[name] = images.back().get();
  }
  if (!gallery.Load(ModuleHarness::PluginPath(L"libGallery"))) return 3;
  gallery.SetHook(kGalleryDoPhoto, [&](CommandRecord& record) {
    // The host's part: thumbnails wanted go to the service as they would.
    if (record.code == kPhotoRequestThumbnails) {
      CommandRecord op;
      op.code = kPhotoOpThumbnails;
      op.text = kPhone;
      op.data = record.data;
      service.operations->Handle(op);
    }
    return 0;
  });
  const HWND parent = MakeWindow();
  NoLoop loop;
  CommandRecord create;
  create.window = parent;
  create.data = static_cast<CMessageLoop*>(&loop);
  gallery.Send(kGalleryCreateWindow, create);
  CommandRecord show;
  show.window = parent;
  gallery.Send(kGalleryShowWindow, show);
  Pump();
  const HWND pane = FindWindowExW(parent, nullptr, L"DhPhotoDelegate", nullptr);
  const HWND list = GetDlgItem(pane, 5007);
  if (!list) return 4;
  const double before = PeakMegabytes();

  const double start = Now();
  CommandRecord load;
  load.code = kPhotoOpLoad;
  load.text = kPhone;
  service.operations->Handle(load);
  size_t rows = 0;
  while (service.finishes.load() == 0 || rows < count) {
    rows += Deliver(gallery, parent);
    Pump();
    Sleep(0);
  }
  UpdateWindow(list);
  const double loadMs = Now() - start;
  const double afterLoad = PeakMegabytes();

  double longest = 0, whole = 0;
  ScrollThrough(
      list,
      [&] {
        Pump();
        Deliver(gallery, parent);
      },
      longest, whole);
  // The thumbnails still on their way arrive and are drawn.
  for (int i = 0; i < 50; ++i) {
    Sleep(10);
    Deliver(gallery, parent);
    Pump();
  }
  std::printf(
      "pane %zu photos: listed in %.0f ms; scrolled %d rows in %.0f ms, longest page %.1f ms; peak %.1f MB "
      "(%.1f MB before the list, %.1f MB after it)\n",
      count, loadMs, static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)), whole, longest, PeakMegabytes(),
      before, afterLoad);
  service.worker.Stop();
  DestroyWindow(parent);
  Pump();
  return 0;
}

int RunBare(size_t count) {
  // The same rows' texts, made before the clock starts: the bare list only inserts and draws.
  Service service;
  if (!OpenService(service, count)) return 2;
  std::vector<std::unique_ptr<PhotoRecord>> photos;
  {
    PhotoLibrary library;
    std::string error;
    library.OpenGenerated(WorkFolder(L"library"), Pictures(), count, error);
    for (const StoredPhoto& stored : library.Photos()) photos.emplace_back(MakePhotoRecord(stored));
  }
  const HWND view = MakeWindow();
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 218, 32, 900, 700, view,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  const wchar_t* titles[] = {L"", L"Name", L"Size", L"Format", L"Date Created"};
  for (int i = 0; i < 5; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(titles[i]);
    column.cx = 150;
    ListView_InsertColumn(list, i, &column);
  }
  Pump();
  const double before = PeakMegabytes();
  const double start = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < photos.size(); ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(L"");
    const int row = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(photos[i]->name.c_str()));
    ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(photos[i]->sizeText.c_str()));
    ListView_SetItemText(list, row, 3, const_cast<wchar_t*>(photos[i]->format.c_str()));
    ListView_SetItemText(list, row, 4, const_cast<wchar_t*>(photos[i]->dateCreated.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  const double loadMs = Now() - start;
  double longest = 0, whole = 0;
  ScrollThrough(
      list, [] { Pump(); }, longest, whole);
  std::printf(
      "bare %zu rows: listed in %.0f ms; scrolled in %.0f ms, longest page %.1f ms; peak %.1f MB "
      "(%.1f MB before the list)\n",
      count, loadMs, whole, longest, PeakMegabytes(), before);
  service.worker.Stop();
  DestroyWindow(view);
  return 0;
}

int RunExport(size_t count) {
  Service service;
  if (!OpenService(service, count)) return 2;
  PhotoLibrary library;
  std::string error;
  library.OpenGenerated(WorkFolder(L"library"), Pictures(), count, error);
  const std::filesystem::path exported = WorkFolder(L"exported");
  const std::filesystem::path copied = WorkFolder(L"copied");
  std::error_code ignored;
  std::filesystem::remove_all(exported, ignored);
  std::filesystem::remove_all(copied, ignored);
  std::filesystem::create_directories(exported);
  std::filesystem::create_directories(copied);
  int64_t bytes = 0;
  for (const StoredPhoto& photo : library.Photos()) bytes += photo.sizeBytes;

  auto* items = new ExportList;
  for (const StoredPhoto& photo : library.Photos()) {
    std::unique_ptr<PhotoRecord> record(MakePhotoRecord(photo));
    items->push_back(new ExportRecord(MakeExportRecord(*record)));
  }
  const std::wstring folder = exported.wstring();
  double start = Now();
  CommandRecord op;
  op.code = kFileOpExport;
  op.value = kKindPhotos;
  op.text = kPhone;
  op.data = items;
  op.payload = const_cast<wchar_t*>(folder.c_str());
  service.exports->HandleFile(op);
  while (service.finishes.load() == 0) Sleep(1);
  const double exportMs = Now() - start;

  start = Now();
  for (const StoredPhoto& photo : library.Photos())
    CopyFileW(library.FileOf(photo).wstring().c_str(), (copied / (photo.name + photo.format)).wstring().c_str(), TRUE);
  const double copyMs = Now() - start;
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(exported)) files += entry.is_regular_file() ? 1 : 0;
  std::printf(
      "export %zu photos (%.1f MB): %.0f ms, %zu files; plain copy of the same files %.0f ms; export speed "
      "%.0f %% of the plain copy\n",
      count, bytes / (1024.0 * 1024.0), exportMs, files, copyMs, 100.0 * copyMs / exportMs);
  return 0;
}

int RunAll(const wchar_t* self) {
  int result = 0;
  for (const wchar_t* run : {L"pane 5000", L"bare 5000", L"export 500"}) {
    std::wstring command = std::wstring(L"\"") + self + L"\" " + run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
      return 1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (code != 0) {
      std::printf("%ls: exit code %lu\n", run, code);
      result = static_cast<int>(code);
    }
  }
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  setvbuf(stdout, nullptr, _IONBF, 0);
  if (argc != 3) return RunAll(argv[0]);
  GdiplusSession gdiplus;
  const size_t count = static_cast<size_t>(std::wcstoul(argv[2], nullptr, 10));
  if (std::wcscmp(argv[1], L"bare") == 0) return RunBare(count);
  if (std::wcscmp(argv[1], L"export") == 0) return RunExport(count);
  return RunPane(count);
}
