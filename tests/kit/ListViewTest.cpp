// The owner-drawn list view as a real list-view control under a reflecting parent: checking by
// the header and by the rows' check images, selection, numbering, images, erasing and scrolling,
// read back from the control's state and from what it paints.
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/BASListView.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"
#include "tests/harness/GdiplusEnvironment.h"
#include "tests/harness/TestPump.h"
#include "tests/harness/TraceCapture.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kSelected = 0xEEDBA1;
constexpr COLORREF kShaded = 0xFAFAFA;
constexpr COLORREF kEdge = 0xDCDCDC;
constexpr int kCheckSize = 16;


std::unique_ptr<Gdiplus::Bitmap> SolidImage(int width, int height, COLORREF color) {
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics graphics(image.get());
  graphics.Clear(Gdiplus::Color(255, GetRValue(color), GetGValue(color), GetBValue(color)));
  return image;
}

struct CellText {
  std::wstring text;
  RECT rect;
};

// Row and column to the last text the list drew there.
using CellTexts = std::map<std::pair<int, int>, CellText>;

void RecordCellText(int row, int column, const wchar_t* text, const RECT& rect, void* context) {
  (*static_cast<CellTexts*>(context))[{row, column}] = CellText{text, rect};
}

CellText Cell(const CellTexts& texts, int row, int column) {
  const auto found = texts.find({row, column});
  return found == texts.end() ? CellText{L"<not drawn>", RECT{}} : found->second;
}

RECT ChildRectIn(HWND child, HWND parent) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT Centre(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

void Click(HWND hwnd, POINT at) {
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
  testpump::Pump();
}

class ListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(parent.Create(nullptr, L"KitListParent", L"list", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0,
                              MakeRect(50, 50, 500, 400)));
    parent.onNotify = [this](NMHDR* header, LRESULT&) {
      notifications.push_back(header->code);
      return false;  // left to the list, as a pane does
    };
    checked = SolidImage(kCheckSize, kCheckSize, kGreen);
    unchecked = SolidImage(kCheckSize, kCheckSize, kRed);
    testpump::Pump();
  }
  void TearDown() override { testpump::Pump(); }

  // A list over the parent's client area with the three columns of the contacts pane.
  void MakeList(BASListView& list, int rows, DWORD extraStyle = 0) {
    ASSERT_TRUE(list.Create(parent.Hwnd(), MakeRect(0, 0, 480, 380), 5010, extraStyle));
    list.SetCheckImages(checked.get(), unchecked.get());
    list.InsertColumn(0, L"", 100);
    list.InsertColumn(1, L"Name", 195);
    list.InsertColumn(2, L"Phone Number", 150);
    for (int i = 0; i < rows; ++i)
      ASSERT_EQ(list.AppendRow({L"", L"Name " + std::to_wstring(i), L"555-01" + std::to_wstring(i)}), i);
    testpump::Pump();
  }

  static RECT RowRect(const BASListView& list, int row) {
    RECT rect{};
    rect.left = LVIR_BOUNDS;
    SendMessageW(list.Hwnd(), LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  static RECT HeaderItemRect(BASListView& list, int column) {
    RECT rect{};
    SendMessageW(list.Header().Hwnd(), HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&rect));
    return rect;
  }

  // What the rows paint, read back through WM_PRINTCLIENT on a canvas of `under`.
  static std::unique_ptr<PixelCanvas> Paint(HWND hwnd, COLORREF under = kMagenta) {
    RECT client{};
    GetClientRect(hwnd, &client);
    auto canvas = std::make_unique<PixelCanvas>(client.right, client.bottom, under);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas->Dc()), PRF_CLIENT);
    return canvas;
  }

  ProbeWindow parent;
  std::vector<UINT> notifications;
  std::unique_ptr<Gdiplus::Bitmap> checked;
  std::unique_ptr<Gdiplus::Bitmap> unchecked;
};

}  // namespace

