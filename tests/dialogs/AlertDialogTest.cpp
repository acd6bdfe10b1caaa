#include "host/Alert.h"
#include "host/HostState.h"
#include "host/dialogs/UiAlertDialog.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/dialogs/DialogTestSupport.h"

using namespace dialogtest;

namespace {

std::unique_ptr<Gdiplus::Bitmap> SolidBitmap(int width, int height, Gdiplus::Color color) {
  auto bitmap = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics graphics(bitmap.get());
  Gdiplus::SolidBrush brush(color);
  graphics.FillRectangle(&brush, 0, 0, width, height);
  return bitmap;
}

bool Visible(const UiDialog& dialog) { return dialog.Hwnd() && IsWindowVisible(dialog.Hwnd()); }

// What the test saw of the live dialog before it answered.
struct Seen {
  RECT rect{};
  bool cancelVisible = false;
  bool okVisible = false;
  RECT okRect{};
  RECT cancelRect{};
  int messageInk = 0;
  int iconPixels = 0;
  std::wstring windowText;
};

}  // namespace

class AlertDialogTest : public testing::Test {
 protected:
  std::unique_ptr<Gdiplus::Bitmap> m_close = SolidBitmap(20, 20, Gdiplus::Color(255, 200, 200, 200));
  std::unique_ptr<Gdiplus::Bitmap> m_closePressed = SolidBitmap(20, 20, Gdiplus::Color(255, 220, 0, 0));
  std::unique_ptr<Gdiplus::Bitmap> m_icon = SolidBitmap(32, 32, Gdiplus::Color(255, 0, 0, 255));

  INT_PTR Run(UiAlertDialog& alert, const std::function<void(Seen&)>& answer, Seen& seen) {
    ModalScript script([&] { return Visible(alert); },
                       [&] {
                         seen.rect = WindowRect(alert.Hwnd());
                         wchar_t text[512] = {};
                         GetWindowTextW(alert.Hwnd(), text, 512);
                         seen.windowText = text;
                         seen.okVisible = IsWindowVisible(alert.OkButton());
                         seen.cancelVisible = IsWindowVisible(alert.CancelButton());
                         seen.okRect = WindowRect(alert.OkButton());
                         seen.cancelRect = WindowRect(alert.CancelButton());
                         ClientPixels pixels(alert.Hwnd());
                         seen.messageInk = pixels.Dark(UiAlertDialog::MessageRect(alert.Width(), 32, 60));
                         seen.iconPixels = pixels.Count(MakeRect(20, 46, 32, 32), RGB(0, 0, 255));
                         answer(seen);
                       },
                       [&] { return alert.Hwnd(); });
    const INT_PTR result = alert.RunModal();
    EXPECT_TRUE(script.Ran()) << "no alert window appeared";
    return result;
  }
};

TEST_F(AlertDialogTest, OkAnswers5051AndHasTheGivenSizeCentredOverItsOwner) {
  PlainWindow owner(MakeRect(100, 80, 700, 500));
  ASSERT_NE(owner.Hwnd(), nullptr);
  UiAlertDialog alert(m_close.get(), m_closePressed.get(), m_icon.get(), 0);
  alert.SetText(L"Nothing is checked.", nullptr, 240, 100, owner.Hwnd());
  Seen seen;
  const INT_PTR result = Run(
      alert, [&](Seen&) { SendMessageW(alert.OkButton(), BM_CLICK, 0, 0); }, seen);
  EXPECT_EQ(result, UiDialog::kOkId);
  EXPECT_TRUE(alert.IsAccepted());
  EXPECT_EQ(seen.rect.right - seen.rect.left, 240);
  EXPECT_EQ(seen.rect.bottom - seen.rect.top, 100);
  EXPECT_EQ(seen.rect.left, 100 + (700 - 240) / 2);
  EXPECT_EQ(seen.rect.top, 80 + (500 - 100) / 2);
  // One button: OK alone, 10 pixels from the right and bottom edges.
  EXPECT_TRUE(seen.okVisible);
  EXPECT_FALSE(seen.cancelVisible);
  EXPECT_EQ(seen.rect.right - seen.okRect.right, 10);
  EXPECT_EQ(seen.rect.bottom - seen.okRect.bottom, 10);
  EXPECT_EQ(alert.OkText(), L"OK");
  EXPECT_EQ(seen.windowText, L"Nothing is checked.") << "the message is readable from outside";
  EXPECT_GT(seen.messageInk, 30) << "no message text was drawn";
  EXPECT_EQ(seen.iconPixels, 32 * 32) << "the alert icon belongs at x 20, 20 pixels below the strip";
  EXPECT_EQ(alert.Hwnd(), nullptr) << "a modal alert is gone once it answered";
}

