#include "host/MessagesController.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MessageRecords.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/Alert.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"
#include "host/HostDialogs.h"
#include "host/HostState.h"
#include "host/UiRouter.h"

namespace {

constexpr char kExportFolderKey[] = "sms:export:dir";
const ListTaskCommands kListCommands = {kTextsGetConversationListTaskId, kTextsClearData,
                                        kTextsSetConversationListTaskId};

// LIBTEXTS_COMMAND_DO_SMS sent to the pane (`code`).
constexpr int64_t kPaneConversation = 2;  // one conversation's messages, in the notice payload
constexpr int64_t kPaneReceived = 7;      // a message arrived (`payload`)
constexpr int64_t kPaneReceivedCounted = 8;
constexpr int64_t kPaneReceivedRead = 9;
constexpr int64_t kPaneSent = 11;     // `data` = the sent message
constexpr int64_t kPaneRefresh = 13;  // operation 34 has ended
constexpr int64_t kPaneOpen = 14;     // `payload` = the picked recipients

// Kinds of DO_SMS_RECEIVE_MESSAGE notices.
constexpr uint32_t kReceivedNew = 0;
constexpr uint32_t kReceivedCounted = 1;
constexpr uint32_t kReceivedRead = 2;

constexpr wchar_t kPopUpText[] =
    L"Please confirm the pop-up window on your phone by clicking \"Yes\".\n\nWhy should I do this?\nWith Android 4.4 "
    L"KITKAT came a new feature -- system-wide SMS handling.\nNow any app that wants to restore, import or delete SMS "
    L"must be set as the default SMS app.\n";
constexpr wchar_t kRoleBackText[] =
    L"Please confirm the pop-up window on your phone by clicking \"Yes\" to set the default SMS app back.";

CommandBus& Bus() { return CommandBus::Instance(); }

bool NeedsSmsRole(const DeviceRecord& device) {
  return BASUtilityString::CompareVersion(device.androidVersion.c_str(), L"4.4") >= 0;
}

void DisposeMessageItem(uint32_t kind, void* item) {
  switch (kind) {
    case kSmsNoticeBatch:
      DeleteList(static_cast<ConversationList*>(item));
      break;
    case kSmsNoticeConversation:
      DeleteList(static_cast<MessageList*>(item));
      break;
    case kSmsNoticeDeleted:
    case kSmsNoticeSent:
      delete static_cast<MessageRecord*>(item);
      break;
    default:
      break;  // not a kind whose item we could name
  }
}

void DisposeReceivedItem(uint32_t kind, void* item) {
  if (kind <= kReceivedRead) delete static_cast<MessageRecord*>(item);
}

// The list a pending operation carries through the handshake.
void DeletePending(int64_t operation, void* data) {
  if (operation == kSmsOpDelete)
    delete static_cast<ConversationList*>(data);
  else if (operation == kSmsOpImport)
    delete static_cast<PathList*>(data);
}

int64_t EntriesOf(int64_t operation, void* data) {
  if (data == nullptr) return 0;
  if (operation == kSmsOpDelete) return static_cast<int64_t>(static_cast<ConversationList*>(data)->size());
  if (operation == kSmsOpImport) return static_cast<int64_t>(static_cast<PathList*>(data)->size());
  return 0;
}

// A phone without a known view window has no pane to keep records.
bool PaneCanKeep(HWND deviceView) { return deviceView != nullptr && Bus().IsRegistered(kTextsAddSms); }

std::wstring TitleOf(const CommandRecord& request) { return request.text != nullptr ? request.text : L""; }

// Starts delete (28) or import (30) with its progress: the phone lets this program change its
// messages now, or needs no role.
void RunPending(const ContentRequest& request, int64_t operation, void* data) {
  const bool isDelete = operation == kSmsOpDelete;
  StartProgress(request.progress, ProgressStyle::kClosesByItself, isDelete ? EntriesOf(operation, data) : 0,
                isDelete ? L"Delete Messages" : L"Import Messages");
  CommandRecord run;
  run.code = operation;
  run.data = data;  // the device service takes it over
  SendCancellableOperation(kCourierDoSms, run, request);
}

// Asks the phone whether this program is its default SMS app, `operation` waiting.
void AskDefault(const std::wstring& identifier, int64_t operation, void* data) {
  CommandRecord ask;
  ask.code = kSmsOpAskDefault;
  ask.text = identifier.c_str();
  ask.value = operation;
  ask.data = data;
  Bus().Send(kCourierDoSms, &ask);
}

// Delete and import go through the handshake on phones that need the role.
void StartChange(const ContentRequest& request, int64_t operation, void* data) {
  if (NeedsSmsRole(*request.device))
    AskDefault(request.identifier, operation, data);
  else
    RunPending(request, operation, data);
}

// The contacts pane picks recipients, then the messages pane opens with them.
void OpenWithRecipients(CommandRecord& record) {
  record.code = kContactPaneSelectNumbers;
  record.payload = nullptr;
  Bus().Send(kRolodexDoContact, &record);
  record.code = kPaneOpen;
  if (!Bus().IsRegistered(kTextsDoSms)) {
    delete static_cast<PickedContactList*>(record.payload);
    return;
  }
  Bus().Send(kTextsDoSms, &record);
}

// ---- requests of the pane ----

void RequestLoadConversation(const CommandRecord& incoming, const ContentRequest& request) {
  const auto* conversation = static_cast<const ConversationRecord*>(incoming.data);
  if (conversation == nullptr) return;
  StartProgress(request.progress, ProgressStyle::kClosesByItself, conversation->itemCount, L"Loading Chats");
  CommandRecord load;
  load.code = kSmsOpLoadConversation;
  load.data = incoming.data;
  SendCancellableOperation(kCourierDoSms, load, request);
}

void RequestExport(const CommandRecord& incoming, const ContentRequest& request,
                   std::unique_ptr<ConversationList>& checked) {
  if (incoming.count <= 0 || checked == nullptr) {
    ShowNothingChecked(request.owner);
    return;
  }
  const int64_t operation = incoming.value + kSmsOpExportFirst - 1;
  if (operation < kSmsOpExportFirst || operation > kSmsOpExportLast) return;
  const std::wstring folder = AskExportFolder(request.owner, kExportFolderKey);
  if (folder.empty() || !IsStillConnected(request)) return;
  StartProgress(request.progress, ProgressStyle::kShowsFolder, incoming.count, TitleOf(incoming), folder);
  CommandRecord exportOp;
  exportOp.code = operation;
  exportOp.data = checked.release();
  exportOp.count = incoming.count;
  exportOp.payload = const_cast<wchar_t*>(folder.c_str());
  SendCancellableOperation(kCourierDoSms, exportOp, request);
}

void RequestImport(const ContentRequest& request) {
  OpenFilesQuery query;
  query.owner = request.owner;
  query.title = L"Please select Backup Files.";
  // The third reads what widely used SMS backup apps write.
  query.filters = {
      {L"Backup File(*.bak)", L"*.bak"}, {L"Json File(*.json)", L"*.json"}, {L"SMS Backup XML(*.xml)", L"*.xml"}};
  PathList chosen = PickFiles(query);
  if (chosen.empty() || !IsStillConnected(request)) return;
  StartChange(request, kSmsOpImport, new PathList(std::move(chosen)));
}

void RequestDelete(const CommandRecord& incoming, const ContentRequest& request,
                   std::unique_ptr<ConversationList>& checked) {
  if (incoming.count <= 0 || checked == nullptr) {
    ShowNothingChecked(request.owner);
    return;
  }
  if (!ConfirmForChecked(request.owner, L"Do you really want to delete the checked message", incoming.count)) return;
  if (!IsStillConnected(request)) return;
  StartChange(request, kSmsOpDelete, checked.release());
}

void RequestOperation34(const CommandRecord& incoming, const ContentRequest& request,
                        std::unique_ptr<ConversationList>& checked) {
  StartProgress(request.progress, ProgressStyle::kClosesByItself, incoming.count, TitleOf(incoming));
  CommandRecord run;
  run.code = kSmsOpOperation34;
  run.data = checked.release();
  run.count = incoming.count;
  SendCancellableOperation(kCourierDoSms, run, request);
}

void RequestOpen(const ContentRequest& request) {
  if (request.device->loaded[kKindContacts].load() != 0) {
    CommandRecord open;
    open.window = request.deviceView;
    OpenWithRecipients(open);
    return;
  }
  StartProgress(request.progress, ProgressStyle::kClosesByItself,
                ToNavigatorCount(request.device->counts[kKindContacts].load()), L"Loading Contacts");
  CommandRecord load;
  load.code = kSmsOpLoadContacts;
  SendCancellableOperation(kCourierDoSms, load, request);
}

int32_t OnMessageRequest(CommandRecord* incoming) {
  const int64_t code = incoming->code;
  // Checked lists are the host's now: they go on with the operation or are deleted here (their
  // records stay the pane's). An outgoing message likewise.
  std::unique_ptr<ConversationList> checked;
  std::unique_ptr<OutgoingMessage> outgoing;
  if (code == kSmsRequestExport || code == kSmsRequestDelete || code == kSmsRequestOperation34)
    checked.reset(static_cast<ConversationList*>(incoming->data));
  else if (code == kSmsRequestSend)
    outgoing.reset(static_cast<OutgoingMessage*>(incoming->data));

  ContentRequest request;
  if (!ResolveContentRequest(incoming->window, request)) return 0;
  switch (code) {
    case kSmsRequestLoadList: {
      StartProgress(request.progress, ProgressStyle::kClosesByItself,
                    ToNavigatorCount(request.device->counts[kKindMessages].load()), L"Loading Messages");
      CommandRecord load;
      load.code = kSmsOpLoadList;
      SendCancellableOperation(kCourierDoSms, load, request);
      break;
    }
    case kSmsRequestLoadConversation:
      RequestLoadConversation(*incoming, request);
      break;
    case kSmsRequestExport:
      RequestExport(*incoming, request, checked);
      break;
    case kSmsRequestImport:
      RequestImport(request);
      break;
    case kSmsRequestDelete:
      RequestDelete(*incoming, request, checked);
      break;
    case kSmsRequestGiveRoleBack:
      if (NeedsSmsRole(*request.device)) {
        CommandRecord back;
        back.code = kSmsOpGiveRoleBack;
        back.text = request.identifier.c_str();
        Bus().Send(kCourierDoSms, &back);
      }
      break;
    case kSmsRequestSend: {
      CommandRecord send;
      send.code = kSmsOpSend;
      send.text = request.identifier.c_str();
      send.data = outgoing.release();
      Bus().Send(kCourierDoSms, &send);
      break;
    }
    case kSmsRequestOperation34:
      RequestOperation34(*incoming, request, checked);
      break;
    case kSmsRequestOpen:
      RequestOpen(request);
      break;
    default:
      break;
  }
  return 0;
}

// ---- notices of the device service ----

// Any thread: counts go to the navigator at once, and a "not the default yet" answer makes
// the phone show its pop-up at once; everything else is finished on the UI thread.
int32_t OnMessageNotice(CommandRecord* incoming) {
  OwnedNotice notice(static_cast<NotificationPayload*>(incoming->payload), DisposeMessageItem);
  if (!notice) return 0;
  DeviceRecord* device = notice->device;
  HWND deviceView = device != nullptr ? Host().devices.WindowOfIdentifier(device->identifier) : nullptr;
  switch (notice->kind) {
    case kSmsNoticeCount:
      if (device != nullptr) SendCount(deviceView, {kSectionSms}, device->counts[kKindMessages]);
      return 0;
    case kSmsNoticeDefaultAnswer:
      if (incoming->code != kSmsOpDelete && incoming->code != kSmsOpImport) return 0;
      if (incoming->value == 0) {
        if (device == nullptr) {
          DeletePending(incoming->code, incoming->data);
          return 0;
        }
        CommandRecord popUp;
        popUp.code = kSmsOpShowPopUp;
        popUp.text = device->identifier.c_str();
        popUp.value = incoming->code;
        popUp.data = incoming->data;
        Bus().Send(kCourierDoSms, &popUp);
        return 0;
      }
      break;
    case kSmsNoticeSent:
      if (const auto* sent = notice.Item<MessageRecord>()) {
        char* utf8 = BASUtilityString::ConvertUnicodeToUtf8(sent->identifier.c_str());
        std::printf("cc: %s\n", utf8 != nullptr ? utf8 : "");
        std::free(utf8);
      }
      break;
    case kSmsNoticeBatch:
    case kSmsNoticeConversation:
    case kSmsNoticePopUpShown:
    case kSmsNoticeDeleted:
    case kSmsNoticeDeleteEnded:
    case kSmsNoticeImported:
    case kSmsNoticeImportEnded:
    case kSmsNoticeOperation34:
    case kSmsNoticeContactsLoaded:
      break;
    default:
      return 0;
  }
  CommandRecord copy = *incoming;
  copy.window = deviceView;
  copy.text = nullptr;  // the sender's text lives only as long as this call
  if (PostRecordToRouter(kCourierDoSms, copy)) notice.Release();
  return 0;
}

int32_t OnReceivedNotice(CommandRecord* incoming) {
  OwnedNotice notice(static_cast<NotificationPayload*>(incoming->payload), DisposeReceivedItem);
  if (!notice || notice->kind > kReceivedRead) return 0;
  DeviceRecord* device = notice->device;
  CommandRecord copy = *incoming;
  copy.window = device != nullptr ? Host().devices.WindowOfIdentifier(device->identifier) : nullptr;
  copy.text = nullptr;
  if (PostRecordToRouter(kCourierDoSmsReceiveMessage, copy)) notice.Release();
  return 0;
}

// The request's view of a phone that a notice is about, for the operations started from it.
bool RequestOfNotice(const CommandRecord& copy, DeviceRecord& device, ContentRequest& request) {
  request.deviceView = copy.window;
  request.identifier = device.identifier;
  request.device = &device;
  request.owner = Host().Window(kWindowMainView);
  request.progress = copy.window != nullptr ? ProgressDialogOf(copy.window) : nullptr;
  return copy.window != nullptr;
}

void OnBatch(const CommandRecord& copy, OwnedNotice& notice) {
  if (!PaneCanKeep(copy.window)) return;
  SyncListTask(kListCommands, copy, notice->taskId);
  ConversationList* batch = notice.Item<ConversationList>();
  if (batch == nullptr) return;
  CommandRecord add = copy;
  add.payload = batch;
  Bus().Send(kTextsAddSms, &add);
  batch->clear();  // the records are the pane's; the vector goes with the notice
}

void OnConversation(const CommandRecord& copy, OwnedNotice& notice) {
  if (!PaneCanKeep(copy.window)) return;
  CommandRecord show = copy;
  show.code = kPaneConversation;
  Bus().Send(kTextsDoSms, &show);
  if (MessageList* messages = notice.Item<MessageList>()) messages->clear();
}

void OnDefaultNow(const CommandRecord& copy, DeviceRecord& device) {
  ContentRequest request;
  if (!RequestOfNotice(copy, device, request)) {
    DeletePending(copy.code, copy.data);
    return;
  }
  RunPending(request, copy.code, copy.data);
}

void OnPopUpShown(const CommandRecord& copy, DeviceRecord& device) {
  const int64_t operation = copy.code;
  if (operation != kSmsOpDelete && operation != kSmsOpImport) return;
  ContentRequest request;
  // Declined, or the phone left while the alert was up: the waiting list goes nowhere.
  if (!RequestOfNotice(copy, device, request) || !ShowConfirm(request.owner, kPopUpText, 540, 200) ||
      !IsStillConnected(request)) {
    DeletePending(operation, copy.data);
    return;
  }
  AskDefault(device.identifier, operation, copy.data);
}

void OnDeleted(const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device) {
  DecrementCount(device.counts[kKindMessages]);
  SendCount(copy.window, {kSectionSms}, device.counts[kKindMessages]);
  MessageRecord* gone = notice.Item<MessageRecord>();
  if (gone == nullptr) return;
  CommandRecord remove = copy;
  remove.payload = gone;
  Bus().Send(kTextsDeleteSms, &remove);
  OwnedPtrVector<MediaRecord>& own = device.messages;
  auto match = std::find_if(own.begin(), own.end(),
                            [&](const MediaRecord* m) { return m != nullptr && m->identifier == gone->identifier; });
  if (match != own.end()) own.DeleteAt(static_cast<size_t>(match - own.begin()));
}

void OnChangeEnded(DeviceRecord& device) {
  if (!NeedsSmsRole(device)) return;
  CommandRecord back;
  back.code = kSmsOpGiveRoleBack;
  back.text = device.identifier.c_str();
  Bus().Send(kCourierDoSms, &back);
  ShowAlert(Host().Window(kWindowMainView), kRoleBackText, 480, 120, L"OK");
}

}  // namespace

