#include "modules/courier/ContactOperations.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <unordered_map>
#include <system_error>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/ConnectionStatus.h"
#include "modules/courier/ContactConversion.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

// The first batch is small so the list shows at once; later ones amortise the host's work.
constexpr size_t kFirstBatch = 100;
constexpr size_t kBatch = 500;

// An import file is read whole; larger than this it would not fit beside the phone's contacts
// in a 32-bit process. A phone's own export of 100 000 contacts with pictures stays below it.
constexpr int64_t kMaxImportBytes = 256ll * 1024 * 1024;

// How often a long export reports its position and looks for a cancel.
constexpr auto kExportReportEvery = std::chrono::milliseconds(250);

// A file name of one phone's copy: the identifier with what a file name may not hold replaced.
std::wstring StateFileName(const std::wstring& identifier) { return FileStem(identifier) + L".contacts.json"; }

// What makes two contacts the same person to a user: the name and every number and e-mail
// address, numbers compared by their digits, addresses without regard to case.
std::wstring DuplicateKey(const DemoContact& contact) {
  std::vector<std::wstring> parts;
  for (const DemoContactItem& item : contact.items) {
    std::wstring value;
    if (item.kind == DemoItemKind::kPhone) {
      for (wchar_t c : item.value)
        if ((c >= L'0' && c <= L'9') || c == L'+' || c == L'#' || c == L'*') value.push_back(c);
      parts.push_back(L"t" + value);
    } else if (item.kind == DemoItemKind::kEmail) {
      for (wchar_t c : item.value) value.push_back(static_cast<wchar_t>(std::towlower(c)));
      parts.push_back(L"e" + value);
    }
  }
  std::sort(parts.begin(), parts.end());
  parts.erase(std::unique(parts.begin(), parts.end()), parts.end());
  std::wstring key = contact.name;
  for (const std::wstring& part : parts) key += L'\n' + part;
  return key;
}

// The phone's contacts by the hash of their duplicate key, built once per import.
class DuplicateIndex {
 public:
  explicit DuplicateIndex(const std::vector<DemoContact>& contacts) : m_contacts(contacts) {
    m_index.reserve(contacts.size());
    for (size_t i = 0; i < contacts.size(); ++i) m_index.emplace(Hash(DuplicateKey(contacts[i])), i);
  }
  // True when the phone already holds that person; otherwise the contact is remembered as held.
  bool Holds(const DemoContact& contact, size_t positionIfAdded) {
    const std::wstring key = DuplicateKey(contact);
    const size_t hash = Hash(key);
    auto range = m_index.equal_range(hash);
    for (auto it = range.first; it != range.second; ++it)
      if (it->second < m_contacts.size() && DuplicateKey(m_contacts[it->second]) == key) return true;
    m_index.emplace(hash, positionIfAdded);
    return false;
  }

 private:
  static size_t Hash(const std::wstring& key) { return std::hash<std::wstring>()(key); }
  const std::vector<DemoContact>& m_contacts;
  std::unordered_multimap<size_t, size_t> m_index;
};

bool SameContact(const DemoContact& a, const DemoContact& b) {
  if (a.name != b.name || a.nameParts != b.nameParts || a.phoneticParts != b.phoneticParts ||
      a.accountName != b.accountName || a.accountType != b.accountType || a.groups != b.groups ||
      a.items.size() != b.items.size())
    return false;
  for (size_t i = 0; i < a.items.size(); ++i) {
    const DemoContactItem& x = a.items[i];
    const DemoContactItem& y = b.items[i];
    if (x.kind != y.kind || x.typeCode != y.typeCode || x.label != y.label || x.value != y.value || x.parts != y.parts)
      return false;
  }
  return true;
}

}  // namespace

