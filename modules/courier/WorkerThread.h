// One thread of the device service with its job queue. Jobs run one at a time, in the order
// they were posted. A job that has to wait (a phone's delay, a retry the user has not pressed
// yet) waits through WaitUntil, so that Stop reaches it at once: shutting the service down
// never waits for a timeline to play out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class WorkerThread {
 public:
  typedef std::function<void()> Job;
  typedef std::function<void(const char* what)> FailureSink;
  enum class WaitResult { kReady, kTimedOut, kStopped };

  // `onJobFailure` hears of a job that threw; the worker then goes on with the next job.
  explicit WorkerThread(FailureSink onJobFailure = FailureSink());
  // Stops and joins.
  ~WorkerThread();

  WorkerThread(const WorkerThread&) = delete;
  WorkerThread& operator=(const WorkerThread&) = delete;

  // False when the thread could not be started, runs already, or was stopped.
  bool Start();
  // Queues `job`; false (the job is dropped) once Stop was called or before Start.
  bool Post(Job job);
  // Drops the jobs not started, wakes a waiting job and joins the thread. From the worker
  // itself it only asks the thread to end after the current job (a thread cannot join itself).
  void Stop();

  // For jobs: waits until `ready()` holds, `timeout` passes or Stop is called. `ready` runs
  // under the worker's lock; whoever changes what it reads calls Wake() afterwards.
  WaitResult WaitUntil(std::chrono::milliseconds timeout, const std::function<bool()>& ready);
  // Sleeps `duration`; false when Stop cut it short.
  bool Sleep(std::chrono::milliseconds duration);
  void Wake();

  bool IsStopping() const;
  bool IsWorkerThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

 private:
  void Run();

  FailureSink m_onJobFailure;
  mutable std::mutex m_lock;
  std::condition_variable m_wake;
  std::deque<Job> m_jobs;
  bool m_started = false;
  bool m_stopping = false;
  std::thread m_thread;
};
