// The toolkit page ("Super Toolkit"): a scrolling page of product tiles read from Toolbox.json
// beside the program, large "hot" tiles in two columns above a row of normal ones.
#pragma once

#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"
#include "modules/extras/DhProductView.h"
#include "modules/extras/ToolkitCatalog.h"

#include <memory>
#include <vector>

class DhToolkitDelegate : public BASWindow {
 public:
  // Posted by ADD_TOOLKIT; accepted and left alone.
  static constexpr UINT kAddToolkitMessage = WM_USER + 100;

  DhToolkitDelegate() = default;
  ~DhToolkitDelegate() override;

  // A hidden child of `parent` in `rect`, its tiles made from `toolboxPath`; the logos come
  // from `themesDir`'s super-toolkit folder. A missing or damaged file leaves the page empty.
  bool CreateIn(HWND parent, const RECT& rect, const std::wstring& toolboxPath, const std::wstring& themesDir);
  void ChangeSize(int width, int height);

  size_t HotTileCount() const { return m_hot.size(); }
  size_t NormalTileCount() const { return m_normal.size(); }
  DhProductView* Tile(bool hot, size_t index) const;
  int ScrollPosition() const { return m_scroll; }

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnSize(int cx, int cy) override;
  void OnPaint(HDC dc, const RECT& client) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  void LoadProducts();
  void LayOut();
  void UpdateScrollBar();
  void ScrollTo(int position);
  void OnVScroll(int request);

  std::wstring m_toolboxPath;
  std::wstring m_themesDir;
  COLORREF m_accent = RGB(35, 125, 237);
  GdiBrush m_backgroundBrush;
  GdiFont m_nameFont;
  GdiFont m_descriptionFont;
  GdiFont m_labelFont;
  GdiFont m_buttonFont;
  std::unique_ptr<Gdiplus::Bitmap> m_badge;
  std::unique_ptr<Gdiplus::Bitmap> m_downloadIcon;
  std::vector<std::unique_ptr<DhProductView>> m_hot;
  std::vector<std::unique_ptr<DhProductView>> m_normal;
  ToolkitLayout m_layout;
  int m_separatorRight = 0;  // the separator runs from x 16 to here, at y 57
  int m_scroll = 0;
  int m_wheelRest = 0;  // wheel delta short of a whole notch
};
