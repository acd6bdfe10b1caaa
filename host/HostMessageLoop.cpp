#include "host/HostMessageLoop.h"

#include <algorithm>
#include <map>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

int g_loopsLock;  // its address names the registry's lock

std::map<DWORD, HostMessageLoop*>& Loops() {
  static auto* loops = new std::map<DWORD, HostMessageLoop*>();
  return *loops;
}

template <typename T>
bool AddOnce(std::vector<T*>& list, T* item) {
  if (item == nullptr) return false;
  if (std::find(list.begin(), list.end(), item) == list.end()) list.push_back(item);
  return true;
}

template <typename T>
bool RemoveItem(std::vector<T*>& list, T* item) {
  auto it = std::find(list.begin(), list.end(), item);
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

}  // namespace

bool HostMessageLoop::AddMessageFilter(CMessageFilter* filter) { return AddOnce(m_filters, filter); }
bool HostMessageLoop::RemoveMessageFilter(CMessageFilter* filter) { return RemoveItem(m_filters, filter); }
bool HostMessageLoop::AddIdleHandler(CIdleHandler* handler) { return AddOnce(m_idleHandlers, handler); }
bool HostMessageLoop::RemoveIdleHandler(CIdleHandler* handler) { return RemoveItem(m_idleHandlers, handler); }

bool HostMessageLoop::PreTranslate(MSG* msg) {
  // Newest first; a copy, since a filter may remove itself or another while it runs.
  std::vector<CMessageFilter*> filters(m_filters.rbegin(), m_filters.rend());
  for (CMessageFilter* filter : filters) {
    if (std::find(m_filters.begin(), m_filters.end(), filter) == m_filters.end()) continue;
    if (filter->PreTranslateMessage(msg)) return true;
  }
  return false;
}

void HostMessageLoop::RunIdle() {
  std::vector<CIdleHandler*> handlers(m_idleHandlers);
  for (CIdleHandler* handler : handlers)
    if (std::find(m_idleHandlers.begin(), m_idleHandlers.end(), handler) != m_idleHandlers.end()) handler->OnIdle();
}

int HostMessageLoop::Run() {
  MSG msg;
  bool idle = true;
  while (true) {
    while (idle && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      RunIdle();
      idle = false;
    }
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == -1) continue;
    if (!got) break;
    if (!PreTranslate(&msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    // Input and paint messages are followed by an idle pass, as the pane's idle handlers expect.
    if (msg.message != WM_TIMER && msg.message != 0x0118 /* WM_SYSTIMER */) idle = true;
  }
  return static_cast<int>(msg.wParam);
}

void HostMessageLoop::Register(DWORD threadId, HostMessageLoop* loop) {
  BASLock::GLock(&g_loopsLock);
  if (loop)
    Loops()[threadId] = loop;
  else
    Loops().erase(threadId);
  BASLock::GUnLock(&g_loopsLock);
}

void HostMessageLoop::Unregister(DWORD threadId) { Register(threadId, nullptr); }

HostMessageLoop* HostMessageLoop::ForThread(DWORD threadId) {
  BASLock::GLock(&g_loopsLock);
  auto it = Loops().find(threadId);
  HostMessageLoop* loop = it == Loops().end() ? nullptr : it->second;
  BASLock::GUnLock(&g_loopsLock);
  return loop;
}
