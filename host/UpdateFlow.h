// The update check and download as the user sees them: the automatic check's quiet answer, the
// manual check's alerts, the list of newer versions, the download with its progress, and at the
// end the installer the device service verified, started as the program closes.
#pragma once

#include <windows.h>

#include <string>

#include "contracts/CommandPayloads.h"

class CommandBus;

void FillUpdateHandlers(CommandBus& bus);
// The router's part: true when `name` was an update notice (then `param` was used and the
// record copy's heap contents released; the router frees the copy itself).
bool RouteUpdateNotice(const char* name, LPARAM param);

// What the list dialog shows of `versions`: "Version: " + version, each note on its own line,
// a blank line between versions.
std::wstring UpdateNotesText(const VersionList& versions);
// "runas" when the Windows major version is above 5 or unknown (0), none for older systems.
const wchar_t* InstallerVerb(DWORD windowsMajor);
// The manual-check flag, for tests that replay a run.
bool IsManualUpdateCheck();
void ResetUpdateFlowForTests();
