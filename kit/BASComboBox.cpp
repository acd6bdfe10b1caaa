#include "kit/BASComboBox.h"

#include "kit/DoubleBuffer.h"
#include "kit/GdiHandles.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <iterator>
#include <memory>
#include <vector>

namespace {

// BASWindow's own subclass uses id 1 on its windows; the list box is not one of them, but a
// distinct id keeps the two apart should that ever change.
constexpr UINT_PTR kListBoxSubclassId = 0x2B0C;
constexpr UINT kTextFormat = DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX;

// Font height plus external leading of `font` (null: the system font) on `hwnd`'s display.
int LineHeight(HWND hwnd, HFONT font) {
  ClientDc dc(hwnd);
  if (!dc) return 16;
  SelectGuard selected(dc, font);
  TEXTMETRICW metrics{};
  if (!GetTextMetricsW(dc, &metrics)) return 16;
  return metrics.tmHeight + metrics.tmExternalLeading;
}

std::wstring ItemText(HWND combo, int index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR || length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  const LRESULT copied =
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
  return text;
}

}  // namespace

BASComboBox::~BASComboBox() {
  if (m_listBox && IsWindow(m_listBox)) RemoveWindowSubclass(m_listBox, ListBoxProc, kListBoxSubclassId);
  m_listBox = nullptr;
}

bool BASComboBox::Create(HWND parent, const RECT& rect, UINT id, DWORD style) {
  const DWORD full = (style & ~static_cast<DWORD>(CBS_SIMPLE | CBS_DROPDOWN | CBS_OWNERDRAWVARIABLE)) |
                     CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS;
  return CreateControl(parent, L"COMBOBOX", L"", full, 0, rect, id);
}

