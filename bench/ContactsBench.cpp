// How long a phone's address book takes to reach the contacts pane, and what it costs, beside
// the bare list-view control taking the same rows. Not a test: it prints figures.
//
//   contacts_bench            runs every size, each in a process of its own (clean peaks)
//   contacts_bench pane N     one end-to-end load of N contacts, one search, one delete of a tenth
//   contacts_bench bare N     the same rows, search refill and deletes on a plain report list view
//   contacts_bench list N     N rows into the owner-drawn list of the panes, on its own
//
// Every run prints load, search and delete in milliseconds and the process's peak memory; the
// pane's run also prints what its contacts' records weigh, and the peak's growth over what the
// process held before the load, as a multiple of that.
//
// The end-to-end run is the product's own path in one process: the host's bus, handlers and
// contacts controller, the shipped libCourier streaming a generated address book from its
// thread and the shipped libRolodex listing it.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
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
#include "modules/courier/ContactConversion.h"
#include "modules/courier/DemoContactGenerator.h"

namespace {

constexpr wchar_t kPhone[] = L"BENCH-PHONE";
constexpr UINT kContactsListId = 5010;
constexpr UINT kSearchEditId = 5005;
constexpr UINT kSearchButtonId = 5004;
// The family name the search looks for (one contact in a dozen or so has it), lower-cased.
constexpr wchar_t kSearchText[] = L"MÜLLER";
constexpr wchar_t kSearchLowered[] = L"müller";
// One row in this many is checked and deleted.
constexpr size_t kDeleteEvery = 10;

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

// Heap bytes a string holds beyond its object (none while it fits the object's own buffer).
size_t HeapBytes(const std::wstring& text) {
  return text.capacity() > 7 ? (text.capacity() + 1) * sizeof(wchar_t) : 0;
}

// What one contact weighs as the record the pane keeps: the records, their strings and vectors.
size_t RecordBytes(const ContactRecord& contact) {
  size_t bytes = sizeof(ContactRecord) + HeapBytes(contact.identifier) + HeapBytes(contact.name) +
                 HeapBytes(contact.accountName) + HeapBytes(contact.accountType) + HeapBytes(contact.phone);
  bytes += contact.dataRows.capacity() * sizeof(void*);
  for (const ContactDataRow* row : contact.dataRows) {
    if (row == nullptr) continue;
    bytes += sizeof(ContactDataRow) + HeapBytes(row->tag) + HeapBytes(row->mimetype) + HeapBytes(row->oldTypeCode) +
             HeapBytes(row->oldTypeLabel) + HeapBytes(row->oldValue) + HeapBytes(row->newTypeCode) +
             HeapBytes(row->newTypeLabel) + HeapBytes(row->newValue);
  }
  for (const std::wstring& group : contact.groups) bytes += sizeof(std::wstring) + HeapBytes(group);
  return bytes;
}

double ContactsMegabytes(size_t count) {
  size_t bytes = 0;
  for (size_t i = 0; i < count; ++i) {
    std::unique_ptr<ContactRecord> record(MakeContactRecord(DemoContactGenerator::Make(i)));
    bytes += RecordBytes(*record);
  }
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

// The host's loop as far as the pane uses it: its filter sees each message before dispatch, so
// Enter in the search box takes the product's own path.
class BenchLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter* filter) override {
    m_filters.push_back(filter);
    return true;
  }
  bool RemoveMessageFilter(CMessageFilter* filter) override {
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
    return true;
  }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      bool filtered = false;
      for (auto it = m_filters.rbegin(); it != m_filters.rend() && !filtered; ++it)
        filtered = (*it)->PreTranslateMessage(&msg) != FALSE;
      if (filtered) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

 private:
  std::vector<CMessageFilter*> m_filters;
};

// Until the list holds `count` rows, then until it has drawn them.
bool WaitForRows(BenchLoop& loop, HWND list, size_t count, double since) {
  while (static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)) != count) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    loop.Pump();
    if (Now() - since > 600000) return false;
  }
  loop.Pump();
  RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return true;
}

