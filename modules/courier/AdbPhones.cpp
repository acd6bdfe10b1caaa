#include "modules/courier/AdbPhones.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "contracts/CommandNames.h"
#include "contracts/CommandCodes.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/ConnectionStatus.h"
#include "modules/courier/adb/AdbContactWriter.h"
#include "modules/courier/adb/AdbMessages.h"
#include "modules/courier/adb/AdbSocket.h"
#include "modules/courier/adb/PhoneShellOutput.h"
#include "modules/courier/formats/FormatText.h"

namespace {

constexpr int32_t kStatusReadingPhone = 18;  // "Connect Device": the phone is being read
constexpr auto kRetryServerEvery = std::chrono::milliseconds(3000);
// A large address book takes a while to print; a phone that says nothing for this long is hung.
constexpr uint32_t kContactsTimeoutMs = 60000;

std::wstring Wide(const std::string& utf8) { return formats::Utf8ToWideLenient(utf8); }

std::string Narrow(const std::wstring& wide) { return WideToUtf8(wide); }

// "Lumo_Seven" as the device list spells it, "Lumo Seven" as the phone does.
std::wstring ModelOf(const std::map<std::string, std::string>& properties) {
  auto model = properties.find("model");
  if (model == properties.end()) return std::wstring();
  std::string text = model->second;
  for (char& c : text)
    if (c == '_') c = ' ';
  return Wide(text);
}

}  // namespace

int32_t StatusOfAdbState(const std::string& state) {
  if (state == "device") return kStatusDetecting;
  if (state == "unauthorized") return kStatusAuthorize;
  if (state == "offline" || state == "connecting" || state == "authorizing") return kStatusDetecting;
  return kStatusNotDetected;
}

AdbPhones::AdbPhones(const ModuleRecord& module, const AdbSettings& settings, WorkerThread::FailureSink onFailure)
    : m_module(module),
      m_settings(settings),
      m_client(settings.port),
      m_tracker(onFailure),
      m_details(std::move(onFailure)) {}

AdbPhones::~AdbPhones() { Stop(); }

bool AdbPhones::Start() {
  m_client.Reopen();
  if (!m_tracker.Start() || !m_details.Start()) return false;
  return m_tracker.Post([this] { Track(); });
}

void AdbPhones::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_trackSocket) m_trackSocket->Abort();
  }
  // A phone gone silent mid-pull, mid-install or mid-read must not hold the threads that are
  // joined next (and the program's closing) until its timeout.
  m_client.Close();
  m_tracker.Stop();
  m_details.Stop();
}

DeviceRecord* AdbPhones::Find(const wchar_t* identifier) const {
  if (identifier == nullptr || identifier[0] == L'\0') return nullptr;
  std::lock_guard<std::mutex> lock(m_lock);
  for (const auto& entry : m_phones) {
    if (entry.second.record && entry.second.record->identifier == identifier) return entry.second.record.get();
  }
  return nullptr;
}

bool AdbPhones::Remove(const wchar_t* identifier) {
  if (identifier == nullptr) return false;
  std::lock_guard<std::mutex> lock(m_lock);
  for (auto& entry : m_phones) {
    Phone& phone = entry.second;
    if (!phone.record || phone.record->identifier != identifier) continue;
    m_retired.push_back(std::move(phone.record));
    // Still plugged in: the phone stays listed, but only a new arrival brings its tab back.
    ++phone.generation;
    return true;
  }
  return false;
}

bool AdbPhones::Retry(const wchar_t* identifier) {
  std::string serial;
  std::string state;
  uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    for (auto& entry : m_phones) {
      if (entry.second.record && entry.second.record->identifier == (identifier ? identifier : L"")) {
        serial = entry.first;
        state = entry.second.state;
        generation = entry.second.generation;
      }
    }
  }
  if (serial.empty()) return false;
  return m_tracker.Post([this, serial, state, generation] {
    DeviceRecord* device = nullptr;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      auto phone = m_phones.find(serial);
      if (phone == m_phones.end() || !phone->second.record || phone->second.generation != generation) return;
      device = phone->second.record.get();
    }
    const int32_t status = StatusOfAdbState(state);
    PostStatus(*device, status, StatusText(state, status));
    if (state == "device") m_details.Post([this, serial, generation] { ReadDetails(serial, generation); });
  });
}

