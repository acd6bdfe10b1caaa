// Real mouse and keyboard input for window tests. Run under tests/harness/xinput-driver.sh, each
// click is made by xdotool on the virtual display, as a person's would be, and reaches Wine
// through the X server; run on its own, and for keys, input goes through SendInput. Either way
// it takes the system's input path: hit tests, capture, activation and focus.
#pragma once

#include <windows.h>

namespace xinput {

// Whether xdotool makes the input (the driver is running).
bool Driven();
// A left click at a screen point; the caller pumps its messages afterwards.
void Click(POINT screen);
// One key press and release: `xName` as xdotool names it ("Down"), `vk` for SendInput (used).
void Key(const char* xName, WORD vk);
// Wheel notches at a screen point: positive away from the user (up), negative towards.
void Wheel(POINT screen, int notches);
// Types text through the keyboard path, one character after another (SendInput, as Key).
void Type(const wchar_t* text);

}  // namespace xinput