TEST_F(ListViewTest, CreationTracesTheHandleHidesScrollBarsAndTakesOverTheHeader) {
  TraceCapture capture;
  ASSERT_TRUE(capture.IsActive());
  BASListView list;
  ASSERT_TRUE(list.Create(parent.Hwnd(), MakeRect(0, 0, 300, 200), 5010));
  const std::vector<std::string> lines = capture.Stop();
  char expected[64];
  std::snprintf(expected, sizeof expected, "BASListView: %p", static_cast<void*>(list.Hwnd()));
  EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;

  const LONG style = GetWindowLongW(list.Hwnd(), GWL_STYLE);
  EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), 0);
  EXPECT_TRUE(style & LVS_OWNERDRAWFIXED);
  EXPECT_TRUE(style & WS_TABSTOP);
  const auto exStyle = static_cast<DWORD>(SendMessageW(list.Hwnd(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  EXPECT_EQ(exStyle & (LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES), DWORD{LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES});
  const auto header = reinterpret_cast<HWND>(SendMessageW(list.Hwnd(), LVM_GETHEADER, 0, 0));
  EXPECT_EQ(BASWindow::FromHandle(header), &list.Header());
  EXPECT_EQ(list.AllChecked(), 0);
}

TEST_F(ListViewTest, TheListOwnsItsFontAndDeletesTheOneItReplaces) {
  HFONT first = nullptr;
  HFONT second = BASUtilityApp::GetFont(20, false, L"Arial");
  {
    BASListView list;
    ASSERT_TRUE(list.Create(parent.Hwnd(), MakeRect(0, 0, 300, 200), 5010));
    first = reinterpret_cast<HFONT>(SendMessageW(list.Hwnd(), WM_GETFONT, 0, 0));
    ASSERT_NE(first, nullptr);
    LOGFONTW logFont{};
    ASSERT_TRUE(GetObjectW(first, sizeof logFont, &logFont));
    EXPECT_EQ(logFont.lfHeight, -16);
    EXPECT_STREQ(logFont.lfFaceName, L"Arial");
    list.SetListFont(first);  // the same font again is kept
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_FONT));
    list.SetListFont(second);
    EXPECT_EQ(GetObjectType(first), 0u);
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_FONT));
  }
  EXPECT_EQ(GetObjectType(second), 0u);
}

TEST_F(ListViewTest, RowsAreMeasuredAtSixtyAndSetRowHeightRemeasuresAtOnce) {
  BASListView list;
  MakeList(list, 3);
  EXPECT_EQ(RowRect(list, 0).bottom - RowRect(list, 0).top, 60);
  EXPECT_EQ(RowRect(list, 1).top - RowRect(list, 0).top, 60);
  list.SetRowHeight(34);
  EXPECT_EQ(RowRect(list, 0).bottom - RowRect(list, 0).top, 34);
  EXPECT_EQ(RowRect(list, 2).top - RowRect(list, 1).top, 34);
}

TEST_F(ListViewTest, HeaderCheckChecksEveryRowAndARowCheckUnchecksOneAndClearsTheFlag) {
  BASListView list;
  MakeList(list, 3);
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(list.IsChecked(row));

  RECT headerClient{};
  GetClientRect(list.Header().Hwnd(), &headerClient);
  Click(list.Header().Hwnd(), POINT{5 + kCheckSize / 2, headerClient.bottom / 2});
  EXPECT_EQ(list.AllChecked(), 1);
  auto canvas = Paint(list.Hwnd());
  for (int row = 0; row < 3; ++row) {
    EXPECT_TRUE(list.IsChecked(row)) << row;
    const POINT image = Centre(list.CheckImageRect(row));
    EXPECT_EQ(canvas->Pixel(image.x, image.y), kGreen) << row;
  }
  // The header shows the flag.
  PixelCanvas header(headerClient.right, headerClient.bottom, kMagenta);
  SendMessageW(list.Header().Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(header.Dc()), PRF_CLIENT);
  EXPECT_EQ(header.Pixel(5 + kCheckSize / 2, 4 + kCheckSize / 2), kGreen);

  const RECT box = list.CheckImageRect(1);
  EXPECT_EQ(box.left, 5);
  EXPECT_EQ(box.right - box.left, kCheckSize);
  EXPECT_EQ(box.top, RowRect(list, 1).top + (60 - kCheckSize) / 2);
  Click(list.Hwnd(), Centre(box));
  EXPECT_TRUE(list.IsChecked(0));
  EXPECT_FALSE(list.IsChecked(1));
  EXPECT_TRUE(list.IsChecked(2));
  EXPECT_EQ(list.AllChecked(), 0);
  canvas = Paint(list.Hwnd());
  const POINT image = Centre(list.CheckImageRect(1));
  EXPECT_EQ(canvas->Pixel(image.x, image.y), kRed);
  SendMessageW(list.Header().Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(header.Dc()), PRF_CLIENT);
  EXPECT_EQ(header.Pixel(5 + kCheckSize / 2, 4 + kCheckSize / 2), kRed);

  // Checking the last unchecked row by its image sets the flag again; the header click now
  // inverts it and unchecks every row.
  Click(list.Hwnd(), Centre(list.CheckImageRect(1)));
  EXPECT_EQ(list.AllChecked(), 1);
  Click(list.Header().Hwnd(), POINT{5 + kCheckSize / 2, headerClient.bottom / 2});
  EXPECT_EQ(list.AllChecked(), 0);
  for (int row = 0; row < 3; ++row) EXPECT_FALSE(list.IsChecked(row)) << row;
}

