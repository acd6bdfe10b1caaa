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
#include "contracts/Sections.h"
#include "kit/BASMediaFilePane.h"
#include "tests/harness/FilePaneFixture.h"
#include "tests/harness/ModuleHarness.h"

namespace {

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

class AppPane : public FilePaneFixture {
 protected:
  static void SetUpTestSuite() { LoadModule(L"libPackages"); }
  static void TearDownTestSuite() { UnloadModule(); }
  void SetUp() override {
    MakePane({kPackagesCreateWindow, kPackagesShowWindow, kPackagesDoApp, L"DhAppDelegate"});
    if (HasFatalFailure()) return;
    MediaFileList apps{App(L"com.tidewater.weather", L"Tidewater Weather", L"5.3.1", false),
                       App(L"org.fahrplan.hamburg", L"Fahrplan HH", L"12.0.4", false),
                       App(L"com.android.settings", L"Settings", L"13", true)};
    Send(kPackagesAddApp, kAddMediaAppend, &apps);
    Pump();
  }
  std::vector<int> SelectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < Rows(); ++row)
      if (ListView_GetItemState(m_list, row, LVIS_SELECTED) != 0) rows.push_back(row);
    return rows;
  }
  void ShowSection(int32_t section) {
    CommandRecord show;
    show.window = m_parent.Hwnd();
    show.position = section;
    Harness().Send(kPackagesShowWindow, show);
    Pump();
  }
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
  ASSERT_FALSE(m_fileNames.empty());
  for (const std::wstring& name : m_fileNames) EXPECT_EQ(name.substr(name.size() - 4), L".apk");
  Button(kMediaDeleteId);
  EXPECT_EQ(m_codes.back(), kMediaRequestDelete);
  EXPECT_GE(m_rows.size(), 1u);
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
  refreshed.version = L"14";
  Send(kPackagesAddApp, kAddAppUpdate, &refreshed);
  MediaRecord unknown;
  unknown.identifier = L"org.not.listed";
  unknown.name = L"Nowhere";
  Send(kPackagesAddApp, kAddAppUpdate, &unknown);
  MediaFileList installed;
  Send(kPackagesAddApp, kAddAppInstalled, &installed);
  Pump();
  EXPECT_EQ(Rows(), 3);
  EXPECT_EQ(Text(2, 1), L"Einstellungen") << "the refreshed app keeps its row and takes its new label";
  EXPECT_EQ(Text(2, 3), L"14");
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

// "Apps" lists every app with the system's marked; "User Apps" only those the user installed,
// also after a search and when more arrive. Another section leaves the list as it is.
TEST_F(AppPane, AppsListsEveryAppAndUserAppsOnlyTheUsers) {
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(Text(0, 5), L"User");
  EXPECT_EQ(Text(2, 5), L"System");
  ShowSection(kSectionUserApps);
  ASSERT_EQ(Rows(), 2);
  EXPECT_EQ(Text(0, 2), L"com.tidewater.weather");
  EXPECT_EQ(Text(1, 2), L"org.fahrplan.hamburg");
  Search(L"settings");
  EXPECT_EQ(Rows(), 0) << "a search under User Apps finds no system app";
  Search(L"");
  MediaFileList more{App(L"com.android.phone", L"Phone", L"13", true), App(L"de.kochbuch", L"Kochbuch", L"2", false)};
  Send(kPackagesAddApp, kAddMediaAppend, &more);
  Pump();
  EXPECT_EQ(Rows(), 3);
  ShowSection(kSectionContacts);
  EXPECT_EQ(Rows(), 3);
  ShowSection(kSectionApps);
  EXPECT_EQ(Rows(), 5);
}

// An install puts its app on top and selects (so checks) only it; the app's icon is drawn in
// its row, an app without one the apps' picture or nothing, never another app's.
TEST_F(AppPane, AnInstalledAppIsSelectedAndRowsDrawTheirOwnIcons) {
  auto* installed = App(L"de.kochbuch", L"Kochbuch", L"2", false);
  installed->icon = std::make_shared<Gdiplus::Bitmap>(48, 48, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(installed->icon.get());
    graphics.Clear(Gdiplus::Color(255, 255, 0, 0));
  }
  MediaFileList batch{installed};
  Send(kPackagesAddApp, kAddMediaInsertTop, &batch);
  MediaFileList marks{installed};
  Send(kPackagesAddApp, kAddAppInstalled, &marks);
  Pump();
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(Text(0, 1), L"Kochbuch");
  EXPECT_EQ(SelectedRows(), std::vector<int>{0});

  RECT client{};
  GetClientRect(m_list, &client);
  PixelCanvas canvas(client.right, client.bottom, RGB(255, 0, 255));
  SendMessageW(m_list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  RECT column{};
  Header_GetItemRect(ListView_GetHeader(m_list), 1, &column);
  RECT row0{}, row1{};
  ListView_GetItemRect(m_list, 0, &row0, LVIR_BOUNDS);
  ListView_GetItemRect(m_list, 1, &row1, LVIR_BOUNDS);
  auto redIn = [&](const RECT& row) {
    int red = 0;
    for (int y = row.top; y < row.bottom; ++y)
      for (int x = column.left; x < column.left + 60; ++x)
        if (canvas.Pixel(x, y) == RGB(255, 0, 0)) ++red;
    return red;
  };
  EXPECT_GE(redIn(row0), 43 * 43) << "the installed app's icon";
  EXPECT_LE(redIn(row0), 44 * 44) << "drawn at the rows' one size, not the row's height";
  EXPECT_EQ(redIn(row1), 0);
}

}  // namespace
