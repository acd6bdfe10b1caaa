// ReadContactBackup over arbitrary bytes: no crash, no leak; a backup it accepted restores
// exactly after being written again.
#include <cstdint>

#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const ContactReadResult first = ReadContactBackup(bytes);
  if (first.contacts.empty() && first.failed == 0) return 0;  // an empty but valid backup
  const std::string written = WriteContactBackup(first.contacts, GroupsByTitle(first.contacts));
  const ContactReadResult second = ReadContactBackup(written);
  if (second.failed != 0) {
    std::fprintf(stderr, "our own backup failed to read: %s\n",
                 second.problems.empty() ? "" : second.problems[0].c_str());
    std::abort();
  }
  RequireSameContacts(first.contacts, second.contacts, true);
  return 0;
}
