// The shipped program with the demo phones, used with the real mouse and keyboard of the
// virtual display: resizing the frame by its edges, a progress dialog that blocks the frame,
// and the scripts of the first phone's contacts as they reach the screen.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "contracts/cornerstone/Cornerstone.h"
#include "modules/dashboard/DashboardModel.h"
#include "tests/host/ProductCopy.h"
#include "tests/product/UserInput.h"

using namespace hosttest;
using namespace usertest;

namespace {

constexpr wchar_t kFrameClass[] = L"ZorvaneStewardMainFrame";
constexpr wchar_t kViewClass[] = L"ZorvaneStewardMainView";
constexpr UINT kContactsListId = 5010;
constexpr int kDeleteButtonId = 5003;  // the contacts toolbar's Delete
constexpr int kContactsRow = 2;        // Home, Apps, Contacts, SMS ...
constexpr int kSmsRow = 3;

RECT WindowRect(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

class ProductUser : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyOptions options;
    options.plugins = {L"Courier", L"Caption", L"Handset", L"Navigator", L"Rolodex", L"Dashboard",
                       L"Gallery", L"Tunes",   L"Movies",  L"Reader",    L"Packages"};
    options.withThemes = true;
    m_copy = MakeProductCopy(L"user", options);
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", (m_copy + L"state").c_str());
    m_host = std::make_unique<RunningHost>(m_copy);
    ASSERT_TRUE(m_host->Started());
    ASSERT_TRUE(WaitFor(
        [&] {
          std::vector<HWND> frames = WindowsOf(m_host->Pid(), kFrameClass);
          m_frame = frames.empty() || !IsWindowVisible(frames.front()) ? nullptr : frames.front();
          std::vector<HWND> trees = VisibleChildren(m_host->Pid(), WC_TREEVIEWW);
          m_tree = trees.empty() ? nullptr : trees.front();
          return m_frame && m_tree && SendMessageW(m_tree, TVM_GETCOUNT, 0, 0) >= 8;
        },
        60000))
        << m_host->Output();
    m_view = FindWindowExW(m_frame, nullptr, kViewClass, nullptr);
    ASSERT_NE(m_view, nullptr);
  }

  void TearDown() override {
    if (m_host) {
      for (HWND frame : WindowsOf(m_host->Pid(), kFrameClass)) PostMessageW(frame, WM_CLOSE, 0, 0);
      EXPECT_EQ(m_host->Wait(30000), 0) << m_host->Output();
    }
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
  }

  // The middle of a top-level row of the section navigator, on the screen.
  POINT NavigatorRow(int row) const {
    const RECT tree = WindowRect(m_tree);
    const int height = static_cast<int>(SendMessageW(m_tree, TVM_GETITEMHEIGHT, 0, 0));
    return POINT{tree.left + 100, tree.top + row * height + height / 2};
  }

  // The dialog of the program that is shown now, if any.
  HWND ShownDialog() const {
    for (HWND hwnd : WindowsOf(m_host->Pid(), L"#32770"))
      if (IsWindowVisible(hwnd)) return hwnd;
    return nullptr;
  }

  // Top-level windows above `hwnd` in the z-order include `other`.
  static bool IsBelow(HWND hwnd, HWND other) {
    for (HWND above = GetWindow(hwnd, GW_HWNDPREV); above; above = GetWindow(above, GW_HWNDPREV))
      if (above == other) return true;
    return false;
  }

  // A point `x` pixels into row `row` of an owner-drawn list of 60-pixel rows, on the screen. Read
  // from the windows' rectangles: a list's own rectangle messages carry pointers, which do not
  // cross processes.
  static POINT RowPoint(HWND list, int row, int x) {
    const RECT header = WindowRect(FindWindowExW(list, nullptr, WC_HEADERW, nullptr));
    return POINT{WindowRect(list).left + x, header.bottom + row * 60 + 30};
  }

  HWND ContactsList() const {
    std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, kContactsListId);
    return lists.empty() ? nullptr : lists.front();
  }

  std::wstring m_copy;
  std::unique_ptr<RunningHost> m_host;
  HWND m_frame = nullptr;
  HWND m_view = nullptr;
  HWND m_tree = nullptr;
};

}  // namespace

