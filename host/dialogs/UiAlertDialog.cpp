#include "host/dialogs/UiAlertDialog.h"

UiAlertDialog::UiAlertDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed, Gdiplus::Bitmap* icon,
                             int twoButtons, int /*reserved*/)
    : UiDialog(closeNormal, closePressed), m_icon(icon), m_twoButtons(twoButtons != 0) {}

UiAlertDialog::~UiAlertDialog() { DestroyDialog(); }

void UiAlertDialog::SetText(const std::wstring& message, const wchar_t* okText, int width, int height, HWND owner) {
  m_message = message;
  if (okText && *okText) m_okText = okText;
  SetSize(width, height);
  m_centreOwner = owner;
}

bool UiAlertDialog::OnStart() {
  m_accepted = false;
  // Drawn, not a control: the window text lets screen readers and automation read it.
  SetWindowTextW(Hwnd(), m_message.c_str());
  if (!CreateButton(m_ok, kOkId, m_okText) || !CreateButton(m_cancel, kCancelId, L"Cancel")) return false;
  if (!m_twoButtons) ShowWindow(m_cancel.Hwnd(), SW_HIDE);
  GrowToFitMessage();
  LayoutButtons();
  return true;
}

void UiAlertDialog::GrowToFitMessage() {
  // The caller's size is the least: a message longer than it leaves room for (a long text, a
  // larger system font) makes the dialog taller instead of losing its last lines.
  const int iconWidth = m_icon ? static_cast<int>(m_icon->GetWidth()) : 0;
  const RECT room = MessageRect(Width(), iconWidth, Height() - kButtonGap - m_ok.Height());
  RECT needed = room;
  ClientDc dc(Hwnd());
  SelectGuard font(dc, TextFont());
  DrawTextW(dc, m_message.c_str(), static_cast<int>(m_message.size()), &needed,
            DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX | DT_CALCRECT);
  const int missing = (needed.bottom - needed.top) - (room.bottom - room.top);
  if (missing <= 0) return;
  SetSize(Width(), Height() + missing);
  PlaceWindow();
}

void UiAlertDialog::LayoutButtons() {
  const int y = Height() - kButtonGap - m_ok.Height();
  if (m_twoButtons) {
    PlaceButton(m_cancel, kButtonGap, Height() - kButtonGap - m_cancel.Height());
    PlaceButton(m_ok, kButtonGap + m_cancel.Width() + kButtonGap, y);
  } else {
    PlaceButton(m_ok, kButtonGap, y);
  }
}

RECT UiAlertDialog::MessageRect(int width, int iconWidth, int buttonsTop) {
  const int left = iconWidth > 0 ? iconWidth + 40 : 20;
  return {left, 40, width - 20, buttonsTop - 4};
}

void UiAlertDialog::PaintBody(HDC dc, const RECT& body) {
  int iconWidth = 0;
  if (m_icon) {
    iconWidth = static_cast<int>(m_icon->GetWidth());
    Gdiplus::Graphics graphics(dc);
    graphics.DrawImage(m_icon, 20, body.top + 20, iconWidth, static_cast<int>(m_icon->GetHeight()));
  }
  RECT text = MessageRect(Width(), iconWidth, Height() - kButtonGap - m_ok.Height());
  SetTextColor(dc, RGB(0, 0, 0));
  // Edit-control wrapping also breaks a word longer than the line, such as a path.
  DrawTextW(dc, m_message.c_str(), static_cast<int>(m_message.size()), &text,
            DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX);
}

void UiAlertDialog::OnOk() {
  m_accepted = true;
  SetClosed(true);
  End(kOkId);
}

bool UiAlertDialog::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kOkId:
    case IDOK:
      OnOk();
      return true;
    case kCancelId:
      OnClose();
      return true;
    default:
      return UiDialog::OnCommand(id, code, control);
  }
}
