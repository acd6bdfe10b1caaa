// The media controllers driven through the bus, on the photos row: in-process fakes play the
// device service, the photo pane and the navigator and record what the host sends them; the
// real alerts and progress dialog run and are answered from a timer; the pickers are answered
// through their seams.
#include <gtest/gtest.h>

#include <windows.h>

#include <dlgs.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/PhotoRecords.h"
#include "contracts/MediaRecords.h"
#include "contracts/DeviceRecord.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "host/CommandBus.h"
#include "host/ContentController.h"
#include "host/FilePickers.h"
#include "host/HostDialogs.h"
#include "host/HostHandlers.h"
#include "host/HostState.h"
#include "host/UiRouter.h"
#include "host/dialogs/UiAlertDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "host/dialogs/UiSheetDialog.h"
#include "tests/dialogs/DialogTestSupport.h"
#include "tests/host/ControllerTestSupport.h"

using namespace dialogtest;
using namespace controllertest;

namespace {

constexpr int64_t kTaskOfOperations = 0x100000007LL;  // a high word, so both halves travel

struct Sent {
  std::string name;
  CommandRecord record;
  std::wstring text;
  std::wstring folder;
  SectionItemDescriptor item{};
  size_t listSize = 0;
  PathList paths;
  std::vector<std::wstring> appKeys;  // of an ADD_APP vector or the one app of an update or removal
};

struct FakePane {
  int64_t listTaskId = 0;
  OwnedPtrVector<PhotoRecord> photos;
  OwnedPtrVector<MediaFileRecord> apps;
};

std::vector<Sent> g_sent;
std::map<HWND, FakePane> g_panes;
DeviceRecord* g_device = nullptr;

FakePane* PaneOf(HWND window) {
  auto it = g_panes.find(window);
  return it == g_panes.end() ? nullptr : &it->second;
}

void FakeCourier(const std::string& name, CommandRecord* r, Sent& sent) {
  if (name == kCourierGetDevice) {
    if (g_device != nullptr && r->text != nullptr && g_device->identifier == r->text) r->payload = g_device;
  } else if (name == kCourierDoFile) {
    r->value = kTaskOfOperations;
    sent.folder = static_cast<const wchar_t*>(r->payload);
    // The service takes the export list and its records over.
    auto* list = static_cast<ExportList*>(r->data);
    sent.listSize = list->size();
    for (ExportRecord* item : *list) delete item;
    delete list;
  } else if (name == kCourierDoEbook) {
    r->value = kTaskOfOperations;
    if (r->code == kBookOpAdd) {
      auto* paths = static_cast<PathList*>(r->data);
      sent.paths = *paths;
      delete paths;
    } else if (r->code == kBookOpDelete) {
      auto* list = static_cast<MediaFileList*>(r->data);
      sent.listSize = list->size();
      delete list;
    }
  } else if (name == kCourierDoApp) {
    r->value = kTaskOfOperations;
    if (r->code == kAppOpAdd) {
      auto* paths = static_cast<PathList*>(r->data);
      sent.paths = *paths;
      delete paths;
    } else if (r->code == kAppOpDelete) {
      auto* list = static_cast<MediaFileList*>(r->data);
      sent.listSize = list->size();
      delete list;
    }
  } else if (name == kCourierDoPhoto) {
    r->value = kTaskOfOperations;
    if (r->code == kPhotoOpDelete) {
      auto* list = static_cast<PhotoList*>(r->data);
      sent.listSize = list->size();
      delete list;
    } else if (r->code == kPhotoOpAdd) {
      auto* paths = static_cast<PathList*>(r->data);
      sent.paths = *paths;
      delete paths;
    }
  }
}

void FakeGallery(const std::string& name, CommandRecord* r) {
  FakePane* pane = PaneOf(r->window);
  if (pane == nullptr) return;
  if (name == kGalleryGetListTaskId) {
    r->value = pane->listTaskId;
  } else if (name == kGallerySetListTaskId) {
    pane->listTaskId = r->value;
  } else if (name == kGalleryClearData) {
    pane->photos.DeleteAll();
  } else if (name == kGalleryAddPhoto && (r->code == kAddPhotoAppend || r->code == kAddPhotoInsertTop)) {
    for (PhotoRecord* p : *static_cast<PhotoList*>(r->payload))
      pane->photos.insert(r->code == kAddPhotoAppend ? pane->photos.end() : pane->photos.begin(), p);
  } else if (name == kGalleryDeletePhoto) {
    auto* gone = static_cast<PhotoRecord*>(r->payload);
    for (size_t i = 0; i < pane->photos.size(); ++i)
      if (pane->photos[i]->identifier == gone->identifier) {
        pane->photos.DeleteAt(i);
        break;
      }
  }
}

// The apps pane keeps the records of a batch; it only reads those of the other ADD_APP codes.
void FakePackages(const std::string& name, CommandRecord* r, Sent& sent) {
  FakePane* pane = PaneOf(r->window);
  if (pane == nullptr) return;
  if (name == kPackagesGetListTaskId) {
    r->value = pane->listTaskId;
  } else if (name == kPackagesSetListTaskId) {
    pane->listTaskId = r->value;
  } else if (name == kPackagesClearData) {
    pane->apps.DeleteAll();
  } else if (name == kPackagesAddApp && r->code == kAddAppUpdate) {
    sent.appKeys.push_back(static_cast<MediaRecord*>(r->payload)->identifier);
  } else if (name == kPackagesAddApp) {
    for (MediaFileRecord* a : *static_cast<MediaFileList*>(r->payload)) {
      sent.appKeys.push_back(a->identifier);
      if (r->code == kAddMediaAppend || r->code == kAddMediaInsertTop)
        pane->apps.insert(r->code == kAddMediaAppend ? pane->apps.end() : pane->apps.begin(), a);
    }
  } else if (name == kPackagesDeleteApp) {
    sent.appKeys.push_back(static_cast<MediaRecord*>(r->payload)->identifier);
  }
}

int32_t __cdecl FakeModules(CommandRecord* r) {
  Sent sent{r->name, *r, r->text != nullptr ? r->text : L"", L"", {}, 0, {}, {}};
  if (std::strcmp(r->name, kNavigatorUpdateItem) == 0 && r->payload != nullptr)
    sent.item = *static_cast<SectionItemDescriptor*>(r->payload);
  FakeCourier(r->name, r, sent);
  FakeGallery(r->name, r);
  FakePackages(r->name, r, sent);
  g_sent.push_back(sent);
  return 0;
}

class MediaController : public ::testing::Test {
 protected:
  static inline HWND s_view = nullptr, s_deviceView = nullptr, s_pane = nullptr;
  static inline UINT_PTR s_alertTimer = 0;

