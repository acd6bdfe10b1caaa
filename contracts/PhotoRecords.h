// Photo records, made by the device service and listed by the photo pane, and the export
// records the pane hands to the host. Wide strings are the shared runtime's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PhotoRecord {
  int32_t rowIndex = -1;      // list row, written by the pane before a delete request
  std::wstring identifier;    // the device's id; a removal drops the photo with this id
  std::wstring name;
  std::wstring source;        // copied into the export record
  std::wstring extraText;     // the device service's; the pane does not read it
  std::wstring format;        // format text, matched by a search that begins with "."
  int32_t extraNumber = 0;    // the device service's; the pane does not read it
  int64_t number = 0;         // the device service's; copied into the export record
  std::wstring sizeText;      // shown in the "Size" column
  std::wstring dateCreated;   // shown in the "Date Created" column
};

static_assert(offsetof(PhotoRecord, rowIndex) == 0, "row index");
static_assert(offsetof(PhotoRecord, identifier) == 4, "identifier");
static_assert(offsetof(PhotoRecord, name) == 28, "name");
static_assert(offsetof(PhotoRecord, source) == 52, "source");
static_assert(offsetof(PhotoRecord, extraText) == 76, "unread text");
static_assert(offsetof(PhotoRecord, format) == 100, "format");
static_assert(offsetof(PhotoRecord, extraNumber) == 124, "unread number");
static_assert(offsetof(PhotoRecord, number) == 128, "64-bit number, 8-aligned");
static_assert(offsetof(PhotoRecord, sizeText) == 136, "size text");
static_assert(offsetof(PhotoRecord, dateCreated) == 160, "date created");
static_assert(sizeof(PhotoRecord) == 184, "photo record size");

// One per checked photo of an export request, allocated by the pane; the host takes the vector
// and the records over.
struct ExportRecord {
  std::wstring source;    // the photo's source
  std::wstring fileName;  // the photo's name followed directly by its format text
  int64_t number = 0;     // the photo's 64-bit number
};

static_assert(offsetof(ExportRecord, fileName) == 24, "file name");
static_assert(offsetof(ExportRecord, number) == 48, "number");
static_assert(sizeof(ExportRecord) == 56, "export record size");

inline ExportRecord MakeExportRecord(const PhotoRecord& photo) {
  ExportRecord record;
  record.source = photo.source;
  record.fileName = photo.name + photo.format;
  record.number = photo.number;
  return record;
}

// A photo's picture made small for its list row by the device service, off the user-interface
// thread: 32-bit BGRA pixels with alpha, top row first. The pane copies what it keeps.
struct ThumbnailRecord {
  std::wstring identifier;  // the photo's
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // width x height
};

typedef std::vector<PhotoRecord*> PhotoList;    // a checked list: the records stay the pane's
typedef std::vector<ExportRecord*> ExportList;  // the vector and its records pass on
typedef std::vector<ThumbnailRecord*> ThumbnailList;