TEST_F(ListViewTest, AHeaderClickBesideTheCheckImageChangesNothing) {
  BASListView list;
  MakeList(list, 2);
  RECT headerClient{};
  GetClientRect(list.Header().Hwnd(), &headerClient);
  Click(list.Header().Hwnd(), POINT{3, headerClient.bottom / 2});                   // left of it
  Click(list.Header().Hwnd(), POINT{5 + kCheckSize + 3, headerClient.bottom / 2});  // right of it
  EXPECT_EQ(list.AllChecked(), 0);
  EXPECT_FALSE(list.IsChecked(0));
  EXPECT_FALSE(list.IsChecked(1));
}

TEST_F(ListViewTest, SelectAllMessageSetsEveryRowAndLeavesTheFlag) {
  BASListView list;
  MakeList(list, 4);
  EXPECT_NE(SendMessageW(list.Hwnd(), kListSelectAll, 1, 0), 0);
  for (int row = 0; row < 4; ++row) EXPECT_TRUE(list.IsChecked(row)) << row;
  EXPECT_EQ(list.AllChecked(), 0);
  SendMessageW(list.Hwnd(), kListSelectAll, 0, 0);
  for (int row = 0; row < 4; ++row) EXPECT_FALSE(list.IsChecked(row)) << row;
}

TEST_F(ListViewTest, RowsAreNumberedFromTheTopOrDescendingRightOfTheCheckImage) {
  BASListView list;
  MakeList(list, 5);
  CellTexts texts;
  list.SetCellTextHook(RecordCellText, &texts);
  Paint(list.Hwnd());
  ASSERT_EQ(texts.count(std::make_pair(0, 0)), 1u);
  EXPECT_EQ(Cell(texts, 0, 0).text, L"1");
  EXPECT_EQ(Cell(texts, 4, 0).text, L"5");
  EXPECT_EQ(Cell(texts, 0, 0).rect.left, kCheckSize + 15);
  EXPECT_EQ(Cell(texts, 0, 0).rect.right, 100);
  EXPECT_EQ(Cell(texts, 2, 1).text, L"Name 2");
  EXPECT_EQ(Cell(texts, 2, 2).text, L"555-012");
  EXPECT_EQ(Cell(texts, 2, 2).rect.left, 100 + 195 + 10);

  list.SetDescendingNumbers(true);
  texts.clear();
  Paint(list.Hwnd());
  EXPECT_EQ(Cell(texts, 0, 0).text, L"5");
  EXPECT_EQ(Cell(texts, 1, 0).text, L"4");
  EXPECT_EQ(Cell(texts, 4, 0).text, L"1");
  EXPECT_EQ(list.RowNumberText(0), L"5");
}

TEST_F(ListViewTest, ClickOnTextSelectsWithoutCheckingAndClickOnImageChecksWithoutSelecting) {
  BASListView list;
  MakeList(list, 3);
  const RECT row2 = RowRect(list, 2);
  Click(list.Hwnd(), POINT{150, (row2.top + row2.bottom) / 2});
  EXPECT_TRUE(list.IsSelected(2));
  EXPECT_FALSE(list.IsChecked(2));

  Click(list.Hwnd(), Centre(list.CheckImageRect(0)));
  EXPECT_TRUE(list.IsChecked(0));
  EXPECT_FALSE(list.IsSelected(0));
  EXPECT_TRUE(list.IsSelected(2));
  // The swallowed press sends no click notification, so a pane's FollowSelection never undoes it.
  int clicks = 0;
  for (UINT code : notifications) clicks += code == static_cast<UINT>(NM_CLICK);
  EXPECT_EQ(clicks, 1);
}

