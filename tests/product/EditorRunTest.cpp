// The contact editor in the shipped program under the real mouse and keyboard (xdotool): a new
// contact typed in, kept on the phone and found by search; edited again (name part, rows, a
// custom label, groups, account) and still so after a restart; a save the phone cannot keep
// shown as failed. Screenshots of each step for a person to look at.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <io.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/host/ProductCopy.h"
#include "tests/product/UserInput.h"
#include "tests/rolodex/EditorDriver.h"

using namespace hosttest;
using namespace usertest;
using rolodextest::EditorGroupBox;
using rolodextest::EditorPropertyView;
using rolodextest::EditorRow;
using rolodextest::EditorRows;
using rolodextest::TextOf;

namespace {

// The results go out through the error stream: under Wine, after this program has started the
// first Unix command (xdotool), nothing more it writes to its output stream reaches the log.
const int kResultsToErrorStream = (std::fflush(stdout), _dup2(_fileno(stderr), _fileno(stdout)));

constexpr wchar_t kFrameClass[] = L"ZorvaneStewardMainFrame";
constexpr int kContactsListId = 5010;
constexpr int kNewButtonId = 5000;
constexpr int kSearchEditId = 5005;
constexpr int kPencilId = 5009;
constexpr int kContactsRow = 2;
constexpr int kOkId = 4002;
constexpr int kAddFieldId = 4003;
constexpr int kCancelId = 4004;
constexpr int kAccountLabelId = 4005;
constexpr int kAccountComboId = 4011;
constexpr int kFirstNameBoxId = 4020;

RECT WindowRect(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

int ItemCount(HWND list) { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

bool ClickOn(HWND hwnd) { return hwnd && Click(CentreOf(WindowRect(hwnd))); }

// Text as a user types it; only characters the shell passes through unquoted.
bool Type(const std::string& text) { return Xdotool("type --delay 40 '" + text + "'"); }

// Replaces what a one-line box holds with `text`.
bool Retype(HWND box, const std::string& text) {
  return ClickOn(box) && Key("End") && Key("shift+Home") && Key("BackSpace") && Type(text);
}

class ProductEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyOptions options;
    options.plugins = {L"Courier", L"Caption", L"Handset", L"Navigator", L"Rolodex"};
    options.withThemes = true;
    m_copy = MakeProductCopy(L"editor", options);
  }
  void TearDown() override {
    Stop();
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", nullptr);
  }

  void Start(const std::wstring& state) {
    SetEnvironmentVariableW(L"ZORVANE_DEMO_STATE", state.c_str());
    m_host = std::make_unique<RunningHost>(m_copy);
    ASSERT_TRUE(m_host->Started());
    ASSERT_TRUE(WaitFor(
        [&] {
          std::vector<HWND> trees = VisibleChildren(m_host->Pid(), WC_TREEVIEWW);
          m_tree = trees.empty() ? nullptr : trees.front();
          return m_tree && SendMessageW(m_tree, TVM_GETCOUNT, 0, 0) >= 8;
        },
        60000))
        << m_host->Output();
  }
  void Stop() {
    if (!m_host) return;
    for (HWND frame : WindowsOf(m_host->Pid(), kFrameClass)) PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(m_host->Wait(30000), 0) << m_host->Output();
    m_host.reset();
  }

  // Opens the Contacts section by a click on the navigator and waits for `count` contacts.
  HWND OpenContacts(int count) {
    const RECT tree = WindowRect(m_tree);
    const int height = static_cast<int>(SendMessageW(m_tree, TVM_GETITEMHEIGHT, 0, 0));
    EXPECT_TRUE(Click(POINT{tree.left + 100, tree.top + kContactsRow * height + height / 2}));
    HWND list = nullptr;
    const bool shown = WaitFor(
        [&] {
          std::vector<HWND> lists = VisibleChildren(m_host->Pid(), WC_LISTVIEWW, kContactsListId);
          list = lists.empty() ? nullptr : lists.front();
          return list && ItemCount(list) == count && !Dialog(nullptr);
        },
        30000);
    EXPECT_TRUE(shown) << (list ? ItemCount(list) : -1) << " contacts\n" << m_host->Output();
    return shown ? list : nullptr;
  }

  // The program's dialog showing now, with that title unless null.
  HWND Dialog(const wchar_t* title) const {
    for (HWND hwnd : WindowsOf(m_host->Pid(), L"#32770"))
      if (IsWindowVisible(hwnd) && (!title || TextOf(hwnd) == title)) return hwnd;
    return nullptr;
  }
  HWND WaitForEditor(const wchar_t* title) const {
    HWND editor = nullptr;
    WaitFor([&] { return (editor = Dialog(title)) != nullptr; }, 10000);
    Sleep(300);  // its first paint
    return editor;
  }
  bool WaitForEditorGone() const {
    return WaitFor([&] { return Dialog(L"New") == nullptr && Dialog(L"Edit") == nullptr; }, 15000);
  }
  HWND PaneControl(HWND list, int id) const { return GetDlgItem(GetParent(list), id); }
  // A drop-down list of the program that shows now.
  HWND OpenDropList() const {
    HWND found = nullptr;
    WaitFor(
        [&] {
          for (HWND hwnd : WindowsOf(m_host->Pid(), L"ComboLBox"))
            if (IsWindowVisible(hwnd)) found = hwnd;
          return found != nullptr;
        },
        5000);
    return found;
  }
  // Opens a combo box's list by a click on its arrow and clicks item `index` in it.
  bool PickFromCombo(HWND combo, int index, const wchar_t* screenshot = nullptr) {
    const RECT box = WindowRect(combo);
    if (!Click(POINT{box.right - 8, (box.top + box.bottom) / 2})) return false;
    HWND drop = OpenDropList();
    if (!drop) return false;
    Sleep(200);
    if (screenshot) Screenshot(screenshot);
    const int height = static_cast<int>(SendMessageW(drop, LB_GETITEMHEIGHT, 0, 0));
    const RECT list = WindowRect(drop);
    return Click(POINT{list.left + 20, list.top + 1 + height * index + height / 2});
  }
  int Search(HWND list, const std::string& text) {
    const HWND edit = PaneControl(list, kSearchEditId);
    EXPECT_TRUE(Retype(edit, text) && Key("Return"));
    Sleep(500);
    return ItemCount(list);
  }
  // Red pixels in the title strip of a dialog, as the screen shows it.
  static int RedTitlePixels(HWND dialog) {
    const RECT rect = WindowRect(dialog);
    const RECT title = {rect.left + 10, rect.top + 6, rect.left + 300, rect.top + 24};
    int red = 0;
    for (uint32_t p : ScreenPixels(title))
      if (((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 80 && (p & 0xFF) < 80) ++red;
    return red;
  }

  std::wstring m_copy;
  std::unique_ptr<RunningHost> m_host;
  HWND m_tree = nullptr;
};

}  // namespace

TEST_F(ProductEditor, ANewContactIsKeptEditedAndStillSoAfterARestart) {
  // The phones' copies on this PC start from the shipped phones in every run.
  const std::wstring state = m_copy + L"state";
  std::error_code ignored;
  std::filesystem::remove_all(state, ignored);
  Start(state);
  HWND list = OpenContacts(21);
  ASSERT_TRUE(list);

  // New: names, a number of the type Work, a second number with a label of the user's own, an
  // e-mail, an address, a note from Add Field, a group.
  ASSERT_TRUE(ClickOn(PaneControl(list, kNewButtonId)));
  HWND editor = WaitForEditor(L"New");
  ASSERT_TRUE(editor) << m_host->Output();
  Screenshot(L"editor-new.png");
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kFirstNameBoxId)) && Type("Quinn"));
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kFirstNameBoxId + 2)) && Type("Harlow"));
  std::vector<EditorRow> rows = EditorRows(editor);
  ASSERT_EQ(rows.size(), 3u);
  ASSERT_TRUE(ClickOn(rows[0].value) && Type("+1 555 0142"));
  ASSERT_TRUE(PickFromCombo(rows[0].type, 3, L"editor-type-combo-open.png"));
  EXPECT_EQ(TextOf(rows[0].type), L"Work");
  ASSERT_TRUE(ClickOn(rows[0].button));  // the first number's + adds another
  Sleep(300);
  rows = EditorRows(editor);
  ASSERT_EQ(rows.size(), 4u);
  ASSERT_TRUE(Type("+1 555 0199")) << "the caret is in the new row";
  EXPECT_EQ(TextOf(rows[1].value), L"+1 555 0199");
  const RECT type = WindowRect(rows[1].type);
  ASSERT_TRUE(Click(POINT{type.left + 10, (type.top + type.bottom) / 2}) && Key("End") && Key("shift+Home") &&
              Type("Boat"));
  ASSERT_TRUE(ClickOn(rows[2].value) && Type("quinn@harlow.example"));
  ASSERT_TRUE(ClickOn(rows[3].value) && Type("12 Mill Lane, Harbourtown"));
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kAddFieldId)));
  ASSERT_TRUE(WaitFor([&] { return !WindowsOf(m_host->Pid(), L"#32768").empty(); }, 5000));
  Sleep(300);
  Screenshot(L"editor-add-field-menu.png");
  ASSERT_TRUE(Key("Down") && Key("Down") && Key("Return"));  // Im, Note: the second entry
  Sleep(300);
  rows = EditorRows(editor);
  ASSERT_EQ(rows.size(), 5u);
  ASSERT_TRUE(Type("Met at the fair"));
  ASSERT_TRUE(PickFromCombo(EditorGroupBox(editor), 0));                                   // Family
  ASSERT_TRUE(Click(POINT{WindowRect(editor).left + 200, WindowRect(editor).top + 140}));  // closes the list
  Sleep(300);
  Screenshot(L"editor-new-filled.png");
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kOkId)));
  ASSERT_TRUE(WaitForEditorGone()) << "the phone's answer closes the editor";
  EXPECT_TRUE(WaitFor([&] { return ItemCount(list) == 22; }, 5000));
  EXPECT_EQ(Search(list, "harlow"), 1);

  // The pencil opens it: all of it came back from the phone, the custom label too.
  ASSERT_TRUE(ClickOn(PaneControl(list, kPencilId)));
  editor = WaitForEditor(L"Edit");
  ASSERT_TRUE(editor);
  Screenshot(L"editor-edit-several.png");
  EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId)), L"Quinn");
  EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId + 2)), L"Harlow");
  rows = EditorRows(editor);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(TextOf(rows[0].type), L"Work");
  EXPECT_EQ(TextOf(rows[1].type), L"Boat");
  EXPECT_EQ(TextOf(rows[1].value), L"+1 555 0199");
  EXPECT_EQ(TextOf(EditorGroupBox(editor)), L"Family");

  // Edit: a middle name, a new e-mail, the second number removed, Family left for Friends,
  // the account chosen.
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kFirstNameBoxId + 1)) && Type("Mae"));
  ASSERT_TRUE(Retype(rows[2].value, "q@harlow.example"));
  ASSERT_TRUE(ClickOn(rows[1].button));
  Sleep(300);
  EXPECT_EQ(EditorRows(editor).size(), 4u);
  ASSERT_TRUE(PickFromCombo(EditorGroupBox(editor), 0));
  const HWND groupList = OpenDropList();
  ASSERT_TRUE(groupList);
  const int itemHeight = static_cast<int>(SendMessageW(groupList, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_TRUE(Click(POINT{WindowRect(groupList).left + 20, WindowRect(groupList).top + 1 + itemHeight * 3 / 2}));
  ASSERT_TRUE(Click(POINT{WindowRect(editor).left + 200, WindowRect(editor).top + 140}));
  Sleep(300);
  EXPECT_EQ(TextOf(EditorGroupBox(editor)), L"Friends");
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kAccountLabelId)));
  const HWND accounts = GetDlgItem(editor, kAccountComboId);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(accounts) != FALSE; }, 3000));
  ASSERT_TRUE(PickFromCombo(accounts, 0));
  Sleep(300);
  EXPECT_EQ(TextOf(accounts), L"lena.brandt@mailbox.example (com.google)");
  Screenshot(L"editor-edit-changed.png");
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kOkId)));
  ASSERT_TRUE(WaitForEditorGone());
  EXPECT_EQ(Search(list, "quinn mae"), 1) << "search finds the edited name";
  Sleep(300);
  Screenshot(L"contacts-after-edit.png");

  // After a restart the phone's copy on this PC still holds every change.
  Stop();
  Start(state);
  list = OpenContacts(22);
  ASSERT_TRUE(list);
  EXPECT_EQ(Search(list, "quinn mae harlow"), 1);
  ASSERT_TRUE(ClickOn(PaneControl(list, kPencilId)));
  editor = WaitForEditor(L"Edit");
  ASSERT_TRUE(editor);
  Screenshot(L"editor-after-restart.png");
  EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId + 1)), L"Mae");
  EXPECT_EQ(TextOf(GetDlgItem(editor, kAccountLabelId)), L"lena.brandt@mailbox.example (com.google)");
  rows = EditorRows(editor);
  ASSERT_EQ(rows.size(), 4u) << "one number, the e-mail, the address, the note";
  EXPECT_EQ(TextOf(rows[0].value), L"+1 555 0142");
  EXPECT_EQ(TextOf(rows[1].value), L"q@harlow.example");
  EXPECT_EQ(TextOf(rows[2].value), L"12 Mill Lane, Harbourtown");
  EXPECT_EQ(TextOf(rows[3].value), L"Met at the fair");
  EXPECT_EQ(TextOf(EditorGroupBox(editor)), L"Friends");
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kCancelId)));
  EXPECT_TRUE(WaitForEditorGone());
}