  static void SetUpTestSuite() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ViewProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZsMediaTestView";
    RegisterClassW(&wc);
    s_view = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 50, 50, 900, 600, nullptr, nullptr,
                             nullptr, nullptr);
    s_deviceView =
        CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 68, 900, 530, s_view, nullptr, nullptr, nullptr);
    s_pane = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 217, 1, 600, 500, s_deviceView, nullptr, nullptr,
                             nullptr);
    Host().windows[kWindowMainView] = s_view;
    HWND key = reinterpret_cast<HWND>(0x7A01);
    Host().devices.BindWindow(key, s_deviceView);
    Host().devices.BindIdentifier(key, L"PHONE-A");
    CreateProgressDialogFor(s_deviceView);
    CreateHostDialogs(s_view);

    CommandBus& bus = CommandBus::Instance();
    ModuleRecord* module = bus.AddModule(reinterpret_cast<HINSTANCE>(0x51000000), nullptr);
    module->moduleEntry = FakeModules;
    CommandRecord reg;
    for (const char* name : {kCourierGetDevice,    kCourierDoPhoto,        kCourierDoFile,     kCourierDoCancel,
                             kNavigatorUpdateItem, kGalleryGetListTaskId,  kGalleryClearData,  kGallerySetListTaskId,
                             kGalleryAddPhoto,     kGalleryDeletePhoto,    kCourierDoEbook,    kReaderGetListTaskId,
                             kReaderClearData,     kReaderSetListTaskId,   kReaderAddEbook,    kReaderDeleteEbook,
                             kCourierDoApp,        kPackagesGetListTaskId, kPackagesClearData, kPackagesSetListTaskId,
                             kPackagesAddApp,      kPackagesDeleteApp})
      RegisterCommand(*module, reg, name);
    FillHandlerTable(bus);
    s_alertTimer = SetTimer(nullptr, 0, 30, AnswerAlerts);
  }

  static void TearDownTestSuite() {
    KillTimer(nullptr, s_alertTimer);
    DestroyHostDialogs();
    DestroyWindow(s_view);
  }

  void SetUp() override {
    ASSERT_NE(s_pane, nullptr) << "no display";
    ASSERT_NE(Progress(), nullptr);
    m_device.identifier = L"PHONE-A";
    m_device.counts[kKindPhotos] = 7;
    m_device.counts[kKindApps] = 12;
    m_device.counts[kKindBooks] = 4;
    g_device = &m_device;
    g_panes.clear();
    g_panes[s_deviceView];
    g_sent.clear();
    g_alerts.clear();
    g_alertAnswers.clear();
    BASUserDefaults::StandardUserDefaults()->SetString("picture:export:dir", "");
  }

  void TearDown() override {
    SetFolderPicker(nullptr);
    SetFilesPicker(nullptr);
    if (UiProgressDialog* progress = Progress()) {
      progress->Reset();
      progress->Show(SW_HIDE);
    }
    g_panes.clear();
    g_device = nullptr;
  }

  static UiProgressDialog* Progress() { return ProgressDialogOf(s_deviceView); }

  static void Request(int64_t code, void* data = nullptr, int64_t count = 0, const wchar_t* text = nullptr) {
    CommandRecord r;
    r.code = code;
    r.window = s_pane;
    r.text = text;
    r.data = data;
    r.count = count;
    CommandBus::Instance().Post(kGalleryDoPhoto, &r);
  }

  void Notify(uint32_t kind, void* item, int64_t taskId = 1) {
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {kind, kNotificationSuccess, taskId, item, &m_device};
    CommandRecord r;
    r.text = L"PHONE-A";
    r.payload = payload;
    CommandBus::Instance().Post(kCourierDoPhoto, &r);
    PumpPosted();
  }

  static void RequestApps(int64_t code, int64_t subKind, void* data = nullptr, int64_t count = 0) {
    CommandRecord r;
    r.code = code;
    r.value = subKind;
    r.window = s_pane;
    r.text = L"Apps";
    r.data = data;
    r.count = count;
    CommandBus::Instance().Post(kPackagesDoApp, &r);
  }

  // An apps notice: `code` and `value` of the record, `data` the vector it may carry.
  void NotifyApps(int64_t kind, void* item, int64_t code = 0, int64_t value = 1, MediaFileList* data = nullptr,
                  int64_t taskId = 1) {
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {static_cast<uint32_t>(kind), kNotificationSuccess, taskId, item, &m_device};
    CommandRecord r;
    r.code = code;
    r.value = value;
    r.text = L"PHONE-A";
    r.data = data;
    r.payload = payload;
    CommandBus::Instance().Post(kCourierDoApp, &r);
    PumpPosted();
  }

  static MediaFileRecord* App(const wchar_t* package, const wchar_t* label = L"") {
    auto* a = Track(new MediaFileRecord);
    a->identifier = package;
    a->name = label;
    return a;
  }

  static PhotoRecord* Photo(const wchar_t* identifier) {
    auto* p = Track(new PhotoRecord);
    p->identifier = identifier;
    p->name = identifier;
    p->format = L".jpg";
    return p;
  }
  static ExportList* Exports(size_t count) {
    auto* list = Track(new ExportList);
    for (size_t i = 0; i < count; ++i) list->push_back(Track(new ExportRecord));
    return list;
  }
  static std::vector<std::string> SentNames() {
    std::vector<std::string> names;
    for (const Sent& s : g_sent) names.push_back(s.name);
    return names;
  }
  static std::vector<const Sent*> SentOf(const char* name) {
    std::vector<const Sent*> found;
    for (const Sent& s : g_sent)
      if (s.name == name) found.push_back(&s);
    return found;
  }
  static std::vector<SectionItemDescriptor> Counts() {
    std::vector<SectionItemDescriptor> items;
    for (const Sent* s : SentOf(kNavigatorUpdateItem)) items.push_back(s->item);
    return items;
  }

  DeviceRecord m_device;
};

