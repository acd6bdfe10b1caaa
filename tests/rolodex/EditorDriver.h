// Drives the contact editor the pane runs modally: a script runs from a timer inside the
// editor's own modal loop, and the editor's controls are found by id or, in the property
// view, by their place (rows top to bottom).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace rolodextest {

// Runs `step` with the editor's window once it shows. An editor still open five seconds later
// is closed, so a broken editor fails its test instead of hanging it.
class EditorScript {
 public:
  explicit EditorScript(std::function<void(HWND editor)> step);
  ~EditorScript();
  EditorScript(const EditorScript&) = delete;
  EditorScript& operator=(const EditorScript&) = delete;
  bool Ran() const { return m_ran; }

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
  std::function<void(HWND)> m_step;
  UINT_PTR m_timer = 0;
  DWORD m_started = 0;
  bool m_ran = false;
};

// The editor of this thread that shows now, or null.
HWND FindEditor();

// One property row's controls; type is null for kinds without a type combo.
struct EditorRow {
  HWND type = nullptr;
  HWND value = nullptr;
  HWND button = nullptr;
};
// The property rows top to bottom, and the Group row's box.
std::vector<EditorRow> EditorRows(HWND editor);
HWND EditorGroupBox(HWND editor);
HWND EditorPropertyView(HWND editor);

std::wstring TextOf(HWND hwnd);
// Types into an edit box as the user does: the text, then the change notice to the parent.
void SetEditText(HWND edit, const std::wstring& text);
// A label typed into a drop-down combo box, with the notice the box sends.
void TypeComboText(HWND combo, const std::wstring& text);
void PickComboItem(HWND combo, int index);
// A click on a control that reports BN_CLICKED to its parent.
void ClickControl(HWND control);

}  // namespace rolodextest
