#include "host/ContactsController.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"
#include "host/HostDialogs.h"
#include "host/HostState.h"
#include "host/UiRouter.h"

namespace {

constexpr char kExportFolderKey[] = "contact:export:dir";
const ListTaskCommands kListCommands = {kRolodexGetListTaskId, kRolodexClearData, kRolodexSetListTaskId};

CommandBus& Bus() { return CommandBus::Instance(); }

// The device service reports each imported contact as a saved new contact. Those of an import
// go below the contacts listed, in the order of the files, where a reload lists them as well;
// only a contact saved from the editor goes on top. Task ids are never reused, so the set of
// imports stays as small as the number of imports made.
std::set<int64_t>& ImportTasks() {
  static std::set<int64_t> tasks;
  return tasks;
}

// The saves the pane asked for, by task id, with the token its request carried. Only their
// answers end a save: a save result of anything else (an import's contacts) must not close an
// editor, and the token lets the pane tell its open editor's answer from a late one.
std::map<int64_t, int64_t>& PendingSaves() {
  static std::map<int64_t, int64_t> saves;
  return saves;
}

void DisposeContactItem(uint32_t kind, void* item) {
  switch (kind) {
    case kContactNoticeBatch:
      DeleteList(static_cast<ContactList*>(item));
      break;
    case kContactNoticeSaved:
    case kContactNoticeDeleted:
      delete static_cast<ContactRecord*>(item);
      break;
    case kContactNoticeGroups:
      DeleteList(static_cast<GroupList*>(item));
      break;
    case kContactNoticeTypeLabels:
      DeleteList(static_cast<TypeLabelList*>(item));
      break;
    case kContactNoticeAccounts:
      DeleteList(static_cast<AccountList*>(item));
      break;
    case kContactNoticeMessage:
      delete static_cast<UserNotice*>(item);
      break;
    default:
      break;  // not a kind whose item we could name
  }
}

// A phone without a known view window has no pane to keep records.
bool PaneCanKeep(HWND deviceView) { return deviceView != nullptr && Bus().IsRegistered(kRolodexAddContact); }

void TellSaveEnded(HWND deviceView, int64_t result, int64_t token) {
  CommandRecord ended;
  ended.window = deviceView;
  ended.code = kContactPaneSaveEnded;
  ended.value = result;
  ended.count = token;
  Bus().Send(kRolodexDoContact, &ended);
}

std::wstring TitleOf(const CommandRecord& request) { return request.text != nullptr ? request.text : L""; }

// ---- requests of the pane ----

void RequestSave(const CommandRecord& incoming, const ContentRequest& request) {
  const int64_t token = incoming.value;
  if (incoming.data == nullptr) {
    TellSaveEnded(request.deviceView, kSaveFailed, token);
    return;
  }
  CommandRecord save;
  save.code = kContactOpSave;
  save.text = request.identifier.c_str();
  save.data = incoming.data;
  Bus().Send(kCourierDoContact, &save);
  // No task, no answer: the editor would wait for ever.
  if (save.value == 0) {
    TellSaveEnded(request.deviceView, kSaveFailed, token);
    return;
  }
  PendingSaves()[save.value] = token;
}

void RequestLoad(const ContentRequest& request) {
  StartProgress(request.progress, ProgressStyle::kClosesByItself,
                ToNavigatorCount(request.device->counts[kKindContacts].load()), L"Loading Contacts");
  CommandRecord load;
  load.code = kContactOpLoad;
  SendCancellableOperation(kCourierDoContact, load, request);
}

void RequestExport(const CommandRecord& incoming, const ContentRequest& request,
                   std::unique_ptr<ContactList>& checked) {
  if (incoming.count <= 0 || checked == nullptr) {
    ShowNothingChecked(request.owner);
    return;
  }
  if (incoming.value < kContactExportHtml || incoming.value > kContactExportBackup) return;
  const std::wstring folder = AskExportFolder(request.owner, kExportFolderKey);
  if (folder.empty() || !IsStillConnected(request)) return;
  StartProgress(request.progress, ProgressStyle::kShowsFolder, incoming.count, TitleOf(incoming), folder);
  CommandRecord exportOp;
  exportOp.code = kContactOpExportHtml + (incoming.value - kContactExportHtml);
  exportOp.text = request.identifier.c_str();
  exportOp.data = checked.release();
  exportOp.payload = const_cast<wchar_t*>(folder.c_str());
  Bus().Send(kCourierDoContact, &exportOp);
}

void RequestImport(const CommandRecord& incoming, const ContentRequest& request) {
  const bool vcards = incoming.value == kContactImportVcard;
  OpenFilesQuery query;
  query.owner = request.owner;
  if (vcards) {
    query.title = L"Please select VCard files.";
    query.filters = {{L"VCard File(*.vcf)", L"*.vcf"}};
  } else {
    query.title = L"Please select Backup Files.";
    query.filters = {{L"Backup File(*.bak)", L"*.bak"}, {L"Json File(*.json)", L"*.json"}};
  }
  PathList chosen = PickFiles(query);
  if (chosen.empty() || !IsStillConnected(request)) return;
  StartProgress(request.progress, ProgressStyle::kWaitsForUser, 0, TitleOf(incoming));
  CommandRecord importOp;
  importOp.code = vcards ? kContactOpImportVcard : kContactOpImportBackup;
  importOp.data = new PathList(std::move(chosen));  // the device service takes it over
  SendCancellableOperation(kCourierDoContact, importOp, request);
  if (importOp.value != 0) ImportTasks().insert(importOp.value);
}

void RequestDelete(const CommandRecord& incoming, const ContentRequest& request,
                   std::unique_ptr<ContactList>& checked) {
  if (incoming.count <= 0 || checked == nullptr) {
    ShowNothingChecked(request.owner);
    return;
  }
  if (!ConfirmForChecked(request.owner, L"Do you really want to delete the checked contact", incoming.count)) return;
  if (!IsStillConnected(request)) return;
  StartProgress(request.progress, ProgressStyle::kClosesByItself, incoming.count, TitleOf(incoming));
  CommandRecord deleteOp;
  deleteOp.code = kContactOpDelete;
  deleteOp.data = checked.release();
  SendCancellableOperation(kCourierDoContact, deleteOp, request);
}

int32_t OnContactRequest(CommandRecord* incoming) {
  const int64_t code = incoming->code;
  if (code < kContactRequestSave || code > kContactRequestNothingChecked) return 0;
  // The checked list of an export or a delete is the host's now: it goes on to the device
  // service with the operation or is deleted here (its records stay the pane's).
  std::unique_ptr<ContactList> checked;
  if (code == kContactRequestExport || code == kContactRequestDelete)
    checked.reset(static_cast<ContactList*>(incoming->data));

  ContentRequest request;
  if (!ResolveContentRequest(incoming->window, request)) {
    // An editor waiting for the end of its save must not wait forever.
    if (code == kContactRequestSave) TellSaveEnded(request.deviceView, kSaveFailed, incoming->value);
    return 0;
  }
  switch (code) {
    case kContactRequestSave:
      RequestSave(*incoming, request);
      break;
    case kContactRequestLoad:
      RequestLoad(request);
      break;
    case kContactRequestExport:
      RequestExport(*incoming, request, checked);
      break;
    case kContactRequestImport:
      RequestImport(*incoming, request);
      break;
    case kContactRequestDelete:
      RequestDelete(*incoming, request, checked);
      break;
    case kContactRequestNothingChecked:
      ShowNothingChecked(request.owner);
      break;
    default:
      break;
  }
  return 0;
}

// ---- notifications of the device service ----

// Any thread: a count change goes to the navigator at once; everything that touches the
// pane or the device record's lists is finished on the UI thread.
int32_t OnContactNotice(CommandRecord* incoming) {
  OwnedNotice notice(static_cast<NotificationPayload*>(incoming->payload), DisposeContactItem);
  if (!notice) return 0;
  DeviceRecord* device = notice->device;
  HWND deviceView = device != nullptr ? Host().devices.WindowOfIdentifier(device->identifier) : nullptr;
  if (notice->kind == kContactNoticeCount) {
    if (device != nullptr) SendCount(deviceView, {kSectionContacts}, device->counts[kKindContacts]);
    return 0;
  }
  if (notice->kind > kContactNoticeMessage) return 0;
  CommandRecord copy = *incoming;
  copy.window = deviceView;
  // The sender's text lives only as long as this call; nothing on the UI thread reads it.
  copy.text = nullptr;
  if (PostRecordToRouter(kCourierDoContact, copy)) notice.Release();
  return 0;
}

// One batch of a load: the pane's list is emptied first when the batch belongs to another
// load than the one it shows.
void OnBatch(const CommandRecord& copy, OwnedNotice& notice) {
  if (!PaneCanKeep(copy.window)) return;
  SyncListTask(kListCommands, copy, notice->taskId);
  ContactList* batch = notice.Item<ContactList>();
  if (batch == nullptr) return;
  CommandRecord add = copy;
  add.payload = batch;
  // Any other code would make the pane read the vector as one contact, or drop it.
  if (add.code != kAddContactAppend && add.code != kAddContactInsertTop) add.code = kAddContactAppend;
  Bus().Send(kRolodexAddContact, &add);
  batch->clear();  // the records are the pane's; the vector goes with the notice
}

// A contact new on the phone: counted, and listed where `code` puts it.
void ListNewContact(const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device, int64_t code) {
  IncrementCount(device.counts[kKindContacts]);
  SendCount(copy.window, {kSectionContacts}, device.counts[kKindContacts]);
  if (!PaneCanKeep(copy.window)) return;
  ContactList added = {notice.Item<ContactRecord>()};
  CommandRecord add = copy;
  add.code = code;
  add.payload = &added;
  Bus().Send(kRolodexAddContact, &add);
  notice.TakeItem();
}

void OnSaved(const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  const int64_t what = copy.value;
  if (what != kSavedNewContact && what != kSavedEditedContact) return;
  ContactRecord* saved = notice.Item<ContactRecord>();
  const bool succeeded = notice->status == kNotificationSuccess && saved != nullptr;
  auto pending = PendingSaves().find(notice->taskId);
  const bool asked = pending != PendingSaves().end();
  const int64_t token = asked ? pending->second : 0;
  if (asked) PendingSaves().erase(pending);
  if (ImportTasks().count(notice->taskId) != 0) {
    // One contact of an import, listed after the others.
    if (succeeded && what == kSavedNewContact) ListNewContact(copy, notice, device, kAddContactAppend);
    return;
  }
  if (!succeeded) {
    if (asked) TellSaveEnded(copy.window, kSaveFailed, token);
    return;
  }
  if (what == kSavedNewContact) {
    ListNewContact(copy, notice, device, kAddContactInsertTop);
  } else {
    // The pane copies the texts into its own contact's row; the report goes with the notice.
    CommandRecord replace = copy;
    replace.code = kAddContactReplace;
    replace.payload = saved;
    Bus().Send(kRolodexAddContact, &replace);
  }
  if (asked) TellSaveEnded(copy.window, kSaveSucceeded, token);
}

void OnDeleted(const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  DecrementCount(device.counts[kKindContacts]);
  SendCount(copy.window, {kSectionContacts}, device.counts[kKindContacts]);
  ContactRecord* gone = notice.Item<ContactRecord>();
  if (gone == nullptr) return;
  CommandRecord remove = copy;
  remove.payload = gone;
  Bus().Send(kRolodexDeleteContact, &remove);
  OwnedPtrVector<ContactRecord>& own = device.contacts;
  auto match = std::find_if(own.begin(), own.end(),
                            [&](const ContactRecord* c) { return c != nullptr && c->identifier == gone->identifier; });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
}

// Groups, type labels and accounts: the device record keeps the list of the latest task,
// and the pane gets the device record's list.
template <class T>
void OnSideList(const CommandRecord& copy, OwnedNotice& notice, int64_t& taskId, OwnedPtrVector<T>& list,
                const char* command) {
  auto* items = notice.Item<std::vector<T*>>();
  if (items == nullptr) return;
  if (notice->taskId != taskId) taskId = notice->taskId;
  // The pane points into the old list until the command below hands it the new one; nothing
  // draws in between.
  list.DeleteAll();
  list.insert(list.end(), items->begin(), items->end());
  items->clear();
  CommandRecord add = copy;
  add.payload = static_cast<std::vector<T*>*>(&list);
  Bus().Send(command, &add);
}

}  // namespace

