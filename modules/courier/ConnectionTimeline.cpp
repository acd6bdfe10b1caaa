#include "modules/courier/ConnectionTimeline.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/ConnectionStatus.h"

namespace {

// A thread with nothing due still looks round now and then; a command wakes it at once anyway.
constexpr int64_t kIdleWaitMs = 60 * 1000;

// The phone's model as support needs it to find a driver (the wizard's "Copy" button).
std::wstring DriverDetailOf(const DemoPhone& phone) {
  std::wstring detail = L"Model: " + phone.model;
  if (!phone.productName.empty()) detail += L"; Product: " + phone.productName;
  detail += L"; Android " + phone.androidVersion + L"; Serial: " + phone.serialNumber;
  return detail;
}

}  // namespace

ConnectionTimeline::Session::Session(const Phone& phone)
    : phone(*phone.phone),
      device(*phone.device),
      script(phone.phone->connection),
      driverDetail(DriverDetailOf(*phone.phone)),
      cancelDetail(L"Driver download cancelled. " + driverDetail) {}

ConnectionTimeline::ConnectionTimeline(const ModuleRecord& module, WorkerThread::FailureSink onFailure)
    : m_module(module), m_origin(std::chrono::steady_clock::now()), m_thread(std::move(onFailure)) {}

ConnectionTimeline::~ConnectionTimeline() { Stop(); }

bool ConnectionTimeline::Start(const std::vector<Phone>& phones) {
  bool begin = false;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (const Phone& phone : phones) {
      if (phone.phone != nullptr && phone.device != nullptr) m_sessions.push_back(std::make_unique<Session>(phone));
    }
    if (m_sessions.empty()) return true;
    begin = !m_started;
    m_started = true;
    m_commanded = true;
  }
  if (!begin) {
    m_thread.Wake();
    return true;
  }
  return m_thread.Start() && m_thread.Post([this] { Run(); });
}

void ConnectionTimeline::Stop() { m_thread.Stop(); }

bool ConnectionTimeline::Retry(const wchar_t* identifier, DemoRetry retry) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    Session* session = Find(identifier);
    if (session == nullptr || !session->script.OnRetry(retry, NowMs())) return false;
    m_commanded = true;
  }
  m_thread.Wake();
  return true;
}

bool ConnectionTimeline::CancelDownload(const wchar_t* identifier) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    Session* session = Find(identifier);
    if (session == nullptr || !session->script.OnCancelDownload(NowMs())) return false;
    m_commanded = true;
  }
  m_thread.Wake();
  return true;
}

bool ConnectionTimeline::Remove(const wchar_t* identifier) {
  std::lock_guard<std::mutex> lock(m_lock);
  Session* session = Find(identifier);
  if (session == nullptr) return false;
  session->removed = true;
  session->script.Stop();
  // The session itself stays: a notice the thread is delivering still points at it.
  return true;
}

bool ConnectionTimeline::Disconnect(const wchar_t* identifier) {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    Session* session = Find(identifier);
    if (session == nullptr) return false;
    session->leaving = true;
    m_commanded = true;
  }
  m_thread.Wake();
  return true;
}

ConnectionTimeline::Session* ConnectionTimeline::Find(const wchar_t* identifier) const {
  if (identifier == nullptr || identifier[0] == L'\0') return nullptr;
  for (const std::unique_ptr<Session>& session : m_sessions) {
    if (!session->removed && session->device.identifier == identifier) return session.get();
  }
  return nullptr;
}

int64_t ConnectionTimeline::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - m_origin).count();
}

void ConnectionTimeline::Run() {
  std::vector<ScriptReport> reports;
  std::vector<Outgoing> outgoing;
  while (true) {
    // New phones are announced first, from this thread: the host then binds each phone before
    // its first status.
    Announce();
    outgoing.clear();
    int64_t next = ConnectionScript::kNever;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      const int64_t now = NowMs();
      for (const std::unique_ptr<Session>& session : m_sessions) {
        if (session->removed || !session->announced) continue;
        reports.clear();
        if (session->leaving) {
          session->leaving = false;
          session->script.Stop();
          ScriptReport gone;
          gone.kind = ScriptReport::Kind::kDisconnected;
          gone.status = kStatusNotDetected;
          reports.push_back(gone);
        }
        session->script.Advance(now, reports);
        for (const ScriptReport& report : reports) outgoing.push_back(Outgoing{session.get(), report});
        next = std::min(next, session->script.NextDueMs());
      }
    }
    // Posted outside the lock: a host handler may call back into the service.
    for (const Outgoing& out : outgoing) {
      if (m_thread.IsStopping()) return;
      if (!out.session->removed) Deliver(*out.session, out.report);
    }
    const int64_t wait =
        next == ConnectionScript::kNever ? kIdleWaitMs : std::clamp<int64_t>(next - NowMs(), 0, kIdleWaitMs);
    const WorkerThread::WaitResult result =
        m_thread.WaitUntil(std::chrono::milliseconds(wait), [this] { return m_commanded.exchange(false); });
    if (result == WorkerThread::WaitResult::kStopped) return;
  }
}

