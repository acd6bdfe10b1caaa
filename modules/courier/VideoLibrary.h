// One phone's videos as real files (MP4, WebM, Matroska): the media library with the videos'
// rules, whose check reads the duration and picture size from the file.
#pragma once

#include "modules/courier/MediaLibrary.h"

extern const MediaKindRules kVideoRules;

class VideoLibrary : public MediaLibrary {
 public:
  VideoLibrary() : MediaLibrary(kVideoRules) {}
};
