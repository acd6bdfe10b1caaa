#include "modules/courier/ModuleReference.h"

#include <vector>

bool ModuleReference::Acquire(const void* addressInModule) {
  if (m_module != nullptr) return true;
  HMODULE module = nullptr;
  // Without UNCHANGED_REFCOUNT this counts as a LoadLibrary, paired with the FreeLibrary below.
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(addressInModule), &module)) {
    return false;
  }
  m_module = module;
  return true;
}

void ModuleReference::Release() {
  if (m_module == nullptr) return;
  FreeLibrary(m_module);
  m_module = nullptr;
}

std::wstring ModuleReference::FolderOf(const void* addressInModule) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCWSTR>(addressInModule), &module)) {
    return std::wstring();
  }
  std::vector<wchar_t> buffer(MAX_PATH);
  while (true) {
    const DWORD length = GetModuleFileNameW(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return std::wstring();
    if (length < buffer.size()) {
      std::wstring path(buffer.data(), length);
      const size_t slash = path.find_last_of(L"\\/");
      return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
    }
    if (buffer.size() >= 32768) return std::wstring();
    buffer.resize(buffer.size() * 2);
  }
}
