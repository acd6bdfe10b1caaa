#include "modules/courier/MessageOperations.h"

#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <set>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/MessageFormats.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

// The first batch is small so the list shows at once; later ones amortise the host's work.
constexpr size_t kFirstBatch = 100;
constexpr size_t kBatch = 500;

// Longer than any text a phone sends as one message (a long SMS is split at 153 characters
// and phones stop at a few dozen parts); beyond it a body is taken for damage.
constexpr size_t kMaxBodyCharacters = 65536;

// An import file is read as a stream, but its conversations are kept whole in memory.
constexpr int64_t kMaxImportBytes = 256ll * 1024 * 1024;

std::wstring StateFileName(const std::wstring& identifier) { return FileStem(identifier) + L".messages.json"; }

// Android 4.4 and later let only the default SMS app change the phone's messages.
bool NeedsSmsRole(const DeviceRecord& device) {
  return BASUtilityString::CompareVersion(device.androidVersion.c_str(), L"4.4") >= 0;
}

// Lone surrogates are no text: a message holding one was damaged on its way.
bool IsWellFormedUtf16(const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::wstring Now() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  wchar_t text[32];
  swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute);
  return text;
}

int32_t BoxNumber(const std::wstring& box) {
  if (box == L"sent") return kMessageBoxSent;
  if (box == L"draft") return kMessageBoxDraft;
  return kMessageBoxInbox;
}

}  // namespace

ConversationRecord* MakeConversationRecord(const DemoConversation& conversation, const NumberDirectory* names) {
  auto* record = new ConversationRecord;
  record->identifier = conversation.identifier;
  record->name = conversation.address;
  const std::wstring known = names != nullptr ? names->NameOf(conversation.address) : std::wstring();
  if (!known.empty()) record->name = known;
  record->address = conversation.address;
  record->itemCount = static_cast<int64_t>(conversation.messages.size());
  const DemoMessage* last = nullptr;
  size_t textSize = 0;
  for (const DemoMessage& message : conversation.messages) textSize += message.body.size() + 1;
  record->texts.reserve(textSize);
  for (const DemoMessage& message : conversation.messages) {
    if (last == nullptr || message.date >= last->date) last = &message;
    if (!message.read) ++record->unread;
    if (!record->texts.empty()) record->texts += L'\n';
    record->texts += message.body;
  }
  if (last != nullptr) {
    const size_t lineEnd = last->body.find(L'\n');
    record->snippet = lineEnd == std::wstring::npos ? last->body : last->body.substr(0, lineEnd);
    record->date = last->date;
  }
  return record;
}

MessageRecord* MakeMessageRecord(const DemoConversation& conversation, const DemoMessage& message) {
  auto* record = new MessageRecord;
  record->identifier = message.identifier;
  record->name = conversation.address;
  record->conversationId = conversation.identifier;
  record->box = BoxNumber(message.box);
  record->read = message.read;
  record->date = message.date;
  record->body = message.body;
  return record;
}

MessageOperations::MessageOperations(const ModuleRecord& module, WorkerThread& worker,
                                     DeviceJobs::DeviceLookup findDevice,
                                     std::function<int64_t(const std::wstring&)> loadContacts,
                                     std::function<NumberDirectory(const std::wstring&)> namesOf)
    : m_module(module),
      m_jobs(module, worker, std::move(findDevice), kCourierDoSms, kFirstTaskId),
      m_loadContacts(std::move(loadContacts)),
      m_namesOf(std::move(namesOf)),
      m_arrivals([](const char* what) { BASTrace("libCourier: message arrival failed: %s", what); }) {}

