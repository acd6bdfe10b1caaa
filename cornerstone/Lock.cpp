#include <map>
#include <mutex>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

std::mutex g_locksMutex;
// One recursive lock per key address, kept for the life of the process so a
// lock never disappears under a thread that holds it.
std::map<const void*, CRITICAL_SECTION*>& Locks() {
  static auto* locks = new std::map<const void*, CRITICAL_SECTION*>();
  return *locks;
}

CRITICAL_SECTION* LockFor(const void* key, bool create) {
  std::lock_guard<std::mutex> guard(g_locksMutex);
  auto it = Locks().find(key);
  if (it != Locks().end()) return it->second;
  if (!create) return nullptr;
  auto* section = new CRITICAL_SECTION;
  InitializeCriticalSection(section);
  Locks()[key] = section;
  return section;
}

}  // namespace

void BASLock::GLock(const void* key) { EnterCriticalSection(LockFor(key, true)); }

void BASLock::GUnLock(const void* key) {
  // Releasing a lock this thread does not hold would corrupt it; ignore that.
  CRITICAL_SECTION* section = LockFor(key, false);
  if (section && static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(section->OwningThread)) == GetCurrentThreadId())
    LeaveCriticalSection(section);
}