void ConnectionTimeline::Announce() {
  std::vector<Session*> sessions;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (const std::unique_ptr<Session>& session : m_sessions) {
      if (!session->announced) sessions.push_back(session.get());
    }
  }
  for (Session* session : sessions) {
    if (m_thread.IsStopping()) return;
    if (session->removed || m_module.hostEntry == nullptr) continue;
    // The host frees the identifier with free() once its UI thread has bound the phone.
    const std::wstring& identifier = session->device.identifier;
    const size_t bytes = (identifier.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(std::malloc(bytes));
    if (copy == nullptr) {
      BASTrace("libCourier: no memory to announce a phone");
      continue;
    }
    std::memcpy(copy, identifier.c_str(), bytes);
    CommandRecord record;
    record.value = static_cast<int64_t>(reinterpret_cast<intptr_t>(copy));
    Post(record, kCourierAddDevice);
  }
  std::lock_guard<std::mutex> lock(m_lock);
  const int64_t now = NowMs();
  for (Session* session : sessions) {
    session->announced = true;
    session->script.Start(now);
  }
}

// The connection-status notice: SCAN_USB_DEVICE, which the host's router turns into the device
// pane's SWITCH_CONNECT (it sets `window` and `value` itself).
void ConnectionTimeline::Deliver(Session& session, const ScriptReport& report) {
  if (report.kind == ScriptReport::Kind::kCrash) {
    CommandRecord crash;
    crash.value = kServerRestarted;
    Post(crash, kCourierServerCrash);
    return;
  }
  DeviceRecord& device = session.device;
  device.connectionStatus = report.status;

  CommandRecord notice;
  notice.value = kDeviceNoticeStatus;
  notice.payload = const_cast<wchar_t*>(device.identifier.c_str());
  notice.entries = static_cast<int64_t>(static_cast<uint32_t>(report.status));
  const DemoStep* step = report.step;
  // The device text: the script's own where it gives one; the failure detail on the driver
  // failure page; else the phone's name, so that the pane never gets a null text.
  if (step != nullptr && !step->text.empty()) {
    notice.text = step->text.c_str();
  } else if (report.kind == ScriptReport::Kind::kCancelled) {
    notice.text = session.cancelDetail.c_str();
  } else if (report.status == kStatusDriverFailed) {
    notice.text = session.driverDetail.c_str();
  } else {
    notice.text = FirstDisplayName(device).c_str();
  }
  if (step != nullptr && !step->narrowText.empty()) notice.narrowText = step->narrowText.c_str();
  if (report.status == kStatusDriverDownload) {
    notice.total = report.total;
    notice.position = report.position;
  }
  Post(notice, kCourierScanUsbDevice);
  if (report.kind == ScriptReport::Kind::kStatus && report.status == kStatusReady) {
    PostDeviceInfo(device);
    if (m_onReady) m_onReady(device);
  }
}

// The Home section's summary, once the phone is ready: the router finds the device by the
// identifier in `data`; `payload` already points at the part of the record that `value` names.
void ConnectionTimeline::PostDeviceInfo(DeviceRecord& device) {
  void* const parts[] = {&device.info, &device.phoneMemory, &device.storageMemory};
  for (int64_t part = 0; part < 3; ++part) {
    if (m_thread.IsStopping()) return;
    CommandRecord info;
    info.value = part;
    info.data = const_cast<wchar_t*>(device.identifier.c_str());
    info.payload = parts[part];
    Post(info, kCourierGetDeviceInfo);
  }
}

void ConnectionTimeline::Post(CommandRecord& record, const char* name) { PostToHost(m_module, record, name); }
