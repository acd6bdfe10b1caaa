#include "kit/BASImgButton.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/ButtonCommon.h"
#include "kit/DoubleBuffer.h"
#include "kit/GdiHandles.h"

#include <algorithm>

namespace {

int ImageWidth(Gdiplus::Bitmap* image) { return image ? static_cast<int>(image->GetWidth()) : 0; }
int ImageHeight(Gdiplus::Bitmap* image) { return image ? static_cast<int>(image->GetHeight()) : 0; }

// Source and destination in pixels: DrawImage(image, x, y) would scale by the file's DPI.
void DrawSlice(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image, int dstX, int dstWidth, int srcX, int srcWidth,
               int height) {
  if (dstWidth <= 0 || srcWidth <= 0 || height <= 0) return;
  graphics.DrawImage(image, Gdiplus::Rect(dstX, 0, dstWidth, height), srcX, 0, srcWidth, height, Gdiplus::UnitPixel);
}

}  // namespace

bool BASImgButton::Create(HWND parent, UINT id, const RECT& rect) {
  return CreateControl(parent, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, rect, id);
}

void BASImgButton::Place(Gdiplus::Bitmap* pressed, int offsetX, Gdiplus::Bitmap* normal, int y) {
  SetImages(normal, pressed);
  m_width = ImageWidth(normal);
  m_height = ImageHeight(normal);
  m_offsetX = offsetX;
  m_y = y;
  if (!Hwnd()) return;
  RECT parentClient{};
  GetClientRect(GetParent(Hwnd()), &parentClient);
  SetWindowPos(Hwnd(), nullptr, parentClient.right + offsetX - m_width, y, m_width, m_height,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void BASImgButton::SetImages(Gdiplus::Bitmap* normal, Gdiplus::Bitmap* pressed) {
  m_normal = normal;
  m_pressed = pressed;
  m_disabled.reset(BASUtilityImage::ConvertToGray(normal));
  Invalidate(false);
}

void BASImgButton::SetCaps(int left, int right) {
  m_leftCap = std::max(0, left);
  m_rightCap = std::max(0, right);
  Invalidate(false);
}

void BASImgButton::SetText(const std::wstring& text) {
  m_text = text;
  Invalidate(false);
}

void BASImgButton::SetTextColor(COLORREF color) {
  m_textColor = color;
  Invalidate(false);
}

void BASImgButton::SetIconAndText(bool iconAndText) {
  m_iconAndText = iconAndText;
  Invalidate(false);
}

void BASImgButton::SetBackground(COLORREF color) {
  m_fillBackground = true;
  m_background = color;
  Invalidate(false);
}

void BASImgButton::SetFont(HFONT font) {
  if (Hwnd()) SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void BASImgButton::SetToggle(bool toggle) {
  m_toggle = toggle;
  Invalidate(false);
}

void BASImgButton::SetOn(bool on) {
  m_on = on;
  Invalidate(false);
}

void BASImgButton::SetState(int state) {
  m_state = std::clamp(state, kNormal, kDisabled);
  Invalidate(false);
}

void BASImgButton::SetEnabled(bool enabled) {
  if (Hwnd()) EnableWindow(Hwnd(), enabled ? TRUE : FALSE);
  // WM_ENABLE does not come when the window already was in that state.
  if (!enabled)
    SetState(kDisabled);
  else if (m_state == kDisabled)
    SetState(kNormal);
}

LRESULT BASImgButton::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_ERASEBKGND:
      handled = true;
      return 1;
    case WM_ENABLE:
      buttoncommon::ApplyEnable(wp, m_state);
      Invalidate(false);
      break;
    default:
      break;
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

bool BASImgButton::OnMouseMove(int, int, UINT) {
  buttoncommon::RequestHoverAndLeave(Hwnd(), m_tracking);
  return false;
}

bool BASImgButton::OnLButtonDown(int, int, UINT) {
  // The button never takes the system's pressed state, so no BN_CLICKED follows on the up.
  if (m_state == kDisabled) return true;
  m_state = kPressed;
  PostMessageW(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Hwnd()), BN_CLICKED),
               reinterpret_cast<LPARAM>(Hwnd()));
  if (m_toggle) m_on = !m_on;
  Invalidate(false);
  return true;
}

// The second press of a double click is a press like the first.
bool BASImgButton::OnLButtonDblClk(int x, int y, UINT keys) { return OnLButtonDown(x, y, keys); }

bool BASImgButton::OnLButtonUp(int, int, UINT) {
  if (m_state != kDisabled) m_state = kNormal;
  Invalidate(true);
  return false;
}

bool BASImgButton::OnMouseHover(int, int, UINT) {
  if (m_state == kDisabled) return true;
  m_state = kPressed;
  // A toggle's look follows its on flag alone.
  if (!m_toggle) Invalidate(false);
  return true;
}

bool BASImgButton::OnMouseLeave() {
  m_tracking = false;
  if (m_state == kDisabled) return true;
  m_state = kNormal;
  if (!m_toggle) Invalidate(false);
  return true;
}

bool BASImgButton::OnDrawItem(DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  DoubleBuffer buffer(item.hDC, item.rcItem);
  // Without a fill, transparent image edges show what lies beneath the button.
  if (!m_fillBackground && buffer.IsBuffered()) PaintParentBackground(Hwnd(), buffer.Dc(), item.rcItem);
  Draw(buffer.Dc(), item.rcItem);
  return true;
}

Gdiplus::Bitmap* BASImgButton::CurrentImage() const {
  if (m_toggle) return m_on ? m_pressed : m_normal;
  switch (m_state) {
    case kPressed:
    case kHover:
      return m_pressed;
    case kDisabled:
      return m_disabled.get();
    default:
      return m_normal;
  }
}

void BASImgButton::Draw(HDC dc, const RECT& client) const {
  if (m_fillBackground) {
    SetDCBrushColor(dc, m_background);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  }
  Gdiplus::Bitmap* image = CurrentImage();
  const int width = ImageWidth(image);
  const int height = ImageHeight(image);
  RECT textRect = client;
  if (image) {
    Gdiplus::Graphics graphics(dc);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    // Slices are uniform along the stretch; sampling past their edges would blur the caps in.
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    if (m_text.empty() || m_iconAndText)
      DrawSlice(graphics, image, 0, width, 0, width, height);
    else
      DrawThreeSlice(graphics, image, client);
  }
  if (m_text.empty()) return;
  if (m_iconAndText) {
    textRect.left = m_leftCap + width;
  } else {
    textRect.left = client.left + m_leftCap;
    textRect.right = client.right - m_rightCap;
  }
  const HFONT font = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  SelectGuard fontGuard(dc, font);
  SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, m_textColor);
  DrawTextW(dc, m_text.c_str(), static_cast<int>(m_text.size()), &textRect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void BASImgButton::DrawThreeSlice(Gdiplus::Graphics& graphics, Gdiplus::Bitmap* image, const RECT& client) const {
  const int imageWidth = ImageWidth(image);
  const int height = ImageHeight(image);
  const int width = client.right - client.left;
  const int left = std::min(m_leftCap, imageWidth);
  const int right = std::min(m_rightCap, imageWidth - left);
  DrawSlice(graphics, image, 0, left, 0, left, height);
  const int middle = width - left - right;
  if (middle > 0 && imageWidth - left - right > 0) {
    // Wine's GDI+ leaves the first column of a strongly stretched image empty; stretched one
    // pixel wider on each side under a clip, the middle covers its span exactly everywhere.
    const Gdiplus::GraphicsState saved = graphics.Save();
    graphics.SetClip(Gdiplus::Rect(left, 0, middle, height));
    DrawSlice(graphics, image, left - 1, middle + 2, left, imageWidth - left - right, height);
    graphics.Restore(saved);
  }
  DrawSlice(graphics, image, width - right, right, imageWidth - right, right, height);
}

void BASImgButton::Invalidate(bool erase) const {
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, erase ? TRUE : FALSE);
}
