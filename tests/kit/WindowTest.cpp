#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);

bool CreatePopup(ProbeWindow& window, const RECT& rect, DWORD extraStyle = 0) {
  return window.Create(nullptr, L"KitTestPopup", L"kit test", WS_POPUP | WS_CLIPCHILDREN | extraStyle, 0, rect);
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[64] = {};
  GetWindowTextW(hwnd, text, 64);
  return text;
}

}  // namespace

TEST(WindowBinding, BindsAtCreationAndUnbindsBeforeTheFinalMessage) {
  ProbeWindow window;
  HWND hwndInCreate = nullptr;
  BASWindow* boundInCreate = nullptr;
  window.onCreate = [&](CREATESTRUCTW*) {
    hwndInCreate = window.Hwnd();
    boundInCreate = BASWindow::FromHandle(window.Hwnd());
    return true;
  };
  std::vector<std::string> events;
  HWND hwndInDestroy = nullptr;
  window.onDestroy = [&] {
    events.push_back("destroy");
    hwndInDestroy = window.Hwnd();
  };
  LONG_PTR userDataAtFinal = -1;
  BASWindow* boundAtFinal = &window;
  HWND finalHwnd = nullptr;
  window.onFinal = [&](HWND hwnd) {
    events.push_back("final");
    finalHwnd = hwnd;
    userDataAtFinal = GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    boundAtFinal = BASWindow::FromHandle(hwnd);
  };

  ASSERT_TRUE(CreatePopup(window, MakeRect(0, 0, 50, 40)));
  const HWND hwnd = window.Hwnd();
  ASSERT_TRUE(IsWindow(hwnd));
  EXPECT_EQ(hwndInCreate, hwnd);
  EXPECT_EQ(boundInCreate, &window);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&window));
  EXPECT_EQ(BASWindow::FromHandle(hwnd), &window);
  EXPECT_EQ(reinterpret_cast<HINSTANCE>(GetClassLongPtrW(hwnd, GCLP_HMODULE)), GetModuleHandleW(nullptr));

  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_EQ(events, (std::vector<std::string>{"destroy", "final"}));
  EXPECT_EQ(hwndInDestroy, hwnd);
  EXPECT_EQ(finalHwnd, hwnd);
  EXPECT_EQ(userDataAtFinal, 0);
  EXPECT_EQ(boundAtFinal, nullptr);
  EXPECT_EQ(window.Hwnd(), nullptr);

  // The same object can make a new window afterwards.
  ASSERT_TRUE(CreatePopup(window, MakeRect(0, 0, 50, 40)));
  EXPECT_NE(window.Hwnd(), nullptr);
  window.Destroy();
  EXPECT_EQ(window.Hwnd(), nullptr);
}

TEST(WindowBinding, SubclassedControlKeepsItsOwnUserDataAndIsGivenBack) {
  ProbeWindow parent;
  ASSERT_TRUE(CreatePopup(parent, MakeRect(0, 0, 200, 100)));
  const HWND edit = CreateWindowExW(0, L"EDIT", L"before", WS_CHILD, 0, 0, 100, 20, parent.Hwnd(),
                                    reinterpret_cast<HMENU>(5), nullptr, nullptr);
  ASSERT_TRUE(edit);
  SetWindowLongPtrW(edit, GWLP_USERDATA, 0x1234);
  {
    ProbeWindow control;
    int setTexts = 0;
    control.handleMessage = [&](UINT msg, WPARAM, LPARAM, bool& handled) {
      setTexts += msg == WM_SETTEXT;
      handled = false;
      return LRESULT(0);
    };
    ASSERT_TRUE(control.Subclass(edit));
    EXPECT_TRUE(control.IsSubclassed());
    EXPECT_EQ(BASWindow::FromHandle(edit), &control);
    EXPECT_FALSE(ProbeWindow().Subclass(edit));  // one object per window
    SetWindowTextW(edit, L"during");
    EXPECT_EQ(setTexts, 1);
    EXPECT_EQ(TextOf(edit), L"during");  // the edit's own procedure still ran
  }
  // The object is gone, the control lives on with its own procedure and data.
  ASSERT_TRUE(IsWindow(edit));
  EXPECT_EQ(BASWindow::FromHandle(edit), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(edit, GWLP_USERDATA), 0x1234);
  SetWindowTextW(edit, L"after");
  EXPECT_EQ(TextOf(edit), L"after");
}

