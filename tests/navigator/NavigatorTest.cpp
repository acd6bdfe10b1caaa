// libNavigator through the bus, as the host drives it: one navigator per parent, the tree it
// builds, what clicks and SELECT_FIRST report, count updates from another thread, and the rows as
// painted with a theme of solid squares whose colours tell arrows and icons apart.
#include "contracts/CommandNames.h"
#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "modules/navigator/SectionTreeModel.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/TraceCapture.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kArrow = 12;
constexpr int kIcon = 24;
constexpr COLORREF kCollapsed = RGB(220, 0, 0);
constexpr COLORREF kExpanded = RGB(0, 0, 220);
constexpr COLORREF kIconColor = RGB(0, 160, 0);
constexpr COLORREF kBackground = RGB(0xF4, 0xF7, 0xF6);  // the built-in colours
constexpr COLORREF kSelected = RGB(0xD9, 0xF0, 0xE4);
constexpr int kArrowX = 20;  // a gap in from the row's left
constexpr int kIconX = 52;   // arrow x + arrow + gap
constexpr int kTitleX = 96;  // icon x + icon + gap
constexpr int kChildTitleX = 84;
const char kRightArrow[] = "common\\section\\section-right.png";

std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    gdiplus = std::make_unique<GdiplusSession>();
    ASSERT_TRUE(gdiplus->IsOk());
    const auto solid = [](int size, COLORREF color) {
      auto image = std::make_unique<Gdiplus::Bitmap>(size, size, PixelFormat32bppARGB);
      Gdiplus::Graphics(image.get()).Clear(Gdiplus::Color(255, GetRValue(color), GetGValue(color), GetBValue(color)));
      return image;
    };
    images[kRightArrow] = solid(kArrow, kCollapsed);
    images["common\\section\\section-down.png"] = solid(kArrow, kExpanded);
    for (const StandardSection& section : kStandardSections)
      if (section.iconPath) images[section.iconPath] = solid(kIcon, kIconColor);
    // The product's own images, for a look at the real thing.
    wchar_t exe[MAX_PATH] = {};
    std::wstring themes(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    themes = themes.substr(0, themes.find_last_of(L"\\/") + 1) + L"..\\product\\themes\\";
    for (const auto& entry : images)
      if (Gdiplus::Bitmap* real = BASUtilityImage::GetBitmap((themes + Wide(entry.first.c_str())).c_str(), 96, 96))
        product[entry.first].reset(real);
    harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(harness->Load(ModuleHarness::PluginPath(L"libNavigator"))) << harness->LoadError();
  }
  void TearDown() override {
    harness.reset();
    images.clear();
    product.clear();
    gdiplus.reset();
  }
  void Install(const std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>>& set) {
    harness->Images().clear();
    for (const auto& entry : set) harness->Images()[entry.first] = entry.second.get();
  }

  std::unique_ptr<GdiplusSession> gdiplus;
  std::unique_ptr<ModuleHarness> harness;
  std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> images, product;
};
Environment* const g_env = static_cast<Environment*>(::testing::AddGlobalTestEnvironment(new Environment));
ModuleHarness& Harness() { return *g_env->harness; }

bool LoadUrlStore(const std::string& json) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"navigator-option.json";
  std::ofstream(std::string(path.begin(), path.end()), std::ios::binary | std::ios::trunc) << json;
  return BASUserDefaults::InitUserDefaults("url", path.c_str());
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// A top-level window in place of a phone's wizard window.
struct TestParent {
  explicit TestParent(int x = 40, int height = 480) {
    window.Create(nullptr, L"NavigatorTestParent", L"wizard", WS_POPUP | WS_VISIBLE, 0, MakeRect(x, 40, 520, height));
  }
  ~TestParent() {
    window.Destroy();
    Pump();
  }
  HWND Hwnd() const { return window.Hwnd(); }
  ProbeWindow window;
};

struct Row {
  int32_t id, parentId;
  bool showCount;
  const wchar_t* title;
  const char* icon;
};
SectionList ListOf(std::initializer_list<Row> rows) {
  SectionList list;
  for (const Row& row : rows) {
    SectionItem& item = list.entries[list.endIndex++];
    item = {row.id, row.parentId, row.showCount, FindImage(&Harness().Images(), row.icon), row.title};
  }
  return list;
}
SectionList StandardList() {
  SectionList list;
  BuildStandardSectionList(&Harness().Images(), list);
  return list;
}

