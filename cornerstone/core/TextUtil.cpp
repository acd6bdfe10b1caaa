#include "cornerstone/core/TextUtil.h"

#include <cstdio>
#include <vector>

namespace cornerstone {
namespace {

std::vector<std::string> SplitDots(const std::string& v) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : v) {
    if (c == '.') {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.push_back(c);
    }
  }
  parts.push_back(cur);
  return parts;
}

bool IsDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Splits "12rc3" into its leading number (12) and the rest ("rc3").
void SplitNumber(const std::string& s, std::string& number, std::string& rest) {
  size_t i = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i;
  number = s.substr(0, i);
  rest = s.substr(i);
}

int CompareNumbers(std::string a, std::string b) {
  // Compared as digit strings so huge parts cannot overflow.
  a.erase(0, std::min(a.find_first_not_of('0'), a.size()));
  b.erase(0, std::min(b.find_first_not_of('0'), b.size()));
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(const std::string& a, const std::string& b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    char x = LowerAscii(a[i]), y = LowerAscii(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int ComparePart(const std::string& a, const std::string& b) {
  if (IsDigits(a) && IsDigits(b)) return CompareNumbers(a, b);
  std::string na, ra, nb, rb;
  SplitNumber(a, na, ra);
  SplitNumber(b, nb, rb);
  int c = CompareNumbers(na.empty() ? "0" : na, nb.empty() ? "0" : nb);
  if (c != 0) return c;
  // "4.4" is newer than "4.4-beta": a suffix marks a pre-release of the number.
  if (ra.empty() != rb.empty()) return ra.empty() ? 1 : -1;
  return CompareText(ra, rb);
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

}  // namespace

int CompareVersions(const std::string& a, const std::string& b) {
  std::vector<std::string> pa = SplitDots(Trim(a)), pb = SplitDots(Trim(b));
  size_t n = std::max(pa.size(), pb.size());
  for (size_t i = 0; i < n; ++i) {
    const std::string x = i < pa.size() && !pa[i].empty() ? pa[i] : "0";
    const std::string y = i < pb.size() && !pb[i].empty() ? pb[i] : "0";
    int c = ComparePart(x, y);
    if (c != 0) return c;
  }
  return 0;
}

std::string FormatByteSize(int64_t bytes) {
  static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB"};
  if (bytes < 0) bytes = 0;
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double v = static_cast<double>(bytes);
  int unit = 0;
  while (v >= 1024.0 && unit < 4) {
    v /= 1024.0;
    ++unit;
  }
  // Rounding 1023.96 KB to one decimal would print "1024.0 KB"; carry it up.
  if (v >= 1023.95 && unit < 4) {
    v /= 1024.0;
    ++unit;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.1f %s", v, kUnits[unit]);
  return buf;
}

bool HasListedExtension(const std::u16string& path, const std::u16string& list) {
  size_t dot = path.find_last_of(u'.');
  size_t slash = path.find_last_of(u"\\/");
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return false;
  auto lower = [](std::u16string s) {
    for (auto& c : s)
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return s;
  };
  std::u16string needle = u";" + lower(path.substr(dot)) + u";";
  std::u16string hay = u";" + lower(list) + u";";
  return hay.find(needle) != std::u16string::npos;
}

}  // namespace cornerstone
