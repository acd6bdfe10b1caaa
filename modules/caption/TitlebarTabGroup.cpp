#include "modules/caption/TitlebarTabGroup.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/BASSwitchButton.h"

void TitlebarTabGroup::Add(BASSwitchButton* tab) {
  if (tab && tab->Hwnd()) m_byWindow[tab->Hwnd()] = tab;
}

void TitlebarTabGroup::Select(HWND tab) {
  if (Contains(tab)) m_selected = tab;
}

bool TitlebarTabGroup::Press(HWND tab) {
  auto pressed = m_byWindow.find(tab);
  if (pressed == m_byWindow.end() || tab == m_selected) return false;
  auto previous = m_byWindow.find(m_selected);
  if (previous != m_byWindow.end()) previous->second->SetState(BASSwitchButton::kNormal);
  pressed->second->SetState(BASSwitchButton::kSelected);
  m_selected = tab;
  BASTrace("Pressed One");
  return true;
}
