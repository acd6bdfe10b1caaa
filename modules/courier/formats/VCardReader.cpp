// vCard import. Phones and address books bend every rule of the three versions, so the reader
// is liberal in what it takes and strict only about what makes a card unusable: a card without
// END, binary junk, or nothing to import. Everything is linear in the input: lines are views
// into it, and embedded pictures are skipped without being gathered.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string_view>

#include "contracts/ContactRecords.h"
#include "modules/courier/formats/ContactFormats.h"
#include "modules/courier/formats/Charsets.h"
#include "modules/courier/formats/FormatText.h"

using namespace formats;

namespace {

// The physical lines of the file: CRLF, LF, CR and CR CR LF all end one line.
class LineSource {
 public:
  explicit LineSource(std::string_view text) : m_text(text) {
    if (m_text.size() >= 3 && m_text.substr(0, 3) == "\xEF\xBB\xBF") m_position = 3;
  }

  bool Peek(std::string_view& line) {
    if (!m_hasNext) {
      if (m_position >= m_text.size()) return false;
      size_t end = m_position;
      while (end < m_text.size() && m_text[end] != '\n' && m_text[end] != '\r') ++end;
      m_next = m_text.substr(m_position, end - m_position);
      while (end < m_text.size() && m_text[end] == '\r') ++end;
      if (end < m_text.size() && m_text[end] == '\n') ++end;
      m_nextEnd = end;
      m_hasNext = true;
    }
    line = m_next;
    return true;
  }

  bool Next(std::string_view& line) {
    if (!Peek(line)) return false;
    m_position = m_nextEnd;
    m_hasNext = false;
    return true;
  }

 private:
  std::string_view m_text;
  size_t m_position = 0;
  std::string_view m_next;
  size_t m_nextEnd = 0;
  bool m_hasNext = false;
};

bool IsFoldContinuation(std::string_view line) { return !line.empty() && (line[0] == ' ' || line[0] == '\t'); }

bool IsCardBoundary(std::string_view line) {
  return StartsWithNoCase(line, "END:VCARD") || StartsWithNoCase(line, "BEGIN:VCARD");
}

// The position of the colon that ends the name and parameters; quoted parameter values may hold
// colons. npos when the line has none.
size_t HeaderEnd(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == ':' && !quoted) return i;
  }
  return quoted ? line.find(':') : std::string_view::npos;
}

// The property name of a line, without its group.
std::string_view PropertyNameOf(std::string_view line) {
  size_t end = 0;
  while (end < line.size() && line[end] != ';' && line[end] != ':') ++end;
  std::string_view name = line.substr(0, end);
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? name : name.substr(dot + 1);
}

// A contact's picture is kept up to this much base64 (a 750 KB image); a larger one is left out
// rather than let one card hold the memory of thousands.
constexpr size_t kMaxPhotoText = 1000000;

bool IsPhotoProperty(std::string_view line) { return EqualsNoCase(PropertyNameOf(line), "PHOTO"); }

// Pictures, sounds and keys can be megabytes of base64; of them only the picture is kept.
bool IsBulkProperty(std::string_view line) {
  const std::string_view name = PropertyNameOf(line);
  return EqualsNoCase(name, "PHOTO") || EqualsNoCase(name, "LOGO") || EqualsNoCase(name, "SOUND") ||
         EqualsNoCase(name, "KEY");
}

bool HasBinaryBytes(std::string_view line) {
  for (char c : line) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && byte != '\t') || byte == 0x7F) return true;
  }
  return false;
}

// Joins folded lines and quoted-printable soft line breaks into one logical line. After a soft
// break the next line is value as it stands, even when it starts with a space.
bool NextLogicalLine(LineSource& lines, std::string& out) {
  std::string_view line;
  if (!lines.Next(line)) return false;
  out.assign(line);
  const bool bulk = IsBulkProperty(line);
  const bool photo = bulk && IsPhotoProperty(line);
  bool photoTooBig = false;
  bool quotedPrintable = false;
  bool headerChecked = false;
  for (;;) {
    std::string_view next;
    if (!lines.Peek(next)) break;
    if (!bulk && !out.empty() && out.back() == '=') {
      if (!headerChecked) {
        const size_t colon = HeaderEnd(out);
        const std::string header = AsciiUpper(std::string_view(out).substr(0, colon == std::string::npos ? 0 : colon));
        quotedPrintable = header.find("QUOTED-PRINTABLE") != std::string::npos;
        headerChecked = true;
      }
      // A card boundary or a blank line says the writer simply ended the value with "=".
      if (quotedPrintable && !next.empty() && !IsCardBoundary(next)) {
        lines.Next(next);
        out.pop_back();
        out.append(next);
        continue;
      }
    }
    if (!IsFoldContinuation(next)) break;
    lines.Next(next);
    if (!bulk) {
      out.append(next.substr(1));
    } else if (photo && !photoTooBig) {
      photoTooBig = out.size() + next.size() > kMaxPhotoText;
      if (!photoTooBig) out.append(next.substr(1));
    }
  }
  if (photoTooBig || (photo && out.size() > kMaxPhotoText)) out.clear();  // left out whole, not cut
  return true;
}

