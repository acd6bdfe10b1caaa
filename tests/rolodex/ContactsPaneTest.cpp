// libRolodex through the bus, as the host drives it: registration, one pane per parent and its
// layout, the list that batches, inserts, replacements and removals leave, search, clicks, the
// requests the toolbar posts, and the detail panel as painted.
#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "tests/harness/TraceCapture.h"
#include "tests/harness/XInput.h"
#include "tests/rolodex/ContactsPaneFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace rolodextest {
namespace {

class Environment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_TRUE(ThePlugin().Load()) << Harness().LoadError(); }
  void TearDown() override { ThePlugin().Unload(); }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Environment);

RECT RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool HasLineStarting(const std::vector<std::string>& lines, const std::string& start) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) { return line.rfind(start, 0) == 0; });
}

TEST(RolodexModuleTest, RegistersItsCommandsInOrderForItsOwnInstance) {
  const std::vector<std::string> expected = {
      kRolodexShowWindow,   kRolodexChangeSize, kRolodexHideWindow,    kRolodexClearData,     kRolodexAddContact,
      kRolodexCreateWindow, kRolodexGetChecked, kRolodexResetWindow,   kRolodexDoContact,     kRolodexAddTypelabels,
      kRolodexAddGroups,    kRolodexAddAcconts, kRolodexDeleteContact, kRolodexGetListTaskId, kRolodexSetListTaskId};
  EXPECT_EQ(Harness().RegisteredNames(), expected);
  for (const Registration& registration : Harness().Registrations())
    EXPECT_EQ(registration.instance, Harness().Module());
}

TEST(RolodexModuleTest, CreatesOneHiddenPanePerParentAndLaysItOut) {
  FakeLoop loop;
  TestParent parent(1000, 600);
  ASSERT_TRUE(parent.Hwnd());
  TraceCapture trace;
  CommandRecord create;
  create.window = parent.Hwnd();
  create.data = static_cast<CMessageLoop*>(&loop);
  Harness().Send(kRolodexCreateWindow, create);
  Harness().Send(kRolodexCreateWindow, create);
  const std::vector<std::string> lines = trace.Stop();
  const HWND pane = PaneOf(parent.Hwnd());
  ASSERT_TRUE(pane);
  EXPECT_FALSE(FindWindowExW(parent.Hwnd(), pane, L"DhContactsDelegate", nullptr)) << "a second pane was made";
  EXPECT_EQ(loop.FilterCount(), 1u);
  EXPECT_FALSE(IsWindowVisible(pane));
  const RECT rect = RectInParent(pane);
  EXPECT_EQ(rect.left, 217);
  EXPECT_EQ(rect.top, 1);
  EXPECT_EQ(rect.right, 1000);
  EXPECT_EQ(rect.bottom, 599);
  EXPECT_TRUE(HasLineStarting(lines, "DhContactsDelegate: "));
  EXPECT_TRUE(HasLineStarting(lines, "rect_list_view_.Width(): 559 si.dxyLineButton: "));

  // List right of the toolbar line, left of the 222-pixel detail panel; columns 10/50/40 %.
  const HWND list = ListOf(pane);
  const RECT listRect = RectInParent(list);
  EXPECT_EQ(listRect.left, 1);
  EXPECT_EQ(listRect.top, 31);
  EXPECT_EQ(listRect.right, 783 - 223);
  const int column1 = ListView_GetColumnWidth(list, 1);
  EXPECT_NEAR(ListView_GetColumnWidth(list, 0) * 5, column1, 5);
  EXPECT_NEAR(ListView_GetColumnWidth(list, 2) * 5, column1 * 4, 5);
  EXPECT_EQ(RectInParent(GetDlgItem(pane, 5009)).left, 783 - 8 - 20);
  EXPECT_EQ(RectInParent(GetDlgItem(pane, 5005)).left, 783 - 160);
  EXPECT_EQ(RectInParent(GetDlgItem(pane, 5004)).left, 783 - 40);
  EXPECT_EQ(RectInParent(GetDlgItem(pane, 5001)).left, 8);

  // Toolbar buttons left to right from x 40, 20 pixels apart, above the line at y 30.
  int x = 40;
  for (int id : {5000, 5006, 5003, 5007, 5008, 5002}) {
    const RECT button = RectInParent(GetDlgItem(pane, id));
    EXPECT_EQ(button.left, x) << id;
    EXPECT_EQ(button.top, 8) << id;
    EXPECT_LE(button.bottom, 30) << id;
    x = button.right + 20;
  }

  // CHANGE_SIZE follows the parent.
  SetWindowPos(parent.Hwnd(), nullptr, 0, 0, 800, 500, SWP_NOMOVE | SWP_NOZORDER);
  Send(kRolodexChangeSize, parent.Hwnd());
  EXPECT_EQ(RectInParent(pane).right, 800);
  EXPECT_EQ(RectInParent(pane).bottom, 499);
  EXPECT_EQ(RectInParent(list).right, 583 - 223);
  Send(kRolodexShowWindow, parent.Hwnd());
  EXPECT_TRUE(IsWindowVisible(pane));
  Send(kRolodexHideWindow, parent.Hwnd());
  EXPECT_FALSE(IsWindowVisible(pane));

  parent.window.Destroy();
  loop.Pump();
  EXPECT_EQ(loop.FilterCount(), 0u) << "a destroyed pane still filters the loop";
}

