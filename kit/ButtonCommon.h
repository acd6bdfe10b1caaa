// Behaviour every owner-drawn button shares: the hover/leave tracking request and the
// disabled look that follows EnableWindow.
#pragma once

#include <windows.h>

namespace buttoncommon {

constexpr DWORD kHoverTimeMs = 10;
constexpr int kNormalState = 0;
constexpr int kDisabledState = 3;

// Asks once for WM_MOUSEHOVER and WM_MOUSELEAVE; `tracking` stays set until they arrive.
inline void RequestHoverAndLeave(HWND hwnd, bool& tracking) {
  if (tracking) return;
  TRACKMOUSEEVENT track{};
  track.cbSize = sizeof track;
  track.dwFlags = TME_HOVER | TME_LEAVE;
  track.hwndTrack = hwnd;
  track.dwHoverTime = kHoverTimeMs;
  tracking = TrackMouseEvent(&track) != FALSE;
}

// WM_ENABLE: disabled from outside looks the same as disabled by the button's own setter.
inline void ApplyEnable(WPARAM enabled, int& state) {
  if (!enabled)
    state = kDisabledState;
  else if (state == kDisabledState)
    state = kNormalState;
}

}  // namespace buttoncommon
