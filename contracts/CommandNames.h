// Every command name of the bus, in one place. A name is the module's file name in capitals,
// "_COMMAND_" and the action; the strings are compared byte for byte, so they are kept exactly as
// the deployed modules spell them. Each constant has static storage, so it can be registered
// directly (a registered name must stay valid for the life of the process).
#pragma once

// The host's own names: sent to a module they reach a do-nothing entry; posted to the host they
// run its handlers.
inline constexpr char kMainChangeSize[] = "MAIN_COMMAND_CHANGE_SIZE";
inline constexpr char kMainCreateWindow[] = "MAIN_COMMAND_CREATE_WINDOW";

// Title bar (libCaption).
inline constexpr char kCaptionChangeSize[] = "LIBCAPTION_COMMAND_CHANGE_SIZE";
inline constexpr char kCaptionChangeType[] = "LIBCAPTION_COMMAND_CHANGE_TYPE";
inline constexpr char kCaptionCheckForUpdate[] = "LIBCAPTION_COMMAND_CHECK_FOR_UPDATE";
inline constexpr char kCaptionCreateTitlebar[] = "LIBCAPTION_COMMAND_CREATE_TITLEBAR";
inline constexpr char kCaptionOpenAbout[] = "LIBCAPTION_COMMAND_OPEN_ABOUT";
inline constexpr char kCaptionOpenFeedback[] = "LIBCAPTION_COMMAND_OPEN_FEEDBACK";
inline constexpr char kCaptionPressMaxOrReset[] = "LIBCAPTION_COMMAND_PRESS_MAX_OR_RESET";

// Device pane and connection wizard (libHandset). BINGING is the name as deployed.
inline constexpr char kHandsetBingingButton[] = "LIBHANDSET_COMMAND_BINGING_BUTTON";
inline constexpr char kHandsetBingingDevice[] = "LIBHANDSET_COMMAND_BINGING_DEVICE";
inline constexpr char kHandsetChangeSize[] = "LIBHANDSET_COMMAND_CHANGE_SIZE";
inline constexpr char kHandsetDebugAuthorizeRetry[] = "LIBHANDSET_COMMAND_DEBUG_AUTHORIZE_RETRY";
inline constexpr char kHandsetDeviceDisconnect[] = "LIBHANDSET_COMMAND_DEVICE_DISCONNECT";
inline constexpr char kHandsetDownloadDriverCancel[] = "LIBHANDSET_COMMAND_DOWNLOAD_DRIVER_CANCEL";
inline constexpr char kHandsetInstallRetry[] = "LIBHANDSET_COMMAND_INSTALL_RETRY";
inline constexpr char kHandsetPressWifiButton[] = "LIBHANDSET_COMMAND_PRESS_WIFI_BUTTON";
inline constexpr char kHandsetRemoveButtonReject[] = "LIBHANDSET_COMMAND_REMOVE_BUTTON_REJECT";
inline constexpr char kHandsetRemoveDevice[] = "LIBHANDSET_COMMAND_REMOVE_DEVICE";
inline constexpr char kHandsetRetryConnectDevice[] = "LIBHANDSET_COMMAND_RETRY_CONNECT_DEVICE";
inline constexpr char kHandsetRootAuthorizeRetry[] = "LIBHANDSET_COMMAND_ROOT_AUTHORIZE_RETRY";
inline constexpr char kHandsetShowManager[] = "LIBHANDSET_COMMAND_SHOW_MANAGER";
inline constexpr char kHandsetShowWindow[] = "LIBHANDSET_COMMAND_SHOW_WINDOW";
inline constexpr char kHandsetStartScan[] = "LIBHANDSET_COMMAND_START_SCAN";
inline constexpr char kHandsetSwitchConnect[] = "LIBHANDSET_COMMAND_SWITCH_CONNECT";
inline constexpr char kHandsetSwitchDevice[] = "LIBHANDSET_COMMAND_SWITCH_DEVICE";
inline constexpr char kHandsetUpdateDeviceInfo[] = "LIBHANDSET_COMMAND_UPDATE_DEVICE_INFO";
inline constexpr char kHandsetWifiConnected[] = "LIBHANDSET_COMMAND_WIFI_CONNECTED";

