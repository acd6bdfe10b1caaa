// The photo pane through its plug-in edge: its commands, the list with its columns, the search
// by name, date or format, the requests its buttons post with their lists, and files dropped
// on it with the menu that confirms the drop (answered by keys from a timer inside the menu's
// own loop). The window-free rules are checked directly.
#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/MessageLoop.h"
#include "contracts/PhotoRecords.h"
#include "kit/GdiPlus.h"
#include "modules/gallery/PhotoRules.h"
#include "tests/harness/MenuKeys.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kListId = 5007;

std::unique_ptr<ModuleHarness> g_harness;
std::unique_ptr<GdiplusSession> g_gdiplus;
std::map<std::string, std::unique_ptr<Gdiplus::Bitmap>> g_images;

std::unique_ptr<Gdiplus::Bitmap> Solid(int width, int height) {
  auto image = std::make_unique<Gdiplus::Bitmap>(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics(image.get()).Clear(Gdiplus::Color(255, 0, 120, 200));
  return image;
}

class Environment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_gdiplus = std::make_unique<GdiplusSession>();
    for (const char* name : {"common\\content-check-yes.png", "common\\content-check-no.png"})
      g_images[name] = Solid(16, 16);
    g_images["common\\operate-search.png"] = Solid(28, 21);
    for (const char* name : {"add", "delete", "export", "refresh"}) {
      g_images[std::string("common\\button\\operate-") + name + "-normal.png"] = Solid(16, 16);
      g_images[std::string("common\\button\\operate-") + name + "-pressed.png"] = Solid(16, 16);
    }
    g_harness = std::make_unique<ModuleHarness>();
    for (const auto& entry : g_images) g_harness->Images()[entry.first] = entry.second.get();
    ASSERT_TRUE(g_harness->Load(ModuleHarness::PluginPath(L"libGallery"))) << g_harness->LoadError();
  }
  void TearDown() override {
    g_harness.reset();
    g_images.clear();
    g_gdiplus.reset();
  }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new Environment);

class FakeLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter* filter) override {
    m_filters.push_back(filter);
    return true;
  }
  bool RemoveMessageFilter(CMessageFilter* filter) override {
    m_filters.erase(std::remove(m_filters.begin(), m_filters.end(), filter), m_filters.end());
    return true;
  }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      bool filtered = false;
      for (auto it = m_filters.rbegin(); it != m_filters.rend() && !filtered; ++it)
        filtered = (*it)->PreTranslateMessage(&msg) != FALSE;
      if (filtered) continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

 private:
  std::vector<CMessageFilter*> m_filters;
};

PhotoRecord* NewPhoto(const std::wstring& id, const std::wstring& name, const std::wstring& format,
                      const std::wstring& date) {
  auto* photo = new PhotoRecord;
  photo->identifier = id;
  photo->name = name;
  photo->format = format;
  photo->dateCreated = date;
  photo->sizeText = L"12 KB";
  photo->source = L"/sdcard/DCIM/" + name + format;
  photo->number = static_cast<int64_t>(id.size() * 1000 + id.back());
  return photo;
}

// A drop of `paths` as the shell makes it: a DROPFILES block with the wide paths after it.
HGLOBAL MakeDrop(const std::vector<std::wstring>& paths) {
  size_t chars = 1;
  for (const std::wstring& path : paths) chars += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = TRUE;
  auto* text = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(drop) + sizeof(DROPFILES));
  for (const std::wstring& path : paths) {
    std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
    text += path.size() + 1;
  }
  GlobalUnlock(memory);
  return memory;
}

// Answers the drop menu from inside its loop: its texts, then Enter on its item or Escape.
struct MenuRun {
  bool choose = false;
  std::vector<std::wstring> texts;
};
MenuRun* g_menu = nullptr;

void CALLBACK AnswerMenu(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  const HWND window = menukeys::VisibleMenuWindow();
  if (!window || !g_menu) return;
  KillTimer(hwnd, id);
  const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 127, MF_BYPOSITION);
    g_menu->texts.push_back(text);
  }
  if (g_menu->choose) {
    menukeys::PostKey(window, VK_DOWN);
    PostMessageW(window, WM_CHAR, L'\r', 0);
  }
  menukeys::PostKey(window, VK_ESCAPE);
}

