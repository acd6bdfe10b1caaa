// The phones' books as the device service serves them (LIBCOURIER_COMMAND_DO_EBOOK): the shared
// media operations over the book library.
#pragma once

#include <utility>

#include "modules/courier/MediaOperations.h"

extern const MediaServiceKind kBookServiceKind;

class BookOperations : public MediaOperations {
 public:
  static constexpr int64_t kFirstTaskId = int64_t{6} << 40;

  BookOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice)
      : MediaOperations(kBookServiceKind, module, worker, std::move(findDevice)) {}
};
