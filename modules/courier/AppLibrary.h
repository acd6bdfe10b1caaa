// One phone's installed apps as their .apk files: the media library with the apps' rules, whose
// check is the package reader's (a whole zip holding a manifest that names its package). The
// package name is each app's identifier; the album says whether it came with the system.
#pragma once

#include <string>

#include "modules/courier/MediaLibrary.h"

extern const MediaKindRules kAppRules;
extern const wchar_t* const kSystemAppsAlbum;

class AppLibrary : public MediaLibrary {
 public:
  AppLibrary() : MediaLibrary(kAppRules) {}
};
