#include "kit/CThemedShadowWnd.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "kit/GdiHandles.h"

namespace {

// The subclass that watches the owner; one per shadow, so the shadow's address is the id.
UINT_PTR OwnerSubclassId(const CThemedShadowWnd* shadow) { return reinterpret_cast<UINT_PTR>(shadow); }

bool OwnerShows(HWND owner) { return IsWindowVisible(owner) && !IsIconic(owner); }

struct PendingBeneath {
  RECT rect;
  HWND shadow;
  HWND owner;
};

BOOL CALLBACK PaintIfBeneath(HWND hwnd, LPARAM param) {
  const auto* pending = reinterpret_cast<const PendingBeneath*>(param);
  RECT window{}, common{};
  if (hwnd != pending->shadow && hwnd != pending->owner && IsWindowVisible(hwnd) && GetWindowRect(hwnd, &window) &&
      IntersectRect(&common, &window, &pending->rect))
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return TRUE;
}

}  // namespace

CThemedShadowWnd::~CThemedShadowWnd() { Detach(); }

bool CThemedShadowWnd::Attach(HWND owner, int size) {
  Detach();
  if (!IsWindow(owner) || size <= 0) return false;
  m_owner = owner;
  m_size = size;
  m_drawnSize = {0, 0};
  // Owned by its window, so it minimises, closes and stays in the z-order band with it;
  // WS_EX_TRANSPARENT lets every click through to what lies below.
  const DWORD exStyle = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
  if (!Create(owner, kClassName, L"", WS_POPUP, exStyle, RECT{0, 0, 1, 1})) {
    m_owner = nullptr;
    return false;
  }
  if (!SetWindowSubclass(owner, OwnerProc, OwnerSubclassId(this), reinterpret_cast<DWORD_PTR>(this))) {
    std::fprintf(stderr, "CThemedShadowWnd: cannot follow window %p\n", static_cast<void*>(owner));
    Destroy();
    m_owner = nullptr;
    return false;
  }
  Update();
  return true;
}

void CThemedShadowWnd::Detach() {
  if (m_owner) {
    RemoveWindowSubclass(m_owner, OwnerProc, OwnerSubclassId(this));
    m_owner = nullptr;
  }
  Destroy();
  m_drawnSize = {0, 0};
  m_beneath.clear();
}

void CThemedShadowWnd::OnFinalMessage(HWND) {
  // The system destroys owned windows with their owner; stop watching it.
  if (m_owner) RemoveWindowSubclass(m_owner, OwnerProc, OwnerSubclassId(this));
  m_owner = nullptr;
  m_drawnSize = {0, 0};
  m_beneath.clear();
}

void CThemedShadowWnd::Update() {
  const HWND hwnd = Hwnd();
  if (!hwnd || !m_owner) return;
  if (!OwnerShows(m_owner)) {
    if (IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_HIDE);
    return;
  }
  RECT owner{};
  GetWindowRect(m_owner, &owner);
  const int width = owner.right - owner.left + 2 * m_size;
  const int height = owner.bottom - owner.top + 2 * m_size;
  const bool moved = owner.left - m_size != m_drawnRect.left || owner.top - m_size != m_drawnRect.top;
  const bool appearing = !IsWindowVisible(hwnd);
  // A shadow that blends itself must blend again over what lies beneath its new place.
  if (width != m_drawnSize.cx || height != m_drawnSize.cy || ((moved || appearing) && BlendsItself())) {
    if (!Redraw(owner)) return;
  } else {
    SetWindowPos(hwnd, nullptr, owner.left - m_size, owner.top - m_size, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
  }
  if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNOACTIVATE);
}

