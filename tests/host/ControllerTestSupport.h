// What the content controller tests share: the real alerts answered from a timer in the order a
// test expects them, the main view's router message, and the posted messages pumped. Link
// AllocationTracker.cpp as well to tell which test-made objects are still alive.
#pragma once

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

namespace controllertest {

struct SeenAlert {
  std::wstring text;
  int width = 0;
  int height = 0;
  bool twoButtons = false;
};

extern std::deque<bool> g_alertAnswers;  // true: OK; an alert with no answer left is closed
extern std::vector<SeenAlert> g_alerts;

// A timer procedure: answers the visible alert of this thread, if any.
void CALLBACK AnswerAlerts(HWND, UINT, UINT_PTR, DWORD);
// The main view's procedure as far as the router goes.
LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
void PumpPosted();

// Every delete of the test program passes the tracker (AllocationTracker.cpp), so a test can
// tell whether the host destroyed an object the test made and tracked.
template <class T>
T* Track(T* object);
bool Alive(const void* object);
void TrackObject(const void* object);

template <class T>
T* Track(T* object) {
  TrackObject(object);
  return object;
}

}  // namespace controllertest
