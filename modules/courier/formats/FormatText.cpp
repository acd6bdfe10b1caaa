#include "modules/courier/formats/FormatText.h"

#include <cstring>

namespace formats {

namespace {

// Only characters of the basic plane get here (replacement, Windows-1252).
void AppendUtf8(char16_t code, std::string& out) { out += WideToUtf8(std::wstring(1, static_cast<wchar_t>(code))); }

// Length of the well-formed UTF-8 sequence at `i`, 0 when the bytes there are malformed.
size_t Utf8SequenceLength(std::string_view bytes, size_t i) {
  char32_t code = 0;
  return DecodeUtf8Sequence(bytes, i, code);
}

// 0x80..0x9F of Windows-1252; 0 marks the five unassigned bytes.
const char16_t kWindows1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                       0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

}  // namespace

void AddProblem(std::vector<std::string>& problems, size_t failedSoFar, std::string line) {
  if (problems.size() < kMaxProblemLines) {
    problems.push_back(std::move(line));
  } else if (problems.size() == kMaxProblemLines && failedSoFar > kMaxProblemLines) {
    problems.push_back("(further problems not listed)");
  }
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiUpper(c);
  return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    const size_t length = Utf8SequenceLength(bytes, i);
    if (length == 0) {
      AppendUtf8(u'\uFFFD', out);
      ++i;
    } else {
      out.append(bytes.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  for (char c : bytes) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out.push_back(c);
    } else if (byte < 0xA0) {
      const char16_t mapped = kWindows1252High[byte - 0x80];
      AppendUtf8(mapped == 0 ? u'\uFFFD' : mapped, out);
    } else {
      AppendUtf8(static_cast<char16_t>(byte), out);
    }
  }
  return out;
}

std::wstring Utf8ToWideLenient(std::string_view utf8) {
  std::wstring wide;
  if (Utf8ToWide(std::string(utf8), wide)) return wide;
  Utf8ToWide(SanitizeUtf8(utf8), wide);
  return wide;
}

std::string EscapeMarkup(const std::wstring& text, bool attribute) {
  std::string out;
  for (char c : WideToUtf8(text)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '\n':
        out += attribute ? "&#10;" : "\n";
        break;
      case '\t':
        out += attribute ? "&#9;" : "\t";
        break;
      case '\r':
        if (attribute) out += "&#13;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || !attribute) out.push_back(c);
    }
  }
  return out;
}

