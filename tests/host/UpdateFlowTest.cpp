// The update flow with the real dialogs: what the user sees for each answer of the service, for
// automatic and manual checks, and the download from "Update Now" to the exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"
#include "host/UpdateFlow.h"
#include "host/dialogs/UiSheetDialog.h"
#include "host/dialogs/UiUpdateDownloadDialog.h"
#include "host/dialogs/UiUpdateListDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/host/ControllerTestSupport.h"

using namespace controllertest;

namespace {

std::vector<std::string> g_sent;

// The buttons post their command to the dialog: pumped so it arrives.
void Press(HWND button) {
  SendMessageW(button, BM_CLICK, 0, 0);
  dialogtest::PumpFor(50);
}

int32_t __cdecl FakeModules(CommandRecord* record) {
  g_sent.push_back(record->name);
  return 0;
}

std::wstring TempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::string ReadAll(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

size_t CountSent(const char* name) {
  size_t count = 0;
  for (const std::string& sent : g_sent) count += sent == name;
  return count;
}

VersionList* TwoVersions() {
  return new VersionList{{L"3.0.1", {L"Messages are searchable", L"Contacts load faster"}}, {L"2.2.0", {L"Older fix"}}};
}

class UpdateFlow : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZsUpdateTestView";
    RegisterClassW(&wc);
    s_view = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 50, 50, 900, 600, nullptr, nullptr,
                             nullptr, nullptr);
    Host().windows[kWindowMainView] = s_view;
    const std::wstring settings = TempFile(L"zs-update-option.json");
    std::ofstream(settings.c_str()) << "{\"url\": {\"history\": \"https://history.example/steward\"}}";
    BASUserDefaults::InitUserDefaults("url", settings.c_str());
    CreateHostDialogs(s_view);
    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* module = bus.AddModule(reinterpret_cast<HINSTANCE>(0x53000000), nullptr);
    module->moduleEntry = FakeModules;
    CommandRecord reg;
    for (const char* name : {kCourierCheckForUpdate, kCourierDownloadUpdate, kCourierDownloadUpdateCancel,
                             kCourierExitServer, kCaptionCheckForUpdate})
      RegisterCommand(*module, reg, name);
    FillHandlerTable(bus);
    s_timer = SetTimer(nullptr, 0, 30, AnswerAlerts);
  }

  static void TearDownTestSuite() {
    KillTimer(nullptr, s_timer);
    DestroyHostDialogs();
    DestroyWindow(s_view);
  }

  void SetUp() override {
    ASSERT_NE(s_view, nullptr) << "no display";
    ResetUpdateFlowForTests();
    g_sent.clear();
    g_alerts.clear();
    g_alertAnswers.clear();
    UpdateListDialog()->ClearText();
    UpdateListDialog()->Show(SW_HIDE);
    UpdateDownloadDialog()->Reset();
    UpdateDownloadDialog()->Show(SW_HIDE);
    SheetDialog()->Show(SW_HIDE);
  }

  // The service's answer, posted from "its thread" and then routed.
  static void Answer(int64_t value, VersionList* list = nullptr) {
    CommandRecord record;
    record.value = value;
    record.payload = list;
    record.entries = list ? static_cast<int64_t>(list->size()) : 0;
    CommandBus::Instance().Post(kCourierCheckForUpdate, &record);
    dialogtest::PumpFor(150);
  }

  static void DownloadNotice(int64_t value, const wchar_t* path = nullptr, int64_t position = 0, int64_t total = 0) {
    CommandRecord record;
    record.value = value;
    record.text = path ? _wcsdup(path) : nullptr;
    record.position = position;
    record.total = total;
    CommandBus::Instance().Post(kCourierDownloadUpdate, &record);
    dialogtest::PumpFor(100);
  }

  static HWND s_view;
  static UINT_PTR s_timer;
};

HWND UpdateFlow::s_view = nullptr;
UINT_PTR UpdateFlow::s_timer = 0;

}  // namespace