void AdbPhones::Track() {
  bool startTried = false;
  bool toldNoServer = false;
  bool everFollowed = false;
  while (!m_tracker.IsStopping()) {
    std::string failure;
    if (FollowServer(failure)) {
      everFollowed = true;
      startTried = false;  // it ran: start it again if it dies
      toldNoServer = false;
    } else if (!startTried && !m_settings.adbPath.empty() && !m_tracker.IsStopping()) {
      startTried = true;
      std::string startFailure;
      if (AdbClient::StartServer(m_settings.adbPath, m_settings.port, startFailure,
                                 [this] { return m_tracker.IsStopping(); }))
        continue;
      BASTrace("libCourier: adb server: %s", startFailure.c_str());
    } else if (!toldNoServer) {
      toldNoServer = true;
      BASTrace("libCourier: adb server on port %u: %s", static_cast<unsigned>(m_settings.port), failure.c_str());
      // No server at start and no adb to start one: this PC has no adb, the demo phones serve.
      if (!everFollowed && m_settings.adbPath.empty()) return;
    }
    // The server went away: every phone it reported is gone with it.
    std::vector<std::string> present;
    {
      std::lock_guard<std::mutex> lock(m_lock);
      m_trackSocket.reset();
      for (const auto& entry : m_phones)
        if (!entry.second.state.empty()) present.push_back(entry.first);
    }
    for (const std::string& serial : present) Apply(serial, std::string(), {});
    if (!m_tracker.Sleep(kRetryServerEvery)) return;
  }
}

bool AdbPhones::FollowServer(std::string& failure) {
  std::unique_ptr<AdbSocket> opened = m_client.Open("host:track-devices-l", failure);
  if (!opened) return false;
  std::shared_ptr<AdbSocket> socket(opened.release());
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_tracker.IsStopping()) return false;
    m_trackSocket = socket;
  }
  std::vector<AdbDeviceEntry> current;
  // Some servers tell a phone's change to "unauthorized" only to host:devices, not to the
  // trackers (they stay at "offline"): each update, and every second while a phone is on its
  // way, the list is asked for; the tracker's own list serves when that fails.
  auto inTransition = [&current] {
    for (const AdbDeviceEntry& entry : current)
      if (entry.state != "device" && StatusOfAdbState(entry.state) != kStatusNotDetected) return true;
    return false;
  };
  auto update = [&](std::vector<AdbDeviceEntry> next, bool fromTracker) {
    std::vector<AdbDeviceEntry> listed;
    std::string listFailure;
    if (m_client.Devices(listed, listFailure))
      next = std::move(listed);
    else if (!fromTracker)
      return;
    for (const AdbDeviceChange& change : DiffDeviceLists(current, next)) {
      std::map<std::string, std::string> properties;
      for (const AdbDeviceEntry& entry : next)
        if (entry.serial == change.serial) properties = entry.properties;
      Apply(change.serial, change.state, properties);
    }
    current = std::move(next);
  };
  int idleTicks = 0;
  while (!m_tracker.IsStopping()) {
    const int ready = socket->WaitReadable(500);
    if (ready == 0) {
      if (++idleTicks >= 2 && inTransition()) {
        idleTicks = 0;
        update(current, false);
      }
      continue;
    }
    std::string message;
    if (ready < 0 || !ReadAdbMessage(*socket, message)) {
      failure = "the adb server stopped";
      return true;
    }
    update(ParseDeviceList(message), true);
  }
  return true;
}

void AdbPhones::Apply(const std::string& serial, const std::string& state,
                      const std::map<std::string, std::string>& properties) {
  DeviceRecord* device = nullptr;
  bool announce = false;
  uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    Phone& phone = m_phones[serial];
    const bool arrived = phone.state.empty() && !state.empty();
    phone.state = state;
    if (arrived) ++phone.generation;
    if (!phone.record) {
      if (!arrived) return;  // a phone whose tab the user closed is told of when it comes again
      phone.record = std::make_unique<DeviceRecord>();
      phone.record->identifier = Wide(serial);
      announce = true;
    }
    if (!properties.empty()) {
      const std::wstring model = ModelOf(properties);
      if (!model.empty()) phone.record->modelName = model;
      auto product = properties.find("product");
      if (product != properties.end()) phone.record->productName = Wide(product->second);
    }
    if (phone.record->modelName.empty()) phone.record->modelName = phone.record->identifier;
    device = phone.record.get();
    generation = phone.generation;
  }
  if (announce) Announce(*device);
  const int32_t status = StatusOfAdbState(state);
  PostStatus(*device, status, StatusText(state, status));
  if (state == "device") m_details.Post([this, serial, generation] { ReadDetails(serial, generation); });
}

std::wstring AdbPhones::StatusText(const std::string& state, int32_t status) const {
  if (state.empty()) return kPhoneDisconnected;
  if (status == kStatusNotDetected) return L"The phone cannot be used now (" + Wide(state) + L").";
  return std::wstring();
}

