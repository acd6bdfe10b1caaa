// ReadMessageBackup over arbitrary bytes: no crash, no leak; what it accepted restores exactly
// after being written again.
#include <cstdint>
#include <string>

#include "tests/fuzz/MessageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const MessageReadResult first = ReadMessageBackup(bytes);
  const MessageReadResult second = ReadMessageBackup(WriteMessageBackup(first.conversations));
  if (second.failed != 0) {
    std::fprintf(stderr, "our own backup failed to read: %s\n",
                 second.problems.empty() ? "" : second.problems[0].c_str());
    std::abort();
  }
  RequireSameConversations(first.conversations, second.conversations, true);
  return 0;
}
