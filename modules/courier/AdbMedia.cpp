#include "modules/courier/AdbMedia.h"

#include <windows.h>

#include <fstream>
#include <map>
#include <system_error>
#include <vector>

#include "contracts/DeviceRecord.h"
#include "modules/courier/AppLibrary.h"
#include "modules/courier/BookLibrary.h"
#include "modules/courier/DeviceJobs.h"
#include "modules/courier/MediaOperations.h"
#include "modules/courier/MusicLibrary.h"
#include "modules/courier/PhotoLibrary.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/VideoLibrary.h"
#include "modules/courier/adb/AdbSocket.h"
#include "modules/courier/adb/PhoneMediaOutput.h"
#include "modules/courier/formats/ApkReader.h"
#include "modules/courier/formats/FormatText.h"

namespace {

// Where a phone keeps books, each looked through with its subfolders.
const char* const kBookFolders[] = {"/storage/emulated/0/Books", "/storage/emulated/0/Download",
                                    "/storage/emulated/0/Documents"};
constexpr char kInstallFolder[] = "/data/local/tmp";
constexpr uint32_t kRegularFileMode = 0100644;
// A large library takes a while to print; a phone silent this long is hung.
constexpr uint32_t kListTimeoutMs = 60000;
// An install verifies the package on the phone first.
constexpr uint32_t kInstallTimeoutMs = 120000;

enum class Source { kImages, kAudio, kVideo, kBooks, kApps };

std::wstring Wide(const std::string& utf8) { return formats::Utf8ToWideLenient(utf8); }

std::string Narrow(const std::wstring& wide) { return WideToUtf8(wide); }

std::string FileNameOf(const std::filesystem::path& path) { return Narrow(path.filename().wstring()); }

std::wstring StemOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  return Wide(dot == std::string::npos || dot == 0 ? name : name.substr(0, dot));
}

std::wstring ExtensionOf(const std::string& name) {
  const size_t dot = name.rfind('.');
  std::wstring extension = dot == std::string::npos || dot == 0 ? std::wstring() : Wide(name.substr(dot));
  for (wchar_t& c : extension)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  return extension;
}

class AdbMediaStore : public PhoneMediaStore {
 public:
  AdbMediaStore(const AdbClient& client, std::string serial, Source source, const MediaKindRules& rules)
      : m_client(client), m_serial(std::move(serial)), m_source(source), m_rules(rules) {}

  bool List(std::vector<StoredMedia>& items, std::wstring& problem) override;
  bool Add(const std::filesystem::path& source, const std::function<bool()>& mayContinue, StoredMedia& added,
           std::wstring& problem, bool& stopped) override;
  bool Remove(const StoredMedia& item, std::wstring& problem) override;
  CopyResult Pull(const StoredMedia& item, const std::filesystem::path& target,
                  const std::function<bool()>& mayContinue, std::string& error) override;

 private:
  bool Shell(const std::string& command, std::string& output, std::wstring& problem,
             uint32_t timeoutMs = AdbClient::kReplyTimeoutMs) const;
  // What a failed request means to the user: most often the phone was unplugged.
  std::wstring FailureText(const std::string& failure) const;
  bool ListMedia(std::vector<StoredMedia>& items, std::wstring& problem) const;
  bool ListBooks(std::vector<StoredMedia>& items, std::wstring& problem) const;
  bool ListApps(std::vector<StoredMedia>& items, std::wstring& problem) const;
  bool Push(const std::filesystem::path& source, const std::string& remote, const std::function<bool()>& mayContinue,
            std::wstring& problem, bool& stopped) const;
  bool Install(const std::filesystem::path& source, const std::function<bool()>& mayContinue, StoredMedia& added,
               std::wstring& problem, bool& stopped);
  // A name in the kind's folder that the phone does not hold yet: "Song.mp3", "Song (2).mp3".
  bool FreeRemoteName(const std::string& fileName, std::string& remote, std::wstring& problem) const;
  PhoneMediaKind MediaKind() const {
    return m_source == Source::kImages  ? PhoneMediaKind::kImages
           : m_source == Source::kAudio ? PhoneMediaKind::kAudio
                                        : PhoneMediaKind::kVideo;
  }