TEST(RolodexModuleTest, IgnoresCommandsForWindowsWithoutAPane) {
  TestParent parent;
  CommandRecord record;
  record.window = parent.Hwnd();
  record.value = 42;
  record.data = &record;
  for (const std::string& name : Harness().RegisteredNames()) {
    if (name == kRolodexCreateWindow) continue;
    CommandRecord copy = record;
    Harness().Send(name.c_str(), copy);
    EXPECT_EQ(copy.value, 42) << name;
    EXPECT_EQ(copy.data, &record) << name;
    EXPECT_EQ(copy.payload, nullptr) << name;
  }
  EXPECT_FALSE(PaneOf(parent.Hwnd()));
  CommandRecord unnamed;
  EXPECT_EQ(Harness().Record().moduleEntry(&unnamed), 0);
  EXPECT_EQ(Harness().Record().moduleEntry(nullptr), 0);
}

TEST(RolodexModuleTest, GivesANewParentItsOwnPaneAfterTheOldOneWent) {
  FakeLoop loop;
  CommandRecord create;
  create.data = static_cast<CMessageLoop*>(&loop);
  {
    TestParent first;
    create.window = first.Hwnd();
    Harness().Send(kRolodexCreateWindow, create);
    SendBatch(first.Hwnd(), {NewContact(L"1", L"Ann")});
  }
  TestParent second;
  create.window = second.Hwnd();
  Harness().Send(kRolodexCreateWindow, create);
  ASSERT_TRUE(PaneOf(second.Hwnd()));
  EXPECT_EQ(RowCount(ListOf(PaneOf(second.Hwnd()))), 0);
}

TEST_F(ContactsPaneTest, BatchesListInArrivalOrderAndKeepTheFirstSelection) {
  Send(kRolodexClearData, parent.Hwnd());
  ContactRecord* ann = NewContact(L"1", L"Ann", L"111");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob", L"222")});
  ASSERT_EQ(Names(), (std::vector<std::wstring>{L"Ann", L"Bob"}));
  EXPECT_EQ(RowText(list, 0, 2), L"111");
  EXPECT_EQ(RowContact(list, 0), ann);
  EXPECT_TRUE(IsChecked(list, 0));
  EXPECT_TRUE(IsSelected(list, 0));
  EXPECT_FALSE(IsChecked(list, 1));
  SendBatch(parent.Hwnd(), {NewContact(L"3", L"Cid"), NewContact(L"4", L"Dee")});
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Ann", L"Bob", L"Cid", L"Dee"}));
  EXPECT_TRUE(IsSelected(list, 0));
  EXPECT_FALSE(IsSelected(list, 2));
  EXPECT_FALSE(IsChecked(list, 2));
  EXPECT_EQ(Current(), ann);

  // A record sent twice is listed once (and so freed once); codes other than 0, 1, 2 do nothing.
  SendBatch(parent.Hwnd(), {ann});
  SendBatch(parent.Hwnd(), {NewContact(L"5", L"Eve")}, 7);
  EXPECT_EQ(RowCount(list), 4);
  Send(kRolodexAddContact, parent.Hwnd(), 0, nullptr);

  Send(kRolodexClearData, parent.Hwnd());
  EXPECT_EQ(RowCount(list), 0);
  EXPECT_EQ(Current(), nullptr);
}

