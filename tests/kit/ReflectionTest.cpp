#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

class ReflectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        parent.Create(nullptr, L"KitTestParent", L"parent", WS_POPUP | WS_VISIBLE, 0, MakeRect(200, 200, 300, 200)));
  }
  ProbeWindow parent;
};

// A plain control's procedure, wrapped to see whether anything reflected reaches it.
WNDPROC g_plainProc = nullptr;
std::vector<UINT> g_plainReflected;

LRESULT CALLBACK RecordReflected(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg >= kReflectBase && msg < kReflectBase + 0x200) g_plainReflected.push_back(msg);
  return CallWindowProcW(g_plainProc, hwnd, msg, wp, lp);
}

}  // namespace

TEST_F(ReflectionTest, OwnerDrawnButtonDrawsItselfOnThePaintPath) {
  ProbeWindow button;
  DRAWITEMSTRUCT seen{};
  button.onDrawItem = [&](DRAWITEMSTRUCT& item) {
    seen = item;
    PixelCanvas::FillWith(item.hDC, item.rcItem, kRed);
    return true;
  };
  ASSERT_TRUE(button.CreateControl(parent.Hwnd(), L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0,
                                   MakeRect(10, 10, 40, 20), 101));
  InvalidateRect(button.Hwnd(), nullptr, TRUE);
  UpdateWindow(button.Hwnd());
  EXPECT_EQ(seen.hwndItem, button.Hwnd());
  EXPECT_EQ(seen.CtlID, 101u);
  EXPECT_EQ(seen.CtlType, static_cast<UINT>(ODT_BUTTON));
  ClientDc dc(button.Hwnd());
  EXPECT_EQ(GetPixel(dc, 20, 10), kRed);
}

TEST_F(ReflectionTest, CommandGoesToTheParentFirstThenToTheControl) {
  ProbeWindow button;
  std::vector<int> reflectedCodes;
  button.onReflectedCommand = [&](int code) {
    reflectedCodes.push_back(code);
    return true;
  };
  ASSERT_TRUE(
      button.CreateControl(parent.Hwnd(), L"BUTTON", L"b", WS_CHILD | WS_VISIBLE, 0, MakeRect(10, 10, 40, 20), 102));
  std::vector<int> parentIds;
  bool parentTakes = false;
  parent.onCommand = [&](int id, int, HWND) {
    parentIds.push_back(id);
    return parentTakes;
  };

  SendMessageW(button.Hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(parentIds, std::vector<int>{102});
  EXPECT_EQ(reflectedCodes, std::vector<int>{BN_CLICKED});

  parentTakes = true;
  SendMessageW(button.Hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(parentIds.size(), 2u);
  EXPECT_EQ(reflectedCodes.size(), 1u);

  // A menu command names no child and reflects nowhere.
  parentTakes = false;
  SendMessageW(parent.Hwnd(), WM_COMMAND, MAKEWPARAM(500, 0), 0);
  EXPECT_EQ(reflectedCodes.size(), 1u);
}

TEST_F(ReflectionTest, NotifyAndColorAnswersComeBackFromTheControl) {
  ProbeWindow label;
  GdiBrush labelBrush(CreateSolidBrush(kRed));
  bool labelColors = true;
  label.onReflectedNotify = [&](NMHDR* header, LRESULT& result) {
    if (header->code != NM_CLICK) return false;
    result = 42;
    return true;
  };
  label.handleMessage = [&](UINT msg, WPARAM, LPARAM, bool& handled) -> LRESULT {
    handled = labelColors && msg == kReflectBase + WM_CTLCOLORSTATIC;
    return handled ? reinterpret_cast<LRESULT>(labelBrush.Get()) : 0;
  };
  ASSERT_TRUE(
      label.CreateControl(parent.Hwnd(), L"STATIC", L"s", WS_CHILD | WS_VISIBLE, 0, MakeRect(10, 40, 60, 20), 103));

  NMHDR click{label.Hwnd(), 103, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(SendMessageW(parent.Hwnd(), WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&click)), 42);
  NMHDR other{label.Hwnd(), 103, static_cast<UINT>(NM_RCLICK)};
  EXPECT_EQ(SendMessageW(parent.Hwnd(), WM_NOTIFY, 103, reinterpret_cast<LPARAM>(&other)), 0);

  ClientDc dc(label.Hwnd());
  const auto colorAnswer = [&] {
    return SendMessageW(parent.Hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.Get()),
                        reinterpret_cast<LPARAM>(label.Hwnd()));
  };
  EXPECT_EQ(colorAnswer(), reinterpret_cast<LRESULT>(labelBrush.Get()));
  // Unhandled, the control still gets the system's colours, not a null brush.
  labelColors = false;
  EXPECT_NE(colorAnswer(), 0);
  EXPECT_NE(colorAnswer(), reinterpret_cast<LRESULT>(labelBrush.Get()));
}

TEST_F(ReflectionTest, PlainControlsNeverReceiveReflectedMessages) {
  const HWND plain = CreateWindowExW(0, L"BUTTON", L"plain", WS_CHILD | WS_VISIBLE, 10, 70, 60, 20, parent.Hwnd(),
                                     reinterpret_cast<HMENU>(104), nullptr, nullptr);
  ASSERT_TRUE(plain);
  g_plainReflected.clear();
  g_plainProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(plain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordReflected)));
  SendMessageW(plain, BM_CLICK, 0, 0);
  ClientDc dc(plain);
  SendMessageW(parent.Hwnd(), WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc.Get()), reinterpret_cast<LPARAM>(plain));
  EXPECT_TRUE(g_plainReflected.empty());
  SetWindowLongPtrW(plain, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_plainProc));
}

