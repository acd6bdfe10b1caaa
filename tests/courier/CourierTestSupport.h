// What the tests of libCourier's plug-in edge share: pointing the service at a test data file,
// starting and destroying it through the harness, and asking for a phone's record.
#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "tests/harness/ModuleHarness.h"

// Points the service at another data file for the life of the object.
class DemoDataOverride {
 public:
  explicit DemoDataOverride(const std::wstring& path) { SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", path.c_str()); }
  ~DemoDataOverride() { SetEnvironmentVariableW(L"ZORVANE_DEMO_DATA", nullptr); }
  DemoDataOverride(const DemoDataOverride&) = delete;
  DemoDataOverride& operator=(const DemoDataOverride&) = delete;
};

inline std::wstring TempFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  std::wstring path = std::wstring(folder) + L"courier-test-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

inline std::wstring WriteFile(const std::wstring& name, const std::string& bytes) {
  const std::wstring path = TempFolder() + name;
  std::ofstream(std::filesystem::path(path), std::ios::binary) << bytes;
  return path;
}

inline void Start(ModuleHarness& harness) {
  const ServerStartInfo info{L"Zorvane Steward for Android", L"Zorvane", L"2.1.163"};
  CommandRecord record;
  record.data = const_cast<ServerStartInfo*>(&info);
  harness.Send(kCourierStartServer, record);
}

inline void Destroy(ModuleHarness& harness) {
  CommandRecord record;
  harness.Send(kCourierDestroyResource, record);
}

inline DeviceRecord* GetDevice(ModuleHarness& harness, const wchar_t* identifier) {
  CommandRecord record;
  record.text = identifier;
  record.payload = reinterpret_cast<void*>(0x1);  // must be overwritten either way
  harness.Send(kCourierGetDevice, record);
  return static_cast<DeviceRecord*>(record.payload);
}
