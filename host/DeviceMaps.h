// Which phone is which: device identifier <-> device key (the device pane's tab) and
// device key <-> content-area window (the phone's wizard window, which parents its
// navigator and panes). Filled by the device pane's bind notices on the UI thread and read
// also from the device service's threads, hence the lock.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>

class DeviceMaps {
 public:
  void BindWindow(HWND key, HWND window);
  void BindIdentifier(HWND key, const std::wstring& identifier);
  // Forgets the tab and the window, and the identifier bound to the tab.
  void Forget(HWND key, HWND window);

  HWND KeyOfWindow(HWND window) const;
  HWND WindowOfKey(HWND key) const;
  HWND KeyOfIdentifier(const std::wstring& identifier) const;
  std::wstring IdentifierOfKey(HWND key) const;
  // The identifier of the phone whose content window (or tab) this is; "" if unknown.
  std::wstring IdentifierOfWindow(HWND window) const;
  HWND WindowOfIdentifier(const std::wstring& identifier) const;

 private:
  mutable std::mutex m_mutex;
  std::map<HWND, HWND> m_windowOfKey, m_keyOfWindow;
  std::map<HWND, std::wstring> m_identifierOfKey;
  std::map<std::wstring, HWND> m_keyOfIdentifier;
};
