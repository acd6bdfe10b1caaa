// Reading a real phone through the adb server: 20 000 contacts read and turned into the
// pane's records, beside the bare transfer of the same shell output; a large file pulled with
// the sync service (the control, `adb pull` of the same file, is timed by adb_bench.py).
// Run by adb_bench.py, which starts the server and a stand-in phone.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "contracts/ContactRecords.h"
#include "modules/courier/ContactConversion.h"
#include "modules/courier/adb/AdbClient.h"
#include "modules/courier/adb/PhoneShellOutput.h"

namespace {

std::string Environment(const char* name) {
  char buffer[1024] = {};
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int wmain() {
  const AdbClient client(static_cast<uint16_t>(std::atoi(Environment("ANDROID_ADB_SERVER_PORT").c_str())));
  const std::string serial = Environment("ZS_BENCH_SERIAL");
  const std::string command =
      "content query --uri content://com.android.contacts/data --projection " + ContactDataProjection();
  std::string output;
  std::string failure;

  auto start = std::chrono::steady_clock::now();
  // Later rounds of the benchmark measure the pull alone.
  if (Environment("ZS_BENCH_SKIP_CONTACTS").empty()) {
    // The bare control: the same output moved through the server, nothing done with it.
    start = std::chrono::steady_clock::now();
    if (!client.Shell(serial, command, output, failure, 60000, 512u * 1024 * 1024)) {
      std::printf("adb bench: %s\n", failure.c_str());
      return 1;
    }
    const double bare = SecondsSince(start);
    const size_t bytes = output.size();

    output.clear();
    output.shrink_to_fit();

    // As the service reads: streamed from the socket, rows to contacts to the pane's records.
    start = std::chrono::steady_clock::now();
    size_t records = 0;
    std::vector<DemoContact> completed;
    ContactRowAssembler assembler;
    ContentRowStream rows(kContactDataColumns, [&](ContentRow& row) {
      assembler.Add(row, completed);
      return true;
    });
    auto take = [&] {
      for (const DemoContact& contact : completed) {
        std::unique_ptr<ContactRecord> record(MakeContactRecord(contact));
        records += record ? 1 : 0;
      }
      completed.clear();
    };
    if (!client.ShellStream(
            serial, command + " --sort raw_contact_id",
            [&](std::string_view piece) {
              rows.Feed(piece);
              take();
              return true;
            },
            failure, 60000)) {
      std::printf("adb bench: %s\n", failure.c_str());
      return 1;
    }
    rows.Finish();
    assembler.Finish(completed);
    take();
    const double full = SecondsSince(start);
    std::printf(
        "contacts streamed through adb: %zu contacts (%.1f MB of shell output) in %.2f s; bare transfer "
        "%.2f s (target < 3 s)\n",
        records, bytes / 1048576.0, full, bare);
  }

  const std::string remote = Environment("ZS_BENCH_FILE");
  if (!remote.empty()) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::filesystem::path target = std::filesystem::path(temp) / L"zs-adb-bench.bin";
    int64_t pulled = 0;
    start = std::chrono::steady_clock::now();
    if (!client.Pull(
            serial, remote, target,
            [&](int64_t so) {
              pulled = so;
              return true;
            },
            failure)) {
      std::printf("pull failed: %s\n", failure.c_str());
      return 1;
    }
    const double seconds = SecondsSince(start);
    std::printf("file pulled through the sync service: %.1f MB in %.2f s, %.1f MB/s\n", pulled / 1048576.0, seconds,
                pulled / 1048576.0 / seconds);
    std::filesystem::remove(target);
  }
  return 0;
}
