// Where the messages of one conversation go in the thread view: each message's text broken
// into lines that fit its bubble, its reading direction, the bubble's rectangle and the day
// headings between days. Plain arithmetic over a text measure, so tests run it without a
// window; the view measures with its DC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "contracts/MessageRecords.h"

// Text widths in pixels, as the drawing font gives them.
class TextMeasure {
 public:
  virtual ~TextMeasure() = default;
  virtual int Width(const wchar_t* text, int length) const = 0;
  // How many UTF-16 units from the start of `text` fit in `maxWidth` (may split a pair: the
  // wrapper mends that).
  virtual int Fit(const wchar_t* text, int length, int maxWidth) const = 0;
  virtual int LineHeight() const = 0;
};

// One drawn line: a range of the message's text.
struct LineSpan {
  uint32_t start = 0;
  uint32_t length = 0;
  int32_t width = 0;
};

// Breaks `text` into lines of at most `maxWidth` pixels: at its line breaks, else after the
// last space that fits, else inside a word too long for a line. Never between the two halves
// of a surrogate pair nor before a combining mark, variation selector or joiner, so an emoji
// or an accented letter stays whole. Spaces at a break are dropped; an empty paragraph is one
// empty line.
std::vector<LineSpan> WrapText(const std::wstring& text, int maxWidth, const TextMeasure& measure);

// Whether a text reads right to left: its first letter of a strong direction is Hebrew,
// Arabic or another right-to-left script.
bool IsRightToLeft(const std::wstring& text);

// One message as placed, in view coordinates (y grows down from the thread's top).
struct BubblePlacement {
  size_t message = 0;  // index into the messages the layout was built from
  int32_t top = 0;     // of the item: day heading (if any), bubble and time line
  int32_t height = 0;
  int32_t dayTop = -1;  // the day heading's top, -1 when the message shares the day before
  int32_t bubbleLeft = 0;
  int32_t bubbleTop = 0;
  int32_t bubbleWidth = 0;
  int32_t bubbleHeight = 0;
  bool sent = false;
  bool rightToLeft = false;
  std::vector<LineSpan> lines;
};

class ThreadLayout {
 public:
  static constexpr int kMargin = 16;    // between the view's edges and the bubbles
  static constexpr int kPaddingX = 12;  // between a bubble's edge and its text
  static constexpr int kPaddingY = 8;
  static constexpr int kGap = 10;         // between one item and the next
  static constexpr int kDayHeight = 30;   // a day heading's line
  static constexpr int kTimeHeight = 16;  // the time under a bubble
  static constexpr int kMaxBubbleText = 420;

  // Places `messages` (oldest first) in a view `viewWidth` pixels wide.
  void Build(const std::vector<const MessageRecord*>& messages, int viewWidth, const TextMeasure& measure);
  // Adds one message at the end without placing the others again.
  void Append(const MessageRecord& message, size_t index, const MessageRecord* previous, const TextMeasure& measure);
  void Clear();

  int TotalHeight() const { return m_height; }
  int ViewWidth() const { return m_viewWidth; }
  const std::vector<BubblePlacement>& Bubbles() const { return m_bubbles; }
  // The first item whose bottom lies below `y` (the size when none does).
  size_t FirstVisible(int y) const;
  // The text width a bubble may take in a view of `viewWidth`.
  static int TextWidthFor(int viewWidth);

 private:
  BubblePlacement Place(const MessageRecord& message, size_t index, bool newDay, int top,
                        const TextMeasure& measure) const;

  std::vector<BubblePlacement> m_bubbles;
  int m_viewWidth = 0;
  int m_height = 0;
};

// "YYYY-MM-DD" of a message date, and its "HH:MM".
std::wstring DayOf(const std::wstring& date);
std::wstring TimeOf(const std::wstring& date);
