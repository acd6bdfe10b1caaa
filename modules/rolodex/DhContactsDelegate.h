#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "contracts/MessageLoop.h"
#include "kit/BASImgButton.h"
#include "kit/BASListView.h"
#include "kit/BASObserver.h"
#include "kit/BASSubject.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/rolodex/ContactDetailPanel.h"
#include "modules/rolodex/ContactDialogs.h"
#include "modules/rolodex/ContactSet.h"
#include "modules/rolodex/ContactsLayout.h"
#include "modules/rolodex/ContactsToolbar.h"

#include <cstdint>

// Update codes of the pane message (wParam; lParam is the command record).
enum ContactsUpdate : WPARAM {
  kUpdateAppend = 0,
  kUpdateInsertTop = 1,
  kUpdateReplace = 2,
  kUpdateNothing = 3,
  kUpdateRemove = 4,
  kUpdateSelectDialog = 5,
};

// One phone's contacts pane: toolbar, the checkable list and the detail panel of the current
// contact. It owns the contacts the host streams into it and asks the host for every operation
// on them. Its subject passes the host's end-of-save notice on to an open editor.
class DhContactsDelegate : public BASWindow, public CMessageFilter, public BASSubject, public BASObserver {
 public:
  // Called after the window has gone; the owner may delete the pane there.
  typedef void (*GoneHandler)(DhContactsDelegate* pane);

  DhContactsDelegate() = default;
  ~DhContactsDelegate() override;

  // Hidden, at its place in `parent`; filters the keyboard messages of `loop` (may be null).
  bool CreateIn(HWND parent, CMessageLoop* loop, const ImageCache* images, GoneHandler onGone);
  HWND Parent() const { return m_parent; }

  void ChangeSize();
  void Show(bool show);
  void LayOut();

  // Runs one update code with its record, as the pane message does.
  void Update(WPARAM code, CommandRecord* record);
  void ClearData();
  // A heap vector of the checked rows' contacts (which stay the pane's), top row first.
  ContactList* CheckedContacts() const;
  // The host's answer to a save; only that of the open editor's own save reaches it.
  void EndOfSave(int64_t value, int64_t token);
  void PostReset(int64_t value);
  int64_t ListTaskId() const { return m_listTaskId; }
  void SetListTaskId(int64_t id) { m_listTaskId = id; }
  void SetGroups(const GroupList* groups);
  void SetAccounts(const AccountList* accounts);
  void SetTypeLabels(const TypeLabelList* labels);

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnDestroy() override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  static void ColorRow(HDC dc, BASListView& list, int row, void* context);
  static const std::wstring* RowText(const BASListView& list, int row, int column, LPARAM data, void* context);

  ContactRecord* ContactAt(int row) const;
  int RowOf(const ContactRecord* contact) const;
  int AddRow(int at, ContactRecord* contact);
  void AddContacts(const ContactList* batch, bool atTop);
  void ReplaceContact(const ContactRecord* saved);
  void RemoveContact(const ContactRecord* gone);
  void SelectFirstRow();
  void SetCurrentRow(int row);
  void InvalidateDetail();
  void Search();

  void OpenEditor(ContactRecord* contact);
  void Edit();
  void RequestDelete();
  void RequestExport();
  void RequestImport();
  // `code` request with the fields already set in `record`; a checked list in `data` is freed
  // when there is no host to take it.
  void PostRequest(int64_t code, CommandRecord& record);

  HWND m_parent = nullptr;
  CMessageLoop* m_loop = nullptr;
  const ImageCache* m_images = nullptr;
  GoneHandler m_onGone = nullptr;
  int64_t m_listTaskId = 0;
  int64_t m_lastSaveToken = 0;
  int64_t m_editorToken = 0;  // of the editor open now, 0 when none
  int32_t m_currentRow = -1;
  // Set while the pane itself changes the list's rows or selection.
  bool m_changingList = false;
  // Declared before the list, so the rows that point into it go first.
  ContactSet m_contacts;
  GroupList m_groups;
  AccountList m_accounts;
  TypeLabelIndex m_typeLabels;
  MimeLabelTable m_mimeLabels;

  COLORREF m_background = 0;
  COLORREF m_pressed = 0;
  GdiBrush m_backgroundBrush;
  GdiBrush m_panelBrush;
  GdiPen m_linePen;
  // Borrowed by the controls below, so declared before them.
  GdiFont m_toolbarFont;
  GdiFont m_searchFont;
  GdiFont m_headerFont;
  ContactDetailPanel m_detail;

  Gdiplus::Bitmap* m_portrait = nullptr;
  SIZE m_editButtonSize{0, 0};
  PaneLayout m_layout{};

  ContactsToolbar m_toolbar;
  BASImgButton m_detailEdit;
  BASListView m_list;
};
