// One phone's messages pane: a toolbar (New Message, Delete, Export, Import, Refresh and the
// search box), the checkable list of conversations and, beside it, the thread of the chosen
// conversation. It owns the conversations and messages the host streams into it and asks the
// host for every operation on them with LIBTEXTS_COMMAND_DO_SMS.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/MessageLoop.h"
#include "contracts/MessageRecords.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASListView.h"
#include "kit/BASSwitchImageButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/texts/ConversationBook.h"
#include "modules/texts/DhNewMessageWindow.h"
#include "modules/texts/DhThreadView.h"

enum TextsControlId : UINT {
  kTextsNewButtonId = 5100,
  kTextsDeleteButtonId = 5101,
  kTextsExportButtonId = 5102,
  kTextsImportButtonId = 5103,
  kTextsRefreshButtonId = 5104,
  kTextsSearchEditId = 5105,
  kTextsSearchButtonId = 5106,
  kTextsListId = 5110,
  kTextsThreadId = 5111,
};

// Codes of LIBTEXTS_COMMAND_DO_SMS that the host sends to the pane.
constexpr int64_t kTextsPaneConversation = 2;  // one conversation's messages, in the notice payload
constexpr int64_t kTextsPaneReceived = 7;      // a message arrived (`payload`)
constexpr int64_t kTextsPaneReceivedCounted = 8;
constexpr int64_t kTextsPaneReceivedRead = 9;  // a message was read on the phone (`payload`)
constexpr int64_t kTextsPaneSent = 11;         // `data` = the sent message
constexpr int64_t kTextsPaneMarkedRead = 13;   // marking conversations read has ended
constexpr int64_t kTextsPaneOpen = 14;         // write a message; `payload` = picked recipients

class DhMessagesDelegate : public BASWindow, public CMessageFilter {
 public:
  typedef void (*GoneHandler)(DhMessagesDelegate* pane);

  // Update codes of the pane message (wParam; lParam as the code says).
  static constexpr WPARAM kUpdateNothing = 3;

  DhMessagesDelegate();
  ~DhMessagesDelegate() override;

  bool CreateIn(HWND parent, CMessageLoop* loop, const ImageCache* images, GoneHandler onGone);
  HWND Parent() const { return m_parent; }
  void ChangeSize();
  void Show(bool show);
  void LayOut();

  void ClearData();
  // ADD_SMS: a batch of conversations (the records become the pane's).
  void AddConversations(ConversationList* batch);
  // DELETE_SMS: a message is gone from the phone (the record stays the sender's).
  void RemoveMessage(const MessageRecord* gone);
  // DO_SMS from the host.
  void DoSms(CommandRecord& record);
  void PostReset(int64_t value);
  int64_t ListTaskId() const { return m_listTaskId; }
  void SetListTaskId(int64_t id) { m_listTaskId = id; }

  // For tests and the benchmark: what the pane shows.
  const ConversationBook& Book() const { return m_book; }
  const BASListView& List() const { return m_list; }
  const DhThreadView& Thread() const { return m_thread; }
  const ConversationRecord* Current() const { return m_current; }
  HWND SearchEdit() const { return m_search.Hwnd(); }
  HWND Button(UINT id) const;
  DhNewMessageWindow* NewMessageWindow() const { return m_compose.get(); }

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
  static const std::wstring* RowText(const BASListView& list, int row, int column, LPARAM data, void* context);
  static void ColorRow(HDC dc, BASListView& list, int row, void* context);
  static Gdiplus::Bitmap* RowImage(BASListView& list, int row, void* context);

  bool CreateToolbar();
  ConversationRecord* ConversationAt(int row) const;
  int RowOf(const ConversationRecord* conversation) const;
  void ShowRows(const std::vector<ConversationRecord*>& rows);
  void OpenConversation(ConversationRecord* conversation);
  void ShowConversation(CommandRecord& record);
  void TakeMessage(const MessageRecord& message, bool received);
  void MarkOneRead(const MessageRecord* message);
  void MarkedRead();
  void Search();
  ConversationList* CheckedConversations() const;

  void RequestDelete();
  void RequestExport();
  void RequestImport();
  void RequestMarkRead(ConversationRecord* conversation);
  void OpenCompose(CommandRecord& record);
  static void SendFromCompose(void* context, OutgoingMessage* message);
  void PostRequest(int64_t code, CommandRecord& record);

  HWND m_parent = nullptr;
  CMessageLoop* m_loop = nullptr;
  const ImageCache* m_images = nullptr;
  GoneHandler m_onGone = nullptr;
  int64_t m_listTaskId = 0;
  bool m_changingList = false;
  // The conversation the thread shows, and the one whose messages were last asked for.
  ConversationRecord* m_current = nullptr;
  std::wstring m_requested;
  std::set<std::wstring> m_markingRead;
  mutable std::array<std::wstring, 2> m_scratch;

  ConversationBook m_book;
  COLORREF m_background = 0;
  COLORREF m_pressed = 0;
  GdiFont m_toolbarFont;
  GdiFont m_searchFont;
  GdiFont m_listFont;
  GdiFont m_unreadFont;
  GdiFont m_headerFont;
  std::unique_ptr<Gdiplus::Bitmap> m_unreadImage;

  std::array<BASSwitchImageButton, 5> m_buttons;
  BASEdit m_search;
  BASImgButton m_searchButton;
  SIZE m_searchButtonSize{0, 0};
  std::array<HWND, 4> m_frame{};
  BASListView m_list;
  DhThreadView m_thread;
  std::unique_ptr<DhNewMessageWindow> m_compose;
};
