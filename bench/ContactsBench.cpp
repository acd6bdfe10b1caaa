// How long a phone's address book takes to reach the contacts pane, and what it costs, beside
// the bare list-view control taking the same rows. Not a test: it prints figures.
//
//   contacts_bench            runs every size, each in a process of its own (clean peaks)
//   contacts_bench pane N     one end-to-end load of N contacts and one search
//   contacts_bench bare N     N rows into a plain report list view
//   contacts_bench list N     N rows into the owner-drawn list of the panes, on its own
//
// The end-to-end run is the product's own path in one process: the host's bus, handlers and
// contacts controller, the shipped libCourier streaming a generated address book from its
// thread and the shipped libRolodex listing it.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostMessageLoop.h"
#include "host/HostState.h"
#include "host/ThemeImages.h"
#include "host/UiRouter.h"
#include "kit/BASListView.h"
#include "kit/GdiPlus.h"
#include "modules/courier/DemoContactGenerator.h"

namespace {

constexpr wchar_t kPhone[] = L"BENCH-PHONE";
constexpr UINT kContactsListId = 5010;
constexpr UINT kSearchEditId = 5005;
constexpr UINT kSearchButtonId = 5004;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
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

std::wstring ProductFolder() {
  wchar_t exe[MAX_PATH];
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  return (std::filesystem::path(exe).parent_path().parent_path() / L"product").wstring();
}

// The main view of this stand-in host: it runs the router for the device service's posts.
LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kPaneMessage) {
    RouteOnUiThread(reinterpret_cast<char*>(wp), lp);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND MakeWindow(const wchar_t* title, HWND parent, DWORD style) {
  static bool registered = false;
  if (!registered) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ContactsBenchWindow";
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    RegisterClassW(&wc);
    registered = true;
  }
  return CreateWindowExW(0, L"ContactsBenchWindow", title, style, 0, 0, 984, 700, parent, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

bool LoadPlugin(CommandBus& bus, const wchar_t* folder) {
  const std::wstring path = ProductFolder() + L"\\plugins\\" + folder + L"\\lib" + folder + L".dll";
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  auto registerModule = module ? reinterpret_cast<RegisterModuleProc>(
                                     reinterpret_cast<void*>(GetProcAddress(module, kRegisterModuleExport)))
                               : nullptr;
  if (registerModule == nullptr) {
    std::fwprintf(stderr, L"cannot load %ls (%lu)\n", path.c_str(), GetLastError());
    return false;
  }
  registerModule(bus.AddModule(module, &Host().imageCache));
  return true;
}

void LoadImages() {
  const std::wstring themes = ProductFolder() + L"\\themes\\";
  for (size_t i = 0; i < kPreloadedImageCount; ++i) {
    const char* path = kPreloadedImages[i];
    const std::wstring file = themes + std::wstring(path, path + std::strlen(path));
    if (Gdiplus::Bitmap* image = BASUtilityImage::GetBitmap(file.c_str(), 96, 96)) Host().imageCache[path] = image;
  }
}

int RunPane(size_t count) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / (L"contacts-bench-" + std::to_wstring(GetCurrentProcessId()));
  std::filesystem::create_directories(folder / L"state");
  const std::filesystem::path data = folder / L"phones.json";
  std::ofstream(data, std::ios::binary)
      << "{\"format\": 1, \"phones\": [{\"identifier\": \"BENCH-PHONE\", \"displayName\": \"Bench\", \"model\": \"B\","
         " \"androidVersion\": \"12\", \"battery\": {\"percent\": 50}, \"phoneMemory\": {\"totalBytes\": 1,"
         " \"freeBytes\": 1}, \"storageMemory\": {\"totalBytes\": 0, \"freeBytes\": 0},"
         " \"connection\": [{\"status\": 22}], \"generatedContacts\": "
      << count << "}]}";
  SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", data.wstring().c_str());
  SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (folder / L"state").wstring().c_str());

  HostMessageLoop loop;
  Host().uiThreadId = GetCurrentThreadId();
  HostMessageLoop::Register(Host().uiThreadId, &loop);
  HWND view = MakeWindow(L"Contacts benchmark", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND deviceView = MakeWindow(L"", view, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN);
  Host().windows[kWindowMainView] = view;
  HWND tab = reinterpret_cast<HWND>(0x7000);  // the device pane's tab key; never a window here
  Host().devices.BindWindow(tab, deviceView);
  Host().devices.BindIdentifier(tab, kPhone);
  LoadImages();

  CommandBus& bus = CommandBus::Instance();
  bus.SelfRegister(GetModuleHandleW(nullptr));
  FillHandlerTable(bus);
  CreateProgressDialogFor(deviceView);
  if (!LoadPlugin(bus, L"Courier") || !LoadPlugin(bus, L"Rolodex")) return 1;

  const ServerStartInfo info{L"Zorvane Steward for Android", L"Zorvane", L"bench"};
  CommandRecord start;
  start.data = const_cast<ServerStartInfo*>(&info);
  bus.Send(kCourierStartServer, &start);
  for (int i = 0; i < 2000; ++i) {
    CommandRecord get;
    get.text = kPhone;
    bus.Send(kCourierGetDevice, &get);
    if (get.payload != nullptr) break;
    Pump();
    Sleep(5);
  }

  CommandRecord create;
  create.window = deviceView;
  create.data = static_cast<CMessageLoop*>(&loop);
  bus.Send(kRolodexCreateWindow, &create);
  CommandRecord show;
  show.window = deviceView;
  bus.Send(kRolodexShowWindow, &show);
  HWND pane = GetWindow(deviceView, GW_CHILD);
  HWND list = pane ? GetDlgItem(pane, kContactsListId) : nullptr;
  if (list == nullptr) {
    std::fprintf(stderr, "the contacts pane did not appear\n");
    return 1;
  }
  Pump();

  const double loadStart = Now();
  CommandRecord load;
  load.code = kContactRequestLoad;
  load.window = pane;
  bus.Post(kRolodexDoContact, &load);
  while (static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) < count) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    Pump();
    if (Now() - loadStart > 600000) break;
  }
  UpdateWindow(pane);
  const double loadMs = Now() - loadStart;
  const size_t listed = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));

  // One search over the whole book for a family name that one contact in a dozen or so has.
  SetDlgItemTextW(pane, kSearchEditId, L"MÜLLER");
  const double searchStart = Now();
  SendMessageW(pane, WM_COMMAND, MAKEWPARAM(kSearchButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(pane, kSearchButtonId)));
  UpdateWindow(pane);
  const double searchMs = Now() - searchStart;
  const size_t found = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));

  std::printf("pane %zu contacts: load to last row listed %.0f ms (%zu rows), search %.1f ms (%zu found), peak %.1f MB\n",
              count, loadMs, listed, searchMs, found, PeakMegabytes());
  CommandRecord destroy;
  bus.Send(kCourierDestroyResource, &destroy);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return listed == count ? 0 : 2;
}