void MessageOperations::OpenStores(const DemoCatalog& catalog, const std::vector<DeviceRecord*>& devices,
                                   const std::filesystem::path& stateFolder) {
  for (DeviceRecord* device : devices) {
    const DemoPhone* demo = catalog.Find(device->identifier);
    if (demo == nullptr) continue;
    auto phone = std::make_unique<Phone>();
    phone->role = demo->smsRole;
    phone->isDefault = demo->smsRole == DemoSmsRole::kAlready;
    phone->incoming = demo->incomingMessages;
    std::string error;
    const std::filesystem::path file =
        stateFolder.empty() ? std::filesystem::path() : stateFolder / StateFileName(device->identifier);
    phone->store.Open(*demo, file, error);
    if (!error.empty()) {
      BASTrace("libCourier: messages of a phone: %s", error.c_str());
      const std::wstring phoneName = FirstDisplayName(*device);
      const std::wstring text = phone->store.KeptAs().empty()
                                    ? L"Another program is using the saved messages of " + phoneName +
                                          L"; changes made now are not kept (click to open the folder)"
                                    : L"Saved messages of " + phoneName + L" could not be read in full; kept as " +
                                          phone->store.KeptAs().filename().wstring() + L" (click to open)";
      m_notices[device->identifier] = UserNotice{text, file.parent_path().wstring()};
    }
    device->counts[kKindMessages] = phone->store.MessageCount();
    m_phones[device->identifier] = std::move(phone);
  }
}

MessageOperations::Phone* MessageOperations::PhoneOf(const std::wstring& identifier) {
  auto it = m_phones.find(identifier);
  return it == m_phones.end() ? nullptr : it->second.get();
}

void MessageOperations::AnnounceCount(DeviceRecord& device) {
  Job job;
  job.identifier = device.identifier;
  job.device = &device;
  m_jobs.Notify(job, kSmsNoticeCount, nullptr);
  Phone* phone = PhoneOf(device.identifier);
  if (phone != nullptr && !phone->incoming.empty() && !phone->arrivalsStarted.exchange(true)) {
    // The wait is on a thread of its own so no load waits for it; the message is stored by
    // the operations thread, which alone changes the store.
    const std::wstring identifier = device.identifier;
    m_arrivals.Post([this, phone, identifier] {
      int32_t waited = 0;
      for (const DemoIncomingMessage& incoming : phone->incoming) {
        if (!m_arrivals.Sleep(std::chrono::milliseconds(incoming.delayMs - waited))) return;
        waited = incoming.delayMs;
        m_jobs.Start(identifier, [this, phone, &incoming](Job& job) { Receive(job, *phone, incoming); });
      }
    });
  }
  auto notice = m_notices.find(device.identifier);
  if (notice != m_notices.end()) {
    // The host shows device notices that belong to no operation on the sheet; they travel
    // with the contacts' notices.
    CommandRecord record;
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    if (payload != nullptr) {
      payload->kind = kContactNoticeMessage;
      payload->status = kNotificationSuccess;
      payload->taskId = 0;
      payload->item = new UserNotice(std::move(notice->second));
      payload->device = &device;
      record.text = device.identifier.c_str();
      record.payload = payload;
      PostToHost(m_module, record, kCourierDoContact);
    }
    m_notices.erase(notice);
  }
}

