#include "modules/caption/DhTitlebarRightWindow.h"

#include "kit/GdiHandles.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"
#include "modules/caption/CaptionColors.h"
#include "modules/caption/CaptionSupport.h"
#include "modules/caption/TitlebarSettingsMenu.h"

#include <memory>
#include <type_traits>

namespace {

const wchar_t kClassName[] = L"DhTitlebarRightWindow";
constexpr int kButtonY = 12;

}  // namespace

bool DhTitlebarRightWindow::CreateIn(HWND bar, const RECT& rect) {
  return Create(bar, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, rect);
}

bool DhTitlebarRightWindow::OnCreate(CREATESTRUCTW*) {
  m_background = UrlColor(kTitleBackgroundKey, kTitleBackgroundDefault);
  m_backgroundBrush.Reset(CreateSolidBrush(m_background));
  m_separatorLeft.Reset(CreatePen(PS_SOLID, 1, UrlColor(kSeparatorLeftKey, kSeparatorLeftDefault)));
  m_separatorRight.Reset(CreatePen(PS_SOLID, 1, UrlColor(kSeparatorRightKey, kSeparatorRightDefault)));

  // Each is placed against this window's width now; the bar moves the window, not the buttons.
  const bool created =
      CreateButton(m_close, kCloseId, "common\\close-normal.png", "common\\close-pressed.png", -8) &&
      CreateButton(m_maximise, kMaximiseId, "common\\main-maximize-normal.png", "common\\main-maximize-pressed.png",
                   -38) &&
      CreateButton(m_restore, kRestoreId, "common\\main-reset-normal.png", "common\\main-reset-pressed.png", -38) &&
      CreateButton(m_minimise, kMinimiseId, "common\\min-normal.png", "common\\min-pressed.png", -68) &&
      CreateButton(m_settings, kSettingsId, "common\\main-setting-normal.png", "common\\main-setting-pressed.png",
                   -98) &&
      CreateButton(m_help, kHelpId, "common\\main-help-normal.png", "common\\main-help-pressed.png", -128) &&
      CreateButton(m_home, kHomeId, "common\\main-home-normal.png", "common\\main-home-pressed.png", -158);
  if (!created) return false;
  ShowWindow(m_restore.Hwnd(), SW_HIDE);
  m_separatorX = BASUtilityWindow::GetWindowRelativeRect(m_help.Hwnd()).right;
  m_maximised = false;
  return true;
}

bool DhTitlebarRightWindow::CreateButton(BASImgButton& button, int id, const char* normal, const char* pressed,
                                         int offsetX) {
  if (!button.Create(Hwnd(), static_cast<UINT>(id))) return false;
  button.SetBackground(m_background);
  button.Place(CaptionImage(pressed), offsetX, CaptionImage(normal), kButtonY);
  return true;
}

void DhTitlebarRightWindow::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, m_backgroundBrush.Get());
  {
    SelectGuard pen(dc, m_separatorLeft);
    MoveToEx(dc, m_separatorX + 4, 10, nullptr);
    LineTo(dc, m_separatorX + 4, 28);
  }
  SelectGuard pen(dc, m_separatorRight);
  MoveToEx(dc, m_separatorX + 5, 10, nullptr);
  LineTo(dc, m_separatorX + 5, 28);
}

LRESULT DhTitlebarRightWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC) {
    SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
    handled = true;
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

bool DhTitlebarRightWindow::OnCommand(int id, int code, HWND) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case kCloseId:
      PostMessageW(TopLevelOwnerOf(Hwnd()), WM_CLOSE, 0, 0);
      return true;
    case kMaximiseId:
    case kRestoreId:
      ToggleMaximised();
      return true;
    case kMinimiseId:
      SendMessageW(TopLevelOwnerOf(Hwnd()), WM_SYSCOMMAND, SC_MINIMIZE, 0);
      return true;
    case kSettingsId:
      ShowSettingsMenu();
      return true;
    case kHelpId:
      OpenUrlSetting("url:help");
      return true;
    case kHomeId:
      OpenUrlSetting("url:product");
      return true;
    default:
      return false;
  }
}

void DhTitlebarRightWindow::ToggleMaximised() {
  m_maximised = !m_maximised;
  ShowWindow(m_restore.Hwnd(), m_maximised ? SW_SHOWNA : SW_HIDE);
  ShowWindow(m_maximise.Hwnd(), m_maximised ? SW_HIDE : SW_SHOWNA);
  PostCommandToHost(kCaptionPressMaxOrReset);
}

void DhTitlebarRightWindow::ShowSettingsMenu() {
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return;
  const bool withFeedback = *UrlString("url:feedback") != '\0';
  for (const SettingsMenuEntry& entry : SettingsMenuEntries(withFeedback, m_updateCheckRunning)) {
    if (entry.id == kMenuSeparator)
      AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    else
      AppendMenuW(menu.get(), MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED), entry.id, entry.text);
  }
  RECT button{};
  GetWindowRect(m_settings.Hwnd(), &button);
  const UINT choice = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN,
                                                       button.left, button.top, 0, Hwnd(), nullptr));
  menu.reset();
  // The menu took the button's release: it would stay pressed.
  m_settings.SetState(BASImgButton::kNormal);
  RunMenuChoice(choice);
}

void DhTitlebarRightWindow::RunMenuChoice(UINT id) {
  if (const char* key = SettingsMenuUrlKey(id)) {
    OpenUrlSetting(key);
    return;
  }
  switch (id) {
    case kMenuFeedback:
      PostCommandToHost(kCaptionOpenFeedback);
      break;
    case kMenuAbout:
      PostCommandToHost(kCaptionOpenAbout);
      break;
    case kMenuCheckForUpdate:
      // Set first: the host may report the end of the check before the post returns.
      if (m_updateCheckRunning) break;
      m_updateCheckRunning = true;
      PostCommandToHost(kCaptionCheckForUpdate);
      break;
    default:
      break;
  }
}
