#include "modules/courier/WorkerThread.h"

#include <exception>
#include <system_error>
#include <utility>

WorkerThread::WorkerThread(FailureSink onJobFailure) : m_onJobFailure(std::move(onJobFailure)) {}

WorkerThread::~WorkerThread() {
  Stop();
  // Only when the last owner let go on the worker itself: the thread ends on its own.
  if (m_thread.joinable()) m_thread.detach();
}

bool WorkerThread::Start() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_started || m_stopping) return false;
  try {
    m_thread = std::thread(&WorkerThread::Run, this);
  } catch (const std::system_error&) {
    return false;
  }
  m_started = true;
  return true;
}

bool WorkerThread::Post(Job job) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_started || m_stopping) return false;
    m_jobs.push_back(std::move(job));
  }
  m_wake.notify_all();
  return true;
}

void WorkerThread::Stop() {
  std::deque<Job> dropped;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopping = true;
    // Destroyed outside the lock: a job's captures may have destructors of their own.
    dropped.swap(m_jobs);
  }
  m_wake.notify_all();
  dropped.clear();
  if (m_thread.joinable() && !IsWorkerThread()) m_thread.join();
}

WorkerThread::WaitResult WorkerThread::WaitUntil(std::chrono::milliseconds timeout,
                                                 const std::function<bool()>& ready) {
  std::unique_lock<std::mutex> lock(m_lock);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (m_stopping) return WaitResult::kStopped;
    if (ready && ready()) return WaitResult::kReady;
    if (m_wake.wait_until(lock, deadline) == std::cv_status::timeout) {
      if (m_stopping) return WaitResult::kStopped;
      return ready && ready() ? WaitResult::kReady : WaitResult::kTimedOut;
    }
  }
}

bool WorkerThread::Sleep(std::chrono::milliseconds duration) {
  return WaitUntil(duration, std::function<bool()>()) != WaitResult::kStopped;
}

void WorkerThread::Wake() {
  // Taking the lock orders the change the caller made before a waiter's next look at it.
  { std::lock_guard<std::mutex> lock(m_lock); }
  m_wake.notify_all();
}

bool WorkerThread::IsStopping() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_stopping;
}

void WorkerThread::Run() {
  while (true) {
    Job job;
    {
      std::unique_lock<std::mutex> lock(m_lock);
      m_wake.wait(lock, [this] { return m_stopping || !m_jobs.empty(); });
      if (m_stopping) return;
      job = std::move(m_jobs.front());
      m_jobs.pop_front();
    }
    try {
      job();
    } catch (const std::exception& failure) {
      if (m_onJobFailure) m_onJobFailure(failure.what());
    } catch (...) {
      if (m_onJobFailure) m_onJobFailure("unknown exception");
    }
  }
}
