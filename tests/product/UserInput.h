// The real mouse and keyboard of the virtual display, driven with xdotool as a person would:
// every press passes the hit tests, capture, activation and z-order of the program's windows.
// With the prefix's unmanaged X windows a window's screen rectangle is its place on the display.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace usertest {

// Runs a Unix shell command (no double quotes in it) and waits until it is done.
bool RunUnix(const std::string& command);
// Starts a Unix command in the background; it must redirect its own input and output.
bool RunUnixDetached(const std::string& command);
// Runs `xdotool ARGS` on the display and waits until it is done.
bool Xdotool(const std::string& args);
bool Click(POINT at);
bool Drag(POINT from, POINT to);
bool Key(const char* name);
bool Wheel(POINT at, bool down, int notches);
// A screenshot of the whole display, saved for a person to look at in the "screenshots" folder
// beside the test program.
bool Screenshot(const std::wstring& name);
// Takes a screenshot under `name` as Screenshot does and reads the QR code on it with zbarimg:
// the code's text, or empty when there is none.
std::string DecodeQrOnScreen(const std::wstring& name);

// The display's pixels of a screen rectangle, 0x00RRGGBB, top row first.
std::vector<uint32_t> ScreenPixels(const RECT& rect);
POINT CentreOf(const RECT& rect);

}  // namespace usertest
