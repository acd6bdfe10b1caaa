// libHandset loaded once for the whole program through the module harness, with the product's
// theme images in the host image cache, a "url" store of known colours and addresses, and a
// host that answers the removal question and the Wi-Fi press as the test says. Each test builds
// its own frame and pane: the module makes a new pane once the previous one's window is gone.
#pragma once

#include "tests/harness/TestPump.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/handset/ConnectQuery.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

namespace handset_test {

constexpr int kFrameWidth = 984;
constexpr int kFrameHeight = 700;
// The content area the host gives the device pane, below the title bar.
constexpr RECT kPaneRect{1, 68, kFrameWidth - 1, kFrameHeight - 1};

// Colours of the test's "url" store.
constexpr COLORREF kStripColor = RGB(0xDD, 0xEE, 0xFF);
constexpr COLORREF kAccentColor = RGB(0x11, 0x22, 0x33);
constexpr COLORREF kSelectedColor = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kProgressColor = RGB(0x1E, 0x9E, 0x63);
constexpr char kSupportMail[] = "help@steward.example";
constexpr char kRootGuide[] = "https://root.example/guide";

ModuleHarness& Harness();

// What the BINGING_BUTTON and START_SCAN posts pointed to, read during the post.
struct EntrySeen {
  HWND tab = nullptr;
  HWND wizard = nullptr;
  int32_t firstIndex = -1;
  int32_t endIndex = -1;
  std::vector<int32_t> ids;
  std::vector<int32_t> parents;
  std::vector<int32_t> showCounts;
  std::vector<std::wstring> titles;
  std::vector<bool> hasImage;
};
std::vector<EntrySeen> BindingsSeen();
std::vector<EntrySeen> ScansSeen();
// What the host answers to the removal question: agree (sets `value` 0) or not.
void SetRemovalAnswer(bool agree);
void ClearSeen();

std::vector<std::string> ShellLog();
void ClearShellLog();

using testpump::Pump;
using testpump::PumpUntil;
void PumpFor(DWORD ms);

// A top-level stand-in for the main view, with the device pane in it.
class PaneFrame {
 public:
  PaneFrame();
  ~PaneFrame();
  HWND Frame() const { return m_frame.Hwnd(); }
  HWND Pane() const { return m_pane; }

 private:
  ProbeWindow m_frame;
  HWND m_pane = nullptr;
};

// The device tabs in strip order (the pane's buttons other than the Wi-Fi button).
std::vector<HWND> Tabs(HWND pane);
std::wstring TextOf(HWND hwnd);
RECT RectInParent(HWND child);
// The wizard of a tab, from the BINGING_BUTTON posts.
HWND WizardOf(HWND tab);

// UPDATE_DEVICE_INFO kind 2 as the host sends it when a phone arrives.
void BindPhone(const std::wstring& identifier, const DeviceRecord* device = nullptr);
// UPDATE_DEVICE_INFO kind 0 for the tab.
void RenamePhone(HWND tab, const DeviceRecord* device);
// SWITCH_CONNECT kind 1 for the tab.
void SendStatus(HWND tab, int32_t status, const wchar_t* text = nullptr, const char* narrowText = nullptr,
                int64_t total = 0, int64_t position = 0);
void ChangeSize(int width, int height);

LRESULT Query(HWND wizard, ConnectQuery what);
// A left press and release at (x, y) of the control, then the posted commands run.
void Click(HWND control, int x = 4, int y = 4);
void ClickCorner(HWND tab);
// The link control's click notice, as the control sends it to the wizard.
void ClickLink(HWND wizard, int id);
// What a window paints of itself, through WM_PRINTCLIENT.
std::unique_ptr<PixelCanvas> PaintOf(HWND hwnd);

}  // namespace handset_test