HWND NavigatorOf(HWND parent) { return FindWindowExW(parent, nullptr, L"DhSectionDelegate", nullptr); }
HWND TreeOf(HWND navigator) { return GetDlgItem(navigator, 5000); }

HWND CreateNavigator(HWND parent, const SectionList& list) {
  CommandRecord record;
  record.window = parent;
  record.data = const_cast<SectionList*>(&list);
  Harness().Send(kNavigatorCreateWindow, record);
  EXPECT_EQ(record.window, parent) << "no window handle is written back";
  return NavigatorOf(parent);
}

void SendTo(const char* name, HWND parent, int64_t value = 0) {
  CommandRecord record;
  record.window = parent;
  record.value = value;
  Harness().Send(name, record);
}

void SendCount(HWND parent, int32_t id, int32_t count) {
  SectionItemDescriptor update{id, count};
  CommandRecord record;
  record.window = parent;
  record.payload = &update;
  Harness().Send(kNavigatorUpdateItem, record);
}

void Collect(HWND tree, HTREEITEM item, std::vector<HTREEITEM>& items) {
  for (; item; item = TreeView_GetNextSibling(tree, item)) {
    items.push_back(item);
    Collect(tree, TreeView_GetChild(tree, item), items);
  }
}
std::vector<HTREEITEM> AllItems(HWND tree) {
  std::vector<HTREEITEM> items;
  Collect(tree, TreeView_GetRoot(tree), items);
  return items;
}
const SectionRow* RowOf(HWND tree, HTREEITEM item) {
  TVITEMW query{};
  query.mask = TVIF_HANDLE | TVIF_PARAM;
  query.hItem = item;
  return item && TreeView_GetItem(tree, &query) ? reinterpret_cast<const SectionRow*>(query.lParam) : nullptr;
}
HTREEITEM ItemOf(HWND tree, int32_t id) {
  for (HTREEITEM item : AllItems(tree))
    if (RowOf(tree, item)->id == id) return item;
  return nullptr;
}
int32_t CountOf(HWND tree, int32_t id) { return RowOf(tree, ItemOf(tree, id))->count; }
int32_t SelectedId(HWND tree) {
  const SectionRow* row = RowOf(tree, TreeView_GetSelection(tree));
  return row ? row->id : 0;
}
bool IsExpanded(HWND tree, int32_t id) { return TreeView_GetItemState(tree, ItemOf(tree, id), TVIS_EXPANDED) != 0; }
RECT RowRect(HWND tree, int32_t id) {
  RECT rect{};
  TreeView_GetItemRect(tree, ItemOf(tree, id), &rect, FALSE);
  rect.bottom = rect.top + TreeView_GetItemHeight(tree);  // Wine reports the bottom inclusively
  return rect;
}
int MidY(const RECT& row) { return (row.top + row.bottom) / 2; }
RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}
bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

void ClickAt(HWND tree, int x, int32_t id) {
  const LPARAM at = MAKELPARAM(x, MidY(RowRect(tree, id)));
  SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(tree, WM_LBUTTONUP, 0, at);
  Pump();
}

// SELECT_ITEM posts as {window, previous id, new id}; `value` must always be 0.
struct Selection {
  HWND window;
  int64_t previous, current;
  bool operator==(const Selection& o) const {
    return window == o.window && previous == o.previous && current == o.current;
  }
};
std::ostream& operator<<(std::ostream& out, const Selection& s) {
  return out << s.window << ":" << s.previous << "->" << s.current;
}
std::vector<Selection> SelectionPosts() {
  std::vector<Selection> posts;
  for (const PostedCommand& post : Harness().PostsNamed(kNavigatorSelectItem)) {
    EXPECT_EQ(post.record.value, 0);
    posts.push_back({post.record.window, post.record.total, post.record.position});
  }
  return posts;
}

std::unique_ptr<PixelCanvas> PaintOf(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  auto canvas =
      std::make_unique<PixelCanvas>(std::max(1L, client.right), std::max(1L, client.bottom), RGB(255, 0, 255));
  SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
  return canvas;
}
// The first column from the left (or the right) in `band` holding text or badge ink; -1 if none.
int InkColumn(const PixelCanvas& canvas, const RECT& band, bool fromRight = false) {
  for (int i = 0; i < band.right - band.left; ++i) {
    const int x = fromRight ? band.right - 1 - i : band.left + i;
    for (int y = band.top; y < band.bottom; ++y) {
      const COLORREF c = canvas.Pixel(x, y);
      if (GetRValue(c) < 110 && GetGValue(c) < 110 && GetBValue(c) < 110) return x;
    }
  }
  return -1;
}
RECT Band(const RECT& row, int left, int right) { return RECT{left, row.top, right, row.bottom}; }

