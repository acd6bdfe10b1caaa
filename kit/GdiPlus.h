#pragma once

// GDI+ for the whole kit: with WIN32_LEAN_AND_MEAN the GDI+ headers miss objidl.h.
#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

// Starts GDI+ for the lifetime of the object; the process needs one before any GDI+ call.
class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    m_ok = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
  }
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  ~GdiplusSession() {
    if (m_ok) Gdiplus::GdiplusShutdown(m_token);
  }

  bool IsOk() const { return m_ok; }

 private:
  ULONG_PTR m_token = 0;
  bool m_ok = false;
};
