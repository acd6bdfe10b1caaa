#pragma once

#include <cstdint>

// Receives the notices of a BASSubject it is attached to. The slot order (destructor,
// then update) is shared by every deliverable that passes observers across modules.
class BASObserver {
 public:
  virtual ~BASObserver() = default;
  virtual void update(int32_t /*kind*/, int32_t /*value*/) {}
};
