// The task list: reports kept per task (also when they arrive out of order), their row texts and
// search, and the page as the host drives it: reports from the device service's threads, Cancel
// for running tasks only, Export handing the checked tasks over during the call, Clear Ended.
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/TaskRecords.h"
#include "kit/GdiPlus.h"
#include "modules/jobs/TaskBook.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/harness/TestPump.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <mutex>
#include <string>
#include <thread>

namespace {

TaskEntry Report(int64_t id, int32_t state, int64_t position = 0, int64_t total = 0) {
  TaskEntry task;
  task.taskId = id;
  task.state = state;
  task.position = position;
  task.total = total;
  task.identifier = L"SER" + std::to_wstring(id);
  task.phone = L"Phone " + std::to_wstring(id);
  task.title = id % 2 ? L"Export contacts" : L"Load messages";
  return task;
}

TEST(TaskBookTest, KeepsTheLatestReportOfEachTaskNewestFirst) {
  TaskBook book;
  bool added = false;
  TaskRow* first = book.Apply(Report(1, kTaskRunning), added);
  EXPECT_TRUE(added);
  book.Apply(Report(2, kTaskRunning, 5, 40), added);
  EXPECT_EQ(book.At(0)->task.taskId, 2);
  EXPECT_EQ(book.At(0)->texts[2], L"5 of 40 (12%)");
  TaskEntry done = Report(1, kTaskFailed, 3, 4);
  done.failed = 1;
  done.folder = L"C:\\out";
  done.message = L"The folder C:\\out is not there.";
  done.phone.clear();  // a report without the name keeps the one known
  EXPECT_EQ(book.Apply(done, added), first);
  EXPECT_FALSE(added);
  EXPECT_EQ(first->texts, (std::vector<std::wstring>{L"Phone 1", L"Export contacts", L"3 of 4 (75%)", L"Failed (1)",
                                                     L"The folder C:\\out is not there."}));
  // A running report overtaken by the end changes nothing.
  book.Apply(Report(1, kTaskRunning, 1, 4), added);
  EXPECT_EQ(first->task.state, kTaskFailed);
  // A finished export shows its folder.
  TaskEntry exported = Report(3, kTaskFinished, 7, 7);
  exported.folder = L"C:\\Exports";
  EXPECT_EQ(book.Apply(exported, added)->texts[4], L"C:\\Exports");

  EXPECT_EQ(book.Matching(L"messages").size(), 1u);
  EXPECT_EQ(book.Matching(L"failed").size(), 1u);
  EXPECT_EQ(book.Matching(L"").size(), 3u);
  book.ClearEnded();
  ASSERT_EQ(book.Size(), 1u);
  EXPECT_EQ(book.At(0)->task.taskId, 2);
}

class TaskListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(gdiplus.IsOk());
    ASSERT_TRUE(harness.Load(ModuleHarness::PluginPath(L"libJobs")));
    ASSERT_TRUE(BASWindow::RegisterWindowClass(L"ZsJobsTestView"));
    ASSERT_TRUE(view.Create(nullptr, L"ZsJobsTestView", L"view", WS_POPUP | WS_VISIBLE, 0, RECT{0, 0, 900, 600}));
    ShowWindowPayload block = {RECT{1, 69, 881, 560}, view.Hwnd(), 0};
    CommandRecord show;
    show.window = view.Hwnd();
    show.value = SW_SHOW;
    show.data = &block;
    harness.Send(kJobsShowWindow, show);
    page = show.window;
    ASSERT_NE(page, view.Hwnd());
    list = GetDlgItem(page, 7107);
    ASSERT_TRUE(list);
    harness.SetHook(kJobsPressExport, [this](CommandRecord& record) {
      exported.clear();
      if (record.data) exported = *static_cast<const TaskEntryList*>(record.data);
      exportCount = record.value;
      return 0;
    });
  }

  void Report(const TaskEntry& task) {
    CommandRecord record;
    record.payload = const_cast<TaskEntry*>(&task);
    harness.Send(kJobsAddTask, record);
  }
  int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Text(int row, int column) const {
    wchar_t text[128] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 128;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
  }
  void Check(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(2);
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  void Press(UINT id) {
    SendMessageW(page, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(page, id)));
  }

  GdiplusSession gdiplus;
  ModuleHarness harness;
  ProbeWindow view;
  HWND page = nullptr;
  HWND list = nullptr;
  TaskEntryList exported;
  int64_t exportCount = -1;
};

TEST_F(TaskListTest, ShowsReportsFromAnyThreadAndActsOnTheCheckedTasks) {
  EXPECT_EQ(harness.RegisteredNames(), (std::vector<std::string>{kJobsAddTask, kJobsChangeSize, kJobsShowWindow}));
  // Reports come from the device service's threads and live only for the call.
  std::thread([&] {
    Report(::Report(1, kTaskRunning, 2, 10));
    Report(::Report(2, kTaskRunning));
    Report(::Report(2, kTaskFinished, 15, 15));
  }).join();
  ASSERT_TRUE(testpump::PumpUntil([&] { return Rows() == 2 && Text(0, 4) == L"Finished"; }));
  EXPECT_EQ(Text(0, 1), L"Phone 2");
  EXPECT_EQ(Text(1, 3), L"2 of 10 (20%)");

  // Cancel asks for the running tasks among the checked ones only.
  Check(0);
  Check(1);
  Press(7101);
  const std::vector<PostedCommand> cancels = harness.PostsNamed(kJobsCancelTask);
  ASSERT_EQ(cancels.size(), 1u);
  EXPECT_EQ(cancels[0].record.value, 1);
  EXPECT_EQ(cancels[0].text, L"SER1");

  // Export hands the checked tasks over during the call.
  Press(7103);
  EXPECT_EQ(exportCount, 2);
  ASSERT_EQ(exported.size(), 2u);
  EXPECT_EQ(exported[0].taskId, 2);

  // Clear Ended keeps the running task only.
  Press(7104);
  ASSERT_EQ(Rows(), 1);
  EXPECT_EQ(Text(0, 2), L"Export contacts");
  // The list made again selects (and so checks) its first row, as every pane's does.
  Press(7103);
  EXPECT_EQ(exportCount, 1);

  SizePayload size = {640, 400};
  CommandRecord resize;
  resize.data = &size;
  harness.Send(kJobsChangeSize, resize);
  RECT rect{};
  GetWindowRect(page, &rect);
  EXPECT_EQ(rect.right - rect.left, 640);
  DestroyWindow(view.Hwnd());
  testpump::Pump();
}

}  // namespace