TEST(UpdateFlowText, NotesListEveryVersionWithABlankLineBetween) {
  const VersionList versions = *std::unique_ptr<VersionList>(TwoVersions());
  EXPECT_EQ(UpdateNotesText(versions),
            L"Version: 3.0.1\nMessages are searchable\nContacts load faster\n\nVersion: 2.2.0\nOlder fix\n");
  EXPECT_EQ(UpdateNotesText(VersionList{{L"4.0", {}}}), L"Version: 4.0\n");
  EXPECT_STREQ(InstallerVerb(10), L"runas");
  EXPECT_STREQ(InstallerVerb(6), L"runas");
  EXPECT_STREQ(InstallerVerb(0), L"runas");  // unknown
  EXPECT_EQ(InstallerVerb(5), nullptr);
}

TEST_F(UpdateFlow, AutomaticAnswersStayQuietUntilANewVersionThenTheSheetLeadsToTheList) {
  Answer(0);
  Answer(1);
  EXPECT_TRUE(g_alerts.empty()) << "an automatic check shows no failure and no latest-version alert";
  EXPECT_EQ(CountSent(kCaptionCheckForUpdate), 2u) << "the title bar hears the end of every check";

  Answer(1, TwoVersions());
  EXPECT_TRUE(g_alerts.empty());
  EXPECT_FALSE(UpdateListDialog()->IsShowing()) << "not forced on the user";
  ASSERT_TRUE(SheetDialog()->IsShowing());
  EXPECT_EQ(SheetDialog()->Text(), L"A new version of (3.0.1) is available.");
  EXPECT_EQ(
      UpdateListDialog()->NotesText(),
      L"Version: 3.0.1\r\nMessages are searchable\r\nContacts load faster\r\n\r\nVersion: 2.2.0\r\nOlder fix\r\n");
  EXPECT_EQ(CountSent(kCaptionCheckForUpdate), 3u);

  // A second find while the sheet is up leaves its notice alone.
  Answer(1, new VersionList{{L"9.9", {}}});
  EXPECT_EQ(SheetDialog()->Text(), L"A new version of (3.0.1) is available.");
  EXPECT_EQ(UpdateListDialog()->NotesText(), L"Version: 9.9\r\n") << "the list always holds the latest answer";

  dialogtest::PumpUntil([] { return SheetDialog()->IsFullyOpen(); }, 3000);
  NMHDR click = {SheetDialog()->Link(), static_cast<UINT_PTR>(UiSheetDialog::kLinkId), static_cast<UINT>(NM_CLICK)};
  SendMessageW(SheetDialog()->Hwnd(), WM_NOTIFY, click.idFrom, reinterpret_cast<LPARAM>(&click));
  EXPECT_FALSE(SheetDialog()->IsShowing());
  EXPECT_TRUE(UpdateListDialog()->IsShowing());
}

TEST_F(UpdateFlow, AManualCheckAnswersEveryCaseAndReusesAListItHas) {
  CommandRecord check;
  CommandBus::Instance().Post(kCaptionCheckForUpdate, &check);
  EXPECT_EQ(CountSent(kCourierCheckForUpdate), 1u);
  EXPECT_TRUE(IsManualUpdateCheck());

  Answer(0);
  Answer(1);
  ASSERT_EQ(g_alerts.size(), 2u);
  EXPECT_EQ(g_alerts[0].text, L"Update failed! Please check if the network is available.");
  EXPECT_EQ(g_alerts[1].text, L"This version of (2.1.163) is the latest version.");
  for (const SeenAlert& alert : g_alerts) {
    EXPECT_EQ(alert.width, 440);
    EXPECT_EQ(alert.height, 100);
  }
  EXPECT_EQ(CountSent(kCaptionCheckForUpdate), 2u);

  Answer(1, TwoVersions());
  EXPECT_TRUE(UpdateListDialog()->IsShowing()) << "a manual find shows the list at once";
  EXPECT_FALSE(SheetDialog()->IsShowing());
  UpdateListDialog()->Show(SW_HIDE);

  // Asked again: the list it holds comes back without a new check.
  g_sent.clear();
  CommandBus::Instance().Post(kCaptionCheckForUpdate, &check);
  EXPECT_EQ(CountSent(kCourierCheckForUpdate), 0u);
  EXPECT_EQ(CountSent(kCaptionCheckForUpdate), 1u);
  EXPECT_TRUE(UpdateListDialog()->IsShowing());
}

