// The Wi-Fi dialog: the QR code a phone's companion app scans to reach this PC over the local
// network, the PC's address, the steps to follow and a link to the app. It hears the address
// from the device pane (update kind 0, a WifiServerInfo) and closes when a phone has connected
// (kind 1).
#pragma once

#include "contracts/CommandPayloads.h"
#include "kit/BASSwitchButton.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"
#include "kit/UiDialog.h"

#include <memory>
#include <string>

class DhMyDeviceQrDialog : public UiDialog {
 public:
  static constexpr int kWidth = 720;
  static constexpr int kHeight = 600;
  static constexpr int kCloseButtonId = 4009;
  static constexpr int kLinkId = 4010;

  // The images are borrowed.
  DhMyDeviceQrDialog(const std::wstring& title, Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed,
                     Gdiplus::Bitmap* firewall);
  ~DhMyDeviceQrDialog() override;

  // Before it runs.
  void SetTitle(const std::wstring& title) { m_title = title; }
  void update(int32_t kind, int32_t value) override;
  // What the code says ("address:port"), and whether it could be drawn.
  const std::string& QrText() const { return m_qrText; }
  bool HasQrImage() const { return m_qrImage != nullptr; }
  // Where the code is drawn, in dialog coordinates.
  RECT QrBox() const;

 protected:
  bool OnStart() override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  HBRUSH ControlBrush(HDC dc, HWND control) override;

 private:
  void SetServer(const WifiServerInfo& server);

  std::wstring m_title;
  std::wstring m_address;
  int32_t m_port = 0;
  std::string m_qrText;
  std::wstring m_failure;  // why there is no code to show
  std::unique_ptr<Gdiplus::Bitmap> m_qrImage;
  Gdiplus::Bitmap* m_firewall;
  std::wstring m_appUrl;
  BASSwitchButton m_close;
  HWND m_link = nullptr;
  GdiFont m_textFont;
  GdiFont m_boldFont;
  GdiFont m_headingFont;
  GdiFont m_addressFont;
};
