#include "modules/courier/adb/AdbClient.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "contracts/cornerstone/Cornerstone.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/adb/WriteBehind.h"

namespace {

// What the shell prints after the command: its status, so a cut-short output is told apart.
constexpr char kEndMark[] = ":zs-end:";

bool SettingText(BASUserDefaults* store, const char* key, std::string& value) {
  if (store == nullptr || !store->HasMember(key)) return false;
  const char* text = store->GetString(key);
  if (text != nullptr) {
    value = text;
    return true;
  }
  // A number written without quotes ("port": 5038).
  const int number = store->GetInt(key);
  if (number == 0) return false;
  value = std::to_string(number);
  return true;
}

std::wstring WideOf(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

bool ParsePort(const std::string& text, uint16_t& port) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == nullptr || *end != '\0' || value <= 0 || value > 65535) return false;
  port = static_cast<uint16_t>(value);
  return true;
}

bool IsOff(const std::string& text) { return text == "0" || text == "off" || text == "false" || text == "no"; }

}  // namespace

AdbSettings AdbSettings::Read() {
  AdbSettings settings;
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults("url");
  std::string text;
  if (SettingText(store, "adb:port", text) && !text.empty()) {
    if (!ParsePort(text, settings.port)) BASTrace("libCourier: adb:port \"%s\" is no port; 5037 used", text.c_str());
  } else {
    char buffer[16] = {};
    const DWORD length = GetEnvironmentVariableA("ANDROID_ADB_SERVER_PORT", buffer, sizeof(buffer));
    if (length > 0 && length < sizeof(buffer) && !ParsePort(buffer, settings.port))
      BASTrace("libCourier: ANDROID_ADB_SERVER_PORT \"%s\" is no port; 5037 used", buffer);
  }
  if (SettingText(store, "adb:demo", text)) settings.demoPhones = !IsOff(text);
  if (SettingText(store, "adb:enabled", text)) settings.realPhones = !IsOff(text);
  if (SettingText(store, "adb:path", text) && !text.empty()) {
    settings.adbPath = WideOf(text);
  } else {
    wchar_t found[MAX_PATH] = {};
    if (SearchPathW(nullptr, L"adb.exe", nullptr, MAX_PATH, found, nullptr) > 0) settings.adbPath = found;
  }
  return settings;
}

std::unique_ptr<AdbSocket> AdbClient::Open(const std::string& service, std::string& failure,
                                           uint32_t readTimeoutMs) const {
  auto socket = std::make_unique<AdbSocket>();
  if (!socket->Watch(m_connections)) {
    failure = "the connection was cut";
    return nullptr;
  }
  if (!m_winsock.ok() || !socket->Connect(m_port, kConnectTimeoutMs, readTimeoutMs)) {
    failure = "no adb server is running";
    return nullptr;
  }
  if (!SendAdbRequest(*socket, service, failure)) return nullptr;
  return socket;
}

std::unique_ptr<AdbSocket> AdbClient::OpenOnPhone(const std::string& serial, const std::string& service,
                                                  std::string& failure, uint32_t readTimeoutMs) const {
  std::unique_ptr<AdbSocket> socket = Open("host:transport:" + serial, failure, readTimeoutMs);
  if (!socket || !SendAdbRequest(*socket, service, failure)) return nullptr;
  return socket;
}

bool AdbClient::Version(int& version, std::string& failure) const {
  std::unique_ptr<AdbSocket> socket = Open("host:version", failure);
  std::string text;
  size_t value = 0;
  if (!socket || !ReadAdbMessage(*socket, text) || !ParseHexLength(text, value)) {
    if (failure.empty()) failure = "the adb server did not tell its version";
    return false;
  }
  version = static_cast<int>(value);
  return true;
}

bool AdbClient::Devices(std::vector<AdbDeviceEntry>& devices, std::string& failure) const {
  std::unique_ptr<AdbSocket> socket = Open("host:devices-l", failure);
  std::string text;
  if (!socket || !ReadAdbMessage(*socket, text)) {
    if (failure.empty()) failure = "the adb server did not list its phones";
    return false;
  }
  devices = ParseDeviceList(text);
  return true;
}

bool AdbClient::Shell(const std::string& serial, const std::string& command, std::string& output, std::string& failure,
                      uint32_t timeoutMs, size_t limit) const {
  output.clear();
  std::unique_ptr<AdbSocket> socket =
      OpenOnPhone(serial, "shell:" + command + "; echo " + kEndMark + "$?", failure, timeoutMs);
  if (!socket) return false;
  if (!ReadToEnd(*socket, output, limit)) {
    failure = "the phone did not finish answering";
    return false;
  }
  // The legacy shell may turn line ends into CR LF.
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  const size_t mark = output.rfind(kEndMark);
  if (mark == std::string::npos || (mark > 0 && output[mark - 1] != '\n')) {
    failure = "the phone's answer was cut short";
    return false;
  }
  const std::string status = output.substr(mark + sizeof(kEndMark) - 1);
  output.resize(mark);
  if (status != "0") {
    failure = "the command failed on the phone";
    return false;
  }
  return true;
}

