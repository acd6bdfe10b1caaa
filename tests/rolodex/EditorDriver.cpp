#include "tests/rolodex/EditorDriver.h"

#include <algorithm>

namespace rolodextest {

namespace {

EditorScript* g_script = nullptr;
constexpr DWORD kGiveUpMs = 5000;

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (std::wstring(name) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return name;
}

struct Placed {
  HWND hwnd;
  RECT rect;
};

std::vector<Placed> ChildrenOf(HWND parent, const wchar_t* className) {
  std::vector<Placed> found;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) != className) continue;
    RECT rect{};
    GetWindowRect(child, &rect);
    found.push_back({child, rect});
  }
  std::sort(found.begin(), found.end(), [](const Placed& a, const Placed& b) {
    return a.rect.top != b.rect.top ? a.rect.top < b.rect.top : a.rect.left < b.rect.left;
  });
  return found;
}

}  // namespace

EditorScript::EditorScript(std::function<void(HWND)> step) : m_step(std::move(step)) {
  g_script = this;
  m_started = GetTickCount();
  m_timer = SetTimer(nullptr, 0, 20, OnTimer);
}

EditorScript::~EditorScript() {
  if (m_timer) KillTimer(nullptr, m_timer);
  g_script = nullptr;
}

void CALLBACK EditorScript::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
  EditorScript* self = g_script;
  if (!self) return;
  const HWND editor = FindEditor();
  if (!editor) return;
  if (!self->m_ran) {
    self->m_ran = true;
    self->m_step(editor);
    return;
  }
  if (GetTickCount() - self->m_started > kGiveUpMs) PostMessageW(editor, WM_CLOSE, 0, 0);
}

HWND FindEditor() {
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND EditorPropertyView(HWND editor) { return GetDlgItem(editor, 4010); }

std::vector<EditorRow> EditorRows(HWND editor) {
  const HWND view = EditorPropertyView(editor);
  std::vector<EditorRow> rows;
  if (!view) return rows;
  const std::vector<Placed> edits = ChildrenOf(view, L"Edit");
  const std::vector<Placed> combos = ChildrenOf(view, L"ComboBox");
  const std::vector<Placed> buttons = ChildrenOf(view, L"Button");
  for (const Placed& edit : edits) {
    // A combo box's own edit is its child, not the view's: every edit here is a value box.
    EditorRow row;
    row.value = edit.hwnd;
    const int middle = (edit.rect.top + edit.rect.bottom) / 2;
    for (const Placed& combo : combos) {
      RECT field{};
      GetWindowRect(combo.hwnd, &field);
      if (field.top <= middle && middle <= field.top + 24 && field.right <= edit.rect.left) row.type = combo.hwnd;
    }
    for (const Placed& button : buttons)
      if (button.rect.top <= middle && middle <= button.rect.bottom) row.button = button.hwnd;
    rows.push_back(row);
  }
  return rows;
}

HWND EditorGroupBox(HWND editor) {
  const HWND view = EditorPropertyView(editor);
  const std::vector<Placed> combos = view ? ChildrenOf(view, L"ComboBox") : std::vector<Placed>();
  for (auto it = combos.rbegin(); it != combos.rend(); ++it)
    if (GetWindowLongW(it->hwnd, GWL_STYLE) & CBS_OWNERDRAWFIXED) return it->hwnd;
  return nullptr;
}

std::wstring TextOf(HWND hwnd) {
  // WM_GETTEXT, not GetWindowText: it reads an edit box of another process as well.
  wchar_t text[512] = {};
  SendMessageW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text));
  return text;
}

void SetEditText(HWND edit, const std::wstring& text) {
  SetWindowTextW(edit, text.c_str());
  SendMessageW(GetParent(edit), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(edit), EN_CHANGE), reinterpret_cast<LPARAM>(edit));
}

void TypeComboText(HWND combo, const std::wstring& text) {
  SetWindowTextW(combo, text.c_str());
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_EDITCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void PickComboItem(HWND combo, int index) {
  SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

void ClickControl(HWND control) {
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
               reinterpret_cast<LPARAM>(control));
}

}  // namespace rolodextest