// Every edge and corner takes the drag, though panes cover all of them; the panes follow.
TEST_F(ProductUser, FrameResizesFromEveryEdgeAndCorner) {
  struct Grip {
    const char* name;
    int sx, sy;  // -1 left/top edge, 1 right/bottom edge, 0 the middle
  };
  const Grip grips[] = {{"left", -1, 0},      {"right", 1, 0},      {"top", 0, -1},         {"bottom", 0, 1},
                        {"top-left", -1, -1}, {"top-right", 1, -1}, {"bottom-left", -1, 1}, {"bottom-right", 1, 1}};
  constexpr int kGrow = 40;
  for (const Grip& grip : grips) {
    SCOPED_TRACE(grip.name);
    const RECT before = WindowRect(m_frame);
    const POINT at = {grip.sx < 0   ? before.left + 2
                      : grip.sx > 0 ? before.right - 3
                                    : (before.left + before.right) / 2,
                      grip.sy < 0   ? before.top + 2
                      : grip.sy > 0 ? before.bottom - 3
                                    : (before.top + before.bottom) / 2};
    const POINT to = {at.x + grip.sx * kGrow, at.y + grip.sy * kGrow};
    ASSERT_TRUE(Drag(at, to));
    RECT expected = before;
    if (grip.sx < 0) expected.left -= kGrow;
    if (grip.sx > 0) expected.right += kGrow;
    if (grip.sy < 0) expected.top -= kGrow;
    if (grip.sy > 0) expected.bottom += kGrow;
    // The view, and the panes laid out in it, follow the frame once the drag ends.
    const bool followed = WaitFor(
        [&] {
          const RECT view = WindowRect(m_view);
          return SameRect(WindowRect(m_frame), expected) && SameRect(view, expected);
        },
        3000);
    EXPECT_TRUE(followed) << "frame " << Describe(WindowRect(m_frame)) << " view " << Describe(WindowRect(m_view))
                          << " expected " << Describe(expected);
    if (!followed) continue;
    // Back again from the same grip, so the next one starts where this one did.
    ASSERT_TRUE(Drag(to, at));
    EXPECT_TRUE(
        WaitFor([&] { return SameRect(WindowRect(m_frame), before) && SameRect(WindowRect(m_view), before); }, 3000))
        << Describe(WindowRect(m_frame));
  }
  Screenshot(L"user-resized.png");
}

// A loading dialog blocks the phone's panes: a click on the frame may not bury it, Escape
// closes it, and then nothing blocks the frame any more.
TEST_F(ProductUser, BlockingDialogStaysAboveTheFrameAndEscapeLeavesTheFrameUsable) {
  // The delete question blocks the frame until it is answered.
  ASSERT_TRUE(Click(NavigatorRow(kContactsRow)));
  ASSERT_TRUE(WaitFor(
      [&] {
        HWND list = ContactsList();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 21 && ShownDialog() == nullptr;
      },
      20000))
      << m_host->Output();
  const std::vector<HWND> deletes = VisibleChildren(m_host->Pid(), L"BUTTON", kDeleteButtonId);
  ASSERT_EQ(deletes.size(), 1u);
  const RECT button = WindowRect(deletes.front());
  ASSERT_TRUE(Click(POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2}));
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (dialog = ShownDialog()) != nullptr; }, 10000)) << m_host->Output();

  // A click on the frame, beside the dialog, in the area the dialog blocks.
  const RECT frame = WindowRect(m_frame);
  const RECT box = WindowRect(dialog);
  ASSERT_TRUE(Click(POINT{(box.right + frame.right) / 2, (frame.top + frame.bottom) / 2 + 100}));
  Sleep(500);
  EXPECT_TRUE(WaitFor([&] { return IsBelow(m_frame, dialog); }, 2000))
      << "the frame was raised over the dialog " << Describe(WindowRect(dialog));
  // What the display shows at the dialog's title strip is the dialog.
  const RECT strip = {box.left + 10, box.top + 5, box.left + 40, box.top + 20};
  const std::vector<uint32_t> seen = ScreenPixels(strip);
  const std::vector<uint32_t> title(seen.size(), seen.empty() ? 0 : seen.front());
  EXPECT_EQ(seen, title) << "the title strip is not plain on the screen";
  EXPECT_NE(seen.empty() ? 0u : seen.front(), 0xFFFFFFu);
  Screenshot(L"user-dialog-after-frame-click.png");

  ASSERT_TRUE(Key("Escape"));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(dialog); }, 3000)) << "Escape did not close the dialog";

  // Nothing was deleted, and the navigator takes clicks again: SMS opens and Contacts comes back.
  HWND list = ContactsList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 21);
  ASSERT_TRUE(Click(NavigatorRow(kSmsRow)));
  EXPECT_TRUE(WaitFor([&] { return ContactsList() == nullptr; }, 10000)) << "the navigator ignored the click";
}

