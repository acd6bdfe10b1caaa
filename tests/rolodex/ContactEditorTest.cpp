// The contact editor as the pane runs it: New and Edit, what a save sends, the wait for the
// host's answer (only the answer to its own save ends it), the failure shown in the title, the
// pane's records replaced or freed while it is open, rows added and scrolled, account and
// groups, and the ways into it (pencil, double-click).
#include "tests/rolodex/ContactsPaneFixture.h"

#include <algorithm>

namespace rolodextest {
namespace {

constexpr int kOkId = 4002;
constexpr int kAccountLabelId = 4005;
constexpr int kAccountComboId = 4011;
constexpr int kFirstNameBoxId = 4020;
constexpr int kPencilId = 5009;
constexpr int kListId = 5010;

ContactDataRow* TypedRow(const wchar_t* mimetype, const wchar_t* code, const wchar_t* label, const wchar_t* value) {
  ContactDataRow* row = DataRow(mimetype, label, value);
  row->oldTypeCode = code;
  return row;
}

// Red pixels in the title as the editor paints it.
int RedTitlePixels(HWND editor) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 390, 30);
  HGDIOBJ old = SelectObject(memory, bitmap);
  SendMessageW(editor, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  int red = 0;
  for (int y = 6; y < 24; ++y)
    for (int x = 10; x < 300; ++x) {
      const COLORREF c = GetPixel(memory, x, y);
      if (GetRValue(c) > 200 && GetGValue(c) < 80 && GetBValue(c) < 80) ++red;
    }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return red;
}

class ContactEditorTest : public ContactsPaneTest {
 protected:
  void SetUp() override {
    ContactsPaneTest::SetUp();
    labels.push_back(new TypeLabelRecord);
    labels.back()->mimetype = kMimePhone;
    for (auto entry :
         {TypeEntry{L"0", L"Custom"}, TypeEntry{L"1", L"Home"}, TypeEntry{L"2", L"Mobile"}, TypeEntry{L"3", L"Work"}})
      labels.back()->entries.push_back(new TypeEntry(entry));
    labels.push_back(new TypeLabelRecord);
    labels.back()->mimetype = kMimeEmail;
    for (auto entry : {TypeEntry{L"0", L"Custom"}, TypeEntry{L"1", L"Home"}, TypeEntry{L"2", L"Work"}})
      labels.back()->entries.push_back(new TypeEntry(entry));
    labelList.assign(labels.begin(), labels.end());
    Send(kRolodexAddTypelabels, parent.Hwnd(), 0, &labelList);
    groups.push_back(new GroupRecord{L"g1", L"Family", L"", L"com.google"});
    groups.push_back(new GroupRecord{L"g2", L"Friends", L"", L"com.google"});
    groups.push_back(new GroupRecord{L"g9", L"Team", L"", L"com.work"});
    groupList.assign(groups.begin(), groups.end());
    Send(kRolodexAddGroups, parent.Hwnd(), 0, &groupList);
    accounts.push_back(new AccountRecord{L"ann@example.com", L"com.google"});
    accounts.push_back(new AccountRecord{L"ann@work.example", L"com.work"});
    accountList.assign(accounts.begin(), accounts.end());
    Send(kRolodexAddAcconts, parent.Hwnd(), 0, &accountList);
  }

  // Ann Lee: a name row, a mobile number, a birthday the editor does not show; in Family.
  ContactRecord* AnnLee() {
    ContactRecord* ann =
        NewContact(L"17", L"Ann Lee", L"555 0101",
                   {DataRow(kMimeName, L"", L"Ann\n\nLee"), TypedRow(kMimePhone, L"2", L"Mobile", L"555 0101"),
                    TypedRow(kMimeEvent, L"3", L"Birthday", L"1990-04-01")});
    ann->accountName = L"ann@example.com";
    ann->accountType = L"com.google";
    ann->groups = {L"g1"};
    return ann;
  }

  // The host's answer to a save.
  void Answer(int64_t result, int64_t token) {
    CommandRecord record;
    record.window = parent.Hwnd();
    record.code = kContactPaneSaveEnded;
    record.value = result;
    record.count = token;
    Harness().Send(kRolodexDoContact, record);
  }

