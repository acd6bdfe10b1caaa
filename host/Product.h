// The product's fixed names. The display name is kept with "|" between its words and
// spaced out at first use, as the installer and the crash report expect the same text.
#pragma once

#include <string>

namespace product {

inline constexpr wchar_t kMakerName[] = L"Zorvane";
inline constexpr wchar_t kVersion[] = L"2.1.163";
inline constexpr char kVersionNarrow[] = "2.1.163";
inline constexpr wchar_t kSettingsFileName[] = L"Option.json";
inline constexpr char kSettingsDomain[] = "url";

inline const std::wstring& DisplayName() {
  static const std::wstring name = [] {
    std::wstring s = L"Zorvane|Steward|for|Android";
    for (wchar_t& c : s)
      if (c == L'|') c = L' ';
    return s;
  }();
  return name;
}

inline const std::string& DisplayNameNarrow() {
  static const std::string name = [] {
    std::string s = "Zorvane|Steward|for|Android";
    for (char& c : s)
      if (c == '|') c = ' ';
    return s;
  }();
  return name;
}

}  // namespace product
