#include "host/HostState.h"

HostState& Host() {
  // Read by crash callbacks until the very end: never destroyed.
  static HostState* state = new HostState();
  return *state;
}
