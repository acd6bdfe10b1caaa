// What both title bar windows read and reach: the "url" settings, the host bus and the top-level
// window they belong to.
#pragma once

#include <windows.h>

#include <cstdint>

namespace Gdiplus {
class Bitmap;
}

// A "#RRGGBB" colour of the "url" settings, or the fallback when the store, the key or a
// well-formed value is missing (GetRGB alone would answer black for all of those).
COLORREF UrlColor(const char* key, COLORREF fallback);
// UTF-8 text of the "url" settings; "" when missing.
const char* UrlString(const char* key);
int UrlInt(const char* key);
// Opens the address stored under `key`; false when there is none.
bool OpenUrlSetting(const char* key);

// Posts `name` to the host in a zeroed record with `value`.
void PostCommandToHost(const char* name, int64_t value = 0);
// An image of the host image cache, or null (drawn as nothing).
Gdiplus::Bitmap* CaptionImage(const char* path);

// The window a move, minimise or close is meant for: parents of child windows, then owners,
// up to the first window that has neither.
HWND TopLevelOwnerOf(HWND hwnd);
