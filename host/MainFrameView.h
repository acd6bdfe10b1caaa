// MainFrameView: the frame's only child, on which every module pane lives. Its creation
// registers the host's names, preloads the theme images and starts the device service;
// its message 1124 is the UI-thread router.
#pragma once

#include "contracts/CommandPayloads.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"

class MainFrameView : public BASWindow {
 public:
  static constexpr wchar_t kClassName[] = L"ZorvaneStewardMainView";
  static constexpr UINT_PTR kUpdateCheckTimer = 1;
  static constexpr UINT kUpdateCheckDelayMs = 10000;

  bool CreateView(HWND frame, const RECT& rect);
  // The size posted with MAIN_COMMAND_CHANGE_SIZE; rewritten on every WM_SIZE.
  SizePayload& ClientSize() { return m_size; }

 protected:
  bool OnCreate(CREATESTRUCTW* cs) override;
  void OnSize(int cx, int cy) override;
  bool OnTimer(UINT_PTR id) override;
  void OnPaint(HDC dc, const RECT& client) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  SizePayload m_size = {0, 0};
  HICON m_logo = nullptr;
  GdiBrush m_edgeBrush;
};
