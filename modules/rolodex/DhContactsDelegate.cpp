#include "modules/rolodex/DhContactsDelegate.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/rolodex/ContactsMenus.h"

#include <algorithm>
#include <memory>

namespace {

const wchar_t kDeleteRequestText[] = L"Delete contacts";
const wchar_t kSelectDialogTitle[] = L"Contacts";
constexpr int kNameColumn = 1;
constexpr int kPhoneColumn = 2;
constexpr COLORREF kMarkedRowColor = RGB(255, 0, 0);

PaneDescription ContactsPaneSpec() {
  PaneDescription description;
  description.className = L"DhContactsDelegate";
  description.traceName = "DhContactsDelegate";
  description.requestCommand = kRolodexDoContact;
  description.listId = kContactListId;
  description.columns = {{L"", 100, 10}, {L"Name", 195, 50}, {L"Phone Number", 226, 40}};
  description.buttons = ContactsToolbarButtons();
  description.firstButtonX = kContactsFirstButtonX;
  description.searchEditId = kSearchEditId;
  description.searchButtonId = kSearchButtonId;
  description.lastUpdateCode = kUpdateSelectDialog;
  return description;
}

}  // namespace

DhContactsDelegate::DhContactsDelegate() : BASContentPane(ContactsPaneSpec()) {}

DhContactsDelegate::~DhContactsDelegate() = default;

