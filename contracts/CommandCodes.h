// The `code` and `value` numbers that more than one deliverable of this system reads: requests
// the panes post to the host, the host's answers to the panes, the device service's operation
// codes and notification kinds for contacts and photos, and the notices of the device pane.
#pragma once

#include <cstdint>

#include "contracts/Sections.h"

// LIBROLODEX_COMMAND_DO_CONTACT posted by the contacts pane (`code`).
constexpr int64_t kContactRequestSave = 0;            // `data` = the contact record
constexpr int64_t kContactRequestLoad = 1;
constexpr int64_t kContactRequestExport = 2;          // `value` = kContactExport...
constexpr int64_t kContactRequestImport = 3;          // `value` = kContactImport...
constexpr int64_t kContactRequestDelete = 4;
constexpr int64_t kContactRequestNone = 5;
constexpr int64_t kContactRequestNothingChecked = 6;

constexpr int64_t kContactExportHtml = 1;
constexpr int64_t kContactExportVcf = 2;
constexpr int64_t kContactExportBackup = 3;
constexpr int64_t kContactImportVcard = 1;
constexpr int64_t kContactImportBackup = 2;

// LIBROLODEX_COMMAND_DO_CONTACT sent by the host to the pane (`code`).
constexpr int64_t kContactPaneSaveEnded = 0;     // `value` 0 saved, 1 failed
constexpr int64_t kContactPaneSelectNumbers = 5;  // result: a PickedContactList in `payload`
constexpr int64_t kSaveSucceeded = 0;
constexpr int64_t kSaveFailed = 1;

// LIBROLODEX_COMMAND_ADD_CONTACT (`code`).
constexpr int64_t kAddContactAppend = 0;     // `payload` = ContactList to append
constexpr int64_t kAddContactInsertTop = 1;  // `payload` = ContactList, newly saved contacts
constexpr int64_t kAddContactReplace = 2;    // `payload` = one ContactRecord

// LIBCOURIER_COMMAND_DO_CONTACT sent by the host (`code`).
constexpr int64_t kContactOpLoad = 1;
constexpr int64_t kContactOpSave = 2;
constexpr int64_t kContactOpDelete = 3;
constexpr int64_t kContactOpExportHtml = 7;  // export sub-kind + 6
constexpr int64_t kContactOpExportVcf = 8;
constexpr int64_t kContactOpExportBackup = 9;
constexpr int64_t kContactOpImportVcard = 10;
constexpr int64_t kContactOpImportBackup = 11;

// NotificationPayload::kind of LIBCOURIER_COMMAND_DO_CONTACT notifications.
constexpr uint32_t kContactNoticeCount = 0;
constexpr uint32_t kContactNoticeBatch = 1;       // item: ContactList
constexpr uint32_t kContactNoticeSaved = 2;       // item: the saved ContactRecord
constexpr uint32_t kContactNoticeDeleted = 3;     // item: the deleted ContactRecord
constexpr uint32_t kContactNoticeGroups = 4;      // item: GroupList
constexpr uint32_t kContactNoticeTypeLabels = 5;  // item: TypeLabelList
constexpr uint32_t kContactNoticeAccounts = 6;    // item: AccountList
constexpr uint32_t kContactNoticeMessage = 7;     // item: UserNotice
// `value` of a save result.
constexpr int64_t kSavedNewContact = 0;
constexpr int64_t kSavedEditedContact = 2;

// LIBTEXTS_COMMAND_DO_SMS posted by the messages pane (`code`).
constexpr int64_t kSmsRequestLoadList = 1;
constexpr int64_t kSmsRequestLoadConversation = 2;  // `data` = the ConversationRecord
constexpr int64_t kSmsRequestExport = 3;            // `value` = kSmsExport..., `data` = ConversationList
constexpr int64_t kSmsRequestImport = 4;
constexpr int64_t kSmsRequestDelete = 5;            // `data` = ConversationList
constexpr int64_t kSmsRequestGiveRoleBack = 6;
constexpr int64_t kSmsRequestSend = 10;             // `data` = OutgoingMessage
constexpr int64_t kSmsRequestOperation34 = 13;
constexpr int64_t kSmsRequestOpen = 14;

