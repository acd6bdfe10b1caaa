// The title bar module loaded once for the whole program through the module harness, with a
// theme of small generated images, a "url" settings store written per test, the shell log that
// stands in for opened addresses, and a frame window that records what the bar asks of it.
#pragma once

#include "tests/harness/TestPump.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

namespace caption_test {

constexpr int kFrameWidth = 984;
constexpr int kBarHeight = 68;

// Ids of the bar's children.
constexpr int kDeviceTab = 5000;
constexpr int kToolkitTab = 5001;
constexpr int kTaskTab = 5002;
constexpr int kMinimise = 5050;
constexpr int kClose = 5051;
constexpr int kSettings = 5052;
constexpr int kHome = 5054;
constexpr int kHelp = 5055;
constexpr int kMaximise = 5058;
constexpr int kRestore = 5059;

// Size of every generated button image.
constexpr int kImageWidth = 22;
constexpr int kImageHeight = 20;

ModuleHarness& Harness();
// The theme the tests start from: every title bar image present.
void InstallTheme();
void RemoveTheme();

// Loads the "url" store from this JSON text.
bool LoadUrlStore(const std::string& json);
// A store with every address, the feedback address and "task:visible" as given (-1: absent).
std::string UrlJson(int taskVisible, bool withFeedback, const std::string& colors = "");

std::vector<std::string> ShellLog();
void ClearShellLog();

using testpump::Pump;
using testpump::PumpUntil;

// A top-level stand-in for the main frame: keeps close, minimise and caption presses to itself.
struct TestFrame {
  TestFrame(int x = 60, int y = 60, int width = kFrameWidth, int height = 300);
  ProbeWindow window;
  std::vector<UINT> messages;  // WM_CLOSE, WM_SYSCOMMAND, WM_NCLBUTTONDOWN as they came
  WPARAM lastWParam = 0;
  LPARAM lastLParam = 0;
  size_t Count(UINT msg) const;
};

// CREATE_TITLEBAR into `parent`; the window the module wrote back.
HWND CreateTitlebar(HWND parent, const RECT& rect, const std::wstring& title = L"Zorvane Steward",
                    HICON icon = nullptr);
void ChangeSize(int width, int height = 700);
HWND RightWindowOf(HWND bar);
RECT RectInParent(HWND child);
// A left press and release on the control, then the posted command runs.
void Click(HWND control, int x = 2, int y = 2);
// What a window paints of itself, through WM_PRINTCLIENT.
std::unique_ptr<PixelCanvas> PaintOf(HWND hwnd);

}  // namespace caption_test
