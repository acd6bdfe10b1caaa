#include "modules/jobs/TaskBook.h"

#include "kit/SearchText.h"

#include <algorithm>

TaskRow* TaskBook::Apply(const TaskEntry& report, bool& added) {
  auto it = std::find_if(m_rows.begin(), m_rows.end(),
                         [&](const std::unique_ptr<TaskRow>& row) { return row->task.taskId == report.taskId; });
  added = it == m_rows.end();
  if (added) {
    auto row = std::make_unique<TaskRow>();
    row->task = report;
    MakeTexts(*row);
    m_rows.insert(m_rows.begin(), std::move(row));
    return m_rows.front().get();
  }
  TaskRow& row = **it;
  // Reports travel on other threads: one of a running task that arrives after its end
  // changes nothing.
  if (row.task.state != kTaskRunning && report.state == kTaskRunning) return &row;
  const std::wstring phone = row.task.phone;
  row.task = report;
  if (row.task.phone.empty()) row.task.phone = phone;
  MakeTexts(row);
  return &row;
}

void TaskBook::ClearEnded() {
  m_rows.erase(std::remove_if(m_rows.begin(), m_rows.end(),
                              [](const std::unique_ptr<TaskRow>& row) { return row->task.state != kTaskRunning; }),
               m_rows.end());
}

std::vector<TaskRow*> TaskBook::Matching(const std::wstring& lowered) const {
  std::vector<TaskRow*> found;
  for (const std::unique_ptr<TaskRow>& row : m_rows)
    if (RowMatches(*row, lowered)) found.push_back(row.get());
  return found;
}

bool TaskBook::RowMatches(const TaskRow& row, const std::wstring& lowered) {
  if (lowered.empty()) return true;
  for (const std::wstring& text : row.texts)
    if (LowerCased(text).find(lowered) != std::wstring::npos) return true;
  return false;
}

std::wstring TaskBook::ProgressText(const TaskEntry& task) {
  if (task.total > 0) {
    const int64_t done = std::clamp<int64_t>(task.position, 0, task.total);
    return std::to_wstring(done) + L" of " + std::to_wstring(task.total) + L" (" +
           std::to_wstring(done * 100 / task.total) + L"%)";
  }
  return task.position > 0 ? std::to_wstring(task.position) : std::wstring();
}

std::wstring TaskBook::StateText(const TaskEntry& task) {
  switch (task.state) {
    case kTaskRunning:
      return L"Running";
    case kTaskFinished:
      return L"Finished";
    case kTaskFailed:
      return task.failed > 0 ? L"Failed (" + std::to_wstring(task.failed) + L")" : L"Failed";
    case kTaskCancelled:
      return L"Cancelled";
    default:
      return std::wstring();
  }
}

void TaskBook::MakeTexts(TaskRow& row) {
  const TaskEntry& task = row.task;
  // A finished export shows where it went; anything else its last word.
  const std::wstring details = !task.folder.empty() && task.state == kTaskFinished ? task.folder : task.message;
  row.texts = {task.phone.empty() ? task.identifier : task.phone, task.title, ProgressText(task), StateText(task),
               details};
}