void MessageOperations::Handle(CommandRecord& record) {
  const int64_t pending = record.value;  // of the handshake: the operation waiting for the role
  record.value = 0;
  if (record.text == nullptr || record.text[0] == L'\0') return;
  const std::wstring identifier = record.text;
  // The phones' map is complete once a phone can be found; before that nothing may read it.
  Phone* phone = m_jobs.Find(identifier) != nullptr ? PhoneOf(identifier) : nullptr;
  switch (record.code) {
    case kSmsOpLoadList:
      record.value = m_jobs.Start(
          identifier, [this](Job& job) { RunLoadList(job); }, L"Load messages");
      break;
    case kSmsOpLoadConversation: {
      const auto* conversation = static_cast<const ConversationRecord*>(record.data);
      const std::wstring id = conversation != nullptr ? conversation->identifier : std::wstring();
      record.value = m_jobs.Start(identifier, [this, id](Job& job) { RunLoadConversation(job, id); });
      break;
    }
    case kSmsOpDelete:
    case kSmsOpOperation34: {
      // The checked list passes to the service; its records stay the pane's.
      std::unique_ptr<ConversationList> checked(static_cast<ConversationList*>(record.data));
      std::vector<std::wstring> ids;
      if (checked) {
        for (const ConversationRecord* conversation : *checked)
          if (conversation != nullptr) ids.push_back(conversation->identifier);
      }
      if (record.code == kSmsOpDelete) {
        record.value = m_jobs.Start(
            identifier, [this, ids](Job& job) { RunDelete(job, ids); }, L"Delete messages");
      } else {
        record.value = m_jobs.Start(identifier, [this, ids](Job& job) {
          Phone* owner = PhoneOf(job.identifier);
          if (owner != nullptr)
            RunMarkRead(job, *owner, ids);
          else  // opening an unread conversation asks for this: its dialog ends quietly; the phone's mark stays
            m_jobs.Progress(job, 0, static_cast<int64_t>(ids.size()), 0, std::wstring(), true);
        });
      }
      break;
    }
    case kSmsOpImport: {
      std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
      const std::vector<std::wstring> files = paths ? *paths : std::vector<std::wstring>();
      record.value = m_jobs.Start(
          identifier, [this, files](Job& job) { RunImport(job, files); }, L"Import messages");
      break;
    }
    case kSmsOpSend: {
      std::shared_ptr<OutgoingMessage> message(static_cast<OutgoingMessage*>(record.data));
      if (!message) return;
      record.value = m_jobs.Start(
          identifier, [this, message](Job& job) { RunSend(job, *message); }, L"Send message");
      break;
    }
    case kSmsOpAskDefault:
    case kSmsOpShowPopUp: {
      // `data` is the host's, carried back untouched with the answer.
      void* data = record.data;
      const bool ask = record.code == kSmsOpAskDefault;
      if (phone == nullptr) {
        // A phone read through adb has no role to hand over: the operation goes ahead and is
        // refused with the reason, instead of the host waiting for an answer that never comes.
        if (ask && m_phoneSource != nullptr && m_phoneSource->Serves(identifier)) {
          record.value = m_jobs.Start(identifier, [this, data, pending](Job& job) {
            m_jobs.Notify(job, kSmsNoticeDefaultAnswer, nullptr, kNotificationSuccess, 1, pending, data);
          });
        }
        return;
      }
      record.value = m_jobs.Start(identifier, [this, phone, data, pending, ask](Job& job) {
        if (ask) {
          const bool isDefault = !NeedsSmsRole(*job.device) || phone->isDefault;
          m_jobs.Notify(job, kSmsNoticeDefaultAnswer, nullptr, kNotificationSuccess, isDefault ? 1 : 0, pending, data);
        } else {
          // The phone shows its pop-up; what its user answers is known at the next question.
          if (phone->role != DemoSmsRole::kDeclines) phone->isDefault = true;
          m_jobs.Notify(job, kSmsNoticePopUpShown, nullptr, kNotificationSuccess, 0, pending, data);
        }
      });
      break;
    }
    case kSmsOpGiveRoleBack:
      if (phone != nullptr) phone->isDefault = phone->role == DemoSmsRole::kAlready;
      break;
    case kSmsOpLoadContacts: {
      // On the same thread, so the notice comes after the last contact of the load.
      record.value = m_loadContacts ? m_loadContacts(identifier) : 0;
      m_jobs.Start(identifier, [this](Job& job) { m_jobs.Notify(job, kSmsNoticeContactsLoaded, nullptr); });
      break;
    }
    default:
      if (record.code >= kSmsOpExportFirst && record.code <= kSmsOpExportLast) {
        std::unique_ptr<ConversationList> checked(static_cast<ConversationList*>(record.data));
        std::vector<std::wstring> ids;
        if (checked) {
          for (const ConversationRecord* conversation : *checked)
            if (conversation != nullptr) ids.push_back(conversation->identifier);
        }
        const auto kind = static_cast<MessageExport>(record.code - kSmsOpExportFirst + 1);
        const std::wstring folder = record.payload != nullptr ? static_cast<const wchar_t*>(record.payload) : L"";
        record.value = m_jobs.Start(
            identifier,
            [this, kind, ids, folder](Job& job) {
              job.folder = folder;
              RunExport(job, kind, ids, folder);
            },
            L"Export messages");
      }
      break;
  }
}

