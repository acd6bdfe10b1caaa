// Where the connection wizard puts things, from its client size alone: the header with the
// progress bar and the three steps, and each page's texts, pictures and controls. Pictures are
// drawn at their natural size centred in their boxes, which are sized for the theme's art.
#pragma once

#include <windows.h>

struct ConnectLayout {
  static constexpr int kHeaderBottom = 84;
  static constexpr int kStepSize = 32;
  static constexpr int kActionRowFromBottom = 56;
  static constexpr int kTextWidth = 720;

  RECT client{};
  // Header.
  RECT steps[3]{};
  RECT stepLabels[3]{};
  RECT bar{};
  // Between the header and the action button.
  RECT content{};
  int actionTop = 0;  // the action button's top; centred horizontally
  int centerX = 0;

  // Page 1: "Connecting your device", the phone, the cable animation, the computer, the tip.
  RECT connectTitle{};
  RECT connectPhone{};
  RECT connectAnimation{};
  RECT connectComputer{};
  RECT connectTip{};

  // Page 2: the heading, the row of Android-version tabs, the help picture.
  RECT debugTitle{};
  int versionTabsTop = 0;
  RECT debugImage{};

  // Page 3: the authorisation text, "debugging is on" and the phone's prompt.
  RECT authorizeText{};
  RECT authorizeDebugOk{};
  RECT authorizeImage{};

  // Pages 4 and 5: the driver picture, the byte count, the phone's text, the "Tips" link.
  RECT driverImage{};
  RECT driverSizeText{};
  RECT driverDeviceText{};
  int driverTipsTop = 0;

  // Page 6: the failure picture and text, the detail box and "Copy".
  RECT installImage{};
  RECT installText{};
  RECT installDetail{};
  int copyTop = 0;  // right-aligned with the detail box

  // Page 7: the running installation left, the driver-verification hint right.
  RECT verifyAnimation{};
  RECT verifyText{};
  RECT verifyImage{};
  int verifyTipsTop = 0;

  // Page 8: the broken connection, the heading and the four numbered lines.
  RECT detectPhone{};
  RECT detectBreak{};
  RECT detectComputer{};
  RECT detectTitle{};
  RECT detectLines[4]{};

  // Page 10: rooting help.
  RECT rootText{};
  RECT rootSuperSu{};
  RECT rootOr{};
  RECT rootKingRoot{};
  RECT rootPopupText{};
  RECT rootLink{};

  static ConnectLayout Compute(int width, int height);
};

// A w x h box centred on x, with its top at y.
RECT CenteredBox(int centerX, int top, int width, int height);
