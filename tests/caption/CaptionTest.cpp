// libCaption through the bus, as the host drives it: registration, the bar and its children,
// what each click posts to the host or asks of the frame, the settings menu on screen, resizing,
// several bars, colours from the settings and a theme without images.
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "tests/caption/CaptionTestSupport.h"
#include "tests/harness/MenuKeys.h"
#include "tests/harness/TraceCapture.h"

#include <windowsx.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace caption_test;

namespace {

constexpr COLORREF kTitleBackground = RGB(30, 158, 99);
constexpr COLORREF kWhite = RGB(255, 255, 255);

int Width(const RECT& rect) { return rect.right - rect.left; }
bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

std::vector<int64_t> ChangeTypeValues() {
  std::vector<int64_t> values;
  for (const PostedCommand& post : Harness().PostsNamed(kCaptionChangeType)) values.push_back(post.record.value);
  return values;
}

// One run of the settings menu: what it showed, and the entry the test chose by its text.
struct MenuRun {
  std::wstring choose;  // empty: close the menu
  DWORD holdUntil = 0;  // tick count before which the menu stays open
  bool seen = false;
  std::vector<std::wstring> texts;  // "-" for a separator
  std::vector<bool> grayed;
  RECT rect{};
  bool Grayed(const std::wstring& text) const {
    const auto at = std::find(texts.begin(), texts.end(), text);
    return at != texts.end() && grayed[at - texts.begin()];
  }
};
MenuRun* g_menuRun = nullptr;

// Runs inside the menu's own loop: reads the menu off the screen, then answers it with keys.
void CALLBACK AnswerMenu(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  const HWND menuWindow = menukeys::VisibleMenuWindow();
  if (!menuWindow || !g_menuRun || GetTickCount() < g_menuRun->holdUntil) return;
  KillTimer(hwnd, id);
  MenuRun& run = *g_menuRun;
  run.seen = true;
  GetWindowRect(menuWindow, &run.rect);
  const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
  int downs = 0;
  bool found = false;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING;
    item.dwTypeData = text;
    item.cch = 127;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
    const bool separator = (item.fType & MFT_SEPARATOR) != 0;
    run.texts.push_back(separator ? L"-" : text);
    run.grayed.push_back(!separator && (item.fState & MFS_GRAYED) != 0);
    if (!separator && !found) ++downs;
    found = found || (!separator && run.choose == text);
  }
  if (found) {
    for (int i = 0; i < downs; ++i) menukeys::PostKey(menuWindow, VK_DOWN);
    // The menu chooses on the character, which a posted key-down would produce only behind the
    // Escape below.
    PostMessageW(menuWindow, WM_CHAR, L'\r', 0);
  }
  // Closes the menu when nothing (or a grayed entry) was chosen.
  menukeys::PostKey(menuWindow, VK_ESCAPE);
}

class CaptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallTheme();
    ASSERT_TRUE(LoadUrlStore(UrlJson(-1, true)));
    ASSERT_TRUE(frame.window.Hwnd());
    Harness().ClearPosts();
    ClearShellLog();
  }
  void TearDown() override {
    frame.window.Destroy();
    Pump();
  }

  HWND MakeBar() {
    const HWND bar = CreateTitlebar(frame.window.Hwnd(), MakeRect(0, 0, kFrameWidth, kBarHeight));
    Pump();
    return bar;
  }

  // Opens the settings menu of `bar` and answers it as `run` says.
  void RunMenu(HWND bar, MenuRun& run) {
    const HWND settings = GetDlgItem(RightWindowOf(bar), kSettings);
    ASSERT_TRUE(settings);
    g_menuRun = &run;
    SetTimer(frame.window.Hwnd(), 77, 20, AnswerMenu);
    Click(settings);
    KillTimer(frame.window.Hwnd(), 77);
    g_menuRun = nullptr;
    ASSERT_TRUE(run.seen);
    EXPECT_FALSE(menukeys::VisibleMenuWindow());
  }
  MenuRun RunMenu(HWND bar, const std::wstring& choose = L"") {
    MenuRun run;
    run.choose = choose;
    RunMenu(bar, run);
    return run;
  }

  TestFrame frame;
};

}  // namespace

