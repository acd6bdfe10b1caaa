// The host's side of crash reporting: where the dump goes, what the report adds, what
// the user is told, and tidying the log folder at exit.
#pragma once

#include <string>

// Builds %TEMP%\<product>\Log\<pid>\<timestamp>.dmp, creating the folder; fills the
// host state's dump path and log folder.
void PrepareCrashDumpPath();
void RegisterCrashCallbacks();
// Removes the per-process log folder when it holds nothing but dot entries.
void RemoveEmptyLogFolder(const std::wstring& folder);
// "Crash.json": {"Product":..., "Version":..., "System":...}
std::string BuildCrashJson(const std::string& system);
