#include "modules/texts/ThreadLayout.h"

#include <algorithm>

namespace {

constexpr wchar_t kJoiner = 0x200D;
constexpr int kMinBubbleText = 24;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

uint32_t CodePointAt(const std::wstring& text, size_t i) {
  const wchar_t c = text[i];
  if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1]))
    return 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
  return c;
}

// Characters that belong to the one before them: combining marks, joiners, variation
// selectors, skin-tone modifiers and tag characters (flags of regions).
bool ExtendsPrevious(uint32_t c) {
  return (c >= 0x0300 && c <= 0x036F) || (c >= 0x0483 && c <= 0x0489) || (c >= 0x0591 && c <= 0x05BD) ||
         (c >= 0x0610 && c <= 0x061A) || (c >= 0x064B && c <= 0x065F) || c == 0x0670 || (c >= 0x06D6 && c <= 0x06ED) ||
         c == 0x200C || c == kJoiner || (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xFE00 && c <= 0xFE0F) ||
         (c >= 0xFE20 && c <= 0xFE2F) || (c >= 0x1F3FB && c <= 0x1F3FF) || (c >= 0xE0020 && c <= 0xE007F);
}

bool CanBreakAt(const std::wstring& text, size_t i) {
  if (i == 0 || i >= text.size()) return true;
  if (IsLowSurrogate(text[i]) && IsHighSurrogate(text[i - 1])) return false;
  if (text[i - 1] == kJoiner) return false;
  return !ExtendsPrevious(CodePointAt(text, i));
}

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

// Right to left: Hebrew, Arabic, Syriac, Thaana, N'Ko and their presentation forms, and the
// right-to-left blocks beyond the basic plane.
bool IsStrongRightToLeft(uint32_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF) ||
         (c >= 0x10800 && c <= 0x10FFF) || (c >= 0x1E800 && c <= 0x1EFFF);
}

// Left to right: letters of the other scripts. Digits, punctuation, symbols and emoji take
// the direction of what surrounds them.
bool IsStrongLeftToRight(uint32_t c) {
  if (c < 0x80) return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
  if (c < 0xC0 || c == 0xD7 || c == 0xF7) return false;
  if (c < 0x0590) return true;
  if (c >= 0x0900 && c < 0x2000) return true;
  if (c >= 0x2E80 && c < 0xD800) return true;
  if (c >= 0xF900 && c < 0xFB1D) return true;
  if (c >= 0xFF21 && c <= 0xFF5A) return true;
  return c >= 0x10000 && c < 0x1F000;
}

}  // namespace

std::vector<LineSpan> WrapText(const std::wstring& text, int maxWidth, const TextMeasure& measure) {
  std::vector<LineSpan> lines;
  const size_t size = text.size();
  size_t paragraph = 0;
  while (paragraph <= size) {
    size_t end = text.find(L'\n', paragraph);
    if (end == std::wstring::npos) end = size;
    size_t stop = end;
    if (stop > paragraph && text[stop - 1] == L'\r') --stop;
    if (stop == paragraph) lines.push_back(LineSpan{static_cast<uint32_t>(paragraph), 0, 0});
    size_t pos = paragraph;
    while (pos < stop) {
      const int left = static_cast<int>(stop - pos);
      const int fit = std::clamp(measure.Fit(text.c_str() + pos, left, maxWidth), 0, left);
      size_t lineEnd = stop;
      size_t next = stop;
      if (fit < left) {
        // The last space at or before the first character that does not fit.
        size_t space = pos + static_cast<size_t>(fit);
        while (space > pos && !IsSpace(text[space])) --space;
        lineEnd = space;
        while (lineEnd > pos && IsSpace(text[lineEnd - 1])) --lineEnd;
        if (space > pos && lineEnd > pos) {
          next = space;
        } else {
          // One word longer than the line: cut it where a character ends.
          lineEnd = pos + static_cast<size_t>(fit);
          while (lineEnd > pos && !CanBreakAt(text, lineEnd)) --lineEnd;
          if (lineEnd == pos) {
            lineEnd = pos + 1;
            while (lineEnd < stop && !CanBreakAt(text, lineEnd)) ++lineEnd;
          }
          next = lineEnd;
        }
      }
      const uint32_t length = static_cast<uint32_t>(lineEnd - pos);
      lines.push_back(LineSpan{static_cast<uint32_t>(pos), length, measure.Width(text.c_str() + pos, length)});
      pos = next;
      while (pos < stop && IsSpace(text[pos])) ++pos;
    }
    paragraph = end + 1;
  }
  return lines;
}

bool IsRightToLeft(const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const uint32_t c = CodePointAt(text, i);
    if (c > 0xFFFF) ++i;
    if (IsStrongRightToLeft(c)) return true;
    if (IsStrongLeftToRight(c)) return false;
  }
  return false;
}

std::wstring DayOf(const std::wstring& date) { return date.substr(0, std::min<size_t>(10, date.size())); }

std::wstring TimeOf(const std::wstring& date) { return date.size() >= 16 ? date.substr(11, 5) : std::wstring(); }

int ThreadLayout::TextWidthFor(int viewWidth) {
  return std::clamp(viewWidth * 2 / 3 - 2 * kPaddingX, 40, kMaxBubbleText);
}

BubblePlacement ThreadLayout::Place(const MessageRecord& message, size_t index, bool newDay, int top,
                                    const TextMeasure& measure) const {
  BubblePlacement placed;
  placed.message = index;
  placed.top = top;
  placed.sent = message.box != kMessageBoxInbox;
  placed.rightToLeft = IsRightToLeft(message.body);
  placed.lines = WrapText(message.body, TextWidthFor(m_viewWidth), measure);
  int widest = kMinBubbleText;
  for (const LineSpan& line : placed.lines) widest = std::max(widest, static_cast<int>(line.width));
  int y = top;
  if (newDay) {
    placed.dayTop = y;
    y += kDayHeight;
  }
  placed.bubbleTop = y;
  placed.bubbleWidth = widest + 2 * kPaddingX;
  placed.bubbleHeight = static_cast<int>(placed.lines.size()) * measure.LineHeight() + 2 * kPaddingY;
  placed.bubbleLeft = placed.sent ? m_viewWidth - kMargin - placed.bubbleWidth : kMargin;
  placed.height = y - top + placed.bubbleHeight + kTimeHeight;
  return placed;
}

void ThreadLayout::Build(const std::vector<const MessageRecord*>& messages, int viewWidth, const TextMeasure& measure) {
  m_bubbles.clear();
  m_bubbles.reserve(messages.size());
  m_viewWidth = viewWidth;
  m_height = kGap;
  for (size_t i = 0; i < messages.size(); ++i) Append(*messages[i], i, i > 0 ? messages[i - 1] : nullptr, measure);
}

void ThreadLayout::Append(const MessageRecord& message, size_t index, const MessageRecord* previous,
                          const TextMeasure& measure) {
  if (m_height == 0) m_height = kGap;
  const bool newDay = previous == nullptr || DayOf(previous->date) != DayOf(message.date);
  m_bubbles.push_back(Place(message, index, newDay, m_height, measure));
  m_height += m_bubbles.back().height + kGap;
}

void ThreadLayout::Clear() {
  m_bubbles.clear();
  m_height = 0;
}

size_t ThreadLayout::FirstVisible(int y) const {
  auto it = std::partition_point(m_bubbles.begin(), m_bubbles.end(),
                                 [y](const BubblePlacement& b) { return b.top + b.height <= y; });
  return static_cast<size_t>(it - m_bubbles.begin());
}
