#include "modules/rolodex/ContactsToolbar.h"

namespace {

struct ToolbarButton {
  UINT id;
  const wchar_t* text;
  const char* pressed;
  const char* normal;
};

// Left to right.
const ToolbarButton kButtons[6] = {
    {kNewButtonId, L"New", "common\\button\\operate-add-pressed.png", "common\\button\\operate-add-normal.png"},
    {kEditButtonId, L"Edit", "common\\button\\operate-edit-pressed.png", "common\\button\\operate-edit-normal.png"},
    {kDeleteButtonId, L"Delete", "common\\button\\operate-delete-pressed.png",
     "common\\button\\operate-delete-normal.png"},
    {kExportButtonId, L"Export", "common\\button\\operate-export-pressed.png",
     "common\\button\\operate-export-normal.png"},
    {kImportButtonId, L"Import", "common\\button\\operate-import-pressed.png",
     "common\\button\\operate-import-normal.png"},
    {kRefreshButtonId, L"Refresh", "common\\button\\operate-refresh-pressed.png",
     "common\\button\\operate-refresh-normal.png"},
};
constexpr int kFirstButtonX = 40;
constexpr int kButtonGap = 20;
constexpr int kButtonY = 8;
// Low enough that a 16-pixel icon and text stay above the toolbar line at y 30.
constexpr int kButtonMarginX = 6;
constexpr int kButtonMarginY = 2;

HWND CreateGrayLine(HWND parent, const RECT& rect) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | SS_GRAYRECT, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, BASWindow::ModuleInstance(),
                         nullptr);
}

SIZE ImageSize(Gdiplus::Bitmap* image) {
  return image ? SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())} : SIZE{0, 0};
}

void MoveTo(HWND hwnd, const RECT& rect) {
  if (hwnd) MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

}  // namespace

bool ContactsToolbar::Create(HWND pane, const ImageCache* images, const ToolbarLook& look) {
  Gdiplus::Bitmap* expand = FindImage(images, "contacts\\operate-expand-normal.png");
  if (!m_expand.Create(pane, kExpandButtonId)) return false;
  m_expand.SetImages(expand, FindImage(images, "contacts\\operate-expand-pressed.png"));
  const SIZE expandSize = ImageSize(expand);
  MoveWindow(m_expand.Hwnd(), 8, 8, expandSize.cx, expandSize.cy, FALSE);
  m_separator = CreateGrayLine(pane, RECT{29, 4, 30, 26});

  int x = kFirstButtonX;
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    BASSwitchImageButton& button = m_buttons[i];
    if (!button.Create(pane, kButtons[i].id)) return false;
    button.SetFont(look.buttonFont);
    button.SetGroupMember(false);
    button.SetLayout(BASSwitchImageButton::kIconLeft);
    button.SetMargins(kButtonMarginX, kButtonMarginY);
    button.Place(look.background, look.pressed, FindImage(images, kButtons[i].normal),
                 FindImage(images, kButtons[i].pressed), kButtons[i].text, x, kButtonY);
    x = button.X() + button.Width() + kButtonGap;
  }

  if (!m_search.Create(pane, RECT{0, 4, 0, 25}, kSearchEditId, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL)) return false;
  m_search.SetFont(look.searchFont);
  Gdiplus::Bitmap* search = FindImage(images, "common\\operate-search.png");
  if (!m_searchButton.Create(pane, kSearchButtonId)) return false;
  m_searchButton.SetImages(search, search);
  m_searchButtonSize = ImageSize(search);
  for (HWND& line : m_frame) line = CreateGrayLine(pane, RECT{0, 0, 0, 0});
  SetFocus(m_search.Hwnd());
  return true;
}

void ContactsToolbar::Layout(const PaneLayout& layout) {
  MoveTo(m_search.Hwnd(), layout.searchEdit);
  MoveTo(m_searchButton.Hwnd(), layout.searchButton);
  for (size_t i = 0; i < m_frame.size(); ++i) MoveTo(m_frame[i], layout.searchFrame[i]);
}

HWND ContactsToolbar::Button(UINT id) const {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (kButtons[i].id == id) return m_buttons[i].Hwnd();
  return nullptr;
}

void ContactsToolbar::Release(UINT id) {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (kButtons[i].id == id && m_buttons[i].State() == BASSwitchButton::kSelected)
      m_buttons[i].SetState(BASSwitchButton::kNormal);
}
