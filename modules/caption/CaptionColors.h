// The title bar's colours: "url" settings keys and the built-in colours used without them.
#pragma once

#include <windows.h>

constexpr char kTitleBackgroundKey[] = "color:title:background";
constexpr COLORREF kTitleBackgroundDefault = RGB(30, 158, 99);
constexpr char kTitleBackgroundPartKey[] = "color:title:background:part";
constexpr COLORREF kTitleBackgroundPartDefault = RGB(24, 132, 82);
constexpr char kTitleFontKey[] = "color:font:title";
constexpr COLORREF kTitleFontDefault = RGB(255, 255, 255);
constexpr char kCategoryBackgroundKey[] = "color:title:category:background";
constexpr COLORREF kCategoryBackgroundDefault = RGB(255, 255, 255);
constexpr char kSeparatorLeftKey[] = "color:title:sep:left";
constexpr COLORREF kSeparatorLeftDefault = RGB(21, 115, 72);
constexpr char kSeparatorRightKey[] = "color:title:sep:right";
constexpr COLORREF kSeparatorRightDefault = RGB(75, 185, 134);
