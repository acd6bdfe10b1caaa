// Shows the device pane in one state on the display for a while, so a person can take and look
// at a screenshot:  handset_showcase STATE [SECONDS]
//   nodevice, download, detectfail, authorize, debughelp, installfail, installing, ready, tabs
// The product's own settings and theme are used, as deskhost would have them.
#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/DeviceRecord.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring ProductFolder() {
  wchar_t exe[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  std::wstring folder(exe, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + L"..\\product\\";
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

// The tabs and wizards the pane reported, in order.
std::vector<DeviceEntry> g_entries;

ModuleHarness* g_harness = nullptr;

void Bind(const wchar_t* identifier, const DeviceRecord* device) {
  CommandRecord record;
  record.value = kDeviceNoticeBind;
  record.payload = const_cast<wchar_t*>(identifier);
  record.data = const_cast<DeviceRecord*>(device);
  g_harness->Send(kHandsetUpdateDeviceInfo, record);
}

void Status(HWND tab, int32_t status, const wchar_t* text = nullptr, const char* narrow = nullptr, int64_t total = 0,
            int64_t position = 0) {
  CommandRecord record;
  record.value = kDeviceNoticeStatus;
  record.window = tab;
  record.entries = status;
  record.text = text;
  record.narrowText = narrow;
  record.total = total;
  record.position = position;
  g_harness->Send(kHandsetSwitchConnect, record);
}

// Paints the title bar's place so the pane sits as it does in the main frame.
void PaintFrame(HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT title{0, 0, client.right, 68};
  HBRUSH green = CreateSolidBrush(RGB(30, 158, 99));
  FillRect(dc, &title, green);
  DeleteObject(green);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring state = argc > 1 ? argv[1] : L"nodevice";
  const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 8;
  GdiplusSession gdiplus;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  const std::wstring product = ProductFolder();
  BASUserDefaults::InitUserDefaults("url", (product + L"Option.json").c_str());

  ModuleHarness harness;
  g_harness = &harness;
  // The pane looks for its images in the themes folder beside the program, which the test
  // programs' folder lacks; it then takes them from the host cache, filled here.
  std::vector<std::unique_ptr<Gdiplus::Bitmap>> images;
  for (const char* path : {"connect\\connect-wifi-normal.png",
                           "connect\\connect-wifi-pressed.png",
                           "common\\connected-phone.png",
                           "common\\device-close-normal.png",
                           "common\\device-close-pressed.png",
                           "connect\\connect-process-enable.png",
                           "connect\\connect-process-disable.png",
                           "connect\\phone.png",
                           "connect\\computer.png",
                           "connect\\connect-animation.gif",
                           "connect\\connect-break.png",
                           "connect\\debug\\debug-sucessed.png",
                           "connect\\debug\\android-2.0-debug.png",
                           "connect\\debug\\android-3.0-debug.png",
                           "connect\\debug\\android-4.2-debug.png",
                           "connect\\debug\\android-6.0-debug.png",
                           "connect\\debug\\allow-mtp-access.png",
                           "connect\\deriver-verify.png",
                           "connect\\downloading-driver.gif",
                           "connect\\download-failed.png"}) {
    std::wstring file = product + L"themes\\";
    for (const char* c = path; *c; ++c) file.push_back(static_cast<wchar_t>(*c));
    images.emplace_back(BASUtilityImage::GetBitmap(file.c_str(), 96, 96));
    harness.Images()[path] = images.back().get();
  }
  harness.SetHook(kHandsetBingingButton, [](CommandRecord& record) {
    const auto* entry = static_cast<const DeviceEntry*>(record.data);
    DeviceEntry copy;
    copy.tabWindow = entry->tabWindow;
    copy.wizardWindow = entry->wizardWindow;
    g_entries.push_back(copy);
    return 0;
  });
  if (!harness.Load(ModuleHarness::PluginPath(L"libHandset"))) {
    std::fprintf(stderr, "libHandset did not load: %lu\n", harness.LoadError());
    return 1;
  }

  ProbeWindow frame;
  frame.onPaint = PaintFrame;
  frame.Create(nullptr, L"HandsetShowcaseFrame", L"Zorvane Steward for Android", WS_POPUP | WS_VISIBLE, 0,
               MakeRect(0, 0, 984, 700));
  if (!frame.Hwnd()) {
    std::fprintf(stderr, "no frame (no display?)\n");
    return 1;
  }
  DeviceShowWindowBlock block{};
  block.rect = RECT{1, 68, 983, 699};
  CommandRecord show;
  show.window = frame.Hwnd();
  show.value = SW_SHOW;
  show.data = &block;
  harness.Send(kHandsetShowWindow, show);
  if (!show.window) return 1;

  DeviceRecord phone;
  phone.identifier = L"R58M41XYZ";
  phone.displayName = L"Aster One";
  phone.androidVersion = L"13";
  DeviceRecord moto;
  moto.identifier = L"ZY22G7";
  moto.modelName = L"moto g(9) play";
  if (state != L"nodevice") Bind(phone.identifier.c_str(), &phone);
  const HWND tab = g_entries.empty() ? nullptr : g_entries.front().tabWindow;

  if (state == L"download") {
    Status(tab, 4, L"Downloading the USB driver for Aster One", "https://drivers.zorvane.example/aster");
    Status(tab, 6, L"Downloading the USB driver for Aster One", nullptr, 3670016, 1258291);
  } else if (state == L"detectfail") {
    Status(tab, 0);
  } else if (state == L"authorize") {
    Status(tab, 17);
  } else if (state == L"debughelp") {
    Status(tab, 13);
  } else if (state == L"installfail") {
    Status(tab, 4, nullptr, "https://drivers.zorvane.example/aster");
    Status(tab, 11, L"Aster One (AS-7731), Android 13, USB\\VID_1D9A&PID_2201&MI_01");
  } else if (state == L"installing") {
    Status(tab, 4, nullptr, "https://drivers.zorvane.example/aster");
    Status(tab, 2);
  } else if (state == L"ready") {
    Status(tab, 22);
  } else if (state == L"tabs") {
    Bind(moto.identifier.c_str(), &moto);
    Status(tab, 9);
  }
  Pump(seconds * 1000);
  frame.Destroy();
  Pump(100);
  return 0;
}
