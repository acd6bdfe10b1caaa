#include "modules/rolodex/ContactDetailPanel.h"

#include <shlwapi.h>
#include <wincrypt.h>

#include "contracts/cornerstone/Cornerstone.h"

#include <algorithm>

MimeLabelTable BuildMimeLabelTable() {
  return MimeLabelTable{
      {kMimePhone, L"Phone Number"},
      {kMimeEmail, L"Email"},
      {kMimeIm, L"IM"},
      {kMimeNickname, L"Nickname"},
      {kMimeOrganization, L"Organization"},
      {kMimePostalAddress, L"Address"},
      {kMimeWebsite, L"Website"},
      {kMimeNote, L"Note"},
      {kMimeEvent, L"Dates"},
      {kMimeRelation, L"Relations"},
      {kMimeSipAddress, L"Internet Call"},
  };
}

namespace {

std::wstring GroupTitles(const ContactRecord& contact, const GroupList& groups) {
  std::wstring titles;
  for (const std::wstring& id : contact.groups) {
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const GroupRecord* record) { return record && record->identifier == id; });
    if (group != groups.end()) titles += (*group)->title + L",";
  }
  return titles;
}

}  // namespace

std::vector<DetailText> LayoutDetailPanel(const ContactRecord& contact, const RECT& panel, SIZE portrait,
                                          const MimeLabelTable& labels, const GroupList& groups,
                                          const DetailMeasure& measure) {
  std::vector<DetailText> texts;
  const int right = panel.right - 4;
  const int textLeft = panel.left + portrait.cx + 20;
  const SIZE name = measure(DetailFont::kTitle, contact.name);
  const int nameTop = panel.top + 24;
  texts.push_back({contact.name, RECT{textLeft, nameTop, right, nameTop + name.cy}, DetailFont::kTitle});

  const std::wstring groupsLabel = L"Groups:";
  const SIZE label = measure(DetailFont::kNormal, groupsLabel);
  const int groupsTop = nameTop + 20;
  const RECT labelRect{textLeft, groupsTop, textLeft + label.cx, groupsTop + label.cy};
  texts.push_back({groupsLabel, labelRect, DetailFont::kNormal});
  const std::wstring titles = GroupTitles(contact, groups);
  if (!titles.empty())
    texts.push_back({titles,
                     RECT{labelRect.right + 4, groupsTop,
                          std::max<LONG>(labelRect.right + 4, panel.right - kDetailGroupsRightGap), labelRect.bottom},
                     DetailFont::kNormal});

  int y = kDetailDataTop;
  const std::wstring* previousKind = nullptr;
  for (const ContactDataRow* row : contact.dataRows) {
    if (y >= panel.bottom) break;
    // The picture is no text to list.
    if (!row || row->mimetype == kMimeName || row->mimetype == kMimePhoto) continue;
    if (!previousKind || *previousKind != row->mimetype) {
      auto heading = labels.find(row->mimetype);
      const std::wstring text = heading == labels.end() ? std::wstring() : heading->second;
      const SIZE size = measure(DetailFont::kHeading, text);
      texts.push_back({text, RECT{panel.left + 10, y, right, y + size.cy}, DetailFont::kHeading});
      y += size.cy + 10;
    }
    previousKind = &row->mimetype;
    const std::wstring typeText = row->oldTypeLabel.empty() ? L" " : row->oldTypeLabel + L":";
    const SIZE type = measure(DetailFont::kNormal, typeText);
    const int labelLeft = panel.left + 20;
    texts.push_back({typeText, RECT{labelLeft, y, labelLeft + type.cx, y + type.cy}, DetailFont::kNormal});
    texts.push_back({row->oldValue, RECT{labelLeft + type.cx + 10, y, right, y + type.cy}, DetailFont::kNormal});
    y += type.cy + 10;
  }
  return texts;
}

ContactDetailPanel::ContactDetailPanel()
    : m_title(BASUtilityApp::GetFont(18, true, L"Arial")),
      m_normal(BASUtilityApp::GetFont(16, false, L"Arial")),
      m_heading(BASUtilityApp::GetFont(16, true, L"Arial")) {}

