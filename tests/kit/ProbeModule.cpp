// A plug-in-like DLL with its own copy of the kit, to check per-module classes and
// reflection between windows of different modules.
#include "kit/BASWindow.h"

namespace {

class ModuleButton : public BASWindow {
 public:
  int reflectedCommands = 0;

 protected:
  bool PaintsClientArea() const override { return true; }
  bool OnReflectedCommand(int) override {
    ++reflectedCommands;
    return true;
  }
};

ModuleButton g_window;

}  // namespace

extern "C" __declspec(dllexport) HWND ProbeModuleCreateWindow(HWND parent) {
  g_window.Create(parent, L"KitProbeWindow", L"", WS_CHILD, 0, RECT{0, 0, 20, 20}, 77);
  return g_window.Hwnd();
}

extern "C" __declspec(dllexport) int ProbeModuleReflectedCommands() { return g_window.reflectedCommands; }

extern "C" __declspec(dllexport) void ProbeModuleDestroyWindow() { g_window.Destroy(); }
