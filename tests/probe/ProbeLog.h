// For host tests: put libProbe into a test copy of the product with a script, and read back what
// it logged. Every log line is one JSON object with "seq", "tick", "thread" and "module". A
// received command carries the fourteen record fields and no "event"; every other line has an
// "event": "loaded", "registered", "answered", "posted", "close", "config-error", "timer-error".
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

class ProbeLog {
 public:
  ProbeLog() = default;
  explicit ProbeLog(std::vector<nlohmann::json> entries) : m_entries(std::move(entries)) {}

  // Lines that do not parse (a line cut short by a killed process) are skipped; a missing file
  // is an empty log.
  static ProbeLog Read(const std::wstring& path);

  const std::vector<nlohmann::json>& Entries() const { return m_entries; }
  bool Empty() const { return m_entries.empty(); }

  // Entries of one event, in log order; with `name`, only those for that command name.
  std::vector<nlohmann::json> Events(const std::string& event) const;
  std::vector<nlohmann::json> Events(const std::string& event, const std::string& name) const;
  // The commands the module received, in arrival order: all of them, or those of `name`.
  std::vector<nlohmann::json> Received() const;
  std::vector<nlohmann::json> Received(const std::string& name) const;
  // The last command of `name` received, or null.
  const nlohmann::json* LastReceived(const std::string& name) const;
  // Command names in log order: of every received command, or of every entry of `event`
  // ("registered" gives the registration order, "posted" the order of posts).
  std::vector<std::string> ReceivedNames() const;
  std::vector<std::string> Names(const std::string& event) const;

 private:
  std::vector<nlohmann::json> m_entries;
};

// An integer field that holds a window handle ("window" of a received command, say).
HWND HwndOf(const nlohmann::json& entry, const char* field = "window");

// <folder of the running test program>\probe\libProbe.dll, where the build puts the probe.
std::wstring ProbeDllPath();
// The script and the default log of the probe copy at `dllPath`.
std::wstring ProbeConfigPathFor(const std::wstring& dllPath);
std::wstring ProbeLogPathFor(const std::wstring& dllPath);

bool WriteProbeConfig(const std::wstring& path, const nlohmann::json& config);

// Copies the probe to <pluginsDir>\<name>\<name>.dll (pluginsDir ends in a backslash) with
// `config` as its script and no log left from an earlier run. Answers the copy's path, or empty
// when a step failed.
std::wstring InstallProbe(const std::wstring& pluginsDir, const std::wstring& name, const nlohmann::json& config);

// Re-reads the log at `path` until `done` holds or `timeoutMs` passes; answers the last read.
// It does not pump messages: it is for a host running in another process.
ProbeLog WaitForProbeLog(const std::wstring& path, const std::function<bool(const ProbeLog&)>& done, DWORD timeoutMs);
