#include "kit/UiDialog.h"

#include <windowsx.h>

#include <commctrl.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "contracts/cornerstone/Cornerstone.h"

namespace {

constexpr char kSettingsDomain[] = "url";

// The one empty template every host dialog starts from: a popup without controls in
// "MS Shell Dlg" 8. Each dialog sizes and fills itself when it starts. Kept in memory, so the
// dialogs work in any program that links them, not only in one with the host's resources.
struct EmptyTemplate {
  DLGTEMPLATE header;  // no controls; place and size set at start
  WORD menu;
  WORD windowClass;  // 0: the dialog class
  WORD title;
  WORD pointSize;
  wchar_t face[13];
};
static_assert(offsetof(EmptyTemplate, menu) == sizeof(DLGTEMPLATE), "the arrays follow the header directly");
alignas(4) const EmptyTemplate kEmptyTemplate = {
    {WS_POPUP | DS_SETFONT, 0, 0, 0, 0, 0, 0}, 0, 0, 0, 8, L"MS Shell Dlg"};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

UiDialog::UiDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed)
    : m_closeNormal(closeNormal), m_closePressed(closePressed) {}

UiDialog::~UiDialog() { DestroyDialog(); }

void UiDialog::DestroyDialog() {
  const HWND hwnd = Hwnd();
  if (!hwnd) return;
  // Let go first: no handler of a half-destroyed object may run while the window goes.
  Unsubclass();
  if (m_owner && !m_modal && IsWindowVisible(hwnd)) EnableWindow(m_owner, TRUE);
  DestroyWindow(hwnd);
}

const DLGTEMPLATE* UiDialog::Template() { return &kEmptyTemplate.header; }

void UiDialog::SetSize(int width, int height) {
  m_width = width;
  m_height = height;
}

INT_PTR UiDialog::RunModal(HWND owner) {
  if (Hwnd()) return kCancelId;
  m_owner = owner;
  m_modal = true;
  m_closed.store(false);
  const INT_PTR result =
      DialogBoxIndirectParamW(ModuleInstance(), Template(), owner, DialogProc, reinterpret_cast<LPARAM>(this));
  m_closed.store(true);
  if (result == kOkId || result == kCancelId) return result;
  if (result <= 0) std::fprintf(stderr, "UiDialog: DialogBoxIndirectParam GetLastError: %lu\n", GetLastError());
  return result <= 0 ? kCancelId : result;
}

bool UiDialog::CreateModeless(HWND owner) {
  if (Hwnd()) return true;
  m_owner = owner;
  m_modal = false;
  const HWND hwnd =
      CreateDialogIndirectParamW(ModuleInstance(), Template(), owner, DialogProc, reinterpret_cast<LPARAM>(this));
  if (!hwnd) {
    std::fprintf(stderr, "UiDialog: CreateDialogIndirectParam GetLastError: %lu\n", GetLastError());
    return false;
  }
  if (Hwnd() != hwnd) {  // the start failed
    DestroyWindow(hwnd);
    return false;
  }
  return true;
}

INT_PTR CALLBACK UiDialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lp) {
  // Everything after WM_INITDIALOG reaches the object through its subclass.
  if (msg != WM_INITDIALOG) return FALSE;
  auto* self = reinterpret_cast<UiDialog*>(lp);
  bool started = false;
  try {
    started = self && self->Start(hwnd);
  } catch (...) {
    std::fprintf(stderr, "UiDialog: start failed\n");
  }
  if (!started) {
    if (self && self->Hwnd()) self->Unsubclass();
    if (self && self->m_modal) EndDialog(hwnd, kCancelId);
  }
  return TRUE;
}

bool UiDialog::Start(HWND hwnd) {
  if (!Subclass(hwnd)) return false;
  m_titleColor = SettingColor("color:title:background", kDefaultTitleColor);
  m_titleBrush.Reset(CreateSolidBrush(m_titleColor));
  m_borderBrush.Reset(CreateSolidBrush(kBorderColor));
  m_whiteBrush.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  m_font.Reset(BASUtilityApp::GetFont(16, false, L"Arial"));
  m_buttonFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_buttonNormal = SettingColor("color:common:button:normal", kDefaultButtonNormal);
  m_buttonPressed = SettingColor("color:common:button:pressed", kDefaultButtonPressed);
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_font.Get()), FALSE);
  m_topLevel = TopLevelOf(m_owner);
  PlaceWindow();
  m_shadow.Attach(hwnd, ShadowSize());
  if (m_closeButton.Create(hwnd, kCloseId)) PlaceCloseButton();
  return OnStart();
}

void UiDialog::PlaceCloseButton() { m_closeButton.Place(m_closePressed, -8, m_closeNormal, CloseButtonTop()); }

bool UiDialog::CreateButton(BASSwitchButton& button, int id, const std::wstring& text) {
  if (!button.Create(Hwnd(), id)) return false;
  // Not a tab of a group: it goes back to normal when the mouse leaves.
  button.SetGroupMember(false);
  button.SetFont(m_buttonFont.Get());
  button.SetNormalColors(m_buttonNormal, RGB(255, 255, 255));
  button.SetSelectedColors(m_buttonPressed, RGB(255, 255, 255));
  button.SetMargins(kButtonMarginX, kButtonMarginY);
  button.SetText(text);
  return true;
}

void UiDialog::PlaceButton(BASSwitchButton& button, int fromRight, int y) {
  button.MoveTo(m_width - fromRight - button.Width(), y);
}

