// The `code` and `value` numbers that more than one deliverable of this system reads: requests
// the panes post to the host, the host's answers to the panes, the device service's operation
// codes and notification kinds for contacts, messages and the media kinds, and the notices of the device pane.
#pragma once

#include <cstdint>

#include "contracts/Sections.h"

// LIBROLODEX_COMMAND_DO_CONTACT posted by the contacts pane (`code`).
constexpr int64_t kContactRequestSave = 0;  // `data` = the contact record
constexpr int64_t kContactRequestLoad = 1;
constexpr int64_t kContactRequestExport = 2;  // `value` = kContactExport...
constexpr int64_t kContactRequestImport = 3;  // `value` = kContactImport...
constexpr int64_t kContactRequestDelete = 4;
constexpr int64_t kContactRequestNone = 5;
constexpr int64_t kContactRequestNothingChecked = 6;

constexpr int64_t kContactExportHtml = 1;
constexpr int64_t kContactExportVcf = 2;
constexpr int64_t kContactExportBackup = 3;
constexpr int64_t kContactImportVcard = 1;
constexpr int64_t kContactImportBackup = 2;

// LIBROLODEX_COMMAND_DO_CONTACT sent by the host to the pane (`code`).
constexpr int64_t kContactPaneSaveEnded = 0;      // `value` 0 saved, 1 failed
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
constexpr int64_t kSmsRequestDelete = 5;  // `data` = ConversationList
constexpr int64_t kSmsRequestGiveRoleBack = 6;
constexpr int64_t kSmsRequestSend = 10;  // `data` = OutgoingMessage
constexpr int64_t kSmsRequestOperation34 = 13;
constexpr int64_t kSmsRequestOpen = 14;

// Device-service operations (`code` of LIBCOURIER_COMMAND_DO_SMS) and the kinds of its
// notifications; most share one number.
constexpr int64_t kSmsOpLoadList = 13;
constexpr int64_t kSmsOpLoadConversation = 14;
constexpr int64_t kSmsOpExportFirst = 15;  // export sub-kind + 14
constexpr int64_t kSmsOpExportLast = 23;
constexpr int64_t kSmsOpGiveRoleBack = 24;
constexpr int64_t kSmsOpAskDefault = 25;  // `value` = the pending operation
constexpr int64_t kSmsOpShowPopUp = 26;   // `value` = the pending operation
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
constexpr uint32_t kSmsNoticeDeleted = 28;  // item: the deleted MessageRecord
constexpr uint32_t kSmsNoticeDeleteEnded = 29;
constexpr uint32_t kSmsNoticeImported = 30;
constexpr uint32_t kSmsNoticeImportEnded = 31;
constexpr uint32_t kSmsNoticeSent = 33;  // item: the stored MessageRecord
constexpr uint32_t kSmsNoticeOperation34 = 34;
constexpr uint32_t kSmsNoticeContactsLoaded = 35;

// Requests every media pane posts (`code`): photos, apps, books, music and videos.
constexpr int64_t kMediaRequestLoad = 1;
constexpr int64_t kMediaRequestExport = 2;  // `data` = ExportList, `count` its size
constexpr int64_t kMediaRequestAddChosen = 3;
constexpr int64_t kMediaRequestAddFiles = 4;  // `data` = PathList, `count` its size
constexpr int64_t kMediaRequestDelete = 5;    // `data` = the kind's checked list

// LIBGALLERY_COMMAND_DO_PHOTO posted by the photo pane (`code`).
constexpr int64_t kPhotoRequestLoad = 1;
constexpr int64_t kPhotoRequestExport = 2;  // `data` = ExportList
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
// Exports of every kind but contacts and messages go out as LIBCOURIER_COMMAND_DO_FILE:
// `value` the item kind, `data` an ExportList (the service takes it and its records over),
// `payload` the folder.
constexpr int64_t kFileOpExport = 44;

// LIBPACKAGES/LIBREADER/LIBTUNES/LIBMOVIES_COMMAND_ADD_<item> (`code`), as for photos.
constexpr int64_t kAddMediaAppend = 0;
constexpr int64_t kAddMediaInsertTop = 1;