void MessageOperations::SendCount(Job& job, const MessageStore& store) {
  const uint64_t count = store.MessageCount();
  if (job.device->counts[kKindMessages].exchange(count) != count) m_jobs.Notify(job, kSmsNoticeCount, nullptr);
}

// A message arrived: stored as received and unread, then DO_SMS_RECEIVE_MESSAGE kind 1 (a new
// message that changes the count) with the message. The demo phones send no kind 0 (a message
// the pane shows without a count change) or kind 2 (a message read on the phone).
void MessageOperations::Receive(Job& job, Phone& phone, const DemoIncomingMessage& incoming) {
  if (!m_jobs.MayContinue(job)) return;
  DemoMessage message;
  message.box = L"inbox";
  message.date = Now();
  message.read = false;
  message.body = incoming.body;
  const std::wstring conversationId = phone.store.AddMessage(incoming.address, message);
  const std::wstring notKept = PersistAfterChange(phone.store);
  if (!notKept.empty()) BASTrace("libCourier: a received message is on the phone but not kept on this PC");
  job.device->counts[kKindMessages] = phone.store.MessageCount();
  m_jobs.Notify(job, 1, MakeMessageRecord(*phone.store.Find(conversationId), message), kNotificationSuccess, 0, 0,
                nullptr, kCourierDoSmsReceiveMessage);
}

std::wstring MessageOperations::PersistAfterChange(MessageStore& store) {
  std::string error;
  if (store.Persist(error)) return std::wstring();
  BASTrace("libCourier: messages of a phone not kept: %s", error.c_str());
  return L"The changes could not be kept on this PC: " + WideFromUtf8(error);
}

const MessageStore* MessageOperations::StoreOf(const std::wstring& identifier) {
  if (Phone* phone = PhoneOf(identifier)) return &phone->store;
  auto read = m_readStores.find(identifier);
  return read == m_readStores.end() ? nullptr : &read->second;
}

const MessageStore* MessageOperations::ReadFromPhone(Job& job) {
  const uint64_t expected = job.device->counts[kKindMessages].load();
  DemoPhone phone;
  phone.identifier = job.identifier;
  std::wstring error;
  size_t told = 0;
  const bool read = m_phoneSource->ReadMessages(
      job.identifier,
      [&](size_t messages) {
        if (!m_jobs.MayContinue(job)) return false;
        if (messages >= told + kBatch) {
          told = messages;
          m_jobs.Progress(job, 0, static_cast<int64_t>(std::max<uint64_t>(expected, messages)), 0, std::wstring());
        }
        return true;
      },
      phone.conversations, error);
  if (!read) {
    if (job.disconnected || m_jobs.MayContinue(job))
      m_jobs.Progress(job, 0, static_cast<int64_t>(expected), static_cast<int64_t>(expected),
                      job.disconnected ? std::wstring(kPhoneDisconnected) : error, true);
    return nullptr;
  }
  // The phone is the truth: nothing of it is kept on this PC.
  MessageStore& store = m_readStores[job.identifier];
  std::string openError;
  store.Open(phone, std::filesystem::path(), openError);
  return &store;
}