  const Request* LastSave() const {
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
      if (it->code == kContactRequestSave) return &*it;
    return nullptr;
  }

  OwnedPtrVector<TypeLabelRecord> labels;
  TypeLabelList labelList;
  OwnedPtrVector<GroupRecord> groups;
  GroupList groupList;
  OwnedPtrVector<AccountRecord> accounts;
  AccountList accountList;
};

TEST_F(ContactEditorTest, ANewContactSendsWhatWasTypedAndWaitsForItsAnswer) {
  bool stayedOpen = false, okDisabled = false;
  EditorScript script([&](HWND editor) {
    EXPECT_EQ(TextOf(editor), L"New");
    EXPECT_EQ(TextOf(GetDlgItem(editor, kAccountLabelId)), L"Phone only");
    const std::vector<EditorRow> rows = EditorRows(editor);
    ASSERT_EQ(rows.size(), 3u) << "phone, e-mail and address";
    for (const EditorRow& row : rows) EXPECT_TRUE(row.type) << "each of them has a type";
    EXPECT_EQ(TextOf(rows[0].type), L"Home") << "a new row opens on the first offered type";
    ASSERT_TRUE(EditorGroupBox(editor));
    EXPECT_EQ(SendMessageW(EditorGroupBox(editor), CB_GETCOUNT, 0, 0), 2) << "the com.google groups";
    SetEditText(GetDlgItem(editor, kFirstNameBoxId), L"Zed");
    SetEditText(rows[1].value, L"zed@example.com");
    PickComboItem(rows[1].type, 2);
    ClickControl(GetDlgItem(editor, kOkId));
    stayedOpen = IsWindowVisible(editor) != FALSE;
    okDisabled = !IsWindowEnabled(GetDlgItem(editor, kOkId));
    ASSERT_TRUE(LastSave());
    Answer(kSaveSucceeded, LastSave()->value);
  });
  Command(5000);
  EXPECT_TRUE(script.Ran());
  EXPECT_TRUE(stayedOpen && okDisabled) << "the editor waits for the host's answer";
  EXPECT_FALSE(FindEditor()) << "the answer to its save closed it";
  const Request* save = LastSave();
  ASSERT_TRUE(save && save->saved);
  EXPECT_EQ(save->window, pane);
  EXPECT_NE(save->value, 0) << "the request carries the editor's token";
  const ContactRecord& sent = *save->saved;
  EXPECT_EQ(sent.editState, kEditNew);
  ASSERT_EQ(sent.dataRows.size(), 2u) << "the name and the e-mail; the empty rows are not sent";
  EXPECT_EQ(sent.dataRows[0]->mimetype, kMimeName);
  EXPECT_EQ(sent.dataRows[0]->newValue, L"Zed\n\n");
  EXPECT_EQ(sent.dataRows[1]->mimetype, kMimeEmail);
  EXPECT_EQ(sent.dataRows[1]->editState, kEditNew);
  EXPECT_EQ(sent.dataRows[1]->newValue, L"zed@example.com");
  EXPECT_EQ(sent.dataRows[1]->newTypeLabel, L"Work");
}

TEST_F(ContactEditorTest, AnEditLeftAsItOpenedSendsNothingAndCloses) {
  SendBatch(parent.Hwnd(), {AnnLee()});
  EditorScript script([&](HWND editor) {
    EXPECT_EQ(TextOf(editor), L"Edit");
    EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId)), L"Ann");
    EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId + 1)), L"");
    EXPECT_EQ(TextOf(GetDlgItem(editor, kFirstNameBoxId + 2)), L"Lee");
    EXPECT_EQ(TextOf(GetDlgItem(editor, kAccountLabelId)), L"ann@example.com (com.google)");
    const std::vector<EditorRow> rows = EditorRows(editor);
    ASSERT_EQ(rows.size(), 1u) << "the birthday is not shown";
    EXPECT_EQ(TextOf(rows[0].value), L"555 0101");
    EXPECT_EQ(TextOf(rows[0].type), L"Mobile");
    ClickControl(GetDlgItem(editor, kOkId));
  });
  Command(kPencilId);
  EXPECT_TRUE(script.Ran());
  EXPECT_FALSE(FindEditor());
  EXPECT_EQ(LastSave(), nullptr);
}

