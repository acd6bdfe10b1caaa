#include "modules/courier/update/UpdateService.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/update/Sha256.h"

namespace {

// Progress notices at most this often; the dialog redraws twice a second anyway.
constexpr DWORD kProgressEveryMs = 100;

void TraceFailure(const char* what) { BASTrace("libCourier: update job failed: %s", what); }

std::string Narrow(const std::wstring& text) {
  char* utf8 = BASUtilityString::ConvertUnicodeToUtf8(text.c_str());
  std::string out = utf8 ? utf8 : "";
  std::free(utf8);
  return out;
}

// The downloaded file, removed with its folder unless it is kept.
class DownloadFile {
 public:
  explicit DownloadFile(std::wstring folder) : m_folder(std::move(folder)), m_path(m_folder + kInstallerFileName) {
    m_handle = CreateFileW(m_path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~DownloadFile() {
    Close();
    if (m_keep) return;
    DeleteFileW(m_path.c_str());
    RemoveDirectoryW(m_folder.c_str());
  }
  DownloadFile(const DownloadFile&) = delete;
  DownloadFile& operator=(const DownloadFile&) = delete;

  bool IsOpen() const { return m_handle != INVALID_HANDLE_VALUE; }
  bool Write(const char* bytes, size_t count) {
    DWORD written = 0;
    return WriteFile(m_handle, bytes, static_cast<DWORD>(count), &written, nullptr) && written == count;
  }
  bool Close() {
    if (m_handle == INVALID_HANDLE_VALUE) return true;
    const bool flushed = FlushFileBuffers(m_handle) != FALSE;
    const bool closed = CloseHandle(m_handle) != FALSE;
    m_handle = INVALID_HANDLE_VALUE;
    return flushed && closed;
  }
  void Keep() { m_keep = true; }
  const std::wstring& Path() const { return m_path; }

 private:
  std::wstring m_folder;
  std::wstring m_path;
  HANDLE m_handle = INVALID_HANDLE_VALUE;
  bool m_keep = false;
};

}  // namespace

std::wstring MakeDownloadFolder() {
  wchar_t temp[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return std::wstring();
  // Created here and now, never an existing folder: nobody else can have put a file in it.
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring folder = std::wstring(temp) + L"ZorvaneUpdate-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(attempt);
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder + L"\\";
    if (GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  }
  return std::wstring();
}

UpdateService::UpdateService(const ModuleRecord& module) : m_module(module), m_worker(&TraceFailure) {}

UpdateService::~UpdateService() { Stop(); }

bool UpdateService::Start(const std::wstring& runningVersion) {
  m_running = Narrow(runningVersion);
  return m_worker.Start();
}

void UpdateService::Stop() {
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_check) m_check->Cancel();
    if (m_download) m_download->Cancel();
  }
  m_worker.Stop();
}

std::wstring UpdateService::FeedAddress() {
  BASUserDefaults* settings = BASUserDefaults::GetUserDefaults("url");
  const char* address = settings != nullptr ? settings->GetString("url:update") : nullptr;
  if (address == nullptr || address[0] == '\0') return std::wstring();
  wchar_t* wide = BASUtilityString::ConvertUtf8ToUnicode(address);
  std::wstring out = wide ? wide : L"";
  std::free(wide);
  return out;
}

void UpdateService::Post(CommandRecord& record, const char* name) { PostToHost(m_module, record, name); }

void UpdateService::Check() {
  if (!m_worker.Post([this] { RunCheck(); })) {
    CommandRecord failed;
    failed.value = kUpdateCheckFailed;
    Post(failed, kCourierCheckForUpdate);
  }
}

void UpdateService::RunCheck() {
  auto transfer = std::make_shared<HttpTransfer>();
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_check = transfer;
  }
  CommandRecord answer;
  answer.value = kUpdateCheckFailed;
  const std::wstring address = FeedAddress();
  bool https = false;
  std::string body;
  std::vector<FeedVersion> newer;
  std::string error;
  if (!updatefeed::SchemeOf(address, https)) {
    BASTrace("libCourier: update check: no http or https feed address");
  } else {
    HttpTransfer::Limits limits;
    limits.maxBytes = updatefeed::kMaxFeedBytes;
    const HttpTransfer::Result result = transfer->Get(address, limits, nullptr, [&](const char* bytes, size_t count) {
      body.append(bytes, count);
      return true;
    });
    if (result == HttpTransfer::Result::kCancelled) return;  // the service is going
    if (result == HttpTransfer::Result::kTooLarge) {
      BASTrace("libCourier: update check: the feed is over %llu bytes", updatefeed::kMaxFeedBytes);
    } else if (result != HttpTransfer::Result::kOk) {
      BASTrace("libCourier: update check: %s", transfer->Failure().c_str());
    } else if (!updatefeed::ParseFeed(body, https, m_running, newer, error)) {
      BASTrace("libCourier: update check: %s", error.c_str());
    } else {
      answer.value = kUpdateCheckDone;
    }
  }
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_check.reset();
    // A failed check leaves no offer: the list the user sees next is the one downloaded.
    m_hasOffer = answer.value == kUpdateCheckDone && !newer.empty();
    m_offer = m_hasOffer ? newer.front().installer : FeedInstaller();
  }
  if (answer.value == kUpdateCheckDone && !newer.empty()) {
    auto* list = new VersionList();
    for (FeedVersion& version : newer) list->push_back(VersionRecord{version.version, std::move(version.notes)});
    answer.payload = list;
    answer.entries = static_cast<int64_t>(list->size());
  }
  Post(answer, kCourierCheckForUpdate);
}

