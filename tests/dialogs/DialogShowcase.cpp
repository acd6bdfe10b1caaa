// Puts one host dialog on the screen over a stand-in main window and holds it, so a person
// (or a screenshot) can look at it:  dialogs_showcase alert|confirm|progress|failed|about|sheet
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "contracts/cornerstone/Cornerstone.h"
#include "host/Alert.h"
#include "host/HostState.h"
#include "host/ThemeImages.h"
#include "host/dialogs/UiAboutDialog.h"
#include "host/dialogs/UiProgressDialog.h"
#include "host/dialogs/UiSheetDialog.h"
#include "kit/GdiPlus.h"

namespace {

constexpr UINT_PTR kQuitTimer = 99;
COLORREF g_title = RGB(30, 158, 99);

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT title = {0, 0, client.right, 68};
    HBRUSH brush = CreateSolidBrush(g_title);
    FillRect(dc, &title, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void CALLBACK QuitSoon(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  // Closes whatever modal dialog runs, then ends the loop.
  HWND dialog = FindWindowW(L"#32770", nullptr);
  if (dialog) PostMessageW(dialog, WM_CLOSE, 0, 0);
  PostQuitMessage(0);
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring scene = argc > 1 ? argv[1] : L"alert";
  const DWORD holdMs = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 4000;
  GdiplusSession gdiplus;
  INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_BAR_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&classes);

  // Built into the test folder; the product folder beside it holds the settings and theme.
  wchar_t* install = BASUtilityApp::GetProductInstallDir();
  const std::wstring product = std::wstring(install ? install : L"") + L"..\\product\\";
  std::free(install);
  BASUserDefaults::InitUserDefaults("url", (product + L"Option.json").c_str());
  HostState& host = Host();
  for (const char* path : kDialogImages) {
    wchar_t* relative = BASUtilityString::ConvertUtf8ToUnicode(path);
    const std::wstring file = product + L"themes\\" + (relative ? relative : L"");
    std::free(relative);
    if (Gdiplus::Bitmap* bitmap = BASUtilityImage::GetBitmap(file.c_str(), 96, 96)) host.imageCache[path] = bitmap;
  }
  if (argc > 3) {
    if (HICON logo = static_cast<HICON>(LoadImageW(nullptr, argv[3], IMAGE_ICON, 128, 128, LR_LOADFROMFILE)))
      host.icons["LOGO_ICON"] = logo;
  }
  Gdiplus::Bitmap* closeNormal = FindImage(&host.imageCache, "common\\close-normal.png");
  Gdiplus::Bitmap* closePressed = FindImage(&host.imageCache, "common\\close-pressed.png");

  WNDCLASSW wc{};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"ZsShowcaseFrame";
  RegisterClassW(&wc);
  HWND frame = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 148, 100, 984, 700,
                               nullptr, nullptr, wc.hInstance, nullptr);
  HWND view = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0, 984, 700, frame, nullptr,
                              wc.hInstance, nullptr);
  if (!frame || !view) {
    std::fprintf(stderr, "no display\n");
    return 1;
  }
  Pump(200);

  if (scene == L"alert" || scene == L"confirm") {
    SetTimer(nullptr, kQuitTimer, holdMs, QuitSoon);
    if (scene == L"alert")
      ShowAlert(view, L"Load Option.json Fail:\nC:\\Program Files\\Zorvane Steward for Android\\Option.json", 520, 140,
                L"OK");
    else
      ShowConfirm(view, L"Do you really want to delete the checked contacts?", 400, 120);
  } else if (scene == L"progress" || scene == L"failed") {
    UiProgressDialog progress(closeNormal, closePressed);
    progress.CreateModeless(view);
    progress.Reset();
    progress.SetFolder(L"C:\\Users\\Public\\Documents");
    progress.SetTotal(10);
    progress.SetText(L"Exporting Contacts");
    progress.Start();
    progress.SetPosition(scene == L"progress" ? 4 : 10);
    if (scene == L"failed") {
      progress.AddFailed(2);
      progress.Finish();
    }
    Pump(holdMs);
  } else if (scene == L"about") {
    SetTimer(nullptr, kQuitTimer, holdMs, QuitSoon);
    UiAboutDialog about(closeNormal, closePressed);
    about.RunModal(view);
  } else if (scene == L"sheet") {
    UiSheetDialog sheet(closeNormal, closePressed);
    sheet.CreateModeless(view);
    sheet.SetText(L"A new version of (2.1.170) is available.");
    sheet.Show(SW_SHOW);
    // Held half-way down first, then let it open.
    KillTimer(sheet.Hwnd(), UiSheetDialog::kSlideTimer);
    SendMessageW(sheet.Hwnd(), WM_TIMER, UiSheetDialog::kSlideTimer, 0);
    SendMessageW(sheet.Hwnd(), WM_TIMER, UiSheetDialog::kSlideTimer, 0);
    Pump(holdMs / 2);
    SetTimer(sheet.Hwnd(), UiSheetDialog::kSlideTimer, UiSheetDialog::kSlideMs, nullptr);
    Pump(holdMs / 2);
  }
  DestroyWindow(frame);
  FreeThemeImages(host.imageCache);
  return 0;
}
