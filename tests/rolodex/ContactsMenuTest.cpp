// The Export and Import menus of the contacts toolbar, answered with keys from a timer inside
// the menu's own loop: their texts and what each choice posts.
#include "tests/harness/MenuKeys.h"
#include "tests/rolodex/ContactsPaneFixture.h"

#include <gtest/gtest.h>

namespace rolodextest {
namespace {

struct MenuRun {
  std::wstring choose;  // empty: close the menu
  bool seen = false;
  std::vector<std::wstring> texts;
  std::vector<UINT> ids;
  RECT rect{};
};
MenuRun* g_run = nullptr;

void CALLBACK AnswerMenu(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  const HWND window = menukeys::VisibleMenuWindow();
  if (!window || !g_run) return;
  KillTimer(hwnd, id);
  g_run->seen = true;
  GetWindowRect(window, &g_run->rect);
  const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
  int downs = -1;
  int selectable = 0;  // the arrow keys pass over separators
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 127, MF_BYPOSITION);
    if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) continue;
    ++selectable;
    g_run->texts.push_back(text);
    g_run->ids.push_back(GetMenuItemID(menu, i));
    if (g_run->choose == text) downs = selectable;
  }
  for (int i = 0; i < downs; ++i) menukeys::PostKey(window, VK_DOWN);
  if (downs > 0) PostMessageW(window, WM_CHAR, L'\r', 0);
  menukeys::PostKey(window, VK_ESCAPE);
}

class ContactsMenuTest : public ContactsPaneTest {
 protected:
  // `row` below 0: the toolbar button `button`; else a right-click on that row of the list.
  MenuRun Run(int button, const std::wstring& choose, int row = -1) {
    MenuRun run;
    run.choose = choose;
    g_run = &run;
    SetTimer(parent.Hwnd(), 77, 20, AnswerMenu);
    if (row < 0) {
      Command(button);
    } else {
      NMITEMACTIVATE click{};
      click.hdr.hwndFrom = list;
      click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
      click.hdr.code = NM_RCLICK;
      click.iItem = row;
      SendMessageW(pane, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
      loop.Pump();
    }
    KillTimer(parent.Hwnd(), 77);
    g_run = nullptr;
    EXPECT_TRUE(run.seen);
    EXPECT_FALSE(menukeys::VisibleMenuWindow());
    return run;
  }
  std::wstring PostedText(size_t index) const {
    const std::vector<PostedCommand> posts = Harness().PostsNamed(kRolodexDoContact);
    return index < posts.size() ? posts[index].text : L"(none)";
  }
};

TEST_F(ContactsMenuTest, ExportOffersThreeChoicesAndSendsTheCheckedRowsTopFirst) {
  const MenuRun closed = Run(5007, L"");
  EXPECT_EQ(closed.texts, (std::vector<std::wstring>{L"Export to Html", L"Export to Vcf", L"Backup to Bak Files"}));
  EXPECT_EQ(closed.ids, (std::vector<UINT>{1, 2, 3}));
  RECT button{};
  GetWindowRect(Control(5007), &button);
  EXPECT_EQ(closed.rect.left, button.left);
  EXPECT_EQ(closed.rect.top, button.bottom);
  EXPECT_TRUE(requests.empty()) << "closing the menu sends nothing";

  // Nothing checked still sends, with count 0.
  Run(5007, L"Export to Html");
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].code, kContactRequestExport);
  EXPECT_EQ(requests[0].value, 1);
  EXPECT_EQ(requests[0].count, 0);
  EXPECT_EQ(PostedText(0), L"Export to Html");

  ContactRecord* ann = NewContact(L"1", L"Ann");
  ContactRecord* cid = NewContact(L"3", L"Cid");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob"), cid});
  ListView_SetItemState(list, 2, 0x2000, LVIS_STATEIMAGEMASK);
  Run(5007, L"Backup to Bak Files");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].value, 3);
  EXPECT_EQ(requests[1].count, 2);
  EXPECT_EQ(requests[1].checked, (ContactList{ann, cid}));
  EXPECT_EQ(PostedText(1), L"Backup to Bak Files");
}

TEST_F(ContactsMenuTest, ImportSendsTheChosenKind) {
  const MenuRun run = Run(5008, L"Restore from Backup File(*.bak,*.json)");
  EXPECT_EQ(run.texts,
            (std::vector<std::wstring>{L"Import vcard file(*.vcf)", L"Restore from Backup File(*.bak,*.json)"}));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].code, kContactRequestImport);
  EXPECT_EQ(requests[0].value, 2);
  EXPECT_EQ(PostedText(0), L"Restore from Backup File(*.bak,*.json)");
  Run(5008, L"Import vcard file(*.vcf)");
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].value, 1);
  Run(5008, L"");
  EXPECT_EQ(requests.size(), 2u);
}

// A right-click offers the toolbar's operations on the row clicked: a row outside the checked
// ones becomes the one row worked on; a click on checked rows keeps them all.
TEST_F(ContactsMenuTest, RightClickOffersTheOperationsOnTheRowClicked) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  ContactRecord* bob = NewContact(L"2", L"Bob");
  ContactRecord* cid = NewContact(L"3", L"Cid");
  SendBatch(parent.Hwnd(), {ann, bob, cid});
  const MenuRun shown = Run(0, L"Delete", 1);
  EXPECT_EQ(shown.texts, (std::vector<std::wstring>{L"New", L"Edit", L"Delete", L"Export to Html", L"Export to Vcf",
                                                    L"Backup to Bak Files", L"Refresh"}));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].code, kContactRequestDelete);
  EXPECT_EQ(requests[0].checked, (ContactList{bob}));
  EXPECT_TRUE(IsSelected(list, 1));
  EXPECT_FALSE(IsChecked(list, 0));

  ListView_SetItemState(list, 2, 0x2000, LVIS_STATEIMAGEMASK);
  Run(0, L"Export to Vcf", 2);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].code, kContactRequestExport);
  EXPECT_EQ(requests[1].value, 2);
  EXPECT_EQ(requests[1].checked, (ContactList{bob, cid}));
  // Closed without a choice: nothing is asked for.
  Run(0, L"", 0);
  EXPECT_EQ(requests.size(), 2u);
}

}  // namespace
}  // namespace rolodextest
