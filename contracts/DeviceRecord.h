// The device service's record of one connected phone, returned in `payload` by
// LIBCOURIER_COMMAND_GET_DEVICE and carried by its notifications. It belongs to the device
// service, which destroys it (and with it every list item it holds); the host and the panes read
// it and change only counts and lists, the lists only on the UI thread.
//
// A device identifier travels as a null-terminated wide string (`const wchar_t*`) wherever a
// command carries one by itself, in `text`, `data`, `payload` or `value`.
#pragma once

#include <atomic>
#include <cstdint>
#include <limits>
#include <string>

#include "contracts/ContactRecords.h"
#include "contracts/MediaRecords.h"
#include "contracts/OwnedPtrVector.h"
#include "contracts/PhotoRecords.h"
#include "contracts/Sections.h"

// Kinds of items a phone holds; indices into the per-kind counts and loaded marks.
constexpr int32_t kKindNone = -1;
constexpr int32_t kKindApps = 0;
constexpr int32_t kKindContacts = 1;
constexpr int32_t kKindMessages = 2;
constexpr int32_t kKindMusic = 3;
constexpr int32_t kKindPhotos = 4;
constexpr int32_t kKindVideos = 5;
constexpr int32_t kKindBooks = 6;
constexpr int32_t kItemKindCount = 7;

// The kind a section lists: "Apps" and "User Apps" share the apps, "Photos" and "Phone Gallery"
// the photos; "Home" and unknown ids list none.
inline int32_t ItemKindOfSection(int32_t sectionId) {
  switch (sectionId) {
    case kSectionApps:
    case kSectionUserApps: return kKindApps;
    case kSectionContacts: return kKindContacts;
    case kSectionSms: return kKindMessages;
    case kSectionMusic: return kKindMusic;
    case kSectionPhotos:
    case kSectionPhoneGallery: return kKindPhotos;
    case kSectionVideos: return kKindVideos;
    case kSectionBooks: return kKindBooks;
    default: return kKindNone;
  }
}

// The summary the device pane's Home section shows (payload of the dashboard's info update).
struct DeviceInfo {
  std::wstring model;
  std::wstring systemVersion;
  std::wstring serialNumber;
  int32_t batteryPercent = -1;  // -1: not known yet
  int32_t charging = 0;         // non-zero while on power
};

// Phone memory or storage card (payload of the dashboard's memory updates).
struct MemoryInfo {
  int64_t totalBytes = 0;
  int64_t freeBytes = 0;
};

// Item counts are 64-bit and change on the device service's threads and on the UI thread at
// once. On i686 a plain 64-bit store can tear, so they are std::atomic (lock-free here, through
// cmpxchg8b); Windows' Interlocked*64 functions would do the same on a bare integer.
typedef std::atomic<uint64_t> ItemCounter;
static_assert(ItemCounter::is_always_lock_free, "counts are read from worker threads");

struct DeviceRecord {
  std::wstring identifier;       // serial number, or the network address of a Wi-Fi phone
  std::wstring displayName;      // display texts, tried in this order (FirstDisplayName)
  std::wstring modelName;
  std::wstring productName;
  std::wstring androidVersion;   // "4.4"; compared with BASUtilityString::CompareVersion
  std::atomic<int32_t> connectionStatus{0};  // last connection status code sent for the phone

  ItemCounter counts[kItemKindCount] = {};   // items on the phone, by kind
  ItemCounter loaded[kItemKindCount] = {};   // items loaded so far; 0: the kind was never loaded
  ItemCounter userApps{0};                    // the apps that did not come with the phone's system

  OwnedPtrVector<ContactRecord> contacts;    // the device's own copies, not the pane's
  int64_t groupsTaskId = 0;                  // task that delivered the groups list
  OwnedPtrVector<GroupRecord> groups;
  int64_t accountsTaskId = 0;
  OwnedPtrVector<AccountRecord> accounts;
  int64_t typeLabelsTaskId = 0;
  OwnedPtrVector<TypeLabelRecord> typeLabels;
  OwnedPtrVector<MediaRecord> messages;
  OwnedPtrVector<MediaRecord> apps;          // guarded by BASLock::GLock(&apps) where shared
  OwnedPtrVector<MediaFileRecord> books;
  OwnedPtrVector<MediaFileRecord> songs;
  OwnedPtrVector<PlaylistRecord> playlists;  // the host's copies, kept by the music notices
  OwnedPtrVector<MediaFileRecord> videos;
  OwnedPtrVector<PhotoRecord> photos;

  DeviceInfo info;
  MemoryInfo phoneMemory;
  MemoryInfo storageMemory;

  DeviceRecord() = default;
  DeviceRecord(const DeviceRecord&) = delete;
  DeviceRecord& operator=(const DeviceRecord&) = delete;

  // The counter of the kind a section lists; null for "Home" and unknown ids.
  ItemCounter* CountOfSection(int32_t sectionId) {
    int32_t kind = ItemKindOfSection(sectionId);
    return kind == kKindNone ? nullptr : &counts[kind];
  }
  ItemCounter* LoadedOfSection(int32_t sectionId) {
    int32_t kind = ItemKindOfSection(sectionId);
    return kind == kKindNone ? nullptr : &loaded[kind];
  }
};

// The name a tab or a notice shows: the first non-empty display text (empty when all are).
inline const std::wstring& FirstDisplayName(const DeviceRecord& device) {
  if (!device.displayName.empty()) return device.displayName;
  if (!device.modelName.empty()) return device.modelName;
  return device.productName;
}

inline uint64_t IncrementCount(ItemCounter& counter) { return counter.fetch_add(1) + 1; }

// Stops at 0: a late delete notice after a reload must not wrap the count to 2^64 - 1.
inline uint64_t DecrementCount(ItemCounter& counter) {
  uint64_t current = counter.load();
  while (current != 0 && !counter.compare_exchange_weak(current, current - 1)) {
  }
  return current == 0 ? 0 : current - 1;
}

// The navigator's badge is 32-bit; larger counts show as the largest it holds.
inline int32_t ToNavigatorCount(uint64_t count) {
  constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<int32_t>::max());
  return static_cast<int32_t>(count > kMax ? kMax : count);
}

inline SectionItemDescriptor MakeCountDescriptor(int32_t sectionId, const ItemCounter& counter) {
  return SectionItemDescriptor{sectionId, ToNavigatorCount(counter.load())};
}