  const AdbClient& m_client;
  std::string m_serial;
  Source m_source;
  const MediaKindRules& m_rules;
};

std::wstring AdbMediaStore::FailureText(const std::string& failure) const {
  std::vector<AdbDeviceEntry> listed;
  std::string listFailure;
  bool present = false;
  if (m_client.Devices(listed, listFailure))
    for (const AdbDeviceEntry& entry : listed)
      present = present || (entry.serial == m_serial && entry.state == "device");
  return present ? L"The phone did not answer: " + Wide(failure) + L"." : std::wstring(kPhoneDisconnected);
}

bool AdbMediaStore::Shell(const std::string& command, std::string& output, std::wstring& problem,
                          uint32_t timeoutMs) const {
  std::string failure;
  if (m_client.Shell(m_serial, command, output, failure, timeoutMs)) return true;
  // A command that ran and failed says why in its output; one cut short does not.
  problem = failure == "the command failed on the phone" && !output.empty()
                ? L"The phone said: " + Wide(output.substr(0, output.find('\n'))) + L"."
                : FailureText(failure);
  return false;
}

bool AdbMediaStore::List(std::vector<StoredMedia>& items, std::wstring& problem) {
  items.clear();
  switch (m_source) {
    case Source::kBooks:
      return ListBooks(items, problem);
    case Source::kApps:
      return ListApps(items, problem);
    default:
      return ListMedia(items, problem);
  }
}

bool AdbMediaStore::ListMedia(std::vector<StoredMedia>& items, std::wstring& problem) const {
  std::string output;
  if (!Shell(MediaQueryCommand(MediaKind()), output, problem, kListTimeoutMs)) return false;
  const std::vector<ContentRow> rows = ParseContentRows(output, MediaColumns(MediaKind()));
  items = MediaFromRows(rows, MediaKind());
  if (items.empty() && output.find("Row: ") != std::string::npos) {
    problem = std::wstring(L"The phone answered with a list of ") + m_rules.noun + L" this program cannot read.";
    return false;
  }
  return true;
}

bool AdbMediaStore::ListBooks(std::vector<StoredMedia>& items, std::wstring& problem) const {
  std::string failure;
  std::unique_ptr<AdbSocket> socket = m_client.OpenOnPhone(m_serial, "sync:", failure);
  if (!socket) {
    problem = FailureText(failure);
    return false;
  }
  std::vector<PhoneBookFile> books;
  const bool walked = FindPhoneBooks(
      std::vector<std::string>(std::begin(kBookFolders), std::end(kBookFolders)),
      [&](const std::string& folder, std::vector<adbsync::ListEntry>& entries) {
        return adbsync::List(*socket, folder, entries, failure);
      },
      books);
  if (!walked) {
    problem = FailureText(failure);
    return false;
  }
  for (const PhoneBookFile& book : books) {
    const std::string name = book.path.substr(book.path.rfind('/') + 1);
    StoredMedia item;
    item.phonePath = Wide(book.path);
    item.identifier = item.phonePath;
    item.name = StemOf(name);
    item.format = ExtensionOf(name);
    item.album = Wide(book.folder);
    item.sizeBytes = book.stat.size;
    item.dateCreated = DateTextOfSeconds(book.stat.time);
    items.push_back(std::move(item));
  }
  adbsync::Quit(*socket);
  return true;
}

