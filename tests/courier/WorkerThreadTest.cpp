// The service thread: job order, prompt interruption of waiting jobs, and the edges of its
// lifetime. Portable: runs natively under the sanitizers and under Wine.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

#include "modules/courier/WorkerThread.h"

using namespace std::chrono_literals;

TEST(WorkerThread, RunsJobsInOrderOnItsOwnThread) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start());
  EXPECT_FALSE(worker.Start()) << "a second start is refused";
  std::vector<int> order;
  std::promise<std::thread::id> ran;
  for (int i = 0; i < 5; ++i) ASSERT_TRUE(worker.Post([&order, i] { order.push_back(i); }));
  ASSERT_TRUE(worker.Post([&] { ran.set_value(std::this_thread::get_id()); }));
  auto future = ran.get_future();
  ASSERT_EQ(future.wait_for(5s), std::future_status::ready);
  EXPECT_NE(future.get(), std::this_thread::get_id());
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(worker.IsWorkerThread());
}

TEST(WorkerThread, StopInterruptsAWaitingJobAndDropsTheRest) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start());
  std::promise<void> waiting;
  std::atomic<bool> sleptFully{false};
  std::atomic<bool> laterJobRan{false};
  worker.Post([&] {
    waiting.set_value();
    sleptFully = worker.Sleep(60s);
  });
  worker.Post([&] { laterJobRan = true; });
  waiting.get_future().wait();
  const auto start = std::chrono::steady_clock::now();
  worker.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_FALSE(sleptFully);
  EXPECT_FALSE(laterJobRan);
  EXPECT_FALSE(worker.Post([] {})) << "nothing is queued after Stop";
  EXPECT_FALSE(worker.Start()) << "a stopped worker does not start again";
  worker.Stop();  // a second Stop is harmless
}

TEST(WorkerThread, WaitUntilWakesOnTheConditionOrTimesOut) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start());
  std::atomic<bool> retryPressed{false};
  std::promise<WorkerThread::WaitResult> first;
  std::promise<WorkerThread::WaitResult> second;
  worker.Post([&] { first.set_value(worker.WaitUntil(30s, [&] { return retryPressed.load(); })); });
  worker.Post([&] { second.set_value(worker.WaitUntil(20ms, [] { return false; })); });
  std::this_thread::sleep_for(50ms);
  retryPressed = true;
  worker.Wake();
  auto firstResult = first.get_future();
  ASSERT_EQ(firstResult.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(firstResult.get(), WorkerThread::WaitResult::kReady);
  auto secondResult = second.get_future();
  ASSERT_EQ(secondResult.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(secondResult.get(), WorkerThread::WaitResult::kTimedOut);
}

TEST(WorkerThread, AFailingJobIsReportedAndTheWorkerGoesOn) {
  std::string reported;
  std::promise<void> done;
  {
    WorkerThread worker([&](const char* what) { reported = what; });
    ASSERT_TRUE(worker.Start());
    worker.Post([] { throw std::runtime_error("phone vanished"); });
    worker.Post([&] { done.set_value(); });
    ASSERT_EQ(done.get_future().wait_for(5s), std::future_status::ready);
  }
  EXPECT_EQ(reported, "phone vanished");
}

TEST(WorkerThread, StopFromAJobEndsTheThreadWithoutDeadlock) {
  WorkerThread worker;
  ASSERT_TRUE(worker.Start());
  std::promise<void> stopped;
  worker.Post([&] {
    worker.Stop();
    stopped.set_value();
  });
  ASSERT_EQ(stopped.get_future().wait_for(5s), std::future_status::ready);
  EXPECT_TRUE(worker.IsStopping());
  worker.Stop();  // joins from the owner's thread
}

TEST(WorkerThread, PostBeforeStartIsRefusedAndDestroyingAnIdleWorkerIsPrompt) {
  WorkerThread never;
  EXPECT_FALSE(never.Post([] {}));
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 20; ++i) {
    WorkerThread worker;
    ASSERT_TRUE(worker.Start());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}
