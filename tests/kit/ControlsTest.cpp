// The thin standard controls as real controls under a reflecting parent: the static's click
// message, the edit's text, and the check-box combo's display text, item heights and open list.
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/BASComboBox.h"
#include "kit/BASEdit.h"
#include "kit/BASStatic.h"
#include "tests/harness/TestPump.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Command {
  int id;
  int code;
  HWND control;
};

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = L"";
  GetWindowTextW(hwnd, text, 256);
  return text;
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Create(nullptr, L"KitControlsParent", L"controls", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                              MakeRect(80, 80, 400, 300)));
    parent.onCommand = [this](int id, int code, HWND control) {
      commands.push_back({id, code, control});
      return false;
    };
    parent.handleMessage = [this](UINT msg, WPARAM wp, LPARAM lp, bool& handled) -> LRESULT {
      if (msg == kStaticClicked) {
        staticClicks.push_back({static_cast<int>(wp), static_cast<int>(lp), nullptr});
        handled = true;
      }
      return 0;
    };
    testpump::Pump();
  }
  void TearDown() override { testpump::Pump(); }

  int SelChanges(int id) const {
    int count = 0;
    for (const Command& command : commands) count += command.id == id && command.code == CBN_SELCHANGE;
    return count;
  }

  ProbeWindow parent;
  std::vector<Command> commands;
  std::vector<Command> staticClicks;
};

// Sets the user's list separator for one test and puts the old one back.
class ListSeparatorOverride {
 public:
  explicit ListSeparatorOverride(const wchar_t* separator) {
    m_saved = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, m_old, 16) > 0;
    m_set = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, separator) != FALSE;
  }
  ~ListSeparatorOverride() {
    if (m_set && m_saved) SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, m_old);
  }
  bool IsSet() const { return m_set; }

 private:
  wchar_t m_old[16] = L"";
  bool m_saved = false;
  bool m_set = false;
};

}  // namespace

TEST_F(ControlsTest, StaticSendsItsIdOnAClick) {
  BASStatic label;
  ASSERT_TRUE(label.Create(parent.Hwnd(), L"Phone only", MakeRect(10, 10, 120, 20), 4005));
  EXPECT_EQ(WindowText(label.Hwnd()), L"Phone only");
  // Without SS_NOTIFY a real click would pass through to the parent.
  EXPECT_TRUE(GetWindowLongW(label.Hwnd(), GWL_STYLE) & SS_NOTIFY);
  EXPECT_EQ(SendMessageW(label.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)), 0);
  ASSERT_EQ(staticClicks.size(), 1u);
  EXPECT_EQ(staticClicks[0].id, 4005);
  EXPECT_EQ(staticClicks[0].code, 0);
  EXPECT_EQ(kStaticClicked, static_cast<UINT>(1130));
}

TEST_F(ControlsTest, EditKeepsItsTextAndItsNotificationsStillReachTheParent) {
  BASEdit edit;
  ASSERT_TRUE(edit.Create(parent.Hwnd(), MakeRect(10, 10, 200, 22), 5005));
  EXPECT_EQ(edit.Text(), L"");
  edit.SetText(L"Joanne");
  EXPECT_EQ(edit.Text(), L"Joanne");
  int changes = 0;
  for (const Command& command : commands) changes += command.id == 5005 && command.code == EN_CHANGE;
  EXPECT_EQ(changes, 1);
  HFONT font = BASUtilityApp::GetFont(19, false, L"Arial");
  edit.SetFont(font);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(edit.Hwnd(), WM_GETFONT, 0, 0)), font);
  edit.Destroy();
  DeleteObject(font);
}

TEST(ComboTextTest, CheckedTextsAreJoinedBySeparator) {
  const std::wstring texts[] = {L"Family", L"Friends", L"Work"};
  const bool checked[] = {true, false, true};
  EXPECT_EQ(BASComboBox::JoinChecked(texts, checked, 3, L", "), L"Family, Work");
  const bool none[] = {false, false, false};
  EXPECT_EQ(BASComboBox::JoinChecked(texts, none, 3, L", "), L"");
  const bool last[] = {false, false, true};
  EXPECT_EQ(BASComboBox::JoinChecked(texts, last, 3, L", "), L"Work");
}

