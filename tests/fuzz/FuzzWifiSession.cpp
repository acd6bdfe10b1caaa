// A peer's bytes into a Wi-Fi session: the frame reader, the hello and the contact list over
// arbitrary input, cut at arbitrary points. No crash, no leak, never more kept than the bound,
// and whatever the session sends back is well-formed frames.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "modules/courier/WifiSession.h"

using namespace wifi;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte decides where the stream is cut and whether the user says yes.
  const size_t step = 1 + data[0] % 64;
  const bool accept = (data[0] & 0x80) != 0;
  WifiSession session(L"10.1.2.3", 0);
  int64_t now = 0;
  for (size_t i = 1; i < size; i += step) {
    const size_t length = i + step <= size ? step : size - i;
    if (session.OnBytes(reinterpret_cast<const char*>(data) + i, length, now) == WifiSession::Event::kHello)
      session.Answer(accept, now);
    session.OnTick(now += 100);
  }
  const std::string out = session.TakeOutgoing();
  FrameReader reader;
  if (!reader.Feed(out.data(), out.size())) {
    std::fprintf(stderr, "the session sent a broken frame: %s\n", reader.error().c_str());
    std::abort();
  }
  std::string frame;
  while (reader.Next(frame)) {
    Message message;
    std::string error;
    if (!ParseMessage(frame, message, error)) std::abort();
  }
  return 0;
}
