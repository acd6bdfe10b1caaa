// Product folders, heap strings, fonts, window geometry and the named locks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

#include "contracts/cornerstone/Cornerstone.h"
#include "tests/cornerstone/TestSupport.h"

namespace {
// Frees a heap string from the library when the test is done with it.
struct Freed {
  void operator()(void* p) const { std::free(p); }
};
template <typename T>
using HeapText = std::unique_ptr<T, Freed>;
}  // namespace

TEST(UtilityApp, FoldersLieBesideTheRunningProgram) {
  HeapText<wchar_t> install(BASUtilityApp::GetProductInstallDir());
  HeapText<wchar_t> plugins(BASUtilityApp::GetProductPluginsDir());
  HeapText<wchar_t> themes(BASUtilityApp::GetProductThemesDir());
  ASSERT_TRUE(install && plugins && themes);
  std::wstring dir = install.get();
  EXPECT_EQ(dir, testsupport::TestBinDir());
  EXPECT_EQ(std::wstring(plugins.get()), dir + L"plugins\\");
  EXPECT_EQ(std::wstring(themes.get()), dir + L"themes\\");
}

TEST(UtilityApp, FontHasTheAskedHeightAndWeight) {
  HFONT font = BASUtilityApp::GetFont(16, true, L"Arial");
  ASSERT_NE(font, nullptr);
  LOGFONTW lf = {};
  ASSERT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");
  DeleteObject(font);
  HFONT fallback = BASUtilityApp::GetFont(14, false, nullptr);
  ASSERT_NE(fallback, nullptr);
  DeleteObject(fallback);
}

TEST(UtilityFile, ExistenceAndSizes) {
  std::wstring folder = testsupport::MakeTempFolder(L"file");
  std::wstring file = folder + L"a.txt";
  ASSERT_TRUE(testsupport::WriteBytes(file, "x", 1));
  EXPECT_TRUE(BASUtilityFile::IsFileExist(file.c_str()));
  EXPECT_FALSE(BASUtilityFile::IsFileExist(folder.c_str()));
  EXPECT_TRUE(BASUtilityFile::IsFolderExist(folder.c_str()));
  EXPECT_FALSE(BASUtilityFile::IsFileExist((folder + L"missing").c_str()));
  EXPECT_FALSE(BASUtilityFile::IsFileExist(nullptr));
  EXPECT_FALSE(BASUtilityFile::IsFileExist(L""));

  HeapText<wchar_t> size(BASUtilityFile::ZLGetFormatSizeFromBytes(1536));
  EXPECT_STREQ(size.get(), L"1.5 KB");
  EXPECT_TRUE(BASUtilityFile::IsSupportFilePosfix(L"D:\\Pics\\IMG_01.JpG", L";.jpg;.gif;.png;.bmp;.webp;"));
  EXPECT_FALSE(BASUtilityFile::IsSupportFilePosfix(L"D:\\Pics\\IMG_01.tif", L";.jpg;.gif;.png;.bmp;.webp;"));
  EXPECT_FALSE(BASUtilityFile::IsSupportFilePosfix(nullptr, L";.jpg;"));
}

TEST(UtilityString, ConversionsAreHeapCopiesAndSurviveBadInput) {
  HeapText<wchar_t> wide(BASUtilityString::ConvertUtf8ToUnicode("Привет, 世界"));
  EXPECT_STREQ(wide.get(), L"Привет, 世界");
  HeapText<char> narrow(BASUtilityString::ConvertUnicodeToUtf8(wide.get()));
  EXPECT_STREQ(narrow.get(), "Привет, 世界");
  HeapText<wchar_t> broken(BASUtilityString::ConvertUtf8ToUnicode("a\xC3"));
  EXPECT_STREQ(broken.get(), L"a\xFFFD");
  HeapText<wchar_t> none(BASUtilityString::ConvertUtf8ToUnicode(nullptr));
  EXPECT_STREQ(none.get(), L"");
  HeapText<char> noneNarrow(BASUtilityString::ConvertUnicodeToUtf8(nullptr));
  EXPECT_STREQ(noneNarrow.get(), "");
}

TEST(UtilityString, FormatHasNoLengthLimit) {
  std::wstring big(20000, L'z');
  HeapText<wchar_t> wide(BASUtilityString::Format(L"%ls-%d-%ls", L"a", 42, big.c_str()));
  ASSERT_TRUE(wide);
  EXPECT_EQ(std::wstring(wide.get()), L"a-42-" + big);
  std::string bigNarrow(70000, 'q');
  HeapText<char> narrow(BASUtilityString::Format("%s|%lld", bigNarrow.c_str(), 1234567890123LL));
  EXPECT_EQ(std::string(narrow.get()), bigNarrow + "|1234567890123");
  EXPECT_LT(BASUtilityString::CompareVersion(L"4.4", L"10.0"), 0);
  EXPECT_GT(BASUtilityString::CompareVersion("2.1.163", "2.1.99"), 0);
  EXPECT_EQ(BASUtilityString::CompareVersion(static_cast<const char*>(nullptr), ""), 0);
}

