// The apps pane through its plug-in edge: apps streamed in with their labels, packages and
// versions, the search, the requests its buttons post, and the records that are no batch.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"
#include "contracts/MessageLoop.h"
#include "kit/BASMediaFilePane.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

namespace {

std::unique_ptr<ModuleHarness> g_harness;
std::unique_ptr<GdiplusSession> g_gdiplus;

class NoLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter*) override { return true; }
  bool RemoveMessageFilter(CMessageFilter*) override { return true; }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

MediaFileRecord* App(const std::wstring& package, const std::wstring& label, const std::wstring& version, bool system) {
  auto* app = new MediaFileRecord;
  app->identifier = package;
  app->name = label;
  app->title = label;
  app->version = version;
  app->format = L".apk";
  app->album = system ? L"System apps" : L"User apps";
  app->system = system;
  app->sizeBytes = 8912896;
  return app;
}

class AppPane : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_gdiplus = std::make_unique<GdiplusSession>();
    g_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(g_harness->Load(ModuleHarness::PluginPath(L"libPackages"))) << g_harness->LoadError();
  }
  static void TearDownTestSuite() {
    g_harness.reset();
    g_gdiplus.reset();
  }
  void SetUp() override {
    m_parent.Create(nullptr, L"PackagesTestParent", L"apps", WS_POPUP | WS_VISIBLE, 0, MakeRect(20, 20, 1000, 600));
    ASSERT_TRUE(m_parent.Hwnd()) << "no display";
    CommandRecord create;
    create.window = m_parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&m_loop);
    g_harness->Send(kPackagesCreateWindow, create);
    m_pane = FindWindowExW(m_parent.Hwnd(), nullptr, L"DhAppDelegate", nullptr);
    ASSERT_TRUE(m_pane);
    m_list = GetDlgItem(m_pane, kMediaListId);
    CommandRecord show;
    show.window = m_parent.Hwnd();
    g_harness->Send(kPackagesShowWindow, show);
    g_harness->SetHook(kPackagesDoApp, [this](CommandRecord& record) {
      m_codes.push_back(record.code);
      if (record.code == kMediaRequestDelete) {
        std::unique_ptr<MediaFileList> apps(static_cast<MediaFileList*>(record.data));
        m_deleteCount = apps->size();
      } else if (record.code == kMediaRequestExport) {
        std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
        for (ExportRecord* item : *exports) {
          m_names.push_back(item->fileName);
          delete item;
        }
      }
      return 0;
    });
    MediaFileList apps{App(L"com.tidewater.weather", L"Tidewater Weather", L"5.3.1", false),
                       App(L"org.fahrplan.hamburg", L"Fahrplan HH", L"12.0.4", false),
                       App(L"com.android.settings", L"Settings", L"13", true)};
    Send(kPackagesAddApp, kAddMediaAppend, &apps);
    Pump();
  }
  void TearDown() override {
    g_harness->SetHook(kPackagesDoApp, nullptr);
    m_parent.Destroy();
    Pump();
  }
  void Send(const char* name, int64_t code = 0, void* payload = nullptr) {
    CommandRecord record;
    record.window = m_parent.Hwnd();
    record.code = code;
    record.payload = payload;
    g_harness->Send(name, record);
  }
  void Button(int id) {
    SendMessageW(m_pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_pane, id)));
    Pump();
  }
  int Rows() const { return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)); }
  void Search(const wchar_t* text) {
    SetWindowTextW(GetDlgItem(m_pane, kMediaSearchEditId), text);
    Button(kMediaSearchButtonId);
  }

  ProbeWindow m_parent;
  NoLoop m_loop;
  HWND m_pane = nullptr;
  HWND m_list = nullptr;
  std::vector<int64_t> m_codes;
  size_t m_deleteCount = 0;
  std::vector<std::wstring> m_names;
};

TEST_F(AppPane, ListsAppsSearchesLabelsAndGroupsAndExportsThemAsPackages) {
  ASSERT_EQ(Rows(), 3);
  Search(L"weather");
  EXPECT_EQ(Rows(), 1) << "the label, whatever its case";
  Search(L"system");
  EXPECT_EQ(Rows(), 1) << "the system apps' group";
  Search(L"");
  ASSERT_EQ(Rows(), 3);
  ListView_SetItemState(m_list, 0, LVIS_SELECTED, LVIS_SELECTED);
  Pump();
  Button(kMediaExportId);
  ASSERT_FALSE(m_codes.empty());
  EXPECT_EQ(m_codes.back(), kMediaRequestExport);
  ASSERT_FALSE(m_names.empty());
  for (const std::wstring& name : m_names) EXPECT_EQ(name.substr(name.size() - 4), L".apk");
  Button(kMediaDeleteId);
  EXPECT_EQ(m_codes.back(), kMediaRequestDelete);
  EXPECT_GE(m_deleteCount, 1u);
  Button(kMediaRefreshId);
  EXPECT_EQ(m_codes.back(), kMediaRequestLoad);
}

// The host also sends an install's marks and one app's refresh, whose payloads are no batch to
// list: no row is added, the refreshed app's row takes its new label in place (found by the
// search under it); an uninstalled app leaves.
TEST_F(AppPane, RecordsThatAreNoBatchAddNoRowsRefreshesRenameInPlaceAndUninstalledAppsLeave) {
  MediaRecord refreshed;
  refreshed.identifier = L"com.android.settings";
  refreshed.name = L"Einstellungen";
  Send(kPackagesAddApp, kAddAppUpdate, &refreshed);
  MediaRecord unknown;
  unknown.identifier = L"org.not.listed";
  unknown.name = L"Nowhere";
  Send(kPackagesAddApp, kAddAppUpdate, &unknown);
  MediaFileList installed;
  Send(kPackagesAddApp, kAddAppInstalled, &installed);
  Pump();
  EXPECT_EQ(Rows(), 3);
  Search(L"einstellungen");
  EXPECT_EQ(Rows(), 1) << "the refreshed label";
  Search(L"nowhere");
  EXPECT_EQ(Rows(), 0);
  Search(L"");
  ASSERT_EQ(Rows(), 3);
  MediaFileRecord* gone = App(L"org.fahrplan.hamburg", L"", L"", false);
  gone->rowIndex = 1;
  Send(kPackagesDeleteApp, 0, gone);
  EXPECT_EQ(Rows(), 2);
  delete gone;
  Send(kPackagesClearData);
  Pump();
  EXPECT_EQ(Rows(), 0);
}

}  // namespace
