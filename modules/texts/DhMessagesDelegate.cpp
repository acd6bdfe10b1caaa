#include "modules/texts/DhMessagesDelegate.h"

#include <algorithm>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/CommandPayloads.h"
#include "contracts/ContactRecords.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace {

constexpr int kNameColumn = 1;
constexpr int kMessageColumn = 2;
constexpr int kDateColumn = 3;
constexpr int kCountColumn = 4;
constexpr COLORREF kUnreadColor = RGB(0x0B, 0x5C, 0xB5);
// Posted to the pane when the New Message window has gone, so it is deleted outside its own
// messages.
constexpr UINT kComposeGoneMessage = WM_APP + 1;
const wchar_t kMarkReadTitle[] = L"Mark as Read";
const wchar_t kDeleteTitle[] = L"Delete messages";

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

PaneDescription MessagesSpec() {
  PaneDescription description;
  description.className = L"DhMessagesDelegate";
  description.traceName = "DhMessagesDelegate";
  description.requestCommand = kTextsDoSms;
  description.listId = kTextsListId;
  description.columns = {
      {L"", 60, 12}, {L"Name", 150, 27}, {L"Last Message", 150, 30}, {L"Date", 100, 19}, {L"Count", 50, 12}};
  description.buttons = {
      {kTextsNewButtonId, L"New Message", "common\\button\\operate-add-pressed.png",
       "common\\button\\operate-add-normal.png"},
      {kTextsDeleteButtonId, L"Delete", "common\\button\\operate-delete-pressed.png",
       "common\\button\\operate-delete-normal.png"},
      {kTextsExportButtonId, L"Export", "common\\button\\operate-export-pressed.png",
       "common\\button\\operate-export-normal.png"},
      {kTextsImportButtonId, L"Import", "common\\button\\operate-import-pressed.png",
       "common\\button\\operate-import-normal.png"},
      {kTextsRefreshButtonId, L"Refresh", "common\\button\\operate-refresh-pressed.png",
       "common\\button\\operate-refresh-normal.png"},
  };
  description.firstButtonX = 12;
  description.searchEditId = kTextsSearchEditId;
  description.searchButtonId = kTextsSearchButtonId;
  description.lastUpdateCode = kUpdateRemove;
  return description;
}

// The list takes a little under half the pane; the thread the rest.
int ListRight(int width) { return std::clamp(width / 2, 300, 600); }

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

}  // namespace

DhMessagesDelegate::DhMessagesDelegate() : BASContentPane(MessagesSpec()) {}

DhMessagesDelegate::~DhMessagesDelegate() = default;

bool DhMessagesDelegate::CreateExtras() {
  m_unreadFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_unreadImage = MakeUnreadImage();
  m_list.SetRowColorHook(&DhMessagesDelegate::ColorRow, this);
  m_list.SetRowImageHook(&DhMessagesDelegate::RowImage, this);
  return m_thread.Create(Hwnd(), RECT{0, 0, 0, 0}, kTextsThreadId);
}

void DhMessagesDelegate::OnDestroy() {
  if (m_compose && m_compose->Hwnd()) DestroyWindow(m_compose->Hwnd());
  BASContentPane::OnDestroy();
}

RECT DhMessagesDelegate::ListRect(int width, int height) const {
  return RECT{1, kToolbarLineY + 1, ListRight(width), std::max(kToolbarLineY + 1, height)};
}

void DhMessagesDelegate::LayOut() {
  BASContentPane::LayOut();
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int left = ListRight(client.right) + 1;
  MoveWindow(m_thread.Hwnd(), left, kToolbarLineY + 1, std::max(0L, client.right - left),
             std::max(0L, client.bottom - kToolbarLineY - 1), TRUE);
}

void DhMessagesDelegate::OnPaint(HDC dc, const RECT& client) {
  BASContentPane::OnPaint(dc, client);
  SelectGuard pen(dc, m_linePen);
  const int listRight = ListRight(client.right);
  MoveToEx(dc, listRight, kToolbarLineY, nullptr);
  LineTo(dc, listRight, client.bottom);
}

// ---- the list ----

