// What a progress dialog shows of one running device operation. The device service sets it
// from its worker threads while the dialog's timer reads it on the UI thread, so the
// counters are atomic and the texts sit behind one lock.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class ProgressState {
 public:
  struct Snapshot {
    int32_t position = 0;
    int32_t total = 0;
    int32_t failed = 0;
    std::wstring text;
  };

  // Zero counters, no text, no kept texts.
  void Reset();

  void SetTotal(int32_t total) { m_total.exchange(total); }
  void SetPosition(int32_t position) { m_position.exchange(position); }
  void AddFailed(int32_t failed) { m_failed.fetch_add(failed); }
  // Keeps a private copy; every text set is also kept until FreeKeptTexts.
  void SetText(const std::wstring& text);
  void ClearText();

  int32_t Total() const { return m_total.load(); }
  int32_t Position() const { return m_position.load(); }
  int32_t Failed() const { return m_failed.load(); }
  std::wstring Text() const;
  Snapshot Read() const;

  // Every text set since the last free, oldest first.
  std::vector<std::wstring> KeptTexts() const;
  size_t KeptTextCount() const;
  void FreeKeptTexts();

  // Turns the counters into the operation's end: with failures the text becomes the failure
  // text and the done position total - failed; otherwise the text is "Finish". True when
  // anything failed.
  bool ApplyFinish();

  // Pixels of a bar `barWidth` wide filled for done of total: the frame keeps 4 pixels on
  // each side; nothing for a total of 0; never beyond the frame.
  static int FilledWidth(int barWidth, int32_t done, int32_t total);
  // done "/" total.
  static std::wstring CounterText(int32_t done, int32_t total);
  // "Failed(" failed ")" " " text.
  static std::wstring FailureText(int32_t failed, const std::wstring& text);

 private:
  std::atomic<int32_t> m_total{0};
  std::atomic<int32_t> m_position{0};
  std::atomic<int32_t> m_failed{0};

  mutable std::mutex m_textLock;
  std::wstring m_text;
  std::vector<std::wstring> m_keptTexts;
};
