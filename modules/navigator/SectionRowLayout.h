// Where the parts of one navigator row go, what a click on a row means, and the texts a row
// shows: arithmetic only, so it is the same for painting, clicking and tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Fixed for the whole tree.
struct SectionRowMetrics {
  int gap = 20;                  // between the drawn parts of a row
  SIZE collapsedArrow = {0, 0};  // a missing image measures 0 x 0
  SIZE expandedArrow = {0, 0};
};

struct SectionRowInput {
  RECT row = {0, 0, 0, 0};  // the full row
  bool hasParent = false;
  int parentArrowX = 0;
  SIZE icon = {0, 0};  // 0 x 0: no icon
  bool showCount = false;
  SIZE countText = {0, 0};  // the digits as the row font measures them
};

struct SectionRowParts {
  int arrowX = 0;
  POINT arrow = {0, 0};  // top left of whichever arrow image the row shows
  bool hasIcon = false;
  POINT icon = {0, 0};
  RECT title = {0, 0, 0, 0};
  bool hasBadge = false;
  RECT badge = {0, 0, 0, 0};
};

constexpr int kTitleTopOffset = 15;  // the title sits at top + (row height - 15) / 2
constexpr int kTitleHeight = 16;
constexpr int kBadgeRightMargin = 8;
constexpr int kBadgePadding = 8;  // badge width is the digits' width plus this
constexpr int kTitleBadgeGap = 4;
constexpr int kBadgeCorner = 8;

// The x of a row's arrow: a gap in from the row's left, or for a child a gap and one arrow
// past its parent's arrow, so each level indents by one arrow.
int SectionArrowX(const SectionRowMetrics& metrics, int rowLeft, bool hasParent, int parentArrowX);

SectionRowParts LayOutSectionRow(const SectionRowMetrics& metrics, const SectionRowInput& input);

enum class SectionClick {
  kNothing,          // below the rows
  kToggle,           // on the arrow of a row with children: fold or unfold only
  kExpandAndSelect,  // elsewhere on a row with children
  kSelect,           // a row without children
};

SectionClick ClassifySectionClick(bool onRow, bool hasChildren, int clickX, int arrowX, int arrowWidth);

// The badge text. A count cannot be negative; a wrapped-around one shows as 0.
std::wstring SectionCountText(int32_t count);

// Measures a run of characters in pixels.
typedef std::function<int(const wchar_t* text, int length)> TextMeasure;

// `text` when it fits in `maxWidth`, else its longest prefix that fits with "..." after it
// (trailing blanks dropped), else "" when not even "..." fits.
std::wstring FitTextWithEllipsis(const std::wstring& text, int maxWidth, const TextMeasure& measure);
