// The device records the service hands to the host, built from the demo phones. Counts and the
// summary are filled at once (the navigator and the progress dialogs read them before any list
// is loaded); the item lists stay empty until a load fills them.
#pragma once

#include <memory>

#include "contracts/DeviceRecord.h"
#include "modules/courier/DemoData.h"

std::unique_ptr<DeviceRecord> MakeDeviceRecord(const DemoPhone& phone);