void MessageOperations::RunLoadList(Job& job) {
  const MessageStore* found = StoreOf(job.identifier);
  if (PhoneOf(job.identifier) == nullptr && m_phoneSource != nullptr && m_phoneSource->Serves(job.identifier)) {
    found = ReadFromPhone(job);
    if (found == nullptr) return;
  }
  if (found == nullptr) {
    m_jobs.Progress(job, 0, 0, 0, std::wstring(), true);
    return;
  }
  const MessageStore& store = *found;
  SendCount(job, store);
  // A phone's count was read before its navigator may have been there: told again.
  if (PhoneOf(job.identifier) == nullptr) m_jobs.Notify(job, kSmsNoticeCount, nullptr);
  const int64_t total = static_cast<int64_t>(store.MessageCount());
  job.device->loaded[kKindMessages] = total == 0 ? 1 : static_cast<uint64_t>(total);
  const std::vector<size_t> order = store.ByLatest();
  const NumberDirectory names = m_namesOf ? m_namesOf(job.identifier) : NumberDirectory();
  size_t sent = 0;
  int64_t messages = 0;
  while (sent < order.size()) {
    if (!m_jobs.MayContinue(job)) break;
    const size_t size = std::min(sent == 0 ? kFirstBatch : kBatch, order.size() - sent);
    auto* batch = new ConversationList;
    batch->reserve(size);
    for (size_t i = 0; i < size; ++i) {
      const DemoConversation& conversation = store.Conversations()[order[sent + i]];
      batch->push_back(MakeConversationRecord(conversation, &names));
      messages += static_cast<int64_t>(conversation.messages.size());
    }
    sent += size;
    m_jobs.Notify(job, kSmsNoticeBatch, batch);
    m_jobs.Progress(job, messages, total, 0, std::wstring());
  }
  if (job.disconnected)
    m_jobs.Progress(job, messages, total, total - messages, kPhoneDisconnected, true);
  else if (sent == order.size())
    m_jobs.Progress(job, total, total, 0, std::wstring(), true);
}

void MessageOperations::RunLoadConversation(Job& job, const std::wstring& conversationId) {
  const MessageStore* store = StoreOf(job.identifier);
  const DemoConversation* conversation = store != nullptr ? store->Find(conversationId) : nullptr;
  if (conversation == nullptr) {
    m_jobs.Progress(job, 0, 1, 1, L"This conversation is no longer on the phone; refresh the list.", true);
    return;
  }
  const int64_t total = static_cast<int64_t>(conversation->messages.size());
  auto* messages = new MessageList;
  messages->reserve(conversation->messages.size());
  for (const DemoMessage& message : conversation->messages)
    messages->push_back(MakeMessageRecord(*conversation, message));
  m_jobs.Notify(job, kSmsNoticeConversation, messages);
  m_jobs.Progress(job, total, total, 0, std::wstring(), true);
}

void MessageOperations::RunDelete(Job& job, const std::vector<std::wstring>& conversationIds) {
  Phone* phone = PhoneOf(job.identifier);
  if (phone == nullptr) {
    const int64_t count = static_cast<int64_t>(conversationIds.size());
    m_jobs.Progress(job, 0, count, count, kMessagesReadOnly, true);
    return;
  }
  MessageStore& store = phone->store;
  int64_t total = 0;
  for (const std::wstring& id : conversationIds)
    if (const DemoConversation* conversation = store.Find(id))
      total += static_cast<int64_t>(conversation->messages.size());
  if (NeedsSmsRole(*job.device) && !phone->isDefault) {
    // The phone lets only its default SMS app change messages.
    m_jobs.Notify(job, kSmsNoticeDeleteEnded, nullptr, 0);
    m_jobs.Progress(job, 0, total, total,
                    L"The phone refused: this program is not its default SMS app. Nothing was deleted.", true);
    return;
  }
  int64_t done = 0;
  int64_t missing = 0;
  std::set<std::wstring> seen;
  std::vector<std::pair<std::wstring, std::wstring>> removed;
  for (const std::wstring& id : conversationIds) {
    const DemoConversation* conversation = store.Find(id);
    if (conversation == nullptr || !seen.insert(id).second) {
      ++missing;
      continue;
    }
    for (const DemoMessage& message : conversation->messages) {
      if (!m_jobs.MayContinue(job)) break;
      ++done;
      removed.emplace_back(id, message.identifier);
      m_jobs.Notify(job, kSmsNoticeDeleted, MakeMessageRecord(*conversation, message));
      m_jobs.Progress(job, done, total, 0, std::wstring());
    }
    if (job.disconnected || !m_jobs.MayContinue(job)) break;
  }
  store.RemoveMessages(removed);
  const std::wstring notKept = removed.empty() ? std::wstring() : PersistAfterChange(store);
  m_jobs.Notify(job, kSmsNoticeDeleteEnded, nullptr);
  if (!notKept.empty())
    m_jobs.Progress(job, done, total, static_cast<int64_t>(removed.size()), notKept, true);
  else if (job.disconnected)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else if (missing > 0)
    m_jobs.Progress(job, done, total, missing,
                    missing == 1 ? L"A conversation was no longer on the phone."
                                 : std::to_wstring(missing) + L" conversations were no longer on the phone.",
                    true);
  else
    m_jobs.Progress(job, done, total, 0, std::wstring(), true);
}

