#include "modules/courier/formats/Charsets.h"

#include <cstdint>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/formats/FormatText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace formats {

namespace {

struct Charset {
  const char* names;  // every name it goes by, upper case, separated by '|'
  unsigned codePage;  // Windows
  const char* iconvName;
};

// What Japanese, Chinese, Korean, Russian, Thai and European phones and desktop address books
// write. Each set is decoded as its Windows superset (Shift_JIS as code page 932, GB2312 as
// GBK), as those phones do.
const Charset kCharsets[] = {
    {"SHIFT_JIS|SHIFT-JIS|SJIS|CP932|WINDOWS-31J|MS_KANJI|X-SJIS|MS932", 932, "CP932"},
    {"EUC-JP|EUCJP|X-EUC-JP", 20932, "EUC-JP"},
    {"GB2312|GBK|CP936|X-GBK|EUC-CN|GB_2312-80|MS936", 936, "CP936"},
    {"GB18030", 54936, "GB18030"},
    {"BIG5|BIG-5|CP950|X-BIG5|BIG5-HKSCS", 950, "CP950"},
    {"EUC-KR|KS_C_5601-1987|KSC5601|CP949|UHC|KS_C_5601|MS949", 949, "CP949"},
    {"KOI8-R|KOI8R", 20866, "KOI8-R"},
    {"KOI8-U|KOI8U", 21866, "KOI8-U"},
    {"CP866|IBM866", 866, "CP866"},
    {"WINDOWS-874|CP874|TIS-620|TIS620", 874, "CP874"},
    {"WINDOWS-1250|CP1250", 1250, "CP1250"},
    {"WINDOWS-1251|CP1251", 1251, "CP1251"},
    {"WINDOWS-1253|CP1253", 1253, "CP1253"},
    {"WINDOWS-1254|CP1254", 1254, "CP1254"},
    {"WINDOWS-1255|CP1255", 1255, "CP1255"},
    {"WINDOWS-1256|CP1256", 1256, "CP1256"},
    {"WINDOWS-1257|CP1257", 1257, "CP1257"},
    {"WINDOWS-1258|CP1258", 1258, "CP1258"},
    {"ISO-8859-2|ISO8859-2|ISO_8859-2|LATIN2", 28592, "ISO-8859-2"},
    {"ISO-8859-3|ISO8859-3|ISO_8859-3|LATIN3", 28593, "ISO-8859-3"},
    {"ISO-8859-4|ISO8859-4|ISO_8859-4|LATIN4", 28594, "ISO-8859-4"},
    {"ISO-8859-5|ISO8859-5|ISO_8859-5|CYRILLIC", 28595, "ISO-8859-5"},
    {"ISO-8859-6|ISO8859-6|ISO_8859-6|ARABIC", 28596, "ISO-8859-6"},
    {"ISO-8859-7|ISO8859-7|ISO_8859-7|GREEK", 28597, "ISO-8859-7"},
    {"ISO-8859-8|ISO8859-8|ISO_8859-8|HEBREW", 28598, "ISO-8859-8"},
    {"ISO-8859-9|ISO8859-9|ISO_8859-9|LATIN5", 28599, "ISO-8859-9"},
    {"ISO-8859-13|ISO8859-13|ISO_8859-13|LATIN7", 28603, "ISO-8859-13"},
    {"ISO-8859-15|ISO8859-15|ISO_8859-15|LATIN9", 28605, "ISO-8859-15"},
};

bool HasName(const char* names, const std::string& upper) {
  const std::string_view all(names);
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find('|', start);
    if (end == std::string_view::npos) end = all.size();
    if (all.substr(start, end - start) == upper) return true;
    start = end + 1;
  }
  return false;
}

const Charset* FindCharset(std::string_view name) {
  const std::string upper = AsciiUpper(name);
  for (const Charset& charset : kCharsets)
    if (HasName(charset.names, upper)) return &charset;
  return nullptr;
}

#ifdef _WIN32
// GB18030's one- and two-byte characters are GBK's; only its four-byte ones (a digit as second
// byte) need the GB18030 code page, which not every Windows-compatible system carries.
bool HasFourByteGb18030(std::string_view bytes) {
  for (size_t i = 0; i + 1 < bytes.size(); ++i) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x81 || lead == 0xFF) continue;
    if (bytes[i + 1] >= '0' && bytes[i + 1] <= '9') return true;
    ++i;
  }
  return false;
}

bool Decode(const Charset& charset, std::string_view bytes, std::string& utf8) {
  if (bytes.empty()) {
    utf8.clear();
    return true;
  }
  UINT codePage = charset.codePage;
  if (codePage == 54936 && !HasFourByteGb18030(bytes)) codePage = 936;
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(codePage, 0, bytes.data(), size, nullptr, 0);
  if (length <= 0) return false;  // the code page is not installed
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, bytes.data(), size, &wide[0], length);
  utf8 = WideToUtf8(wide);
  return true;
}
#else
bool Decode(const Charset& charset, std::string_view bytes, std::string& utf8) {
  iconv_t converter = iconv_open("UTF-8", charset.iconvName);
  if (converter == reinterpret_cast<iconv_t>(-1)) return false;
  std::string out;
  std::vector<char> buffer(bytes.size() * 4 + 16);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* next = buffer.data();
    size_t outLeft = buffer.size();
    const size_t result = iconv(converter, &in, &inLeft, &next, &outLeft);
    out.append(buffer.data(), static_cast<size_t>(next - buffer.data()));
    if (result != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // A byte the set cannot decode (or a sequence cut short) stands for one unknown character.
    out += "\xEF\xBF\xBD";
    ++in;
    --inLeft;
  }
  iconv_close(converter);
  utf8 = std::move(out);
  return true;
}
#endif

}  // namespace

bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8) {
  const Charset* known = FindCharset(charset);
  return known != nullptr && Decode(*known, bytes, utf8);
}

}  // namespace formats