int BASComboBox::AddItem(const std::wstring& text, bool checked) {
  if (!Hwnd()) return -1;
  const auto index = static_cast<int>(SendMessageW(Hwnd(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (index < 0) return -1;
  SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
  m_displayValid = false;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  return index;
}

void BASComboBox::SetCheck(int index, bool checked) {
  if (!Hwnd() || index < 0 || index >= ItemCount()) return;
  if (SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0) == CB_ERR) return;
  m_displayValid = false;
  InvalidateRect(Hwnd(), nullptr, FALSE);
  if (m_listBox) {
    RECT item{};
    if (SendMessageW(m_listBox, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
      InvalidateRect(m_listBox, &item, FALSE);
  }
}

bool BASComboBox::IsChecked(int index) const {
  if (!Hwnd() || index < 0 || index >= ItemCount()) return false;
  return SendMessageW(Hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0) != 0;
}

int BASComboBox::ItemCount() const {
  if (!Hwnd()) return 0;
  const LRESULT count = SendMessageW(Hwnd(), CB_GETCOUNT, 0, 0);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

std::wstring BASComboBox::DisplayText() {
  if (m_displayValid) return m_displayText;
  const int count = ItemCount();
  std::vector<std::wstring> texts(static_cast<size_t>(count));
  auto checked = std::make_unique<bool[]>(static_cast<size_t>(count) + 1);
  for (int i = 0; i < count; ++i) {
    checked[i] = IsChecked(i);
    if (checked[i]) texts[i] = ItemText(Hwnd(), i);
  }
  m_displayText = JoinChecked(texts.data(), checked.get(), count, ListSeparator());
  m_displayValid = true;
  return m_displayText;
}

void BASComboBox::SetFont(HFONT font) {
  if (!Hwnd()) return;
  SendMessageW(Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  // A fixed owner-drawn box measures its items once, at creation; a new font needs new heights.
  const int height = LineHeight(Hwnd(), font) + 2;
  SendMessageW(Hwnd(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
  SendMessageW(Hwnd(), CB_SETITEMHEIGHT, 0, height);
}

std::wstring BASComboBox::ListSeparator() {
  wchar_t buffer[16] = L"";
  const int length = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST, buffer, static_cast<int>(std::size(buffer)));
  std::wstring separator = length > 0 ? std::wstring(buffer) : std::wstring();
  while (!separator.empty() && std::iswspace(separator.back())) separator.pop_back();
  if (separator.empty()) separator = L";";
  return separator + L" ";
}

std::wstring BASComboBox::JoinChecked(const std::wstring* texts, const bool* checked, int count,
                                      const std::wstring& separator) {
  std::wstring joined;
  bool first = true;
  for (int i = 0; i < count; ++i) {
    if (!checked[i]) continue;
    if (!first) joined += separator;
    joined += texts[i];
    first = false;
  }
  return joined;
}

LRESULT BASComboBox::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_GETTEXT: {
      handled = true;
      auto* out = reinterpret_cast<wchar_t*>(lp);
      if (!out || wp == 0) return 0;
      const std::wstring text = DisplayText();
      const size_t copied = std::min<size_t>(text.size(), static_cast<size_t>(wp) - 1);
      text.copy(out, copied);
      out[copied] = L'\0';
      return static_cast<LRESULT>(copied);
    }
    case WM_GETTEXTLENGTH:
      handled = true;
      return static_cast<LRESULT>(DisplayText().size());
    case WM_CTLCOLORLISTBOX:
      // The drop-down list exists from creation, but it first asks for colours when it opens.
      if (!m_listBox && lp) {
        const auto listBox = reinterpret_cast<HWND>(lp);
        if (SetWindowSubclass(listBox, ListBoxProc, kListBoxSubclassId, reinterpret_cast<DWORD_PTR>(this)))
          m_listBox = listBox;
        else
          std::fprintf(stderr, "BASComboBox: drop-down list %p not taken over\n", static_cast<void*>(listBox));
      }
      break;
    default:
      break;
  }
  return BASWindow::HandleMessage(msg, wp, lp, handled);
}

bool BASComboBox::OnMeasureItem(MEASUREITEMSTRUCT& item) {
  if (item.CtlType != ODT_COMBOBOX) return false;
  const auto font = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  const int height = LineHeight(Hwnd(), font) + 2;
  item.itemHeight = static_cast<UINT>(height);
  if (!m_selectionHeightSet) {
    m_selectionHeightSet = true;
    // The field is normally measured first (item -1); when it was not, it is set after the
    // creation that measures the items has finished.
    if (static_cast<int>(item.itemID) >= 0) PostMessageW(Hwnd(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
  }
  return true;
}

bool BASComboBox::OnDrawItem(DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_COMBOBOX) return false;
  const bool field = static_cast<int>(item.itemID) < 0 || (item.itemState & ODS_COMBOBOXEDIT);
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  DoubleBuffer buffer(item.hDC, item.rcItem);
  const HDC dc = buffer.Dc();
  SetDCBrushColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  FillRect(dc, &item.rcItem, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  const auto font = reinterpret_cast<HFONT>(SendMessageW(Hwnd(), WM_GETFONT, 0, 0));
  SelectGuard fontGuard(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));

  RECT textRect = item.rcItem;
  std::wstring text;
  if (field) {
    text = DisplayText();
  } else {
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    RECT box = item.rcItem;
    box.right = box.left + metrics.tmHeight + metrics.tmExternalLeading + 6;
    box.top += 1;
    box.bottom -= 1;
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | (item.itemData ? DFCS_CHECKED : 0));
    textRect.left = box.right;
    text = ItemText(Hwnd(), static_cast<int>(item.itemID));
  }
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, kTextFormat);
  if (selected && (item.itemState & ODS_FOCUS)) DrawFocusRect(dc, &item.rcItem);
  return true;
}

bool BASComboBox::OnReflectedCommand(int code) {
  // Opening needs nothing from the box itself; the list is taken over when it first paints.
  return code == CBN_DROPDOWN;
}

void BASComboBox::ToggleItem(int index) {
  if (!Hwnd() || index < 0 || index >= ItemCount()) return;
  const LRESULT data = SendMessageW(Hwnd(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
  SendMessageW(Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(index), data == 0 ? 1 : 0);
  m_displayValid = false;
  if (m_listBox) {
    RECT item{};
    if (SendMessageW(m_listBox, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != LB_ERR)
      InvalidateRect(m_listBox, &item, FALSE);
  }
  InvalidateRect(Hwnd(), nullptr, FALSE);
  SendMessageW(GetParent(Hwnd()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Hwnd()), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(Hwnd()));
}

LRESULT CALLBACK BASComboBox::ListBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR refData) {
  auto* self = reinterpret_cast<BASComboBox*>(refData);
  try {
    switch (msg) {
      case LB_GETCURSEL:
        // The combo asks this to pick its text and to close on a choice: there never is one.
        return LB_ERR;
      case WM_KEYDOWN:
        if (wp == VK_SPACE) {
          // The real current item, past the answer above.
          int current = static_cast<int>(DefSubclassProc(hwnd, LB_GETCURSEL, 0, 0));
          if (current < 0) current = static_cast<int>(DefSubclassProc(hwnd, LB_GETCARETINDEX, 0, 0));
          if (self && current >= 0) self->ToggleItem(current);
          return 0;
        }
        break;
      case WM_CHAR:
        if (wp == L' ') return 0;
        break;
      case WM_LBUTTONDOWN:
      case WM_LBUTTONDBLCLK:
      case WM_LBUTTONUP: {
        const POINT point{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        RECT client{};
        GetClientRect(hwnd, &client);
        if (!PtInRect(&client, point)) break;  // outside: the list closes as usual
        const auto hit = static_cast<DWORD>(DefSubclassProc(hwnd, LB_ITEMFROMPOINT, 0, lp));
        if (HIWORD(hit) != 0) break;
        // Down toggles; the up is swallowed too, or the list would take it as a choice and close.
        if (msg != WM_LBUTTONUP && self) self->ToggleItem(static_cast<int>(LOWORD(hit)));
        return 0;
      }
      case WM_NCDESTROY:
        RemoveWindowSubclass(hwnd, ListBoxProc, kListBoxSubclassId);
        if (self && self->m_listBox == hwnd) self->m_listBox = nullptr;
        break;
      default:
        break;
    }
  } catch (...) {
    std::fprintf(stderr, "BASComboBox: exception in message 0x%04X of list %p\n", msg, static_cast<void*>(hwnd));
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}
