// A transfer's bytes written on a thread of their own: they reach the file whole and in order
// whatever the pieces, memory stays bounded by the blocks in hand, and a failing disk stops the
// transfer instead of being written past.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "modules/courier/adb/WriteBehind.h"

namespace {

// Collects what it gets; fails from the `failAt`-th write on; slow when asked.
class SlowSink : public ByteSink {
 public:
  bool Write(std::string_view bytes) override {
    if (m_delay.count() > 0) std::this_thread::sleep_for(m_delay);
    if (++m_writes >= m_failAt) return false;
    m_bytes.append(bytes.data(), bytes.size());
    m_largest = std::max(m_largest.load(), bytes.size());
    return true;
  }
  std::string m_bytes;
  int m_failAt = 1 << 30;
  std::atomic<int> m_writes{0};
  std::atomic<size_t> m_largest{0};
  std::chrono::milliseconds m_delay{0};
};

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  return bytes;
}

TEST(WriteBehind, BytesArriveWholeAndInOrderWhateverThePieces) {
  const std::string data = Pattern(5 * 1000 * 1000 + 17);
  SlowSink sink;
  {
    WriteBehind behind(sink, 64 * 1024, 2);
    size_t at = 0;
    for (size_t piece = 1; at < data.size(); piece = piece * 7 % 200003 + 1) {
      const size_t size = std::min(piece, data.size() - at);
      ASSERT_TRUE(behind.Write(std::string_view(data).substr(at, size)));
      at += size;
    }
    ASSERT_TRUE(behind.Finish());
    EXPECT_EQ(sink.m_bytes.size(), data.size());
  }
  EXPECT_TRUE(sink.m_bytes == data) << "the file differs from what came";
  EXPECT_LE(sink.m_largest.load(), 64u * 1024);

  // Nothing written at all is a whole, empty file.
  SlowSink empty;
  WriteBehind none(empty);
  EXPECT_TRUE(none.Finish());
  EXPECT_TRUE(empty.m_bytes.empty());
}

TEST(WriteBehind, AFailingOrSlowDiskStopsOrHoldsTheTransfer) {
  SlowSink failing;
  failing.m_failAt = 3;
  WriteBehind behind(failing, 1024, 2);
  const std::string block = Pattern(1024);
  int accepted = 0;
  while (accepted < 1000 && behind.Write(block)) ++accepted;
  EXPECT_LT(accepted, 10) << "writing went on past a failed disk";
  EXPECT_FALSE(behind.Finish());
  EXPECT_EQ(failing.m_bytes.size(), 2u * 1024);

  // A slow disk: the writer waits rather than piling blocks up in memory.
  SlowSink slow;
  slow.m_delay = std::chrono::milliseconds(20);
  WriteBehind held(slow, 1024, 2);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(held.Write(block));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(80));
  ASSERT_TRUE(held.Finish());
  EXPECT_EQ(slow.m_bytes.size(), 8u * 1024);

  // Dropped mid-transfer (the phone was unplugged): it returns without the rest.
  SlowSink dropped;
  dropped.m_delay = std::chrono::milliseconds(20);
  {
    WriteBehind behind2(dropped, 1024, 2);
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(behind2.Write(block));
    behind2.Drop();
  }
  EXPECT_LE(dropped.m_bytes.size(), 3u * 1024);
}

}  // namespace
