// A phone over Wi-Fi in the shipped program, with the companion simulator as the phone (a
// native process: a real socket between two programs) and the real mouse and keyboard: the QR
// code read off the screen, the user's confirmation, the phone's tab and contacts, an edit made
// on the PC arriving on the phone, the phone leaving. Hostile peers meanwhile (garbage, a frame
// of a gigabyte, a slow hello, 200 connections at once) are dropped while the phone keeps working.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <commctrl.h>

#include <io.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/host/ProductCopy.h"
#include "tests/product/UserInput.h"

using namespace hosttest;
using namespace usertest;

namespace {

const int kResultsToErrorStream = (std::fflush(stdout), _dup2(_fileno(stderr), _fileno(stdout)));

constexpr wchar_t kFrameClass[] = L"ZorvaneStewardMainFrame";
constexpr int kWifiButtonId = 6001;
constexpr int kQrCloseId = 4009;
constexpr int kQrLinkId = 4010;
constexpr int kAlertOkId = 5051;
constexpr int kContactsListId = 5010;
constexpr int kSearchEditId = 5005;
constexpr int kPencilId = 5009;
constexpr int kOkId = 4002;
constexpr int kFirstNameBoxId = 4020;
constexpr int kWizardActionId = 5000;
constexpr int kContactsRow = 2;
constexpr char kPhoneName[] = "Pebble on WiFi";

RECT WindowRect(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

bool ClickOn(HWND hwnd) { return hwnd && Click(CentreOf(WindowRect(hwnd))); }

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

// The folder the companion processes share with this test, as both sides name it.
std::string UnixFolder() { return "/tmp/zs-wifi-" + std::to_string(GetCurrentProcessId()); }
std::wstring WindowsPath(const std::string& unix) {
  std::wstring path = L"Z:";
  for (char c : unix) path.push_back(c == '/' ? L'\\' : static_cast<wchar_t>(c));
  return path;
}

// Starts the companion in the background; its output goes to NAME.log in the shared folder.
bool StartCompanion(const std::string& arguments, const std::string& name) {
  const std::string log = UnixFolder() + "/" + name + ".log";
  return RunUnixDetached("python3 " ZS_COMPANION_SCRIPT " " + arguments + " </dev/null >" + log + " 2>&1");
}

nlohmann::json PhoneState(const std::string& name) {
  const std::string text = ReadFileText(WindowsPath(UnixFolder() + "/" + name + "/state.json"));
  nlohmann::json state = nlohmann::json::parse(text, nullptr, false);
  return state.is_discarded() ? nlohmann::json::object() : state;
}

// Whether a new connection to the listener is refused (the door is shut).
bool Refused(const std::string& target) {
  const size_t colon = target.rfind(':');
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = inet_addr(target.substr(0, colon).c_str());
  address.sin_port = htons(static_cast<u_short>(std::stoi(target.substr(colon + 1))));
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  const bool refused = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0;
  closesocket(s);
  return refused;
}

HWND VisibleButton(DWORD pid, const std::wstring& text) {
  for (HWND button : VisibleChildren(pid, L"Button"))
    if (TextOf(button) == text) return button;
  return nullptr;
}

class ProductWifi : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    ASSERT_TRUE(RunUnix("rm -rf " + UnixFolder() + " && mkdir -p " + UnixFolder()));
    CopyOptions options;
    options.plugins = {L"Courier", L"Caption", L"Handset", L"Navigator", L"Rolodex", L"Dashboard"};
    options.withThemes = true;
    m_copy = MakeProductCopy(L"wifi", options);
    // No demo phone: the Wi-Fi phone is the only one.
    const std::wstring empty = m_copy + L"no-phones.json";
    FILE* file = _wfopen(empty.c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fputs("{\"format\": 1, \"phones\": []}\n", file);
    std::fclose(file);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", empty.c_str());
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_copy + L"state").c_str());
    m_host = std::make_unique<RunningHost>(m_copy);
    ASSERT_TRUE(m_host->Started());
    ASSERT_TRUE(WaitFor(
        [&] {
          return (m_wifi = VisibleChildren(m_host->Pid(), L"Button", kWifiButtonId).size() == 1
                               ? VisibleChildren(m_host->Pid(), L"Button", kWifiButtonId)[0]
                               : nullptr) != nullptr;
        },
        60000))
        << m_host->Output();
    Sleep(500);  // the service is ready shortly after the frame
  }

  void TearDown() override {
    RunUnix("touch " + UnixFolder() + "/phone1/leave");
    if (m_host) {
      for (HWND frame : WindowsOf(m_host->Pid(), kFrameClass)) PostMessageW(frame, WM_CLOSE, 0, 0);
      EXPECT_EQ(m_host->Wait(30000), 0) << m_host->Output();
    }
    SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
    WSACleanup();
  }

  HWND QrDialog() const {
    for (HWND hwnd : WindowsOf(m_host->Pid()))
      if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, kQrCloseId) && GetDlgItem(hwnd, kQrLinkId)) return hwnd;
    return nullptr;
  }
  HWND Alert() const {
    for (HWND hwnd : WindowsOf(m_host->Pid(), L"#32770"))
      if (IsWindowVisible(hwnd) && GetDlgItem(hwnd, kAlertOkId) && !GetDlgItem(hwnd, kQrLinkId)) return hwnd;
    return nullptr;
  }
  HWND Dialog(const wchar_t* title) const {
    for (HWND hwnd : WindowsOf(m_host->Pid(), L"#32770"))
      if (IsWindowVisible(hwnd) && TextOf(hwnd) == title) return hwnd;
    return nullptr;
  }

  // Presses "Connect via WIFI" and reads the code the dialog shows: "address:port".
  std::string OpenQrCode(const wchar_t* screenshot) {
    EXPECT_TRUE(ClickOn(m_wifi));
    EXPECT_TRUE(WaitFor([&] { return QrDialog() != nullptr; }, 10000)) << m_host->Output();
    std::string code;
    WaitFor(
        [&] {
          Sleep(300);
          code = DecodeQrOnScreen(screenshot);
          return !code.empty();
        },
        15000);
    return code;
  }

  std::wstring m_copy;
  std::unique_ptr<RunningHost> m_host;
  HWND m_wifi = nullptr;
};

}  // namespace

