// The command names: one spelling each, every one under its module's prefix, so that a name
// typed twice or filed under the wrong module cannot route a command to the wrong receiver.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "contracts/CommandNames.h"

namespace {

struct ModuleNames {
  const char* prefix;
  std::vector<const char*> names;
};

const std::vector<ModuleNames>& AllNames() {
  static const std::vector<ModuleNames> all = {
      {"MAIN", {kMainChangeSize, kMainCreateWindow}},
      {"LIBCAPTION",
       {kCaptionChangeSize, kCaptionChangeType, kCaptionCheckForUpdate, kCaptionCreateTitlebar, kCaptionOpenAbout,
        kCaptionOpenFeedback, kCaptionPressMaxOrReset}},
      {"LIBHANDSET",
       {kHandsetBingingButton, kHandsetBingingDevice, kHandsetChangeSize, kHandsetDebugAuthorizeRetry,
        kHandsetDeviceDisconnect, kHandsetDownloadDriverCancel, kHandsetInstallRetry, kHandsetPressWifiButton,
        kHandsetRemoveButtonReject, kHandsetRemoveDevice, kHandsetRetryConnectDevice, kHandsetRootAuthorizeRetry,
        kHandsetShowManager, kHandsetShowWindow, kHandsetStartScan, kHandsetSwitchConnect, kHandsetSwitchDevice,
        kHandsetUpdateDeviceInfo, kHandsetWifiConnected, kHandsetQrDialogClosed}},
      {"LIBNAVIGATOR",
       {kNavigatorChangeSize, kNavigatorCreateWindow, kNavigatorHideWindow, kNavigatorSelectFirst, kNavigatorSelectItem,
        kNavigatorSelectSection, kNavigatorShowWindow, kNavigatorUpdateItem}},
      {"LIBROLODEX",
       {kRolodexAddAcconts, kRolodexAddContact, kRolodexAddGroups, kRolodexAddTypelabels, kRolodexChangeSize,
        kRolodexClearData, kRolodexCreateWindow, kRolodexDeleteContact, kRolodexDoContact, kRolodexGetChecked,
        kRolodexGetListTaskId, kRolodexHideWindow, kRolodexResetWindow, kRolodexSetListTaskId, kRolodexShowWindow}},
      {"LIBGALLERY",
       {kGalleryAddPhoto, kGalleryChangeSize, kGalleryClearData, kGalleryCreateWindow, kGalleryDeletePhoto,
        kGalleryDoPhoto, kGalleryGetChecked, kGalleryGetListTaskId, kGalleryHideWindow, kGalleryResetWindow,
        kGallerySetListTaskId, kGalleryShowWindow}},
      {"LIBEXTRAS", {kExtrasAddToolkit, kExtrasChangeSize, kExtrasPressExport, kExtrasShowWindow}},
      {"LIBCOURIER",
       {kCourierAddDevice,
        kCourierCheckForUpdate,
        kCourierDebugAuthorizeRetry,
        kCourierDestroyResource,
        kCourierDownloadDriverCancel,
        kCourierDownloadUpdate,
        kCourierDownloadUpdateCancel,
        kCourierDoApp,
        kCourierDoCancel,
        kCourierDoContact,
        kCourierDoEbook,
        kCourierDoFile,
        kCourierDoMusic,
        kCourierDoPhoto,
        kCourierDoSms,
        kCourierDoSmsReceiveMessage,
        kCourierDoVideo,
        kCourierExitServer,
        kCourierExportTask,
        kCourierGetDevice,
        kCourierGetDeviceInfo,
        kCourierInstallRetry,
        kCourierLogTask,
        kCourierNotifyProgress,
        kCourierNotifyProgressFinish,
        kCourierReadyStartServer,
        kCourierReceiveDeviceRecovery,
        kCourierRemoveDevice,
        kCourierRetryConnectDevice,
        kCourierRootAuthorizeRetry,
        kCourierScanProgress,
        kCourierScanUsbDevice,
        kCourierServerCrash,
        kCourierStartServer,
        kCourierStartWifiServer,
        kCourierConfirmWifiDevice,
        kCourierAnswerWifiDevice,
        kCourierStopWifiServer}},
      {"LIBDASHBOARD",
       {kDashboardChangeSize, kDashboardCreateWindow, kDashboardHideWindow, kDashboardOpenSection, kDashboardShowWindow,
        kDashboardUpdateCount, kDashboardUpdateDeviceInfo}},
      {"LIBPACKAGES",
       {kPackagesAddApp, kPackagesChangeSize, kPackagesClearData, kPackagesCreateWindow, kPackagesDeleteApp,
        kPackagesDoApp, kPackagesGetListTaskId, kPackagesHideWindow, kPackagesSetListTaskId, kPackagesShowWindow}},
      {"LIBTEXTS",
       {kTextsAddSms, kTextsChangeSize, kTextsClearData, kTextsCreateWindow, kTextsDeleteSms, kTextsDoSms,
        kTextsGetConversationListTaskId, kTextsHideWindow, kTextsResetWindow, kTextsSetConversationListTaskId,
        kTextsShowWindow}},
      {"LIBTUNES",
       {kTunesAddMusic, kTunesChangeSize, kTunesClearData, kTunesClearPlaylistData, kTunesCreateWindow,
        kTunesDeleteMusic, kTunesDoMusic, kTunesGetListTaskId, kTunesGetPlaylistTaskId, kTunesHideWindow,
        kTunesSetListTaskId, kTunesSetPlaylistTaskId, kTunesShowWindow}},
      {"LIBMOVIES",
       {kMoviesAddVideo, kMoviesChangeSize, kMoviesClearData, kMoviesCreateWindow, kMoviesDeleteVideo, kMoviesDoVideo,
        kMoviesGetListTaskId, kMoviesHideWindow, kMoviesSetListTaskId, kMoviesShowWindow}},
      {"LIBREADER",
       {kReaderAddEbook, kReaderChangeSize, kReaderClearData, kReaderCreateWindow, kReaderDeleteEbook, kReaderDoEbook,
        kReaderGetListTaskId, kReaderHideWindow, kReaderSetListTaskId, kReaderShowWindow}},
      {"LIBJOBS", {kJobsAddTask, kJobsCancelTask, kJobsChangeSize, kJobsPressExport, kJobsShowWindow}},
  };
  return all;
}

TEST(CommandNames, EachIsUniqueAndFiledUnderItsModule) {
  std::set<std::string> seen;
  size_t total = 0;
  for (const ModuleNames& module : AllNames()) {
    const std::string prefix = std::string(module.prefix) + "_COMMAND_";
    for (const char* name : module.names) {
      const std::string text(name);
      EXPECT_EQ(0u, text.rfind(prefix, 0)) << text;
      EXPECT_GT(text.size(), prefix.size()) << text;
      EXPECT_NE('_', text.back()) << text;
      for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        EXPECT_TRUE(std::isupper(u) || std::isdigit(u) || c == '_') << text;
      }
      EXPECT_TRUE(seen.insert(text).second) << "twice: " << text;
      ++total;
    }
  }
  // Every name the system and its outside modules exchange.
  EXPECT_EQ(172u, total);
}

TEST(CommandNames, KeepTheDeployedSpellings) {
  EXPECT_STREQ("LIBHANDSET_COMMAND_BINGING_BUTTON", kHandsetBingingButton);
  EXPECT_STREQ("LIBHANDSET_COMMAND_BINGING_DEVICE", kHandsetBingingDevice);
  EXPECT_STREQ("LIBROLODEX_COMMAND_ADD_ACCONTS", kRolodexAddAcconts);
  EXPECT_STREQ("LIBCOURIER_COMMAND_DO_SMS_RECEIVE_MESSAGE", kCourierDoSmsReceiveMessage);
}

}  // namespace
