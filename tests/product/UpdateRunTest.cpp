// The shipped program finding, downloading and starting an update, driven with the real mouse
// and keyboard: the title bar's "Check for Update" through every answer, the list of newer
// versions, "Update Now", the download and the installer that runs as the program closes. The
// version feed and the installer come from a loopback HTTP server.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "modules/courier/update/Sha256.h"
#include "tests/harness/LoopbackHttpServer.h"
#include "tests/host/ProductCopy.h"
#include "tests/product/UserInput.h"

using namespace hosttest;
using namespace usertest;

namespace {

constexpr wchar_t kFrameClass[] = L"ZorvaneStewardMainFrame";
constexpr int kSettingsId = 5052;  // the title bar's settings button
constexpr int kOkId = 5051;
constexpr int kUpdateNowId = 5053;
constexpr int kNotesId = 5054;
constexpr int kRemindId = 5052;
constexpr int kSheetLinkId = 5051;  // the link of the notice strip

std::wstring TestFolder() {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring path(program);
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Entry(const std::string& version, const std::string& notes, const std::string& url, size_t size,
                  const std::string& sha) {
  return "{\"version\": \"" + version + "\", \"notes\": " + notes + ", \"installer\": {\"url\": \"" + url +
         "\", \"size\": " + std::to_string(size) + ", \"sha256\": \"" + sha + "\"}}";
}

struct FindChild {
  int id;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM param) {
  auto* find = reinterpret_cast<FindChild*>(param);
  if (GetDlgCtrlID(hwnd) != find->id || !IsWindowVisible(hwnd)) return TRUE;
  find->found = hwnd;
  return FALSE;
}

HWND VisibleChildWithId(HWND top, int id) {
  FindChild find = {id, nullptr};
  EnumChildWindows(top, MatchChild, reinterpret_cast<LPARAM>(&find));
  return find.found;
}

RECT ScreenRect(HWND hwnd) {
  RECT rect = {};
  GetWindowRect(hwnd, &rect);
  return rect;
}

// WM_GETTEXT rather than GetWindowText, which does not ask a control of another process.
std::wstring TextOf(HWND hwnd) {
  wchar_t text[2048] = {};
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
  return text;
}

class ProductUpdate : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_server.Start());
    HttpRoute down;
    down.status = 503;  // the automatic check at start-up finds the server failing
    m_server.Route("/feed.json", down);
    m_installer = ReadBytes(TestFolder() + L"update_fake_installer.exe");
    ASSERT_GT(m_installer.size(), 1000u);
    HttpRoute slow;  // slow enough to be seen half-way
    slow.body = m_installer;
    slow.pieceBytes = m_installer.size() / 40 + 1;
    slow.pieceDelayMs = 100;
    m_server.Route("/setup.exe", slow);

    CopyOptions options;
    options.plugins = {L"Courier", L"Caption", L"Handset"};
    options.withThemes = true;
    m_copy = MakeProductCopy(L"update", options);
    nlohmann::json settings = nlohmann::json::parse(ReadBytes(m_copy + L"Option.json"));
    settings["url"]["update"] = m_server.Url("/feed.json");
    std::ofstream((m_copy + L"Option.json").c_str(), std::ios::binary) << settings.dump(2);

    m_mark = m_copy + L"installer-ran.txt";
    SetEnvironmentVariableW(L"ZORVANE_TEST_INSTALLER_MARK", m_mark.c_str());
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_copy + L"state").c_str());
    m_host = std::make_unique<RunningHost>(m_copy);
    ASSERT_TRUE(m_host->Started());
    ASSERT_TRUE(WaitFor(
        [&] {
          std::vector<HWND> frames = WindowsOf(m_host->Pid(), kFrameClass);
          m_frame = frames.empty() || !IsWindowVisible(frames.front()) ? nullptr : frames.front();
          return m_frame != nullptr;
        },
        60000))
        << m_host->Output();
  }

  void TearDown() override {
    if (m_host && m_host->Running()) {
      for (HWND frame : WindowsOf(m_host->Pid(), kFrameClass)) PostMessageW(frame, WM_CLOSE, 0, 0);
      m_host->Wait(30000);
    }
    SetEnvironmentVariableW(L"ZORVANE_TEST_INSTALLER_MARK", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    m_server.Stop();
  }

  // The shown dialog of the program with a visible control of `id`, if any.
  HWND ShownDialogWith(int id) const {
    for (HWND hwnd : WindowsOf(m_host->Pid(), L"#32770"))
      if (IsWindowVisible(hwnd) && VisibleChildWithId(hwnd, id)) return hwnd;
    return nullptr;
  }

  // Settings button, then "Check for Update" by the keyboard, as a person would.
  void ChooseCheckForUpdate() {
    const HWND settings = VisibleChildWithId(m_frame, kSettingsId);
    ASSERT_NE(settings, nullptr);
    ASSERT_TRUE(Click(CentreOf(ScreenRect(settings))));
    ASSERT_TRUE(WaitFor([&] { return !WindowsOf(m_host->Pid(), L"#32768").empty(); }, 5000));
    // Tutorial, Frequently Asked Questions, Check for Update: the separators are skipped.
    ASSERT_TRUE(Xdotool("key Down sleep 0.1 key Down sleep 0.1 key Down sleep 0.1 key Return"));
  }

  // Waits for the alert and answers it with OK; its text.
  std::wstring AlertText(const std::wstring& screenshot) {
    HWND alert = nullptr;
    EXPECT_TRUE(WaitFor([&] { return (alert = ShownDialogWith(kOkId)) != nullptr && !TextOf(alert).empty(); }, 15000));
    if (!alert) return std::wstring();
    const std::wstring text = TextOf(alert);
    WaitFor([] { return false; }, 300);  // let it paint
    Screenshot(screenshot);
    EXPECT_TRUE(Click(CentreOf(ScreenRect(GetDlgItem(alert, kOkId)))));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(alert); }, 5000));
    return text;
  }

  // 3.0.1 with the served installer, and an older 2.5.0.
  void OfferTwoVersions() {
    HttpRoute two;
    two.body = "{\"versions\": [" +
               Entry("2.5.0", "[\"Photos can be rotated\", \"Fixed: contacts with emoji names\"]",
                     m_server.Url("/old.exe"), 10, std::string(64, '0')) +
               "," +
               Entry("3.0.1", "[\"Messages are searchable\", \"Contacts load faster\", \"Wi-Fi connects on its own\"]",
                     m_server.Url("/setup.exe"), m_installer.size(), Sha256::Of(m_installer)) +
               "]}";
    m_server.Route("/feed.json", two);
  }

  LoopbackHttpServer m_server;
  std::string m_installer;
  std::wstring m_copy;
  std::wstring m_mark;
  std::unique_ptr<RunningHost> m_host;
  HWND m_frame = nullptr;
};

}  // namespace

