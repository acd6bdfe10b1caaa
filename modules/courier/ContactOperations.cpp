#include "modules/courier/ContactOperations.h"

#include <windows.h>

#include <cstdlib>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/ConnectionStatus.h"
#include "modules/courier/ContactConversion.h"
#include "modules/courier/FileBytes.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

// The first batch is small so the list shows at once; later ones amortise the host's work.
constexpr size_t kFirstBatch = 100;
constexpr size_t kBatch = 500;

constexpr wchar_t kDisconnected[] = L"The phone was disconnected.";

std::wstring Wide(const std::string& utf8) {
  std::wstring wide;
  if (!Utf8ToWide(utf8, wide)) wide.assign(utf8.begin(), utf8.end());
  return wide;
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// A file name of one phone's copy: the identifier with what a file name may not hold replaced.
std::wstring StateFileName(const std::wstring& identifier) {
  std::wstring name;
  for (wchar_t c : identifier) name.push_back(wcschr(L"\\/:*?\"<>|", c) != nullptr || c < 0x20 ? L'_' : c);
  return name + L".contacts.json";
}

bool SameContact(const DemoContact& a, const DemoContact& b) {
  if (a.name != b.name || a.accountName != b.accountName || a.accountType != b.accountType || a.groups != b.groups ||
      a.items.size() != b.items.size())
    return false;
  for (size_t i = 0; i < a.items.size(); ++i) {
    const DemoContactItem& x = a.items[i];
    const DemoContactItem& y = b.items[i];
    if (x.kind != y.kind || x.typeCode != y.typeCode || x.label != y.label || x.value != y.value) return false;
  }
  return true;
}

}  // namespace

struct ContactOperations::Job {
  int64_t taskId = 0;
  std::wstring identifier;
  DeviceRecord* device = nullptr;
  bool readyAtStart = false;  // a phone that leaves the ready state mid-job was unplugged
  bool disconnected = false;
};

ContactOperations::ContactOperations(const ModuleRecord& module, WorkerThread& worker, DeviceLookup findDevice)
    : m_module(module), m_worker(worker), m_findDevice(std::move(findDevice)) {}

std::filesystem::path ContactOperations::StateFolder(const std::wstring& makerName, const std::wstring& productName) {
  wchar_t buffer[MAX_PATH * 4];
  const DWORD length = GetEnvironmentVariableW(kDemoStateVariable, buffer, sizeof(buffer) / sizeof(buffer[0]));
  if (length > 0 && length < sizeof(buffer) / sizeof(buffer[0]))
    return std::filesystem::path(std::wstring(buffer, length));
  wchar_t* appData = BASUtilitySys::GetAppDataDir();
  if (appData == nullptr) return std::filesystem::path();
  std::filesystem::path folder(appData);
  std::free(appData);
  if (!makerName.empty()) folder /= makerName;
  if (!productName.empty()) folder /= productName;
  return folder / L"Phones";
}

void ContactOperations::OpenBooks(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                                  const std::filesystem::path& stateFolder) {
  for (DeviceRecord* device : devices) {
    const DemoPhone* phone = catalog.Find(device->identifier);
    if (phone == nullptr) continue;
    ContactBook& book = m_books[device->identifier];
    std::string error;
    const std::filesystem::path file =
        stateFolder.empty() ? std::filesystem::path() : stateFolder / StateFileName(device->identifier);
    book.Open(*phone, file, error);
    if (!error.empty()) BASTrace("libCourier: contacts of a phone: %s", error.c_str());
    device->counts[kKindContacts] = book.Count();
  }
}