TEST_F(ListViewTest, FollowSelectionChecksSelectedRowsAndSelectFirstSelectsOnlyRowZero) {
  BASListView list;
  MakeList(list, 4);
  list.SetChecked(0, true);
  SendMessageW(list.Hwnd(), LVM_ENSUREVISIBLE, 3, FALSE);
  LVITEMW select{};
  select.state = LVIS_SELECTED;
  select.stateMask = LVIS_SELECTED;
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&select));
  list.FollowSelection();
  EXPECT_FALSE(list.IsChecked(0));
  EXPECT_TRUE(list.IsChecked(1));
  EXPECT_FALSE(list.IsChecked(2));
  EXPECT_TRUE(list.IsChecked(3));

  list.SelectFirst();
  EXPECT_TRUE(list.IsSelected(0));
  EXPECT_FALSE(list.IsSelected(1));
  EXPECT_FALSE(list.IsSelected(3));
  EXPECT_EQ(SendMessageW(list.Hwnd(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 0);
  EXPECT_EQ(SendMessageW(list.Hwnd(), LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListViewTest, AColumnClickIsSwallowedAndRowsKeepTheirOrder) {
  BASListView list;
  MakeList(list, 0);
  list.AppendRow({L"", L"b", L"2"});
  list.AppendRow({L"", L"a", L"1"});
  list.AppendRow({L"", L"c", L"3"});
  Click(list.Header().Hwnd(), Centre(HeaderItemRect(list, 1)));
  int columnClicks = 0;
  for (UINT code : notifications) columnClicks += code == static_cast<UINT>(LVN_COLUMNCLICK);
  EXPECT_EQ(columnClicks, 1);  // the click did reach the list
  const wchar_t* expected[] = {L"b", L"a", L"c"};
  for (int row = 0; row < 3; ++row) {
    wchar_t text[16] = L"";
    LVITEMW item{};
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = 16;
    SendMessageW(list.Hwnd(), LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, expected[row]);
  }
  EXPECT_EQ(list.AllChecked(), 0);
}

TEST_F(ListViewTest, SecondColumnImageIsScaledWhenTallAndNaturalWhenSmall) {
  BASListView list;
  MakeList(list, 2);
  auto tall = SolidImage(8, 120, kBlue);
  auto small = SolidImage(20, 10, kYellow);
  struct Images {
    Gdiplus::Bitmap* tall;
    Gdiplus::Bitmap* small;
  } images{tall.get(), small.get()};
  // Row 0 has no image of its own and takes the default one.
  list.SetDefaultRowImage(tall.get());
  list.SetRowImageHook(
      [](BASListView&, int row, void* context) -> Gdiplus::Bitmap* {
        return row == 1 ? static_cast<Images*>(context)->small : nullptr;
      },
      &images);
  CellTexts texts;
  list.SetCellTextHook(RecordCellText, &texts);
  auto canvas = Paint(list.Hwnd());
  const int column1 = 100;

  const RECT row0 = RowRect(list, 0);
  // Scaled to a 56-pixel square at x + 2, two pixels below the top.
  EXPECT_EQ(canvas->Pixel(column1 + 2 + 28, row0.top + 30), kBlue);
  EXPECT_EQ(canvas->Pixel(column1 + 2 + 55, row0.top + 2), kBlue);
  EXPECT_NE(canvas->Pixel(column1 + 2 + 58, row0.top + 30), kBlue);
  EXPECT_NE(canvas->Pixel(column1 + 2 + 28, row0.top), kBlue);
  EXPECT_EQ(Cell(texts, 0, 1).rect.left, column1 + 2 + 56 + 10);

  const RECT row1 = RowRect(list, 1);
  // At its own size, vertically centred.
  const int top = row1.top + (60 - 10) / 2;
  EXPECT_EQ(canvas->Pixel(column1 + 2 + 10, top + 5), kYellow);
  EXPECT_NE(canvas->Pixel(column1 + 2 + 10, top - 2), kYellow);
  EXPECT_NE(canvas->Pixel(column1 + 2 + 22, top + 5), kYellow);
  EXPECT_EQ(Cell(texts, 1, 1).rect.left, column1 + 2 + 20 + 10);
}

TEST_F(ListViewTest, RowsPaintSelectionShadingAndEdges) {
  BASListView list;
  MakeList(list, 4);
  list.SetAlternateShading(true);
  LVITEMW select{};
  select.state = LVIS_SELECTED;
  select.stateMask = LVIS_SELECTED;
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 3, reinterpret_cast<LPARAM>(&select));
  auto canvas = Paint(list.Hwnd());
  const int x = 300 + 100;  // inside the last column, past its text
  EXPECT_EQ(canvas->Pixel(x, RowRect(list, 0).top + 5), RGB(255, 255, 255));
  EXPECT_EQ(canvas->Pixel(x, RowRect(list, 1).top + 5), kShaded);
  EXPECT_EQ(canvas->Pixel(x, RowRect(list, 2).top + 5), RGB(255, 255, 255));
  EXPECT_EQ(canvas->Pixel(x, RowRect(list, 3).top + 5), kSelected);  // odd, but selected
  const RECT row0 = RowRect(list, 0);
  EXPECT_EQ(canvas->Pixel(x, row0.bottom - 1), kEdge);
  EXPECT_EQ(canvas->Pixel(row0.left, row0.top + 5), kEdge);
  EXPECT_EQ(canvas->Pixel(row0.right - 1, row0.top + 5), kEdge);
}

TEST_F(ListViewTest, TheRowColourHookColoursARowsText) {
  BASListView list;
  MakeList(list, 2);
  struct Seen {
    std::vector<int> rows;
    BASListView* list;
  } seen{{}, &list};
  list.SetRowColorHook(
      [](HDC dc, BASListView& owner, int row, void* context) {
        auto* record = static_cast<Seen*>(context);
        record->rows.push_back(row);
        EXPECT_EQ(&owner, record->list);
        if (row == 1) SetTextColor(dc, RGB(255, 0, 0));
      },
      &seen);
  auto canvas = Paint(list.Hwnd());
  EXPECT_NE(std::find(seen.rows.begin(), seen.rows.end(), 0), seen.rows.end());
  EXPECT_NE(std::find(seen.rows.begin(), seen.rows.end(), 1), seen.rows.end());
  // Reddish text pixels in row 1's name, none in row 0's.
  auto reddish = [&](int row) {
    const RECT rect = RowRect(list, row);
    int count = 0;
    for (int x = 110; x < 180; ++x)
      for (int y = rect.top + 5; y < rect.bottom - 5; ++y) {
        const COLORREF pixel = canvas->Pixel(x, y);
        count += GetRValue(pixel) > 200 && GetGValue(pixel) < 150 && GetBValue(pixel) < 150;
      }
    return count;
  };
  EXPECT_EQ(reddish(0), 0);
  EXPECT_GT(reddish(1), 5);
}

TEST_F(ListViewTest, ErasingFillsOnlyTheAreaNoRowCovers) {
  BASListView list;
  MakeList(list, 2);
  SendMessageW(list.Hwnd(), LVM_SETBKCOLOR, 0, kGreen);
  RECT client{};
  GetClientRect(list.Hwnd(), &client);
  const RECT header = ChildRectIn(list.Header().Hwnd(), list.Hwnd());
  PixelCanvas canvas(client.right, client.bottom, kRed);
  EXPECT_EQ(SendMessageW(list.Hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0), 1);
  const RECT row1 = RowRect(list, 1);
  EXPECT_EQ(canvas.Pixel(150, row1.top + 10), kRed);         // a row
  EXPECT_EQ(canvas.Pixel(445 + 10, row1.top + 10), kGreen);  // right of the last column
  EXPECT_EQ(canvas.Pixel(150, row1.bottom + 10), kGreen);    // below the last row
  EXPECT_EQ(canvas.Pixel(150, header.bottom / 2), kRed);     // the header paints itself

  list.DeleteAllRows();
  canvas.Fill(client, kRed);
  SendMessageW(list.Hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
  EXPECT_EQ(canvas.Pixel(150, header.bottom + 10), kGreen);
  EXPECT_EQ(canvas.Pixel(client.right - 1, client.bottom - 1), kGreen);
}

TEST_F(ListViewTest, HorizontalScrollingShiftsWhatARowDraws) {
  BASListView list;
  MakeList(list, 2);
  list.InsertColumn(3, L"Wide", 400);  // the columns are now wider than the list
  SendMessageW(list.Hwnd(), LVM_SCROLL, 60, 0);
  testpump::Pump();
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  ASSERT_TRUE(GetScrollInfo(list.Hwnd(), SB_HORZ, &info));
  const int scrolled = info.nPos;
  ASSERT_GT(scrolled, 0);
  CellTexts texts;
  list.SetCellTextHook(RecordCellText, &texts);
  Paint(list.Hwnd());
  EXPECT_EQ(Cell(texts, 0, 2).rect.left, 100 + 195 + 10 - scrolled);
  EXPECT_EQ(list.CheckImageRect(0).left, 5 - scrolled);
}

TEST_F(ListViewTest, EmptyingTheListSendsNoNoticePerRow) {
  BASListView list;
  MakeList(list, 5);
  notifications.clear();
  list.DeleteAllRows();
  int all = 0;
  int each = 0;
  for (UINT code : notifications) {
    all += code == static_cast<UINT>(LVN_DELETEALLITEMS);
    each += code == static_cast<UINT>(LVN_DELETEITEM);
  }
  EXPECT_EQ(all, 1);
  EXPECT_EQ(each, 0);
  EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ListViewTest, HeaderPaintsFlatTitlesSeparatorsAndTheBottomLine) {
  BASListView list;
  MakeList(list, 1);
  list.Header().SetBackground(kYellow);
  RECT client{};
  GetClientRect(list.Header().Hwnd(), &client);
  PixelCanvas canvas(client.right, client.bottom, kMagenta);
  SendMessageW(list.Header().Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  const int middle = client.bottom / 2;
  EXPECT_EQ(canvas.Pixel(60, client.bottom - 1), RGB(0xBC, 0xBC, 0xBC));
  EXPECT_EQ(canvas.Pixel(0, middle), RGB(0xD2, 0xD2, 0xD2));
  EXPECT_EQ(canvas.Pixel(100, middle), RGB(0xD2, 0xD2, 0xD2));
  EXPECT_EQ(canvas.Pixel(295, middle), RGB(0xD2, 0xD2, 0xD2));
  EXPECT_EQ(canvas.Pixel(444, middle), RGB(0xD2, 0xD2, 0xD2));
  EXPECT_EQ(canvas.Pixel(60, 2), kYellow);
  EXPECT_EQ(canvas.Pixel(5 + kCheckSize / 2, 4 + kCheckSize / 2), kRed);  // unchecked: flag 0
  // "Name" starts 10 pixels into its column: something dark there, nothing left of it.
  bool inked = false;
  for (int x = 110; x < 140; ++x)
    for (int y = 0; y < client.bottom - 1; ++y) inked |= canvas.Pixel(x, y) != kYellow;
  EXPECT_TRUE(inked);
  for (int y = 0; y < client.bottom - 1; ++y) EXPECT_EQ(canvas.Pixel(105, y), kYellow) << y;
}

// The rows live in the list; the control only knows their count, selection and focus.
TEST_F(ListViewTest, SelectionAndFocusStayOnTheirRowsWhenRowsComeAndGoAbove) {
  BASListView list;
  MakeList(list, 5);
  LVITEMW select{};
  select.state = LVIS_SELECTED | LVIS_FOCUSED;
  select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
  const LPARAM marked = 77;
  list.InsertRow(0, {L"", L"Top", L"0"}, marked);
  EXPECT_EQ(list.RowCount(), 6);
  EXPECT_EQ(list.RowText(0, 1), L"Top");
  EXPECT_EQ(list.RowData(0), marked);
  EXPECT_TRUE(list.IsSelected(3)) << "the selected row moved down with its contents";
  EXPECT_FALSE(list.IsSelected(2));
  EXPECT_EQ(list.FocusedRow(), 3);
  EXPECT_EQ(list.RowText(3, 1), L"Name 2");

  ASSERT_TRUE(list.DeleteRow(0));
  EXPECT_TRUE(list.IsSelected(2));
  EXPECT_EQ(list.FocusedRow(), 2);
  // The selected row itself goes: nothing is selected, the row that moved up is not.
  ASSERT_TRUE(list.DeleteRow(2));
  EXPECT_EQ(list.SelectedCount(), 0);
  EXPECT_EQ(list.RowText(2, 1), L"Name 3");
  // Below the selection nothing moves.
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&select));
  list.DeleteRow(3);
  list.AppendRow({L"", L"Last", L""});
  EXPECT_TRUE(list.IsSelected(0));
  EXPECT_EQ(list.SelectedCount(), 1);
  // The control knows the new count by the time it is asked anything.
  EXPECT_EQ(SendMessageW(list.Hwnd(), LVM_GETITEMCOUNT, 0, 0), 4);
  RECT last{};
  last.left = LVIR_BOUNDS;
  EXPECT_TRUE(SendMessageW(list.Hwnd(), LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&last)));
}

TEST_F(ListViewTest, RowMessagesAreAnsweredFromTheRowsAndOwnersMaySupplyTexts) {
  BASListView list;
  MakeList(list, 0);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = 0;
  item.pszText = const_cast<wchar_t*>(L"zero");
  item.lParam = 42;
  ASSERT_EQ(SendMessageW(list.Hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);
  item.iSubItem = 2;
  item.pszText = const_cast<wchar_t*>(L"555");
  SendMessageW(list.Hwnd(), LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
  EXPECT_EQ(list.RowText(0, 0), L"zero");
  EXPECT_EQ(list.RowText(0, 2), L"555");
  LVITEMW read{};
  read.mask = LVIF_PARAM | LVIF_STATE;
  read.stateMask = LVIS_STATEIMAGEMASK;
  ASSERT_TRUE(SendMessageW(list.Hwnd(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&read)));
  EXPECT_EQ(read.lParam, 42);
  EXPECT_EQ(read.state, BASListView::kStateUnchecked);
  LVITEMW check{};
  check.state = BASListView::kStateChecked;
  check.stateMask = LVIS_STATEIMAGEMASK;
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&check));
  EXPECT_TRUE(list.IsChecked(0));
  EXPECT_EQ(SendMessageW(list.Hwnd(), LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), BASListView::kStateChecked);

  // A row given fewer texts than columns asks its owner for the rest, by its data.
  static const std::wstring kSupplied = L"from the owner";
  list.SetRowTextHook(
      [](const BASListView&, int, int column, LPARAM data, void*) -> const std::wstring* {
        return column == 1 && data == 42 ? &kSupplied : nullptr;
      },
      nullptr);
  CellTexts texts;
  list.SetCellTextHook(RecordCellText, &texts);
  Paint(list.Hwnd());
  EXPECT_EQ(Cell(texts, 0, 1).text, kSupplied);
  wchar_t buffer[32] = L"";
  LVITEMW text{};
  text.iSubItem = 1;
  text.pszText = buffer;
  text.cchTextMax = 32;
  SendMessageW(list.Hwnd(), LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_STREQ(buffer, kSupplied.c_str());

  EXPECT_TRUE(SendMessageW(list.Hwnd(), LVM_DELETEITEM, 0, 0));
  EXPECT_EQ(list.RowCount(), 0);
}

TEST_F(ListViewTest, TheAllCheckedFlagFollowsEveryChangeOfChecksAndRows) {
  BASListView list;
  MakeList(list, 3);
  for (int row = 0; row < 3; ++row) list.SetChecked(row, true);
  EXPECT_EQ(list.AllChecked(), 1);
  list.AppendRow({L"", L"New", L""});
  EXPECT_EQ(list.AllChecked(), 0) << "a new unchecked row";
  list.DeleteRow(3);
  EXPECT_EQ(list.AllChecked(), 1);
  // A click that makes the checks follow a one-row selection.
  LVITEMW select{};
  select.state = LVIS_SELECTED;
  select.stateMask = LVIS_SELECTED;
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&select));
  list.FollowSelection();
  EXPECT_EQ(list.AllChecked(), 0);
  list.DeleteAllRows();
  EXPECT_EQ(list.AllChecked(), 0) << "an empty list is not all checked";
}

TEST_F(ListViewTest, SpaceChecksOrUnchecksTheFocusedRow) {
  BASListView list;
  MakeList(list, 3);
  LVITEMW focus{};
  focus.state = LVIS_FOCUSED | LVIS_SELECTED;
  focus.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
  SendMessageW(list.Hwnd(), LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&focus));
  SendMessageW(list.Hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  SendMessageW(list.Hwnd(), WM_CHAR, L' ', 0);
  SendMessageW(list.Hwnd(), WM_KEYUP, VK_SPACE, 0);
  EXPECT_TRUE(list.IsChecked(1));
  EXPECT_FALSE(list.IsChecked(0));
  SendMessageW(list.Hwnd(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_FALSE(list.IsChecked(1));
}
