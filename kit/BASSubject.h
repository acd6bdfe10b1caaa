#pragma once

#include "kit/BASObserver.h"

#include <cstddef>
#include <cstdint>
#include <list>

// Passes notices to its observers in the order they were attached. The list owns only
// its nodes: observers are never deleted here and must be detached before they die.
class BASSubject {
 public:
  BASSubject() = default;
  BASSubject(const BASSubject&) = delete;
  BASSubject& operator=(const BASSubject&) = delete;
  virtual ~BASSubject();

  // Calls update on every observer, front to back. An observer may detach itself or
  // others from inside update; those it detaches hear nothing more. Observers attached
  // during the pass first hear the next notice.
  virtual void notify(int32_t kind, int32_t value);

  // Appends; the same observer may be attached more than once and then hears each notice
  // once per entry. A null observer is ignored.
  void attach(BASObserver* observer);
  // Removes every entry that holds the observer.
  void detach(BASObserver* observer);

  size_t Count() const { return m_count; }

 private:
  void Sweep();

  // Entries detached during a notice are nulled and erased when the outermost notice
  // ends, so the pass never steps on a freed node.
  std::list<BASObserver*> m_observers;
  size_t m_count = 0;
  int m_notifyDepth = 0;
};
