#include "modules/courier/CourierService.h"

#include <chrono>
#include <string>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/AdbMedia.h"
#include "modules/courier/DemoDataParser.h"
#include "modules/courier/PhoneRecords.h"
#include "modules/courier/TaskListExport.h"

namespace {

void TraceJobFailure(const char* what) { BASTrace("libCourier: service job failed: %s", what); }

// A trace line is one line whatever the file held.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return text;
}

}  // namespace

CourierService::CourierService(const ModuleRecord& module)
    : m_module(module),
      m_contacts(module, m_operations,
                 [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); }),
      m_messages(
          module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); },
          [this](const std::wstring& identifier) {
            CommandRecord load;
            load.code = kContactOpLoad;
            load.text = identifier.c_str();
            m_contacts.Handle(load);
            return load.value;
          },
          [this](const std::wstring& identifier) { return m_contacts.NamesByNumber(identifier); }),
      m_photos(module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); }),
      m_music(module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); }),
      m_videos(module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); }),
      m_books(module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); }),
      m_apps(module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); }),
      m_exports(
          module, m_operations, [this](const std::wstring& identifier) { return FindDevice(identifier.c_str()); },
          [this](int32_t itemKind) { return MediaKindOf(itemKind); }),
      m_timeline(module, &TraceJobFailure),
      m_worker(&TraceJobFailure),
      m_operations(&TraceJobFailure),
      m_updates(module),
      m_wifi(WifiServer::Hooks{[this](int64_t ticket, const DemoPhone& phone) { AskAboutWifiPhone(ticket, phone); },
                               [this](DemoPhone phone) { AddWifiPhone(std::move(phone)); },
                               [this](const std::wstring& address) { m_timeline.Disconnect(address.c_str()); }},
             &TraceJobFailure) {
  m_contacts.SetChangeHook([this](const std::wstring& identifier, const std::vector<DemoContact>& saved,
                                  const std::vector<std::wstring>& removed, const std::vector<DemoGroup>& groups) {
    for (const DemoContact& contact : saved) m_wifi.SendSave(identifier, contact, groups);
    m_wifi.SendDelete(identifier, removed);
  });
  m_timeline.SetReadyHook([this](DeviceRecord& device) {
    m_contacts.AnnounceCount(device);
    m_messages.AnnounceCount(device);
    for (MediaOperations* kind : MediaKinds()) kind->AnnounceCount(device);
  });
}

CourierService::~CourierService() { Stop(); }

bool CourierService::Start(const ServerStartInfo* info) {
  if (info != nullptr) {
    m_productName = info->productName != nullptr ? info->productName : L"";
    m_makerName = info->makerName != nullptr ? info->makerName : L"";
    m_version = info->version != nullptr ? info->version : L"";
  }
  if (!m_pin.Acquire(reinterpret_cast<const void*>(&TraceJobFailure))) {
    BASTrace("libCourier: cannot hold the module, GetLastError: %lu", GetLastError());
    return false;
  }
  if (!m_worker.Start() || !m_operations.Start() || !m_messages.StartArrivals() || !m_updates.Start(m_version)) {
    BASTrace("libCourier: the service threads did not start");
    m_worker.Stop();
    m_operations.Stop();
    m_updates.Stop();
    m_pin.Release();
    return false;
  }
  // Read here, on the host's thread: the environment may change once START_SERVER returns.
  m_adbSettings = AdbSettings::Read();
  if (m_adbSettings.realPhones) {
    m_adb = std::make_unique<AdbPhones>(m_module, m_adbSettings, &TraceJobFailure);
    m_adb->SetReadyHook([this](DeviceRecord& device) {
      m_contacts.AnnounceCount(device);
      m_messages.AnnounceCount(device);
      // The phone's lists are read where its files are served, off the details thread.
      m_operations.Post([this, &device] {
        for (MediaOperations* kind : MediaKinds()) kind->CountPhone(device);
      });
    });
    m_contacts.SetPhoneSource(m_adb.get());
    // A cancelled job waiting on a silent phone stops at once, not at the timeout.
    const auto interrupt = [this](std::thread::id worker) { m_adb->Client().AbortOpenedBy(worker); };
    m_exports.SetInterrupt(interrupt);
    m_contacts.SetInterrupt(interrupt);
    for (MediaOperations* kind : MediaKinds()) kind->SetInterrupt(interrupt);
    for (MediaOperations* kind : MediaKinds())
      kind->SetPhoneStores([this](const std::wstring& identifier, int32_t itemKind) {
        return m_adb->Find(identifier.c_str()) != nullptr
                   ? NewAdbMediaStore(m_adb->Client(), WideToUtf8(identifier), itemKind)
                   : nullptr;
      });
    m_messages.SetPhoneSource(m_adb.get());
  }
  const std::wstring path = m_adbSettings.demoPhones ? DataFilePath() : std::wstring();
  return m_worker.Post([this, path] { LoadPhones(path); });
}

