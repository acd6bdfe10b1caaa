#include "modules/caption/TitlebarSettingsMenu.h"

std::vector<SettingsMenuEntry> SettingsMenuEntries(bool withFeedback, bool updateCheckRunning) {
  std::vector<SettingsMenuEntry> entries = {
      {kMenuSeparator, nullptr, true},
      {kMenuTutorial, L"Tutorial", true},
      {kMenuQuestions, L"Frequently Asked Questions", true},
      {kMenuSeparator, nullptr, true},
      {kMenuCheckForUpdate, L"Check for Update", !updateCheckRunning},
      {kMenuAbout, L"About", true},
      {kMenuSeparator, nullptr, true},
      {kMenuProduct, L"Product", true},
  };
  if (withFeedback) entries.push_back({kMenuFeedback, L"Send us Feedback", true});
  entries.push_back({kMenuSupport, L"Support Center", true});
  entries.push_back({kMenuSeparator, nullptr, true});
  entries.push_back({kMenuFacebook, L"Visit us on Facebook", true});
  entries.push_back({kMenuTwitter, L"Follow us on Twitter", true});
  entries.push_back({kMenuGoogle, L"Follow us on Google+", true});
  return entries;
}

const char* SettingsMenuUrlKey(UINT id) {
  switch (id) {
    case kMenuTutorial:
      return "url:help";
    case kMenuQuestions:
      return "url:question";
    case kMenuProduct:
      return "url:product";
    case kMenuSupport:
      return "url:support";
    case kMenuFacebook:
      return "url:facebook";
    case kMenuTwitter:
      return "url:twitter";
    case kMenuGoogle:
      return "url:google";
    default:
      return nullptr;
  }
}
