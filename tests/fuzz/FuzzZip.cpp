// The zip walk over arbitrary bytes: no crash, no leak, no read past the buffer; every entry
// it lists can be asked for, and an entry it returns has exactly the size the directory gave.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modules/courier/formats/ZipReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ZipReader zip;
  std::string problem;
  if (!zip.OpenBytes(std::string(reinterpret_cast<const char*>(data), size), problem)) return 0;
  for (const ZipEntryInfo& entry : zip.Entries()) {
    std::string out;
    if (zip.Read(entry, 1u << 20, out, problem) && out.size() != entry.size) std::abort();
  }
  return 0;
}
