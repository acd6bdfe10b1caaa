// The sections of a phone: the list the device module builds for the host and the navigator,
// and the count update the content controllers send to the navigator.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "contracts/CommandRecord.h"

// Section ids; also the navigator's item keys in UPDATE_ITEM and SELECT_ITEM.
constexpr int32_t kSectionNone = 0;
constexpr int32_t kSectionHome = 1;
constexpr int32_t kSectionApps = 2;
constexpr int32_t kSectionUserApps = 3;
constexpr int32_t kSectionContacts = 4;
constexpr int32_t kSectionSms = 5;
constexpr int32_t kSectionMusic = 6;
constexpr int32_t kSectionPhotos = 7;
constexpr int32_t kSectionPhoneGallery = 8;
constexpr int32_t kSectionVideos = 9;
constexpr int32_t kSectionBooks = 10;
constexpr int32_t kSectionCount = 10;

// One slot of the section list. The title is the shared runtime's wide string, so the list is
// built and read only by modules that share that runtime.
struct SectionItem {
  int32_t id = 0;                    // section id, unique and above 0
  int32_t parentId = 0;              // 0 for a top-level section, else an earlier section's id
  int32_t showCount = 0;             // non-zero: the row shows a count badge
  Gdiplus::Bitmap* image = nullptr;  // row icon from the host image cache, may be null
  std::wstring title;                // row text
};

static_assert(offsetof(SectionItem, id) == 0, "section id");
static_assert(offsetof(SectionItem, parentId) == 4, "parent id");
static_assert(offsetof(SectionItem, showCount) == 8, "show count");
static_assert(offsetof(SectionItem, image) == 12, "image");
static_assert(offsetof(SectionItem, title) == 16, "title");
static_assert(sizeof(SectionItem) == 40, "section item size");

constexpr int32_t kSectionSlots = 16;

// The block that travels with START_SCAN and CREATE_WINDOW, read in place. The used slots are
// [firstIndex, endIndex); readers go through UsedBegin/UsedEnd so that indices outside the 16
// slots can never index past the block.
struct SectionList {
  SectionItem entries[kSectionSlots];
  int32_t firstIndex = 0;
  int32_t endIndex = 0;

  int32_t UsedBegin() const { return Clamp(firstIndex); }
  int32_t UsedEnd() const {
    int32_t end = Clamp(endIndex);
    return end < UsedBegin() ? UsedBegin() : end;
  }

 private:
  static int32_t Clamp(int32_t index) {
    return index < 0 ? 0 : (index > kSectionSlots ? kSectionSlots : index);
  }
};

static_assert(offsetof(SectionList, entries) == 0, "section slots");
static_assert(offsetof(SectionList, firstIndex) == kSectionSlots * sizeof(SectionItem), "first");
static_assert(offsetof(SectionList, endIndex) == offsetof(SectionList, firstIndex) + 4, "end");

// What the device module sends with BINGING_BUTTON (no sections) and START_SCAN (the standard
// sections): the list, then the tab (the device key) and its wizard, the content-area window
// that parents the device's navigator and panes.
struct DeviceEntry {
  SectionList sections;
  HWND tabWindow = nullptr;
  HWND wizardWindow = nullptr;
};

static_assert(offsetof(DeviceEntry, tabWindow) == sizeof(SectionList), "tab follows the list");
static_assert(offsetof(DeviceEntry, wizardWindow) == sizeof(SectionList) + 4, "then the wizard");

// Payload of LIBNAVIGATOR_COMMAND_UPDATE_ITEM; the navigator copies both words at once.
struct SectionItemDescriptor {
  int32_t id;
  int32_t count;
};

static_assert(sizeof(SectionItemDescriptor) == 8, "section item descriptor size");
static_assert(offsetof(SectionItemDescriptor, count) == 4, "count follows the id");

struct StandardSection {
  int32_t id;
  int32_t parentId;
  bool showCount;
  const wchar_t* title;
  const char* iconPath;  // theme-relative path in the host image cache; null: no icon
};

// The sections every phone offers, in list order.
inline constexpr StandardSection kStandardSections[kSectionCount] = {
    {kSectionHome, 0, false, L"Home", "common\\section\\section-home.png"},
    {kSectionApps, 0, true, L"Apps", "common\\section\\section-apps.png"},
    {kSectionUserApps, kSectionApps, true, L"User Apps", nullptr},
    {kSectionContacts, 0, true, L"Contacts", "common\\section\\section-contacts.png"},
    {kSectionSms, 0, true, L"SMS", "common\\section\\section-sms.png"},
    {kSectionMusic, 0, true, L"Music", "common\\section\\section-music.png"},
    {kSectionPhotos, 0, true, L"Photos", "common\\section\\section-photo.png"},
    {kSectionPhoneGallery, kSectionPhotos, true, L"Phone Gallery", nullptr},
    {kSectionVideos, 0, true, L"Videos", "common\\section\\section-video.png"},
    {kSectionBooks, 0, true, L"Books", "common\\section\\section-book.png"},
};

// Fills `list` with the standard sections in slots 1 to 10 (first index 1, end index 11), icons
// taken from `cache`; slots outside that range are left empty.
inline void BuildStandardSectionList(const ImageCache* cache, SectionList& list) {
  list = SectionList();
  list.firstIndex = 1;
  list.endIndex = 1 + kSectionCount;
  for (int32_t i = 0; i < kSectionCount; ++i) {
    const StandardSection& section = kStandardSections[i];
    SectionItem& item = list.entries[list.firstIndex + i];
    item.id = section.id;
    item.parentId = section.parentId;
    item.showCount = section.showCount ? 1 : 0;
    item.image = section.iconPath != nullptr ? FindImage(cache, section.iconPath) : nullptr;
    item.title = section.title;
  }
}