// A message longer than the given size leaves room for grows the dialog: no line is lost.
TEST_F(AlertDialogTest, ALongMessageMakesTheDialogTallerNotShorterOfText) {
  PlainWindow owner(MakeRect(100, 80, 700, 500));
  UiAlertDialog alert(m_close.get(), m_closePressed.get(), m_icon.get(), 1);
  const std::wstring text =
      L"Please confirm the pop-up window on your phone by clicking \"Yes\".\n\nWhy should I do this?\nWith Android 4.4 "
      L"KITKAT came a new feature -- system-wide SMS handling.\nNow any app that wants to restore, import or delete "
      L"SMS "
      L"must be set as the default SMS app.\n";
  alert.SetText(text, nullptr, 540, 200, owner.Hwnd());
  Seen seen;
  Run(
      alert, [&](Seen&) { SendMessageW(alert.OkButton(), BM_CLICK, 0, 0); }, seen);
  EXPECT_EQ(seen.rect.right - seen.rect.left, 540);
  EXPECT_GT(seen.rect.bottom - seen.rect.top, 200);
  EXPECT_EQ(seen.rect.bottom - seen.okRect.bottom, 10);
  // A short one keeps the size it was given.
  UiAlertDialog small(m_close.get(), m_closePressed.get(), m_icon.get(), 0);
  small.SetText(L"Nothing is checked.", nullptr, 240, 100, owner.Hwnd());
  Run(
      small, [&](Seen&) { SendMessageW(small.OkButton(), BM_CLICK, 0, 0); }, seen);
  EXPECT_EQ(seen.rect.bottom - seen.rect.top, 100);
}

TEST_F(AlertDialogTest, QuestionAnswersCancelAndCloseWith5052) {
  UiAlertDialog question(m_close.get(), m_closePressed.get(), m_icon.get(), 1);
  question.SetText(L"Do you really want to delete the checked contacts?", nullptr, 400, 120, nullptr);
  Seen seen;
  EXPECT_EQ(Run(
                question, [&](Seen&) { SendMessageW(question.CancelButton(), BM_CLICK, 0, 0); }, seen),
            UiDialog::kCancelId);
  EXPECT_FALSE(question.IsAccepted());
  EXPECT_TRUE(seen.cancelVisible);
  EXPECT_EQ(seen.rect.right - seen.rect.left, 400);
  EXPECT_EQ(seen.rect.bottom - seen.rect.top, 120);
  // Cancel at the corner, OK 10 pixels to its left on the same row.
  EXPECT_EQ(seen.rect.right - seen.cancelRect.right, 10);
  EXPECT_EQ(seen.cancelRect.left - seen.okRect.right, 10);
  EXPECT_EQ(seen.okRect.top, seen.cancelRect.top);

  // The same object runs again: WM_CLOSE, the title close button and Escape all say 5052.
  EXPECT_EQ(Run(
                question, [&](Seen&) { PostMessageW(question.Hwnd(), WM_CLOSE, 0, 0); }, seen),
            UiDialog::kCancelId);
  EXPECT_EQ(Run(
                question, [&](Seen&) { SendMessageW(question.CloseButton(), BM_CLICK, 0, 0); }, seen),
            UiDialog::kCancelId);
  EXPECT_EQ(Run(
                question,
                [&](Seen&) { PostMessageW(question.Hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }, seen),
            UiDialog::kCancelId);
  EXPECT_EQ(
      Run(
          question,
          [&](Seen&) { PostMessageW(question.Hwnd(), WM_COMMAND, MAKEWPARAM(UiDialog::kOkId, BN_CLICKED), 0); }, seen),
      UiDialog::kOkId);
}

TEST_F(AlertDialogTest, ShowAlertUsesTheImageCacheTheTextAndTheButtonText) {
  HostState& host = Host();
  host.imageCache["common\\close-normal.png"] = m_close.get();
  host.imageCache["common\\close-pressed.png"] = m_closePressed.get();
  host.imageCache["common\\alert.png"] = m_icon.get();
  RECT rect{};
  std::wstring button;
  int iconPixels = 0;
  ModalScript script(
      [&] {
        HWND found = FindWindowW(L"#32770", nullptr);
        return found && IsWindowVisible(found) && GetWindowThreadProcessId(found, nullptr) == GetCurrentThreadId();
      },
      [&] {
        HWND alert = FindWindowW(L"#32770", nullptr);
        rect = WindowRect(alert);
        auto* dialog = static_cast<UiAlertDialog*>(BASWindow::FromHandle(alert));
        if (dialog) button = dialog->OkText();
        iconPixels = ClientPixels(alert).Count(MakeRect(20, 46, 32, 32), RGB(0, 0, 255));
        SendMessageW(GetDlgItem(alert, UiDialog::kOkId), BM_CLICK, 0, 0);
      });
  const int result =
      ShowAlert(nullptr, L"Load Option.json Fail:\nC:\\Program Files\\Zorvane\\Option.json", 520, 140, L"Open");
  host.imageCache.clear();
  ASSERT_TRUE(script.Ran());
  EXPECT_EQ(result, UiDialog::kOkId);
  EXPECT_EQ(rect.right - rect.left, 520);
  EXPECT_EQ(rect.bottom - rect.top, 140);
  EXPECT_EQ(button, L"Open");
  EXPECT_EQ(iconPixels, 32 * 32);
}

TEST_F(AlertDialogTest, ConfirmIsTrueOnlyForOk) {
  ModalScript no([] { return FindWindowW(L"#32770", nullptr) != nullptr; },
                 [] { PostMessageW(FindWindowW(L"#32770", nullptr), WM_CLOSE, 0, 0); });
  EXPECT_FALSE(ShowConfirm(nullptr, L"Are you sure to remove the device now?", 400, 100));
  EXPECT_TRUE(no.Ran());
  ModalScript yes([] { return FindWindowW(L"#32770", nullptr) != nullptr; },
                  [] { SendMessageW(GetDlgItem(FindWindowW(L"#32770", nullptr), UiDialog::kOkId), BM_CLICK, 0, 0); });
  EXPECT_TRUE(ShowConfirm(nullptr, L"Are you sure to remove the device now?", 400, 100));
  EXPECT_TRUE(yes.Ran());
}
