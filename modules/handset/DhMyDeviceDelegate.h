#pragma once

#include "contracts/CommandRecord.h"
#include "kit/BASImgButton.h"
#include "kit/BASSubject.h"
#include "kit/BASSwitchImageButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/handset/DeviceTabModel.h"
#include "modules/handset/HandsetImages.h"

#include <map>
#include <memory>
#include <string>

class DhMyDeviceConnectWindow;
struct WifiServerInfo;

// The "My Device" page: a strip with one tab per phone ("No Device" while none is known) and the
// "Connect via WIFI" button, and under it the connection wizard of the selected phone. Turns the
// device service's notices (through the host) into tabs and wizard pages, and reports the
// user's tab choices and removals to the host.
class DhMyDeviceDelegate : public BASWindow {
 public:
  static constexpr int kStripHeight = 70;
  static constexpr UINT kWifiButtonId = 6001;
  // Posted to the pane with the tab (wParam) once the host agreed to its removal.
  static constexpr UINT kRemoveTabMessage = 6000;

  // Runs after the window is gone; the owner may delete the pane there.
  typedef void (*FinalHandler)(DhMyDeviceDelegate* pane);

  DhMyDeviceDelegate();
  ~DhMyDeviceDelegate() override;

  bool CreateIn(HWND parent, const RECT& rect, FinalHandler onFinal);
  void ChangeSize(int width, int height);
  // kDeviceNotice... of UPDATE_DEVICE_INFO and SWITCH_CONNECT.
  void DeviceNotice(int64_t kind, const CommandRecord& record);
  // Hands the Wi-Fi connection to the open QR dialogs; the caller frees it.
  void RelayWifiServer(WifiServerInfo* info);
  void RelayWifiConnected();

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnDestroy() override;
  void OnSize(int cx, int cy) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  struct DeviceTab {
    std::unique_ptr<BASSwitchImageButton> button;
    std::unique_ptr<DhMyDeviceConnectWindow> wizard;
    bool ready = false;
  };

  bool CreateWifiButton();
  DeviceTab* CreateTab(const std::wstring& name);
  // The tab's phone mark: green once the phone is ready, grey while it connects or is absent.
  void ShowReadyMark(DeviceTab& tab, bool ready);
  // Without any phone the waiting tab tells how to connect one instead of waiting to connect.
  void ShowNoPhoneHelp(DeviceTab& tab);
  DeviceTab* TabOf(HWND tab);
  void SetTabText(DeviceTab& tab, const std::wstring& name);
  void LayoutStrip(int from);
  void Layout();
  void PlaceWizard(DhMyDeviceConnectWindow& wizard);

  void SelectTab(HWND tab);
  void AskToRemove(HWND tab);
  void RemoveTab(HWND tab);
  void PressWifiButton();

  void BindDevice(const CommandRecord& record);
  void RenameDevice(const CommandRecord& record);
  void UpdateStatus(const CommandRecord& record);

  FinalHandler m_onFinal = nullptr;
  COLORREF m_stripColor = 0;
  COLORREF m_accentColor = 0;
  COLORREF m_selectedColor = 0;
  GdiBrush m_stripBrush;
  GdiBrush m_accentBrush;
  GdiBrush m_whiteBrush;
  GdiFont m_tabFont;
  HandsetImageSet m_images;
  // The phone mark in grey, for tabs whose phone is not ready.
  std::unique_ptr<Gdiplus::Bitmap> m_notReadyIcon;
  BASSubject m_qrDialogs;
  std::wstring m_wifiTitle;  // the title the host gave for the QR dialog
  HWND m_tooltip = nullptr;
  // After the fonts and images they borrow: the windows go first.
  BASImgButton m_wifiButton;
  DeviceTabModel m_model;
  std::map<HWND, DeviceTab> m_tabs;
};
