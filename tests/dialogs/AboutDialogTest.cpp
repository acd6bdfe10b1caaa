#include "host/dialogs/UiAboutDialog.h"

#include <gtest/gtest.h>

#include "contracts/cornerstone/Cornerstone.h"
#include "tests/dialogs/DialogTestSupport.h"

using namespace dialogtest;

namespace {

bool Visible(const UiDialog& dialog) { return dialog.Hwnd() && IsWindowVisible(dialog.Hwnd()); }

// A "url" settings store like the shipped Option.json, with a brand address and title colour.
void LoadSettings() {
  const std::wstring path = TempPath(L"zs-dialogs-option.json");
  FILE* file = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(file, nullptr);
  const char json[] =
      "{\"url\":{\"brand\":\"https://www.zorvane.example/\"},"
      "\"color\":{\"title\":{\"background\":\"#1E9E63\"}}}";
  std::fwrite(json, 1, sizeof json - 1, file);
  std::fclose(file);
  ASSERT_TRUE(BASUserDefaults::InitUserDefaults("url", path.c_str()));
}

}  // namespace

TEST(AboutDialog, ShowsNameVersionAndInformationAndAnswersOk) {
  LoadSettings();
  EXPECT_EQ(UiAboutDialog::LinesFor(L"Zorvane Steward for Android", L"2.1.163").information,
            L"For more information about Zorvane Steward for Android, please visit:");

  UiAboutDialog about(nullptr, nullptr);
  EXPECT_EQ(about.Texts().name, L"Zorvane Steward for Android");
  EXPECT_EQ(about.Texts().version, L"Version: 2.1.163");
  RECT rect{};
  int header = 0, white = 0, nameInk = 0, infoInk = 0;
  std::wstring link;
  ModalScript script([&] { return Visible(about); },
                     [&] {
                       rect = WindowRect(about.Hwnd());
                       ClientPixels pixels(about.Hwnd());
                       header = pixels.Count(MakeRect(1, 1, 20, 20), RGB(0x1E, 0x9E, 0x63));
                       white = pixels.Count(MakeRect(1, 300, 20, 20), RGB(255, 255, 255));
                       // White letters on the header colour, black ones on white below it.
                       nameInk = pixels.Count(MakeRect(100, 136, 300, 50), RGB(255, 255, 255));
                       infoInk = pixels.Dark(MakeRect(20, 200, 460, 60));
                       wchar_t text[200] = {};
                       GetWindowTextW(about.Link(), text, 200);
                       link = text;
                       SendMessageW(about.OkButton(), BM_CLICK, 0, 0);
                     },
                     [&] { return about.Hwnd(); });
  EXPECT_EQ(about.RunModal(nullptr), UiDialog::kOkId);
  ASSERT_TRUE(script.Ran());
  EXPECT_EQ(rect.right - rect.left, 500);
  EXPECT_EQ(rect.bottom - rect.top, 360);
  EXPECT_EQ(header, 400);
  EXPECT_EQ(white, 400);
  EXPECT_GT(nameInk, 50);
  EXPECT_GT(infoInk, 50);
  EXPECT_EQ(link, L"<a href=\"https://www.zorvane.example/\">https://www.zorvane.example/</a>");
}

TEST(AboutDialog, CloseAnswers5052AndTheLinkOpensTheBrandAddress) {
  LoadSettings();
  const std::wstring log = TempPath(L"zs-dialogs-about-shell.log");
  DeleteFileW(log.c_str());
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", log.c_str());
  UiAboutDialog about(nullptr, nullptr);
  ModalScript script([&] { return Visible(about); },
                     [&] {
                       const RECT link = WindowRect(about.Link());
                       EXPECT_LT(link.right - link.left, 500);
                       SendMessageW(about.Link(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 6));
                       SendMessageW(about.Link(), WM_LBUTTONUP, 0, MAKELPARAM(3, 6));
                       SendMessageW(about.CloseButton(), BM_CLICK, 0, 0);
                     },
                     [&] { return about.Hwnd(); });
  EXPECT_EQ(about.RunModal(nullptr), UiDialog::kCancelId);
  SetEnvironmentVariableW(L"ZORVANE_SHELL_LOG", nullptr);
  EXPECT_TRUE(script.Ran());
  EXPECT_EQ(ReadFile(log), "open https://www.zorvane.example/\n");
  DeleteFileW(log.c_str());
}
