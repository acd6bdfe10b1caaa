// The task list written out for a person (EXPORT_TASK): one CSV file of the checked tasks, for a
// spreadsheet or a support request.
#pragma once

#include <filesystem>
#include <string>

#include "contracts/TaskRecords.h"

// UTF-8 with a byte-order mark (so spreadsheet programs take it as UTF-8), a header line, then
// one line per task; fields that hold a comma, quote or line break are quoted.
std::string TaskListCsv(const TaskEntryList& tasks);

// Writes the list into `folder` under a free "Tasks.csv" name, never over a file. The file
// written, or empty with `error` (for a person) when it could not be.
std::filesystem::path WriteTaskList(const TaskEntryList& tasks, const std::wstring& folder, std::wstring& error);
