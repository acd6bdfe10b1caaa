// `content query` output read as it arrives from the socket: pieces split anywhere (inside a
// "Row: " prefix, a multi-byte character, a CR LF) must give exactly the rows and contacts of
// the whole text, a stopped sink must stop the stream, and a row is never given before it is
// known to be complete.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "modules/courier/adb/PhoneShellOutput.h"

namespace {

std::string Sample(const char* name) {
  std::ifstream file(std::string(ZS_ADB_SAMPLES) + "/" + name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

std::vector<ContentRow> Streamed(const std::string& text, size_t pieceSize,
                                 const std::vector<std::string>& columns = kContactDataColumns) {
  std::vector<ContentRow> rows;
  ContentRowStream stream(columns, [&rows](ContentRow& row) {
    rows.push_back(row);
    return true;
  });
  for (size_t at = 0; at < text.size(); at += pieceSize) stream.Feed(std::string_view(text).substr(at, pieceSize));
  stream.Finish();
  return rows;
}

TEST(ContentRowStream, AnySplitOfTheOutputGivesTheRowsOfTheWholeText) {
  const std::string text = Sample("content-query-data.txt");
  const std::vector<ContentRow> whole = ParseContentRows(text, kContactDataColumns);
  ASSERT_EQ(whole.size(), 10u);
  EXPECT_EQ(whole[3].at("data1"), "Met at the fair, hall 3, stand A=12\nsecond line of the note");
  for (size_t size : {1u, 2u, 3u, 5u, 7u, 64u, 4096u}) EXPECT_EQ(Streamed(text, size), whole) << "pieces of " << size;

  // CR LF line ends of the legacy shell, split between the CR and the LF.
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  const std::vector<ContentRow> fromCrlf = Streamed(crlf, 1);
  ASSERT_EQ(fromCrlf.size(), whole.size());
  EXPECT_EQ(fromCrlf[0].at("data1"), "Anna Berg");
  EXPECT_EQ(fromCrlf[9].at("data1"), "112");
}

TEST(ContentRowStream, ValuesKeepTheirBreaksSeparatorsAndLookAlikes) {
  const std::vector<std::string> columns = {"_id", "address", "body"};
  const std::string text =
      "Row: 0 _id=1, address=+49 170 1, body=first, address=x\n"
      "Row: 12\n"         // no space after the number: not a row break
      "Row: y text\n"     // no number: not a row break
      "  Row: 3 inner\n"  // not at the line's start
      "Row: 1 _id=2, address=NULL, body=\n"
      "Row: 2 _id=3, address=5, body=NULL\n";
  const std::vector<ContentRow> rows = Streamed(text, 3, columns);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].at("body"), "first, address=x\nRow: 12\nRow: y text\n  Row: 3 inner");
  EXPECT_EQ(rows[1].count("address"), 0u);
  EXPECT_EQ(rows[1].at("body"), "");
  EXPECT_EQ(rows[2].count("body"), 0u);

  EXPECT_TRUE(Streamed("No result found.\n", 4, columns).empty());
  // A provider that refuses prints no rows, only why: told apart from an empty table.
  ContentRowStream empty(columns, [](ContentRow&) { return true; });
  empty.Feed("No result found.\r\n");
  empty.Finish();
  EXPECT_EQ(empty.Complaint(), "");
  ContentRowStream refused(columns, [](ContentRow&) { return true; });
  refused.Feed("Error while accessing provider:sms\njava.lang.SecurityException: Permission Denial\n");
  refused.Finish();
  EXPECT_EQ(refused.Rows(), 0u);
  EXPECT_EQ(refused.Complaint(), "Error while accessing provider:sms");
  // A row without the projection's columns is counted but not given.
  ContentRowStream broken(columns, [](ContentRow&) { return true; });
  broken.Feed("Row: 0 _id=1, body=x\nError while accessing provider\n");
  broken.Finish();
  EXPECT_EQ(broken.RowLines(), 1u);
  EXPECT_EQ(broken.Rows(), 0u);
}

TEST(ContentRowStream, ARowIsGivenOnlyWhenCompleteAndAStoppedSinkEndsTheStream) {
  const std::vector<std::string> columns = {"_id", "body"};
  size_t given = 0;
  ContentRowStream stream(columns, [&given](ContentRow&) { return ++given < 2; });
  EXPECT_TRUE(stream.Feed("Row: 0 _id=1, body=a\n"));
  EXPECT_EQ(given, 0u) << "the next line may still belong to the value";
  EXPECT_TRUE(stream.Feed("more\nRow: 1 _id=2, body=b\nRow: 2 _id"));
  EXPECT_EQ(given, 1u);
  EXPECT_FALSE(stream.Feed("=3, body=c\nRow: 3 _id=4, body=d\n"));
  EXPECT_EQ(given, 2u);
  EXPECT_FALSE(stream.Feed("Row: 4 _id=5, body=e\n"));
  EXPECT_FALSE(stream.Finish());
  EXPECT_EQ(given, 2u);
}

TEST(ContentRowStream, SortedDataRowsBecomeWholeContactsAsTheyCome) {
  const std::string text = Sample("content-query-data.txt");
  const std::vector<DemoContact> whole = ContactsFromDataRows(ParseContentRows(text, kContactDataColumns));
  ContactRowAssembler assembler;
  std::vector<DemoContact> completed;
  std::vector<size_t> completedAfterRow;
  ContentRowStream stream(kContactDataColumns, [&](ContentRow& row) {
    assembler.Add(row, completed);
    completedAfterRow.push_back(completed.size());
    return true;
  });
  for (size_t at = 0; at < text.size(); at += 11) stream.Feed(std::string_view(text).substr(at, 11));
  stream.Finish();
  assembler.Finish(completed);
  // Anna's four rows complete her only when Bo's first row comes.
  ASSERT_EQ(completedAfterRow.size(), 10u);
  EXPECT_EQ(completedAfterRow[3], 0u);
  EXPECT_EQ(completedAfterRow[4], 1u);
  ASSERT_EQ(completed.size(), whole.size());
  for (size_t i = 0; i < whole.size(); ++i) {
    EXPECT_EQ(completed[i].identifier, whole[i].identifier);
    EXPECT_EQ(completed[i].name, whole[i].name);
    EXPECT_EQ(completed[i].items.size(), whole[i].items.size());
  }
  EXPECT_EQ(completed[1].items.size(), 3u) << "the group row is not an item";
}

}  // namespace
