// The shipped program started from outside, with probe plug-ins in a test copy of the
// product standing in for the modules.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "contracts/CommandNames.h"
#include "tests/host/ProductCopy.h"

using namespace hosttest;
using nlohmann::json;

namespace {

BOOL CALLBACK LongestStatic(HWND child, LPARAM lp) {
  auto* best = reinterpret_cast<std::wstring*>(lp);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (_wcsicmp(cls, L"Static") != 0) return TRUE;
  wchar_t text[1024] = {};
  GetWindowTextW(child, text, 1024);
  if (wcslen(text) > best->size()) *best = text;
  return TRUE;
}

// The themed alert carries its message as its window text; a system one in a static.
std::wstring AlertText(HWND alert) {
  wchar_t own[1024] = {};
  GetWindowTextW(alert, own, 1024);
  std::wstring text = own;
  if (text.find(L"Option.json") == std::wstring::npos) {
    text.clear();
    EnumChildWindows(alert, LongestStatic, reinterpret_cast<LPARAM>(&text));
  }
  return text;
}

size_t CountOf(const std::string& haystack, const std::string& needle) {
  size_t n = 0;
  for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++n;
  return n;
}

}  // namespace

TEST(HostRun, MissingSettingsFileShowsTheAlertAndEndsWithoutAWindow) {
  CopyOptions options;
  options.withSettings = false;
  std::wstring copy = MakeProductCopy(L"nosettings", options);
  AddProbe(copy, L"Probe", {{"register", {kCaptionCreateTitlebar}}});
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  HWND alert = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        auto windows = WindowsOf(host.Pid(), L"#32770");
        alert = windows.empty() ? nullptr : windows[0];
        return alert != nullptr && !AlertText(alert).empty();
      },
      30000));
  EXPECT_EQ(AlertText(alert), L"Load Option.json Fail:\n" + copy + L"Option.json");
  EXPECT_TRUE(WindowsOf(host.Pid(), L"ZorvaneStewardMainFrame").empty());
  PostMessageW(alert, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(host.Wait(30000), 0);
  // The folder that should hold the file is opened; no plug-in was loaded.
  EXPECT_NE(host.ShellRequests().find("open " + Narrow(copy.substr(0, copy.size() - 1))), std::string::npos)
      << host.ShellRequests();
  EXPECT_TRUE(ReadProbeLog(copy, L"Probe").empty());
}