// Where a badge for `digits` begins, from the text width in the rows' font.
int BadgeLeft(const RECT& row, const wchar_t* digits) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HFONT font = BASUtilityApp::GetFont(16, false, L"Arial");
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, digits, static_cast<int>(wcslen(digits)), &size);
  DeleteObject(SelectObject(dc, old));
  DeleteDC(dc);
  return row.right - size.cx - 16;
}

class NavigatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_env->Install(g_env->images);
    ASSERT_TRUE(LoadUrlStore("{}"));
    ASSERT_TRUE(parent.Hwnd());
    Harness().ClearPosts();
  }
  // A shown navigator of the standard sections under `parent`.
  HWND Standard() {
    navigator = CreateNavigator(parent.Hwnd(), StandardList());
    SendTo(kNavigatorShowWindow, parent.Hwnd());
    tree = TreeOf(navigator);
    EXPECT_TRUE(navigator && tree);
    return tree;
  }
  TestParent parent;
  HWND navigator = nullptr;
  HWND tree = nullptr;
};

}  // namespace

TEST(NavigatorModule, RegistersItsEightCommandsInOrderAndDropsEmptyRecords) {
  const std::vector<std::string> expected = {kNavigatorShowWindow,  kNavigatorSelectItem,   kNavigatorUpdateItem,
                                             kNavigatorChangeSize,  kNavigatorHideWindow,   kNavigatorCreateWindow,
                                             kNavigatorSelectFirst, kNavigatorSelectSection};
  EXPECT_EQ(Harness().RegisteredNames(), expected);
  for (const Registration& registration : Harness().Registrations())
    EXPECT_EQ(registration.instance, Harness().Module());
  Harness().Send(kNavigatorCreateWindow, nullptr);
  CommandRecord empty;
  for (const std::string& name : expected) Harness().Send(name.c_str(), empty);
  EXPECT_TRUE(Harness().Posts().empty());
}

TEST_F(NavigatorTest, CreatesAHiddenPaneWithTheSectionTreeOncePerParent) {
  TraceCapture trace;
  Standard();
  SendTo(kNavigatorHideWindow, parent.Hwnd());
  const std::vector<std::string> lines = trace.Stop();
  ASSERT_TRUE(tree);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].rfind("DhSectionDelegate: ", 0), 0u) << lines[0];
  EXPECT_EQ(std::strtoul(lines[0].c_str() + 19, nullptr, 16), reinterpret_cast<uintptr_t>(navigator));
  EXPECT_TRUE(RectInParent(navigator) == MakeRect(0, 1, 216, 478));
  EXPECT_TRUE(RectInParent(tree) == MakeRect(0, 4, 216, 478 - 4 - 60));
  EXPECT_EQ(TreeView_GetItemHeight(tree), 40);
  wchar_t text[8] = {};
  GetWindowTextW(tree, text, 8);
  EXPECT_STREQ(text, L"Tree");

  std::vector<std::pair<int32_t, int32_t>> shape;  // id, parent id in tree order
  for (HTREEITEM item : AllItems(tree)) {
    const SectionRow* up = RowOf(tree, TreeView_GetParent(tree, item));
    shape.emplace_back(RowOf(tree, item)->id, up ? up->id : 0);
  }
  EXPECT_EQ(shape, (std::vector<std::pair<int32_t, int32_t>>{
                       {1, 0}, {2, 0}, {3, 2}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 7}, {9, 0}, {10, 0}}));
  EXPECT_FALSE(IsExpanded(tree, 2) || IsExpanded(tree, 7));
  EXPECT_EQ(SelectedId(tree), 0);

  // A second CREATE_WINDOW for the same parent adds nothing.
  EXPECT_EQ(CreateNavigator(parent.Hwnd(), ListOf({{42, 0, true, L"Other", nullptr}})), navigator);
  EXPECT_EQ(FindWindowExW(parent.Hwnd(), navigator, L"DhSectionDelegate", nullptr), nullptr);
  EXPECT_EQ(AllItems(tree).size(), 10u);
  EXPECT_TRUE(Harness().Posts().empty());
}