// The label inside each package is not readable through the shell: the package name stands
// for it until the package itself has been read (AppOperations). The version names come from
// one dump of the package manager; without it the version code is shown.
bool AdbMediaStore::ListApps(std::vector<StoredMedia>& items, std::wstring& problem) const {
  std::string dump;
  std::wstring dumpProblem;
  const std::map<std::string, PackageVersion> versions =
      Shell("dumpsys package packages", dump, dumpProblem, kListTimeoutMs) ? ParsePackageVersions(dump)
                                                                           : std::map<std::string, PackageVersion>();
  dump.clear();
  dump.shrink_to_fit();
  for (const bool system : {false, true}) {
    std::string output;
    if (!Shell(std::string("pm list packages -f --show-versioncode ") + (system ? "-s" : "-3"), output, problem,
               kListTimeoutMs))
      return false;
    const std::vector<PhonePackage> packages = ParsePackageList(output);
    if (packages.empty() && output.find("package:") != std::string::npos) {
      problem = L"The phone answered with a list of apps this program cannot read.";
      return false;
    }
    for (const PhonePackage& package : packages) {
      StoredMedia item;
      item.identifier = Wide(package.package);
      item.name = item.identifier;
      item.title = item.identifier;
      item.format = L".apk";
      item.phonePath = Wide(package.apkPath);
      item.album = system ? kSystemAppsAlbum : kAppRules.album;
      item.versionCode = package.versionCode;
      const auto told = versions.find(package.package);
      if (told != versions.end() && item.versionCode < 0) item.versionCode = told->second.code;
      if (told != versions.end() && !told->second.name.empty())
        item.version = Wide(told->second.name);
      else if (item.versionCode >= 0)
        item.version = std::to_wstring(item.versionCode);
      items.push_back(std::move(item));
    }
  }
  // Sizes from one sync session; an app whose file cannot be looked at just shows none.
  std::string failure;
  if (std::unique_ptr<AdbSocket> socket = m_client.OpenOnPhone(m_serial, "sync:", failure)) {
    for (StoredMedia& item : items) {
      adbsync::Stat stat;
      if (!adbsync::StatPath(*socket, Narrow(item.phonePath), stat, failure)) break;
      item.sizeBytes = stat.size;
      item.dateCreated = DateTextOfSeconds(stat.time);
    }
    adbsync::Quit(*socket);
  }
  return true;
}

bool AdbMediaStore::FreeRemoteName(const std::string& fileName, std::string& remote, std::wstring& problem) const {
  std::string failure;
  std::unique_ptr<AdbSocket> socket = m_client.OpenOnPhone(m_serial, "sync:", failure);
  if (!socket) {
    problem = FailureText(failure);
    return false;
  }
  const std::string folder = Narrow(m_rules.phoneFolder);
  const size_t dot = fileName.rfind('.');
  const std::string stem = dot == std::string::npos || dot == 0 ? fileName : fileName.substr(0, dot);
  const std::string extension = dot == std::string::npos || dot == 0 ? std::string() : fileName.substr(dot);
  for (int attempt = 1; attempt < 1000; ++attempt) {
    remote = folder + (attempt == 1 ? fileName : stem + " (" + std::to_string(attempt) + ")" + extension);
    adbsync::Stat stat;
    if (!adbsync::StatPath(*socket, remote, stat, failure)) {
      problem = FailureText(failure);
      return false;
    }
    if (!stat.Exists()) {
      adbsync::Quit(*socket);
      return true;
    }
  }
  problem = Wide(fileName) + L": the phone has no free name for it.";
  return false;
}