class PhotoPaneTest : public ::testing::Test {
 protected:
  struct Request {
    int64_t code;
    int64_t count;
    std::wstring text;
    std::vector<ExportRecord> exports;
    std::vector<PhotoRecord*> photos;
    std::vector<int32_t> rows;
    PathList paths;
  };

  void SetUp() override {
    parent.Create(nullptr, L"GalleryTestParent", L"wizard", WS_POPUP | WS_VISIBLE, 0, MakeRect(20, 20, 1000, 600));
    ASSERT_TRUE(parent.Hwnd()) << "no display";
    CommandRecord create;
    create.window = parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&loop);
    g_harness->Send(kGalleryCreateWindow, create);
    pane = FindWindowExW(parent.Hwnd(), nullptr, L"DhPhotoDelegate", nullptr);
    ASSERT_TRUE(pane);
    list = GetDlgItem(pane, kListId);
    ASSERT_TRUE(list);
    Send(kGalleryShowWindow);
    loop.Pump();
    g_harness->SetHook(kGalleryDoPhoto, [this](CommandRecord& record) {
      if (record.code == kPhotoRequestThumbnails) {
        std::unique_ptr<PathList> ids(static_cast<PathList*>(record.data));
        thumbnailsAsked.insert(thumbnailsAsked.end(), ids->begin(), ids->end());
        return 0;
      }
      Request request{record.code, record.count, record.text ? record.text : L"", {}, {}, {}, {}};
      if (record.code == kPhotoRequestExport) {
        std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
        for (ExportRecord* item : *exports) {
          request.exports.push_back(*item);
          delete item;
        }
      } else if (record.code == kPhotoRequestDelete) {
        std::unique_ptr<PhotoList> checked(static_cast<PhotoList*>(record.data));
        for (PhotoRecord* photo : *checked) {
          request.photos.push_back(photo);
          request.rows.push_back(photo->rowIndex);
        }
      } else if (record.code == kPhotoRequestAddFiles) {
        std::unique_ptr<PathList> paths(static_cast<PathList*>(record.data));
        request.paths = *paths;
      }
      requests.push_back(request);
      return 0;
    });
  }
  void TearDown() override {
    g_harness->SetHook(kGalleryDoPhoto, nullptr);
    parent.Destroy();
    loop.Pump();
  }

  void Send(const char* name, int64_t code = 0, void* payload = nullptr) {
    CommandRecord record;
    record.window = parent.Hwnd();
    record.code = code;
    record.payload = payload;
    g_harness->Send(name, record);
  }
  void Add(std::vector<PhotoRecord*> photos, int64_t code = kAddPhotoAppend) {
    PhotoList batch(photos.begin(), photos.end());
    Send(kGalleryAddPhoto, code, &batch);
  }
  void Command(int id) {
    SendMessageW(pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(pane, id)));
    loop.Pump();
  }
  int Rows() const { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }
  std::wstring Text(int row, int column) const {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = 255;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
  }
  std::vector<std::wstring> Names() const {
    std::vector<std::wstring> names;
    for (int row = 0; row < Rows(); ++row) names.push_back(Text(row, 1));
    return names;
  }
  void Check(int row, bool checked) {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = checked ? 0x2000 : 0x1000;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  }
  void Search(const wchar_t* text) {
    SetWindowTextW(GetDlgItem(pane, 5003), text);
    Command(5002);
  }
  void Drop(const std::vector<std::wstring>& paths, bool choose, MenuRun& run) {
    run.choose = choose;
    g_menu = &run;
    SetTimer(parent.Hwnd(), 78, 20, AnswerMenu);
    SendMessageW(pane, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
    KillTimer(parent.Hwnd(), 78);
    g_menu = nullptr;
    loop.Pump();
  }

  FakeLoop loop;
  ProbeWindow parent;
  HWND pane = nullptr;
  HWND list = nullptr;
  std::vector<Request> requests;
  std::vector<std::wstring> thumbnailsAsked;
};