TEST_F(UpdateFlow, RemindMeLaterOnlyHidesTheList) {
  Answer(1, TwoVersions());
  CommandRecord check;
  CommandBus::Instance().Post(kCaptionCheckForUpdate, &check);
  ASSERT_TRUE(UpdateListDialog()->IsShowing());
  g_sent.clear();
  Press(UpdateListDialog()->RemindButton());
  EXPECT_FALSE(UpdateListDialog()->IsShowing());
  EXPECT_TRUE(g_sent.empty());
  EXPECT_FALSE(UpdateDownloadDialog()->IsShowing());
}

TEST_F(UpdateFlow, UpdateNowDownloadsWithProgressCancelFailureAndTheExit) {
  Answer(1, TwoVersions());
  CommandRecord check;
  CommandBus::Instance().Post(kCaptionCheckForUpdate, &check);
  ASSERT_TRUE(UpdateListDialog()->IsShowing());
  g_sent.clear();
  Press(UpdateListDialog()->UpdateButton());
  EXPECT_FALSE(UpdateListDialog()->IsShowing());
  UiUpdateDownloadDialog* download = UpdateDownloadDialog();
  ASSERT_TRUE(download->IsShowing());
  EXPECT_EQ(download->State().Text(), L"Downloading updated files, please wait...");
  EXPECT_FALSE(download->ShowsFolder());
  EXPECT_EQ(g_sent, std::vector<std::string>{kCourierDownloadUpdate});

  DownloadNotice(2, nullptr, 400, 1000);
  EXPECT_EQ(download->State().Position(), 400);
  EXPECT_EQ(download->State().Total(), 1000);

  // Cancel while it runs: the service hears it once.
  Press(download->SecondButton());
  EXPECT_EQ(CountSent(kCourierDownloadUpdateCancel), 1u);
  EXPECT_FALSE(download->IsShowing());

  // Again, and this time the service reports a failure.
  UpdateListDialog()->Show(SW_SHOW);
  Press(UpdateListDialog()->UpdateButton());
  DownloadNotice(3);
  EXPECT_EQ(download->State().Text(), L"Download failed! Please check if the network is available.");
  EXPECT_EQ(download->SecondButtonText(), L"OK");
  EXPECT_FALSE(download->HasCancelAction());
  dialogtest::PumpFor(600);  // a redraw tick must not turn the reason into "Finish"
  EXPECT_EQ(download->State().Text(), L"Download failed! Please check if the network is available.");
  g_sent.clear();
  Press(download->SecondButton());
  EXPECT_EQ(CountSent(kCourierDownloadUpdateCancel), 0u) << "OK after a failure cancels nothing";

  // And once more, to the end.
  UpdateListDialog()->Show(SW_SHOW);
  Press(UpdateListDialog()->UpdateButton());
  g_sent.clear();
  DownloadNotice(0, L"C:\\temp\\ZorvaneUpdate-1\\ZorvaneStewardSetup.exe");
  EXPECT_EQ(download->InstallerPath(), L"C:\\temp\\ZorvaneUpdate-1\\ZorvaneStewardSetup.exe");
  EXPECT_EQ(download->State().Text(), L"Closing application,wait a moment...");
  EXPECT_FALSE(IsWindowEnabled(download->SecondButton()));
  EXPECT_EQ(g_sent, std::vector<std::string>{kCourierExitServer});

  // Values the flow does not know change nothing.
  DownloadNotice(7, L"C:\\other.exe");
  EXPECT_EQ(download->InstallerPath(), L"C:\\temp\\ZorvaneUpdate-1\\ZorvaneStewardSetup.exe");
}

TEST_F(UpdateFlow, ReadMoreVersionsOpensTheHistoryAddress) {
  UiUpdateListDialog* list = UpdateListDialog();
  list->Show(SW_SHOW);
  const std::wstring log = TempFile(L"zs-update-shell.log");
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", log.c_str());
  SendMessageW(list->Link(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 6));
  SendMessageW(list->Link(), WM_LBUTTONUP, 0, MAKELPARAM(3, 6));
  dialogtest::PumpFor(50);
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", nullptr);
  EXPECT_EQ(ReadAll(log), "open https://history.example/steward\n");
  EXPECT_TRUE(list->IsShowing()) << "the link leaves the list open";
  DeleteFileW(log.c_str());
}
