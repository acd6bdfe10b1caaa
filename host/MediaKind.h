// One media kind of the host's table-driven media controller: its commands, codes and texts, the
// functions that know its records, and the hooks through which a kind adds what only it does
// (the music playlists, the apps' installs). The shared flow lives in MediaController.cpp.
#pragma once

#include <cstdint>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"

struct MediaKind;

// What a kind does beyond the shared requests 1 to 5 and the shared notices. Each may be null.
struct MediaHooks {
  // A request code the shared ones do not know; true when the kind served it. The hook owns
  // the request's lists from then on.
  bool (*request)(const MediaKind& kind, CommandRecord& incoming, const ContentRequest& request);
  // A notice on the UI thread, before the shared handling; true when the kind handled it.
  bool (*notice)(const MediaKind& kind, const CommandRecord& copy, OwnedNotice& notice, DeviceRecord& device);
  // A deleted item, before the pane hears of it.
  void (*beforeDelete)(const MediaKind& kind, const CommandRecord& copy, DeviceRecord& device, const void* item);
};

// A notice kind passed on to the pane as its DO command with `paneCode`, `payload` = the item.
struct MediaRelay {
  uint32_t noticeKind;
  int64_t paneCode;
};

struct MediaKind {
  int32_t itemKind;
  const char* requestCommand;  // posted by the pane
  const char* noticeCommand;   // the device service's DO_<kind>, also its operations
  ListTaskCommands listCommands;
  const char* addCommand;
  const char* deleteCommand;
  const char* paneCommand;              // the pane's DO_<kind>
  std::vector<int32_t> navigatorItems;  // every count change goes to each, in order
  int64_t loadOp;
  int64_t deleteOp;
  int64_t addOp;
  uint32_t countKind;
  uint32_t lastPostedKind;  // the notices from the load kind up to this one go to the UI thread
  const char* exportKey;
  const wchar_t* loadingText;
  const wchar_t* openTitle;
  std::vector<FileFilter> filters;
  const wchar_t* question;
  bool plural;
  OwnedNotice::ItemDisposer disposeItem;                       // of the notices' items and batch vectors
  void (*freeCheckedList)(void* list);                         // a delete request's list (the records stay the pane's)
  void (*forgetItem)(DeviceRecord& device, const void* item);  // off the device record's list
  void (*clearBatch)(void* batch);                             // a batch vector whose items went to the pane
  // Sends `command` with `record`'s payload a one-item vector of `item`, of the kind's type.
  void (*sendAsList)(const char* command, CommandRecord& record, void* item);
  std::vector<MediaRelay> relays;
  MediaHooks hooks;
  // Pictures for the rows a pane shows: its request code, the service's operation (and notice
  // kind), and the pane code that hands them over; 0 for kinds without.
  int64_t thumbnailRequest;
  int64_t thumbnailOp;
  int64_t paneThumbnailCode;
  // Apps: a notice whose record `code` is not 0 carries one record, which this destroys; the
  // vector a notice record may carry in `data`; the add's `value` set by the request's sub-kind.
  OwnedNotice::ItemDisposer disposeSingle;
  void (*freeNoticeData)(void* data);
  bool addValueBySubKind;
};

// The disposer of the item of a notice sent with `record`.
inline OwnedNotice::ItemDisposer DisposerOf(const MediaKind& kind, const CommandRecord& record) {
  return kind.disposeSingle != nullptr && record.code != 0 ? kind.disposeSingle : kind.disposeItem;
}

// Whether the pane of `kind` is there to take items for the phone of `deviceView`.
bool MediaPaneCanKeep(const MediaKind& kind, HWND deviceView);
