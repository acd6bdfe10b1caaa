// Figures for a phone with 20,000 songs, beside the bare control in the same run: the songs
// handed to the music pane in the host's batches and drawn, against a plain report list taking
// the same rows; then a search over them ("tide", about a tenth of the songs) in the pane
// against the plain list emptied and refilled with the same matches. Not a test: it prints
// figures.
//   music_bench            both runs below, each in a process of its own
//   music_bench pane N     the music pane, N songs
//   music_bench bare N     a plain report list view, the same N rows
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"
#include "contracts/MessageLoop.h"
#include "kit/BASMediaFilePane.h"
#include "kit/GdiPlus.h"
#include "kit/SearchText.h"
#include "tests/harness/ModuleHarness.h"

namespace {

constexpr size_t kBatch = 500;
const wchar_t kSearch[] = L"tide";

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

LRESULT CALLBACK PlainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd, msg, wp, lp); }

HWND MakeWindow() {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"MusicBenchWindow";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"Music bench", WS_POPUP | WS_VISIBLE, 0, 0, 1200, 800, nullptr, nullptr,
                         wc.hInstance, nullptr);
}

MediaFileRecord* MakeSong(size_t i) {
  static const wchar_t* const kArtists[] = {
      L"The Tidewater Set", L"Élodie Marchand", L"Ансамбль Невский", L"Layla Haddad", L"DJ Kestrel", L"青い月",
      L"Μαρίνα Σταύρου",    L"Northern Lights", L"Kestrel & Crow",   L"Harbour Brass"};
  auto* song = new MediaFileRecord;
  song->identifier = L"s" + std::to_wstring(i + 1);
  song->name = L"Track " + std::to_wstring(i + 1);
  song->title = L"Song number " + std::to_wstring(i + 1);
  song->artist = kArtists[i % 10];
  song->album = L"Album " + std::to_wstring(i / 12 + 1);
  song->format = L".mp3";
  song->sizeBytes = 3000000 + static_cast<int64_t>(i) * 17;
  song->durationMs = 150000 + static_cast<int64_t>(i % 200) * 1000;
  return song;
}

class NoLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter*) override { return true; }
  bool RemoveMessageFilter(CMessageFilter*) override { return true; }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
};

int RunPane(size_t count) {
  GdiplusSession gdiplus;
  ModuleHarness tunes;
  if (!tunes.Load(ModuleHarness::PluginPath(L"libTunes"))) return 3;
  const HWND parent = MakeWindow();
  NoLoop loop;
  CommandRecord create;
  create.window = parent;
  create.data = static_cast<CMessageLoop*>(&loop);
  tunes.Send(kTunesCreateWindow, create);
  CommandRecord show;
  show.window = parent;
  tunes.Send(kTunesShowWindow, show);
  Pump();
  const HWND pane = FindWindowExW(parent, nullptr, L"DhMusicDelegate", nullptr);
  const HWND list = GetDlgItem(pane, kMediaListId);
  const HWND search = GetDlgItem(pane, kMediaSearchEditId);
  if (!list || !search) return 4;
  std::vector<MediaFileRecord*> songs;
  for (size_t i = 0; i < count; ++i) songs.push_back(MakeSong(i));
  const double before = PeakMegabytes();
  const double start = Now();
  for (size_t at = 0; at < songs.size(); at += kBatch) {
    MediaFileList batch(songs.begin() + static_cast<std::ptrdiff_t>(at),
                        songs.begin() + static_cast<std::ptrdiff_t>(std::min(songs.size(), at + kBatch)));
    CommandRecord add;
    add.window = parent;
    add.code = kAddMediaAppend;
    add.payload = &batch;
    tunes.Send(kTunesAddMusic, add);  // the records are the pane's now
  }
  UpdateWindow(list);
  const double listed = Now() - start;
  SetWindowTextW(search, kSearch);
  const double searchStart = Now();
  SendMessageW(pane, WM_COMMAND, MAKEWPARAM(kMediaSearchButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(pane, kMediaSearchButtonId)));
  UpdateWindow(list);
  const double searched = Now() - searchStart;
  std::printf("pane %zu songs: listed in %.0f ms; search \"%ls\" %.1f ms, %d rows; peak %.1f MB (%.1f MB before)\n",
              count, listed, kSearch, searched, static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)),
              PeakMegabytes(), before);
  DestroyWindow(parent);
  Pump();
  return 0;
}

int RunBare(size_t count) {
  std::vector<std::unique_ptr<MediaFileRecord>> songs;
  std::vector<std::vector<std::wstring>> texts;
  for (size_t i = 0; i < count; ++i) {
    songs.emplace_back(MakeSong(i));
    texts.push_back({songs[i]->title, songs[i]->artist, songs[i]->album, DurationText(songs[i]->durationMs),
                     std::to_wstring(songs[i]->sizeBytes)});
  }
  const HWND view = MakeWindow();
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 218, 32, 900, 700, view,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  for (int i = 0; i < 6; ++i) {
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(L"");
    column.cx = 140;
    ListView_InsertColumn(list, i, &column);
  }
  const auto fill = [&](const std::vector<size_t>& rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (size_t i : rows) {
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = ListView_GetItemCount(list);
      item.pszText = const_cast<wchar_t*>(L"");
      const int row = ListView_InsertItem(list, &item);
      for (int c = 0; c < 5; ++c) ListView_SetItemText(list, row, c + 1, const_cast<wchar_t*>(texts[i][c].c_str()));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(list);
  };
  Pump();
  const double before = PeakMegabytes();
  std::vector<size_t> all(count);
  for (size_t i = 0; i < count; ++i) all[i] = i;
  const double start = Now();
  fill(all);
  const double listed = Now() - start;
  const double searchStart = Now();
  std::vector<size_t> found;
  for (size_t i = 0; i < count; ++i)
    if (MediaFileMatches(*songs[i], LowerCased(kSearch))) found.push_back(i);
  fill(found);
  const double searched = Now() - searchStart;
  std::printf("bare %zu rows: listed in %.0f ms; search \"%ls\" %.1f ms, %zu rows; peak %.1f MB (%.1f MB before)\n",
              count, listed, kSearch, searched, found.size(), PeakMegabytes(), before);
  DestroyWindow(view);
  return 0;
}

int RunAll(const wchar_t* self) {
  int result = 0;
  for (const wchar_t* run : {L"pane 20000", L"bare 20000"}) {
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
  const size_t count = static_cast<size_t>(std::wcstoul(argv[2], nullptr, 10));
  if (std::wcscmp(argv[1], L"bare") == 0) return RunBare(count);
  return RunPane(count);
}
