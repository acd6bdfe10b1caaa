// What both fuzzers check beyond "no crash": a file the reader accepted, written by our own
// writer, must read back to the very same contacts.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "modules/courier/formats/ContactFormats.h"

inline bool SameItem(const DemoContactItem& a, const DemoContactItem& b) {
  return a.kind == b.kind && a.typeCode == b.typeCode && a.label == b.label && a.value == b.value;
}

// Names the first difference on stderr and aborts, so libFuzzer keeps the input.
inline void RequireSameContacts(const std::vector<DemoContact>& expected, const std::vector<DemoContact>& actual,
                                bool identifiers) {
  const char* what = nullptr;
  if (expected.size() != actual.size()) what = "contact count";
  for (size_t i = 0; what == nullptr && i < expected.size(); ++i) {
    const DemoContact& a = expected[i];
    const DemoContact& b = actual[i];
    if (a.name != b.name) what = "name";
    if (a.groups != b.groups) what = "groups";
    if (a.items.size() != b.items.size()) what = "item count";
    for (size_t k = 0; what == nullptr && k < a.items.size(); ++k) {
      if (!SameItem(a.items[k], b.items[k])) what = "item";
    }
    if (identifiers &&
        (a.identifier != b.identifier || a.accountName != b.accountName || a.accountType != b.accountType))
      what = "identifier or account";
  }
  if (what != nullptr) {
    std::fprintf(stderr, "round trip changed the %s\n", what);
    std::abort();
  }
}

// The group table that maps the titles a reader returns onto themselves.
inline std::vector<DemoGroup> GroupsByTitle(const std::vector<DemoContact>& contacts) {
  std::vector<DemoGroup> groups;
  for (const DemoContact& contact : contacts) {
    for (const std::wstring& title : contact.groups) groups.push_back(DemoGroup{title, title, std::wstring()});
  }
  return groups;
}
