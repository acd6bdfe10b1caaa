// The device pane through the bus: registration, the "No Device" tab and the phones that bind,
// selection, renaming, removal with the host's answer, the Wi-Fi button, resizing and painting.
#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "modules/handset/QrImage.h"
#include "tests/handset/HandsetTestSupport.h"
#include "tests/product/UserInput.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>
#include <utility>
#include <string>
#include <vector>

using namespace handset_test;

namespace {

constexpr int kStripHeight = 70;

std::unique_ptr<DeviceRecord> MakePhone(const std::wstring& identifier, const std::wstring& displayName,
                                        const std::wstring& modelName = L"", const std::wstring& productName = L"") {
  auto phone = std::make_unique<DeviceRecord>();
  phone->identifier = identifier;
  phone->displayName = displayName;
  phone->modelName = modelName;
  phone->productName = productName;
  return phone;
}

BOOL CALLBACK FindOwnedTooltip(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(lp);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 63);
  if (GetWindow(hwnd, GW_OWNER) == search->first && std::wcsstr(name, L"tooltips_class32")) {
    search->second = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND OwnedTooltip(HWND owner) {
  std::pair<HWND, HWND> search{owner, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FindOwnedTooltip, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

class DevicePaneTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(frame.Frame());
    ASSERT_TRUE(frame.Pane());
    ASSERT_EQ(Tabs(frame.Pane()).size(), 1u);
  }

  HWND Pane() const { return frame.Pane(); }
  HWND OnlyTab() const { return Tabs(Pane()).front(); }

  PaneFrame frame;
};

}  // namespace

TEST(HandsetModule, RegistersItsNamesInOrder) {
  const std::vector<std::string> expected = {
      "LIBHANDSET_COMMAND_CHANGE_SIZE",          "LIBHANDSET_COMMAND_SWITCH_CONNECT",
      "LIBHANDSET_COMMAND_UPDATE_DEVICE_INFO",   "LIBHANDSET_COMMAND_BINGING_BUTTON",
      "LIBHANDSET_COMMAND_BINGING_DEVICE",       "LIBHANDSET_COMMAND_SHOW_WINDOW",
      "LIBHANDSET_COMMAND_SWITCH_DEVICE",        "LIBHANDSET_COMMAND_DOWNLOAD_DRIVER_CANCEL",
      "LIBHANDSET_COMMAND_REMOVE_BUTTON_REJECT", "LIBHANDSET_COMMAND_SHOW_MANAGER",
      "LIBHANDSET_COMMAND_DEVICE_DISCONNECT",    "LIBHANDSET_COMMAND_PRESS_WIFI_BUTTON",
      "LIBHANDSET_COMMAND_WIFI_CONNECTED",
  };
  EXPECT_EQ(Harness().RegisteredNames(), expected);
  for (const Registration& registration : Harness().Registrations())
    EXPECT_EQ(registration.instance, reinterpret_cast<HINSTANCE>(Harness().Module())) << registration.name;
}

TEST_F(DevicePaneTest, StartsWithTheNoDeviceTabSelected) {
  EXPECT_TRUE(IsWindowVisible(Pane()));
  EXPECT_EQ(RectInParent(Pane()).left, kPaneRect.left);
  EXPECT_EQ(RectInParent(Pane()).top, kPaneRect.top);
  EXPECT_EQ(TextOf(OnlyTab()), L"No Device");
  EXPECT_EQ(RectInParent(OnlyTab()).left, 2);
  EXPECT_EQ(RectInParent(OnlyTab()).top, 4);
  EXPECT_LE(RectInParent(OnlyTab()).bottom, kStripHeight);

  // The tab and its wizard went to the host, then the wizard asked for its panes.
  const std::vector<EntrySeen> bindings = BindingsSeen();
  ASSERT_EQ(bindings.size(), 1u);
  EXPECT_EQ(bindings[0].tab, OnlyTab());
  EXPECT_TRUE(IsWindow(bindings[0].wizard));
  EXPECT_EQ(GetParent(bindings[0].wizard), Pane());
  EXPECT_EQ(bindings[0].firstIndex, 0);
  EXPECT_EQ(bindings[0].endIndex, 0);
  EXPECT_TRUE(IsWindowVisible(bindings[0].wizard));

  const std::vector<PostedCommand> switches = Harness().PostsNamed(kHandsetSwitchDevice);
  ASSERT_EQ(switches.size(), 1u);
  EXPECT_EQ(switches[0].record.data, bindings[0].wizard);
  EXPECT_EQ(switches[0].record.payload, nullptr);
}

TEST_F(DevicePaneTest, FirstPhoneTakesTheNoDeviceTabAndASecondGetsItsOwn) {
  const HWND noDevice = OnlyTab();
  const HWND firstWizard = WizardOf(noDevice);
  Harness().ClearPosts();
  const auto tide = MakePhone(L"SERIAL-1", L"Meridian Tide 4");
  BindPhone(L"SERIAL-1", tide.get());

  ASSERT_EQ(Tabs(Pane()).size(), 1u);
  EXPECT_EQ(OnlyTab(), noDevice);
  EXPECT_EQ(TextOf(noDevice), L"Meridian Tide 4");
  EXPECT_EQ(BindingsSeen().size(), 1u);
  std::vector<PostedCommand> bound = Harness().PostsNamed(kHandsetBingingDevice);
  ASSERT_EQ(bound.size(), 1u);
  EXPECT_EQ(bound[0].record.window, noDevice);
  EXPECT_EQ(bound[0].text, L"SERIAL-1");
  EXPECT_EQ(Harness().CountPosts(kHandsetSwitchDevice), 0u);

  const auto aster = MakePhone(L"SERIAL-2", L"", L"AS-7731");
  BindPhone(L"SERIAL-2", aster.get());
  const std::vector<HWND> tabs = Tabs(Pane());
  ASSERT_EQ(tabs.size(), 2u);
  EXPECT_EQ(tabs[0], noDevice);
  EXPECT_EQ(TextOf(tabs[1]), L"AS-7731");
  EXPECT_EQ(RectInParent(tabs[1]).left, RectInParent(tabs[0]).right + 4);

  const std::vector<EntrySeen> bindings = BindingsSeen();
  ASSERT_EQ(bindings.size(), 2u);
  EXPECT_EQ(bindings[1].tab, tabs[1]);
  bound = Harness().PostsNamed(kHandsetBingingDevice);
  ASSERT_EQ(bound.size(), 2u);
  EXPECT_EQ(bound[1].record.window, tabs[1]);
  EXPECT_EQ(bound[1].text, L"SERIAL-2");
  // The new phone's wizard waits hidden; the selection stays where it was.
  EXPECT_FALSE(IsWindowVisible(bindings[1].wizard));
  EXPECT_TRUE(IsWindowVisible(firstWizard));

  // The same phone again keeps its tab.
  BindPhone(L"SERIAL-2", aster.get());
  EXPECT_EQ(Tabs(Pane()).size(), 2u);
  EXPECT_EQ(BindingsSeen().size(), 2u);
}

TEST_F(DevicePaneTest, TabNamesFallBackThroughTheDisplayTexts) {
  const auto product = MakePhone(L"P-1", L"", L"", L"moto g");
  BindPhone(L"P-1", product.get());
  EXPECT_EQ(TextOf(OnlyTab()), L"moto g");
  // Without a record the host could give, the identifier names the tab.
  BindPhone(L"192.168.1.20:5555");
  ASSERT_EQ(Tabs(Pane()).size(), 2u);
  EXPECT_EQ(TextOf(Tabs(Pane())[1]), L"192.168.1.20:5555");
  // A record of another phone is not believed.
  const auto stranger = MakePhone(L"OTHER", L"Not this one");
  BindPhone(L"P-3", stranger.get());
  EXPECT_EQ(TextOf(Tabs(Pane())[2]), L"P-3");
}

TEST_F(DevicePaneTest, RenamingKeepsAFirstDisplayText) {
  const auto phone = MakePhone(L"R-1", L"", L"", L"beyond1");
  BindPhone(L"R-1", phone.get());
  phone->modelName = L"SM-G973F";
  RenamePhone(OnlyTab(), phone.get());
  EXPECT_EQ(TextOf(OnlyTab()), L"SM-G973F");
  phone->displayName = L"Aster Two";
  phone->modelName = L"other";
  RenamePhone(OnlyTab(), phone.get());
  EXPECT_EQ(TextOf(OnlyTab()), L"SM-G973F");
  RenamePhone(OnlyTab(), nullptr);
  EXPECT_EQ(TextOf(OnlyTab()), L"SM-G973F");
}

TEST_F(DevicePaneTest, SelectingATabSwitchesWizardsAndTellsTheHost) {
  BindPhone(L"A");
  BindPhone(L"B");
  const std::vector<HWND> tabs = Tabs(Pane());
  ASSERT_EQ(tabs.size(), 2u);
  const HWND wizardA = WizardOf(tabs[0]);
  const HWND wizardB = WizardOf(tabs[1]);
  Harness().ClearPosts();

  // The selected tab again: nothing.
  Click(tabs[0], 20, 30);
  EXPECT_EQ(Harness().CountPosts(kHandsetSwitchDevice), 0u);

  Click(tabs[1], 20, 30);
  std::vector<PostedCommand> switches = Harness().PostsNamed(kHandsetSwitchDevice);
  ASSERT_EQ(switches.size(), 1u);
  EXPECT_EQ(switches[0].record.data, wizardB);
  EXPECT_EQ(switches[0].record.payload, wizardA);
  EXPECT_TRUE(IsWindowVisible(wizardB));
  EXPECT_FALSE(IsWindowVisible(wizardA));
  // Brought up to date: the wizard fills the pane under the strip.
  RECT pane{};
  GetClientRect(Pane(), &pane);
  EXPECT_EQ(RectInParent(wizardB).top, kStripHeight);
  EXPECT_EQ(RectInParent(wizardB).right, pane.right);
  EXPECT_EQ(RectInParent(wizardB).bottom, pane.bottom);

  Click(tabs[1], 20, 30);
  EXPECT_EQ(Harness().CountPosts(kHandsetSwitchDevice), 1u);
}

TEST_F(DevicePaneTest, RemovalAsksFirstAndGoesOnlyWhenTheHostAgrees) {
  BindPhone(L"A");
  BindPhone(L"B");
  std::vector<HWND> tabs = Tabs(Pane());
  ASSERT_EQ(tabs.size(), 2u);
  const HWND wizardA = WizardOf(tabs[0]);
  const HWND wizardB = WizardOf(tabs[1]);
  Harness().ClearPosts();

  SetRemovalAnswer(false);
  ClickCorner(tabs[0]);
  std::vector<PostedCommand> removals = Harness().PostsNamed(kHandsetRemoveDevice);
  ASSERT_EQ(removals.size(), 1u);
  EXPECT_EQ(removals[0].record.value, 1);
  EXPECT_EQ(Tabs(Pane()).size(), 2u);
  EXPECT_TRUE(IsWindow(wizardA));

  SetRemovalAnswer(true);
  ClickCorner(tabs[0]);
  removals = Harness().PostsNamed(kHandsetRemoveDevice);
  ASSERT_EQ(removals.size(), 3u);
  EXPECT_EQ(removals[1].record.value, 1);
  EXPECT_EQ(removals[2].record.value, 0);
  EXPECT_EQ(removals[2].record.data, tabs[0]);
  EXPECT_EQ(removals[2].record.payload, wizardA);
  EXPECT_FALSE(IsWindow(tabs[0]));
  EXPECT_FALSE(IsWindow(wizardA));

  // The remaining tab closes up to the left and takes the selection.
  tabs = Tabs(Pane());
  ASSERT_EQ(tabs.size(), 1u);
  EXPECT_EQ(RectInParent(tabs[0]).left, 2);
  EXPECT_TRUE(IsWindowVisible(wizardB));
  const std::vector<PostedCommand> switches = Harness().PostsNamed(kHandsetSwitchDevice);
  ASSERT_EQ(switches.size(), 1u);
  EXPECT_EQ(switches[0].record.data, wizardB);
  EXPECT_EQ(switches[0].record.payload, nullptr);
}

TEST_F(DevicePaneTest, RemovingTheLastPhoneBringsBackTheNoDeviceTab) {
  BindPhone(L"ONLY");
  const HWND tab = OnlyTab();
  SetRemovalAnswer(true);
  ClearSeen();
  ClickCorner(tab);
  EXPECT_FALSE(IsWindow(tab));
  ASSERT_EQ(Tabs(Pane()).size(), 1u);
  EXPECT_EQ(TextOf(OnlyTab()), L"No Device");
  ASSERT_EQ(BindingsSeen().size(), 1u);
  EXPECT_TRUE(IsWindowVisible(BindingsSeen()[0].wizard));
  // The next phone takes it.
  BindPhone(L"NEXT");
  EXPECT_EQ(Tabs(Pane()).size(), 1u);
  EXPECT_EQ(TextOf(OnlyTab()), L"NEXT");
}

TEST_F(DevicePaneTest, TheNoDeviceTabIsNotRemoved) {
  const HWND tab = OnlyTab();
  SetRemovalAnswer(true);
  Harness().ClearPosts();
  ClickCorner(tab);
  EXPECT_EQ(Harness().CountPosts(kHandsetRemoveButtonReject), 1u);
  const std::vector<PostedCommand> removals = Harness().PostsNamed(kHandsetRemoveDevice);
  ASSERT_EQ(removals.size(), 1u);
  EXPECT_EQ(removals[0].record.value, 1);
  EXPECT_TRUE(IsWindow(tab));
  EXPECT_EQ(Tabs(Pane()).size(), 1u);
}

TEST_F(DevicePaneTest, TheRemoveMarkOfAnotherTabDoesNotSelectIt) {
  BindPhone(L"A");
  BindPhone(L"B");
  const std::vector<HWND> tabs = Tabs(Pane());
  Harness().ClearPosts();
  SetRemovalAnswer(false);
  ClickCorner(tabs[1]);
  EXPECT_EQ(Harness().CountPosts(kHandsetRemoveDevice), 1u);
  EXPECT_EQ(Harness().CountPosts(kHandsetSwitchDevice), 0u);
  EXPECT_FALSE(IsWindowVisible(WizardOf(tabs[1])));
  // And a later plain click still selects it.
  Click(tabs[1], 20, 30);
  EXPECT_EQ(Harness().CountPosts(kHandsetSwitchDevice), 1u);
}

TEST_F(DevicePaneTest, ResizeMovesTheWizardAndTheWifiButton) {
  const HWND wizard = WizardOf(OnlyTab());
  Harness().ClearPosts();
  ChangeSize(800, 500);
  RECT client{};
  GetClientRect(Pane(), &client);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 500);
  const RECT wizardRect = RectInParent(wizard);
  EXPECT_EQ(wizardRect.left, 0);
  EXPECT_EQ(wizardRect.top, kStripHeight);
  EXPECT_EQ(wizardRect.right, 800);
  EXPECT_EQ(wizardRect.bottom, 500);
  const HWND wifi = GetDlgItem(Pane(), 6001);
  ASSERT_TRUE(wifi);
  const RECT wifiRect = RectInParent(wifi);
  EXPECT_EQ(wifiRect.right, 800 - 10);
  EXPECT_EQ(wifiRect.top, (kStripHeight - (wifiRect.bottom - wifiRect.top)) / 2);
  // The wizard passes its new size on to the phone's panes.
  const std::vector<PostedCommand> sizes = Harness().PostsNamed(kHandsetChangeSize);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().record.window, wizard);
}