// Sections whose lists the device service does not stream yet: their loading dialog ends by
// itself, and the navigator goes on taking clicks.
// Home shows the phone's counts; a click on one opens its section, as the navigator would.
TEST_F(ProductUser, HomeCountsOpenTheirSections) {
  HWND home = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> pages = VisibleChildren(m_host->Pid(), L"ZsDashboardDelegate");
        home = pages.empty() ? nullptr : pages.front();
        return home != nullptr;
      },
      20000));
  Screenshot(L"user-home.png");
  // The contacts count is the second tile of the row below the memories.
  const RECT page = WindowRect(home);
  const DashboardLayout layout = LayOutDashboard(page.right - page.left);
  const RECT tile = layout.kinds[1];
  ASSERT_TRUE(Click(POINT{page.left + (tile.left + tile.right) / 2, page.top + (tile.top + tile.bottom) / 2}));
  EXPECT_TRUE(WaitFor(
      [&] {
        HWND list = ContactsList();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 21;
      },
      20000))
      << m_host->Output();
  EXPECT_FALSE(IsWindowVisible(home));
  EXPECT_EQ(SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_CARET, 0),
            SendMessageW(
                m_tree, TVM_GETNEXTITEM, TVGN_NEXT,
                SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_NEXT, SendMessageW(m_tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))));
}

TEST_F(ProductUser, SectionsLoadedOneAfterAnotherEndTheirLoading) {
  for (int row : {4, 6, 7}) {  // Music, Videos, Books
    ASSERT_TRUE(Click(NavigatorRow(row)));
    Sleep(300);
    EXPECT_TRUE(WaitFor([&] { return ShownDialog() == nullptr; }, 5000))
        << "the loading dialog of row " << row << " is still waiting";
  }
  Screenshot(L"user-unserved-sections.png");
  ASSERT_TRUE(Click(NavigatorRow(kContactsRow)));
  EXPECT_TRUE(WaitFor(
      [&] {
        HWND list = ContactsList();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 21;
      },
      20000))
      << m_host->Output();
}

// A phone's photos by real clicks and keys: Photos opens to its Phone Gallery, which lists the
// phone's pictures once its loading dialog has ended by itself; a search for a format narrows
// the list.
TEST_F(ProductUser, PhoneGalleryListsThePhonesPicturesAndTheSearchBoxNarrowsThem) {
  ASSERT_TRUE(Click(NavigatorRow(5)));  // Photos, which opens to show its child
  Sleep(300);
  ASSERT_TRUE(Click(NavigatorRow(6)));  // Phone Gallery
  const auto photos = [&] {
    std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, 5007);
    return lists.empty() ? nullptr : lists.front();
  };
  EXPECT_TRUE(WaitFor(
      [&] {
        HWND list = photos();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 7 && ShownDialog() == nullptr;
      },
      20000))
      << m_host->Output();
  std::vector<HWND> edits = VisibleChildren(m_host->Pid(), L"Edit", 5003);
  ASSERT_FALSE(edits.empty());
  ASSERT_TRUE(Click(CentreOf(WindowRect(edits.front()))));
  ASSERT_TRUE(Xdotool("type --delay 20 .png"));
  ASSERT_TRUE(Key("Return"));
  EXPECT_TRUE(WaitFor([&] { return photos() && SendMessageW(photos(), LVM_GETITEMCOUNT, 0, 0) == 3; }, 5000))
      << "the search for .png lists the three PNG pictures";
  Screenshot(L"user-phone-gallery-search.png");
}

