// The image and switch buttons as real owner-drawn controls under a reflecting parent: what a
// press posts, how hover, leave and disabling move the state, and what each state paints.
#include "kit/BASImgButton.h"
#include "kit/BASSwitchButton.h"
#include "kit/BASSwitchImageButton.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"
#include "tests/harness/GdiplusEnvironment.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);

Gdiplus::Color ToColor(COLORREF color) {
  return Gdiplus::Color(255, GetRValue(color), GetGValue(color), GetBValue(color));
}

std::unique_ptr<Gdiplus::Bitmap> SolidImage(int width, int height, COLORREF color) {
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics graphics(image.get());
  graphics.Clear(ToColor(color));
  return image;
}

// Columns [0, left) one colour, the middle another, the last `right` columns a third.
std::unique_ptr<Gdiplus::Bitmap> SlicedImage(int width, int height, int left, int right) {
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  for (int x = 0; x < width; ++x) {
    const COLORREF color = x < left ? kRed : x >= width - right ? kBlue : kGreen;
    for (int y = 0; y < height; ++y) image->SetPixel(x, y, ToColor(color));
  }
  return image;
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool IsGrey(COLORREF color) { return GetRValue(color) == GetGValue(color) && GetGValue(color) == GetBValue(color); }

struct Command {
  int id;
  int code;
  HWND control;
};

// A reflecting parent that records the commands its buttons send.
class ButtonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Create(nullptr, L"KitButtonParent", L"buttons", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                              MakeRect(100, 100, 300, 200)));
    parent.onCommand = [this](int id, int code, HWND control) {
      commands.push_back({id, code, control});
      return true;
    };
    // What shows through a button's transparent parts is what the parent paints.
    parent.paints = true;
    parent.onPaint = [](HDC dc, const RECT& client) {
      SetDCBrushColor(dc, kYellow);
      FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    };
    Pump();
  }
  void TearDown() override { Pump(); }

  // What the control paints, read back through WM_PRINTCLIENT on a canvas of `under`.
  static std::unique_ptr<PixelCanvas> Paint(HWND button, COLORREF under = kYellow) {
    RECT rect{};
    GetClientRect(button, &rect);
    auto canvas = std::make_unique<PixelCanvas>(std::max<int>(1, rect.right), std::max<int>(1, rect.bottom), under);
    SendMessageW(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    return canvas;
  }

  static RECT RectInParent(HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  ProbeWindow parent;
  std::vector<Command> commands;
};

}  // namespace

TEST_F(ButtonTest, ImageButtonPostsOneCommandAtButtonDownAndDrawsEachState) {
  auto normal = SolidImage(20, 16, kRed);
  auto pressed = SolidImage(20, 16, kGreen);
  BASImgButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 302));
  // Offsets count from the parent's right edge; the size is the normal image's.
  button.Place(pressed.get(), -8, normal.get(), 12);
  const RECT placed = RectInParent(button.Hwnd());
  EXPECT_EQ(placed.left, 300 - 8 - 20);
  EXPECT_EQ(placed.top, 12);
  EXPECT_EQ(placed.right - placed.left, 20);
  EXPECT_EQ(placed.bottom - placed.top, 16);
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kRed);

  SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(button.State(), BASImgButton::kPressed);
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kGreen);
  // Posted at the press, before the button comes up.
  MSG queued{};
  EXPECT_TRUE(PeekMessageW(&queued, parent.Hwnd(), WM_COMMAND, WM_COMMAND, PM_NOREMOVE));
  SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(button.State(), BASImgButton::kNormal);
  Pump();
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0].id, 302);
  EXPECT_EQ(commands[0].code, BN_CLICKED);
  EXPECT_EQ(commands[0].control, button.Hwnd());

  // A programmatic click and the second press of a double click are one press each, with no
  // second notice from the system.
  SendMessageW(button.Hwnd(), BM_CLICK, 0, 0);
  SendMessageW(button.Hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_EQ(commands.size(), 3u);

  SendMessageW(button.Hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kGreen);
  SendMessageW(button.Hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kRed);
}

TEST_F(ButtonTest, DisabledImageButtonIsGreyAndIgnoresPressesAndHover) {
  auto normal = SolidImage(20, 16, kRed);
  auto pressed = SolidImage(20, 16, kGreen);
  BASImgButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 303));
  button.Place(pressed.get(), -10, normal.get(), 10);
  button.SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(button.Hwnd()));
  const COLORREF grey = Paint(button.Hwnd())->Pixel(5, 5);
  EXPECT_TRUE(IsGrey(grey) && grey != kYellow) << std::hex << grey;

  // Messages that still reach it change nothing.
  SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(button.Hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
  SendMessageW(button.Hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(button.State(), BASImgButton::kDisabled);
  Pump();
  EXPECT_TRUE(commands.empty());

  button.SetEnabled(true);
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kRed);
  // Disabled from outside looks the same.
  EnableWindow(button.Hwnd(), FALSE);
  EXPECT_TRUE(IsGrey(Paint(button.Hwnd())->Pixel(5, 5)));
  EnableWindow(button.Hwnd(), TRUE);
  EXPECT_EQ(button.State(), BASImgButton::kNormal);
}

