// The service's side of the update check: reads the version feed, keeps the newest version it
// offered, downloads that version's installer into a fresh temporary folder and hands the host
// its path only once size and SHA-256 match the feed. All network work runs on the service's
// own update thread, so a slow server never holds up the phones.
//
// Answers (posted to the host):
//   CHECK_FOR_UPDATE: value 0 = failure; value 1 with a new VersionList in `payload` and its
//     length in `entries` (0 and no list when nothing is newer).
//   DOWNLOAD_UPDATE: value 2 = progress (`total`, `position`); 0 = verified, `text` = the
//     installer's path (malloc'ed, the host frees it); 3 = failed, nothing kept on disk.
//     A cancelled download answers nothing: the host has already closed its dialog.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "contracts/CommandRecord.h"
#include "modules/courier/WorkerThread.h"
#include "modules/courier/update/HttpTransfer.h"
#include "modules/courier/update/UpdateFeed.h"

// `value` of the update answers.
constexpr int64_t kUpdateCheckFailed = 0;
constexpr int64_t kUpdateCheckDone = 1;
constexpr int64_t kUpdateDownloadDone = 0;
constexpr int64_t kUpdateDownloadProgress = 2;
constexpr int64_t kUpdateDownloadFailed = 3;

// The installer's name inside its download folder.
inline constexpr wchar_t kInstallerFileName[] = L"ZorvaneStewardSetup.exe";

class UpdateService {
 public:
  explicit UpdateService(const ModuleRecord& module);
  ~UpdateService();
  UpdateService(const UpdateService&) = delete;
  UpdateService& operator=(const UpdateService&) = delete;

  // `runningVersion` as START_SERVER named it ("2.1.163").
  bool Start(const std::wstring& runningVersion);
  // Cuts any transfer short and joins the thread.
  void Stop();
  bool IsWorkerThread() const { return m_worker.IsWorkerThread(); }

  void Check();
  void Download();
  void CancelDownload();

  // "url:update" of the settings; empty when missing.
  static std::wstring FeedAddress();

 private:
  void RunCheck();
  void RunDownload(std::shared_ptr<HttpTransfer> transfer);
  // Streams the installer into a new folder; kUpdateDownloadDone with `path` only when its size
  // and digest are the feed's, otherwise nothing stays on disk.
  int64_t Fetch(HttpTransfer& transfer, const FeedInstaller& offer, std::wstring& path);
  void Post(CommandRecord& record, const char* name);
  void AnswerDownload(int64_t value, const std::wstring& path = std::wstring());

  const ModuleRecord& m_module;
  std::string m_running;

  std::mutex m_lock;
  bool m_hasOffer = false;
  FeedInstaller m_offer;  // the newest version of the last successful check
  std::shared_ptr<HttpTransfer> m_check;
  std::shared_ptr<HttpTransfer> m_download;

  WorkerThread m_worker;  // last: joined before the rest goes
};

// A new, empty folder of its own under the temporary folder; empty on failure.
std::wstring MakeDownloadFolder();