// Music by real clicks: the first phone's songs are listed; the first song is checked and given
// to the "Sunday coffee" playlist through the pick-list of playlists, which the phone keeps.
TEST_F(ProductUser, ACheckedSongJoinsThePlaylistPickedInThePreviewList) {
  ASSERT_TRUE(Click(NavigatorRow(4)));  // Music
  const auto songs = [&] {
    std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, 5007);
    return lists.empty() ? nullptr : lists.front();
  };
  ASSERT_TRUE(WaitFor(
      [&] { return songs() && SendMessageW(songs(), LVM_GETITEMCOUNT, 0, 0) == 8 && ShownDialog() == nullptr; }, 20000))
      << m_host->Output();
  Screenshot(L"user-music-pane.png");
  const HWND list = songs();
  ASSERT_TRUE(Click(RowPoint(list, 0, 150)));  // the row: its check follows
  const HWND toPlaylist = GetDlgItem(GetParent(list), 5008);
  ASSERT_NE(toPlaylist, nullptr);
  ASSERT_TRUE(Click(CentreOf(WindowRect(toPlaylist))));
  ASSERT_TRUE(WaitFor([&] { return ShownDialog() != nullptr; }, 5000));
  const HWND dialog = ShownDialog();
  const HWND picks = GetDlgItem(dialog, 5053);
  ASSERT_NE(picks, nullptr);
  ASSERT_EQ(SendMessageW(picks, LVM_GETITEMCOUNT, 0, 0), 2);
  ASSERT_TRUE(Click(RowPoint(picks, 1, 150)));  // the row "Sunday coffee", not its check image
  Sleep(200);
  Screenshot(L"user-music-preview-list.png");
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(dialog, 5051)))));
  // The phone keeps it: its playlists file names the song in that playlist.
  const std::wstring state = m_copy + L"state";
  const auto kept = [&] {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(state, ignored)) {
      if (entry.path().filename() != L"playlists.json") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const size_t sunday = text.find("Sunday coffee");
      if (sunday != std::string::npos && text.find("\"s1\"", sunday) != std::string::npos) return true;
    }
    return false;
  };
  EXPECT_TRUE(WaitFor(kept, 10000)) << m_host->Output();
  EXPECT_TRUE(WaitFor([&] { return ShownDialog() == nullptr; }, 5000));
  Screenshot(L"user-music-after-playlist.png");

  ASSERT_TRUE(Click(NavigatorRow(6)));  // Videos
  EXPECT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, 5007);
        for (HWND l : lists)
          if (SendMessageW(l, LVM_GETITEMCOUNT, 0, 0) == 3) return ShownDialog() == nullptr;
        return false;
      },
      20000));
  Screenshot(L"user-videos-pane.png");
}

// Books by real clicks and keys: the first phone's four books are listed with their titles and
// authors; a search for a format narrows the list.
TEST_F(ProductUser, BooksAreListedAndTheSearchBoxNarrowsThem) {
  ASSERT_TRUE(Click(NavigatorRow(7)));  // Books
  const auto books = [&] {
    std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, 5007);
    return lists.empty() ? nullptr : lists.front();
  };
  ASSERT_TRUE(WaitFor(
      [&] { return books() && SendMessageW(books(), LVM_GETITEMCOUNT, 0, 0) == 4 && ShownDialog() == nullptr; }, 20000))
      << m_host->Output();
  Screenshot(L"user-books-pane.png");
  std::vector<HWND> edits = VisibleChildren(m_host->Pid(), L"Edit", 5003);
  ASSERT_FALSE(edits.empty());
  ASSERT_TRUE(Click(CentreOf(WindowRect(edits.front()))));
  ASSERT_TRUE(Xdotool("type --delay 20 .epub"));
  ASSERT_TRUE(Key("Return"));
  EXPECT_TRUE(WaitFor([&] { return books() && SendMessageW(books(), LVM_GETITEMCOUNT, 0, 0) == 2; }, 5000))
      << "the search for .epub lists the two EPUB books";
  Screenshot(L"user-books-search.png");
}

