// A demo phone's contacts in the running program: the user opens the Contacts section and the
// phone's address book appears in the pane's list; a search narrows it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/host/ProductCopy.h"

using namespace hosttest;

namespace {

constexpr UINT kContactsListId = 5010;
constexpr UINT kSearchEditId = 5005;
constexpr UINT kSearchButtonId = 5004;

int ItemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

}  // namespace

TEST(ProductContacts, OpeningContactsListsThePhonesAddressBookAndSearchNarrowsIt) {
  CopyOptions options;
  options.plugins = {L"Courier", L"Caption", L"Handset", L"Navigator", L"Rolodex"};
  options.withThemes = true;
  const std::wstring copy = MakeProductCopy(L"contacts", options);
  // The phones' changes go to a folder of this run, not to the user's.
  const std::wstring state = copy + L"state";
  SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", state.c_str());
  RunningHost host(copy);
  ASSERT_TRUE(host.Started());

  // The phone is ready once its navigator shows; its third top-level section is Contacts.
  HWND tree = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> trees = VisibleChildren(host.Pid(), WC_TREEVIEWW);
        tree = trees.empty() ? nullptr : trees.front();
        return tree != nullptr && SendMessageW(tree, TVM_GETCOUNT, 0, 0) >= 8;
      },
      60000))
      << host.Output();
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  for (int i = 0; i < 2 && item != nullptr; ++i)
    item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  ASSERT_NE(item, nullptr);
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));

  // The demo phones hold 21 and 8 contacts of their own.
  HWND list = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> lists = VisibleChildren(host.Pid(), WC_LISTVIEWW, kContactsListId);
        list = lists.empty() ? nullptr : lists.front();
        return list != nullptr && (ItemCount(list) == 21 || ItemCount(list) == 8);
      },
      30000))
      << host.Output();
  const int all = ItemCount(list);
  HWND pane = GetParent(list);
  HWND edit = GetDlgItem(pane, kSearchEditId);
  ASSERT_NE(edit, nullptr);

  // A search for a letter pair few names hold, typed as the user would and run by Enter.
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"zzzz-no-such-contact"));
  SendMessageW(pane, WM_COMMAND, MAKEWPARAM(kSearchButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(pane, kSearchButtonId)));
  EXPECT_TRUE(WaitFor([&] { return ItemCount(list) == 0; }, 5000));
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  SendMessageW(pane, WM_COMMAND, MAKEWPARAM(kSearchButtonId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(pane, kSearchButtonId)));
  EXPECT_TRUE(WaitFor([&] { return ItemCount(list) == all; }, 5000));

  for (HWND frame : WindowsOf(host.Pid(), L"ZorvaneStewardMainFrame")) PostMessageW(frame, WM_CLOSE, 0, 0);
  EXPECT_EQ(host.Wait(30000), 0) << host.Output();
  SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
}