TEST(CaptionModule, RegistersItsSevenCommandsInOrderAndIgnoresEmptyRecords) {
  const std::vector<std::string> expected = {kCaptionCreateTitlebar, kCaptionChangeSize, kCaptionOpenAbout,
                                             kCaptionCheckForUpdate, kCaptionChangeType, kCaptionPressMaxOrReset,
                                             kCaptionOpenFeedback};
  EXPECT_EQ(Harness().RegisteredNames(), expected);
  for (const Registration& registration : Harness().Registrations())
    EXPECT_EQ(registration.instance, Harness().Module());
  Harness().Send(kCaptionOpenAbout, nullptr);
  CommandRecord empty;
  Harness().Send(kCaptionCreateTitlebar, empty);
  EXPECT_EQ(empty.window, nullptr);
  Harness().Send(kCaptionChangeSize, empty);
}

TEST_F(CaptionTest, CreatesTheBarItsRightWindowButtonsAndTheTabsTheSettingsAskFor) {
  const HWND bar = MakeBar();
  ASSERT_TRUE(bar);
  EXPECT_EQ(GetParent(bar), frame.window.Hwnd());
  EXPECT_TRUE(IsWindowVisible(bar));
  EXPECT_TRUE(SameRect(RectInParent(bar), MakeRect(0, 0, kFrameWidth, kBarHeight)));
  const HWND right = RightWindowOf(bar);
  ASSERT_TRUE(right);
  EXPECT_TRUE(SameRect(RectInParent(right), MakeRect(730, 0, kFrameWidth - 730, 40)));

  const int offsets[][2] = {{kClose, -8},     {kMaximise, -38}, {kRestore, -38}, {kMinimise, -68},
                            {kSettings, -98}, {kHelp, -128},    {kHome, -158}};
  for (const auto& [id, offset] : offsets) {
    const HWND button = GetDlgItem(right, id);
    ASSERT_TRUE(button) << id;
    const RECT expected = MakeRect(kFrameWidth - 730 + offset - kImageWidth, 12, kImageWidth, kImageHeight);
    EXPECT_TRUE(SameRect(RectInParent(button), expected)) << id;
    EXPECT_EQ(IsWindowVisible(button) != FALSE, id != kRestore) << id;
  }

  const RECT device = RectInParent(GetDlgItem(bar, kDeviceTab));
  const RECT toolkit = RectInParent(GetDlgItem(bar, kToolkitTab));
  EXPECT_EQ(device.left, 10);
  EXPECT_EQ(device.top, 34);
  EXPECT_EQ(toolkit.left, device.right + 2);
  EXPECT_EQ(toolkit.top, 34);
  // Text extent plus 30 on each side.
  EXPECT_GT(Width(device), 60);
  EXPECT_GT(Width(toolkit), Width(device));

  for (int visible : {-1, 0, 1}) {
    ASSERT_TRUE(LoadUrlStore(UrlJson(visible, true)));
    const HWND other = MakeBar();
    const HWND task = GetDlgItem(other, kTaskTab);
    EXPECT_EQ(task != nullptr, visible == 1) << visible;
    if (task) {
      EXPECT_EQ(RectInParent(task).left, RectInParent(GetDlgItem(other, kToolkitTab)).right + 2);
    }
    DestroyWindow(other);
  }
}