bool AdbMediaStore::Push(const std::filesystem::path& source, const std::string& remote,
                         const std::function<bool()>& mayContinue, std::wstring& problem, bool& stopped) const {
  std::ifstream in(source, std::ios::binary);
  if (!in) {
    problem = Wide(FileNameOf(source)) + L": cannot be read.";
    return false;
  }
  std::string failure;
  std::unique_ptr<AdbSocket> socket = m_client.OpenOnPhone(m_serial, "sync:", failure);
  if (!socket) {
    problem = FailureText(failure);
    return false;
  }
  bool unreadable = false;
  const bool pushed = adbsync::Push(
      *socket, remote, kRegularFileMode, static_cast<uint32_t>(time(nullptr)),
      [&](char* buffer, size_t size) -> int64_t {
        if (mayContinue && !mayContinue()) {
          stopped = true;
          return -1;
        }
        in.read(buffer, static_cast<std::streamsize>(size));
        if (in.bad()) {
          unreadable = true;
          return -1;
        }
        return in.gcount();
      },
      failure);
  if (pushed) {
    adbsync::Quit(*socket);
    return true;
  }
  socket.reset();
  // A cancel cuts the connection rather than waiting for the phone: that too is a stop.
  if (!stopped && !unreadable && mayContinue && !mayContinue()) stopped = true;
  // Whatever arrived of it is no file of the user's: it goes.
  std::string output;
  std::wstring ignored;
  Shell("rm -f " + QuoteForPhoneShell(remote), output, ignored);
  if (stopped)
    problem = Wide(FileNameOf(source)) + L": not copied.";
  else if (unreadable)
    problem = Wide(FileNameOf(source)) + L": cannot be read to its end.";
  else
    problem = Wide(FileNameOf(source)) + L": " + FailureText(failure);
  return false;
}

bool AdbMediaStore::Add(const std::filesystem::path& source, const std::function<bool()>& mayContinue,
                        StoredMedia& added, std::wstring& problem, bool& stopped) {
  stopped = false;
  const std::string fileName = FileNameOf(source);
  const MediaCheck check = m_rules.check(source);
  if (!check.ok()) {
    problem = Wide(fileName) + L": " + Wide(check.problem) + L".";
    return false;
  }
  if (m_source == Source::kApps) return Install(source, mayContinue, added, problem, stopped);
  std::string remote;
  if (!FreeRemoteName(fileName, remote, problem) || !Push(source, remote, mayContinue, problem, stopped)) return false;
  if (m_source != Source::kBooks) {
    // The provider lists a file only once the scanner has seen it.
    std::string output;
    std::wstring ignored;
    if (!Shell(
            "am broadcast -a android.intent.action.MEDIA_SCANNER_SCAN_FILE -d " + QuoteForPhoneShell(FileUriOf(remote)),
            output, ignored))
      problem = Wide(fileName) + L": copied, but the phone's media list may show it only later.";
  }
  const std::string name = remote.substr(remote.rfind('/') + 1);
  added = StoredMedia();
  added.phonePath = Wide(remote);
  added.identifier = added.phonePath;
  added.name = StemOf(name);
  added.format = ExtensionOf(name);
  added.album = check.album.empty() ? std::wstring(m_rules.album) : check.album;
  added.dateCreated = NowText();
  added.sizeBytes = check.sizeBytes;
  added.width = check.width;
  added.height = check.height;
  added.durationMs = check.durationMs;
  added.title = check.title;
  added.artist = check.artist;
  return true;
}

bool AdbMediaStore::Install(const std::filesystem::path& source, const std::function<bool()>& mayContinue,
                            StoredMedia& added, std::wstring& problem, bool& stopped) {
  const std::string fileName = FileNameOf(source);
  ApkInfo info;
  std::string apkProblem;
  if (!ReadApkFile(source, info, apkProblem)) {
    problem = Wide(fileName) + L": " + Wide(apkProblem.empty() ? "it is no app package" : apkProblem) + L".";
    return false;
  }
  const std::string remote =
      std::string(kInstallFolder) + "/zs-install-" + std::to_string(GetCurrentThreadId()) + ".apk";
  if (!Push(source, remote, mayContinue, problem, stopped)) return false;
  std::string output;
  std::wstring failure;
  const bool ran = Shell("pm install -r " + QuoteForPhoneShell(remote), output, failure, kInstallTimeoutMs);
  std::string ignored;
  std::wstring ignoredProblem;
  Shell("rm -f " + QuoteForPhoneShell(remote), ignored, ignoredProblem);
  // pm exits non-zero on a refusal: its "Failure [...]" says why.
  const std::wstring refused = PackageManagerProblem(output);
  if (!refused.empty()) {
    problem = Wide(fileName) + L": " + (ran || output.find("Failure [") != std::string::npos ? refused : failure);
    return false;
  }
  std::vector<StoredMedia> apps;
  std::wstring listProblem;
  if (ListApps(apps, listProblem))
    for (StoredMedia& app : apps)
      if (app.identifier == Wide(info.packageName)) {
        added = std::move(app);
        return true;
      }
  added = StoredMedia();
  added.identifier = Wide(info.packageName);
  added.name = added.identifier;
  added.title = added.identifier;
  added.format = L".apk";
  added.album = kAppRules.album;
  std::error_code sizeFailure;
  const auto size = std::filesystem::file_size(source, sizeFailure);
  added.sizeBytes = sizeFailure ? 0 : static_cast<int64_t>(size);
  return true;
}