TEST_F(DevicePaneTest, PaintsTheStripTheAccentAndWhite) {
  const std::unique_ptr<PixelCanvas> paint = PaintOf(Pane());
  EXPECT_EQ(paint->Pixel(500, 2), kAccentColor);
  EXPECT_EQ(paint->Pixel(500, 5), kAccentColor);
  EXPECT_EQ(paint->Pixel(500, 6), kStripColor);
  EXPECT_EQ(paint->Pixel(500, kStripHeight - 1), kStripColor);
  EXPECT_EQ(paint->Pixel(500, kStripHeight), RGB(255, 255, 255));
}

// The Wi-Fi dialog, worked from a timer inside its own modal loop: what it shows and encodes
// for each address the host sends, and its end when a phone connects.
struct WifiDialogRun {
  bool seen = false;
  std::wstring title;
  std::string decoded;  // the QR code on the screen, read by zbarimg
  bool secondShown = false;
  int redBefore = 0;  // strongly red pixels before and after a failed listener's answer
  int redWithFailure = 0;
  std::string decodedWithFailure;
};
WifiDialogRun* g_wifi = nullptr;

int StrongRedPixels(HWND dialog) {
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  RECT client{};
  GetClientRect(dialog, &client);
  HDC dc = GetDC(dialog);
  int red = 0;
  for (int y = 0; y < client.bottom; y += 2)
    for (int x = 0; x < client.right; x += 2) {
      const COLORREF color = GetPixel(dc, x, y);
      if (color != CLR_INVALID && GetRValue(color) > 150 && GetGValue(color) < 60 && GetBValue(color) < 60) ++red;
    }
  ReleaseDC(dialog, dc);
  return red;
}