TEST_F(ContactsPaneTest, InsertsSavedContactsOnTopAndSearchListsThemInSetOrder) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  ContactRecord* bob = NewContact(L"2", L"Bob");
  SendBatch(parent.Hwnd(), {ann, bob});
  // Bob current; a new contact above him must not make the contact above him current.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
  NMITEMACTIVATE click{};
  click.hdr = {list, 5010, static_cast<UINT>(NM_CLICK)};
  click.iItem = 1;
  SendMessageW(pane, WM_NOTIFY, 5010, reinterpret_cast<LPARAM>(&click));
  ASSERT_EQ(Current(), bob);
  ContactRecord* zed = NewContact(L"9", L"Zed");
  SendBatch(parent.Hwnd(), {zed}, kAddContactInsertTop);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Zed", L"Ann", L"Bob"}));
  EXPECT_EQ(RowContact(list, 0), zed);
  EXPECT_EQ(Current(), bob);

  Command(5004);  // an empty search lists the set
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Ann", L"Bob", L"Zed"}));
  EXPECT_EQ(Current(), ann);
  EXPECT_TRUE(IsChecked(list, 0));
}

TEST_F(ContactsPaneTest, SearchesNamesAndValuesIgnoringCase) {
  ContactRecord* joanne = NewContact(L"1", L"Joanne", L"1");
  ContactRecord* mail = NewContact(L"2", L"Bob", L"2", {DataRow(kMimeEmail, L"Work", L"hannah@example.com")});
  SendBatch(parent.Hwnd(), {NewContact(L"0", L"Carl", L"0"), joanne, mail});
  const HWND edit = Control(5005);
  SetWindowTextW(edit, L"ANN");
  SetFocus(edit);
  // Enter reaches the pane through the loop's filter.
  PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0);
  loop.Pump();
  ASSERT_EQ(Names(), (std::vector<std::wstring>{L"Joanne", L"Bob"}));
  EXPECT_EQ(RowContact(list, 0), joanne);
  EXPECT_EQ(RowContact(list, 1), mail);
  EXPECT_EQ(Current(), joanne);

  SetWindowTextW(edit, L"nobody");
  Command(5004);
  EXPECT_EQ(RowCount(list), 0);
  EXPECT_EQ(Current(), nullptr);

  SetWindowTextW(edit, L"");
  Command(5004);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Carl", L"Joanne", L"Bob"}));

  // Searching again after a replace finds the saved name, not the cached old one.
  ContactRecord saved = *joanne;
  saved.name = L"Zelda";
  saved.phone = L"99";
  saved.rowIndex = 1;
  Send(kRolodexAddContact, parent.Hwnd(), kAddContactReplace, &saved);
  EXPECT_EQ(RowText(list, 1, 1), L"Zelda");
  EXPECT_EQ(RowText(list, 1, 2), L"99");
  EXPECT_EQ(RowContact(list, 1), joanne) << "rows keep the pane's own record";
  EXPECT_EQ(joanne->name, L"Zelda");
  SetWindowTextW(edit, L"zel");
  Command(5004);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Zelda"}));
}

// The detail panel's portrait, as painted.
bool ShowsPortrait(HWND pane) {
  RECT client{};
  GetClientRect(pane, &client);
  PixelCanvas canvas(client.right, client.bottom, RGB(1, 2, 3));
  SendMessageW(pane, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  return canvas.Pixel(client.right - 222 + 10 + kPortraitSize / 2, 31 + 10 + kPortraitSize / 2) == kPortraitColor;
}

TEST_F(ContactsPaneTest, RemovingTheCurrentContactClearsTheDetailPanel) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob")});
  ASSERT_TRUE(ShowsPortrait(pane));
  ContactRecord gone = *ann;  // the host's copy of the deleted contact
  gone.rowIndex = 0;
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, &gone);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Bob"}));
  EXPECT_EQ(Current(), nullptr);
  EXPECT_FALSE(ShowsPortrait(pane));
}