void UpdateService::Download() {
  auto transfer = std::make_shared<HttpTransfer>();
  {
    std::lock_guard<std::mutex> lock(m_lock);
    // One download at a time: a new request replaces the one still running.
    if (m_download) m_download->Cancel();
    m_download = transfer;
  }
  if (!m_worker.Post([this, transfer] { RunDownload(transfer); })) AnswerDownload(kUpdateDownloadFailed);
}

void UpdateService::CancelDownload() {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_download) m_download->Cancel();
}

void UpdateService::AnswerDownload(int64_t value, const std::wstring& path) {
  CommandRecord answer;
  answer.value = value;
  if (!path.empty()) answer.text = _wcsdup(path.c_str());
  Post(answer, kCourierDownloadUpdate);
}

void UpdateService::RunDownload(std::shared_ptr<HttpTransfer> transfer) {
  FeedInstaller offer;
  bool hasOffer = false;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    hasOffer = m_hasOffer;
    offer = m_offer;
  }
  std::wstring path;
  const int64_t value = hasOffer ? Fetch(*transfer, offer, path) : kUpdateDownloadFailed;
  if (!hasOffer) BASTrace("libCourier: update download: no version was offered");
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_download == transfer) m_download.reset();
  }
  // Answered once the file of a failed download is gone.
  if (!transfer->IsCancelled()) AnswerDownload(value, path);
}

int64_t UpdateService::Fetch(HttpTransfer& transfer, const FeedInstaller& offer, std::wstring& path) {
  const std::wstring folder = MakeDownloadFolder();
  if (folder.empty()) {
    BASTrace("libCourier: update download: no temporary folder, GetLastError: %lu", GetLastError());
    return kUpdateDownloadFailed;
  }
  DownloadFile file(folder);
  Sha256 hash;
  if (!file.IsOpen() || !hash.IsReady()) {
    BASTrace("libCourier: update download: cannot write the file, GetLastError: %lu", GetLastError());
    return kUpdateDownloadFailed;
  }

  uint64_t received = 0;
  DWORD lastNotice = GetTickCount();
  auto notice = [&] {
    CommandRecord progress;
    progress.value = kUpdateDownloadProgress;
    progress.total = static_cast<int64_t>(offer.size);
    progress.position = static_cast<int64_t>(received);
    Post(progress, kCourierDownloadUpdate);
  };
  notice();
  HttpTransfer::Limits limits;
  limits.maxBytes = offer.size;
  const HttpTransfer::Result result = transfer.Get(
      offer.url, limits, [&](uint64_t announced) { return announced == 0 || announced == offer.size; },
      [&](const char* bytes, size_t count) {
        received += count;
        if (!file.Write(bytes, count) || !hash.Update(bytes, count)) return false;
        if (GetTickCount() - lastNotice >= kProgressEveryMs) {
          lastNotice = GetTickCount();
          notice();
        }
        return true;
      });
  const bool closed = file.Close();
  if (result == HttpTransfer::Result::kCancelled) return kUpdateDownloadFailed;
  if (result != HttpTransfer::Result::kOk || !closed) {
    BASTrace("libCourier: update download: %s",
             result == HttpTransfer::Result::kTooLarge ? "larger than the feed says" : transfer.Failure().c_str());
    return kUpdateDownloadFailed;
  }
  const std::string digest = hash.Finish();
  if (received != offer.size || digest != offer.sha256) {
    BASTrace("libCourier: update download: %llu bytes with digest %s do not match the feed", received, digest.c_str());
    return kUpdateDownloadFailed;
  }
  notice();
  file.Keep();
  path = file.Path();
  return kUpdateDownloadDone;
}