TEST_F(CaptionTest, TabClicksChangeTheCategoryOnlyWhenAnotherTabIsChosen) {
  ASSERT_TRUE(LoadUrlStore(UrlJson(1, true)));
  const HWND bar = MakeBar();
  const HWND device = GetDlgItem(bar, kDeviceTab);
  const HWND toolkit = GetDlgItem(bar, kToolkitTab);
  const HWND task = GetDlgItem(bar, kTaskTab);
  ASSERT_TRUE(device && toolkit && task);
  // Selected: the category colour (white without a setting); the others: the bar's colour.
  EXPECT_EQ(PaintOf(device)->Pixel(2, 2), kWhite);
  EXPECT_EQ(PaintOf(toolkit)->Pixel(2, 2), kTitleBackground);

  TraceCapture trace;
  for (HWND tab : {device, toolkit, toolkit, task, device, device}) Click(tab);
  const std::vector<std::string> lines = trace.Stop();
  EXPECT_EQ(ChangeTypeValues(), (std::vector<int64_t>{1, 2, 0}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Pressed One"), 3);
  EXPECT_EQ(PaintOf(device)->Pixel(2, 2), kWhite);
  EXPECT_EQ(PaintOf(task)->Pixel(2, 2), kTitleBackground);
  for (const PostedCommand& post : Harness().PostsNamed(kCaptionChangeType)) EXPECT_EQ(post.record.data, nullptr);

  // Without the task tab no value can be 2.
  Harness().ClearPosts();
  ASSERT_TRUE(LoadUrlStore(UrlJson(0, true)));
  const HWND two = MakeBar();
  for (int id : {kToolkitTab, kDeviceTab, kTaskTab, kToolkitTab})
    if (HWND tab = GetDlgItem(two, id)) Click(tab);
  EXPECT_EQ(ChangeTypeValues(), (std::vector<int64_t>{1, 0, 1}));
}

TEST_F(CaptionTest, WindowButtonsAskTheFrameOrTheHost) {
  const HWND right = RightWindowOf(MakeBar());
  const HWND maximise = GetDlgItem(right, kMaximise);
  const HWND restore = GetDlgItem(right, kRestore);

  Click(GetDlgItem(right, kMinimise));
  EXPECT_EQ(frame.Count(WM_SYSCOMMAND), 1u);
  Click(GetDlgItem(right, kClose));
  EXPECT_EQ(frame.Count(WM_CLOSE), 1u);

  Click(maximise);
  EXPECT_EQ(Harness().CountPosts(kCaptionPressMaxOrReset), 1u);
  EXPECT_FALSE(IsWindowVisible(maximise));
  EXPECT_TRUE(IsWindowVisible(restore));
  Click(restore);
  EXPECT_EQ(Harness().CountPosts(kCaptionPressMaxOrReset), 2u);
  EXPECT_TRUE(IsWindowVisible(maximise));
  EXPECT_FALSE(IsWindowVisible(restore));

  Click(GetDlgItem(right, kHome));
  Click(GetDlgItem(right, kHelp));
  EXPECT_EQ(ShellLog(), (std::vector<std::string>{"open https://product.example/", "open https://help.example/"}));
  EXPECT_EQ(Harness().Posts().size(), 2u);
}

TEST_F(CaptionTest, PressingTheBarMovesTheTopLevelFrameAndDoubleClickingMaximises) {
  // The bar is a grandchild of the frame: the move still goes to the top-level window.
  ProbeWindow view;
  ASSERT_TRUE(view.Create(frame.window.Hwnd(), L"CaptionTestView", L"", WS_CHILD | WS_VISIBLE, 0,
                          MakeRect(0, 0, kFrameWidth, 100)));
  const HWND bar = CreateTitlebar(view.Hwnd(), MakeRect(0, 0, kFrameWidth, kBarHeight));
  ASSERT_TRUE(bar);
  SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 20));
  Pump();
  ASSERT_EQ(frame.Count(WM_NCLBUTTONDOWN), 1u);
  EXPECT_EQ(frame.lastWParam, static_cast<WPARAM>(HTCAPTION));
  POINT screen{400, 20};
  ClientToScreen(bar, &screen);
  EXPECT_EQ(GET_X_LPARAM(frame.lastLParam), screen.x);
  EXPECT_EQ(GET_Y_LPARAM(frame.lastLParam), screen.y);

  // The class asks for double clicks, or the system would never send them.
  EXPECT_TRUE(GetClassLongW(bar, GCL_STYLE) & CS_DBLCLKS);
  const HWND right = RightWindowOf(bar);
  SendMessageW(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 10));
  EXPECT_EQ(Harness().CountPosts(kCaptionPressMaxOrReset), 1u);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(right, kRestore)));
  SendMessageW(bar, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(300, 10));
  EXPECT_EQ(Harness().CountPosts(kCaptionPressMaxOrReset), 2u);
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(right, kMaximise)));
}