TEST_F(ContactsPaneTest, RemovingOtherRowsKeepsTheCurrentContact) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  ContactRecord* bob = NewContact(L"2", L"Bob");
  ContactRecord* cid = NewContact(L"3", L"Cid");
  SendBatch(parent.Hwnd(), {ann, bob, cid, NewContact(L"4", L"Dee")});
  NMITEMACTIVATE click{};
  click.hdr = {list, 5010, static_cast<UINT>(NM_CLICK)};
  click.iItem = 2;
  SendMessageW(pane, WM_NOTIFY, 5010, reinterpret_cast<LPARAM>(&click));
  ASSERT_EQ(Current(), cid);
  ann->rowIndex = 0;
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, ann);  // the pane's own record, which the host frees
  delete ann;
  EXPECT_EQ(Current(), cid);
  // A stale row index: the row that holds the contact goes, no other.
  ContactRecord gone = *bob;
  gone.rowIndex = 2;
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, &gone);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Cid", L"Dee"}));
  EXPECT_EQ(Current(), cid);
  // An identifier the pane does not hold removes nothing.
  ContactRecord stranger;
  stranger.identifier = L"77";
  stranger.rowIndex = 0;
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, &stranger);
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, nullptr);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Cid", L"Dee"}));
  Command(5004);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Cid", L"Dee"})) << "the set kept a removed contact";
}

TEST_F(ContactsPaneTest, DeleteRequestsTheCheckedRowsBottomFirst) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  ContactRecord* cid = NewContact(L"3", L"Cid");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob"), cid});
  ListView_SetItemState(list, 2, 0x2000, LVIS_STATEIMAGEMASK);
  Command(5003);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].code, kContactRequestDelete);
  EXPECT_EQ(requests[0].count, 2);
  EXPECT_EQ(requests[0].checked, (ContactList{cid, ann}));
  EXPECT_EQ(cid->rowIndex, 2);
  EXPECT_EQ(ann->rowIndex, 0);
  const std::vector<PostedCommand> posts = Harness().PostsNamed(kRolodexDoContact);
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].text, L"Delete contacts");
  EXPECT_EQ(posts[0].record.window, pane);
  EXPECT_EQ(posts[0].record.action, kActionDispatch);

  // Nothing checked still asks, with an empty list.
  ListView_SetItemState(list, -1, 0x1000, LVIS_STATEIMAGEMASK);
  Command(5003);
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[1].count, 0);
}

TEST_F(ContactsPaneTest, HandsOverCheckedContactsTopFirstOrLeavesDataAlone) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  ContactRecord* cid = NewContact(L"3", L"Cid");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob"), cid});
  ListView_SetItemState(list, 2, 0x2000, LVIS_STATEIMAGEMASK);
  CommandRecord record;
  record.window = parent.Hwnd();
  Harness().Send(kRolodexGetChecked, record);
  auto* checked = static_cast<ContactList*>(record.data);
  ASSERT_TRUE(checked);
  EXPECT_EQ(*checked, (ContactList{ann, cid}));
  delete checked;

  ListView_SetItemState(list, -1, 0x1000, LVIS_STATEIMAGEMASK);
  int marker = 0;
  record.data = &marker;
  Harness().Send(kRolodexGetChecked, record);
  EXPECT_EQ(record.data, &marker);
}

