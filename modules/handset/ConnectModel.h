// The state of one phone's connection wizard without its window: the page, the steps, the
// progress and the texts the device service sent, and what the action button does on each page.
#pragma once

#include <cstdint>
#include <string>

#include "modules/handset/StatusPageTable.h"

namespace connect_page {
constexpr int kConnecting = 1;
constexpr int kDebugHelp = 2;
constexpr int kAuthorize = 3;
constexpr int kDriverDownload = 4;
constexpr int kDriverFailed = 5;
constexpr int kInstallFailed = 6;
constexpr int kDriverInstall = 7;
constexpr int kDetectFailed = 8;
constexpr int kHeaderOnly = 9;
constexpr int kRootAuthorize = 10;
constexpr int kReady = 11;  // never stays: passes on to the device's own panes
constexpr int kRestart = 12;
constexpr int kManager = 13;
constexpr int kFirst = 1;
constexpr int kLast = 13;
}  // namespace connect_page

// One connection-status notice as the device pane hands it on.
struct StatusNotice {
  int32_t status = 0;
  std::wstring deviceText;  // the failure detail for page 6
  std::string narrowText;   // UTF-8: the driver page address of status 4
  int64_t total = 0;        // status 6: driver bytes
  int64_t position = 0;     // status 6: bytes done
};

struct StatusOutcome {
  int page = 0;              // the page the notice asks for; 0: none
  bool leftManager = false;  // the phone dropped out of the ready state while its panes showed
};

// What the action button does on a page.
struct PageAction {
  const char* command = nullptr;  // posted to the host with the tab's window
  int showPage = 0;               // or a page shown without a command
  bool DoesAnything() const { return command != nullptr || showPage != 0; }
};

PageAction ActionOfPage(int page);
// The action button's text on a page; null where it is hidden.
const wchar_t* ActionTextOfPage(int page);
// The Android-version tab (0 to 3) that matches a phone's version ("4.4"); -1 when unknown.
int VersionTabOfAndroid(const std::wstring& version);

class ConnectModel {
 public:
  // 0 before the first page is entered.
  int Page() const { return m_page; }
  // Page 11 never stands: it resolves to 13 (the device's panes).
  static int ResolvePage(int page);
  // Enters `page` (resolved). False when it is already shown or not a page, so a status that
  // leads to the shown page does not restart it.
  bool EnterPage(int page);
  // The USB-debugging help opened by the user (the link on the detection-failed page), which
  // words its heading as an offer rather than a request.
  void OpenDebugHelpFromLink() { m_debugHelpFromLink = true; }

  // Takes in a notice: texts, steps and progress. The page it asks for is returned, not entered.
  StatusOutcome ApplyStatus(const StatusNotice& notice);

  int32_t LastStatus() const { return m_lastStatus; }
  connect_status::StepMarks Marks() const { return m_marks; }
  float Progress() const { return m_progress; }
  const std::wstring& DeviceText() const { return m_deviceText; }
  const std::wstring& FailureDetail() const { return m_failureDetail; }
  // "1.5 MB/3.0 MB" while a driver downloads; empty before the first byte count.
  const std::wstring& DownloadText() const { return m_downloadText; }
  // The driver page address (UTF-8) the device service gave with status 4.
  const std::string& DriverLink() const { return m_driverLink; }
  const wchar_t* DebugHelpTitle() const;

  int Version() const { return m_version; }
  // False for an index outside 0..3 or the version already shown.
  bool SelectVersion(int version);

 private:
  int m_page = 0;  // none until the wizard shows its first page
  int32_t m_lastStatus = -1;
  connect_status::StepMarks m_marks;
  float m_progress = 0.0f;
  std::wstring m_deviceText;
  std::wstring m_failureDetail;
  std::wstring m_downloadText;
  std::string m_driverLink;
  bool m_debugHelpFromLink = false;
  int m_version = 0;
};

// The action button is disabled for a while after it sent a command, so a second press (or a
// press queued before the button went grey) cannot send the same retry twice. Times are
// GetTickCount-style milliseconds; the arithmetic survives their wrap.
class ActionCooldown {
 public:
  explicit ActionCooldown(uint32_t lengthMs) : m_lengthMs(lengthMs) {}
  // Starts the cooldown; false (and nothing changes) while one is running.
  bool TryStart(uint32_t nowMs);
  bool IsRunning(uint32_t nowMs) const;
  // The re-enabling timer fired, or the page that owned the press is gone.
  void End() { m_running = false; }
  uint32_t Length() const { return m_lengthMs; }

 private:
  uint32_t m_lengthMs;
  uint32_t m_startMs = 0;
  bool m_running = false;
};
