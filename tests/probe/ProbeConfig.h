// The script a probe module reads from the JSON file beside itself: which names it registers,
// what it posts to the host and when, how it answers commands, where it writes its log.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// One command posted to the host entry `afterMs` after RegisterModule returned.
struct ProbePost {
  std::string name;
  uint32_t afterMs = 0;
  uint8_t action = 0;
  int64_t code = 0;
  int64_t value = 0;
  int64_t count = 0;
  int64_t entries = 0;
  int64_t total = 0;
  int64_t position = 0;
  bool hasText = false;
  std::wstring text;
  bool hasNarrowText = false;
  std::string narrowText;
  // Name of a received command whose last `window` goes into this post's `window`.
  std::string windowFrom;
  bool instanceSelf = false;
};

// What the probe writes back into a command it receives.
struct ProbeAnswer {
  bool createWindow = false;  // a hidden child of the incoming `window`, made once per parent
  bool hasValue = false;
  int64_t value = 0;
};

struct ProbeConfig {
  std::wstring logPath;  // left as it was when the file names none
  std::vector<std::string> registerNames;
  std::vector<ProbePost> posts;
  std::map<std::string, ProbeAnswer> answers;
  bool closes = false;
  uint32_t closeAfterMs = 0;
  // Commands whose `data` points at 32-bit integers worth logging (sizes, rectangles), and
  // how many.
  std::map<std::string, uint32_t> peekData;
};

// Fills `config` from the JSON text; false with a one-line reason in `error` when the text is not
// a well-formed script. Unknown keys are errors, so a misspelt key cannot silently do nothing.
// `logPath` is taken before anything else is checked, so the error can go to the script's log.
bool ParseProbeConfig(const std::string& text, ProbeConfig& config, std::string& error);

std::wstring ProbeWideFromUtf8(const std::string& text);
std::string ProbeUtf8FromWide(const wchar_t* text);