bool DhContactsDelegate::CreateExtras() {
  m_mimeLabels = BuildMimeLabelTable();
  m_list.SetRowColorHook(&DhContactsDelegate::ColorRow, this);
  m_panelBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  m_list.SetDefaultRowImage(FindImage(Images(), "contacts\\content-contacts-list.png"));
  m_portrait = FindImage(Images(), "contacts\\preview-contacts.png");
  Gdiplus::Bitmap* edit = FindImage(Images(), "contacts\\preview-edit.png");
  m_editButtonSize = BitmapSize(edit);
  if (m_detailEdit.Create(Hwnd(), kDetailEditButtonId)) {
    m_detailEdit.SetImages(edit, edit);
    // Opaque on the panel's white: the groups line may run on beneath it.
    m_detailEdit.SetBackground(RGB(255, 255, 255));
    SetWindowPos(m_detailEdit.Hwnd(), nullptr, 0, 0, m_editButtonSize.cx, m_editButtonSize.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!m_toolbarLead.Create(Hwnd(), Images())) BASTrace("DhContactsDelegate: toolbar incomplete");
  return true;
}

void DhContactsDelegate::LayOut() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  m_layout = ComputePaneLayout(client.right, client.bottom, m_toolbar.SearchButtonSize(), m_editButtonSize);
  if (m_detailEdit.Hwnd())
    SetWindowPos(m_detailEdit.Hwnd(), nullptr, m_layout.detailEditButton.x, m_layout.detailEditButton.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  BASContentPane::LayOut();
}

RECT DhContactsDelegate::ListRect(int width, int height) const {
  return ComputePaneLayout(width, height, SIZE{0, 0}, SIZE{0, 0}).list;
}

void DhContactsDelegate::OnPaint(HDC dc, const RECT& client) {
  BASContentPane::OnPaint(dc, client);
  FillRect(dc, &m_layout.detailPanel, m_panelBrush.Get());
  {
    SelectGuard pen(dc, m_linePen);
    MoveToEx(dc, m_layout.detailPanel.left, m_layout.detailPanel.top, nullptr);
    LineTo(dc, m_layout.detailPanel.left, m_layout.detailPanel.bottom);
  }
  if (const ContactRecord* contact = ContactAt(CurrentRow()))
    m_detail.Paint(dc, m_layout.detailPanel, *contact, m_portrait, m_mimeLabels, m_groups);
}

void DhContactsDelegate::SetCurrentRow(int row) {
  BASContentPane::SetCurrentRow(row);
  // The detail panel's pencil edits the contact it shows: with no contact there is none.
  if (m_detailEdit.Hwnd()) ShowWindow(m_detailEdit.Hwnd(), ContactAt(row) ? SW_SHOWNA : SW_HIDE);
  InvalidateDetail();
}

void DhContactsDelegate::InvalidateDetail() { InvalidateRect(Hwnd(), &m_layout.detailPanel, FALSE); }

void DhContactsDelegate::ColorRow(HDC dc, BASListView& list, int row, void*) {
  const auto* contact = reinterpret_cast<const ContactRecord*>(list.RowData(row));
  if (contact && contact->marker != 0) SetTextColor(dc, kMarkedRowColor);
}

// Rows show their contacts' own name and phone: 50,000 rows keep no copies of them.
const std::wstring* DhContactsDelegate::CellText(int column, LPARAM data) const {
  const auto* contact = reinterpret_cast<const ContactRecord*>(data);
  if (column == kNameColumn) return &contact->name;
  if (column == kPhoneColumn) return &contact->phone;
  return nullptr;
}

int DhContactsDelegate::AddRow(int at, ContactRecord* contact) {
  return m_list.InsertRow(at, {}, reinterpret_cast<LPARAM>(contact));
}

void DhContactsDelegate::Update(WPARAM code, CommandRecord* record) {
  if (code == kUpdateNothing || !record) return;
  switch (code) {
    case kUpdateAppend:
    case kUpdateInsertTop:
      AddContacts(static_cast<const ContactList*>(record->payload), code == kUpdateInsertTop);
      break;
    case kUpdateReplace:
      ReplaceContact(static_cast<const ContactRecord*>(record->payload));
      break;
    case kUpdateRemove:
      RemoveContact(static_cast<const ContactRecord*>(record->payload));
      break;
    case kUpdateSelectDialog:
      record->payload = RunContactSelectDialog(Hwnd(), kSelectDialogTitle, m_contacts.Contacts(), Images());
      break;
    default:
      break;
  }
}

void DhContactsDelegate::AddContacts(const ContactList* batch, bool atTop) {
  if (!batch) return;
  int added = 0;
  ListChange change(m_changingList);
  m_contacts.Reserve(batch->size());
  m_list.ReserveRows(static_cast<size_t>(m_list.RowCount()) + batch->size());
  for (ContactRecord* contact : *batch) {
    // A record the pane already holds would be freed twice.
    if (!m_contacts.Add(contact)) continue;
    if (AddRow(atTop ? 0 : m_list.RowCount(), contact) >= 0) ++added;
  }
  // Rows put above the current one move it down: it stays on the same contact.
  if (atTop && CurrentRow() >= 0) SetCurrentRow(CurrentRow() + added);
  // The detail panel changes only with the current contact: a long load's batches do not
  // repaint it each time.
  SelectFirstRowIfNone();
}

// The host hands back a saved copy: the pane's own record takes its contents, so rows, search
// and detail panel all show what was saved.
void DhContactsDelegate::ReplaceContact(const ContactRecord* saved) {
  if (!saved) return;
  const int named = saved->rowIndex;
  ContactRecord* mine = ContactAt(named);
  if (!mine || mine->identifier != saved->identifier) mine = m_contacts.FirstWithIdentifier(saved->identifier);
  if (!mine) return;
  const int row = ContactAt(named) == mine ? named : RowOf(reinterpret_cast<LPARAM>(mine));
  if (mine != saved) *mine = *saved;
  m_contacts.Refresh(mine);
  // The row shows the record's own texts.
  if (row >= 0) m_list.RefreshRow(row);
  if (row == CurrentRow()) InvalidateDetail();
}

void DhContactsDelegate::RemoveContact(const ContactRecord* gone) {
  if (!gone) return;
  ContactRecord* mine = m_contacts.FirstWithIdentifier(gone->identifier);
  if (!mine) return;
  // The list repaints from the removed row down, numbers included; a delete of thousands far
  // below the visible rows repaints none of them.
  const int current = CurrentRow();
  const int row = RemoveRowOf(reinterpret_cast<LPARAM>(mine), gone->rowIndex);
  if (row >= 0 && row == current) InvalidateDetail();
  m_contacts.TakeFirstWithIdentifier(gone->identifier);
  // The host frees the record it sent; a different record of the same contact is ours to free.
  if (mine != gone) delete mine;
}

void DhContactsDelegate::ClearRecords() {
  m_contacts.Clear();
  InvalidateDetail();
}

ContactList* DhContactsDelegate::CheckedContacts() const { return CheckedItems<ContactRecord>(false).release(); }

void* DhContactsDelegate::NewCheckedList() const {
  std::unique_ptr<ContactList> checked = CheckedItems<ContactRecord>(false);
  return checked->empty() ? nullptr : checked.release();
}

void DhContactsDelegate::SetGroups(const GroupList* groups) {
  if (!groups) return;
  m_groups = *groups;
  InvalidateDetail();
}

void DhContactsDelegate::SetAccounts(const AccountList* accounts) {
  if (accounts) m_accounts = *accounts;
}

void DhContactsDelegate::SetTypeLabels(const TypeLabelList* labels) {
  if (!labels) return;
  m_typeLabels.clear();
  for (TypeLabelRecord* label : *labels)
    if (label) m_typeLabels[label->mimetype] = label;
}

std::vector<LPARAM> DhContactsDelegate::Matching(const std::wstring& lowered) const {
  const std::vector<ContactRecord*> found = m_contacts.Matching(lowered);
  std::vector<LPARAM> rows;
  rows.reserve(found.size());
  for (ContactRecord* contact : found) rows.push_back(reinterpret_cast<LPARAM>(contact));
  return rows;
}

bool DhContactsDelegate::OnToolbarCommand(int id) {
  switch (id) {
    case kNewButtonId:
      OpenEditor(nullptr);
      break;
    case kEditButtonId:
    case kDetailEditButtonId:
      Edit();
      break;
    case kDeleteButtonId:
      RequestDelete();
      break;
    case kExportButtonId:
      RequestExport();
      break;
    case kImportButtonId:
      RequestImport();
      break;
    case kRefreshButtonId: {
      CommandRecord record;
      PostContactRequest(kContactRequestLoad, record);
      break;
    }
    default:
      return false;
  }
  return true;
}

void DhContactsDelegate::OpenEditor(ContactRecord* contact) {
  ContactEditorRequest request;
  request.pane = Hwnd();
  request.accounts = &m_accounts;
  request.typeLabels = &m_typeLabels;
  request.groups = &m_groups;
  request.editMode = contact != nullptr;
  request.title = contact ? L"Edit" : L"New";
  request.contact = contact;
  request.portrait = m_portrait;
  request.subject = this;
  request.saveToken = m_editorToken = ++m_lastSaveToken;
  RunContactEditor(request);
  m_editorToken = 0;
}

void DhContactsDelegate::EndOfSave(int64_t value, int64_t token) {
  // Saves of imports, or of an editor closed before its answer came, must not end another.
  if (m_editorToken == 0 || token != m_editorToken) return;
  OperationEnded(value);
}

void DhContactsDelegate::OpenRowMenu(int row) {
  // A right-click on a row outside the checked ones makes it the one row worked on.
  if (row >= 0 && row < m_list.RowCount() && !m_list.IsChecked(row)) {
    {
      ListChange change(m_changingList);
      ListView_SetItemState(m_list.Hwnd(), -1, 0, LVIS_SELECTED);
      ListView_SetItemState(m_list.Hwnd(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
      m_list.FollowSelection();
    }
    SetCurrentRow(row);
  }
  enum : UINT { kNew = 1, kEdit, kDelete, kRefresh, kExportFirst = 100 };
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return;
  AppendMenuW(menu.get(), MF_STRING, kNew, L"New");
  AppendMenuW(menu.get(), MF_STRING | (ContactAt(CurrentRow()) ? 0 : MF_GRAYED), kEdit, L"Edit");
  AppendMenuW(menu.get(), MF_STRING, kDelete, L"Delete");
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  const std::vector<ContactsMenuEntry>& exports = ExportMenuEntries();
  for (size_t i = 0; i < exports.size(); ++i)
    AppendMenuW(menu.get(), MF_STRING, kExportFirst + static_cast<UINT>(i), exports[i].text);
  AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
  AppendMenuW(menu.get(), MF_STRING, kRefresh, L"Refresh");
  POINT at{};
  GetCursorPos(&at);
  const UINT choice = static_cast<UINT>(TrackPopupMenu(
      menu.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, Hwnd(), nullptr));
  if (choice >= kExportFirst && choice < kExportFirst + exports.size()) {
    RequestExport(exports[choice - kExportFirst]);
    return;
  }
  const UINT commands[] = {0, kNewButtonId, kEditButtonId, kDeleteButtonId, kRefreshButtonId};
  if (choice >= kNew && choice <= kRefresh) OnToolbarCommand(static_cast<int>(commands[choice]));
}

bool DhContactsDelegate::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->hwndFrom == m_list.Hwnd() && header->code == NM_RCLICK) {
    OpenRowMenu(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
    result = 1;
    return true;
  }
  if (header->hwndFrom == m_list.Hwnd() && header->code == NM_DBLCLK) {
    // The editor opens once the list has finished with its double-click.
    const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    if (row >= 0 && row < m_list.RowCount()) {
      if (row != CurrentRow()) SetCurrentRow(row);
      PostMessageW(Hwnd(), WM_COMMAND, MAKEWPARAM(kDetailEditButtonId, BN_CLICKED), 0);
    }
    return false;
  }
  return BASContentPane::OnNotify(header, result);
}

void DhContactsDelegate::Edit() {
  ContactRecord* contact = ContactAt(CurrentRow());
  if (!contact) {
    CommandRecord record;
    PostContactRequest(kContactRequestNothingChecked, record);
    return;
  }
  contact->rowIndex = CurrentRow();
  contact->editState = kEditChanged;
  OpenEditor(contact);
}

void DhContactsDelegate::RequestDelete() {
  std::unique_ptr<ContactList> checked = CheckedItems<ContactRecord>(true);
  CommandRecord record;
  record.text = kDeleteRequestText;
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked.release();
  PostContactRequest(kContactRequestDelete, record);
}

void DhContactsDelegate::RequestExport() {
  const ContactsMenuEntry* choice = RunContactsMenu(ExportMenuEntries(), m_toolbar.Button(kExportButtonId), Hwnd());
  if (choice) RequestExport(*choice);
}

void DhContactsDelegate::RequestExport(const ContactsMenuEntry& choice) {
  ContactList* checked = CheckedContacts();
  CommandRecord record;
  record.text = choice.text;
  record.value = choice.id;
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked;
  PostContactRequest(kContactRequestExport, record);
}

void DhContactsDelegate::RequestImport() {
  const ContactsMenuEntry* choice = RunContactsMenu(ImportMenuEntries(), m_toolbar.Button(kImportButtonId), Hwnd());
  if (!choice) return;
  CommandRecord record;
  record.text = choice->text;
  record.value = choice->id;
  PostContactRequest(kContactRequestImport, record);
}

void DhContactsDelegate::PostContactRequest(int64_t code, CommandRecord& record) {
  if (!PostRequest(code, record)) delete static_cast<ContactList*>(record.data);
}
