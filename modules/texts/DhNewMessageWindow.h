// The New Message window: recipients (picked from the contacts or typed as numbers), the text,
// its length in SMS parts, Send and Cancel. A small owned pop-up that leaves the program usable
// while it is open; Send hands the message to the pane, which passes it to the phone.
#pragma once

#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "contracts/MessageRecords.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASSwitchButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/texts/OutgoingText.h"

enum NewMessageControlId : UINT {
  kNewMessageToId = 6001,
  kNewMessageBodyId = 6002,
  kNewMessageCountId = 6003,
  kNewMessageProblemId = 6004,
  kNewMessageSendId = 6005,
  kNewMessageCancelId = 6006,
};

class DhNewMessageWindow : public BASWindow {
 public:
  // Gets the message (made with new, the receiver's); the window then closes.
  typedef void (*SendHandler)(void* context, OutgoingMessage* message);
  typedef void (*GoneHandler)(void* context, DhNewMessageWindow* window);

  static constexpr const wchar_t* kTitle = L"New Message";

  bool Open(HWND owner, const ImageCache* images, const std::wstring& recipients, SendHandler onSend,
            GoneHandler onGone, void* context);
  std::wstring Problem() const { return m_problemText; }
  HWND Control(UINT id) const;
  // As the Send button does.
  void Send();

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  bool OnCommand(int id, int code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnFinalMessage(HWND hwnd) override;

 private:
  void ShowProblem(const std::wstring& text);
  void UpdateCount();

  const ImageCache* m_images = nullptr;
  std::wstring m_initialRecipients;
  SendHandler m_onSend = nullptr;
  GoneHandler m_onGone = nullptr;
  void* m_context = nullptr;
  std::wstring m_problemText;

  GdiFont m_font;
  GdiFont m_labelFont;
  GdiFont m_titleFont;
  COLORREF m_titleColor = 0;
  BASImgButton m_close;
  BASEdit m_to;
  BASEdit m_body;
  HWND m_count = nullptr;
  HWND m_problem = nullptr;
  BASImgButton m_send;
  BASSwitchButton m_cancel;
};
