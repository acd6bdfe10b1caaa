#include "modules/texts/DhNewMessageWindow.h"

#include <algorithm>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

const wchar_t kClassName[] = L"DhNewMessageWindow";
constexpr int kWidth = 480;
constexpr int kHeight = 390;
constexpr COLORREF kProblemColor = RGB(0xC0, 0x20, 0x20);
constexpr COLORREF kBody = RGB(0xF7, 0xF7, 0xF7);
constexpr COLORREF kBorder = RGB(0xAB, 0xAB, 0xAB);
constexpr int kTitleHeight = 30;  // the window's own title strip, in the product's colour
constexpr UINT kCloseId = 6007;

COLORREF UrlColor(const char* key, COLORREF fallback) {
  BASUserDefaults* url = BASUserDefaults::GetUserDefaults("url");
  return url ? url->GetRGB(key, fallback) : fallback;
}

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
  if (!Create(owner, kClassName, kTitle, WS_POPUP | WS_CLIPCHILDREN, 0, RECT{x, y, x + kWidth, y + kHeight}))
    return false;
  ShowWindow(Hwnd(), SW_SHOW);
  SetFocus(recipients.empty() ? m_to.Hwnd() : m_body.Hwnd());
  return true;
}

bool DhNewMessageWindow::OnCreate(CREATESTRUCTW*) {
  m_font.Reset(BASUtilityApp::GetFont(17, false, L"Arial"));
  m_labelFont.Reset(BASUtilityApp::GetFont(15, false, L"Arial"));
  m_titleFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_titleColor = UrlColor("color:title:background", RGB(30, 158, 99));
  RECT client{};
  GetClientRect(Hwnd(), &client);
  Gdiplus::Bitmap* closeNormal = FindImage(m_images, "common\\close-normal.png");
  if (m_close.Create(Hwnd(), kCloseId)) {
    m_close.SetImages(closeNormal, FindImage(m_images, "common\\close-pressed.png"));
    m_close.SetBackground(m_titleColor);
    const int side = closeNormal ? static_cast<int>(closeNormal->GetHeight()) : 16;
    const int width = closeNormal ? static_cast<int>(closeNormal->GetWidth()) : 16;
    MoveWindow(m_close.Hwnd(), client.right - 8 - width, (kTitleHeight - side) / 2, width, side, FALSE);
  }
  client.top += kTitleHeight;
  const int right = client.right - 16;
  MakeStatic(Hwnd(), L"To:", RECT{16, client.top + 18, 70, client.top + 36}, 0, m_labelFont.Get());
  if (!m_to.Create(Hwnd(), RECT{70, client.top + 14, right, client.top + 38}, kNewMessageToId,
                   WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE))
    return false;
  m_to.SetFont(m_font.Get());
  m_to.SetText(m_initialRecipients);
  MakeStatic(Hwnd(), L"Type numbers or names with <number>, separated by \";\".",
             RECT{70, client.top + 40, right, client.top + 56}, 0, m_labelFont.Get());
  if (!m_body.Create(Hwnd(), RECT{16, client.top + 64, right, client.bottom - 80}, kNewMessageBodyId,
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
  // The theme's image carries the word "Send" with its icon.
  m_send.SetImages(sendNormal, FindImage(m_images, "sms\\operate-send-pressed.png"));
  m_send.SetBackground(kBody);
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
  SetDCBrushColor(dc, kBody);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  RECT title{client.left, client.top, client.right, client.top + kTitleHeight};
  SetDCBrushColor(dc, m_titleColor);
  FillRect(dc, &title, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SetDCBrushColor(dc, kBorder);
  FrameRect(dc, &client, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  SelectGuard font(dc, m_titleFont.Get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  title.left += 12;
  DrawTextW(dc, kTitle, -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

bool DhNewMessageWindow::OnLButtonDown(int, int, UINT) {
  // The window has no system caption: it is dragged by any place that is no control.
  ReleaseCapture();
  PostMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return true;
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
    case kCloseId:
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
    SetBkColor(dc, kBody);
    SetTextColor(dc, reinterpret_cast<HWND>(lp) == m_problem ? kProblemColor : RGB(0x50, 0x55, 0x5A));
    SetDCBrushColor(dc, kBody);
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
