// A phone's connection steps on a virtual clock: timing, the driver download's bytes, the waits
// for the wizard's retries, disconnect, crash and cancel. Portable: natively and under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "modules/courier/ConnectionScript.h"
#include "modules/courier/ConnectionStatus.h"
#include "modules/courier/DemoDataParser.h"
#include "tests/courier/CourierTestPaths.h"

namespace {

typedef ScriptReport::Kind Kind;

DemoStep Status(int32_t status, int32_t delayMs = 0) {
  DemoStep step;
  step.status = status;
  step.delayMs = delayMs;
  return step;
}

DemoStep Download(int64_t bytes, int32_t chunks, int32_t delayMs) {
  DemoStep step = Status(kStatusDriverDownload, delayMs);
  step.downloadBytes = bytes;
  step.downloadChunks = chunks;
  return step;
}

DemoStep WaitFor(int32_t status, DemoRetry retry, int32_t timeoutMs = 0, int32_t delayMs = 0) {
  DemoStep step = Status(status, delayMs);
  step.action = DemoStepAction::kWaitForRetry;
  step.retry = retry;
  step.timeoutMs = timeoutMs;
  return step;
}

DemoStep Event(DemoStepAction action, int32_t delayMs) {
  DemoStep step;
  step.action = action;
  step.delayMs = delayMs;
  return step;
}

struct Timed {
  int64_t atMs;
  ScriptReport report;
};

// Advances the script from one due time to the next up to `untilMs`, as the service's thread
// does when nothing else happens.
std::vector<Timed> RunUntil(ConnectionScript& script, int64_t untilMs) {
  std::vector<Timed> timed;
  std::vector<ScriptReport> reports;
  while (script.NextDueMs() <= untilMs) {
    const int64_t at = script.NextDueMs();
    reports.clear();
    script.Advance(at, reports);
    for (const ScriptReport& report : reports) timed.push_back(Timed{at, report});
  }
  return timed;
}

std::vector<int32_t> StatusesOf(const std::vector<Timed>& timed) {
  std::vector<int32_t> statuses;
  for (const Timed& t : timed) statuses.push_back(t.report.status);
  return statuses;
}

}  // namespace

TEST(ConnectionScript, ReportsEachStatusAfterThePreviousDelayAndEnds) {
  const std::vector<DemoStep> steps = {Status(1, 100), Status(18, 50), Status(22)};
  ConnectionScript script(steps);
  EXPECT_EQ(script.NextDueMs(), ConnectionScript::kNever) << "nothing before Start";
  script.Start(1000);
  const std::vector<Timed> timed = RunUntil(script, 100000);
  ASSERT_EQ(timed.size(), 3u);
  EXPECT_EQ(timed[0].atMs, 1000);
  EXPECT_EQ(timed[1].atMs, 1100);
  EXPECT_EQ(timed[2].atMs, 1150);
  EXPECT_EQ(StatusesOf(timed), (std::vector<int32_t>{1, 18, 22}));
  EXPECT_EQ(timed[1].report.step, &steps[1]) << "the report names its step (text, link)";
  EXPECT_EQ(script.state(), ConnectionScript::State::kEnded);
  EXPECT_EQ(script.status(), kStatusReady);
  EXPECT_EQ(script.NextDueMs(), ConnectionScript::kNever);

  // A late caller gets everything due at once, timed from when it was due: no drift.
  ConnectionScript late(steps);
  late.Start(0);
  std::vector<ScriptReport> reports;
  late.Advance(99, reports);
  EXPECT_EQ(reports.size(), 1u);
  late.Advance(5000, reports);
  EXPECT_EQ(reports.size(), 3u);
  EXPECT_EQ(late.state(), ConnectionScript::State::kEnded);
}

TEST(ConnectionScript, DriverDownloadReportsRisingBytesEndingAtTheTotal) {
  const std::vector<DemoStep> steps = {Status(kStatusDriverLink, 10), Download(1000, 3, 20), Status(2)};
  ConnectionScript script(steps);
  script.Start(0);
  const std::vector<Timed> timed = RunUntil(script, 100000);
  EXPECT_EQ(StatusesOf(timed), (std::vector<int32_t>{4, 6, 6, 6, 2}));
  const int64_t expectedAt[] = {0, 10, 30, 50, 70};
  const int64_t expectedBytes[] = {333, 666, 1000};
  for (size_t i = 0; i < timed.size(); ++i) EXPECT_EQ(timed[i].atMs, expectedAt[i]) << i;
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(timed[i + 1].report.position, expectedBytes[i]);
    EXPECT_EQ(timed[i + 1].report.total, 1000);
  }
  EXPECT_EQ(timed[0].report.total, 0) << "no byte counts outside the download";
}

