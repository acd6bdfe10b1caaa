#include "tests/host/ProductCopy.h"

#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace hosttest {
namespace {

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

// Tests run from testbin\; the product lies beside it.
std::wstring ProductFolder() { return ExeFolder() + L"..\\product\\"; }

void CopyTree(const std::wstring& from, const std::wstring& to) {
  SHCreateDirectoryExW(nullptr, to.c_str(), nullptr);
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CopyTree(from + L"\\" + name, to + L"\\" + name);
    else
      CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
  } while (FindNextFileW(find, &entry));
  FindClose(find);
}

void WriteText(const std::wstring& path, const std::string& text) {
  FILE* f = _wfopen(path.c_str(), L"wb");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

}  // namespace

std::string Narrow(const std::wstring& text) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::string ReadFileText(const std::wstring& path) {
  FILE* f = _wfopen(path.c_str(), L"rb");
  if (!f) return std::string();
  std::string out;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

bool FolderExists(const std::wstring& path) {
  DWORD a = GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring LogFolderOf(DWORD pid) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + L"Zorvane Steward for Android\\Log\\" + std::to_wstring(pid);
}

std::wstring MakeProductCopy(const wchar_t* tag, const CopyOptions& options) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int serial = 0;
  // Process ids come round again after a wineserver restart: the tick keeps folders apart.
  std::wstring copy = std::wstring(temp) + L"zs-product-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++serial) + L"\\";
  SHCreateDirectoryExW(nullptr, (copy + L"plugins").c_str(), nullptr);
  std::wstring product = ProductFolder();
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((product + L"*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = entry.cFileName;
      if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      if (name == L"Option.json" && !options.withSettings) continue;
      CopyFileW((product + name).c_str(), (copy + name).c_str(), FALSE);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  if (options.withThemes) CopyTree(product + L"themes", copy + L"themes");
  for (const std::wstring& plugin : options.plugins)
    CopyTree(product + L"plugins\\" + plugin, copy + L"plugins\\" + plugin);
  return copy;
}

void AddProbe(const std::wstring& copy, const std::wstring& folder, const nlohmann::json& config) {
  std::wstring dir = copy + L"plugins\\" + folder;
  SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr);
  std::wstring dll = dir + L"\\lib" + folder + L".dll";
  CopyFileW((ExeFolder() + L"probe\\libProbe.dll").c_str(), dll.c_str(), FALSE);
  nlohmann::json c = config;
  if (!c.contains("log")) c["log"] = Narrow(ProbeLogPath(copy, folder));
  DeleteFileW(ProbeLogPath(copy, folder).c_str());
  WriteText(dir + L"\\lib" + folder + L".json", c.dump());
}

std::wstring ProbeLogPath(const std::wstring& copy, const std::wstring& folder) {
  return copy + L"probe-" + folder + L".log";
}

std::vector<nlohmann::json> ReadProbeLog(const std::wstring& copy, const std::wstring& folder) {
  std::vector<nlohmann::json> entries;
  std::istringstream lines(ReadFileText(ProbeLogPath(copy, folder)));
  std::string line;
  while (std::getline(lines, line)) {
    nlohmann::json j = nlohmann::json::parse(line, nullptr, false);
    if (!j.is_discarded()) entries.push_back(j);
  }
  return entries;
}

std::vector<nlohmann::json> Received(const std::vector<nlohmann::json>& log, const std::string& name) {
  std::vector<nlohmann::json> out;
  for (const auto& e : log)
    if (!e.contains("event") && e.value("name", "") == name) out.push_back(e);
  return out;
}

RunningHost::RunningHost(const std::wstring& copy) : m_copy(copy) {
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE out = CreateFileW((copy + L"stdout.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                           CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  si.hStdInput = nullptr;
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", (copy + L"shell.txt").c_str());
  std::wstring exe = copy + L"deskhost.exe";
  std::wstring line = L"\"" + exe + L"\"";
  PROCESS_INFORMATION pi = {};
  if (CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, copy.c_str(), &si, &pi)) {
    CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
  }
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", nullptr);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
}

RunningHost::~RunningHost() {
  if (m_process) {
    if (Running()) TerminateProcess(m_process, 99);
    CloseHandle(m_process);
  }
}

long RunningHost::Wait(DWORD timeoutMs) {
  if (!m_process) return -1;
  if (WaitForSingleObject(m_process, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(m_process, 99);
    WaitForSingleObject(m_process, 5000);
    return -1;
  }
  DWORD code = 0;
  GetExitCodeProcess(m_process, &code);
  return static_cast<long>(code);
}

bool RunningHost::Running() const { return m_process && WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT; }

std::string RunningHost::Output() const {
  std::string text = ReadFileText(m_copy + L"stdout.txt");
  std::string clean;
  for (char c : text)
    if (c != '\r') clean.push_back(c);
  return clean;
}

std::string RunningHost::ShellRequests() const { return ReadFileText(m_copy + L"shell.txt"); }

namespace {
struct EnumState {
  DWORD pid;
  const wchar_t* className;
  std::vector<HWND>* out;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM lp) {
  auto* state = reinterpret_cast<EnumState*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != state->pid) return TRUE;
  if (state->className) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    if (wcscmp(name, state->className) != 0) return TRUE;
  }
  state->out->push_back(hwnd);
  return TRUE;
}
}  // namespace

namespace {

struct Found {
  std::vector<HWND> windows;
  const wchar_t* className;
  int id;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM param) {
  auto* found = reinterpret_cast<Found*>(param);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (lstrcmpiW(name, found->className) == 0 && (found->id < 0 || GetDlgCtrlID(hwnd) == found->id) &&
      IsWindowVisible(hwnd))
    found->windows.push_back(hwnd);
  return TRUE;
}

}  // namespace

std::vector<HWND> VisibleChildren(DWORD pid, const wchar_t* className, int id) {
  Found found{{}, className, id};
  for (HWND top : WindowsOf(pid)) EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&found));
  return found.windows;
}

std::vector<HWND> WindowsOf(DWORD pid, const wchar_t* className) {
  std::vector<HWND> out;
  EnumState state = {pid, className, &out};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&state));
  return out;
}

}  // namespace hosttest