void ContactOperations::Handle(CommandRecord& record) {
  record.value = 0;
  if (record.text == nullptr || record.text[0] == L'\0') return;
  switch (record.code) {
    case kContactOpLoad:
      record.value = Start(record, [this](Job& job) { RunLoad(job); });
      break;
    case kContactOpSave: {
      if (record.data == nullptr) return;
      // The pane's record stays the pane's: the job works on a deep copy.
      auto edited = std::make_shared<ContactRecord>(*static_cast<const ContactRecord*>(record.data));
      record.value = Start(record, [this, edited](Job& job) { RunSave(job, *edited); });
      break;
    }
    case kContactOpDelete:
    case kContactOpExportHtml:
    case kContactOpExportVcf:
    case kContactOpExportBackup: {
      // The checked list passes to the service; its records stay the pane's, so what the job
      // needs of them is taken now.
      std::unique_ptr<ContactList> checked(static_cast<ContactList*>(record.data));
      const int64_t operation = record.code;
      if (operation == kContactOpDelete) {
        std::vector<std::pair<std::wstring, int32_t>> targets;
        if (checked) {
          for (const ContactRecord* contact : *checked)
            if (contact != nullptr) targets.emplace_back(contact->identifier, contact->rowIndex);
        }
        record.value = Start(record, [this, targets](Job& job) { RunDelete(job, targets); });
      } else {
        std::vector<DemoContact> contacts;
        if (checked) {
          for (const ContactRecord* contact : *checked)
            if (contact != nullptr) contacts.push_back(ContactFromRecord(*contact));
        }
        const std::wstring folder = record.payload != nullptr ? static_cast<const wchar_t*>(record.payload) : L"";
        record.value = Start(
            record, [this, operation, contacts, folder](Job& job) { RunExport(job, operation, contacts, folder); });
      }
      break;
    }
    case kContactOpImportVcard:
    case kContactOpImportBackup: {
      std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
      const std::vector<std::wstring> files = paths ? *paths : std::vector<std::wstring>();
      const int64_t operation = record.code;
      record.value = Start(record, [this, operation, files](Job& job) { RunImport(job, operation, files); });
      break;
    }
    default:
      break;
  }
}

void ContactOperations::AnnounceCount(DeviceRecord& device) {
  Job job;
  job.identifier = device.identifier;
  job.device = &device;
  Notify(job, kContactNoticeCount, nullptr);
}

void ContactOperations::Cancel(int64_t taskId) {
  if (taskId <= 0) return;
  std::lock_guard<std::mutex> lock(m_cancelLock);
  m_cancelled.insert(taskId);
}

int64_t ContactOperations::Start(const CommandRecord& record, std::function<void(Job&)> work) {
  auto job = std::make_shared<Job>();
  job->taskId = m_nextTaskId++;
  job->identifier = record.text;
  const bool queued = m_worker.Post([this, job, work] {
    job->device = m_findDevice(job->identifier);
    if (job->device == nullptr) {
      job->disconnected = true;
      Progress(*job, 0, 0, 1, kDisconnected, true);
    } else {
      job->readyAtStart = job->device->connectionStatus == kStatusReady;
      work(*job);
    }
    std::lock_guard<std::mutex> lock(m_cancelLock);
    m_cancelled.erase(job->taskId);
  });
  return queued ? job->taskId : 0;
}

bool ContactOperations::MayContinue(Job& job) {
  if (m_worker.IsStopping()) return false;
  {
    std::lock_guard<std::mutex> lock(m_cancelLock);
    if (m_cancelled.count(job.taskId) != 0) return false;
  }
  DeviceRecord* device = m_findDevice(job.identifier);
  if (device == nullptr || (job.readyAtStart && device->connectionStatus != kStatusReady)) {
    job.disconnected = true;
    return false;
  }
  return true;
}

void ContactOperations::Notify(Job& job, uint32_t kind, void* item, int32_t status, int64_t value) {
  auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
  if (payload == nullptr) return;
  payload->kind = kind;
  payload->status = status;
  payload->taskId = job.taskId;
  payload->item = item;
  payload->device = job.device;
  CommandRecord record;
  record.code = 0;  // a batch is appended: the host passes this code on to the pane
  record.text = job.identifier.c_str();
  record.value = value;
  record.payload = payload;
  PostToHost(m_module, record, kCourierDoContact);
}

void ContactOperations::Progress(Job& job, int64_t position, int64_t total, int64_t failed, const std::wstring& text,
                                 bool finish) {
  CommandRecord record;
  record.code = kProgressOfDevice;
  record.text = job.identifier.c_str();
  record.position = position;
  record.total = total;
  record.value = failed;
  record.data = text.empty() ? nullptr : const_cast<wchar_t*>(text.c_str());
  PostToHost(m_module, record, finish ? kCourierNotifyProgressFinish : kCourierNotifyProgress);
}