void MessageOperations::RunMarkRead(Job& job, Phone& phone, const std::vector<std::wstring>& conversationIds) {
  const int64_t total = static_cast<int64_t>(conversationIds.size());
  int64_t done = 0;
  int64_t missing = 0;
  for (const std::wstring& id : conversationIds) {
    if (!m_jobs.MayContinue(job)) break;
    ++done;
    if (!phone.store.MarkRead(id)) ++missing;
    m_jobs.Progress(job, done, total, 0, std::wstring());
  }
  const std::wstring notKept = done > missing ? PersistAfterChange(phone.store) : std::wstring();
  m_jobs.Notify(job, kSmsNoticeOperation34, nullptr);
  if (!notKept.empty())
    m_jobs.Progress(job, done, total, done - missing, notKept, true);
  else if (job.disconnected)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else
    m_jobs.Progress(job, done, total, missing,
                    missing > 0 ? L"A conversation was no longer on the phone." : std::wstring(), true);
}

void MessageOperations::RunImport(Job& job, const std::vector<std::wstring>& paths) {
  Phone* phone = PhoneOf(job.identifier);
  if (phone == nullptr) {
    m_jobs.Notify(job, kSmsNoticeImportEnded, nullptr, 0);
    m_jobs.Progress(job, 0, 0, static_cast<int64_t>(paths.size()), kMessagesReadOnly, true);
    return;
  }
  MessageStore& store = phone->store;
  if (NeedsSmsRole(*job.device) && !phone->isDefault) {
    m_jobs.Notify(job, kSmsNoticeImportEnded, nullptr, 0);
    m_jobs.Progress(job, 0, 0, static_cast<int64_t>(paths.size()),
                    L"The phone refused: this program is not its default SMS app. Nothing was imported.", true);
    return;
  }
  int64_t total = 0;
  int64_t done = 0;
  int64_t added = 0;
  int64_t skipped = 0;
  for (const std::wstring& path : paths) {
    if (!m_jobs.MayContinue(job)) break;
    const std::filesystem::path file(path);
    MessageReadResult read;
    std::string error;
    std::ifstream in;
    if (FileSizeOf(file) > kMaxImportBytes) {
      ++total;
      m_jobs.Progress(job, done, total, 1,
                      FileNameOf(path) + L" is larger than " + std::to_wstring(kMaxImportBytes >> 20) +
                          L" MB; split it into smaller files to import it.");
      continue;
    }
    if (!OpenForReading(file, in, error)) {
      ++total;
      m_jobs.Progress(job, done, total, 1, L"Cannot read " + FileNameOf(path) + L": " + WideFromUtf8(error));
      continue;
    }
    // An XML backup of a phone's SMS app is read whole; our own backup is streamed.
    const int first = in.peek();
    if (first == '<' || first == 0xEF) {
      std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const size_t start = bytes.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
      if (start != std::string::npos && bytes[start] == '<') {
        read = ReadMessagesXml(bytes);
      } else {
        std::istringstream text(bytes);
        read = ReadMessageBackup(text);
      }
    } else {
      read = ReadMessageBackup(in);
    }
    size_t messages = 0;
    for (const DemoConversation& conversation : read.conversations) messages += conversation.messages.size();
    total += static_cast<int64_t>(messages + read.failed);
    if (read.failed != 0) {
      const std::wstring problem =
          read.problems.empty() ? std::wstring(L"unreadable") : WideFromUtf8(read.problems.front());
      m_jobs.Progress(job, done, total, static_cast<int64_t>(read.failed), FileNameOf(path) + L": " + problem);
    }
    for (DemoConversation& conversation : read.conversations) {
      for (DemoMessage& message : conversation.messages) {
        if (!m_jobs.MayContinue(job)) break;
        ++done;
        // Restoring the same backup twice must not double the phone's messages.
        if (store.Holds(conversation.address, message)) {
          ++skipped;
        } else {
          store.AddMessage(conversation.address, message);
          ++added;
        }
        m_jobs.Progress(job, done, total, 0, std::wstring());
      }
    }
    m_jobs.Notify(job, kSmsNoticeImported, nullptr);
  }
  const std::wstring notKept = added > 0 ? PersistAfterChange(store) : std::wstring();
  SendCount(job, phone->store);
  m_jobs.Notify(job, kSmsNoticeImportEnded, nullptr);
  std::wstring summary;
  if (skipped > 0)
    summary = std::to_wstring(skipped) + (skipped == 1 ? L" message was" : L" messages were") +
              L" already on the phone and not added again.";
  if (!notKept.empty())
    m_jobs.Progress(job, done, total, added, notKept, true);
  else if (job.disconnected)
    m_jobs.Progress(job, done, total, total - done, kPhoneDisconnected, true);
  else
    m_jobs.Progress(job, done, total, 0, summary, true);
}

