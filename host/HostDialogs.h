// The host's dialogs as the handlers use them: the sheet strip, the about dialog, the
// confirmations, and one progress dialog per content window (a phone's wizard window or
// the task pane).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "host/Alert.h"

class UiProgressDialog;
class UiSheetDialog;
class UiUpdateDownloadDialog;
class UiUpdateListDialog;

// Creates the dialogs of the main view (the sheet) and the task pane's progress dialog.
void CreateHostDialogs(HWND view);
void DestroyHostDialogs();

bool AskConfirmation(HWND owner, const std::wstring& text, int width, int height);
void ShowAboutDialog();
// Slides the sheet in with `text`; a click on it opens the log folder when asked to.
// A click on the sheet opens `folder` when it is not empty.
void ShowSheetNotice(const std::wstring& text, const std::wstring& folder);
// Slides the sheet in with `text`; a click runs `action` (none when empty).
void ShowSheetAction(const std::wstring& text, std::function<void()> action);
void FitSheetToView();
UiSheetDialog* SheetDialog();

// The update dialogs, made hidden with the main view; null before that.
UiUpdateListDialog* UpdateListDialog();
// Safe from any thread once made: it lives until exit.
UiUpdateDownloadDialog* UpdateDownloadDialog();

void CreateProgressDialogFor(HWND window);
// Hides a removed phone's dialog. The object stays until exit: a device-service thread may
// still be writing its counters.
void ForgetProgressDialogOf(HWND window);
// Safe from any thread; null when the window has none.
UiProgressDialog* ProgressDialogOf(HWND window);
// Hides each progress dialog whose window is hidden and shows again those whose window is
// visible, unless the user closed them.
void RedisplayProgressDialogs();
