#include "modules/rolodex/ContactsToolbar.h"

const std::vector<PaneToolbarButton>& ContactsToolbarButtons() {
  static const std::vector<PaneToolbarButton> buttons = {
      {kNewButtonId, L"New", "common\\button\\operate-add-pressed.png", "common\\button\\operate-add-normal.png"},
      {kEditButtonId, L"Edit", "common\\button\\operate-edit-pressed.png", "common\\button\\operate-edit-normal.png"},
      {kDeleteButtonId, L"Delete", "common\\button\\operate-delete-pressed.png",
       "common\\button\\operate-delete-normal.png"},
      {kExportButtonId, L"Export", "common\\button\\operate-export-pressed.png",
       "common\\button\\operate-export-normal.png"},
      {kImportButtonId, L"Import", "common\\button\\operate-import-pressed.png",
       "common\\button\\operate-import-normal.png"},
      {kRefreshButtonId, L"Refresh", "common\\button\\operate-refresh-pressed.png",
       "common\\button\\operate-refresh-normal.png"},
  };
  return buttons;
}

bool ContactsToolbarLead::Create(HWND pane, const ImageCache* images) {
  Gdiplus::Bitmap* expand = FindImage(images, "contacts\\operate-expand-normal.png");
  if (!m_expand.Create(pane, kExpandButtonId)) return false;
  m_expand.SetImages(expand, FindImage(images, "contacts\\operate-expand-pressed.png"));
  const SIZE expandSize = BitmapSize(expand);
  MoveWindow(m_expand.Hwnd(), 8, 8, expandSize.cx, expandSize.cy, FALSE);
  m_separator = CreateGrayLine(pane, RECT{29, 4, 30, 26});
  return true;
}