// Apps by real clicks and keys: "Apps" lists the first phone's ten apps, "User Apps" its five
// of the user's. A package picked in the open-file dialog by typing its path installs as one
// more row, and installed again stays one row; a user app uninstalls, a system app is refused
// and its dialog stays open with the reason.
TEST_F(ProductUser, AppsInstallOnceUninstallAndTheSystemsStay) {
  const auto apps = [&] {
    std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, 5007);
    return lists.empty() ? nullptr : lists.front();
  };
  const auto rowsAre = [&](LRESULT count) {
    return apps() && SendMessageW(apps(), LVM_GETITEMCOUNT, 0, 0) == count && ShownDialog() == nullptr;
  };
  ASSERT_TRUE(Click(NavigatorRow(1)));  // Apps: it unfolds, "User Apps" is row 2
  ASSERT_TRUE(WaitFor([&] { return rowsAre(10); }, 20000)) << m_host->Output();
  Sleep(300);
  Screenshot(L"user-apps-all.png");
  ASSERT_TRUE(Click(NavigatorRow(2)));  // User Apps
  ASSERT_TRUE(WaitFor([&] { return rowsAre(5); }, 5000));
  Sleep(300);
  Screenshot(L"user-apps-user.png");

  const std::wstring package = m_copy + L"in\\Syntages.apk";
  CreateDirectoryW((m_copy + L"in").c_str(), nullptr);
  ASSERT_TRUE(CopyFileW((m_copy + L"plugins\\Courier\\packages\\gr.kouzina.syntages-1.9.2.apk").c_str(),
                        package.c_str(), FALSE));
  const std::string typed(package.begin(), package.end());  // the temporary folder's path is ASCII
  const HWND pane = GetParent(apps());
  const auto install = [&] {
    ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(pane, 5006)))));  // Add
    ASSERT_TRUE(WaitFor([&] { return ShownDialog() != nullptr; }, 10000));
    Sleep(300);  // the file name box takes the keys once the dialog has set its focus
    ASSERT_TRUE(Xdotool("type --delay 10 '" + typed + "'"));
    ASSERT_TRUE(Key("Return"));
    // The install's progress stays open at its end: OK closes it.
    HWND progress = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
          progress = ShownDialog();
          return progress && GetDlgItem(progress, 5052) && !GetDlgItem(progress, 1148);
        },
        10000));
    Sleep(800);
    Screenshot(L"user-apps-install-progress.png");
    ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(progress, 5052)))));
  };
  install();
  EXPECT_TRUE(WaitFor([&] { return rowsAre(6); }, 10000)) << "the installed app is one more row";
  Sleep(300);
  Screenshot(L"user-apps-installed.png");
  install();
  EXPECT_TRUE(WaitFor([&] { return ShownDialog() == nullptr; }, 5000));
  Sleep(500);
  EXPECT_TRUE(rowsAre(6)) << "installed again: still one row";

  // The phone's list keeps it once, under its package, with the label and version it names.
  const auto installedIndex = [&] {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_copy + L"state", ignored)) {
      if (entry.path().filename() != L"apps.json") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      if (text.find("/data/app/Syntages.apk") != std::string::npos) return text;
    }
    return std::string();
  };
  const std::string index = installedIndex();
  const std::string id = "\"id\": \"gr.kouzina.syntages\"";
  ASSERT_NE(index.find(id), std::string::npos);
  EXPECT_EQ(index.find(id), index.rfind(id));

  // Export the new app: its folder typed into the folder dialog; the progress stays open at its
  // end with the file written.
  const std::wstring out = m_copy + L"out";
  CreateDirectoryW(out.c_str(), nullptr);
  ASSERT_TRUE(Click(RowPoint(apps(), 0, 300)));
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(pane, 5005)))));  // Export
  ASSERT_TRUE(WaitFor([&] { return ShownDialog() != nullptr; }, 10000));
  Sleep(500);
  ASSERT_TRUE(Xdotool("type --delay 10 '" + std::string(out.begin(), out.end()) + "'"));
  ASSERT_TRUE(Key("Return"));
  const auto exported = [&] {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(out, ignored))
      if (entry.path().extension() == L".apk") return true;
    return false;
  };
  ASSERT_TRUE(WaitFor(exported, 10000)) << m_host->Output();
  HWND exportProgress = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        exportProgress = ShownDialog();
        return exportProgress && GetDlgItem(exportProgress, 5052) && !GetDlgItem(exportProgress, 1148);
      },
      5000));
  Sleep(800);
  Screenshot(L"user-apps-export-end.png");
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(exportProgress, 5052)))));
  ASSERT_TRUE(WaitFor([&] { return ShownDialog() == nullptr; }, 5000));

  // Uninstall the top row (the app just installed): asked, then gone.
  ASSERT_TRUE(Click(RowPoint(apps(), 0, 300)));
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(pane, 5001)))));  // Delete
  ASSERT_TRUE(WaitFor([&] { return ShownDialog() != nullptr; }, 5000));
  Sleep(300);
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(ShownDialog(), 5051)))));
  EXPECT_TRUE(WaitFor([&] { return rowsAre(5); }, 10000)) << "the uninstalled app's row is gone";
  Sleep(300);
  Screenshot(L"user-apps-uninstalled.png");

  // Under "Apps" the system's apps follow the user's five.
  ASSERT_TRUE(Click(NavigatorRow(1)));
  ASSERT_TRUE(WaitFor([&] { return rowsAre(10); }, 5000));
  ASSERT_TRUE(Click(RowPoint(apps(), 5, 300)));  // Settings
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(pane, 5001)))));
  ASSERT_TRUE(WaitFor([&] { return ShownDialog() != nullptr; }, 5000));
  Sleep(300);
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(ShownDialog(), 5051)))));
  // Refused: the dialog stays open with the reason until the user closes it.
  Sleep(1500);
  const HWND refusal = ShownDialog();
  ASSERT_NE(refusal, nullptr) << "the refusal stays on the screen";
  Screenshot(L"user-apps-system-refused.png");
  EXPECT_EQ(SendMessageW(apps(), LVM_GETITEMCOUNT, 0, 0), 10) << "the system app is still listed";
  ASSERT_TRUE(Click(CentreOf(WindowRect(GetDlgItem(refusal, 5052)))));
  EXPECT_TRUE(WaitFor([&] { return ShownDialog() == nullptr; }, 5000));
}

