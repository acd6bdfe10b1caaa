// Text helpers shared by the contact file formats: lenient decoding of foreign bytes, ASCII
// case folding, the vCard type tokens of each item kind, and the capped problem list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/DemoData.h"
#include "modules/courier/formats/ContactFormats.h"

namespace formats {

// A sink writer's output as a string; empty when the writer failed.
template <typename Writer>
std::string WriteToString(Writer write) {
  std::string out;
  StringSink sink(out);
  if (!write(sink)) out.clear();
  return out;
}

// Files are foreign: a reader reports at most this many problem lines (the count stays exact).
constexpr size_t kMaxProblemLines = 50;
void AddProblem(std::vector<std::string>& problems, size_t failedSoFar, std::string line);

char AsciiUpper(char c);
std::string AsciiUpper(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Valid UTF-8 from any bytes: malformed sequences become U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);
bool IsValidUtf8(std::string_view bytes);
// Windows-1252 (which ISO-8859-1 files in practice are) to UTF-8.
std::string Windows1252ToUtf8(std::string_view bytes);
// UTF-8 to wide text; never fails (malformed input becomes U+FFFD).
std::wstring Utf8ToWideLenient(std::string_view utf8);

// The text of a foreign value made fit for the model: line ends become LF, other control
// characters except tab are dropped.
std::string CleanControls(std::string_view utf8);

// Text for HTML or XML: the markup characters escaped. In an attribute value line breaks and tabs
// become character references (a reader would turn them into spaces) and the other control
// characters, which XML 1.0 does not allow, are dropped; in element content only CR is dropped.
std::string EscapeMarkup(const std::wstring& text, bool attribute);

// The label the phone shows for a type code of `kind`; empty for custom or unknown codes.
std::wstring StandardLabel(DemoItemKind kind, int32_t code);

// The vCard TYPE tokens the writer uses for a standard type code (empty: the code has none).
std::vector<const char*> VCardTypeTokens(DemoItemKind kind, int32_t code);
// The type code a set of TYPE tokens (upper case, "X-" removed) means for `kind`; 0 = none of
// them is a known type.
int32_t VCardTypeCode(DemoItemKind kind, const std::vector<std::string>& upperTokens);
// Whether an upper-case token takes part in any type of `kind` ("FAX" does for phones).
bool IsVCardTypeToken(DemoItemKind kind, const std::string& upperToken);

// Stable names of the item kinds in files ("phone", "email", ...), and back.
const char* KindName(DemoItemKind kind);
bool KindFromName(std::string_view name, DemoItemKind& kind);

}  // namespace formats
