#include "tests/dialogs/DialogTestSupport.h"

#include <commctrl.h>

#include <cstdio>
#include <map>

#include <gtest/gtest.h>

#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"

namespace dialogtest {

namespace {

std::map<UINT_PTR, ModalScript*>& Scripts() {
  static std::map<UINT_PTR, ModalScript*> scripts;
  return scripts;
}

const wchar_t kPlainClass[] = L"ZsDialogTestPlain";

void RegisterPlainClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kPlainClass;
  registered = RegisterClassW(&wc) != 0;
}

}  // namespace

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    if (done()) return true;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= timeoutMs) return done();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(10, timeoutMs - elapsed), QS_ALLINPUT);
  }
}

ModalScript::ModalScript(std::function<bool()> ready, std::function<void()> step, std::function<HWND()> giveUp)
    : m_ready(std::move(ready)), m_step(std::move(step)), m_giveUp(std::move(giveUp)) {
  m_started = GetTickCount();
  m_timer = SetTimer(nullptr, 0, 20, OnTimer);
  Scripts()[m_timer] = this;
}

ModalScript::~ModalScript() {
  if (m_timer) {
    KillTimer(nullptr, m_timer);
    Scripts().erase(m_timer);
  }
}

void CALLBACK ModalScript::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  auto it = Scripts().find(id);
  if (it == Scripts().end()) return;
  ModalScript* self = it->second;
  try {
    if (!self->m_ran && self->m_ready()) {
      self->m_ran = true;
      KillTimer(nullptr, id);
      Scripts().erase(id);
      self->m_timer = 0;
      self->m_step();
      return;
    }
    if (GetTickCount() - self->m_started > 5000) {
      KillTimer(nullptr, id);
      Scripts().erase(id);
      self->m_timer = 0;
      const HWND window = self->m_giveUp ? self->m_giveUp() : nullptr;
      if (window) PostMessageW(window, WM_CLOSE, 0, 0);
      ADD_FAILURE() << "the modal dialog never became ready";
    }
  } catch (...) {
    std::fprintf(stderr, "ModalScript: step failed\n");
  }
}

PlainWindow::PlainWindow(const RECT& rect, HWND parent, bool visible) {
  RegisterPlainClass();
  const DWORD style = (parent ? WS_CHILD : WS_POPUP) | (visible ? WS_VISIBLE : 0);
  m_hwnd = CreateWindowExW(0, kPlainClass, L"", style, rect.left, rect.top, rect.right - rect.left,
                           rect.bottom - rect.top, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

PlainWindow::~PlainWindow() {
  if (m_hwnd) DestroyWindow(m_hwnd);
}

ClientPixels::ClientPixels(HWND hwnd) {
  RECT client{};
  if (!hwnd || !GetClientRect(hwnd, &client)) return;
  m_width = client.right;
  m_height = client.bottom;
  if (m_width <= 0 || m_height <= 0) return;
  ClientDc screen(nullptr);
  MemoryDc memory(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = m_width;
  info.bmiHeader.biHeight = -m_height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  GdiBitmap dib(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits || !memory) return;
  {
    SelectGuard selected(memory, dib);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.Get()), PRF_CLIENT);
    GdiFlush();
  }
  const auto* raw = static_cast<const unsigned int*>(bits);
  m_pixels.assign(raw, raw + static_cast<size_t>(m_width) * m_height);
}

COLORREF ClientPixels::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
  const unsigned int p = m_pixels[static_cast<size_t>(y) * m_width + x];
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

int ClientPixels::Count(const RECT& rect, COLORREF color) const {
  int n = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if (At(x, y) == color) ++n;
  return n;
}

int ClientPixels::Dark(const RECT& rect) const {
  int n = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x) {
      const COLORREF c = At(x, y);
      if (c != CLR_INVALID && GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 110) ++n;
    }
  return n;
}

COLORREF ScreenPixel(int x, int y) {
  ClientDc screen(nullptr);
  return screen ? GetPixel(screen, x, y) : CLR_INVALID;
}

RECT WindowRect(HWND hwnd) {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  return rect;
}

RECT MakeRect(int left, int top, int width, int height) { return {left, top, left + width, top + height}; }

std::wstring TempPath(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name;
}

std::string ReadFile(const std::wstring& path) {
  std::string text;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  std::fclose(file);
  return text;
}

}  // namespace dialogtest

// GDI+ and the link control for every test of this program.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  GdiplusSession gdiplus;
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);
  if (!gdiplus.IsOk()) {
    std::fprintf(stderr, "GDI+ did not start\n");
    return 1;
  }
  return RUN_ALL_TESTS();
}
