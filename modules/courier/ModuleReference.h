// Holds one extra load reference on the module that contains an address. While the service's
// threads run, the library must stay mapped even if its loader unloads it without sending
// DESTROY_RESOURCE first; otherwise a thread would go on executing unmapped code.
#pragma once

#include <windows.h>

#include <string>

class ModuleReference {
 public:
  ModuleReference() = default;
  ~ModuleReference() { Release(); }
  ModuleReference(const ModuleReference&) = delete;
  ModuleReference& operator=(const ModuleReference&) = delete;

  bool Acquire(const void* addressInModule);
  void Release();
  bool IsHeld() const { return m_module != nullptr; }

  // The folder of the module holding `addressInModule`, ending in a backslash; empty on failure.
  static std::wstring FolderOf(const void* addressInModule);

 private:
  HMODULE m_module = nullptr;
};
