// The phones' messages as the device service serves them: the conversation list streamed in
// batches, one conversation's messages, deletes, imports, sent messages and the default-SMS-app
// handshake, each a job on the service's operations thread that reports through DO_SMS
// notices and the progress commands. What the host's records hold is copied (or the record
// taken over) before a command returns.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MessageRecords.h"
#include "modules/courier/DeviceJobs.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/MessageStore.h"
#include "modules/courier/formats/MessageFormats.h"
#include "modules/courier/WorkerThread.h"

// A phone reached without this program's companion app (through adb): Android lets only the
// default SMS app write messages, so every change is refused with this reason.
inline constexpr wchar_t kMessagesReadOnly[] =
    L"Messages on this phone cannot be changed from this PC: Android lets only its default SMS app write them.";

// Phones whose messages are read from the phone itself on every load (through adb): their
// changes are refused with kMessagesReadOnly.
class PhoneMessageSource {
 public:
  virtual ~PhoneMessageSource() = default;
  virtual bool Serves(const std::wstring& identifier) const = 0;
  // On the operations thread; may wait for the phone. `keepGoing` hears how many messages were
  // read so far and may stop the read; false with `error` when the phone would not tell them.
  virtual bool ReadMessages(const std::wstring& identifier, const std::function<bool(size_t messages)>& keepGoing,
                            std::vector<DemoConversation>& conversations, std::wstring& error) const = 0;
};

class MessageOperations {
 public:
  // Task IDs of message jobs start here, far above those of contact jobs.
  static constexpr int64_t kFirstTaskId = int64_t{1} << 40;

  // `loadContacts` starts a contact load of a phone on the same thread and returns its task.
  // `namesOf` gives a phone's contact names by number, for the conversations' names; it runs
  // on the operations thread.
  MessageOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice,
                    std::function<int64_t(const std::wstring& identifier)> loadContacts,
                    std::function<NumberDirectory(const std::wstring& identifier)> namesOf = nullptr);

  // Opens every phone's messages before the phones are published and sets their counts.
  void OpenStores(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                  const std::filesystem::path& stateFolder);
  // Set before the phones are published; the source outlives the operations' jobs.
  void SetPhoneSource(const PhoneMessageSource* source) { m_phoneSource = source; }
  // LIBCOURIER_COMMAND_DO_SMS: `value` := the task ID of the started job (0 when none).
  void Handle(CommandRecord& record);
  // A phone became ready: its count, a notice about saved changes that could not be read, and
  // the messages the data file has arrive later.
  void AnnounceCount(DeviceRecord& device);
  // The thread on which scripted messages wait for their time; stopped before the operations.
  bool StartArrivals() { return m_arrivals.Start(); }
  void StopArrivals() { m_arrivals.Stop(); }
  void Cancel(int64_t taskId) { m_jobs.Cancel(taskId); }

 private:
  struct Phone {
    MessageStore store;
    DemoSmsRole role = DemoSmsRole::kAccepts;
    std::atomic<bool> isDefault{false};
    std::vector<DemoIncomingMessage> incoming;
    std::atomic<bool> arrivalsStarted{false};
  };
  typedef DeviceJobs::Job Job;

  void RunLoadList(Job& job);
  void RunLoadConversation(Job& job, const std::wstring& conversationId);
  void RunDelete(Job& job, const std::vector<std::wstring>& conversationIds);
  void RunMarkRead(Job& job, Phone& phone, const std::vector<std::wstring>& conversationIds);
  void RunImport(Job& job, const std::vector<std::wstring>& paths);
  void RunSend(Job& job, const OutgoingMessage& message);
  void RunExport(Job& job, MessageExport kind, const std::vector<std::wstring>& conversationIds,
                 const std::wstring& folder);
  void SendCount(Job& job, const MessageStore& store);
  // Reads a phone's messages from the phone into its read store; null (reported) when the
  // phone would not tell them.
  const MessageStore* ReadFromPhone(Job& job);
  // The store of the job's phone: its own, or what was last read from it; null when none.
  const MessageStore* StoreOf(const std::wstring& identifier);
  void Receive(Job& job, Phone& phone, const DemoIncomingMessage& incoming);
  std::wstring PersistAfterChange(MessageStore& store);
  Phone* PhoneOf(const std::wstring& identifier);

  const ModuleRecord& m_module;
  DeviceJobs m_jobs;
  std::function<int64_t(const std::wstring&)> m_loadContacts;
  std::function<NumberDirectory(const std::wstring&)> m_namesOf;
  // By phone identifier; filled before the phones are published, then used only by jobs (the
  // default-app flag also by the host's thread, hence atomic).
  std::map<std::wstring, std::unique_ptr<Phone>> m_phones;
  std::map<std::wstring, UserNotice> m_notices;
  const PhoneMessageSource* m_phoneSource = nullptr;
  // What was read from the source's phones, by identifier; only jobs touch it.
  std::map<std::wstring, MessageStore> m_readStores;
  WorkerThread m_arrivals;
};

// Makes the records the host and the pane receive.
// `names` names the conversation after the contact that has its number.
ConversationRecord* MakeConversationRecord(const DemoConversation& conversation,
                                           const NumberDirectory* names = nullptr);
MessageRecord* MakeMessageRecord(const DemoConversation& conversation, const DemoMessage& message);
