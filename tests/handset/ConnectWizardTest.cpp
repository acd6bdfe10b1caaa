// One phone's connection wizard driven by connection-status notices and by its own buttons and
// links: pages, steps and progress, the action button's commands and cooldown, "Copy", the
// Android-version tabs, the animation, and the hand-over to the phone's panes.
#include "contracts/CommandNames.h"
#include "modules/handset/ConnectLayout.h"
#include "tests/handset/HandsetTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace handset_test;

namespace {

constexpr int kAction = 5000;
constexpr int kFirstVersionTab = 5001;
constexpr int kTipsLink = 5009;
constexpr int kCopy = 5010;
constexpr int kDebugLink = 5011;

const char* const kRetryNames[] = {kHandsetDebugAuthorizeRetry, kHandsetDownloadDriverCancel, kHandsetInstallRetry,
                                   kHandsetRetryConnectDevice, kHandsetRootAuthorizeRetry};

size_t RetriesPosted() {
  size_t count = 0;
  for (const char* name : kRetryNames) count += Harness().CountPosts(name);
  return count;
}

std::wstring ClipboardText() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<no clipboard>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

class ConnectWizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(frame.Pane());
    BindPhone(L"SERIAL-W");
    tab = Tabs(frame.Pane()).front();
    wizard = WizardOf(tab);
    ASSERT_TRUE(IsWindow(wizard));
    ASSERT_TRUE(IsWindowVisible(wizard));
    action = GetDlgItem(wizard, kAction);
    ASSERT_TRUE(action);
    Harness().ClearPosts();
  }

  int Page() const { return static_cast<int>(Query(wizard, kQueryPage)); }
  // Presses the action button in its middle.
  void PressAction() const {
    RECT rect{};
    GetClientRect(action, &rect);
    Click(action, rect.right / 2, rect.bottom / 2);
  }

  PaneFrame frame;
  HWND tab = nullptr;
  HWND wizard = nullptr;
  HWND action = nullptr;
};

}  // namespace

TEST_F(ConnectWizardTest, OpensOnTheConnectingPage) {
  EXPECT_EQ(Page(), 1);
  EXPECT_EQ(Query(wizard, kQueryStepMarks), 0);
  EXPECT_EQ(Query(wizard, kQueryProgressPermille), 0);
  EXPECT_FALSE(IsWindowVisible(action));
}

