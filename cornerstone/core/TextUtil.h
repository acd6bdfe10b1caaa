// Small text helpers that need no Windows API.
#pragma once

#include <cstdint>
#include <string>

namespace cornerstone {

// Compares dotted versions part by part: numbers numerically, other text
// case-insensitively, a missing part counting as zero ("4.4" == "4.4.0").
int CompareVersions(const std::string& a, const std::string& b);

// "512 B", "1.5 KB", ... "2.0 TB": binary multiples, one decimal above bytes.
std::string FormatByteSize(int64_t bytes);

// True when the extension of `path` (from its last dot) appears in `list`,
// a string such as ";.jpg;.png;", ignoring ASCII case.
bool HasListedExtension(const std::u16string& path, const std::u16string& list);

}  // namespace cornerstone