TEST_F(ContactEditorTest, OnlyItsOwnAnswerEndsItAndTheFailureShowsUntilOkAgain) {
  SendBatch(parent.Hwnd(), {AnnLee()});
  EditorScript script([&](HWND editor) {
    const std::vector<EditorRow> rows = EditorRows(editor);
    ASSERT_EQ(rows.size(), 1u);
    SetEditText(rows[0].value, L"555 0199");
    ClickControl(GetDlgItem(editor, kOkId));
    ASSERT_TRUE(LastSave());
    const int64_t token = LastSave()->value;
    // An import's contacts, or the late answer of an editor closed earlier: not this save's.
    Answer(kSaveSucceeded, 0);
    Answer(kSaveSucceeded, token + 1);
    EXPECT_TRUE(IsWindowVisible(editor)) << "closed by an answer to another save";
    EXPECT_EQ(RedTitlePixels(editor), 0);
    Answer(kSaveFailed, token);
    EXPECT_TRUE(IsWindowVisible(editor));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, kOkId)));
    EXPECT_GT(RedTitlePixels(editor), 20) << "\"Failed...\" in red";

    // The pane replaces and then frees its records while the editor is open (a save answered,
    // a reload); the editor works on its own copy.
    ContactRecord* mine = RowContact(list, 0);
    ContactRecord replaced = *mine;
    replaced.dataRows.DeleteAll();
    replaced.name = L"Someone Else";
    replaced.rowIndex = 0;
    Send(kRolodexAddContact, parent.Hwnd(), 2, &replaced);
    Send(kRolodexClearData, parent.Hwnd());
    SetEditText(GetDlgItem(editor, kFirstNameBoxId + 1), L"May");
    ClickControl(GetDlgItem(editor, kOkId));
    EXPECT_EQ(RedTitlePixels(editor), 0) << "OK clears the failure";
    Answer(kSaveSucceeded, token);
  });
  Command(kPencilId);
  EXPECT_TRUE(script.Ran());
  EXPECT_FALSE(FindEditor());
  const Request* save = LastSave();
  ASSERT_TRUE(save && save->saved);
  const ContactRecord& sent = *save->saved;
  EXPECT_EQ(sent.identifier, L"17");
  ASSERT_EQ(sent.dataRows.size(), 3u) << "the rows the editor opened with";
  EXPECT_EQ(sent.dataRows[0]->editState, kEditChanged);
  EXPECT_EQ(sent.dataRows[0]->newValue, L"Ann\nMay\nLee");
  EXPECT_EQ(sent.dataRows[1]->editState, kEditChanged);
  EXPECT_EQ(sent.dataRows[1]->newValue, L"555 0199");
  EXPECT_EQ(sent.dataRows[2]->editState, kEditUnchanged) << "the birthday goes as it came";
  EXPECT_EQ(sent.dataRows[2]->oldValue, L"1990-04-01");
  // A late answer after the editor closed reaches nobody.
  Answer(kSaveSucceeded, save->value);
}

