// The content pane module of each section and the device-service request that loads it.
#pragma once

#include <cstdint>

struct ContentModule {
  int32_t sectionId;
  const char* createWindow;
  const char* showWindow;
  const char* hideWindow;
  const char* loadCommand;  // LIBCOURIER_COMMAND_DO_<kind>; null: nothing to load
  int64_t loadCode;
  const wchar_t* loadingText;
};

// Null for sections without a module ("Photos") and unknown ids.
const ContentModule* ContentModuleOf(int32_t sectionId);

// Every module's command of one kind, in the order the host passes a command on.
extern const char* const kContentChangeSizeNames[9];
extern const char* const kContentHideWindowNames[9];