TEST_F(ContactsPaneTest, ClickMakesChecksFollowTheSelectionAndTheRowCurrent) {
  ContactRecord* bob = NewContact(L"2", L"Bob");
  SendBatch(parent.Hwnd(), {NewContact(L"1", L"Ann"), bob, NewContact(L"3", L"Cid")});
  RECT row{};
  row.left = LVIR_LABEL;
  ListView_GetSubItemRect(list, 1, 1, LVIR_LABEL, &row);
  const LPARAM at = MAKELPARAM(row.left + 30, (row.top + row.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  loop.Pump();
  EXPECT_TRUE(IsSelected(list, 1));
  EXPECT_TRUE(IsChecked(list, 1));
  EXPECT_FALSE(IsChecked(list, 0)) << "the check of the old selection stayed";
  EXPECT_EQ(Current(), bob);
}

TEST_F(ContactsPaneTest, ResetWindowChangesNothing) {
  ContactRecord* ann = NewContact(L"1", L"Ann");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob")});
  CommandRecord reset;
  reset.window = parent.Hwnd();
  reset.value = 100;
  Harness().Send(kRolodexResetWindow, reset);
  // A pane message of an unknown code with a bogus pointer is refused.
  PostMessageW(pane, kPaneMessage, 9, 0x1234);
  SendMessageW(pane, kPaneMessage, 0, 0);
  loop.Pump();
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Ann", L"Bob"}));
  EXPECT_TRUE(IsSelected(list, 0));
  EXPECT_EQ(Current(), ann);
  EXPECT_TRUE(requests.empty());
}

TEST_F(ContactsPaneTest, KeepsTheListTaskId) {
  CommandRecord record;
  record.window = parent.Hwnd();
  Harness().Send(kRolodexGetListTaskId, record);
  EXPECT_EQ(record.value, 0);
  record.value = 0x123456789LL;
  Harness().Send(kRolodexSetListTaskId, record);
  record.value = 0;
  Harness().Send(kRolodexGetListTaskId, record);
  EXPECT_EQ(record.value, 0x123456789LL);

  // The end of a save with no editor open, and side lists with and without payload.
  Send(kRolodexDoContact, parent.Hwnd(), kContactPaneSaveEnded);
  GroupRecord group{L"g", L"Friends", L"", L"com.google"};
  GroupList groups{&group};
  Send(kRolodexAddGroups, parent.Hwnd(), 0, &groups);
  Send(kRolodexAddGroups, parent.Hwnd(), 0, nullptr);
  TypeLabelList labels{nullptr};
  Send(kRolodexAddTypelabels, parent.Hwnd(), 0, &labels);
  Send(kRolodexAddAcconts, parent.Hwnd(), 0, nullptr);
  EXPECT_TRUE(requests.empty());
}

TEST_F(ContactsPaneTest, ToolbarClicksPostOneRequestEach) {
  // Real presses on the Refresh button, twice: a button left pressed would post no second one.
  const HWND refresh = Control(5002);
  for (int i = 0; i < 2; ++i) {
    PostMessageW(refresh, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(refresh, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    loop.Pump();
  }
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].code, kContactRequestLoad);
  EXPECT_EQ(requests[1].code, kContactRequestLoad);
  Command(5006);  // Edit with no contact
  Command(5009);
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[2].code, kContactRequestNothingChecked);
  EXPECT_EQ(requests[3].code, kContactRequestNothingChecked);
  {
    EditorScript close([](HWND editor) { PostMessageW(editor, WM_CLOSE, 0, 0); });
    Command(5000);  // New opens the editor, which posts nothing by itself
    EXPECT_TRUE(close.Ran());
  }
  EXPECT_EQ(requests.size(), 4u);
}

TEST_F(ContactsPaneTest, DrawsMarkedRowsInRed) {
  ContactRecord* marked = NewContact(L"1", L"WWWWWWWW");
  marked->marker = 1;
  SendBatch(parent.Hwnd(), {marked, NewContact(L"2", L"WWWWWWWW")});
  // Off the selection colour: both rows unselected.
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
  RECT client{};
  GetClientRect(list, &client);
  const auto redIn = [&](int row) {
    RECT cell{};
    ListView_GetSubItemRect(list, row, 1, LVIR_BOUNDS, &cell);
    PixelCanvas canvas(client.right, client.bottom, RGB(255, 255, 255));
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT | PRF_ERASEBKGND);
    int red = 0;
    for (int y = cell.top; y < cell.bottom; ++y)
      for (int x = cell.left; x < std::min<int>(cell.right, client.right); ++x) {
        const COLORREF pixel = canvas.Pixel(x, y);
        red += GetRValue(pixel) > 200 && GetGValue(pixel) < 80 && GetBValue(pixel) < 80 ? 1 : 0;
      }
    return red;
  };
  EXPECT_GT(redIn(0), 20);
  EXPECT_EQ(redIn(1), 0);
}

