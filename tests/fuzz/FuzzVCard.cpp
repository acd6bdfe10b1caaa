// ReadVCards over arbitrary bytes: no crash, no leak, no hang; every file yields a card or a
// failure; whatever was read survives WriteVCards and a second reading unchanged.
#include <cstdint>

#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const ContactReadResult first = ReadVCards(bytes);
  if (first.contacts.empty() && first.failed == 0) {
    std::fprintf(stderr, "a file gave neither cards nor a failure\n");
    std::abort();
  }
  if (first.problems.size() > 51) std::abort();  // the list is capped
  if (first.contacts.empty()) return 0;
  const ContactReadResult second = ReadVCards(WriteVCards(first.contacts, GroupsByTitle(first.contacts)));
  if (second.failed != 0) {
    std::fprintf(stderr, "our own export failed to read: %s\n",
                 second.problems.empty() ? "" : second.problems[0].c_str());
    std::abort();
  }
  RequireSameContacts(first.contacts, second.contacts, false);
  return 0;
}
