// The theme images the host decodes once at start-up for every module to share.
#pragma once

#include <string>

#include "contracts/CommandRecord.h"

// Dialog images needed before any window exists (every alert draws them).
extern const char* const kDialogImages[3];
// The images the main view preloads.
extern const char* const kPreloadedImages[];
extern const size_t kPreloadedImageCount;

// Loads each path from the themes folder into the cache under its narrow path; a missing
// image is left out (it then draws as nothing).
void LoadThemeImages(ImageCache& cache, const char* const* paths, size_t count);
void FreeThemeImages(ImageCache& cache);
