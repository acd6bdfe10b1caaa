#include "modules/navigator/SectionRowLayout.h"

#include <algorithm>

namespace {

const wchar_t kEllipsis[] = L"...";
constexpr int kEllipsisLength = 3;

}  // namespace

int SectionArrowX(const SectionRowMetrics& metrics, int rowLeft, bool hasParent, int parentArrowX) {
  return hasParent ? parentArrowX + metrics.gap + metrics.collapsedArrow.cx : rowLeft + metrics.gap;
}

SectionRowParts LayOutSectionRow(const SectionRowMetrics& metrics, const SectionRowInput& input) {
  SectionRowParts parts;
  const RECT& row = input.row;
  const int height = row.bottom - row.top;

  int x = SectionArrowX(metrics, row.left, input.hasParent, input.parentArrowX);
  parts.arrowX = x;
  parts.arrow = {x, row.top + (height - metrics.expandedArrow.cy) / 2};
  // Also for rows without children, so the titles of one level line up.
  x += metrics.gap + metrics.expandedArrow.cx;

  if (input.icon.cx > 0 && input.icon.cy > 0) {
    parts.hasIcon = true;
    parts.icon = {x, row.top + (height - input.icon.cy) / 2};
    x += metrics.gap + input.icon.cx;
  }

  int titleRight = row.right;
  if (input.showCount) {
    parts.hasBadge = true;
    const int top = row.top + (height - input.countText.cy) / 2;
    parts.badge = {row.right - input.countText.cx - kBadgePadding - kBadgeRightMargin, top,
                   row.right - kBadgeRightMargin, top + input.countText.cy};
    // The badge is only an outline: a title running under it would be unreadable.
    titleRight = parts.badge.left - kTitleBadgeGap;
  }
  const int titleTop = row.top + (height - kTitleTopOffset) / 2;
  parts.title = {x, titleTop, std::max(x, titleRight), titleTop + kTitleHeight};
  return parts;
}

SectionClick ClassifySectionClick(bool onRow, bool hasChildren, int clickX, int arrowX, int arrowWidth) {
  if (!onRow) return SectionClick::kNothing;
  if (!hasChildren) return SectionClick::kSelect;
  const int intoArrow = clickX - arrowX;
  return intoArrow >= 0 && intoArrow <= arrowWidth ? SectionClick::kToggle : SectionClick::kExpandAndSelect;
}

std::wstring SectionCountText(int32_t count) { return std::to_wstring(std::max<int32_t>(0, count)); }

std::wstring FitTextWithEllipsis(const std::wstring& text, int maxWidth, const TextMeasure& measure) {
  const int length = static_cast<int>(text.size());
  if (measure(text.c_str(), length) <= maxWidth) return text;
  if (measure(kEllipsis, kEllipsisLength) > maxWidth) return std::wstring();
  // The widths of prefixes grow with their length: the longest prefix that fits is found by
  // halving, with `low` always fitting.
  int low = 0;
  int high = length;
  while (low < high) {
    const int mid = (low + high + 1) / 2;
    const std::wstring candidate = text.substr(0, mid) + kEllipsis;
    if (measure(candidate.c_str(), static_cast<int>(candidate.size())) <= maxWidth)
      low = mid;
    else
      high = mid - 1;
  }
  std::wstring fitted = text.substr(0, low);
  while (!fitted.empty() && (fitted.back() == L' ' || fitted.back() == L'\t')) fitted.pop_back();
  return fitted + kEllipsis;
}
