#include "modules/texts/DhNewMessageWindow.h"

#include <algorithm>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

const wchar_t kClassName[] = L"DhNewMessageWindow";
constexpr int kWidth = 480;
constexpr int kHeight = 360;
constexpr COLORREF kProblemColor = RGB(0xC0, 0x20, 0x20);

HWND MakeStatic(HWND parent, const wchar_t* text, const RECT& rect, UINT id, HFONT font) {
  HWND hwnd = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | SS_NOPREFIX, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, parent,
                              reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), BASWindow::ModuleInstance(), nullptr);
  if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return hwnd;
}

}  // namespace

bool DhNewMessageWindow::Open(HWND owner, const ImageCache* images, const std::wstring& recipients, SendHandler onSend,
                              GoneHandler onGone, void* context) {
  m_images = images;
  m_initialRecipients = recipients;
  m_onSend = onSend;
  m_onGone = onGone;
  m_context = context;
  RegisterWindowClass(kClassName);
  RECT ownerRect{0, 0, kWidth, kHeight};
  if (owner) GetWindowRect(owner, &ownerRect);
  const int x = ownerRect.left + std::max<LONG>(0, (ownerRect.right - ownerRect.left - kWidth) / 2);
  const int y = ownerRect.top + std::max<LONG>(0, (ownerRect.bottom - ownerRect.top - kHeight) / 2);
  if (!Create(owner, kClassName, kTitle, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, WS_EX_DLGMODALFRAME,
              RECT{x, y, x + kWidth, y + kHeight}))
    return false;
  ShowWindow(Hwnd(), SW_SHOW);
  SetFocus(recipients.empty() ? m_to.Hwnd() : m_body.Hwnd());
  return true;
}

bool DhNewMessageWindow::OnCreate(CREATESTRUCTW*) {
  m_font.Reset(BASUtilityApp::GetFont(17, false, L"Arial"));
  m_labelFont.Reset(BASUtilityApp::GetFont(15, false, L"Arial"));
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int right = client.right - 16;
  MakeStatic(Hwnd(), L"To:", RECT{16, 18, 70, 36}, 0, m_labelFont.Get());
  if (!m_to.Create(Hwnd(), RECT{70, 14, right, 38}, kNewMessageToId,
                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE))
    return false;
  m_to.SetFont(m_font.Get());
  m_to.SetText(m_initialRecipients);
  MakeStatic(Hwnd(), L"Type numbers or names with <number>, separated by \";\".", RECT{70, 40, right, 56}, 0,
             m_labelFont.Get());
  if (!m_body.Create(Hwnd(), RECT{16, 64, right, client.bottom - 80}, kNewMessageBodyId,
                     WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                     WS_EX_CLIENTEDGE))
    return false;
  m_body.SetFont(m_font.Get());
  m_count = MakeStatic(Hwnd(), L"", RECT{16, client.bottom - 74, right, client.bottom - 56}, kNewMessageCountId,
                       m_labelFont.Get());
  m_problem = MakeStatic(Hwnd(), L"", RECT{16, client.bottom - 40, right - 190, client.bottom - 14},
                         kNewMessageProblemId, m_labelFont.Get());

  Gdiplus::Bitmap* sendNormal = FindImage(m_images, "sms\\operate-send-normal.png");
  if (!m_send.Create(Hwnd(), kNewMessageSendId, RECT{right - 80, client.bottom - 46, right, client.bottom - 16}))
    return false;
  m_send.SetImages(sendNormal, FindImage(m_images, "sms\\operate-send-pressed.png"));
  m_send.SetFont(m_font.Get());
  m_send.SetText(L"Send");
  if (!m_cancel.Create(Hwnd(), kNewMessageCancelId)) return false;
  m_cancel.SetFont(m_font.Get());
  m_cancel.SetMargins(20, 6);
  m_cancel.Place(RGB(0x8A, 0x8F, 0x96), RGB(0xDC, 0xDC, 0xDC), 0, 0, L"Cancel");
  m_cancel.MoveTo(right - 90 - m_cancel.Width(), client.bottom - 46 + (30 - m_cancel.Height()) / 2);
  UpdateCount();
  return true;
}