void CourierService::Stop() {
  m_wifi.Stop();
  m_updates.Stop();
  m_timeline.Stop();
  if (m_adb) m_adb->Stop();
  m_messages.StopArrivals();
  m_operations.Stop();
  m_worker.Stop();
  if (IsServiceThread()) return;  // the thread ends after this job; the owner joins it later
  std::lock_guard<std::mutex> lock(m_devicesLock);
  m_devices.clear();
  m_removedDevices.clear();
  m_wifiPhones.clear();
  m_catalog.Clear();
}

void CourierService::OnHostReady(int64_t value) {
  // A crash's echo (kServerRestarted) or an echo before READY was posted announces nothing.
  if (value != kServerReadyStarted || !m_readyPosted || m_connecting.exchange(true)) return;
  std::vector<ConnectionTimeline::Phone> phones;
  {
    std::lock_guard<std::mutex> lock(m_devicesLock);
    for (const std::unique_ptr<DeviceRecord>& device : m_devices) {
      const DemoPhone* phone = m_catalog.Find(device->identifier);
      if (phone != nullptr) phones.push_back(ConnectionTimeline::Phone{phone, device.get()});
    }
  }
  if (!m_timeline.Start(phones)) BASTrace("libCourier: the connection thread did not start");
  if (m_adb && !m_adb->Start()) BASTrace("libCourier: the adb threads did not start");
}

DeviceRecord* CourierService::FindDevice(const wchar_t* identifier) const {
  if (identifier == nullptr || identifier[0] == L'\0') return nullptr;
  {
    std::lock_guard<std::mutex> lock(m_devicesLock);
    for (const std::unique_ptr<DeviceRecord>& device : m_devices) {
      if (device->identifier == identifier) return device.get();
    }
  }
  return m_adb ? m_adb->Find(identifier) : nullptr;
}

void CourierService::Retry(const wchar_t* identifier, DemoRetry retry) {
  if (!m_timeline.Retry(identifier, retry) && m_adb) m_adb->Retry(identifier);
}

void CourierService::CancelDriverDownload(const wchar_t* identifier) { m_timeline.CancelDownload(identifier); }

void CourierService::RemoveDevice(const wchar_t* identifier) {
  if (identifier == nullptr || identifier[0] == L'\0') return;
  m_wifi.Disconnect(identifier);
  {
    std::lock_guard<std::mutex> lock(m_devicesLock);
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
      if ((*it)->identifier != identifier) continue;
      m_removedDevices.push_back(std::move(*it));
      m_devices.erase(it);
      break;
    }
  }
  m_timeline.Remove(identifier);
  if (m_adb) m_adb->Remove(identifier);
}

size_t CourierService::DeviceCount() const {
  std::lock_guard<std::mutex> lock(m_devicesLock);
  return m_devices.size();
}

std::wstring CourierService::DataFilePath() {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableW(kDemoDataVariable, buffer, sizeof(buffer) / sizeof(buffer[0]));
  if (length > 0 && length < sizeof(buffer) / sizeof(buffer[0])) return std::wstring(buffer, length);
  const std::wstring folder = ModuleReference::FolderOf(reinterpret_cast<const void*>(&TraceJobFailure));
  return folder.empty() ? std::wstring() : folder + kDemoDataFileName;
}

