// One phone's messages pane: the shared content pane (toolbar with New Message, Delete,
// Export, Import, Refresh and the search box; the checkable list) holding the phone's
// conversations, and beside the list the thread of the current conversation. It owns the
// conversations and messages the host streams into it and asks the host for every operation
// on them with LIBTEXTS_COMMAND_DO_SMS.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/MessageRecords.h"
#include "kit/BASContentPane.h"
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

class DhMessagesDelegate : public BASContentPane {
 public:
  DhMessagesDelegate();
  ~DhMessagesDelegate() override;

  void LayOut() override;
  // ADD_SMS (append, a batch whose records become the pane's) and DELETE_SMS (remove, a message
  // gone from the phone; the record stays the sender's).
  void Update(WPARAM code, CommandRecord* record) override;
  void* NewCheckedList() const override;
  // DO_SMS from the host.
  void DoSms(CommandRecord& record);

  BOOL PreTranslateMessage(MSG* msg) override;

 protected:
  bool CreateExtras() override;
  RECT ListRect(int width, int height) const override;
  std::vector<LPARAM> Matching(const std::wstring& lowered) const override;
  const std::wstring* CellText(int column, LPARAM data) const override;
  void ClearRecords() override;
  bool OnToolbarCommand(int id) override;
  void SetCurrentRow(int row) override;
  void OnPaint(HDC dc, const RECT& client) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnDestroy() override;

 private:
  static void ColorRow(HDC dc, BASListView& list, int row, void* context);
  static Gdiplus::Bitmap* RowImage(BASListView& list, int row, void* context);
  static void SendFromCompose(void* context, OutgoingMessage* message);
  static void ComposeGone(void* context, DhNewMessageWindow* window);

  ConversationRecord* ConversationAt(int row) const { return reinterpret_cast<ConversationRecord*>(DataAt(row)); }
  void AddConversations(ConversationList* batch);
  void RemoveMessage(const MessageRecord* gone);
  void OpenConversation(ConversationRecord* conversation);
  void ShowConversation(CommandRecord& record);
  void TakeMessage(const MessageRecord& message);
  void MarkOneRead(const MessageRecord* message);
  void MarkedRead();
  void RefreshRowOf(const ConversationRecord* conversation);

  void Request(int64_t code, CommandRecord& record);
  void RequestDelete();
  void RequestExport();
  void RequestMarkRead(ConversationRecord* conversation);
  void OpenCompose(CommandRecord& record);

  // The conversation the thread shows, and the one whose messages were last asked for.
  ConversationRecord* m_current = nullptr;
  std::wstring m_requested;
  std::set<std::wstring> m_markingRead;
  // The texts of the row being drawn that no record holds as such.
  mutable std::wstring m_countText;
  mutable std::wstring m_dateText;

  ConversationBook m_book;
  GdiFont m_unreadFont;
  std::unique_ptr<Gdiplus::Bitmap> m_unreadImage;
  DhThreadView m_thread;
  std::unique_ptr<DhNewMessageWindow> m_compose;
};
