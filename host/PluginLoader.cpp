#include "host/PluginLoader.h"

#include <cstdlib>
#include <string>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"

namespace {

// Closes a FindFirstFileW enumeration on every path out.
class FindHandle {
 public:
  explicit FindHandle(HANDLE h) : m_handle(h) {}
  ~FindHandle() {
    if (m_handle != INVALID_HANDLE_VALUE) FindClose(m_handle);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE Get() const { return m_handle; }

 private:
  HANDLE m_handle;
};

int LoadOne(CommandBus& bus, ImageCache* imageCache, const std::wstring& path) {
  // The altered search path lets a plug-in find libraries that lie in its own folder.
  HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  BASTrace(" GetLastError: %lu", module ? 0UL : GetLastError());
  if (module == nullptr) return 0;
  auto registerModule =
      reinterpret_cast<RegisterModuleProc>(reinterpret_cast<void*>(GetProcAddress(module, kRegisterModuleExport)));
  if (registerModule == nullptr) {
    BASTraceW(L"LoadAllPlugins: %ls has no RegisterModule", path.c_str());
    return 0;
  }
  ModuleRecord* record = bus.AddModule(module, imageCache);
  if (record == nullptr) return 0;
  try {
    registerModule(record);
  } catch (...) {
    BASTraceW(L"LoadAllPlugins: RegisterModule of %ls failed", path.c_str());
  }
  return 1;
}

}  // namespace

int LoadAllPlugins(CommandBus& bus, ImageCache* imageCache) {
  wchar_t* folder = BASUtilityApp::GetProductPluginsDir();
  if (folder == nullptr) return 0;
  std::wstring plugins(folder);
  std::free(folder);

  int loaded = 0;
  WIN32_FIND_DATAW entry;
  FindHandle find(FindFirstFileW((plugins + L"*").c_str(), &entry));
  if (find.Get() == INVALID_HANDLE_VALUE) return 0;
  do {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    std::wstring name(entry.cFileName);
    if (name == L"." || name == L"..") continue;
    loaded += LoadOne(bus, imageCache, plugins + name + L"\\lib" + name + L".dll");
  } while (FindNextFileW(find.Get(), &entry));
  return loaded;
}