TEST(GalleryModuleTest, RegistersItsCommandsInOrder) {
  const std::vector<std::string> expected = {kGalleryShowWindow,  kGalleryChangeSize,    kGalleryHideWindow,
                                             kGalleryClearData,   kGalleryAddPhoto,      kGalleryCreateWindow,
                                             kGalleryGetChecked,  kGalleryResetWindow,   kGalleryDoPhoto,
                                             kGalleryDeletePhoto, kGalleryGetListTaskId, kGallerySetListTaskId};
  EXPECT_EQ(g_harness->RegisteredNames(), expected);
}

TEST(GalleryRulesTest, SearchLooksAtFormatForADotAndElseAtNameAndDate) {
  std::unique_ptr<PhotoRecord> beach(NewPhoto(L"1", L"Strand", L".png", L"2015-08-21 20:47"));
  std::unique_ptr<PhotoRecord> cat(NewPhoto(L"2", L"IMG_2015", L".JPG", L"2024-03-22 08:17"));
  EXPECT_TRUE(PhotoMatches(*beach, L".png"));
  EXPECT_FALSE(PhotoMatches(*cat, L".png"));
  EXPECT_TRUE(PhotoMatches(*cat, L".jpg")) << "formats compare lower-cased";
  EXPECT_TRUE(PhotoMatches(*beach, L"2015")) << "by date";
  EXPECT_TRUE(PhotoMatches(*cat, L"2015")) << "by name";
  EXPECT_FALSE(PhotoMatches(*beach, L"strand.png")) << "a text without a leading dot is no format";
  EXPECT_TRUE(PhotoMatches(*cat, L""));
  EXPECT_EQ(AcceptedDropPaths({L"C:\\a\\note.txt", L"C:\\a\\b.PNG", L"C:\\a\\c.webp", L"C:\\a\\d.jpeg"}),
            (std::vector<std::wstring>{L"C:\\a\\b.PNG", L"C:\\a\\c.webp"}));
}

TEST_F(PhotoPaneTest, ListsPhotosWithTheirColumnsAndKeepsTheFirstSelectionAcrossBatches) {
  Add({NewPhoto(L"a", L"Hafen", L".jpg", L"2024-06-01 05:42"), NewPhoto(L"b", L"Berg", L".png", L"2015-07-16")});
  Add({NewPhoto(L"c", L"Nacht", L".jpg", L"2024-07-20 22:33")});
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Hafen", L"Berg", L"Nacht"}));
  EXPECT_EQ(Text(1, 2), L"12 KB");
  EXPECT_EQ(Text(1, 3), L".png");
  EXPECT_EQ(Text(1, 4), L"2015-07-16");
  HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

  Add({NewPhoto(L"n", L"Neu", L".png", L"2026-12-08")}, kAddPhotoInsertTop);
  EXPECT_EQ(Names().front(), L"Neu");
  Add({NewPhoto(L"x", L"Ignored", L".png", L"")}, 2);
  EXPECT_EQ(Rows(), 4) << "ADD_PHOTO with code 2 changes nothing";

  Search(L".PNG");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Berg", L"Neu"})) << "in arrival order";
  Search(L"2015");
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"Berg"}));
  Search(L"");
  EXPECT_EQ(Rows(), 4);
  Send(kGalleryClearData);
  EXPECT_EQ(Rows(), 0);
}

