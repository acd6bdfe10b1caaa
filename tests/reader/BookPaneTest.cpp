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
#include "kit/BASMediaFilePane.h"
#include "tests/harness/FilePaneFixture.h"
#include "tests/harness/ModuleHarness.h"

namespace {

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

class BookPane : public FilePaneFixture {
 protected:
  static void SetUpTestSuite() { LoadModule(L"libReader"); }
  static void TearDownTestSuite() { UnloadModule(); }
  void SetUp() override {
    MakePane({kReaderCreateWindow, kReaderShowWindow, kReaderDoEbook, L"DhBookDelegate"});
    if (HasFatalFailure()) return;
    MediaFileList books{Book(L"b1", L"Pride and Prejudice", L"Jane Austen", L".epub"),
                        Book(L"b2", L"Анна Каренина", L"Лев Толстой", L".epub"),
                        Book(L"b3", L"Ὀδύσσεια", L"Ὅμηρος", L".pdf")};
    Send(kReaderAddEbook, kAddMediaAppend, &books);
    Pump();
  }
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
  EXPECT_EQ(m_counts.back(), static_cast<int64_t>(m_fileNames.size()));
  ASSERT_FALSE(m_fileNames.empty());
  for (const std::wstring& name : m_fileNames)
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