void RouteContactNotice(CommandRecord* copy) {
  if (copy == nullptr) return;
  OwnedNotice notice(static_cast<NotificationPayload*>(copy->payload), DisposeContactItem);
  if (!notice || notice->device == nullptr) return;
  DeviceRecord& device = *notice->device;
  switch (notice->kind) {
    case kContactNoticeBatch:
      OnBatch(*copy, notice);
      break;
    case kContactNoticeSaved:
      OnSaved(*copy, notice, device);
      break;
    case kContactNoticeDeleted:
      OnDeleted(*copy, notice, device);
      break;
    case kContactNoticeGroups:
      OnSideList(*copy, notice, device.groupsTaskId, device.groups, kRolodexAddGroups);
      break;
    case kContactNoticeTypeLabels:
      OnSideList(*copy, notice, device.typeLabelsTaskId, device.typeLabels, kRolodexAddTypelabels);
      break;
    case kContactNoticeAccounts:
      OnSideList(*copy, notice, device.accountsTaskId, device.accounts, kRolodexAddAcconts);
      break;
    case kContactNoticeMessage:
      if (const UserNotice* message = notice.Item<UserNotice>()) ShowSheetNotice(message->text, message->folder);
      break;
    default:
      break;
  }
}

void FillContactsHandlers(CommandBus& bus) {
  bus.SetHandler(kRolodexDoContact, OnContactRequest);
  bus.SetHandler(kCourierDoContact, OnContactNotice);
}
