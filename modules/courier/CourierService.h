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
#include "modules/courier/AdbPhones.h"
#include "modules/courier/ConnectionTimeline.h"
#include "modules/courier/ContactOperations.h"
#include "modules/courier/DemoData.h"
#include "modules/courier/MessageOperations.h"
#include "modules/courier/ModuleReference.h"
#include "modules/courier/MusicOperations.h"
#include "modules/courier/PhotoOperations.h"
#include "modules/courier/AppOperations.h"
#include "modules/courier/BookOperations.h"
#include "modules/courier/WifiServer.h"
#include "modules/courier/VideoOperations.h"
#include "modules/courier/WorkerThread.h"
#include "modules/courier/update/UpdateService.h"

// `value` of READY_START_SERVER. The host echoes it back to the service once its router has
// handled the notice, so the echo says the UI is ready for phones: only then are they announced.
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
  bool IsServiceThread() const {
    return m_worker.IsWorkerThread() || m_operations.IsWorkerThread() || m_timeline.IsTimelineThread() ||
           m_updates.IsWorkerThread() || (m_adb && m_adb->IsServiceThread()) || m_wifi.IsServerThread();
  }

  // The host's echo of READY_START_SERVER: the first echo of kServerReadyStarted after the
  // service posted it starts connecting the phones.
  void OnHostReady(int64_t value);
  // The device record of a loaded phone; null for an unknown, removed or empty identifier.
  DeviceRecord* FindDevice(const wchar_t* identifier) const;
  size_t DeviceCount() const;

  // The wizard's buttons, passed on by the host with the phone's identifier.
  void Retry(const wchar_t* identifier, DemoRetry retry);
  void CancelDriverDownload(const wchar_t* identifier);
  // Forgets the phone: its script stops and GET_DEVICE no longer finds it. Its record stays
  // until the service is destroyed, since the panes and notices on their way may still read it.
  void RemoveDevice(const wchar_t* identifier);

  // LIBCOURIER_COMMAND_DO_CONTACT; `value` := the task ID of the started operation.
  void DoContact(CommandRecord& record) { m_contacts.Handle(record); }
  // LIBCOURIER_COMMAND_DO_SMS; `value` := the task ID of the started operation.
  void DoSms(CommandRecord& record) { m_messages.Handle(record); }
  // LIBCOURIER_COMMAND_DO_PHOTO and DO_FILE; `value` := the task ID of the started operation.
  void DoPhoto(CommandRecord& record) { m_photos.Handle(record); }
  void DoFile(CommandRecord& record) { m_exports.HandleFile(record); }
  // LIBCOURIER_COMMAND_DO_MUSIC and DO_VIDEO; `value` := the task ID of the started operation.
  void DoMusic(CommandRecord& record) { m_music.Handle(record); }
  void DoVideo(CommandRecord& record) { m_videos.Handle(record); }
  // LIBCOURIER_COMMAND_DO_EBOOK; `value` := the task ID of the started operation.
  void DoBook(CommandRecord& record) { m_books.Handle(record); }
  // LIBCOURIER_COMMAND_DO_APP; `value` := the task ID of the started operation.
  void DoApp(CommandRecord& record) { m_apps.Handle(record); }
  // LIBCOURIER_COMMAND_EXPORT_TASK: the checked tasks (`data`, a TaskEntryList read during the
  // call) into the folder `text`, reported through the task pane's progress dialog.
  void ExportTasks(const CommandRecord& record);
  // LIBCOURIER_COMMAND_DO_CANCEL, for an operation of any kind.
  void CancelTask(int64_t taskId) {
    m_contacts.Cancel(taskId);
    m_messages.Cancel(taskId);
    for (MediaOperations* kind : MediaKinds()) kind->Cancel(taskId);
    m_exports.Cancel(taskId);
  }

  // The update check and download (CHECK_FOR_UPDATE, DOWNLOAD_UPDATE, DOWNLOAD_UPDATE_CANCEL).
  UpdateService& Updates() { return m_updates; }
  // LIBCOURIER_COMMAND_START_WIFI_SERVER: opens the listener for phones and posts its address
  // and port back; STOP_WIFI_SERVER closes it again (the QR code is no longer shown).
  void StartWifi();
  void StopWifi() { m_wifi.CloseListener(); }
  // LIBCOURIER_COMMAND_ANSWER_WIFI_DEVICE: the user's answer about a phone asking to connect.
  bool AnswerWifi(int64_t ticket, bool accept) { return m_wifi.Answer(ticket, accept); }

  // The data file to read: the override variable, else DemoPhones.json beside this library.
  static std::wstring DataFilePath();

 private:
  void LoadPhones(const std::wstring& path);
  // A Wi-Fi phone the user let in has listed its contacts: it gets a record, a book and a
  // place on the timeline like a demo phone. On the network thread.
  void AddWifiPhone(DemoPhone phone);
  void AskAboutWifiPhone(int64_t ticket, const DemoPhone& phone);
  // Every media kind the service keeps files of.
  std::vector<MediaOperations*> MediaKinds() { return {&m_photos, &m_music, &m_videos, &m_books, &m_apps}; }
  MediaOperations* MediaKindOf(int32_t itemKind);
  void Post(CommandRecord& record, const char* name);

  const ModuleRecord& m_module;
  std::wstring m_productName;
  std::wstring m_makerName;
  std::wstring m_version;
  std::atomic<bool> m_readyPosted{false};
  std::atomic<bool> m_connecting{false};  // the timeline was started (once per service)

  mutable std::mutex m_devicesLock;  // the records are published by the worker, read by the UI
  DemoCatalog m_catalog;
  std::vector<std::unique_ptr<DeviceRecord>> m_devices;
  std::vector<std::unique_ptr<DeviceRecord>> m_removedDevices;
  // The Wi-Fi phones as they described themselves; kept as long as their records.
  std::vector<std::unique_ptr<DemoPhone>> m_wifiPhones;

  ModuleReference m_pin;  // keeps the library mapped while the threads may run
  ContactOperations m_contacts;
  MessageOperations m_messages;
  PhotoOperations m_photos;
  AdbSettings m_adbSettings;
  // Real phones through the adb server; null when the settings turn them off.
  std::unique_ptr<AdbPhones> m_adb;
  MusicOperations m_music;
  VideoOperations m_videos;
  BookOperations m_books;
  AppOperations m_apps;
  MediaExports m_exports;
  // The threads, declared last: destroyed (joined) before everything they use. The phones'
  // operations have their own thread, so a long load never holds up the connection work.
  ConnectionTimeline m_timeline;
  WorkerThread m_worker;
  WorkerThread m_operations;
  UpdateService m_updates;
  WifiServer m_wifi;  // its hooks reach the threads above: stopped first
};