TEST_F(ButtonTest, ToggleImageButtonFollowsItsOnFlagAndHoverDoesNotRepaint) {
  auto normal = SolidImage(20, 16, kRed);
  auto pressed = SolidImage(20, 16, kGreen);
  BASImgButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 304));
  button.Place(pressed.get(), -10, normal.get(), 10);
  button.SetToggle(true);

  SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_TRUE(button.IsOn());
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kGreen);  // released, but on

  UpdateWindow(button.Hwnd());
  ValidateRect(button.Hwnd(), nullptr);
  SendMessageW(button.Hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(5, 5));
  SendMessageW(button.Hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(GetUpdateRect(button.Hwnd(), nullptr, FALSE));

  SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(button.IsOn());
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(5, 5), kRed);  // pressed, but off
  SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

TEST_F(ButtonTest, ThreeSliceButtonStretchesOnlyTheMiddle) {
  auto normal = SlicedImage(12, 10, 3, 4);
  BASImgButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 305));
  button.Place(normal.get(), 0, normal.get(), 0);
  button.SetCaps(3, 4);
  button.SetText(L"i");
  button.SetTextColor(kGreen);  // indistinguishable from the middle it lies on
  SetWindowPos(button.Hwnd(), nullptr, 0, 0, 60, 10, SWP_NOMOVE | SWP_NOZORDER);
  const auto canvas = Paint(button.Hwnd());
  for (int y : {0, 5, 9}) {
    for (int x = 0; x < 60; ++x) {
      const COLORREF expected = x < 3 ? kRed : x < 56 ? kGreen : kBlue;
      EXPECT_EQ(canvas->Pixel(x, y), expected) << x << "," << y;
    }
  }
}

TEST_F(ButtonTest, IconAndTextKeepsTheImageSizeAndMissingImagesDrawNothing) {
  auto icon = SolidImage(8, 8, kRed);
  BASImgButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 306, MakeRect(0, 0, 60, 12)));
  button.SetImages(icon.get(), icon.get());
  button.SetIconAndText(true);
  button.SetText(L"label");
  button.SetBackground(kWhite);
  button.SetTextColor(kBlack);
  const auto canvas = Paint(button.Hwnd());
  EXPECT_EQ(canvas->Pixel(7, 7), kRed);
  EXPECT_EQ(canvas->Pixel(8, 0), kWhite);
  bool text = false;
  for (int x = 8; x < 60 && !text; ++x)
    for (int y = 0; y < 12 && !text; ++y) text = canvas->Pixel(x, y) != kWhite;
  EXPECT_TRUE(text);

  BASImgButton empty;
  ASSERT_TRUE(empty.Create(parent.Hwnd(), 307));
  empty.Place(nullptr, -8, nullptr, 12);
  EXPECT_EQ(empty.Width(), 0);
  SetWindowPos(empty.Hwnd(), nullptr, 10, 40, 20, 10, SWP_NOZORDER);
  for (int state : {0, 1, 3}) {
    empty.SetState(state);
    EXPECT_EQ(Paint(empty.Hwnd())->Pixel(10, 5), kYellow) << state;
  }
  // Not what the target held before (the screen, black after a restore): the parent's painting.
  EXPECT_EQ(Paint(empty.Hwnd(), kBlue)->Pixel(10, 5), kYellow);
}

TEST_F(ButtonTest, SwitchButtonIsSizedToItsTextAndPlacedFromTheRightForNegativeX) {
  GdiFont font(CreateFontW(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  BASSwitchButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 310));
  button.SetFont(font.Get());
  button.SetMargins(30, 8);
  button.Place(kBlue, kWhite, -20, 34, L"My Device");
  SIZE extent{};
  {
    ClientDc dc(button.Hwnd());
    SelectGuard guard(dc.Get(), font);
    GetTextExtentPoint32W(dc, L"My Device", 9, &extent);
  }
  ASSERT_GT(extent.cx, 0);
  const RECT placed = RectInParent(button.Hwnd());
  EXPECT_EQ(placed.right - placed.left, extent.cx + 60);
  EXPECT_EQ(placed.bottom - placed.top, extent.cy + 16);
  EXPECT_EQ(placed.left, 300 - 20 - (extent.cx + 60));
  EXPECT_EQ(placed.top, 34);

  // State 0 the first fill; selected and hover the second, rounded with its border.
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(2, 2), kBlue);
  button.SetState(BASSwitchButton::kHover);
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(2, 2), kWhite);
  button.SetRounded(true, 9, 9);
  button.SetBorderColor(kRed);
  const auto rounded = Paint(button.Hwnd());
  EXPECT_EQ(rounded->Pixel(0, 0), kYellow);
  EXPECT_EQ(rounded->Pixel(button.Width() / 2, 0), kRed);
}

