#pragma once

#include "kit/BASWindow.h"
#include "kit/GdiPlus.h"

#include <cstdint>

// The list view's own header control, taken over by BASListView: flat column titles and, over
// the check column, a check image that checks or unchecks every row of the list.
class BASListViewHeader : public BASWindow {
 public:
  BASListViewHeader() = default;

  // `allChecked` is the list's flag, shown here and inverted by a click on the check image.
  // Through a read-only pointer the header only shows the flag; a click then still asks the
  // list to check or uncheck every row by the inverted value.
  void SetCheckImages(Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked, const int32_t* allChecked);
  void SetCheckImages(Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked, int32_t* allChecked);
  void SetBackground(COLORREF color);
  // Borrowed: the caller keeps the font alive as long as the header shows it.
  void SetFont(HFONT font);

  // The x range a click on the check image must hit (header client coordinates).
  bool IsOnCheckImage(int x) const;

 protected:
  bool PaintsClientArea() const override { return true; }
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  void OnPaint(HDC dc, const RECT& client) override;

 private:
  Gdiplus::Bitmap* m_checked = nullptr;
  Gdiplus::Bitmap* m_unchecked = nullptr;
  const int32_t* m_allChecked = nullptr;
  int32_t* m_writableAllChecked = nullptr;  // the same flag when the header may invert it
  COLORREF m_background = RGB(240, 240, 240);
  HFONT m_font = nullptr;  // borrowed; null: the control's own font
};
