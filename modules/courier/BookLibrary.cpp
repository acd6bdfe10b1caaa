#include "modules/courier/BookLibrary.h"

#include "modules/courier/formats/FormatText.h"
#include "modules/courier/formats/BookReader.h"

namespace {

// A book is a whole file of the format its name claims; an empty file or a picture named
// .epub is refused with the reader's reason.
MediaCheck CheckBook(const std::filesystem::path& file) {
  MediaCheck check;
  BookInfo info;
  std::string problem;
  if (!ReadBookFile(file, info, problem)) {
    check.problem = problem.empty() ? "it is no book" : problem;
    return check;
  }
  check.extension = file.extension().wstring();
  check.sizeBytes = info.sizeBytes;
  check.title = formats::Utf8ToWideLenient(info.title);
  check.artist = formats::Utf8ToWideLenient(info.author);
  return check;
}

bool IsBookExtension(const std::wstring& extension) {
  return BookFormatOfName(PathOfWide(L"book" + extension)) != BookFormat::kUnknown;
}

std::vector<DemoMediaFile> DemoBooks(const DemoPhone& phone) {
  std::vector<DemoMediaFile> files;
  for (const DemoBook& book : phone.books) {
    if (book.file.empty()) continue;
    DemoMediaFile file;
    file.identifier = book.identifier;
    const size_t slash = book.phonePath.rfind(L'/');
    const std::wstring fileName = book.phonePath.substr(slash == std::wstring::npos ? 0 : slash + 1);
    const size_t dot = fileName.rfind(L'.');
    file.format = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
    file.name = fileName.substr(0, dot);
    file.phonePath = book.phonePath;
    file.album = L"Books";
    file.title = book.title;
    file.artist = book.author;
    file.file = book.file;
    files.push_back(std::move(file));
  }
  return files;
}

}  // namespace

const MediaKindRules kBookRules = {L"books.json",   "books",  L"books", L"/storage/emulated/0/Books/",
                                   L"Books",        L"Book",  L"BOOK_", CheckBook,
                                   IsBookExtension, DemoBooks};