TEST(ComboTextTest, ListSeparatorIsTheLocaleOneTrimmedPlusOneSpace) {
  const std::wstring separator = BASComboBox::ListSeparator();
  ASSERT_GE(separator.size(), 2u);
  EXPECT_EQ(separator.back(), L' ');
  EXPECT_NE(separator[separator.size() - 2], L' ');
  wchar_t raw[16] = L"";
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, raw, 16);
  std::wstring trimmed = raw;
  while (!trimmed.empty() && iswspace(trimmed.back())) trimmed.pop_back();
  EXPECT_EQ(separator, (trimmed.empty() ? std::wstring(L";") : trimmed) + L" ");
}

TEST_F(ControlsTest, ComboShowsCheckedTextsWithTheLocaleSeparator) {
  ListSeparatorOverride comma(L",  ");
  if (!comma.IsSet()) GTEST_SKIP() << "the list separator cannot be set here";
  EXPECT_EQ(BASComboBox::ListSeparator(), L", ");

  BASComboBox combo;
  ASSERT_TRUE(combo.Create(parent.Hwnd(), MakeRect(10, 10, 200, 200), 5020));
  EXPECT_EQ(combo.AddItem(L"Family", true), 0);
  EXPECT_EQ(combo.AddItem(L"Friends"), 1);
  EXPECT_EQ(combo.AddItem(L"Work", true), 2);
  EXPECT_EQ(combo.ItemCount(), 3);
  EXPECT_EQ(WindowText(combo.Hwnd()), L"Family, Work");
  EXPECT_EQ(GetWindowTextLengthW(combo.Hwnd()), 12);
  combo.SetCheck(1, true);
  EXPECT_TRUE(combo.IsChecked(1));
  EXPECT_EQ(combo.DisplayText(), L"Family, Friends, Work");
  combo.SetCheck(0, false);
  combo.SetCheck(2, false);
  EXPECT_EQ(WindowText(combo.Hwnd()), L"Friends");
  // A short buffer gets the start of the text.
  wchar_t shortBuffer[4] = L"xxx";
  EXPECT_EQ(SendMessageW(combo.Hwnd(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(shortBuffer)), 3);
  EXPECT_STREQ(shortBuffer, L"Fri");
}

TEST(ComboSeparatorTest, ABlankLocaleSeparatorFallsBackToASemicolon) {
  ListSeparatorOverride blank(L" ");
  if (!blank.IsSet()) GTEST_SKIP() << "the list separator cannot be set here";
  EXPECT_EQ(BASComboBox::ListSeparator(), L"; ");
}

TEST_F(ControlsTest, ComboItemsAreAsTallAsTheFontPlusTwo) {
  BASComboBox combo;
  ASSERT_TRUE(combo.Create(parent.Hwnd(), MakeRect(10, 10, 200, 200), 5021));
  HFONT font = BASUtilityApp::GetFont(20, false, L"Arial");
  combo.SetFont(font);
  HDC dc = GetDC(combo.Hwnd());
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(combo.Hwnd(), dc);
  EXPECT_EQ(SendMessageW(combo.Hwnd(), CB_GETITEMHEIGHT, 0, 0), metrics.tmHeight + metrics.tmExternalLeading + 2);
  const LONG style = GetWindowLongW(combo.Hwnd(), GWL_STYLE);
  EXPECT_EQ(style & 3, CBS_DROPDOWNLIST);
  EXPECT_TRUE(style & CBS_OWNERDRAWFIXED);
  EXPECT_TRUE(style & CBS_HASSTRINGS);
  combo.Destroy();
  DeleteObject(font);
}

TEST_F(ControlsTest, AClickInTheOpenListTogglesTheItemAndLeavesTheListOpen) {
  BASComboBox combo;
  ASSERT_TRUE(combo.Create(parent.Hwnd(), MakeRect(10, 10, 200, 200), 5022));
  combo.AddItem(L"Family");
  combo.AddItem(L"Friends", true);
  combo.AddItem(L"Work");
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo.Hwnd(), &info));
  const HWND list = info.hwndList;
  ASSERT_NE(list, nullptr);

  SendMessageW(combo.Hwnd(), CB_SHOWDROPDOWN, TRUE, 0);
  UpdateWindow(list);
  testpump::Pump();
  ASSERT_TRUE(SendMessageW(combo.Hwnd(), CB_GETDROPPEDSTATE, 0, 0));
  // Taken over at its first paint: it never reports a current item.
  SendMessageW(list, LB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessageW(combo.Hwnd(), CB_GETCURSEL, 0, 0), CB_ERR);

  RECT item{};
  ASSERT_NE(SendMessageW(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)), LB_ERR);
  const POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  commands.clear();
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  testpump::Pump();
  EXPECT_TRUE(combo.IsChecked(0));
  EXPECT_TRUE(combo.IsChecked(1));
  EXPECT_TRUE(SendMessageW(combo.Hwnd(), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SelChanges(5022), 1);
  for (const Command& command : commands) {
    if (command.code == CBN_SELCHANGE) {
      EXPECT_EQ(command.control, combo.Hwnd());
    }
  }
  EXPECT_EQ(combo.DisplayText(), L"Family" + BASComboBox::ListSeparator() + L"Friends");

  // A second click unchecks it again.
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  EXPECT_FALSE(combo.IsChecked(0));
  EXPECT_EQ(SelChanges(5022), 2);

  // Space toggles the list's current item.
  SendMessageW(list, LB_SETCURSEL, 2, 0);
  SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(list, WM_CHAR, L' ', 0);
  EXPECT_TRUE(combo.IsChecked(2));
  EXPECT_EQ(SelChanges(5022), 3);
  EXPECT_TRUE(SendMessageW(combo.Hwnd(), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(WindowText(combo.Hwnd()), L"Friends" + BASComboBox::ListSeparator() + L"Work");

  SendMessageW(combo.Hwnd(), CB_SHOWDROPDOWN, FALSE, 0);
  testpump::Pump();
  EXPECT_FALSE(SendMessageW(combo.Hwnd(), CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(WindowText(combo.Hwnd()), L"Friends" + BASComboBox::ListSeparator() + L"Work");
}

TEST_F(ControlsTest, ComboDrawsCheckBoxItemsAndTheSelectionField) {
  BASComboBox combo;
  ASSERT_TRUE(combo.Create(parent.Hwnd(), MakeRect(10, 10, 200, 200), 5023));
  combo.AddItem(L"Family", true);
  combo.AddItem(L"Friends");
  const int height = static_cast<int>(SendMessageW(combo.Hwnd(), CB_GETITEMHEIGHT, 0, 0));
  // Counts the pixels of [left, right) that differ from `background`, as drawn by the combo
  // for item `index` through its parent's reflection.
  auto draw = [&](int index, UINT state, COLORREF background, int left, int right) {
    PixelCanvas canvas(150, height, RGB(255, 0, 255));
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_COMBOBOX;
    item.CtlID = 5023;
    item.itemID = static_cast<UINT>(index);
    item.itemAction = ODA_DRAWENTIRE;
    item.itemState = state;
    item.hwndItem = combo.Hwnd();
    item.hDC = canvas.Dc();
    item.rcItem = RECT{0, 0, 150, height};
    item.itemData = index >= 0 ? static_cast<ULONG_PTR>(SendMessageW(combo.Hwnd(), CB_GETITEMDATA, index, 0)) : 0;
    EXPECT_TRUE(SendMessageW(parent.Hwnd(), WM_DRAWITEM, 5023, reinterpret_cast<LPARAM>(&item)));
    EXPECT_EQ(canvas.Pixel(149, height / 2), background);
    int inked = 0;
    for (int x = left; x < right; ++x)
      for (int y = 0; y < height; ++y) inked += canvas.Pixel(x, y) != background;
    return inked;
  };
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const int box = height - 2 + 6;  // font height + leading + 6
  const int checkedBox = draw(0, 0, window, 0, box);
  const int uncheckedBox = draw(1, 0, window, 0, box);
  EXPECT_GT(uncheckedBox, 0);
  EXPECT_GT(checkedBox, uncheckedBox);              // the check mark
  EXPECT_GT(draw(1, 0, window, box, box + 40), 0);  // the text starts right of the box
  draw(1, ODS_SELECTED, GetSysColor(COLOR_HIGHLIGHT), 0, 0);
  EXPECT_GT(draw(-1, ODS_COMBOBOXEDIT, window, 0, 60), 0);  // the field shows "Family"
  combo.SetCheck(0, false);
  EXPECT_EQ(draw(-1, ODS_COMBOBOXEDIT, window, 0, 60), 0);
}