TEST_F(MediaController, LoadStreamsBatchesThroughTheHandshakeAndCountsGoToBothItems) {
  Request(kMediaRequestLoad);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kCourierGetDevice, kCourierDoPhoto}));
  EXPECT_EQ(g_sent[1].record.code, kPhotoOpLoad);
  EXPECT_EQ(g_sent[1].text, L"PHONE-A");
  EXPECT_EQ(Progress()->State().Text(), L"Loading Photos");
  EXPECT_EQ(Progress()->State().Total(), 7);
  EXPECT_TRUE(Progress()->ClosesByItself());

  PhotoRecord *a = Photo(L"a"), *b = Photo(L"b"), *c = Photo(L"c");
  auto* first = Track(new PhotoList{a, b});
  g_sent.clear();
  Notify(static_cast<uint32_t>(kPhotoOpLoad), first, 21);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kGalleryGetListTaskId, kGalleryClearData, kGallerySetListTaskId,
                                                   kGalleryAddPhoto}));
  EXPECT_FALSE(Alive(first)) << "the batch vector is the controller's to free";
  Notify(static_cast<uint32_t>(kPhotoOpLoad), Track(new PhotoList{c}), 21);
  EXPECT_EQ(g_panes[s_deviceView].photos.size(), 3u);
  EXPECT_EQ(SentOf(kGalleryClearData).size(), 1u);
  EXPECT_TRUE(Alive(a) && Alive(c)) << "listed photos are the pane's";

  g_sent.clear();
  m_device.counts[kKindPhotos] = 12;
  Notify(kPhotoNoticeCount, nullptr);
  ASSERT_EQ(Counts().size(), 2u);
  EXPECT_EQ(Counts()[0].id, kSectionPhoneGallery);
  EXPECT_EQ(Counts()[1].id, kSectionPhotos);
  EXPECT_EQ(Counts()[0].count, 12);
  EXPECT_EQ(Counts()[1].count, 12);
}

