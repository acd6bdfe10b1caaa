// The book pane through its plug-in edge: books streamed in, the search over titles, authors
// and formats, the requests its buttons post with their lists, and books that go.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/MediaRecords.h"
#include "contracts/MessageLoop.h"
#include "kit/BASMediaFilePane.h"
#include "kit/GdiPlus.h"
#include "tests/harness/ModuleHarness.h"
#include "tests/kit/ProbeWindow.h"

namespace {

std::unique_ptr<ModuleHarness> g_harness;
std::unique_ptr<GdiplusSession> g_gdiplus;

class NoLoop : public CMessageLoop {
 public:
  bool AddMessageFilter(CMessageFilter*) override { return true; }
  bool RemoveMessageFilter(CMessageFilter*) override { return true; }
  bool AddIdleHandler(CIdleHandler*) override { return false; }
  bool RemoveIdleHandler(CIdleHandler*) override { return false; }
};

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

MediaFileRecord* Book(const std::wstring& id, const std::wstring& title, const std::wstring& author,
                      const std::wstring& format) {
  auto* book = new MediaFileRecord;
  book->identifier = id;
  book->name = title;
  book->title = title;
  book->artist = author;
  book->format = format;
  book->sizeBytes = 742400;
  return book;
}

class BookPane : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_gdiplus = std::make_unique<GdiplusSession>();
    g_harness = std::make_unique<ModuleHarness>();
    ASSERT_TRUE(g_harness->Load(ModuleHarness::PluginPath(L"libReader"))) << g_harness->LoadError();
  }
  static void TearDownTestSuite() {
    g_harness.reset();
    g_gdiplus.reset();
  }
  void SetUp() override {
    m_parent.Create(nullptr, L"ReaderTestParent", L"books", WS_POPUP | WS_VISIBLE, 0, MakeRect(20, 20, 1000, 600));
    ASSERT_TRUE(m_parent.Hwnd()) << "no display";
    CommandRecord create;
    create.window = m_parent.Hwnd();
    create.data = static_cast<CMessageLoop*>(&m_loop);
    g_harness->Send(kReaderCreateWindow, create);
    m_pane = FindWindowExW(m_parent.Hwnd(), nullptr, L"DhBookDelegate", nullptr);
    ASSERT_TRUE(m_pane);
    m_list = GetDlgItem(m_pane, kMediaListId);
    CommandRecord show;
    show.window = m_parent.Hwnd();
    g_harness->Send(kReaderShowWindow, show);
    g_harness->SetHook(kReaderDoEbook, [this](CommandRecord& record) {
      m_codes.push_back(record.code);
      m_counts.push_back(record.count);
      if (record.code == kMediaRequestDelete) {
        std::unique_ptr<MediaFileList> books(static_cast<MediaFileList*>(record.data));
        for (MediaFileRecord* book : *books) m_rows.push_back(book->rowIndex);
      } else if (record.code == kMediaRequestExport) {
        std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
        for (ExportRecord* item : *exports) {
          m_names.push_back(item->fileName);
          delete item;
        }
      }
      return 0;
    });
    MediaFileList books{Book(L"b1", L"Pride and Prejudice", L"Jane Austen", L".epub"),
                        Book(L"b2", L"Анна Каренина", L"Лев Толстой", L".epub"),
                        Book(L"b3", L"Ὀδύσσεια", L"Ὅμηρος", L".pdf")};
    Send(kReaderAddEbook, kAddMediaAppend, &books);
    Pump();
  }
  void TearDown() override {
    g_harness->SetHook(kReaderDoEbook, nullptr);
    m_parent.Destroy();
    Pump();
  }
  void Send(const char* name, int64_t code = 0, void* payload = nullptr) {
    CommandRecord record;
    record.window = m_parent.Hwnd();
    record.code = code;
    record.payload = payload;
    g_harness->Send(name, record);
  }
  void Button(int id) {
    SendMessageW(m_pane, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(m_pane, id)));
    Pump();
  }
  int Rows() const { return static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0)); }
  void Search(const wchar_t* text) {
    SetWindowTextW(GetDlgItem(m_pane, kMediaSearchEditId), text);
    Button(kMediaSearchButtonId);
  }

  ProbeWindow m_parent;
  NoLoop m_loop;
  HWND m_pane = nullptr;
  HWND m_list = nullptr;
  std::vector<int64_t> m_codes;
  std::vector<int64_t> m_counts;
  std::vector<int32_t> m_rows;
  std::vector<std::wstring> m_names;
};

TEST_F(BookPane, SearchesTitlesAuthorsAndFormatsAndPostsItsListsBottomRowFirst) {
  ASSERT_EQ(Rows(), 3);
  Search(L"ТОЛСТОЙ");
  EXPECT_EQ(Rows(), 1) << "the author, whatever its case";
  Search(L".pdf");
  EXPECT_EQ(Rows(), 1) << "the format";
  Search(L"");
  ASSERT_EQ(Rows(), 3);
  SendMessageW(m_list, WM_KEYDOWN, VK_END, 0);
  ListView_SetItemState(m_list, 2, LVIS_SELECTED, LVIS_SELECTED);
  Pump();
  Button(kMediaDeleteId);
  ASSERT_FALSE(m_codes.empty());
  EXPECT_EQ(m_codes.back(), kMediaRequestDelete);
  ASSERT_GE(m_rows.size(), 1u);
  for (size_t i = 1; i < m_rows.size(); ++i) EXPECT_GT(m_rows[i - 1], m_rows[i]) << "bottom row first";
  Button(kMediaExportId);
  EXPECT_EQ(m_codes.back(), kMediaRequestExport);
  EXPECT_EQ(m_counts.back(), static_cast<int64_t>(m_names.size()));
  ASSERT_FALSE(m_names.empty());
  for (const std::wstring& name : m_names)
    EXPECT_TRUE(name == L"Pride and Prejudice.epub" || name == L"Ὀδύσσεια.pdf") << "checked rows only";
  Button(kMediaRefreshId);
  EXPECT_EQ(m_codes.back(), kMediaRequestLoad);
}

TEST_F(BookPane, AddedBooksGoOnTopAndRemovedOnesLeaveTheList) {
  MediaFileList fresh{Book(L"b4", L"源氏物語", L"紫式部", L".txt")};
  Send(kReaderAddEbook, kAddMediaInsertTop, &fresh);
  Search(L"紫式部");
  EXPECT_EQ(Rows(), 1);
  Search(L"");
  EXPECT_EQ(Rows(), 4);
  MediaFileRecord* gone = Book(L"b2", L"", L"", L"");
  gone->rowIndex = 2;
  Send(kReaderDeleteEbook, 0, gone);
  EXPECT_EQ(Rows(), 3);
  delete gone;
  // Data cleared with the phone: nothing listed, nothing left behind.
  Send(kReaderClearData);
  Pump();
  EXPECT_EQ(Rows(), 0);
}

}  // namespace