TEST(ConnectionScript, StandsUntilItsOwnRetryOrItsTimeout) {
  const std::vector<DemoStep> steps = {WaitFor(16, DemoRetry::kRetryConnect),
                                       WaitFor(11, DemoRetry::kInstallRetry, 0, 30),
                                       WaitFor(17, DemoRetry::kDebugAuthorize, 500), Status(22)};
  ConnectionScript script(steps);
  script.Start(0);
  EXPECT_EQ(StatusesOf(RunUntil(script, 100000)), (std::vector<int32_t>{16}));
  EXPECT_EQ(script.state(), ConnectionScript::State::kWaitingRetry);
  EXPECT_EQ(script.NextDueMs(), ConnectionScript::kNever) << "no timeout: only the button moves it";
  // Not kept either: the driver failure below must still wait for its own press.
  EXPECT_FALSE(script.OnRetry(DemoRetry::kInstallRetry, 900));
  EXPECT_FALSE(script.OnRetry(DemoRetry::kNone, 900));
  EXPECT_TRUE(script.OnRetry(DemoRetry::kRetryConnect, 1000));
  EXPECT_FALSE(script.OnRetry(DemoRetry::kRetryConnect, 1000)) << "one press, one step";

  std::vector<Timed> timed = RunUntil(script, 100000);
  ASSERT_EQ(StatusesOf(timed), (std::vector<int32_t>{11}));
  EXPECT_EQ(timed[0].atMs, 1000);
  EXPECT_TRUE(script.OnRetry(DemoRetry::kInstallRetry, 2000));
  EXPECT_EQ(script.NextDueMs(), 2030) << "the step's delay follows the retry";
  timed = RunUntil(script, 2529);
  ASSERT_EQ(StatusesOf(timed), (std::vector<int32_t>{17}));
  EXPECT_EQ(script.NextDueMs(), 2530) << "the authorisation times out: the user tapped Allow";
  timed = RunUntil(script, 100000);
  ASSERT_EQ(StatusesOf(timed), (std::vector<int32_t>{22}));
  EXPECT_EQ(timed[0].atMs, 2530);
}

TEST(ConnectionScript, DisconnectReportsNotDetectedUntilTheCableReturns) {
  const std::vector<DemoStep> steps = {Status(22), Event(DemoStepAction::kDisconnect, 200), Status(1), Status(22)};
  ConnectionScript script(steps);
  script.Start(0);
  std::vector<Timed> timed = RunUntil(script, 100000);
  ASSERT_EQ(timed.size(), 2u);
  EXPECT_EQ(timed[1].atMs, 200) << "an event's delay comes before it";
  EXPECT_EQ(timed[1].report.kind, Kind::kDisconnected);
  EXPECT_EQ(timed[1].report.status, kStatusNotDetected);
  EXPECT_EQ(script.state(), ConnectionScript::State::kDisconnected);
  EXPECT_FALSE(script.OnRetry(DemoRetry::kDebugAuthorize, 300));
  EXPECT_FALSE(script.OnCancelDownload(300));
  EXPECT_TRUE(script.OnRetry(DemoRetry::kRetryConnect, 500));
  EXPECT_EQ(StatusesOf(RunUntil(script, 100000)), (std::vector<int32_t>{1, 22})) << "goes on after the event";

  // A disconnect that ends the steps: plugged in again, the phone is detected afresh.
  const std::vector<DemoStep> last = {Status(1, 10), Status(22), Event(DemoStepAction::kDisconnect, 50)};
  ConnectionScript replay(last);
  replay.Start(0);
  EXPECT_EQ(StatusesOf(RunUntil(replay, 100000)), (std::vector<int32_t>{1, 22, 0}));
  EXPECT_TRUE(replay.OnRetry(DemoRetry::kRetryConnect, 1000));
  EXPECT_EQ(StatusesOf(RunUntil(replay, 1100)), (std::vector<int32_t>{1, 22, 0}));
}