TEST_F(MediaController, ExportAsksForAFolderItRemembersAndNothingCheckedSendsNothing) {
  ExportList* none = Exports(0);
  Request(kMediaRequestExport, none, 0, L"Export Photos");
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, L"Nothing is checked.");
  EXPECT_EQ(g_alerts[0].width, 240);
  EXPECT_FALSE(Alive(none));

  const std::wstring folder = std::filesystem::temp_directory_path().wstring();
  std::wstring offered = L"unset";
  SetFolderPicker([&](HWND, const std::wstring& initial) {
    offered = initial;
    return std::wstring();
  });
  ExportList* cancelled = Exports(2);
  Request(kMediaRequestExport, cancelled, 2, L"Export Photos");
  EXPECT_TRUE(SentOf(kCourierDoFile).empty());
  EXPECT_FALSE(Alive(cancelled)) << "a list that goes nowhere is freed, records and all";

  SetFolderPicker([&](HWND, const std::wstring& initial) {
    offered = initial;
    return folder;
  });
  Request(kMediaRequestExport, Exports(3), 3, L"Export Photos");
  auto ops = SentOf(kCourierDoFile);
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0]->record.code, kFileOpExport);
  EXPECT_EQ(ops[0]->record.value, kKindPhotos);
  EXPECT_EQ(ops[0]->folder, folder);
  EXPECT_EQ(ops[0]->listSize, 3u);
  EXPECT_TRUE(Progress()->ShowsFolder());
  EXPECT_EQ(Progress()->State().Total(), 3);
  EXPECT_EQ(Progress()->State().Text(), L"Export Photos");
  Request(kMediaRequestExport, Exports(1), 1, L"Export Photos");
  EXPECT_EQ(offered, folder) << "the next export starts in the folder chosen last";
}

