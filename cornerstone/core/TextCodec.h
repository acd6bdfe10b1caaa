// UTF-8 <-> UTF-16 conversion that never fails: malformed input becomes U+FFFD.
#pragma once

#include <string>

namespace cornerstone {

std::u16string Utf8ToUtf16(const char* text, size_t length);
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const char16_t* text, size_t length);
std::string Utf16ToUtf8(const std::u16string& text);

}  // namespace cornerstone
