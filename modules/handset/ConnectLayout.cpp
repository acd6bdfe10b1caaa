#include "modules/handset/ConnectLayout.h"

#include <algorithm>

RECT CenteredBox(int centerX, int top, int width, int height) {
  const int left = centerX - width / 2;
  return RECT{left, top, left + width, top + height};
}

namespace {

RECT Box(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

}  // namespace

ConnectLayout ConnectLayout::Compute(int width, int height) {
  ConnectLayout l;
  width = std::max(width, 0);
  height = std::max(height, 0);
  l.client = RECT{0, 0, width, height};
  const int cx = width / 2;
  l.centerX = cx;

  // The steps sit on the bar, which runs from the first step's centre to the last one's.
  const int spacing = std::clamp((width - 200) / 2, 120, 260);
  const int stepTop = 16;
  for (int i = 0; i < 3; ++i) {
    const int stepCenter = cx + (i - 1) * spacing;
    l.steps[i] = CenteredBox(stepCenter, stepTop, kStepSize, kStepSize);
    l.stepLabels[i] = CenteredBox(stepCenter, stepTop + kStepSize + 6, 200, 20);
  }
  l.bar = RECT{cx - spacing, stepTop + kStepSize / 2 - 4, cx + spacing, stepTop + kStepSize / 2 + 4};

  l.actionTop = height - kActionRowFromBottom;
  l.content = RECT{0, kHeaderBottom, width, std::max<int>(kHeaderBottom, l.actionTop - 8)};
  const int top = l.content.top;
  const int textWidth = std::min(kTextWidth, std::max(width - 40, 100));

  // Page 1.
  l.connectTitle = CenteredBox(cx, top + 14, textWidth, 30);
  const int rowLeft = cx - (80 + 40 + 160 + 40 + 150) / 2;
  const int rowTop = top + 64;
  l.connectPhone = Box(rowLeft, rowTop, 80, 136);
  l.connectAnimation = Box(rowLeft + 120, rowTop + 48, 160, 40);
  l.connectComputer = Box(rowLeft + 320, rowTop + 6, 150, 124);
  l.connectTip = CenteredBox(cx, rowTop + 160, std::min(640, textWidth), 48);

  // Page 2.
  l.debugTitle = CenteredBox(cx, top + 10, textWidth, 26);
  l.versionTabsTop = top + 46;
  l.debugImage = CenteredBox(cx, top + 92, 640, 252);

  // Page 3.
  l.authorizeText = CenteredBox(cx, top + 12, textWidth, 66);
  const int authorizeLeft = cx - (160 + 30 + 480) / 2;
  l.authorizeDebugOk = Box(authorizeLeft, top + 106, 160, 180);
  l.authorizeImage = Box(authorizeLeft + 190, top + 90, 480, 252);

  // Pages 4 and 5.
  l.driverImage = CenteredBox(cx, top + 24, 220, 140);
  l.driverSizeText = CenteredBox(cx, top + 176, textWidth, 22);
  l.driverDeviceText = CenteredBox(cx, top + 202, textWidth, 22);
  l.driverTipsTop = top + 250;

  // Page 6.
  l.installImage = CenteredBox(cx, top + 12, 220, 140);
  l.installText = CenteredBox(cx, top + 160, textWidth, 66);
  l.installDetail = CenteredBox(cx, top + 232, textWidth, 64);
  l.copyTop = l.installDetail.bottom + 8;

  // Page 7.
  const int verifyLeft = cx - (220 + 40 + 420) / 2;
  l.verifyAnimation = Box(verifyLeft, top + 60, 220, 140);
  l.verifyText = Box(verifyLeft + 260, top + 8, 420, 66);
  l.verifyImage = Box(verifyLeft + 260, top + 80, 420, 200);
  l.verifyTipsTop = top + 300;

  // Page 8.
  const int detectLeft = cx - (80 + 30 + 160 + 30 + 150) / 2;
  l.detectPhone = Box(detectLeft, top + 8, 80, 136);
  l.detectBreak = Box(detectLeft + 110, top + 56, 160, 40);
  l.detectComputer = Box(detectLeft + 300, top + 14, 150, 124);
  const int linesLeft = cx - std::min(640, textWidth) / 2;
  const int linesWidth = std::min(640, textWidth);
  l.detectTitle = Box(linesLeft, top + 160, linesWidth, 24);
  for (int i = 0; i < 4; ++i) l.detectLines[i] = Box(linesLeft + 16, top + 194 + i * 26, linesWidth - 16, 22);

  // Page 10.
  l.rootText = CenteredBox(cx, top + 12, textWidth, 44);
  l.rootSuperSu = Box(cx - 60 - 160, top + 68, 160, 44);
  l.rootOr = Box(cx - 60, top + 68, 120, 44);
  l.rootKingRoot = Box(cx + 60, top + 68, 160, 44);
  l.rootPopupText = CenteredBox(cx, top + 126, textWidth, 66);
  l.rootLink = CenteredBox(cx, top + 200, textWidth, 44);
  return l;
}