const std::wstring* DhMessagesDelegate::CellText(int column, LPARAM data) const {
  const auto* conversation = reinterpret_cast<const ConversationRecord*>(data);
  switch (column) {
    case kNameColumn:
      return conversation->name.empty() ? &conversation->address : &conversation->name;
    case kMessageColumn:
      return &conversation->snippet;
    case kDateColumn:
      // The day; the thread shows the times.
      m_dateText = DayOf(conversation->date);
      return &m_dateText;
    case kCountColumn:
      // Read at once by the list; the next row's count may replace it.
      m_countText = ConversationBook::CountText(*conversation);
      return &m_countText;
    default:
      return nullptr;
  }
}

void DhMessagesDelegate::ColorRow(HDC dc, BASListView& list, int row, void* context) {
  auto* self = static_cast<DhMessagesDelegate*>(context);
  const auto* conversation = reinterpret_cast<const ConversationRecord*>(list.RowData(row));
  if (conversation == nullptr || conversation->unread <= 0) return;
  // The list puts its own font back after the row, so this one needs no guard.
  SelectObject(dc, self->m_unreadFont.Get());
  SetTextColor(dc, kUnreadColor);
}

Gdiplus::Bitmap* DhMessagesDelegate::RowImage(BASListView& list, int row, void* context) {
  auto* self = static_cast<DhMessagesDelegate*>(context);
  const auto* conversation = reinterpret_cast<const ConversationRecord*>(list.RowData(row));
  if (conversation != nullptr && conversation->unread > 0 && self->m_unreadImage) return self->m_unreadImage.get();
  return FindImage(self->Images(), "sms\\sms-list-mail-read.png");
}

void DhMessagesDelegate::RefreshRowOf(const ConversationRecord* conversation) {
  const int row = RowOf(reinterpret_cast<LPARAM>(conversation));
  if (row >= 0) m_list.RefreshRow(row);
}

std::vector<LPARAM> DhMessagesDelegate::Matching(const std::wstring& lowered) const {
  std::vector<LPARAM> found;
  for (ConversationRecord* conversation : m_book.Search(lowered))
    found.push_back(reinterpret_cast<LPARAM>(conversation));
  return found;
}

void DhMessagesDelegate::ClearRecords() {
  m_current = nullptr;
  m_requested.clear();
  m_markingRead.clear();
  m_thread.Open(L"", L"");
  m_book.Clear();
}

void* DhMessagesDelegate::NewCheckedList() const {
  auto checked = std::make_unique<ConversationList>();
  const int count = m_list.RowCount();
  for (int row = 0; row < count; ++row)
    if (m_list.IsChecked(row)) checked->push_back(ConversationAt(row));
  return checked->empty() ? nullptr : checked.release();
}

void DhMessagesDelegate::Update(WPARAM code, CommandRecord* record) {
  if (record == nullptr) return;
  if (code == kUpdateAppend)
    AddConversations(static_cast<ConversationList*>(record->payload));
  else if (code == kUpdateRemove)
    RemoveMessage(static_cast<const MessageRecord*>(record->payload));
}

void DhMessagesDelegate::AddConversations(ConversationList* batch) {
  if (batch == nullptr) return;
  const std::wstring query = m_toolbar.SearchText();
  const bool filtered = !query.empty();
  {
    ListChange change(m_changingList);
    m_list.ReserveRows(m_book.Count() + batch->size());
    for (ConversationRecord* conversation : *batch) {
      if (conversation == nullptr) continue;
      m_book.Append(conversation);
      // A search in force shows only what matches it.
      if (!filtered || m_book.Matches(*conversation, query))
        m_list.AppendRow({}, reinterpret_cast<LPARAM>(conversation));
    }
  }
  // Nothing is selected or checked for the user: a row is opened only when picked.
  batch->clear();
}

void DhMessagesDelegate::SetCurrentRow(int row) {
  BASContentPane::SetCurrentRow(row);
  if (row >= 0) OpenConversation(ConversationAt(row));
}

void DhMessagesDelegate::OpenConversation(ConversationRecord* conversation) {
  if (conversation == nullptr || conversation == m_current) return;
  m_current = conversation;
  m_thread.Open(conversation->name.empty() ? conversation->address : conversation->name, conversation->address);
  m_requested = conversation->identifier;
  CommandRecord request;
  request.data = conversation;
  Request(kSmsRequestLoadConversation, request);
}