BOOL CALLBACK FindQrDialog(HWND hwnd, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process == GetCurrentProcessId() && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 4009) && GetDlgItem(hwnd, 4010)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK DriveWifiDialog(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  HWND dialog = nullptr;
  EnumWindows(FindQrDialog, reinterpret_cast<LPARAM>(&dialog));
  if (!dialog || !g_wifi) return;
  KillTimer(hwnd, id);
  g_wifi->seen = true;
  g_wifi->title = TextOf(dialog);
  // A listener that could not be opened: the box says why in red, and there is no code to scan.
  g_wifi->redBefore = StrongRedPixels(dialog);
  CommandRecord failed;
  failed.payload = new WifiServerInfo{L"", 0, L"No port could be opened (error 10013)."};
  Harness().Send(kHandsetPressWifiButton, failed);
  EXPECT_EQ(failed.payload, nullptr);
  g_wifi->redWithFailure = StrongRedPixels(dialog);
  g_wifi->decodedWithFailure = usertest::DecodeQrOnScreen(L"wifi-qr-failure.png");
  // The host's answer (the module frees it) draws the code; the code on the screen is read back.
  CommandRecord answer;
  answer.payload = new WifiServerInfo{L"192.168.1.5", 28080, L""};
  Harness().Send(kHandsetPressWifiButton, answer);
  EXPECT_EQ(answer.payload, nullptr);
  RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  Sleep(200);
  g_wifi->decoded = usertest::DecodeQrOnScreen(L"wifi-qr-dialog.png");
  // A second answer replaces it; a missing one is ignored.
  CommandRecord second;
  second.payload = new WifiServerInfo{L"myhost", 28081, L""};
  Harness().Send(kHandsetPressWifiButton, second);
  CommandRecord empty;
  Harness().Send(kHandsetPressWifiButton, empty);
  g_wifi->secondShown = IsWindowVisible(dialog) != FALSE;
  // A phone that connected over Wi-Fi closes every open dialog.
  CommandRecord connected;
  Harness().Send(kHandsetWifiConnected, connected);
}

