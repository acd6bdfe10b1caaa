#include "modules/handset/ConnectModel.h"

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/handset/HandsetTexts.h"

#include <cstdlib>

namespace {

std::wstring TakeHeapText(wchar_t* text) {
  std::wstring copy = text ? text : L"";
  std::free(text);
  return copy;
}

std::wstring FormatSize(int64_t bytes) { return TakeHeapText(BASUtilityFile::ZLGetFormatSizeFromBytes(bytes)); }

}  // namespace

PageAction ActionOfPage(int page) {
  PageAction action;
  switch (page) {
    case connect_page::kDebugHelp:
      action.showPage = connect_page::kDetectFailed;
      break;
    case connect_page::kAuthorize:
      action.command = kHandsetDebugAuthorizeRetry;
      break;
    case connect_page::kDriverDownload:
      action.command = kHandsetDownloadDriverCancel;
      break;
    case connect_page::kInstallFailed:
      action.command = kHandsetInstallRetry;
      break;
    case connect_page::kDetectFailed:
      action.command = kHandsetRetryConnectDevice;
      break;
    case connect_page::kRootAuthorize:
      action.command = kHandsetRootAuthorizeRetry;
      break;
    default:
      break;
  }
  return action;
}

const wchar_t* ActionTextOfPage(int page) {
  switch (page) {
    case connect_page::kDebugHelp:
      return handset_text::kBack;
    case connect_page::kAuthorize:
      return handset_text::kShowAgain;
    case connect_page::kDriverDownload:
    case connect_page::kDriverFailed:
      return handset_text::kCancel;
    case connect_page::kInstallFailed:
    case connect_page::kDetectFailed:
    case connect_page::kHeaderOnly:
    case connect_page::kRootAuthorize:
      return handset_text::kRetry;
    default:
      return nullptr;
  }
}

int VersionTabOfAndroid(const std::wstring& version) {
  if (version.empty()) return -1;
  const wchar_t* text = version.c_str();
  if (BASUtilityString::CompareVersion(text, L"3.0") < 0) return 0;
  if (BASUtilityString::CompareVersion(text, L"4.2") < 0) return 1;
  if (BASUtilityString::CompareVersion(text, L"6.0") < 0) return 2;
  return 3;
}

int ConnectModel::ResolvePage(int page) { return page == connect_page::kReady ? connect_page::kManager : page; }

bool ConnectModel::EnterPage(int page) {
  page = ResolvePage(page);
  if (page < connect_page::kFirst || page > connect_page::kLast || page == m_page) return false;
  if (page != connect_page::kDebugHelp) m_debugHelpFromLink = false;
  m_page = page;
  return true;
}

StatusOutcome ConnectModel::ApplyStatus(const StatusNotice& notice) {
  using namespace connect_status;
  StatusOutcome outcome;
  const int32_t status = notice.status;
  if (status < 0) return outcome;
  m_lastStatus = status;
  m_deviceText = notice.deviceText;
  m_marks = StepMarksOfStatus(status);
  if (std::optional<float> progress = ProgressOfStatus(status)) m_progress = *progress;
  if (status == kDriverProgressStatus) {
    if (std::optional<float> share = DownloadProgress(notice.position, notice.total)) {
      m_progress = *share;
      m_downloadText = FormatSize(notice.position) + L"/" + FormatSize(notice.total);
    }
  } else if (status == kDriverLinkStatus) {
    // A new download begins: its address, and no byte count yet.
    m_driverLink = notice.narrowText;
    m_downloadText.clear();
  } else if (status == kClearTextStatus) {
    m_deviceText.clear();
  }
  outcome.page = PageOfStatus(status);
  if (outcome.page == connect_page::kInstallFailed) m_failureDetail = notice.deviceText;
  outcome.leftManager = m_page == connect_page::kManager && status < kLastTableStatus;
  if (outcome.page == connect_page::kDebugHelp) m_debugHelpFromLink = false;
  return outcome;
}

const wchar_t* ConnectModel::DebugHelpTitle() const {
  return m_debugHelpFromLink ? handset_text::kDebugTake : handset_text::kDebugPlease;
}

bool ConnectModel::SelectVersion(int version) {
  if (version < 0 || version > 3 || version == m_version) return false;
  m_version = version;
  return true;
}

bool ActionCooldown::TryStart(uint32_t nowMs) {
  if (IsRunning(nowMs)) return false;
  m_running = true;
  m_startMs = nowMs;
  return true;
}

bool ActionCooldown::IsRunning(uint32_t nowMs) const { return m_running && nowMs - m_startMs < m_lengthMs; }
