// Where the tests find the demo-phones file the product ships.
#pragma once

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

// Natively the source folder; under Wine the copy the build put beside libCourier.dll.
inline std::filesystem::path ShippedDemoDataFile() {
#ifdef _WIN32
  wchar_t exe[MAX_PATH * 2] = {};
  GetModuleFileNameW(nullptr, exe, sizeof(exe) / sizeof(exe[0]));
  return std::filesystem::path(exe).parent_path().parent_path() / L"product" / L"plugins" / L"Courier" /
         L"DemoPhones.json";
#else
  return std::filesystem::path(ZS_COURIER_DATA_DIR) / "DemoPhones.json";
#endif
}