TEST_F(ConnectWizardTest, StartScanCarriesTheStandardSections) {
  std::vector<EntrySeen> scans = ScansSeen();
  ASSERT_FALSE(scans.empty());
  const EntrySeen& scan = scans.back();
  EXPECT_EQ(scan.tab, tab);
  EXPECT_EQ(scan.wizard, wizard);
  EXPECT_EQ(scan.firstIndex, 1);
  EXPECT_EQ(scan.endIndex, 11);
  EXPECT_EQ(scan.ids, (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(scan.parents, (std::vector<int32_t>{0, 0, 2, 0, 0, 0, 0, 7, 0, 0}));
  EXPECT_EQ(scan.showCounts, (std::vector<int32_t>{0, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  const std::vector<std::wstring> titles = {L"Home",  L"Apps",   L"User Apps",     L"Contacts", L"SMS",
                                            L"Music", L"Photos", L"Phone Gallery", L"Videos",   L"Books"};
  EXPECT_EQ(scan.titles, titles);
  // Icons from the host's cache; the child rows have none.
  EXPECT_EQ(scan.hasImage, (std::vector<bool>{true, true, false, true, true, true, true, false, true, true}));
}

TEST_F(ConnectWizardTest, EveryStatusLandsOnItsPage) {
  // Page 11 is never left standing: it shows the phone's panes (13).
  const int expected[] = {8, 1, 7, 5, 4, 4, 4, 4, 5, 4, 7, 6, 7, 2, 1, 1, 8, 3, 1, 8, 8, 1, 13};
  for (int status = 0; status <= 22; ++status) {
    SendStatus(tab, status);
    EXPECT_EQ(Page(), expected[status]) << "status " << status;
    EXPECT_EQ(Query(wizard, kQueryLastStatus), status);
  }
  // An unknown code leaves the page alone.
  SendStatus(tab, 1);
  SendStatus(tab, 57);
  EXPECT_EQ(Page(), 1);
}

TEST_F(ConnectWizardTest, DriverDownloadMovesTheBar) {
  SendStatus(tab, 4, L"Downloading the USB driver", "https://drivers.example/usb.zip");
  ASSERT_EQ(Page(), 4);
  SendStatus(tab, 6, nullptr, nullptr, 4000000, 1000000);
  EXPECT_EQ(Page(), 4);
  EXPECT_EQ(Query(wizard, kQueryProgressPermille), 250);
  SendStatus(tab, 6, nullptr, nullptr, 4000000, 3000000);
  EXPECT_EQ(Query(wizard, kQueryProgressPermille), 750);

  // The filled part of the bar is 75 % of its width.
  RECT client{};
  GetClientRect(wizard, &client);
  const ConnectLayout layout = ConnectLayout::Compute(client.right, client.bottom);
  const std::unique_ptr<PixelCanvas> paint = PaintOf(wizard);
  const int barWidth = layout.bar.right - layout.bar.left;
  const int y = (layout.bar.top + layout.bar.bottom) / 2;
  // Between the step marks, which cover the bar at its ends and middle.
  EXPECT_EQ(paint->Pixel(layout.bar.left + barWidth * 60 / 100, y), kProgressColor);
  EXPECT_NE(paint->Pixel(layout.bar.left + barWidth * 90 / 100, y), kProgressColor);
}

TEST_F(ConnectWizardTest, RetryIsSentOnceWhileTheButtonCoolsDown) {
  SendStatus(tab, 0);
  ASSERT_EQ(Page(), 8);
  ASSERT_TRUE(IsWindowVisible(action));
  EXPECT_EQ(TextOf(action), L"Retry");
  ASSERT_TRUE(IsWindowEnabled(action));

  PressAction();
  std::vector<PostedCommand> retries = Harness().PostsNamed(kHandsetRetryConnectDevice);
  ASSERT_EQ(retries.size(), 1u);
  EXPECT_EQ(retries[0].record.window, tab);
  EXPECT_FALSE(IsWindowEnabled(action));

  // A second press, and a click queued before the button went grey.
  PressAction();
  SendMessageW(wizard, WM_COMMAND, MAKEWPARAM(kAction, BN_CLICKED), reinterpret_cast<LPARAM>(action));
  EXPECT_EQ(Harness().CountPosts(kHandsetRetryConnectDevice), 1u);

  // Timer 2 gives the button back.
  SendMessageW(wizard, WM_TIMER, 2, 0);
  EXPECT_TRUE(IsWindowEnabled(action));
  PressAction();
  EXPECT_EQ(Harness().CountPosts(kHandsetRetryConnectDevice), 2u);
}

TEST_F(ConnectWizardTest, EachPageSendsItsOwnCommand) {
  struct Case {
    int32_t status;
    const wchar_t* text;
    const char* command;
  };
  const Case cases[] = {
      {17, L"Show Again", kHandsetDebugAuthorizeRetry},
      {5, L"Cancel", kHandsetDownloadDriverCancel},
      {11, L"Retry", kHandsetInstallRetry},
      {16, L"Retry", kHandsetRetryConnectDevice},
  };
  for (const Case& c : cases) {
    SendStatus(tab, c.status);
    SendMessageW(wizard, WM_TIMER, 2, 0);
    Harness().ClearPosts();
    EXPECT_EQ(TextOf(action), c.text) << c.status;
    PressAction();
    const std::vector<PostedCommand> sent = Harness().PostsNamed(c.command);
    ASSERT_EQ(sent.size(), 1u) << c.status;
    EXPECT_EQ(sent[0].record.window, tab);
    EXPECT_EQ(RetriesPosted(), 1u);
  }
  // Page 5 says "Cancel" but has nothing to cancel; page 7 has no button.
  SendStatus(tab, 3);
  SendMessageW(wizard, WM_TIMER, 2, 0);
  Harness().ClearPosts();
  EXPECT_EQ(TextOf(action), L"Cancel");
  PressAction();
  EXPECT_EQ(RetriesPosted(), 0u);
  EXPECT_TRUE(IsWindowEnabled(action));
  SendStatus(tab, 2);
  EXPECT_FALSE(IsWindowVisible(action));
}

TEST_F(ConnectWizardTest, BackOnTheDebuggingHelpReturnsWithoutACommand) {
  SendStatus(tab, 13);
  ASSERT_EQ(Page(), 2);
  EXPECT_EQ(TextOf(action), L"Back");
  PressAction();
  EXPECT_EQ(Page(), 8);
  EXPECT_EQ(RetriesPosted(), 0u);
  EXPECT_TRUE(IsWindowEnabled(action));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(wizard, kDebugLink)));

  // Line 3 of the list leads to the help again.
  ClickLink(wizard, kDebugLink);
  EXPECT_EQ(Page(), 2);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(wizard, kDebugLink)));
}

TEST_F(ConnectWizardTest, AuthorisationPageGivesTheButtonBack) {
  SendStatus(tab, 0);
  PressAction();
  ASSERT_FALSE(IsWindowEnabled(action));
  // Its timers stop, so its own "Show Again" must not stay grey.
  SendStatus(tab, 17);
  ASSERT_EQ(Page(), 3);
  EXPECT_TRUE(IsWindowEnabled(action));
  EXPECT_EQ(TextOf(action), L"Show Again");
}

TEST_F(ConnectWizardTest, CopyPutsTheDetailOnTheClipboard) {
  const wchar_t detail[] = L"Model: AS-7731, Android 13, USB\\VID_1D9A&PID_2201";
  SendStatus(tab, 11, detail);
  ASSERT_EQ(Page(), 6);
  const HWND copy = GetDlgItem(wizard, kCopy);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(IsWindowVisible(copy));
  EXPECT_EQ(TextOf(copy), L"Copy");
  ASSERT_TRUE(IsWindowEnabled(copy));

  Click(copy);
  EXPECT_EQ(ClipboardText(), detail);
  EXPECT_FALSE(IsWindowEnabled(copy));
  SendMessageW(wizard, WM_TIMER, 3, 0);
  EXPECT_TRUE(IsWindowEnabled(copy));

  SendStatus(tab, 12);
  EXPECT_FALSE(IsWindowVisible(copy));
}

TEST_F(ConnectWizardTest, VersionTabsSwitchTheHelpPicture) {
  SendStatus(tab, 13);
  ASSERT_EQ(Page(), 2);
  HWND tabs[4];
  for (int i = 0; i < 4; ++i) {
    tabs[i] = GetDlgItem(wizard, kFirstVersionTab + i);
    ASSERT_TRUE(tabs[i]);
    EXPECT_TRUE(IsWindowVisible(tabs[i]));
  }
  EXPECT_EQ(TextOf(tabs[0]), L"For Android 2.1~2.3");
  EXPECT_EQ(TextOf(tabs[3]), L"For Android 6.0+");
  EXPECT_EQ(Query(wizard, kQueryVersionTab), 0);

  RECT client{};
  GetClientRect(wizard, &client);
  const ConnectLayout layout = ConnectLayout::Compute(client.right, client.bottom);
  auto pictureOf = [&] {
    const std::unique_ptr<PixelCanvas> paint = PaintOf(wizard);
    std::vector<COLORREF> pixels;
    for (int y = layout.debugImage.top; y < layout.debugImage.bottom; y += 7)
      for (int x = layout.debugImage.left; x < layout.debugImage.right; x += 7) pixels.push_back(paint->Pixel(x, y));
    return pixels;
  };
  const std::vector<COLORREF> first = pictureOf();
  Click(tabs[2]);
  EXPECT_EQ(Query(wizard, kQueryVersionTab), 2);
  const std::vector<COLORREF> third = pictureOf();
  EXPECT_NE(first, third);
  Click(tabs[2]);
  EXPECT_EQ(Query(wizard, kQueryVersionTab), 2);
  Click(tabs[0]);
  EXPECT_EQ(pictureOf(), first);

  SendStatus(tab, 0);
  EXPECT_FALSE(IsWindowVisible(tabs[0]));
}

TEST_F(ConnectWizardTest, PhoneVersionPreselectsTheHelpTab) {
  DeviceRecord phone;
  phone.identifier = L"SERIAL-V";
  phone.displayName = L"Old phone";
  phone.androidVersion = L"4.1.2";
  BindPhone(L"SERIAL-V", &phone);
  const std::vector<HWND> all = Tabs(frame.Pane());
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(Query(WizardOf(all[1]), kQueryVersionTab), 1);
}

TEST_F(ConnectWizardTest, DriverTipsLinkOpensTheAddressOfStatusFour) {
  const HWND tips = GetDlgItem(wizard, kTipsLink);
  ASSERT_TRUE(tips);
  // Without an address the link would lead nowhere.
  SendStatus(tab, 5);
  EXPECT_FALSE(IsWindowVisible(tips));
  SendStatus(tab, 4, nullptr, "https://drivers.example/usb.zip");
  EXPECT_TRUE(IsWindowVisible(tips));
  ClearShellLog();
  ClickLink(wizard, kTipsLink);
  EXPECT_EQ(ShellLog(), (std::vector<std::string>{"open https://drivers.example/usb.zip"}));
  // Also shown while the driver installs, and not on the other pages.
  SendStatus(tab, 2);
  EXPECT_TRUE(IsWindowVisible(tips));
  SendStatus(tab, 11);
  EXPECT_FALSE(IsWindowVisible(tips));
}

TEST_F(ConnectWizardTest, RootingHelpLinksToTheGuide) {
  // No status leads to page 10; its texts and link exist for the device service that asks.
  const HWND root = GetDlgItem(wizard, 5012);
  ASSERT_TRUE(root);
  EXPECT_FALSE(IsWindowVisible(root));
  ClearShellLog();
  ClickLink(wizard, 5012);
  EXPECT_EQ(ShellLog(), (std::vector<std::string>{std::string("open ") + kRootGuide}));
}

TEST_F(ConnectWizardTest, ReadyPhoneHandsOverToItsPanesOnce) {
  SendStatus(tab, 21);
  SendStatus(tab, 22);
  EXPECT_EQ(Page(), 13);
  EXPECT_EQ(Query(wizard, kQueryStepMarks), 7);
  EXPECT_EQ(Query(wizard, kQueryProgressPermille), 1000);
  std::vector<PostedCommand> shown = Harness().PostsNamed(kHandsetShowManager);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].record.window, wizard);
  EXPECT_FALSE(IsWindowVisible(action));
  EXPECT_EQ(Query(wizard, kQueryAnimationFrame), -1);

  // A repeated "ready" must not select the first section again under the user.
  SendStatus(tab, 22);
  EXPECT_EQ(Harness().CountPosts(kHandsetShowManager), 1u);
  EXPECT_EQ(Harness().CountPosts(kHandsetDeviceDisconnect), 0u);

  // Only the frame lines of the panes are drawn.
  const std::unique_ptr<PixelCanvas> paint = PaintOf(wizard);
  EXPECT_EQ(paint->Pixel(400, 0), RGB(171, 171, 171));
  EXPECT_EQ(paint->Pixel(216, 200), RGB(171, 171, 171));
  EXPECT_EQ(paint->Pixel(400, 40), RGB(255, 255, 255));
}

