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
};

struct FakePane {
  int64_t listTaskId = 0;
  OwnedPtrVector<PhotoRecord> photos;
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

int32_t __cdecl FakeModules(CommandRecord* r) {
  Sent sent{r->name, *r, r->text != nullptr ? r->text : L"", L"", {}, 0, {}};
  if (std::strcmp(r->name, kNavigatorUpdateItem) == 0 && r->payload != nullptr)
    sent.item = *static_cast<SectionItemDescriptor*>(r->payload);
  FakeCourier(r->name, r, sent);
  FakeGallery(r->name, r);
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
    for (const char* name :
         {kCourierGetDevice, kCourierDoPhoto, kCourierDoFile, kCourierDoCancel, kNavigatorUpdateItem,
          kGalleryGetListTaskId, kGalleryClearData, kGallerySetListTaskId, kGalleryAddPhoto, kGalleryDeletePhoto})
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

}  // namespace