TEST(HostRun, OnlyFoldersAreTriedAndABadFolderDoesNotStopTheOthers) {
  std::wstring copy = MakeProductCopy(L"plugins", {});
  std::wstring plugins = copy + L"plugins\\";
  CreateDirectoryW((plugins + L"Empty").c_str(), nullptr);
  CreateDirectoryW((plugins + L"Broken").c_str(), nullptr);
  CopyFileW((copy + L"Option.json").c_str(), (plugins + L"Broken\\libBroken.dll").c_str(), FALSE);
  CreateDirectoryW((plugins + L"NoExport").c_str(), nullptr);
  CopyFileW((copy + L"libCornerstone.dll").c_str(), (plugins + L"NoExport\\libNoExport.dll").c_str(), FALSE);
  AddProbe(copy, L"Probe", {{"register", {kCaptionCreateTitlebar}}, {"closeAfterMs", 1500}});
  // A library lying at the top level is not a plug-in.
  CopyFileW((plugins + L"Probe\\libProbe.dll").c_str(), (plugins + L"libStray.dll").c_str(), FALSE);

  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  EXPECT_EQ(host.Wait(60000), 0);
  std::string out = host.Output();
  EXPECT_NE(out.find("LoadAllPlugins"), std::string::npos);
  EXPECT_NE(out.find("install_dir_temp: " + Narrow(copy)), std::string::npos) << out;
  EXPECT_NE(out.find("CMainFrame: "), std::string::npos);
  EXPECT_EQ(CountOf(out, " GetLastError: "), 4u) << out;
  auto log = ReadProbeLog(copy, L"Probe");
  auto titleBar = Received(log, kCaptionCreateTitlebar);
  ASSERT_EQ(titleBar.size(), 1u);
  EXPECT_NE(titleBar[0]["window"].get<int64_t>(), 0);
  EXPECT_EQ(GetFileAttributesW((plugins + L"libStray.log").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(HostRun, DeviceServiceIsStartedReadiedAndReleased) {
  std::wstring copy = MakeProductCopy(L"service", {});
  AddProbe(copy, L"Probe",
           {{"register", {kCourierStartServer, kCourierReadyStartServer, kCourierDestroyResource}},
            {"post", {{{"name", kCourierReadyStartServer}, {"afterMs", 300}, {"value", 7}}}},
            {"closeAfterMs", 2000}});
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  EXPECT_EQ(host.Wait(60000), 0);
  auto log = ReadProbeLog(copy, L"Probe");
  auto start = Received(log, kCourierStartServer);
  ASSERT_EQ(start.size(), 1u);
  EXPECT_NE(start[0]["data"].get<int64_t>(), 0);  // the three product strings
  // A ready notice posted to the host comes back to the service from the UI thread.
  auto ready = Received(log, kCourierReadyStartServer);
  ASSERT_EQ(ready.size(), 1u);
  EXPECT_EQ(ready[0]["value"].get<int64_t>(), 7);
  EXPECT_EQ(ready[0]["thread"], start[0]["thread"]);
  auto destroy = Received(log, kCourierDestroyResource);
  ASSERT_EQ(destroy.size(), 1u);
  EXPECT_GT(destroy[0]["seq"].get<int64_t>(), ready[0]["seq"].get<int64_t>());
}

TEST(HostRun, TwoInstancesRunSideBySideEachWithItsOwnLogFolder) {
  std::wstring first = MakeProductCopy(L"twin", {});
  std::wstring second = MakeProductCopy(L"twin", {});
  AddProbe(first, L"Probe", {{"register", {kCaptionCreateTitlebar}}, {"closeAfterMs", 4000}});
  AddProbe(second, L"Probe", {{"register", {kCaptionCreateTitlebar}}, {"closeAfterMs", 4000}});
  RunningHost a(first), b(second);
  ASSERT_TRUE(a.Started() && b.Started());
  ASSERT_TRUE(WaitFor([&] { return FolderExists(LogFolderOf(a.Pid())) && FolderExists(LogFolderOf(b.Pid())); }, 20000));
  ASSERT_TRUE(WaitFor(
      [&] {
        return !WindowsOf(a.Pid(), L"ZorvaneStewardMainFrame").empty() &&
               !WindowsOf(b.Pid(), L"ZorvaneStewardMainFrame").empty();
      },
      20000));
  // A dump in the second one's folder keeps it; the first one's empty folder goes.
  std::wstring keep = LogFolderOf(b.Pid()) + L"\\20261208000000.dmp";
  FILE* f = _wfopen(keep.c_str(), L"wb");
  ASSERT_NE(f, nullptr);
  std::fputs("MDMP", f);
  std::fclose(f);
  EXPECT_EQ(a.Wait(60000), 0);
  EXPECT_EQ(b.Wait(60000), 0);
  EXPECT_FALSE(FolderExists(LogFolderOf(a.Pid())));
  EXPECT_TRUE(FolderExists(LogFolderOf(b.Pid())));
  DeleteFileW(keep.c_str());
  RemoveDirectoryW(LogFolderOf(b.Pid()).c_str());
}

TEST(HostRun, TheLastRegistrationOfANameWinsEvenWhenItComesLate) {
  std::wstring copy = MakeProductCopy(L"lastwins", {});
  AddProbe(copy, L"Alpha", {{"register", {kCourierReadyStartServer}}, {"closeAfterMs", 2500}});
  // Beta takes the name over after start-up, then has the host route it.
  AddProbe(copy, L"Beta",
           {{"post",
             {{{"name", kCourierReadyStartServer}, {"afterMs", 300}, {"action", 1}, {"instanceSelf", true}},
              {{"name", kCourierReadyStartServer}, {"afterMs", 600}, {"value", 5}}}}});
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  EXPECT_EQ(host.Wait(60000), 0);
  EXPECT_TRUE(Received(ReadProbeLog(copy, L"Alpha"), kCourierReadyStartServer).empty());
  auto beta = Received(ReadProbeLog(copy, L"Beta"), kCourierReadyStartServer);
  ASSERT_EQ(beta.size(), 1u);
  EXPECT_EQ(beta[0]["value"].get<int64_t>(), 5);
}

TEST(HostRun, TheShippedDeviceServiceStartsWithItsDemoPhonesAndStopsAtExit) {
  CopyOptions options;
  options.plugins = {L"Courier"};
  std::wstring copy = MakeProductCopy(L"courier", options);
  AddProbe(copy, L"Probe", {{"register", {kCaptionCreateTitlebar}}, {"closeAfterMs", 2500}});
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  EXPECT_EQ(host.Wait(60000), 0);
  std::string out = host.Output();
  EXPECT_EQ(CountOf(out, " GetLastError: 0"), 2u) << out;
  EXPECT_EQ(out.find("libCourier: demo data"), std::string::npos) << out;  // the shipped file is valid
}

TEST(HostRun, PanesGetTheirSizesAndMaximiseThenRestoreGivesBackTheFrame) {
  std::wstring copy = MakeProductCopy(L"layout", {});
  const json peek = {{kCaptionChangeSize, 2}, {kHandsetChangeSize, 2}, {kJobsChangeSize, 2}, {kExtrasChangeSize, 2}};
  AddProbe(copy, L"Probe",
           {{"register", {kCaptionChangeSize, kHandsetChangeSize, kJobsChangeSize, kExtrasChangeSize}},
            {"peekData", peek},
            {"post",
             {{{"name", kCaptionPressMaxOrReset}, {"afterMs", 600}},
              {{"name", kCaptionPressMaxOrReset}, {"afterMs", 1200}}}},
            {"closeAfterMs", 3500}});
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  HWND frame = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        auto frames = WindowsOf(host.Pid(), L"ZorvaneStewardMainFrame");
        frame = frames.empty() ? nullptr : frames[0];
        return frame != nullptr && IsWindowVisible(frame);
      },
      20000));
  RECT before;
  GetWindowRect(frame, &before);
  Sleep(2200);  // maximised, then restored
  RECT after;
  GetWindowRect(frame, &after);
  EXPECT_EQ(host.Wait(60000), 0);
  EXPECT_EQ(after.left, before.left);
  EXPECT_EQ(after.top, before.top);
  EXPECT_EQ(after.right - after.left, 984);
  EXPECT_EQ(after.bottom - after.top, 700);

  auto log = ReadProbeLog(copy, L"Probe");
  auto titleBar = Received(log, kCaptionChangeSize);
  auto device = Received(log, kHandsetChangeSize);
  auto tasks = Received(log, kJobsChangeSize);
  auto toolkit = Received(log, kExtrasChangeSize);
  ASSERT_GE(titleBar.size(), 3u);
  ASSERT_EQ(device.size(), titleBar.size());
  ASSERT_EQ(tasks.size(), titleBar.size());
  // The toolkit page fills the same area as the others.
  ASSERT_EQ(toolkit.size(), titleBar.size());
  // Start: the view is 984 x 700, the panes below the title bar 982 x 631.
  EXPECT_EQ(titleBar.front()["peek"], json({984, 700}));
  EXPECT_EQ(device.front()["peek"], json({982, 631}));
  EXPECT_EQ(tasks.front()["peek"], json({982, 631}));
  // Maximised to the work area, then back.
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  bool sawMaximised = false;
  for (const auto& entry : titleBar)
    if (entry["peek"] == json({work.right - work.left, work.bottom - work.top})) sawMaximised = true;
  EXPECT_TRUE(sawMaximised);
  EXPECT_EQ(titleBar.back()["peek"], json({984, 700}));
  EXPECT_EQ(device.back()["peek"], json({982, 631}));
  EXPECT_EQ(toolkit.back()["peek"], json({982, 631}));
}

