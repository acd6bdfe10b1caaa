// Reads and validates a demo-phones file (DemoPhones.json). The file is edited by hand, so
// every member is checked and the first fault is named by its path, e.g.
//   phones[1] (MRD7G1120045).contacts[3].emails[0].address: expected a string
// A file with any fault yields no phones at all: half a phone would mislead more than none.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "modules/courier/DemoData.h"

class DemoDataParser {
 public:
  static constexpr int kFormatVersion = 1;
  // Larger files are refused unread: the shipped one is a few tens of KB.
  static constexpr std::uintmax_t kMaxFileBytes = 16u * 1024u * 1024u;
  static constexpr size_t kMaxPhones = 16;
  static constexpr size_t kMaxGeneratedContacts = 1000000;

  // Loads `file`; pictures are looked up relative to its folder. On failure `catalog` is left
  // empty and `error` holds one line.
  static bool LoadFile(const std::filesystem::path& file, DemoCatalog& catalog, std::string& error);
  // Parses the text of a data file whose pictures lie under `mediaRoot`.
  static bool Parse(const std::string& text, const std::filesystem::path& mediaRoot, DemoCatalog& catalog,
                    std::string& error);
};
