// The panel right of the contacts list: the current contact's portrait, name, groups and data
// items under one heading per run of equal kinds. The layout is a plain function of the contact
// and a text measure; ContactDetailPanel paints it.
#pragma once

#include "contracts/ContactRecords.h"
#include "kit/GdiHandles.h"
#include "kit/GdiPlus.h"

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Heading of each data-row kind, by mimetype.
typedef std::map<std::wstring, std::wstring> MimeLabelTable;
MimeLabelTable BuildMimeLabelTable();

enum class DetailFont { kTitle, kNormal, kHeading };

struct DetailText {
  std::wstring text;
  RECT rect;  // drawn on one line, clipped with an end ellipsis
  DetailFont font;
};

// Extent of a text in one of the panel's fonts; an empty text still has the font's height.
typedef std::function<SIZE(DetailFont font, const std::wstring& text)> DetailMeasure;

constexpr int kDetailDataTop = 100;  // client y of the first data line
// The groups line stops short of the panel's right edge by this much: the 20-pixel edit button
// stands there, 8 pixels in from the edge.
constexpr int kDetailGroupsRightGap = 32;

// Lines that fall wholly below the panel are left out.
std::vector<DetailText> LayoutDetailPanel(const ContactRecord& contact, const RECT& panel, SIZE portrait,
                                          const MimeLabelTable& labels, const GroupList& groups,
                                          const DetailMeasure& measure);

class ContactDetailPanel {
 public:
  ContactDetailPanel();
  ContactDetailPanel(const ContactDetailPanel&) = delete;
  ContactDetailPanel& operator=(const ContactDetailPanel&) = delete;

  // The contact's texts and the (borrowed, possibly null) portrait inside `panel`.
  void Paint(HDC dc, const RECT& panel, const ContactRecord& contact, Gdiplus::Bitmap* portrait,
             const MimeLabelTable& labels, const GroupList& groups) const;

 private:
  HFONT FontOf(DetailFont font) const;
  // The contact's own picture (its photo row), decoded once per picture; null without one.
  Gdiplus::Bitmap* PhotoOf(const ContactRecord& contact) const;

  mutable std::wstring m_photoText;  // the base64 the decoded picture came from
  mutable std::unique_ptr<Gdiplus::Bitmap> m_photo;

  GdiFont m_title;
  GdiFont m_normal;
  GdiFont m_heading;
};
