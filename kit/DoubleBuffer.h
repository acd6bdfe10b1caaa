#pragma once

#include "kit/GdiHandles.h"

#include <windows.h>

#include <optional>

// Paints one rectangle of a target DC through a memory bitmap, so the target changes in a
// single copy and never shows a half-drawn state. The caller paints on Dc() in the target's
// own coordinates; the copy happens when the buffer goes out of scope.
//
// When the memory DC or bitmap cannot be made (out of GDI resources, a huge rectangle), Dc()
// is the target itself: the paint still happens, it may only flicker. Its DC state is then
// saved and restored so the painter cannot leave objects selected in the caller's DC.
class DoubleBuffer {
 public:
  DoubleBuffer(HDC target, const RECT& rect);
  DoubleBuffer(const DoubleBuffer&) = delete;
  DoubleBuffer& operator=(const DoubleBuffer&) = delete;
  ~DoubleBuffer();

  HDC Dc() const { return m_memory ? m_memory.Get() : m_target; }
  bool IsBuffered() const { return static_cast<bool>(m_memory); }

 private:
  HDC m_target;
  RECT m_rect;
  // Declared so that the bitmap is deselected before it is deleted, and both before the DC.
  MemoryDc m_memory;
  GdiBitmap m_bitmap;
  std::optional<SelectGuard> m_selected;
  int m_memoryState = 0;
  std::optional<DcStateGuard> m_directState;
};

// Paints what the parent draws under `child` into `dc`, whose coordinates are the child's
// client coordinates, over `rect`: the background for a control with transparent parts. Read
// from the parent's painting and not from the screen, which after a restore, a maximise or an
// uncovering still holds black or another window until the parent has painted.
void PaintParentBackground(HWND child, HDC dc, const RECT& rect);