TEST_F(ContactsPaneTest, ALongLoadDrawsItsRowsOnceTheBatchesPause) {
  Send(kRolodexClearData, parent.Hwnd());
  for (int batch = 0; batch < 6; ++batch) {
    std::vector<ContactRecord*> contacts;
    for (int i = 0; i < 500; ++i) {
      const std::wstring id = std::to_wstring(batch * 500 + i);
      contacts.push_back(NewContact(id, L"Contact " + id, L"555 " + id));
    }
    SendBatch(parent.Hwnd(), contacts);
  }
  ASSERT_EQ(RowCount(list), 3000);
  EXPECT_EQ(RowText(list, 2999, 1), L"Contact 2999");
  // The list draws again a moment after the last batch: the selected first row is on screen.
  const ULONGLONG end = GetTickCount64() + 500;
  while (GetTickCount64() < end) {
    loop.Pump();
    Sleep(10);
  }
  RECT row{};
  ListView_GetItemRect(list, 0, &row, LVIR_BOUNDS);
  HDC screen = GetDC(list);
  const COLORREF pixel = GetPixel(screen, row.left + 3, (row.top + row.bottom) / 2);
  ReleaseDC(list, screen);
  EXPECT_EQ(pixel, static_cast<COLORREF>(0xEEDBA1));

  // Deletes on a long list pause the drawing the same way: once they stop, the row that moved
  // up is drawn (unselected) where the deleted, selected one was.
  ContactRecord gone;
  gone.identifier = L"0";
  gone.rowIndex = 0;
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, &gone);
  ASSERT_EQ(RowCount(list), 2999);
  EXPECT_EQ(RowText(list, 0, 1), L"Contact 1");
  const ULONGLONG later = GetTickCount64() + 500;
  while (GetTickCount64() < later) {
    loop.Pump();
    Sleep(10);
  }
  screen = GetDC(list);
  const COLORREF moved = GetPixel(screen, row.left + 3, (row.top + row.bottom) / 2);
  ReleaseDC(list, screen);
  EXPECT_EQ(moved, RGB(255, 255, 255));
}

TEST_F(ContactsPaneTest, ColumnsLeaveRoomForTheVerticalBarSoNoHorizontalBarAppears) {
  Send(kRolodexClearData, parent.Hwnd());
  std::vector<ContactRecord*> contacts;
  for (int i = 0; i < 30; ++i) contacts.push_back(NewContact(std::to_wstring(i), L"Contact", L"555"));
  SendBatch(parent.Hwnd(), contacts);
  loop.Pump();
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VSCROLL);
  EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & WS_HSCROLL);
}

// A real press of the left button at a client point of `hwnd` (see XInput.h).
void ClickAt(HWND hwnd, POINT at, FakeLoop& loop) {
  ClientToScreen(hwnd, &at);
  xinput::Click(at);
  for (int i = 0; i < 10; ++i) {
    loop.Pump();
    Sleep(10);
  }
}

void PressKey(const char* xName, WORD vk, FakeLoop& loop) {
  xinput::Key(xName, vk);
  for (int i = 0; i < 10; ++i) {
    loop.Pump();
    Sleep(10);
  }
}

std::vector<ContactRecord*> Numbered(int count) {
  std::vector<ContactRecord*> contacts;
  for (int i = 0; i < count; ++i)
    contacts.push_back(NewContact(std::to_wstring(i), L"Contact " + std::to_wstring(i), L"555 " + std::to_wstring(i)));
  return contacts;
}

