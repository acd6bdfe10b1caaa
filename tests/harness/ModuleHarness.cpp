#include "tests/harness/ModuleHarness.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

namespace {

// The harness the host entry serves, and how many calls are inside it: a harness being
// destroyed waits for those calls before its members go.
std::mutex g_routeLock;
std::condition_variable g_routeIdle;
ModuleHarness* g_current = nullptr;
int g_callsInside = 0;

}  // namespace

ModuleHarness::ModuleHarness() : m_record(static_cast<ModuleRecord*>(std::calloc(1, sizeof(ModuleRecord)))) {
  // A module thread may read its module record after the harness is gone: the record stays.
  if (m_record == nullptr) std::abort();
  m_record->hostEntry = &ModuleHarness::HostEntry;
  m_record->imageCache = &m_images;
}

ModuleHarness::~ModuleHarness() {
  Detach();
  // The cache dies with the harness; a late reader finds no cache rather than a dangling one.
  m_record->imageCache = nullptr;
  if (m_module != nullptr) FreeLibrary(m_module);
}

void ModuleHarness::Detach() {
  std::unique_lock<std::mutex> lock(g_routeLock);
  if (g_current != this) return;
  g_current = nullptr;
  g_routeIdle.wait(lock, [] { return g_callsInside == 0; });
}

std::wstring ModuleHarness::PluginPath(const wchar_t* name) {
  wchar_t exe[MAX_PATH * 2] = {};
  const DWORD length = GetModuleFileNameW(nullptr, exe, sizeof(exe) / sizeof(exe[0]));
  std::wstring folder(exe, length);
  folder.resize(folder.find_last_of(L"\\/") + 1);
  std::wstring file = name;
  const std::wstring subfolder = file.compare(0, 3, L"lib") == 0 ? file.substr(3) : file;
  return folder + L"..\\product\\plugins\\" + subfolder + L"\\" + file + L".dll";
}

bool ModuleHarness::Load(const std::wstring& path) {
  if (m_module != nullptr) return false;
  m_module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (m_module == nullptr) {
    m_loadError = GetLastError();
    return false;
  }
  auto registerModule =
      reinterpret_cast<RegisterModuleProc>(reinterpret_cast<void*>(GetProcAddress(m_module, kRegisterModuleExport)));
  if (registerModule == nullptr) {
    m_loadError = GetLastError();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(g_routeLock);
    g_current = this;
  }
  m_record->instance = m_module;
  registerModule(m_record);
  return true;
}

std::vector<Registration> ModuleHarness::Registrations() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_registrations;
}

std::vector<std::string> ModuleHarness::RegisteredNames() const {
  std::lock_guard<std::mutex> lock(m_lock);
  std::vector<std::string> names;
  for (const Registration& registration : m_registrations) names.push_back(registration.name);
  return names;
}

bool ModuleHarness::IsRegistered(const char* name) const {
  if (name == nullptr) return false;
  std::lock_guard<std::mutex> lock(m_lock);
  for (const Registration& registration : m_registrations) {
    if (registration.name == name) return true;
  }
  return false;
}

bool ModuleHarness::Send(const char* name, CommandRecord* record) {
  if (!IsRegistered(name) || m_record->moduleEntry == nullptr) return false;
  if (record != nullptr) record->name = name;
  m_record->moduleEntry(record);
  return true;
}

void ModuleHarness::SetHook(const std::string& name, PostHook hook) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_hooks[name] = std::move(hook);
}

std::vector<PostedCommand> ModuleHarness::Posts() const {
  std::lock_guard<std::mutex> lock(m_lock);
  return m_posts;
}

std::vector<PostedCommand> ModuleHarness::PostsNamed(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_lock);
  std::vector<PostedCommand> posts;
  for (const PostedCommand& post : m_posts) {
    if (post.name == name) posts.push_back(post);
  }
  return posts;
}

size_t ModuleHarness::CountPosts(const std::string& name) const {
  std::lock_guard<std::mutex> lock(m_lock);
  size_t count = 0;
  for (const PostedCommand& post : m_posts) count += post.name == name ? 1 : 0;
  return count;
}

bool ModuleHarness::WaitForPost(const std::string& name, DWORD timeoutMs, size_t count) const {
  std::unique_lock<std::mutex> lock(m_lock);
  return m_posted.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
    size_t seen = 0;
    for (const PostedCommand& post : m_posts) seen += post.name == name ? 1 : 0;
    return seen >= count;
  });
}

void ModuleHarness::ClearPosts() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_posts.clear();
}

int32_t __cdecl ModuleHarness::HostEntry(CommandRecord* record) {
  ModuleHarness* harness = nullptr;
  {
    std::lock_guard<std::mutex> lock(g_routeLock);
    harness = g_current;
    if (harness == nullptr) return 0;
    ++g_callsInside;
  }
  int32_t result = 0;
  try {
    if (record != nullptr) result = harness->OnHostEntry(*record);
  } catch (...) {
    // Nothing may unwind into the module.
    result = 0;
  }
  {
    std::lock_guard<std::mutex> lock(g_routeLock);
    --g_callsInside;
  }
  g_routeIdle.notify_all();
  return result;
}

int32_t ModuleHarness::OnHostEntry(CommandRecord& record) {
  const std::string name = record.name != nullptr ? record.name : "";
  if (record.action == kActionRegister) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_registrations.push_back(Registration{name, record.instance});
    return 0;
  }
  if (record.action != kActionDispatch) return 1;

  PostedCommand post;
  post.name = name;
  post.record = record;
  post.hasText = record.text != nullptr;
  if (post.hasText) post.text = record.text;
  post.hasNarrowText = record.narrowText != nullptr;
  if (post.hasNarrowText) post.narrowText = record.narrowText;
  post.threadId = GetCurrentThreadId();
  PostHook hook;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    m_posts.push_back(std::move(post));
    auto it = m_hooks.find(name);
    if (it != m_hooks.end()) hook = it->second;
  }
  m_posted.notify_all();
  return hook ? hook(record) : 0;
}
