#include "modules/courier/SafeFile.h"

#include <atomic>
#include <chrono>
#include <new>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Large enough that a big export costs few system calls, small enough to stay a batch.
constexpr size_t kBufferBytes = 1u << 20;
std::atomic<int64_t> g_faultAfter{-1};
std::atomic<bool> g_faultThrows{false};
std::atomic<uint32_t> g_temporaryNumber{0};

#ifdef _WIN32
constexpr int kDiskFull = ERROR_DISK_FULL;
// A virus scanner or a backup program holds a new file for a moment; a user's program for good.
constexpr int kLockedRetries = 30;
constexpr auto kLockedPause = std::chrono::milliseconds(100);

std::string DescribeError(int code) {
  switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return "the disk is full";
    case ERROR_ACCESS_DENIED:
      return "access is denied";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_NAME:
      return "the folder or file is not there";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return "another program is using the file";
    case ERROR_WRITE_PROTECT:
      return "the disk is write-protected";
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return "a file of that name exists";
    default:
      return "system error " + std::to_string(code);
  }
}

bool IsLockedError(DWORD code) {
  return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION || code == ERROR_ACCESS_DENIED;
}

// Opens for reading, waiting out another program's short hold on the file.
HANDLE OpenShared(const std::filesystem::path& path, DWORD& code) {
  for (int attempt = 0;; ++attempt) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    code = GetLastError();
    if (!IsLockedError(code) || attempt == kLockedRetries) return INVALID_HANDLE_VALUE;
    std::this_thread::sleep_for(kLockedPause);
  }
}

// Renames, waiting out a reader that holds the target for a moment.
bool MoveFileSafely(const std::filesystem::path& from, const std::filesystem::path& to, bool replace, int& code) {
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (replace ? MOVEFILE_REPLACE_EXISTING : 0);
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(from.c_str(), to.c_str(), flags)) return true;
    code = static_cast<int>(GetLastError());
    if (!IsLockedError(static_cast<DWORD>(code)) || attempt == kLockedRetries) return false;
    std::this_thread::sleep_for(kLockedPause);
  }
}

bool IsExistsError(int code) { return code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS; }

void RemoveFile(const std::filesystem::path& path) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(path.c_str());
}
#else
constexpr int kDiskFull = ENOSPC;

std::string DescribeError(int code) {
  if (code == ENOSPC) return "the disk is full";
  return std::strerror(code);
}

bool MoveFileSafely(const std::filesystem::path& from, const std::filesystem::path& to, bool replace, int& code) {
  if (replace ? ::rename(from.c_str(), to.c_str()) == 0 : ::link(from.c_str(), to.c_str()) == 0) {
    if (!replace) ::unlink(from.c_str());
    return true;
  }
  code = errno;
  return false;
}

bool IsExistsError(int code) { return code == EEXIST; }

void RemoveFile(const std::filesystem::path& path) { ::unlink(path.c_str()); }
#endif

}  // namespace

SafeFileWriter::SafeFileWriter(std::filesystem::path target, Replace replace)
    : m_target(std::move(target)), m_replace(replace) {}

SafeFileWriter::~SafeFileWriter() { Abandon(); }