TEST_F(ContactsPaneTest, TheHeaderCheckShowsAllCheckedOnlyWhileEveryRowIs) {
  SetForegroundWindow(parent.Hwnd());
  SendBatch(parent.Hwnd(), Numbered(40));
  const HWND header = ListView_GetHeader(list);
  RECT headerClient{};
  GetClientRect(header, &headerClient);
  const auto headerShows = [&] {
    PixelCanvas canvas(headerClient.right, headerClient.bottom, RGB(1, 2, 3));
    SendMessageW(header, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    return canvas.Pixel(5 + 8, 4 + 8);
  };
  const COLORREF checkedImage = RGB(0, 160, 0);
  const COLORREF uncheckedImage = RGB(160, 160, 160);
  EXPECT_EQ(headerShows(), uncheckedImage);

  // The user checks everything by the header, then clicks one contact's name: that row alone
  // stays checked, and the header no longer claims all of them are.
  ClickAt(header, POINT{5 + 8, headerClient.bottom / 2}, loop);
  for (int row = 0; row < 40; ++row) ASSERT_TRUE(IsChecked(list, row)) << row;
  EXPECT_EQ(headerShows(), checkedImage);
  RECT name{};
  ListView_GetSubItemRect(list, 2, 1, LVIR_BOUNDS, &name);
  ClickAt(list, POINT{name.left + 80, (name.top + name.bottom) / 2}, loop);
  EXPECT_TRUE(IsChecked(list, 2));
  EXPECT_FALSE(IsChecked(list, 0));
  EXPECT_EQ(headerShows(), uncheckedImage) << "one row of forty checked, the header shows all";

  // Checking the other 39 by their images brings the header's check back.
  for (int row = 0; row < 40; ++row) {
    if (IsChecked(list, row)) continue;
    ListView_EnsureVisible(list, row, FALSE);
    loop.Pump();
    RECT bounds{};
    ListView_GetItemRect(list, row, &bounds, LVIR_BOUNDS);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5 + 8, (bounds.top + bounds.bottom) / 2));
    SendMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(5 + 8, (bounds.top + bounds.bottom) / 2));
  }
  EXPECT_EQ(headerShows(), checkedImage);
}

// In a framed top-level window, as the phone's window is: the keyboard reaches it from the display.
class ContactsPaneFrameTest : public ContactsPaneTest {
 protected:
  ContactsPaneFrameTest() : ContactsPaneTest(WS_OVERLAPPEDWINDOW | WS_VISIBLE) {}
};

TEST_F(ContactsPaneFrameTest, TheDetailPanelFollowsTheHighlightMovedByKeysAndKeepsItAcrossMinimise) {
  SetForegroundWindow(parent.Hwnd());
  const std::vector<ContactRecord*> contacts = Numbered(6);
  SendBatch(parent.Hwnd(), contacts);
  RECT name{};
  ListView_GetSubItemRect(list, 1, 1, LVIR_BOUNDS, &name);
  ClickAt(list, POINT{name.left + 80, (name.top + name.bottom) / 2}, loop);
  ASSERT_TRUE(IsSelected(list, 1));
  ASSERT_EQ(Current(), contacts[1]);
  PressKey("Down", VK_DOWN, loop);
  PressKey("Down", VK_DOWN, loop);
  ASSERT_TRUE(IsSelected(list, 3));
  EXPECT_EQ(Current(), contacts[3]) << "the highlight moved, the detail panel stayed";

  // Minimised and restored: the pane shrinks to nothing and grows back.
  ShowWindow(parent.Hwnd(), SW_MINIMIZE);
  Send(kRolodexChangeSize, parent.Hwnd());
  loop.Pump();
  ShowWindow(parent.Hwnd(), SW_RESTORE);
  Send(kRolodexChangeSize, parent.Hwnd());
  SetForegroundWindow(parent.Hwnd());
  loop.Pump();
  int highlighted = -1;
  for (int row = 0; row < RowCount(list); ++row)
    if (IsSelected(list, row)) highlighted = row;
  ASSERT_GE(highlighted, 0);
  EXPECT_EQ(Current(), contacts[static_cast<size_t>(highlighted)]);
}

TEST_F(ContactsPaneTest, ThePencilShowsOnlyWithAContactInTheDetailPanel) {
  const HWND pencil = Control(5009);
  EXPECT_FALSE(IsWindowVisible(pencil)) << "an empty pane offers to edit nothing";
  ContactRecord* ann = NewContact(L"1", L"Ann");
  SendBatch(parent.Hwnd(), {ann, NewContact(L"2", L"Bob")});
  EXPECT_TRUE(IsWindowVisible(pencil));
  ContactRecord gone = *ann;
  gone.rowIndex = 0;
  Send(kRolodexDeleteContact, parent.Hwnd(), 0, &gone);
  ASSERT_EQ(Current(), nullptr);
  EXPECT_FALSE(IsWindowVisible(pencil)) << "a stray pencil after the delete";
  SetWindowTextW(Control(5005), L"");
  Command(5004);
  EXPECT_TRUE(IsWindowVisible(pencil));
  SetWindowTextW(Control(5005), L"nobody");
  Command(5004);
  EXPECT_FALSE(IsWindowVisible(pencil));
}

}  // namespace
}  // namespace rolodextest
