// Work that the device service's threads hand to the user-interface thread. A handler on a
// worker thread posts the name (a heap copy) and either a heap copy of the record or one
// integer to the main view; the router finishes the work and frees both.
#pragma once

#include <windows.h>

#include "contracts/CommandRecord.h"

// Posts `name` with an integer; false (and nothing left to free) when no view exists.
bool PostToRouter(const char* name, LPARAM integer);
// Posts `name` with a heap copy of `record`.
bool PostRecordToRouter(const char* name, const CommandRecord& record);

// The main view's handler of the pane message; takes ownership of `name` and of the record
// copy for the names that carry one.
void RouteOnUiThread(char* name, LPARAM param);