void ContactOperations::PersistAfterChange(Job& job, ContactBook& book) {
  std::string error;
  if (book.Persist(error)) return;
  BASTrace("libCourier: contacts of a phone not kept: %s", error.c_str());
  Progress(job, 0, 0, 0, L"The changes could not be kept on this PC: " + Wide(error));
}

void ContactOperations::RunLoad(Job& job) {
  ContactBook& book = m_books[job.identifier];
  const std::vector<DemoContact>& contacts = book.Contacts();
  const uint64_t total = contacts.size();
  if (job.device->counts[kKindContacts].exchange(total) != total) Notify(job, kContactNoticeCount, nullptr);
  job.device->loaded[kKindContacts] = total == 0 ? 1 : total;
  Notify(job, kContactNoticeGroups, MakeGroupList(book.Groups()));
  Notify(job, kContactNoticeTypeLabels, MakeTypeLabelList());
  Notify(job, kContactNoticeAccounts, MakeAccountList(book.Accounts()));

  size_t sent = 0;
  while (sent < contacts.size()) {
    if (!MayContinue(job)) break;
    const size_t size = std::min(sent == 0 ? kFirstBatch : kBatch, contacts.size() - sent);
    auto* batch = new ContactList;
    batch->reserve(size);
    for (size_t i = 0; i < size; ++i) batch->push_back(MakeContactRecord(contacts[sent + i]));
    sent += size;
    Notify(job, kContactNoticeBatch, batch);
    Progress(job, static_cast<int64_t>(sent), static_cast<int64_t>(total), 0, std::wstring());
  }
  if (job.disconnected)
    Progress(job, 0, 0, static_cast<int64_t>(total - sent), kDisconnected, true);
  else if (sent == contacts.size())
    Progress(job, static_cast<int64_t>(sent), static_cast<int64_t>(total), 0, std::wstring(), true);
}

void ContactOperations::RunSave(Job& job, const ContactRecord& edited) {
  ContactBook& book = m_books[job.identifier];
  const bool isNew = edited.editState == kEditNew;
  const int64_t savedKind = isNew ? kSavedNewContact : kSavedEditedContact;
  DemoContact contact;
  if (!isNew) {
    const DemoContact* existing = book.Find(edited.identifier);
    if (existing == nullptr) {
      BASTrace("libCourier: save: the contact is no longer on the phone");
      Notify(job, kContactNoticeSaved, nullptr, 0, savedKind);
      return;
    }
    contact = *existing;
  }
  std::string error;
  if (!ApplyContactEdit(edited, book.Groups(), book.Accounts(), contact, error)) {
    BASTrace("libCourier: save refused: %s", error.c_str());
    Notify(job, kContactNoticeSaved, nullptr, 0, savedKind);
    return;
  }
  DemoContact previous;
  if (isNew) {
    contact.identifier.clear();
    contact.identifier = book.Add(contact);
  } else {
    previous = *book.Find(edited.identifier);
    book.Replace(contact);
  }
  std::string persistError;
  if (!book.Persist(persistError)) {
    // Not kept is not saved: the phone goes back to what it held and the editor stays open.
    BASTrace("libCourier: save not kept: %s", persistError.c_str());
    if (isNew)
      book.Remove(contact.identifier);
    else
      book.Replace(previous);
    Notify(job, kContactNoticeSaved, nullptr, 0, savedKind);
    return;
  }
  ContactRecord* saved = MakeContactRecord(contact);
  saved->rowIndex = edited.rowIndex;
  Notify(job, kContactNoticeSaved, saved, kNotificationSuccess, savedKind);
}

