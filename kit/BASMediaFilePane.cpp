#include "kit/BASMediaFilePane.h"

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <utility>

#include "contracts/CommandCodes.h"
#include "contracts/CommandPayloads.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiHandles.h"
#include "kit/SearchText.h"

namespace {

const wchar_t kDropMenuText[] = L"Drag and drop here";
constexpr UINT kDropMenuAddId = 1;
constexpr UINT kMaxDropPath = 260;

bool Contains(const std::wstring& text, const std::wstring& lowered) {
  return LowerCased(text).find(lowered) != std::wstring::npos;
}

std::wstring SizeOf(int64_t bytes) {
  wchar_t* text = BASUtilityFile::ZLGetFormatSizeFromBytes(bytes);
  if (text == nullptr) return std::to_wstring(bytes) + L" B";
  std::wstring out(text);
  std::free(text);
  return out;
}

}  // namespace

PaneDescription MediaFilePaneDescription(const wchar_t* className, const char* traceName, const char* requestCommand,
                                         std::vector<PaneColumn> columns) {
  PaneDescription description;
  description.className = className;
  description.traceName = traceName;
  description.requestCommand = requestCommand;
  description.listId = kMediaListId;
  description.columns = std::move(columns);
  description.buttons = {
      {kMediaAddId, L"Add", "common\\button\\operate-add-pressed.png", "common\\button\\operate-add-normal.png"},
      {kMediaDeleteId, L"Delete", "common\\button\\operate-delete-pressed.png",
       "common\\button\\operate-delete-normal.png"},
      {kMediaExportId, L"Export", "common\\button\\operate-export-pressed.png",
       "common\\button\\operate-export-normal.png"},
      {kMediaRefreshId, L"Refresh", "common\\button\\operate-refresh-pressed.png",
       "common\\button\\operate-refresh-normal.png"},
  };
  description.firstButtonX = 10;
  description.searchEditId = kMediaSearchEditId;
  description.searchButtonId = kMediaSearchButtonId;
  description.lastUpdateCode = kUpdateRemove;
  return description;
}

std::wstring DurationText(int64_t milliseconds) {
  if (milliseconds <= 0) return std::wstring();
  const int64_t seconds = (milliseconds + 500) / 1000;
  wchar_t text[32];
  if (seconds >= 3600)
    swprintf(text, 32, L"%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
             static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
  else
    swprintf(text, 32, L"%lld:%02lld", static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60));
  return text;
}

std::wstring ResolutionText(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return std::wstring();
  return std::to_wstring(width) + L" x " + std::to_wstring(height);
}

bool MediaFileMatches(const MediaFileRecord& item, const std::wstring& lowered) {
  if (lowered.empty()) return true;
  if (lowered[0] == L'.') return Contains(item.format, lowered);
  return Contains(item.title, lowered) || Contains(item.artist, lowered) || Contains(item.album, lowered) ||
         Contains(item.name, lowered);
}

BASMediaFilePane::BASMediaFilePane(PaneDescription description, std::vector<MediaColumn> columns, MediaPaneTexts texts)
    : BASContentPane(std::move(description)), m_columns(std::move(columns)), m_texts(texts) {}

BASMediaFilePane::~BASMediaFilePane() = default;

bool BASMediaFilePane::CreateExtras() {
  DragAcceptFiles(Hwnd(), TRUE);
  return true;
}

const std::wstring* BASMediaFilePane::CellText(int column, LPARAM data) const {
  if (column < 0 || static_cast<size_t>(column) >= m_columns.size()) return nullptr;
  const auto* item = reinterpret_cast<const MediaFileRecord*>(data);
  auto texts = m_rowTexts.find(item);
  switch (m_columns[static_cast<size_t>(column)]) {
    case MediaColumn::kTitle:
      return &item->title;
    case MediaColumn::kName:
      return &item->name;
    case MediaColumn::kArtist:
      return &item->artist;
    case MediaColumn::kAlbum:
      return &item->album;
    case MediaColumn::kFormat:
      return &item->format;
    case MediaColumn::kDate:
      return &item->dateCreated;
    case MediaColumn::kIdentifier:
      return &item->identifier;
    case MediaColumn::kVersion:
      return &item->version;
    case MediaColumn::kDuration:
      return texts != m_rowTexts.end() ? &texts->second.duration : nullptr;
    case MediaColumn::kResolution:
      return texts != m_rowTexts.end() ? &texts->second.resolution : nullptr;
    case MediaColumn::kSize:
      return texts != m_rowTexts.end() ? &texts->second.size : nullptr;
    default:
      return nullptr;
  }
}

void BASMediaFilePane::Update(WPARAM code, CommandRecord* record) {
  if (code == kUpdateNothing || !record) return;
  if (code == kUpdateAppend || code == kUpdateInsertTop)
    AddItems(static_cast<const MediaFileList*>(record->payload), code == kUpdateInsertTop);
  else if (code == kUpdateRemove)
    RemoveItem(static_cast<const MediaFileRecord*>(record->payload));
}