// Section navigator (libNavigator).
inline constexpr char kNavigatorChangeSize[] = "LIBNAVIGATOR_COMMAND_CHANGE_SIZE";
inline constexpr char kNavigatorCreateWindow[] = "LIBNAVIGATOR_COMMAND_CREATE_WINDOW";
inline constexpr char kNavigatorHideWindow[] = "LIBNAVIGATOR_COMMAND_HIDE_WINDOW";
inline constexpr char kNavigatorSelectFirst[] = "LIBNAVIGATOR_COMMAND_SELECT_FIRST";
inline constexpr char kNavigatorSelectItem[] = "LIBNAVIGATOR_COMMAND_SELECT_ITEM";
// Selects the section `value` of the phone whose content window is `window`, as a click would.
inline constexpr char kNavigatorSelectSection[] = "LIBNAVIGATOR_COMMAND_SELECT_SECTION";
inline constexpr char kNavigatorShowWindow[] = "LIBNAVIGATOR_COMMAND_SHOW_WINDOW";
inline constexpr char kNavigatorUpdateItem[] = "LIBNAVIGATOR_COMMAND_UPDATE_ITEM";

// Contacts pane (libRolodex). ACCONTS is the name as deployed.
inline constexpr char kRolodexAddAcconts[] = "LIBROLODEX_COMMAND_ADD_ACCONTS";
inline constexpr char kRolodexAddContact[] = "LIBROLODEX_COMMAND_ADD_CONTACT";
inline constexpr char kRolodexAddGroups[] = "LIBROLODEX_COMMAND_ADD_GROUPS";
inline constexpr char kRolodexAddTypelabels[] = "LIBROLODEX_COMMAND_ADD_TYPELABELS";
inline constexpr char kRolodexChangeSize[] = "LIBROLODEX_COMMAND_CHANGE_SIZE";
inline constexpr char kRolodexClearData[] = "LIBROLODEX_COMMAND_CLEAR_DATA";
inline constexpr char kRolodexCreateWindow[] = "LIBROLODEX_COMMAND_CREATE_WINDOW";
inline constexpr char kRolodexDeleteContact[] = "LIBROLODEX_COMMAND_DELETE_CONTACT";
inline constexpr char kRolodexDoContact[] = "LIBROLODEX_COMMAND_DO_CONTACT";
inline constexpr char kRolodexGetChecked[] = "LIBROLODEX_COMMAND_GET_CHECKED";
inline constexpr char kRolodexGetListTaskId[] = "LIBROLODEX_COMMAND_GET_LIST_TASK_ID";
inline constexpr char kRolodexHideWindow[] = "LIBROLODEX_COMMAND_HIDE_WINDOW";
inline constexpr char kRolodexResetWindow[] = "LIBROLODEX_COMMAND_RESET_WINDOW";
inline constexpr char kRolodexSetListTaskId[] = "LIBROLODEX_COMMAND_SET_LIST_TASK_ID";
inline constexpr char kRolodexShowWindow[] = "LIBROLODEX_COMMAND_SHOW_WINDOW";

// Photo pane (libGallery).
inline constexpr char kGalleryAddPhoto[] = "LIBGALLERY_COMMAND_ADD_PHOTO";
inline constexpr char kGalleryChangeSize[] = "LIBGALLERY_COMMAND_CHANGE_SIZE";
inline constexpr char kGalleryClearData[] = "LIBGALLERY_COMMAND_CLEAR_DATA";
inline constexpr char kGalleryCreateWindow[] = "LIBGALLERY_COMMAND_CREATE_WINDOW";
inline constexpr char kGalleryDeletePhoto[] = "LIBGALLERY_COMMAND_DELETE_PHOTO";
inline constexpr char kGalleryDoPhoto[] = "LIBGALLERY_COMMAND_DO_PHOTO";
inline constexpr char kGalleryGetChecked[] = "LIBGALLERY_COMMAND_GET_CHECKED";
inline constexpr char kGalleryGetListTaskId[] = "LIBGALLERY_COMMAND_GET_LIST_TASK_ID";
inline constexpr char kGalleryHideWindow[] = "LIBGALLERY_COMMAND_HIDE_WINDOW";
inline constexpr char kGalleryResetWindow[] = "LIBGALLERY_COMMAND_RESET_WINDOW";
inline constexpr char kGallerySetListTaskId[] = "LIBGALLERY_COMMAND_SET_LIST_TASK_ID";
inline constexpr char kGalleryShowWindow[] = "LIBGALLERY_COMMAND_SHOW_WINDOW";

// Toolkit pane (libExtras).
inline constexpr char kExtrasAddToolkit[] = "LIBEXTRAS_COMMAND_ADD_TOOLKIT";
inline constexpr char kExtrasChangeSize[] = "LIBEXTRAS_COMMAND_CHANGE_SIZE";
inline constexpr char kExtrasPressExport[] = "LIBEXTRAS_COMMAND_PRESS_EXPORT";
inline constexpr char kExtrasShowWindow[] = "LIBEXTRAS_COMMAND_SHOW_WINDOW";