TEST_F(NavigatorTest, CommandsReachOnlyTheNavigatorOfTheirParent) {
  Standard();
  TestParent other(600), bystander(40, 200);
  const HWND second = CreateNavigator(other.Hwnd(), StandardList());
  ASSERT_TRUE(second && second != navigator);
  EXPECT_TRUE(IsWindowVisible(navigator));
  EXPECT_FALSE(IsWindowVisible(second));
  SendTo(kNavigatorShowWindow, other.Hwnd(), SW_HIDE);  // the show flag is not read
  SendTo(kNavigatorHideWindow, parent.Hwnd());
  EXPECT_FALSE(IsWindowVisible(navigator));
  EXPECT_TRUE(IsWindowVisible(second));

  SendTo(kNavigatorSelectFirst, other.Hwnd());
  EXPECT_EQ(SelectionPosts(), (std::vector<Selection>{{second, 0, 1}}));
  EXPECT_EQ(SelectedId(tree), 0);
  SendCount(parent.Hwnd(), kSectionContacts, 7);
  SendCount(bystander.Hwnd(), kSectionContacts, 3);
  Pump();
  EXPECT_EQ(CountOf(tree, kSectionContacts), 7);
  EXPECT_EQ(CountOf(TreeOf(second), kSectionContacts), 0);

  SetWindowPos(parent.Hwnd(), nullptr, 0, 0, 520, 360, SWP_NOMOVE | SWP_NOZORDER);
  SetWindowPos(other.Hwnd(), nullptr, 0, 0, 520, 360, SWP_NOMOVE | SWP_NOZORDER);
  SendTo(kNavigatorChangeSize, parent.Hwnd());
  EXPECT_TRUE(RectInParent(navigator) == MakeRect(0, 1, 216, 358));
  EXPECT_TRUE(RectInParent(tree) == MakeRect(0, 4, 216, 354));
  EXPECT_TRUE(RectInParent(second) == MakeRect(0, 1, 216, 478));

  // No navigator: every command but CREATE_WINDOW is dropped; SELECT_ITEM is the host's.
  Harness().ClearPosts();
  for (const char* name : {kNavigatorShowWindow, kNavigatorChangeSize, kNavigatorSelectFirst, kNavigatorSelectItem})
    SendTo(name, bystander.Hwnd());
  SendTo(kNavigatorSelectItem, parent.Hwnd());
  EXPECT_EQ(NavigatorOf(bystander.Hwnd()), nullptr);
  EXPECT_TRUE(Harness().Posts().empty());
}

// The Home page's links: the section is selected (its folded parent opened) and reported as a
// click would be; an id the phone lacks changes nothing.
TEST_F(NavigatorTest, SelectSectionReportsTheSectionAsAClickWould) {
  Standard();
  SendTo(kNavigatorSelectFirst, parent.Hwnd());
  SendTo(kNavigatorSelectSection, parent.Hwnd(), kSectionPhoneGallery);
  EXPECT_EQ(SelectedId(tree), kSectionPhoneGallery);
  SendTo(kNavigatorSelectSection, parent.Hwnd(), 42);
  EXPECT_EQ(SelectedId(tree), kSectionPhoneGallery);
  EXPECT_EQ(SelectionPosts(),
            (std::vector<Selection>{{navigator, 0, kSectionHome}, {navigator, kSectionHome, kSectionPhoneGallery}}));
}

TEST_F(NavigatorTest, SelectFirstReportsTheLowestSectionAfreshEveryTime) {
  Standard();
  SendTo(kNavigatorSelectFirst, parent.Hwnd());
  SendTo(kNavigatorSelectFirst, parent.Hwnd());  // "Home" already selected: reported again
  ClickAt(tree, 150, kSectionContacts);
  SendTo(kNavigatorSelectFirst, parent.Hwnd());
  EXPECT_EQ(SelectedId(tree), kSectionHome);
  EXPECT_EQ(SelectionPosts(),
            (std::vector<Selection>{{navigator, 0, 1}, {navigator, 0, 1}, {navigator, 1, 4}, {navigator, 0, 1}}));

  TestParent empty(600, 200), nested(600, 300);
  ASSERT_TRUE(CreateNavigator(empty.Hwnd(), SectionList()));
  // The lowest id wins wherever its slot is, even under a folded parent.
  const HWND third =
      CreateNavigator(nested.Hwnd(), ListOf({{9, 0, true, L"Videos", nullptr}, {5, 9, true, L"Clips", nullptr}}));
  Harness().ClearPosts();
  SendTo(kNavigatorSelectFirst, empty.Hwnd());
  SendTo(kNavigatorSelectFirst, nested.Hwnd());
  EXPECT_EQ(SelectionPosts(), (std::vector<Selection>{{third, 0, 5}}));
}

