// The task list's tasks without a window: the latest report of every task, newest first, with
// the texts of their rows, and the tasks a search keeps.
#pragma once

#include "contracts/TaskRecords.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct TaskRow {
  TaskEntry task;
  std::vector<std::wstring> texts;  // phone, task, progress, state, details
};

class TaskBook {
 public:
  // Takes a report: a new task goes to the top (`added` set), a known one is brought up to
  // date. The row that holds it; rows keep their address for as long as the book holds them.
  TaskRow* Apply(const TaskEntry& report, bool& added);
  // Forgets the tasks that have ended; the running ones stay.
  void ClearEnded();
  void Clear() { m_rows.clear(); }

  size_t Size() const { return m_rows.size(); }
  TaskRow* At(size_t index) const { return m_rows[index].get(); }
  // The rows whose lower-cased texts contain `lowered` (already lower-cased), newest first.
  std::vector<TaskRow*> Matching(const std::wstring& lowered) const;

  static bool RowMatches(const TaskRow& row, const std::wstring& lowered);
  static std::wstring ProgressText(const TaskEntry& task);
  static std::wstring StateText(const TaskEntry& task);

 private:
  static void MakeTexts(TaskRow& row);

  std::vector<std::unique_ptr<TaskRow>> m_rows;  // newest first
};
