#include "modules/navigator/DhSectionDelegate.h"

#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/navigator/NavigatorModule.h"
#include "modules/navigator/SectionColors.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace {

const wchar_t kClassName[] = L"DhSectionDelegate";
const char kExpandedArrowPath[] = "common\\section\\section-down.png";
const char kCollapsedArrowPath[] = "common\\section\\section-right.png";

struct FreeDeleter {
  void operator()(void* block) const { std::free(block); }
};

}  // namespace

bool DhSectionDelegate::CreateIn(HWND parent, const ImageCache* images, LifetimeHandler onClosing,
                                 LifetimeHandler onGone) {
  m_parent = parent;
  m_images = images;
  m_onClosing = onClosing;
  m_onGone = onGone;
  RECT client{};
  GetClientRect(parent, &client);
  const RECT rect{client.left, client.top + 1, client.left + kWidth, std::max(client.top + 1, client.bottom - 1)};
  return Create(parent, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect);
}

bool DhSectionDelegate::OnCreate(CREATESTRUCTW*) {
  BASTrace("DhSectionDelegate: %p", static_cast<void*>(Hwnd()));
  Gdiplus::Bitmap* expanded = FindImage(m_images, kExpandedArrowPath);
  Gdiplus::Bitmap* collapsed = FindImage(m_images, kCollapsedArrowPath);
  const COLORREF selected = SectionColor(kSectionSelectedKey, kSectionSelectedDefault);
  m_background = SectionColor(kSectionBackgroundKey, kSectionBackgroundDefault);
  m_backgroundBrush.Reset(CreateSolidBrush(m_background));

  RECT client{};
  GetClientRect(Hwnd(), &client);
  RECT treeRect = client;
  treeRect.top += kTreeTop;
  treeRect.bottom = std::max(treeRect.top, treeRect.bottom - kTreeBottomMargin);
  if (!m_tree.CreateIn(Hwnd(), treeRect)) return false;
  m_tree.SetArrowImages(collapsed, expanded);
  m_tree.SetGap(BASTreeViewSection::kDefaultGap);
  m_tree.SetColors(m_background, selected, kSectionSelectedTextColor);
  return true;
}

void DhSectionDelegate::InsertSections(const SectionList& list) {
  for (SectionRow* row : m_model.AddSections(list)) {
    auto parent = m_itemById.find(row->parentId);
    const HTREEITEM item = m_tree.InsertRow(parent == m_itemById.end() ? nullptr : parent->second, row);
    if (!item) {
      BASTrace("DhSectionDelegate: section %d not inserted", row->id);
      continue;
    }
    m_idByItem[item] = row->id;
    m_itemById[row->id] = item;
  }
}

void DhSectionDelegate::ChangeSize() {
  if (!Hwnd()) return;
  RECT parent{};
  GetClientRect(m_parent, &parent);
  const int height = std::max<int>(0, parent.bottom - parent.top - 2);
  SetWindowPos(Hwnd(), nullptr, 0, 0, kWidth, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(Hwnd(), &client);
  MoveWindow(m_tree.Hwnd(), client.left, kTreeTop, client.right - client.left,
             std::max<int>(0, client.bottom - kTreeTop), TRUE);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhSectionDelegate::Show(bool show) {
  if (Hwnd()) ShowWindow(Hwnd(), show ? SW_SHOW : SW_HIDE);
}

void DhSectionDelegate::SelectFirst() {
  if (m_itemById.empty() || !m_tree.Hwnd()) return;
  // Cleared first, so even a row that is already selected is selected anew.
  TreeView_SelectItem(m_tree.Hwnd(), nullptr);
  TreeView_SelectItem(m_tree.Hwnd(), m_itemById.begin()->second);
}

void DhSectionDelegate::SelectSection(int32_t id) {
  auto it = m_itemById.find(id);
  // Not cleared first: the report names the section left, whose pane the host then hides.
  if (it != m_itemById.end() && m_tree.Hwnd()) TreeView_SelectItem(m_tree.Hwnd(), it->second);
}

int32_t DhSectionDelegate::IdOf(HTREEITEM item) const {
  auto it = m_idByItem.find(item);
  return it == m_idByItem.end() ? kSectionNone : it->second;
}

bool DhSectionDelegate::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != BASTreeViewSection::kControlId || header->hwndFrom != m_tree.Hwnd()) return false;
  if (header->code != TVN_SELCHANGEDW && header->code != TVN_SELCHANGEDA) return false;
  m_tree.RepaintAll();
  // Both forms begin alike up to the handles read here.
  ReportSelection(reinterpret_cast<NMTREEVIEWW*>(header)->itemOld.hItem);
  result = 0;
  return true;
}

void DhSectionDelegate::ReportSelection(HTREEITEM previous) {
  const HTREEITEM current = TreeView_GetSelection(m_tree.Hwnd());
  const ModuleRecord* module = NavigatorModuleRecord();
  if (!current || !module) return;
  CommandRecord record;
  record.window = Hwnd();
  record.value = 0;
  record.total = IdOf(previous);
  record.position = IdOf(current);
  PostToHost(*module, record, kNavigatorSelectItem);
}

LRESULT DhSectionDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg != kPaneMessage) return BASWindow::HandleMessage(msg, wp, lp, handled);
  handled = true;
  // Ours whatever becomes of it.
  std::unique_ptr<SectionItemDescriptor, FreeDeleter> update(reinterpret_cast<SectionItemDescriptor*>(lp));
  if (update) ApplyCount(*update);
  return 0;
}

void DhSectionDelegate::ApplyCount(const SectionItemDescriptor& update) {
  if (!m_model.SetCount(update.id, update.count)) return;
  auto it = m_itemById.find(update.id);
  if (it != m_itemById.end()) m_tree.RefreshRow(it->second);
}

void DhSectionDelegate::OnPaint(HDC dc, const RECT& client) { FillRect(dc, &client, m_backgroundBrush.Get()); }

void DhSectionDelegate::OnDestroy() {
  if (m_onClosing) m_onClosing(this);
  // Updates posted before the window left the map would be dropped with it: free them here.
  MSG msg;
  while (PeekMessageW(&msg, Hwnd(), kPaneMessage, kPaneMessage, PM_REMOVE)) {
    // Wine hands out a pending quit message even to a filtered peek: put it back.
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    std::free(reinterpret_cast<void*>(msg.lParam));
  }
}

void DhSectionDelegate::OnFinalMessage(HWND) {
  if (m_onGone) m_onGone(this);
}
