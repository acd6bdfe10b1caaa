#include "host/dialogs/UiUpdateListDialog.h"

#include <commctrl.h>

#include <cstdlib>
#include <cwchar>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

constexpr wchar_t kHeader[] = L"New versions have been found. What's new:";
constexpr wchar_t kLinkText[] = L"Read More Versions";
constexpr int kButtonMargin = 20;
constexpr int kNotesTop = 80;
constexpr int kNotesBottom = 230;

}  // namespace

UiUpdateListDialog::UiUpdateListDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed)
    : UiDialog(closeNormal, closePressed) {
  SetSize(kWidth, kHeight);
}

UiUpdateListDialog::~UiUpdateListDialog() { DestroyDialog(); }

bool UiUpdateListDialog::OnStart() {
  m_headerFont.Reset(BASUtilityApp::GetFont(18, true, L"Arial"));
  m_bodyFont.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_headerBrush.Reset(CreateSolidBrush(TitleColor()));
  m_categoryBrush.Reset(CreateSolidBrush(SettingColor("color:title:category:background", kFrameColor)));
  m_frameBrush.Reset(CreateSolidBrush(kFrameColor));
  m_history = SettingText("url:history");

  if (!CreateButton(m_remind, kRemindId, L"Remind Me Later") || !CreateButton(m_update, kUpdateId, L"Update Now"))
    return false;
  for (BASSwitchButton* button : {&m_remind, &m_update}) {
    button->SetMargins(20, 8);
    button->SetText(button == &m_remind ? L"Remind Me Later" : L"Update Now");
  }
  m_update.SetNormalColors(SettingColor("color:update:button:normal", kDefaultUpdateNormal), RGB(255, 255, 255));
  m_update.SetSelectedColors(SettingColor("color:update:button:pressed", kDefaultUpdatePressed), RGB(255, 255, 255));
  const int buttonTop = Height() - kButtonMargin - m_remind.Height();
  PlaceButton(m_remind, kButtonMargin, buttonTop);
  PlaceButton(m_update, kButtonMargin + m_remind.Width() + kButtonMargin, buttonTop);

  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);
  const std::wstring markup = L"<a href=\"" + m_history + L"\">" + kLinkText + L"</a>";
  const SIZE extent = TextExtent(Hwnd(), m_bodyFont.Get(), kLinkText);
  m_link = CreateWindowExW(0, WC_LINK, markup.c_str(), WS_CHILD | WS_VISIBLE, kTextLeft, Height() - 120, extent.cx + 4,
                           extent.cy + 4, Hwnd(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLinkId)),
                           ModuleInstance(), nullptr);
  if (m_link) SendMessageW(m_link, WM_SETFONT, reinterpret_cast<WPARAM>(m_bodyFont.Get()), FALSE);

  const RECT notes = {kTextLeft, kNotesTop, Width() - kTextLeft, kNotesBottom};
  if (!m_notes.Create(Hwnd(), notes, kNotesId,
                      WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL))
    return false;
  m_notes.SetFont(m_bodyFont.Get());
  if (!m_pending.empty()) {
    const std::wstring pending = m_pending;
    m_pending.clear();
    AppendText(pending);
  }
  return true;
}

void UiUpdateListDialog::AppendText(const std::wstring& text) {
  m_appended = true;
  const HWND notes = m_notes.Hwnd();
  if (!notes) {
    m_pending += text;
    return;
  }
  // An edit control breaks lines at "\r\n" only.
  std::wstring lines;
  for (wchar_t c : text) {
    if (c == L'\n' && (lines.empty() || lines.back() != L'\r')) lines += L'\r';
    lines += c;
  }
  const LRESULT end = GetWindowTextLengthW(notes);
  SendMessageW(notes, EM_SETSEL, end, end);
  SendMessageW(notes, EM_SCROLLCARET, 0, 0);
  SendMessageW(notes, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(lines.c_str()));
}

void UiUpdateListDialog::ClearText() {
  m_appended = false;
  m_pending.clear();
  if (m_notes.Hwnd()) SetWindowTextW(m_notes.Hwnd(), L"");
}

std::wstring UiUpdateListDialog::NotesText() const { return m_notes.Hwnd() ? m_notes.Text() : m_pending; }

bool UiUpdateListDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kRemindId:
      Show(SW_HIDE);
      return true;
    case kUpdateId: {
      Show(SW_HIDE);
      // A copy: the action may set a new one.
      const std::function<void()> action = m_updateAction;
      if (action) action();
      return true;
    }
    default:
      return UiDialog::OnCommand(id, code, control);
  }
}

void UiUpdateListDialog::OnClose() {
  Show(SW_HIDE);
  SetClosed(true);
}

bool UiUpdateListDialog::OnNotify(NMHDR* header, LRESULT& result) {
  if (header->idFrom != static_cast<UINT_PTR>(kLinkId) || (header->code != NM_CLICK && header->code != NM_RETURN))
    return UiDialog::OnNotify(header, result);
  OpenLink(header, m_history);
  result = 0;
  return true;
}

HBRUSH UiUpdateListDialog::ControlBrush(HDC dc, HWND control) {
  // The notes read as a white page on the header colour; the link lies on the header colour.
  if (control == m_notes.Hwnd()) {
    SetTextColor(dc, RGB(0, 0, 0));
    return StockControlBrush(dc, RGB(255, 255, 255));
  }
  if (control == m_link) return StockControlBrush(dc, TitleColor());
  return nullptr;
}

void UiUpdateListDialog::Show(int command) {
  UiDialog::Show(command);
  // The dialog would give the focus to the notes, which then shows them all selected.
  if (command != SW_HIDE && m_remind.Hwnd())
    SendMessageW(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(m_remind.Hwnd()), TRUE);
}

void UiUpdateListDialog::OnPaint(HDC dc, const RECT& client) {
  UiDialog::OnPaint(dc, client);
  FrameRect(dc, &client, m_frameBrush.Get());
}

void UiUpdateListDialog::PaintBody(HDC dc, const RECT&) {
  PaintHeaderBand(dc, kHeaderHeight, m_headerBrush.Get(), m_categoryBrush.Get());
  SetTextColor(dc, RGB(255, 255, 255));
  SelectGuard font(dc, m_headerFont);
  TextOutW(dc, kTextLeft, 40, kHeader, static_cast<int>(wcslen(kHeader)));
}
