// The phones' contacts as the device service serves them: loads streamed in batches, saves,
// deletes, exports and imports, each a job on the service's operations thread that reports
// through DO_CONTACT notifications and the progress commands. The host's records (the pane's
// contacts, folders, path lists) are copied or taken over before a command returns, so a job
// never reads what the host may change or free meanwhile.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/ContactBook.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/DeviceJobs.h"
#include "modules/courier/WorkerThread.h"

// Where the phones' changed contacts are kept (tests, demonstrations); else the user's
// application-data folder.
inline constexpr wchar_t kDemoStateVariable[] = L"ZORVANE_DEMO_STATE";

// Phones whose contacts are read from the phone itself on every load instead of a demo book,
// and written to it one by one.
class PhoneContactSource {
 public:
  // Takes the contacts read so far (moving out what it keeps); false stops the read.
  typedef std::function<bool(std::vector<DemoContact>& contacts)> ContactSink;
  virtual ~PhoneContactSource() = default;
  virtual bool Serves(const std::wstring& identifier) const = 0;
  // On the operations thread; may wait for the phone. The contacts reach `onContacts` as they
  // are read; false with `error` when the phone would not tell them all (or was stopped).
  virtual bool ReadContacts(const std::wstring& identifier, const ContactSink& onContacts,
                            std::wstring& error) const = 0;
  // Writes `contact` (a new one when its identifier is empty) and reads it back: `saved` is
  // what the phone holds now. False with `error` when the phone refused or went away.
  virtual bool WriteContact(const std::wstring& identifier, const DemoContact& contact, DemoContact& saved,
                            std::wstring& error) const = 0;
  virtual bool DeleteContact(const std::wstring& identifier, const std::wstring& contactId,
                             std::wstring& error) const = 0;
  // The phone's contact groups; false when it would not tell them.
  virtual bool ReadGroups(const std::wstring& identifier, std::vector<DemoGroup>& groups) const = 0;
};

class ContactOperations {
 public:
  ContactOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice);

  // Opens every phone's contacts (before the phones are published), setting each device
  // record's count to what the phone holds now.
  void OpenBooks(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                 const std::filesystem::path& stateFolder);
  // Set before the phones are published; the source outlives the operations' jobs.
  void SetPhoneSource(const PhoneContactSource* source) { m_phoneSource = source; }
  // The contacts of a phone that connected later (over Wi-Fi), kept in memory only: the phone
  // itself holds them. Only on the operations thread, before the phone is announced.
  void AddBook(const DemoPhone& phone, DeviceRecord& device);
  // Told of every change a job made to a Wi-Fi phone's contacts (saved ones, removed
  // identifiers), on the operations thread, so the phone gets it too.
  typedef std::function<void(const std::wstring& identifier, const std::vector<DemoContact>& saved,
                             const std::vector<std::wstring>& removed, const std::vector<DemoGroup>& groups)>
      ChangeHook;
  void SetChangeHook(ChangeHook hook) { m_onChange = std::move(hook); }
  // LIBCOURIER_COMMAND_DO_CONTACT from the host: `value` := the task ID (0 when nothing started).
  void Handle(CommandRecord& record);
  // Tells the host how many contacts a phone that just became ready holds (the navigator
  // shows no count before).
  void AnnounceCount(DeviceRecord& device);
  // LIBCOURIER_COMMAND_DO_CANCEL: a running job stops at its next step, a queued one never starts.
  void Cancel(int64_t taskId);
  // Cuts the connections a cancelled job waits on, so it stops at once rather than at a timeout.
  void SetInterrupt(std::function<void(std::thread::id worker)> interrupt) {
    m_jobs.SetInterrupt(std::move(interrupt));
  }
  // The contact names of a phone's numbers (see ContactBook::NamesByNumber). Only on the
  // operations thread, which alone changes the books once the phones are published.
  NumberDirectory NamesByNumber(const std::wstring& identifier) const;

  // The default folder of the per-user copies: <application data>\<maker>\<product>\Phones.
  static std::filesystem::path StateFolder(const std::wstring& makerName, const std::wstring& productName);

 private:
  typedef DeviceJobs::Job Job;

  void RunLoad(Job& job);
  // Reads a real phone's contacts into its book, sending them on in batches as they come;
  // false (reported) when the phone would not tell them all.
  bool LoadFromPhone(Job& job, ContactBook& book);
  // Sends the book's groups, type labels and accounts.
  void SendBookLists(Job& job, const ContactBook& book);
  void RunSave(Job& job, const ContactRecord& edited);
  void RunDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& targets);
  // The same on a phone that holds its contacts itself: each change is written to it first.
  void RunPhoneSave(Job& job, const ContactRecord& edited);
  // The contact as `edited` leaves it; false when it cannot be saved (the save has ended, and
  // the user is told why where there is something to tell).
  bool EditedContact(Job& job, const ContactRecord& edited, ContactBook& book, DemoContact& contact);
  void RefuseSave(Job& job, int64_t savedKind, const std::wstring& reason);
  void RunPhoneDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& targets);
  bool ServedByPhone(const Job& job) const { return m_phoneSource != nullptr && m_phoneSource->Serves(job.identifier); }
  void RunExport(Job& job, int64_t operation, std::vector<DemoContact>& contacts, const std::wstring& folder);
  void RunImport(Job& job, int64_t operation, const std::vector<std::wstring>& paths);

  // Keeps the book's copy; the reason for the user when it could not be kept, else empty.
  std::wstring PersistAfterChange(ContactBook& book);

  // Whether changes to the job's phone are told to the change hook.
  bool TellsChanges(const Job& job) const { return m_onChange && job.identifier.find(L'.') != std::wstring::npos; }

  DeviceJobs m_jobs;
  const PhoneContactSource* m_phoneSource = nullptr;
  ChangeHook m_onChange;
  // By phone identifier; filled before the phones are published, then used only by jobs.
  std::map<std::wstring, ContactBook> m_books;
  // Problems with a phone's saved changes, told once when the phone becomes ready.
  std::map<std::wstring, UserNotice> m_notices;
};
