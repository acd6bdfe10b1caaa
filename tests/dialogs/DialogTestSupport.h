// Shared by the dialog tests: message pumping, driving a modal dialog from a timer, owner
// windows to put dialogs over, and reading back what a window painted.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace dialogtest {

// Dispatches this thread's messages for `ms` milliseconds.
void PumpFor(DWORD ms);
// Dispatches messages until `done` answers true or `timeoutMs` passes; the last answer.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Runs `step` from a timer of this thread while a modal loop runs: first when `ready`
// answers true (checked every 20 ms). Gives up (and closes the window `giveUp` names, if
// any) after five seconds, so a broken dialog fails its test instead of hanging it.
class ModalScript {
 public:
  ModalScript(std::function<bool()> ready, std::function<void()> step, std::function<HWND()> giveUp = nullptr);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;
  bool Ran() const { return m_ran; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);
  std::function<bool()> m_ready;
  std::function<void()> m_step;
  std::function<HWND()> m_giveUp;
  UINT_PTR m_timer = 0;
  DWORD m_started = 0;
  bool m_ran = false;
};

// A plain visible top-level window (or child, with a parent) for dialogs to sit over.
class PlainWindow {
 public:
  PlainWindow(const RECT& rect, HWND parent = nullptr, bool visible = true);
  ~PlainWindow();
  PlainWindow(const PlainWindow&) = delete;
  PlainWindow& operator=(const PlainWindow&) = delete;
  HWND Hwnd() const { return m_hwnd; }

 private:
  HWND m_hwnd = nullptr;
};

// The client area of `hwnd` as it paints itself (WM_PRINTCLIENT), as 0x00RRGGBB values.
class ClientPixels {
 public:
  explicit ClientPixels(HWND hwnd);
  bool Ok() const { return !m_pixels.empty(); }
  COLORREF At(int x, int y) const;
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  // Pixels in the rectangle whose colour is `color`.
  int Count(const RECT& rect, COLORREF color) const;
  // Pixels in the rectangle darker than mid grey (text).
  int Dark(const RECT& rect) const;

 private:
  int m_width = 0;
  int m_height = 0;
  std::vector<unsigned int> m_pixels;
};

// What the screen shows at a point.
COLORREF ScreenPixel(int x, int y);
RECT WindowRect(HWND hwnd);
RECT MakeRect(int left, int top, int width, int height);
std::wstring TempPath(const wchar_t* name);
std::string ReadFile(const std::wstring& path);

}  // namespace dialogtest
