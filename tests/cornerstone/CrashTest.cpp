// Crashes a probe program on purpose and looks for what the reporter left.
#include <gtest/gtest.h>

#include <string>

#include "contracts/cornerstone/Cornerstone.h"
#include "tests/cornerstone/TestSupport.h"

namespace {

struct CrashResult {
  long exitCode;
  std::wstring folder;
};

CrashResult Crash(const wchar_t* mode) {
  CrashResult r;
  r.folder = testsupport::MakeTempFolder(mode) + L"Log\\1234\\";
  std::wstring probe = testsupport::TestBinDir() + L"crash_probe.exe";
  std::wstring line = L"\"" + probe + L"\" " + mode + L" \"" + r.folder + L"20261208010203.dmp\"";
  r.exitCode = testsupport::RunProgram(line, 60000);
  return r;
}

}  // namespace

TEST(CrashReport, FaultWritesDumpCollectedFileAndReport) {
  CrashResult r = Crash(L"fault");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.exitCode, -1) << "the probe hung";
  std::string dump = testsupport::ReadBytes(r.folder + L"20261208010203.dmp");
  ASSERT_GE(dump.size(), 4u);
  EXPECT_EQ(dump.substr(0, 4), "MDMP");
  EXPECT_EQ(testsupport::ReadBytes(r.folder + L"Crash.json"), "{\"Product\":\"probe\"}");
  std::string zip = testsupport::ReadBytes(r.folder + L"CrashReport.zip");
  ASSERT_GE(zip.size(), 22u);
  EXPECT_EQ(zip.substr(0, 2), "PK");
  EXPECT_NE(zip.find("Crash.json"), std::string::npos);
  EXPECT_NE(zip.find("20261208010203.dmp"), std::string::npos);
  std::string reported = testsupport::ReadBytes(r.folder + L"reported.txt");
  EXPECT_NE(reported.find("CrashReport.zip"), std::string::npos);
}

TEST(CrashReport, UncaughtCppExceptionIsReportedToo) {
  CrashResult r = Crash(L"throw");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.exitCode, -1) << "the probe hung";
  EXPECT_EQ(testsupport::ReadBytes(r.folder + L"20261208010203.dmp").substr(0, 4), "MDMP");
  EXPECT_FALSE(testsupport::ReadBytes(r.folder + L"reported.txt").empty());
}

TEST(CrashReport, FaultInsideTheReporterEndsTheProcessWithoutRecursion) {
  CrashResult r = Crash(L"nested");
  EXPECT_NE(r.exitCode, 0);
  EXPECT_NE(r.exitCode, -1) << "the probe hung";
  // The dump was written before the callback failed; the report never came.
  EXPECT_EQ(testsupport::ReadBytes(r.folder + L"20261208010203.dmp").substr(0, 4), "MDMP");
  EXPECT_TRUE(testsupport::ReadBytes(r.folder + L"reported.txt").empty());
}
