#include "modules/handset/DhMyDeviceQrDialog.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "modules/handset/QrImage.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr COLORREF kGrey = RGB(127, 127, 127);
constexpr COLORREF kStepBlue = RGB(35, 125, 237);
constexpr int kRightMargin = 20;
constexpr int kBoxSize = 180;
constexpr int kBoxLeft = 40;
constexpr int kBoxTop = 101;
constexpr int kTextLeft = 240;

// Draws `text` word-wrapped in `rect`; the height it took.
int PaintWrapped(HDC dc, HFONT font, COLORREF color, const std::wstring& text, RECT rect, UINT format = DT_LEFT) {
  SelectGuard select(dc, font);
  SetTextColor(dc, color);
  RECT measure = rect;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measure,
            format | DT_WORDBREAK | DT_CALCRECT | DT_NOPREFIX);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, format | DT_WORDBREAK | DT_NOPREFIX);
  return measure.bottom - measure.top;
}

}  // namespace

DhMyDeviceQrDialog::DhMyDeviceQrDialog(const std::wstring& title, Gdiplus::Bitmap* closeNormal,
                                       Gdiplus::Bitmap* closePressed, Gdiplus::Bitmap* firewall)
    : UiDialog(closeNormal, closePressed), m_title(title), m_firewall(firewall) {
  SetSize(kWidth, kHeight);
}

DhMyDeviceQrDialog::~DhMyDeviceQrDialog() { DestroyDialog(); }

RECT DhMyDeviceQrDialog::QrBox() const { return RECT{kBoxLeft, kBoxTop, kBoxLeft + kBoxSize, kBoxTop + kBoxSize}; }

bool DhMyDeviceQrDialog::OnStart() {
  SetWindowTextW(Hwnd(), m_title.c_str());
  m_textFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_boldFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_headingFont.Reset(BASUtilityApp::GetFont(22, true, L"Arial"));
  m_addressFont.Reset(BASUtilityApp::GetFont(17, false, L"Arial"));
  m_appUrl = SettingText("url:apk_url");

  if (!CreateButton(m_close, kCloseButtonId, L"Close")) return false;
  m_close.SetMargins(20, 6);
  PlaceButton(m_close, kRightMargin, Height() - 20 - m_close.Height());

  // The download address as both target and label.
  const std::wstring markup = L"<a href=\"" + m_appUrl + L"\">" + m_appUrl + L"</a>";
  m_link = CreateWindowExW(0, WC_LINK, markup.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 267, 480, 400, 22, Hwnd(),
                           reinterpret_cast<HMENU>(INT_PTR(kLinkId)), ModuleInstance(), nullptr);
  if (m_link) {
    SendMessageW(m_link, WM_SETFONT, reinterpret_cast<WPARAM>(m_textFont.Get()), FALSE);
    // Sized to its text.
    ClientDc screen(m_link);
    SelectGuard font(screen, m_textFont);
    SIZE text{};
    GetTextExtentPoint32W(screen, m_appUrl.c_str(), static_cast<int>(m_appUrl.size()), &text);
    SetWindowPos(m_link, nullptr, 0, 0, text.cx + 4, std::max<LONG>(text.cy + 2, 18), SWP_NOMOVE | SWP_NOZORDER);
  }
  SetWindowRgn(Hwnd(), CreateRoundRectRgn(0, 0, Width() + 1, Height() + 1, 5, 5), FALSE);
  return true;
}

void DhMyDeviceQrDialog::update(int32_t kind, int32_t value) {
  if (kind == 0) {
    const auto* server = reinterpret_cast<const WifiServerInfo*>(static_cast<intptr_t>(value));
    if (server) SetServer(*server);
  } else if (kind == 1) {
    if (Hwnd()) End(kCancelId);
  }
}

