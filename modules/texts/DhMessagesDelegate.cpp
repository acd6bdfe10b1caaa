#include "modules/texts/DhMessagesDelegate.h"

#include <algorithm>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/texts/TextsModule.h"

namespace {

const wchar_t kClassName[] = L"DhMessagesDelegate";
constexpr int kPaneLeft = 217;
constexpr int kToolbarLine = 30;
constexpr int kNameColumn = 1;
constexpr int kMessageColumn = 2;
constexpr int kDateColumn = 3;
constexpr int kCountColumn = 4;
constexpr COLORREF kLineColor = 0xABABAB;
constexpr COLORREF kUnreadColor = RGB(0x0B, 0x5C, 0xB5);
constexpr COLORREF kBackgroundFallback = RGB(0xF7, 0xF7, 0xF7);
constexpr COLORREF kPressedFallback = RGB(0xDC, 0xDC, 0xDC);
const wchar_t kMarkReadTitle[] = L"Mark as Read";

struct ToolbarButton {
  UINT id;
  const wchar_t* text;
  const char* normal;
  const char* pressed;
};

const ToolbarButton kToolbar[5] = {
    {kTextsNewButtonId, L"New Message", "common\\button\\operate-add-normal.png",
     "common\\button\\operate-add-pressed.png"},
    {kTextsDeleteButtonId, L"Delete", "common\\button\\operate-delete-normal.png",
     "common\\button\\operate-delete-pressed.png"},
    {kTextsExportButtonId, L"Export", "common\\button\\operate-export-normal.png",
     "common\\button\\operate-export-pressed.png"},
    {kTextsImportButtonId, L"Import", "common\\button\\operate-import-normal.png",
     "common\\button\\operate-import-pressed.png"},
    {kTextsRefreshButtonId, L"Refresh", "common\\button\\operate-refresh-normal.png",
     "common\\button\\operate-refresh-pressed.png"},
};

struct MenuEntry {
  UINT id;
  const wchar_t* text;
};

// The device service's export kinds, by their sub-kind number.
const MenuEntry kExportMenu[] = {
    {1, L"Backup to Bak File"},
    {2, L"Export to Html"},
    {3, L"Export to Text"},
    {4, L"Export to CSV"},
    {5, L"Export to XML (SMS backup apps)"},
    {6, L"Export each conversation to Html"},
    {7, L"Export each conversation to Text"},
    {8, L"Export each conversation to CSV"},
    {9, L"Backup all conversations"},
};

COLORREF UrlColor(const char* key, COLORREF fallback) {
  BASUserDefaults* url = BASUserDefaults::GetUserDefaults("url");
  return url ? url->GetRGB(key, fallback) : fallback;
}

void MoveTo(HWND hwnd, const RECT& rect, BOOL repaint = TRUE) {
  if (hwnd) MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}

HWND CreateGrayLine(HWND parent) {
  return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | SS_GRAYRECT, 0, 0, 0, 0, parent,
                         nullptr, BASWindow::ModuleInstance(), nullptr);
}

RECT PaneRect(HWND parent) {
  RECT client{};
  GetClientRect(parent, &client);
  return RECT{kPaneLeft, 1, std::max<LONG>(kPaneLeft, client.right), std::max<LONG>(1, client.bottom - 1)};
}

int ListRight(int width) { return std::clamp(width * 46 / 100, 300, 560); }

// A blue disc, the mark of a conversation with unread messages (the theme has only the read one).
std::unique_ptr<Gdiplus::Bitmap> MakeUnreadImage() {
  auto image = std::make_unique<Gdiplus::Bitmap>(32, 32, PixelFormat32bppARGB);
  if (image->GetLastStatus() != Gdiplus::Ok) return nullptr;
  Gdiplus::Graphics graphics(image.get());
  graphics.SetSmoothingMode(Gdiplus::SmoothingModeAntiAlias);
  graphics.Clear(Gdiplus::Color(0, 0, 0, 0));
  Gdiplus::SolidBrush brush(Gdiplus::Color(255, 0x0B, 0x5C, 0xB5));
  graphics.FillEllipse(&brush, 9, 9, 14, 14);
  return image;
}

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

}  // namespace

