// A content module's panes, one per parent window, and the module commands every content pane
// serves alike (create, show, hide, size, clear, checked list, reset, list task ID).
#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASContentPane.h"

#include <map>
#include <memory>
#include <mutex>

struct PaneCommandNames {
  const char* createWindow;
  const char* showWindow;
  const char* hideWindow;
  const char* changeSize;
  const char* clearData;
  const char* getChecked;
  const char* resetWindow;
  const char* getListTaskId;
  const char* setListTaskId;
};

class ContentPaneTable {
 public:
  typedef std::unique_ptr<BASContentPane> (*PaneFactory)();

  ContentPaneTable(PaneFactory factory, const PaneCommandNames& names) : m_factory(factory), m_names(names) {}
  ContentPaneTable(const ContentPaneTable&) = delete;
  ContentPaneTable& operator=(const ContentPaneTable&) = delete;

  // Runs `record` when it is one of the shared commands and answers true; false leaves it to
  // the module. A command for a window without a pane is dropped (and answers true).
  bool RunShared(CommandRecord& record, const ModuleRecord* module);
  // The pane made for `parent`, or null.
  BASContentPane* Find(HWND parent);

 private:
  void Create(CommandRecord& record, const ModuleRecord* module);
  // A parent that goes takes its pane along; its handle may later name a new parent, which must
  // then get a pane of its own.
  void Forget(BASContentPane* pane);

  PaneFactory m_factory;
  PaneCommandNames m_names;
  // Panes are made, used and destroyed on the user-interface thread; RESET_WINDOW may come from
  // another thread and only posts, but it reads the table, so every access holds the lock.
  std::mutex m_lock;
  std::map<HWND, std::unique_ptr<BASContentPane>> m_panes;
};
