// The entries of the title bar's settings menu and what each choice opens, kept apart from the
// window so the order and the conditions can be checked without a menu on screen.
#pragma once

#include <windows.h>

#include <vector>

enum SettingsMenuId : UINT {
  kMenuSeparator = 0,
  kMenuTutorial = 100,
  kMenuQuestions,
  kMenuCheckForUpdate,
  kMenuAbout,
  kMenuProduct,
  kMenuFeedback,
  kMenuSupport,
  kMenuFacebook,
  kMenuTwitter,
  kMenuGoogle,
};

struct SettingsMenuEntry {
  UINT id;  // kMenuSeparator for a separator
  const wchar_t* text;
  bool enabled;
};

// In menu order. The leading separator is where the pointer lies when the menu opens over the
// settings button, so releasing the button chooses nothing.
std::vector<SettingsMenuEntry> SettingsMenuEntries(bool withFeedback, bool updateCheckRunning);

// The "url" settings key a choice opens, or null for the choices that are commands.
const char* SettingsMenuUrlKey(UINT id);