bool AdbMediaStore::Remove(const StoredMedia& item, std::wstring& problem) {
  std::string output;
  const std::wstring label = item.name + (m_source == Source::kApps ? std::wstring() : item.format);
  if (m_source == Source::kApps) {
    if (!Shell("pm uninstall " + QuoteForPhoneShell(Narrow(item.identifier)), output, problem) &&
        output.find("Failure") == std::string::npos) {
      problem = label + L": " + problem;
      return false;
    }
    const std::wstring refused = PackageManagerProblem(output);
    if (refused.empty()) return true;
    problem = label + L": " + refused;
    return false;
  }
  const std::string path = Narrow(item.phonePath);
  if (!Shell("rm -f " + QuoteForPhoneShell(path), output, problem)) {
    problem = label + L": " + problem;
    return false;
  }
  if (m_source == Source::kBooks) return true;
  // The file is gone; its row would otherwise stay in the phone's gallery until the next scan.
  std::wstring rowProblem;
  if (!Shell(std::string("content delete --uri ") + MediaProviderUri(MediaKind()) + " --where " +
                 QuoteForPhoneShell("_data=" + SqlStringLiteral(path)),
             output, rowProblem))
    problem = label + L": deleted, but the phone's media list may show it until it looks again.";
  return true;
}

CopyResult AdbMediaStore::Pull(const StoredMedia& item, const std::filesystem::path& target,
                               const std::function<bool()>& mayContinue, std::string& error) {
  std::error_code failure;
  if (std::filesystem::exists(target, failure)) return CopyResult::kTargetExists;
  bool stopped = false;
  bool existed = false;
  const auto progress = [&](int64_t) {
    stopped = mayContinue && !mayContinue();
    return !stopped;
  };
  if (m_client.Pull(m_serial, Narrow(item.phonePath), target, progress, error, SafeFileWriter::Replace::kNever,
                    &existed))
    return CopyResult::kCopied;
  if (stopped || (mayContinue && !mayContinue())) return CopyResult::kStopped;
  if (existed) return CopyResult::kTargetExists;
  // A transfer cut short is most often a phone unplugged: said so, rather than how it broke.
  const std::wstring why = FailureText(error);
  if (why == kPhoneDisconnected) error = Narrow(why);
  return CopyResult::kFailed;
}

}  // namespace

std::unique_ptr<PhoneMediaStore> NewAdbMediaStore(const AdbClient& client, const std::string& serial,
                                                  int32_t itemKind) {
  switch (itemKind) {
    case kKindPhotos:
      return std::make_unique<AdbMediaStore>(client, serial, Source::kImages, kPhotoRules);
    case kKindMusic:
      return std::make_unique<AdbMediaStore>(client, serial, Source::kAudio, kMusicRules);
    case kKindVideos:
      return std::make_unique<AdbMediaStore>(client, serial, Source::kVideo, kVideoRules);
    case kKindBooks:
      return std::make_unique<AdbMediaStore>(client, serial, Source::kBooks, kBookRules);
    case kKindApps:
      return std::make_unique<AdbMediaStore>(client, serial, Source::kApps, kAppRules);
    default:
      return nullptr;
  }
}