void BASMediaFilePane::AddItems(const MediaFileList* batch, bool atTop) {
  if (!batch) return;
  int added = 0;
  ListChange change(m_changingList);
  m_items.reserve(m_items.size() + batch->size());
  m_rowTexts.reserve(m_items.size() + batch->size());
  m_list.ReserveRows(static_cast<size_t>(m_list.RowCount()) + batch->size());
  for (MediaFileRecord* item : *batch) {
    // A record the pane already holds would be freed twice.
    if (!item || m_rowTexts.count(item) != 0) continue;
    m_items.emplace_back(item);
    m_rowTexts[item] = {DurationText(item->durationMs), ResolutionText(item->width, item->height),
                        SizeOf(item->sizeBytes)};
    if (!Shows(*item)) continue;
    if (m_list.InsertRow(atTop ? 0 : m_list.RowCount(), {}, reinterpret_cast<LPARAM>(item)) >= 0) ++added;
  }
  if (atTop && CurrentRow() >= 0) SetCurrentRow(CurrentRow() + added);
  SelectFirstRowIfNone();
}

void BASMediaFilePane::RemoveItem(const MediaFileRecord* gone) {
  if (!gone) return;
  auto mine = std::find_if(m_items.begin(), m_items.end(),
                           [&](const auto& held) { return held->identifier == gone->identifier; });
  if (mine == m_items.end()) return;
  if (RemoveRowOf(reinterpret_cast<LPARAM>(mine->get()), gone->rowIndex) >= 0) m_list.RepaintCheckColumn();
  m_rowTexts.erase(mine->get());
  if (mine->get() == gone) mine->release();  // the host frees the record it sent
  m_items.erase(mine);
}

void BASMediaFilePane::ClearRecords() {
  m_rowTexts.clear();
  m_items.clear();
}

void* BASMediaFilePane::NewCheckedList() const {
  std::unique_ptr<MediaFileList> checked = CheckedItems<MediaFileRecord>(false);
  return checked->empty() ? nullptr : checked.release();
}

std::vector<LPARAM> BASMediaFilePane::Matching(const std::wstring& lowered) const {
  std::vector<LPARAM> rows;
  rows.reserve(m_items.size());
  for (const auto& item : m_items)
    if (Shows(*item) && MediaFileMatches(*item, lowered)) rows.push_back(reinterpret_cast<LPARAM>(item.get()));
  return rows;
}

bool BASMediaFilePane::OnToolbarCommand(int id) {
  CommandRecord record;
  switch (id) {
    case kMediaRefreshId:
      Post(kMediaRequestLoad, record);
      return true;
    case kMediaExportId:
      RequestExport();
      return true;
    case kMediaAddId:
      record.text = m_texts.addTitle;
      Post(kMediaRequestAddChosen, record);
      return true;
    case kMediaDeleteId:
      RequestDelete();
      return true;
    default:
      return false;
  }
}

void BASMediaFilePane::RequestExport() {
  const std::unique_ptr<MediaFileList> checked = CheckedItems<MediaFileRecord>(false);
  auto exports = std::make_unique<ExportList>();
  for (MediaFileRecord* item : *checked) exports->push_back(new ExportRecord(MakeExportRecord(*item)));
  CommandRecord record;
  record.text = m_texts.exportTitle;
  record.count = static_cast<int64_t>(exports->size());
  record.data = exports.release();
  Post(kMediaRequestExport, record);
}

void BASMediaFilePane::RequestDelete() {
  std::unique_ptr<MediaFileList> checked = CheckedItems<MediaFileRecord>(true);
  CommandRecord record;
  record.text = m_texts.deleteTitle;
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked.release();
  Post(kMediaRequestDelete, record);
}

void BASMediaFilePane::Post(int64_t code, CommandRecord& record) {
  if (PostRequest(code, record)) return;
  // No host to take the lists: they are freed here.
  if (code == kMediaRequestExport) {
    std::unique_ptr<ExportList> exports(static_cast<ExportList*>(record.data));
    for (ExportRecord* item : *exports) delete item;
  } else if (code == kMediaRequestDelete || code == kMusicRequestAddToPlaylists ||
             code == kMusicRequestRemoveFromPlaylist) {
    delete static_cast<MediaFileList*>(record.data);
  } else if (code == kMediaRequestAddFiles) {
    delete static_cast<PathList*>(record.data);
  } else if (code == kMusicRequestCreatePlaylist || code == kMusicRequestChangePlaylist) {
    delete static_cast<PlaylistRecord*>(record.data);
  }
}

void BASMediaFilePane::OnDrop(HDROP drop) {
  MenuHandle menu(CreatePopupMenu());
  bool confirmed = false;
  if (menu) {
    AppendMenuW(menu.get(), MF_STRING, kDropMenuAddId, kDropMenuText);
    POINT cursor{};
    GetCursorPos(&cursor);
    SetForegroundWindow(Hwnd());
    confirmed = TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_NONOTIFY, cursor.x,
                               cursor.y, 0, Hwnd(), nullptr) == kDropMenuAddId;
  }
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

void BASMediaFilePane::DropFiles(const std::vector<std::wstring>& paths, bool confirmed) {
  if (!confirmed) return;
  auto accepted = std::make_unique<PathList>();
  for (const std::wstring& path : paths)
    if (BASUtilityFile::IsSupportFilePosfix(path.c_str(), m_texts.dropExtensions)) accepted->push_back(path);
  if (accepted->empty()) return;
  CommandRecord record;
  record.text = m_texts.dropTitle;
  record.count = static_cast<int64_t>(accepted->size());
  record.data = accepted.release();
  Post(kMediaRequestAddFiles, record);
}

LRESULT BASMediaFilePane::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == WM_DROPFILES) {
    handled = true;
    OnDrop(reinterpret_cast<HDROP>(wp));
    return 0;
  }
  return BASContentPane::HandleMessage(msg, wp, lp, handled);
}