TEST_F(PhotoPaneTest, ButtonsPostTheirRequestsWithTheCheckedRowsAndDeletesRemoveByRow) {
  Add({NewPhoto(L"a", L"A", L".jpg", L""), NewPhoto(L"b", L"B", L".png", L""), NewPhoto(L"c", L"C", L".jpg", L""),
       NewPhoto(L"d", L"D", L".jpg", L"")});
  for (int row = 0; row < 4; ++row) Check(row, row != 1);
  Command(5005);  // Export
  Command(5001);  // Delete
  Command(5006);  // Add
  Command(5000);  // Refresh
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_EQ(requests[0].code, kPhotoRequestExport);
  EXPECT_EQ(requests[0].text, L"Export Photos");
  ASSERT_EQ(requests[0].count, 3);
  EXPECT_EQ(requests[0].exports[0].fileName, L"A.jpg") << "name followed by its format";
  EXPECT_EQ(requests[0].exports[0].source, L"/sdcard/DCIM/A.jpg");
  EXPECT_EQ(requests[0].exports[2].fileName, L"D.jpg") << "top row first";
  EXPECT_EQ(requests[1].code, kPhotoRequestDelete);
  EXPECT_EQ(requests[1].text, L"Delete photos");
  EXPECT_EQ(requests[1].rows, (std::vector<int32_t>{3, 2, 0})) << "bottom row first, each with its row";
  EXPECT_EQ(requests[2].code, kPhotoRequestAddChosen);
  EXPECT_EQ(requests[2].text, L"Add photo file(*.*)");
  EXPECT_EQ(requests[3].code, kPhotoRequestLoad);

  CommandRecord checked;
  checked.window = parent.Hwnd();
  g_harness->Send(kGalleryGetChecked, checked);
  std::unique_ptr<PhotoList> list(static_cast<PhotoList*>(checked.data));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->size(), 3u);

  // The host's report of a deleted photo names the row and the identifier.
  PhotoRecord report;
  report.identifier = L"c";
  report.rowIndex = 2;
  Send(kGalleryDeletePhoto, 0, &report);
  EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"D"}));
  report.identifier = L"zz";
  report.rowIndex = 0;
  Send(kGalleryDeletePhoto, 0, &report);
  EXPECT_EQ(Rows(), 3) << "an unknown photo removes no row";

  // Nothing checked still asks, so the host can say so.
  for (int row = 0; row < 3; ++row) Check(row, false);
  requests.clear();
  Command(5005);
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].count, 0);
}

TEST_F(PhotoPaneTest, ThumbnailsAreAskedForTheRowsDrawnAndShownWhenTheyCome) {
  std::vector<PhotoRecord*> photos;
  for (int i = 0; i < 200; ++i)
    photos.push_back(NewPhoto(L"p" + std::to_wstring(i), L"P" + std::to_wstring(i), L".jpg", L""));
  Add(photos);
  UpdateWindow(list);
  loop.Pump();
  ASSERT_FALSE(thumbnailsAsked.empty());
  EXPECT_LT(thumbnailsAsked.size(), 40u) << "only the rows in view and a page below them";
  EXPECT_EQ(thumbnailsAsked.front(), L"p0");

  ThumbnailRecord red;
  red.identifier = L"p0";
  red.width = 40;
  red.height = 30;
  red.pixels.assign(40 * 30, 0xFFFF0000u);
  ThumbnailList pictures = {&red};
  Send(kGalleryDoPhoto, kPhotoPaneThumbnails, &pictures);
  UpdateWindow(list);
  // Row 0's picture sits at the start of the "Name" column, vertically centred in the row.
  RECT name{};
  name.top = 1;
  name.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&name));
  HDC dc = GetDC(list);
  const COLORREF pixel = GetPixel(dc, name.left + 2 + 20, (name.top + name.bottom) / 2);
  ReleaseDC(list, dc);
  EXPECT_EQ(pixel, RGB(255, 0, 0));

  const size_t asked = thumbnailsAsked.size();
  InvalidateRect(list, nullptr, FALSE);
  UpdateWindow(list);
  loop.Pump();
  EXPECT_EQ(thumbnailsAsked.size(), asked) << "a thumbnail on its way is not asked for twice";
}

TEST_F(PhotoPaneTest, DroppedPicturesAreOfferedOnlyAfterTheMenuIsAnswered) {
  MenuRun run;
  Drop({L"C:\\in\\note.txt", L"C:\\in\\Strand.png"}, true, run);
  EXPECT_EQ(run.texts, (std::vector<std::wstring>{L"Drag and drop here"}));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].code, kPhotoRequestAddFiles);
  EXPECT_EQ(requests[0].text, L"Add Photos");
  EXPECT_EQ(requests[0].count, 1);
  EXPECT_EQ(requests[0].paths, (PathList{L"C:\\in\\Strand.png"}));

  MenuRun closed;
  Drop({L"C:\\in\\Strand.png"}, false, closed);
  MenuRun unsupported;
  Drop({L"C:\\in\\note.txt", L"C:\\in\\clip.mp4"}, true, unsupported);
  EXPECT_EQ(requests.size(), 1u) << "a closed menu or only unsupported files post nothing";
}

}  // namespace
