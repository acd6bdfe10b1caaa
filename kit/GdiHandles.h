#pragma once

// Scoped owners of GDI objects and device contexts. Owners are movable and never
// copyable, so every handle is freed exactly once; the *Ref types name handles that
// someone else frees (stock objects, a control's font).

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

// Owns a pen, brush, font, bitmap or region and deletes it with DeleteObject. Deselect it
// from every DC first: declare the SelectGuard after the object so it is restored first.
template <class T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T handle) : m_handle(handle) {}
  GdiObject(GdiObject&& other) noexcept : m_handle(other.Release()) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { Reset(); }

  T Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

  T Release() { return std::exchange(m_handle, nullptr); }
  void Reset(T handle = nullptr) {
    T old = std::exchange(m_handle, handle);
    if (old && old != handle) DeleteObject(old);
  }

 private:
  T m_handle = nullptr;
};

using GdiPen = GdiObject<HPEN>;
using GdiBrush = GdiObject<HBRUSH>;
using GdiFont = GdiObject<HFONT>;
using GdiBitmap = GdiObject<HBITMAP>;
using GdiRegion = GdiObject<HRGN>;

// A GDI object owned elsewhere; never deleted through this type.
template <class T>
class GdiObjectRef {
 public:
  GdiObjectRef() = default;
  explicit GdiObjectRef(T handle) : m_handle(handle) {}
  GdiObjectRef(const GdiObject<T>& owner) : m_handle(owner.Get()) {}

  T Get() const { return m_handle; }
  explicit operator bool() const { return m_handle != nullptr; }

 private:
  T m_handle = nullptr;
};

using GdiFontRef = GdiObjectRef<HFONT>;
using GdiBrushRef = GdiObjectRef<HBRUSH>;
using GdiPenRef = GdiObjectRef<HPEN>;
using GdiBitmapRef = GdiObjectRef<HBITMAP>;

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(object ? SelectObject(dc, object) : nullptr) {
    if (m_old == HGDI_ERROR) m_old = nullptr;
  }
  template <class T>
  SelectGuard(HDC dc, const GdiObject<T>& object) : SelectGuard(dc, object.Get()) {}
  template <class T>
  SelectGuard(HDC dc, GdiObjectRef<T> object) : SelectGuard(dc, object.Get()) {}
  // Selecting a region returns a region type, not the previous object: use SelectClipRgn.
  SelectGuard(HDC, HRGN) = delete;
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  ~SelectGuard() {
    if (m_old) SelectObject(m_dc, m_old);
  }

  bool Selected() const { return m_old != nullptr; }

 private:
  HDC m_dc;
  HGDIOBJ m_old;
};

// Saves the whole DC state (objects, colours, modes, origins) and restores it on scope exit.
class DcStateGuard {
 public:
  explicit DcStateGuard(HDC dc) : m_dc(dc), m_saved(dc ? SaveDC(dc) : 0) {}
  DcStateGuard(const DcStateGuard&) = delete;
  DcStateGuard& operator=(const DcStateGuard&) = delete;
  ~DcStateGuard() {
    if (m_saved) RestoreDC(m_dc, m_saved);
  }

 private:
  HDC m_dc;
  int m_saved;
};

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
class MemoryDc {
 public:
  MemoryDc() = default;
  explicit MemoryDc(HDC compatibleWith) : m_dc(CreateCompatibleDC(compatibleWith)) {}
  MemoryDc(MemoryDc&& other) noexcept : m_dc(std::exchange(other.m_dc, nullptr)) {}
  MemoryDc& operator=(MemoryDc&& other) noexcept {
    if (this != &other) {
      Reset();
      m_dc = std::exchange(other.m_dc, nullptr);
    }
    return *this;
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  ~MemoryDc() { Reset(); }

  HDC Get() const { return m_dc; }
  operator HDC() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }

  void Reset() {
    if (m_dc) DeleteDC(std::exchange(m_dc, nullptr));
  }

 private:
  HDC m_dc = nullptr;
};

// A window's DC from GetDC, given back with ReleaseDC. Pass nullptr for the screen.
class ClientDc {
 public:
  explicit ClientDc(HWND hwnd) : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
  ClientDc(ClientDc&& other) noexcept : m_hwnd(other.m_hwnd), m_dc(std::exchange(other.m_dc, nullptr)) {}
  ClientDc& operator=(ClientDc&& other) noexcept {
    if (this != &other) {
      Reset();
      m_hwnd = other.m_hwnd;
      m_dc = std::exchange(other.m_dc, nullptr);
    }
    return *this;
  }
  ClientDc(const ClientDc&) = delete;
  ClientDc& operator=(const ClientDc&) = delete;
  ~ClientDc() { Reset(); }

  HDC Get() const { return m_dc; }
  operator HDC() const { return m_dc; }
  explicit operator bool() const { return m_dc != nullptr; }

  void Reset() {
    if (m_dc) ReleaseDC(m_hwnd, std::exchange(m_dc, nullptr));
  }

 private:
  HWND m_hwnd = nullptr;
  HDC m_dc = nullptr;
};

// BeginPaint / EndPaint for one WM_PAINT. Scoped: EndPaint must run in the same handler.
class PaintDc {
 public:
  explicit PaintDc(HWND hwnd) : m_hwnd(hwnd), m_paint{}, m_dc(BeginPaint(hwnd, &m_paint)) {}
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  ~PaintDc() {
    if (m_dc) EndPaint(m_hwnd, &m_paint);
  }

  HDC Get() const { return m_dc; }
  operator HDC() const { return m_dc; }
  const RECT& PaintRect() const { return m_paint.rcPaint; }

 private:
  HWND m_hwnd;
  PAINTSTRUCT m_paint;
  HDC m_dc;
};

// A menu from CreateMenu / CreatePopupMenu, destroyed with DestroyMenu.
struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;