TEST_F(DevicePaneTest, WifiButtonShowsTheQrCodeOfTheHostsAddressUntilAPhoneConnects) {
  const HWND wifi = GetDlgItem(Pane(), 6001);
  ASSERT_TRUE(wifi);
  EXPECT_EQ(TextOf(wifi), L"Connect via WIFI");
  Harness().ClearPosts();
  Harness().SetHook(kHandsetPressWifiButton, [](CommandRecord& record) {
    record.text = L"Zorvane Steward for Android";
    return 0;
  });
  WifiDialogRun run;
  g_wifi = &run;
  SetTimer(frame.Frame(), 91, 50, DriveWifiDialog);
  Click(wifi);  // returns once the dialog has closed
  KillTimer(frame.Frame(), 91);
  g_wifi = nullptr;
  Harness().SetHook(kHandsetPressWifiButton, nullptr);
  const std::vector<PostedCommand> presses = Harness().PostsNamed(kHandsetPressWifiButton);
  ASSERT_EQ(presses.size(), 1u);
  EXPECT_EQ(presses[0].record.window, Pane());
  ASSERT_TRUE(run.seen);
  EXPECT_EQ(run.title, L"Zorvane Steward for Android");
  EXPECT_EQ(run.decoded, "192.168.1.5:28080");
  EXPECT_TRUE(run.secondShown);
  EXPECT_GT(run.redWithFailure, run.redBefore + 40);
  EXPECT_EQ(run.decodedWithFailure, "");

  // The pane's tooltip, owned by its top-level window (its class name may carry the common
  // controls' version).
  const HWND tooltip = OwnedTooltip(frame.Frame());
  ASSERT_TRUE(tooltip);
  wchar_t text[80] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = Pane();
  tool.uId = reinterpret_cast<UINT_PTR>(wifi);
  tool.lpszText = text;
  SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L"Connect via WIFI");

  // With no dialog open, answers are still freed and ignored.
  CommandRecord answer;
  answer.payload = new WifiServerInfo{L"192.168.1.5", 28080, L""};
  Harness().Send(kHandsetPressWifiButton, answer);
  EXPECT_EQ(answer.payload, nullptr);
  CommandRecord connected;
  Harness().Send(kHandsetWifiConnected, connected);
}

