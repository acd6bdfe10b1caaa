// What a phone's shell commands print, read into the service's model: getprop, dumpsys battery,
// df and the contacts provider's rows of `content query`. The output is a phone's, so anything
// is possible: lines that do not parse are skipped, never trusted. Plain code, tested natively.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/DemoData.h"

// "[ro.product.model]: [Pixel 7]" lines of `getprop` to a map.
std::map<std::string, std::string> ParseGetprop(std::string_view text);

struct BatteryState {
  int32_t percent = -1;  // -1: not told
  bool charging = false;
};
BatteryState ParseDumpsysBattery(std::string_view text);

// A whole decimal number a command printed (spaces around it allowed) that fits in 18 digits;
// false for anything else.
bool ParseShellNumber(std::string_view text, int64_t& value);

// One file system of `df -k`: sizes in bytes.
struct DfEntry {
  std::string mountedOn;
  int64_t totalBytes = 0;
  int64_t freeBytes = 0;
};
std::vector<DfEntry> ParseDfKilobytes(std::string_view text);

// The columns the contacts are read with, in this order (`content query --projection` joins
// them with ':'). Knowing the order is what lets values hold ", " and "=".
extern const std::vector<std::string> kContactDataColumns;
std::string ContactDataProjection();

// One row of `content query`: column to value; a missing value (NULL) is absent.
typedef std::map<std::string, std::string> ContentRow;
// "Row: 0 a=1, b=x, y, c=NULL" rows, a row's value running on over the following lines until
// the next "Row: ". `columns` are the projection's, in order; a row without them is skipped.
// "No result found." is no rows.
std::vector<ContentRow> ParseContentRows(std::string_view text, const std::vector<std::string>& columns);

// The same rows read as the output arrives, in pieces split anywhere: each row goes to the
// sink once the next "Row: " line (or the end) shows it complete. Only the row being read is
// held, so an address book of any size passes through a little memory.
class ContentRowStream {
 public:
  // False from the sink stops the stream: every later Feed and Finish returns false.
  typedef std::function<bool(ContentRow& row)> RowSink;
  ContentRowStream(const std::vector<std::string>& columns, RowSink onRow);

  bool Feed(std::string_view piece);
  // The last row; call once the output ended.
  bool Finish();
  // "Row: " lines seen and rows given to the sink: fewer rows than lines is output this
  // program cannot read.
  size_t RowLines() const { return m_rowLines; }
  size_t Rows() const { return m_rows; }
  // What the command printed before any row other than "No result found." (a provider that
  // refused: "Error while accessing provider:..."); empty when nothing.
  const std::string& Complaint() const { return m_complaint; }

 private:
  void Line(std::string_view line);
  void EndRow();

  std::vector<std::string> m_columns;
  std::vector<std::string> m_separators;  // ", name=" of every column after the first
  RowSink m_onRow;
  std::string m_line;  // the line the last piece ended in
  std::string m_body;  // the row being read
  bool m_inRow = false;
  bool m_stopped = false;
  size_t m_rowLines = 0;
  size_t m_rows = 0;
  std::string m_complaint;
};

// A contact's membership of a group: its data1 is the group's row identifier.
inline constexpr char kGroupMembershipMimetype[] = "vnd.android.cursor.item/group_membership";

// The phone's contact groups: the columns they are read with (the title last, so it may hold
// anything) and the rows to groups known by their row identifiers.
extern const std::vector<std::string> kContactGroupColumns;
std::string QueryContactGroupsCommand();
std::vector<DemoGroup> GroupsFromRows(const std::vector<ContentRow>& rows);

// The data rows of the contacts provider to contacts, one per raw contact (its identifier),
// in the order their first rows came; rows of kinds the service does not keep are skipped.
std::vector<DemoContact> ContactsFromDataRows(const std::vector<ContentRow>& rows);

// Data rows sorted by raw contact, to whole contacts as they come: a contact is complete once
// a row of another raw contact (or the end) comes.
class ContactRowAssembler {
 public:
  // Adds the row; a contact it completed is appended to `completed`.
  void Add(const ContentRow& row, std::vector<DemoContact>& completed);
  void Finish(std::vector<DemoContact>& completed);

 private:
  std::string m_raw;  // the raw contact being read; empty before the first
  DemoContact m_contact;
};
