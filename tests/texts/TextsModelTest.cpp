// The messages pane's logic without a window: how the thread breaks and places texts, the
// conversation list and its search, and what the New Message window reads from its fields.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/texts/ConversationBook.h"
#include "modules/texts/OutgoingText.h"
#include "modules/texts/ThreadLayout.h"

namespace {

// Ten pixels a UTF-16 unit, except what the test gives another width (a combining mark that
// takes no room, the halves of a pair).
class FakeMeasure : public TextMeasure {
 public:
  int highSurrogate = 10;
  int lowSurrogate = 0;
  int UnitWidth(wchar_t c) const {
    if (c >= 0xD800 && c <= 0xDBFF) return highSurrogate;
    if (c >= 0xDC00 && c <= 0xDFFF) return lowSurrogate;
    return 10;
  }
  int Width(const wchar_t* text, int length) const override {
    int width = 0;
    for (int i = 0; i < length; ++i) width += UnitWidth(text[i]);
    return width;
  }
  int Fit(const wchar_t* text, int length, int maxWidth) const override {
    int width = 0;
    for (int i = 0; i < length; ++i) {
      width += UnitWidth(text[i]);
      if (width > maxWidth) return i;
    }
    return length;
  }
  int LineHeight() const override { return 20; }
};

std::vector<std::wstring> Lines(const std::wstring& text, int width, const FakeMeasure& measure = FakeMeasure()) {
  std::vector<std::wstring> lines;
  for (const LineSpan& span : WrapText(text, width, measure)) {
    lines.push_back(text.substr(span.start, span.length));
    EXPECT_EQ(span.width, measure.Width(text.c_str() + span.start, static_cast<int>(span.length)));
  }
  return lines;
}

typedef std::vector<std::wstring> Texts;

TEST(ThreadWrapping, BreaksAtSpacesDropsThemAndKeepsParagraphs) {
  EXPECT_EQ(Lines(L"hello world foo", 60), (Texts{L"hello", L"world", L"foo"}));
  EXPECT_EQ(Lines(L"ab   cd", 30), (Texts{L"ab", L"cd"}));
  EXPECT_EQ(Lines(L"one\n\ntwo\r\nthree", 100), (Texts{L"one", L"", L"two", L"three"}));
  EXPECT_EQ(Lines(L"", 100), (Texts{L""}));
  EXPECT_EQ(Lines(L"fits exactly", 120), (Texts{L"fits exactly"}));
}

TEST(ThreadWrapping, CutsAWordLongerThanALine) {
  EXPECT_EQ(Lines(L"abcdefghijkl", 50), (Texts{L"abcde", L"fghij", L"kl"}));
  EXPECT_EQ(Lines(L"see https://example.org/a/very/long/path", 100),
            (Texts{L"see", L"https://ex", L"ample.org/", L"a/very/lon", L"g/path"}));
  // A line narrower than one character still takes one, so the wrapping always ends.
  EXPECT_EQ(Lines(L"abc", 5), (Texts{L"a", L"b", L"c"}));
}

TEST(ThreadWrapping, KeepsSurrogatePairsCombiningMarksAndJoinedEmojiWhole) {
  FakeMeasure halves;
  halves.highSurrogate = 5;
  halves.lowSurrogate = 5;
  // The fit ends between the halves of the pair: the line ends before it.
  EXPECT_EQ(Lines(L"a\U0001F600b", 15, halves), (Texts{L"a", L"\U0001F600", L"b"}));
  // Four emoji in a row, two to a line.
  EXPECT_EQ(Lines(L"\U0001F680\U0001F680\U0001F680\U0001F680", 20, halves),
            (Texts{L"\U0001F680\U0001F680", L"\U0001F680\U0001F680"}));
  // An accent written as a combining mark stays with its letter.
  EXPECT_EQ(Lines(L"abe\u0301", 30), (Texts{L"ab", L"e\u0301"}));
  // A family joined with zero-width joiners is not cut after a joiner, nor before a skin tone.
  const std::wstring family = L"\U0001F468\u200D\U0001F469\u200D\U0001F467";
  for (const std::wstring& line : Lines(family + L"\U0001F44D\U0001F3FD", 20)) {
    ASSERT_FALSE(line.empty());
    EXPECT_FALSE(line.front() >= 0xDC00 && line.front() <= 0xDFFF) << "starts inside a pair";
    EXPECT_NE(line.back(), L'\u200D') << "ends on a joiner";
    EXPECT_NE(line.substr(0, 2), std::wstring(L"\U0001F3FD")) << "a skin tone left its hand";
  }
}

TEST(ThreadWrapping, ReadingDirectionComesFromTheFirstStrongLetter) {
  EXPECT_TRUE(IsRightToLeft(L"שלום, מה שלומך?"));
  EXPECT_TRUE(IsRightToLeft(L"مرحبا، هل أنت في الطريق؟"));
  EXPECT_TRUE(IsRightToLeft(L"12:30 \U0001F600 مرحبا"));  // digits and emoji are neutral
  EXPECT_FALSE(IsRightToLeft(L"Meet at 5, مرحبا"));
  EXPECT_FALSE(IsRightToLeft(L"Встречаемся в восемь"));
  EXPECT_FALSE(IsRightToLeft(L"明天见"));
  EXPECT_FALSE(IsRightToLeft(L"123 !?"));
  EXPECT_FALSE(IsRightToLeft(L""));
}

MessageRecord Message(const std::wstring& id, int32_t box, const std::wstring& date, const std::wstring& body) {
  MessageRecord m;
  m.identifier = id;
  m.conversationId = L"t1";
  m.name = L"+47 400 10001";
  m.box = box;
  m.date = date;
  m.body = body;
  return m;
}

TEST(ThreadPlacing, ReceivedLeftSentRightDayHeadingsAndNoOverlap) {
  std::vector<MessageRecord> messages = {
      Message(L"1", kMessageBoxInbox, L"2026-12-01 09:00", L"Good morning"),
      Message(L"2", kMessageBoxSent, L"2026-12-01 09:05", std::wstring(200, L'x')),
      Message(L"3", kMessageBoxSent, L"2026-12-02 10:00", L"שלום"),
      Message(L"4", kMessageBoxInbox, L"2026-12-02 10:01", L"a\nb\nc"),
  };
  std::vector<const MessageRecord*> pointers;
  for (const MessageRecord& m : messages) pointers.push_back(&m);
  FakeMeasure measure;
  ThreadLayout layout;
  const int width = 600;
  layout.Build(pointers, width, measure);
  const auto& bubbles = layout.Bubbles();
  ASSERT_EQ(bubbles.size(), 4u);
  EXPECT_EQ(bubbles[0].bubbleLeft, ThreadLayout::kMargin);
  EXPECT_FALSE(bubbles[0].sent);
  EXPECT_EQ(bubbles[1].bubbleLeft + bubbles[1].bubbleWidth, width - ThreadLayout::kMargin);
  EXPECT_TRUE(bubbles[1].sent);
  // A long text is wrapped within the bubble's text width; the bubble stays inside the view.
  EXPECT_GT(bubbles[1].lines.size(), 1u);
  for (const LineSpan& line : bubbles[1].lines) EXPECT_LE(line.width, ThreadLayout::TextWidthFor(width));
  EXPECT_GE(bubbles[1].bubbleLeft, ThreadLayout::kMargin);
  EXPECT_TRUE(bubbles[2].rightToLeft);
  EXPECT_EQ(bubbles[3].lines.size(), 3u);
  EXPECT_EQ(bubbles[3].bubbleHeight, 3 * 20 + 2 * ThreadLayout::kPaddingY);
  // A heading where a day begins, none within it.
  EXPECT_GE(bubbles[0].dayTop, 0);
  EXPECT_EQ(bubbles[1].dayTop, -1);
  EXPECT_GE(bubbles[2].dayTop, 0);
  EXPECT_EQ(bubbles[3].dayTop, -1);
  for (size_t i = 1; i < bubbles.size(); ++i) EXPECT_GE(bubbles[i].top, bubbles[i - 1].top + bubbles[i - 1].height);
  EXPECT_EQ(layout.TotalHeight(), bubbles.back().top + bubbles.back().height + ThreadLayout::kGap);

  EXPECT_EQ(layout.FirstVisible(0), 0u);
  EXPECT_EQ(layout.FirstVisible(bubbles[2].top), 2u);
  EXPECT_EQ(layout.FirstVisible(bubbles[1].top + bubbles[1].height - 1), 1u);
  EXPECT_EQ(layout.FirstVisible(bubbles[1].top + bubbles[1].height), 2u);  // in the gap below it
  EXPECT_EQ(layout.FirstVisible(layout.TotalHeight()), 4u);

  // One message added at the end lands where a new layout would put it.
  ThreadLayout grown;
  grown.Build({pointers[0], pointers[1], pointers[2]}, width, measure);
  grown.Append(messages[3], 3, &messages[2], measure);
  ASSERT_EQ(grown.Bubbles().size(), 4u);
  EXPECT_EQ(grown.Bubbles()[3].top, bubbles[3].top);
  EXPECT_EQ(grown.TotalHeight(), layout.TotalHeight());
}

TEST(ThreadPlacing, DayAndTimeOfADate) {
  EXPECT_EQ(DayOf(L"2026-12-01 09:05"), L"2026-12-01");
  EXPECT_EQ(TimeOf(L"2026-12-01 09:05"), L"09:05");
  EXPECT_EQ(TimeOf(L"2026-12"), L"");
}

ConversationRecord* Conversation(const std::wstring& id, const std::wstring& name, const std::wstring& address,
                                 const std::wstring& texts, int64_t count = 2) {
  auto* c = new ConversationRecord;
  c->identifier = id;
  c->name = name;
  c->address = address;
  c->texts = texts;
  c->itemCount = count;
  return c;
}

std::vector<std::wstring> Ids(const std::vector<ConversationRecord*>& found) {
  std::vector<std::wstring> ids;
  for (const ConversationRecord* c : found) ids.push_back(c->identifier);
  return ids;
}

TEST(ConversationSearch, FindsByNameNumberOrAnyTextInAnyCase) {
  ConversationBook book;
  book.Append(Conversation(L"a", L"Anna Berg", L"+47 400 10001", L"The TRAIN is late\nSee you"));
  book.Append(Conversation(L"b", L"+47 400 10002", L"+47 400 10002", L"Встречаемся в восемь"));
  book.Append(Conversation(L"c", L"Joanne", L"(555) 123-4567", L"مرحبا"));
  EXPECT_EQ(Ids(book.Search(L"")), (Texts{L"a", L"b", L"c"}));
  EXPECT_EQ(Ids(book.Search(L"ANN")), (Texts{L"a", L"c"}));
  EXPECT_EQ(Ids(book.Search(L"train")), (Texts{L"a"}));
  EXPECT_EQ(Ids(book.Search(L"ВОСЕМЬ")), (Texts{L"b"}));
  EXPECT_EQ(Ids(book.Search(L"مرحبا")), (Texts{L"c"}));
  // Numbers match whatever spaces, dashes and brackets either side was written with.
  EXPECT_EQ(Ids(book.Search(L"40010002")), (Texts{L"b"}));
  EXPECT_EQ(Ids(book.Search(L"555-1234")), (Texts{L"c"}));
  EXPECT_EQ(Ids(book.Search(L"+47400")), (Texts{L"a", L"b"}));
  EXPECT_TRUE(book.Search(L"nothing like it").empty());
}

TEST(ConversationSearch, ArrivingAndLeavingMessagesKeepTheListTrue) {
  ConversationBook book;
  book.Append(Conversation(L"a", L"Anna Berg", L"+47 400 10001", L"hello", 1));
  book.Append(Conversation(L"b", L"Bo", L"+47 400 10002", L"hi", 2));
  MessageRecord arrived = Message(L"m9", kMessageBoxInbox, L"2026-12-08 12:00", L"Parcel at the door\nsecond line");
  arrived.conversationId = L"b";
  arrived.read = false;
  bool created = true;
  ConversationRecord* b = book.AddMessage(arrived, created);
  EXPECT_FALSE(created);
  EXPECT_EQ(book.At(0), b);
  EXPECT_EQ(b->itemCount, 3);
  EXPECT_EQ(b->unread, 1);
  EXPECT_EQ(b->snippet, L"Parcel at the door");
  EXPECT_EQ(b->date, L"2026-12-08 12:00");
  EXPECT_EQ(Ids(book.Search(L"PARCEL")), (Texts{L"b"}));
  book.MarkOneRead(L"b");
  EXPECT_EQ(b->unread, 0);

  // A message from a number without a conversation starts one at the top.
  MessageRecord stranger = Message(L"m10", kMessageBoxInbox, L"2026-12-08 12:01", L"Who is this?");
  stranger.conversationId = L"new";
  stranger.name = L"+1 555 0100";
  ConversationRecord* fresh = book.AddMessage(stranger, created);
  EXPECT_TRUE(created);
  EXPECT_EQ(book.At(0), fresh);
  EXPECT_EQ(fresh->name, L"+1 555 0100");
  EXPECT_EQ(fresh->itemCount, 1);
  EXPECT_EQ(book.Count(), 3u);

  // Deleting a conversation's last message removes it; others only count down.
  bool removed = true;
  EXPECT_EQ(book.RemoveMessage(arrived, removed), b);
  EXPECT_FALSE(removed);
  EXPECT_EQ(b->itemCount, 2);
  MessageRecord last = Message(L"m1", kMessageBoxInbox, L"2026-12-01 08:00", L"hello");
  last.conversationId = L"a";
  EXPECT_EQ(book.RemoveMessage(last, removed), nullptr);
  EXPECT_TRUE(removed);
  EXPECT_EQ(book.Find(L"a"), nullptr);
  EXPECT_EQ(book.Count(), 2u);
  // A message of a conversation the pane does not hold changes nothing.
  MessageRecord unknown = last;
  unknown.conversationId = L"zz";
  EXPECT_EQ(book.RemoveMessage(unknown, removed), nullptr);
  EXPECT_FALSE(removed);
  EXPECT_EQ(book.Count(), 2u);
}

TEST(NewMessageFields, RecipientsFromPicksAndTypedNumbers) {
  std::vector<std::wstring> numbers;
  std::wstring bad;
  PickedContactList picked = {{L"Anna Berg", L"+47 400 10001"}, {L"", L"12345"}};
  const std::wstring line = RecipientsText(picked);
  EXPECT_EQ(line, L"Anna Berg <+47 400 10001>; 12345; ");
  ASSERT_TRUE(ParseRecipients(line + L" +1 (555) 010-0200, 12345", numbers, bad));
  EXPECT_EQ(numbers, (Texts{L"+47 400 10001", L"12345", L"+1 (555) 010-0200"}));  // twice is once
  EXPECT_FALSE(ParseRecipients(L"12345; Anna", numbers, bad));
  EXPECT_EQ(bad, L"Anna");
  EXPECT_FALSE(ParseRecipients(L"12", numbers, bad));  // too short for a number
  EXPECT_FALSE(ParseRecipients(L"Bo <call me>", numbers, bad));
  ASSERT_TRUE(ParseRecipients(L" ; ", numbers, bad));
  EXPECT_TRUE(numbers.empty());
}

TEST(NewMessageFields, SmsPartsByAlphabet) {
  EXPECT_EQ(SmsParts(L""), 0);
  EXPECT_EQ(SmsParts(std::wstring(160, L'a')), 1);
  EXPECT_EQ(SmsParts(std::wstring(161, L'a')), 2);
  EXPECT_EQ(SmsParts(std::wstring(306, L'a')), 2);
  EXPECT_EQ(SmsParts(std::wstring(307, L'a')), 3);
  EXPECT_EQ(SmsParts(std::wstring(70, L'ж')), 1);
  EXPECT_EQ(SmsParts(std::wstring(71, L'ж')), 2);
}

}  // namespace
