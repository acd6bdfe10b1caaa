// The adb server's and the phone's replies over arbitrary bytes: the device list, a sync pull
// and listing, and the contacts provider's rows. No crash, no hang, and nothing read past what
// the reply holds: a pull never hands on more bytes than arrived, no list entry is empty.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "modules/courier/adb/AdbWire.h"
#include "modules/courier/adb/PhoneShellOutput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  for (const AdbDeviceEntry& entry : ParseDeviceList(bytes)) {
    if (entry.serial.empty() || entry.state.empty()) std::abort();
  }

  // Short reads of one to seven bytes, chosen by the input, so partial headers are exercised.
  const size_t chunk = size > 0 ? (data[0] % 7) + 1 : 1;
  MemoryAdbStream pull(bytes, chunk);
  size_t received = 0;
  std::string error;
  const bool pulled = adbsync::Pull(
      pull, "/sdcard/x",
      [&](const char*, size_t length) {
        received += length;
        return true;
      },
      error);
  if (received > size || (!pulled && error.empty())) std::abort();

  MemoryAdbStream list(bytes, chunk);
  std::vector<adbsync::ListEntry> entries;
  adbsync::List(list, "/sdcard", entries, error);
  if (entries.size() > size / 20 + 1) std::abort();

  MemoryAdbStream message(bytes, chunk);
  std::string text;
  if (ReadAdbMessage(message, text) && text.size() + 4 > size) std::abort();

  ContactsFromDataRows(ParseContentRows(bytes, kContactDataColumns));
  ParseDumpsysBattery(bytes);
  ParseDfKilobytes(bytes);
  return 0;
}
