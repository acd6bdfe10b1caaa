#include "modules/courier/DeviceJobs.h"

#include <cstdlib>
#include <cwchar>
#include <memory>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/TaskRecords.h"
#include "modules/courier/ConnectionStatus.h"
#include "modules/courier/DemoData.h"

DeviceJobs::DeviceJobs(const ModuleRecord& module, WorkerThread& worker, DeviceLookup findDevice,
                       const char* notifyName, int64_t firstTaskId)
    : m_module(module),
      m_worker(worker),
      m_findDevice(std::move(findDevice)),
      m_notifyName(notifyName),
      m_nextTaskId(firstTaskId) {}

int64_t DeviceJobs::Start(const std::wstring& identifier, std::function<void(Job&)> work, const std::wstring& title) {
  auto job = std::make_shared<Job>();
  job->taskId = m_nextTaskId++;
  job->identifier = identifier;
  job->title = title;
  const bool queued = m_worker.Post([this, job, work] {
    job->device = m_findDevice(job->identifier);
    if (job->device == nullptr) {
      job->disconnected = true;
      Progress(*job, 0, 0, 1, kPhoneDisconnected, true);
    } else {
      job->readyAtStart = job->device->connectionStatus == kStatusReady;
      LogTask(*job, 0, 0, std::wstring(), false, true);
      {
        std::lock_guard<std::mutex> lock(m_cancelLock);
        m_running = job->taskId;
        m_runningOn = std::this_thread::get_id();
      }
      work(*job);
    }
    std::lock_guard<std::mutex> lock(m_cancelLock);
    m_running = 0;
    m_cancelled.erase(job->taskId);
  });
  return queued ? job->taskId : 0;
}

void DeviceJobs::Cancel(int64_t taskId) {
  if (taskId <= 0) return;
  std::lock_guard<std::mutex> lock(m_cancelLock);
  m_cancelled.insert(taskId);
  // Under the lock: the job cannot end and the next one start on the thread meanwhile.
  if (m_running == taskId && m_interrupt) m_interrupt(m_runningOn);
}

bool DeviceJobs::IsCancelled(int64_t taskId) {
  std::lock_guard<std::mutex> lock(m_cancelLock);
  return m_cancelled.count(taskId) != 0;
}

bool DeviceJobs::MayContinue(Job& job) {
  if (m_worker.IsStopping()) return false;
  if (IsCancelled(job.taskId)) return false;
  DeviceRecord* device = m_findDevice(job.identifier);
  if (device == nullptr || (job.readyAtStart && device->connectionStatus != kStatusReady)) {
    job.disconnected = true;
    return false;
  }
  return true;
}

void DeviceJobs::Notify(Job& job, uint32_t kind, void* item, int32_t status, int64_t value, int64_t code, void* data,
                        const char* name) {
  auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
  if (payload == nullptr) return;
  payload->kind = kind;
  payload->status = status;
  payload->taskId = job.taskId;
  payload->item = item;
  payload->device = job.device;
  CommandRecord record;
  record.code = code;
  record.text = job.identifier.c_str();
  record.value = value;
  record.data = data;
  record.payload = payload;
  PostToHost(m_module, record, name != nullptr ? name : m_notifyName);
}

void DeviceJobs::Progress(Job& job, int64_t position, int64_t total, int64_t failed, const std::wstring& text,
                          bool finish) {
  CommandRecord record;
  record.code = kProgressOfDevice;
  record.text = job.identifier.c_str();
  record.position = position;
  record.total = total;
  record.value = failed;
  record.data = text.empty() ? nullptr : const_cast<wchar_t*>(text.c_str());
  PostToHost(m_module, record, finish ? kCourierNotifyProgressFinish : kCourierNotifyProgress);
  job.failedSoFar += failed;  // the host adds each report's failures up as well
  LogTask(job, position, total, text, finish);
}

void DeviceJobs::LogTask(Job& job, int64_t position, int64_t total, const std::wstring& text, bool ended, bool force) {
  if (job.title.empty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (!ended && !force && now - job.lastLog < std::chrono::milliseconds(250)) return;
  job.lastLog = now;
  TaskEntry entry;
  entry.taskId = job.taskId;
  entry.position = position;
  entry.total = total;
  entry.failed = job.failedSoFar;
  entry.identifier = job.identifier;
  if (job.device != nullptr) entry.phone = FirstDisplayName(*job.device);
  entry.title = job.title;
  entry.folder = job.folder;
  entry.message = text;
  entry.state = !ended                                    ? kTaskRunning
                : IsCancelled(job.taskId)                 ? kTaskCancelled
                : job.disconnected || job.failedSoFar > 0 ? kTaskFailed
                                                          : kTaskFinished;
  // The receivers copy it during the call.
  CommandRecord record;
  record.text = job.identifier.c_str();
  record.value = job.taskId;
  record.payload = &entry;
  PostToHost(m_module, record, kCourierLogTask);
}

std::wstring WideFromUtf8(const std::string& utf8) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, wide)) wide.assign(utf8.begin(), utf8.end());
  return wide;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FileStem(const std::wstring& text) {
  std::wstring stem;
  for (wchar_t c : text) stem.push_back(std::wcschr(L"\\/:*?\"<>|", c) != nullptr || c < 0x20 ? L'_' : c);
  return stem;
}

bool ExportSink::Write(std::string_view bytes) {
  const int64_t before = m_pieces++;
  const auto now = std::chrono::steady_clock::now();
  if (m_every.count() == 0 || now - m_lastReport >= m_every) {
    m_lastReport = now;
    if (!m_report(before)) {
      m_stopped = true;
      return false;
    }
  }
  return m_file.Write(bytes);
}