TEST_F(ProductUpdate, CheckForUpdateAnswersThenUpdateNowDownloadsStartsTheInstallerAndCloses) {
  // The automatic check runs about ten seconds after the start; its failure is not shown.
  ASSERT_TRUE(WaitFor([&] { return m_server.Requests("/feed.json") >= 1; }, 30000)) << m_host->Output();
  WaitFor([] { return false; }, 500);
  EXPECT_EQ(ShownDialogWith(kOkId), nullptr) << "an automatic check that fails shows nothing";

  ChooseCheckForUpdate();
  EXPECT_EQ(AlertText(L"update-failed-alert.png"), L"Update failed! Please check if the network is available.");
  EXPECT_EQ(m_server.Requests("/feed.json"), 2);

  HttpRoute latest;
  latest.body = "{\"versions\": [" + Entry("2.1.163", "[]", m_server.Url("/setup.exe"), 1, std::string(64, '0')) + "]}";
  m_server.Route("/feed.json", latest);
  ChooseCheckForUpdate();
  EXPECT_EQ(AlertText(L"update-latest-alert.png"), L"This version of (2.1.163) is the latest version.");

  OfferTwoVersions();
  ChooseCheckForUpdate();
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (list = ShownDialogWith(kUpdateNowId)) != nullptr; }, 15000)) << m_host->Output();
  const std::wstring notes = TextOf(GetDlgItem(list, kNotesId));
  EXPECT_EQ(notes,
            L"Version: 3.0.1\r\nMessages are searchable\r\nContacts load faster\r\nWi-Fi connects on its own\r\n\r\n"
            L"Version: 2.5.0\r\nPhotos can be rotated\r\nFixed: contacts with emoji names\r\n");
  WaitFor([] { return false; }, 300);
  Screenshot(L"update-list.png");

  const uint64_t before = m_server.BytesSent();
  ASSERT_TRUE(Click(CentreOf(ScreenRect(GetDlgItem(list, kUpdateNowId)))));
  ASSERT_TRUE(WaitFor([&] { return m_server.BytesSent() - before >= m_installer.size() / 2; }, 20000));
  Screenshot(L"update-download.png");

  // The installer runs and the program closes by itself.
  EXPECT_EQ(m_host->Wait(30000), 0) << m_host->Output();
  ASSERT_TRUE(WaitFor([&] { return !ReadBytes(m_mark).empty(); }, 15000)) << m_host->Output();
  const std::string mark = ReadBytes(m_mark);
  const std::wstring ran(reinterpret_cast<const wchar_t*>(mark.data()), mark.size() / sizeof(wchar_t));
  EXPECT_NE(ran.find(L"\\ZorvaneUpdate-"), std::wstring::npos) << Narrow(ran);
  EXPECT_NE(ran.find(L"ZorvaneStewardSetup.exe"), std::wstring::npos) << Narrow(ran);
  EXPECT_EQ(m_server.Requests("/old.exe"), 0);
  EXPECT_NE(m_host->Output().find("SendCommandCommExitServer"), std::string::npos);
  // The downloaded installer is the program the test served, byte for byte.
  const std::wstring installer = ran.substr(0, ran.find(L'\n'));
  EXPECT_EQ(ReadBytes(installer), m_installer);
  DeleteFileW(installer.c_str());
  RemoveDirectoryW(installer.substr(0, installer.find_last_of(L'\\')).c_str());
}

