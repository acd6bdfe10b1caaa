// Runtime checks of the shared contracts. The layouts themselves are pinned by the headers'
// static_asserts; including every header here makes them compile together.
#include <gtest/gtest.h>

#include <cstring>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "contracts/DeviceRecord.h"
#include "contracts/MediaRecords.h"
#include "contracts/MessageLoop.h"
#include "contracts/OwnedPtrVector.h"
#include "contracts/PhotoRecords.h"
#include "contracts/Sections.h"

namespace {

CommandRecord g_seen;
int g_calls = 0;

int32_t __cdecl RecordingEntry(CommandRecord* record) {
  g_seen = *record;
  ++g_calls;
  return 42;
}

TEST(CommandRecord, StartsAsZeroBytesAndCopiesWhole) {
  CommandRecord record;
  unsigned char zero[sizeof(CommandRecord)] = {};
  EXPECT_EQ(0, std::memcmp(&record, zero, sizeof record));

  record.code = -7;
  record.text = L"serial";
  record.position = 0x0102030405060708LL;
  CommandRecord* copy = DuplicateRecord(record);
  ASSERT_NE(nullptr, copy);
  EXPECT_EQ(0, std::memcmp(copy, &record, sizeof record));
  std::free(copy);
}

TEST(CommandRecord, ModuleHelpersFillTheBusFields) {
  ModuleRecord module;
  module.hostEntry = RecordingEntry;
  module.instance = reinterpret_cast<HINSTANCE>(0x10000000);
  CommandRecord record;
  g_calls = 0;

  RegisterCommand(module, record, kRolodexShowWindow);
  EXPECT_EQ(kActionRegister, g_seen.action);
  EXPECT_STREQ(kRolodexShowWindow, g_seen.name);
  EXPECT_EQ(module.instance, g_seen.instance);

  record.value = 3;
  EXPECT_EQ(42, PostToHost(module, record, kRolodexDoContact));
  EXPECT_EQ(kActionDispatch, g_seen.action);
  EXPECT_STREQ(kRolodexDoContact, g_seen.name);
  EXPECT_EQ(3, g_seen.value);
  EXPECT_EQ(2, g_calls);

  // A module record without a bus (the host's own before it is filled) calls nothing.
  ModuleRecord detached;
  EXPECT_EQ(0, PostToHost(detached, record, kRolodexDoContact));
  RegisterCommand(detached, record, kRolodexShowWindow);
  EXPECT_EQ(2, g_calls);
}

TEST(CommandRecord, ConnectionStatusIsTheLowWordOfEntries) {
  CommandRecord record;
  record.entries = (int64_t{5} << 32) | 13;
  EXPECT_EQ(13, ConnectionStatusOf(record));
  record.entries = 0xFFFFFFFFLL;
  EXPECT_EQ(-1, ConnectionStatusOf(record));
}

TEST(ImageCache, MissingImagesAreNull) {
  ImageCache cache;
  Gdiplus::Bitmap* close = reinterpret_cast<Gdiplus::Bitmap*>(0x1234);
  cache["common\\close-normal.png"] = close;
  EXPECT_EQ(close, FindImage(&cache, "common\\close-normal.png"));
  EXPECT_EQ(nullptr, FindImage(&cache, "common\\close-pressed.png"));
  EXPECT_EQ(nullptr, FindImage(&cache, "COMMON\\close-normal.png"));
  EXPECT_EQ(nullptr, FindImage(nullptr, "common\\close-normal.png"));
  EXPECT_EQ(nullptr, FindImage(&cache, nullptr));
}

TEST(Sections, StandardListFillsSlotsOneToTen) {
  ImageCache cache;
  Gdiplus::Bitmap* home = reinterpret_cast<Gdiplus::Bitmap*>(0x1000);
  cache["common\\section\\section-home.png"] = home;
  SectionList list;
  list.entries[0].id = 99;
  BuildStandardSectionList(&cache, list);

  EXPECT_EQ(1, list.firstIndex);
  EXPECT_EQ(11, list.endIndex);
  EXPECT_EQ(0, list.entries[0].id);
  for (int32_t slot = list.UsedBegin(); slot < list.UsedEnd(); ++slot) {
    const SectionItem& item = list.entries[slot];
    EXPECT_EQ(slot, item.id);
    EXPECT_EQ(item.id != kSectionHome, item.showCount != 0) << item.id;
    EXPECT_FALSE(item.title.empty());
    EXPECT_LT(item.parentId, item.id);  // parents come earlier in the list
  }
  EXPECT_EQ(home, list.entries[kSectionHome].image);
  EXPECT_EQ(nullptr, list.entries[kSectionApps].image);  // not in this cache
  EXPECT_EQ(kSectionApps, list.entries[kSectionUserApps].parentId);
  EXPECT_EQ(kSectionPhotos, list.entries[kSectionPhoneGallery].parentId);
  EXPECT_EQ(L"Phone Gallery", list.entries[kSectionPhoneGallery].title);
}

TEST(Sections, UsedRangeNeverLeavesTheSlots) {
  SectionList list;
  list.firstIndex = -4;
  list.endIndex = 40;
  EXPECT_EQ(0, list.UsedBegin());
  EXPECT_EQ(kSectionSlots, list.UsedEnd());
  list.firstIndex = 9;
  list.endIndex = 3;
  EXPECT_EQ(list.UsedBegin(), list.UsedEnd());
  list.firstIndex = 20;
  EXPECT_EQ(kSectionSlots, list.UsedBegin());
  EXPECT_EQ(kSectionSlots, list.UsedEnd());
}

TEST(DeviceRecord, SectionsShareTheirKindsCounters) {
  DeviceRecord device;
  for (int32_t kind = 0; kind < kItemKindCount; ++kind) {
    EXPECT_EQ(0u, device.counts[kind].load());
    EXPECT_EQ(0u, device.loaded[kind].load());
  }
  EXPECT_EQ(device.CountOfSection(kSectionApps), device.CountOfSection(kSectionUserApps));
  EXPECT_EQ(device.CountOfSection(kSectionPhotos), device.CountOfSection(kSectionPhoneGallery));
  EXPECT_EQ(&device.counts[kKindContacts], device.CountOfSection(kSectionContacts));
  EXPECT_EQ(&device.loaded[kKindBooks], device.LoadedOfSection(kSectionBooks));
  EXPECT_EQ(nullptr, device.CountOfSection(kSectionHome));
  EXPECT_EQ(nullptr, device.CountOfSection(0));
  EXPECT_EQ(nullptr, device.LoadedOfSection(11));

  // Every listing section has a kind and a load code; Home has neither.
  for (int32_t id = kSectionApps; id <= kSectionBooks; ++id) {
    EXPECT_NE(kKindNone, ItemKindOfSection(id)) << id;
    EXPECT_GT(LoadCodeOfSection(id), 0) << id;
  }
  EXPECT_EQ(-1, LoadCodeOfSection(kSectionHome));
  EXPECT_EQ(kContactOpLoad, LoadCodeOfSection(kSectionContacts));
  EXPECT_EQ(62, LoadCodeOfSection(kSectionPhoneGallery));
}

TEST(DeviceRecord, CountsStopAtZeroAndFitTheBadge) {
  ItemCounter counter{1};
  EXPECT_EQ(2u, IncrementCount(counter));
  EXPECT_EQ(1u, DecrementCount(counter));
  EXPECT_EQ(0u, DecrementCount(counter));
  EXPECT_EQ(0u, DecrementCount(counter));
  EXPECT_EQ(0u, counter.load());

  EXPECT_EQ(7, ToNavigatorCount(7));
  EXPECT_EQ(2147483647, ToNavigatorCount(0x80000000ULL));
  EXPECT_EQ(2147483647, ToNavigatorCount(0x100000005ULL));  // not the low word, 5

  counter = 12;
  SectionItemDescriptor descriptor = MakeCountDescriptor(kSectionContacts, counter);
  EXPECT_EQ(kSectionContacts, descriptor.id);
  EXPECT_EQ(12, descriptor.count);
}

TEST(DeviceRecord, DisplayNameIsTheFirstNonEmptyText) {
  DeviceRecord device;
  EXPECT_TRUE(FirstDisplayName(device).empty());
  device.productName = L"Product";
  EXPECT_EQ(L"Product", FirstDisplayName(device));
  device.modelName = L"Model";
  EXPECT_EQ(L"Model", FirstDisplayName(device));
  device.displayName = L"Ann's phone";
  EXPECT_EQ(L"Ann's phone", FirstDisplayName(device));
}

TEST(ContactRecords, NewRecordsStartAsTheEditorExpects) {
  ContactRecord contact;
  EXPECT_EQ(0, contact.marker);
  EXPECT_EQ(0, contact.accountChosen);
  EXPECT_EQ(kEditChanged, contact.editState);
  EXPECT_EQ(-1, contact.rowIndex);
  ContactDataRow row;
  EXPECT_EQ(-1, row.tagNumber);
  EXPECT_EQ(kEditUnchanged, row.editState);
  EXPECT_TRUE(row.mimetype.empty() && row.oldValue.empty() && row.newValue.empty());
}

TEST(ContactRecords, CopiesAreDeep) {
  ContactRecord contact;
  contact.identifier = L"17";
  contact.dataRows.push_back(new ContactDataRow());
  contact.dataRows[0]->oldValue = L"555";

  ContactRecord copy = contact;
  ASSERT_EQ(1u, copy.dataRows.size());
  EXPECT_NE(contact.dataRows[0], copy.dataRows[0]);
  copy.dataRows[0]->oldValue = L"556";
  EXPECT_EQ(L"555", contact.dataRows[0]->oldValue);

  copy = contact;
  EXPECT_EQ(L"555", copy.dataRows[0]->oldValue);
  EXPECT_NE(contact.dataRows[0], copy.dataRows[0]);

  TypeLabelRecord labels;
  labels.entries.push_back(new TypeEntry{L"2", L"Mobile"});
  TypeLabelRecord labelsCopy = labels;
  EXPECT_NE(labels.entries[0], labelsCopy.entries[0]);
  EXPECT_EQ(L"Mobile", labelsCopy.entries[0]->label);
}

struct Counted {
  static int alive;
  Counted() { ++alive; }
  Counted(const Counted&) { ++alive; }
  ~Counted() { --alive; }
};
int Counted::alive = 0;

TEST(OwnedPtrVector, DeletesWhatItHoldsExactlyOnce) {
  {
    OwnedPtrVector<Counted> items;
    items.push_back(new Counted());
    items.push_back(new Counted());
    items.push_back(nullptr);
    OwnedPtrVector<Counted> copy = items;
    EXPECT_EQ(4, Counted::alive);
    OwnedPtrVector<Counted> moved = std::move(copy);
    EXPECT_EQ(4, Counted::alive);
    moved.DeleteAt(0);
    moved.DeleteAt(9);  // out of range: nothing
    EXPECT_EQ(3, Counted::alive);
    EXPECT_EQ(2u, moved.size());
    items = moved;  // the old items go, copies of moved's arrive
    EXPECT_EQ(2, Counted::alive);
  }
  EXPECT_EQ(0, Counted::alive);
}

TEST(PhotoRecords, ExportRecordJoinsNameAndFormat) {
  PhotoRecord photo;
  photo.source = L"/sdcard/DCIM/a.jpg";
  photo.name = L"a";
  photo.format = L".jpg";
  photo.number = 0x123456789LL;
  ExportRecord record = MakeExportRecord(photo);
  EXPECT_EQ(L"/sdcard/DCIM/a.jpg", record.source);
  EXPECT_EQ(L"a.jpg", record.fileName);
  EXPECT_EQ(0x123456789LL, record.number);
}

}  // namespace
