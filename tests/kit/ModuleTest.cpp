#include "kit/BASWindow.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

extern "C" __declspec(dllimport) HWND ProbeModuleCreateWindow(HWND parent);
extern "C" __declspec(dllimport) int ProbeModuleReflectedCommands();
extern "C" __declspec(dllimport) void ProbeModuleDestroyWindow();

TEST(WindowModules, EachModuleRegistersAndOwnsItsOwnClasses) {
  ProbeWindow parent;
  ASSERT_TRUE(parent.Create(nullptr, L"KitTestPopup", L"", WS_POPUP, 0, MakeRect(0, 0, 100, 100)));
  const HWND child = ProbeModuleCreateWindow(parent.Hwnd());
  ASSERT_TRUE(child);
  const HMODULE dll = GetModuleHandleW(L"kit_probe_module.dll");
  ASSERT_TRUE(dll);
  EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrW(child, GCLP_HMODULE)), dll);
  // The object lives in the other module: this module's base must not hand it out.
  EXPECT_EQ(BASWindow::FromHandle(child), nullptr);

  // The same class name is free for this module, with its own procedure.
  ProbeWindow local;
  ASSERT_TRUE(local.Create(parent.Hwnd(), L"KitProbeWindow", L"", WS_CHILD, 0, MakeRect(0, 0, 10, 10), 78));
  EXPECT_EQ(reinterpret_cast<HMODULE>(GetClassLongPtrW(local.Hwnd(), GCLP_HMODULE)), GetModuleHandleW(nullptr));
  EXPECT_EQ(BASWindow::FromHandle(local.Hwnd()), &local);

  // Reflection crosses the module edge as a message.
  SendMessageW(parent.Hwnd(), WM_COMMAND, MAKEWPARAM(77, BN_CLICKED), reinterpret_cast<LPARAM>(child));
  EXPECT_EQ(ProbeModuleReflectedCommands(), 1);
  ProbeModuleDestroyWindow();
  EXPECT_FALSE(IsWindow(child));
}
