#include "modules/rolodex/DhContactsDelegate.h"

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/rolodex/ContactsMenus.h"
#include "modules/rolodex/RolodexModule.h"

#include <algorithm>
#include <memory>

namespace {

const wchar_t kClassName[] = L"DhContactsDelegate";
const wchar_t kDeleteRequestText[] = L"Delete contacts";
const wchar_t kSelectDialogTitle[] = L"Contacts";
constexpr int kNameColumn = 1;
constexpr int kPhoneColumn = 2;
constexpr COLORREF kLineColor = 0xABABAB;
constexpr COLORREF kMarkedRowColor = RGB(255, 0, 0);
constexpr COLORREF kBackgroundFallback = RGB(0xF7, 0xF7, 0xF7);
constexpr COLORREF kPressedFallback = RGB(0xDC, 0xDC, 0xDC);

COLORREF UrlColor(const char* key, COLORREF fallback) {
  BASUserDefaults* url = BASUserDefaults::GetUserDefaults("url");
  return url ? url->GetRGB(key, fallback) : fallback;
}

SIZE ImageSize(Gdiplus::Bitmap* image) {
  return image ? SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())} : SIZE{0, 0};
}

void MoveTo(HWND hwnd, const RECT& rect, BOOL repaint = TRUE) {
  if (hwnd) MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

// Marks the pane's own changes of the list for as long as it lives.
class ListChange {
 public:
  explicit ListChange(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
  ListChange(const ListChange&) = delete;
  ListChange& operator=(const ListChange&) = delete;
  ~ListChange() { m_flag = m_was; }

 private:
  bool& m_flag;
  bool m_was;
};

int VerticalScrollBarWidth(HWND list) {
  SCROLLBARINFO info{};
  info.cbSize = sizeof info;
  // The bar is hidden until rows overflow, and a hidden bar reports no usable size (Wine reports
  // one wider than any bar): room is kept for it anyway, so its arrival does not bring a
  // horizontal bar along.
  if (GetScrollBarInfo(list, OBJID_VSCROLL, &info) && !(info.rgstate[0] & STATE_SYSTEM_INVISIBLE) &&
      info.dxyLineButton > 0 && info.dxyLineButton <= 20)
    return info.dxyLineButton;
  return GetSystemMetrics(SM_CXVSCROLL);
}

}  // namespace

DhContactsDelegate::~DhContactsDelegate() {
  // A pane destroyed with its window still open never saw WM_DESTROY.
  if (m_loop) m_loop->RemoveMessageFilter(this);
}

bool DhContactsDelegate::CreateIn(HWND parent, CMessageLoop* loop, const ImageCache* images, GoneHandler onGone) {
  m_parent = parent;
  m_images = images;
  m_onGone = onGone;
  RECT client{};
  GetClientRect(parent, &client);
  const RECT rect = PaneRectInParent(client.right, client.bottom);
  if (!Create(parent, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect)) return false;
  if (loop && loop->AddMessageFilter(this)) m_loop = loop;
  return true;
}

bool DhContactsDelegate::OnCreate(CREATESTRUCTW*) {
  BASTrace("DhContactsDelegate: %p", static_cast<void*>(Hwnd()));
  m_background = UrlColor("color:operator:background", kBackgroundFallback);
  m_pressed = UrlColor("color:task:operator:button:pressed", kPressedFallback);
  m_mimeLabels = BuildMimeLabelTable();

  RECT client{};
  GetClientRect(Hwnd(), &client);
  if (!m_list.Create(Hwnd(), client, kContactListId)) return false;
  m_list.SetCheckImages(FindImage(m_images, "common\\content-check-yes.png"),
                        FindImage(m_images, "common\\content-check-no.png"));
  m_list.SetRowColorHook(&DhContactsDelegate::ColorRow, this);
  m_list.SetRowTextHook(&DhContactsDelegate::RowText, this);
  m_backgroundBrush.Reset(CreateSolidBrush(m_background));
  m_panelBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  m_linePen.Reset(CreatePen(PS_SOLID, 1, kLineColor));
  m_toolbarFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_searchFont.Reset(BASUtilityApp::GetFont(19, false, L"Arial"));
  m_headerFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_list.SetRowHeight(60);
  m_list.SetListFont(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_list.Header().SetFont(m_headerFont.Get());
  m_list.InsertColumn(0, L"", 100);
  m_list.InsertColumn(1, L"Name", 195);
  m_list.InsertColumn(2, L"Phone Number", 226);

  m_list.SetDefaultRowImage(FindImage(m_images, "contacts\\content-contacts-list.png"));
  m_portrait = FindImage(m_images, "contacts\\preview-contacts.png");
  Gdiplus::Bitmap* edit = FindImage(m_images, "contacts\\preview-edit.png");
  m_editButtonSize = ImageSize(edit);
  if (m_detailEdit.Create(Hwnd(), kDetailEditButtonId)) {
    m_detailEdit.SetImages(edit, edit);
    // Opaque on the panel's white: the groups line may run on beneath it.
    m_detailEdit.SetBackground(RGB(255, 255, 255));
    SetWindowPos(m_detailEdit.Hwnd(), nullptr, 0, 0, m_editButtonSize.cx, m_editButtonSize.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  const ToolbarLook look{m_background, m_pressed, m_toolbarFont.Get(), m_searchFont.Get()};
  if (!m_toolbar.Create(Hwnd(), m_images, look)) BASTrace("DhContactsDelegate: toolbar incomplete");
  SetCurrentRow(-1);
  return true;
}

void DhContactsDelegate::OnDestroy() {
  if (m_loop) m_loop->RemoveMessageFilter(this);
  m_loop = nullptr;
}

void DhContactsDelegate::OnFinalMessage(HWND) {
  if (m_onGone) m_onGone(this);
}

void DhContactsDelegate::ChangeSize() {
  RECT client{};
  GetClientRect(m_parent, &client);
  const RECT rect = PaneRectInParent(client.right, client.bottom);
  SetWindowPos(Hwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  LayOut();
}

void DhContactsDelegate::Show(bool show) { ShowWindow(Hwnd(), show ? SW_SHOW : SW_HIDE); }

void DhContactsDelegate::LayOut() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  m_layout = ComputePaneLayout(client.right, client.bottom, m_toolbar.SearchButtonSize(), m_editButtonSize);
  if (m_detailEdit.Hwnd())
    SetWindowPos(m_detailEdit.Hwnd(), nullptr, m_layout.detailEditButton.x, m_layout.detailEditButton.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  m_toolbar.Layout(m_layout);
  MoveTo(m_list.Hwnd(), m_layout.list);
  const int listWidth = m_layout.list.right - m_layout.list.left;
  const ColumnWidths columns = ComputeColumnWidths(listWidth, VerticalScrollBarWidth(m_list.Hwnd()));
  for (int i = 0; i < 3; ++i) ListView_SetColumnWidth(m_list.Hwnd(), i, columns.widths[i]);
  BASTrace("rect_list_view_.Width(): %d si.dxyLineButton: %d percent: %f", listWidth, columns.scrollBar,
           columns.percent);
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhContactsDelegate::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_backgroundBrush.Get());
  FillRect(dc, &m_layout.detailPanel, m_panelBrush.Get());
  {
    SelectGuard pen(dc, m_linePen);
    MoveToEx(dc, client.left, kToolbarLineY, nullptr);
    LineTo(dc, client.right, kToolbarLineY);
    MoveToEx(dc, m_layout.detailPanel.left, m_layout.detailPanel.top, nullptr);
    LineTo(dc, m_layout.detailPanel.left, m_layout.detailPanel.bottom);
  }
  if (const ContactRecord* contact = ContactAt(m_currentRow))
    m_detail.Paint(dc, m_layout.detailPanel, *contact, m_portrait, m_mimeLabels, m_groups);
}

void DhContactsDelegate::SetCurrentRow(int row) {
  m_currentRow = row;
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
const std::wstring* DhContactsDelegate::RowText(const BASListView&, int, int column, LPARAM data, void*) {
  const auto* contact = reinterpret_cast<const ContactRecord*>(data);
  if (!contact) return nullptr;
  if (column == kNameColumn) return &contact->name;
  if (column == kPhoneColumn) return &contact->phone;
  return nullptr;
}

ContactRecord* DhContactsDelegate::ContactAt(int row) const {
  if (row < 0 || row >= m_list.RowCount()) return nullptr;
  return reinterpret_cast<ContactRecord*>(m_list.RowData(row));
}

// Only for rows that moved since a request named them: a walk over the list.
int DhContactsDelegate::RowOf(const ContactRecord* contact) const {
  const int count = m_list.RowCount();
  for (int row = 0; row < count; ++row)
    if (ContactAt(row) == contact) return row;
  return -1;
}

int DhContactsDelegate::AddRow(int at, ContactRecord* contact) {
  return m_list.InsertRow(at, {}, reinterpret_cast<LPARAM>(contact));
}

void DhContactsDelegate::SelectFirstRow() {
  ListChange change(m_changingList);
  m_list.SetChecked(0, true);
  m_list.SelectFirst();
  SetCurrentRow(0);
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
      record->payload = RunContactSelectDialog(Hwnd(), kSelectDialogTitle, m_contacts.Contacts());
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
  if (atTop && m_currentRow >= 0) SetCurrentRow(m_currentRow + added);
  // The detail panel changes only with the current contact: a long load's batches do not
  // repaint it each time.
  if (m_list.SelectedCount() == 0 && m_list.RowCount() > 0) SelectFirstRow();
}

// The host hands back a saved copy: the pane's own record takes its contents, so rows, search
// and detail panel all show what was saved.
void DhContactsDelegate::ReplaceContact(const ContactRecord* saved) {
  if (!saved) return;
  const int named = saved->rowIndex;
  ContactRecord* mine = ContactAt(named);
  if (!mine || mine->identifier != saved->identifier) mine = m_contacts.FirstWithIdentifier(saved->identifier);
  if (!mine) return;
  const int row = ContactAt(named) == mine ? named : RowOf(mine);
  if (mine != saved) *mine = *saved;
  m_contacts.Refresh(mine);
  // The row shows the record's own texts.
  if (row >= 0) m_list.RefreshRow(row);
  if (row == m_currentRow) InvalidateDetail();
}

void DhContactsDelegate::RemoveContact(const ContactRecord* gone) {
  if (!gone) return;
  ContactRecord* mine = m_contacts.FirstWithIdentifier(gone->identifier);
  if (!mine) return;
  const int named = gone->rowIndex;
  // The named row must hold that contact: any other row would be left pointing at a freed one.
  const int row = ContactAt(named) == mine ? named : RowOf(mine);
  if (row >= 0) {
    if (row < m_currentRow) {
      SetCurrentRow(m_currentRow - 1);
    } else if (row == m_currentRow) {
      SetCurrentRow(-1);
      InvalidateDetail();
    }
    // The list repaints from the removed row down, numbers included; a delete of thousands far
    // below the visible rows repaints none of them.
    ListChange change(m_changingList);
    m_list.DeleteRow(row);
  }
  m_contacts.TakeFirstWithIdentifier(gone->identifier);
  // The host frees the record it sent; a different record of the same contact is ours to free.
  if (mine != gone) delete mine;
}

void DhContactsDelegate::ClearData() {
  SetCurrentRow(-1);
  ListChange change(m_changingList);
  m_list.DeleteAllRows();
  m_contacts.Clear();
  InvalidateDetail();
}

ContactList* DhContactsDelegate::CheckedContacts() const {
  auto checked = std::make_unique<ContactList>();
  const int count = m_list.RowCount();
  for (int row = 0; row < count; ++row)
    if (m_list.IsChecked(row))
      if (ContactRecord* contact = ContactAt(row)) checked->push_back(contact);
  return checked.release();
}

void DhContactsDelegate::EndOfSave(int64_t value, int64_t token) {
  // Saves of imports, or of an editor closed before its answer came, must not end another.
  if (m_editorToken == 0 || token != m_editorToken) return;
  notify(0, static_cast<int32_t>(value));
}

void DhContactsDelegate::PostReset(int64_t value) {
  PostMessageW(Hwnd(), kPaneMessage, kUpdateNothing, static_cast<LPARAM>(static_cast<uint32_t>(value)));
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

void DhContactsDelegate::Search() {
  const std::vector<ContactRecord*> found = m_contacts.Matching(LowerCased(m_toolbar.SearchText()));
  ListChange change(m_changingList);
  m_list.DeleteAllRows();
  m_list.ReserveRows(found.size());
  for (ContactRecord* contact : found) AddRow(m_list.RowCount(), contact);
  if (m_list.RowCount() > 0)
    SelectFirstRow();
  else
    SetCurrentRow(-1);
  InvalidateDetail();
}

BOOL DhContactsDelegate::PreTranslateMessage(MSG* msg) {
  try {
    const HWND edit = m_toolbar.SearchEdit();
    if (msg && edit && msg->hwnd == edit && msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) {
      Search();
      return TRUE;
    }
  } catch (...) {
    BASTrace("DhContactsDelegate: search failed");
  }
  return FALSE;
}

bool DhContactsDelegate::OnNotify(NMHDR* header, LRESULT&) {
  if (header->idFrom != kContactListId || header->hwndFrom != m_list.Hwnd()) return false;
  if (header->code == LVN_ITEMCHANGED) {
    // However the highlight moved (keys, or the control on its own), the detail panel shows the
    // focused, highlighted row; moves the pane makes itself set the current row themselves.
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    const UINT both = LVIS_FOCUSED | LVIS_SELECTED;
    if (!m_changingList && change->iItem >= 0 && (change->uChanged & LVIF_STATE) &&
        (change->uNewState & both) == both && (change->uOldState & both) != both && change->iItem != m_currentRow)
      SetCurrentRow(change->iItem);
    return false;
  }
  if (header->code == NM_DBLCLK) {
    // The editor opens once the list has finished with its double-click.
    const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
    if (row >= 0 && row < m_list.RowCount()) {
      if (row != m_currentRow) SetCurrentRow(row);
      PostMessageW(Hwnd(), WM_COMMAND, MAKEWPARAM(kDetailEditButtonId, BN_CLICKED), 0);
    }
    return false;
  }
  if (header->code != NM_CLICK) return false;
  m_list.FollowSelection();
  const int row = reinterpret_cast<NMITEMACTIVATE*>(header)->iItem;
  if (row >= 0 && row < m_list.RowCount() && row != m_currentRow) SetCurrentRow(row);
  // The list sees its own click as well.
  return false;
}

LRESULT DhContactsDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg != kPaneMessage) return BASWindow::HandleMessage(msg, wp, lp, handled);
  handled = true;
  // Code 3 carries a plain number, not a record.
  if (wp <= kUpdateSelectDialog && wp != kUpdateNothing) Update(wp, reinterpret_cast<CommandRecord*>(lp));
  return 0;
}

bool DhContactsDelegate::OnCommand(int id, int, HWND) {
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
      PostRequest(kContactRequestLoad, record);
      break;
    }
    case kSearchButtonId:
      Search();
      break;
    default:
      return false;
  }
  m_toolbar.Release(static_cast<UINT>(id));
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

void DhContactsDelegate::Edit() {
  ContactRecord* contact = ContactAt(m_currentRow);
  if (!contact) {
    CommandRecord record;
    PostRequest(kContactRequestNothingChecked, record);
    return;
  }
  contact->rowIndex = m_currentRow;
  contact->editState = kEditChanged;
  OpenEditor(contact);
}

void DhContactsDelegate::RequestDelete() {
  auto checked = std::make_unique<ContactList>();
  for (int row = m_list.RowCount() - 1; row >= 0; --row) {
    ContactRecord* contact = m_list.IsChecked(row) ? ContactAt(row) : nullptr;
    if (!contact) continue;
    contact->rowIndex = row;
    checked->push_back(contact);
  }
  CommandRecord record;
  record.text = kDeleteRequestText;
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked.release();
  PostRequest(kContactRequestDelete, record);
}

void DhContactsDelegate::RequestExport() {
  const ContactsMenuEntry* choice = RunContactsMenu(ExportMenuEntries(), m_toolbar.Button(kExportButtonId), Hwnd());
  if (!choice) return;
  ContactList* checked = CheckedContacts();
  CommandRecord record;
  record.text = choice->text;
  record.value = choice->id;
  record.count = static_cast<int64_t>(checked->size());
  record.data = checked;
  PostRequest(kContactRequestExport, record);
}

void DhContactsDelegate::RequestImport() {
  const ContactsMenuEntry* choice = RunContactsMenu(ImportMenuEntries(), m_toolbar.Button(kImportButtonId), Hwnd());
  if (!choice) return;
  CommandRecord record;
  record.text = choice->text;
  record.value = choice->id;
  PostRequest(kContactRequestImport, record);
}

void DhContactsDelegate::PostRequest(int64_t code, CommandRecord& record) {
  record.code = code;
  record.window = Hwnd();
  const ModuleRecord* module = RolodexModuleRecord();
  if (module && module->hostEntry) {
    PostToHost(*module, record, kRolodexDoContact);
    return;
  }
  delete static_cast<ContactList*>(record.data);
}
