// The task list: every long operation of every phone (loads, exports, imports, deletes, sends)
// as a row with its phone, progress and how it ended; running ones can be cancelled, an
// export's folder opened, and the checked rows written out. One page for the whole program,
// shown by the title bar's "Task" category; built on the content panes' toolbar, search and
// checkable list.
#pragma once

#include "kit/BASContentPane.h"
#include "modules/jobs/TaskBook.h"

class DhTaskDelegate : public BASContentPane {
 public:
  // A report copied from the device service's thread, posted to the page: lParam is a heap
  // TaskEntry the page deletes.
  static constexpr WPARAM kUpdateTask = 5;
  static constexpr UINT kCancelButtonId = 7101;
  static constexpr UINT kOpenFolderButtonId = 7102;
  static constexpr UINT kExportButtonId = 7103;
  static constexpr UINT kClearButtonId = 7104;

  DhTaskDelegate();

  // Hidden, filling `rect` of `parent` (the whole content area, not a phone's pane place).
  bool CreatePage(HWND parent, const RECT& rect, const ModuleRecord* module);
  void Resize(int width, int height);

  void Update(WPARAM code, CommandRecord* record) override;
  void* NewCheckedList() const override { return nullptr; }
  const TaskBook& Book() const { return m_book; }

 protected:
  std::vector<LPARAM> Matching(const std::wstring& lowered) const override;
  const std::wstring* CellText(int column, LPARAM data) const override;
  bool CreateExtras() override;
  void ClearRecords() override { m_book.Clear(); }
  bool OnToolbarCommand(int id) override;

 private:
  void Apply(const TaskEntry& report);
  std::vector<TaskRow*> CheckedRows() const;
  void CancelChecked();
  void OpenFolder();
  void ExportChecked();
  void ClearEnded();

  const ModuleRecord* m_module = nullptr;
  TaskBook m_book;
};