TEST_F(MediaController, AddsSendTheChosenOrDroppedFilesAndDeleteAsksFirst) {
  OpenFilesQuery asked;
  SetFilesPicker([&](const OpenFilesQuery& query) {
    asked = query;
    return PathList{L"C:\\p\\a.jpg", L"C:\\p\\b.png"};
  });
  Request(kMediaRequestAddChosen, nullptr, 0, L"Add photo file(*.*)");
  EXPECT_EQ(asked.title, L"Please select photo files.");
  ASSERT_EQ(asked.filters.size(), 2u);
  EXPECT_EQ(asked.filters[0].label, L"Images Files(*.jpg;*.gif;*.png;*.bmp;*.webp)");
  EXPECT_EQ(asked.filters[0].pattern, L"*.jpg;*.gif;*.png;*.bmp;*.webp");
  EXPECT_EQ(asked.filters[1].label, L"All Files(*.*)");
  auto adds = SentOf(kCourierDoPhoto);
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0]->record.code, kPhotoOpAdd);
  EXPECT_EQ(adds[0]->paths.size(), 2u);
  EXPECT_FALSE(Progress()->ClosesByItself());

  g_sent.clear();
  Request(kMediaRequestAddFiles, Track(new PathList{L"C:\\d\\c.jpg"}), 1, L"Add Photos");
  adds = SentOf(kCourierDoPhoto);
  ASSERT_EQ(adds.size(), 1u);
  EXPECT_EQ(adds[0]->paths, (PathList{L"C:\\d\\c.jpg"}));
  EXPECT_EQ(Progress()->State().Total(), 1);

  g_sent.clear();
  PhotoRecord* p = Photo(L"p");
  g_alertAnswers = {false};
  auto* one = Track(new PhotoList{p});
  Request(kMediaRequestDelete, one, 1, L"Delete photos");
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, L"Do you really want to delete the checked photo?");
  EXPECT_EQ(g_alerts[0].height, 120);
  EXPECT_TRUE(SentOf(kCourierDoPhoto).empty());
  EXPECT_FALSE(Alive(one));
  EXPECT_TRUE(Alive(p)) << "the records stay the pane's";
  g_alertAnswers = {true};
  Request(kMediaRequestDelete, Track(new PhotoList{p, Photo(L"q")}), 2, L"Delete photos");
  EXPECT_EQ(g_alerts[1].text, L"Do you really want to delete the checked photos?");
  ASSERT_EQ(SentOf(kCourierDoPhoto).size(), 1u);
  EXPECT_EQ(SentOf(kCourierDoPhoto)[0]->record.code, kPhotoOpDelete);
  EXPECT_EQ(SentOf(kCourierDoPhoto)[0]->listSize, 2u);
}

TEST_F(MediaController, AddedAndDeletedPhotosChangeTheCountAndThePane) {
  PhotoRecord* added = Photo(L"n");
  Notify(static_cast<uint32_t>(kPhotoOpAdd), added);
  EXPECT_EQ(m_device.counts[kKindPhotos].load(), 8u);
  ASSERT_EQ(Counts().size(), 2u);
  EXPECT_EQ(Counts()[0].count, 8);
  ASSERT_EQ(g_panes[s_deviceView].photos.size(), 1u);
  EXPECT_EQ(g_panes[s_deviceView].photos[0], added);
  EXPECT_EQ(SentOf(kGalleryAddPhoto)[0]->record.code, kAddPhotoInsertTop);

  g_sent.clear();
  PhotoRecord* report = Photo(L"n");
  Notify(static_cast<uint32_t>(kPhotoOpDelete), report);
  EXPECT_EQ(m_device.counts[kKindPhotos].load(), 7u);
  EXPECT_EQ(SentOf(kGalleryDeletePhoto).size(), 1u);
  EXPECT_TRUE(g_panes[s_deviceView].photos.empty());
  EXPECT_FALSE(Alive(report)) << "the service's report goes with its notice";
}

