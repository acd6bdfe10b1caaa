#include "modules/gallery/DhPhotoDelegate.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/gallery/PhotoRules.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

const wchar_t kExportText[] = L"Export Photos";
const wchar_t kAddText[] = L"Add photo file(*.*)";
const wchar_t kDropText[] = L"Add Photos";
const wchar_t kDeleteText[] = L"Delete photos";
const wchar_t kDropMenuText[] = L"Drag and drop here";
constexpr int kNameColumn = 1;
constexpr int kSizeColumn = 2;
constexpr int kFormatColumn = 3;
constexpr int kDateColumn = 4;
// Dropped paths longer than this are not taken.
constexpr UINT kMaxDropPath = 260;
// Thumbnails kept: a few screens of rows (about 12 KB each).
constexpr size_t kMaxThumbnails = 300;
// Rows below a drawn one whose thumbnails are asked for with it, so scrolling finds them ready.
constexpr int kPrefetchRows = 12;
// Posted to itself: the thumbnails wanted while rows were drawn go out in one request.
constexpr UINT kThumbnailRequestMessage = WM_APP + 7;

PaneDescription PhotoPaneSpec() {
  PaneDescription description;
  description.className = L"DhPhotoDelegate";
  description.traceName = "DhPhotoDelegate";
  description.requestCommand = kGalleryDoPhoto;
  description.listId = kPhotoListId;
  description.columns = {
      {L"", 100, 10}, {L"Name", 220, 30}, {L"Size", 120, 20}, {L"Format", 100, 20}, {L"Date Created", 140, 20}};
  description.buttons = {
      {kAddButtonId, L"Add", "common\\button\\operate-add-pressed.png", "common\\button\\operate-add-normal.png"},
      {kDeleteButtonId, L"Delete", "common\\button\\operate-delete-pressed.png",
       "common\\button\\operate-delete-normal.png"},
      {kExportButtonId, L"Export", "common\\button\\operate-export-pressed.png",
       "common\\button\\operate-export-normal.png"},
      {kRefreshButtonId, L"Refresh", "common\\button\\operate-refresh-pressed.png",
       "common\\button\\operate-refresh-normal.png"},
  };
  description.firstButtonX = 10;
  description.searchEditId = kSearchEditId;
  description.searchButtonId = kSearchButtonId;
  description.lastUpdateCode = kUpdateRemove;
  return description;
}

}  // namespace

DhPhotoDelegate::DhPhotoDelegate() : BASContentPane(PhotoPaneSpec()) {}

DhPhotoDelegate::~DhPhotoDelegate() = default;

bool DhPhotoDelegate::CreateExtras() {
  DragAcceptFiles(Hwnd(), TRUE);
  m_list.SetDefaultRowImage(FindImage(Images(), "photo\\content-photo-thumbnail.png"));
  m_list.SetRowImageHook(&DhPhotoDelegate::RowImage, this);
  return true;
}

// Rows show their photos' own texts: thousands of rows keep no copies of them.
const std::wstring* DhPhotoDelegate::CellText(int column, LPARAM data) const {
  const auto* photo = reinterpret_cast<const PhotoRecord*>(data);
  switch (column) {
    case kNameColumn:
      return &photo->name;
    case kSizeColumn:
      return &photo->sizeText;
    case kFormatColumn:
      return &photo->format;
    case kDateColumn:
      return &photo->dateCreated;
    default:
      return nullptr;
  }
}

void DhPhotoDelegate::Update(WPARAM code, CommandRecord* record) {
  if (code == kUpdateNothing || !record) return;
  if (code == kUpdateAppend || code == kUpdateInsertTop)
    AddPhotos(static_cast<const PhotoList*>(record->payload), code == kUpdateInsertTop);
  else if (code == kUpdateRemove)
    RemovePhoto(static_cast<const PhotoRecord*>(record->payload));
}

void DhPhotoDelegate::AddPhotos(const PhotoList* batch, bool atTop) {
  if (!batch) return;
  int added = 0;
  ListChange change(m_changingList);
  m_photos.reserve(m_photos.size() + batch->size());
  m_list.ReserveRows(static_cast<size_t>(m_list.RowCount()) + batch->size());
  for (PhotoRecord* photo : *batch) {
    // A record the pane already holds would be freed twice.
    if (!photo || std::any_of(m_photos.begin(), m_photos.end(), [&](const auto& held) { return held.get() == photo; }))
      continue;
    m_photos.emplace_back(photo);
    if (m_list.InsertRow(atTop ? 0 : m_list.RowCount(), {}, reinterpret_cast<LPARAM>(photo)) >= 0) ++added;
  }
  // Rows put above the current one move it down: it stays on the same photo.
  if (atTop && CurrentRow() >= 0) SetCurrentRow(CurrentRow() + added);
  SelectFirstRowIfNone();
}