bool AdbClient::ShellStream(const std::string& serial, const std::string& command,
                            const std::function<bool(std::string_view piece)>& onOutput, std::string& failure,
                            uint32_t timeoutMs) const {
  std::unique_ptr<AdbSocket> socket =
      OpenOnPhone(serial, "shell:" + command + "; echo " + kEndMark + "$?", failure, timeoutMs);
  if (!socket) return false;
  // The end mark and its status close the output: the last bytes are held back until the
  // end shows whether they are the mark.
  constexpr size_t kHeldBack = sizeof(kEndMark) + 16;
  std::string buffer;
  std::vector<char> chunk(64 * 1024);
  bool atLineStart = true;  // what was handed on so far ended a line (or there was none)
  while (true) {
    const int64_t read = socket->ReadSome(chunk.data(), chunk.size());
    if (read < 0) {
      failure = "the phone did not finish answering";
      return false;
    }
    if (read == 0) break;
    buffer.append(chunk.data(), static_cast<size_t>(read));
    if (buffer.size() > 2 * kHeldBack) {
      const size_t give = buffer.size() - kHeldBack;
      atLineStart = buffer[give - 1] == '\n';
      if (!onOutput(std::string_view(buffer.data(), give))) {
        socket->Abort();
        failure = "stopped";
        return false;
      }
      buffer.erase(0, give);
    }
  }
  while (!buffer.empty() && (buffer.back() == '\n' || buffer.back() == '\r')) buffer.pop_back();
  const size_t mark = buffer.rfind(kEndMark);
  if (mark == std::string::npos || (mark > 0 ? buffer[mark - 1] != '\n' : !atLineStart)) {
    failure = "the phone's answer was cut short";
    return false;
  }
  const std::string status = buffer.substr(mark + sizeof(kEndMark) - 1);
  buffer.resize(mark);
  if (status != "0") {
    failure = "the command failed on the phone";
    return false;
  }
  if (!buffer.empty() && !onOutput(buffer)) {
    failure = "stopped";
    return false;
  }
  return true;
}

bool AdbClient::Pull(const std::string& serial, const std::string& remote, const std::filesystem::path& target,
                     const std::function<bool(int64_t bytes)>& progress, std::string& failure,
                     SafeFileWriter::Replace replace, bool* targetExisted) const {
  std::unique_ptr<AdbSocket> socket = OpenOnPhone(serial, "sync:", failure);
  if (!socket) return false;
  SafeFileWriter file(target, replace);
  if (!file.Open()) {
    failure = file.Error();
    return false;
  }
  // The file is written, and put on the disk, while the next bytes come in: the commit's wait
  // for the disk is then short.
  WriteBehind behind(file, 1 << 20, 3, [&file] { return file.Settle(); });
  int64_t bytes = 0;
  bool stopped = false;
  bool pulled = adbsync::Pull(
      *socket, remote,
      [&](const char* data, size_t size) {
        if (!behind.Write(std::string_view(data, size))) return false;
        bytes += static_cast<int64_t>(size);
        if (progress && !progress(bytes)) {
          stopped = true;
          return false;
        }
        return true;
      },
      failure);
  if (pulled) adbsync::Quit(*socket);
  pulled = pulled && behind.Finish();
  behind.Drop();
  if (!pulled) {
    if (failure.empty()) failure = stopped ? "the transfer was stopped" : file.Error();
    return false;
  }
  if (!file.Commit()) {
    failure = file.Error();
    if (targetExisted != nullptr) *targetExisted = file.TargetExisted();
    return false;
  }
  return true;
}

bool AdbClient::StartServer(const std::wstring& adbPath, uint16_t port, std::string& failure,
                            const std::function<bool()>& stopping) {
  if (adbPath.empty()) {
    failure = "no adb program was found";
    return false;
  }
  std::wstring commandLine = L"\"" + adbPath + L"\" -P " + std::to_wstring(port) + L" start-server";
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(adbPath.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process)) {
    failure = "adb could not be started (GetLastError " + std::to_string(GetLastError()) + ")";
    return false;
  }
  struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
  };
  const std::unique_ptr<void, HandleCloser> thread(process.hThread);
  const std::unique_ptr<void, HandleCloser> owned(process.hProcess);
  // start-server returns once the server listens; a server that never comes up is not waited
  // for beyond 15 s, and the program closing does not wait for it at all (adb runs on alone).
  DWORD waited = WAIT_TIMEOUT;
  for (int slice = 0; slice < 150 && waited == WAIT_TIMEOUT; ++slice) {
    if (stopping && stopping()) {
      failure = "stopped while adb was starting";
      return false;
    }
    waited = WaitForSingleObject(owned.get(), 100);
  }
  DWORD exitCode = 1;
  GetExitCodeProcess(owned.get(), &exitCode);
  if (waited != WAIT_OBJECT_0 || exitCode != 0) {
    failure = "adb start-server did not succeed";
    return false;
  }
  return true;
}
