// What every content pane of a phone's page shares (contacts, photos, messages, ...): one pane
// per parent window, created hidden and sized by the host's commands; a toolbar of operation
// buttons above a line at y 30 with the framed search box at the right; the checkable
// owner-drawn list whose checks follow the selection; the search flow; the list task ID of the
// host's handshake; the pane message that runs updates on the pane's own thread; and the
// requests posted to the host. A pane class adds its records, columns, buttons and requests.
#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/MessageLoop.h"
#include "kit/BASListView.h"
#include "kit/BASObserver.h"
#include "kit/BASSubject.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "kit/PaneGeometry.h"
#include "kit/PaneToolbar.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Update codes of the pane message (wParam; lParam is the command record) that every pane
// shares; a pane may serve further codes above them.
enum PaneUpdate : WPARAM {
  kUpdateAppend = 0,
  kUpdateInsertTop = 1,
  kUpdateReplace = 2,
  kUpdateNothing = 3,
  kUpdateRemove = 4,
};

struct PaneColumn {
  const wchar_t* title;
  int width;  // until the first layout
  int share;  // hundredths of the list width, from the first layout on
};

struct PaneDescription {
  const wchar_t* className;
  const char* traceName;       // first word of the creation trace line
  const char* requestCommand;  // posted to the host for every request
  UINT listId;
  std::vector<PaneColumn> columns;
  std::vector<PaneToolbarButton> buttons;
  int firstButtonX;
  UINT searchEditId;
  UINT searchButtonId;
  WPARAM lastUpdateCode;  // the pane message accepts codes up to this one
};

class BASContentPane : public BASWindow, public CMessageFilter, public BASSubject, public BASObserver {
 public:
  // Called after the window has gone; the owner may delete the pane there.
  typedef std::function<void(BASContentPane* pane)> GoneHandler;

  explicit BASContentPane(PaneDescription description);
  ~BASContentPane() override;

  // Hidden, at its place in `parent`; filters the keyboard messages of `loop` (may be null).
  // Requests go to the host through `module` (may be null: they are then dropped).
  bool CreateIn(HWND parent, CMessageLoop* loop, const ModuleRecord* module, GoneHandler onGone);
  HWND Parent() const { return m_parent; }

  void ChangeSize();
  void Show(bool show);
  virtual void LayOut();

  // Runs one update code with its record, as the pane message does.
  virtual void Update(WPARAM code, CommandRecord* record) = 0;
  // Empties the list and frees every record the pane holds.
  void ClearData();
  // GET_CHECKED: a heap vector of the checked rows' records (which stay the pane's), top row
  // first; null when nothing is checked.
  virtual void* NewCheckedList() const = 0;
  // The host's end of an operation, for the pane's observers.
  void OperationEnded(int64_t value) { notify(0, static_cast<int32_t>(value)); }
  void PostReset(int64_t value);
  int64_t ListTaskId() const { return m_listTaskId; }
  void SetListTaskId(int64_t id) { m_listTaskId = id; }
  int CurrentRow() const { return m_currentRow; }

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  // Marks the pane's own changes of the list for as long as it lives.
  class ListChange {
   public:
    explicit ListChange(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ListChange(const ListChange&) = delete;
    ListChange& operator=(const ListChange&) = delete;
    ~ListChange() { m_flag = m_was; }

   private:
    bool& m_flag;
    bool m_was;
  };

  // Controls of the pane's own, made after the list and before the toolbar.
  virtual bool CreateExtras() { return true; }
  // Where the list goes in a client area of this size.
  virtual RECT ListRect(int width, int height) const;
  // The records a search lists, in the pane's order; `lowered` is the lower-cased search text.
  virtual std::vector<LPARAM> Matching(const std::wstring& lowered) const = 0;
  // A row's column text from its record, or null.
  virtual const std::wstring* CellText(int /*column*/, LPARAM /*data*/) const { return nullptr; }
  // Frees every record the pane holds; the rows are gone already.
  virtual void ClearRecords() = 0;
  virtual bool OnToolbarCommand(int id) = 0;
  // Every change of the current row goes through here.
  virtual void SetCurrentRow(int row) { m_currentRow = row; }

  bool OnCreate(CREATESTRUCTW* create) override;
  void OnDestroy() override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

  void Search();
  // Checks, selects, focuses and shows row 0 and makes it current.
  void SelectFirstRow();
  // After rows were added: the first row is selected when none is.
  void SelectFirstRowIfNone();
  // Posts `code` with the fields already set in `record`; false when there is no host, and
  // whatever `data` holds is then the caller's to free.
  bool PostRequest(int64_t code, CommandRecord& record);

  // The checked rows' records, top row first, or bottom row first with each record's
  // `rowIndex` set to its row (as a delete request wants them).
  template <class T>
  std::unique_ptr<std::vector<T*>> CheckedItems(bool bottomFirstWithRows) const {
    auto checked = std::make_unique<std::vector<T*>>();
    const int count = m_list.RowCount();
    for (int i = 0; i < count; ++i) {
      const int row = bottomFirstWithRows ? count - 1 - i : i;
      T* item = m_list.IsChecked(row) ? reinterpret_cast<T*>(m_list.RowData(row)) : nullptr;
      if (!item) continue;
      if (bottomFirstWithRows) item->rowIndex = row;
      checked->push_back(item);
    }
    return checked;
  }

  const PaneDescription& Description() const { return m_description; }
  const ImageCache* Images() const { return m_images; }
  COLORREF Background() const { return m_background; }
  LPARAM DataAt(int row) const { return row >= 0 && row < m_list.RowCount() ? m_list.RowData(row) : 0; }
  // Only for rows that moved since a request named them: a walk over the list.
  int RowOf(LPARAM data) const;
  // Takes away the row that shows `data`: the row a request named when it still holds it, else
  // the row found (any other would be left pointing at a freed item). The current row stays on
  // its item, or is none when it was this one. The row taken, or -1.
  int RemoveRowOf(LPARAM data, int named);

  GdiPen m_linePen;
  // Set while the pane itself changes the list's rows or selection.
  bool m_changingList = false;

 private:
  static const std::wstring* RowText(const BASListView& list, int row, int column, LPARAM data, void* context);

  PaneDescription m_description;
  HWND m_parent = nullptr;
  CMessageLoop* m_loop = nullptr;
  const ModuleRecord* m_module = nullptr;
  const ImageCache* m_images = nullptr;
  GoneHandler m_onGone;
  int64_t m_listTaskId = 0;
  int32_t m_currentRow = -1;
  COLORREF m_background = 0;
  COLORREF m_pressed = 0;
  GdiBrush m_backgroundBrush;
  // Borrowed by the controls below, so declared before them.
  GdiFont m_toolbarFont;
  GdiFont m_searchFont;
  GdiFont m_headerFont;

 protected:
  PaneToolbar m_toolbar;
  BASListView m_list;
};