TEST_F(ButtonTest, TextSwitchButtonPostsEveryPressAndGroupMembersStaySelected) {
  BASSwitchButton tab;
  ASSERT_TRUE(tab.Create(parent.Hwnd(), 311));
  tab.Place(kBlue, kWhite, 10, 10, L"tab");
  for (int press = 0; press < 2; ++press) {
    SendMessageW(tab.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(tab.Hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    EXPECT_EQ(tab.State(), BASSwitchButton::kSelected);
  }
  Pump();
  EXPECT_EQ(commands.size(), 2u);

  const auto hoverThenLeave = [&] {
    SendMessageW(tab.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    SendMessageW(tab.Hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
    const int hovered = tab.State();
    SendMessageW(tab.Hwnd(), WM_MOUSELEAVE, 0, 0);
    Pump();
    return std::make_pair(hovered, tab.State());
  };
  // A selected member ignores hover and leave; an unselected one hovers and returns.
  EXPECT_EQ(hoverThenLeave(), std::make_pair(BASSwitchButton::kSelected, BASSwitchButton::kSelected));
  tab.SetState(BASSwitchButton::kNormal);
  EXPECT_EQ(hoverThenLeave(), std::make_pair(BASSwitchButton::kHover, BASSwitchButton::kNormal));
  // Outside a group a selected button returns to normal.
  tab.SetGroupMember(false);
  tab.SetState(BASSwitchButton::kSelected);
  EXPECT_EQ(hoverThenLeave(), std::make_pair(BASSwitchButton::kHover, BASSwitchButton::kNormal));

  // A leave notice nobody asked for changes nothing; a programmatic click selects.
  tab.SetState(BASSwitchButton::kHover);
  SendMessageW(tab.Hwnd(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(tab.State(), BASSwitchButton::kHover);
  SendMessageW(tab.Hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(tab.State(), BASSwitchButton::kSelected);
  Pump();
  EXPECT_EQ(commands.size(), 3u);
}

TEST_F(ButtonTest, DisabledSwitchButtonKeepsItsGreyLookWhenTheMouseEntersAndLeaves) {
  BASSwitchButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 312));
  button.Place(kBlue, kWhite, 10, 10, L"off");
  button.SetGroupMember(false);
  button.SetEnabled(false);
  SendMessageW(button.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  SendMessageW(button.Hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(2, 2), RGB(127, 127, 127));
  SendMessageW(button.Hwnd(), WM_MOUSELEAVE, 0, 0);
  SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(button.State(), BASSwitchButton::kDisabled);
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(2, 2), RGB(127, 127, 127));
  Pump();
  EXPECT_TRUE(commands.empty());
}

TEST_F(ButtonTest, RealPointerOverASwitchButtonShowsHoverAndLeavingRestoresIt) {
  BASSwitchButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 313));
  button.Place(kBlue, kWhite, 10, 10, L"hover me");
  RECT screen{};
  GetWindowRect(button.Hwnd(), &screen);
  const auto waitFor = [&](int state) {
    const DWORD start = GetTickCount();
    while (button.State() != state && GetTickCount() - start < 2000) {
      Pump();
      Sleep(5);
    }
    return button.State();
  };
  // Wine turns the warp into a move on the button; the 10 ms hover follows.
  SetCursorPos(screen.left + 5, screen.top + 5);
  EXPECT_EQ(waitFor(BASSwitchButton::kHover), BASSwitchButton::kHover);
  SetCursorPos(screen.left + 5, screen.bottom + 150);
  EXPECT_EQ(waitFor(BASSwitchButton::kNormal), BASSwitchButton::kNormal);
}

TEST_F(ButtonTest, ImageSwitchButtonLayoutComesFromTheMarginsEveryTime) {
  auto icon = SolidImage(16, 12, kRed);
  auto corner = SolidImage(6, 6, kBlack);
  BASSwitchImageButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 320));
  button.SetCornerImages(corner.get(), corner.get());
  button.Place(kWhite, kYellow, icon.get(), icon.get(), L"A much longer label", 5);
  SIZE wide{};
  SIZE narrow{};
  {
    ClientDc dc(button.Hwnd());
    GetTextExtentPoint32W(dc, L"A much longer label", 19, &wide);
    GetTextExtentPoint32W(dc, L"i", 1, &narrow);
  }
  ASSERT_TRUE(wide.cx > 16 && narrow.cx < 16);
  EXPECT_EQ(RectInParent(button.Hwnd()).top, 8);
  // Icon above: the narrower part is centred over the wider.
  EXPECT_EQ(button.IconPosition().x, 10 + (wide.cx - 16) / 2);
  EXPECT_EQ(button.IconPosition().y, 10);
  EXPECT_EQ(button.TextRect().left, 10);
  EXPECT_EQ(button.TextRect().top, 10 + 12 + 4);
  EXPECT_EQ(button.Width(), wide.cx + 20);
  EXPECT_EQ(button.Height(), 12 + 4 + wide.cy + 20);
  EXPECT_EQ(button.CornerRect().left, button.Width() - 6 - 4);
  EXPECT_EQ(button.CornerRect().top, 2);

  button.SetText(L"i");
  EXPECT_EQ(button.IconPosition().x, 10);
  EXPECT_EQ(button.TextRect().left, 10 + (16 - narrow.cx) / 2);
  EXPECT_EQ(button.CornerRect().left, 16 + 20 - 6 - 4);

  // Icon left: the text right of it, centred on it when the icon is the taller.
  button.SetLayout(BASSwitchImageButton::kIconLeft);
  button.SetText(L"A much longer label");
  EXPECT_EQ(button.TextRect().left, 10 + 16 + 4);
  EXPECT_EQ(button.TextRect().top, wide.cy <= 12 ? 10 + (12 - wide.cy) / 2 : 10);
  EXPECT_EQ(button.Width(), 16 + 4 + wide.cx + 20);

  button.SetSeparator(true);
  const auto canvas = Paint(button.Hwnd());
  EXPECT_EQ(canvas->Pixel(2, 2), kWhite);
  EXPECT_EQ(canvas->Pixel(10, 10), kRed);
  EXPECT_EQ(canvas->Pixel(button.CornerRect().left + 1, 3), kBlack);
  const int sepX = button.Width() - 2;
  EXPECT_EQ(canvas->Pixel(sepX, 12), kBlack);
  EXPECT_EQ(canvas->Pixel(sepX, 13), kWhite);
  EXPECT_EQ(canvas->Pixel(sepX, button.Height() - 7), kWhite);
}

TEST_F(ButtonTest, SelectedImageSwitchButtonPostsNothingButPassesCornerPressesOn) {
  auto icon = SolidImage(16, 12, kRed);
  auto selectedIcon = SolidImage(16, 12, kGreen);
  auto corner = SolidImage(6, 6, kBlack);
  BASSwitchImageButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 321));
  button.SetCornerImages(corner.get(), corner.get());
  button.Place(kWhite, kYellow, icon.get(), selectedIcon.get(), L"Phone", 5);
  const auto press = [&](LPARAM at) {
    SendMessageW(button.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(button.Hwnd(), WM_LBUTTONUP, 0, at);
    Pump();
  };
  press(MAKELPARAM(2, 30));
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_FALSE(button.CornerHit());
  EXPECT_EQ(Paint(button.Hwnd())->Pixel(button.IconPosition().x, button.IconPosition().y), kGreen);

  press(MAKELPARAM(2, 30));
  SendMessageW(button.Hwnd(), BM_CLICK, 0, 0);
  Pump();
  EXPECT_EQ(commands.size(), 1u);

  // On the corner of the selected button: the system's click when the button comes up.
  const LPARAM onCorner = MAKELPARAM(button.CornerRect().left + 2, button.CornerRect().top + 2);
  press(onCorner);
  EXPECT_TRUE(button.CornerHit());
  ASSERT_EQ(commands.size(), 2u);
  EXPECT_EQ(commands[1].code, BN_CLICKED);
  EXPECT_EQ(button.State(), BASSwitchImageButton::kSelected);
  // On an unselected button the corner is an ordinary press.
  button.SetState(BASSwitchImageButton::kNormal);
  press(onCorner);
  EXPECT_EQ(commands.size(), 3u);
}

TEST_F(ButtonTest, ImageSwitchButtonHoverCanBeTurnedOffAndDisabledUsesTheGreyIcon) {
  auto icon = SolidImage(16, 12, kRed);
  BASSwitchImageButton button;
  ASSERT_TRUE(button.Create(parent.Hwnd(), 322));
  button.Place(kWhite, kYellow, icon.get(), icon.get(), L"Tool", 5);
  button.SetHoverEnabled(false);
  SendMessageW(button.Hwnd(), WM_MOUSEHOVER, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(button.State(), BASSwitchImageButton::kNormal);
  button.SetEnabled(false);
  const auto canvas = Paint(button.Hwnd());
  EXPECT_EQ(canvas->Pixel(2, 2), RGB(127, 127, 127));
  const COLORREF iconPixel = canvas->Pixel(button.IconPosition().x + 1, button.IconPosition().y + 1);
  EXPECT_TRUE(IsGrey(iconPixel) && iconPixel != RGB(127, 127, 127)) << std::hex << iconPixel;
}
