// The navigator's colours: "url" settings keys and the built-in colours used without them.
#pragma once

#include <windows.h>

constexpr char kSectionBackgroundKey[] = "color:section:background";
constexpr COLORREF kSectionBackgroundDefault = RGB(0xF4, 0xF7, 0xF6);
constexpr char kSectionSelectedKey[] = "color:section:selected";
constexpr COLORREF kSectionSelectedDefault = RGB(0xD9, 0xF0, 0xE4);
constexpr COLORREF kSectionTextColor = RGB(0, 0, 0);
constexpr COLORREF kSectionSelectedTextColor = RGB(0, 0, 0);

// A "#RRGGBB" colour of the "url" settings, or `fallback` when the store, the key or a
// well-formed value is missing (GetRGB alone would answer black for all of those).
COLORREF SectionColor(const char* key, COLORREF fallback);
