#include "host/dialogs/ProgressState.h"

#include <algorithm>

void ProgressState::Reset() {
  m_total.store(0);
  m_position.store(0);
  m_failed.store(0);
  std::lock_guard<std::mutex> lock(m_textLock);
  m_text.clear();
  m_keptTexts.clear();
}

void ProgressState::SetText(const std::wstring& text) {
  std::lock_guard<std::mutex> lock(m_textLock);
  m_text = text;
  m_keptTexts.push_back(text);
}

void ProgressState::ClearText() {
  std::lock_guard<std::mutex> lock(m_textLock);
  m_text.clear();
}

std::wstring ProgressState::Text() const {
  std::lock_guard<std::mutex> lock(m_textLock);
  return m_text;
}

ProgressState::Snapshot ProgressState::Read() const {
  Snapshot snapshot;
  snapshot.position = m_position.load();
  snapshot.total = m_total.load();
  snapshot.failed = m_failed.load();
  snapshot.text = Text();
  return snapshot;
}

std::vector<std::wstring> ProgressState::KeptTexts() const {
  std::lock_guard<std::mutex> lock(m_textLock);
  return m_keptTexts;
}

size_t ProgressState::KeptTextCount() const {
  std::lock_guard<std::mutex> lock(m_textLock);
  return m_keptTexts.size();
}

void ProgressState::FreeKeptTexts() {
  std::lock_guard<std::mutex> lock(m_textLock);
  m_keptTexts.clear();
  m_keptTexts.shrink_to_fit();
}

bool ProgressState::ApplyFinish() {
  const int32_t failed = m_failed.load();
  if (failed <= 0) {
    SetText(L"Finish");
    return false;
  }
  SetText(FailureText(failed, Text()));
  // More failures than steps (a total the service never sent) must not show a negative count.
  SetPosition(std::max(m_total.load() - failed, 0));
  return true;
}

int ProgressState::FilledWidth(int barWidth, int32_t done, int32_t total) {
  const int inner = barWidth - 8;
  if (total <= 0 || done <= 0 || inner <= 0) return 0;
  // The service may report a step past its total; the bar stops at its frame.
  const int64_t clamped = std::min<int64_t>(done, total);
  return static_cast<int>(static_cast<int64_t>(inner) * clamped / total);
}

std::wstring ProgressState::CounterText(int32_t done, int32_t total) {
  return std::to_wstring(done) + L"/" + std::to_wstring(total);
}

std::wstring ProgressState::FailureText(int32_t failed, const std::wstring& text) {
  return L"Failed(" + std::to_wstring(failed) + L")" + L" " + text;
}