TEST(WindowBinding, ObjectDestroysTheWindowsItCreated) {
  ProbeWindow parent;
  ASSERT_TRUE(CreatePopup(parent, MakeRect(0, 0, 200, 100)));
  HWND popup = nullptr;
  HWND control = nullptr;
  {
    ProbeWindow window, button;
    ASSERT_TRUE(CreatePopup(window, MakeRect(0, 0, 20, 20)));
    ASSERT_TRUE(button.CreateControl(parent.Hwnd(), L"BUTTON", L"b", WS_CHILD, 0, MakeRect(0, 0, 20, 20), 9));
    popup = window.Hwnd();
    control = button.Hwnd();
  }
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_FALSE(IsWindow(control));
}

TEST(WindowBinding, HandlerMayDestroyItsOwnWindow) {
  ProbeWindow window;
  int finals = 0;
  window.onFinal = [&](HWND) { ++finals; };
  window.onLButtonDown = [&](int, int, UINT) {
    DestroyWindow(window.Hwnd());
    return true;
  };
  ASSERT_TRUE(CreatePopup(window, MakeRect(0, 0, 20, 20)));
  const HWND hwnd = window.Hwnd();
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(finals, 1);
  EXPECT_EQ(window.Hwnd(), nullptr);
}

TEST(WindowSize, OnSizeReceivesTheClientSize) {
  ProbeWindow parent;
  ASSERT_TRUE(CreatePopup(parent, MakeRect(0, 0, 400, 300)));

  ProbeWindow child;
  std::pair<int, int> childSize{-1, -1};
  child.onSize = [&](int cx, int cy) { childSize = {cx, cy}; };
  ASSERT_TRUE(child.Create(parent.Hwnd(), L"KitTestChild", L"", WS_CHILD | WS_BORDER, 0, MakeRect(0, 0, 50, 50), 7));
  SetWindowPos(child.Hwnd(), nullptr, 0, 0, 200, 120, SWP_NOMOVE | SWP_NOZORDER);
  RECT client{};
  GetClientRect(child.Hwnd(), &client);
  EXPECT_EQ(client.right, 198);  // inside the one-pixel border
  EXPECT_EQ(childSize, std::make_pair(int(client.right), int(client.bottom)));

  // A control has laid itself out by the time OnSize runs.
  ProbeWindow list;
  std::pair<int, int> listSize{-1, -1};
  RECT listClientInOnSize{};
  list.onSize = [&](int cx, int cy) {
    listSize = {cx, cy};
    GetClientRect(list.Hwnd(), &listClientInOnSize);
  };
  ASSERT_TRUE(
      list.CreateControl(parent.Hwnd(), WC_LISTVIEWW, L"", WS_CHILD | LVS_REPORT, 0, MakeRect(0, 0, 50, 50), 8));
  SetWindowPos(list.Hwnd(), nullptr, 0, 0, 150, 90, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(listSize, std::make_pair(150, 90));
  EXPECT_EQ(listClientInOnSize.right, 150);
}

TEST(WindowExceptions, ExceptionInAHandlerIsContainedAndTheWindowLivesOn) {
  ProbeWindow window;
  int calls = 0;
  window.onLButtonDown = [&](int, int, UINT) -> bool {
    ++calls;
    if (calls == 1) throw std::runtime_error("handler failed");
    if (calls == 2) throw 42;
    return true;
  };
  ASSERT_TRUE(CreatePopup(window, MakeRect(0, 0, 20, 20)));
  EXPECT_EQ(SendMessageW(window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)), 0);
  EXPECT_EQ(SendMessageW(window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1)), 0);
  EXPECT_TRUE(IsWindow(window.Hwnd()));
  SendMessageW(window.Hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 1));
  EXPECT_EQ(calls, 3);

  // A failing OnFinalMessage is contained too.
  window.onFinal = [](HWND) { throw std::runtime_error("final failed"); };
  window.Destroy();
  EXPECT_EQ(window.Hwnd(), nullptr);
}