bool SafeFileWriter::Open() {
  if (m_open || Failed()) return false;
  // Hidden and named after the target, so a leftover of a killed process explains itself.
  std::filesystem::path name = L".";
  name += m_target.filename();
  name += L"." + std::to_wstring(g_temporaryNumber.fetch_add(1) + 1);
#ifdef _WIN32
  name += L"." + std::to_wstring(GetCurrentProcessId()) + L".tmp";
  m_temporary = m_target.parent_path() / name;
  HANDLE file = CreateFileW(m_temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    Fail("cannot create a file in the folder", static_cast<int>(GetLastError()));
    m_temporary.clear();
    return false;
  }
  m_handle = file;
#else
  name += "." + std::to_string(::getpid()) + ".tmp";
  m_temporary = m_target.parent_path() / name;
  m_descriptor = ::open(m_temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (m_descriptor < 0) {
    Fail("cannot create a file in the folder", errno);
    m_temporary.clear();
    return false;
  }
#endif
  m_open = true;
  m_buffer.reserve(kBufferBytes);
  return true;
}

bool SafeFileWriter::Write(std::string_view bytes) {
  if (!m_open || Failed()) return false;
  if (g_faultThrows.load() && g_faultAfter.load() >= 0 &&
      m_written + m_buffer.size() + bytes.size() > static_cast<uint64_t>(g_faultAfter.load()))
    throw std::bad_alloc();
  // A large piece goes to the file as it is, not through the buffer.
  if (m_buffer.empty() && bytes.size() >= kBufferBytes) return WriteOut(bytes.data(), bytes.size());
  m_buffer.append(bytes.data(), bytes.size());
  if (m_buffer.size() >= kBufferBytes) return FlushBuffer();
  return true;
}

bool SafeFileWriter::FlushBuffer() {
  const bool wrote = WriteOut(m_buffer.data(), m_buffer.size());
  m_buffer.clear();
  return wrote;
}

bool SafeFileWriter::WriteOut(const char* data, size_t size) {
  size_t length = size;
  bool simulatedFull = false;
  const int64_t faultAfter = g_faultAfter.load();
  if (faultAfter >= 0 && !g_faultThrows.load() && m_written + length > static_cast<uint64_t>(faultAfter)) {
    length = m_written < static_cast<uint64_t>(faultAfter) ? static_cast<size_t>(faultAfter - m_written) : 0;
    simulatedFull = true;
  }
  size_t done = 0;
  while (done < length) {
#ifdef _WIN32
    DWORD wrote = 0;
    const DWORD piece = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 24));
    if (!WriteFile(static_cast<HANDLE>(m_handle), data + done, piece, &wrote, nullptr) || wrote == 0) {
      Fail("cannot write the file", static_cast<int>(GetLastError()));
      return false;
    }
#else
    const ssize_t wrote = ::write(m_descriptor, data + done, length - done);
    if (wrote <= 0) {
      if (wrote < 0 && errno == EINTR) continue;
      Fail("cannot write the file", wrote < 0 ? errno : kDiskFull);
      return false;
    }
#endif
    done += static_cast<size_t>(wrote);
  }
  m_written += done;
  if (simulatedFull) {
    Fail("cannot write the file", kDiskFull);
    return false;
  }
  return true;
}

bool SafeFileWriter::Settle() {
  if (!m_open || Failed() || !FlushBuffer()) return false;
#ifdef _WIN32
  if (!FlushFileBuffers(static_cast<HANDLE>(m_handle))) {
    Fail("cannot write the file to the disk", static_cast<int>(GetLastError()));
    return false;
  }
#else
  if (::fsync(m_descriptor) != 0) {
    Fail("cannot write the file to the disk", errno);
    return false;
  }
#endif
  return true;
}

bool SafeFileWriter::Commit() {
  if (!m_open || Failed()) {
    Abandon();
    return false;
  }
  if (!FlushBuffer()) {
    Abandon();
    return false;
  }
  // On the disk before it takes the target's name: a power cut must not leave a named, empty file.
#ifdef _WIN32
  LARGE_INTEGER size{};
  HANDLE file = static_cast<HANDLE>(m_handle);
  if (!FlushFileBuffers(file)) {
    Fail("cannot write the file to the disk", static_cast<int>(GetLastError()));
  } else if (!GetFileSizeEx(file, &size) || static_cast<uint64_t>(size.QuadPart) != m_written) {
    Fail("the file was not written whole", 0);
  }
#else
  struct stat status {};
  if (::fsync(m_descriptor) != 0) {
    Fail("cannot write the file to the disk", errno);
  } else if (::fstat(m_descriptor, &status) != 0 || static_cast<uint64_t>(status.st_size) != m_written) {
    Fail("the file was not written whole", 0);
  }
#endif
  CloseFile();
  if (Failed()) {
    Abandon();
    return false;
  }
#ifdef _WIN32
  SetFileAttributesW(m_temporary.c_str(), FILE_ATTRIBUTE_NORMAL);
#endif
  int code = 0;
  if (!MoveFileSafely(m_temporary, m_target, m_replace == Replace::kAllow, code)) {
    m_targetExisted = IsExistsError(code);
    Fail("cannot give the file its name", code);
    Abandon();
    return false;
  }
  m_committed = true;
  m_temporary.clear();
  return true;
}

void SafeFileWriter::Abandon() {
  CloseFile();
  if (!m_temporary.empty() && !m_committed) RemoveFile(m_temporary);
  m_temporary.clear();
  m_open = false;
  m_buffer.clear();
  m_buffer.shrink_to_fit();
}

void SafeFileWriter::Fail(const std::string& what, int code) {
  if (!m_error.empty()) return;
  m_error = code == 0 ? what : what + ": " + DescribeError(code);
}

