#include "tests/product/UserInput.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <cstring>

namespace usertest {

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

// A Unix program started from a Windows one hands back no process handle to wait on, so the
// shell marks the end of the command with a file.
bool RunUnix(const std::string& command) {
  static int counter = 0;
  char done[96];
  std::snprintf(done, sizeof done, "/tmp/zs-input-%lu-%d", GetCurrentProcessId(), ++counter);
  std::wstring doneWindows = L"Z:" + Wide(done);
  for (auto& c : doneWindows)
    if (c == L'/') c = L'\\';
  DeleteFileW(doneWindows.c_str());
  std::wstring line = L"Z:\\bin\\sh -c \"" + Wide(command) + L" >/dev/null 2>&1; touch " + Wide(done) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  const DWORD start = GetTickCount();
  while (GetFileAttributesW(doneWindows.c_str()) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount() - start > 15000) return false;
    Sleep(20);
  }
  DeleteFileW(doneWindows.c_str());
  return true;
}

bool RunUnixDetached(const std::string& command) {
  // In a session of its own, so it outlives the shell and holds none of its pipes.
  return RunUnix("setsid " + command + " &");
}

namespace {

std::string At(POINT p) { return std::to_string(p.x) + " " + std::to_string(p.y); }

}  // namespace

bool Xdotool(const std::string& args) { return RunUnix("xdotool " + args); }

bool Click(POINT at) { return Xdotool("mousemove " + At(at) + " sleep 0.05 click 1"); }

// In steps, as a hand moves, with pauses the program's live resizing can follow.
bool Drag(POINT from, POINT to) {
  std::string args = "mousemove " + At(from) + " sleep 0.1 mousedown 1 sleep 0.1";
  for (int i = 1; i <= 4; ++i) {
    const POINT step = {from.x + (to.x - from.x) * i / 4, from.y + (to.y - from.y) * i / 4};
    args += " mousemove " + At(step) + " sleep 0.1";
  }
  return Xdotool(args + " sleep 0.2 mouseup 1");
}

bool Key(const char* name) { return Xdotool(std::string("key ") + name); }

bool Wheel(POINT at, bool down, int notches) {
  return Xdotool("mousemove " + At(at) + " click --repeat " + std::to_string(notches) + " --delay 30 " +
                 (down ? "5" : "4"));
}

namespace {

// The file's name as the display's Unix programs know it; empty outside Wine.
std::string UnixPath(const std::wstring& path) {
  typedef char*(CDECL * UnixName)(const wchar_t*);
  auto toUnix = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = toUnix ? toUnix(path.c_str()) : nullptr;
  if (!unix) return std::string();
  const std::string copy(unix);
  HeapFree(GetProcessHeap(), 0, unix);
  return copy;
}

std::wstring ScreenshotPath(const std::wstring& name) {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring folder(program);
  folder = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"screenshots";
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\" + name;
}

}  // namespace

bool Screenshot(const std::wstring& name) {
  const std::string path = UnixPath(ScreenshotPath(name));
  return !path.empty() && RunUnix("import -window root '" + path + "'");
}

std::string DecodeQrOnScreen(const std::wstring& name) {
  const std::wstring shot = ScreenshotPath(name);
  const std::string path = UnixPath(shot);
  if (path.empty() || !RunUnix("import -window root '" + path + "'")) return std::string();
  // The braces keep zbarimg's own output from the runner's redirection.
  if (!RunUnix("{ zbarimg -q --raw '" + path + "' > '" + path + ".txt'; }")) return std::string();
  std::ifstream in((shot + L".txt").c_str(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::vector<uint32_t> ScreenPixels(const RECT& rect) {
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib && bits) {
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    std::memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
    SelectObject(memory, old);
    DeleteObject(dib);
  }
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  for (auto& p : pixels) p &= 0x00FFFFFFu;
  return pixels;
}

POINT CentreOf(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

}  // namespace usertest
