// UiAboutDialog: the modal product information window: logo, name and version on the title
// colour, and the maker's web address as a link. RunModal answers kOkId or kCancelId.
#pragma once

#include <string>

#include "host/dialogs/UiAlertDialog.h"

class UiAboutDialog : public UiAlertDialog {
 public:
  static constexpr int kWidth = 500;
  static constexpr int kHeight = 360;
  static constexpr int kLinkId = 5053;
  static constexpr int kHeaderHeight = 196;
  static constexpr int kLogoSize = 96;
  static constexpr int kLogoTop = 28;
  static constexpr int kNameTop = 136;
  static constexpr int kTextMargin = 20;
  static constexpr COLORREF kFrameColor = RGB(221, 221, 221);

  // Texts: the product name, "Version: " + version, the information line.
  struct Lines {
    std::wstring name;
    std::wstring version;
    std::wstring information;
  };
  static Lines LinesFor(const std::wstring& product, const std::wstring& version);

  UiAboutDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed);
  ~UiAboutDialog() override;

  // The host's "LOGO_ICON" unless set otherwise; not owned.
  void SetLogo(HICON logo) { m_logo = logo; }

  const Lines& Texts() const { return m_lines; }
  const std::wstring& BrandUrl() const { return m_brand; }
  HWND Link() const { return m_link; }

 protected:
  bool OnStart() override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnPaint(HDC dc, const RECT& client) override;
  void PaintBody(HDC dc, const RECT& body) override;
  HBRUSH ControlBrush(HDC dc, HWND control) override;

 private:
  // Top of each line, from the heights of the fonts.
  int VersionTop() const { return kNameTop + m_nameHeight + 16; }
  int InformationTop() const { return VersionTop() + m_versionHeight + 40; }
  RECT InformationRect() const;
  int InformationHeight() const;

  Lines m_lines;
  std::wstring m_brand;
  HICON m_logo = nullptr;
  HWND m_link = nullptr;
  GdiFont m_nameFont;
  GdiFont m_versionFont;
  GdiFont m_informationFont;
  GdiBrush m_headerBrush;
  GdiBrush m_categoryBrush;
  GdiBrush m_frameBrush;
  int m_nameHeight = 21;
  int m_versionHeight = 18;
  int m_informationHeight = 20;
};
