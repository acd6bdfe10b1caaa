#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

#include "cornerstone/Internal.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace {
std::mutex g_traceMutex;

void EmitLine(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_traceMutex);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
}  // namespace

void BASTrace(const char* fmt, ...) {
  if (!fmt) return;
  va_list args, copy;
  va_start(args, fmt);
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, fmt, copy);
  va_end(copy);
  if (n >= 0) {
    std::vector<char> buf(static_cast<size_t>(n) + 1);
    std::vsnprintf(buf.data(), buf.size(), fmt, args);
    EmitLine(buf.data());
  }
  va_end(args);
}

void BASTraceW(const wchar_t* fmt, ...) {
  if (!fmt) return;
  std::vector<wchar_t> buf(256);
  while (true) {
    va_list args;
    va_start(args, fmt);
    int n = std::vswprintf(buf.data(), buf.size(), fmt, args);
    va_end(args);
    if (n >= 0 && static_cast<size_t>(n) < buf.size()) break;
    if (buf.size() > (1u << 24)) return;
    buf.resize(n >= 0 ? static_cast<size_t>(n) + 1 : buf.size() * 2);
  }
  EmitLine(cornerstone::Narrow(buf.data()));
}