bool Matches(const std::wstring& text) {
  std::wstring lowered(text);
  if (!lowered.empty()) CharLowerBuffW(&lowered[0], static_cast<DWORD>(lowered.size()));
  return lowered.find(kSearchLowered) != std::wstring::npos;
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
    HandleRouterMessage(wp, lp);
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

  HostMessageLoop hostLoop;
  Host().uiThreadId = GetCurrentThreadId();
  HostMessageLoop::Register(Host().uiThreadId, &hostLoop);
  BenchLoop loop;
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
    loop.Pump();
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
  HWND edit = pane ? GetDlgItem(pane, kSearchEditId) : nullptr;
  if (list == nullptr || edit == nullptr) {
    std::fprintf(stderr, "the contacts pane did not appear\n");
    return 1;
  }
  loop.Pump();
  const double before = PeakMegabytes();

  // Load: from the request to the last row listed and drawn.
  const double loadStart = Now();
  CommandRecord load;
  load.code = kContactRequestLoad;
  load.window = pane;
  bus.Post(kRolodexDoContact, &load);
  const bool loaded = WaitForRows(loop, list, count, loadStart);
  const double loadMs = Now() - loadStart;
  const size_t listed = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));

  // Search: Enter in the search box, through the loop's filter, to the list redrawn.
  SetFocus(edit);
  SetWindowTextW(edit, kSearchText);
  loop.Pump();
  const double searchStart = Now();
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  loop.Pump();
  RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  const double searchMs = Now() - searchStart;
  const size_t found = static_cast<size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));

  // Delete: every book listed again, one row in ten checked (the first row, which a load
  // checks, among them), and their deletion asked of the device service as the host asks it
  // once the user confirmed; to the last row removed and the list redrawn.
  SetWindowTextW(edit, L"");
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  loop.Pump();
  for (size_t row = 0; row < listed; ++row) {
    LVITEMW state = {};
    state.stateMask = LVIS_STATEIMAGEMASK;
    state.state = INDEXTOSTATEIMAGEMASK(row % kDeleteEvery == 0 ? 2 : 1);
    SendMessageW(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
  }
  CommandRecord checked;
  checked.window = deviceView;
  bus.Send(kRolodexGetChecked, &checked);
  auto* targets = static_cast<ContactList*>(checked.data);
  const size_t toDelete = targets ? targets->size() : 0;
  // Bottom row first, with their rows, as the pane's Delete hands them over.
  if (targets) {
    std::reverse(targets->begin(), targets->end());
    for (size_t i = 0; i < targets->size(); ++i)
      (*targets)[i]->rowIndex = static_cast<int32_t>((toDelete - 1 - i) * kDeleteEvery);
  }
  const double deleteStart = Now();
  CommandRecord remove;
  remove.code = kContactOpDelete;
  remove.text = kPhone;
  remove.data = targets;
  bus.Send(kCourierDoContact, &remove);
  const bool deleted = WaitForRows(loop, list, listed - toDelete, deleteStart);
  const double deleteMs = Now() - deleteStart;

  const double peak = PeakMegabytes();
  const double records = ContactsMegabytes(count);
  std::printf("pane %zu: load %.0f ms (%zu rows), search %.1f ms (%zu found), delete %zu in %.0f ms, peak %.1f MB "
              "(%.1f MB before the load; contacts' records %.1f MB, growth %.2f times them)\n",
              count, loadMs, listed, searchMs, found, toDelete, deleteMs, peak, before, records,
              records > 0 ? (peak - before) / records : 0.0);
  CommandRecord destroy;
  bus.Send(kCourierDestroyResource, &destroy);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return loaded && deleted && listed == count ? 0 : 2;
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
  auto insert = [&](int at, const DemoContact& contact) {
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = at;
    item.pszText = const_cast<wchar_t*>(L"");
    const int row = ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, const_cast<wchar_t*>(contact.name.c_str()));
    const std::wstring phone = contact.FirstPhone();
    ListView_SetItemText(list, row, 2, const_cast<wchar_t*>(phone.c_str()));
  };

  // Load: every row inserted with drawing paused, then drawn.
  const double start = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = 0; i < count; ++i) insert(static_cast<int>(i), contacts[i]);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  const double loadMs = Now() - start;

  // Search: the list emptied and refilled with the rows whose name holds the text.
  const double searchStart = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  size_t found = 0;
  for (const DemoContact& contact : contacts)
    if (Matches(contact.name)) insert(static_cast<int>(found++), contact);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  const double searchMs = Now() - searchStart;

  // Delete: every row back, then one in ten deleted, bottom first, with drawing paused.
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(list);
  for (size_t i = 0; i < count; ++i) insert(static_cast<int>(i), contacts[i]);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  const size_t toDelete = (count + kDeleteEvery - 1) / kDeleteEvery;
  const double deleteStart = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (size_t i = toDelete; i-- > 0;) ListView_DeleteItem(list, static_cast<int>(i * kDeleteEvery));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  const double deleteMs = Now() - deleteStart;

  std::printf("bare %zu: load %.0f ms, search %.1f ms (%zu found), delete %zu in %.0f ms, peak %.1f MB\n", count,
              loadMs, searchMs, found, toDelete, deleteMs, PeakMegabytes());
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
