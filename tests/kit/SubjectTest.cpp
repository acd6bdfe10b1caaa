#include "kit/BASSubject.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Notice {
  std::string who;
  int32_t kind;
  int32_t value;
  bool operator==(const Notice& other) const { return who == other.who && kind == other.kind && value == other.value; }
};

class Recorder : public BASObserver {
 public:
  Recorder(std::string name, std::vector<Notice>& log) : m_name(std::move(name)), m_log(log) {}
  ~Recorder() override {
    if (destroyed) *destroyed = true;
  }
  void update(int32_t kind, int32_t value) override {
    m_log.push_back({m_name, kind, value});
    if (then) then();
  }

  std::function<void()> then;
  bool* destroyed = nullptr;

 private:
  std::string m_name;
  std::vector<Notice>& m_log;
};

std::vector<std::string> Names(const std::vector<Notice>& log) {
  std::vector<std::string> names;
  for (const Notice& notice : log) names.push_back(notice.who);
  return names;
}

using NameList = std::vector<std::string>;

}  // namespace

TEST(Subject, NotifiesEveryEntryFrontToBackWithKindAndValueIntact) {
  std::vector<Notice> log;
  Recorder a("A", log), b("B", log);
  BASSubject subject;
  subject.attach(&a);
  subject.attach(&b);
  subject.attach(&a);
  EXPECT_EQ(subject.Count(), 3u);

  subject.notify(INT32_MIN, -1);
  const std::vector<Notice> expected{{"A", INT32_MIN, -1}, {"B", INT32_MIN, -1}, {"A", INT32_MIN, -1}};
  EXPECT_EQ(log, expected);
}

TEST(Subject, DetachRemovesEveryEntryOfTheObserverOnly) {
  std::vector<Notice> log;
  Recorder a("A", log), b("B", log), stranger("S", log);
  BASSubject subject;
  subject.attach(&a);
  subject.attach(&b);
  subject.attach(&a);

  subject.detach(&a);
  subject.detach(&stranger);
  subject.detach(nullptr);
  subject.attach(nullptr);
  EXPECT_EQ(subject.Count(), 1u);
  subject.notify(1, 2);
  EXPECT_EQ(Names(log), NameList{"B"});

  // Once empty it stays silent, and a re-attached observer hears from then on.
  log.clear();
  subject.detach(&b);
  subject.notify(3, 4);
  EXPECT_TRUE(log.empty());
  subject.attach(&a);
  subject.notify(5, 6);
  EXPECT_EQ(Names(log), NameList{"A"});
}

TEST(Subject, NotifyWithoutObserversHasNoEffect) {
  BASSubject subject;
  subject.notify(7, 8);
  EXPECT_EQ(subject.Count(), 0u);
}

TEST(Subject, DestructionFreesNodesAndLeavesObserversAlone) {
  std::vector<Notice> log;
  bool destroyed = false;
  auto* a = new Recorder("A", log);
  a->destroyed = &destroyed;
  {
    BASSubject subject;
    subject.attach(a);
    subject.attach(a);
  }
  EXPECT_FALSE(destroyed);
  EXPECT_TRUE(log.empty());
  a->update(9, 10);  // still a live object
  EXPECT_EQ(log.size(), 1u);
  delete a;
  EXPECT_TRUE(destroyed);
}

TEST(Subject, ObserverMayDetachItselfAndOthersDuringANotice) {
  std::vector<Notice> log;
  Recorder a("A", log), b("B", log), c("C", log);
  BASSubject subject;
  subject.attach(&a);
  subject.attach(&b);
  subject.attach(&a);
  subject.attach(&c);
  a.then = [&] {
    subject.detach(&a);
    subject.detach(&c);
  };

  subject.notify(1, 1);
  EXPECT_EQ(Names(log), (NameList{"A", "B"}));  // A's second entry and C were detached in time
  EXPECT_EQ(subject.Count(), 1u);

  log.clear();
  subject.notify(2, 2);
  EXPECT_EQ(Names(log), NameList{"B"});
}

TEST(Subject, ObserverAttachedDuringANoticeHearsFromTheNextOne) {
  std::vector<Notice> log;
  Recorder a("A", log), b("B", log);
  BASSubject subject;
  subject.attach(&a);
  bool attached = false;
  a.then = [&] {
    if (!std::exchange(attached, true)) subject.attach(&b);
  };

  subject.notify(1, 1);
  EXPECT_EQ(Names(log), NameList{"A"});
  log.clear();
  subject.notify(2, 2);
  EXPECT_EQ(Names(log), (NameList{"A", "B"}));
}

TEST(Subject, NestedNoticeKeepsEntriesDetachedInsideIt) {
  std::vector<Notice> log;
  Recorder a("A", log), b("B", log);
  BASSubject subject;
  subject.attach(&a);
  subject.attach(&b);
  // A re-notifies once and detaches B inside the inner pass; the outer pass must skip B.
  bool nested = false;
  a.then = [&] {
    if (std::exchange(nested, true)) return;
    subject.notify(2, 0);
    subject.detach(&b);
  };

  subject.notify(1, 0);
  EXPECT_EQ(Names(log), (NameList{"A", "A", "B"}));
  EXPECT_EQ(subject.Count(), 1u);
}