// Device service (libCourier): requests from the host and its notifications to the host.
inline constexpr char kCourierAddDevice[] = "LIBCOURIER_COMMAND_ADD_DEVICE";
inline constexpr char kCourierCheckForUpdate[] = "LIBCOURIER_COMMAND_CHECK_FOR_UPDATE";
inline constexpr char kCourierDebugAuthorizeRetry[] = "LIBCOURIER_COMMAND_DEBUG_AUTHORIZE_RETRY";
inline constexpr char kCourierDestroyResource[] = "LIBCOURIER_COMMAND_DESTROY_RESOURCE";
inline constexpr char kCourierDownloadDriverCancel[] = "LIBCOURIER_COMMAND_DOWNLOAD_DRIVER_CANCEL";
inline constexpr char kCourierDownloadUpdate[] = "LIBCOURIER_COMMAND_DOWNLOAD_UPDATE";
inline constexpr char kCourierDownloadUpdateCancel[] = "LIBCOURIER_COMMAND_DOWNLOAD_UPDATE_CANCEL";
inline constexpr char kCourierDoApp[] = "LIBCOURIER_COMMAND_DO_APP";
inline constexpr char kCourierDoCancel[] = "LIBCOURIER_COMMAND_DO_CANCEL";
inline constexpr char kCourierDoContact[] = "LIBCOURIER_COMMAND_DO_CONTACT";
inline constexpr char kCourierDoEbook[] = "LIBCOURIER_COMMAND_DO_EBOOK";
inline constexpr char kCourierDoFile[] = "LIBCOURIER_COMMAND_DO_FILE";
inline constexpr char kCourierDoMusic[] = "LIBCOURIER_COMMAND_DO_MUSIC";
inline constexpr char kCourierDoPhoto[] = "LIBCOURIER_COMMAND_DO_PHOTO";
inline constexpr char kCourierDoSms[] = "LIBCOURIER_COMMAND_DO_SMS";
inline constexpr char kCourierDoSmsReceiveMessage[] = "LIBCOURIER_COMMAND_DO_SMS_RECEIVE_MESSAGE";
inline constexpr char kCourierDoVideo[] = "LIBCOURIER_COMMAND_DO_VIDEO";
inline constexpr char kCourierExitServer[] = "LIBCOURIER_COMMAND_EXIT_SERVER";
inline constexpr char kCourierExportTask[] = "LIBCOURIER_COMMAND_EXPORT_TASK";
inline constexpr char kCourierGetDevice[] = "LIBCOURIER_COMMAND_GET_DEVICE";
inline constexpr char kCourierGetDeviceInfo[] = "LIBCOURIER_COMMAND_GET_DEVICE_INFO";
inline constexpr char kCourierInstallRetry[] = "LIBCOURIER_COMMAND_INSTALL_RETRY";
inline constexpr char kCourierLogTask[] = "LIBCOURIER_COMMAND_LOG_TASK";
inline constexpr char kCourierNotifyProgress[] = "LIBCOURIER_COMMAND_NOTIFY_PROGRESS";
inline constexpr char kCourierNotifyProgressFinish[] = "LIBCOURIER_COMMAND_NOTIFY_PROGRESS_FINISH";
inline constexpr char kCourierReadyStartServer[] = "LIBCOURIER_COMMAND_READY_START_SERVER";
inline constexpr char kCourierReceiveDeviceRecovery[] = "LIBCOURIER_COMMAND_RECEIVE_DEVICE_RECOVERY";
inline constexpr char kCourierRemoveDevice[] = "LIBCOURIER_COMMAND_REMOVE_DEVICE";
inline constexpr char kCourierRetryConnectDevice[] = "LIBCOURIER_COMMAND_RETRY_CONNECT_DEVICE";
inline constexpr char kCourierRootAuthorizeRetry[] = "LIBCOURIER_COMMAND_ROOT_AUTHORIZE_RETRY";
inline constexpr char kCourierScanProgress[] = "LIBCOURIER_COMMAND_SCAN_PROGRESS";
inline constexpr char kCourierScanUsbDevice[] = "LIBCOURIER_COMMAND_SCAN_USB_DEVICE";
inline constexpr char kCourierServerCrash[] = "LIBCOURIER_COMMAND_SERVER_CRASH";
inline constexpr char kCourierStartServer[] = "LIBCOURIER_COMMAND_START_SERVER";
inline constexpr char kCourierStartWifiServer[] = "LIBCOURIER_COMMAND_START_WIFI_SERVER";