void AdbPhones::ReadDetails(const std::string& serial, uint64_t generation) {
  DeviceRecord* device = nullptr;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto phone = m_phones.find(serial);
    if (phone == m_phones.end() || !phone->second.record || phone->second.generation != generation) return;
    device = phone->second.record.get();
  }
  PostStatus(*device, kStatusReadingPhone, std::wstring());

  std::string output;
  std::string failure;
  bool ok = m_client.Shell(serial, "getprop", output, failure);
  if (ok) {
    const auto properties = ParseGetprop(output);
    auto value = [&](const char* key) {
      auto found = properties.find(key);
      return found == properties.end() ? std::wstring() : Wide(found->second);
    };
    if (!value("ro.product.model").empty()) device->modelName = value("ro.product.model");
    device->androidVersion = value("ro.build.version.release");
    device->info.model = device->modelName;
    device->info.systemVersion = device->androidVersion;
    device->info.serialNumber = value("ro.serialno").empty() ? device->identifier : value("ro.serialno");
  }
  // Battery and storage are nice to have: a phone that will not tell them is still usable.
  if (ok && m_client.Shell(serial, "dumpsys battery", output, failure)) {
    const BatteryState battery = ParseDumpsysBattery(output);
    device->info.batteryPercent = battery.percent;
    device->info.charging = battery.charging ? 1 : 0;
  }
  if (ok && m_client.Shell(serial, "df -k /data /storage/emulated", output, failure)) {
    for (const DfEntry& entry : ParseDfKilobytes(output)) {
      MemoryInfo& memory = entry.mountedOn == "/data" ? device->phoneMemory : device->storageMemory;
      memory = MemoryInfo{entry.totalBytes, entry.freeBytes};
    }
  }
  if (ok) {
    uint64_t count = 0;
    ok = CountRows(serial,
                   "content query --uri content://com.android.contacts/raw_contacts --projection _id "
                   "--where \"deleted=0\"",
                   count, failure);
    if (ok) device->counts[kKindContacts] = count;
  }
  // A phone whose SMS provider will not answer (a tablet without one) is still usable.
  uint64_t messages = 0;
  if (ok && CountRows(serial, "content query --uri content://sms --projection _id", messages, failure))
    device->counts[kKindMessages] = messages;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    auto phone = m_phones.find(serial);
    if (phone == m_phones.end() || phone->second.record.get() != device || phone->second.generation != generation ||
        phone->second.state != "device")
      return;  // it left meanwhile: its departure was told already
  }
  if (!ok) {
    BASTrace("libCourier: phone %s: %s", serial.c_str(), failure.c_str());
    PostStatus(*device, kStatusNotDetected, L"The phone did not answer: " + Wide(failure));
    return;
  }
  PostStatus(*device, kStatusReady, std::wstring());
  void* const parts[] = {&device->info, &device->phoneMemory, &device->storageMemory};
  for (int64_t part = 0; part < 3; ++part) {
    CommandRecord info;
    info.value = part;
    info.data = const_cast<wchar_t*>(device->identifier.c_str());
    info.payload = parts[part];
    Post(info, kCourierGetDeviceInfo);
  }
  if (m_onReady) m_onReady(*device);
}

bool AdbPhones::ReadContacts(const std::wstring& identifier, const ContactSink& onContacts, std::wstring& error) const {
  const std::string serial = Narrow(identifier);
  // Sorted by raw contact, so a contact is whole once the next one's rows begin.
  const std::string command = "content query --uri content://com.android.contacts/data --projection " +
                              ContactDataProjection() + " --sort raw_contact_id";
  ContactRowAssembler assembler;
  std::vector<DemoContact> completed;
  bool stopped = false;
  ContentRowStream rows(kContactDataColumns, [&](ContentRow& row) {
    assembler.Add(row, completed);
    return true;
  });
  std::string failure;
  const bool read = m_client.ShellStream(
      serial, command,
      [&](std::string_view piece) {
        rows.Feed(piece);
        if (completed.empty()) return true;
        stopped = !onContacts(completed);
        completed.clear();
        return !stopped;
      },
      failure, kContactsTimeoutMs);
  if (!read) {
    error = stopped ? L"The load was stopped."
                    : FailureText(serial, L"The contacts could not be read from the phone", failure);
    return false;
  }
  rows.Finish();
  if (rows.Rows() == 0 && rows.RowLines() > 0) {
    error = L"The phone answered with contacts this program cannot read.";
    return false;
  }
  if (rows.Rows() == 0 && !rows.Complaint().empty()) {
    error = L"The phone would not tell its contacts: " + Wide(rows.Complaint());
    return false;
  }
  assembler.Finish(completed);
  if (!completed.empty() && !onContacts(completed)) {
    error = L"The load was stopped.";
    return false;
  }
  return true;
}