// Device-service operations (`code` of LIBCOURIER_COMMAND_DO_SMS) and the kinds of its
// notifications; most share one number.
constexpr int64_t kSmsOpLoadList = 13;
constexpr int64_t kSmsOpLoadConversation = 14;
constexpr int64_t kSmsOpExportFirst = 15;  // export sub-kind + 14
constexpr int64_t kSmsOpExportLast = 23;
constexpr int64_t kSmsOpGiveRoleBack = 24;
constexpr int64_t kSmsOpAskDefault = 25;   // `value` = the pending operation
constexpr int64_t kSmsOpShowPopUp = 26;    // `value` = the pending operation
constexpr int64_t kSmsOpDelete = 28;
constexpr int64_t kSmsOpImport = 30;
constexpr int64_t kSmsOpSend = 32;
constexpr int64_t kSmsOpOperation34 = 34;
constexpr int64_t kSmsOpLoadContacts = 35;

constexpr uint32_t kSmsNoticeCount = 12;
constexpr uint32_t kSmsNoticeBatch = 13;         // item: ConversationList, the records pass on
constexpr uint32_t kSmsNoticeConversation = 14;  // item: MessageList of one conversation
constexpr uint32_t kSmsNoticeDefaultAnswer = 25;
constexpr uint32_t kSmsNoticePopUpShown = 26;
constexpr uint32_t kSmsNoticeDeleted = 28;       // item: the deleted MessageRecord
constexpr uint32_t kSmsNoticeDeleteEnded = 29;
constexpr uint32_t kSmsNoticeImported = 30;
constexpr uint32_t kSmsNoticeImportEnded = 31;
constexpr uint32_t kSmsNoticeSent = 33;          // item: the stored MessageRecord
constexpr uint32_t kSmsNoticeOperation34 = 34;
constexpr uint32_t kSmsNoticeContactsLoaded = 35;

// Requests every media pane posts (`code`): photos, apps, books, music and videos.
constexpr int64_t kMediaRequestLoad = 1;
constexpr int64_t kMediaRequestExport = 2;    // `data` = ExportList, `count` its size
constexpr int64_t kMediaRequestAddChosen = 3;
constexpr int64_t kMediaRequestAddFiles = 4;  // `data` = PathList, `count` its size
constexpr int64_t kMediaRequestDelete = 5;    // `data` = the kind's checked list

// LIBGALLERY_COMMAND_DO_PHOTO posted by the photo pane (`code`).
constexpr int64_t kPhotoRequestLoad = 1;
constexpr int64_t kPhotoRequestExport = 2;    // `data` = ExportList
constexpr int64_t kPhotoRequestAddChosen = 3;
constexpr int64_t kPhotoRequestAddFiles = 4;  // `data` = PathList
constexpr int64_t kPhotoRequestDelete = 5;    // `data` = PhotoList
// Pictures for the rows shown: `data` = PathList of photo identifiers; no dialog.
constexpr int64_t kPhotoRequestThumbnails = 6;
// LIBGALLERY_COMMAND_DO_PHOTO sent by the host: the end of an operation, for the observers.
constexpr int64_t kPhotoPaneOperationEnded = 0;
// ... and pictures for its rows: `payload` = ThumbnailList, which stays the host's.
constexpr int64_t kPhotoPaneThumbnails = 6;

// LIBGALLERY_COMMAND_ADD_PHOTO (`code`).
constexpr int64_t kAddPhotoAppend = 0;
constexpr int64_t kAddPhotoInsertTop = 1;

