#include "tests/probe/ProbeLog.h"

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FileHandle = std::unique_ptr<FILE, FileCloser>;

std::wstring FolderOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring WithExtension(const std::wstring& dllPath, const wchar_t* extension) {
  std::wstring stem = dllPath;
  if (stem.size() >= 4 && _wcsicmp(stem.c_str() + stem.size() - 4, L".dll") == 0) stem.resize(stem.size() - 4);
  return stem + extension;
}

std::wstring WideFromUtf8(const std::string& text) {
  int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  if (size <= 1) return std::wstring();
  std::wstring wide(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], size);
  wide.resize(size - 1);
  return wide;
}

bool IsReceived(const nlohmann::json& entry) { return !entry.contains("event"); }

bool IsEvent(const nlohmann::json& entry, const std::string& event) {
  auto it = entry.find("event");
  return it != entry.end() && it->is_string() && *it == event;
}

std::string NameOf(const nlohmann::json& entry) {
  auto it = entry.find("name");
  return it != entry.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool HasName(const nlohmann::json& entry, const std::string& name) {
  auto it = entry.find("name");
  return it != entry.end() && it->is_string() && *it == name;
}

}  // namespace

ProbeLog ProbeLog::Read(const std::wstring& path) {
  std::vector<nlohmann::json> entries;
  FileHandle file(_wfopen(path.c_str(), L"rb"));
  if (file == nullptr) return ProbeLog();
  std::string text;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, got);
  file.reset();

  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
    if (!entry.is_discarded() && entry.is_object()) entries.push_back(std::move(entry));
  }
  return ProbeLog(std::move(entries));
}

std::vector<nlohmann::json> ProbeLog::Events(const std::string& event) const {
  std::vector<nlohmann::json> found;
  for (const auto& entry : m_entries) {
    if (IsEvent(entry, event)) found.push_back(entry);
  }
  return found;
}

std::vector<nlohmann::json> ProbeLog::Events(const std::string& event, const std::string& name) const {
  std::vector<nlohmann::json> found;
  for (const auto& entry : m_entries) {
    if (IsEvent(entry, event) && HasName(entry, name)) found.push_back(entry);
  }
  return found;
}

std::vector<nlohmann::json> ProbeLog::Received() const {
  std::vector<nlohmann::json> found;
  for (const auto& entry : m_entries) {
    if (IsReceived(entry)) found.push_back(entry);
  }
  return found;
}

std::vector<nlohmann::json> ProbeLog::Received(const std::string& name) const {
  std::vector<nlohmann::json> found;
  for (const auto& entry : m_entries) {
    if (IsReceived(entry) && HasName(entry, name)) found.push_back(entry);
  }
  return found;
}

const nlohmann::json* ProbeLog::LastReceived(const std::string& name) const {
  for (auto it = m_entries.rbegin(); it != m_entries.rend(); ++it) {
    if (IsReceived(*it) && HasName(*it, name)) return &*it;
  }
  return nullptr;
}

std::vector<std::string> ProbeLog::ReceivedNames() const {
  std::vector<std::string> names;
  for (const auto& entry : Received()) names.push_back(NameOf(entry));
  return names;
}

std::vector<std::string> ProbeLog::Names(const std::string& event) const {
  std::vector<std::string> names;
  for (const auto& entry : Events(event)) names.push_back(NameOf(entry));
  return names;
}

HWND HwndOf(const nlohmann::json& entry, const char* field) {
  auto it = entry.find(field);
  if (it == entry.end() || !it->is_number_integer()) return nullptr;
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(it->get<uint64_t>()));
}

std::wstring ProbeDllPath() {
  wchar_t path[MAX_PATH];
  DWORD size = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return FolderOf(std::wstring(path, size < MAX_PATH ? size : 0)) + L"probe\\libProbe.dll";
}

std::wstring ProbeConfigPathFor(const std::wstring& dllPath) { return WithExtension(dllPath, L".json"); }

std::wstring ProbeLogPathFor(const std::wstring& dllPath) { return WithExtension(dllPath, L".log"); }

bool WriteProbeConfig(const std::wstring& path, const nlohmann::json& config) {
  std::string text = config.dump(2);
  FileHandle file(_wfopen(path.c_str(), L"wb"));
  if (file == nullptr) return false;
  bool ok = fwrite(text.data(), 1, text.size(), file.get()) == text.size();
  // A failed flush on close is a failed write.
  return fclose(file.release()) == 0 && ok;
}

std::wstring InstallProbe(const std::wstring& pluginsDir, const std::wstring& name, const nlohmann::json& config) {
  std::wstring folder = pluginsDir + name + L"\\";
  if (!CreateDirectoryW(pluginsDir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return std::wstring();
  std::wstring dll = folder + name + L".dll";
  if (!CopyFileW(ProbeDllPath().c_str(), dll.c_str(), FALSE)) return std::wstring();
  DeleteFileW(ProbeLogPathFor(dll).c_str());
  auto log = config.find("log");
  if (log != config.end() && log->is_string()) DeleteFileW(WideFromUtf8(log->get<std::string>()).c_str());
  if (!WriteProbeConfig(ProbeConfigPathFor(dll), config)) return std::wstring();
  return dll;
}

ProbeLog WaitForProbeLog(const std::wstring& path, const std::function<bool(const ProbeLog&)>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    ProbeLog log = ProbeLog::Read(path);
    if (done(log) || GetTickCount() - start >= timeoutMs) return log;
    Sleep(20);
  }
}
