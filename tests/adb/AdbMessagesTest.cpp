// A phone's text messages from its SMS provider: conversations by thread with their messages
// oldest first, boxes and read marks as the phone keeps them, dates in the PC's local time,
// bodies that hold anything.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "modules/courier/adb/AdbMessages.h"

namespace {

std::string Sample(const char* name) {
  std::ifstream file(std::string(ZS_ADB_SAMPLES) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(AdbMessages, RecordedRowsBecomeConversationsByThread) {
  SmsCollector collector([](int64_t) { return 0; });
  size_t skipped = 0;
  for (const ContentRow& row : ParseContentRows(Sample("content-query-sms.txt"), kSmsColumns))
    skipped += collector.Add(row) ? 0 : 1;
  EXPECT_EQ(skipped, 0u);
  EXPECT_EQ(collector.MessageCount(), 7u);
  const std::vector<DemoConversation> conversations = collector.Take();
  ASSERT_EQ(conversations.size(), 3u);
  EXPECT_EQ(conversations[0].identifier, L"3");
  EXPECT_EQ(conversations[0].address, L"+49 40 5551234");
  EXPECT_FALSE(conversations[0].messages[0].read);

  const DemoConversation& anna = conversations[1];
  ASSERT_EQ(anna.messages.size(), 3u);
  // Oldest first, whatever order the phone printed them in.
  EXPECT_EQ(anna.messages[0].identifier, L"4");
  EXPECT_EQ(anna.messages[0].body, L"") << "a NULL body is an empty one";
  EXPECT_EQ(anna.messages[1].body, L"Dinner at 7? Zo\u00eb says hi \U0001F642");
  EXPECT_EQ(anna.messages[1].box, L"inbox");
  EXPECT_EQ(anna.messages[2].body, L"Yes, 7 works. Bring the charts\nand the logbook, please");
  EXPECT_EQ(anna.messages[2].box, L"sent");
  EXPECT_EQ(anna.messages[2].date, L"2024-12-07 08:40");

  const DemoConversation& bo = conversations[2];
  ASSERT_EQ(bo.messages.size(), 3u);
  EXPECT_EQ(bo.messages[0].box, L"draft");
  EXPECT_EQ(bo.messages[2].body, L"Boat is ready, address=pier 3");

  // Taken once: the collector starts over.
  EXPECT_TRUE(collector.Take().empty());
}

TEST(AdbMessages, DatesMoveToLocalTimeAndOddRowsAreSkipped) {
  EXPECT_EQ(SmsDateText("1733650200000", 0), L"2024-12-08 09:30");
  EXPECT_EQ(SmsDateText("1733650200000", 60), L"2024-12-08 10:30");
  EXPECT_EQ(SmsDateText("1733616000000", -300), L"2024-12-07 19:00") << "back over midnight";
  EXPECT_EQ(SmsDateText("0", -60), L"1969-12-31 23:00");
  EXPECT_EQ(SmsDateText("951782400000", 0), L"2000-02-29 00:00");
  EXPECT_EQ(SmsDateText("", 0), L"");
  EXPECT_EQ(SmsDateText("12a", 0), L"");
  EXPECT_EQ(SmsDateText("99999999999999999999", 0), L"");

  SmsCollector collector([](int64_t) { return 0; });
  EXPECT_FALSE(collector.Add({{"_id", "1"}}));
  EXPECT_FALSE(collector.Add({{"thread_id", "1"}, {"_id", ""}}));
  EXPECT_TRUE(collector.Add({{"_id", "2"}, {"thread_id", "5"}, {"type", "5"}, {"date", "x"}}));
  const std::vector<DemoConversation> conversations = collector.Take();
  ASSERT_EQ(conversations.size(), 1u);
  EXPECT_EQ(conversations[0].messages[0].box, L"sent") << "a failed message went out from this phone";
  EXPECT_EQ(conversations[0].messages[0].date, L"");
}

TEST(AdbMessages, EachMessageShowsTheLocalTimeOfItsOwnDay) {
  // A zone one hour ahead in winter and two in summer (from 2024-03-31 01:00 UTC).
  std::vector<int64_t> asked;
  SmsCollector collector([&asked](int64_t utc) {
    asked.push_back(utc);
    return utc >= 1711846800000 ? 120 : 60;
  });
  collector.Add({{"_id", "1"}, {"thread_id", "1"}, {"date", "1705312800000"}});  // 2024-01-15 10:00 UTC
  collector.Add({{"_id", "2"}, {"thread_id", "1"}, {"date", "1720000800000"}});  // 2024-07-03 10:00 UTC
  const std::vector<DemoConversation> conversations = collector.Take();
  ASSERT_EQ(conversations.size(), 1u);
  ASSERT_EQ(conversations[0].messages.size(), 2u);
  EXPECT_EQ(conversations[0].messages[0].date, L"2024-01-15 11:00");
  EXPECT_EQ(conversations[0].messages[1].date, L"2024-07-03 12:00");
  EXPECT_EQ(asked, (std::vector<int64_t>{1705312800000, 1720000800000}));
}

}  // namespace
