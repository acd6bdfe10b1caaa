// The compiled-manifest reader and the resource-table lookup over arbitrary bytes: no crash,
// no leak; an accepted manifest names a package that is safe as a file name.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "modules/courier/formats/ApkReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  ManifestInfo info;
  std::string problem, value;
  if (ReadBinaryManifest(bytes, info, problem) &&
      (info.packageName.empty() || info.packageName.find_first_of("/\\:") != std::string::npos))
    std::abort();
  // The same bytes as a resource table, asked for the ids the demo apps use.
  for (uint32_t id : {0x7F010000u, 0x7F020000u, info.labelReference, info.iconReference}) {
    ResolveResourceString(bytes, id, id == 0x7F010000u, value);
  }
  return 0;
}