// Device-service operations and notification kinds of the other media kinds
// (LIBCOURIER_COMMAND_DO_APP, _DO_EBOOK, _DO_MUSIC, _DO_VIDEO). An operation's notices carry its
// code as their kind; the count kind reports a changed count.
constexpr uint32_t kAppNoticeCount = 36;
constexpr int64_t kAppOpLoad = 37;
constexpr int64_t kAppOpAdd = 38;     // install
constexpr int64_t kAppOpDelete = 39;  // uninstall
// Apps differ: a notice of kinds 37 and 38 with record `code` 0 carries a batch (`value` 0: on
// top, else appended; an install's `data` the apps just installed), any other code one app to
// refresh. An install carries `value` 0 when the pane's request had this sub-kind, else 1.
constexpr int64_t kAppInstallChosenSubKind = 1;
// LIBPACKAGES_COMMAND_ADD_APP besides append and insert at top: mark the apps of the vector as
// just installed; refresh one app from the device's record in `payload`.
constexpr int64_t kAddAppInstalled = 2;
constexpr int64_t kAddAppUpdate = 3;
constexpr uint32_t kBookNoticeCount = 40;
constexpr int64_t kBookOpLoad = 41;
constexpr int64_t kBookOpDelete = 42;
constexpr int64_t kBookOpAdd = 43;
constexpr uint32_t kMusicNoticeCount = 45;
constexpr int64_t kMusicOpLoad = 46;  // songs (batches of MediaFileList), then kMusicNoticePlaylists
constexpr int64_t kMusicOpDelete = 48;
constexpr int64_t kMusicOpAdd = 49;
constexpr uint32_t kVideoNoticeCount = 56;
constexpr int64_t kVideoOpLoad = 57;
constexpr int64_t kVideoOpDelete = 58;
constexpr int64_t kVideoOpAdd = 59;
// An add or delete of videos has ended (no item): the pane lays its list out again.
constexpr uint32_t kVideoNoticeJobEnded = 60;

// Playlists. The operations take what they need during the call; the records stay the sender's.
// `data` = a PlaylistRecord with the new playlist's name.
constexpr int64_t kMusicOpCreatePlaylist = 50;
// `data` = a PlaylistRecord naming the playlist by identifier: renamed to its name, or deleted
// when the name is empty (no playlist is ever left without a name).
constexpr int64_t kMusicOpChangePlaylist = 51;
// `data` = a PlaylistList, each playlist's `pendingSongs` the songs to add to it.
constexpr int64_t kMusicOpAddToPlaylists = 54;
// `data` = a MediaFileList, each song's `playlistId` the playlist it leaves.
constexpr int64_t kMusicOpRemoveFromPlaylist = 55;
// Notice kinds of the playlists.
constexpr uint32_t kMusicNoticePlaylists = 47;  // item: PlaylistList of a load, the records pass on
constexpr uint32_t kMusicNoticeCreated = 50;    // item: the new PlaylistRecord
constexpr uint32_t kMusicNoticeRenamed = 51;    // item: the PlaylistRecord with its new name
constexpr uint32_t kMusicNoticeRefused = 52;    // item: the PlaylistRecord as it stays
constexpr uint32_t kMusicNoticeDeleted = 53;    // item: the deleted PlaylistRecord
constexpr uint32_t kMusicNoticeJoined = 54;     // item: a MediaFileRecord song, `playlistId` set
constexpr uint32_t kMusicNoticeLeft = 55;       // item: a MediaFileRecord song, `playlistId` set

// LIBTUNES_COMMAND_DO_MUSIC posted by the music pane (`code`), beside the media requests 1 to 5.
constexpr int64_t kMusicRequestAddToPlaylists = 6;      // `data` = MediaFileList of checked songs
constexpr int64_t kMusicRequestRemoveFromPlaylist = 7;  // `data` = MediaFileList, `playlistId` set
constexpr int64_t kMusicRequestCreatePlaylist = 10;     // `data` = PlaylistRecord (the pane's)
constexpr int64_t kMusicRequestChangePlaylist = 11;     // `data` = PlaylistRecord (the pane's)
// LIBTUNES_COMMAND_DO_MUSIC sent by the host (`code`, `payload`); the records stay the host's
// unless said otherwise.
constexpr int64_t kMusicPaneJoined = 6;     // a song, its `playlist` the playlist it joined
constexpr int64_t kMusicPaneLeft = 7;       // a song, its `playlist` the playlist it left
constexpr int64_t kMusicPanePlaylists = 9;  // a PlaylistList; the records become the pane's
constexpr int64_t kMusicPaneCreated = 10;   // a PlaylistRecord
constexpr int64_t kMusicPaneRenamed = 11;   // a PlaylistRecord
constexpr int64_t kMusicPaneRefused = 12;   // a PlaylistRecord as it stays
constexpr int64_t kMusicPaneDeleted = 13;   // a PlaylistRecord
// LIBMOVIES_COMMAND_DO_VIDEO sent by the host (`code`).
constexpr int64_t kVideoPaneJobEnded = 6;

// The `code` of LIBCOURIER_COMMAND_DO_<kind> that loads a section's list; -1 for "Home".
inline int64_t LoadCodeOfSection(int32_t sectionId) {
  switch (sectionId) {
    case kSectionApps:
    case kSectionUserApps:
      return kAppOpLoad;
    case kSectionContacts:
      return kContactOpLoad;
    case kSectionSms:
      return 13;
    case kSectionMusic:
      return kMusicOpLoad;
    case kSectionPhotos:
    case kSectionPhoneGallery:
      return kPhotoOpLoad;
    case kSectionVideos:
      return kVideoOpLoad;
    case kSectionBooks:
      return kBookOpLoad;
    default:
      return -1;
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
constexpr int64_t kProgressOfDevice = 0;  // the device named by `text`
constexpr int64_t kProgressOfTaskPane = 1;
