// What the tests run through run_with_adb.py share: the ports it hands over in the environment.
#pragma once

#include <windows.h>

#include <map>
#include <string>

inline std::string Environment(const char* name) {
  char buffer[1024] = {};
  const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof(buffer));
  return length > 0 && length < sizeof(buffer) ? std::string(buffer, length) : std::string();
}

// "normal=40001,unauthorized=40002,..." as the test command passes it.
inline std::map<std::string, std::string> StandinPorts() {
  std::map<std::string, std::string> ports;
  const std::string text = Environment("ZS_STANDIN_PORTS");
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(',', start);
    if (end == std::string::npos) end = text.size();
    const std::string pair = text.substr(start, end - start);
    const size_t equals = pair.find('=');
    if (equals != std::string::npos) ports[pair.substr(0, equals)] = pair.substr(equals + 1);
    start = end + 1;
  }
  return ports;
}

inline std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }
