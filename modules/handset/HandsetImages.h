// The device pane's and the wizard's images: theme-relative paths and the set they are kept in.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"

namespace handset_image {
inline constexpr char kConnectedPhone[] = "common\\connected-phone.png";
inline constexpr char kDeviceClosePressed[] = "common\\device-close-pressed.png";
inline constexpr char kDeviceCloseNormal[] = "common\\device-close-normal.png";
inline constexpr char kStepEnabled[] = "connect\\connect-process-enable.png";
inline constexpr char kStepDisabled[] = "connect\\connect-process-disable.png";
inline constexpr char kPhone[] = "connect\\phone.png";
inline constexpr char kComputer[] = "connect\\computer.png";
inline constexpr char kConnectAnimation[] = "connect\\connect-animation.gif";
inline constexpr char kConnectBreak[] = "connect\\connect-break.png";
inline constexpr char kDebugSucceeded[] = "connect\\debug\\debug-sucessed.png";
inline constexpr char kAndroid20Debug[] = "connect\\debug\\android-2.0-debug.png";
inline constexpr char kAndroid30Debug[] = "connect\\debug\\android-3.0-debug.png";
inline constexpr char kAndroid42Debug[] = "connect\\debug\\android-4.2-debug.png";
inline constexpr char kAndroid60Debug[] = "connect\\debug\\android-6.0-debug.png";
inline constexpr char kAllowMtpAccess[] = "connect\\debug\\allow-mtp-access.png";
inline constexpr char kDriverVerify[] = "connect\\deriver-verify.png";
inline constexpr char kDownloadingDriver[] = "connect\\downloading-driver.gif";
inline constexpr char kDownloadFailed[] = "connect\\download-failed.png";
inline constexpr char kMyDevicePhone[] = "connect\\my-device-phone.png";
inline constexpr char kDetailNormal[] = "connect\\detail-normal.png";
inline constexpr char kDetailPressed[] = "connect\\detail-pressed.png";
inline constexpr char kWifiNormal[] = "connect\\connect-wifi-normal.png";
inline constexpr char kWifiPressed[] = "connect\\connect-wifi-pressed.png";
inline constexpr char kFirewallBlock[] = "connect\\wifi-connect-firewall-block.png";
inline constexpr char kCloseNormal[] = "common\\close-normal.png";
inline constexpr char kClosePressed[] = "common\\close-pressed.png";

// The help image of each Android-version tab.
inline constexpr const char* kDebugHelp[4] = {kAndroid20Debug, kAndroid30Debug, kAndroid42Debug, kAndroid60Debug};
}  // namespace handset_image

// Every image of the set, loaded once per pane from the product's theme folder. An image whose
// file cannot be read is taken from the host image cache when the host decoded it already;
// otherwise it stays missing and is drawn as nothing.
class HandsetImageSet {
 public:
  HandsetImageSet() = default;
  HandsetImageSet(const HandsetImageSet&) = delete;
  HandsetImageSet& operator=(const HandsetImageSet&) = delete;
  ~HandsetImageSet();

  void Load(const ImageCache* hostCache);
  // Null for a missing image or a path outside the set.
  Gdiplus::Bitmap* Get(const char* path) const;

 private:
  std::map<std::string, Gdiplus::Bitmap*> m_images;
  std::vector<Gdiplus::Bitmap*> m_owned;  // the ones loaded from files
};
