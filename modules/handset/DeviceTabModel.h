// The device tabs without their windows: strip order, which phone each tab shows, which tab is
// selected, and the rules by which an arriving phone finds its tab.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

struct DeviceRecord;

class DeviceTabModel {
 public:
  // Where a phone that binds goes.
  enum class BindTarget {
    kExistingTab,  // the phone already has a tab
    kWaitingTab,   // the tab made without a phone ("No Device") is taken
    kNewTab,
  };

  void AddTab(HWND tab);
  // Forgets the tab and its phone; the index it had, or -1 for an unknown tab.
  int RemoveTab(HWND tab);
  bool Contains(HWND tab) const { return IndexOf(tab) >= 0; }
  int IndexOf(HWND tab) const;
  const std::vector<HWND>& Tabs() const { return m_tabs; }

  BindTarget TargetFor(const std::wstring& deviceId) const;
  // The first tab without a phone; null when every tab has one.
  HWND WaitingTab() const;
  HWND TabOfDevice(const std::wstring& deviceId) const;
  // "" for a tab without a phone.
  std::wstring DeviceOfTab(HWND tab) const;
  bool HasDevice(HWND tab) const { return m_deviceOfTab.count(tab) != 0; }
  // Enters the pair both ways; a phone moving to another tab leaves its old one.
  void BindDevice(HWND tab, const std::wstring& deviceId);
  void ForgetDevice(HWND tab);

  HWND Selected() const { return m_selected; }
  void SetSelected(HWND tab) { m_selected = Contains(tab) ? tab : nullptr; }

 private:
  std::vector<HWND> m_tabs;
  std::map<std::wstring, HWND> m_tabOfDevice;
  std::map<HWND, std::wstring> m_deviceOfTab;
  HWND m_selected = nullptr;
};

// The name a phone's tab shows: its first non-empty display text, else its identifier, so a
// bound tab never reads "No Device". A null record (the host had none) names it by identifier.
std::wstring TabNameOfDevice(const DeviceRecord* device, const std::wstring& deviceId);
// The name a renamed phone's tab takes: only a phone without its first display text is renamed
// (by the next display text); empty when the tab keeps its name.
std::wstring RenamedTabName(const DeviceRecord* device);

// Left edges of tabs of these widths, laid out from x = 2 with `gap` between neighbours.
std::vector<int> StripPositions(const std::vector<int>& widths, int gap);
