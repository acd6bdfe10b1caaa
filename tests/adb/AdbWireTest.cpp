// The adb host protocol's framing over memory streams: requests, replies, the device list and
// the sync service, including the broken and cut-short answers a dying server gives.
#include <gtest/gtest.h>

#include "modules/courier/adb/AdbWire.h"

using namespace std::string_literals;

namespace {

std::string Le32(uint32_t n) {
  std::string s;
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
  return s;
}

TEST(AdbWire, RequestsAreFramedByFourHexDigitsAndRepliesRead) {
  EXPECT_EQ(FrameAdbRequest("host:version"), "000chost:version");
  EXPECT_EQ(FrameAdbRequest(""), "0000");
  EXPECT_EQ(FrameAdbRequest(std::string(0xFFFF, 'a')).substr(0, 4), "ffff");
  EXPECT_TRUE(FrameAdbRequest(std::string(0x10000, 'a')).empty());  // would wrap to 0000

  size_t length = 0;
  EXPECT_TRUE(ParseHexLength("00Af", length));
  EXPECT_EQ(length, 0xAFu);
  EXPECT_FALSE(ParseHexLength("00g1", length));
  EXPECT_FALSE(ParseHexLength("001", length));

  MemoryAdbStream okay("OKAY0004002a", 3);
  std::string failure;
  EXPECT_TRUE(SendAdbRequest(okay, "host:version", failure));
  EXPECT_EQ(okay.written(), "000chost:version");
  std::string version;
  ASSERT_TRUE(ReadAdbMessage(okay, version));
  EXPECT_EQ(version, "002a");

  MemoryAdbStream refused("FAIL0014device 'x' not found");
  EXPECT_FALSE(SendAdbRequest(refused, "host:transport:x", failure));
  EXPECT_EQ(failure, "device 'x' not found");

  MemoryAdbStream garbage("HTTP/1.1 400");
  EXPECT_FALSE(SendAdbRequest(garbage, "host:version", failure));
  EXPECT_FALSE(failure.empty());

  MemoryAdbStream silent("");
  silent.failAtEnd = true;
  EXPECT_FALSE(SendAdbRequest(silent, "host:version", failure));

  MemoryAdbStream cut("0010short");
  EXPECT_FALSE(ReadAdbMessage(cut, version));
}

TEST(AdbWire, DeviceListsInShortAndLongFormAndTheirChanges) {
  const std::vector<AdbDeviceEntry> shortForm = ParseDeviceList("emulator-5554\tdevice\nR58M\tunauthorized\n");
  ASSERT_EQ(shortForm.size(), 2u);
  EXPECT_EQ(shortForm[0].serial, "emulator-5554");
  EXPECT_EQ(shortForm[1].state, "unauthorized");

  const std::vector<AdbDeviceEntry> longForm = ParseDeviceList(
      "127.0.0.1:40001        device product:lumo7 model:Lumo_Seven device:lumo transport_id:3\n"
      "0123456789ABCDEF       no permissions (user in plugdev group; are your udev rules wrong?); see "
      "[http://developer.android.com/tools/device.html] usb:1-1 transport_id:4\n"
      "\n"
      "lonely\n");
  ASSERT_EQ(longForm.size(), 2u);
  EXPECT_EQ(longForm[0].serial, "127.0.0.1:40001");
  EXPECT_EQ(longForm[0].state, "device");
  EXPECT_EQ(longForm[0].properties.at("model"), "Lumo_Seven");
  EXPECT_EQ(longForm[0].properties.at("transport_id"), "3");
  EXPECT_EQ(longForm[1].state.substr(0, 14), "no permissions");
  EXPECT_EQ(longForm[1].properties.at("usb"), "1-1");

  // A phone named twice keeps its last state; an empty list is no phones.
  EXPECT_EQ(ParseDeviceList("a\toffline\na\tdevice\n").at(0).state, "device");
  EXPECT_TRUE(ParseDeviceList("").empty());

  const std::vector<AdbDeviceChange> changes =
      DiffDeviceLists(ParseDeviceList("a\tunauthorized\nb\tdevice\n"), ParseDeviceList("a\tdevice\nc\toffline\n"));
  ASSERT_EQ(changes.size(), 3u);
  EXPECT_EQ(changes[0].serial, "a");
  EXPECT_EQ(changes[0].state, "device");
  EXPECT_FALSE(changes[0].appeared);
  EXPECT_EQ(changes[1].serial, "c");
  EXPECT_TRUE(changes[1].appeared);
  EXPECT_EQ(changes[2].serial, "b");
  EXPECT_TRUE(changes[2].state.empty());
}

TEST(AdbSync, PullStreamsChunksAndStopsOnFailures) {
  const std::string reply =
      "DATA" + Le32(5) + "hello" + "DATA" + Le32(0) + "DATA" + Le32(6) + " world" + "DONE" + Le32(1700000000);
  MemoryAdbStream stream(reply, 7);
  std::string received;
  int chunks = 0;
  std::string error;
  ASSERT_TRUE(adbsync::Pull(
      stream, "/sdcard/a.txt",
      [&](const char* data, size_t size) {
        received.append(data, size);
        ++chunks;
        return true;
      },
      error))
      << error;
  EXPECT_EQ(received, "hello world");
  EXPECT_EQ(chunks, 3);
  EXPECT_EQ(stream.written(), "RECV" + Le32(13) + "/sdcard/a.txt");

  auto pullFails = [](const std::string& bytes, std::string& why) {
    MemoryAdbStream broken(bytes);
    return !adbsync::Pull(
        broken, "/x", [](const char*, size_t) { return true; }, why);
  };
  EXPECT_TRUE(pullFails("FAIL" + Le32(14) + "No such file.."s.substr(0, 14), error));
  EXPECT_EQ(error, "No such file..");
  EXPECT_TRUE(pullFails("DATA" + Le32(adbsync::kMaxChunk + 1), error));  // a length no phone sends
  EXPECT_TRUE(pullFails("DATA" + Le32(10) + "short", error));            // the server died mid-chunk
  EXPECT_TRUE(pullFails("DATA" + Le32(2) + "ok", error));                // no DONE
  EXPECT_TRUE(pullFails("FAIL" + Le32(0xFFFFFFFF), error));
  EXPECT_FALSE(error.empty());

  // A sink that refuses (a full disk) ends the pull.
  MemoryAdbStream refused(reply);
  EXPECT_FALSE(adbsync::Pull(
      refused, "/x", [](const char*, size_t) { return false; }, error));
}

TEST(AdbSync, StatAndList) {
  MemoryAdbStream stat("STAT" + Le32(0100644) + Le32(1234) + Le32(99));
  adbsync::Stat result;
  std::string error;
  ASSERT_TRUE(adbsync::StatPath(stat, "/sdcard/f", result, error));
  EXPECT_TRUE(result.Exists());
  EXPECT_FALSE(result.IsDirectory());
  EXPECT_EQ(result.size, 1234u);

  MemoryAdbStream missing("STAT" + Le32(0) + Le32(0) + Le32(0));
  ASSERT_TRUE(adbsync::StatPath(missing, "/nope", result, error));
  EXPECT_FALSE(result.Exists());

  const std::string listing = "DENT" + Le32(040755) + Le32(0) + Le32(0) + Le32(1) + "." + "DENT" + Le32(0100600) +
                              Le32(7) + Le32(5) + Le32(5) + "a.jpg" + "DONE" + std::string(16, '\0');
  MemoryAdbStream list(listing, 5);
  std::vector<adbsync::ListEntry> entries;
  ASSERT_TRUE(adbsync::List(list, "/sdcard/DCIM", entries, error)) << error;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].name, "a.jpg");
  EXPECT_EQ(entries[0].stat.size, 7u);

  MemoryAdbStream cut("DENT" + Le32(0) + Le32(0) + Le32(0) + Le32(4000) + "ab");
  entries.clear();
  EXPECT_FALSE(adbsync::List(cut, "/", entries, error));
}

}  // namespace
