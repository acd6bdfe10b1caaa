// ReadMessagesXml over arbitrary bytes: no crash, no leak; what it accepted, written as XML by
// us, reads back the same.
#include <cstdint>
#include <string>

#include "tests/fuzz/MessageFuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const MessageReadResult first = ReadMessagesXml(bytes);
  if (first.conversations.empty()) return 0;
  std::string written;
  StringSink sink(written);
  if (!WriteMessagesXml(sink, first.conversations)) std::abort();
  const MessageReadResult second = ReadMessagesXml(written);
  if (second.failed != 0) {
    std::fprintf(stderr, "our own XML failed to read: %s\n", second.problems.empty() ? "" : second.problems[0].c_str());
    std::abort();
  }
  RequireSameConversations(first.conversations, second.conversations, false);
  return 0;
}