namespace {

// Ink (dark) pixels of a light background, one flag per pixel.
std::vector<bool> Ink(const std::vector<uint32_t>& pixels) {
  std::vector<bool> ink(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) {
    const uint32_t p = pixels[i];
    const int luma = (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100;
    ink[i] = luma < 110;
  }
  return ink;
}

struct Glyph {
  int width = 0, height = 0;
  std::vector<bool> ink;
};

// What the list's font draws for a character no font has: the empty box.
Glyph EmptyBox() {
  constexpr int kSize = 32;
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kSize, -kSize, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ oldBitmap = SelectObject(dc, dib);
  HFONT font = BASUtilityApp::GetFont(16, false, L"Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  RECT all = {0, 0, kSize, kSize};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  TextOutW(dc, 4, 4, L"\xE000", 1);
  GdiFlush();
  std::vector<uint32_t> pixels(kSize * kSize);
  std::memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(dib);
  DeleteDC(dc);
  // Cropped to its ink.
  std::vector<bool> ink = Ink(pixels);
  int left = kSize, top = kSize, right = -1, bottom = -1;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (ink[y * kSize + x]) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
  }
  Glyph glyph;
  if (right < 0) return glyph;
  glyph.width = right - left + 1;
  glyph.height = bottom - top + 1;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) glyph.ink.push_back(ink[y * kSize + x]);
  return glyph;
}

// Places in the pixels where the box stands, with a margin of background around it.
int CountBoxes(const std::vector<uint32_t>& pixels, int width, const Glyph& box) {
  const int height = static_cast<int>(pixels.size()) / width;
  const std::vector<bool> ink = Ink(pixels);
  int found = 0;
  for (int y = 1; y + box.height + 1 <= height; ++y)
    for (int x = 1; x + box.width + 1 <= width; ++x) {
      bool same = true;
      for (int gy = -1; gy <= box.height && same; ++gy)
        for (int gx = -1; gx <= box.width && same; ++gx) {
          const bool inside = gx >= 0 && gy >= 0 && gx < box.width && gy < box.height;
          const bool want = inside && box.ink[gy * box.width + gx];
          same = ink[(y + gy) * width + (x + gx)] == want;
        }
      if (same) ++found;
    }
  return found;
}

}  // namespace

