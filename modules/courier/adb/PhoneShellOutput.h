// What a phone's shell commands print, read into the service's model: getprop, dumpsys battery,
// df and the contacts provider's rows of `content query`. The output is a phone's, so anything
// is possible: lines that do not parse are skipped, never trusted. Plain code, tested natively.
#pragma once

#include <cstdint>
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

// The data rows of the contacts provider to contacts, one per raw contact (its identifier),
// in the order their first rows came; rows of kinds the service does not keep are skipped.
std::vector<DemoContact> ContactsFromDataRows(const std::vector<ContentRow>& rows);
