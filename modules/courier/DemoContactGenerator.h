// A large address book made on demand ("generatedContacts" of a demo phone): contact i is the
// same on every call, so a load of 50 000 contacts can be streamed without holding them all.
#pragma once

#include <cstddef>

#include "modules/courier/DemoData.h"

class DemoContactGenerator {
 public:
  // Contact `index` (0-based) of the generated part; its identifier never collides with the
  // file's own contacts, which do not start with "gen-".
  static DemoContact Make(size_t index);
};
