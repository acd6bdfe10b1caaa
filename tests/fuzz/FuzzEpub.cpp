// The EPUB reader over arbitrary archives, and its XML scan over arbitrary text: no crash, no
// leak; what it reads is valid UTF-8 on one line.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cornerstone/core/TextCodec.h"
#include "modules/courier/formats/BookReader.h"
#include "modules/courier/formats/ZipReader.h"

namespace {

void RequireCleanLine(const std::string& text) {
  if (text.find_first_of("\r\n") != std::string::npos) std::abort();
  if (cornerstone::Utf16ToUtf8(cornerstone::Utf8ToUtf16(text)) != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text, problem;
  if (FindXmlText(bytes, "metadata", "title", text)) RequireCleanLine(text);
  FindXmlAttribute(bytes, "rootfile", "full-path", text);
  ZipReader zip;
  BookInfo info;
  if (zip.OpenBytes(bytes, problem) && ReadEpub(zip, info, problem)) {
    RequireCleanLine(info.title);
    RequireCleanLine(info.author);
  }
  return 0;
}