void CourierService::LoadPhones(const std::wstring& path) {
  DemoCatalog catalog;
  std::string error;
  if (path.empty() && !m_adbSettings.demoPhones) {
    // The settings turned the demo phones off: only real phones are served.
  } else if (path.empty()) {
    BASTrace("libCourier: demo data: the library's folder is unknown, GetLastError: %lu", GetLastError());
  } else if (!DemoDataParser::LoadFile(std::filesystem::path(path), catalog, error)) {
    BASTrace("libCourier: demo data %s: %s", OneLine(WideToUtf8(path)).c_str(), OneLine(error).c_str());
  }
  // A slow phone bus: the host goes on without the service until READY arrives.
  if (catalog.startupDelayMs() > 0 && !m_worker.Sleep(std::chrono::milliseconds(catalog.startupDelayMs()))) return;

  std::vector<std::unique_ptr<DeviceRecord>> devices;
  std::vector<DeviceRecord*> records;
  for (const DemoPhone& phone : catalog.phones()) {
    devices.push_back(MakeDeviceRecord(phone));
    records.push_back(devices.back().get());
  }
  const std::filesystem::path stateFolder = ContactOperations::StateFolder(m_makerName, m_productName);
  m_contacts.OpenBooks(catalog, records, stateFolder);
  m_messages.OpenStores(catalog, records, stateFolder);
  for (MediaOperations* kind : MediaKinds()) kind->OpenLibraries(catalog, records, stateFolder);
  {
    std::lock_guard<std::mutex> lock(m_devicesLock);
    m_devices = std::move(devices);
    m_catalog = std::move(catalog);
  }
  if (m_worker.IsStopping()) return;
  m_readyPosted = true;
  CommandRecord ready;
  ready.value = kServerReadyStarted;
  Post(ready, kCourierReadyStartServer);
}

MediaOperations* CourierService::MediaKindOf(int32_t itemKind) {
  for (MediaOperations* kind : MediaKinds())
    if (kind->Kind().itemKind == itemKind) return kind;
  return nullptr;
}

void CourierService::Post(CommandRecord& record, const char* name) { PostToHost(m_module, record, name); }

void CourierService::ExportTasks(const CommandRecord& record) {
  // Both are the caller's: copied now, before the call returns.
  const auto* checked = static_cast<const TaskEntryList*>(record.data);
  const TaskEntryList tasks = checked != nullptr ? *checked : TaskEntryList();
  const std::wstring folder = record.text != nullptr ? record.text : L"";
  m_operations.Post([this, tasks, folder] {
    std::wstring error;
    const std::filesystem::path written = WriteTaskList(tasks, folder, error);
    const int64_t count = static_cast<int64_t>(tasks.size());
    CommandRecord finish;
    finish.code = kProgressOfTaskPane;
    finish.position = written.empty() ? 0 : count;
    finish.total = count;
    finish.value = written.empty() ? count : 0;
    finish.data = error.empty() ? nullptr : const_cast<wchar_t*>(error.c_str());
    Post(finish, kCourierNotifyProgressFinish);
  });
}

void CourierService::StartWifi() {
  std::wstring address;
  int32_t port = 0;
  std::wstring failure;
  // A failure is answered too: the QR dialog says why instead of staying empty.
  if (!m_wifi.Open(address, port, failure)) {
    address.clear();
    port = 0;
  }
  // The host relays it to the QR dialogs, which delete it.
  CommandRecord answer;
  answer.payload = new WifiServerInfo{address, port, failure};
  Post(answer, kCourierStartWifiServer);
}

void CourierService::AskAboutWifiPhone(int64_t ticket, const DemoPhone& phone) {
  CommandRecord question;
  question.payload = new WifiPeerQuestion{ticket,
                                          !phone.displayName.empty() ? phone.displayName
                                          : !phone.modelName.empty() ? phone.modelName
                                                                     : phone.productName,
                                          phone.model, phone.identifier};
  Post(question, kCourierConfirmWifiDevice);
}

void CourierService::AddWifiPhone(DemoPhone described) {
  auto phone = std::make_unique<DemoPhone>(std::move(described));
  std::unique_ptr<DeviceRecord> record = MakeDeviceRecord(*phone);
  DemoPhone* const phonePtr = phone.get();
  DeviceRecord* const device = record.get();
  {
    std::lock_guard<std::mutex> lock(m_devicesLock);
    // The same phone again (it left, or its connection was replaced): the old record retires,
    // the tab that shows it is reused through the identifier.
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
      if ((*it)->identifier != device->identifier) continue;
      m_removedDevices.push_back(std::move(*it));
      m_devices.erase(it);
      break;
    }
    m_devices.push_back(std::move(record));
    m_wifiPhones.push_back(std::move(phone));
  }
  m_timeline.Remove(device->identifier.c_str());
  // The book first, on the thread that alone changes books; then the phone is announced.
  m_operations.Post([this, phonePtr, device] {
    m_contacts.AddBook(*phonePtr, *device);
    if (!m_timeline.Add(ConnectionTimeline::Phone{phonePtr, device}))
      BASTrace("libCourier: the connection thread did not start");
  });
}