void DhPhotoDelegate::RemovePhoto(const PhotoRecord* gone) {
  if (!gone) return;
  auto mine = std::find_if(m_photos.begin(), m_photos.end(),
                           [&](const auto& held) { return held->identifier == gone->identifier; });
  if (mine == m_photos.end()) return;
  if (RemoveRowOf(reinterpret_cast<LPARAM>(mine->get()), gone->rowIndex) >= 0) m_list.RepaintCheckColumn();
  // The host frees the record it sent; the pane's own record of the photo goes here.
  if (mine->get() == gone) mine->release();
  m_photos.erase(mine);
}

void DhPhotoDelegate::ClearRecords() {
  m_photos.clear();
  m_thumbnails.clear();
  m_thumbnailUse.clear();
  m_thumbnailsAsked.clear();
  m_thumbnailsWanted.clear();
}

// Asked only for the rows the list draws: thumbnails are made for what is shown and the rows
// just below it, never for the whole list.
Gdiplus::Bitmap* DhPhotoDelegate::RowImage(BASListView& list, int row, void* context) {
  auto* pane = static_cast<DhPhotoDelegate*>(context);
  const PhotoRecord* photo = pane->PhotoAt(row);
  if (photo == nullptr) return nullptr;
  Gdiplus::Bitmap* image = pane->ThumbnailOf(*photo);
  if (image == nullptr) pane->WantThumbnail(photo);
  pane->WantThumbnail(pane->PhotoAt(std::min(row + kPrefetchRows, list.RowCount() - 1)));
  return image;
}

Gdiplus::Bitmap* DhPhotoDelegate::ThumbnailOf(const PhotoRecord& photo) {
  auto it = m_thumbnails.find(photo.identifier);
  if (it == m_thumbnails.end()) return nullptr;
  m_thumbnailUse.splice(m_thumbnailUse.end(), m_thumbnailUse, it->second.use);
  return it->second.image.get();
}

void DhPhotoDelegate::WantThumbnail(const PhotoRecord* photo) {
  if (photo == nullptr || m_thumbnails.count(photo->identifier) != 0 ||
      !m_thumbnailsAsked.insert(photo->identifier).second)
    return;
  m_thumbnailsWanted.push_back(photo->identifier);
  if (!m_thumbnailRequestPosted) m_thumbnailRequestPosted = PostMessageW(Hwnd(), kThumbnailRequestMessage, 0, 0);
}

void DhPhotoDelegate::RequestThumbnails() {
  m_thumbnailRequestPosted = false;
  if (m_thumbnailsWanted.empty()) return;
  CommandRecord record;
  record.data = new PathList(std::move(m_thumbnailsWanted));
  m_thumbnailsWanted.clear();
  Post(kPhotoRequestThumbnails, record);
}

void DhPhotoDelegate::AddThumbnails(const ThumbnailList* thumbnails) {
  if (!thumbnails) return;
  for (const ThumbnailRecord* thumbnail : *thumbnails) {
    if (!thumbnail || thumbnail->width <= 0 || thumbnail->height <= 0 ||
        thumbnail->pixels.size() != static_cast<size_t>(thumbnail->width) * thumbnail->height ||
        m_thumbnailsAsked.count(thumbnail->identifier) == 0)
      continue;
    auto image = std::make_unique<Gdiplus::Bitmap>(thumbnail->width, thumbnail->height, PixelFormat32bppARGB);
    Gdiplus::BitmapData data{};
    Gdiplus::Rect all(0, 0, thumbnail->width, thumbnail->height);
    if (image->LockBits(&all, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data) != Gdiplus::Ok) continue;
    for (int y = 0; y < thumbnail->height; ++y)
      std::memcpy(static_cast<char*>(data.Scan0) + y * data.Stride,
                  &thumbnail->pixels[static_cast<size_t>(y) * thumbnail->width],
                  static_cast<size_t>(thumbnail->width) * 4);
    image->UnlockBits(&data);
    if (m_thumbnails.count(thumbnail->identifier) != 0) continue;
    m_thumbnailUse.push_back(thumbnail->identifier);
    m_thumbnails[thumbnail->identifier] = Thumbnail{std::move(image), std::prev(m_thumbnailUse.end())};
  }
  // The least recently drawn go; they are asked for again when their rows come back.
  while (m_thumbnails.size() > kMaxThumbnails) {
    m_thumbnailsAsked.erase(m_thumbnailUse.front());
    m_thumbnails.erase(m_thumbnailUse.front());
    m_thumbnailUse.pop_front();
  }
  // Only the rows in view whose pictures came are drawn again.
  const int top = ListView_GetTopIndex(m_list.Hwnd());
  const int last = std::min(m_list.RowCount(), top + ListView_GetCountPerPage(m_list.Hwnd()) + 1);
  for (int row = top; row < last; ++row) {
    const PhotoRecord* photo = PhotoAt(row);
    if (!photo || std::none_of(thumbnails->begin(), thumbnails->end(),
                               [&](const ThumbnailRecord* t) { return t && t->identifier == photo->identifier; }))
      continue;
    RECT rect{};
    if (ListView_GetItemRect(m_list.Hwnd(), row, &rect, LVIR_BOUNDS)) InvalidateRect(m_list.Hwnd(), &rect, FALSE);
  }
}