TEST_F(NavigatorTest, ClicksFoldOnTheArrowSelectElsewhereAndReportOnlyChanges) {
  Standard();
  // On the arrow, both edges included: fold or unfold only.
  for (int x : {kArrowX + 6, kArrowX, kArrowX + kArrow, kArrowX + 6}) ClickAt(tree, x, kSectionApps);
  EXPECT_FALSE(IsExpanded(tree, kSectionApps));
  ClickAt(tree, kArrowX + 6, kSectionApps);
  EXPECT_TRUE(IsExpanded(tree, kSectionApps));
  EXPECT_TRUE(SelectionPosts().empty());
  EXPECT_EQ(SelectedId(tree), 0);

  ClickAt(tree, kArrowX + 6, kSectionApps);
  ClickAt(tree, kArrowX + kArrow + 1, kSectionApps);  // beside the arrow: unfold and select
  EXPECT_TRUE(IsExpanded(tree, kSectionApps));
  ClickAt(tree, 150, kSectionApps);  // no change, no report
  ClickAt(tree, 150, kSectionUserApps);
  ClickAt(tree, kArrowX + 6, kSectionHome);  // no children: selects wherever pressed
  const RECT books = RowRect(tree, kSectionBooks);
  for (int x : {kArrowX + 6, 100}) {
    SendMessageW(tree, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, books.bottom + 10));  // below the rows
    SendMessageW(tree, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(kArrowX + 6, MidY(RowRect(tree, kSectionApps))));
  }
  Pump();
  EXPECT_EQ(SelectedId(tree), kSectionHome);
  EXPECT_TRUE(IsExpanded(tree, kSectionApps));
  EXPECT_EQ(SelectionPosts(), (std::vector<Selection>{{navigator, 0, 2}, {navigator, 2, 3}, {navigator, 3, 1}}));
}

TEST_F(NavigatorTest, CountUpdatesFromAnotherThreadAreAppliedOnThePaneThread) {
  Standard();
  const RECT row = RowRect(tree, kSectionContacts);
  const RECT badge = Band(row, 170, row.right);
  EXPECT_EQ(InkColumn(*PaintOf(tree), badge), BadgeLeft(row, L"0"));
  std::thread loader([&] {
    for (int32_t count = 1; count <= 300; ++count) SendCount(parent.Hwnd(), kSectionContacts, count);
    SendCount(parent.Hwnd(), 99, 5);  // no such row
  });
  // Meanwhile phones arrive here: the map the loader reads grows under it.
  std::vector<std::unique_ptr<TestParent>> phones;
  for (int i = 0; i < 12; ++i) {
    phones.push_back(std::make_unique<TestParent>(600, 200));
    CreateNavigator(phones.back()->Hwnd(), StandardList());
  }
  loader.join();
  EXPECT_EQ(CountOf(tree, kSectionContacts), 0) << "applied only when this thread runs its messages";
  Pump();
  EXPECT_EQ(CountOf(tree, kSectionContacts), 300);
  for (HTREEITEM item : AllItems(tree)) EXPECT_EQ(RowOf(tree, item)->count, RowOf(tree, item)->id == 4 ? 300 : 0);

  const auto canvas = PaintOf(tree);
  EXPECT_EQ(InkColumn(*canvas, badge), BadgeLeft(row, L"300"));  // wider to the left,
  EXPECT_EQ(InkColumn(*canvas, badge, true), row.right - 9);     // right edge in place
}

