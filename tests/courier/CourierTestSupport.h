// What the tests of libCourier's plug-in edge share: pointing the service at a test data file,
// starting and destroying it through the harness, and asking for a phone's record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

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

// A data file of one ready phone `identifier` whose lists are `lists` (members of the phone
// object, as JSON text beginning with a comma).
inline std::string OnePhoneData(const std::string& identifier, const std::string& lists) {
  return "{\"format\": 1, \"phones\": [{\"identifier\": \"" + identifier + "\", \"displayName\": \"" + identifier +
         "\", \"model\": \"M\", \"androidVersion\": \"13\", \"battery\": {\"percent\": 50}, \"phoneMemory\": "
         "{\"totalBytes\": 1, \"freeBytes\": 1}, \"storageMemory\": {\"totalBytes\": 0, \"freeBytes\": 0}, "
         "\"connection\": [{\"status\": 22}]" +
         lists + "}]}";
}

// The ends of the operations a test starts, as the progress dialog hears them: the failures
// it would add up and the last line it would show.
class OperationEnds {
 public:
  static constexpr DWORD kWaitMs = 20000;

  void Attach(ModuleHarness& harness) {
    harness.SetHook(kCourierNotifyProgressFinish, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_finished.push_back(record.value);
      if (record.data != nullptr) m_lastText = static_cast<const wchar_t*>(record.data);
      return 0;
    });
    harness.SetHook(kCourierNotifyProgress, [this](CommandRecord& record) {
      std::lock_guard<std::mutex> lock(m_lock);
      m_failed += record.value;
      return 0;
    });
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_finished.clear();
    m_failed = 0;
    m_lastText.clear();
  }
  // Waits for the end of the operation started last: the number of items that failed, -1 when
  // it never ended.
  int64_t Wait() {
    const ULONGLONG end = GetTickCount64() + kWaitMs;
    while (GetTickCount64() < end) {
      {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_finished.empty()) return m_failed + m_finished.front();
      }
      Sleep(5);
    }
    return -1;
  }
  std::wstring LastText() {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_lastText;
  }

 private:
  std::mutex m_lock;
  std::vector<int64_t> m_finished;
  int64_t m_failed = 0;
  std::wstring m_lastText;
};

// Sends an operation's request for `phone`: `value` of the record, the started task's ID.
inline int64_t SendOperation(ModuleHarness& harness, const char* name, const wchar_t* phone, int64_t code, void* data,
                             const wchar_t* folder, int64_t value) {
  CommandRecord record;
  record.code = code;
  record.text = phone;
  record.data = data;
  record.payload = const_cast<wchar_t*>(folder);
  record.value = value;
  harness.Send(name, record);
  return record.value;
}
