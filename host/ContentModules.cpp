#include "host/ContentModules.h"

#include "contracts/CommandNames.h"
#include "contracts/Sections.h"

namespace {

const ContentModule kModules[] = {
    {kSectionHome, kDashboardCreateWindow, kDashboardShowWindow, kDashboardHideWindow, nullptr, 0, nullptr},
    // "Apps" and "User Apps" share the apps pane, which lists the section SHOW_WINDOW names.
    {kSectionApps, kPackagesCreateWindow, kPackagesShowWindow, kPackagesHideWindow, kCourierDoApp, 37, L"Loading Apps"},
    {kSectionUserApps, kPackagesCreateWindow, kPackagesShowWindow, kPackagesHideWindow, kCourierDoApp, 37,
     L"Loading Apps"},
    {kSectionContacts, kRolodexCreateWindow, kRolodexShowWindow, kRolodexHideWindow, kCourierDoContact, 1,
     L"Loading Contacts"},
    {kSectionSms, kTextsCreateWindow, kTextsShowWindow, kTextsHideWindow, kCourierDoSms, 13, L"Loading Messages"},
    {kSectionMusic, kTunesCreateWindow, kTunesShowWindow, kTunesHideWindow, kCourierDoMusic, 46, L"Loading Music"},
    {kSectionPhoneGallery, kGalleryCreateWindow, kGalleryShowWindow, kGalleryHideWindow, kCourierDoPhoto, 62,
     L"Loading Photos"},
    {kSectionVideos, kMoviesCreateWindow, kMoviesShowWindow, kMoviesHideWindow, kCourierDoVideo, 57, L"Loading Videos"},
    {kSectionBooks, kReaderCreateWindow, kReaderShowWindow, kReaderHideWindow, kCourierDoEbook, 41, L"Loading Ebooks"},
};

}  // namespace

const ContentModule* ContentModuleOf(int32_t sectionId) {
  for (const ContentModule& m : kModules)
    if (m.sectionId == sectionId) return &m;
  return nullptr;
}

const char* const kContentChangeSizeNames[9] = {
    kNavigatorChangeSize, kDashboardChangeSize, kRolodexChangeSize,  kTextsChangeSize, kReaderChangeSize,
    kGalleryChangeSize,   kMoviesChangeSize,    kPackagesChangeSize, kTunesChangeSize,
};

const char* const kContentHideWindowNames[9] = {
    kDashboardHideWindow, kNavigatorHideWindow, kRolodexHideWindow,  kTextsHideWindow, kReaderHideWindow,
    kGalleryHideWindow,   kMoviesHideWindow,    kPackagesHideWindow, kTunesHideWindow,
};