struct Property {
  std::string group;               // upper case, "" when ungrouped
  std::string name;                // upper case
  std::vector<std::string> types;  // as written, split at commas
  std::string encoding;            // upper case
  std::string charset;             // upper case
  std::string serviceType;         // X-SERVICE-TYPE of IMPP
  bool uri = false;                // VALUE=uri: TEL holds "tel:..."
  std::string label;               // LABEL of a 4.0 ADR: the address as printed
  std::string_view value;
};

std::string Unquote(std::string_view text) {
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

// A property uses a handful of types; past this many the line is junk and the rest is ignored.
constexpr size_t kMaxTypes = 32;

void SplitTypes(std::string_view text, std::vector<std::string>& out) {
  const std::string unquoted = Unquote(text);
  size_t start = 0;
  while (start <= unquoted.size() && out.size() < kMaxTypes) {
    size_t comma = unquoted.find(',', start);
    if (comma == std::string::npos) comma = unquoted.size();
    std::string token = Unquote(std::string_view(unquoted).substr(start, comma - start));
    if (!token.empty()) out.push_back(std::move(token));
    start = comma + 1;
  }
}

// A parameter value may carry line breaks as "\n" or as the caret escapes "^n", "^^" and "^'".
std::string DecodeParameterValue(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if ((text[i] == '\\' && (next == 'n' || next == 'N')) || (text[i] == '^' && next == 'n')) {
      out.push_back('\n');
      ++i;
    } else if (text[i] == '^' && (next == '^' || next == '\'')) {
      out.push_back(next == '^' ? '^' : '"');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

void ParseParameter(std::string_view part, Property& property) {
  const size_t equals = part.find('=');
  if (equals == std::string_view::npos) {
    // vCard 2.1 bare parameters: an encoding or a type ("TEL;CELL;PREF").
    const std::string upper = AsciiUpper(part);
    if (upper == "QUOTED-PRINTABLE" || upper == "BASE64" || upper == "8BIT" || upper == "7BIT") {
      property.encoding = upper;
    } else {
      SplitTypes(part, property.types);
    }
    return;
  }
  const std::string key = AsciiUpper(part.substr(0, equals));
  const std::string_view value = part.substr(equals + 1);
  if (key == "TYPE") {
    SplitTypes(value, property.types);
  } else if (key == "ENCODING") {
    property.encoding = AsciiUpper(Unquote(value));
  } else if (key == "CHARSET") {
    property.charset = AsciiUpper(Unquote(value));
  } else if (key == "VALUE") {
    property.uri = EqualsNoCase(Unquote(value), "uri");
  } else if (key == "X-SERVICE-TYPE") {
    property.serviceType = Unquote(value);
  } else if (key == "LABEL") {
    property.label = DecodeParameterValue(Unquote(value));
  }
}

bool ParseProperty(std::string_view line, Property& property) {
  const size_t colon = HeaderEnd(line);
  if (colon == std::string_view::npos || colon == 0) return false;
  const std::string_view header = line.substr(0, colon);
  property.value = line.substr(colon + 1);

  bool quoted = false;
  size_t start = 0;
  for (size_t position = 0; position <= header.size(); ++position) {
    if (position < header.size() && header[position] == '"') quoted = !quoted;
    if (position < header.size() && (header[position] != ';' || quoted)) continue;
    const std::string_view part = header.substr(start, position - start);
    if (start == 0) {
      std::string_view name = part;
      const size_t dot = name.rfind('.');
      if (dot != std::string_view::npos) {
        property.group = AsciiUpper(name.substr(0, dot));
        name = name.substr(dot + 1);
      }
      property.name = AsciiUpper(name);
      if (property.name.empty()) return false;
    } else {
      ParseParameter(part, property);
    }
    start = position + 1;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::string DecodeQuotedPrintable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '=' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
      i += 2;
    } else if (text[i] == '=' && i + 1 == text.size()) {
      // A soft break the writer put before the end of the card: nothing follows.
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

std::string DecodeBase64(std::string_view text) {
  std::string out;
  unsigned int buffer = 0;
  int bits = 0;
  for (char c : text) {
    int digit = -1;
    if (c >= 'A' && c <= 'Z') digit = c - 'A';
    if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
    if (c >= '0' && c <= '9') digit = c - '0' + 52;
    if (c == '+') digit = 62;
    if (c == '/') digit = 63;
    if (c == '=') break;
    if (digit < 0) continue;
    buffer = ((buffer << 6) | static_cast<unsigned int>(digit)) & 0xFFFFFF;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((buffer >> bits) & 0xFF));
    }
  }
  return out;
}

// The value as valid UTF-8 with clean line ends; still escaped.
std::string DecodeValue(const Property& property) {
  std::string bytes;
  if (property.encoding == "QUOTED-PRINTABLE") {
    bytes = DecodeQuotedPrintable(property.value);
  } else if (property.encoding == "B" || property.encoding == "BASE64") {
    bytes = DecodeBase64(property.value);
  } else {
    bytes.assign(property.value);
  }
  const std::string& charset = property.charset;
  std::string utf8;
  if (charset == "ISO-8859-1" || charset == "ISO8859-1" || charset == "ISO_8859-1" || charset == "LATIN1" ||
      charset == "WINDOWS-1252" || charset == "CP1252" || charset == "US-ASCII") {
    utf8 = Windows1252ToUtf8(bytes);
  } else if (!charset.empty() && charset != "UTF-8" && CharsetToUtf8(charset, bytes, utf8)) {
    // Decoded from the phone's own character set.
  } else if (charset.empty() && !IsValidUtf8(bytes)) {
    // Undeclared and not UTF-8: old desktop exports are Windows-1252.
    utf8 = Windows1252ToUtf8(bytes);
  } else {
    utf8 = SanitizeUtf8(bytes);
  }
  return CleanControls(utf8);
}

std::string Unescape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char next = text[i + 1];
    if (next == 'n' || next == 'N') {
      out.push_back('\n');
    } else if (next == '\\' || next == ';' || next == ',' || next == ':') {
      out.push_back(next);
    } else {
      out.push_back('\\');
      out.push_back(next);
    }
    ++i;
  }
  return out;
}

// A contact has tens of fields; a card with more is junk, and refusing it bounds the memory a
// hostile file can make the reader spend.
constexpr size_t kMaxFieldsPerCard = 1000;
// Structured values (N, ADR, ORG) have a few components; more are dropped.
constexpr size_t kMaxComponents = 16;

// Components split at unescaped `separator`, each unescaped; at most `maxParts` of them.
std::vector<std::wstring> SplitComponents(std::string_view text, char separator,
                                          size_t maxParts = kMaxFieldsPerCard + 1) {
  std::vector<std::wstring> out;
  size_t start = 0;
  for (size_t i = 0; i <= text.size() && out.size() < maxParts; ++i) {
    if (i + 1 < text.size() && text[i] == '\\') {
      ++i;
      continue;
    }
    if (i == text.size() || text[i] == separator) {
      out.push_back(Utf8ToWideLenient(Unescape(text.substr(start, i - start))));
      start = i + 1;
    }
  }
  return out;
}

std::wstring JoinNonEmpty(const std::vector<std::wstring>& parts, const wchar_t* separator) {
  std::wstring out;
  for (const std::wstring& part : parts) {
    if (part.empty()) continue;
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

// A printed, several-line address as one line, the way a composed address reads.
std::wstring JoinLines(const std::wstring& text) {
  std::vector<std::wstring> lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(L"\r\n", start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    const size_t first = line.find_first_not_of(L" \t");
    const size_t last = line.find_last_not_of(L" \t");
    lines.push_back(first == std::wstring::npos ? std::wstring() : line.substr(first, last - first + 1));
    start = end + 1;
  }
  return JoinNonEmpty(lines, L", ");
}

bool IsCjk(const std::wstring& text) {
  for (wchar_t c : text) {
    const unsigned int code = static_cast<unsigned int>(c);
    if ((code >= 0x3040 && code <= 0x30FF) || (code >= 0x3400 && code <= 0x9FFF) ||
        (code >= 0xAC00 && code <= 0xD7AF) || (code >= 0xF900 && code <= 0xFAFF))
      return true;
  }
  return false;
}

// N is family;given;additional;prefix;suffix. East Asian names read family first, unspaced.
std::wstring ComposeName(std::vector<std::wstring> parts) {
  parts.resize(5);
  for (std::wstring& part : parts) {
    for (wchar_t& c : part) {
      if (c == L',') c = L' ';
    }
  }
  if (IsCjk(parts[0]) || IsCjk(parts[1])) {
    return JoinNonEmpty({parts[3], parts[0] + parts[1] + parts[2], parts[4]}, L" ");
  }
  return JoinNonEmpty({parts[3], parts[1], parts[2], parts[0], parts[4]}, L" ");
}

// ADR is pobox;extended;street;locality;region;code;country. Our own export keeps the whole
// address in the street, so it comes back exactly.
std::wstring ComposeAddress(std::vector<std::wstring> parts) {
  parts.resize(7);
  const std::wstring place = JoinNonEmpty({parts[5], parts[3]}, L" ");
  return JoinNonEmpty({parts[2], parts[1], parts[0], place, parts[4], parts[6]}, L", ");
}

struct ImProtocol {
  const char* key;  // property name, or IMPP URI scheme
  const wchar_t* label;
};
const ImProtocol kImProperties[] = {{"X-JABBER", L"Jabber"},
                                    {"X-SKYPE", L"Skype"},
                                    {"X-SKYPE-USERNAME", L"Skype"},
                                    {"X-AIM", L"AIM"},
                                    {"X-ICQ", L"ICQ"},
                                    {"X-MSN", L"MSN"},
                                    {"X-YAHOO", L"Yahoo"},
                                    {"X-GTALK", L"Google Talk"},
                                    {"X-GOOGLE-TALK", L"Google Talk"},
                                    {"X-QQ", L"QQ"},
                                    {"X-GADUGADU", L"Gadu-Gadu"},
                                    {"X-TWITTER", L"Twitter"}};
const ImProtocol kImSchemes[] = {{"XMPP", L"Jabber"}, {"SKYPE", L"Skype"}, {"AIM", L"AIM"},           {"ICQ", L"ICQ"},
                                 {"MSNIM", L"MSN"},   {"YMSGR", L"Yahoo"}, {"GTALK", L"Google Talk"}, {"QQ", L"QQ"},
                                 {"SIP", L"SIP"},     {"IRC", L"IRC"}};

const wchar_t* ImPropertyLabel(const std::string& name) {
  for (const ImProtocol& entry : kImProperties) {
    if (name == entry.key) return entry.label;
  }
  return nullptr;
}

std::wstring ImLabelOf(const Property& property, std::string_view value) {
  if (!property.serviceType.empty()) return Utf8ToWideLenient(SanitizeUtf8(property.serviceType));
  if (const wchar_t* label = ImPropertyLabel(property.name)) return label;
  const size_t colon = value.find(':');
  if (colon != std::string_view::npos) {
    const std::string scheme = AsciiUpper(value.substr(0, colon));
    for (const ImProtocol& entry : kImSchemes) {
      if (scheme == entry.key) return entry.label;
    }
  }
  return std::wstring();
}

// "_$!<HomeFAX>!$_", the address book's way of naming a standard type.
bool StandardFromWrappedLabel(DemoItemKind kind, const std::wstring& label, int32_t& code) {
  if (label.size() < 9 || label.compare(0, 4, L"_$!<") != 0 || label.compare(label.size() - 4, 4, L">!$_") != 0)
    return false;
  auto fold = [](const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
      if (c == L' ') continue;
      out.push_back(c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c);
    }
    return out;
  };
  const std::wstring inner = fold(label.substr(4, label.size() - 8));
  for (const DemoTypeLabel& entry : ContactTypeLabels(kind)) {
    if (entry.code != 0 && fold(entry.label) == inner) {
      code = entry.code;
      return true;
    }
  }
  return false;
}

std::wstring Capitalized(const std::string& token) {
  std::wstring out = Utf8ToWideLenient(SanitizeUtf8(token));
  for (size_t i = 0; i < out.size(); ++i) {
    wchar_t& c = out[i];
    if (i == 0 && c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (i > 0 && c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return out;
}

bool IsMeaninglessType(const std::string& upper) {
  static const char* const kTokens[] = {"VOICE",  "PREF",   "INTERNET", "X400", "DOM",    "INTL",
                                        "POSTAL", "PARCEL", "MSG",      "TEXT", "UNKNOWN"};
  for (const char* token : kTokens) {
    if (upper == token) return true;
  }
  return upper.empty() || (upper[0] >= '0' && upper[0] <= '9');
}

// Type code and label from TYPE tokens; `fallbackLabel` names an untyped item (the IM protocol).
// A token that is no type of the kind ("X-Boat", "CAR") is the user's own label.
void ResolveType(DemoItemKind kind, const std::vector<std::string>& types, const std::wstring& fallbackLabel,
                 DemoContactItem& item) {
  std::vector<std::string> upper;
  std::wstring custom;
  for (const std::string& type : types) {
    const bool extension = StartsWithNoCase(type, "X-");
    std::string token = AsciiUpper(extension ? type.substr(2) : type);
    if (custom.empty() && !IsMeaninglessType(token) && !IsVCardTypeToken(kind, token)) {
      custom = extension ? Utf8ToWideLenient(SanitizeUtf8(type.substr(2))) : Capitalized(type);
    }
    upper.push_back(std::move(token));
  }
  const int32_t code = VCardTypeCode(kind, upper);
  if (code != 0) {
    item.typeCode = code;
    item.label = StandardLabel(kind, code);
    return;
  }
  item.typeCode = 0;
  if (!custom.empty() || !fallbackLabel.empty()) {
    item.label = custom.empty() ? fallbackLabel : custom;
    return;
  }
  // Untyped: a website is a homepage; anything else is "Other".
  const wchar_t* fallbackType = kind == DemoItemKind::kWebsite ? L"Homepage" : L"Other";
  for (const DemoTypeLabel& entry : ContactTypeLabels(kind)) {
    if (entry.code != 0 && fallbackType == std::wstring(entry.label)) {
      item.typeCode = entry.code;
      item.label = entry.label;
      return;
    }
  }
}

struct PendingItem {
  DemoContactItem item;
  std::string group;
};

// One card being read.
class CardBuilder {
 public:
  explicit CardBuilder(size_t number) : m_number(number) {}

  void Add(const Property& property) {
    const std::string& name = property.name;
    m_lastWasEmptyAgent = name == "AGENT" && property.value.empty();
    if (name == "VERSION") m_version4 = StartsWithNoCase(property.value, "4");
    if (name == "VERSION" || name == "BEGIN" || name == "END") return;
    if (m_items.size() + m_groups.size() > kMaxFieldsPerCard) {
      m_tooBig = true;
      return;
    }
    if (name == "FN") {
      m_formattedName = Utf8ToWideLenient(Unescape(DecodeValue(property)));
    } else if (name == "N") {
      m_nameParts = SplitComponents(DecodeValue(property), ';', kMaxComponents);
    } else if (name == "X-PHONETIC-FIRST-NAME" || name == "X-PHONETIC-MIDDLE-NAME" || name == "X-PHONETIC-LAST-NAME") {
      const size_t at = name == "X-PHONETIC-FIRST-NAME" ? 0 : name == "X-PHONETIC-MIDDLE-NAME" ? 1 : 2;
      m_phonetic.resize(3);
      m_phonetic[at] = Utf8ToWideLenient(Unescape(DecodeValue(property)));
    } else if (name == "X-ABLABEL") {
      if (!property.group.empty()) m_labels[property.group] = Utf8ToWideLenient(Unescape(DecodeValue(property)));
    } else if (name == "CATEGORIES") {
      for (std::wstring& title : SplitComponents(DecodeValue(property), ',')) AddGroup(std::move(title));
    } else if (name == "TEL") {
      std::string value = DecodeValue(property);
      if ((property.uri || m_version4) && StartsWithNoCase(value, "tel:")) value.erase(0, 4);
      AddTyped(DemoItemKind::kPhone, property, Utf8ToWideLenient(Unescape(value)), std::wstring());
    } else if (name == "EMAIL") {
      std::string value = DecodeValue(property);
      if ((property.uri || m_version4) && StartsWithNoCase(value, "mailto:")) value.erase(0, 7);
      AddTyped(DemoItemKind::kEmail, property, Utf8ToWideLenient(Unescape(value)), std::wstring());
    } else if (name == "ADR") {
      m_sawAddress = true;
      std::vector<std::wstring> parts = SplitComponents(DecodeValue(property), ';', kMaxComponents);
      // The printed form, when the card gives one, is the address as its owner writes it.
      std::wstring printed = JoinLines(Utf8ToWideLenient(SanitizeUtf8(property.label)));
      AddTyped(DemoItemKind::kPostalAddress, property, printed.empty() ? ComposeAddress(parts) : std::move(printed),
               std::wstring());
      // Parts beyond the street (ours keeps the whole address there) are kept beside it.
      parts.resize(7);
      const bool streetOnly = JoinNonEmpty({parts[0], parts[1], parts[3], parts[4], parts[5], parts[6]}, L"").empty();
      if (!streetOnly && !m_items.empty() && m_items.back().item.kind == DemoItemKind::kPostalAddress)
        m_items.back().item.parts = std::move(parts);
    } else if (name == "LABEL") {
      // A printed address: kept when the card has no ADR, which would say the same.
      const size_t before = m_items.size();
      AddTyped(DemoItemKind::kPostalAddress, property, JoinLines(Utf8ToWideLenient(Unescape(DecodeValue(property)))),
               std::wstring());
      if (m_items.size() > before) {
        m_printedAddresses.push_back(std::move(m_items.back()));
        m_items.pop_back();
      }
    } else if (name == "URL") {
      AddTyped(DemoItemKind::kWebsite, property, Utf8ToWideLenient(Unescape(DecodeValue(property))), std::wstring());
    } else if ((name == "IMPP" && StartsWithNoCase(property.value, "sip:")) || name == "X-SIP") {
      AddTyped(DemoItemKind::kSipAddress, property, Utf8ToWideLenient(Unescape(DecodeValue(property))), std::wstring());
    } else if (name == "IMPP" || ImPropertyLabel(name) != nullptr) {
      const std::string value = Unescape(DecodeValue(property));
      AddTyped(DemoItemKind::kIm, property, Utf8ToWideLenient(value), ImLabelOf(property, value));
    } else if (name == "PHOTO") {
      AddPhoto(property);
    } else if (name == "BDAY") {
      AddWithCode(DemoItemKind::kEvent, property, Utf8ToWideLenient(Unescape(DecodeValue(property))), 3);
    } else if (name == "ANNIVERSARY" || name == "X-ANNIVERSARY" || name == "X-EVOLUTION-ANNIVERSARY" ||
               name == "X-MS-ANNIVERSARY") {
      AddWithCode(DemoItemKind::kEvent, property, Utf8ToWideLenient(Unescape(DecodeValue(property))), 1);
    } else if (name == "X-ABDATE") {
      AddTyped(DemoItemKind::kEvent, property, Utf8ToWideLenient(Unescape(DecodeValue(property))), std::wstring());
    } else if (name == "RELATED" || name == "X-ABRELATEDNAMES") {
      AddRelation(property, Utf8ToWideLenient(Unescape(DecodeValue(property))));
    } else if (name == "ORG") {
      AddOrganization(JoinNonEmpty(SplitComponents(DecodeValue(property), ';', kMaxComponents), L", "), L"");
    } else if (name == "TITLE") {
      AddOrganization(L"", Utf8ToWideLenient(Unescape(DecodeValue(property))));
    } else if (name == "NICKNAME") {
      for (std::wstring& nickname : SplitComponents(DecodeValue(property), ','))
        AddPlain(DemoItemKind::kNickname, property, std::move(nickname));
    } else if (name == "NOTE") {
      AddPlain(DemoItemKind::kNote, property, Utf8ToWideLenient(Unescape(DecodeValue(property))));
    } else if (name == "X-ANDROID-CUSTOM") {
      // The phone's own 2.1 export carries nicknames, relations and dates this way: the
      // mimetype, then the value, the type code and the user's own label.
      std::vector<std::wstring> parts = SplitComponents(DecodeValue(property), ';', 4);
      parts.resize(4);
      if (parts[0] == L"vnd.android.cursor.item/nickname") {
        AddPlain(DemoItemKind::kNickname, property, std::move(parts[1]));
      } else if (parts[0] == kMimeRelation || parts[0] == kMimeEvent) {
        AddAndroidTyped(parts[0] == kMimeRelation ? DemoItemKind::kRelation : DemoItemKind::kEvent, property, parts);
      }
    }
  }

  void MarkBinary() { m_binary = true; }
  bool lastWasEmptyAgent() const { return m_lastWasEmptyAgent; }

  // Problem line for a card that is given up.
  std::string Problem(const std::string& what) const {
    std::string line = "card " + std::to_string(m_number);
    std::wstring name = m_formattedName.empty() ? ComposeName(m_nameParts) : m_formattedName;
    if (!name.empty()) {
      if (name.size() > 40) name = name.substr(0, 40) + L"...";
      line += " (" + WideToUtf8(name) + ")";
    }
    return line + ": " + what;
  }

  // The contact, or false with the reason in `problem`.
  bool Finish(DemoContact& contact, std::string& problem) {
    if (m_binary) {
      problem = Problem("holds binary data");
      return false;
    }
    if (m_tooBig || m_items.size() + m_groups.size() > kMaxFieldsPerCard) {
      problem = Problem("holds more than " + std::to_string(kMaxFieldsPerCard) + " fields");
      return false;
    }
    contact.name = m_formattedName.empty() ? ComposeName(m_nameParts) : m_formattedName;
    // N is family;given;additional;prefix;suffix; the phone keeps prefix, given, middle,
    // family, suffix.
    std::vector<std::wstring> parts = m_nameParts;
    parts.resize(5);
    // Parts that say no more than the display name (as our own export and most writers derive
    // N from it) are not kept: the name row is made from the display name alike.
    const bool derived = parts[2].empty() && parts[3].empty() && parts[4].empty() &&
                         JoinNonEmpty({parts[1], parts[0]}, L" ") == contact.name;
    if (!derived && !JoinNonEmpty(parts, L"").empty())
      contact.nameParts = {parts[3], parts[1], parts[2], parts[0], parts[4]};
    if (!JoinNonEmpty(m_phonetic, L"").empty()) contact.phoneticParts = m_phonetic;
    for (PendingItem& pending : m_items) {
      auto label = pending.group.empty() ? m_labels.end() : m_labels.find(pending.group);
      if (label != m_labels.end() && !ContactTypeLabels(pending.item.kind).empty()) {
        int32_t code = 0;
        if (StandardFromWrappedLabel(pending.item.kind, label->second, code)) {
          pending.item.typeCode = code;
          pending.item.label = StandardLabel(pending.item.kind, code);
        } else {
          pending.item.typeCode = 0;
          pending.item.label = label->second;
        }
      }
      contact.items.push_back(std::move(pending.item));
    }
    if (!m_sawAddress) {
      for (PendingItem& printed : m_printedAddresses) contact.items.push_back(std::move(printed.item));
    }
    contact.groups = std::move(m_groups);
    if (contact.name.empty() && contact.items.empty()) {
      problem = Problem("has no name and no data");
      return false;
    }
    return true;
  }

 private:
  void AddGroup(std::wstring title) {
    if (title.empty() || !m_groupSet.insert(title).second) return;
    m_groups.push_back(std::move(title));
  }

  void AddTyped(DemoItemKind kind, const Property& property, std::wstring value, const std::wstring& fallback) {
    if (value.empty()) return;
    PendingItem pending;
    pending.item.kind = kind;
    pending.item.value = std::move(value);
    pending.group = property.group;
    ResolveType(kind, property.types, fallback, pending.item);
    m_items.push_back(std::move(pending));
  }

  // Base64 (2.1 and 3.0) or a data: URI (4.0); a picture elsewhere on the net is no picture
  // the phone can hold.
  void AddPhoto(const Property& property) {
    std::string_view value = property.value;
    std::string type;
    for (const std::string& token : property.types) {
      const std::string upper = AsciiUpper(token);
      if (upper == "JPEG" || upper == "JPG" || upper == "PNG" || upper == "GIF") type = upper == "JPG" ? "JPEG" : upper;
    }
    if (StartsWithNoCase(value, "data:")) {
      const size_t comma = value.find(',');
      const std::string header = AsciiUpper(value.substr(0, comma == std::string_view::npos ? 0 : comma));
      if (comma == std::string_view::npos || header.find(";BASE64") == std::string::npos) return;
      for (const char* candidate : {"PNG", "GIF", "JPEG"})
        if (header.find(std::string("IMAGE/") + candidate) != std::string::npos) type = candidate;
      value = value.substr(comma + 1);
    } else if (property.encoding != "B" && property.encoding != "BASE64") {
      return;
    }
    std::wstring base64;
    for (char c : value) {
      if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
      const bool valid = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
                         c == '/' || c == '=';
      if (!valid) return;
      base64.push_back(static_cast<wchar_t>(c));
    }
    if (base64.empty() || m_hasPhoto) return;
    m_hasPhoto = true;
    PendingItem pending;
    pending.item.kind = DemoItemKind::kPhoto;
    pending.item.label.assign(type.begin(), type.end());
    pending.item.value = std::move(base64);
    m_items.push_back(std::move(pending));
  }

  // The phone keeps a job title in the row of its organization: a title joins the first
  // organization still without one, a company the first title still without one (writers put
  // either first); what finds no partner is a row of its own, where it stood.
  void AddOrganization(std::wstring company, std::wstring title) {
    if (company.empty() && title.empty()) return;
    for (PendingItem& pending : m_items) {
      DemoContactItem& item = pending.item;
      if (item.kind != DemoItemKind::kOrganization) continue;
      if (!title.empty() && item.label.empty() && !item.value.empty()) {
        item.label = std::move(title);
        return;
      }
      if (!company.empty() && item.value.empty()) {
        item.value = std::move(company);
        return;
      }
    }
    PendingItem pending;
    pending.item.kind = DemoItemKind::kOrganization;
    pending.item.value = std::move(company);
    pending.item.label = std::move(title);
    m_items.push_back(std::move(pending));
  }

  void AddWithCode(DemoItemKind kind, const Property& property, std::wstring value, int32_t code) {
    if (value.empty()) return;
    PendingItem pending;
    pending.item.kind = kind;
    pending.item.value = std::move(value);
    pending.item.typeCode = code;
    pending.item.label = StandardLabel(kind, code);
    pending.group = property.group;
    m_items.push_back(std::move(pending));
  }

  // RELATED's types are relations ("spouse", "child"); a grouped X-ABRELATEDNAMES is typed by
  // its label.
  void AddRelation(const Property& property, std::wstring value) {
    if (value.empty()) return;
    for (const std::string& type : property.types) {
      const std::wstring wanted = Capitalized(type);
      for (const DemoTypeLabel& entry : ContactTypeLabels(DemoItemKind::kRelation)) {
        if (entry.code == 0 || wanted != entry.label) continue;
        AddWithCode(DemoItemKind::kRelation, property, std::move(value), entry.code);
        return;
      }
    }
    AddTyped(DemoItemKind::kRelation, property, std::move(value), std::wstring());
  }

  // value; type code; label, as the phone's own export writes them.
  void AddAndroidTyped(DemoItemKind kind, const Property& property, std::vector<std::wstring>& parts) {
    if (parts[1].empty()) return;
    wchar_t* end = nullptr;
    const long code = std::wcstol(parts[2].c_str(), &end, 10);
    const std::wstring standard = code > 0 && end != nullptr && *end == L'\0' ? StandardLabel(kind, code) : L"";
    PendingItem pending;
    pending.item.kind = kind;
    pending.item.value = std::move(parts[1]);
    pending.item.typeCode = standard.empty() ? 0 : static_cast<int32_t>(code);
    pending.item.label = standard.empty() ? (parts[3].empty() ? StandardLabel(kind, 0) : parts[3]) : standard;
    pending.group = property.group;
    m_items.push_back(std::move(pending));
  }

  void AddPlain(DemoItemKind kind, const Property& property, std::wstring value) {
    if (value.empty()) return;
    PendingItem pending;
    pending.item.kind = kind;
    pending.item.value = std::move(value);
    pending.group = property.group;
    m_items.push_back(std::move(pending));
  }

  size_t m_number;
  std::wstring m_formattedName;
  std::vector<std::wstring> m_nameParts;
  std::vector<std::wstring> m_phonetic;  // given, middle, family
  std::vector<PendingItem> m_items;
  std::vector<PendingItem> m_printedAddresses;  // LABEL properties
  bool m_sawAddress = false;
  std::map<std::string, std::wstring> m_labels;  // group -> X-ABLabel
  std::vector<std::wstring> m_groups;
  std::set<std::wstring> m_groupSet;
  bool m_binary = false;
  bool m_tooBig = false;
  bool m_hasPhoto = false;  // a contact has one picture
  bool m_lastWasEmptyAgent = false;
  bool m_version4 = false;
};

void Fail(ContactReadResult& result, std::string problem) {
  ++result.failed;
  AddProblem(result.problems, result.failed, std::move(problem));
}

void ReadAll(const std::string& bytes, ContactReadResult& result) {
  LineSource lines(bytes);
  std::string line;
  std::unique_ptr<CardBuilder> card;
  size_t cardCount = 0;
  size_t nestedDepth = 0;  // inside a 2.1 AGENT's embedded card
  while (NextLogicalLine(lines, line)) {
    const bool begin = StartsWithNoCase(line, "BEGIN:VCARD");
    const bool end = StartsWithNoCase(line, "END:VCARD");
    if (nestedDepth > 0) {
      nestedDepth += begin ? 1 : 0;
      nestedDepth -= end ? 1 : 0;
      continue;
    }
    if (begin) {
      if (card && card->lastWasEmptyAgent()) {
        nestedDepth = 1;
        continue;
      }
      // A new card inside an open one: the open one never ended.
      if (card) Fail(result, card->Problem("no END:VCARD"));
      card = std::make_unique<CardBuilder>(++cardCount);
      continue;
    }
    if (!card) continue;  // text between cards
    if (end) {
      DemoContact contact;
      std::string problem;
      if (card->Finish(contact, problem)) {
        result.contacts.push_back(std::move(contact));
      } else {
        Fail(result, std::move(problem));
      }
      card.reset();
      continue;
    }
    if (HasBinaryBytes(line)) {
      card->MarkBinary();
      continue;
    }
    Property property;
    if (!ParseProperty(line, property)) continue;
    // 2.1 may start an agent's card on the AGENT line itself (3.0 escapes it into one value).
    if (property.name == "AGENT" && StartsWithNoCase(property.value, "BEGIN:VCARD") &&
        property.value.find("END:VCARD") == std::string_view::npos) {
      nestedDepth = 1;
      continue;
    }
    card->Add(property);
  }
  if (card) Fail(result, card->Problem("no END:VCARD (the file ends inside the card)"));
  if (cardCount == 0) Fail(result, "not a vCard file: no BEGIN:VCARD found");
}

}  // namespace

ContactReadResult ReadVCards(const std::string& bytes) {
  ContactReadResult result;
  try {
    ReadAll(bytes, result);
  } catch (...) {
    // Only memory exhaustion gets here; what was read so far stays.
    Fail(result, "out of memory while reading the file");
  }
  return result;
}