HFONT ContactDetailPanel::FontOf(DetailFont font) const {
  switch (font) {
    case DetailFont::kTitle:
      return m_title.Get();
    case DetailFont::kHeading:
      return m_heading.Get();
    default:
      return m_normal.Get();
  }
}

Gdiplus::Bitmap* ContactDetailPanel::PhotoOf(const ContactRecord& contact) const {
  const ContactDataRow* row = nullptr;
  for (const ContactDataRow* candidate : contact.dataRows)
    if (candidate != nullptr && candidate->mimetype == kMimePhoto && !candidate->oldValue.empty()) row = candidate;
  if (row == nullptr) return nullptr;
  if (row->oldValue == m_photoText) return m_photo.get();
  m_photoText = row->oldValue;
  m_photo.reset();
  DWORD size = 0;
  const DWORD length = static_cast<DWORD>(row->oldValue.size());
  if (!CryptStringToBinaryW(row->oldValue.c_str(), length, CRYPT_STRING_BASE64, nullptr, &size, nullptr, nullptr))
    return nullptr;
  std::vector<BYTE> bytes(size);
  if (size == 0 ||
      !CryptStringToBinaryW(row->oldValue.c_str(), length, CRYPT_STRING_BASE64, bytes.data(), &size, nullptr, nullptr))
    return nullptr;
  IStream* stream = SHCreateMemStream(bytes.data(), size);
  if (stream == nullptr) return nullptr;
  {
    // Copied out, so the picture does not need the stream it came from.
    Gdiplus::Bitmap decoded(stream);
    if (decoded.GetLastStatus() == Gdiplus::Ok && decoded.GetWidth() > 0 && decoded.GetHeight() > 0) {
      auto copy = std::make_unique<Gdiplus::Bitmap>(static_cast<INT>(decoded.GetWidth()),
                                                    static_cast<INT>(decoded.GetHeight()), PixelFormat32bppARGB);
      Gdiplus::Graphics graphics(copy.get());
      if (graphics.DrawImage(&decoded, 0, 0, static_cast<INT>(decoded.GetWidth()),
                             static_cast<INT>(decoded.GetHeight())) == Gdiplus::Ok)
        m_photo = std::move(copy);
    }
  }
  stream->Release();
  return m_photo.get();
}

void ContactDetailPanel::Paint(HDC dc, const RECT& panel, const ContactRecord& contact, Gdiplus::Bitmap* portrait,
                               const MimeLabelTable& labels, const GroupList& groups) const {
  SIZE portraitSize{0, 0};
  if (portrait) {
    portraitSize = SIZE{static_cast<LONG>(portrait->GetWidth()), static_cast<LONG>(portrait->GetHeight())};
    Gdiplus::Graphics graphics(dc);
    const Gdiplus::Rect place(panel.left + 10, panel.top + 10, portraitSize.cx, portraitSize.cy);
    if (Gdiplus::Bitmap* photo = PhotoOf(contact)) {
      // The contact's own picture in the round of the default one.
      Gdiplus::GraphicsPath round;
      round.AddEllipse(place);
      graphics.SetClip(&round);
      graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
      graphics.DrawImage(photo, place);
    } else {
      graphics.DrawImage(portrait, place, 0, 0, portraitSize.cx, portraitSize.cy, Gdiplus::UnitPixel);
    }
  }
  const DetailMeasure measure = [&](DetailFont font, const std::wstring& text) {
    SelectGuard select(dc, FontOf(font));
    SIZE size{0, 0};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (text.empty()) {
      TEXTMETRICW metrics{};
      GetTextMetricsW(dc, &metrics);
      size.cy = metrics.tmHeight;
    }
    return size;
  };
  DcStateGuard state(dc);
  IntersectClipRect(dc, panel.left, panel.top, panel.right, panel.bottom);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  for (const DetailText& text : LayoutDetailPanel(contact, panel, portraitSize, labels, groups, measure)) {
    SelectGuard select(dc, FontOf(text.font));
    RECT rect = text.rect;
    DrawTextW(dc, text.text.c_str(), static_cast<int>(text.text.size()), &rect,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  }
}
