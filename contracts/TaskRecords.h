// One long operation of a phone as the task list shows it. The device service reports a task
// when it starts, as it goes and when it ends (LOG_TASK, `payload` = a TaskEntry that lives only
// for the call: receivers copy it); the task list hands the checked ones back for an export of
// the list (EXPORT_TASK, `data` = a TaskEntryList that lives only for the call).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TaskState : int32_t {
  kTaskRunning = 0,
  kTaskFinished = 1,
  kTaskFailed = 2,  // ended with failures, or the phone went
  kTaskCancelled = 3,
};

struct TaskEntry {
  int64_t taskId = 0;
  int32_t state = kTaskRunning;
  int64_t position = 0;
  int64_t total = 0;
  int64_t failed = 0;
  std::wstring identifier;  // the phone's
  std::wstring phone;       // its display name
  std::wstring title;       // "Export contacts", ...
  std::wstring folder;      // where an export wrote, for "Open Folder"; empty otherwise
  std::wstring message;     // the last progress text
};

typedef std::vector<TaskEntry> TaskEntryList;
