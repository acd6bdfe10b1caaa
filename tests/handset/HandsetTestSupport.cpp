#include "tests/handset/HandsetTestSupport.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>

namespace handset_test {
namespace {

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::string Narrow(const std::wstring& text) {
  std::string narrow;
  for (wchar_t c : text) narrow.push_back(static_cast<char>(c));
  return narrow;
}

std::wstring ProductThemes() {
  wchar_t exe[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
  std::wstring folder(exe, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  return folder + L"..\\product\\themes\\";
}

// Every theme image under `folder` (relative to the themes folder), by its theme path, as the
// host cache would hold it. The module finds its own set there, its theme folder being missing
// beside the test programs.
void LoadThemeImages(const std::wstring& themes, const std::wstring& folder, ImageCache& cache,
                     std::vector<std::unique_ptr<Gdiplus::Bitmap>>& owned) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = FindFirstFileW((themes + folder + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      LoadThemeImages(themes, folder + name + L"\\", cache, owned);
    } else if (Gdiplus::Bitmap* image = BASUtilityImage::GetBitmap((themes + folder + name).c_str(), 96, 96)) {
      owned.emplace_back(image);
      cache[Narrow(folder + name)] = image;
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

std::mutex g_seenLock;
std::vector<EntrySeen> g_bindings;
std::vector<EntrySeen> g_scans;
bool g_agreeToRemove = false;
const std::wstring kProductName = L"Zorvane Steward for Android";

EntrySeen Capture(const CommandRecord& record) {
  EntrySeen seen;
  const auto* entry = static_cast<const DeviceEntry*>(record.data);
  if (!entry) return seen;
  seen.tab = entry->tabWindow;
  seen.wizard = entry->wizardWindow;
  seen.firstIndex = entry->sections.firstIndex;
  seen.endIndex = entry->sections.endIndex;
  for (int32_t i = entry->sections.UsedBegin(); i < entry->sections.UsedEnd(); ++i) {
    const SectionItem& item = entry->sections.entries[i];
    seen.ids.push_back(item.id);
    seen.parents.push_back(item.parentId);
    seen.showCounts.push_back(item.showCount);
    seen.titles.push_back(item.title);
    seen.hasImage.push_back(item.image != nullptr);
  }
  return seen;
}

class HandsetEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_gdiplus = std::make_unique<GdiplusSession>();
    ASSERT_TRUE(m_gdiplus->IsOk());
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&controls);
    SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", TempPath(L"handset-shell.txt").c_str());
    WriteUrlStore();

    m_harness = std::make_unique<ModuleHarness>();
    for (const wchar_t* folder : {L"connect\\", L"common\\"})
      LoadThemeImages(ProductThemes(), folder, m_harness->Images(), m_images);
    ASSERT_TRUE(m_harness->Images().count("connect\\connect-animation.gif")) << "theme images missing";
    m_harness->SetHook(kHandsetBingingButton, [](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(g_seenLock);
      g_bindings.push_back(Capture(record));
      return 0;
    });
    m_harness->SetHook(kHandsetStartScan, [](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(g_seenLock);
      g_scans.push_back(Capture(record));
      return 0;
    });
    m_harness->SetHook(kHandsetRemoveDevice, [](CommandRecord& record) {
      if (record.value != 0 && g_agreeToRemove) record.value = 0;
      return 0;
    });
    m_harness->SetHook(kHandsetPressWifiButton, [](CommandRecord& record) {
      record.text = kProductName.c_str();
      return 0;
    });
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libHandset"))) << m_harness->LoadError();
  }

  void TearDown() override {
    m_harness.reset();
    m_images.clear();
    m_gdiplus.reset();
  }

  static void WriteUrlStore() {
    const std::wstring path = TempPath(L"handset-option.json");
    {
      std::ofstream out(Narrow(path), std::ios::binary | std::ios::trunc);
      out << "{\"url\":{\"root\":\"" << kRootGuide << "\"},\"email\":{\"support\":\"" << kSupportMail
          << "\"},\"color\":{\"title\":{\"background\":\"#1E9E63\",\"category\":{\"background\":\"#112233\"}},"
             "\"common\":{\"button\":{\"normal\":\"#1E9E63\",\"pressed\":\"#168A57\"}},"
             "\"debug\":{\"button\":{\"pressed\":\"#168A57\"}},"
             "\"mydevice\":{\"devicelist\":{\"background\":\"#DDEEFF\",\"selected\":{\"background\":\"#FFFFFF\"}}}}}";
    }
    ASSERT_TRUE(BASUserDefaults::InitUserDefaults("url", path.c_str()));
  }

  std::unique_ptr<GdiplusSession> m_gdiplus;
  std::unique_ptr<ModuleHarness> m_harness;
  std::vector<std::unique_ptr<Gdiplus::Bitmap>> m_images;
};

HandsetEnvironment* const g_env =
    static_cast<HandsetEnvironment*>(::testing::AddGlobalTestEnvironment(new HandsetEnvironment));

}  // namespace

ModuleHarness& Harness() { return *g_env->m_harness; }

std::vector<EntrySeen> BindingsSeen() {
  std::lock_guard<std::mutex> lock(g_seenLock);
  return g_bindings;
}

std::vector<EntrySeen> ScansSeen() {
  std::lock_guard<std::mutex> lock(g_seenLock);
  return g_scans;
}

void SetRemovalAnswer(bool agree) { g_agreeToRemove = agree; }

void ClearSeen() {
  std::lock_guard<std::mutex> lock(g_seenLock);
  g_bindings.clear();
  g_scans.clear();
}

std::vector<std::string> ShellLog() { return testpump::ReadLines(Narrow(TempPath(L"handset-shell.txt"))); }

void ClearShellLog() { DeleteFileW(TempPath(L"handset-shell.txt").c_str()); }


void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    Pump();
    Sleep(5);
  }
}

