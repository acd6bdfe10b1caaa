// Process-wide state of the host: the window table, the image cache and the facts the
// start-up gathers. Everything here is touched on the UI thread only, except the
// shutting-down flag and the strings the crash callbacks read.
#pragma once

#include <windows.h>

#include <atomic>
#include <map>
#include <string>

#include "contracts/CommandRecord.h"
#include "host/DeviceMaps.h"

class CMainFrame;

enum WindowId {
  kWindowMainFrame = 1,
  kWindowMainView = 2,
  kWindowTitleBar = 3,
  kWindowExtras = 4,
  kWindowDevicePane = 6,
  kWindowTaskPane = 7,
};

struct HostState {
  DWORD processId = 0;
  DWORD uiThreadId = 0;
  std::wstring dumpPath;   // crash dump file
  std::wstring logFolder;  // per-process folder holding it
  std::atomic<bool> shuttingDown{false};
  ImageCache imageCache;
  std::map<std::string, HICON> icons;
  std::map<int, HWND> windows;
  CMainFrame* frame = nullptr;
  DeviceMaps devices;

  HWND Window(int id) const {
    auto it = windows.find(id);
    return it == windows.end() ? nullptr : it->second;
  }
};

HostState& Host();
