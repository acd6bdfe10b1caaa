#include <map>
#include <memory>
#include <mutex>

#include "cornerstone/Internal.h"
#include "cornerstone/core/JsonStore.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace cornerstone {

struct UserDefaultsState {
  JsonStore store;
  std::wstring path;  // empty for stores that are never written back
  bool ok = false;

  static BASUserDefaults* Create() { return new BASUserDefaults(); }
};

}  // namespace cornerstone

namespace {

std::mutex g_registryMutex;
// Stores live until the process ends; callers keep the pointers.
std::map<std::string, BASUserDefaults*>& Registry() {
  static auto* registry = new std::map<std::string, BASUserDefaults*>();
  return *registry;
}
BASUserDefaults* g_standard = nullptr;

}  // namespace

BASUserDefaults::BASUserDefaults() : m_state(new cornerstone::UserDefaultsState()) {}
BASUserDefaults::~BASUserDefaults() { delete m_state; }

bool BASUserDefaults::InitUserDefaults(const char* name, const wchar_t* path) {
  if (!name || !path) return false;
  std::string text;
  if (!cornerstone::ReadWholeFile(path, text)) return false;
  // A UTF-8 byte-order mark is common in hand-edited files.
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = Registry().find(name);
  if (it != Registry().end()) {
    if (!it->second->m_state->store.Parse(text)) return false;
    it->second->m_state->ok = true;
    return true;
  }
  BASUserDefaults* defaults = cornerstone::UserDefaultsState::Create();
  if (!defaults->m_state->store.Parse(text)) {
    delete defaults;
    return false;
  }
  defaults->m_state->ok = true;
  Registry()[name] = defaults;
  return true;
}

BASUserDefaults* BASUserDefaults::GetUserDefaults(const char* name) {
  if (!name) return nullptr;
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = Registry().find(name);
  return it == Registry().end() ? nullptr : it->second;
}

bool BASUserDefaults::InitStandardUserDefaults(const wchar_t* maker, const wchar_t* product) {
  if (!maker || !product || !*maker || !*product) return false;
  wchar_t* appData = BASUtilitySys::GetAppDataDir();
  if (!appData) return false;
  std::wstring folder = std::wstring(appData) + maker + L"\\" + product + L"\\";
  std::free(appData);
  cornerstone::CreateFolderTree(folder);
  std::wstring path = folder + L"UserDefaults.json";

  BASUserDefaults* standard = StandardUserDefaults();
  std::lock_guard<std::mutex> lock(g_registryMutex);
  cornerstone::UserDefaultsState* state = standard->m_state;
  state->store.Clear();
  state->path = path;
  state->ok = true;
  std::string text;
  if (cornerstone::ReadWholeFile(path, text) && !text.empty()) {
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    if (!state->store.Parse(text)) {
      // Keep the damaged file for inspection and start afresh rather than fail; an earlier
      // damaged file is kept too, under the next free number.
      std::wstring aside = path + L".corrupt";
      for (int number = 2; !MoveFileExW(path.c_str(), aside.c_str(), 0) && number < 1000; ++number) {
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
        aside = path + L".corrupt-" + std::to_wstring(number);
      }
      BASTraceW(L"UserDefaults: %ls is damaged, moved to %ls", path.c_str(), aside.c_str());
    }
  }
  return true;
}

BASUserDefaults* BASUserDefaults::StandardUserDefaults() {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  if (!g_standard) g_standard = cornerstone::UserDefaultsState::Create();
  return g_standard;
}

bool BASUserDefaults::IsOk() const { return m_state->ok; }

bool BASUserDefaults::WriteAll() {
  if (m_state->path.empty()) return false;
  return cornerstone::WriteFileAtomically(m_state->path, m_state->store.Serialize());
}

const char* BASUserDefaults::GetString(const char* key) { return key ? m_state->store.GetString(key) : ""; }

COLORREF BASUserDefaults::GetRGB(const char* key) {
  unsigned char rgb[3];
  if (!key || !m_state->store.GetColor(key, rgb)) return RGB(0, 0, 0);
  return RGB(rgb[0], rgb[1], rgb[2]);
}

COLORREF BASUserDefaults::GetRGB(const char* key, COLORREF fallback) {
  unsigned char rgb[3];
  if (!key || !m_state->store.GetColor(key, rgb)) return fallback;
  return RGB(rgb[0], rgb[1], rgb[2]);
}

int BASUserDefaults::GetInt(const char* key) { return key ? m_state->store.GetInt(key) : 0; }

const nlohmann::json* BASUserDefaults::GetValueObject(const char* key) {
  return key ? m_state->store.GetValueObject(key) : nullptr;
}

bool BASUserDefaults::HasMember(const char* key) { return key && m_state->store.HasMember(key); }

bool BASUserDefaults::SetString(const char* key, const char* value) {
  return key && value && m_state->store.SetString(key, value);
}