ContactOperations::ContactOperations(const ModuleRecord& module, WorkerThread& worker,
                                     DeviceJobs::DeviceLookup findDevice)
    : m_jobs(module, worker, std::move(findDevice), kCourierDoContact, 1) {}

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
    if (!error.empty()) {
      BASTrace("libCourier: contacts of a phone: %s", error.c_str());
      // One line on the sheet: the file's name, and the click opens its folder.
      const std::wstring phoneName = FirstDisplayName(*device);
      const std::wstring text = book.KeptAs().empty()
                                    ? L"Another program is using the saved contacts of " + phoneName +
                                          L"; changes made now are not kept (click to open the folder)"
                                    : L"Saved contacts of " + phoneName + L" could not be read in full; kept as " +
                                          book.KeptAs().filename().wstring() + L" (click to open)";
      m_notices[device->identifier] = UserNotice{text, file.parent_path().wstring()};
    }
    device->counts[kKindContacts] = book.Count();
  }
}

void ContactOperations::Handle(CommandRecord& record) {
  record.value = 0;
  if (record.text == nullptr || record.text[0] == L'\0') return;
  switch (record.code) {
    case kContactOpLoad:
      record.value = m_jobs.Start(
          record.text, [this](Job& job) { RunLoad(job); }, L"Load contacts");
      break;
    case kContactOpSave: {
      if (record.data == nullptr) return;
      // The pane's record stays the pane's: the job works on a deep copy.
      auto edited = std::make_shared<ContactRecord>(*static_cast<const ContactRecord*>(record.data));
      record.value = m_jobs.Start(
          record.text, [this, edited](Job& job) { RunSave(job, *edited); }, L"Save contact");
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
        record.value = m_jobs.Start(
            record.text, [this, targets](Job& job) { RunDelete(job, targets); }, L"Delete contacts");
      } else {
        std::vector<DemoContact> contacts;
        if (checked) {
          for (const ContactRecord* contact : *checked)
            if (contact != nullptr) contacts.push_back(ContactFromRecord(*contact));
        }
        const std::wstring folder = record.payload != nullptr ? static_cast<const wchar_t*>(record.payload) : L"";
        record.value = m_jobs.Start(
            record.text,
            [this, operation, contacts, folder](Job& job) mutable {
              job.folder = folder;
              RunExport(job, operation, contacts, folder);
            },
            L"Export contacts");
      }
      break;
    }
    case kContactOpImportVcard:
    case kContactOpImportBackup: {
      std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
      const std::vector<std::wstring> files = paths ? *paths : std::vector<std::wstring>();
      const int64_t operation = record.code;
      record.value = m_jobs.Start(
          record.text, [this, operation, files](Job& job) { RunImport(job, operation, files); }, L"Import contacts");
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
  m_jobs.Notify(job, kContactNoticeCount, nullptr);
  // Told once, when the user first sees the phone.
  auto notice = m_notices.find(device.identifier);
  if (notice != m_notices.end()) {
    m_jobs.Notify(job, kContactNoticeMessage, new UserNotice(std::move(notice->second)));
    m_notices.erase(notice);
  }
}

void ContactOperations::AddBook(const DemoPhone& phone, DeviceRecord& device) {
  ContactBook& book = m_books[device.identifier];
  book = ContactBook();
  std::string error;
  book.Open(phone, std::filesystem::path(), error);
  device.counts[kKindContacts] = book.Count();
}

void ContactOperations::Cancel(int64_t taskId) { m_jobs.Cancel(taskId); }

std::wstring ContactOperations::PersistAfterChange(ContactBook& book) {
  std::string error;
  if (book.Persist(error)) return std::wstring();
  BASTrace("libCourier: contacts of a phone not kept: %s", error.c_str());
  return L"The changes could not be kept on this PC: " + WideFromUtf8(error);
}

bool ContactOperations::LoadFromPhone(Job& job, ContactBook& book) {
  DemoPhone phone;
  phone.identifier = job.identifier;
  // Without its groups the contacts still load; their memberships are kept as the phone has them.
  m_phoneSource->ReadGroups(job.identifier, phone.groups);
  // The count the phone told when it was read: the progress bar's end until the load knows.
  const uint64_t expected = job.device->counts[kKindContacts].load();
  size_t sent = 0;
  auto send = [&](bool all) {
    while (sent < phone.contacts.size()) {
      const size_t size = std::min(sent == 0 ? kFirstBatch : kBatch, phone.contacts.size() - sent);
      if (!all && size < (sent == 0 ? kFirstBatch : kBatch)) return;
      auto* batch = new ContactList;
      batch->reserve(size);
      for (size_t i = 0; i < size; ++i) batch->push_back(MakeContactRecord(phone.contacts[sent + i]));
      sent += size;
      m_jobs.Notify(job, kContactNoticeBatch, batch);
      const int64_t total = static_cast<int64_t>(std::max<uint64_t>(expected, sent));
      m_jobs.Progress(job, static_cast<int64_t>(sent), total, 0, std::wstring());
    }
  };
  std::wstring error;
  const bool read = m_phoneSource->ReadContacts(
      job.identifier,
      [&](std::vector<DemoContact>& contacts) {
        if (!m_jobs.MayContinue(job)) return false;
        for (DemoContact& contact : contacts) phone.contacts.push_back(std::move(contact));
        send(false);
        return true;
      },
      error);
  if (read) send(true);
  // What was read is what the pane shows: the book holds the same, so edits find their contact.
  std::string openError;
  book.Open(phone, std::filesystem::path(), openError);
  const uint64_t total = book.Count();
  if (read) {
    // Told even when unchanged: the phone's count was read before its navigator may have been there.
    job.device->counts[kKindContacts] = total;
    m_jobs.Notify(job, kContactNoticeCount, nullptr);
    job.device->loaded[kKindContacts] = total == 0 ? 1 : total;
  }
  SendBookLists(job, book);
  if (!read && m_jobs.MayContinue(job)) {
    const int64_t missing = static_cast<int64_t>(expected > sent ? expected - sent : 0);
    m_jobs.Progress(job, static_cast<int64_t>(sent), static_cast<int64_t>(std::max<uint64_t>(expected, sent)), missing,
                    job.disconnected ? kPhoneDisconnected : error, true);
  } else if (read) {
    m_jobs.Progress(job, static_cast<int64_t>(sent), static_cast<int64_t>(sent), 0, std::wstring(), true);
  } else if (job.disconnected) {
    m_jobs.Progress(job, 0, 0, static_cast<int64_t>(expected > sent ? expected - sent : 0), kPhoneDisconnected, true);
  }
  return read;
}

void ContactOperations::SendBookLists(Job& job, const ContactBook& book) {
  m_jobs.Notify(job, kContactNoticeGroups, MakeGroupList(book.Groups()));
  m_jobs.Notify(job, kContactNoticeTypeLabels, MakeTypeLabelList());
  m_jobs.Notify(job, kContactNoticeAccounts, MakeAccountList(book.Accounts()));
}

void ContactOperations::RunLoad(Job& job) {
  ContactBook& book = m_books[job.identifier];
  if (m_phoneSource != nullptr && m_phoneSource->Serves(job.identifier)) {
    LoadFromPhone(job, book);
    return;
  }
  const std::vector<DemoContact>& contacts = book.Contacts();
  const uint64_t total = contacts.size();
  if (job.device->counts[kKindContacts].exchange(total) != total) m_jobs.Notify(job, kContactNoticeCount, nullptr);
  job.device->loaded[kKindContacts] = total == 0 ? 1 : total;
  SendBookLists(job, book);

  size_t sent = 0;
  while (sent < contacts.size()) {
    if (!m_jobs.MayContinue(job)) break;
    const size_t size = std::min(sent == 0 ? kFirstBatch : kBatch, contacts.size() - sent);
    auto* batch = new ContactList;
    batch->reserve(size);
    for (size_t i = 0; i < size; ++i) batch->push_back(MakeContactRecord(contacts[sent + i]));
    sent += size;
    m_jobs.Notify(job, kContactNoticeBatch, batch);
    m_jobs.Progress(job, static_cast<int64_t>(sent), static_cast<int64_t>(total), 0, std::wstring());
  }
  if (job.disconnected)
    m_jobs.Progress(job, 0, 0, static_cast<int64_t>(total - sent), kPhoneDisconnected, true);
  else if (sent == contacts.size())
    m_jobs.Progress(job, static_cast<int64_t>(sent), static_cast<int64_t>(total), 0, std::wstring(), true);
}

void ContactOperations::RunSave(Job& job, const ContactRecord& edited) {
  if (ServedByPhone(job)) {
    RunPhoneSave(job, edited);
    return;
  }
  ContactBook& book = m_books[job.identifier];
  const bool isNew = edited.editState == kEditNew;
  const int64_t savedKind = isNew ? kSavedNewContact : kSavedEditedContact;
  DemoContact contact;
  if (!EditedContact(job, edited, book, contact)) return;
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
    m_jobs.Notify(job, kContactNoticeSaved, nullptr, 0, savedKind);
    return;
  }
  if (TellsChanges(job)) m_onChange(job.identifier, {contact}, {}, book.Groups());
  ContactRecord* saved = MakeContactRecord(contact);
  saved->rowIndex = edited.rowIndex;
  m_jobs.Notify(job, kContactNoticeSaved, saved, kNotificationSuccess, savedKind);
}

