#include "modules/courier/PhoneRecords.h"

#include <algorithm>

std::unique_ptr<DeviceRecord> MakeDeviceRecord(const DemoPhone& phone) {
  auto device = std::make_unique<DeviceRecord>();
  device->identifier = phone.identifier;
  device->displayName = phone.displayName;
  device->modelName = phone.modelName;
  device->productName = phone.productName;
  device->androidVersion = phone.androidVersion;

  device->counts[kKindApps] = phone.apps.size();
  device->userApps = static_cast<uint64_t>(
      std::count_if(phone.apps.begin(), phone.apps.end(), [](const DemoApp& app) { return !app.system; }));
  device->counts[kKindContacts] = phone.ContactCount();
  device->counts[kKindMessages] = phone.MessageCount();
  device->counts[kKindMusic] = phone.songs.size();
  device->counts[kKindPhotos] = phone.photos.size();
  device->counts[kKindVideos] = phone.videos.size();
  device->counts[kKindBooks] = phone.books.size();

  device->info.model = phone.model;
  device->info.systemVersion = phone.androidVersion;
  device->info.serialNumber = phone.serialNumber;
  device->info.batteryPercent = phone.batteryPercent;
  device->info.charging = phone.charging ? 1 : 0;
  device->phoneMemory = MemoryInfo{phone.phoneMemory.totalBytes, phone.phoneMemory.freeBytes};
  device->storageMemory = MemoryInfo{phone.storageMemory.totalBytes, phone.storageMemory.freeBytes};
  return device;
}