void DhMyDeviceQrDialog::SetServer(const WifiServerInfo& server) {
  m_address = server.address;
  m_port = server.port;
  m_failure = server.failure;
  m_qrImage.reset();
  m_qrText.clear();
  if (!m_failure.empty()) {
    if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
    return;
  }
  m_qrText = QrConnectionText(m_address, m_port);
  std::vector<uint8_t> png;
  std::string error;
  if (EncodeQrPng(m_qrText, png, error))
    m_qrImage.reset(BASMemImage::mi_from_memory(png.data(), png.size()));
  else
    std::fprintf(stderr, "%s\n", error.c_str());
  if (Hwnd()) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhMyDeviceQrDialog::OnPaint(HDC dc, const RECT& client) {
  UiDialog::OnPaint(dc, client);
  DcStateGuard state(dc);
  SetBkMode(dc, TRANSPARENT);
  const int right = client.right - kRightMargin;
  PaintWrapped(dc, m_headingFont.Get(), kGrey, L"Connect via WIFI...", RECT{40, 50, right, 90});

  // The code, centred in its framed box.
  const RECT box = QrBox();
  GdiBrush frame(CreateSolidBrush(kGrey));
  FrameRect(dc, &box, frame.Get());
  if (m_qrImage) {
    const int width = static_cast<int>(m_qrImage->GetWidth());
    const int height = static_cast<int>(m_qrImage->GetHeight());
    Gdiplus::Graphics graphics(dc);
    // Whole pixels only: a scanner wants sharp modules.
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeNearestNeighbor);
    graphics.DrawImage(m_qrImage.get(), box.left + (kBoxSize - width) / 2, box.top + (kBoxSize - height) / 2, width,
                       height);
  } else if (!m_failure.empty()) {
    // No code to scan: the box says why, so the user is not left waiting on an empty frame.
    RECT inside = box;
    InflateRect(&inside, -12, -12);
    PaintWrapped(dc, m_addressFont.Get(), RGB(192, 0, 0), m_failure, inside, DT_CENTER);
  }
  if (!m_address.empty())
    PaintWrapped(dc, m_addressFont.Get(), RGB(0, 0, 0), L"IP: " + m_address, RECT{40, 301, 220, 330}, DT_CENTER);

  const std::wstring where = m_address.empty() ? L"" : L" (" + NetworkText(m_address) + L")";
  const std::wstring network = L"Please insure that your phone and computer within the same network" + where +
                               L", and click \"Allow access\" if the following window pops up.";
  int y = kBoxTop + PaintWrapped(dc, m_headingFont.Get(), kGrey, network, RECT{kTextLeft, kBoxTop, right, 300});
  if (m_firewall) {
    y += 30;
    const int width = static_cast<int>(m_firewall->GetWidth());
    const int height = static_cast<int>(m_firewall->GetHeight());
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(m_firewall, kTextLeft + (right - kTextLeft - width) / 2, y, width, height);
    y += height;
  }
  y += 20;
  y += PaintWrapped(dc, m_addressFont.Get(), RGB(0, 0, 0), L"Wirelessly connect by scanning the left QR code",
                    RECT{kTextLeft, y, right, y + 40});
  const wchar_t* const steps[] = {L"Download app via the browser on your phone:", L"Launch the app and scan QR code."};
  const int offsets[] = {40, 86};
  GdiBrush blue(CreateSolidBrush(kStepBlue));
  GdiPen none(CreatePen(PS_NULL, 0, 0));
  for (int i = 0; i < 2; ++i) {
    const int top = y + offsets[i];
    SelectGuard brush(dc, blue);
    SelectGuard pen(dc, none);
    Ellipse(dc, kTextLeft, top, kTextLeft + 19, top + 20);
    const wchar_t digit[2] = {static_cast<wchar_t>(L'1' + i), 0};
    SelectGuard font(dc, m_boldFont);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutW(dc, kTextLeft + 6, top + 2, digit, 1);
    PaintWrapped(dc, m_textFont.Get(), kGrey, steps[i], RECT{kTextLeft + 29, top + 2, right, top + 40});
  }
  // The title in the strip.
  SelectGuard font(dc, m_boldFont);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT title{10, 6, 300, 24};
  DrawTextW(dc, m_title.c_str(), static_cast<int>(m_title.size()), &title,
            DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

bool DhMyDeviceQrDialog::OnCommand(int id, int code, HWND control) {
  if (id == kCloseButtonId) {
    OnClose();
    return true;
  }
  return UiDialog::OnCommand(id, code, control);
}

bool DhMyDeviceQrDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != static_cast<UINT_PTR>(kLinkId) || (header->code != NM_CLICK && header->code != NM_RETURN))
    return false;
  char* url = BASUtilityString::ConvertUnicodeToUtf8(m_appUrl.c_str());
  if (url && *url) BASUtilityApp::OpenUrl(url);
  std::free(url);
  result = 0;
  return true;
}

HBRUSH DhMyDeviceQrDialog::ControlBrush(HDC dc, HWND) { return StockControlBrush(dc, RGB(255, 255, 255)); }
