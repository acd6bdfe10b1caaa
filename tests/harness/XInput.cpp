#include "tests/harness/XInput.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace xinput {

namespace {

// The folder the driver watches (a Windows path of a Unix folder), or empty.
std::string Folder() {
  const char* folder = std::getenv("ZS_XINPUT_DIR");
  return folder ? folder : "";
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(5);
  } while (GetTickCount() - start < ms);
}

// Hands one xdotool command line to the driver and waits until it was run. The thread keeps
// pumping meanwhile: Wine reads the X events only while it does.
bool Run(const std::string& command) {
  static int sequence = 0;
  const std::string folder = Folder();
  const std::string number = std::to_string(++sequence);
  {
    std::ofstream request(folder + "\\request.tmp", std::ios::trunc);
    request << number << ' ' << command << '\n';
    if (!request) return false;
  }
  if (!MoveFileExA((folder + "\\request.tmp").c_str(), (folder + "\\request").c_str(), MOVEFILE_REPLACE_EXISTING))
    return false;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 10000) {
    std::ifstream ack(folder + "\\ack");
    std::string seen;
    if (ack >> seen && seen == number) {
      PumpFor(150);
      return true;
    }
    PumpFor(10);
  }
  std::fprintf(stderr, "xinput: the driver did not run \"%s\"\n", command.c_str());
  return false;
}

}  // namespace

bool Driven() { return !Folder().empty(); }

void Click(POINT screen) {
  if (Driven()) {
    Run("mousemove " + std::to_string(screen.x) + ' ' + std::to_string(screen.y) + " click 1");
    return;
  }
  SetCursorPos(screen.x, screen.y);
  INPUT press[2] = {};
  press[0].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].type = INPUT_MOUSE;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, press, sizeof(INPUT));
  PumpFor(100);
}

// Keys from xdotool did not reach a test program's window here (clicks do, and keys do reach the
// shipped program's frame), so keys take SendInput, which is the system's keyboard path as well.
void Key(const char* /*xName*/, WORD vk) {
  INPUT keys[2] = {};
  keys[0].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = vk;
  keys[1].type = INPUT_KEYBOARD;
  keys[1].ki.wVk = vk;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
  PumpFor(100);
}

void Wheel(POINT screen, int notches) {
  if (notches == 0) return;
  if (Driven()) {
    const int count = notches > 0 ? notches : -notches;
    Run("mousemove " + std::to_string(screen.x) + ' ' + std::to_string(screen.y) + " click --repeat " +
        std::to_string(count) + " --delay 30 " + (notches > 0 ? "4" : "5"));
    return;
  }
  SetCursorPos(screen.x, screen.y);
  INPUT wheel = {};
  wheel.type = INPUT_MOUSE;
  wheel.mi.dwFlags = MOUSEEVENTF_WHEEL;
  wheel.mi.mouseData = static_cast<DWORD>(notches * WHEEL_DELTA);
  SendInput(1, &wheel, sizeof(INPUT));
  PumpFor(100);
}

void Type(const wchar_t* text) {
  for (const wchar_t* c = text; *c != L'\0'; ++c) {
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wScan = *c;
    keys[0].ki.dwFlags = KEYEVENTF_UNICODE;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    PumpFor(10);
  }
  PumpFor(100);
}

}  // namespace xinput
