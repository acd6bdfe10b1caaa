// The allocation tracker of the content controller tests: every delete of the program passes
// here, so a test can tell whether the host destroyed an object it made and tracked.
#include "tests/host/ControllerTestSupport.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
constexpr int kMaxTracked = 1024;
std::atomic_flag g_trackLock = ATOMIC_FLAG_INIT;
const void* g_tracked[kMaxTracked];
int g_trackedCount = 0;

struct TrackGuard {
  TrackGuard() {
    while (g_trackLock.test_and_set(std::memory_order_acquire)) {
    }
  }
  ~TrackGuard() { g_trackLock.clear(std::memory_order_release); }
};

}  // namespace

namespace controllertest {

void TrackObject(const void* object) {
  TrackGuard guard;
  if (g_trackedCount < kMaxTracked) g_tracked[g_trackedCount++] = object;
}

bool Alive(const void* object) {
  TrackGuard guard;
  for (int i = 0; i < g_trackedCount; ++i)
    if (g_tracked[i] == object) return true;
  return false;
}

}  // namespace controllertest

namespace {

void Forget(const void* object) {
  if (object == nullptr) return;
  TrackGuard guard;
  for (int i = 0; i < g_trackedCount; ++i)
    if (g_tracked[i] == object) {
      g_tracked[i] = g_tracked[--g_trackedCount];
      return;
    }
}
}  // namespace

// Blocks come from malloc, as the runtime's own allocations do, so either side may free them.
__attribute__((noinline)) void* operator new(std::size_t size) {
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
__attribute__((noinline)) void operator delete(void* p) noexcept {
  Forget(p);
  std::free(p);
}
__attribute__((noinline)) void operator delete(void* p, std::size_t) noexcept {
  Forget(p);
  std::free(p);
}
