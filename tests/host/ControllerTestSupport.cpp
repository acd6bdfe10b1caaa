#include "tests/host/ControllerTestSupport.h"

#include "host/UiRouter.h"
#include "host/dialogs/UiAlertDialog.h"
#include "tests/dialogs/DialogTestSupport.h"

namespace controllertest {

std::deque<bool> g_alertAnswers;
std::vector<SeenAlert> g_alerts;

namespace {

BOOL CALLBACK FindAlert(HWND hwnd, LPARAM found) {
  auto* alert = dynamic_cast<UiAlertDialog*>(BASWindow::FromHandle(hwnd));
  if (alert == nullptr || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<UiAlertDialog**>(found) = alert;
  return FALSE;
}

}  // namespace

void CALLBACK AnswerAlerts(HWND, UINT, UINT_PTR, DWORD) {
  UiAlertDialog* alert = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindAlert, reinterpret_cast<LPARAM>(&alert));
  if (alert == nullptr) return;
  wchar_t text[1024] = {};
  GetWindowTextW(alert->Hwnd(), text, 1024);
  RECT rect = dialogtest::WindowRect(alert->Hwnd());
  g_alerts.push_back({text, rect.right - rect.left, rect.bottom - rect.top, alert->HasTwoButtons()});
  const bool ok = !g_alertAnswers.empty() && g_alertAnswers.front();
  if (!g_alertAnswers.empty()) g_alertAnswers.pop_front();
  SendMessageW(ok ? alert->OkButton() : alert->CancelButton(), BM_CLICK, 0, 0);
  if (IsWindowVisible(alert->Hwnd())) PostMessageW(alert->Hwnd(), WM_CLOSE, 0, 0);
}

LRESULT CALLBACK ViewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kPaneMessage) {
    HandleRouterMessage(wp, lp);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void PumpPosted() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace controllertest
