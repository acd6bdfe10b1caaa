#include "modules/handset/ConnectPagePainter.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"
#include "modules/handset/ConnectLayout.h"
#include "modules/handset/ConnectModel.h"
#include "modules/handset/GifAnimation.h"
#include "modules/handset/HandsetImages.h"
#include "modules/handset/HandsetModule.h"
#include "modules/handset/HandsetTexts.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr COLORREF kTitleText = RGB(51, 51, 51);
constexpr COLORREF kBodyText = RGB(89, 89, 89);
constexpr COLORREF kMutedText = RGB(127, 127, 127);
constexpr COLORREF kStepAhead = RGB(153, 153, 153);
constexpr COLORREF kFrame = RGB(204, 204, 204);
constexpr COLORREF kBarTrack = RGB(235, 235, 235);
constexpr COLORREF kDetailFill = RGB(247, 247, 247);

constexpr UINT kCentredLine = DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr UINT kLeftLine = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
constexpr UINT kCentredWrap = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
constexpr UINT kLeftWrap = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;

std::wstring Widen(const char* utf8) {
  wchar_t* wide = BASUtilityString::ConvertUtf8ToUnicode(utf8);
  std::wstring copy = wide ? wide : L"";
  std::free(wide);
  return copy;
}

void FrameBox(HDC dc, const RECT& box, HBRUSH brush) { FrameRect(dc, &box, brush); }

}  // namespace

void DrawImageCentered(HDC dc, Gdiplus::Bitmap* image, const RECT& box) {
  if (!image) return;
  const int width = static_cast<int>(image->GetWidth());
  const int height = static_cast<int>(image->GetHeight());
  const int x = box.left + (box.right - box.left - width) / 2;
  const int y = box.top + (box.bottom - box.top - height) / 2;
  // One graphics per image: GDI text drawn in between must not be covered by a later flush.
  Gdiplus::Graphics graphics(dc);
  graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
  graphics.DrawImage(image, Gdiplus::Rect(x, y, width, height), 0, 0, width, height, Gdiplus::UnitPixel);
}

void ConnectPagePainter::CreateResources(const HandsetImageSet* images) {
  m_images = images;
  m_accent = UrlColor("color:title:background", RGB(30, 158, 99));
  m_installFailedText = std::wstring(handset_text::kInstallFailedHead) + Widen(UrlString("email:support")) + L")" +
                        handset_text::kInstallFailedTail;
  m_titleFont.Reset(BASUtilityApp::GetFont(22, true, L"Arial"));
  m_headingFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));
  m_bodyFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_boldBodyFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_labelFont.Reset(BASUtilityApp::GetFont(14, true, L"Arial"));
  m_buttonFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_tabFont.Reset(BASUtilityApp::GetFont(14, true, L"Arial"));
  m_white.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  m_barBrush.Reset(CreateSolidBrush(m_accent));
  m_barTrackBrush.Reset(CreateSolidBrush(kBarTrack));
  m_frameBrush.Reset(CreateSolidBrush(kFrame));
  m_detailBrush.Reset(CreateSolidBrush(kDetailFill));
  m_managerPen.Reset(CreatePen(PS_SOLID, 1, kManagerLineColor));
}

Gdiplus::Bitmap* ConnectPagePainter::Image(const char* path) const { return m_images ? m_images->Get(path) : nullptr; }

void ConnectPagePainter::DrawAnimation(HDC dc, const char* path, const RECT& box,
                                       const AnimationFrame& animation) const {
  Gdiplus::Bitmap* image = Image(path);
  if (!image) return;
  SelectFrame(image, image == animation.image ? animation.frame : 0);
  DrawImageCentered(dc, image, box);
}

void ConnectPagePainter::DrawText(HDC dc, const std::wstring& text, RECT rect, HFONT font, COLORREF color,
                                  UINT format) const {
  if (text.empty()) return;
  SelectGuard fontGuard(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format);
}

