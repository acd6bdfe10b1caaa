// A modal alert with one button, owned by `owner`.
#pragma once

#include <windows.h>

#include <string>

void ShowAlert(HWND owner, const std::wstring& text, int width, int height, const wchar_t* button);
