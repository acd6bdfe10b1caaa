// Test copies of the installed product, with probe plug-ins placed into them, and the
// program run from outside as a user would start it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace hosttest {

struct CopyOptions {
  bool withSettings = true;  // Option.json
  bool withThemes = false;
  std::vector<std::wstring> plugins;  // product plug-in folders to copy ("Courier")
};

// A fresh folder holding deskhost.exe, its DLLs and (per options) settings and plug-ins;
// ends in a backslash.
std::wstring MakeProductCopy(const wchar_t* tag, const CopyOptions& options);
// Places the probe as plugins\<folder>\lib<folder>.dll with its configuration beside it.
void AddProbe(const std::wstring& copy, const std::wstring& folder, const nlohmann::json& config);
std::wstring ProbeLogPath(const std::wstring& copy, const std::wstring& folder);
std::vector<nlohmann::json> ReadProbeLog(const std::wstring& copy, const std::wstring& folder);
// The received commands of that name, in order.
std::vector<nlohmann::json> Received(const std::vector<nlohmann::json>& log, const std::string& name);

class RunningHost {
 public:
  // Starts copy\deskhost.exe with its output in copy\stdout.txt; the shell requests go
  // to copy\shell.txt instead of opening windows.
  explicit RunningHost(const std::wstring& copy);
  ~RunningHost();
  RunningHost(const RunningHost&) = delete;
  RunningHost& operator=(const RunningHost&) = delete;

  bool Started() const { return m_process != nullptr; }
  DWORD Pid() const { return m_pid; }
  // The exit code, or -1 if it did not end in time (it is then killed).
  long Wait(DWORD timeoutMs);
  bool Running() const;
  std::string Output() const;
  std::string ShellRequests() const;

 private:
  std::wstring m_copy;
  HANDLE m_process = nullptr;
  DWORD m_pid = 0;
};

// Top-level windows of a process, optionally of one class.
std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className = nullptr);
// Visible descendants of the process's top-level windows of a class and, unless -1, a control id.
std::vector<HWND> VisibleChildren(DWORD pid, const wchar_t* className, int id = -1);
// Polls until `pred` holds or the time is up; pumps this thread's messages meanwhile.
template <typename Pred>
bool WaitFor(Pred pred, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!pred()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(30);
  }
  return true;
}

std::string ReadFileText(const std::wstring& path);
std::string Narrow(const std::wstring& text);
std::wstring LogFolderOf(DWORD pid);
bool FolderExists(const std::wstring& path);

}  // namespace hosttest