TEST_F(CaptionTest, OnlyTheNewestBarIsResizedAndToldOfUpdatesUntilItsWindowGoes) {
  const HWND first = MakeBar();
  ProbeWindow other;
  ASSERT_TRUE(
      other.Create(nullptr, L"CaptionTestView", L"", WS_POPUP | WS_VISIBLE, 0, MakeRect(60, 400, kFrameWidth, 100)));
  const HWND second = CreateTitlebar(other.Hwnd(), MakeRect(0, 0, kFrameWidth, kBarHeight));
  ASSERT_TRUE(first && second && first != second);

  ChangeSize(1200);
  EXPECT_EQ(Width(RectInParent(first)), kFrameWidth);
  const HWND right = RightWindowOf(second);
  EXPECT_TRUE(SameRect(RectInParent(second), MakeRect(0, 0, 1200, kBarHeight)));
  EXPECT_TRUE(SameRect(RectInParent(right), MakeRect(1200 - (kFrameWidth - 730), 0, kFrameWidth - 730, 40)));
  EXPECT_EQ(RectInParent(GetDlgItem(second, kDeviceTab)).left, 10);
  // The newly shown part is painted as bar.
  EXPECT_EQ(PaintOf(second)->Pixel(1000, 10), kTitleBackground);

  CommandRecord finished;
  Harness().Send(kCaptionCheckForUpdate, finished);
  EXPECT_TRUE(RunMenu(first).Grayed(L"Check for Update"));
  EXPECT_FALSE(RunMenu(second).Grayed(L"Check for Update"));

  // Later notices must not reach the deleted newest bar, nor go to the older one.
  other.Destroy();
  EXPECT_FALSE(IsWindow(second));
  ChangeSize(700);
  Harness().Send(kCaptionCheckForUpdate, finished);
  EXPECT_EQ(Width(RectInParent(first)), kFrameWidth);
}

TEST_F(CaptionTest, SettingsMenuShowsEveryEntryInOrderAtTheSettingsButton) {
  const HWND bar = MakeBar();
  const MenuRun run = RunMenu(bar);
  std::vector<std::wstring> expected = {L"-",
                                        L"Tutorial",
                                        L"Frequently Asked Questions",
                                        L"-",
                                        L"Check for Update",
                                        L"About",
                                        L"-",
                                        L"Product",
                                        L"Send us Feedback",
                                        L"Support Center",
                                        L"-",
                                        L"Visit us on Facebook",
                                        L"Follow us on Twitter",
                                        L"Follow us on Google+"};
  EXPECT_EQ(run.texts, expected);
  // A check runs from the start, until the host reports its end.
  EXPECT_EQ(std::count(run.grayed.begin(), run.grayed.end(), true), 1);
  EXPECT_TRUE(run.Grayed(L"Check for Update"));
  RECT settings{};
  GetWindowRect(GetDlgItem(RightWindowOf(bar), kSettings), &settings);
  EXPECT_EQ(run.rect.left, settings.left);
  EXPECT_EQ(run.rect.top, settings.top);
  EXPECT_TRUE(Harness().Posts().empty());

  // Without a feedback address, or with an empty one, there is no feedback entry.
  expected.erase(std::find(expected.begin(), expected.end(), L"Send us Feedback"));
  for (const std::string& json : {UrlJson(-1, false), std::string("{\"url\":{\"feedback\":\"\"}}")}) {
    ASSERT_TRUE(LoadUrlStore(json));
    EXPECT_EQ(RunMenu(bar).texts, expected);
  }
}

