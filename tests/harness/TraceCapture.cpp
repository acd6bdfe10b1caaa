#include "tests/harness/TraceCapture.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cstdio>

TraceCapture::TraceCapture() {
  wchar_t folder[MAX_PATH] = {};
  wchar_t file[MAX_PATH] = {};
  if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"trc", 0, file) == 0) return;
  m_path = file;
  m_fileFd = _wopen(file, _O_WRONLY | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (m_fileFd < 0) return;
  std::fflush(stdout);
  m_savedFd = _dup(1);
  if (m_savedFd < 0 || _dup2(m_fileFd, 1) != 0) {
    if (m_savedFd >= 0) _close(m_savedFd);
    m_savedFd = -1;
  }
}

TraceCapture::~TraceCapture() {
  Stop();
  if (!m_path.empty()) DeleteFileW(m_path.c_str());
}

std::vector<std::string> TraceCapture::Stop() {
  std::vector<std::string> lines;
  if (m_savedFd >= 0) {
    std::fflush(stdout);
    _dup2(m_savedFd, 1);
    _close(m_savedFd);
    m_savedFd = -1;
  }
  if (m_fileFd >= 0) {
    _close(m_fileFd);
    m_fileFd = -1;
  } else {
    return lines;
  }
  FILE* input = _wfopen(m_path.c_str(), L"rb");
  if (input == nullptr) return lines;
  std::string line;
  for (int c = std::fgetc(input); c != EOF; c = std::fgetc(input)) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line.push_back(static_cast<char>(c));
    }
  }
  if (!line.empty()) lines.push_back(line);
  std::fclose(input);
  return lines;
}