TEST_F(ProductUpdate, AnAutomaticFindSlidesInTheNoticeWhoseClickShowsTheList) {
  OfferTwoVersions();
  HWND sheet = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (sheet = ShownDialogWith(kSheetLinkId)) != nullptr; }, 30000)) << m_host->Output();
  EXPECT_EQ(ShownDialogWith(kUpdateNowId), nullptr) << "the list waits for the user";
  const HWND link = GetDlgItem(sheet, kSheetLinkId);
  EXPECT_NE(TextOf(link).find(L"A new version of (3.0.1) is available."), std::wstring::npos);
  WaitFor([] { return false; }, 300);
  Screenshot(L"update-notice.png");
  const RECT text = ScreenRect(link);
  ASSERT_TRUE(Click(POINT{text.left + 40, (text.top + text.bottom) / 2}));
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (list = ShownDialogWith(kUpdateNowId)) != nullptr; }, 5000));
  EXPECT_FALSE(IsWindowVisible(sheet));

  // Later: the list goes, nothing is downloaded, and the program closes as usual.
  ASSERT_TRUE(Click(CentreOf(ScreenRect(GetDlgItem(list, kRemindId)))));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(list); }, 5000));
  WaitFor([] { return false; }, 300);
  EXPECT_EQ(m_server.Requests("/setup.exe"), 0);
  for (HWND frame : WindowsOf(m_host->Pid(), kFrameClass)) PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(m_host->Wait(30000), 0) << m_host->Output();
  EXPECT_TRUE(ReadBytes(m_mark).empty()) << "no installer ran";
}

namespace {

// The setup program the build made beside the test folder, if it did.
std::wstring BuiltSetupProgram() {
  WIN32_FIND_DATAW entry;
  const std::wstring folder = TestFolder() + L"..\\";
  HANDLE find = FindFirstFileW((folder + L"ZorvaneStewardSetup-*.exe").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return std::wstring();
  FindClose(find);
  return folder + entry.cFileName;
}

struct SetupWindow {
  HWND hwnd = nullptr;
  DWORD pid = 0;
};

BOOL CALLBACK MatchSetupWindow(HWND hwnd, LPARAM param) {
  wchar_t title[256] = {};
  GetWindowTextW(hwnd, title, 256);
  const std::wstring text(title);
  if (!IsWindowVisible(hwnd) || text.find(L"Zorvane Steward for Android") == std::wstring::npos ||
      text.find(L"Setup") == std::wstring::npos)
    return TRUE;
  auto* found = reinterpret_cast<SetupWindow*>(param);
  found->hwnd = hwnd;
  GetWindowThreadProcessId(hwnd, &found->pid);
  return FALSE;
}

std::wstring ImageOf(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) return std::wstring();
  wchar_t path[MAX_PATH * 2] = {};
  DWORD size = MAX_PATH * 2;
  QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  return path;
}

}  // namespace

// With the real setup program as the download, the verified file that starts as the program
// closes is that setup, showing its first page; the test ends it there, installing nothing.
TEST_F(ProductUpdate, TheDownloadedSetupProgramStartsAsTheProgramCloses) {
  const std::wstring built = BuiltSetupProgram();
  if (built.empty()) GTEST_SKIP() << "no setup program was built";
  m_installer = ReadBytes(built);
  ASSERT_GT(m_installer.size(), 100000u);
  HttpRoute setup;
  setup.body = m_installer;
  m_server.Route("/setup.exe", setup);
  OfferTwoVersions();

  HWND sheet = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (sheet = ShownDialogWith(kSheetLinkId)) != nullptr; }, 30000)) << m_host->Output();
  const RECT text = ScreenRect(GetDlgItem(sheet, kSheetLinkId));
  ASSERT_TRUE(Click(POINT{text.left + 40, (text.top + text.bottom) / 2}));
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (list = ShownDialogWith(kUpdateNowId)) != nullptr; }, 5000));
  ASSERT_TRUE(Click(CentreOf(ScreenRect(GetDlgItem(list, kUpdateNowId)))));
  EXPECT_EQ(m_host->Wait(30000), 0) << m_host->Output();

  SetupWindow found;
  ASSERT_TRUE(WaitFor(
      [&] {
        found = SetupWindow();
        EnumWindows(MatchSetupWindow, reinterpret_cast<LPARAM>(&found));
        return found.hwnd != nullptr;
      },
      30000))
      << "the setup program shows no page";
  WaitFor([] { return false; }, 500);
  Screenshot(L"update-setup-started.png");
  const std::wstring image = ImageOf(found.pid);
  EXPECT_NE(image.find(L"\\ZorvaneUpdate-"), std::wstring::npos) << Narrow(image);
  EXPECT_EQ(ReadBytes(image), m_installer) << "the setup that runs is the verified download";
  HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, found.pid);
  ASSERT_NE(process, nullptr);
  TerminateProcess(process, 0);
  WaitForSingleObject(process, 10000);
  CloseHandle(process);
  DeleteFileW(image.c_str());
  RemoveDirectoryW(image.substr(0, image.find_last_of(L'\\')).c_str());
}
