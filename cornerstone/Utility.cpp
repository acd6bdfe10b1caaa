#include <shlobj.h>
#include <shobjidl.h>
#include <shellapi.h>

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <vector>

#include "cornerstone/Internal.h"
#include "cornerstone/core/TextUtil.h"
#include "contracts/cornerstone/Cornerstone.h"

using cornerstone::HeapCopy;

// ---- BASUtilityApp ----

wchar_t* BASUtilityApp::GetProductInstallDir() {
  std::vector<wchar_t> buf(MAX_PATH);
  while (true) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return nullptr;
    if (n < buf.size()) break;
    buf.resize(buf.size() * 2);
  }
  std::wstring path(buf.data());
  size_t slash = path.find_last_of(L"\\/");
  return HeapCopy(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1));
}

static wchar_t* InstallSubDir(const wchar_t* leaf) {
  wchar_t* install = BASUtilityApp::GetProductInstallDir();
  if (!install) return nullptr;
  std::wstring dir = std::wstring(install) + leaf + L"\\";
  std::free(install);
  return HeapCopy(dir);
}

wchar_t* BASUtilityApp::GetProductPluginsDir() { return InstallSubDir(L"plugins"); }
wchar_t* BASUtilityApp::GetProductThemesDir() { return InstallSubDir(L"themes"); }

HFONT BASUtilityApp::GetFont(int height, bool bold, const wchar_t* face) {
  return CreateFontW(-height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_SWISS,
                     face && *face ? face : L"Arial");
}

// With ZORVANE_SHELL_LOG set (automated runs), what would be opened is appended to that
// file instead, so no browser or folder window appears.
static bool OpenThroughShell(const std::wstring& target) {
  wchar_t logPath[MAX_PATH];
  DWORD n = GetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", logPath, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    FILE* log = _wfopen(logPath, L"ab");
    if (!log) return false;
    std::string line = "open " + cornerstone::Narrow(target) + "\n";
    std::fwrite(line.data(), 1, line.size(), log);
    std::fclose(log);
    return true;
  }
  return reinterpret_cast<INT_PTR>(ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL)) >
         32;
}

bool BASUtilityApp::OpenUrl(const char* utf8Url) {
  if (!utf8Url || !*utf8Url) return false;
  return OpenThroughShell(cornerstone::Widen(utf8Url));
}

bool BASUtilityApp::OpenFolder(const wchar_t* path) {
  if (!path || !*path) return false;
  return OpenThroughShell(path);
}

// ---- BASUtilityFile ----

bool BASUtilityFile::IsFileExist(const wchar_t* path) {
  if (!path || !*path) return false;
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool BASUtilityFile::IsFolderExist(const wchar_t* path) {
  if (!path || !*path) return false;
  DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

wchar_t* BASUtilityFile::SelectFolder(HWND owner, const wchar_t* initial) {
  IFileOpenDialog* dialog = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                              reinterpret_cast<void**>(&dialog))))
    return nullptr;
  wchar_t* result = nullptr;
  DWORD options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
  if (initial && IsFolderExist(initial)) {
    IShellItem* start = nullptr;
    if (SUCCEEDED(SHCreateItemFromParsingName(initial, nullptr, IID_IShellItem, reinterpret_cast<void**>(&start)))) {
      dialog->SetFolder(start);
      start->Release();
    }
  }
  if (SUCCEEDED(dialog->Show(owner))) {
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->GetResult(&item))) {
      wchar_t* path = nullptr;
      if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        result = HeapCopy(std::wstring(path));
        CoTaskMemFree(path);
      }
      item->Release();
    }
  }
  dialog->Release();
  return result;
}

wchar_t* BASUtilityFile::ZLGetFormatSizeFromBytes(int64_t bytes) {
  return HeapCopy(cornerstone::Widen(cornerstone::FormatByteSize(bytes)));
}

bool BASUtilityFile::IsSupportFilePosfix(const wchar_t* path, const wchar_t* list) {
  if (!path || !list) return false;
  return cornerstone::HasListedExtension(cornerstone::ToU16(path), cornerstone::ToU16(list));
}

// ---- BASUtilityString ----

wchar_t* BASUtilityString::ConvertUtf8ToUnicode(const char* utf8) {
  return HeapCopy(cornerstone::Widen(utf8 ? utf8 : ""));
}

char* BASUtilityString::ConvertUnicodeToUtf8(const wchar_t* text) {
  return HeapCopy(cornerstone::Narrow(text ? text : L""));
}

wchar_t* BASUtilityString::Format(const wchar_t* fmt, ...) {
  if (!fmt) return HeapCopy(std::wstring());
  std::vector<wchar_t> buf(256);
  while (true) {
    va_list args;
    va_start(args, fmt);
    int n = std::vswprintf(buf.data(), buf.size(), fmt, args);
    va_end(args);
    // Some runtimes answer -1 when the text does not fit, others its full length.
    if (n >= 0 && static_cast<size_t>(n) < buf.size()) return HeapCopy(std::wstring(buf.data(), static_cast<size_t>(n)));
    if (buf.size() >= (1u << 26)) return nullptr;
    buf.resize(n >= 0 ? static_cast<size_t>(n) + 1 : buf.size() * 2);
  }
}

char* BASUtilityString::Format(const char* fmt, ...) {
  if (!fmt) return HeapCopy(std::string());
  va_list args, copy;
  va_start(args, fmt);
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  char* out = nullptr;
  if (n >= 0) {
    out = static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1));
    if (out) std::vsnprintf(out, static_cast<size_t>(n) + 1, fmt, args);
  }
  va_end(args);
  return out;
}

int BASUtilityString::CompareVersion(const char* a, const char* b) {
  return cornerstone::CompareVersions(a ? a : "", b ? b : "");
}

int BASUtilityString::CompareVersion(const wchar_t* a, const wchar_t* b) {
  return cornerstone::CompareVersions(cornerstone::Narrow(a ? a : L""), cornerstone::Narrow(b ? b : L""));
}

// ---- BASUtilitySys ----

wchar_t* BASUtilitySys::GetAppDataDir() {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
    return nullptr;
  return HeapCopy(cornerstone::WithBackslash(path));
}

bool BASUtilitySys::GetNowDateTime(char* out, size_t size, const char* format) {
  if (!out || size == 0) return false;
  out[0] = '\0';
  if (!format) return false;
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_s(&local, &now) != 0) return false;
  return std::strftime(out, size, format, &local) > 0 || !*format;
}

// ---- BASUtilityWindow ----

RECT BASUtilityWindow::GetWindowRelativeRect(HWND hwnd) {
  RECT rect = {};
  if (!hwnd || !GetWindowRect(hwnd, &rect)) return rect;
  HWND parent = GetAncestor(hwnd, GA_PARENT);
  if (parent && parent != GetDesktopWindow()) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}