void DhMessagesDelegate::ShowConversation(CommandRecord& record) {
  auto* notice = static_cast<NotificationPayload*>(record.payload);
  auto* list = notice != nullptr ? static_cast<MessageList*>(notice->item) : nullptr;
  // The records are the pane's from here on; the host empties the vector afterwards.
  std::vector<MessageRecord*> messages;
  if (list != nullptr) messages.swap(*list);
  const std::wstring conversationId = messages.empty() ? m_requested : messages.front()->conversationId;
  if (m_current == nullptr || conversationId != m_current->identifier) {
    // An answer the user has clicked past.
    for (MessageRecord* message : messages) delete message;
    return;
  }
  m_requested.clear();
  m_thread.SetMessages(std::move(messages));
  if (m_current->unread > 0) RequestMarkRead(m_current);
}

void DhMessagesDelegate::TakeMessage(const MessageRecord& message) {
  const ConversationRecord* before = m_book.Find(message.conversationId);
  const int row = before != nullptr ? RowOf(reinterpret_cast<LPARAM>(before)) : -1;
  bool created = false;
  ConversationRecord* conversation = m_book.AddMessage(message, created);
  {
    // The conversation moves to the top, keeping its check and highlight.
    ListChange change(m_changingList);
    const bool selected = row >= 0 && m_list.IsSelected(row);
    const bool checked = row >= 0 && m_list.IsChecked(row);
    if (row >= 0) m_list.DeleteRow(row);
    if (row >= 0 || m_toolbar.SearchText().empty()) {
      m_list.InsertRow(0, {}, reinterpret_cast<LPARAM>(conversation));
      if (checked) m_list.SetChecked(0, true);
      if (selected) ListView_SetItemState(m_list.Hwnd(), 0, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (CurrentRow() >= 0) BASContentPane::SetCurrentRow(RowOf(reinterpret_cast<LPARAM>(m_current)));
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
  bool removed = false;
  if (conversation->itemCount > 1) {
    m_book.RemoveMessage(*gone, removed);
    RefreshRowOf(conversation);
    return;
  }
  // Its last message: the row goes before the record does.
  {
    ListChange change(m_changingList);
    const int row = RowOf(reinterpret_cast<LPARAM>(conversation));
    if (row >= 0) m_list.DeleteRow(row);
    BASContentPane::SetCurrentRow(m_current == conversation ? -1 : RowOf(reinterpret_cast<LPARAM>(m_current)));
  }
  if (conversation == m_current) {
    m_current = nullptr;
    m_thread.Open(L"", L"");
  }
  m_book.RemoveMessage(*gone, removed);
}

void DhMessagesDelegate::MarkOneRead(const MessageRecord* message) {
  if (message == nullptr) return;
  m_book.MarkOneRead(message->conversationId);
  RefreshRowOf(m_book.Find(message->conversationId));
}

void DhMessagesDelegate::MarkedRead() {
  for (const std::wstring& id : m_markingRead) {
    m_book.MarkRead(id);
    const ConversationRecord* conversation = m_book.Find(id);
    if (conversation != nullptr && conversation == m_current) m_thread.MarkAllRead();
    RefreshRowOf(conversation);
  }
  m_markingRead.clear();
  InvalidateRect(m_thread.Hwnd(), nullptr, FALSE);
}

// ---- commands of the host ----

void DhMessagesDelegate::DoSms(CommandRecord& record) {
  switch (record.code) {
    case kTextsPaneConversation:
      ShowConversation(record);
      break;
    case kTextsPaneReceived:
    case kTextsPaneReceivedCounted:
      if (const auto* message = static_cast<const MessageRecord*>(record.payload)) TakeMessage(*message);
      break;
    case kTextsPaneReceivedRead:
      MarkOneRead(static_cast<const MessageRecord*>(record.payload));
      break;
    case kTextsPaneSent:
      if (const auto* message = static_cast<const MessageRecord*>(record.data)) TakeMessage(*message);
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

// ---- requests ----

void DhMessagesDelegate::Request(int64_t code, CommandRecord& record) {
  if (PostRequest(code, record)) return;
  // Nobody to take them.
  if (code == kSmsRequestExport || code == kSmsRequestDelete || code == kSmsRequestOperation34)
    delete static_cast<ConversationList*>(record.data);
  else if (code == kSmsRequestSend)
    delete static_cast<OutgoingMessage*>(record.data);
}

void DhMessagesDelegate::RequestDelete() {
  CommandRecord request;
  auto* checked = static_cast<ConversationList*>(NewCheckedList());
  if (checked == nullptr) checked = new ConversationList;
  request.count = static_cast<int64_t>(checked->size());
  request.data = checked;
  request.text = kDeleteTitle;
  Request(kSmsRequestDelete, request);
}

void DhMessagesDelegate::RequestExport() {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return;
  for (const MenuEntry& entry : kExportMenu) AppendMenuW(menu.get(), MF_STRING, entry.id, entry.text);
  RECT rect{};
  GetWindowRect(m_toolbar.Button(kTextsExportButtonId), &rect);
  const UINT choice = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                       rect.left, rect.bottom, 0, Hwnd(), nullptr));
  for (const MenuEntry& entry : kExportMenu) {
    if (entry.id != choice) continue;
    CommandRecord request;
    auto* checked = static_cast<ConversationList*>(NewCheckedList());
    if (checked == nullptr) checked = new ConversationList;
    request.count = static_cast<int64_t>(checked->size());
    request.data = checked;
    request.value = entry.id;
    request.text = entry.text;
    Request(kSmsRequestExport, request);
    return;
  }
}

void DhMessagesDelegate::RequestMarkRead(ConversationRecord* conversation) {
  if (conversation == nullptr || m_markingRead.count(conversation->identifier) != 0) return;
  m_markingRead.insert(conversation->identifier);
  CommandRecord request;
  request.data = new ConversationList{conversation};
  request.count = 1;
  request.text = kMarkReadTitle;
  Request(kSmsRequestOperation34, request);
}

void DhMessagesDelegate::OpenCompose(CommandRecord& record) {
  std::unique_ptr<PickedContactList> picked(static_cast<PickedContactList*>(record.payload));
  record.payload = nullptr;
  const std::wstring recipients = picked ? RecipientsText(*picked) : std::wstring();
  if (m_compose && m_compose->Hwnd()) DestroyWindow(m_compose->Hwnd());
  m_compose = std::make_unique<DhNewMessageWindow>();
  if (!m_compose->Open(GetAncestor(Hwnd(), GA_ROOT), Images(), recipients, &DhMessagesDelegate::SendFromCompose,
                       &DhMessagesDelegate::ComposeGone, this))
    m_compose.reset();
}

void DhMessagesDelegate::SendFromCompose(void* context, OutgoingMessage* message) {
  CommandRecord request;
  request.data = message;
  static_cast<DhMessagesDelegate*>(context)->Request(kSmsRequestSend, request);
}

void DhMessagesDelegate::ComposeGone(void* context, DhNewMessageWindow* window) {
  auto* self = static_cast<DhMessagesDelegate*>(context);
  if (self->m_compose.get() == window) PostMessageW(self->Hwnd(), kComposeGoneMessage, 0, 0);
}

// ---- window messages ----

bool DhMessagesDelegate::OnToolbarCommand(int id) {
  CommandRecord request;
  switch (id) {
    case kTextsNewButtonId:
      Request(kSmsRequestOpen, request);
      return true;
    case kTextsDeleteButtonId:
      RequestDelete();
      return true;
    case kTextsExportButtonId:
      RequestExport();
      return true;
    case kTextsImportButtonId:
      Request(kSmsRequestImport, request);
      return true;
    case kTextsRefreshButtonId:
      Request(kSmsRequestLoadList, request);
      return true;
    default:
      return false;
  }
}

LRESULT DhMessagesDelegate::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == kComposeGoneMessage) {
    handled = true;
    if (m_compose && !m_compose->Hwnd()) m_compose.reset();
    return 0;
  }
  return BASContentPane::HandleMessage(msg, wp, lp, handled);
}

BOOL DhMessagesDelegate::PreTranslateMessage(MSG* msg) {
  // Tab moves between the New Message window's fields; Escape closes it.
  if (msg && msg->message == WM_KEYDOWN && m_compose && m_compose->Hwnd() && IsChild(m_compose->Hwnd(), msg->hwnd)) {
    if (msg->wParam == VK_TAB) return IsDialogMessageW(m_compose->Hwnd(), msg);
    if (msg->wParam == VK_ESCAPE) {
      DestroyWindow(m_compose->Hwnd());
      return TRUE;
    }
  }
  return BASContentPane::PreTranslateMessage(msg);
}