void ConnectPagePainter::Paint(HDC dc, const ConnectLayout& layout, const ConnectModel& model,
                               const AnimationFrame& animation) const {
  FillRect(dc, &layout.client, m_white.Get());
  const int page = model.Page();
  if (page == connect_page::kManager) {
    // The device's navigator and panes cover the rest; these lines frame them.
    SelectGuard pen(dc, m_managerPen);
    MoveToEx(dc, layout.client.left, layout.client.top, nullptr);
    LineTo(dc, layout.client.right, layout.client.top);
    MoveToEx(dc, kNavigatorRightEdge, layout.client.top, nullptr);
    LineTo(dc, kNavigatorRightEdge, layout.client.bottom);
    return;
  }
  PaintHeader(dc, layout, model);
  switch (page) {
    case connect_page::kConnecting:
      PaintConnecting(dc, layout, animation);
      break;
    case connect_page::kDebugHelp:
      PaintDebugHelp(dc, layout, model);
      break;
    case connect_page::kAuthorize:
      PaintAuthorize(dc, layout);
      break;
    case connect_page::kDriverDownload:
      PaintDriver(dc, layout, model, animation, false);
      break;
    case connect_page::kDriverFailed:
      PaintDriver(dc, layout, model, animation, true);
      break;
    case connect_page::kInstallFailed:
      PaintInstallFailed(dc, layout, model);
      break;
    case connect_page::kDriverInstall:
      PaintDriverInstall(dc, layout, animation);
      break;
    case connect_page::kDetectFailed:
      PaintDetectFailed(dc, layout);
      break;
    case connect_page::kRootAuthorize:
      PaintRootAuthorize(dc, layout);
      break;
    default:  // 9 and 12 show the header only
      break;
  }
}

void ConnectPagePainter::PaintHeader(HDC dc, const ConnectLayout& layout, const ConnectModel& model) const {
  // The bar: a track, the filled share, a frame.
  const RECT& bar = layout.bar;
  FillRect(dc, &bar, m_barTrackBrush.Get());
  const int width = bar.right - bar.left;
  const float progress = std::clamp(model.Progress(), 0.0f, 100.0f);
  const int filled = static_cast<int>(std::floor(static_cast<float>(width) * progress / 100.0f));
  if (filled > 0) {
    const RECT done{bar.left, bar.top, bar.left + filled, bar.bottom};
    FillRect(dc, &done, m_barBrush.Get());
  }
  FrameBox(dc, bar, m_frameBrush.Get());

  const connect_status::StepMarks marks = model.Marks();
  const bool reached[3] = {marks.detect, marks.connect, marks.ready};
  const wchar_t* labels[3] = {handset_text::kStepDetect, handset_text::kStepConnect, handset_text::kStepReady};
  for (int i = 0; i < 3; ++i) {
    DrawImageCentered(dc, Image(reached[i] ? handset_image::kStepEnabled : handset_image::kStepDisabled),
                      layout.steps[i]);
    DrawText(dc, labels[i], layout.stepLabels[i], m_labelFont.Get(), reached[i] ? m_accent : kStepAhead, kCentredLine);
  }
}

