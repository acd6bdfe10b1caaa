#pragma once

#include "kit/BASWindow.h"

#include <string>

// A drop-down list whose items carry check boxes: several items can be checked, and the closed
// box shows the checked items' texts joined by the user's list separator. An item is checked
// when its item data is non-zero. Clicking an item (or Space) in the open list toggles it and
// leaves the list open; the parent hears of every toggle as CBN_SELCHANGE.
class BASComboBox : public BASWindow {
 public:
  BASComboBox() = default;
  ~BASComboBox() override;

  // CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS are added to `style`.
  bool Create(HWND parent, const RECT& rect, UINT id, DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP);
  int AddItem(const std::wstring& text, bool checked = false);
  void SetCheck(int index, bool checked);
  bool IsChecked(int index) const;
  int ItemCount() const;
  // The checked items' texts joined by the separator (what the closed box shows).
  std::wstring DisplayText();
  void SetFont(HFONT font);

  // The locale's list separator without trailing white space, ";" when empty, plus one space.
  static std::wstring ListSeparator();
  // Joins `texts` with `separator` (exposed for tests without a window).
  static std::wstring JoinChecked(const std::wstring* texts, const bool* checked, int count,
                                  const std::wstring& separator);

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnDrawItem(DRAWITEMSTRUCT& item) override;
  bool OnMeasureItem(MEASUREITEMSTRUCT& item) override;
  bool OnReflectedCommand(int code) override;

 private:
  static LRESULT CALLBACK ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR refData);
  void ToggleItem(int index);

  HWND m_listBox = nullptr;  // the drop-down list, subclassed once
  std::wstring m_displayText;
  bool m_displayValid = false;
  bool m_selectionHeightSet = false;
};
