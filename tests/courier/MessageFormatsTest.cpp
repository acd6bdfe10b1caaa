// The message files: our backup restores exactly and survives damage line by line; the
// SMS-backup XML reads what phone apps write (entities, surrogate halves, other elements) and
// what we write; the page, the text and the CSV keep every text safe for their readers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/courier/formats/MessageFormats.h"

namespace {

DemoMessage Message(const wchar_t* id, const wchar_t* box, const wchar_t* date, const std::wstring& body,
                    bool read = true) {
  DemoMessage message;
  message.identifier = id;
  message.box = box;
  message.date = date;
  message.body = body;
  message.read = read;
  return message;
}

std::vector<DemoConversation> Sample() {
  DemoConversation a;
  a.identifier = L"t1";
  a.address = L"+33 6 12 48 90 17";
  a.messages = {Message(L"m1", L"inbox", L"2024-05-03 08:15", L"On se retrouve à la gare ? 🚉\nLigne 2", false),
                Message(L"m2", L"sent", L"2024-05-03 08:17", L"\"Oui\" & <9h>, l'entrée")};
  DemoConversation b;
  b.identifier = L"t2";
  b.address = L"+971 50 000";
  b.messages = {Message(L"m3", L"draft", L"1969-12-31 23:59", L"مرحبا بالعالم — שלום\tfin")};
  return {a, b};
}

void ExpectSame(const std::vector<DemoConversation>& expected, const std::vector<DemoConversation>& actual,
                bool identifiers) {
  ASSERT_EQ(expected.size(), actual.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(expected[i].address, actual[i].address);
    if (identifiers) EXPECT_EQ(expected[i].identifier, actual[i].identifier);
    ASSERT_EQ(expected[i].messages.size(), actual[i].messages.size());
    for (size_t k = 0; k < expected[i].messages.size(); ++k) {
      const DemoMessage& x = expected[i].messages[k];
      const DemoMessage& y = actual[i].messages[k];
      EXPECT_EQ(x.box, y.box);
      EXPECT_EQ(x.date, y.date);
      EXPECT_EQ(x.read, y.read);
      EXPECT_EQ(x.body, y.body);
      if (identifiers) EXPECT_EQ(x.identifier, y.identifier);
    }
  }
}

}  // namespace

TEST(MessageBackup, RestoresExactlyAndKeepsWhatPrecedesDamage) {
  const std::string written = WriteMessageBackup(Sample());
  MessageReadResult read = ReadMessageBackup(written);
  EXPECT_EQ(read.failed, 0u);
  ExpectSame(Sample(), read.conversations, true);

  // A line damaged in the middle costs that conversation only; a file cut short says so.
  std::string damaged = written;
  const size_t second = damaged.find("{\"address\":\"+971");
  ASSERT_NE(second, std::string::npos);
  damaged[second + 3] = 'X';
  read = ReadMessageBackup(damaged);
  EXPECT_EQ(read.conversations.size(), 1u);
  EXPECT_EQ(read.failed, 1u);
  read = ReadMessageBackup(written.substr(0, written.size() - 4));
  EXPECT_EQ(read.conversations.size(), 2u);
  EXPECT_EQ(read.failed, 1u);
  ASSERT_FALSE(read.problems.empty());
  EXPECT_NE(read.problems.back().find("ends early"), std::string::npos);

  for (const std::string& foreign : {std::string(), std::string("{\"format\": \"zorvane-steward-contacts\"}"),
                                    std::string("<?xml version='1.0'?><smses/>"), std::string("\xFF\xFE\x00\x01", 4),
                                    std::string("{\"format\": 7, \"version\": 1, \"conversations\": [\n]}\n"),
                                    std::string("{\"format\": \"zorvane-steward-messages\", \"version\": 99, "
                                                "\"conversations\": [\n]}\n")}) {
    read = ReadMessageBackup(foreign);
    EXPECT_TRUE(read.conversations.empty());
    EXPECT_EQ(read.failed, 1u) << foreign;
    EXPECT_FALSE(read.problems.empty());
  }
}