TEST(WindowExceptions, OnCreateThatThrowsOrRefusesFailsTheCreation) {
  ProbeWindow throwing;
  bool finalSeen = false;
  throwing.onCreate = [](CREATESTRUCTW*) -> bool { throw std::runtime_error("create failed"); };
  throwing.onFinal = [&](HWND) { finalSeen = true; };
  EXPECT_FALSE(CreatePopup(throwing, MakeRect(0, 0, 20, 20)));
  EXPECT_EQ(throwing.Hwnd(), nullptr);
  EXPECT_TRUE(finalSeen);

  ProbeWindow refusing;
  refusing.onCreate = [](CREATESTRUCTW*) { return false; };
  EXPECT_FALSE(CreatePopup(refusing, MakeRect(0, 0, 20, 20)));
  EXPECT_EQ(refusing.Hwnd(), nullptr);
}

TEST(WindowExceptions, ControlStillGetsItsDefaultWhenAHandlerThrows) {
  ProbeWindow parent;
  ASSERT_TRUE(CreatePopup(parent, MakeRect(0, 0, 200, 100)));
  ProbeWindow edit;
  edit.handleMessage = [](UINT msg, WPARAM, LPARAM, bool& handled) -> LRESULT {
    if (msg == WM_SETTEXT) throw std::runtime_error("settext failed");
    handled = false;
    return 0;
  };
  ASSERT_TRUE(edit.CreateControl(parent.Hwnd(), L"EDIT", L"", WS_CHILD, 0, MakeRect(0, 0, 100, 20), 3));
  EXPECT_TRUE(SetWindowTextW(edit.Hwnd(), L"kept"));
  EXPECT_EQ(TextOf(edit.Hwnd()), L"kept");
}

TEST(WindowPaint, PrintClientAndPaintWithADcDrawWhatOnPaintDraws) {
  ProbeWindow window;
  RECT paintedClient{};
  window.onPaint = [&](HDC dc, const RECT& client) {
    paintedClient = client;
    PixelCanvas::FillWith(dc, client, kRed);
    PixelCanvas::FillWith(dc, MakeRect(5, 5, 10, 10), kBlue);
  };
  ASSERT_TRUE(CreatePopup(window, MakeRect(0, 0, 40, 30)));

  PixelCanvas canvas(40, 30, kWhite);
  ASSERT_TRUE(canvas.Ok());
  SendMessageW(window.Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
  EXPECT_EQ(canvas.Pixel(2, 2), kRed);
  EXPECT_EQ(canvas.Pixel(7, 7), kBlue);
  EXPECT_EQ(canvas.Pixel(39, 29), kRed);
  EXPECT_EQ(paintedClient.right, 40);
  EXPECT_EQ(paintedClient.bottom, 30);

  canvas.Fill(MakeRect(0, 0, 40, 30), kWhite);
  SendMessageW(window.Hwnd(), WM_PAINT, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
  EXPECT_EQ(canvas.Pixel(2, 2), kRed);
}

TEST(WindowPaint, EraseIsSuppressedOnlyForWindowsThatPaintThemselves) {
  ASSERT_TRUE(BASWindow::RegisterWindowClass(L"KitTestWhite", CS_HREDRAW | CS_VREDRAW,
                                             static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
  ProbeWindow window;
  ASSERT_TRUE(window.Create(nullptr, L"KitTestWhite", L"", WS_POPUP, 0, MakeRect(0, 0, 20, 20)));
  PixelCanvas canvas(20, 20, kGreen);
  EXPECT_EQ(SendMessageW(window.Hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0), 1);
  EXPECT_EQ(canvas.Pixel(5, 5), kGreen);

  window.paints = false;
  SendMessageW(window.Hwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0);
  EXPECT_EQ(canvas.Pixel(5, 5), kWhite);
}

TEST(WindowPaint, WmPaintPutsOnPaintsPixelsOnTheScreen) {
  ProbeWindow window;
  int paints = 0;
  window.onPaint = [&](HDC dc, const RECT& client) {
    ++paints;
    PixelCanvas::FillWith(dc, client, kRed);
    PixelCanvas::FillWith(dc, MakeRect(0, 0, 8, 8), kBlue);
  };
  ASSERT_TRUE(CreatePopup(window, MakeRect(30, 30, 80, 60), WS_VISIBLE));
  UpdateWindow(window.Hwnd());
  EXPECT_GE(paints, 1);
  ClientDc dc(window.Hwnd());
  ASSERT_TRUE(dc);
  EXPECT_EQ(GetPixel(dc, 40, 30), kRed);
  EXPECT_EQ(GetPixel(dc, 3, 3), kBlue);
  // Validated: no second paint is pending.
  EXPECT_FALSE(GetUpdateRect(window.Hwnd(), nullptr, FALSE));
}