// Device-service operations and notification kinds for photos (LIBCOURIER_COMMAND_DO_PHOTO).
constexpr int64_t kPhotoOpLoad = 62;
constexpr int64_t kPhotoOpAdd = 64;
constexpr int64_t kPhotoOpDelete = 63;
constexpr uint32_t kPhotoNoticeCount = 61;
// Thumbnails of the photos named in `data` (a PathList of identifiers, taken over); the notice
// of the same kind carries a ThumbnailList.
constexpr int64_t kPhotoOpThumbnails = 65;
// Device-service operations and notification kinds for apps (LIBCOURIER_COMMAND_DO_APP).
constexpr int64_t kAppOpLoad = 37;       // notice `code` 0: a batch (MediaList); else one updated app
constexpr int64_t kAppOpInstall = 38;    // `data` = PathList; `value` 0 for the pane's sub-kind 1,
                                         // else 1; notice as 37, with `data` the installed apps
constexpr int64_t kAppOpUninstall = 39;  // `data` = MediaList; notice item: the uninstalled app
constexpr uint32_t kAppNoticeCount = 36;
// The request's sub-kind (`value`) that makes an install carry `value` 0.
constexpr int64_t kAppInstallChosenSubKind = 1;
// LIBPACKAGES_COMMAND_ADD_APP (`code`): append a batch, put new apps on top, mark the apps of the
// vector just installed, refresh one app from the device's record in `payload`.
constexpr int64_t kAddAppAppend = 0;
constexpr int64_t kAddAppInsertTop = 1;
constexpr int64_t kAddAppInstalled = 2;
constexpr int64_t kAddAppUpdate = 3;

// Device-service operations and notification kinds for books (LIBCOURIER_COMMAND_DO_EBOOK).
constexpr int64_t kBookOpLoad = 41;    // notice item: a MediaList batch
constexpr int64_t kBookOpDelete = 42;  // `data` = MediaList; notice item: the deleted book
constexpr int64_t kBookOpAdd = 43;     // `data` = PathList; notice item: the added book
constexpr uint32_t kBookNoticeCount = 40;

// Exports of every kind but contacts and messages go out as LIBCOURIER_COMMAND_DO_FILE:
// `value` the item kind, `data` an ExportList (the service takes it and its records over),
// `payload` the folder.
constexpr int64_t kFileOpExport = 44;

// The `code` of LIBCOURIER_COMMAND_DO_<kind> that loads a section's list; -1 for "Home".
inline int64_t LoadCodeOfSection(int32_t sectionId) {
  switch (sectionId) {
    case kSectionApps:
    case kSectionUserApps: return kAppOpLoad;
    case kSectionContacts: return kContactOpLoad;
    case kSectionSms: return 13;
    case kSectionMusic: return 46;
    case kSectionPhotos:
    case kSectionPhoneGallery: return kPhotoOpLoad;
    case kSectionVideos: return 57;
    case kSectionBooks: return kBookOpLoad;
    default: return -1;
  }
}

// `value` of LIBHANDSET_COMMAND_UPDATE_DEVICE_INFO and LIBHANDSET_COMMAND_SWITCH_CONNECT.
constexpr int64_t kDeviceNoticeName = 0;     // the phone's name changed
constexpr int64_t kDeviceNoticeStatus = 1;   // connection status in the low 32 bits of `entries`
constexpr int64_t kDeviceNoticeBind = 2;     // a phone arrived
constexpr int64_t kDeviceNoticeStatus2 = 3;  // handled as kDeviceNoticeStatus

// `value` of LIBCAPTION_COMMAND_CHANGE_TYPE: the category tab chosen.
constexpr int64_t kCategoryDevice = 0;
constexpr int64_t kCategoryToolkit = 1;
constexpr int64_t kCategoryTask = 2;

// `code` of LIBCOURIER_COMMAND_NOTIFY_PROGRESS(_FINISH): whose progress dialog.
constexpr int64_t kProgressOfDevice = 0;    // the device named by `text`
constexpr int64_t kProgressOfTaskPane = 1;
