#include "modules/packages/DhAppDelegate.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "contracts/CommandNames.h"
#include "contracts/Sections.h"

namespace {

constexpr int kIconSide = 44;
const std::wstring kSystemText = L"System";
const std::wstring kUserText = L"User";

PaneDescription AppPaneSpec() {
  return MediaFilePaneDescription(L"DhAppDelegate", "DhAppDelegate", kPackagesDoApp,
                                  {{L"", 60, 8},
                                   {L"Name", 200, 28},
                                   {L"Package", 220, 28},
                                   {L"Version", 90, 12},
                                   {L"Size", 90, 12},
                                   {L"Type", 80, 12}});
}

const MediaPaneTexts kAppTexts = {L"Export Apps", L"Add apk file(*.apk)", L"Install Apps", L"Uninstall apps",
                                  L";.apk;"};

}  // namespace

DhAppDelegate::DhAppDelegate()
    : BASMediaFilePane(AppPaneSpec(),
                       {MediaColumn::kNumber, MediaColumn::kTitle, MediaColumn::kIdentifier, MediaColumn::kVersion,
                        MediaColumn::kSize},
                       kAppTexts),
      m_section(kSectionApps) {}

bool DhAppDelegate::CreateExtras() {
  // An app whose package brings no icon shows the apps' own picture.
  m_list.SetDefaultRowImage(FindImage(Images(), "app\\content-apps-table.png"));
  m_list.SetRowImageHook(&DhAppDelegate::RowIcon, this);
  // Packages bring icons of every size; the rows show them alike.
  m_list.SetRowImageSide(kIconSide);
  return BASMediaFilePane::CreateExtras();
}

Gdiplus::Bitmap* DhAppDelegate::RowIcon(BASListView& list, int row, void* context) {
  (void)list;
  const MediaFileRecord* app = static_cast<DhAppDelegate*>(context)->ItemAt(row);
  return app != nullptr ? app->icon.get() : nullptr;
}

const std::wstring* DhAppDelegate::CellText(int column, LPARAM data) const {
  if (column != kTypeColumn) return BASMediaFilePane::CellText(column, data);
  const auto* app = reinterpret_cast<const MediaFileRecord*>(data);
  return app->system ? &kSystemText : &kUserText;
}

bool DhAppDelegate::Shows(const MediaFileRecord& item) const { return m_section != kSectionUserApps || !item.system; }

void DhAppDelegate::ShowSection(int32_t sectionId) {
  if (sectionId != kSectionApps && sectionId != kSectionUserApps) return;
  if (sectionId == m_section) return;
  m_section = sectionId;
  Search();
}

void DhAppDelegate::MarkInstalled(const MediaFileList& installed) {
  std::vector<int> rows;
  for (const MediaFileRecord* app : installed) {
    const int row = app != nullptr ? RowOf(reinterpret_cast<LPARAM>(app)) : -1;
    if (row >= 0) rows.push_back(row);
  }
  if (rows.empty()) return;
  std::sort(rows.begin(), rows.end());
  ListChange change(m_changingList);
  ListView_SetItemState(m_list.Hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (int row : rows) ListView_SetItemState(m_list.Hwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetItemState(m_list.Hwnd(), rows.front(), LVIS_FOCUSED, LVIS_FOCUSED);
  m_list.FollowSelection();
  ListView_EnsureVisible(m_list.Hwnd(), rows.front(), FALSE);
  SetCurrentRow(rows.front());
}

void DhAppDelegate::Refresh(const MediaRecord& app) {
  for (const auto& held : Items()) {
    if (held->identifier != app.identifier) continue;
    held->name = app.name;
    held->title = app.name;
    if (!app.version.empty()) held->version = app.version;
    held->icon = app.icon;
    const int row = RowOf(reinterpret_cast<LPARAM>(held.get()));
    if (row >= 0) m_list.RefreshRow(row);
    return;
  }
}
