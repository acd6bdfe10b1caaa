// The UI thread's message loop as the host hands it to the panes: `data` of every content
// module's CREATE_WINDOW points to the loop registered for the UI thread. A pane adds itself as
// a filter to see keyboard messages before they are translated and dispatched (Enter in a
// search box, dialog navigation, tooltips) and removes itself when its window is destroyed.
//
// The interfaces are pure virtual so that a module calls the host's loop without linking
// against the host; objects are never deleted through them.
#pragma once

#include <windows.h>

class CMessageFilter {
 public:
  // TRUE: the message was handled and is neither translated nor dispatched.
  virtual BOOL PreTranslateMessage(MSG* msg) = 0;

 protected:
  ~CMessageFilter() = default;
};

class CIdleHandler {
 public:
  // Runs when the queue has emptied; the return value is not used.
  virtual BOOL OnIdle() = 0;

 protected:
  ~CIdleHandler() = default;
};

// Filters run newest first, and a filter may remove itself or another from inside
// PreTranslateMessage. Adding a filter twice keeps one entry; removing an unknown one is a no-op
// that answers false.
class CMessageLoop {
 public:
  virtual bool AddMessageFilter(CMessageFilter* filter) = 0;
  virtual bool RemoveMessageFilter(CMessageFilter* filter) = 0;
  virtual bool AddIdleHandler(CIdleHandler* handler) = 0;
  virtual bool RemoveIdleHandler(CIdleHandler* handler) = 0;

 protected:
  ~CMessageLoop() = default;
};