TEST_F(CaptionTest, SettingsMenuChoicesOpenTheirAddressesOrAskTheHost) {
  const HWND bar = MakeBar();
  const std::pair<const wchar_t*, const char*> addresses[] = {
      {L"Tutorial", "open https://help.example/"},
      {L"Frequently Asked Questions", "open https://faq.example/"},
      {L"Product", "open https://product.example/"},
      {L"Support Center", "open https://support.example/"},
      {L"Visit us on Facebook", "open https://facebook.example/z"},
      {L"Follow us on Twitter", "open https://twitter.example/z"},
      {L"Follow us on Google+", "open https://google.example/z"},
  };
  std::vector<std::string> expectedLog;
  for (const auto& [text, line] : addresses) {
    RunMenu(bar, text);
    expectedLog.push_back(line);
    EXPECT_EQ(ShellLog(), expectedLog) << text;
  }
  EXPECT_TRUE(Harness().Posts().empty());
  RunMenu(bar, L"About");
  RunMenu(bar, L"Send us Feedback");
  EXPECT_EQ(Harness().CountPosts(kCaptionOpenAbout), 1u);
  EXPECT_EQ(Harness().CountPosts(kCaptionOpenFeedback), 1u);
  EXPECT_EQ(Harness().Posts().size(), 2u);
  EXPECT_EQ(ShellLog().size(), expectedLog.size());
}

TEST_F(CaptionTest, CheckForUpdateCannotBeChosenAgainBeforeTheHostReportsTheEnd) {
  const HWND bar = MakeBar();
  const std::wstring check = L"Check for Update";
  RunMenu(bar, check);  // running since the start
  EXPECT_EQ(Harness().CountPosts(kCaptionCheckForUpdate), 0u);

  CommandRecord finished;
  Harness().Send(kCaptionCheckForUpdate, finished);
  EXPECT_FALSE(RunMenu(bar, check).Grayed(check));
  EXPECT_EQ(Harness().CountPosts(kCaptionCheckForUpdate), 1u);
  EXPECT_TRUE(RunMenu(bar, check).Grayed(check));
  EXPECT_EQ(Harness().CountPosts(kCaptionCheckForUpdate), 1u);

  // A host that reports the end before its handler returns leaves the entry choosable.
  Harness().Send(kCaptionCheckForUpdate, finished);
  Harness().SetHook(kCaptionCheckForUpdate, [](CommandRecord&) {
    CommandRecord answer;
    Harness().Send(kCaptionCheckForUpdate, answer);
    return 0;
  });
  RunMenu(bar, check);
  Harness().SetHook(kCaptionCheckForUpdate, nullptr);
  EXPECT_EQ(Harness().CountPosts(kCaptionCheckForUpdate), 2u);
  EXPECT_FALSE(RunMenu(bar).Grayed(check));
}