bool CThemedShadowWnd::Redraw(const RECT& ownerRect) {
  const int ownerWidth = ownerRect.right - ownerRect.left;
  const int ownerHeight = ownerRect.bottom - ownerRect.top;
  const int width = ownerWidth + 2 * m_size;
  const int height = ownerHeight + 2 * m_size;
  if (ownerWidth <= 0 || ownerHeight <= 0) return false;

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top row first, as RenderPixels lays them out
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ClientDc screen(nullptr);
  GdiBitmap dib(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc memory(screen);
  if (!dib || !bits || !memory) {
    std::fprintf(stderr, "CThemedShadowWnd: no %dx%d shadow bitmap\n", width, height);
    return false;
  }
  const RECT targetRect = {ownerRect.left - m_size, ownerRect.top - m_size, ownerRect.right + m_size,
                           ownerRect.bottom + m_size};
  std::vector<uint32_t> pixels = RenderPixels(ownerWidth, ownerHeight, m_size);
  if (BlendsItself()) {
    std::vector<uint32_t> beneath = Beneath(targetRect);
    m_drawnAlpha = pixels;
    Flatten(pixels, beneath);
    m_beneath = std::move(beneath);
  }
  std::memcpy(bits, pixels.data(), pixels.size() * sizeof(uint32_t));

  SelectGuard selected(memory, dib);
  POINT source = {0, 0};
  POINT target = {ownerRect.left - m_size, ownerRect.top - m_size};
  SIZE size = {width, height};
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  if (!UpdateLayeredWindow(Hwnd(), screen, &target, &size, memory, &source, 0, &blend, ULW_ALPHA)) {
    std::fprintf(stderr, "CThemedShadowWnd: UpdateLayeredWindow GetLastError: %lu\n", GetLastError());
    return false;
  }
  m_drawnSize = size;
  m_drawnRect = targetRect;
  return true;
}

bool CThemedShadowWnd::BlendsItself() {
  // Only Wine exports this; its X11 driver shows per-pixel alpha only under a compositor.
  static const bool wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

void CThemedShadowWnd::Flatten(std::vector<uint32_t>& shadow, const std::vector<uint32_t>& background) {
  const size_t count = std::min(shadow.size(), background.size());
  for (size_t i = 0; i < count; ++i) {
    const uint32_t alpha = shadow[i] >> 24;
    if (alpha == 0) continue;
    // Black over the background: each channel keeps (255 - alpha) / 255 of itself.
    const uint32_t keep = 255 - alpha;
    const uint32_t b = background[i];
    const uint32_t red = ((b >> 16) & 0xFF) * keep / 255;
    const uint32_t green = ((b >> 8) & 0xFF) * keep / 255;
    const uint32_t blue = (b & 0xFF) * keep / 255;
    shadow[i] = 0xFF000000u | (red << 16) | (green << 8) | blue;
  }
}

std::vector<uint32_t> CThemedShadowWnd::Beneath(const RECT& rect) const {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0x00FFFFFFu);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ClientDc screen(nullptr);
  GdiBitmap dib(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc memory(screen);
  if (!dib || !bits || !memory) return pixels;
  // This thread's windows beneath paint what they owe first, or the copy keeps what stood
  // there before: a window just hidden, or black after a restore.
  PendingBeneath pending = {rect, Hwnd(), m_owner};
  EnumThreadWindows(GetCurrentThreadId(), PaintIfBeneath, reinterpret_cast<LPARAM>(&pending));
  {
    SelectGuard selected(memory, dib);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
  }
  std::memcpy(pixels.data(), bits, pixels.size() * sizeof(uint32_t));
  // Where this shadow is on the screen now, the copy shows the shadow itself.
  if (!Hwnd() || !IsWindowVisible(Hwnd()) || m_beneath.empty()) return pixels;
  const int oldWidth = m_drawnRect.right - m_drawnRect.left;
  const int left = std::max(rect.left, m_drawnRect.left), right = std::min(rect.right, m_drawnRect.right);
  const int top = std::max(rect.top, m_drawnRect.top), bottom = std::min(rect.bottom, m_drawnRect.bottom);
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) {
      const size_t old = static_cast<size_t>(y - m_drawnRect.top) * oldWidth + (x - m_drawnRect.left);
      if (old < m_drawnAlpha.size() && (m_drawnAlpha[old] >> 24) != 0)
        pixels[static_cast<size_t>(y - rect.top) * width + (x - rect.left)] = m_beneath[old];
    }
  return pixels;
}

std::vector<uint32_t> CThemedShadowWnd::RenderPixels(int ownerWidth, int ownerHeight, int size) {
  ownerWidth = std::max(ownerWidth, 0);
  ownerHeight = std::max(ownerHeight, 0);
  size = std::max(size, 0);
  const int width = ownerWidth + 2 * size;
  const int height = ownerHeight + 2 * size;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, 0);
  if (size == 0) return pixels;
  // Distance from each pixel's centre to the owner's rectangle, so the corners come out
  // round; the opacity falls off with the square of it, like a blurred edge.
  const double left = size, top = size, right = size + ownerWidth, bottom = size + ownerHeight;
  for (int y = 0; y < height; ++y) {
    const double cy = y + 0.5;
    const double dy = std::max({top - cy, 0.0, cy - bottom});
    for (int x = 0; x < width; ++x) {
      const double cx = x + 0.5;
      const double dx = std::max({left - cx, 0.0, cx - right});
      if (dx == 0.0 && dy == 0.0) continue;  // under the owner: clear
      const double t = std::sqrt(dx * dx + dy * dy) / size;
      if (t >= 1.0) continue;
      const double fade = (1.0 - t) * (1.0 - t);
      const auto alpha = static_cast<uint32_t>(std::lround(kEdgeAlpha * fade));
      // Black, premultiplied: only the alpha byte is non-zero.
      pixels[static_cast<size_t>(y) * width + x] = alpha << 24;
    }
  }
  return pixels;
}

LRESULT CALLBACK CThemedShadowWnd::OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                             DWORD_PTR refData) {
  auto* self = reinterpret_cast<CThemedShadowWnd*>(refData);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, OwnerProc, id);
    if (self) self->m_owner = nullptr;
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
  // Moves, sizes, shows and hides all end in WM_WINDOWPOSCHANGED; a window that handles it
  // without calling the default procedure gets no WM_MOVE / WM_SIZE, so watch this one.
  if (self && msg == WM_WINDOWPOSCHANGED) {
    try {
      self->Update();
    } catch (...) {
      std::fprintf(stderr, "CThemedShadowWnd: update failed\n");
    }
  }
  return result;
}
