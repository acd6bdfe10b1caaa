// Stands in for the setup program in the update test: notes that it ran, from where and with
// which command line, in the file the test names, and ends.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t mark[MAX_PATH * 2] = {};
  if (!GetEnvironmentVariableW(L"ZORVANE_TEST_INSTALLER_MARK", mark, MAX_PATH * 2)) return 2;
  wchar_t self[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
  const std::wstring line = std::wstring(self) + L"\n" + GetCommandLineW() + L"\n";
  HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
  CloseHandle(file);
  return 0;
}