PaneFrame::PaneFrame() {
  ClearSeen();
  Harness().ClearPosts();
  SetRemovalAnswer(false);
  m_frame.Create(nullptr, L"HandsetTestFrame", L"frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                 MakeRect(40, 20, kFrameWidth, kFrameHeight));
  if (!m_frame.Hwnd()) return;
  DeviceShowWindowBlock block{};
  block.rect = kPaneRect;
  CommandRecord record;
  record.window = m_frame.Hwnd();
  record.value = SW_SHOW;
  record.data = &block;
  Harness().Send(kHandsetShowWindow, record);
  m_pane = record.window;
  Pump();
}

PaneFrame::~PaneFrame() {
  m_frame.Destroy();
  Pump();
}

std::vector<HWND> Tabs(HWND pane) {
  std::vector<HWND> tabs;
  for (HWND child = FindWindowExW(pane, nullptr, L"BUTTON", nullptr); child;
       child = FindWindowExW(pane, child, L"BUTTON", nullptr))
    if (GetDlgCtrlID(child) != 6001) tabs.push_back(child);
  std::sort(tabs.begin(), tabs.end(), [](HWND a, HWND b) { return RectInParent(a).left < RectInParent(b).left; });
  return tabs;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 255);
  return text;
}

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

HWND WizardOf(HWND tab) {
  for (const EntrySeen& seen : BindingsSeen())
    if (seen.tab == tab) return seen.wizard;
  return nullptr;
}

void BindPhone(const std::wstring& identifier, const DeviceRecord* device) {
  CommandRecord record;
  record.value = kDeviceNoticeBind;
  record.payload = const_cast<wchar_t*>(identifier.c_str());
  record.data = const_cast<DeviceRecord*>(device);
  Harness().Send(kHandsetUpdateDeviceInfo, record);
  Pump();
}

void RenamePhone(HWND tab, const DeviceRecord* device) {
  CommandRecord record;
  record.value = kDeviceNoticeName;
  record.window = tab;
  record.data = const_cast<DeviceRecord*>(device);
  Harness().Send(kHandsetUpdateDeviceInfo, record);
  Pump();
}

void SendStatus(HWND tab, int32_t status, const wchar_t* text, const char* narrowText, int64_t total,
                int64_t position) {
  CommandRecord record;
  record.value = kDeviceNoticeStatus;
  record.window = tab;
  record.entries = status;
  record.text = text;
  record.narrowText = narrowText;
  record.total = total;
  record.position = position;
  Harness().Send(kHandsetSwitchConnect, record);
  Pump();
}

void ChangeSize(int width, int height) {
  SizePayload size{width, height};
  CommandRecord record;
  record.data = &size;
  Harness().Send(kHandsetChangeSize, record);
  Pump();
}

LRESULT Query(HWND wizard, ConnectQuery what) { return SendMessageW(wizard, kConnectQueryMessage, what, 0); }

void Click(HWND control, int x, int y) {
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Pump();
}

void ClickCorner(HWND tab) {
  RECT client{};
  GetClientRect(tab, &client);
  // The remove mark: 14 x 14 at 4 from the right edge, 2 from the top.
  Click(tab, client.right - 4 - 7, 2 + 7);
}

void ClickLink(HWND wizard, int id) {
  NMLINK link{};
  link.hdr.hwndFrom = GetDlgItem(wizard, id);
  link.hdr.idFrom = static_cast<UINT_PTR>(id);
  link.hdr.code = NM_CLICK;
  SendMessageW(wizard, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&link));
  Pump();
}

std::unique_ptr<PixelCanvas> PaintOf(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  auto canvas =
      std::make_unique<PixelCanvas>(std::max<int>(1, client.right), std::max<int>(1, client.bottom), RGB(255, 0, 255));
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
  return canvas;
}

}  // namespace handset_test
