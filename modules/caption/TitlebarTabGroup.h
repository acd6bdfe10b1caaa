#pragma once

#include <windows.h>

#include <map>

class BASSwitchButton;

// The category tabs of the title bar: exactly one is selected, and pressing it again changes
// nothing. The tabs select themselves when pressed; the group puts the previous one back.
class TitlebarTabGroup {
 public:
  void Add(BASSwitchButton* tab);
  // Enters a member as the selected tab without resetting any other.
  void Select(HWND tab);
  // A member was pressed. True when the selection moved to it: the previous tab is back in the
  // normal state and the owner reports the change.
  bool Press(HWND tab);
  HWND Selected() const { return m_selected; }
  bool Contains(HWND tab) const { return m_byWindow.count(tab) != 0; }

 private:
  std::map<HWND, BASSwitchButton*> m_byWindow;
  HWND m_selected = nullptr;
};
