// The strip above a content pane's list: a row of operation buttons and the framed search box
// with its button at the pane's right edge. The pane owns it and hears its clicks as
// WM_COMMAND.
#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASSwitchImageButton.h"
#include "kit/PaneGeometry.h"

#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

struct PaneToolbarButton {
  UINT id;
  const wchar_t* text;
  const char* pressed;  // theme-relative image paths
  const char* normal;
};

struct ToolbarLook {
  COLORREF background;
  COLORREF pressed;
  HFONT buttonFont;  // borrowed, like the search font
  HFONT searchFont;
};

class PaneToolbar {
 public:
  PaneToolbar() = default;
  PaneToolbar(const PaneToolbar&) = delete;
  PaneToolbar& operator=(const PaneToolbar&) = delete;

  // The buttons left to right from `firstX`, 20 pixels apart; the search edit gets the focus.
  bool Create(HWND pane, const ImageCache* images, const ToolbarLook& look,
              const std::vector<PaneToolbarButton>& buttons, int firstX, UINT searchEditId, UINT searchButtonId);
  // Moves the search box, its button and frame to the pane's right edge.
  void Layout(const SearchBoxLayout& box);
  SIZE SearchButtonSize() const { return m_searchButtonSize; }

  HWND SearchEdit() const { return m_search.Hwnd(); }
  std::wstring SearchText() const { return m_search.Text(); }
  HWND Button(UINT id) const;
  // A toolbar button stays pressed after its click until this: it would post no second click.
  void Release(UINT id);

 private:
  std::vector<PaneToolbarButton> m_table;
  std::vector<std::unique_ptr<BASSwitchImageButton>> m_buttons;
  BASEdit m_search;
  BASImgButton m_searchButton;
  SIZE m_searchButtonSize{0, 0};
  // Child windows of the pane, gone with it.
  std::array<HWND, 4> m_frame{};
};

// A disabled gray STATIC line, a child of `parent`.
HWND CreateGrayLine(HWND parent, const RECT& rect);
SIZE BitmapSize(Gdiplus::Bitmap* image);