void ConnectPagePainter::PaintConnecting(HDC dc, const ConnectLayout& layout, const AnimationFrame& animation) const {
  DrawText(dc, handset_text::kConnecting, layout.connectTitle, m_titleFont.Get(), kTitleText, kCentredLine);
  DrawImageCentered(dc, Image(handset_image::kPhone), layout.connectPhone);
  DrawAnimation(dc, handset_image::kConnectAnimation, layout.connectAnimation, animation);
  DrawImageCentered(dc, Image(handset_image::kComputer), layout.connectComputer);
  // "Tip:" in bold, the text after it on the same first line.
  RECT tip = layout.connectTip;
  SIZE tipSize{0, 0};
  {
    SelectGuard font(dc, m_boldBodyFont);
    GetTextExtentPoint32W(dc, handset_text::kTip, static_cast<int>(std::wcslen(handset_text::kTip)), &tipSize);
  }
  RECT tipLabel{tip.left, tip.top, tip.left + tipSize.cx + 6, tip.top + tipSize.cy};
  DrawText(dc, handset_text::kTip, tipLabel, m_boldBodyFont.Get(), kTitleText, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
  tip.left = tipLabel.right;
  DrawText(dc, handset_text::kApkTip, tip, m_bodyFont.Get(), kBodyText, kLeftWrap);
}

void ConnectPagePainter::PaintDebugHelp(HDC dc, const ConnectLayout& layout, const ConnectModel& model) const {
  DrawText(dc, model.DebugHelpTitle(), layout.debugTitle, m_headingFont.Get(), kTitleText, kCentredLine);
  const int version = std::clamp(model.Version(), 0, 3);
  DrawImageCentered(dc, Image(handset_image::kDebugHelp[version]), layout.debugImage);
}

void ConnectPagePainter::PaintAuthorize(HDC dc, const ConnectLayout& layout) const {
  DrawText(dc, handset_text::kAuthorize, layout.authorizeText, m_bodyFont.Get(), kBodyText, kCentredWrap);
  DrawImageCentered(dc, Image(handset_image::kDebugSucceeded), layout.authorizeDebugOk);
  DrawImageCentered(dc, Image(handset_image::kAllowMtpAccess), layout.authorizeImage);
}

void ConnectPagePainter::PaintDriver(HDC dc, const ConnectLayout& layout, const ConnectModel& model,
                                     const AnimationFrame& animation, bool failed) const {
  if (failed)
    DrawImageCentered(dc, Image(handset_image::kDownloadFailed), layout.driverImage);
  else
    DrawAnimation(dc, handset_image::kDownloadingDriver, layout.driverImage, animation);
  DrawText(dc, model.DownloadText(), layout.driverSizeText, m_boldBodyFont.Get(), kTitleText, kCentredLine);
  DrawText(dc, model.DeviceText(), layout.driverDeviceText, m_bodyFont.Get(), kMutedText, kCentredLine);
}

void ConnectPagePainter::PaintInstallFailed(HDC dc, const ConnectLayout& layout, const ConnectModel& model) const {
  DrawImageCentered(dc, Image(handset_image::kDownloadFailed), layout.installImage);
  DrawText(dc, m_installFailedText, layout.installText, m_bodyFont.Get(), kBodyText, kCentredWrap);
  FillRect(dc, &layout.installDetail, m_detailBrush.Get());
  FrameBox(dc, layout.installDetail, m_frameBrush.Get());
  RECT detail = layout.installDetail;
  InflateRect(&detail, -10, -8);
  DrawText(dc, model.FailureDetail(), detail, m_bodyFont.Get(), kTitleText, kLeftWrap | DT_END_ELLIPSIS);
}

void ConnectPagePainter::PaintDriverInstall(HDC dc, const ConnectLayout& layout,
                                            const AnimationFrame& animation) const {
  DrawAnimation(dc, handset_image::kDownloadingDriver, layout.verifyAnimation, animation);
  DrawText(dc, handset_text::kDriverVerify, layout.verifyText, m_bodyFont.Get(), kBodyText, kLeftWrap);
  DrawImageCentered(dc, Image(handset_image::kDriverVerify), layout.verifyImage);
}

void ConnectPagePainter::PaintDetectFailed(HDC dc, const ConnectLayout& layout) const {
  DrawImageCentered(dc, Image(handset_image::kPhone), layout.detectPhone);
  DrawImageCentered(dc, Image(handset_image::kConnectBreak), layout.detectBreak);
  DrawImageCentered(dc, Image(handset_image::kComputer), layout.detectComputer);
  DrawText(dc, handset_text::kDetectFailed, layout.detectTitle, m_headingFont.Get(), kTitleText, kLeftLine);
  // Line 3 is the link to the USB-debugging help, a child control that draws its text from the
  // top of its box; the others are drawn the same way so the four lines keep one rhythm.
  constexpr UINT kTopLine = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS;
  DrawText(dc, handset_text::kDetectLine1, layout.detectLines[0], m_bodyFont.Get(), kBodyText, kTopLine);
  DrawText(dc, handset_text::kDetectLine2, layout.detectLines[1], m_bodyFont.Get(), kBodyText, kTopLine);
  DrawText(dc, handset_text::kDetectLine4, layout.detectLines[3], m_bodyFont.Get(), kBodyText, kTopLine);
}

void ConnectPagePainter::PaintRootAuthorize(HDC dc, const ConnectLayout& layout) const {
  DrawText(dc, handset_text::kRootPrivilege, layout.rootText, m_boldBodyFont.Get(), kTitleText, kCentredWrap);
  FillRect(dc, &layout.rootSuperSu, m_detailBrush.Get());
  FrameBox(dc, layout.rootSuperSu, m_frameBrush.Get());
  DrawText(dc, handset_text::kSuperSu, layout.rootSuperSu, m_headingFont.Get(), kTitleText, kCentredLine);
  DrawText(dc, handset_text::kOr, layout.rootOr, m_bodyFont.Get(), kMutedText, kCentredLine);
  FillRect(dc, &layout.rootKingRoot, m_detailBrush.Get());
  FrameBox(dc, layout.rootKingRoot, m_frameBrush.Get());
  DrawText(dc, handset_text::kKingRoot, layout.rootKingRoot, m_headingFont.Get(), kTitleText, kCentredLine);
  DrawText(dc, handset_text::kRootPopup, layout.rootPopupText, m_bodyFont.Get(), kBodyText, kCentredWrap);
}
