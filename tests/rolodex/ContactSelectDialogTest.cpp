// The contact select dialog run by the pane for DO_CONTACT code 5, driven as a user would while
// it runs modally: clicks on rows, a search typed and run with Enter, OK, Cancel and Escape; and
// the picked pairs the pane leaves in `payload`.
#include "tests/harness/TestPump.h"
#include "tests/harness/XInput.h"
#include "tests/product/UserInput.h"
#include "tests/rolodex/ContactsPaneFixture.h"

#include <commctrl.h>

#include <functional>
#include <memory>
#include <thread>

namespace rolodextest {
namespace {

constexpr int kSearchEditId = 4003;
constexpr int kLeftListId = 4005;
constexpr int kRightListId = 4006;
constexpr int kCancelId = 4008;
constexpr int kOkId = 4009;

BOOL CALLBACK MatchSelectDialog(HWND hwnd, LPARAM lp) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t title[32] = {};
  GetWindowTextW(hwnd, title, 32);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || !GetDlgItem(hwnd, kLeftListId) ||
      std::wstring(title) != L"Contacts")
    return TRUE;
  *reinterpret_cast<HWND*>(lp) = hwnd;
  return FALSE;
}

HWND FindSelectDialog() {
  HWND found = nullptr;
  EnumWindows(MatchSelectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<std::wstring> Rows(HWND list) {
  std::vector<std::wstring> rows;
  const int count = ListView_GetItemCount(list);
  for (int row = 0; row < count; ++row) {
    wchar_t name[64] = {}, phone[64] = {};
    ListView_GetItemText(list, row, 0, name, 64);
    ListView_GetItemText(list, row, 1, phone, 64);
    rows.push_back(std::wstring(name) + L" " + phone);
  }
  return rows;
}

POINT RowPoint(HWND list, int row) {
  RECT rect{};
  rect.left = LVIR_LABEL;
  SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
  POINT point{rect.left + 20, (rect.top + rect.bottom) / 2};
  ClientToScreen(list, &point);
  return point;
}

POINT CentreOf(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

class ContactSelectDialogTest : public ContactsPaneTest {
 protected:
  void SetUp() override {
    ContactsPaneTest::SetUp();
    // The numbers the dialog offers are the phone rows, not the list's phone column.
    SendBatch(parent.Hwnd(),
              {NewContact(L"1", L"Ann Lee", L"+1 555 0101",
                          {DataRow(kMimePhone, L"Mobile", L"+1 555 0101"), DataRow(kMimeEmail, L"Home", L"a@x.example"),
                           DataRow(kMimePhone, L"Work", L"0202")}),
               NewContact(L"2", L"No Phone", L"+9 999", {DataRow(kMimeEmail, L"Home", L"n@x.example")}),
               NewContact(L"3", L"Ödön Ábel", L"", {DataRow(kMimePhone, L"Mobile", L"+36 1 234")})});
    loop.Pump();
  }

  // Runs the dialog as the host asks for it, while `user` works it from another thread; the
  // payload the pane leaves.
  std::unique_ptr<PickedContactList> Run(std::function<void(HWND dialog)> user) {
    std::thread driver([&] {
      HWND dialog = nullptr;
      for (int i = 0; i < 500 && !dialog; ++i) {
        dialog = FindSelectDialog();
        if (!dialog) Sleep(10);
      }
      if (!dialog) return;
      // Shown is not yet placed and painted: give the dialog's thread a moment.
      Sleep(300);
      user(dialog);
      // Whatever the user did, the dialog ends: nothing may wait for ever.
      for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(10);
      if (IsWindow(dialog) && IsWindowVisible(dialog)) PostMessageW(dialog, WM_COMMAND, kCancelId, 0);
    });
    CommandRecord select;
    select.window = parent.Hwnd();
    select.code = kContactPaneSelectNumbers;
    select.payload = &select;  // overwritten with the result
    Harness().Send(kRolodexDoContact, select);
    driver.join();
    return std::unique_ptr<PickedContactList>(static_cast<PickedContactList*>(select.payload));
  }
};

TEST_F(ContactSelectDialogTest, ClicksPickNumbersASearchKeepsThePicksAndOkReturnsThemInOrder) {
  std::vector<std::wstring> offered, afterSearch, picked;
  std::unique_ptr<PickedContactList> result = Run([&](HWND dialog) {
    const HWND left = GetDlgItem(dialog, kLeftListId), right = GetDlgItem(dialog, kRightListId);
    offered = Rows(left);
    xinput::Click(RowPoint(left, 1));  // Ann's second number
    // A search typed into the box and run with Enter, which must not end the dialog.
    const HWND search = GetDlgItem(dialog, kSearchEditId);
    xinput::Click(CentreOf(search));
    SetWindowTextW(search, L"ANN");
    xinput::Key("Return", VK_RETURN);
    Sleep(100);
    afterSearch = Rows(left);
    xinput::Click(RowPoint(left, 0));
    picked = Rows(right);
    usertest::Screenshot(L"contact-picker.png");
    xinput::Click(CentreOf(GetDlgItem(dialog, kOkId)));
  });
  EXPECT_EQ(offered, (std::vector<std::wstring>{L"Ann Lee +1 555 0101", L"Ann Lee 0202", L"Ödön Ábel +36 1 234"}));
  EXPECT_EQ(afterSearch, (std::vector<std::wstring>{L"Ann Lee +1 555 0101"}));
  EXPECT_EQ(picked, (std::vector<std::wstring>{L"Ann Lee 0202", L"Ann Lee +1 555 0101"}));
  ASSERT_TRUE(result);
  ASSERT_EQ(result->size(), 2u);
  EXPECT_EQ((*result)[0].phone, L"0202");
  EXPECT_EQ((*result)[1].name, L"Ann Lee");
  EXPECT_EQ((*result)[1].phone, L"+1 555 0101");
}

TEST_F(ContactSelectDialogTest, NothingPickedCancelOrEscapeLeaveNoResult) {
  EXPECT_FALSE(Run([](HWND dialog) { xinput::Click(CentreOf(GetDlgItem(dialog, kOkId))); }));
  EXPECT_FALSE(Run([](HWND dialog) {
    const HWND left = GetDlgItem(dialog, kLeftListId);
    xinput::Click(RowPoint(left, 0));
    xinput::Click(CentreOf(GetDlgItem(dialog, kCancelId)));
  }));
  EXPECT_FALSE(Run([](HWND dialog) {
    const HWND left = GetDlgItem(dialog, kLeftListId);
    xinput::Click(RowPoint(left, 0));
    xinput::Key("Escape", VK_ESCAPE);
  }));
  // A picked row clicked again goes back to the end of the left list.
  std::vector<std::wstring> back;
  EXPECT_FALSE(Run([&](HWND dialog) {
    const HWND left = GetDlgItem(dialog, kLeftListId), right = GetDlgItem(dialog, kRightListId);
    xinput::Click(RowPoint(left, 0));
    xinput::Click(RowPoint(right, 0));
    back = Rows(left);
    xinput::Click(CentreOf(GetDlgItem(dialog, kOkId)));
  }));
  EXPECT_EQ(back, (std::vector<std::wstring>{L"Ann Lee 0202", L"Ödön Ábel +36 1 234", L"Ann Lee +1 555 0101"}));
}

}  // namespace
}  // namespace rolodextest
