// The messages of the conversation chosen in the list, as a thread: received messages on the
// left, sent ones on the right, each in a bubble with its time below, a heading where a day
// begins, long texts wrapped, right-to-left texts right-aligned and read right to left. Pixel
// scrolling with the scroll bar, the wheel and the keys; only the visible bubbles are drawn.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contracts/MessageRecords.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/texts/ThreadLayout.h"

class DhThreadView : public BASWindow {
 public:
  static constexpr int kHeaderHeight = 44;

  DhThreadView();
  ~DhThreadView() override;

  bool Create(HWND parent, const RECT& rect, UINT id);

  // Empties the view and heads it with the conversation's name and number.
  void Open(const std::wstring& title, const std::wstring& number);
  // Takes the records over, sorts them by date and shows the newest at the bottom.
  void SetMessages(std::vector<MessageRecord*> messages);
  // A copy of a message that arrived or was sent; the view follows it when it showed the end.
  void Append(const MessageRecord& message);
  void Remove(const std::wstring& messageId);
  void MarkAllRead();
  void Clear();

  const std::wstring& ConversationTitle() const { return m_title; }
  size_t MessageCount() const { return m_messages.size(); }
  const MessageRecord& MessageAt(size_t i) const { return *m_messages[i]; }
  const ThreadLayout& Layout() const { return m_layout; }
  int ScrollY() const { return m_scrollY; }
  int MaxScroll() const;
  void ScrollTo(int y);
  // The bubble's rectangle in client coordinates (may lie outside the client area).
  RECT BubbleRect(size_t item) const;

 protected:
  bool OnCreate(CREATESTRUCTW* create) override;
  void OnSize(int cx, int cy) override;
  void OnPaint(HDC dc, const RECT& client) override;
  bool OnLButtonDown(int x, int y, UINT keys) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;

 private:
  class DcMeasure;
  void Relayout();
  void UpdateScrollBar();
  void OnVScroll(int request);
  void OnWheel(int delta);
  int PageHeight() const;
  void DrawBubble(HDC dc, const BubblePlacement& placed, int offsetY) const;

  std::vector<std::unique_ptr<MessageRecord>> m_messages;
  ThreadLayout m_layout;
  std::unique_ptr<DcMeasure> m_measure;
  std::wstring m_title;
  std::wstring m_number;
  int m_scrollY = 0;
  int m_wheelRest = 0;
  int m_width = 0;
  int m_height = 0;

  GdiFont m_textFont;
  GdiFont m_smallFont;
  GdiFont m_titleFont;
  GdiBrush m_receivedBrush;
  GdiBrush m_sentBrush;
  GdiPen m_receivedPen;
  GdiPen m_sentPen;
};
