#include "modules/courier/adb/WriteBehind.h"

#include <exception>
#include <system_error>
#include <utility>

WriteBehind::WriteBehind(ByteSink& sink, size_t blockBytes, size_t blocks, std::function<bool()> settle,
                         size_t settleBytes)
    : m_sink(sink),
      m_blockBytes(blockBytes == 0 ? 1 : blockBytes),
      m_blocks(blocks == 0 ? 1 : blocks),
      m_settle(std::move(settle)),
      m_settleBytes(settleBytes) {
  m_filling.reserve(m_blockBytes);
  try {
    m_thread = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    m_failed = true;
  }
}

void WriteBehind::Drop() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_ending = true;
  }
  m_changed.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

bool WriteBehind::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    const size_t room = m_blockBytes - m_filling.size();
    const size_t piece = bytes.size() < room ? bytes.size() : room;
    m_filling.append(bytes.data(), piece);
    bytes.remove_prefix(piece);
    if (m_filling.size() == m_blockBytes && !Hand(m_filling)) return false;
  }
  std::lock_guard<std::mutex> lock(m_lock);
  return !m_failed;
}

// Waits while the blocks in hand are all full, so memory stays bounded when the disk is the
// slower; `block` comes back empty, a written one reused when there is one.
bool WriteBehind::Hand(std::string& block) {
  std::unique_lock<std::mutex> lock(m_lock);
  m_changed.wait(lock, [this] { return m_failed || m_full.size() < m_blocks; });
  if (m_failed) return false;
  m_full.push_back(std::move(block));
  block = std::string();
  if (!m_spare.empty()) {
    block = std::move(m_spare.back());
    m_spare.pop_back();
  }
  lock.unlock();
  m_changed.notify_all();
  block.clear();
  block.reserve(m_blockBytes);
  return true;
}

bool WriteBehind::Finish() {
  if (!m_filling.empty() && !Hand(m_filling)) return false;
  std::unique_lock<std::mutex> lock(m_lock);
  m_changed.wait(lock, [this] { return m_failed || (m_full.empty() && m_idle); });
  return !m_failed;
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(m_lock);
  while (true) {
    m_changed.wait(lock, [this] { return m_ending || !m_full.empty(); });
    if (m_failed || m_ending) m_full.clear();  // nothing more reaches a failed or dropped sink
    if (m_full.empty()) {
      if (m_ending) return;
      continue;
    }
    std::string block = std::move(m_full.front());
    m_full.pop_front();
    m_idle = false;
    lock.unlock();
    bool wrote = false;
    try {
      wrote = m_sink.Write(block);
      m_unsettled += block.size();
      if (wrote && m_settle && m_unsettled >= m_settleBytes) {
        m_unsettled = 0;
        wrote = m_settle();
      }
    } catch (const std::exception&) {
      // Out of memory in the sink: a failed write like any other, never out of the thread.
    }
    lock.lock();
    m_idle = true;
    if (!wrote) m_failed = true;
    m_spare.push_back(std::move(block));
    m_changed.notify_all();
  }
}
