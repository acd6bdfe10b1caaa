#include "tests/caption/CaptionTestSupport.h"

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

namespace caption_test {
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

// Normal images a light square on a transparent ground, pressed ones a dark square, so a
// screenshot shows where each button lies and which one is pressed.
std::unique_ptr<Gdiplus::Bitmap> ButtonImage(bool pressed) {
  auto image = std::make_unique<Gdiplus::Bitmap>(kImageWidth, kImageHeight, PixelFormat32bppARGB);
  Gdiplus::Graphics g(image.get());
  g.Clear(Gdiplus::Color(0, 0, 0, 0));
  Gdiplus::SolidBrush brush(pressed ? Gdiplus::Color(255, 18, 110, 68) : Gdiplus::Color(255, 230, 245, 238));
  g.FillRectangle(&brush, 5, 4, kImageWidth - 10, kImageHeight - 8);
  return image;
}

const char* const kThemePaths[] = {
    "common\\close-normal.png",         "common\\close-pressed.png",
    "common\\main-maximize-normal.png", "common\\main-maximize-pressed.png",
    "common\\main-reset-normal.png",    "common\\main-reset-pressed.png",
    "common\\min-normal.png",           "common\\min-pressed.png",
    "common\\main-setting-normal.png",  "common\\main-setting-pressed.png",
    "common\\main-help-normal.png",     "common\\main-help-pressed.png",
    "common\\main-home-normal.png",     "common\\main-home-pressed.png",
};

class CaptionEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    m_gdiplus = std::make_unique<GdiplusSession>();
    ASSERT_TRUE(m_gdiplus->IsOk());
    SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", TempPath(L"caption-shell.txt").c_str());
    for (const char* path : kThemePaths)
      m_images[path] = ButtonImage(std::string(path).find("pressed") != std::string::npos);
    m_harness = std::make_unique<ModuleHarness>();
    InstallTheme();
    ASSERT_TRUE(m_harness->Load(ModuleHarness::PluginPath(L"libCaption"))) << m_harness->LoadError();
  }
  void TearDown() override {
    m_harness.reset();
    m_images.clear();
    m_gdiplus.reset();
  }

  std::unique_ptr<GdiplusSession> m_gdiplus;
  std::unique_ptr<ModuleHarness> m_harness;
  std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> m_images;
};

CaptionEnvironment* const g_env =
    static_cast<CaptionEnvironment*>(::testing::AddGlobalTestEnvironment(new CaptionEnvironment));

}  // namespace

ModuleHarness& Harness() { return *g_env->m_harness; }

void InstallTheme() {
  ImageCache& cache = Harness().Images();
  cache.clear();
  for (const auto& [path, image] : g_env->m_images) cache[path] = image.get();
}

void RemoveTheme() { Harness().Images().clear(); }

bool LoadUrlStore(const std::string& json) {
  const std::wstring path = TempPath(L"caption-option.json");
  {
    std::ofstream out(Narrow(path), std::ios::binary | std::ios::trunc);
    out << json;
  }
  return BASUserDefaults::InitUserDefaults("url", path.c_str());
}

std::string UrlJson(int taskVisible, bool withFeedback, const std::string& colors) {
  std::ostringstream json;
  json << "{\"url\":{";
  if (withFeedback) json << "\"feedback\":\"https://feedback.example/\",";
  json << "\"help\":\"https://help.example/\",\"question\":\"https://faq.example/\","
          "\"product\":\"https://product.example/\",\"support\":\"https://support.example/\","
          "\"facebook\":\"https://facebook.example/z\",\"twitter\":\"https://twitter.example/z\","
          "\"google\":\"https://google.example/z\"}";
  if (taskVisible >= 0) json << ",\"task\":{\"visible\":" << taskVisible << "}";
  if (!colors.empty()) json << ",\"color\":" << colors;
  json << "}";
  return json.str();
}

std::vector<std::string> ShellLog() { return testpump::ReadLines(Narrow(TempPath(L"caption-shell.txt"))); }

void ClearShellLog() { DeleteFileW(TempPath(L"caption-shell.txt").c_str()); }


TestFrame::TestFrame(int x, int y, int width, int height) {
  window.handleMessage = [this](UINT msg, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
    if (msg == WM_CLOSE || (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_MINIMIZE) || msg == WM_NCLBUTTONDOWN) {
      messages.push_back(msg);
      lastWParam = wp;
      lastLParam = lp;
      handled = true;
    }
    return 0;
  };
  window.Create(nullptr, L"CaptionTestFrame", L"frame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                MakeRect(x, y, width, height));
}

size_t TestFrame::Count(UINT msg) const {
  size_t count = 0;
  for (UINT seen : messages) count += seen == msg ? 1 : 0;
  return count;
}

HWND CreateTitlebar(HWND parent, const RECT& rect, const std::wstring& title, HICON icon) {
  TitleBarCreatePayload payload{rect, icon, title};
  CommandRecord record;
  record.window = parent;
  record.data = &payload;
  Harness().Send(kCaptionCreateTitlebar, record);
  return record.window;
}

void ChangeSize(int width, int height) {
  SizePayload size{width, height};
  CommandRecord record;
  record.data = &size;
  Harness().Send(kCaptionChangeSize, record);
}

HWND RightWindowOf(HWND bar) { return FindWindowExW(bar, nullptr, L"DhTitlebarRightWindow", nullptr); }

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void Click(HWND control, int x, int y) {
  SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
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

}  // namespace caption_test
