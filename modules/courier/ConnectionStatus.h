// The connection status codes the service reports to the device pane (0..22), as far as the
// service itself acts on them. The pane maps every code to a wizard page; the service only needs
// to know which codes put a Cancel or a Retry button in front of the user.
#pragma once

#include <cstdint>

#include "modules/courier/DemoData.h"

constexpr int32_t kStatusNotDetected = 0;     // nothing found on the cable: "failed to be detected"
constexpr int32_t kStatusDetecting = 1;       // "Connecting your device"
constexpr int32_t kStatusDriverLink = 4;      // driver download starts; narrow text = its web page
constexpr int32_t kStatusDriverDownload = 6;  // byte progress in `position` / `total`
constexpr int32_t kStatusDriverFailed = 11;   // driver installation failed; text = detail to copy
constexpr int32_t kStatusAuthorize = 17;      // waiting for "Allow" on the phone
constexpr int32_t kStatusReady = 22;
constexpr int32_t kStatusMax = 22;

// The codes that show the driver download page, whose button sends DOWNLOAD_DRIVER_CANCEL.
inline bool IsDriverDownloadStatus(int32_t status) {
  return status == 4 || status == 5 || status == 6 || status == 7 || status == 9;
}

// The retry that the wizard's button sends while the phone stands at `status`; kNone where the
// page has no button that reaches the service.
inline DemoRetry RetryOfferedAt(int32_t status) {
  switch (status) {
    case 0:
    case 16:
    case 19:
    case 20:
      return DemoRetry::kRetryConnect;
    case 11:
      return DemoRetry::kInstallRetry;
    case 17:
      return DemoRetry::kDebugAuthorize;
    default:
      return DemoRetry::kNone;
  }
}