DhMessagesDelegate::DhMessagesDelegate() = default;

DhMessagesDelegate::~DhMessagesDelegate() {
  if (m_loop) m_loop->RemoveMessageFilter(this);
}

bool DhMessagesDelegate::CreateIn(HWND parent, CMessageLoop* loop, const ImageCache* images, GoneHandler onGone) {
  m_parent = parent;
  m_images = images;
  m_onGone = onGone;
  if (!Create(parent, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, PaneRect(parent))) return false;
  if (loop && loop->AddMessageFilter(this)) m_loop = loop;
  return true;
}

bool DhMessagesDelegate::OnCreate(CREATESTRUCTW*) {
  BASTrace("DhMessagesDelegate: %p", static_cast<void*>(Hwnd()));
  m_background = UrlColor("color:operator:background", kBackgroundFallback);
  m_pressed = UrlColor("color:task:operator:button:pressed", kPressedFallback);
  m_toolbarFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_searchFont.Reset(BASUtilityApp::GetFont(19, false, L"Arial"));
  m_listFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_unreadFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_headerFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_unreadImage = MakeUnreadImage();

  RECT client{};
  GetClientRect(Hwnd(), &client);
  if (!m_list.Create(Hwnd(), client, kTextsListId, LVS_SHOWSELALWAYS)) return false;
  m_list.SetCheckImages(FindImage(m_images, "common\\content-check-yes.png"),
                        FindImage(m_images, "common\\content-check-no.png"));
  m_list.SetRowTextHook(&DhMessagesDelegate::RowText, this);
  m_list.SetRowColorHook(&DhMessagesDelegate::ColorRow, this);
  m_list.SetRowImageHook(&DhMessagesDelegate::RowImage, this);
  m_list.SetRowHeight(60);
  m_list.SetListFont(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_list.Header().SetFont(m_headerFont.Get());
  m_list.InsertColumn(0, L"", 60);
  m_list.InsertColumn(kNameColumn, L"Name", 150);
  m_list.InsertColumn(kMessageColumn, L"Last Message", 150);
  m_list.InsertColumn(kDateColumn, L"Date", 120);
  m_list.InsertColumn(kCountColumn, L"Count", 50);
  if (!m_thread.Create(Hwnd(), RECT{0, 0, 0, 0}, kTextsThreadId)) return false;
  if (!CreateToolbar()) BASTrace("DhMessagesDelegate: toolbar incomplete");
  return true;
}

bool DhMessagesDelegate::CreateToolbar() {
  int x = 12;
  for (size_t i = 0; i < m_buttons.size(); ++i) {
    BASSwitchImageButton& button = m_buttons[i];
    if (!button.Create(Hwnd(), kToolbar[i].id)) return false;
    button.SetFont(m_toolbarFont.Get());
    button.SetGroupMember(false);
    button.SetLayout(BASSwitchImageButton::kIconLeft);
    button.SetMargins(6, 2);
    button.Place(m_background, m_pressed, FindImage(m_images, kToolbar[i].normal),
                 FindImage(m_images, kToolbar[i].pressed), kToolbar[i].text, x, 8);
    x = button.X() + button.Width() + 20;
  }
  if (!m_search.Create(Hwnd(), RECT{0, 4, 0, 25}, kTextsSearchEditId, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL))
    return false;
  m_search.SetFont(m_searchFont.Get());
  Gdiplus::Bitmap* search = FindImage(m_images, "common\\operate-search.png");
  if (!m_searchButton.Create(Hwnd(), kTextsSearchButtonId)) return false;
  m_searchButton.SetImages(search, search);
  if (search) m_searchButtonSize = SIZE{static_cast<LONG>(search->GetWidth()), static_cast<LONG>(search->GetHeight())};
  for (HWND& line : m_frame) line = CreateGrayLine(Hwnd());
  return true;
}

HWND DhMessagesDelegate::Button(UINT id) const {
  for (size_t i = 0; i < m_buttons.size(); ++i)
    if (kToolbar[i].id == id) return m_buttons[i].Hwnd();
  if (id == kTextsSearchButtonId) return m_searchButton.Hwnd();
  return nullptr;
}

void DhMessagesDelegate::OnDestroy() {
  if (m_loop) m_loop->RemoveMessageFilter(this);
  m_loop = nullptr;
  if (m_compose && m_compose->Hwnd()) DestroyWindow(m_compose->Hwnd());
}

void DhMessagesDelegate::OnFinalMessage(HWND) {
  if (m_onGone) m_onGone(this);
}

void DhMessagesDelegate::ChangeSize() {
  const RECT rect = PaneRect(m_parent);
  SetWindowPos(Hwnd(), nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  LayOut();
}

void DhMessagesDelegate::Show(bool show) { ShowWindow(Hwnd(), show ? SW_SHOW : SW_HIDE); }

void DhMessagesDelegate::LayOut() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int width = client.right;
  const int height = client.bottom;
  const int listRight = ListRight(width);
  MoveTo(m_list.Hwnd(), RECT{1, kToolbarLine + 1, listRight, height}, FALSE);
  MoveTo(m_thread.Hwnd(), RECT{listRight + 1, kToolbarLine + 1, width, height}, FALSE);

  const RECT edit{width - 200, 4, width - 40, 25};
  const RECT button{width - 40, 4, width - 40 + m_searchButtonSize.cx, 4 + m_searchButtonSize.cy};
  MoveTo(m_search.Hwnd(), edit);
  MoveTo(m_searchButton.Hwnd(), button);
  const RECT frame[4] = {{edit.left - 1, edit.top - 1, button.right + 2, edit.top},
                         {edit.left - 1, 25, button.right + 2, 26},
                         {edit.left - 1, edit.top - 1, edit.left, 26},
                         {button.right + 1, edit.top - 1, button.right + 2, 26}};
  for (size_t i = 0; i < m_frame.size(); ++i) MoveTo(m_frame[i], frame[i]);

  // Fixed room for the check, date and count; name and message share the rest, 2 to 3.
  const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
  const int free = std::max(0, listRight - 1 - scrollBar - 60 - 120 - 54);
  ListView_SetColumnWidth(m_list.Hwnd(), 0, 60);
  ListView_SetColumnWidth(m_list.Hwnd(), kNameColumn, free * 2 / 5);
  ListView_SetColumnWidth(m_list.Hwnd(), kMessageColumn, free - free * 2 / 5);
  ListView_SetColumnWidth(m_list.Hwnd(), kDateColumn, 120);
  ListView_SetColumnWidth(m_list.Hwnd(), kCountColumn, 54);
  InvalidateRect(Hwnd(), nullptr, TRUE);
}

void DhMessagesDelegate::OnPaint(HDC dc, const RECT& client) {
  SetDCBrushColor(dc, m_background);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SelectGuard pen(dc, GetStockObject(DC_PEN));
  SetDCPenColor(dc, kLineColor);
  MoveToEx(dc, client.left, kToolbarLine, nullptr);
  LineTo(dc, client.right, kToolbarLine);
  const int listRight = ListRight(client.right);
  MoveToEx(dc, listRight, kToolbarLine, nullptr);
  LineTo(dc, listRight, client.bottom);
}

// ---- the list ----

ConversationRecord* DhMessagesDelegate::ConversationAt(int row) const {
  if (row < 0 || row >= m_list.RowCount()) return nullptr;
  return reinterpret_cast<ConversationRecord*>(m_list.RowData(row));
}

int DhMessagesDelegate::RowOf(const ConversationRecord* conversation) const {
  const int count = m_list.RowCount();
  for (int row = 0; row < count; ++row)
    if (ConversationAt(row) == conversation) return row;
  return -1;
}

const std::wstring* DhMessagesDelegate::RowText(const BASListView&, int, int column, LPARAM data, void* context) {
  const auto* self = static_cast<const DhMessagesDelegate*>(context);
  const auto* conversation = reinterpret_cast<const ConversationRecord*>(data);
  if (conversation == nullptr) return nullptr;
  switch (column) {
    case kNameColumn:
      return conversation->name.empty() ? &conversation->address : &conversation->name;
    case kMessageColumn:
      return &conversation->snippet;
    case kDateColumn:
      return &conversation->date;
    case kCountColumn: {
      std::wstring& text = self->m_scratch[0];
      text = ConversationBook::CountText(*conversation);
      return &text;
    }
    default:
      return nullptr;
  }
}

void DhMessagesDelegate::ColorRow(HDC dc, BASListView& list, int row, void* context) {
  auto* self = static_cast<DhMessagesDelegate*>(context);
  const auto* conversation = reinterpret_cast<const ConversationRecord*>(list.RowData(row));
  if (conversation == nullptr || conversation->unread <= 0) return;
  // The list restores its own font after the row, so this one needs no guard.
  SelectObject(dc, self->m_unreadFont.Get());
  SetTextColor(dc, kUnreadColor);
}

Gdiplus::Bitmap* DhMessagesDelegate::RowImage(BASListView& list, int row, void* context) {
  auto* self = static_cast<DhMessagesDelegate*>(context);
  const auto* conversation = reinterpret_cast<const ConversationRecord*>(list.RowData(row));
  if (conversation != nullptr && conversation->unread > 0 && self->m_unreadImage) return self->m_unreadImage.get();
  return FindImage(self->m_images, "sms\\sms-list-mail-read.png");
}

void DhMessagesDelegate::ShowRows(const std::vector<ConversationRecord*>& rows) {
  ListChange change(m_changingList);
  m_list.SetRedraw(false);
  m_list.DeleteAllRows();
  m_list.ReserveRows(rows.size());
  for (ConversationRecord* conversation : rows) m_list.AppendRow({}, reinterpret_cast<LPARAM>(conversation));
  m_list.SetRedraw(true);
  const int current = RowOf(m_current);
  if (current >= 0) {
    ListView_SetItemState(m_list.Hwnd(), current, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ListView_EnsureVisible(m_list.Hwnd(), current, FALSE);
  }
}

void DhMessagesDelegate::ClearData() {
  ListChange change(m_changingList);
  m_list.DeleteAllRows();
  m_current = nullptr;
  m_requested.clear();
  m_markingRead.clear();
  m_thread.Open(L"", L"");
  m_book.Clear();
}

void DhMessagesDelegate::AddConversations(ConversationList* batch) {
  if (batch == nullptr) return;
  ListChange change(m_changingList);
  const bool filtered = !m_search.Text().empty();
  m_list.ReserveRows(m_book.Count() + batch->size());
  for (ConversationRecord* conversation : *batch) {
    if (conversation == nullptr) continue;
    m_book.Append(conversation);
    // A search in force shows only what matches it.
    if (!filtered) m_list.AppendRow({}, reinterpret_cast<LPARAM>(conversation));
  }
  batch->clear();
  if (filtered) Search();
}

void DhMessagesDelegate::OpenConversation(ConversationRecord* conversation) {
  if (conversation == nullptr || conversation == m_current) return;
  m_current = conversation;
  m_thread.Open(conversation->name.empty() ? conversation->address : conversation->name, conversation->address);
  m_requested = conversation->identifier;
  CommandRecord request;
  request.data = conversation;
  PostRequest(kSmsRequestLoadConversation, request);
}

void DhMessagesDelegate::ShowConversation(CommandRecord& record) {
  auto* notice = static_cast<NotificationPayload*>(record.payload);
  auto* list = notice != nullptr ? static_cast<MessageList*>(notice->item) : nullptr;
  // The records are the pane's from here on; the host empties the vector afterwards.
  std::vector<MessageRecord*> messages;
  if (list != nullptr) messages.swap(*list);
  const std::wstring conversationId = messages.empty() ? m_requested : messages.front()->conversationId;
  if (m_current == nullptr || conversationId != m_current->identifier) {
    // An answer that the user has clicked past.
    for (MessageRecord* message : messages) delete message;
    return;
  }
  m_requested.clear();
  m_thread.SetMessages(std::move(messages));
  if (m_current->unread > 0) RequestMarkRead(m_current);
}

void DhMessagesDelegate::TakeMessage(const MessageRecord& message, bool received) {
  bool created = false;
  const ConversationRecord* before = m_book.Find(message.conversationId);
  ConversationRecord* conversation = m_book.AddMessage(message, created);
  (void)received;
  {
    ListChange change(m_changingList);
    const int row = before != nullptr ? RowOf(before) : -1;
    const bool selected = row >= 0 && m_list.IsSelected(row);
    const bool checked = row >= 0 && m_list.IsChecked(row);
    if (row >= 0) m_list.DeleteRow(row);
    if (m_search.Text().empty() || row >= 0) {
      m_list.InsertRow(0, {}, reinterpret_cast<LPARAM>(conversation));
      if (checked) m_list.SetChecked(0, true);
      if (selected) ListView_SetItemState(m_list.Hwnd(), 0, LVIS_SELECTED, LVIS_SELECTED);
    }
  }
  if (conversation == m_current) {
    m_thread.Append(message);
    if (!message.read && IsWindowVisible(Hwnd())) RequestMarkRead(conversation);
  }
  InvalidateRect(m_list.Hwnd(), nullptr, FALSE);
}

void DhMessagesDelegate::RemoveMessage(const MessageRecord* gone) {
  if (gone == nullptr) return;
  ConversationRecord* conversation = m_book.Find(gone->conversationId);
  if (conversation == nullptr) return;
  if (conversation == m_current) m_thread.Remove(gone->identifier);
  if (conversation->itemCount > 1) {
    bool removed = false;
    m_book.RemoveMessage(*gone, removed);
    const int row = RowOf(conversation);
    if (row >= 0) m_list.RefreshRow(row);
    return;
  }
  // Its last message: the row goes before the record does.
  {
    ListChange change(m_changingList);
    const int row = RowOf(conversation);
    if (row >= 0) m_list.DeleteRow(row);
  }
  if (conversation == m_current) {
    m_current = nullptr;
    m_thread.Open(L"", L"");
  }
  bool removed = false;
  m_book.RemoveMessage(*gone, removed);
}

void DhMessagesDelegate::MarkOneRead(const MessageRecord* message) {
  if (message == nullptr) return;
  m_book.MarkOneRead(message->conversationId);
  const ConversationRecord* conversation = m_book.Find(message->conversationId);
  const int row = RowOf(conversation);
  if (row >= 0) m_list.RefreshRow(row);
}

void DhMessagesDelegate::MarkedRead() {
  for (const std::wstring& id : m_markingRead) {
    m_book.MarkRead(id);
    const ConversationRecord* conversation = m_book.Find(id);
    if (conversation != nullptr && conversation == m_current) m_thread.MarkAllRead();
    const int row = RowOf(conversation);
    if (row >= 0) m_list.RefreshRow(row);
  }
  m_markingRead.clear();
  InvalidateRect(m_thread.Hwnd(), nullptr, FALSE);
}

void DhMessagesDelegate::Search() { ShowRows(m_book.Search(m_search.Text())); }

ConversationList* DhMessagesDelegate::CheckedConversations() const {
  auto* checked = new ConversationList;
  const int count = m_list.RowCount();
  for (int row = 0; row < count; ++row)
    if (m_list.IsChecked(row)) checked->push_back(ConversationAt(row));
  return checked;
}

// ---- commands of the host ----

void DhMessagesDelegate::DoSms(CommandRecord& record) {
  switch (record.code) {
    case kTextsPaneConversation:
      ShowConversation(record);
      break;
    case kTextsPaneReceived:
    case kTextsPaneReceivedCounted:
      if (const auto* message = static_cast<const MessageRecord*>(record.payload)) TakeMessage(*message, true);
      break;
    case kTextsPaneReceivedRead:
      MarkOneRead(static_cast<const MessageRecord*>(record.payload));
      break;
    case kTextsPaneSent:
      if (const auto* message = static_cast<const MessageRecord*>(record.data)) TakeMessage(*message, false);
      break;
    case kTextsPaneMarkedRead:
      MarkedRead();
      break;
    case kTextsPaneOpen:
      OpenCompose(record);
      break;
    default:
      break;
  }
}

void DhMessagesDelegate::PostReset(int64_t value) {
  PostMessageW(Hwnd(), kPaneMessage, kUpdateNothing, static_cast<LPARAM>(value & 0xFFFFFFFF));
}

// ---- requests ----

void DhMessagesDelegate::PostRequest(int64_t code, CommandRecord& record) {
  record.code = code;
  record.window = Hwnd();
  const ModuleRecord* module = TextsModuleRecord();
  if (module && module->hostEntry) {
    PostToHost(*module, record, kTextsDoSms);
    return;
  }
  // Nobody to take them.
  if (code == kSmsRequestExport || code == kSmsRequestDelete || code == kSmsRequestOperation34)
    delete static_cast<ConversationList*>(record.data);
  else if (code == kSmsRequestSend)
    delete static_cast<OutgoingMessage*>(record.data);
}

void DhMessagesDelegate::RequestDelete() {
  CommandRecord request;
  auto* checked = CheckedConversations();
  request.count = static_cast<int64_t>(checked->size());
  request.data = checked;
  request.text = L"Delete messages";
  PostRequest(kSmsRequestDelete, request);
}

void DhMessagesDelegate::RequestExport() {
  HMENU menu = CreatePopupMenu();
  if (menu == nullptr) return;
  for (const MenuEntry& entry : kExportMenu) AppendMenuW(menu, MF_STRING, entry.id, entry.text);
  RECT rect{};
  GetWindowRect(Button(kTextsExportButtonId), &rect);
  const UINT choice = static_cast<UINT>(
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, rect.left, rect.bottom, 0, Hwnd(), nullptr));
  DestroyMenu(menu);
  for (const MenuEntry& entry : kExportMenu) {
    if (entry.id != choice) continue;
    CommandRecord request;
    auto* checked = CheckedConversations();
    request.count = static_cast<int64_t>(checked->size());
    request.data = checked;
    request.value = entry.id;
    request.text = entry.text;
    PostRequest(kSmsRequestExport, request);
    return;
  }
}

void DhMessagesDelegate::RequestImport() {
  CommandRecord request;
  PostRequest(kSmsRequestImport, request);
}

void DhMessagesDelegate::RequestMarkRead(ConversationRecord* conversation) {
  if (conversation == nullptr || m_markingRead.count(conversation->identifier) != 0) return;
  m_markingRead.insert(conversation->identifier);
  CommandRecord request;
  request.data = new ConversationList{conversation};
  request.count = 1;
  request.text = kMarkReadTitle;
  PostRequest(kSmsRequestOperation34, request);
}

void DhMessagesDelegate::OpenCompose(CommandRecord& record) {
  std::unique_ptr<PickedContactList> picked(static_cast<PickedContactList*>(record.payload));
  record.payload = nullptr;
  const std::wstring recipients = picked ? RecipientsText(*picked) : std::wstring();
  if (m_compose && m_compose->Hwnd()) DestroyWindow(m_compose->Hwnd());
  m_compose = std::make_unique<DhNewMessageWindow>();
  HWND owner = GetAncestor(Hwnd(), GA_ROOT);
  if (!m_compose->Open(
          owner, m_images, recipients, &DhMessagesDelegate::SendFromCompose,
          [](void* context, DhNewMessageWindow* window) {
            auto* self = static_cast<DhMessagesDelegate*>(context);
            // Only the pane's own window; it is deleted once its messages have run.
            if (self->m_compose.get() == window) PostMessageW(self->Hwnd(), kPaneMessage, 100, 0);
          },
          this))
    m_compose.reset();
}

void DhMessagesDelegate::SendFromCompose(void* context, OutgoingMessage* message) {
  auto* self = static_cast<DhMessagesDelegate*>(context);
  CommandRecord request;
  request.data = message;
  self->PostRequest(kSmsRequestSend, request);
}

// ---- window messages ----

bool DhMessagesDelegate::OnCommand(int id, int code, HWND) {
  auto release = [this](UINT button) {
    for (size_t i = 0; i < m_buttons.size(); ++i)
      if (kToolbar[i].id == button && m_buttons[i].State() == BASSwitchButton::kSelected)
        m_buttons[i].SetState(BASSwitchButton::kNormal);
  };
  switch (id) {
    case kTextsNewButtonId: {
      release(kTextsNewButtonId);
      CommandRecord request;
      PostRequest(kSmsRequestOpen, request);
      return true;
    }
    case kTextsDeleteButtonId:
      release(kTextsDeleteButtonId);
      RequestDelete();
      return true;
    case kTextsExportButtonId:
      RequestExport();
      release(kTextsExportButtonId);
      return true;
    case kTextsImportButtonId:
      release(kTextsImportButtonId);
      RequestImport();
      return true;
    case kTextsRefreshButtonId: {
      release(kTextsRefreshButtonId);
      CommandRecord request;
      PostRequest(kSmsRequestLoadList, request);
      return true;
    }
    case kTextsSearchButtonId:
      Search();
      return true;
    case kTextsSearchEditId:
      if (code == EN_CHANGE) Search();
      return true;
    default:
      return false;
  }
}

bool DhMessagesDelegate::OnNotify(NMHDR* header, LRESULT&) {
  if (header->idFrom != kTextsListId || header->hwndFrom != m_list.Hwnd()) return false;
  if (header->code == LVN_ITEMCHANGED) {
    // The keys move the highlight: the thread follows the focused, highlighted row.
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    const UINT both = LVIS_FOCUSED | LVIS_SELECTED;
    if (!m_changingList && change->iItem >= 0 && (change->uChanged & LVIF_STATE) &&
        (change->uNewState & both) == both && (change->uOldState & both) != both)
      OpenConversation(ConversationAt(change->iItem));
    return false;
  }
  if (header->code != NM_CLICK) return false;
  m_list.FollowSelection();
  OpenConversation(ConversationAt(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem));
  return false;
}

LRESULT DhMessagesDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg != kPaneMessage) return BASWindow::HandleMessage(msg, wp, lp, handled);
  handled = true;
  // 100: the New Message window has gone.
  if (wp == 100 && m_compose && !m_compose->Hwnd()) m_compose.reset();
  return 0;
}

BOOL DhMessagesDelegate::PreTranslateMessage(MSG* msg) {
  if (msg->message != WM_KEYDOWN) return FALSE;
  if (msg->wParam == VK_RETURN && msg->hwnd == m_search.Hwnd()) {
    Search();
    return TRUE;
  }
  // Tab moves between the New Message window's fields.
  if (msg->wParam == VK_TAB && m_compose && m_compose->Hwnd() && IsChild(m_compose->Hwnd(), msg->hwnd))
    return IsDialogMessageW(m_compose->Hwnd(), msg);
  return FALSE;
}
