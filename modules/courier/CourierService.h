// The device service behind libCourier's commands: its threads, the demo phones it plays back
// and the device records it owns. Created by START_SERVER and destroyed by DESTROY_RESOURCE;
// the records it hands out live exactly that long.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "contracts/CommandPayloads.h"
#include "contracts/CommandRecord.h"
#include "contracts/DeviceRecord.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/ModuleReference.h"
#include "modules/courier/WorkerThread.h"

// `value` of READY_START_SERVER. The host echoes it back to the service once its router has
// handled the notice, so the echo says the UI is ready for phones.
constexpr int64_t kServerReadyStarted = 1;

// Overrides where the demo phones are read from (tests, demonstrations with other data).
inline constexpr wchar_t kDemoDataVariable[] = L"ZORVANE_DEMO_DATA";
inline constexpr wchar_t kDemoDataFileName[] = L"DemoPhones.json";

class CourierService {
 public:
  explicit CourierService(const ModuleRecord& module);
  // Stops and joins every thread, then releases the records.
  ~CourierService();

  CourierService(const CourierService&) = delete;
  CourierService& operator=(const CourierService&) = delete;

  // Starts the service thread, which loads the demo phones and then posts READY_START_SERVER.
  // `info` may be null; its strings are copied.
  bool Start(const ServerStartInfo* info);
  // Interrupts whatever the threads are doing and joins them; bounded by the longest single
  // step that does not wait (a file read), never by a phone's timeline.
  void Stop();

  // True on the service's own threads, where Stop can only ask them to end.
  bool IsServiceThread() const { return m_worker.IsWorkerThread(); }

  // The host has shown the READY notice (its echo of READY_START_SERVER).
  void OnHostReady(int64_t value);
  // The device record of a loaded phone; null for an unknown or empty identifier.
  DeviceRecord* FindDevice(const wchar_t* identifier) const;
  size_t DeviceCount() const;

  // The data file to read: the override variable, else DemoPhones.json beside this library.
  static std::wstring DataFilePath();

 private:
  void LoadPhones(const std::wstring& path);
  void Post(CommandRecord& record, const char* name);

  const ModuleRecord& m_module;
  std::wstring m_productName;
  std::wstring m_makerName;
  std::wstring m_version;
  std::atomic<bool> m_hostReady{false};

  mutable std::mutex m_devicesLock;  // the records are published by the worker, read by the UI
  DemoCatalog m_catalog;
  std::vector<std::unique_ptr<DeviceRecord>> m_devices;

  ModuleReference m_pin;  // keeps the library mapped while m_worker may run
  WorkerThread m_worker;  // declared last: destroyed (joined) before everything it uses
};
