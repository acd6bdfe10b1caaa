#include "kit/ContentPaneTable.h"

#include "contracts/cornerstone/Cornerstone.h"

#include <cstring>

namespace {

bool Is(const char* name, const char* command) { return command && std::strcmp(name, command) == 0; }

}  // namespace

BASContentPane* ContentPaneTable::Find(HWND parent) {
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_panes.find(parent);
  return it == m_panes.end() ? nullptr : it->second.get();
}

void ContentPaneTable::Forget(BASContentPane* pane) {
  std::unique_ptr<BASContentPane> gone;
  std::lock_guard<std::mutex> lock(m_lock);
  auto it = m_panes.find(pane->Parent());
  if (it == m_panes.end() || it->second.get() != pane) return;
  gone = std::move(it->second);
  m_panes.erase(it);
}

void ContentPaneTable::Create(CommandRecord& record, const ModuleRecord* module) {
  const HWND parent = record.window;
  if (!parent || !IsWindow(parent) || Find(parent)) return;
  std::unique_ptr<BASContentPane> pane = m_factory();
  auto* loop = static_cast<CMessageLoop*>(record.data);
  if (!pane->CreateIn(parent, loop, module, [this](BASContentPane* gone) { Forget(gone); })) {
    BASTrace("%s: no pane in %p", m_names.createWindow, static_cast<void*>(parent));
    return;
  }
  BASContentPane* created = pane.get();
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_panes[parent] = std::move(pane);
  }
  created->LayOut();
}

bool ContentPaneTable::RunShared(CommandRecord& record, const ModuleRecord* module) {
  const char* name = record.name;
  if (Is(name, m_names.createWindow)) {
    Create(record, module);
    return true;
  }
  if (Is(name, m_names.resetWindow)) {
    // Under the lock: the pane cannot go between the look-up and the post.
    std::lock_guard<std::mutex> lock(m_lock);
    auto it = m_panes.find(record.window);
    if (it != m_panes.end()) it->second->PostReset(record.value);
    return true;
  }
  const bool shared = Is(name, m_names.showWindow) || Is(name, m_names.hideWindow) || Is(name, m_names.changeSize) ||
                      Is(name, m_names.clearData) || Is(name, m_names.getChecked) || Is(name, m_names.getListTaskId) ||
                      Is(name, m_names.setListTaskId);
  if (!shared) return false;
  BASContentPane* pane = Find(record.window);
  if (!pane) return true;
  if (Is(name, m_names.showWindow)) {
    pane->Show(true);
  } else if (Is(name, m_names.hideWindow)) {
    pane->Show(false);
  } else if (Is(name, m_names.changeSize)) {
    pane->ChangeSize();
  } else if (Is(name, m_names.clearData)) {
    pane->ClearData();
  } else if (Is(name, m_names.getChecked)) {
    // Nothing checked leaves `data` as the caller set it.
    if (void* checked = pane->NewCheckedList()) record.data = checked;
  } else if (Is(name, m_names.getListTaskId)) {
    record.value = pane->ListTaskId();
  } else {
    pane->SetListTaskId(record.value);
  }
  return true;
}
