#include "modules/handset/DeviceTabModel.h"

#include "contracts/DeviceRecord.h"

#include <algorithm>

void DeviceTabModel::AddTab(HWND tab) {
  if (tab && !Contains(tab)) m_tabs.push_back(tab);
}

int DeviceTabModel::RemoveTab(HWND tab) {
  const int index = IndexOf(tab);
  if (index < 0) return -1;
  ForgetDevice(tab);
  m_tabs.erase(m_tabs.begin() + index);
  if (m_selected == tab) m_selected = nullptr;
  return index;
}

int DeviceTabModel::IndexOf(HWND tab) const {
  const auto it = std::find(m_tabs.begin(), m_tabs.end(), tab);
  return it == m_tabs.end() || !tab ? -1 : static_cast<int>(it - m_tabs.begin());
}

DeviceTabModel::BindTarget DeviceTabModel::TargetFor(const std::wstring& deviceId) const {
  if (TabOfDevice(deviceId)) return BindTarget::kExistingTab;
  if (WaitingTab()) return BindTarget::kWaitingTab;
  return BindTarget::kNewTab;
}

HWND DeviceTabModel::WaitingTab() const {
  for (HWND tab : m_tabs)
    if (!HasDevice(tab)) return tab;
  return nullptr;
}

HWND DeviceTabModel::TabOfDevice(const std::wstring& deviceId) const {
  const auto it = m_tabOfDevice.find(deviceId);
  return it == m_tabOfDevice.end() ? nullptr : it->second;
}

std::wstring DeviceTabModel::DeviceOfTab(HWND tab) const {
  const auto it = m_deviceOfTab.find(tab);
  return it == m_deviceOfTab.end() ? std::wstring() : it->second;
}

void DeviceTabModel::BindDevice(HWND tab, const std::wstring& deviceId) {
  if (!Contains(tab) || deviceId.empty()) return;
  if (HWND previous = TabOfDevice(deviceId)) m_deviceOfTab.erase(previous);
  ForgetDevice(tab);
  m_tabOfDevice[deviceId] = tab;
  m_deviceOfTab[tab] = deviceId;
}

void DeviceTabModel::ForgetDevice(HWND tab) {
  const auto it = m_deviceOfTab.find(tab);
  if (it == m_deviceOfTab.end()) return;
  m_tabOfDevice.erase(it->second);
  m_deviceOfTab.erase(it);
}

std::wstring TabNameOfDevice(const DeviceRecord* device, const std::wstring& deviceId) {
  if (device) {
    const std::wstring& name = FirstDisplayName(*device);
    if (!name.empty()) return name;
  }
  return deviceId;
}

std::wstring RenamedTabName(const DeviceRecord* device) {
  if (!device || !device->displayName.empty()) return std::wstring();
  return FirstDisplayName(*device);
}

std::vector<int> StripPositions(const std::vector<int>& widths, int gap) {
  std::vector<int> positions;
  positions.reserve(widths.size());
  int x = 2;
  for (int width : widths) {
    positions.push_back(x);
    x += width + gap;
  }
  return positions;
}
