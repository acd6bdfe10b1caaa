// Long operations on a phone as jobs on the service's operations thread: task IDs, cancelling,
// the check that the phone is still there, and the notices and progress reports every job
// sends. One instance per kind of item, each with its own range of task IDs so that a cancel
// names one job of one kind.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>

#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/WorkerThread.h"
#include "modules/courier/formats/ContactFormats.h"

inline constexpr wchar_t kPhoneDisconnected[] = L"The phone was disconnected.";

// A UTF-8 line of the formats or the file helpers for a progress text.
std::wstring WideFromUtf8(const std::string& utf8);
// The last part of a path, for progress texts.
std::wstring FileNameOf(const std::wstring& path);
// A file name made of a text: what a file name may not hold is replaced.
std::wstring FileStem(const std::wstring& text);

// Passes an export's pieces (its opening, then a contact or a conversation each) on to the
// file, reporting how many went before and stopping when the report says so (a cancel, a phone
// gone). Reports come at most once per `every`, none for an export quicker than that.
class ExportSink : public ByteSink {
 public:
  typedef std::function<bool(int64_t piecesBefore)> Report;
  ExportSink(ByteSink& file, Report report, std::chrono::milliseconds every = std::chrono::milliseconds(0))
      : m_file(file), m_report(std::move(report)), m_every(every) {}
  bool Write(std::string_view bytes) override;
  bool Stopped() const { return m_stopped; }

 private:
  ByteSink& m_file;
  Report m_report;
  std::chrono::milliseconds m_every;
  std::chrono::steady_clock::time_point m_lastReport = std::chrono::steady_clock::now();
  int64_t m_pieces = 0;
  bool m_stopped = false;
};

class DeviceJobs {
 public:
  typedef std::function<DeviceRecord*(const std::wstring& identifier)> DeviceLookup;

  struct Job {
    int64_t taskId = 0;
    std::wstring identifier;
    DeviceRecord* device = nullptr;
    bool readyAtStart = false;  // a phone that leaves the ready state mid-job was unplugged
    bool disconnected = false;
    // The task list's: a job with a title is reported there; an export names its folder.
    std::wstring title;
    std::wstring folder;
    int64_t failedSoFar = 0;
    std::chrono::steady_clock::time_point lastLog{};
  };

  // `notifyName` is the DO_<kind> notification the jobs send; task IDs start at `firstTaskId`.
  DeviceJobs(const ModuleRecord& module, WorkerThread& worker, DeviceLookup findDevice, const char* notifyName,
             int64_t firstTaskId);

  // Queues `work` for the phone named by `identifier`; the task ID, or 0 when nothing was
  // queued. A phone gone before the job runs ends it as failed. A job with a `title` is
  // reported to the task list as it starts, goes on and ends.
  int64_t Start(const std::wstring& identifier, std::function<void(Job&)> work, const std::wstring& title = L"");
  void Cancel(int64_t taskId);
  // Called from the cancelling thread when the job running on `worker` is cancelled, so that a
  // wait of the job (a silent phone's connection) ends at once.
  void SetInterrupt(std::function<void(std::thread::id worker)> interrupt) { m_interrupt = std::move(interrupt); }
  // Whether the job may go on: not cancelled, the service not stopping, the phone still there.
  bool MayContinue(Job& job);

  // A DO_<kind> notice (or one named `name`); `code`, `value` and `data` of the record as the
  // kind needs them.
  void Notify(Job& job, uint32_t kind, void* item, int32_t status = kNotificationSuccess, int64_t value = 0,
              int64_t code = 0, void* data = nullptr, const char* name = nullptr);
  void Progress(Job& job, int64_t position, int64_t total, int64_t failed, const std::wstring& text,
                bool finish = false);
  DeviceRecord* Find(const std::wstring& identifier) const { return m_findDevice(identifier); }

 private:
  bool IsCancelled(int64_t taskId);
  // LOG_TASK for a titled job: at once when `ended` or `force`, else at most every 250 ms.
  void LogTask(Job& job, int64_t position, int64_t total, const std::wstring& text, bool ended, bool force = false);

  const ModuleRecord& m_module;
  WorkerThread& m_worker;
  DeviceLookup m_findDevice;
  const char* m_notifyName;
  std::atomic<int64_t> m_nextTaskId;
  std::mutex m_cancelLock;
  std::set<int64_t> m_cancelled;
  int64_t m_running = 0;  // the task ID of the job running now, under m_cancelLock
  std::thread::id m_runningOn;
  std::function<void(std::thread::id)> m_interrupt;
};