TEST_F(MediaController, AppBatchesGoOnTopOrBelowByValueAndBothVectorsAreFreed) {
  RequestApps(kMediaRequestLoad, 0);
  ASSERT_EQ(SentNames(), (std::vector<std::string>{kCourierGetDevice, kCourierDoApp}));
  EXPECT_EQ(g_sent[1].record.code, kAppOpLoad);
  EXPECT_EQ(Progress()->State().Text(), L"Loading Apps");
  EXPECT_EQ(Progress()->State().Total(), 12);

  g_sent.clear();
  MediaFileRecord *a = App(L"a"), *b = App(L"b"), *c = App(L"c");
  auto* first = Track(new MediaFileList{a, b});
  auto* aside = Track(new MediaFileList{a});
  NotifyApps(kAppOpLoad, first, 0, 1, aside, 5);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kPackagesGetListTaskId, kPackagesClearData, kPackagesSetListTaskId,
                                                   kPackagesAddApp}));
  EXPECT_EQ(SentOf(kPackagesAddApp)[0]->record.code, kAddMediaAppend);
  EXPECT_FALSE(Alive(first));
  EXPECT_FALSE(Alive(aside));
  EXPECT_TRUE(Alive(a)) << "the pane keeps the records";

  g_sent.clear();
  NotifyApps(kAppOpLoad, Track(new MediaFileList{c}), 0, 0, nullptr, 5);
  EXPECT_EQ(SentOf(kPackagesAddApp)[0]->record.code, kAddMediaInsertTop);
  EXPECT_TRUE(SentOf(kPackagesClearData).empty()) << "the same load appends";
  ASSERT_EQ(g_panes[s_deviceView].apps.size(), 3u);
  EXPECT_EQ(g_panes[s_deviceView].apps[0], c);

  g_sent.clear();
  Notify(kAppNoticeCount, nullptr);  // a photo notice of the app count kind is no app notice
  EXPECT_TRUE(Counts().empty());
  NotifyApps(kAppNoticeCount, nullptr);
  ASSERT_EQ(Counts().size(), 2u);
  EXPECT_EQ(Counts()[0].id, kSectionUserApps);
  EXPECT_EQ(Counts()[1].id, kSectionApps);
  EXPECT_EQ(Counts()[1].count, 12);
}

TEST_F(MediaController, AnUpdatedAppRefreshesTheDevicesRecordAndTheItemAlwaysGoes) {
  MediaRecord* listed = new MediaRecord;
  listed->identifier = L"org.demo.app";
  listed->name = L"Old label";
  // Icons stand in by address; their deleters tell when an icon is destroyed.
  bool oldIconGone = false;
  listed->icon.reset(reinterpret_cast<Gdiplus::Bitmap*>(0x1000), [&](Gdiplus::Bitmap*) { oldIconGone = true; });
  m_device.apps.push_back(listed);

  for (int64_t kind : {kAppOpLoad, kAppOpAdd}) {
    g_sent.clear();
    MediaFileRecord* item = App(L"org.demo.app", kind == kAppOpLoad ? L"New label" : L"Newer label");
    Gdiplus::Bitmap* newIcon = reinterpret_cast<Gdiplus::Bitmap*>(0x2000 + kind);
    item->icon.reset(newIcon, [](Gdiplus::Bitmap*) {});
    NotifyApps(kind, item, 3);
    EXPECT_EQ(listed->name, kind == kAppOpLoad ? L"New label" : L"Newer label");
    EXPECT_EQ(listed->icon.get(), newIcon);
    EXPECT_TRUE(oldIconGone);
    const auto adds = SentOf(kPackagesAddApp);
    ASSERT_EQ(adds.size(), 1u);
    EXPECT_EQ(adds[0]->record.code, kAddAppUpdate);
    EXPECT_EQ(adds[0]->record.payload, listed) << "the pane is given the device's record";
    EXPECT_FALSE(Alive(item));
    EXPECT_TRUE(SentOf(kPackagesClearData).empty()) << "an update is no batch";
  }

  g_sent.clear();
  MediaFileRecord* stranger = App(L"org.other.app", L"X");
  NotifyApps(kAppOpLoad, stranger, 1);
  EXPECT_TRUE(SentOf(kPackagesAddApp).empty());
  EXPECT_FALSE(Alive(stranger));
  EXPECT_EQ(listed->name, L"Newer label");
  m_device.apps.DeleteAll();
}