TEST_F(ContactEditorTest, AccountGroupsAndACustomLabelGoWithTheSave) {
  SendBatch(parent.Hwnd(), {AnnLee()});
  EditorScript script([&](HWND editor) {
    const HWND groupBox = EditorGroupBox(editor);
    ASSERT_TRUE(groupBox);
    ASSERT_EQ(SendMessageW(groupBox, CB_GETCOUNT, 0, 0), 2);
    EXPECT_NE(SendMessageW(groupBox, CB_GETITEMDATA, 0, 0), 0) << "Family is checked";
    EXPECT_EQ(SendMessageW(groupBox, CB_GETITEMDATA, 1, 0), 0);
    SendMessageW(groupBox, CB_SETITEMDATA, 0, 0);
    SendMessageW(groupBox, CB_SETITEMDATA, 1, 1);
    // A click on the account label offers the accounts and "Phone only".
    const HWND label = GetDlgItem(editor, kAccountLabelId);
    SendMessageW(label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageW(label, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    const HWND combo = GetDlgItem(editor, kAccountComboId);
    EXPECT_TRUE(IsWindowVisible(combo));
    EXPECT_FALSE(IsWindowVisible(label));
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0) << "opens on the contact's account";
    SendMessageW(combo, CB_SETCURSEL, 2, 0);
    const std::vector<EditorRow> rows = EditorRows(editor);
    ASSERT_EQ(rows.size(), 1u);
    TypeComboText(rows[0].type, L"Cabin");
    ClickControl(GetDlgItem(editor, kOkId));
    ASSERT_TRUE(LastSave());
    Answer(kSaveSucceeded, LastSave()->value);
  });
  Command(kPencilId);
  EXPECT_TRUE(script.Ran());
  const Request* save = LastSave();
  ASSERT_TRUE(save && save->saved);
  const ContactRecord& sent = *save->saved;
  EXPECT_EQ(sent.groupsToJoin, (std::vector<std::wstring>{L"g2"}));
  EXPECT_EQ(sent.groupsToLeave, (std::vector<std::wstring>{L"g1"}));
  EXPECT_EQ(sent.accountChosen, 1);
  EXPECT_TRUE(sent.accountName.empty() && sent.accountType.empty()) << "\"Phone only\"";
  EXPECT_EQ(sent.dataRows[1]->editState, kEditChanged);
  EXPECT_EQ(sent.dataRows[1]->newTypeCode, L"0");
  EXPECT_EQ(sent.dataRows[1]->newTypeLabel, L"Cabin");
}

TEST_F(ContactEditorTest, RowsAddedByThePlusButtonScrollWithBarAndWheel) {
  int rowsAfter = 0, rangeAfter = 0, pageAfter = 0, wheeled = -1, removed = -1;
  EditorScript script([&](HWND editor) {
    std::vector<EditorRow> rows = EditorRows(editor);
    ASSERT_FALSE(rows.empty());
    for (int i = 0; i < 12; ++i) ClickControl(rows[0].button);
    rows = EditorRows(editor);
    rowsAfter = static_cast<int>(rows.size());
    const HWND view = EditorPropertyView(editor);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_ALL;
    GetScrollInfo(view, SB_VERT, &info);
    rangeAfter = info.nMax + 1;
    pageAfter = static_cast<int>(info.nPage);
    EXPECT_EQ(GetFocus(), rows[12].value) << "the caret is in the row just added";
    RECT viewRect{}, added{};
    GetWindowRect(view, &viewRect);
    GetWindowRect(rows[12].value, &added);
    EXPECT_TRUE(added.top >= viewRect.top && added.bottom <= viewRect.bottom) << "the added row is in view";
    SendMessageW(view, WM_VSCROLL, SB_TOP, 0);
    POINT centre = {(viewRect.left + viewRect.right) / 2, (viewRect.top + viewRect.bottom) / 2};
    SendMessageW(editor, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(centre.x, centre.y));
    GetScrollInfo(view, SB_VERT, &info);
    wheeled = info.nPos;
    // A second phone row's button removes it.
    ClickControl(rows[1].button);
    removed = static_cast<int>(EditorRows(editor).size());
    PostMessageW(editor, WM_CLOSE, 0, 0);
  });
  Command(5000);
  EXPECT_TRUE(script.Ran());
  EXPECT_EQ(rowsAfter, 15);
  EXPECT_GT(rangeAfter, pageAfter) << "the rows overflow: the bar scrolls";
  EXPECT_GT(wheeled, 0) << "the wheel scrolls the rows";
  EXPECT_EQ(removed, 14);
  EXPECT_EQ(LastSave(), nullptr) << "closing sends nothing";
}

TEST_F(ContactEditorTest, DoubleClickOnARowOpensItsContact) {
  SendBatch(parent.Hwnd(), {NewContact(L"1", L"Ann"), AnnLee()});
  std::wstring last;
  EditorScript script([&](HWND editor) {
    last = TextOf(GetDlgItem(editor, kFirstNameBoxId + 2));
    PostMessageW(editor, WM_CLOSE, 0, 0);
  });
  NMITEMACTIVATE activate{};
  activate.hdr.hwndFrom = list;
  activate.hdr.idFrom = kListId;
  activate.hdr.code = NM_DBLCLK;
  activate.iItem = 1;
  SendMessageW(pane, WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&activate));
  loop.Pump();
  EXPECT_TRUE(script.Ran());
  EXPECT_EQ(last, L"Lee");
}

}  // namespace
}  // namespace rolodextest
