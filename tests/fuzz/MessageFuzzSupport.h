// What the message fuzzers check beyond "no crash": what a reader accepted, written by our own
// writer, reads back to the very same conversations.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "modules/courier/formats/MessageFormats.h"

// Names the first difference on stderr and aborts, so libFuzzer keeps the input.
inline void RequireSameConversations(const std::vector<DemoConversation>& expected,
                                     const std::vector<DemoConversation>& actual, bool identifiers) {
  const char* what = nullptr;
  if (expected.size() != actual.size()) what = "conversation count";
  for (size_t i = 0; what == nullptr && i < expected.size(); ++i) {
    const DemoConversation& a = expected[i];
    const DemoConversation& b = actual[i];
    if (a.address != b.address) what = "address";
    if (identifiers && a.identifier != b.identifier) what = "conversation id";
    if (a.messages.size() != b.messages.size()) what = "message count";
    for (size_t k = 0; what == nullptr && k < a.messages.size(); ++k) {
      const DemoMessage& x = a.messages[k];
      const DemoMessage& y = b.messages[k];
      if (x.box != y.box || x.date != y.date || x.read != y.read || x.body != y.body) what = "message";
      if (identifiers && x.identifier != y.identifier) what = "message id";
    }
  }
  if (what != nullptr) {
    std::fprintf(stderr, "round trip changed the %s\n", what);
    std::abort();
  }
}