void ContactOperations::RunDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& targets) {
  if (ServedByPhone(job)) {
    RunPhoneDelete(job, targets);
    return;
  }
  ContactBook& book = m_books[job.identifier];
  const int64_t total = static_cast<int64_t>(targets.size());
  int64_t done = 0;
  std::vector<std::wstring> removed;
  std::set<std::wstring> seen;
  for (const auto& target : targets) {
    if (!m_jobs.MayContinue(job)) break;
    ++done;
    const DemoContact* contact = book.Find(target.first);
    if (contact == nullptr || !seen.insert(target.first).second) {
      m_jobs.Progress(job, done, total, 1, L"A contact was no longer on the phone.");
      continue;
    }
    auto* deleted = new ContactRecord;
    deleted->identifier = contact->identifier;
    deleted->name = contact->name;
    deleted->rowIndex = target.second;
    removed.push_back(target.first);
    m_jobs.Notify(job, kContactNoticeDeleted, deleted);
    m_jobs.Progress(job, done, total, 0, std::wstring());
  }
  std::wstring notKept;
  if (!removed.empty()) {
    book.RemoveAll(removed);
    notKept = PersistAfterChange(book);
    if (TellsChanges(job)) m_onChange(job.identifier, {}, removed, book.Groups());
  }
  // A change that is not kept is no success: it is counted as failed, with the reason.
  if (!notKept.empty())
    m_jobs.Progress(job, done, total, static_cast<int64_t>(removed.size()), notKept, true);
  else if (job.disconnected)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else if (done == total)
    m_jobs.Progress(job, done, total, 0, std::wstring(), true);
}

