#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "kit/BASContentPane.h"
#include "kit/BASImgButton.h"
#include "kit/GdiHandles.h"
#include "modules/rolodex/ContactDetailPanel.h"
#include "modules/rolodex/ContactDialogs.h"
#include "modules/rolodex/ContactSet.h"
#include "modules/rolodex/ContactsLayout.h"
#include "modules/rolodex/ContactsToolbar.h"

#include <cstdint>

// The contacts pane's own update code of the pane message, past the shared ones.
constexpr WPARAM kUpdateSelectDialog = 5;

// One phone's contacts pane: toolbar, the checkable list and the detail panel of the current
// contact. It owns the contacts the host streams into it and asks the host for every operation
// on them. Its subject passes the host's end-of-save notice on to an open editor.
class DhContactsDelegate : public BASContentPane {
 public:
  DhContactsDelegate();
  ~DhContactsDelegate() override;

  void LayOut() override;
  void Update(WPARAM code, CommandRecord* record) override;
  void* NewCheckedList() const override;
  // A heap vector of the checked rows' contacts (which stay the pane's), top row first.
  ContactList* CheckedContacts() const;
  // The host's answer to a save; only that of the open editor's own save reaches it.
  void EndOfSave(int64_t value, int64_t token);
  void SetGroups(const GroupList* groups);
  void SetAccounts(const AccountList* accounts);
  void SetTypeLabels(const TypeLabelList* labels);

 protected:
  bool CreateExtras() override;
  RECT ListRect(int width, int height) const override;
  std::vector<LPARAM> Matching(const std::wstring& lowered) const override;
  const std::wstring* CellText(int column, LPARAM data) const override;
  void ClearRecords() override;
  bool OnToolbarCommand(int id) override;
  void SetCurrentRow(int row) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;

 private:
  static void ColorRow(HDC dc, BASListView& list, int row, void* context);

  ContactRecord* ContactAt(int row) const { return reinterpret_cast<ContactRecord*>(DataAt(row)); }
  int AddRow(int at, ContactRecord* contact);
  void AddContacts(const ContactList* batch, bool atTop);
  void ReplaceContact(const ContactRecord* saved);
  void RemoveContact(const ContactRecord* gone);
  void InvalidateDetail();

  void OpenEditor(ContactRecord* contact);
  void Edit();
  void RequestDelete();
  void RequestExport();
  void RequestImport();
  // `code` request with the fields already set in `record`; a checked list in `data` is freed
  // when there is no host to take it.
  void PostContactRequest(int64_t code, CommandRecord& record);

  ContactSet m_contacts;
  GroupList m_groups;
  AccountList m_accounts;
  TypeLabelIndex m_typeLabels;
  MimeLabelTable m_mimeLabels;

  GdiBrush m_panelBrush;
  ContactDetailPanel m_detail;
  Gdiplus::Bitmap* m_portrait = nullptr;
  SIZE m_editButtonSize{0, 0};
  PaneLayout m_layout{};

  ContactsToolbarLead m_toolbarLead;
  BASImgButton m_detailEdit;
  int64_t m_lastSaveToken = 0;
  int64_t m_editorToken = 0;  // of the editor open now, 0 when none
};
