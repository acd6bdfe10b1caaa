// The phones' apps as the device service serves them (LIBCOURIER_COMMAND_DO_APP): the shared
// media operations over the app library. Each load batch carries what the packages say of
// themselves (label, version, icon) and goes to the device record's app list, which the host
// reads under the list's lock.
#pragma once

#include <utility>
#include <vector>

#include "modules/courier/AppLabelCache.h"

#include "modules/courier/MediaOperations.h"

extern const MediaServiceKind kAppServiceKind;

class AppOperations : public MediaOperations {
 public:
  static constexpr int64_t kFirstTaskId = int64_t{7} << 40;

  AppOperations(const ModuleRecord& module, WorkerThread& worker, DeviceJobs::DeviceLookup findDevice)
      : MediaOperations(kAppServiceKind, module, worker, std::move(findDevice)) {}

 protected:
  void CompleteBatch(Job& job, MediaLibrary& library, void* batch) override;
  // The apps, and apart the user's ("User Apps").
  bool SetCounts(DeviceRecord& device, const MediaLibrary& library) override;
  // A phone reached through adb lists its apps by package name: the packages whose label is not
  // kept yet are read in a job of their own after the list is shown, each row updated as its
  // package has been read.
  void AfterLoad(Job& job, MediaLibrary& library) override;
  // A system app came with the phone and stays: uninstalling it is refused with its name.
  std::wstring RefusedRemoval(const MediaLibrary& library, const std::wstring& identifier) override;
  // The host takes an app's count from the device record when an install or uninstall is
  // reported: the count is set before the notice. An app installed on an adb phone gets its
  // label as a listed one does.
  void AfterAdd(Job& job, MediaLibrary& library) override {
    SendCount(job, library);
    AfterLoad(job, library);
  }
  // An installed app goes out as a load's batch does, with its label, version and icon, and
  // enters the device record's list; one installed again is one app to refresh.
  void NotifyAdded(Job& job, MediaLibrary& library, const StoredMedia& added, bool replaced) override;
  // An uninstalled app leaves the device record's list too.
  void AfterRemove(Job& job, MediaLibrary& library, const std::wstring& identifier) override;
  // The pane appends each batch below the ones before it.
  int64_t BatchValue() const override { return 1; }

 private:
  void DescribePhoneApps(Job& job, const std::vector<StoredMedia>& apps);
  AppLabelCache Labels() const {
    return AppLabelCache(m_stateFolder.empty() ? m_stateFolder : m_stateFolder / L"AppLabels");
  }
};
