// A message the connection wizard answers about its state, for diagnostics and automated
// checks: wParam names what is asked, the result is the answer.
#pragma once

#include <windows.h>

constexpr UINT kConnectQueryMessage = WM_APP + 0x120;

enum ConnectQuery : WPARAM {
  kQueryPage = 0,              // the page shown, 1 to 13
  kQueryProgressPermille = 1,  // the progress bar, 0 to 1000
  kQueryStepMarks = 2,         // bit 0 detect, bit 1 connect, bit 2 ready
  kQueryAnimationFrame = 3,    // the running animation's frame; -1 when none runs
  kQueryVersionTab = 4,        // the Android-version tab, 0 to 3
  kQueryLastStatus = 5,        // the last status code taken in; -1 before any
};
