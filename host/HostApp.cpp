// deskhost's entry point: platform start-up, settings, the main frame and its loop, and
// the orderly shutdown that lets the device service release its phones.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <gdiplus.h>

#include <cstdlib>
#include <string>

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/Alert.h"
#include "host/CommandBus.h"
#include "host/CrashReporting.h"
#include "host/HostDialogs.h"
#include "host/HostMessageLoop.h"
#include "host/HostState.h"
#include "host/MainFrame.h"
#include "host/Product.h"
#include "host/ThemeImages.h"

namespace {

bool Initialise() {
  HostState& host = Host();
  LoadThemeImages(host.imageCache, kDialogImages, 3);
  BASTrace("LoadAllPlugins");
  PrepareCrashDumpPath();
  RegisterCrashCallbacks();
  BASUserDefaults::InitStandardUserDefaults(product::kMakerName, product::DisplayName().c_str());

  wchar_t* install = BASUtilityApp::GetProductInstallDir();
  std::wstring installDir = install ? install : L"";
  std::free(install);
  BASTraceW(L"install_dir_temp: %ls", installDir.c_str());
  std::wstring settingsPath = installDir + product::kSettingsFileName;
  if (BASUserDefaults::InitUserDefaults(product::kSettingsDomain, settingsPath.c_str())) return true;

  ShowAlert(GetActiveWindow(), L"Load Option.json Fail:\n" + settingsPath, 520, 140, L"OK");
  std::wstring folder = settingsPath.substr(0, settingsPath.find_last_of(L'\\'));
  BASUtilityApp::OpenFolder(folder.c_str());
  return false;
}

int RunMainWindow(int showCommand) {
  HostMessageLoop loop;
  const DWORD thread = GetCurrentThreadId();
  HostMessageLoop::Register(thread, &loop);

  int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT rect;
  rect.left = std::abs(screenWidth - 984) / 2;
  rect.top = std::abs(screenHeight - 700) / 2;
  rect.right = rect.left + 984;
  rect.bottom = rect.top + 700;

  CMainFrame frame;
  if (!frame.CreateFrame(rect)) {
    BASTrace("CMainFrame: creation failed GetLastError: %lu", GetLastError());
    HostMessageLoop::Unregister(thread);
    return 0;
  }
  ShowWindow(frame.Hwnd(), showCommand);
  int result = loop.Run();
  HostMessageLoop::Unregister(thread);
  return result;
}

void Terminate() {
  CommandRecord record;
  CommandBus::Instance().Send(kCourierDestroyResource, &record);
  BASUserDefaults::StandardUserDefaults()->WriteAll();
  const std::wstring& dump = Host().dumpPath;
  RemoveEmptyLogFolder(dump.substr(0, dump.find_last_of(L'\\')));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand) {
  HostState& host = Host();
  host.processId = GetCurrentProcessId();
  WSADATA wsa;
  WSAStartup(514, &wsa);
  CoInitialize(nullptr);
  Gdiplus::GdiplusStartupInput gdiplusInput;
  ULONG_PTR gdiplusToken = 0;
  Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);
  DefWindowProcW(nullptr, WM_NULL, 0, 0);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  host.uiThreadId = GetCurrentThreadId();

  int exitCode = 0;
  try {
    if (Initialise()) exitCode = RunMainWindow(showCommand);
    Terminate();
  } catch (...) {
    BASTrace("deskhost: unexpected failure");
  }

  DestroyHostDialogs();
  FreeThemeImages(host.imageCache);
  Gdiplus::GdiplusShutdown(gdiplusToken);
  CoUninitialize();
  WSACleanup();
  host.shuttingDown = true;
  return exitCode;
}
