// Answering a pop-up menu from inside its own modal loop (a timer of the test): find the menu
// window of this process and press keys in it.
#pragma once

#include <windows.h>

namespace menukeys {

// The visible pop-up menu window of this process, or null.
inline HWND VisibleMenuWindow() {
  for (HWND menu = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); menu;
       menu = FindWindowExW(nullptr, menu, L"#32768", nullptr)) {
    DWORD process = 0;
    GetWindowThreadProcessId(menu, &process);
    if (IsWindowVisible(menu) && process == GetCurrentProcessId()) return menu;
  }
  return nullptr;
}

inline void PostKey(HWND menu, WPARAM key) {
  PostMessageW(menu, WM_KEYDOWN, key, 0);
  PostMessageW(menu, WM_KEYUP, key, 0xC0000000);
}

}  // namespace menukeys
