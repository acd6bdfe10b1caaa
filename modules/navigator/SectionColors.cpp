#include "modules/navigator/SectionColors.h"

#include "contracts/cornerstone/Cornerstone.h"

COLORREF SectionColor(const char* key, COLORREF fallback) {
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults("url");
  return store && store->IsOk() ? store->GetRGB(key, fallback) : fallback;
}
