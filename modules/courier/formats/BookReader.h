// What a book file is: its format by name and by content, and its title and author. An EPUB's
// come from its package document (META-INF/container.xml names it); other formats carry no
// reliable metadata here, so their title is the file's name.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

class ZipReader;

enum class BookFormat { kUnknown, kEpub, kPdf, kText, kMobi };

struct BookInfo {
  BookFormat format = BookFormat::kUnknown;
  std::string title;   // UTF-8; the file name without extension when the book names none
  std::string author;  // UTF-8; empty when unknown
  int64_t sizeBytes = 0;
};

// "EPUB", "PDF", "TXT", "MOBI"; "" for kUnknown.
const char* BookFormatText(BookFormat format);
// The format a file name's extension claims: .epub, .pdf, .txt, .mobi/.azw/.azw3 (any case).
BookFormat BookFormatOfName(const std::filesystem::path& path);

// Title and author from an EPUB's package document; false with `problem` when the book's
// structure is damaged. A missing title is left empty for the caller to fill.
bool ReadEpub(ZipReader& zip, BookInfo& info, std::string& problem);

// Checks that the file is a book of the format its name claims and reads what it says about
// itself. False with `problem` (one line for the user) for an empty file, a file of another
// kind, or a damaged EPUB.
bool ReadBookFile(const std::filesystem::path& path, BookInfo& info, std::string& problem);

// The text of the first element named `localName` (any namespace prefix) inside the element
// named `withinLocalName` (empty: anywhere), entities decoded, white space collapsed; and the
// value of `attribute` of the first element named `localName` when `attribute` is given.
// Small and strict enough for package documents; exposed for tests.
bool FindXmlText(const std::string& xml, const std::string& withinLocalName, const std::string& localName,
                 std::string& text);
bool FindXmlAttribute(const std::string& xml, const std::string& localName, const std::string& attribute,
                      std::string& value);
