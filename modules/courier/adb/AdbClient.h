// The requests the device service makes of the adb server: its version, a phone's shell
// commands, files pulled with the sync service, and starting the server when none listens.
// Each call opens its own connection (the server serves one request per connection).
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "modules/courier/SafeFile.h"
#include "modules/courier/adb/AdbSocket.h"

struct AdbSettings {
  uint16_t port = 5037;
  std::wstring adbPath;    // the adb program to start the server with; empty: none found
  bool demoPhones = true;  // the demo phones are served beside the real ones
  bool realPhones = true;  // phones are looked for through adb at all
  // The settings ("adb:port", "adb:path", "adb:demo", "adb:enabled" of Option.json), else
  // ANDROID_ADB_SERVER_PORT as adb itself reads it, else the defaults; an adb named by no
  // setting is looked for on PATH.
  static AdbSettings Read();
};

class AdbClient {
 public:
  explicit AdbClient(uint16_t port) : m_port(port), m_connections(std::make_shared<AdbConnections>()) {}

  // From any thread: every open connection is cut and new ones fail at once (the service
  // stopping), until Reopen.
  void Close() const { m_connections->Close(); }
  void Reopen() const { m_connections->Reopen(); }
  // From any thread: the connections the thread `opener` opened are cut (its job was cancelled).
  void AbortOpenedBy(std::thread::id opener) const { m_connections->AbortOpenedBy(opener); }

  // A connection on which `service` was accepted; null with `failure` otherwise.
  std::unique_ptr<AdbSocket> Open(const std::string& service, std::string& failure,
                                  uint32_t readTimeoutMs = kReplyTimeoutMs) const;
  // A connection switched to the phone `serial`, on which `service` was accepted.
  std::unique_ptr<AdbSocket> OpenOnPhone(const std::string& serial, const std::string& service, std::string& failure,
                                         uint32_t readTimeoutMs = kReplyTimeoutMs) const;

  bool Version(int& version, std::string& failure) const;
  // The server's device list now (host:devices-l).
  bool Devices(std::vector<AdbDeviceEntry>& devices, std::string& failure) const;
  // The output of `command` run in the phone's shell, at most `limit` bytes. The command is
  // followed by an end mark, so output cut short by an unplugged phone is never taken for
  // all of it; false then, and when the command's status is not 0.
  bool Shell(const std::string& serial, const std::string& command, std::string& output, std::string& failure,
             uint32_t timeoutMs = kReplyTimeoutMs, size_t limit = 64 * 1024 * 1024) const;
  // The same, the output handed to `onOutput` piece by piece as it arrives (all but the end
  // mark), never held whole. False from `onOutput` stops the command (`failure` "stopped").
  bool ShellStream(const std::string& serial, const std::string& command,
                   const std::function<bool(std::string_view piece)>& onOutput, std::string& failure,
                   uint32_t timeoutMs = kReplyTimeoutMs) const;
  // Streams the phone's file `remote` into `target` (through a temporary file: a pull cut
  // short leaves no half file). `progress` hears the bytes so far and may stop the pull. With
  // `replace` kNever a file at `target` stays, and `targetExisted` is set.
  bool Pull(const std::string& serial, const std::string& remote, const std::filesystem::path& target,
            const std::function<bool(int64_t bytes)>& progress, std::string& failure,
            SafeFileWriter::Replace replace = SafeFileWriter::Replace::kAllow, bool* targetExisted = nullptr) const;

  // Runs "adb start-server" without a console window and waits for it; false when the program
  // is missing or did not bring the server up in time. `stopping` ends the wait at once (adb
  // is left to come up on its own).
  static bool StartServer(const std::wstring& adbPath, uint16_t port, std::string& failure,
                          const std::function<bool()>& stopping = nullptr);

  static constexpr uint32_t kConnectTimeoutMs = 2000;
  static constexpr uint32_t kReplyTimeoutMs = 10000;

 private:
  uint16_t m_port;
  WinsockSession m_winsock;
  std::shared_ptr<AdbConnections> m_connections;
};
