#include "modules/courier/ConnectionScript.h"

#include "modules/courier/ConnectionStatus.h"

namespace {

bool IsDownloadStep(const DemoStep& step) {
  return step.action != DemoStepAction::kDisconnect && step.action != DemoStepAction::kCrash &&
         IsDriverDownloadStatus(step.status);
}

}  // namespace

ConnectionScript::ConnectionScript(const std::vector<DemoStep>& steps) : m_steps(steps) {}

void ConnectionScript::Start(int64_t nowMs) {
  if (m_state == State::kIdle) GoOnAt(0, nowMs);
}

int64_t ConnectionScript::NextDueMs() const {
  if (m_cancelPending) return m_dueMs;
  switch (m_state) {
    case State::kStepDue:
    case State::kDownloading:
    case State::kWaitingRetry:
      return m_dueMs;
    default:
      return kNever;
  }
}

void ConnectionScript::Advance(int64_t nowMs, std::vector<ScriptReport>& reports) {
  if (m_cancelPending) {
    m_cancelPending = false;
    m_dueMs = kNever;
    Report(ScriptReport::Kind::kCancelled, kStatusDriverFailed, nullptr, reports);
  }
  // Ends: every pass reports and moves on, or returns; only a command starts the steps over.
  while (m_dueMs <= nowMs) {
    switch (m_state) {
      case State::kStepDue:
        RunStep(m_next, m_dueMs, reports);
        break;
      case State::kDownloading:
        ReportDownloadChunk(reports);
        break;
      case State::kWaitingRetry:
        // No retry in time: the user answered on the phone itself.
        GoOnAt(m_current + 1, m_dueMs + m_steps[m_current].delayMs);
        break;
      default:
        return;
    }
  }
}

bool ConnectionScript::OnRetry(DemoRetry retry, int64_t nowMs) {
  if (retry == DemoRetry::kNone || m_cancelPending) return false;
  switch (m_state) {
    case State::kWaitingRetry:
      if (retry != m_steps[m_current].retry) return false;
      GoOnAt(m_current + 1, nowMs + m_steps[m_current].delayMs);
      return true;
    case State::kDisconnected:
      if (retry != DemoRetry::kRetryConnect) return false;
      GoOnAt(m_resume, nowMs);
      return true;
    case State::kCancelled:
      if (retry != DemoRetry::kInstallRetry) return false;
      GoOnAt(m_resume, nowMs);
      return true;
    default:
      return false;
  }
}

bool ConnectionScript::OnCancelDownload(int64_t nowMs) {
  if (m_cancelPending || !IsDriverDownloadStatus(m_status)) return false;
  switch (m_state) {
    case State::kStepDue:
    case State::kDownloading:
    case State::kWaitingRetry:
    case State::kEnded:
      break;
    default:
      return false;
  }
  m_resume = DownloadBlockStart();
  m_state = State::kCancelled;
  m_cancelPending = true;
  m_eventArmed = false;
  m_dueMs = nowMs;
  return true;
}

void ConnectionScript::Stop() {
  m_state = State::kStopped;
  m_cancelPending = false;
  m_dueMs = kNever;
}

void ConnectionScript::RunStep(size_t index, int64_t dueMs, std::vector<ScriptReport>& reports) {
  if (index >= m_steps.size()) {
    m_state = State::kEnded;
    m_dueMs = kNever;
    return;
  }
  const DemoStep& step = m_steps[index];
  if (step.action == DemoStepAction::kDisconnect || step.action == DemoStepAction::kCrash) {
    // An event's delay comes before it: the phone keeps its status until then.
    if (!m_eventArmed && step.delayMs > 0) {
      m_eventArmed = true;
      m_dueMs = dueMs + step.delayMs;
      return;
    }
    m_eventArmed = false;
    m_current = index;
    if (step.action == DemoStepAction::kCrash) {
      Report(ScriptReport::Kind::kCrash, m_status, nullptr, reports);
      GoOnAt(index + 1, dueMs);
      return;
    }
    Report(ScriptReport::Kind::kDisconnected, kStatusNotDetected, nullptr, reports);
    m_state = State::kDisconnected;
    // Plugged in again, the phone goes on after the event, or is detected afresh when the
    // disconnect ended its script.
    m_resume = index + 1 < m_steps.size() ? index + 1 : 0;
    m_dueMs = kNever;
    return;
  }
  m_current = index;
  if (step.status == kStatusDriverDownload && step.downloadChunks > 0 && step.downloadBytes > 0) {
    m_state = State::kDownloading;
    m_chunksDone = 0;
    m_dueMs = dueMs;  // the first chunk at once
    return;
  }
  Report(ScriptReport::Kind::kStatus, step.status, &step, reports);
  FinishReport(index, dueMs);
}

void ConnectionScript::FinishReport(size_t index, int64_t atMs) {
  const DemoStep& step = m_steps[index];
  if (step.action == DemoStepAction::kWaitForRetry) {
    m_state = State::kWaitingRetry;
    m_dueMs = step.timeoutMs > 0 ? atMs + step.timeoutMs : kNever;
    return;
  }
  GoOnAt(index + 1, atMs + step.delayMs);
}

void ConnectionScript::ReportDownloadChunk(std::vector<ScriptReport>& reports) {
  const DemoStep& step = m_steps[m_current];
  ++m_chunksDone;
  Report(ScriptReport::Kind::kStatus, step.status, &step, reports);
  ScriptReport& chunk = reports.back();
  chunk.total = step.downloadBytes;
  // The last chunk lands exactly on the total whatever the rounding of the others.
  chunk.position = step.downloadBytes * m_chunksDone / step.downloadChunks;
  if (m_chunksDone < step.downloadChunks) {
    m_dueMs += step.delayMs;
    return;
  }
  FinishReport(m_current, m_dueMs);
}

void ConnectionScript::Report(ScriptReport::Kind kind, int32_t status, const DemoStep* step,
                              std::vector<ScriptReport>& reports) {
  ScriptReport report;
  report.kind = kind;
  report.status = status;
  report.step = step;
  reports.push_back(report);
  if (kind != ScriptReport::Kind::kCrash) m_status = status;
}

void ConnectionScript::GoOnAt(size_t index, int64_t dueMs) {
  m_state = State::kStepDue;
  m_next = index;
  m_dueMs = dueMs;
  m_eventArmed = false;
}

// A cancelled download starts over from the first of the driver steps around the current one,
// so that the driver page gets its link (status 4) again before the bytes. A crash reported
// since then changed no status, so it is looked past.
size_t ConnectionScript::DownloadBlockStart() const {
  size_t index = m_current;
  while (index > 0 && m_steps[index].action == DemoStepAction::kCrash) --index;
  if (!IsDownloadStep(m_steps[index])) return m_current;
  while (index > 0 && IsDownloadStep(m_steps[index - 1])) --index;
  return index;
}
