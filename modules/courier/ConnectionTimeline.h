// Connects the demo phones: announces each to the host and plays every phone's connection
// script on one service thread of its own, turning what the scripts report into the host's
// notices. The wizard's retries, the download cancel and removals arrive from the host's thread
// and wake that thread; none of them ever waits for it.
//
// Every pointer a notice carries (identifier, texts, record parts) points into the device
// records and the demo data, which the service keeps until DESTROY_RESOURCE: the host copies
// only the 88-byte record before it hands the notice to its UI thread.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/ConnectionScript.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/WorkerThread.h"

// `value` of SERVER_CRASH: the service brought its phone server up again. The host echoes it in
// READY_START_SERVER, which then changes nothing (the phones were announced already).
constexpr int64_t kServerRestarted = 2;

class ConnectionTimeline {
 public:
  struct Phone {
    const DemoPhone* phone;  // its script and texts
    DeviceRecord* device;    // the record GET_DEVICE hands out
  };

  ConnectionTimeline(const ModuleRecord& module, WorkerThread::FailureSink onFailure);
  // Stops and joins.
  ~ConnectionTimeline();
  ConnectionTimeline(const ConnectionTimeline&) = delete;
  ConnectionTimeline& operator=(const ConnectionTimeline&) = delete;

  // Runs on the timeline thread each time a phone becomes ready; set before Start.
  typedef std::function<void(DeviceRecord& device)> ReadyHook;
  void SetReadyHook(ReadyHook hook) { m_onReady = std::move(hook); }

  // Announces `phones` with ADD_DEVICE, in order, then plays their scripts; the first call
  // starts the thread. Both must stay valid until Stop has returned. Phones that connect later
  // (over Wi-Fi) are added the same way.
  bool Start(const std::vector<Phone>& phones);
  bool Add(const Phone& phone) { return Start(std::vector<Phone>{phone}); }
  // Interrupts any wait and joins; from the timeline thread itself it only asks it to end.
  void Stop();
  bool IsTimelineThread() const { return m_thread.IsWorkerThread(); }

  // The host's commands for the phone named `identifier` (unknown or null: ignored). False when
  // they changed nothing.
  bool Retry(const wchar_t* identifier, DemoRetry retry);
  bool CancelDownload(const wchar_t* identifier);
  // The phone's script stops and it reports nothing more (at most a notice already on its way).
  bool Remove(const wchar_t* identifier);
  // The phone left by itself (a Wi-Fi phone's connection ended): reported as an unplugged cable.
  bool Disconnect(const wchar_t* identifier);

 private:
  struct Session {
    explicit Session(const Phone& phone);
    const DemoPhone& phone;
    DeviceRecord& device;
    ConnectionScript script;
    std::wstring driverDetail;  // what a failed driver lets the user copy to support
    std::wstring cancelDetail;
    std::atomic<bool> removed{false};
    bool announced = false;  // ADD_DEVICE posted and the script started (timeline thread only)
    bool leaving = false;    // under m_lock
  };
  struct Outgoing {
    Session* session;
    ScriptReport report;
  };

  void Run();
  void Announce();
  void Deliver(Session& session, const ScriptReport& report);
  void PostDeviceInfo(DeviceRecord& device);
  void Post(CommandRecord& record, const char* name);
  Session* Find(const wchar_t* identifier) const;  // under m_lock
  int64_t NowMs() const;

  const ModuleRecord& m_module;
  ReadyHook m_onReady;
  std::chrono::steady_clock::time_point m_origin;

  mutable std::mutex m_lock;  // the sessions' scripts: the timeline thread and the host's thread
  std::vector<std::unique_ptr<Session>> m_sessions;
  std::atomic<bool> m_commanded{false};  // a command changed a script since the thread looked
  bool m_started = false;                // under m_lock

  WorkerThread m_thread;  // declared last: joined before the sessions go
};
