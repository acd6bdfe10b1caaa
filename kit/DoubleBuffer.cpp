#include "kit/DoubleBuffer.h"

#include <cstdio>

DoubleBuffer::DoubleBuffer(HDC target, const RECT& rect) : m_target(target), m_rect(rect) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (target && width > 0 && height > 0) {
    MemoryDc memory(target);
    GdiBitmap bitmap(memory ? CreateCompatibleBitmap(target, width, height) : nullptr);
    if (bitmap) {
      m_memory = std::move(memory);
      m_bitmap = std::move(bitmap);
      m_selected.emplace(m_memory.Get(), m_bitmap);
      // Painters use the target's coordinates; the bitmap's corner is rect's corner.
      SetViewportOrgEx(m_memory.Get(), -rect.left, -rect.top, nullptr);
      m_memoryState = SaveDC(m_memory.Get());
      return;
    }
    std::fprintf(stderr, "DoubleBuffer: no memory bitmap for %dx%d, painting directly\n", width, height);
  }
  m_directState.emplace(target);
}

DoubleBuffer::~DoubleBuffer() {
  if (!m_memory) return;
  // Whatever the painter left selected or moved, the copy reads the bitmap from this origin.
  if (m_memoryState) RestoreDC(m_memory.Get(), m_memoryState);
  BitBlt(m_target, m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top, m_memory.Get(),
         m_rect.left, m_rect.top, SRCCOPY);
}

void PaintParentBackground(HWND child, HDC dc, const RECT& rect) {
  const HWND parent = GetParent(child);
  if (!parent || !dc) return;
  // What a parent that does not print its client area leaves: its class background.
  auto brush = reinterpret_cast<HBRUSH>(GetClassLongPtrW(parent, GCLP_HBRBACKGROUND));
  FillRect(dc, &rect, brush ? brush : GetSysColorBrush(COLOR_WINDOW));
  POINT origin = {0, 0};
  MapWindowPoints(child, parent, &origin, 1);
  DcStateGuard state(dc);
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
  IntersectClipRect(dc, rect.left + origin.x, rect.top + origin.y, rect.right + origin.x, rect.bottom + origin.y);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
}
