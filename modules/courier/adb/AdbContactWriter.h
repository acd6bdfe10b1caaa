// Contacts written through a phone's contacts provider with the `content` shell command: the
// data rows a contact is made of, the commands that insert and delete them, and what an edit
// must change of the rows the phone holds. Every value travels as one single-quoted shell
// word, so no name, note or address can become shell syntax. Plain code, tested natively.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/adb/PhoneShellOutput.h"

// `text` as one word of the phone's shell, exactly as it stands (NUL, which no shell word
// can carry, is dropped).
std::string ShellQuote(std::string_view text);

// One data row as this program writes it: the columns it owns for the row's kind, a missing
// value written as NULL. Columns it does not own (a number's normalised form, a photo) are
// the phone's.
struct PhoneDataColumn {
  std::string name;
  bool integer = false;
  std::optional<std::string> value;
};
struct PhoneDataRow {
  std::string mimetype;
  std::vector<PhoneDataColumn> columns;
};
std::vector<PhoneDataRow> DataRowsOfContact(const DemoContact& contact);

// True for the kinds of rows this program writes (group memberships among them); rows of
// other kinds (photos) are left as they are.
bool IsWrittenMimetype(std::string_view mimetype);

// A phone's raw contact or data row identifier: digits only, so it can stand in a where clause.
bool IsRowIdentifier(std::string_view text);

// The columns the rows of one raw contact are read with (its rows' identifiers first, then
// the contact's columns), and the query.
const std::vector<std::string>& ContactRowColumns();
std::string QueryContactRowsCommand(const std::string& rawId);

std::string InsertRawContactCommand(const std::wstring& accountName, const std::wstring& accountType);
// The newest raw contact first: its identifier is the first row's.
std::string QueryNewestRawContactCommand();
std::string InsertDataCommand(const std::string& rawId, const PhoneDataRow& row);
std::string DeleteDataRowsCommand(const std::vector<std::string>& rowIds);
std::string DeleteRawContactCommand(const std::string& rawId);

// What an edit changes: the wanted rows the phone does not hold yet, and the identifiers of
// the rows it holds that are no longer wanted. Rows already as wanted are left alone, and new
// rows go in before old ones go, so a save cut short leaves the old values, never none.
struct ContactWritePlan {
  std::vector<PhoneDataRow> inserts;
  std::vector<std::string> deletes;
};
ContactWritePlan PlanContactWrite(const std::vector<ContentRow>& held, const DemoContact& wanted);
