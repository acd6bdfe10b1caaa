// The UI thread's message loop with its filters and idle handlers, registered per thread
// so CREATE_WINDOW can hand it to the panes.
#pragma once

#include <windows.h>

#include <vector>

#include "contracts/MessageLoop.h"

class HostMessageLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter* filter) override;
  bool RemoveMessageFilter(CMessageFilter* filter) override;
  bool AddIdleHandler(CIdleHandler* handler) override;
  bool RemoveIdleHandler(CIdleHandler* handler) override;

  // Runs until WM_QUIT; answers its exit code.
  int Run();

  static void Register(DWORD threadId, HostMessageLoop* loop);
  static void Unregister(DWORD threadId);
  static HostMessageLoop* ForThread(DWORD threadId);

 private:
  bool PreTranslate(MSG* msg);
  void RunIdle();

  std::vector<CMessageFilter*> m_filters;
  std::vector<CIdleHandler*> m_idleHandlers;
};
