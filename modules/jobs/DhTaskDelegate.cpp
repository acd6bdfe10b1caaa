#include "modules/jobs/DhTaskDelegate.h"

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/SearchText.h"

#include <memory>

namespace {

constexpr UINT kListId = 7107;

PaneDescription TaskSpec() {
  PaneDescription description;
  description.className = L"DhTaskDelegate";
  description.traceName = "DhTaskDelegate";
  description.requestCommand = kJobsPressExport;
  description.listId = kListId;
  description.columns = {{L"", 60, 8},           {L"Phone", 150, 18}, {L"Task", 150, 18},
                         {L"Progress", 120, 16}, {L"State", 100, 12}, {L"Details", 200, 28}};
  description.buttons = {
      {DhTaskDelegate::kCancelButtonId, L"Cancel", "common\\button\\operate-reset-pressed.png",
       "common\\button\\operate-reset-normal.png"},
      {DhTaskDelegate::kOpenFolderButtonId, L"Open Folder", "common\\button\\operate-import-pressed.png",
       "common\\button\\operate-import-normal.png"},
      {DhTaskDelegate::kExportButtonId, L"Export", "common\\button\\operate-export-pressed.png",
       "common\\button\\operate-export-normal.png"},
      {DhTaskDelegate::kClearButtonId, L"Clear Ended", "common\\button\\operate-delete-pressed.png",
       "common\\button\\operate-delete-normal.png"},
  };
  description.firstButtonX = 10;
  description.searchEditId = 7105;
  description.searchButtonId = 7106;
  description.lastUpdateCode = DhTaskDelegate::kUpdateTask;
  return description;
}

}  // namespace

DhTaskDelegate::DhTaskDelegate() : BASContentPane(TaskSpec()) {}

bool DhTaskDelegate::CreatePage(HWND parent, const RECT& rect, const ModuleRecord* module) {
  m_module = module;
  if (!CreateIn(parent, nullptr, module, nullptr)) return false;
  SetWindowPos(Hwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
  return true;
}

bool DhTaskDelegate::CreateExtras() {
  // One line of text a row, not a portrait's height.
  m_list.SetRowHeight(36);
  return true;
}

void DhTaskDelegate::Resize(int width, int height) {
  if (!Hwnd()) return;
  SetWindowPos(Hwnd(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  LayOut();
}

void DhTaskDelegate::Update(WPARAM code, CommandRecord* record) {
  if (code != kUpdateTask) return;
  // Not a record: the page's own copy of a report.
  std::unique_ptr<TaskEntry> report(reinterpret_cast<TaskEntry*>(record));
  if (report) Apply(*report);
}

void DhTaskDelegate::Apply(const TaskEntry& report) {
  bool added = false;
  TaskRow* row = m_book.Apply(report, added);
  const LPARAM data = reinterpret_cast<LPARAM>(row);
  if (added) {
    // A search in force keeps the list to its matches.
    if (!TaskBook::RowMatches(*row, LowerCased(m_toolbar.SearchText()))) return;
    ListChange change(m_changingList);
    m_list.InsertRow(0, {}, data);
    return;
  }
  const int at = RowOf(data);
  if (at >= 0) m_list.RefreshRow(at);
}

std::vector<LPARAM> DhTaskDelegate::Matching(const std::wstring& lowered) const {
  std::vector<LPARAM> found;
  for (TaskRow* row : m_book.Matching(lowered)) found.push_back(reinterpret_cast<LPARAM>(row));
  return found;
}

const std::wstring* DhTaskDelegate::CellText(int column, LPARAM data) const {
  const auto* row = reinterpret_cast<const TaskRow*>(data);
  if (!row || column < 1 || column > static_cast<int>(row->texts.size())) return nullptr;
  return &row->texts[static_cast<size_t>(column - 1)];
}

std::vector<TaskRow*> DhTaskDelegate::CheckedRows() const {
  std::vector<TaskRow*> rows;
  for (int row = 0; row < m_list.RowCount(); ++row)
    if (m_list.IsChecked(row)) rows.push_back(reinterpret_cast<TaskRow*>(m_list.RowData(row)));
  return rows;
}

bool DhTaskDelegate::OnToolbarCommand(int id) {
  switch (id) {
    case kCancelButtonId:
      CancelChecked();
      return true;
    case kOpenFolderButtonId:
      OpenFolder();
      return true;
    case kExportButtonId:
      ExportChecked();
      return true;
    case kClearButtonId:
      ClearEnded();
      return true;
    default:
      return false;
  }
}

void DhTaskDelegate::CancelChecked() {
  if (!m_module) return;
  for (TaskRow* row : CheckedRows()) {
    if (row->task.state != kTaskRunning) continue;
    CommandRecord record;
    record.window = Hwnd();
    record.text = row->task.identifier.c_str();
    record.value = row->task.taskId;
    PostToHost(*m_module, record, kJobsCancelTask);
  }
}

void DhTaskDelegate::OpenFolder() {
  // The current row's folder, else the first checked row that has one.
  std::vector<TaskRow*> rows;
  if (auto* current = reinterpret_cast<TaskRow*>(DataAt(CurrentRow()))) rows.push_back(current);
  for (TaskRow* row : CheckedRows()) rows.push_back(row);
  for (TaskRow* row : rows) {
    if (!row->task.folder.empty() && BASUtilityFile::IsFolderExist(row->task.folder.c_str())) {
      BASUtilityApp::OpenFolder(row->task.folder.c_str());
      return;
    }
  }
}

void DhTaskDelegate::ExportChecked() {
  if (!m_module) return;
  // Read by the host and the device service during the call.
  TaskEntryList checked;
  for (TaskRow* row : CheckedRows()) checked.push_back(row->task);
  CommandRecord record;
  record.window = Hwnd();
  record.value = static_cast<int64_t>(checked.size());
  record.data = checked.empty() ? nullptr : &checked;
  PostToHost(*m_module, record, kJobsPressExport);
}

void DhTaskDelegate::ClearEnded() {
  // The rows go before the records they point at.
  ListChange change(m_changingList);
  m_list.DeleteAllRows();
  m_book.ClearEnded();
  Search();
}
