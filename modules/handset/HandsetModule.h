// libHandset's link to the host (kept by RegisterModule) and the "url" settings its windows read.
#pragma once

#include <windows.h>

#include <cstdint>

#include "contracts/CommandRecord.h"

// Null before RegisterModule ran.
const ModuleRecord* HandsetModuleRecord();
// Posts a command to the host handler of `name`; dropped without a bus.
void PostToHandsetHost(const char* name, CommandRecord& record);

// A "#RRGGBB" colour of the "url" settings, or the fallback when the store, the key or a
// well-formed value is missing (GetRGB alone would answer black for all of those).
COLORREF UrlColor(const char* key, COLORREF fallback);
// UTF-8 text of the "url" settings; "" when missing.
const char* UrlString(const char* key);
