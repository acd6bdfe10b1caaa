// A phone's Home page: its model, system, battery and serial number, its phone memory and
// storage card as bars of used and free space, and the count of every kind of item, each a link
// that opens its section.
#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/dashboard/DashboardModel.h"

#include <functional>

class DhDashboardDelegate : public BASWindow {
 public:
  // Called after the window has gone; the owner may delete the page there.
  typedef std::function<void(DhDashboardDelegate* page)> GoneHandler;
  // A count update from another thread: the navigator item in wParam, its count in lParam.
  static constexpr UINT kCountMessage = WM_APP + 41;

  // Hidden, at the content panes' place in `parent`. Section links go to the host through
  // `module` (may be null: they are then dropped).
  bool CreateIn(HWND parent, const ModuleRecord* module, GoneHandler onGone);
  HWND Parent() const { return m_parent; }
  void ChangeSize();
  void Show(bool show);

  // The host's updates: 0 the summary (a DeviceInfo), 1 and 2 the memories (a MemoryInfo).
  void UpdateInfo(int64_t which, const void* payload);
  void UpdateCount(int32_t item, int32_t count);

  const DashboardState& State() const { return m_state; }
  const DashboardLayout& Layout() const { return m_layout; }

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnSize(int cx, int cy) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnMouseMove(int x, int y, UINT keys) override;
  bool OnMouseLeave() override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  void PaintInfo(HDC dc);
  void PaintMemory(HDC dc, size_t row);
  void PaintKind(HDC dc, size_t kind);
  void SetHot(int kind);
  void OpenSection(size_t kind);

  HWND m_parent = nullptr;
  const ModuleRecord* m_module = nullptr;
  GoneHandler m_onGone;
  DashboardState m_state;
  DashboardLayout m_layout;
  int m_hotKind = -1;
  bool m_tracking = false;
  COLORREF m_accent = RGB(35, 160, 100);
  GdiFont m_titleFont;
  GdiFont m_textFont;
  GdiFont m_labelFont;
  GdiFont m_countFont;
  GdiFont m_linkFont;
};