bool ContactOperations::EditedContact(Job& job, const ContactRecord& edited, ContactBook& book, DemoContact& contact) {
  const int64_t savedKind = edited.editState == kEditNew ? kSavedNewContact : kSavedEditedContact;
  if (edited.editState != kEditNew) {
    const DemoContact* existing = book.Find(edited.identifier);
    if (existing == nullptr) {
      RefuseSave(job, savedKind, L"This contact is no longer on the phone; load the contacts again.");
      return false;
    }
    contact = *existing;
  }
  std::string error;
  if (!ApplyContactEdit(edited, book.Groups(), book.Accounts(), contact, error)) {
    BASTrace("libCourier: save refused: %s", error.c_str());
    m_jobs.Notify(job, kContactNoticeSaved, nullptr, 0, savedKind);
    return false;
  }
  return true;
}

void ContactOperations::RefuseSave(Job& job, int64_t savedKind, const std::wstring& reason) {
  m_jobs.Notify(job, kContactNoticeSaved, nullptr, 0, savedKind);
  m_jobs.Notify(job, kContactNoticeMessage, new UserNotice{reason, std::wstring()});
}

void ContactOperations::RunPhoneSave(Job& job, const ContactRecord& edited) {
  ContactBook& book = m_books[job.identifier];
  const bool isNew = edited.editState == kEditNew;
  const int64_t savedKind = isNew ? kSavedNewContact : kSavedEditedContact;
  DemoContact contact;
  if (!EditedContact(job, edited, book, contact)) return;
  if (isNew) contact.identifier.clear();
  // The phone is written first and read back: the pane shows what the phone holds, and a
  // refusal leaves both the phone's contact and the editor as they were.
  DemoContact saved;
  std::wstring reason;
  if (!m_phoneSource->WriteContact(job.identifier, contact, saved, reason)) {
    BASTrace("libCourier: save on the phone failed");
    RefuseSave(job, savedKind, job.disconnected ? std::wstring(kPhoneDisconnected) : reason);
    return;
  }
  if (isNew)
    book.Add(saved);
  else
    book.Replace(saved);
  ContactRecord* record = MakeContactRecord(saved);
  record->rowIndex = edited.rowIndex;
  m_jobs.Notify(job, kContactNoticeSaved, record, kNotificationSuccess, savedKind);
}

