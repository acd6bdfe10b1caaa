// One tile of the toolkit page: a product's logo and name, with a way to its web page. A normal
// tile is small and opens the page from its "Download" label; a hot tile is large, adds the
// description and opens the page from its button.
#pragma once

#include "kit/BASSwitchButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"
#include "modules/extras/ToolkitCatalog.h"

#include <memory>
#include <string>

struct ProductViewLook {
  HFONT nameFont = nullptr;         // Arial 18 bold
  HFONT descriptionFont = nullptr;  // Arial 16
  HFONT labelFont = nullptr;        // Arial 15
  HFONT buttonFont = nullptr;       // Arial 16 bold: the button, and normal tiles' names
  COLORREF hover = RGB(242, 246, 252);
  COLORREF buttonNormal = RGB(35, 125, 237);
  COLORREF buttonPressed = RGB(20, 100, 200);
  Gdiplus::Bitmap* badge = nullptr;         // borrowed; drawn in a hot tile's corner
  Gdiplus::Bitmap* downloadIcon = nullptr;  // borrowed
};

class DhProductView : public BASWindow {
 public:
  static constexpr int kDownloadButtonId = 7000;

  // Takes the logo over (may be null: the tile shows none).
  DhProductView(const ToolkitProduct& product, std::unique_ptr<Gdiplus::Bitmap> logo, const ProductViewLook& look);

  bool Create(HWND pane, const RECT& rect);
  bool IsHot() const { return m_product.hot; }
  const ToolkitProduct& Product() const { return m_product; }
  bool IsHovered() const { return m_hovered; }
  // Where a press opens the product's page (normal tiles), in tile coordinates.
  RECT DownloadLabelRect() const;

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnMouseMove(int x, int y, UINT keys) override;
  bool OnMouseLeave() override;
  bool OnTimer(UINT_PTR id) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  void OpenPage() const;
  void CreateTooltip();
  void DrawLogo(Gdiplus::Graphics& graphics, int x, int y) const;

  ToolkitProduct m_product;
  std::unique_ptr<Gdiplus::Bitmap> m_logo;
  ProductViewLook m_look;
  BASSwitchButton m_button;
  HWND m_tooltip = nullptr;
  bool m_hovered = false;
  bool m_tracking = false;
};