TEST_F(MediaController, InstallsAndUninstallsCountBothItemsAndReachThePane) {
  // The service counts an installed app in before it reports it; "User Apps" counts the user's.
  m_device.counts[kKindApps] = 13;
  m_device.userApps = 9;
  MediaFileRecord* fresh = App(L"new.app");
  auto* batch = Track(new MediaFileList{fresh});
  auto* installed = Track(new MediaFileList{fresh});
  NotifyApps(kAppOpAdd, batch, 0, 0, installed);
  EXPECT_EQ(SentNames(),
            (std::vector<std::string>{kNavigatorUpdateItem, kNavigatorUpdateItem, kPackagesAddApp, kPackagesAddApp}));
  EXPECT_EQ(Counts()[0].id, kSectionUserApps);
  EXPECT_EQ(Counts()[1].id, kSectionApps);
  EXPECT_EQ(Counts()[0].count, 9);
  EXPECT_EQ(Counts()[1].count, 13);
  const auto adds = SentOf(kPackagesAddApp);
  EXPECT_EQ(adds[0]->record.code, kAddMediaInsertTop);
  EXPECT_EQ(adds[1]->record.code, kAddAppInstalled);
  EXPECT_EQ(adds[1]->appKeys, (std::vector<std::wstring>{L"new.app"}));
  EXPECT_FALSE(Alive(batch));
  EXPECT_FALSE(Alive(installed));
  EXPECT_TRUE(Alive(fresh));

  g_sent.clear();
  NotifyApps(kAppOpAdd, Track(new MediaFileList{App(L"more.app")}), 0, 1, Track(new MediaFileList));
  ASSERT_EQ(SentOf(kPackagesAddApp).size(), 1u) << "an empty installed list is not sent";
  EXPECT_EQ(SentOf(kPackagesAddApp)[0]->record.code, kAddMediaAppend);

  g_sent.clear();
  m_device.counts[kKindApps] = 12;
  m_device.userApps = 8;
  MediaFileRecord* gone = App(L"new.app");
  NotifyApps(kAppOpDelete, gone);
  EXPECT_EQ(SentNames(), (std::vector<std::string>{kNavigatorUpdateItem, kNavigatorUpdateItem, kPackagesDeleteApp}));
  EXPECT_EQ(Counts()[0].count, 8);
  EXPECT_EQ(Counts()[1].count, 12);
  EXPECT_EQ(SentOf(kPackagesDeleteApp)[0]->appKeys, (std::vector<std::wstring>{L"new.app"}));
  EXPECT_FALSE(Alive(gone));
}

TEST_F(MediaController, InstallCarriesItsValueBySubKindAndUninstallAsksAboutApps) {
  OpenFilesQuery asked;
  SetFilesPicker([&](const OpenFilesQuery& query) {
    asked = query;
    return PathList{L"C:\\a\\one.apk"};
  });
  RequestApps(kMediaRequestAddChosen, kAppInstallChosenSubKind);
  EXPECT_EQ(asked.title, L"Please select apk files.");
  ASSERT_EQ(asked.filters.size(), 1u);
  EXPECT_EQ(asked.filters[0].label, L"Apk Files");
  EXPECT_EQ(asked.filters[0].pattern, L"*.apk");
  ASSERT_EQ(SentOf(kCourierDoApp).size(), 1u);
  EXPECT_EQ(SentOf(kCourierDoApp)[0]->record.code, kAppOpAdd);
  EXPECT_EQ(SentOf(kCourierDoApp)[0]->record.value, 0);

  for (int64_t subKind : {int64_t{0}, int64_t{2}}) {
    g_sent.clear();
    RequestApps(kMediaRequestAddFiles, subKind, Track(new PathList{L"C:\\d\\two.apk"}), 1);
    ASSERT_EQ(SentOf(kCourierDoApp).size(), 1u);
    EXPECT_EQ(SentOf(kCourierDoApp)[0]->record.value, 1) << subKind;
    EXPECT_EQ(SentOf(kCourierDoApp)[0]->paths, (PathList{L"C:\\d\\two.apk"}));
  }

  g_sent.clear();
  g_alertAnswers = {true, true};
  RequestApps(kMediaRequestDelete, 0, Track(new MediaFileList{App(L"x")}), 1);
  RequestApps(kMediaRequestDelete, 0, Track(new MediaFileList{App(L"x"), App(L"y")}), 2);
  ASSERT_EQ(g_alerts.size(), 2u);
  EXPECT_EQ(g_alerts[0].text, L"Do you really want to uninstall the checked app?");
  EXPECT_EQ(g_alerts[1].text, L"Do you really want to uninstall the checked apps?");
  ASSERT_EQ(SentOf(kCourierDoApp).size(), 2u);
  EXPECT_EQ(SentOf(kCourierDoApp)[1]->record.code, kAppOpDelete);
  EXPECT_EQ(SentOf(kCourierDoApp)[1]->listSize, 2u);
}