// Latin, Cyrillic, Greek, Chinese, Japanese, Korean, Arabic, Hebrew, Devanagari and
// Vietnamese names: none of them is drawn as empty boxes.
TEST_F(ProductUser, EveryScriptOfTheFirstPhonesContactsIsDrawn) {
  const Glyph box = EmptyBox();
  ASSERT_GT(box.width, 2);
  ASSERT_TRUE(Click(NavigatorRow(kContactsRow)));
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        list = ContactsList();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 21 && !ShownDialog();
      },
      20000))
      << m_host->Output();
  const RECT rect = WindowRect(list);
  // The name column, below the header, for the rows at the top and then at the end.
  const RECT names = {rect.left + 100, rect.top + 30, rect.left + 320, rect.bottom - 4};
  int boxes = 0;
  for (int page = 0; page < 4; ++page) {
    if (page > 0) {
      ASSERT_TRUE(Wheel(CentreOf(rect), true, 2));
    }
    Sleep(600);
    Screenshot(L"user-contacts-" + std::to_wstring(page) + L".png");
    const int found = CountBoxes(ScreenPixels(names), names.right - names.left, box);
    EXPECT_EQ(found, 0) << "empty boxes on page " << page;
    boxes += found;
  }
  EXPECT_EQ(boxes, 0);
}

namespace {

HWND VisibleButton(DWORD pid, const std::wstring& text, int id = -1) {
  for (HWND button : VisibleChildren(pid, L"Button", id)) {
    wchar_t buffer[128] = {};
    GetWindowTextW(button, buffer, 128);
    if (text == buffer) return button;
  }
  return nullptr;
}

// Pixels of the phone mark at the top of a device tab that are clearly green.
int GreenOfMark(HWND tab) {
  const RECT r = WindowRect(tab);
  const RECT mark = {r.left + 4, r.top + 2, r.right - 24, r.top + 36};
  int green = 0;
  for (uint32_t p : ScreenPixels(mark)) {
    const int red = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, blue = p & 0xFF;
    if (g > red + 40 && g > blue + 20) ++green;
  }
  return green;
}

}  // namespace

// The green mark appears once a phone is ready; with every phone removed the empty tab shows
// the steps that bring one in instead of connecting for ever.
TEST_F(ProductUser, DeviceTabsMarkReadyPhonesAndTheEmptyStateShowsWhatToDo) {
  const DWORD pid = m_host->Pid();
  HWND ready = nullptr, connecting = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        ready = VisibleButton(pid, L"Lena's Aster");
        connecting = VisibleButton(pid, L"Meridian Tide 4");
        return ready && connecting;
      },
      10000));
  // The second demo phone needs its driver and the user's authorisation first.
  Sleep(300);
  Screenshot(L"user-tabs-connecting.png");
  EXPECT_GT(GreenOfMark(ready), 20);
  EXPECT_EQ(GreenOfMark(connecting), 0) << "a connecting phone shows the ready mark";

  // Each tab's corner removes its phone, after the user agrees.
  for (const wchar_t* name : {L"Lena's Aster", L"Meridian Tide 4"}) {
    SCOPED_TRACE(Narrow(name));
    HWND tab = VisibleButton(pid, name);
    ASSERT_NE(tab, nullptr);
    const RECT r = WindowRect(tab);
    ASSERT_TRUE(Click(POINT{r.right - 12, r.top + 10}));
    HWND ok = nullptr;
    ASSERT_TRUE(WaitFor(
        [&] {
          HWND dialog = ShownDialog();
          ok = dialog ? GetDlgItem(dialog, 5051) : nullptr;
          return ok && IsWindowVisible(ok);
        },
        5000));
    ASSERT_TRUE(Click(CentreOf(WindowRect(ok))));
    ASSERT_TRUE(WaitFor([&] { return VisibleButton(pid, name) == nullptr; }, 5000));
  }
  HWND empty = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (empty = VisibleButton(pid, L"No Device")) != nullptr; }, 5000));
  // The detection help with its "Retry", not the connecting page, whose action button is hidden.
  EXPECT_TRUE(WaitFor([&] { return !VisibleChildren(pid, L"Button", 5000).empty(); }, 3000));
  EXPECT_EQ(GreenOfMark(empty), 0);
  Screenshot(L"user-no-device.png");
}

