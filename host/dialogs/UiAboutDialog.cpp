#include "host/dialogs/UiAboutDialog.h"

#include <commctrl.h>

#include <cstdlib>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/HostState.h"
#include "host/Product.h"

namespace {

int LineHeight(HWND hwnd, HFONT font) {
  ClientDc dc(hwnd);
  if (!dc) return 0;
  SelectGuard selected(dc, font);
  TEXTMETRICW metrics{};
  return GetTextMetricsW(dc, &metrics) ? metrics.tmHeight : 0;
}

// The line under the header, when the settings name no colour of its own: the title colour
// three quarters as bright.
COLORREF Darker(COLORREF color) {
  return RGB(GetRValue(color) * 3 / 4, GetGValue(color) * 3 / 4, GetBValue(color) * 3 / 4);
}

void DrawCentred(HDC dc, const std::wstring& text, int width, int top, int height) {
  RECT rect = {0, top, width, top + height};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
}

}  // namespace

UiAboutDialog::Lines UiAboutDialog::LinesFor(const std::wstring& product, const std::wstring& version) {
  return {product, L"Version: " + version, L"For more information about " + product + L", please visit:"};
}

UiAboutDialog::UiAboutDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed)
    : UiAlertDialog(closeNormal, closePressed, nullptr, 0) {
  m_lines = LinesFor(product::DisplayName(), product::kVersion);
  SetText(L"", nullptr, kWidth, kHeight, nullptr);
  auto logo = Host().icons.find("LOGO_ICON");
  if (logo != Host().icons.end()) m_logo = logo->second;
}

UiAboutDialog::~UiAboutDialog() { DestroyDialog(); }

bool UiAboutDialog::OnStart() {
  if (!UiAlertDialog::OnStart()) return false;
  m_nameFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));
  m_versionFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_informationFont.Reset(BASUtilityApp::GetFont(17, true, L"Arial"));
  const COLORREF header = TitleColor();
  m_headerBrush.Reset(CreateSolidBrush(header));
  m_categoryBrush.Reset(CreateSolidBrush(SettingColor("color:title:category:background", Darker(header))));
  m_frameBrush.Reset(CreateSolidBrush(kFrameColor));
  m_nameHeight = LineHeight(Hwnd(), m_nameFont.Get());
  m_versionHeight = LineHeight(Hwnd(), m_versionFont.Get());
  m_informationHeight = InformationHeight();

  m_brand = SettingText("url:brand");
  if (m_brand.empty()) return true;
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);
  // The link's text is its own target.
  const std::wstring markup = L"<a href=\"" + m_brand + L"\">" + m_brand + L"</a>";
  const SIZE extent = TextExtent(Hwnd(), m_versionFont.Get(), m_brand);
  const int width = std::min<int>(extent.cx + 4, Width() - 40);
  const int top = InformationTop() + m_informationHeight + 12;
  // No tab stop: the dialog would give the link the focus and its dotted frame at once.
  m_link = CreateWindowExW(0, WC_LINK, markup.c_str(), WS_CHILD | WS_VISIBLE, (Width() - width) / 2, top, width,
                           extent.cy + 4, Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkId)),
                           ModuleInstance(), nullptr);
  if (m_link) SendMessageW(m_link, WM_SETFONT, reinterpret_cast<WPARAM>(m_versionFont.Get()), FALSE);
  return true;
}

bool UiAboutDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != static_cast<UINT_PTR>(kLinkId) || (header->code != NM_CLICK && header->code != NM_RETURN))
    return UiAlertDialog::OnNotify(header, result);
  OpenLink(header, m_brand);
  result = 0;
  return true;
}

// Only the link is a system control here; it lies on the white part.
HBRUSH UiAboutDialog::ControlBrush(HDC dc, HWND) { return StockControlBrush(dc, RGB(255, 255, 255)); }

void UiAboutDialog::OnPaint(HDC dc, const RECT& client) {
  UiDialog::OnPaint(dc, client);
  FrameRect(dc, &client, m_frameBrush.Get());
}

void UiAboutDialog::PaintBody(HDC dc, const RECT&) {
  const int width = Width();
  PaintHeaderBand(dc, kHeaderHeight, m_headerBrush.Get(), m_categoryBrush.Get());
  if (m_logo) DrawIconEx(dc, (width - kLogoSize) / 2, kLogoTop, m_logo, kLogoSize, kLogoSize, 0, nullptr, DI_NORMAL);

  SetTextColor(dc, RGB(255, 255, 255));
  {
    SelectGuard font(dc, m_nameFont);
    DrawCentred(dc, m_lines.name, width, kNameTop, m_nameHeight);
  }
  {
    SelectGuard font(dc, m_versionFont);
    DrawCentred(dc, m_lines.version, width, VersionTop(), m_versionHeight);
  }
  SetTextColor(dc, RGB(0, 0, 0));
  SelectGuard font(dc, m_informationFont);
  RECT information = InformationRect();
  DrawTextW(dc, m_lines.information.c_str(), static_cast<int>(m_lines.information.size()), &information,
            DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
}

RECT UiAboutDialog::InformationRect() const {
  return {kTextMargin, InformationTop(), Width() - kTextMargin, InformationTop() + m_informationHeight};
}

int UiAboutDialog::InformationHeight() const {
  // The line is wider than the dialog for a long product name: it wraps.
  ClientDc dc(Hwnd());
  if (!dc) return 0;
  SelectGuard font(dc, m_informationFont);
  RECT rect = {kTextMargin, 0, Width() - kTextMargin, 0};
  DrawTextW(dc, m_lines.information.c_str(), static_cast<int>(m_lines.information.size()), &rect,
            DT_CENTER | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
  return rect.bottom;
}