TEST(UtilitySys, AppDataAndTimestamps) {
  HeapText<wchar_t> appData(BASUtilitySys::GetAppDataDir());
  ASSERT_TRUE(appData);
  EXPECT_EQ(appData.get()[wcslen(appData.get()) - 1], L'\\');
  EXPECT_TRUE(BASUtilityFile::IsFolderExist(appData.get()));

  char stamp[32];
  ASSERT_TRUE(BASUtilitySys::GetNowDateTime(stamp, sizeof stamp, "%Y%m%d%H%M%S"));
  EXPECT_EQ(strlen(stamp), 14u);
  EXPECT_EQ(std::string(stamp).find_first_not_of("0123456789"), std::string::npos);
  char tiny[4];
  EXPECT_FALSE(BASUtilitySys::GetNowDateTime(tiny, sizeof tiny, "%Y%m%d%H%M%S"));
  EXPECT_FALSE(BASUtilitySys::GetNowDateTime(nullptr, 0, "%Y"));
}

TEST(UtilityWindow, RelativeRectIsInParentClientCoordinates) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_BORDER, 100, 120, 300, 200, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr) << "no display";
  HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 10, 20, 50, 40, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(child, nullptr);
  RECT r = BASUtilityWindow::GetWindowRelativeRect(child);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 20);
  EXPECT_EQ(r.right, 60);
  EXPECT_EQ(r.bottom, 60);
  RECT top = BASUtilityWindow::GetWindowRelativeRect(parent);
  EXPECT_EQ(top.left, 100);
  EXPECT_EQ(top.top, 120);
  RECT none = BASUtilityWindow::GetWindowRelativeRect(nullptr);
  EXPECT_EQ(none.right, 0);
  DestroyWindow(parent);
}

TEST(Lock, NamedLocksExcludeOtherThreadsAndNest) {
  static int key;
  long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&counter] {
      for (int i = 0; i < 2000; ++i) {
        BASLock::GLock(&key);
        BASLock::GLock(&key);  // the same thread may take it again
        long v = counter;
        if (i % 100 == 0) std::this_thread::yield();
        counter = v + 1;
        BASLock::GUnLock(&key);
        BASLock::GUnLock(&key);
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(counter, 8000);

  // Releasing a lock that another thread holds, or one never taken, is ignored.
  static int other;
  BASLock::GUnLock(&other);
  BASLock::GLock(&key);
  std::thread intruder([] { BASLock::GUnLock(&key); });
  intruder.join();
  std::atomic<bool> entered(false);
  std::thread waiter([&entered] {
    BASLock::GLock(&key);
    entered = true;
    BASLock::GUnLock(&key);
  });
  Sleep(100);
  EXPECT_FALSE(entered.load()) << "the intruder's release opened the lock";
  BASLock::GUnLock(&key);
  waiter.join();
  EXPECT_TRUE(entered.load());
}

namespace {
int g_pickerTicks = 0;
// Cancels the folder picker once it is up, from inside its own modal loop.
void CALLBACK CancelPicker(HWND, UINT, UINT_PTR id, DWORD) {
  ++g_pickerTicks;
  HWND picker = nullptr;
  DWORD pid = GetCurrentProcessId();
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (owner == pid && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0) picker = w;
  }
  if (picker) {
    PostMessageW(picker, WM_COMMAND, IDCANCEL, 0);
  } else if (g_pickerTicks > 200) {
    KillTimer(nullptr, id);
  }
}
}  // namespace

TEST(UtilityFile, CancelledFolderPickerAnswersNull) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr) << "no display";
  UINT_PTR timer = SetTimer(nullptr, 0, 100, CancelPicker);
  std::wstring start = testsupport::MakeTempFolder(L"pick");
  HeapText<wchar_t> chosen(BASUtilityFile::SelectFolder(owner, start.c_str()));
  KillTimer(nullptr, timer);
  EXPECT_FALSE(chosen);
  EXPECT_GT(g_pickerTicks, 0);
  DestroyWindow(owner);
}

TEST(UtilityApp, ShellRequestsCanBeLoggedInsteadOfOpened) {
  std::wstring log = testsupport::MakeTempFolder(L"shell") + L"shell.txt";
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", log.c_str());
  EXPECT_TRUE(BASUtilityApp::OpenUrl("https://www.zorvane.example/steward/help?version=2.1.163"));
  EXPECT_TRUE(BASUtilityApp::OpenFolder(L"C:\\Users\\Zoë"));
  EXPECT_FALSE(BASUtilityApp::OpenUrl(""));
  EXPECT_FALSE(BASUtilityApp::OpenFolder(nullptr));
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", nullptr);
  EXPECT_EQ(testsupport::ReadBytes(log),
            "open https://www.zorvane.example/steward/help?version=2.1.163\nopen C:\\Users\\Zoë\n");
}