HWND DhNewMessageWindow::Control(UINT id) const {
  switch (id) {
    case kNewMessageToId:
      return m_to.Hwnd();
    case kNewMessageBodyId:
      return m_body.Hwnd();
    case kNewMessageSendId:
      return m_send.Hwnd();
    case kNewMessageCancelId:
      return m_cancel.Hwnd();
    default:
      return Hwnd() ? GetDlgItem(Hwnd(), static_cast<int>(id)) : nullptr;
  }
}

void DhNewMessageWindow::OnPaint(HDC dc, const RECT& client) {
  SetDCBrushColor(dc, RGB(0xF7, 0xF7, 0xF7));
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void DhNewMessageWindow::ShowProblem(const std::wstring& text) {
  m_problemText = text;
  if (m_problem) SetWindowTextW(m_problem, text.c_str());
}

void DhNewMessageWindow::UpdateCount() {
  const std::wstring body = m_body.Text();
  const int parts = SmsParts(body);
  const std::wstring text = std::to_wstring(body.size()) + L" characters, " + std::to_wstring(parts) +
                            (parts == 1 ? L" message" : L" messages");
  if (m_count) SetWindowTextW(m_count, text.c_str());
}

void DhNewMessageWindow::Send() {
  std::vector<std::wstring> numbers;
  std::wstring bad;
  if (!ParseRecipients(m_to.Text(), numbers, bad)) {
    ShowProblem(L"\"" + bad + L"\" is not a phone number.");
    SetFocus(m_to.Hwnd());
    return;
  }
  if (numbers.empty()) {
    ShowProblem(L"Pick a contact or type a number.");
    SetFocus(m_to.Hwnd());
    return;
  }
  std::wstring body = m_body.Text();
  // The edit control ends lines with CR LF; the phone keeps LF.
  body.erase(std::remove(body.begin(), body.end(), L'\r'), body.end());
  if (body.find_first_not_of(L" \t\n") == std::wstring::npos) {
    ShowProblem(L"Write a message first.");
    SetFocus(m_body.Hwnd());
    return;
  }
  auto* message = new OutgoingMessage;
  message->recipients = std::move(numbers);
  message->body = std::move(body);
  if (m_onSend)
    m_onSend(m_context, message);
  else
    delete message;
  DestroyWindow(Hwnd());
}

bool DhNewMessageWindow::OnCommand(int id, int code, HWND) {
  switch (id) {
    case kNewMessageSendId:
      Send();
      return true;
    case kNewMessageCancelId:
      DestroyWindow(Hwnd());
      return true;
    case kNewMessageBodyId:
      if (code == EN_CHANGE) UpdateCount();
      return true;
    case kNewMessageToId:
      if (code == EN_CHANGE && !m_problemText.empty()) ShowProblem(L"");
      return true;
    default:
      return false;
  }
}

LRESULT DhNewMessageWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == WM_CTLCOLORSTATIC) {
    handled = true;
    HDC dc = reinterpret_cast<HDC>(wp);
    SetBkColor(dc, RGB(0xF7, 0xF7, 0xF7));
    SetTextColor(dc, reinterpret_cast<HWND>(lp) == m_problem ? kProblemColor : RGB(0x50, 0x55, 0x5A));
    SetDCBrushColor(dc, RGB(0xF7, 0xF7, 0xF7));
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
  }
  if (msg == WM_CLOSE) {
    handled = true;
    DestroyWindow(Hwnd());
    return 0;
  }
  return 0;
}

void DhNewMessageWindow::OnFinalMessage(HWND) {
  if (m_onGone) m_onGone(m_context, this);
}