TEST(QrImageTest, EncodesTheConnectionTextAsASmallOpaquePng) {
  EXPECT_EQ(QrConnectionText(L"192.168.1.5", 28080), "192.168.1.5:28080");
  EXPECT_EQ(NetworkText(L"192.168.1.5"), L"192.168.1.X");
  EXPECT_EQ(NetworkText(L"myhost"), L"myhost");
  std::vector<uint8_t> png;
  std::string error;
  ASSERT_TRUE(EncodeQrPng("192.168.1.5:28080", png, error)) << error;
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  // Version 1 (21 modules) at 3 pixels a module and a quiet zone of 12 pixels a side.
  const auto word = [&](size_t at) {
    return (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) | (uint32_t(png[at + 2]) << 8) | png[at + 3];
  };
  EXPECT_EQ(word(16), 21u * 3 + 24);
  EXPECT_EQ(word(20), 21u * 3 + 24);
  EXPECT_EQ(png[24], 1);  // bit depth
  EXPECT_EQ(png[25], 3);  // palette
  const std::string bytes(png.begin(), png.end());
  EXPECT_NE(bytes.find("PLTE"), std::string::npos);
  EXPECT_NE(bytes.find("tRNS"), std::string::npos);
  EXPECT_NE(bytes.find("pHYs"), std::string::npos);
  // Too long for any version at level L.
  EXPECT_FALSE(EncodeQrPng(std::string(8000, 'x'), png, error));
  EXPECT_EQ(error, "Failed to encode the input data");
}

