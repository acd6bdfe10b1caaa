// The words the device pane and the connection wizard show, exactly as the product ships them
// (spelling included: support has matched user reports against these strings for years).
#pragma once

namespace handset_text {

inline constexpr wchar_t kNoDevice[] = L"No Device";
inline constexpr wchar_t kConnectViaWifi[] = L"Connect via WIFI";

inline constexpr wchar_t kStepDetect[] = L"1.Detect Device";
inline constexpr wchar_t kStepConnect[] = L"2.Connect Device";
inline constexpr wchar_t kStepReady[] = L"3.Device Ready";

inline constexpr wchar_t kTip[] = L"Tip:";
inline constexpr wchar_t kApkTip[] =
    L"Android Steward APK file will be installed to guarantee the successful connection and management on Android.";
inline constexpr wchar_t kConnecting[] = L"Connecting your device";

inline constexpr wchar_t kCancel[] = L"Cancel";
inline constexpr wchar_t kCopy[] = L"Copy";
inline constexpr wchar_t kRetry[] = L"Retry";
inline constexpr wchar_t kBack[] = L"Back";
inline constexpr wchar_t kShowAgain[] = L"Show Again";

// The support address goes between the two halves, then ")" and the tail.
inline constexpr wchar_t kInstallFailedHead[] =
    L"Sorry, the USB drive is failed to install, please click the \"Copy\" button to copy and send the info of "
    L"your phone's model to our support mailbox (";
inline constexpr wchar_t kInstallFailedTail[] = L". We will update the driver and inform you to try again.";

inline constexpr wchar_t kDetectFailed[] = L"Sorry, your device is failed to be detected, please check it as follows:";
inline constexpr wchar_t kDetectLine1[] = L"1. Un-plug and plug the USB cable to link your device to computer again.";
inline constexpr wchar_t kDetectLine2[] = L"2. Change another USB port or USB cable.";
inline constexpr wchar_t kDetectLine3[] = L"3. Enable \"USB Debugging\" on your device.";
inline constexpr wchar_t kDetectLine4[] =
    L"4. Restart your device and computer if the above methods are invalid, then try again.";

inline constexpr wchar_t kAuthorize[] =
    L"If your Android OS version is 4.2 or above, please authorize your computer via your device by clicking \"OK\" "
    L"on it as shown below. And some devices are also required to click the \"ALLOW\" button on the device.";

inline constexpr wchar_t kDebugPlease[] = L"Please follow the steps to enable USB debugging";
inline constexpr wchar_t kDebugTake[] = L"Take the following steps to enable USB debugging";
inline constexpr const wchar_t* kAndroidVersions[4] = {
    L"For Android 2.1~2.3",
    L"For Android 3.0~4.1",
    L"For Android 4.2~5.0",
    L"For Android 6.0+",
};

inline constexpr wchar_t kRootPrivilege[] =
    L"You need to give privilege to the software manually to coninue the scanning process, please do it as follow:";
inline constexpr wchar_t kSuperSu[] = L"Super SU";
inline constexpr wchar_t kKingRoot[] = L"KingRoot";
inline constexpr wchar_t kOr[] = L"Or";
inline constexpr wchar_t kRootPopup[] =
    L"If there's a pop-up window of Superuser or KingRoot appears on your phone as above, please click \"Grant\" or "
    L"\"Allow\" button to confirm the request. Otherwise, the scanning process can't be finished successfully.";
// "rooting page" is the link to the rooting guide.
inline constexpr wchar_t kRootNoPopupHead[] = L"If there's no pop-up window on your device, you can go to the ";
inline constexpr wchar_t kRootNoPopupLink[] = L"rooting page";
inline constexpr wchar_t kRootNoPopupTail[] = L" to get previlege step by step.";

inline constexpr wchar_t kDriverVerify[] =
    L"If a window like below is poped up during the driver's installation process, please select \"Install this "
    L"driver software anyway\"";
inline constexpr wchar_t kDriverTips[] = L"Tips: Click here to download and install the driver manually if you need.";

}  // namespace handset_text
