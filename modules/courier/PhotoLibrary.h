// One phone's photos as real picture files: the media library with the pictures' rules (the
// structure check of ImageCheck, the demo phone's shipped pictures).
#pragma once

#include "modules/courier/MediaLibrary.h"

typedef StoredMedia StoredPhoto;

extern const MediaKindRules kPhotoRules;

class PhotoLibrary : public MediaLibrary {
 public:
  PhotoLibrary() : MediaLibrary(kPhotoRules) {}
  const std::vector<StoredPhoto>& Photos() const { return Items(); }
};
