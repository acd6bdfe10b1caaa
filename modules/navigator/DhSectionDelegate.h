#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/Sections.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/navigator/BASTreeViewSection.h"
#include "modules/navigator/SectionTreeModel.h"

#include <cstdint>
#include <map>

// One phone's navigator: the pane at the left of its wizard window, holding the section tree.
// It tells the host of every change of selection and applies count updates that other threads
// post to it.
class DhSectionDelegate : public BASWindow {
 public:
  static constexpr int kWidth = 216;
  static constexpr int kTreeTop = 4;
  static constexpr int kTreeBottomMargin = 60;  // below the tree until the first resize

  // Called as the window goes (WM_DESTROY: no more posts may reach it) and after it has gone
  // (the owner may delete the pane there).
  typedef void (*LifetimeHandler)(DhSectionDelegate* pane);

  DhSectionDelegate() = default;

  // Hidden, at the parent's left edge, 1 pixel below its top and 2 shorter than its client.
  bool CreateIn(HWND parent, const ImageCache* images, LifetimeHandler onClosing, LifetimeHandler onGone);
  // Once, right after creation.
  void InsertSections(const SectionList& list);
  // To 216 x (parent client height - 2) in place, the tree filling it below its top offset.
  void ChangeSize();
  void Show(bool show);
  // Selects the row of the lowest id afresh, so the host always hears of it.
  void SelectFirst();
  // Selects the row of `id` as a click would; an unknown id changes nothing.
  void SelectSection(int32_t id);
  HWND Parent() const { return m_parent; }

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnDestroy() override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  void ApplyCount(const SectionItemDescriptor& update);
  void ReportSelection(HTREEITEM previous);
  int32_t IdOf(HTREEITEM item) const;

  HWND m_parent = nullptr;
  const ImageCache* m_images = nullptr;
  LifetimeHandler m_onClosing = nullptr;
  LifetimeHandler m_onGone = nullptr;
  COLORREF m_background = 0;
  GdiBrush m_backgroundBrush;
  std::map<HTREEITEM, int32_t> m_idByItem;
  std::map<int32_t, HTREEITEM> m_itemById;  // ordered: its first entry is the lowest id
  // The tree holds pointers into the model, so it is declared after it and goes first.
  SectionTreeModel m_model;
  BASTreeViewSection m_tree;
};
