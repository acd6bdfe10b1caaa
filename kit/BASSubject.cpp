#include "kit/BASSubject.h"

#include <iterator>

BASSubject::~BASSubject() = default;

void BASSubject::attach(BASObserver* observer) {
  if (!observer) return;
  m_observers.push_back(observer);
  ++m_count;
}

void BASSubject::detach(BASObserver* observer) {
  if (!observer) return;
  for (auto it = m_observers.begin(); it != m_observers.end();) {
    if (*it != observer) {
      ++it;
      continue;
    }
    --m_count;
    if (m_notifyDepth > 0) {
      *it = nullptr;
      ++it;
    } else {
      it = m_observers.erase(it);
    }
  }
}

void BASSubject::notify(int32_t kind, int32_t value) {
  if (m_observers.empty()) return;

  // Ends the pass even when an observer throws, so later detaches still free their nodes.
  struct PassScope {
    BASSubject& m_subject;
    explicit PassScope(BASSubject& subject) : m_subject(subject) { ++m_subject.m_notifyDepth; }
    ~PassScope() {
      if (--m_subject.m_notifyDepth == 0) m_subject.Sweep();
    }
  } pass(*this);

  const auto last = std::prev(m_observers.end());
  for (auto it = m_observers.begin();; ++it) {
    if (BASObserver* observer = *it) observer->update(kind, value);
    if (it == last) break;
  }
}

void BASSubject::Sweep() { m_observers.remove(nullptr); }
