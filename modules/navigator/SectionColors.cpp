#include "modules/navigator/SectionColors.h"

#include "contracts/cornerstone/Cornerstone.h"

#include <cctype>
#include <cstring>

namespace {

bool IsHexColor(const char* text) {
  if (!text || text[0] != '#' || std::strlen(text) != 7) return false;
  for (int i = 1; i < 7; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

}  // namespace

COLORREF SectionColor(const char* key, COLORREF fallback) {
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults("url");
  if (!store || !store->IsOk() || !store->HasMember(key) || !IsHexColor(store->GetString(key))) return fallback;
  return store->GetRGB(key);
}