// Device summary pane (libDashboard).
inline constexpr char kDashboardChangeSize[] = "LIBDASHBOARD_COMMAND_CHANGE_SIZE";
inline constexpr char kDashboardCreateWindow[] = "LIBDASHBOARD_COMMAND_CREATE_WINDOW";
inline constexpr char kDashboardHideWindow[] = "LIBDASHBOARD_COMMAND_HIDE_WINDOW";
// Posted by the page: open section `value` of the phone whose content window is `window`.
inline constexpr char kDashboardOpenSection[] = "LIBDASHBOARD_COMMAND_OPEN_SECTION";
inline constexpr char kDashboardShowWindow[] = "LIBDASHBOARD_COMMAND_SHOW_WINDOW";
inline constexpr char kDashboardUpdateCount[] = "LIBDASHBOARD_COMMAND_UPDATE_COUNT";
inline constexpr char kDashboardUpdateDeviceInfo[] = "LIBDASHBOARD_COMMAND_UPDATE_DEVICE_INFO";

// Apps pane (libPackages).
inline constexpr char kPackagesAddApp[] = "LIBPACKAGES_COMMAND_ADD_APP";
inline constexpr char kPackagesChangeSize[] = "LIBPACKAGES_COMMAND_CHANGE_SIZE";
inline constexpr char kPackagesClearData[] = "LIBPACKAGES_COMMAND_CLEAR_DATA";
inline constexpr char kPackagesCreateWindow[] = "LIBPACKAGES_COMMAND_CREATE_WINDOW";
inline constexpr char kPackagesDeleteApp[] = "LIBPACKAGES_COMMAND_DELETE_APP";
inline constexpr char kPackagesDoApp[] = "LIBPACKAGES_COMMAND_DO_APP";
inline constexpr char kPackagesGetListTaskId[] = "LIBPACKAGES_COMMAND_GET_LIST_TASK_ID";
inline constexpr char kPackagesHideWindow[] = "LIBPACKAGES_COMMAND_HIDE_WINDOW";
inline constexpr char kPackagesSetListTaskId[] = "LIBPACKAGES_COMMAND_SET_LIST_TASK_ID";
inline constexpr char kPackagesShowWindow[] = "LIBPACKAGES_COMMAND_SHOW_WINDOW";

// Messages pane (libTexts).
inline constexpr char kTextsAddSms[] = "LIBTEXTS_COMMAND_ADD_SMS";
inline constexpr char kTextsChangeSize[] = "LIBTEXTS_COMMAND_CHANGE_SIZE";
inline constexpr char kTextsClearData[] = "LIBTEXTS_COMMAND_CLEAR_DATA";
inline constexpr char kTextsCreateWindow[] = "LIBTEXTS_COMMAND_CREATE_WINDOW";
inline constexpr char kTextsDeleteSms[] = "LIBTEXTS_COMMAND_DELETE_SMS";
inline constexpr char kTextsDoSms[] = "LIBTEXTS_COMMAND_DO_SMS";
inline constexpr char kTextsGetConversationListTaskId[] = "LIBTEXTS_COMMAND_GET_CONVERSATION_LIST_TASK_ID";
inline constexpr char kTextsHideWindow[] = "LIBTEXTS_COMMAND_HIDE_WINDOW";
inline constexpr char kTextsResetWindow[] = "LIBTEXTS_COMMAND_RESET_WINDOW";
inline constexpr char kTextsSetConversationListTaskId[] = "LIBTEXTS_COMMAND_SET_CONVERSATION_LIST_TASK_ID";
inline constexpr char kTextsShowWindow[] = "LIBTEXTS_COMMAND_SHOW_WINDOW";