TEST_F(NavigatorTest, ANavigatorGoesWithItsWindowAndItsParentCanHaveANewOne) {
  Standard();
  SendCount(parent.Hwnd(), kSectionContacts, 9);  // still queued when the window goes
  DestroyWindow(navigator);
  for (const char* name : {kNavigatorShowWindow, kNavigatorSelectFirst, kNavigatorChangeSize})
    SendTo(name, parent.Hwnd());
  SendCount(parent.Hwnd(), kSectionContacts, 10);
  Pump();
  EXPECT_TRUE(Harness().Posts().empty());
  const HWND replacement = CreateNavigator(parent.Hwnd(), StandardList());
  ASSERT_TRUE(replacement);
  EXPECT_EQ(AllItems(TreeOf(replacement)).size(), 10u);

  HWND gone = nullptr;
  {
    TestParent phone(600);
    gone = phone.Hwnd();
    ASSERT_TRUE(CreateNavigator(gone, StandardList()));
  }
  SendCount(gone, kSectionContacts, 1);
  SendTo(kNavigatorSelectFirst, gone);
  Pump();
  EXPECT_TRUE(Harness().Posts().empty());
}

TEST_F(NavigatorTest, PaintsArrowsIconsTitlesBadgesAndTheSelection) {
  Standard();
  const RECT home = RowRect(tree, kSectionHome), apps = RowRect(tree, kSectionApps);
  ASSERT_EQ(apps.top - home.top, 40);
  auto canvas = PaintOf(tree);
  EXPECT_EQ(canvas->Pixel(kArrowX, apps.top + 14), kCollapsed);  // centred on the row
  EXPECT_EQ(canvas->Pixel(kArrowX + kArrow - 1, apps.top + 25), kCollapsed);
  EXPECT_EQ(canvas->Pixel(kArrowX + 6, MidY(home)), kBackground);  // no children, no arrow
  EXPECT_EQ(canvas->Pixel(kIconX, home.top + 8), kIconColor);
  EXPECT_EQ(canvas->Pixel(kIconX + kIcon - 1, home.top + 31), kIconColor);
  EXPECT_NEAR(InkColumn(*canvas, Band(home, kIconX + kIcon, 170)), kTitleX + 1, 1);
  EXPECT_EQ(InkColumn(*canvas, Band(home, 170, 216)), -1);  // "Home" has no badge
  EXPECT_EQ(InkColumn(*canvas, Band(apps, 170, 216)), BadgeLeft(apps, L"0"));

  ClickAt(tree, kArrowX + 6, kSectionApps);
  const RECT child = RowRect(tree, kSectionUserApps);
  canvas = PaintOf(tree);
  EXPECT_EQ(canvas->Pixel(kArrowX + 6, apps.top + 20), kExpanded);
  EXPECT_NEAR(InkColumn(*canvas, Band(child, 0, 170)), kChildTitleX + 1, 1);  // no arrow or icon before it

  // The selected row is filled to its last line, also on screen after the selection moved on.
  ClickAt(tree, 150, kSectionApps);
  RedrawWindow(tree, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ClickAt(tree, 150, kSectionContacts);
  UpdateWindow(tree);
  const RECT contacts = RowRect(tree, kSectionContacts);
  const HDC screen = GetDC(tree);
  EXPECT_EQ(GetPixel(screen, 1, contacts.top), kSelected);
  EXPECT_EQ(GetPixel(screen, 215, contacts.bottom - 1), kSelected);
  EXPECT_EQ(GetPixel(screen, 1, apps.bottom - 1), kBackground);
  ReleaseDC(tree, screen);

  // Colours from the settings; the pane paints its own background around the tree.
  ASSERT_TRUE(LoadUrlStore(R"({"color":{"section":{"background":"#102030","selected":"#405060"}}})"));
  TestParent other(600);
  const HWND coloured = CreateNavigator(other.Hwnd(), StandardList());
  SendTo(kNavigatorSelectFirst, other.Hwnd());
  canvas = PaintOf(TreeOf(coloured));
  EXPECT_EQ(canvas->Pixel(1, home.top + 1), RGB(0x40, 0x50, 0x60));
  EXPECT_EQ(canvas->Pixel(1, apps.top + 1), RGB(0x10, 0x20, 0x30));
  EXPECT_EQ(PaintOf(coloured)->Pixel(1, 1), RGB(0x10, 0x20, 0x30));
}

TEST_F(NavigatorTest, AMissingImageDrawsNothingAndTakesNoRoom) {
  Harness().Images().erase(kRightArrow);
  Harness().Images().erase("common\\section\\section-apps.png");
  Standard();
  const RECT apps = RowRect(tree, kSectionApps), contacts = RowRect(tree, kSectionContacts);
  auto canvas = PaintOf(tree);
  EXPECT_EQ(canvas->Pixel(kArrowX + 6, MidY(apps)), kBackground);
  EXPECT_EQ(canvas->Pixel(kIconX + 12, apps.top + 9), kBackground);
  EXPECT_EQ(canvas->Pixel(kIconX + 12, contacts.top + 9), kIconColor);
  EXPECT_NEAR(InkColumn(*canvas, Band(apps, 0, 150)), kIconX + 1, 1);  // the title takes the icon's place
  // A 0-wide arrow leaves the whole row beside it: the press unfolds and selects.
  ClickAt(tree, kArrowX + 6, kSectionApps);
  EXPECT_EQ(SelectedId(tree), kSectionApps);
  EXPECT_EQ(PaintOf(tree)->Pixel(kArrowX + 6, MidY(apps)), kExpanded);
}

TEST_F(NavigatorTest, LongTitlesAndWideCountsEndTheTitleBeforeTheBadge) {
  const wchar_t kLong[] = L"Phone Gallery with a name far longer than any row";
  const char* photo = "common\\section\\section-photo.png";
  navigator = CreateNavigator(parent.Hwnd(), ListOf({{1, 0, true, kLong, photo},
                                                     {2, 0, false, kLong, photo},
                                                     {3, 0, true, L"Contacts", photo},
                                                     {4, 0, true, L"Books", photo}}));
  tree = TreeOf(navigator);
  SendCount(parent.Hwnd(), 3, 2147483647);
  SendCount(parent.Hwnd(), 4, -5);  // wrapped below zero: shown as 0
  Pump();
  EXPECT_FALSE(GetWindowLongW(tree, GWL_STYLE) & WS_HSCROLL);
  const auto canvas = PaintOf(tree);
  for (int32_t id : {1, 3}) {
    const RECT row = RowRect(tree, id);
    const int badgeLeft = BadgeLeft(row, id == 1 ? L"0" : L"2147483647");
    EXPECT_EQ(InkColumn(*canvas, Band(row, badgeLeft - 4, 216)), badgeLeft) << id;  // a clear gap, then the badge
    EXPECT_EQ(InkColumn(*canvas, Band(row, badgeLeft, 216), true), row.right - 9) << id;
  }
  // Cut, not short: the ellipsis ends just before the gap, its dots on the base line.
  const RECT cut = RowRect(tree, 1);
  const int end = InkColumn(*canvas, Band(cut, kTitleX, BadgeLeft(cut, L"0") - 4), true);
  EXPECT_GT(end, BadgeLeft(cut, L"0") - 24);
  EXPECT_EQ(InkColumn(*canvas, RECT{end - 3, cut.top + 12, end + 1, cut.top + 22}), -1);
  const RECT plain = RowRect(tree, 2);  // without a badge the title runs to the edge
  EXPECT_GT(InkColumn(*canvas, Band(plain, kTitleX, 216), true), 196);
  const RECT books = RowRect(tree, 4);
  EXPECT_EQ(InkColumn(*canvas, Band(books, 150, 216)), BadgeLeft(books, L"0"));
}

// With ZS_NAV_HOLD_MS set, shows navigators in the product's theme that long, for a screenshot.
TEST_F(NavigatorTest, HoldsForALook) {
  const char* hold = std::getenv("ZS_NAV_HOLD_MS");
  if (!hold) GTEST_SKIP() << "set ZS_NAV_HOLD_MS to look";
  g_env->Install(g_env->product);
  TestParent odd(560);
  Standard();
  ClickAt(tree, 150, kSectionApps);
  ClickAt(tree, 150, kSectionContacts);
  for (int32_t id = 2; id <= 10; ++id) SendCount(parent.Hwnd(), id, id * id * id * 7 % 30000);
  const HWND second = CreateNavigator(
      odd.Hwnd(), ListOf({{1, 0, true, L"A title far longer than any row", "common\\section\\section-photo.png"},
                          {2, 0, true, L"Contacts", "common\\section\\section-contacts.png"},
                          {3, 2, true, L"Starred", nullptr}}));
  SendTo(kNavigatorShowWindow, odd.Hwnd());
  SendCount(odd.Hwnd(), 2, 2147483647);
  ClickAt(TreeOf(second), 150, 2);
  for (const DWORD until = GetTickCount() + std::atoi(hold); GetTickCount() < until; Sleep(20)) Pump();
}