bool AdbPhones::Change(const std::string& serial, const std::string& command, std::string& failure) const {
  std::string output;
  if (!m_client.Shell(serial, command, output, failure)) return false;
  const size_t first = output.find_first_not_of(" \r\n");
  if (first == std::string::npos) return true;
  // "Error while accessing provider:..." and then the exception, whose message says why.
  constexpr std::string_view kException = "Exception: ";
  size_t reason = output.find(kException);
  reason = reason == std::string::npos ? first : reason + kException.size();
  failure = output.substr(reason, output.find('\n', reason) - reason);
  while (!failure.empty() && failure.back() == '\r') failure.pop_back();
  return false;
}

bool AdbPhones::WriteContact(const std::wstring& identifier, const DemoContact& contact, DemoContact& saved,
                             std::wstring& error) const {
  const std::string serial = Narrow(identifier);
  const std::wstring what = contact.identifier.empty() ? L"The contact could not be added on the phone"
                                                       : L"The contact could not be saved on the phone";
  std::string failure;
  std::string rawId = Narrow(contact.identifier);
  const bool isNew = rawId.empty();
  if (isNew) {
    if (!Change(serial, InsertRawContactCommand(contact.accountName, contact.accountType), failure)) {
      error = FailureText(serial, what, failure);
      return false;
    }
    // `content insert` does not tell the new row: it is the newest raw contact.
    ContentRowStream newest({"_id"}, [&rawId](ContentRow& row) {
      rawId = row["_id"];
      return false;
    });
    m_client.ShellStream(
        serial, QueryNewestRawContactCommand(), [&newest](std::string_view piece) { return newest.Feed(piece); },
        failure);
    newest.Finish();
    if (!IsRowIdentifier(rawId)) {
      error = FailureText(serial, what, "the phone did not tell the new contact's number");
      return false;
    }
  } else if (!IsRowIdentifier(rawId)) {
    error = L"This contact is not one of the phone's; load the contacts again.";
    return false;
  }
  std::string output;
  auto readRows = [&](std::vector<ContentRow>& rows) {
    if (!m_client.Shell(serial, QueryContactRowsCommand(rawId), output, failure)) return false;
    rows = ParseContentRows(output, ContactRowColumns());
    return true;
  };
  std::vector<ContentRow> held;
  if (!readRows(held)) {
    error = FailureText(serial, what, failure);
    return false;
  }
  // New rows go in before old ones go: a save cut short leaves the old values beside the new.
  const ContactWritePlan plan = PlanContactWrite(held, contact);
  bool written = true;
  for (const PhoneDataRow& row : plan.inserts) {
    written = Change(serial, InsertDataCommand(rawId, row), failure);
    if (!written) break;
  }
  if (written && !plan.deletes.empty()) written = Change(serial, DeleteDataRowsCommand(plan.deletes), failure);
  if (!written) {
    error = FailureText(serial, what, failure);
    // A new contact the phone took only part of would stay as a stranger without a name.
    std::string ignored;
    if (isNew) Change(serial, DeleteRawContactCommand(rawId), ignored);
    return false;
  }
  std::vector<ContentRow> now;
  if (!readRows(now)) {
    error = FailureText(serial, L"The contact was saved but could not be read back from the phone", failure);
    return false;
  }
  std::vector<DemoContact> contacts = ContactsFromDataRows(now);
  if (contacts.empty()) {
    // A contact without rows (every field emptied) is still the phone's raw contact.
    saved = DemoContact();
    saved.identifier = Wide(rawId);
    saved.accountName = contact.accountName;
    saved.accountType = contact.accountType;
  } else {
    saved = std::move(contacts[0]);
  }
  return true;
}

bool AdbPhones::DeleteContact(const std::wstring& identifier, const std::wstring& contactId,
                              std::wstring& error) const {
  const std::string serial = Narrow(identifier);
  const std::string rawId = Narrow(contactId);
  if (!IsRowIdentifier(rawId)) {
    error = L"This contact is not one of the phone's; load the contacts again.";
    return false;
  }
  std::string failure;
  if (!Change(serial, DeleteRawContactCommand(rawId), failure)) {
    error = FailureText(serial, L"The contact could not be deleted on the phone", failure);
    return false;
  }
  return true;
}