TEST(HostRun, BothDemoPhonesReachTheirNavigatorAndTheFirstSectionIsOpened) {
  CopyOptions options;
  options.plugins = {L"Courier", L"Caption", L"Handset", L"Navigator"};
  options.withThemes = true;
  std::wstring copy = MakeProductCopy(L"phones", options);
  // The probe stands in for the content panes: the host opens "Home" on the dashboard.
  AddProbe(
      copy, L"Probe",
      {{"register", {kDashboardCreateWindow, kDashboardShowWindow, kRolodexCreateWindow}}, {"closeAfterMs", 20000}});
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());
  ASSERT_TRUE(WaitFor([&] { return Received(ReadProbeLog(copy, L"Probe"), kDashboardShowWindow).size() >= 2; }, 30000))
      << host.Output();
  EXPECT_EQ(host.Wait(60000), 0);
  auto log = ReadProbeLog(copy, L"Probe");
  auto created = Received(log, kRolodexCreateWindow);
  auto shown = Received(log, kDashboardShowWindow);
  ASSERT_EQ(created.size(), 2u);  // one set of panes per phone
  ASSERT_GE(shown.size(), 2u);
  // Each phone's "Home" is shown inside its own wizard window.
  EXPECT_NE(shown[0]["window"], shown[1]["window"]);
  std::set<int64_t> parents = {created[0]["window"].get<int64_t>(), created[1]["window"].get<int64_t>()};
  EXPECT_EQ(parents.count(shown[0]["window"].get<int64_t>()), 1u);
  EXPECT_EQ(parents.count(shown[1]["window"].get<int64_t>()), 1u);
}