int RunBare(size_t count) {
  HWND view = MakeWindow(L"Bare list", nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 217, 31, 540, 600, view,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  const wchar_t* titles[] = {L"", L"Name", L"Phone Number"};
  for (int i = 0; i < 3; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(titles[i]);
    column.cx = 150;
    ListView_InsertColumn(list, i, &column);
  }
  std::vector<DemoContact> contacts;
  contacts.reserve(count);
  for (size_t i = 0; i < count; ++i) contacts.push_back(DemoContactGenerator::Make(i));
  Pump();

  const double start = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < count; ++i) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = const_cast<wchar_t*>(L"");
    const int row = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(contacts[i].name.c_str()));
    const std::wstring phone = contacts[i].FirstPhone();
    ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(phone.c_str()));
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  const double ms = Now() - start;
  std::printf("bare %zu rows: %.0f ms, peak %.1f MB\n", count, ms, PeakMegabytes());
  return 0;
}

// The panes' list under a window of the window base, as the pane holds it, without the pane.
class ListParent : public BASWindow {};

int RunList(size_t count) {
  ListParent parent;
  if (!parent.Create(nullptr, L"ContactsBenchListParent", L"List", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                     0, RECT{0, 0, 984, 700}))
    return 1;
  BASListView list;
  if (!list.Create(parent.Hwnd(), RECT{217, 31, 757, 631}, kContactsListId)) return 1;
  list.InsertColumn(0, L"", 100);
  list.InsertColumn(1, L"Name", 195);
  list.InsertColumn(2, L"Phone Number", 226);
  std::vector<DemoContact> contacts;
  contacts.reserve(count);
  for (size_t i = 0; i < count; ++i) contacts.push_back(DemoContactGenerator::Make(i));
  Pump();

  const double start = Now();
  list.SetRedraw(false);
  for (size_t i = 0; i < count; ++i) list.AppendRow({L"", contacts[i].name, contacts[i].FirstPhone()});
  list.SetRedraw(true);
  UpdateWindow(list.Hwnd());
  const double ms = Now() - start;
  std::printf("list %zu rows: %.0f ms, peak %.1f MB\n", count, ms, PeakMegabytes());
  return 0;
}

int RunAll(const wchar_t* self) {
  int result = 0;
  for (const wchar_t* size : {L"1000", L"10000", L"50000"}) {
    for (const wchar_t* mode : {L"pane", L"list", L"bare"}) {
      std::wstring command = std::wstring(L"\"") + self + L"\" " + mode + L" " + size;
      STARTUPINFOW startup = {};
      startup.cb = sizeof(startup);
      PROCESS_INFORMATION process = {};
      if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        std::fprintf(stderr, "cannot start a run (%lu)\n", GetLastError());
        return 1;
      }
      WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      if (code != 0) result = static_cast<int>(code);
      std::fflush(stdout);
    }
  }
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  setvbuf(stdout, nullptr, _IONBF, 0);
  int result = 0;
  if (argc == 3) {
    const size_t count = static_cast<size_t>(std::wcstoul(argv[2], nullptr, 10));
    if (std::wcscmp(argv[1], L"bare") == 0) result = RunBare(count);
    else if (std::wcscmp(argv[1], L"list") == 0) result = RunList(count);
    else result = RunPane(count);
  } else {
    result = RunAll(argv[0]);
  }
  // The service's thread and the plug-ins are left to the process end, as the host does.
  std::fflush(stdout);
  ExitProcess(static_cast<UINT>(result));
}
