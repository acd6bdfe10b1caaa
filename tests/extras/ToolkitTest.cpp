// The toolkit page: the products read from Toolbox.json (also damaged ones), the tile geometry,
// the page over the product's own file and theme (sizes, scrolling, hover), and the module's
// commands as the host sends them.
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "modules/extras/DhToolkitDelegate.h"
#include "modules/extras/ToolkitCatalog.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/TestPump.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

namespace {

class Environment : public ::testing::Environment {
 public:
  void SetUp() override { gdiplus = std::make_unique<GdiplusSession>(); }
  void TearDown() override { gdiplus.reset(); }
  std::unique_ptr<GdiplusSession> gdiplus;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

std::wstring TestFolder() {
  wchar_t exe[MAX_PATH] = {};
  std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
  return path.substr(0, path.find_last_of(L"\\/") + 1);
}

std::wstring ProductFolder() { return TestFolder() + L"..\\product\\"; }

std::wstring WriteTemp(const char* name, const std::string& text) {
  const std::wstring path = TestFolder() + std::wstring(name, name + strlen(name));
  std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << text;
  return path;
}

TEST(ToolkitCatalogTest, ReadsEntriesLeniently) {
  const nlohmann::json products = nlohmann::json::parse(R"([
      {"name": "A", "description": "Über", "hot": "1", "logo": "a.png", "url": "https://a.example"},
      {"name": "B", "hot": "0"},
      "not an entry",
      {"name": "C"},
      {"name": "D", "hot": 2, "logo": 7}
    ])");
  const std::vector<ToolkitProduct> read = ReadToolkitProducts(&products);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_TRUE(read[0].hot);
  EXPECT_EQ(read[0].description, L"Über");
  EXPECT_EQ(read[0].url, "https://a.example");
  EXPECT_FALSE(read[1].hot);
  EXPECT_FALSE(read[2].hot);
  EXPECT_TRUE(read[2].logo.empty());
  EXPECT_TRUE(read[3].hot);
  EXPECT_TRUE(read[3].logo.empty());  // not a text

  const nlohmann::json object = nlohmann::json::object();
  EXPECT_TRUE(ReadToolkitProducts(&object).empty());
  EXPECT_TRUE(ReadToolkitProducts(nullptr).empty());
}

TEST(ToolkitCatalogTest, HotTilesFillTwoColumnsAboveOneRowOfNormalTiles) {
  const ToolkitLayout layout = LayOutToolkit(3, 2, 980);
  ASSERT_EQ(layout.hot.size(), 3u);
  EXPECT_EQ(layout.hot[0].left, 40);
  EXPECT_EQ(layout.hot[1].left, 520);
  EXPECT_EQ(layout.hot[2].left, 40);  // the third starts a new row
  EXPECT_EQ(layout.hot[2].top, 46 + 216);
  EXPECT_EQ(layout.hot[2].right - layout.hot[2].left, 410);
  const int bottom = 46 + 216 + 196;
  EXPECT_EQ(layout.hotArea.bottom, bottom);
  EXPECT_EQ(layout.hotArea.right, 940);
  ASSERT_EQ(layout.normal.size(), 2u);
  EXPECT_EQ(layout.normal[0].top, bottom + 72);
  EXPECT_EQ(layout.normal[1].left, 40 + 152);
  EXPECT_EQ(layout.normal[1].bottom - layout.normal[1].top, 172);
  EXPECT_EQ(layout.scrollRange, bottom + 172 + 102);

  const ToolkitLayout noHot = LayOutToolkit(0, 1, 600);
  EXPECT_EQ(noHot.normal[0].top, 196 + 72);
}

class ToolkitPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(BASWindow::RegisterWindowClass(L"ZsToolkitTestParent"));
    ASSERT_TRUE(parent.Create(nullptr, L"ZsToolkitTestParent", L"toolkit", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                              RECT{0, 0, 1000, 640}));
  }

  RECT TileRect(const DhProductView* tile) const {
    RECT rect = BASUtilityWindow::GetWindowRelativeRect(tile->Hwnd());
    return rect;
  }

  ProbeWindow parent;
};

TEST_F(ToolkitPageTest, ShowsEveryProductOfTheShippedFileWithItsLogo) {
  DhToolkitDelegate page;
  ASSERT_TRUE(page.CreateIn(parent.Hwnd(), RECT{0, 0, 980, 600}, ProductFolder() + L"Toolbox.json",
                            ProductFolder() + L"themes\\"));
  std::ifstream file((ProductFolder() + L"Toolbox.json").c_str());
  const nlohmann::json shipped = nlohmann::json::parse(file);
  size_t hot = 0, normal = 0;
  for (const auto& entry : shipped["product"]) (entry.value("hot", "0") != "0" ? hot : normal)++;
  EXPECT_EQ(page.HotTileCount(), hot);
  EXPECT_EQ(page.NormalTileCount(), normal);
  ASSERT_GT(hot, 0u);
  ASSERT_GT(normal, 0u);
  ShowWindow(page.Hwnd(), SW_SHOW);
  testpump::Pump();
  const RECT first = TileRect(page.Tile(true, 0));
  EXPECT_EQ(first.left, 40);
  EXPECT_EQ(first.top, 46);
  EXPECT_EQ(first.right - first.left, 410);
  const RECT small = TileRect(page.Tile(false, 0));
  EXPECT_EQ(small.right - small.left, 132);
  EXPECT_EQ(small.bottom - small.top, 172);
}

