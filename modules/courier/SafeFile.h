// Files of the user's data, written so that no failure can cost what was there before, and read
// so that a file another program holds for a moment is not taken for a lost one. Plain code: the
// Windows build goes through the file API, the native test build through POSIX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <string>
#include <string_view>

#include "modules/courier/formats/ContactFormats.h"

// Streams a file into place. Bytes go to a hidden temporary file beside the target; Commit
// flushes it to the disk, checks its length and only then renames it to the target. A writer
// destroyed without a successful Commit removes its temporary file, so the target is either
// the earlier file, untouched, or the new one whole; never empty, never partial.
class SafeFileWriter : public ByteSink {
 public:
  enum class Replace { kAllow, kNever };

  // `replace` kNever: Commit fails rather than take a name that exists (exports never
  // overwrite a file, even one that appeared while they wrote).
  SafeFileWriter(std::filesystem::path target, Replace replace);
  ~SafeFileWriter() override;
  SafeFileWriter(const SafeFileWriter&) = delete;
  SafeFileWriter& operator=(const SafeFileWriter&) = delete;

  // Creates the temporary file; false with Error() when it cannot.
  bool Open();
  bool Write(std::string_view bytes) override;
  // Puts what was written so far on the disk, so that Commit has less to wait for (a long
  // write can do it as it goes); false with Error() when it cannot.
  bool Settle();
  // False with Error() when anything failed since Open; the temporary file is then gone.
  bool Commit();
  // Throws the temporary file away; the target stays as it was.
  void Abandon();

  bool Failed() const { return !m_error.empty(); }
  // One line in UTF-8 for progress texts and the trace ("the disk is full", ...).
  const std::string& Error() const { return m_error; }
  // True when Commit failed only because the target name was taken (Replace::kNever).
  bool TargetExisted() const { return m_targetExisted; }
  const std::filesystem::path& Target() const { return m_target; }

 private:
  bool FlushBuffer();
  bool WriteOut(const char* data, size_t size);
  void Fail(const std::string& what, int code);
  void CloseFile();

  std::filesystem::path m_target;
  std::filesystem::path m_temporary;
  Replace m_replace;
  std::string m_buffer;
  std::string m_error;
  uint64_t m_written = 0;
  bool m_open = false;
  bool m_committed = false;
  bool m_targetExisted = false;
#ifdef _WIN32
  void* m_handle = nullptr;
#else
  int m_descriptor = -1;
#endif
};

// Reads a whole file. A file another program has open without sharing is tried again for a
// while before the read is given up. False with `error` (UTF-8) when it cannot be read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error);

// Opens a file for streamed reading with the same patience; false with `error` when it cannot.
bool OpenForReading(const std::filesystem::path& path, std::ifstream& stream, std::string& error);

// The size of a file, or -1 when it cannot be examined.
int64_t FileSizeOf(const std::filesystem::path& path);

// Moves a file that could not be read out of the way under the first free name of
// `path`.corrupt, `path`.corrupt-2, ...: earlier set-aside files are never overwritten. Returns
// the new path, or empty with `error` when the file could not be moved.
std::filesystem::path SetFileAside(const std::filesystem::path& path, std::string& error);

// What became of a user's saved copy on opening it.
struct SavedCopy {
  bool whole = false;            // there was a copy and it was read in full
  std::filesystem::path keptAs;  // where a copy that could not be read in full was set aside
  std::string blocked;           // why nothing may be written over it: it could not be moved aside
  std::string error;             // what happened, for the trace; empty when all is well
};

// Opens the per-user copy `path` of `what` ("contacts") and hands it to `read`, which answers
// false with the reason when it could not read it in full. Leftovers of writes a killed process
// never finished are removed first. A copy that cannot be read in full is never replaced
// unseen: it is set aside, or, when even that fails, left alone with `blocked` saying why.
SavedCopy OpenSavedCopy(const std::filesystem::path& path, const char* what,
                        const std::function<bool(std::istream& in, std::string& problem)>& read);

// Test support: the next writes fail after `bytes` more bytes (as a full disk would), or throw
// std::bad_alloc instead when `throwInstead`. A negative count switches the fault off.
void InjectWriteFaultForTest(int64_t bytes, bool throwInstead = false);
