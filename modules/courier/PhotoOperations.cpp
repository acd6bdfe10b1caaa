#include "modules/courier/PhotoOperations.h"

#include <windows.h>

#include <objidl.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"

namespace {

// Below the list row height less its margins, so the list draws it at its own size, unstretched.
constexpr int kThumbnailSide = 55;
// Thumbnails go to the pane a few at a time, so the first rows show theirs at once.
constexpr size_t kThumbnailBatch = 8;

std::unique_ptr<MediaLibrary> NewPhotoLibrary() { return std::make_unique<PhotoLibrary>(); }

void* MakePhotoBatch(const std::vector<StoredMedia>& items, size_t first, size_t count) {
  auto* batch = new PhotoList;
  batch->reserve(count);
  for (size_t i = 0; i < count; ++i) batch->push_back(MakePhotoRecord(items[first + i]));
  return batch;
}

void* MakePhotoItem(const StoredMedia& item) { return MakePhotoRecord(item); }

void* MakeGonePhoto(const std::wstring& identifier, int32_t rowIndex) {
  auto* gone = new PhotoRecord;
  gone->identifier = identifier;
  gone->rowIndex = rowIndex;
  return gone;
}

void ReadCheckedPhotos(const void* list, CheckedItems& items) {
  for (const PhotoRecord* photo : *static_cast<const PhotoList*>(list))
    if (photo != nullptr) items.emplace_back(photo->identifier, photo->rowIndex);
}

void FreeCheckedPhotos(void* list) { delete static_cast<PhotoList*>(list); }

void FreeThumbnailRequest(CommandRecord& record) {
  if (record.code == kPhotoOpThumbnails) delete static_cast<PathList*>(record.data);
}

}  // namespace

const MediaServiceKind kPhotoServiceKind = {kKindPhotos,
                                            kCourierDoPhoto,
                                            kPhotoOpLoad,
                                            kPhotoOpAdd,
                                            kPhotoOpDelete,
                                            kPhotoNoticeCount,
                                            PhotoOperations::kFirstTaskId,
                                            L".photos",
                                            L"Load photos",
                                            L"Add photos",
                                            L"Delete photos",
                                            L"This phone keeps no photos.",
                                            NewPhotoLibrary,
                                            MakePhotoBatch,
                                            MakePhotoItem,
                                            MakeGonePhoto,
                                            ReadCheckedPhotos,
                                            FreeCheckedPhotos,
                                            FreeThumbnailRequest};

PhotoRecord* MakePhotoRecord(const StoredPhoto& photo) {
  auto* record = new PhotoRecord;
  record->identifier = photo.identifier;
  record->name = photo.name;
  record->source = photo.phonePath;
  record->extraText = std::to_wstring(photo.width) + L" x " + std::to_wstring(photo.height);
  record->format = photo.format;
  record->number = photo.key;
  record->sizeText = SizeText(photo.sizeBytes);
  record->dateCreated = photo.dateCreated;
  return record;
}

bool PhotoOperations::HandleOther(CommandRecord& record, const std::wstring& identifier) {
  if (record.code != kPhotoOpThumbnails) return false;
  std::unique_ptr<PathList> ids(static_cast<PathList*>(record.data));
  record.data = nullptr;
  const std::vector<std::wstring> wanted = ids ? *ids : std::vector<std::wstring>();
  record.value = m_jobs.Start(identifier, [this, wanted](Job& job) { RunThumbnails(job, wanted); });
  return true;
}

bool MakeThumbnail(const std::filesystem::path& path, int side, ThumbnailRecord& thumbnail) {
  // Decoded here and let go at once: only the small copy is kept.
  Gdiplus::Bitmap source(path.wstring().c_str());
  if (source.GetLastStatus() != Gdiplus::Ok || source.GetWidth() == 0 || source.GetHeight() == 0) return false;
  const double scale = std::min(
      1.0, std::min(static_cast<double>(side) / source.GetWidth(), static_cast<double>(side) / source.GetHeight()));
  const int width = std::max(1, static_cast<int>(source.GetWidth() * scale + 0.5));
  const int height = std::max(1, static_cast<int>(source.GetHeight() * scale + 0.5));
  Gdiplus::Bitmap small(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&small);
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
    graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
    if (graphics.DrawImage(&source, 0, 0, width, height) != Gdiplus::Ok) return false;
  }
  Gdiplus::BitmapData data{};
  Gdiplus::Rect all(0, 0, width, height);
  if (small.LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) != Gdiplus::Ok) return false;
  thumbnail.width = width;
  thumbnail.height = height;
  thumbnail.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    std::memcpy(&thumbnail.pixels[static_cast<size_t>(y) * width],
                static_cast<const char*>(data.Scan0) + y * data.Stride, static_cast<size_t>(width) * 4);
  small.UnlockBits(&data);
  return true;
}

void PhotoOperations::RunThumbnails(Job& job, const std::vector<std::wstring>& identifiers) {
  MediaLibrary* library = LibraryOf(job.identifier);
  if (library == nullptr) return;
  auto batch = std::make_unique<ThumbnailList>();
  const auto send = [&] {
    if (batch->empty()) return;
    m_jobs.Notify(job, static_cast<uint32_t>(kPhotoOpThumbnails), batch.release());
    batch = std::make_unique<ThumbnailList>();
  };
  for (const std::wstring& id : identifiers) {
    if (!m_jobs.MayContinue(job)) break;
    const StoredPhoto* photo = library->FindByIdentifier(id);
    if (photo == nullptr) continue;
    auto thumbnail = std::make_unique<ThumbnailRecord>();
    thumbnail->identifier = id;
    // A phone that keeps its own files lends the picture for as long as the small copy takes.
    std::filesystem::path file = library->FileOf(*photo);
    std::error_code failure;
    std::filesystem::path borrowed;
    if (!std::filesystem::is_regular_file(file, failure)) {
      wchar_t folder[MAX_PATH + 1] = {};
      if (GetTempPathW(MAX_PATH, folder) == 0) continue;
      borrowed = std::filesystem::path(folder) / (L"zs-thumb-" + std::to_wstring(GetCurrentThreadId()) + L"-" +
                                                  std::to_wstring(photo->key) + photo->format);
      std::filesystem::remove(borrowed, failure);
      std::string error;
      if (library->Export(
              *photo, borrowed, [&] { return m_jobs.MayContinue(job); }, error) != CopyResult::kCopied)
        continue;
      file = borrowed;
    }
    const bool made = MakeThumbnail(file, kThumbnailSide, *thumbnail);
    if (!borrowed.empty()) std::filesystem::remove(borrowed, failure);
    if (!made) continue;
    batch->push_back(thumbnail.release());
    if (batch->size() >= kThumbnailBatch) send();
  }
  send();
  for (ThumbnailRecord* left : *batch) delete left;
}