void MessageOperations::RunSend(Job& job, const OutgoingMessage& message) {
  Phone* phone = PhoneOf(job.identifier);
  std::wstring refused;
  if (phone == nullptr)
    refused = kMessagesReadOnly;
  else if (message.body.empty())
    refused = L"The message is empty.";
  else if (message.body.size() > kMaxBodyCharacters)
    refused = L"The message is longer than " + std::to_wstring(kMaxBodyCharacters) + L" characters.";
  else if (!IsWellFormedUtf16(message.body))
    refused = L"The message holds characters that are not text.";
  else if (message.recipients.empty())
    refused = L"The message has no recipient.";
  bool changed = false;
  for (const std::wstring& recipient : message.recipients) {
    if (!m_jobs.MayContinue(job)) break;
    DemoMessage sent;
    sent.box = L"sent";
    sent.date = Now();
    sent.body = message.body;
    if (!refused.empty() || recipient.empty() || !IsWellFormedUtf16(recipient)) {
      // Told back as a draft that nobody received, with the reason as its text.
      DemoConversation nowhere;
      nowhere.address = recipient;
      sent.box = L"draft";
      sent.body = refused.empty() ? L"The number is not valid." : refused;
      m_jobs.Notify(job, kSmsNoticeSent, MakeMessageRecord(nowhere, sent), 0);
      continue;
    }
    const std::wstring conversationId = phone->store.AddMessage(recipient, sent);
    changed = true;
    m_jobs.Notify(job, kSmsNoticeSent, MakeMessageRecord(*phone->store.Find(conversationId), sent));
  }
  if (!changed) return;
  const std::wstring notKept = PersistAfterChange(phone->store);
  if (!notKept.empty()) BASTrace("libCourier: a sent message is on the phone but not kept on this PC");
  SendCount(job, phone->store);
}

namespace {

const wchar_t* ExtensionOf(MessageExport kind) {
  switch (kind) {
    case MessageExport::kHtml:
    case MessageExport::kHtmlEach:
      return L".html";
    case MessageExport::kText:
    case MessageExport::kTextEach:
      return L".txt";
    case MessageExport::kCsv:
    case MessageExport::kCsvEach:
      return L".csv";
    case MessageExport::kXml:
      return L".xml";
    default:
      return L".bak";
  }
}

bool WriteExport(ByteSink& sink, MessageExport kind, const std::vector<DemoConversation>& conversations,
                 const std::wstring& phoneName) {
  switch (kind) {
    case MessageExport::kHtml:
    case MessageExport::kHtmlEach:
      return WriteMessagesHtml(sink, conversations, phoneName);
    case MessageExport::kText:
    case MessageExport::kTextEach:
      return WriteMessagesText(sink, conversations, phoneName);
    case MessageExport::kCsv:
    case MessageExport::kCsvEach:
      return WriteMessagesCsv(sink, conversations);
    case MessageExport::kXml:
      return WriteMessagesXml(sink, conversations);
    default:
      return WriteMessageBackup(sink, conversations);
  }
}

}  // namespace