TEST_F(ReflectionTest, ControlMeasuresItsItemsWhileItIsBeingCreated) {
  ProbeWindow combo;
  int measures = 0;
  combo.onMeasureItem = [&](MEASUREITEMSTRUCT& item) {
    ++measures;
    item.itemHeight = 31;
    return true;
  };
  ASSERT_TRUE(combo.CreateControl(parent.Hwnd(), L"COMBOBOX", L"",
                                  WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, 0,
                                  MakeRect(10, 100, 120, 200), 105));
  EXPECT_GE(measures, 1);
  EXPECT_EQ(SendMessageW(combo.Hwnd(), CB_GETITEMHEIGHT, 0, 0), 31);
}

TEST_F(ReflectionTest, SubclassedListKeepsItsHeaderNotificationsAndGetsItsOwn) {
  ProbeWindow list;
  std::vector<UINT> listNotices;
  list.onReflectedNotify = [&](NMHDR* header, LRESULT&) {
    listNotices.push_back(header->code);
    return header->code == LVN_COLUMNCLICK;
  };
  ASSERT_TRUE(list.CreateControl(parent.Hwnd(), WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0,
                                 MakeRect(0, 0, 300, 150), 106));
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = 100;
  column.pszText = const_cast<wchar_t*>(L"first");
  ASSERT_EQ(SendMessageW(list.Hwnd(), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column)), 0);
  column.pszText = const_cast<wchar_t*>(L"second");
  ASSERT_EQ(SendMessageW(list.Hwnd(), LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column)), 1);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(L"row");
  ASSERT_EQ(SendMessageW(list.Hwnd(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)), 0);

  ProbeWindow header;
  header.paints = true;
  header.onPaint = [](HDC dc, const RECT& client) { PixelCanvas::FillWith(dc, client, kRed); };
  const HWND headerHwnd = reinterpret_cast<HWND>(SendMessageW(list.Hwnd(), LVM_GETHEADER, 0, 0));
  ASSERT_TRUE(header.Subclass(headerHwnd));

  // The header's change notices must still reach the list's own procedure.
  HDITEMW width{};
  width.mask = HDI_WIDTH;
  width.cxy = 150;
  ASSERT_TRUE(SendMessageW(headerHwnd, HDM_SETITEMW, 0, reinterpret_cast<LPARAM>(&width)));
  RECT subItem{};
  subItem.top = 1;
  subItem.left = LVIR_BOUNDS;
  ASSERT_TRUE(SendMessageW(list.Hwnd(), LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&subItem)));
  EXPECT_EQ(subItem.left, 150);

  // A click on a column title comes back to the list as its own notification.
  RECT title{};
  SendMessageW(headerHwnd, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&title));
  const LPARAM at = MAKELPARAM(title.left + 20, (title.top + title.bottom) / 2);
  SendMessageW(headerHwnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageW(headerHwnd, WM_LBUTTONUP, 0, at);
  EXPECT_NE(std::find(listNotices.begin(), listNotices.end(), static_cast<UINT>(LVN_COLUMNCLICK)), listNotices.end());

  // The header paints itself through the same buffered path.
  PixelCanvas canvas(300, 30, RGB(255, 255, 255));
  SendMessageW(headerHwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  EXPECT_EQ(canvas.Pixel(5, 5), kRed);
}
