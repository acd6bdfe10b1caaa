// The phones the adb server reports, beside the demo phones: one thread follows the server's
// device list (host:track-devices-l) and turns each change into the host's notices (a phone
// announced, its connection status); another reads a phone's details once it is usable. A
// phone is known by its serial; one that leaves keeps its record and tab and gets them back
// when it returns. No I/O happens on the host's thread: its calls only look at the records.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/ContactOperations.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/MessageOperations.h"
#include "modules/courier/WorkerThread.h"
#include "modules/courier/adb/AdbClient.h"

class AdbSocket;

class AdbPhones : public PhoneContactSource, public PhoneMessageSource {
 public:
  typedef std::function<void(DeviceRecord& device)> ReadyHook;

  AdbPhones(const ModuleRecord& module, const AdbSettings& settings, WorkerThread::FailureSink onFailure);
  ~AdbPhones() override;
  AdbPhones(const AdbPhones&) = delete;
  AdbPhones& operator=(const AdbPhones&) = delete;

  // Runs on the details thread each time a phone becomes ready; set before Start.
  void SetReadyHook(ReadyHook hook) { m_onReady = std::move(hook); }
  bool Start();
  // Ends every wait and connection at once and joins.
  void Stop();
  bool IsServiceThread() const { return m_tracker.IsWorkerThread() || m_details.IsWorkerThread(); }

  // The record of a phone the server reported (present or gone); null for other identifiers.
  DeviceRecord* Find(const wchar_t* identifier) const;
  bool Serves(const std::wstring& identifier) const override { return Find(identifier.c_str()) != nullptr; }
  // The user closed the phone's tab: it is forgotten, and announced anew if it comes back.
  bool Remove(const wchar_t* identifier);
  // The wizard's buttons: the phone's present state is told again (for a usable phone that
  // failed to be read, its details are read again).
  bool Retry(const wchar_t* identifier);

  // The phone's contacts, streamed from its shell; on the caller's thread, which may wait.
  bool ReadContacts(const std::wstring& identifier, const ContactSink& onContacts, std::wstring& error) const override;
  // Through the phone's contacts provider (`content insert` and `content delete`).
  bool WriteContact(const std::wstring& identifier, const DemoContact& contact, DemoContact& saved,
                    std::wstring& error) const override;
  bool DeleteContact(const std::wstring& identifier, const std::wstring& contactId, std::wstring& error) const override;
  bool ReadGroups(const std::wstring& identifier, std::vector<DemoGroup>& groups) const override;
  // The phone's text messages, streamed from its SMS provider.
  bool ReadMessages(const std::wstring& identifier, const std::function<bool(size_t messages)>& keepGoing,
                    std::vector<DemoConversation>& conversations, std::wstring& error) const override;

  const AdbSettings& settings() const { return m_settings; }
  // For the phones' files, read on the service's operations thread.
  const AdbClient& Client() const { return m_client; }

 private:
  struct Phone {
    std::unique_ptr<DeviceRecord> record;
    std::string state;        // the server's word; empty while the phone is away
    uint64_t generation = 0;  // counts the phone's arrivals, so stale detail reads are dropped
  };

  void Track();
  bool FollowServer(std::string& failure);
  void Apply(const std::string& serial, const std::string& state, const std::map<std::string, std::string>& properties);
  void ReadDetails(const std::string& serial, uint64_t generation);
  void PostStatus(DeviceRecord& device, int32_t status, const std::wstring& text);
  void Announce(const DeviceRecord& device);
  void Post(CommandRecord& record, const char* name);
  std::wstring StatusText(const std::string& state, int32_t status) const;
  // Why a command of a phone failed: a phone no longer there was most often unplugged (the
  // server knows before the tracker), else `what` with the failure.
  std::wstring FailureText(const std::string& serial, const std::wstring& what, const std::string& failure) const;
  // A command that prints nothing when it succeeds (`content insert`, `content delete`): what
  // it printed is the phone's refusal.
  bool Change(const std::string& serial, const std::string& command, std::string& failure) const;
  // How many rows `command` (a `content query`) prints, counted as they stream by.
  bool CountRows(const std::string& serial, const std::string& command, uint64_t& count, std::string& failure) const;

  const ModuleRecord& m_module;
  AdbSettings m_settings;
  AdbClient m_client;
  ReadyHook m_onReady;

  mutable std::mutex m_lock;
  std::map<std::string, Phone> m_phones;                 // by serial
  std::vector<std::unique_ptr<DeviceRecord>> m_retired;  // removed; notices may still point in
  std::set<std::wstring> m_texts;                        // status texts the notices point at, each kept once
  std::shared_ptr<AdbSocket> m_trackSocket;              // aborted by Stop

  WorkerThread m_tracker;  // declared last: joined before the phones go
  WorkerThread m_details;
};

// The connection status a phone in the server's `state` stands at before it is read:
// unauthorized phones wait for "Allow" on the phone, connecting ones are being detected,
// unusable ones (gone, no permissions, recovery...) failed to be detected.
int32_t StatusOfAdbState(const std::string& state);