void* DhPhotoDelegate::NewCheckedList() const {
  std::unique_ptr<PhotoList> checked = CheckedItems<PhotoRecord>(false);
  return checked->empty() ? nullptr : checked.release();
}

std::vector<LPARAM> DhPhotoDelegate::Matching(const std::wstring& lowered) const {
  std::vector<LPARAM> rows;
  for (const auto& photo : m_photos)
    if (PhotoMatches(*photo, lowered)) rows.push_back(reinterpret_cast<LPARAM>(photo.get()));
  return rows;
}

bool DhPhotoDelegate::OnToolbarCommand(int id) {
  switch (id) {
    case kRefreshButtonId: {
      CommandRecord record;
      Post(kPhotoRequestLoad, record);
      break;
    }
    case kExportButtonId:
      RequestExport();
      break;
    case kAddButtonId:
      RequestAddChosen();
      break;
    case kDeleteButtonId:
      RequestDelete();
      break;
    default:
      return false;
  }
  return true;
}

void DhPhotoDelegate::RequestExport() {
  const std::unique_ptr<PhotoList> checked = CheckedItems<PhotoRecord>(false);
  auto exports = std::make_unique<ExportList>();
  for (PhotoRecord* photo : *checked) exports->push_back(new ExportRecord(MakeExportRecord(*photo)));
  CommandRecord record;
  record.text = kExportText;
  record.count = static_cast<int64_t>(exports->size());
  record.data = exports.release();
  Post(kPhotoRequestExport, record);
}

void DhPhotoDelegate::RequestDelete() {
  std::unique_ptr<PhotoList> checked = CheckedItems<PhotoRecord>(true);
  CommandRecord record;
  record.text = kDeleteText;
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked.release();
  Post(kPhotoRequestDelete, record);
}

void DhPhotoDelegate::RequestAddChosen() {
  CommandRecord record;
  record.text = kAddText;
  Post(kPhotoRequestAddChosen, record);
}

void DhPhotoDelegate::Post(int64_t code, CommandRecord& record) {
  if (PostRequest(code, record)) return;
  // No host to take the lists: they are freed here.
  if (code == kPhotoRequestExport) {
    std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
    for (ExportRecord* item : *exports) delete item;
  } else if (code == kPhotoRequestDelete) {
    delete static_cast<PhotoList*>(record.data);
  } else if (code == kPhotoRequestAddFiles || code == kPhotoRequestThumbnails) {
    delete static_cast<PathList*>(record.data);
  }
}

bool DhPhotoDelegate::AskDropMenu() {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return false;
  AppendMenuW(menu.get(), MF_STRING, kDropMenuAddId, kDropMenuText);
  POINT cursor{};
  GetCursorPos(&cursor);
  // The drop came from another program: the menu needs the pane's window in front to close on
  // a click elsewhere.
  SetForegroundWindow(Hwnd());
  const UINT chosen = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY, cursor.x,
                                     cursor.y, 0, Hwnd(), nullptr);
  return chosen == kDropMenuAddId;
}

void DhPhotoDelegate::OnDrop(HDROP drop) {
  const bool confirmed = AskDropMenu();
  std::vector<std::wstring> paths;
  if (confirmed) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
      wchar_t path[kMaxDropPath + 1] = {};
      const UINT length = DragQueryFileW(drop, i, nullptr, 0);
      if (length == 0 || length > kMaxDropPath) continue;
      if (DragQueryFileW(drop, i, path, kMaxDropPath + 1) == length) paths.emplace_back(path, length);
    }
  }
  DragFinish(drop);
  DropFiles(paths, confirmed);
}

void DhPhotoDelegate::DropFiles(const std::vector<std::wstring>& paths, bool confirmed) {
  if (!confirmed) return;
  auto accepted = std::make_unique<PathList>(AcceptedDropPaths(paths));
  if (accepted->empty()) return;
  CommandRecord record;
  record.text = kDropText;
  record.count = static_cast<int64_t>(accepted->size());
  record.data = accepted.release();
  Post(kPhotoRequestAddFiles, record);
}

LRESULT DhPhotoDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == kThumbnailRequestMessage) {
    handled = true;
    RequestThumbnails();
    return 0;
  }
  if (msg == WM_DROPFILES) {
    handled = true;
    OnDrop(reinterpret_cast<HDROP>(wp));
    return 0;
  }
  return BASContentPane::HandleMessage(msg, wp, lp, handled);
}
