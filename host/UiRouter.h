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

// The main view's handler of the pane message: a message that carries a name is routed at
// once, one without wakes the queue that PostToRouter fills.
void HandleRouterMessage(WPARAM wp, LPARAM lp);
// Routes one posted name; takes ownership of `name` and of the record copy for the names that
// carry one.
void RouteOnUiThread(char* name, LPARAM param);