TEST_F(ToolkitPageTest, ScrollsWhenThePageIsShorterThanItsTiles) {
  DhToolkitDelegate page;
  ASSERT_TRUE(page.CreateIn(parent.Hwnd(), RECT{0, 0, 980, 600}, ProductFolder() + L"Toolbox.json",
                            ProductFolder() + L"themes\\"));
  ShowWindow(page.Hwnd(), SW_SHOW);
  page.ChangeSize(700, 300);
  testpump::Pump();
  RECT window{};
  GetWindowRect(page.Hwnd(), &window);
  EXPECT_EQ(window.right - window.left, 700);
  EXPECT_EQ(window.bottom - window.top, 300);
  const RECT before = TileRect(page.Tile(true, 0));
  SendMessageW(page.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_GT(page.ScrollPosition(), 0);
  EXPECT_EQ(TileRect(page.Tile(true, 0)).top, before.top - page.ScrollPosition());
  // Never past the end, however far the wheel turns.
  for (int i = 0; i < 50; ++i)
    SendMessageW(page.Hwnd(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  // The page ends 30 pixels below the row of normal tiles.
  EXPECT_EQ(TileRect(page.Tile(false, 0)).bottom, 300 - 30);
  SendMessageW(page.Hwnd(), WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(page.ScrollPosition(), 0);
}

TEST_F(ToolkitPageTest, ADamagedOrMissingFileLeavesAnEmptyPageAndAMissingLogoATileWithout) {
  for (const char* text : {"{\"product\": [ {\"name\": \"cut", "{\"product\": {\"name\": \"x\"}}", "\xff\xfe junk"}) {
    const std::wstring path = WriteTemp("toolbox-damaged.json", text);
    DhToolkitDelegate page;
    ASSERT_TRUE(page.CreateIn(parent.Hwnd(), RECT{0, 0, 500, 400}, path, ProductFolder() + L"themes\\"));
    EXPECT_EQ(page.HotTileCount() + page.NormalTileCount(), 0u) << text;
    DeleteFileW(path.c_str());
  }
  DhToolkitDelegate missing;
  ASSERT_TRUE(missing.CreateIn(parent.Hwnd(), RECT{0, 0, 500, 400}, TestFolder() + L"no-such-toolbox.json",
                               ProductFolder() + L"themes\\"));
  EXPECT_EQ(missing.HotTileCount() + missing.NormalTileCount(), 0u);

  const std::wstring path = WriteTemp("toolbox-logos.json",
                                      R"({"product": [{"name": "Gone", "hot": "1", "logo": "no-such-logo.png"},
                      {"name": "Climber", "logo": "..\\..\\Toolbox.json"}]})");
  DhToolkitDelegate page;
  ASSERT_TRUE(page.CreateIn(parent.Hwnd(), RECT{0, 0, 500, 400}, path, ProductFolder() + L"themes\\"));
  EXPECT_EQ(page.HotTileCount(), 1u);
  EXPECT_EQ(page.NormalTileCount(), 1u);
  ShowWindow(page.Hwnd(), SW_SHOW);
  UpdateWindow(page.Hwnd());
  DeleteFileW(path.c_str());
}

TEST(ToolkitModuleTest, ServesTheHostsCommands) {
  ModuleHarness harness;
  ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libExtras")));
  EXPECT_EQ(harness.RegisteredNames(),
            (std::vector<std::string>{kExtrasAddToolkit, kExtrasShowWindow, kExtrasChangeSize, kExtrasPressExport}));

  ProbeWindow view;
  ASSERT_TRUE(BASWindow::RegisterWindowClass(L"ZsToolkitTestView"));
  ASSERT_TRUE(
      view.Create(nullptr, L"ZsToolkitTestView", L"view", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{0, 0, 900, 600}));
  // The host sends it hidden at start, then shows and hides it with the category.
  ShowWindowPayload block = {RECT{1, 69, 881, 560}, view.Hwnd(), 0};
  CommandRecord show;
  show.window = view.Hwnd();
  show.value = SW_HIDE;
  show.data = &block;
  ASSERT_TRUE(harness.Send(kExtrasShowWindow, show));
  const HWND page = show.window;
  ASSERT_NE(page, view.Hwnd());
  EXPECT_EQ(GetParent(page), view.Hwnd());
  EXPECT_FALSE(IsWindowVisible(page));
  CommandRecord again;
  again.value = SW_SHOW;
  ASSERT_TRUE(harness.Send(kExtrasShowWindow, again));
  EXPECT_EQ(again.window, page);
  EXPECT_TRUE(IsWindowVisible(page));

  SizePayload size = {640, 420};
  CommandRecord resize;
  resize.data = &size;
  ASSERT_TRUE(harness.Send(kExtrasChangeSize, resize));
  RECT window{};
  GetWindowRect(page, &window);
  EXPECT_EQ(window.right - window.left, 640);
  EXPECT_EQ(window.bottom - window.top, 420);

  // ADD_TOOLKIT and PRESS_EXPORT change nothing.
  const HWND firstChild = GetWindow(page, GW_CHILD);
  CommandRecord add;
  ASSERT_TRUE(harness.Send(kExtrasAddToolkit, add));
  ASSERT_TRUE(harness.Send(kExtrasPressExport, add));
  testpump::Pump();
  EXPECT_EQ(GetWindow(page, GW_CHILD), firstChild);
  EXPECT_TRUE(IsWindow(page));
}

}  // namespace
