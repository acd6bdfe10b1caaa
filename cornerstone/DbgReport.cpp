#include <windows.h>
#include <dbghelp.h>

#include <exception>
#include <vector>

#include "cornerstone/Internal.h"
#include "cornerstone/core/ZipWriter.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace {

typedef BOOL(WINAPI* MiniDumpWriteDumpFn)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE, PMINIDUMP_EXCEPTION_INFORMATION,
                                          PMINIDUMP_USER_STREAM_INFORMATION, PMINIDUMP_CALLBACK_INFORMATION);

// Everything the filter needs is prepared at registration: at crash time the
// heap may be damaged, so the filter allocates as little as it can.
wchar_t g_dumpPath[MAX_PATH * 2];
wchar_t g_folder[MAX_PATH * 2];
BASDbgReport::ReportCallback g_report = nullptr;
BASDbgReport::CollectCallback g_collect = nullptr;
MiniDumpWriteDumpFn g_writeDump = nullptr;
volatile LONG g_inFilter = 0;

struct DumpJob {
  EXCEPTION_POINTERS* exception;
  DWORD threadId;
  BOOL written;
};

// The dump is written from a fresh thread: the crashing thread's stack may be
// nearly exhausted, and a dump of a thread taken by itself is less reliable.
DWORD WINAPI DumpThread(void* param) {
  auto* job = static_cast<DumpJob*>(param);
  HANDLE file = CreateFileW(g_dumpPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  MINIDUMP_EXCEPTION_INFORMATION info;
  info.ThreadId = job->threadId;
  info.ExceptionPointers = job->exception;
  info.ClientPointers = FALSE;
  job->written = g_writeDump(GetCurrentProcess(), GetCurrentProcessId(), file,
                             static_cast<MINIDUMP_TYPE>(MiniDumpNormal | MiniDumpWithThreadInfo),
                             job->exception ? &info : nullptr, nullptr, nullptr);
  CloseHandle(file);
  return 0;
}

std::wstring LeafOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

void AddToZip(std::vector<cornerstone::ZipEntry>& entries, const std::wstring& path) {
  cornerstone::ZipEntry entry;
  std::string bytes;
  if (!cornerstone::ReadWholeFile(path, bytes)) return;
  entry.name = cornerstone::Narrow(LeafOf(path));
  entry.bytes.assign(bytes.begin(), bytes.end());
  entries.push_back(std::move(entry));
}

void WriteReport() {
  wchar_t* extra = nullptr;
  if (g_collect) g_collect(g_folder, &extra);
  std::vector<cornerstone::ZipEntry> entries;
  AddToZip(entries, g_dumpPath);
  if (extra) {
    AddToZip(entries, extra);
    std::free(extra);
  }
  std::wstring zipPath = std::wstring(g_folder) + L"CrashReport.zip";
  std::vector<uint8_t> zip;
  bool written = false;
  if (!entries.empty() && cornerstone::BuildZip(entries, zip)) {
    HANDLE file = CreateFileW(zipPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD done = 0;
      written = WriteFile(file, zip.data(), static_cast<DWORD>(zip.size()), &done, nullptr) && done == zip.size();
      CloseHandle(file);
    }
  }
  // Without an archive the dump itself is the report.
  if (g_report) g_report(written ? zipPath.c_str() : g_dumpPath);
}

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception) {
  // A fault inside the filter (or a second crashing thread) must not re-enter it.
  if (InterlockedExchange(&g_inFilter, 1) != 0) return EXCEPTION_EXECUTE_HANDLER;
  BASTrace("CrashFilter: exception 0x%08lx",
           exception && exception->ExceptionRecord ? exception->ExceptionRecord->ExceptionCode : 0UL);
  DumpJob job = {exception, GetCurrentThreadId(), FALSE};
  if (g_writeDump) {
    HANDLE thread = CreateThread(nullptr, 0, DumpThread, &job, 0, nullptr);
    if (thread) {
      WaitForSingleObject(thread, 60000);
      CloseHandle(thread);
    } else {
      DumpThread(&job);
    }
  }
  try {
    WriteReport();
  } catch (...) {
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

// An uncaught C++ exception ends in terminate(), which never reaches the
// unhandled-exception filter on its own; turn it into a structured exception.
void OnTerminate() {
  RaiseException(0xE0000001, EXCEPTION_NONCONTINUABLE, 0, nullptr);
  std::abort();
}

}  // namespace

bool BASDbgReport::RegisterCrashFilter(const wchar_t* dumpPath, ReportCallback report, CollectCallback collect) {
  if (!dumpPath || !*dumpPath || wcslen(dumpPath) >= MAX_PATH * 2) return false;
  std::wstring path(dumpPath);
  size_t slash = path.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
  if (!folder.empty()) cornerstone::CreateFolderTree(folder);
  wcscpy(g_dumpPath, dumpPath);
  wcscpy(g_folder, folder.c_str());
  g_report = report;
  g_collect = collect;
  if (!g_writeDump) {
    HMODULE dbghelp = LoadLibraryW(L"dbghelp.dll");
    if (dbghelp) g_writeDump = reinterpret_cast<MiniDumpWriteDumpFn>(
        reinterpret_cast<void*>(GetProcAddress(dbghelp, "MiniDumpWriteDump")));
  }
  SetUnhandledExceptionFilter(CrashFilter);
  std::set_terminate(OnTerminate);
  return g_writeDump != nullptr;
}
