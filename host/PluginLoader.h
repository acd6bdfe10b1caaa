// Loads every plug-in of the plug-ins folder: each sub-folder NAME holds the library
// "lib" + NAME + ".dll" (plugins\Caption\libCaption.dll).
#pragma once

#include "contracts/CommandRecord.h"

class CommandBus;

// Returns the number of modules whose RegisterModule ran. A folder without a loadable
// library or without RegisterModule is skipped after its log line.
int LoadAllPlugins(CommandBus& bus, ImageCache* imageCache);
