// Plays one phone's connection steps on a clock the caller supplies (milliseconds from any
// origin), so that the stepping is tested without threads or waiting. The caller asks for
// whatever is due, posts what it gets and sleeps until NextDueMs() or until a command arrives.
#pragma once

#include <cstdint>
#include <limits>
#include <vector>

#include "modules/courier/DemoData.h"

struct ScriptReport {
  enum class Kind {
    kStatus,        // a step's status; for the driver download one report per chunk
    kDisconnected,  // the cable was pulled: kStatusNotDetected
    kCancelled,     // the user cancelled the driver download: kStatusDriverFailed
    kCrash,         // the service's phone server went down (no status)
  };
  Kind kind = Kind::kStatus;
  int32_t status = 0;
  const DemoStep* step = nullptr;  // the step reported; null for a disconnect, cancel or crash
  int64_t position = 0;            // driver download: bytes done so far
  int64_t total = 0;               // driver download: bytes in all
};

class ConnectionScript {
 public:
  static constexpr int64_t kNever = std::numeric_limits<int64_t>::max();

  enum class State {
    kIdle,          // not started
    kStepDue,       // the next step (or an event's delayed action) is due at NextDueMs()
    kDownloading,   // the next chunk of the driver download is due at NextDueMs()
    kWaitingRetry,  // a step stands until its retry, or its timeout at NextDueMs()
    kDisconnected,  // stands until RETRY_CONNECT_DEVICE (the cable is plugged in again)
    kCancelled,     // stands until INSTALL_RETRY, which downloads the driver again
    kEnded,         // every step ran; the phone stays at its last status
    kStopped,       // the phone was removed or the service stops
  };

  // `steps` must outlive the script and not change.
  explicit ConnectionScript(const std::vector<DemoStep>& steps);

  // The first step is due at `nowMs`.
  void Start(int64_t nowMs);
  // Runs everything due at `nowMs`, appending what the phone reports, in order. Steps are timed
  // from when they were due, not from when the caller got round to them, so delays never drift.
  void Advance(int64_t nowMs, std::vector<ScriptReport>& reports);
  // When Advance has more to do; kNever while only a command can move the phone on.
  int64_t NextDueMs() const;

  // A retry from the wizard. True when it ends what the phone stands at; any other retry is
  // dropped, never kept for a later wait.
  bool OnRetry(DemoRetry retry, int64_t nowMs);
  // DOWNLOAD_DRIVER_CANCEL: accepted while the phone shows the driver download (its Cancel
  // button). The next Advance reports the failed driver; INSTALL_RETRY then starts the download
  // over from its first step.
  bool OnCancelDownload(int64_t nowMs);
  void Stop();

  State state() const { return m_state; }
  // The last status reported; kStatusNotDetected before the first.
  int32_t status() const { return m_status; }

 private:
  void RunStep(size_t index, int64_t dueMs, std::vector<ScriptReport>& reports);
  void FinishReport(size_t index, int64_t atMs);  // after a step's report: its delay or its wait
  void ReportDownloadChunk(std::vector<ScriptReport>& reports);
  void Report(ScriptReport::Kind kind, int32_t status, const DemoStep* step, std::vector<ScriptReport>& reports);
  void GoOnAt(size_t index, int64_t dueMs);
  size_t DownloadBlockStart() const;

  const std::vector<DemoStep>& m_steps;
  State m_state = State::kIdle;
  int32_t m_status = 0;
  size_t m_next = 0;     // the step due next (kStepDue)
  size_t m_current = 0;  // the step reported last
  size_t m_resume = 0;   // where a disconnected or cancelled phone goes on
  int64_t m_dueMs = kNever;
  int32_t m_chunksDone = 0;   // of the running driver download
  bool m_eventArmed = false;  // an event step's delay has begun; it acts when due
  bool m_cancelPending = false;
};
