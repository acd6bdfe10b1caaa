// Time and memory of saving and exporting a big address book the way the device service does
// it, beside the bare control: writing the same number of bytes from one buffer with no text
// to make. Memory is the peak of the process's private bytes above what it held before the
// operation, sampled every 2 ms by a second thread.
// (File sizes are taken after each operation: arguments are evaluated in no fixed order.)
#include <windows.h>

#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "modules/courier/ContactBook.h"
#include "modules/courier/SafeFile.h"
#include "modules/courier/formats/ContactFormats.h"

namespace {

namespace fs = std::filesystem;

size_t PrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  return counters.PagefileUsage;  // committed private bytes (Wine leaves PrivateUsage at 0)
}

struct Figures {
  double seconds = 0;
  double extraMb = 0;
  bool ok = false;
};

Figures Measure(const std::function<bool()>& work) {
  const size_t before = PrivateBytes();
  std::atomic<bool> done{false};
  std::atomic<size_t> peak{before};
  std::thread sampler([&] {
    while (!done) {
      const size_t now = PrivateBytes();
      if (now > peak) peak = now;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  Figures figures;
  figures.ok = work();
  figures.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  done = true;
  sampler.join();
  figures.extraMb = (static_cast<double>(peak) - static_cast<double>(before)) / (1024.0 * 1024.0);
  return figures;
}

bool Export(const fs::path& path, const std::function<bool(ByteSink&)>& write) {
  SafeFileWriter file(path, SafeFileWriter::Replace::kAllow);
  return file.Open() && write(file) && file.Commit();
}

bool BareWrite(const fs::path& path, int64_t bytes) {
  const std::string block(1 << 20, 'x');
  SafeFileWriter file(path, SafeFileWriter::Replace::kAllow);
  if (!file.Open()) return false;
  for (int64_t left = bytes; left > 0; left -= static_cast<int64_t>(block.size()))
    if (!file.Write(std::string_view(block.data(), static_cast<size_t>(std::min<int64_t>(left, block.size())))))
      return false;
  return file.Commit();
}

void Print(const char* what, const Figures& figures, int64_t bytes) {
  std::printf("  %-28s %8.2f s  %+8.1f MB peak  %8.1f MB file%s\n", what, figures.seconds, figures.extraMb,
              static_cast<double>(bytes) / (1024.0 * 1024.0), figures.ok ? "" : "  FAILED");
}

void Run(size_t count, const fs::path& folder) {
  DemoPhone phone;
  phone.identifier = L"BENCH";
  phone.generatedContacts = count;
  ContactBook book;
  std::string error;
  const size_t empty = PrivateBytes();
  book.Open(phone, folder / "BENCH.contacts.json", error);
  std::printf("%zu contacts (the book itself: %.0f MB)\n", count,
              (static_cast<double>(PrivateBytes()) - static_cast<double>(empty)) / (1024.0 * 1024.0));

  const fs::path state = folder / "BENCH.contacts.json";
  Figures figures = Measure([&] { return book.Persist(error); });
  Print("save (per-user copy)", figures, FileSizeOf(state));
  const int64_t stateBytes = FileSizeOf(state);
  figures = Measure([&] { return BareWrite(folder / "bare.bin", stateBytes); });
  Print("bare write, same bytes", figures, stateBytes);
  ContactBook reopened;
  figures = Measure([&] {
    reopened.Open(phone, state, error);
    return error.empty() && reopened.Count() == count;
  });
  Print("read the copy back", figures, stateBytes);
  reopened = ContactBook();

  const auto& contacts = book.Contacts();
  figures = Measure([&] {
    return Export(folder / "Contacts.vcf", [&](ByteSink& s) { return WriteVCards(s, contacts, book.Groups()); });
  });
  Print("export vCard", figures, FileSizeOf(folder / "Contacts.vcf"));
  figures = Measure([&] {
    return Export(folder / "Contacts.html",
                  [&](ByteSink& s) { return WriteContactsHtml(s, contacts, book.Groups(), L"Bench"); });
  });
  Print("export HTML", figures, FileSizeOf(folder / "Contacts.html"));
  figures = Measure([&] {
    return Export(folder / "Contacts.bak", [&](ByteSink& s) { return WriteContactBackup(s, contacts, book.Groups()); });
  });
  Print("export backup", figures, FileSizeOf(folder / "Contacts.bak"));
  std::error_code ignored;
  for (const char* name : {"Contacts.vcf", "Contacts.html", "Contacts.bak", "bare.bin", "BENCH.contacts.json"})
    fs::remove(folder / name, ignored);
}

}  // namespace

int wmain() {
  const fs::path folder = fs::temp_directory_path() / L"zs-save-bench";
  std::error_code ignored;
  fs::create_directories(folder, ignored);
  for (size_t count : {200000u, 1000000u}) Run(count, folder);
  fs::remove_all(folder, ignored);
  return 0;
}