TEST_F(DevicePaneTest, SecondShowWindowReusesThePane) {
  CommandRecord hide;
  hide.window = frame.Frame();
  hide.value = SW_HIDE;
  Harness().Send(kHandsetShowWindow, hide);
  EXPECT_EQ(hide.window, Pane());
  EXPECT_FALSE(IsWindowVisible(Pane()));
  CommandRecord show;
  show.window = frame.Frame();
  show.value = SW_SHOW;
  Harness().Send(kHandsetShowWindow, show);
  EXPECT_EQ(show.window, Pane());
  EXPECT_TRUE(IsWindowVisible(Pane()));
  EXPECT_EQ(Tabs(Pane()).size(), 1u);
}

TEST_F(DevicePaneTest, NoticesForUnknownTabsChangeNothing) {
  SendStatus(reinterpret_cast<HWND>(0x1234), 8);
  RenamePhone(reinterpret_cast<HWND>(0x1234), nullptr);
  CommandRecord noIdentifier;
  noIdentifier.value = kDeviceNoticeBind;
  Harness().Send(kHandsetUpdateDeviceInfo, noIdentifier);
  EXPECT_EQ(Tabs(Pane()).size(), 1u);
  EXPECT_EQ(TextOf(OnlyTab()), L"No Device");
}
