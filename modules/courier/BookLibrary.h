// One phone's books as real files (EPUB, PDF, plain text, MOBI): the media library with the
// books' rules, whose check is the book reader's (format by name and content, title, author).
#pragma once

#include "modules/courier/MediaLibrary.h"

extern const MediaKindRules kBookRules;

class BookLibrary : public MediaLibrary {
 public:
  BookLibrary() : MediaLibrary(kBookRules) {}
};
