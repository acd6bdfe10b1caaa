#include "kit/PaneToolbar.h"

namespace {

constexpr int kButtonGap = 20;
constexpr int kButtonY = 8;
// Low enough that a 16-pixel icon and text stay above the toolbar line at y 30.
constexpr int kButtonMarginX = 6;
constexpr int kButtonMarginY = 2;

void MoveTo(HWND hwnd, const RECT& rect) {
  if (hwnd) MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

}  // namespace

HWND CreateGrayLine(HWND parent, const RECT& rect) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | SS_GRAYRECT, rect.left, rect.top,
                         rect.right - rect.left, rect.bottom - rect.top, parent, nullptr, BASWindow::ModuleInstance(),
                         nullptr);
}

SIZE BitmapSize(Gdiplus::Bitmap* image) {
  return image ? SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())} : SIZE{0, 0};
}

bool PaneToolbar::Create(HWND pane, const ImageCache* images, const ToolbarLook& look,
                         const std::vector<PaneToolbarButton>& buttons, int firstX, UINT searchEditId,
                         UINT searchButtonId) {
  m_table = buttons;
  int x = firstX;
  for (const PaneToolbarButton& entry : m_table) {
    auto button = std::make_unique<BASSwitchImageButton>();
    if (!button->Create(pane, entry.id)) return false;
    button->SetFont(look.buttonFont);
    button->SetGroupMember(false);
    button->SetLayout(BASSwitchImageButton::kIconLeft);
    button->SetMargins(kButtonMarginX, kButtonMarginY);
    button->Place(look.background, look.pressed, FindImage(images, entry.normal), FindImage(images, entry.pressed),
                  entry.text, x, kButtonY);
    x = button->X() + button->Width() + kButtonGap;
    m_buttons.push_back(std::move(button));
  }

  if (!m_search.Create(pane, RECT{0, 4, 0, 25}, searchEditId, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL)) return false;
  m_search.SetFont(look.searchFont);
  Gdiplus::Bitmap* search = FindImage(images, "common\\operate-search.png");
  if (!m_searchButton.Create(pane, searchButtonId)) return false;
  m_searchButton.SetImages(search, search);
  m_searchButtonSize = BitmapSize(search);
  for (HWND& line : m_frame) line = CreateGrayLine(pane, RECT{0, 0, 0, 0});
  SetFocus(m_search.Hwnd());
  return true;
}

void PaneToolbar::Layout(const SearchBoxLayout& box) {
  MoveTo(m_search.Hwnd(), box.edit);
  MoveTo(m_searchButton.Hwnd(), box.button);
  for (size_t i = 0; i < m_frame.size(); ++i) MoveTo(m_frame[i], box.frame[i]);
}

HWND PaneToolbar::Button(UINT id) const {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (m_table[i].id == id) return m_buttons[i]->Hwnd();
  return nullptr;
}

void PaneToolbar::Release(UINT id) {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (m_table[i].id == id && m_buttons[i]->State() == BASSwitchButton::kSelected)
      m_buttons[i]->SetState(BASSwitchButton::kNormal);
}
