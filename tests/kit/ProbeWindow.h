#pragma once

#include "kit/BASWindow.h"

#include <functional>
#include <optional>

// A window whose handlers the test sets one by one; an unset handler keeps the base's.
class ProbeWindow : public BASWindow {
 public:
  std::optional<bool> paints;
  std::optional<bool> reflects;
  std::function<bool(CREATESTRUCTW*)> onCreate;
  std::function<void()> onDestroy;
  std::function<void(int, int)> onSize;
  std::function<bool(int, int, HWND)> onCommand;
  std::function<bool(NMHDR*, LRESULT&)> onNotify;
  std::function<void(HDC, const RECT&)> onPaint;
  std::function<bool(int, int, UINT)> onLButtonDown;
  std::function<bool(DRAWITEMSTRUCT&)> onDrawItem;
  std::function<bool(MEASUREITEMSTRUCT&)> onMeasureItem;
  std::function<bool(int)> onReflectedCommand;
  std::function<bool(NMHDR*, LRESULT&)> onReflectedNotify;
  std::function<LRESULT(UINT, WPARAM, LPARAM, bool&)> handleMessage;
  std::function<void(HWND)> onFinal;

 protected:
  bool PaintsClientArea() const override { return paints ? *paints : BASWindow::PaintsClientArea(); }
  bool ReflectsNotifications() const override { return reflects ? *reflects : BASWindow::ReflectsNotifications(); }
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override {
    return handleMessage ? handleMessage(msg, wp, lp, handled) : BASWindow::HandleMessage(msg, wp, lp, handled);
  }
  bool OnCreate(CREATESTRUCTW* cs) override { return onCreate ? onCreate(cs) : true; }
  void OnDestroy() override {
    if (onDestroy) onDestroy();
  }
  void OnSize(int cx, int cy) override {
    if (onSize) onSize(cx, cy);
  }
  bool OnCommand(int id, int code, HWND control) override { return onCommand && onCommand(id, code, control); }
  bool OnNotify(NMHDR* header, LRESULT& result) override { return onNotify && onNotify(header, result); }
  void OnPaint(HDC dc, const RECT& client) override {
    if (onPaint)
      onPaint(dc, client);
    else
      BASWindow::OnPaint(dc, client);
  }
  bool OnLButtonDown(int x, int y, UINT keys) override { return onLButtonDown && onLButtonDown(x, y, keys); }
  bool OnDrawItem(DRAWITEMSTRUCT& item) override { return onDrawItem && onDrawItem(item); }
  bool OnMeasureItem(MEASUREITEMSTRUCT& item) override { return onMeasureItem && onMeasureItem(item); }
  bool OnReflectedCommand(int code) override { return onReflectedCommand && onReflectedCommand(code); }
  bool OnReflectedNotify(NMHDR* header, LRESULT& result) override {
    return onReflectedNotify && onReflectedNotify(header, result);
  }
  void OnFinalMessage(HWND hwnd) override {
    if (onFinal) onFinal(hwnd);
  }
};

inline RECT MakeRect(int x, int y, int width, int height) { return RECT{x, y, x + width, y + height}; }

// A 32-bit DIB selected into a memory DC, for reading back what was painted.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height, COLORREF fill) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_old = SelectObject(m_dc, m_bitmap);
    Fill(MakeRect(0, 0, width, height), fill);
  }
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;
  ~PixelCanvas() {
    SelectObject(m_dc, m_old);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  bool Ok() const { return m_dc && m_bitmap; }
  HDC Dc() const { return m_dc; }
  COLORREF Pixel(int x, int y) const { return GetPixel(m_dc, x, y); }
  void Fill(const RECT& rect, COLORREF color) const { FillWith(m_dc, rect, color); }

  static void FillWith(HDC dc, const RECT& rect, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
  }

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
};
