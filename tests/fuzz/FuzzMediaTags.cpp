// The sound and video readers over arbitrary bytes: no crash, no read outside the input, no
// endless loop; an accepted file says something sane about itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "modules/courier/formats/MediaTags.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemorySource source(data, size);
  const MediaTags tags = ReadMediaTags(source);
  if (tags.ok() && (tags.durationMs < 0 || tags.sizeBytes != static_cast<int64_t>(size))) {
    std::fprintf(stderr, "accepted with a duration of %lld ms\n", static_cast<long long>(tags.durationMs));
    std::abort();
  }
  // Each reader on its own, as a file of another kind would reach it by its name.
  ReadMp3(source);
  ReadMp4(source);
  ReadMatroska(source);
  return 0;
}