// The phone's copy on this PC cannot be written: the save fails, the editor says so in red and
// stays open with what was typed; its rows scroll when they overflow.
TEST_F(ProductEditor, ASaveThePhoneCannotKeepShowsFailedAndKeepsTheEditorOpen) {
  const std::wstring blocker = m_copy + L"blocker";
  HANDLE file = CreateFileW(blocker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  Start(blocker + L"\\state");
  HWND list = OpenContacts(21);
  ASSERT_TRUE(list);
  // A notice about the copy that cannot be kept may cover the top: it is not in the way.
  ASSERT_TRUE(ClickOn(PaneControl(list, kPencilId)));
  HWND editor = WaitForEditor(L"Edit");
  ASSERT_TRUE(editor);
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kFirstNameBoxId + 1)) && Type("Test"));
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kOkId)));
  EXPECT_TRUE(WaitFor([&] { return RedTitlePixels(editor) > 20; }, 10000)) << "no \"Failed...\" in the title";
  EXPECT_TRUE(IsWindowVisible(editor));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, kOkId)));
  EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId + 1)), L"Test");

  // Rows enough to overflow, then the wheel.
  std::vector<EditorRow> rows = EditorRows(editor);
  ASSERT_FALSE(rows.empty());
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(ClickOn(EditorRows(editor)[0].button));
  // The scroll bar's state is the program's: the rows' places on the screen show the scrolling.
  const HWND view = EditorPropertyView(editor);
  ASSERT_TRUE(Wheel(CentreOf(WindowRect(view)), false, 20));
  Sleep(300);
  const LONG top = WindowRect(EditorRows(editor)[0].value).top;
  EXPECT_LT(WindowRect(view).top, top) << "scrolled to the top, the first row shows";
  ASSERT_TRUE(Wheel(CentreOf(WindowRect(view)), true, 1));
  Sleep(400);
  EXPECT_LT(WindowRect(EditorRows(editor)[0].value).top, top) << "the wheel scrolls the rows";
  Screenshot(L"editor-failed-scrolled.png");
  ASSERT_TRUE(ClickOn(GetDlgItem(editor, kCancelId)));
  EXPECT_TRUE(WaitForEditorGone());
}
