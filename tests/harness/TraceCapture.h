// Captures what the process writes to its standard output (libCornerstone's trace lines) into
// a temporary file while it is active, so a test can count the lines a module traced.
#pragma once

#include <string>
#include <vector>

class TraceCapture {
 public:
  TraceCapture();
  // Restores standard output if Stop was not called.
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  bool IsActive() const { return m_savedFd >= 0; }
  // Restores standard output and returns the captured lines (without line ends).
  std::vector<std::string> Stop();

 private:
  int m_savedFd = -1;
  int m_fileFd = -1;
  std::wstring m_path;
};