TEST_F(ConnectWizardTest, LosingTheReadyPhoneHidesItsPanesAndSaysSo) {
  SendStatus(tab, 22);
  ASSERT_EQ(Page(), 13);
  SendStatus(tab, 0);
  const std::vector<PostedCommand> notices = Harness().PostsNamed(kHandsetDeviceDisconnect);
  ASSERT_EQ(notices.size(), 2u);
  EXPECT_EQ(notices[0].record.window, wizard);
  EXPECT_EQ(notices[0].record.value, 1);
  EXPECT_EQ(notices[1].record.window, wizard);
  EXPECT_EQ(notices[1].record.value, 0);
  EXPECT_EQ(Page(), 8);
  // Further notices of a wizard that no longer shows the panes say nothing more.
  SendStatus(tab, 1);
  EXPECT_EQ(Harness().CountPosts(kHandsetDeviceDisconnect), 2u);
}

TEST_F(ConnectWizardTest, AnimationRunsOnItsPagesOnly) {
  ASSERT_EQ(Page(), 1);
  EXPECT_EQ(Query(wizard, kQueryAnimationFrame), 0);
  ASSERT_TRUE(PumpUntil([&] { return Query(wizard, kQueryAnimationFrame) >= 2; }, 2000));
  // The same page again does not restart it (a tick may still come in between).
  const LRESULT before = Query(wizard, kQueryAnimationFrame);
  SendStatus(tab, 14);
  EXPECT_GE(Query(wizard, kQueryAnimationFrame), before);

  SendStatus(tab, 0);
  EXPECT_EQ(Query(wizard, kQueryAnimationFrame), -1);
  SendStatus(tab, 4);
  EXPECT_EQ(Query(wizard, kQueryAnimationFrame), 0);
  EXPECT_TRUE(PumpUntil([&] { return Query(wizard, kQueryAnimationFrame) >= 1; }, 2000));
  SendStatus(tab, 3);
  EXPECT_EQ(Query(wizard, kQueryAnimationFrame), -1);
}
