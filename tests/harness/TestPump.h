// Message pumping and small file reads shared by the window tests.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>
#include <vector>

namespace testpump {

inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps until `done` holds or `timeoutMs` passed.
template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs = 2000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Pump();
    Sleep(2);
  }
  return true;
}

// The lines of a text file (such as the shell log), line ends stripped; none if missing.
inline std::vector<std::string> ReadLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

}  // namespace testpump
