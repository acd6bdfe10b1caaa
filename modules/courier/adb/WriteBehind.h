// Hands what a transfer receives to a sink on a thread of its own, in large blocks: the file is
// written while the next bytes come in, instead of the transfer waiting for each write. Blocks
// reach the sink in order; a failed sink fails the next Write.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "modules/courier/formats/ContactFormats.h"

class WriteBehind : public ByteSink {
 public:
  // `settle`, when set, runs on the thread after each `settleBytes` written (a file put on the
  // disk as it grows, so its end does not wait for all of it); false from it fails the sink.
  explicit WriteBehind(ByteSink& sink, size_t blockBytes = 1 << 20, size_t blocks = 3,
                       std::function<bool()> settle = nullptr, size_t settleBytes = 8 << 20);
  ~WriteBehind() override { Drop(); }
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // False once the sink has failed (or the thread could not be started).
  bool Write(std::string_view bytes) override;
  // Hands on the rest and waits until the sink has all of it; false when the sink failed.
  bool Finish();
  // Drops what the sink has not got yet and waits for the thread: the sink is the caller's
  // alone again.
  void Drop();

 private:
  void Run();
  bool Hand(std::string& block);

  ByteSink& m_sink;
  const size_t m_blockBytes;
  const size_t m_blocks;
  const std::function<bool()> m_settle;
  const size_t m_settleBytes;
  size_t m_unsettled = 0;  // the thread's own
  std::string m_filling;

  std::mutex m_lock;
  std::vector<std::string> m_spare;  // written blocks, reused rather than allocated again
  std::condition_variable m_changed;
  std::deque<std::string> m_full;
  bool m_failed = false;
  bool m_ending = false;
  bool m_idle = true;
  std::thread m_thread;
};