void ContactOperations::RunDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& targets) {
  ContactBook& book = m_books[job.identifier];
  const int64_t total = static_cast<int64_t>(targets.size());
  int64_t done = 0;
  // Each contact is reported as it goes; the book loses them all in one pass at the end.
  std::unordered_set<std::wstring> gone;
  for (const auto& target : targets) {
    if (!MayContinue(job)) break;
    ++done;
    const DemoContact* contact = gone.count(target.first) != 0 ? nullptr : book.Find(target.first);
    if (contact == nullptr) {
      Progress(job, done, total, 1, L"A contact was no longer on the phone.");
      continue;
    }
    auto* deleted = new ContactRecord;
    deleted->identifier = contact->identifier;
    deleted->name = contact->name;
    deleted->rowIndex = target.second;
    gone.insert(target.first);
    Notify(job, kContactNoticeDeleted, deleted);
    Progress(job, done, total, 0, std::wstring());
  }
  const bool changed = book.RemoveAll(gone) != 0;
  if (changed) PersistAfterChange(job, book);
  if (job.disconnected)
    Progress(job, done, total, total - done, kDisconnected, true);
  else if (done == total)
    Progress(job, done, total, 0, std::wstring(), true);
}

void ContactOperations::RunExport(Job& job, int64_t operation, const std::vector<DemoContact>& contacts,
                                  const std::wstring& folder) {
  ContactBook& book = m_books[job.identifier];
  const int64_t total = static_cast<int64_t>(contacts.size());
  std::string bytes;
  const wchar_t* extension = L".html";
  if (operation == kContactOpExportHtml) {
    bytes = WriteContactsHtml(contacts, book.Groups(), FirstDisplayName(*job.device));
  } else if (operation == kContactOpExportVcf) {
    bytes = WriteVCards(contacts, book.Groups());
    extension = L".vcf";
  } else {
    bytes = WriteContactBackup(contacts, book.Groups());
    extension = L".bak";
  }
  std::error_code failure;
  if (folder.empty() || !std::filesystem::is_directory(std::filesystem::path(folder), failure)) {
    Progress(job, 0, total, total, L"The folder " + folder + L" is not there.", true);
    return;
  }
  const std::filesystem::path path = UniqueExportPath(std::filesystem::path(folder), L"Contacts", extension);
  if (!WriteFileBytes(path, bytes)) {
    Progress(job, 0, total, total, L"Cannot write " + path.wstring(), true);
    return;
  }
  Progress(job, total, total, 0, std::wstring(), true);
}

void ContactOperations::RunImport(Job& job, int64_t operation, const std::vector<std::wstring>& paths) {
  ContactBook& book = m_books[job.identifier];
  int64_t total = 0;
  int64_t done = 0;
  bool changed = false;
  for (const std::wstring& path : paths) {
    if (!MayContinue(job)) break;
    std::string bytes;
    if (!ReadFileBytes(std::filesystem::path(path), bytes)) {
      ++total;
      Progress(job, done, total, 1, L"Cannot read " + FileNameOf(path));
      continue;
    }
    ContactReadResult read = operation == kContactOpImportVcard ? ReadVCards(bytes) : ReadContactBackup(bytes);
    total += static_cast<int64_t>(read.contacts.size() + read.failed);
    if (read.failed != 0) {
      const std::wstring problem = read.problems.empty() ? std::wstring(L"unreadable") : Wide(read.problems.front());
      Progress(job, done, total, static_cast<int64_t>(read.failed), FileNameOf(path) + L": " + problem);
    }
    for (DemoContact& contact : read.contacts) {
      if (!MayContinue(job)) break;
      ++done;
      contact.groups = book.GroupIdsOfTitles(contact.groups);
      // Restoring the same backup twice must not double the phone's contacts.
      const DemoContact* existing = contact.identifier.empty() ? nullptr : book.Find(contact.identifier);
      if (existing != nullptr && SameContact(*existing, contact)) {
        Progress(job, done, total, 0, std::wstring());
        continue;
      }
      if (existing != nullptr) contact.identifier.clear();
      const std::wstring identifier = book.Add(std::move(contact));
      changed = true;
      Notify(job, kContactNoticeSaved, MakeContactRecord(*book.Find(identifier)), kNotificationSuccess,
             kSavedNewContact);
      Progress(job, done, total, 0, std::wstring());
    }
  }
  if (changed) PersistAfterChange(job, book);
  if (job.disconnected)
    Progress(job, done, total, total - done, kDisconnected, true);
  else
    Progress(job, done, total, 0, std::wstring(), true);
}