TEST_F(MediaController, BooksLoadAddAndDeleteWithTheirOwnTextsAndOneNavigatorItem) {
  auto request = [](int64_t code, void* data = nullptr, int64_t count = 0) {
    CommandRecord r;
    r.code = code;
    r.window = s_pane;
    r.text = L"Books";
    r.data = data;
    r.count = count;
    CommandBus::Instance().Post(kReaderDoEbook, &r);
  };
  auto notify = [this](int64_t kind, void* item) {
    auto* payload = static_cast<NotificationPayload*>(std::malloc(sizeof(NotificationPayload)));
    *payload = {static_cast<uint32_t>(kind), kNotificationSuccess, 9, item, &m_device};
    CommandRecord r;
    r.payload = payload;
    CommandBus::Instance().Post(kCourierDoEbook, &r);
    PumpPosted();
  };
  request(kMediaRequestLoad);
  ASSERT_EQ(SentOf(kCourierDoEbook).size(), 1u);
  EXPECT_EQ(SentOf(kCourierDoEbook)[0]->record.code, kBookOpLoad);
  EXPECT_EQ(Progress()->State().Text(), L"Loading Ebooks");
  EXPECT_EQ(Progress()->State().Total(), 4);

  OpenFilesQuery asked;
  SetFilesPicker([&](const OpenFilesQuery& query) {
    asked = query;
    return PathList{L"C:\\b\\one.epub"};
  });
  g_sent.clear();
  request(kMediaRequestAddChosen);
  EXPECT_EQ(asked.title, L"Please select book files.");
  ASSERT_EQ(asked.filters.size(), 1u);
  EXPECT_EQ(asked.filters[0].label, L"Book File(*.*)");
  ASSERT_EQ(SentOf(kCourierDoEbook).size(), 1u);
  EXPECT_EQ(SentOf(kCourierDoEbook)[0]->record.code, kBookOpAdd);
  EXPECT_EQ(SentOf(kCourierDoEbook)[0]->record.value, 0) << "only an app install carries a value";

  g_sent.clear();
  g_alertAnswers = {true};
  request(kMediaRequestDelete, Track(new MediaFileList{App(L"b1"), App(L"b2")}), 2);
  ASSERT_EQ(g_alerts.size(), 1u);
  EXPECT_EQ(g_alerts[0].text, L"Do you really want to delete the checked books?");
  EXPECT_EQ(SentOf(kCourierDoEbook)[0]->record.code, kBookOpDelete);

  g_sent.clear();
  MediaFileRecord* added = App(L"b9", L"New book");
  notify(kBookOpAdd, added);
  EXPECT_EQ(m_device.counts[kKindBooks].load(), 5u);
  ASSERT_EQ(Counts().size(), 1u);
  EXPECT_EQ(Counts()[0].id, kSectionBooks);
  EXPECT_EQ(Counts()[0].count, 5);
  ASSERT_EQ(SentOf(kReaderAddEbook).size(), 1u);
  EXPECT_EQ(SentOf(kReaderAddEbook)[0]->record.code, kAddPhotoInsertTop);
  EXPECT_TRUE(Alive(added)) << "the pane's now";
  delete added;

  g_sent.clear();
  auto* listed = new MediaFileRecord;
  listed->identifier = L"b9";
  m_device.books.push_back(listed);
  MediaFileRecord* report = App(L"b9");
  notify(kBookOpDelete, report);
  EXPECT_EQ(m_device.counts[kKindBooks].load(), 4u);
  EXPECT_EQ(SentOf(kReaderDeleteEbook).size(), 1u);
  EXPECT_TRUE(m_device.books.empty()) << "the deleted book leaves the device's list";
  EXPECT_FALSE(Alive(report));
}

}  // namespace
