// The character sets phones and address books name in CHARSET parameters, decoded through the
// platform's own converters: the system code pages on Windows, iconv in the native build. The
// names map to the code page both sides know by the same table, so both builds agree.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// `charset` as written (any case). False when the name is not one of the known sets; `utf8` is
// then untouched. Bytes the set cannot decode become U+FFFD.
bool CharsetToUtf8(std::string_view charset, std::string_view bytes, std::string& utf8);

}  // namespace formats
