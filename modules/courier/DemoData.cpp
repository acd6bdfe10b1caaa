#include "modules/courier/DemoData.h"

std::wstring DemoContact::FirstPhone() const {
  for (const DemoContactItem& item : items) {
    if (item.kind == DemoItemKind::kPhone) return item.value;
  }
  return std::wstring();
}

size_t DemoPhone::MessageCount() const {
  size_t count = 0;
  for (const DemoConversation& conversation : conversations) count += conversation.messages.size();
  return count;
}

const DemoPhone* DemoCatalog::Find(const std::wstring& identifier) const {
  for (const DemoPhone& phone : m_phones) {
    if (phone.identifier == identifier) return &phone;
  }
  return nullptr;
}

void DemoCatalog::Clear() {
  m_startupDelayMs = 0;
  m_phones.clear();
}

const std::vector<DemoTypeLabel>& ContactTypeLabels(DemoItemKind kind) {
  // The phone's own type tables (ContactsContract); the editor offers these labels.
  static const std::vector<DemoTypeLabel> kPhone = {{0, L"Custom"}, {1, L"Home"},     {2, L"Mobile"},
                                                    {3, L"Work"},   {4, L"Work Fax"}, {5, L"Home Fax"},
                                                    {6, L"Pager"},  {7, L"Other"},    {12, L"Main"}};
  static const std::vector<DemoTypeLabel> kEmail = {
      {0, L"Custom"}, {1, L"Home"}, {2, L"Work"}, {3, L"Other"}, {4, L"Mobile"}};
  static const std::vector<DemoTypeLabel> kPostal = {{0, L"Custom"}, {1, L"Home"}, {2, L"Work"}, {3, L"Other"}};
  static const std::vector<DemoTypeLabel> kWebsite = {{0, L"Custom"}, {1, L"Homepage"}, {2, L"Blog"},
                                                      {4, L"Home"},   {5, L"Work"},     {7, L"Other"}};
  static const std::vector<DemoTypeLabel> kIm = {{0, L"Custom"}, {1, L"Home"}, {2, L"Work"}, {3, L"Other"}};
  static const std::vector<DemoTypeLabel> kEvent = {
      {0, L"Custom"}, {1, L"Anniversary"}, {2, L"Other"}, {3, L"Birthday"}};
  static const std::vector<DemoTypeLabel> kSip = {{0, L"Custom"}, {1, L"Home"}, {2, L"Work"}, {3, L"Other"}};
  static const std::vector<DemoTypeLabel> kRelation = {
      {0, L"Custom"},   {1, L"Assistant"},    {2, L"Brother"},   {3, L"Child"},   {4, L"Domestic Partner"},
      {5, L"Father"},   {6, L"Friend"},       {7, L"Manager"},   {8, L"Mother"},  {9, L"Parent"},
      {10, L"Partner"}, {11, L"Referred By"}, {12, L"Relative"}, {13, L"Sister"}, {14, L"Spouse"}};
  static const std::vector<DemoTypeLabel> kNone;
  switch (kind) {
    case DemoItemKind::kPhone:
      return kPhone;
    case DemoItemKind::kEmail:
      return kEmail;
    case DemoItemKind::kPostalAddress:
      return kPostal;
    case DemoItemKind::kWebsite:
      return kWebsite;
    case DemoItemKind::kIm:
      return kIm;
    case DemoItemKind::kEvent:
      return kEvent;
    case DemoItemKind::kSipAddress:
      return kSip;
    case DemoItemKind::kRelation:
      return kRelation;
    default:
      return kNone;
  }
}

int32_t ContactTypeCode(DemoItemKind kind, const std::wstring& label) {
  for (const DemoTypeLabel& entry : ContactTypeLabels(kind)) {
    if (entry.code != 0 && label == entry.label) return entry.code;
  }
  return 0;
}

namespace {

void AppendCodePoint(char32_t code, std::wstring& wide) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (code >= 0x10000) {
      code -= 0x10000;
      wide.push_back(static_cast<wchar_t>(0xD800 + (code >> 10)));
      wide.push_back(static_cast<wchar_t>(0xDC00 + (code & 0x3FF)));
      return;
    }
  }
  wide.push_back(static_cast<wchar_t>(code));
}

void AppendUtf8(char32_t code, std::string& out) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

}  // namespace

size_t DecodeUtf8Sequence(std::string_view bytes, size_t i, char32_t& code) {
  const unsigned char lead = static_cast<unsigned char>(bytes[i]);
  size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  if ((lead & 0xE0) == 0xC0) {
    length = 2, code = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, code = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, code = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past Unicode are not text.
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool Utf8ToWide(const std::string& utf8, std::wstring& wide) {
  wide.clear();
  wide.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t code = 0;
    const size_t length = DecodeUtf8Sequence(utf8, i, code);
    if (length == 0) return false;
    AppendCodePoint(code, wide);
    i += length;
  }
  return true;
}

std::string WideToUtf8(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size());
  for (size_t i = 0; i < wide.size(); ++i) {
    char32_t code = static_cast<char32_t>(wide[i]);
    if constexpr (sizeof(wchar_t) == 2) {
      if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size()) {
        const char32_t low = static_cast<char32_t>(wide[i + 1]);
        if (low >= 0xDC00 && low <= 0xDFFF) {
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          ++i;
        }
      }
    }
    if ((code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) code = 0xFFFD;
    AppendUtf8(code, out);
  }
  return out;
}

namespace {

constexpr size_t kSuffixDigits = 6;

// The digits of a number without its international prefix ("+" or "00") or trunk "0".
void NumberDigits(const std::wstring& number, std::wstring& digits, bool& international) {
  digits.clear();
  international = false;
  for (wchar_t c : number) {
    if (c == L'+' && digits.empty()) international = true;
    if (c >= L'0' && c <= L'9') digits += c;
  }
  if (!international && digits.compare(0, 2, L"00") == 0) {
    international = true;
    digits.erase(0, 2);
  } else if (!international && !digits.empty() && digits[0] == L'0') {
    digits.erase(0, 1);
  }
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

void NumberDirectory::Add(const std::wstring& number, const std::wstring& name) {
  Entry entry;
  NumberDigits(number, entry.digits, entry.international);
  if (entry.digits.size() < kSuffixDigits || name.empty()) return;
  entry.name = name;
  m_entries.emplace(entry.digits.substr(entry.digits.size() - kSuffixDigits), std::move(entry));
}

std::wstring NumberDirectory::NameOf(const std::wstring& number) const {
  std::wstring digits;
  bool international = false;
  NumberDigits(number, digits, international);
  if (digits.size() < kSuffixDigits) return std::wstring();
  const auto range = m_entries.equal_range(digits.substr(digits.size() - kSuffixDigits));
  for (auto it = range.first; it != range.second; ++it) {
    const Entry& entry = it->second;
    // Two international numbers are one only when equal; a local one matches the end of another.
    const bool same = entry.international && international
                          ? entry.digits == digits
                          : EndsWith(entry.digits, digits) || EndsWith(digits, entry.digits);
    if (same) return entry.name;
  }
  return std::wstring();
}