void UiDialog::PlaceWindow() {
  const HWND hwnd = Hwnd();
  if (!hwnd) return;
  RECT over{};
  if (!m_topLevel || !IsWindow(m_topLevel) || !IsWindowVisible(m_topLevel) || IsIconic(m_topLevel) ||
      !GetWindowRect(m_topLevel, &over))
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
  const RECT rect = CentredOver(over, m_width, m_height);
  SetWindowPos(hwnd, nullptr, rect.left, rect.top, m_width, m_height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT UiDialog::CentredOver(const RECT& over, int width, int height) {
  const int left = over.left + (over.right - over.left - width) / 2;
  const int top = over.top + (over.bottom - over.top - height) / 2;
  return {left, top, left + width, top + height};
}

HWND UiDialog::TopLevelOf(HWND owner) {
  HWND window = owner;
  while (window) {
    const bool child = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) != 0;
    const HWND next = child ? GetParent(window) : GetWindow(window, GW_OWNER);
    if (!next) break;
    window = next;
  }
  return window;
}

void UiDialog::Show(int command) {
  const HWND hwnd = Hwnd();
  if (!hwnd) return;
  if (command == SW_HIDE) {
    ShowWindow(hwnd, SW_HIDE);
    if (m_owner) EnableWindow(m_owner, TRUE);
    return;
  }
  // Created long before it is needed: the main window may have moved since.
  if (!IsWindowVisible(hwnd)) PlaceWindow();
  if (m_owner) EnableWindow(m_owner, FALSE);
  ShowWindow(hwnd, command);
}

void UiDialog::Reset() {
  m_finished.store(false);
  m_closed.store(false);
}

void UiDialog::MoveBy(int dx, int dy) {
  const HWND hwnd = Hwnd();
  if (!hwnd) return;
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  SetWindowPos(hwnd, nullptr, rect.left + dx, rect.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void UiDialog::End(INT_PTR result) {
  if (!Hwnd()) return;
  if (m_modal)
    EndDialog(Hwnd(), result);
  else
    Show(SW_HIDE);
}

void UiDialog::OnClose() {
  m_closed.store(true);
  End(kCancelId);
}

LRESULT UiDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
      handled = true;
      return reinterpret_cast<LRESULT>(ControlBrush(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp)));
    case WM_CLOSE:
      // The dialog manager would turn this into IDCANCEL; every dialog closes its own way.
      handled = true;
      OnClose();
      return 0;
    default:
      return BASWindow::HandleMessage(msg, wp, lp, handled);
  }
}

HBRUSH UiDialog::StockControlBrush(HDC dc, COLORREF color) {
  SetBkMode(dc, TRANSPARENT);
  SetDCBrushColor(dc, color);
  return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

bool UiDialog::OnCommand(int id, int, HWND) {
  if (id == kCloseId || id == IDCANCEL) {
    OnClose();
    return true;
  }
  return false;
}

bool UiDialog::OnLButtonDown(int, int, UINT) {
  // The whole dialog is its caption.
  ReleaseCapture();
  PostMessageW(Hwnd(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
  return true;
}

void UiDialog::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_whiteBrush.Get());
  RECT strip = {client.left, client.top, client.right, client.top + kTitleHeight};
  FillRect(dc, &strip, m_titleBrush.Get());
  {
    DcStateGuard state(dc);
    SetBkMode(dc, TRANSPARENT);
    SelectGuard font(dc, m_font);
    PaintBody(dc, RECT{client.left + 1, client.top + kTitleHeight, client.right - 1, client.bottom - 1});
  }
  FrameRect(dc, &client, m_borderBrush.Get());
}

COLORREF UiDialog::SettingColor(const char* key, COLORREF fallback) {
  BASUserDefaults* settings = BASUserDefaults::GetUserDefaults(kSettingsDomain);
  if (!settings || !key) return fallback;
  const char* text = settings->GetString(key);
  if (!text || std::strlen(text) != 7 || text[0] != '#') return fallback;
  int rgb[3];
  for (int i = 0; i < 3; ++i) {
    const int high = HexDigit(text[1 + 2 * i]), low = HexDigit(text[2 + 2 * i]);
    if (high < 0 || low < 0) return fallback;
    rgb[i] = high * 16 + low;
  }
  return RGB(rgb[0], rgb[1], rgb[2]);
}

std::wstring UiDialog::SettingText(const char* key) {
  BASUserDefaults* settings = BASUserDefaults::GetUserDefaults(kSettingsDomain);
  if (!settings || !key) return std::wstring();
  wchar_t* wide = BASUtilityString::ConvertUtf8ToUnicode(settings->GetString(key));
  std::wstring text = wide ? wide : L"";
  std::free(wide);
  return text;
}

SIZE UiDialog::TextExtent(HWND hwnd, HFONT font, const std::wstring& text) {
  SIZE size = {0, 0};
  ClientDc dc(hwnd);
  if (!dc) return size;
  SelectGuard selected(dc, font);
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void UiDialog::OpenLink(const NMHDR* header, const std::wstring& fallback) {
  const auto* link = reinterpret_cast<const NMLINK*>(header);
  const wchar_t* url = link->item.szUrl[0] ? link->item.szUrl : fallback.c_str();
  if (url[0] == L'\0') return;
  char* utf8 = BASUtilityString::ConvertUnicodeToUtf8(url);
  if (utf8) BASUtilityApp::OpenUrl(utf8);
  std::free(utf8);
}

void UiDialog::PaintHeaderBand(HDC dc, int height, HBRUSH header, HBRUSH line) const {
  RECT band = {0, 0, m_width, height};
  FillRect(dc, &band, header);
  RECT rest = {0, height, m_width, m_height};
  FillRect(dc, &rest, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  RECT rule = {0, height, m_width, height + 2};
  FillRect(dc, &rule, line);
}