void ContactOperations::RunPhoneDelete(Job& job, const std::vector<std::pair<std::wstring, int32_t>>& targets) {
  ContactBook& book = m_books[job.identifier];
  const int64_t total = static_cast<int64_t>(targets.size());
  int64_t done = 0;
  std::wstring reason;  // of the last failure, shown at the end
  std::vector<std::wstring> removed;
  std::set<std::wstring> seen;
  bool gone = false;
  for (const auto& target : targets) {
    if (!m_jobs.MayContinue(job)) break;
    ++done;
    const DemoContact* contact = book.Find(target.first);
    std::wstring error;
    if (contact == nullptr || !seen.insert(target.first).second) {
      error = L"A contact was no longer on the phone.";
    } else if (!m_phoneSource->DeleteContact(job.identifier, target.first, error)) {
      gone = error == kPhoneDisconnected;
    } else {
      auto* deleted = new ContactRecord;
      deleted->identifier = contact->identifier;
      deleted->name = contact->name;
      deleted->rowIndex = target.second;
      removed.push_back(target.first);
      m_jobs.Notify(job, kContactNoticeDeleted, deleted);
      m_jobs.Progress(job, done, total, 0, std::wstring());
      continue;
    }
    reason = error;
    m_jobs.Progress(job, done, total, 1, reason);
    if (gone) break;  // the rest would fail the same way
  }
  book.RemoveAll(removed);
  if (job.disconnected || gone)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else if (done == total)
    m_jobs.Progress(job, done, total, 0, reason, true);
}

