// The host's alerts: modal UiAlertDialogs with the three dialog images of the image cache.
#pragma once

#include <windows.h>

#include <string>

// One button (`button`, or "OK" when null); width x height pixels, centred over `owner`'s
// top-level window. Answers 5051 when the button was pressed, 5052 when the alert was closed.
int ShowAlert(HWND owner, const std::wstring& text, int width, int height, const wchar_t* button);
// A question with OK and Cancel: true only for OK.
bool ShowConfirm(HWND owner, const std::wstring& text, int width, int height);