void RouteMessageNotice(CommandRecord* copy) {
  if (copy == nullptr) return;
  OwnedNotice notice(static_cast<NotificationPayload*>(copy->payload), DisposeMessageItem);
  if (!notice || notice->device == nullptr) {
    if (notice && (notice->kind == kSmsNoticeDefaultAnswer || notice->kind == kSmsNoticePopUpShown))
      DeletePending(copy->code, copy->data);
    return;
  }
  DeviceRecord& device = *notice->device;
  switch (notice->kind) {
    case kSmsNoticeBatch:
      OnBatch(*copy, notice);
      break;
    case kSmsNoticeConversation:
      OnConversation(*copy, notice);
      break;
    case kSmsNoticeDefaultAnswer:
      if (copy->code == kSmsOpDelete || copy->code == kSmsOpImport) OnDefaultNow(*copy, device);
      break;
    case kSmsNoticePopUpShown:
      OnPopUpShown(*copy, device);
      break;
    case kSmsNoticeDeleted:
      OnDeleted(*copy, notice, device);
      break;
    case kSmsNoticeDeleteEnded:
    case kSmsNoticeImportEnded:
      OnChangeEnded(device);
      break;
    case kSmsNoticeImported:
      std::printf("kCommCommandSmsImportToJson\n");
      break;
    case kSmsNoticeSent: {
      CommandRecord sent = *copy;
      sent.code = kPaneSent;
      sent.data = notice.Item<MessageRecord>();
      sent.payload = nullptr;
      Bus().Send(kTextsDoSms, &sent);
      break;
    }
    case kSmsNoticeOperation34: {
      CommandRecord refresh;
      refresh.window = copy->window;
      refresh.code = kPaneRefresh;
      Bus().Send(kTextsDoSms, &refresh);
      break;
    }
    case kSmsNoticeContactsLoaded: {
      CommandRecord open = *copy;
      open.window = copy->window;
      OpenWithRecipients(open);
      break;
    }
    default:
      break;
  }
}

void RouteReceivedMessage(CommandRecord* copy) {
  if (copy == nullptr) return;
  OwnedNotice notice(static_cast<NotificationPayload*>(copy->payload), DisposeReceivedItem);
  if (!notice || notice->device == nullptr) return;
  CommandRecord tell = *copy;
  tell.payload = notice->item;
  switch (notice->kind) {
    case kReceivedNew:
      tell.code = kPaneReceived;
      break;
    case kReceivedCounted:
      SendCount(copy->window, {kSectionSms}, notice->device->counts[kKindMessages]);
      tell.code = kPaneReceivedCounted;
      break;
    case kReceivedRead:
      tell.code = kPaneReceivedRead;
      break;
    default:
      return;
  }
  Bus().Send(kTextsDoSms, &tell);
}

void FillMessagesHandlers(CommandBus& bus) {
  bus.SetHandler(kTextsDoSms, OnMessageRequest);
  bus.SetHandler(kCourierDoSms, OnMessageNotice);
  bus.SetHandler(kCourierDoSmsReceiveMessage, OnReceivedNotice);
}
