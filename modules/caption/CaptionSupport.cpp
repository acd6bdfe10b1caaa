#include "modules/caption/CaptionSupport.h"

#include "contracts/CommandRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/caption/CaptionModule.h"


namespace {

BASUserDefaults* UrlStore() {
  BASUserDefaults* store = BASUserDefaults::GetUserDefaults("url");
  return store && store->IsOk() ? store : nullptr;
}


}  // namespace

COLORREF UrlColor(const char* key, COLORREF fallback) {
  BASUserDefaults* store = UrlStore();
  return store ? store->GetRGB(key, fallback) : fallback;
}

const char* UrlString(const char* key) {
  BASUserDefaults* store = UrlStore();
  const char* text = store ? store->GetString(key) : nullptr;
  return text ? text : "";
}

int UrlInt(const char* key) {
  BASUserDefaults* store = UrlStore();
  return store ? store->GetInt(key) : 0;
}

bool OpenUrlSetting(const char* key) {
  const char* url = UrlString(key);
  if (!*url) {
    BASTrace("DhTitlebar: no address under %s", key);
    return false;
  }
  return BASUtilityApp::OpenUrl(url);
}

void PostCommandToHost(const char* name, int64_t value) {
  const ModuleRecord* module = CaptionModuleRecord();
  if (!module) return;
  CommandRecord record;
  record.value = value;
  PostToHost(*module, record, name);
}

Gdiplus::Bitmap* CaptionImage(const char* path) {
  const ModuleRecord* module = CaptionModuleRecord();
  return module ? FindImage(module->imageCache, path) : nullptr;
}

HWND TopLevelOwnerOf(HWND hwnd) {
  // Bounded: a broken owner chain must not hang the click that asked.
  for (int depth = 0; hwnd && depth < 64; ++depth) {
    const HWND next = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) ? GetParent(hwnd) : GetWindow(hwnd, GW_OWNER);
    if (!next) break;
    hwnd = next;
  }
  return hwnd;
}