void SafeFileWriter::CloseFile() {
#ifdef _WIN32
  if (m_handle != nullptr) ::CloseHandle(static_cast<HANDLE>(m_handle));
  m_handle = nullptr;
#else
  if (m_descriptor >= 0) ::close(m_descriptor);
  m_descriptor = -1;
#endif
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes, std::string& error) {
  bytes.clear();
#ifdef _WIN32
  DWORD code = 0;
  HANDLE file = OpenShared(path, code);
  if (file == INVALID_HANDLE_VALUE) {
    error = DescribeError(static_cast<int>(code));
    return false;
  }
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) != 0;
  try {
    if (ok) bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (ok && done < bytes.size()) {
      DWORD read = 0;
      const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
      ok = ReadFile(file, &bytes[done], piece, &read, nullptr) != 0 && read > 0;
      done += read;
    }
    if (!ok) error = DescribeError(static_cast<int>(GetLastError()));
  } catch (const std::bad_alloc&) {
    ok = false;
    error = "the file is too large to read";
  }
  ::CloseHandle(file);
#else
  std::ifstream in(path, std::ios::binary);
  bool ok = static_cast<bool>(in);
  if (!ok) {
    error = DescribeError(errno);
    return false;
  }
  try {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    ok = !in.bad();
    if (!ok) error = "the file could not be read";
  } catch (const std::bad_alloc&) {
    ok = false;
    error = "the file is too large to read";
  }
#endif
  if (!ok) {
    bytes.clear();
    bytes.shrink_to_fit();
  }
  return ok;
}

bool OpenForReading(const std::filesystem::path& path, std::ifstream& stream, std::string& error) {
#ifdef _WIN32
  DWORD code = 0;
  HANDLE probe = OpenShared(path, code);
  if (probe == INVALID_HANDLE_VALUE) {
    error = DescribeError(static_cast<int>(code));
    return false;
  }
  ::CloseHandle(probe);
#endif
  stream.open(path, std::ios::binary);
  if (!stream) {
    error = "the file could not be opened";
    return false;
  }
  return true;
}

int64_t FileSizeOf(const std::filesystem::path& path) {
  std::error_code failure;
  const std::uintmax_t size = std::filesystem::file_size(path, failure);
  return failure ? -1 : static_cast<int64_t>(size);
}

std::filesystem::path SetFileAside(const std::filesystem::path& path, std::string& error) {
  int code = 0;
  for (unsigned number = 1; number < 10000; ++number) {
    std::filesystem::path aside = path;
    aside += number == 1 ? std::wstring(L".corrupt") : L".corrupt-" + std::to_wstring(number);
    std::error_code failure;
    if (std::filesystem::exists(std::filesystem::symlink_status(aside, failure))) continue;
    if (MoveFileSafely(path, aside, false, code)) return aside;
    if (!IsExistsError(code)) break;
  }
  error = code == 0 ? std::string("no free name to set the file aside") : DescribeError(code);
  return std::filesystem::path();
}

namespace {

void RemoveUnfinishedWrites(const std::filesystem::path& target) {
  std::error_code failure;
  const std::string prefix = "." + target.filename().u8string() + ".";
  for (std::filesystem::directory_iterator it(target.parent_path(), failure), end; !failure && it != end;
       it.increment(failure)) {
    const std::string name = it->path().filename().u8string();
    if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
        name.compare(name.size() - 4, 4, ".tmp") == 0) {
      std::error_code ignored;
      std::filesystem::remove(it->path(), ignored);
    }
  }
}

}  // namespace

SavedCopy OpenSavedCopy(const std::filesystem::path& path, const char* what,
                        const std::function<bool(std::istream& in, std::string& problem)>& read) {
  SavedCopy copy;
  if (path.empty()) return copy;
  RemoveUnfinishedWrites(path);
  std::error_code failure;
  if (!std::filesystem::exists(path, failure)) return copy;
  std::string problem;
  {
    std::ifstream in;
    if (OpenForReading(path, in, problem)) {
      if (read(in, problem)) {
        copy.whole = true;
        return copy;
      }
      if (problem.empty()) problem = "it is damaged";
    }
  }  // closed before it is moved: an open file cannot be renamed on Windows
  std::string asideError;
  copy.keptAs = SetFileAside(path, asideError);
  if (copy.keptAs.empty()) {
    // Still in place: whatever is written now would replace the user's changes.
    copy.blocked = std::string("the saved ") + what + " could not be read (" + problem + ") and are left as they are";
    copy.error = copy.blocked + "; moving them aside failed: " + asideError;
  } else {
    copy.error = std::string("the saved ") + what + " could not be read in full (" + problem + ") and were set aside";
  }
  return copy;
}

void InjectWriteFaultForTest(int64_t bytes, bool throwInstead) {
  g_faultThrows.store(throwInstead);
  g_faultAfter.store(bytes);
}