TEST(MessageXml, ReadsWhatPhoneAppsWriteAndWhatWeWrite) {
  const std::string phone =
      "<?xml version='1.0' encoding='UTF-8' standalone='yes' ?>\n<smses count=\"4\">\n"
      "  <sms protocol=\"0\" address=\"+4790000000\" date=\"1714724100000\" type=\"1\" subject=\"null\" "
      "body=\"Hei &amp; hallo&#10;to &#55357;&#56832; &#x41;\" read=\"0\" status=\"-1\" />\n"
      "  <mms address=\"+4790000000\" date=\"1\"><parts><part text=\"hi\"/></parts></mms>\n"
      "  <sms address='+4790000000' date='1714724160000' type='2' body='&lt;b&gt; &apos;q&apos;' read='1'/>\n"
      "  <sms address=\"+1 555\" date=\"x\" type=\"1\" body=\"no date\" />\n"
      "  <sms address=\"+1 555\" date=\"1714724160000\" type=\"1\" body=\"half &#55357; pair\" />\n"
      "</smses>\n";
  MessageReadResult read = ReadMessagesXml(phone);
  EXPECT_EQ(read.failed, 1u);  // the message without a date
  ASSERT_EQ(read.conversations.size(), 2u);
  const DemoConversation& norway = read.conversations[0];
  ASSERT_EQ(norway.messages.size(), 2u);
  EXPECT_EQ(norway.messages[0].body, L"Hei & hallo\nto 😀 A");
  EXPECT_EQ(norway.messages[0].date, L"2024-05-03 08:15");
  EXPECT_EQ(norway.messages[0].box, L"inbox");
  EXPECT_FALSE(norway.messages[0].read);
  EXPECT_EQ(norway.messages[1].body, L"<b> 'q'");
  EXPECT_EQ(norway.messages[1].box, L"sent");
  EXPECT_EQ(read.conversations[1].messages.at(0).body, L"half \xFFFD pair");

  std::string written;
  StringSink sink(written);
  ASSERT_TRUE(WriteMessagesXml(sink, Sample()));
  EXPECT_NE(written.find("<smses count=\"3\">"), std::string::npos);
  EXPECT_NE(written.find("date=\"1714724100000\""), std::string::npos);
  EXPECT_EQ(written.find("\n\""), std::string::npos);
  read = ReadMessagesXml(written);
  EXPECT_EQ(read.failed, 0u);
  ExpectSame(Sample(), read.conversations, false);

  read = ReadMessagesXml("<html><body>not messages</body></html>");
  EXPECT_EQ(read.failed, 1u);
  read = ReadMessagesXml("<smses><sms address=\"1\" date=\"1\" body=\"cut");
  EXPECT_EQ(read.failed, 1u);
  EXPECT_TRUE(read.conversations.empty());
}

TEST(MessageExports, PageTextAndCsvKeepEveryTextSafe) {
  std::vector<DemoConversation> conversations = Sample();
  conversations[0].messages.push_back(
      Message(L"m9", L"inbox", L"2024-05-03 08:16", L"<script>alert(1)</script>, \"quoted\"\nnext"));
  std::string page;
  StringSink pageSink(page);
  ASSERT_TRUE(WriteMessagesHtml(pageSink, conversations, L"Ann's <phone>"));
  EXPECT_EQ(page.find("<script>"), std::string::npos);
  EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos);
  EXPECT_NE(page.find("Ann&apos;s &lt;phone&gt;"), std::string::npos);
  EXPECT_NE(page.find("dir=\"auto\""), std::string::npos);
  // Messages in date order: the one at 08:16 stands between 08:15 and 08:17.
  EXPECT_LT(page.find("🚉"), page.find("alert(1)"));
  EXPECT_LT(page.find("alert(1)"), page.find("&quot;Oui&quot;"));

  std::string text;
  StringSink textSink(text);
  ASSERT_TRUE(WriteMessagesText(textSink, conversations, L"Phone"));
  EXPECT_NE(text.find("[2024-05-03 08:15] Received: On se retrouve"), std::string::npos);
  EXPECT_NE(text.find("\r\n    Ligne 2"), std::string::npos);

  std::string csv;
  StringSink csvSink(csv);
  ASSERT_TRUE(WriteMessagesCsv(csvSink, conversations));
  EXPECT_EQ(csv.compare(0, 3, "\xEF\xBB\xBF"), 0);
  EXPECT_NE(csv.find("\"<script>alert(1)</script>, \"\"quoted\"\"\nnext\""), std::string::npos);
  EXPECT_NE(csv.find("+971 50 000,1969-12-31 23:59,Draft,yes,"), std::string::npos);
}