bool AdbPhones::ReadGroups(const std::wstring& identifier, std::vector<DemoGroup>& groups) const {
  std::string output;
  std::string failure;
  if (!m_client.Shell(Narrow(identifier), QueryContactGroupsCommand(), output, failure)) {
    BASTrace("libCourier: groups of a phone: %s", failure.c_str());
    return false;
  }
  groups = GroupsFromRows(ParseContentRows(output, kContactGroupColumns));
  return true;
}

bool AdbPhones::CountRows(const std::string& serial, const std::string& command, uint64_t& count,
                          std::string& failure) const {
  ContentRowStream rows({"_id"}, [](ContentRow&) { return true; });
  if (!m_client.ShellStream(
          serial, command, [&rows](std::string_view piece) { return rows.Feed(piece); }, failure))
    return false;
  rows.Finish();
  count = rows.Rows();
  return true;
}

bool AdbPhones::ReadMessages(const std::wstring& identifier, const std::function<bool(size_t messages)>& keepGoing,
                             std::vector<DemoConversation>& conversations, std::wstring& error) const {
  // The phone keeps UTC; the list shows the PC's local time as it was on each message's day.
  SmsCollector collector([](int64_t utcMilliseconds) -> int32_t {
    // 100 ns ticks since 1601, as FILETIME counts.
    const uint64_t ticks = static_cast<uint64_t>(utcMilliseconds) * 10000u + 116444736000000000ull;
    FILETIME utcFile = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc = {};
    SYSTEMTIME local = {};
    FILETIME localFile = {};
    if (utcMilliseconds < 0 || !FileTimeToSystemTime(&utcFile, &utc) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) || !SystemTimeToFileTime(&local, &localFile))
      return 0;
    const int64_t localTicks =
        static_cast<int64_t>((static_cast<uint64_t>(localFile.dwHighDateTime) << 32) | localFile.dwLowDateTime);
    return static_cast<int32_t>((localTicks - static_cast<int64_t>(ticks)) / 600000000);
  });
  ContentRowStream rows(kSmsColumns, [&collector](ContentRow& row) {
    collector.Add(row);
    return true;
  });
  const std::string serial = Narrow(identifier);
  bool stopped = false;
  std::string failure;
  const bool read = m_client.ShellStream(
      serial, SmsQueryCommand(),
      [&](std::string_view piece) {
        rows.Feed(piece);
        stopped = !keepGoing(collector.MessageCount());
        return !stopped;
      },
      failure, kContactsTimeoutMs);
  if (!read) {
    error = stopped ? L"The load was stopped."
                    : FailureText(serial, L"The messages could not be read from the phone", failure);
    return false;
  }
  rows.Finish();
  if (rows.Rows() == 0 && rows.RowLines() > 0) {
    error = L"The phone answered with messages this program cannot read.";
    return false;
  }
  if (rows.Rows() == 0 && !rows.Complaint().empty()) {
    error = L"The phone would not tell its messages: " + Wide(rows.Complaint());
    return false;
  }
  conversations = collector.Take();
  return true;
}

std::wstring AdbPhones::FailureText(const std::string& serial, const std::wstring& what,
                                    const std::string& failure) const {
  std::vector<AdbDeviceEntry> listed;
  std::string listFailure;
  bool present = false;
  if (m_client.Devices(listed, listFailure)) {
    for (const AdbDeviceEntry& entry : listed) present = present || (entry.serial == serial && entry.state == "device");
  }
  return present ? what + L": " + Wide(failure) + L"." : kPhoneDisconnected;
}

void AdbPhones::PostStatus(DeviceRecord& device, int32_t status, const std::wstring& text) {
  device.connectionStatus = status;
  const wchar_t* shown = nullptr;
  {
    // The notice points at its text until the host has copied what it needs: kept to the end.
    std::lock_guard<std::mutex> lock(m_lock);
    shown = m_texts.insert(text.empty() ? FirstDisplayName(device) : text).first->c_str();
  }
  CommandRecord notice;
  notice.value = kDeviceNoticeStatus;
  notice.payload = const_cast<wchar_t*>(device.identifier.c_str());
  notice.entries = static_cast<int64_t>(static_cast<uint32_t>(status));
  notice.text = shown;
  Post(notice, kCourierScanUsbDevice);
}

void AdbPhones::Announce(const DeviceRecord& device) {
  const size_t bytes = (device.identifier.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<wchar_t*>(std::malloc(bytes));
  if (copy == nullptr) return;
  std::memcpy(copy, device.identifier.c_str(), bytes);
  CommandRecord record;
  record.value = static_cast<int64_t>(reinterpret_cast<intptr_t>(copy));
  Post(record, kCourierAddDevice);
}

void AdbPhones::Post(CommandRecord& record, const char* name) {
  if (m_tracker.IsStopping()) return;
  PostToHost(m_module, record, name);
}
