// Crashes on purpose so the crash reporter can be checked from outside.
//   crash_probe.exe MODE DUMP_PATH
// MODE: "fault" (access violation), "throw" (uncaught C++ exception),
//       "nested" (the collect callback itself faults).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <stdexcept>
#include <string>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

bool g_nested = false;

void Collect(const wchar_t* folder, wchar_t** extra) {
  std::wstring path = std::wstring(folder) + L"Crash.json";
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (f) {
    std::fputs("{\"Product\":\"probe\"}", f);
    std::fclose(f);
  }
  *extra = _wcsdup(path.c_str());
  if (g_nested) *static_cast<volatile int*>(nullptr) = 2;
}

void Report(const wchar_t* reportPath) {
  std::wstring dump(reportPath);
  std::wstring marker = dump.substr(0, dump.find_last_of(L'\\') + 1) + L"reported.txt";
  FILE* f = _wfopen(marker.c_str(), L"wb");
  if (f) {
    char* utf8 = BASUtilityString::ConvertUnicodeToUtf8(reportPath);
    std::fputs(utf8, f);
    std::free(utf8);
    std::fclose(f);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  std::wstring mode = argv[1];
  g_nested = mode == L"nested";
  if (!BASDbgReport::RegisterCrashFilter(argv[2], Report, Collect)) return 3;
  if (mode == L"throw") throw std::runtime_error("unhandled on purpose");
  *static_cast<volatile int*>(nullptr) = 1;
  return 0;
}