void MessageOperations::RunExport(Job& job, MessageExport kind, const std::vector<std::wstring>& conversationIds,
                                  const std::wstring& folder) {
  const MessageStore* store = StoreOf(job.identifier);
  if (store == nullptr) {
    const int64_t count = static_cast<int64_t>(conversationIds.size());
    m_jobs.Progress(job, 0, count, count, L"Load the messages before exporting them.", true);
    return;
  }
  std::vector<DemoConversation> chosen;
  int64_t missing = 0;
  if (kind == MessageExport::kBackupEverything) {
    for (size_t position : store->ByLatest()) chosen.push_back(store->Conversations()[position]);
  } else {
    for (const std::wstring& id : conversationIds) {
      if (const DemoConversation* conversation = store->Find(id))
        chosen.push_back(*conversation);
      else
        ++missing;
    }
  }
  const int64_t total = static_cast<int64_t>(chosen.size()) + missing;
  std::error_code failure;
  if (folder.empty() || !std::filesystem::is_directory(std::filesystem::path(folder), failure)) {
    m_jobs.Progress(job, 0, total, total, L"The folder " + folder + L" is not there.", true);
    return;
  }
  const std::wstring phoneName = FirstDisplayName(*job.device);
  const bool each =
      kind == MessageExport::kHtmlEach || kind == MessageExport::kTextEach || kind == MessageExport::kCsvEach;
  std::filesystem::path target(folder);
  if (each) {
    target = UniqueExportPath(target, L"Messages", L"");
    if (!std::filesystem::create_directory(target, failure)) {
      m_jobs.Progress(job, 0, total, total, L"Cannot make the folder " + target.wstring(), true);
      return;
    }
  }
  // One file of everything, or one per conversation.
  std::vector<std::pair<std::wstring, std::vector<DemoConversation>>> files;
  if (each) {
    for (DemoConversation& conversation : chosen) {
      const std::wstring stem = conversation.address.empty() ? L"Conversation" : FileStem(conversation.address);
      files.emplace_back(stem, std::vector<DemoConversation>{std::move(conversation)});
    }
  } else {
    files.emplace_back(L"Messages", std::move(chosen));
  }
  int64_t done = 0;
  int64_t failed = missing;
  std::wstring problem = missing > 0 ? L"A conversation was no longer on the phone." : std::wstring();
  for (const auto& file : files) {
    bool written = false;
    bool stopped = false;
    std::wstring reason;
    // A file that takes the chosen name while this one is written sends it to the next free name.
    for (int attempt = 0; attempt < 3 && !written; ++attempt) {
      const std::filesystem::path path = UniqueExportPath(target, file.first, ExtensionOf(kind));
      SafeFileWriter writer(path, SafeFileWriter::Replace::kNever);
      const int64_t before = done;
      ExportSink sink(writer, [&](int64_t pieces) {
        // The first piece is the file's opening; each further one is a conversation.
        m_jobs.Progress(job, std::min(before + std::max<int64_t>(pieces - 1, 0), total), total, 0, std::wstring());
        return m_jobs.MayContinue(job);
      });
      written = writer.Open() && WriteExport(sink, kind, file.second, phoneName);
      if (sink.Stopped()) {
        writer.Abandon();
        stopped = true;
        break;
      }
      if (written && writer.Commit()) break;
      written = false;
      if (writer.TargetExisted()) continue;
      reason = L"Cannot write " + path.wstring() + L": " +
               WideFromUtf8(writer.Failed() ? writer.Error() : std::string("out of memory"));
      writer.Abandon();
      break;
    }
    if (stopped) {
      m_jobs.Progress(job, done, total, total - done,
                      job.disconnected ? std::wstring(kPhoneDisconnected) : L"The export was cancelled.", true);
      return;
    }
    const int64_t count = static_cast<int64_t>(file.second.size());
    if (written) {
      done += count;
    } else {
      failed += count;
      problem = reason.empty() ? L"Cannot find a free file name in " + target.wstring() : reason;
      BASTrace("libCourier: message export failed");
    }
    m_jobs.Progress(job, done, total, 0, std::wstring());
  }
  m_jobs.Progress(job, done, total, failed, problem, true);
}