namespace {

LRESULT CALLBACK CoverProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(reinterpret_cast<HDC>(wp), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// Another program's window lies over `rect` for a moment, then goes.
void CoverFor(const RECT& rect, DWORD ms) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = CoverProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZsTestCover";
  RegisterClassW(&wc);
  HWND cover =
      CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"ZsTestCover", L"", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                      rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, wc.hInstance, nullptr);
  WaitFor([] { return false; }, ms);
  DestroyWindow(cover);
}

}  // namespace

// The contacts toolbar, the panel toggle and the detail panel's pencil look the same after
// a minimise and restore, a maximise and restore, and another window covering them.
TEST_F(ProductUser, OwnerDrawnControlsRepaintAfterMinimiseMaximiseAndCovering) {
  ASSERT_TRUE(Click(NavigatorRow(kContactsRow)));
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        list = ContactsList();
        return list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 21 && !ShownDialog();
      },
      20000))
      << m_host->Output();
  const HWND pane = GetParent(list);
  std::vector<HWND> controls;
  for (int id = 5000; id <= 5009; ++id) {
    HWND control = GetDlgItem(pane, id);
    if (control && IsWindowVisible(control)) controls.push_back(control);
  }
  ASSERT_GE(controls.size(), 8u);
  // The mouse rests where it hovers nothing.
  auto rest = [&] {
    const RECT tree = WindowRect(m_tree);
    Xdotool("mousemove " + std::to_string(tree.left + 20) + " " + std::to_string(tree.bottom - 20));
    Sleep(800);
  };
  auto look = [&] {
    std::vector<std::vector<uint32_t>> pixels;
    for (HWND control : controls) pixels.push_back(ScreenPixels(WindowRect(control)));
    return pixels;
  };
  auto expectSameLook = [&](const std::vector<std::vector<uint32_t>>& before, const char* after) {
    const auto now = look();
    for (size_t i = 0; i < controls.size(); ++i)
      EXPECT_EQ(now[i], before[i]) << "control " << GetDlgCtrlID(controls[i]) << " after " << after;
  };
  rest();
  const auto before = look();
  const RECT normal = WindowRect(m_frame);

  // The caption's minimise and maximise buttons sit at fixed places from its top-right corner.
  ASSERT_TRUE(Click(POINT{normal.right - 79, normal.top + 21}));
  ASSERT_TRUE(WaitFor([&] { return IsIconic(m_frame) != FALSE; }, 5000));
  const RECT icon = WindowRect(m_frame);
  ASSERT_TRUE(Xdotool("mousemove " + std::to_string(CentreOf(icon).x) + " " + std::to_string(CentreOf(icon).y) +
                      " click --repeat 2 --delay 80 1"));
  ASSERT_TRUE(WaitFor([&] { return !IsIconic(m_frame) && SameRect(WindowRect(m_frame), normal); }, 5000));
  rest();
  Screenshot(L"user-restored.png");
  expectSameLook(before, "minimise and restore");

  ASSERT_TRUE(Click(POINT{normal.right - 49, normal.top + 21}));
  ASSERT_TRUE(
      WaitFor([&] { return WindowRect(m_frame).right - WindowRect(m_frame).left > normal.right - normal.left; }, 5000));
  rest();
  Screenshot(L"user-maximised.png");
  expectSameLook(before, "maximise");
  const RECT maximised = WindowRect(m_frame);
  ASSERT_TRUE(Click(POINT{maximised.right - 49, maximised.top + 21}));
  ASSERT_TRUE(WaitFor([&] { return SameRect(WindowRect(m_frame), normal); }, 5000));
  rest();
  expectSameLook(before, "restore from maximised");

  RECT toolbar = WindowRect(controls.front());
  for (HWND control : controls) {
    const RECT r = WindowRect(control);
    UnionRect(&toolbar, &toolbar, &r);
  }
  CoverFor(toolbar, 600);
  rest();
  expectSameLook(before, "being covered");
}
