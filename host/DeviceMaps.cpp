#include "host/DeviceMaps.h"

namespace {

template <typename K, typename V>
V Lookup(const std::map<K, V>& map, const K& key) {
  auto it = map.find(key);
  return it == map.end() ? V() : it->second;
}

}  // namespace

void DeviceMaps::BindWindow(HWND key, HWND window) {
  if (key == nullptr || window == nullptr) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  m_windowOfKey[key] = window;
  m_keyOfWindow[window] = key;
}

void DeviceMaps::BindIdentifier(HWND key, const std::wstring& identifier) {
  if (key == nullptr || identifier.empty()) return;
  std::lock_guard<std::mutex> lock(m_mutex);
  // A phone that comes back under another tab takes its identifier with it.
  auto old = m_keyOfIdentifier.find(identifier);
  if (old != m_keyOfIdentifier.end() && old->second != key) m_identifierOfKey.erase(old->second);
  m_identifierOfKey[key] = identifier;
  m_keyOfIdentifier[identifier] = key;
}

void DeviceMaps::Forget(HWND key, HWND window) {
  std::lock_guard<std::mutex> lock(m_mutex);
  auto id = m_identifierOfKey.find(key);
  if (id != m_identifierOfKey.end()) {
    auto back = m_keyOfIdentifier.find(id->second);
    if (back != m_keyOfIdentifier.end() && back->second == key) m_keyOfIdentifier.erase(back);
    m_identifierOfKey.erase(id);
  }
  m_windowOfKey.erase(key);
  m_keyOfWindow.erase(window);
}

HWND DeviceMaps::KeyOfWindow(HWND window) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Lookup(m_keyOfWindow, window);
}

HWND DeviceMaps::WindowOfKey(HWND key) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Lookup(m_windowOfKey, key);
}

HWND DeviceMaps::KeyOfIdentifier(const std::wstring& identifier) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Lookup(m_keyOfIdentifier, identifier);
}

std::wstring DeviceMaps::IdentifierOfKey(HWND key) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Lookup(m_identifierOfKey, key);
}

std::wstring DeviceMaps::IdentifierOfWindow(HWND window) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  HWND key = Lookup(m_keyOfWindow, window);
  return Lookup(m_identifierOfKey, key ? key : window);
}

HWND DeviceMaps::WindowOfIdentifier(const std::wstring& identifier) const {
  std::lock_guard<std::mutex> lock(m_mutex);
  return Lookup(m_windowOfKey, Lookup(m_keyOfIdentifier, identifier));
}
