// Stands in for an adb program that never brings its server up: it only waits.
#include <windows.h>

int main() {
  Sleep(20000);
  return 1;
}
