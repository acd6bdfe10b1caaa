#include "host/CrashReporting.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/Alert.h"
#include "host/HostState.h"
#include "host/Product.h"

namespace {

std::string WindowsVersionText() {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL ok = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info));
#pragma GCC diagnostic pop
  if (!ok) return std::string();
  char text[128];
  std::snprintf(text, sizeof text, "%lu.%lu Build %lu Service Pack %u.%u", info.dwMajorVersion, info.dwMinorVersion,
                info.dwBuildNumber, info.wServicePackMajor, info.wServicePackMinor);
  return text;
}

void CollectCallback(const wchar_t* folder, wchar_t** extraFile) {
  if (folder == nullptr || extraFile == nullptr) return;
  std::wstring path = std::wstring(folder) + L"Crash.json";
  std::string json = BuildCrashJson(WindowsVersionText());
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return;
  std::fwrite(json.data(), 1, json.size(), file);
  std::fclose(file);
  *extraFile = _wcsdup(path.c_str());
}

void ReportCallback(const wchar_t* reportPath) {
  if (Host().shuttingDown || reportPath == nullptr) return;
  BASTrace("AndroidReportCallbackFunc: ");
  BASTrace("AndroidReportCallbackFunc: ");
  std::wstring path(reportPath);
  std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
  std::wstring text =
      L"Application have crashed due to some unknown reasons,Please email the zip crashing report file that is "
      L"generated in below path to us: " +
      folder;
  ShowAlert(GetActiveWindow(), text, 400, 180, L"Open");
  BASUtilityApp::OpenFolder(folder.c_str());
}

}  // namespace

std::string BuildCrashJson(const std::string& system) {
  // An ordered object keeps the members in the order the report's readers expect.
  nlohmann::ordered_json json;
  json["Product"] = product::DisplayNameNarrow();
  json["Version"] = product::kVersionNarrow;
  json["System"] = system;
  return json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void PrepareCrashDumpPath() {
  char stamp[32] = {};
  BASUtilitySys::GetNowDateTime(stamp, sizeof stamp, "%Y%m%d%H%M%S");
  wchar_t* wideStamp = BASUtilityString::ConvertUtf8ToUnicode(stamp);
  wchar_t temp[MAX_PATH + 1] = {};
  GetTempPathW(MAX_PATH, temp);
  HostState& host = Host();
  host.logFolder = std::wstring(temp) + product::DisplayName() + L"\\Log\\" + std::to_wstring(host.processId);
  SHCreateDirectoryExW(nullptr, host.logFolder.c_str(), nullptr);
  host.dumpPath = host.logFolder + L"\\" + (wideStamp ? wideStamp : L"crash") + L".dmp";
  std::free(wideStamp);
}

void RegisterCrashCallbacks() {
  BASDbgReport::RegisterCrashFilter(Host().dumpPath.c_str(), ReportCallback, CollectCallback);
}

void RemoveEmptyLogFolder(const std::wstring& folder) {
  if (folder.empty()) return;
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  bool empty = true;
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (entry.cFileName[0] != L'.') {
        empty = false;
        break;
      }
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  if (empty) RemoveDirectoryW(folder.c_str());
}
