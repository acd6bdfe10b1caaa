#include "host/ThemeImages.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>

#include "contracts/cornerstone/Cornerstone.h"

const char* const kDialogImages[3] = {"common\\close-normal.png", "common\\close-pressed.png", "common\\alert.png"};

const char* const kPreloadedImages[] = {
    "common\\section\\section-music.png",       "common\\section\\section-photo.png",
    "common\\section\\section-video.png",       "common\\section\\section-book.png",
    "common\\section\\section-apps.png",        "common\\section\\section-files.png",
    "common\\section\\section-home.png",        "common\\section\\section-contacts.png",
    "common\\section\\section-sms.png",         "common\\section\\section-right.png",
    "common\\section\\section-down.png",        "contacts\\content-contacts-list.png",
    "contacts\\preview-contacts.png",           "common\\operate-search.png",
    "sms\\sms-list-mail-read.png",              "sms\\message\\incomming-bottom.png",
    "sms\\message\\incomming-top.png",          "sms\\message\\incomming-center.bmp",
    "sms\\message\\outgoing-center.bmp",        "sms\\message\\outgoing-top.png",
    "sms\\message\\outgoing-bottom.png",        "sms\\sms-send-failed.png",
    "sms\\sms-sending.gif",                     "sms\\operate-send-normal.png",
    "sms\\operate-send-pressed.png",            "common\\button\\operate-reset-normal.png",
    "common\\button\\operate-reset-pressed.png", "book\\content-book-list.png",
    "photo\\content-photo-thumbnail.png",       "video\\content-video-list.png",
    "app\\content-apps-table.png",              "music\\content-music-list.png",
    "music\\add-normal.png",                    "music\\add-pressed.png",
    "common\\button\\remove-normal.png",        "common\\button\\remove-pressed.png",
    "common\\radio-check-no.png",               "common\\radio-check-yes.png",
    "common\\content-check-no.png",             "common\\content-check-yes.png",
    "common\\button\\operate-export-pressed.png", "common\\button\\operate-export-normal.png",
    "common\\button\\operate-add-normal.png",   "common\\button\\operate-add-pressed.png",
    "common\\button\\operate-delete-normal.png", "common\\button\\operate-delete-pressed.png",
    "common\\button\\operate-edit-normal.png",  "common\\button\\operate-edit-pressed.png",
    "common\\button\\operate-import-normal.png", "common\\button\\operate-import-pressed.png",
    "common\\button\\operate-refresh-normal.png", "common\\button\\operate-refresh-pressed.png",
    "contacts\\operate-expand-normal.png",      "contacts\\operate-expand-pressed.png",
    "contacts\\preview-edit.png",               "contacts\\contact-edit-add-normal.png",
    "contacts\\contact-edit-add-pressed.png",   "contacts\\contact-edit-delete-normal.png",
    "contacts\\contact-edit-delete-pressed.png", "common\\main-maximize-normal.png",
    "common\\main-maximize-pressed.png",        "common\\main-reset-normal.png",
    "common\\main-reset-pressed.png",           "common\\min-normal.png",
    "common\\min-pressed.png",                  "common\\main-setting-normal.png",
    "common\\main-setting-pressed.png",         "common\\main-help-normal.png",
    "common\\main-help-pressed.png",            "common\\main-home-normal.png",
    "common\\main-home-pressed.png",            "home\\model.png",
    "home\\phone-memory.png",                   "home\\phone-memory-gray.png",
    "home\\power.png",                          "home\\status.png",
    "home\\storage-memory.png",                 "home\\storage-memory-gray.png",
    "home\\sysversion.png",
};
const size_t kPreloadedImageCount = sizeof kPreloadedImages / sizeof kPreloadedImages[0];

void LoadThemeImages(ImageCache& cache, const char* const* paths, size_t count) {
  wchar_t* themes = BASUtilityApp::GetProductThemesDir();
  if (themes == nullptr) return;
  for (size_t i = 0; i < count; ++i) {
    if (cache.count(paths[i])) continue;
    wchar_t* relative = BASUtilityString::ConvertUtf8ToUnicode(paths[i]);
    std::wstring path = std::wstring(themes) + (relative ? relative : L"");
    std::free(relative);
    if (Gdiplus::Bitmap* bitmap = BASUtilityImage::GetBitmap(path.c_str(), 96, 96)) cache[paths[i]] = bitmap;
  }
  std::free(themes);
}

void FreeThemeImages(ImageCache& cache) {
  for (auto& entry : cache) delete entry.second;
  cache.clear();
}