TEST_F(ProductWifi, APhoneConnectsIsConfirmedServedEditedAndLeavesWhileHostilePeersAreDropped) {
  // The code on the screen names this PC's listener.
  const std::string target = OpenQrCode(L"wifi-qr-real-address.png");
  ASSERT_TRUE(std::regex_match(target, std::regex(R"(\d+\.\d+\.\d+\.\d+:\d+)"))) << target;
  EXPECT_GE(std::stoi(target.substr(target.rfind(':') + 1)), 28460);

  // The phone says hello; the user is asked, by its name and address, and agrees.
  ASSERT_TRUE(StartCompanion(target + " --data " ZS_DEMO_DATA " --phone ZV4K2093NQ --name '" + kPhoneName +
                                 "' --control " + UnixFolder() + "/phone1",
                             "phone1"));
  HWND alert = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (alert = Alert()) != nullptr; }, 15000)) << m_host->Output();
  Sleep(300);
  Screenshot(L"wifi-confirm.png");
  const std::string address = target.substr(0, target.rfind(':'));
  EXPECT_EQ(PhoneState("phone1").value("state", ""), "waiting for the PC's user");
  ASSERT_TRUE(ClickOn(GetDlgItem(alert, kAlertOkId)));

  // Its tab comes, the QR dialog goes, the phone walks to ready and its sections show.
  HWND tree = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> trees = VisibleChildren(m_host->Pid(), WC_TREEVIEWW);
        tree = trees.empty() ? nullptr : trees.front();
        return tree && SendMessageW(tree, TVM_GETCOUNT, 0, 0) >= 8 && QrDialog() == nullptr;
      },
      20000))
      << m_host->Output();
  EXPECT_NE(VisibleButton(m_host->Pid(), L"Pebble on WiFi"), nullptr);
  EXPECT_TRUE(WaitFor([&] { return Refused(target); }, 5000)) << "no QR code, no open door";
  Sleep(1000);  // the phone's summary on Home
  Screenshot(L"wifi-phone-tab.png");

  // Its contacts, listed from the phone.
  const RECT rows = WindowRect(tree);
  const int height = static_cast<int>(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0));
  ASSERT_TRUE(Click(POINT{rows.left + 100, rows.top + kContactsRow * height + height / 2}));
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, kContactsListId);
        list = lists.empty() ? nullptr : lists.front();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 21;
      },
      20000))
      << m_host->Output();
  EXPECT_TRUE(WaitFor(
      [&] {
        for (HWND hwnd : WindowsOf(m_host->Pid(), L"#32770"))
          if (IsWindowVisible(hwnd)) return false;
        return true;
      },
      10000))
      << "the loading dialog closes by itself";
  Sleep(500);
  Screenshot(L"wifi-phone-contacts.png");

  // Hostile peers while the door is open again; the phone keeps answering meanwhile.
  ASSERT_EQ(OpenQrCode(L"wifi-qr-again.png"), target);
  for (const char* mode : {"garbage", "huge", "slow", "flood"})
    ASSERT_TRUE(StartCompanion(
        target + " --hostile " + mode + " --count " + (std::string(mode) == "slow" ? "30" : "200"), mode));
  std::vector<std::string> results;
  EXPECT_TRUE(WaitFor(
      [&] {
        results.clear();
        for (const char* mode : {"garbage", "huge", "slow", "flood"})
          results.push_back(ReadFileText(WindowsPath(UnixFolder() + "/" + mode + ".log")));
        for (const std::string& result : results)
          if (result.find("closed") == std::string::npos) return false;
        return true;
      },
      40000));
  for (const std::string& result : results) SCOPED_TRACE(result);
  EXPECT_NE(results[0].find("closed 1 of 1"), std::string::npos) << results[0];
  EXPECT_NE(results[1].find("closed 1 of 1"), std::string::npos) << results[1];
  EXPECT_NE(results[2].find("closed 1 of 1"), std::string::npos) << results[2];
  EXPECT_NE(results[3].find("of 200"), std::string::npos) << results[3];
  EXPECT_NE(results[3].find("closed 200 of 200"), std::string::npos) << results[3];
  nlohmann::json phone = PhoneState("phone1");
  EXPECT_EQ(phone.value("state", ""), "connected");
  const nlohmann::json received = phone.value("received", nlohmann::json::array());
  EXPECT_NE(std::find(received.begin(), received.end(), "ping"), received.end()) << "kept alive meanwhile";
  HWND qr = QrDialog();
  ASSERT_NE(qr, nullptr) << "the dialog still stands";
  Screenshot(L"wifi-after-hostile-peers.png");
  ASSERT_TRUE(ClickOn(GetDlgItem(qr, kQrCloseId)));
  ASSERT_TRUE(WaitFor([&] { return QrDialog() == nullptr; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return Refused(target); }, 5000));

  // An edit made on the PC arrives on the phone.
  HWND search = GetDlgItem(GetParent(list), kSearchEditId);
  ASSERT_TRUE(ClickOn(search) && Xdotool("type --delay 40 mama") && Key("Return"));
  ASSERT_TRUE(WaitFor([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 1; }, 5000));
  ASSERT_TRUE(ClickOn(GetDlgItem(GetParent(list), kPencilId)));
  HWND editor = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (editor = Dialog(L"Edit")) != nullptr; }, 10000));
  Sleep(300);
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kFirstNameBoxId)) && Key("End") && Key("shift+Home") && Key("BackSpace") &&
              Xdotool("type --delay 40 Mother"));
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kOkId)));
  ASSERT_TRUE(WaitFor([&] { return Dialog(L"Edit") == nullptr; }, 10000));
  bool arrived = false;
  EXPECT_TRUE(WaitFor(
      [&] {
        phone = PhoneState("phone1");
        for (const nlohmann::json& contact : phone.value("contacts", nlohmann::json::array()))
          arrived = arrived || contact.value("name", "") == "Mother";
        return arrived;
      },
      10000))
      << phone.dump(1);
  const nlohmann::json kinds = phone.value("received", nlohmann::json::array());
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), "contact.save"), kinds.end());

  // The phone leaves: its tab shows it disconnected, as an unplugged cable does.
  ASSERT_TRUE(RunUnix("touch " + UnixFolder() + "/phone1/leave"));
  EXPECT_TRUE(WaitFor([&] { return PhoneState("phone1").value("state", "") == "left"; }, 5000));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(tree); }, 10000)) << "its sections are hidden";
  EXPECT_TRUE(WaitFor([&] { return !VisibleChildren(m_host->Pid(), L"Button", kWizardActionId).empty(); }, 10000))
      << "the detection page with its Retry";
  Sleep(500);
  Screenshot(L"wifi-phone-left.png");
  EXPECT_NE(VisibleButton(m_host->Pid(), L"Pebble on WiFi"), nullptr) << "the tab stays until removed";
}