std::string CleanControls(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c == '\r') {
      out.push_back('\n');
      if (i + 1 < utf8.size() && utf8[i + 1] == '\n') ++i;
    } else if (c >= 0x20 || c == '\n' || c == '\t') {
      if (c != 0x7F) out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

std::wstring StandardLabel(DemoItemKind kind, int32_t code) {
  if (code == 0) return std::wstring();
  for (const DemoTypeLabel& entry : ContactTypeLabels(kind)) {
    if (entry.code == code) return entry.label;
  }
  return std::wstring();
}

namespace {

// What each standard type code of a kind is called in vCard TYPE parameters. The first tokens
// are what the writer emits; the reader accepts any of `also` too.
struct TypeTokens {
  DemoItemKind kind;
  int32_t code;
  const char* tokens[2];
  const char* also[2];
};

const TypeTokens kTypeTokens[] = {
    {DemoItemKind::kPhone, 1, {"HOME", "VOICE"}, {nullptr, nullptr}},
    {DemoItemKind::kPhone, 2, {"CELL", nullptr}, {"MOBILE", "IPHONE"}},
    {DemoItemKind::kPhone, 3, {"WORK", "VOICE"}, {nullptr, nullptr}},
    {DemoItemKind::kPhone, 4, {"WORK", "FAX"}, {nullptr, nullptr}},
    {DemoItemKind::kPhone, 5, {"HOME", "FAX"}, {"FAX", nullptr}},  // a bare FAX is a home fax
    {DemoItemKind::kPhone, 6, {"PAGER", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kPhone, 7, {"OTHER", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kPhone, 12, {"MAIN", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kEmail, 1, {"INTERNET", "HOME"}, {nullptr, nullptr}},
    {DemoItemKind::kEmail, 2, {"INTERNET", "WORK"}, {nullptr, nullptr}},
    {DemoItemKind::kEmail, 3, {"INTERNET", "OTHER"}, {nullptr, nullptr}},
    {DemoItemKind::kEmail, 4, {"INTERNET", "CELL"}, {"MOBILE", nullptr}},
    {DemoItemKind::kPostalAddress, 1, {"HOME", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kPostalAddress, 2, {"WORK", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kPostalAddress, 3, {"OTHER", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kWebsite, 1, {"HOMEPAGE", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kWebsite, 2, {"BLOG", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kWebsite, 4, {"HOME", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kWebsite, 5, {"WORK", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kWebsite, 7, {"OTHER", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kIm, 1, {"HOME", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kIm, 2, {"WORK", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kIm, 3, {"OTHER", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kSipAddress, 1, {"HOME", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kSipAddress, 2, {"WORK", nullptr}, {nullptr, nullptr}},
    {DemoItemKind::kSipAddress, 3, {"OTHER", nullptr}, {nullptr, nullptr}},
};

bool HasToken(const std::vector<std::string>& tokens, const char* token) {
  for (const std::string& candidate : tokens) {
    if (candidate == token) return true;
  }
  return false;
}

}  // namespace

std::vector<const char*> VCardTypeTokens(DemoItemKind kind, int32_t code) {
  std::vector<const char*> out;
  for (const TypeTokens& entry : kTypeTokens) {
    if (entry.kind != kind || entry.code != code) continue;
    for (const char* token : entry.tokens) {
      if (token != nullptr) out.push_back(token);
    }
  }
  return out;
}

int32_t VCardTypeCode(DemoItemKind kind, const std::vector<std::string>& tokens) {
  // The most specific match wins: WORK,FAX is a work fax, not a work number; every token of
  // the writer's pair must be there, INTERNET and VOICE excepted (they say nothing).
  int32_t best = 0;
  int bestScore = 0;
  for (const TypeTokens& entry : kTypeTokens) {
    if (entry.kind != kind) continue;
    int score = 0;
    bool all = true;
    for (const char* token : entry.tokens) {
      if (token == nullptr) continue;
      const bool generic = std::strcmp(token, "INTERNET") == 0 || std::strcmp(token, "VOICE") == 0;
      if (HasToken(tokens, token)) {
        score += generic ? 1 : 10;
      } else if (!generic) {
        all = false;
      }
    }
    for (const char* token : entry.also) {
      if (token != nullptr && HasToken(tokens, token)) {
        score += 10;
        all = true;
      }
    }
    if (all && score >= 10 && score > bestScore) {
      best = entry.code;
      bestScore = score;
    }
  }
  return best;
}

bool IsVCardTypeToken(DemoItemKind kind, const std::string& upperToken) {
  for (const TypeTokens& entry : kTypeTokens) {
    if (entry.kind != kind) continue;
    for (const char* token : entry.tokens) {
      if (token != nullptr && upperToken == token) return true;
    }
    for (const char* token : entry.also) {
      if (token != nullptr && upperToken == token) return true;
    }
  }
  return false;
}

const char* KindName(DemoItemKind kind) {
  switch (kind) {
    case DemoItemKind::kPhone:
      return "phone";
    case DemoItemKind::kEmail:
      return "email";
    case DemoItemKind::kPostalAddress:
      return "postalAddress";
    case DemoItemKind::kWebsite:
      return "website";
    case DemoItemKind::kOrganization:
      return "organization";
    case DemoItemKind::kNickname:
      return "nickname";
    case DemoItemKind::kNote:
      return "note";
    case DemoItemKind::kIm:
      return "im";
    case DemoItemKind::kEvent:
      return "event";
    case DemoItemKind::kSipAddress:
      return "sipAddress";
    case DemoItemKind::kRelation:
      return "relation";
    case DemoItemKind::kPhoto:
      return "photo";
  }
  return "phone";
}

bool KindFromName(std::string_view name, DemoItemKind& kind) {
  for (DemoItemKind candidate : kAllItemKinds) {
    if (name == KindName(candidate)) {
      kind = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace formats