void ContactOperations::RunExport(Job& job, int64_t operation, std::vector<DemoContact>& contacts,
                                  const std::wstring& folder) {
  ContactBook& book = m_books[job.identifier];
  // The phone's own contact holds what the pane's record does not carry (name parts, phonetic
  // names); a contact the phone no longer holds goes out as the pane showed it.
  for (DemoContact& contact : contacts) {
    const DemoContact* own = contact.identifier.empty() ? nullptr : book.Find(contact.identifier);
    if (own != nullptr) contact = *own;
  }
  const int64_t total = static_cast<int64_t>(contacts.size());
  const wchar_t* extension = operation == kContactOpExportHtml  ? L".html"
                             : operation == kContactOpExportVcf ? L".vcf"
                                                                : L".bak";
  std::error_code failure;
  if (folder.empty() || !std::filesystem::is_directory(std::filesystem::path(folder), failure)) {
    m_jobs.Progress(job, 0, total, total, L"The folder " + folder + L" is not there.", true);
    return;
  }
  const std::wstring phoneName = FirstDisplayName(*job.device);
  // A file that takes the chosen name while this one is written sends it to the next free name.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::filesystem::path path = UniqueExportPath(std::filesystem::path(folder), L"Contacts", extension);
    SafeFileWriter file(path, SafeFileWriter::Replace::kNever);
    ExportSink sink(
        file,
        [&](int64_t written) {
          m_jobs.Progress(job, std::min(written, total), total, 0, std::wstring());
          return m_jobs.MayContinue(job);
        },
        kExportReportEvery);
    bool written = file.Open();
    if (written) {
      if (operation == kContactOpExportHtml)
        written = WriteContactsHtml(sink, contacts, book.Groups(), phoneName);
      else if (operation == kContactOpExportVcf)
        written = WriteVCards(sink, contacts, book.Groups());
      else
        written = WriteContactBackup(sink, contacts, book.Groups());
    }
    if (sink.Stopped()) {
      file.Abandon();
      m_jobs.Progress(job, 0, total, total,
                      job.disconnected ? std::wstring(kPhoneDisconnected) : L"The export was cancelled.", true);
      return;
    }
    if (written && file.Commit()) {
      m_jobs.Progress(job, total, total, 0, std::wstring(), true);
      return;
    }
    if (file.TargetExisted()) continue;
    const std::string reason = file.Failed() ? file.Error() : std::string("out of memory");
    file.Abandon();
    BASTrace("libCourier: export failed: %s", reason.c_str());
    m_jobs.Progress(job, 0, total, total, L"Cannot write " + path.wstring() + L": " + WideFromUtf8(reason), true);
    return;
  }
  m_jobs.Progress(job, 0, total, total, L"Cannot find a free file name in " + folder, true);
}