TEST_F(CaptionTest, ColoursComeFromTheSettingsWithBuiltInFallbacksPerKey) {
  EXPECT_EQ(PaintOf(MakeBar())->Pixel(600, 10), kTitleBackground);

  const COLORREF background = RGB(0x10, 0x20, 0x30);
  ASSERT_TRUE(LoadUrlStore(UrlJson(1, true,
                                   "{\"title\":{\"background\":\"#102030\",\"category\":{\"background\":\"#405060\"},"
                                   "\"sep\":{\"left\":\"#010203\",\"right\":\"#040506\"}}}")));
  const HWND bar = MakeBar();
  const auto painted = PaintOf(bar);
  EXPECT_EQ(painted->Pixel(600, 10), background);
  // The title's strip keeps its built-in colour when only its own key is missing.
  EXPECT_NE(painted->Pixel(1, 1), background);
  EXPECT_NE(painted->Pixel(1, 1), RGB(0, 0, 0));
  const HWND right = RightWindowOf(bar);
  const auto rightPainted = PaintOf(right);
  const int separator = RectInParent(GetDlgItem(right, kHelp)).right;
  EXPECT_EQ(rightPainted->Pixel(separator + 4, 15), RGB(1, 2, 3));
  EXPECT_EQ(rightPainted->Pixel(separator + 5, 15), RGB(4, 5, 6));
  EXPECT_EQ(rightPainted->Pixel(separator + 4, 29), background);
  EXPECT_EQ(PaintOf(GetDlgItem(bar, kDeviceTab))->Pixel(2, 2), RGB(0x40, 0x50, 0x60));
  EXPECT_EQ(PaintOf(GetDlgItem(bar, kTaskTab))->Pixel(2, 2), background);
  EXPECT_EQ(PaintOf(GetDlgItem(right, kClose))->Pixel(0, 0), background);

  // A malformed colour falls back rather than turning black.
  ASSERT_TRUE(LoadUrlStore(UrlJson(-1, true, "{\"title\":{\"background\":\"green\"}}")));
  EXPECT_EQ(PaintOf(MakeBar())->Pixel(600, 10), kTitleBackground);
}

TEST_F(CaptionTest, MissingThemeImagesDrawNothingAndTheBarStillWorks) {
  RemoveTheme();
  const HWND bar = MakeBar();
  ASSERT_TRUE(bar);
  const HWND right = RightWindowOf(bar);
  const HWND close = GetDlgItem(right, kClose);
  for (int id : {kClose, kMaximise, kMinimise, kSettings, kHelp, kHome})
    EXPECT_EQ(Width(RectInParent(GetDlgItem(right, id))), 0) << id;
  // Sized by hand, a button paints only its fill, pressed or not, and still works.
  SetWindowPos(close, nullptr, 0, 0, 10, 10, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(PaintOf(close)->Pixel(5, 5), kTitleBackground);
  SendMessageW(close, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(PaintOf(close)->Pixel(5, 5), kTitleBackground);
  SendMessageW(close, WM_LBUTTONUP, 0, 0);
  Pump();
  EXPECT_EQ(frame.Count(WM_CLOSE), 1u);
  RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// Not part of the run: shows the bar with the product's settings over a white pane, then its
// menu, each for CAPTION_HOLD_MS (default 5000), for screenshots
// (--gtest_also_run_disabled_tests --gtest_filter=*Screenshot*).
TEST_F(CaptionTest, DISABLED_HoldForScreenshot) {
  std::wstring option = ModuleHarness::PluginPath(L"libCaption");
  option = option.substr(0, option.find(L"plugins\\")) + L"Option.json";
  BASUserDefaults::InitUserDefaults("url", option.c_str());
  wchar_t hold[16] = {};
  const DWORD holdMs = GetEnvironmentVariableW(L"CAPTION_HOLD_MS", hold, 16) ? _wtoi(hold) : 5000;
  frame.window.onPaint = [](HDC dc, const RECT& client) { PixelCanvas::FillWith(dc, client, kWhite); };
  const HICON icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  const HWND bar =
      CreateTitlebar(frame.window.Hwnd(), MakeRect(0, 0, kFrameWidth, kBarHeight), L"Zorvane Steward", icon);
  ASSERT_TRUE(bar);
  InvalidateRect(frame.window.Hwnd(), nullptr, TRUE);
  PumpUntil([] { return false; }, holdMs);
  MenuRun run;
  run.holdUntil = GetTickCount() + holdMs;
  RunMenu(bar, run);
}