TEST(ConnectionScript, CancelOnlyDuringTheDriverDownloadThenStartsItOver) {
  const std::vector<DemoStep> steps = {Status(1, 10), Status(kStatusDriverLink, 10), Download(100, 4, 10),
                                       Status(2, 10), Status(22)};
  ConnectionScript script(steps);
  script.Start(0);
  RunUntil(script, 0);
  EXPECT_FALSE(script.OnCancelDownload(5)) << "no download yet";
  std::vector<Timed> timed = RunUntil(script, 30);
  ASSERT_EQ(StatusesOf(timed), (std::vector<int32_t>{4, 6, 6}));
  EXPECT_EQ(timed.back().report.position, 50);

  EXPECT_TRUE(script.OnCancelDownload(35));
  EXPECT_FALSE(script.OnCancelDownload(35)) << "cancelled once";
  EXPECT_FALSE(script.OnRetry(DemoRetry::kInstallRetry, 35)) << "not before the failure was reported";
  EXPECT_EQ(script.NextDueMs(), 35);
  timed = RunUntil(script, 100000);
  ASSERT_EQ(timed.size(), 1u) << "no more bytes after the cancel";
  EXPECT_EQ(timed[0].report.kind, Kind::kCancelled);
  EXPECT_EQ(timed[0].report.status, kStatusDriverFailed);
  EXPECT_EQ(script.state(), ConnectionScript::State::kCancelled);
  EXPECT_FALSE(script.OnRetry(DemoRetry::kRetryConnect, 100));

  EXPECT_TRUE(script.OnRetry(DemoRetry::kInstallRetry, 100));
  timed = RunUntil(script, 100000);
  EXPECT_EQ(StatusesOf(timed), (std::vector<int32_t>{4, 6, 6, 6, 6, 2, 22})) << "from the driver link again";
  EXPECT_EQ(timed[1].report.position, 25) << "the bytes start over";
  EXPECT_EQ(timed[4].report.position, 100);
  EXPECT_FALSE(script.OnCancelDownload(100000)) << "nothing to cancel once ready";
}

TEST(ConnectionScript, CrashIsReportedWithoutChangingTheStatus) {
  const std::vector<DemoStep> steps = {Status(1), Event(DemoStepAction::kCrash, 50), Status(22)};
  ConnectionScript script(steps);
  script.Start(0);
  const std::vector<Timed> timed = RunUntil(script, 100000);
  ASSERT_EQ(timed.size(), 3u);
  EXPECT_EQ(timed[1].report.kind, Kind::kCrash);
  EXPECT_EQ(timed[1].atMs, 50);
  EXPECT_EQ(timed[2].report.status, 22);
  EXPECT_EQ(timed[2].atMs, 50);
}

TEST(ConnectionScript, ShippedPhonesReachReadyUnattendedWithinFifteenSeconds) {
  DemoCatalog catalog;
  std::string error;
  ASSERT_TRUE(DemoDataParser::LoadFile(ShippedDemoDataFile(), catalog, error)) << error;
  ASSERT_EQ(catalog.phones().size(), 2u);
  std::vector<std::vector<int32_t>> walked;  // each phone's statuses, repeats folded
  for (const DemoPhone& phone : catalog.phones()) {
    ConnectionScript script(phone.connection);
    script.Start(0);
    const std::vector<Timed> timed = RunUntil(script, 15000);
    ASSERT_FALSE(timed.empty());
    EXPECT_EQ(timed.back().report.status, kStatusReady);
    EXPECT_EQ(script.state(), ConnectionScript::State::kEnded);
    walked.emplace_back();
    int64_t bytes = 0;
    for (const Timed& t : timed) {
      if (walked.back().empty() || walked.back().back() != t.report.status) walked.back().push_back(t.report.status);
      if (t.report.status != kStatusDriverDownload) continue;
      EXPECT_GT(t.report.position, bytes);
      bytes = t.report.position;
      EXPECT_EQ(t.report.total, 9437184);
    }
    if (bytes != 0) {
      EXPECT_EQ(bytes, 9437184);
    }
  }
  EXPECT_EQ(walked[0], (std::vector<int32_t>{1, 18, 22}));
  EXPECT_EQ(walked[1], (std::vector<int32_t>{1, 4, 6, 2, 17, 18, 22}));
}