void ContactOperations::RunImport(Job& job, int64_t operation, const std::vector<std::wstring>& paths) {
  ContactBook& book = m_books[job.identifier];
  const bool onPhone = ServedByPhone(job);
  int64_t total = 0;
  int64_t done = 0;
  int64_t skipped = 0;
  int64_t added = 0;
  int64_t withoutGroups = 0;          // contacts with a group the phone does not have
  std::wstring lastFailure;           // told again at the end, where the dialog stays open
  std::vector<DemoContact> imported;  // for a Wi-Fi phone, which must get them too
  std::unique_ptr<DuplicateIndex> duplicates;
  // The files name groups by title: they join the groups the phone has now.
  std::vector<DemoGroup> phoneGroups;
  if (onPhone && m_phoneSource->ReadGroups(job.identifier, phoneGroups)) {
    book.SetGroups(std::move(phoneGroups));
    m_jobs.Notify(job, kContactNoticeGroups, MakeGroupList(book.Groups()));  // the pane names them too
  }
  for (const std::wstring& path : paths) {
    if (!m_jobs.MayContinue(job)) break;
    std::string bytes;
    std::string error;
    const int64_t size = FileSizeOf(std::filesystem::path(path));
    if (size > kMaxImportBytes) {
      ++total;
      lastFailure = FileNameOf(path) + L" is larger than " + std::to_wstring(kMaxImportBytes >> 20) +
                    L" MB; split it into smaller files to import it.";
      m_jobs.Progress(job, done, total, 1, lastFailure);
      continue;
    }
    if (!ReadWholeFile(std::filesystem::path(path), bytes, error)) {
      ++total;
      lastFailure = L"Cannot read " + FileNameOf(path) + L": " + WideFromUtf8(error);
      m_jobs.Progress(job, done, total, 1, lastFailure);
      continue;
    }
    ContactReadResult read = operation == kContactOpImportVcard ? ReadVCards(bytes) : ReadContactBackup(bytes);
    bytes.clear();
    bytes.shrink_to_fit();
    total += static_cast<int64_t>(read.contacts.size() + read.failed);
    if (read.failed != 0) {
      const std::wstring problem =
          read.problems.empty() ? std::wstring(L"unreadable") : WideFromUtf8(read.problems.front());
      lastFailure = FileNameOf(path) + L": " + problem;
      m_jobs.Progress(job, done, total, static_cast<int64_t>(read.failed), lastFailure);
    }
    for (DemoContact& contact : read.contacts) {
      if (!m_jobs.MayContinue(job)) break;
      ++done;
      const size_t titles = contact.groups.size();
      contact.groups = book.GroupIdsOfTitles(contact.groups);
      const bool groupsLost = contact.groups.size() < titles;
      // Restoring the same backup twice must not double the phone's contacts.
      const DemoContact* existing = contact.identifier.empty() ? nullptr : book.Find(contact.identifier);
      if (existing != nullptr && SameContact(*existing, contact)) {
        m_jobs.Progress(job, done, total, 0, std::wstring());
        continue;
      }
      if (!duplicates) duplicates = std::make_unique<DuplicateIndex>(book.Contacts());
      if (duplicates->Holds(contact, book.Count())) {
        ++skipped;
        m_jobs.Progress(job, done, total, 0, std::wstring());
        continue;
      }
      std::wstring identifier;
      if (onPhone) {
        // An identifier from the file names another phone's contact, or one of this phone's
        // that differs: either way the imported one is written as a new contact.
        contact.identifier.clear();
        DemoContact saved;
        std::wstring reason;
        if (!m_phoneSource->WriteContact(job.identifier, contact, saved, reason)) {
          if (!m_jobs.MayContinue(job) && !job.disconnected) {
            --done;  // cancelled while it was written: not written, and not a failure
            break;
          }
          if (reason == kPhoneDisconnected) job.disconnected = true;
          lastFailure = reason;
          m_jobs.Progress(job, done, total, 1, job.disconnected ? std::wstring(kPhoneDisconnected) : reason);
          if (job.disconnected) break;  // the rest would fail the same way
          continue;
        }
        identifier = book.Add(std::move(saved));
      } else {
        if (existing != nullptr) contact.identifier.clear();
        identifier = book.Add(std::move(contact));
      }
      ++added;
      if (groupsLost) ++withoutGroups;
      if (TellsChanges(job)) imported.push_back(*book.Find(identifier));
      m_jobs.Notify(job, kContactNoticeSaved, MakeContactRecord(*book.Find(identifier)), kNotificationSuccess,
                    kSavedNewContact);
      m_jobs.Progress(job, done, total, 0, std::wstring());
    }
    if (job.disconnected) break;
  }
  // A real phone holds what was written; only the demo phones' copies are kept on this PC.
  const std::wstring notKept = added > 0 && !onPhone ? PersistAfterChange(book) : std::wstring();
  if (!imported.empty()) m_onChange(job.identifier, imported, {}, book.Groups());
  std::wstring summary = lastFailure;
  if (skipped > 0)
    summary += (summary.empty() ? L"" : L" ") + std::to_wstring(skipped) +
               (skipped == 1 ? L" contact was" : L" contacts were") + L" already on the phone and not added again.";
  if (withoutGroups > 0)
    summary += (summary.empty() ? L"" : L" ") + std::to_wstring(withoutGroups) +
               (withoutGroups == 1 ? L" contact was" : L" contacts were") +
               L" added without groups the phone does not have.";
  if (!notKept.empty())
    m_jobs.Progress(job, done, total, added, notKept, true);
  else if (job.disconnected)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else
    m_jobs.Progress(job, done, total, 0, summary, true);
}

NumberDirectory ContactOperations::NamesByNumber(const std::wstring& identifier) const {
  auto it = m_books.find(identifier);
  return it == m_books.end() ? NumberDirectory() : it->second.NamesByNumber();
}