// Music pane (libTunes).
inline constexpr char kTunesAddMusic[] = "LIBTUNES_COMMAND_ADD_MUSIC";
inline constexpr char kTunesChangeSize[] = "LIBTUNES_COMMAND_CHANGE_SIZE";
inline constexpr char kTunesClearData[] = "LIBTUNES_COMMAND_CLEAR_DATA";
inline constexpr char kTunesClearPlaylistData[] = "LIBTUNES_COMMAND_CLEAR_PLAYLIST_DATA";
inline constexpr char kTunesCreateWindow[] = "LIBTUNES_COMMAND_CREATE_WINDOW";
inline constexpr char kTunesDeleteMusic[] = "LIBTUNES_COMMAND_DELETE_MUSIC";
inline constexpr char kTunesDoMusic[] = "LIBTUNES_COMMAND_DO_MUSIC";
inline constexpr char kTunesGetChecked[] = "LIBTUNES_COMMAND_GET_CHECKED";
inline constexpr char kTunesGetListTaskId[] = "LIBTUNES_COMMAND_GET_LIST_TASK_ID";
inline constexpr char kTunesGetPlaylistTaskId[] = "LIBTUNES_COMMAND_GET_PLAYLIST_TASK_ID";
inline constexpr char kTunesHideWindow[] = "LIBTUNES_COMMAND_HIDE_WINDOW";
inline constexpr char kTunesResetWindow[] = "LIBTUNES_COMMAND_RESET_WINDOW";
inline constexpr char kTunesSetListTaskId[] = "LIBTUNES_COMMAND_SET_LIST_TASK_ID";
inline constexpr char kTunesSetPlaylistTaskId[] = "LIBTUNES_COMMAND_SET_PLAYLIST_TASK_ID";
inline constexpr char kTunesShowWindow[] = "LIBTUNES_COMMAND_SHOW_WINDOW";

// Videos pane (libMovies).
inline constexpr char kMoviesAddVideo[] = "LIBMOVIES_COMMAND_ADD_VIDEO";
inline constexpr char kMoviesChangeSize[] = "LIBMOVIES_COMMAND_CHANGE_SIZE";
inline constexpr char kMoviesClearData[] = "LIBMOVIES_COMMAND_CLEAR_DATA";
inline constexpr char kMoviesCreateWindow[] = "LIBMOVIES_COMMAND_CREATE_WINDOW";
inline constexpr char kMoviesDeleteVideo[] = "LIBMOVIES_COMMAND_DELETE_VIDEO";
inline constexpr char kMoviesDoVideo[] = "LIBMOVIES_COMMAND_DO_VIDEO";
inline constexpr char kMoviesGetChecked[] = "LIBMOVIES_COMMAND_GET_CHECKED";
inline constexpr char kMoviesGetListTaskId[] = "LIBMOVIES_COMMAND_GET_LIST_TASK_ID";
inline constexpr char kMoviesHideWindow[] = "LIBMOVIES_COMMAND_HIDE_WINDOW";
inline constexpr char kMoviesResetWindow[] = "LIBMOVIES_COMMAND_RESET_WINDOW";
inline constexpr char kMoviesSetListTaskId[] = "LIBMOVIES_COMMAND_SET_LIST_TASK_ID";
inline constexpr char kMoviesShowWindow[] = "LIBMOVIES_COMMAND_SHOW_WINDOW";

// Books pane (libReader).
inline constexpr char kReaderAddEbook[] = "LIBREADER_COMMAND_ADD_EBOOK";
inline constexpr char kReaderChangeSize[] = "LIBREADER_COMMAND_CHANGE_SIZE";
inline constexpr char kReaderClearData[] = "LIBREADER_COMMAND_CLEAR_DATA";
inline constexpr char kReaderCreateWindow[] = "LIBREADER_COMMAND_CREATE_WINDOW";
inline constexpr char kReaderDeleteEbook[] = "LIBREADER_COMMAND_DELETE_EBOOK";
inline constexpr char kReaderDoEbook[] = "LIBREADER_COMMAND_DO_EBOOK";
inline constexpr char kReaderGetListTaskId[] = "LIBREADER_COMMAND_GET_LIST_TASK_ID";
inline constexpr char kReaderHideWindow[] = "LIBREADER_COMMAND_HIDE_WINDOW";
inline constexpr char kReaderSetListTaskId[] = "LIBREADER_COMMAND_SET_LIST_TASK_ID";
inline constexpr char kReaderShowWindow[] = "LIBREADER_COMMAND_SHOW_WINDOW";

// Task pane (libJobs).
inline constexpr char kJobsAddTask[] = "LIBJOBS_COMMAND_ADD_TASK";
// Posted by the task list: cancel task `value` of the phone named by `text`.
inline constexpr char kJobsCancelTask[] = "LIBJOBS_COMMAND_CANCEL_TASK";
inline constexpr char kJobsChangeSize[] = "LIBJOBS_COMMAND_CHANGE_SIZE";
inline constexpr char kJobsPressExport[] = "LIBJOBS_COMMAND_PRESS_EXPORT";
inline constexpr char kJobsShowWindow[] = "LIBJOBS_COMMAND_SHOW_WINDOW";
