// The phones' videos as the device service serves them (LIBCOURIER_COMMAND_DO_VIDEO): the shared
// media operations over the video library; the end of an add or a delete is told with notice 60.
#pragma once

#include <utility>

#include "modules/courier/MediaOperations.h"

extern const MediaServiceKind kVideoServiceKind;

class VideoOperations : public MediaOperations {
 public:
  static constexpr int64_t kFirstTaskId = int64_t{5} << 40;

  VideoOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice)
      : MediaOperations(kVideoServiceKind, module, worker, std::move(findDevice)) {}

 protected:
  void AfterChange(Job& job) override;
};
