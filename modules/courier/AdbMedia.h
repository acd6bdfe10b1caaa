// A phone's photos, music, videos, books and apps as the adb server reaches them: lists from
// the phone's media provider, its folders and its package manager; files pulled and pushed
// with the sync service, streamed a chunk at a time; deletes, media scans, installs and
// uninstalls through the phone's shell. Plugged into the media store as a PhoneMediaStore, so
// an adb phone is served by the same operations and notices as a demo phone.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "modules/courier/MediaLibrary.h"
#include "modules/courier/adb/AdbClient.h"

// The store of `itemKind` (kKindPhotos, kKindMusic, ...) on the phone `serial`; null for a
// kind a phone does not keep. `client` outlives the store.
std::unique_ptr<PhoneMediaStore> NewAdbMediaStore(const AdbClient& client, const std::string& serial, int32_t itemKind);
