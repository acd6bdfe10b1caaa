#include "modules/rolodex/DhContactEditPropertyView.h"

#include <windowsx.h>

#include <commctrl.h>

#include <algorithm>

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiHandles.h"

namespace {

constexpr int kTypeDropHeight = 200;
constexpr int kButtonGap = 6;
constexpr int kGroupDropHeight = 180;
constexpr wchar_t kGroupHeading[] = L"Group";
constexpr COLORREF kHeadingColor = RGB(0x33, 0x33, 0x33);

Gdiplus::Bitmap* Image(const ImageCache* images, const char* path) { return FindImage(images, path); }

SIZE ImageSize(Gdiplus::Bitmap* image) {
  if (!image) return SIZE{16, 16};
  return SIZE{static_cast<LONG>(image->GetWidth()), static_cast<LONG>(image->GetHeight())};
}

constexpr UINT_PTR kWheelSubclassId = 1;

// The rows' boxes hand the wheel to the view, so it scrolls the rows wherever the caret is. A
// closed combo box would take it to change its choice (a number's type changed unseen), and an
// edit box may keep it (Wine's does); an open list keeps it.
LRESULT CALLBACK PassWheelToView(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR view) {
  if (msg == WM_MOUSEWHEEL && !SendMessageW(hwnd, CB_GETDROPPEDSTATE, 0, 0) &&
      !SendMessageW(GetParent(hwnd), CB_GETDROPPEDSTATE, 0, 0))
    return SendMessageW(reinterpret_cast<HWND>(view), WM_MOUSEWHEEL, wp, lp);
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, PassWheelToView, kWheelSubclassId);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void PassWheel(HWND box, HWND view) {
  if (!box) return;
  SetWindowSubclass(box, PassWheelToView, kWheelSubclassId, reinterpret_cast<DWORD_PTR>(view));
  // A drop-down combo box's own edit box.
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(box, &info) && info.hwndItem && info.hwndItem != box)
    SetWindowSubclass(info.hwndItem, PassWheelToView, kWheelSubclassId, reinterpret_cast<DWORD_PTR>(view));
}

std::wstring WindowText(HWND hwnd) {
  const int length = hwnd ? GetWindowTextLengthW(hwnd) : 0;
  if (length <= 0) return std::wstring();
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], length + 1)));
  return text;
}

}  // namespace

DhContactEditPropertyView::~DhContactEditPropertyView() {
  // The rows' controls go before the view's window, while their objects still live.
  m_rows.clear();
  Destroy();
}

bool DhContactEditPropertyView::CreateIn(HWND parent, const RECT& rect, UINT id, HFONT font, const ImageCache* images,
                                         const TypeLabelIndex* typeLabels) {
  m_font = font;
  m_headingFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  m_images = images;
  m_typeLabels = typeLabels;
  if (!Create(parent, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, rect,
              id))
    return false;
  if (!m_groupBox.Create(Hwnd(), RECT{0, 0, 10, kGroupDropHeight}, NextControlId())) return false;
  m_groupBox.SetFont(m_font);
  PassWheel(m_groupBox.Hwnd(), Hwnd());
  Layout();
  return true;
}

bool DhContactEditPropertyView::CreateRowControls(Row& row, const ContactDataRow* source) {
  const HWND hwnd = Hwnd();
  if (!row.value.Create(hwnd, RECT{0, 0, 10, kBoxHeight}, NextControlId(),
                        WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE))
    return false;
  row.value.SetFont(m_font);
  PassWheel(row.value.Hwnd(), hwnd);
  if (source) row.value.SetText(source->oldValue);
  if (row.typed) {
    if (!row.type.CreateControl(hwnd, WC_COMBOBOXW, L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0,
                                RECT{0, 0, kTypeWidth, kTypeDropHeight}, NextControlId()))
      return false;
    SendMessageW(row.type.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font), FALSE);
    PassWheel(row.type.Hwnd(), hwnd);
    if (row.labels) {
      for (const TypeEntry* entry : row.labels->entries) {
        const LRESULT at = SendMessageW(row.type.Hwnd(), CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(entry ? entry->label.c_str() : L""));
        if (at >= 0)
          SendMessageW(row.type.Hwnd(), CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(entry));
      }
    }
    const TypeChoice choice = InitialTypeChoice(row.labels, source ? *source : ContactDataRow());
    if (choice.index >= 0) {
      SendMessageW(row.type.Hwnd(), CB_SETCURSEL, static_cast<WPARAM>(choice.index), 0);
    } else {
      SetWindowTextW(row.type.Hwnd(), choice.text.c_str());
      row.customType = true;
    }
  }
  if (!row.button.Create(hwnd, NextControlId())) return false;
  row.button.SetBackground(RGB(255, 255, 255));
  if (row.addsPhone)
    row.button.SetImages(Image(m_images, "contacts\\contact-edit-add-normal.png"),
                         Image(m_images, "contacts\\contact-edit-add-pressed.png"));
  else
    row.button.SetImages(Image(m_images, "contacts\\contact-edit-delete-normal.png"),
                         Image(m_images, "contacts\\contact-edit-delete-pressed.png"));
  return true;
}

bool DhContactEditPropertyView::AddRow(const std::wstring& mimetype, int sourceRow, const ContactDataRow* source) {
  const EditKind* kind = FindEditKind(mimetype);
  if (!kind || !Hwnd()) return false;
  auto row = std::make_unique<Row>();
  row->mimetype = mimetype;
  row->heading = kind->heading;
  row->sourceRow = source ? sourceRow : -1;
  row->typed = kind->typed;
  row->labels = kind->typed ? TypeLabelsOf(m_typeLabels, mimetype) : nullptr;
  row->addsPhone = mimetype == kMimePhone && !HasRowOf(kMimePhone);
  if (!CreateRowControls(*row, source)) {
    BASTrace("DhContactEditPropertyView: a row's controls could not be made");
    return false;
  }
  // Rows stay grouped by kind: a new one goes after the last row of its kind.
  size_t at = m_rows.size();
  for (size_t i = m_rows.size(); i > 0; --i)
    if (m_rows[i - 1]->mimetype == mimetype) {
      at = i;
      break;
    }
  m_rows.insert(m_rows.begin() + static_cast<std::ptrdiff_t>(at), std::move(row));
  Layout();
  return true;
}

bool DhContactEditPropertyView::AddEmptyRowAndFocus(const std::wstring& mimetype) {
  if (!AddRow(mimetype, -1, nullptr)) return false;
  size_t added = 0;
  for (size_t i = 0; i < m_rows.size(); ++i)
    if (m_rows[i]->mimetype == mimetype) added = i;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const PropertyStack stack = Stack();
  // Its heading too, when it is the first of its kind.
  const int top = stack.headingTops[added] >= 0 ? stack.headingTops[added] : stack.rowTops[added];
  const int bottom = stack.rowTops[added] + kPropertyRowHeight;
  if (top < m_scrollY)
    ScrollTo(top);
  else if (bottom > m_scrollY + client.bottom)
    ScrollTo(bottom - client.bottom);
  SetFocus(m_rows[added]->value.Hwnd());
  return true;
}

void DhContactEditPropertyView::RemoveRow(size_t index) {
  if (index >= m_rows.size()) return;
  Row& row = *m_rows[index];
  if (row.sourceRow >= 0) {
    // A row the contact had is deleted on save, as if its box were emptied.
    PropertyEdit gone;
    gone.sourceRow = row.sourceRow;
    gone.mimetype = row.mimetype;
    m_removed.push_back(gone);
  }
  m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(index));
  ScrollTo(std::min(m_scrollY, std::max(0, ContentHeight())));
  Layout();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhContactEditPropertyView::SetGroups(const std::vector<const GroupRecord*>& offered,
                                          const std::vector<std::wstring>& checked) {
  SendMessageW(m_groupBox.Hwnd(), CB_RESETCONTENT, 0, 0);
  m_groupIds.clear();
  for (const GroupRecord* group : offered) {
    if (!group) continue;
    const bool on = std::find(checked.begin(), checked.end(), group->identifier) != checked.end();
    if (m_groupBox.AddItem(group->title, on) >= 0) m_groupIds.push_back(group->identifier);
  }
  InvalidateRect(m_groupBox.Hwnd(), nullptr, FALSE);
}

std::vector<std::wstring> DhContactEditPropertyView::ShownMimetypes() const {
  std::vector<std::wstring> shown;
  for (const auto& row : m_rows)
    if (std::find(shown.begin(), shown.end(), row->mimetype) == shown.end()) shown.push_back(row->mimetype);
  return shown;
}

bool DhContactEditPropertyView::HasRowOf(const std::wstring& mimetype) const {
  return std::any_of(m_rows.begin(), m_rows.end(), [&](const auto& row) { return row->mimetype == mimetype; });
}

void DhContactEditPropertyView::ReadInto(EditorState& state) const {
  for (const auto& row : m_rows) {
    PropertyEdit edit;
    edit.sourceRow = row->sourceRow;
    edit.mimetype = row->mimetype;
    edit.value = row->value.Text();
    if (row->typed && row->type.Hwnd()) {
      const LRESULT selected = SendMessageW(row->type.Hwnd(), CB_GETCURSEL, 0, 0);
      edit.typeIndex = row->customType || selected == CB_ERR ? -1 : static_cast<int>(selected);
      edit.typeText = WindowText(row->type.Hwnd());
    }
    state.properties.push_back(edit);
  }
  state.properties.insert(state.properties.end(), m_removed.begin(), m_removed.end());
  state.offeredGroups = m_groupIds;
  state.checkedGroups.clear();
  for (size_t i = 0; i < m_groupIds.size(); ++i)
    if (m_groupBox.IsChecked(static_cast<int>(i))) state.checkedGroups.push_back(m_groupIds[i]);
}

HWND DhContactEditPropertyView::ValueBox(int row) const {
  return row >= 0 && row < RowCount() ? m_rows[static_cast<size_t>(row)]->value.Hwnd() : nullptr;
}

HWND DhContactEditPropertyView::TypeBox(int row) const {
  return row >= 0 && row < RowCount() ? m_rows[static_cast<size_t>(row)]->type.Hwnd() : nullptr;
}

HWND DhContactEditPropertyView::RowButton(int row) const {
  return row >= 0 && row < RowCount() ? m_rows[static_cast<size_t>(row)]->button.Hwnd() : nullptr;
}

PropertyStack DhContactEditPropertyView::Stack() const {
  std::vector<std::wstring> kinds;
  kinds.reserve(m_rows.size());
  for (const auto& row : m_rows) kinds.push_back(row->mimetype);
  return StackPropertyRows(kinds);
}

void DhContactEditPropertyView::ScrollTo(int y) {
  RECT client{};
  if (Hwnd()) GetClientRect(Hwnd(), &client);
  const int most = std::max(0, ContentHeight() - static_cast<int>(client.bottom));
  const int target = std::clamp(y, 0, most);
  if (target == m_scrollY) {
    UpdateScrollBar();
    return;
  }
  m_scrollY = target;
  Layout();
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhContactEditPropertyView::UpdateScrollBar() {
  if (!Hwnd()) return;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = ContentHeight() - 1;
  info.nPage = static_cast<UINT>(std::max<LONG>(client.bottom, 0));
  info.nPos = m_scrollY;
  SetScrollInfo(Hwnd(), SB_VERT, &info, TRUE);
}

void DhContactEditPropertyView::Layout() {
  if (!Hwnd()) return;
  RECT client{};
  GetClientRect(Hwnd(), &client);
  const int width = client.right;
  const SIZE buttonSize = ImageSize(Image(m_images, "contacts\\contact-edit-delete-normal.png"));
  const int buttonLeft = width - buttonSize.cx - 4;
  const int valueRight = buttonLeft - kButtonGap;
  const int boxTop = (kPropertyRowHeight - kBoxHeight) / 2;
  const PropertyStack stack = Stack();
  HDWP moves = BeginDeferWindowPos(static_cast<int>(m_rows.size()) * 3 + 1);
  auto place = [&](HWND hwnd, int x, int y, int cx, int cy) {
    if (!hwnd) return;
    // Copied bits of moved children leave ghosts of their old places; each one repaints.
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
    if (moves) moves = DeferWindowPos(moves, hwnd, nullptr, x, y, cx, cy, flags);
    if (!moves) SetWindowPos(hwnd, nullptr, x, y, cx, cy, flags);
  };
  for (size_t i = 0; i < m_rows.size(); ++i) {
    Row& row = *m_rows[i];
    const int top = stack.rowTops[i] - m_scrollY;
    int left = kIndent;
    if (row.typed) {
      place(row.type.Hwnd(), left, top + boxTop, kTypeWidth, kTypeDropHeight);
      left += kTypeWidth + kButtonGap;
    }
    place(row.value.Hwnd(), left, top + boxTop, std::max(valueRight - left, 10), kBoxHeight);
    place(row.button.Hwnd(), buttonLeft, top + (kPropertyRowHeight - buttonSize.cy) / 2, buttonSize.cx, buttonSize.cy);
  }
  place(m_groupBox.Hwnd(), kIndent, stack.groupTop - m_scrollY + boxTop, std::max(valueRight - kIndent, 10),
        kGroupDropHeight);
  if (moves) EndDeferWindowPos(moves);
  UpdateScrollBar();
  // The headings move with the rows.
  InvalidateRect(Hwnd(), nullptr, FALSE);
}

void DhContactEditPropertyView::OnSize(int, int) {
  // A taller view may show everything: the position may have to come back.
  ScrollTo(m_scrollY);
  Layout();
}

void DhContactEditPropertyView::OnPaint(HDC dc, const RECT& client) {
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  DcStateGuard state(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, kHeadingColor);
  const HGDIOBJ old = SelectObject(dc, m_headingFont ? m_headingFont.Get() : m_font);
  auto heading = [&](const wchar_t* text, int top) {
    RECT rect = {kIndent / 2, top - m_scrollY, client.right - 4, top - m_scrollY + kPropertyHeadingHeight};
    if (rect.bottom < client.top || rect.top > client.bottom) return;
    DrawTextW(dc, text, -1, &rect, DT_LEFT | DT_BOTTOM | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
  };
  const PropertyStack stack = Stack();
  for (size_t i = 0; i < m_rows.size(); ++i)
    if (stack.headingTops[i] >= 0) heading(m_rows[i]->heading.c_str(), stack.headingTops[i]);
  heading(kGroupHeading, stack.groupHeadingTop);
  SelectObject(dc, old);
}

void DhContactEditPropertyView::OnVScroll(int request) {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  int target = m_scrollY;
  switch (request) {
    case SB_LINEUP:
      target -= kPropertyRowHeight;
      break;
    case SB_LINEDOWN:
      target += kPropertyRowHeight;
      break;
    case SB_PAGEUP:
      target -= client.bottom;
      break;
    case SB_PAGEDOWN:
      target += client.bottom;
      break;
    case SB_TOP:
      target = 0;
      break;
    case SB_BOTTOM:
      target = ContentHeight();
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      if (GetScrollInfo(Hwnd(), SB_VERT, &info)) target = info.nTrackPos;
      break;
    }
    default:
      return;
  }
  ScrollTo(target);
}

LRESULT DhContactEditPropertyView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  switch (msg) {
    case WM_VSCROLL:
      handled = true;
      OnVScroll(LOWORD(wp));
      return 0;
    case WM_MOUSEWHEEL: {
      handled = true;
      // Three rows a notch, as lines scroll elsewhere.
      const int notches = GET_WHEEL_DELTA_WPARAM(wp) / WHEEL_DELTA;
      ScrollTo(m_scrollY - notches * 3 * kPropertyRowHeight);
      return 0;
    }
    case WM_CTLCOLORSTATIC:
      handled = true;
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    default:
      return BASWindow::HandleMessage(msg, wp, lp, handled);
  }
}

bool DhContactEditPropertyView::OnCommand(int, int code, HWND control) {
  if (!control) return false;
  for (size_t i = 0; i < m_rows.size(); ++i) {
    Row& row = *m_rows[i];
    if (control == row.button.Hwnd() && code == BN_CLICKED) {
      if (row.addsPhone)
        AddEmptyRowAndFocus(kMimePhone);
      else
        RemoveRow(i);
      return true;
    }
    if (control == row.type.Hwnd()) {
      // A label typed into the box is a custom type; one picked from the list is not.
      if (code == CBN_EDITCHANGE) row.customType = true;
      if (code == CBN_SELCHANGE) row.customType = false;
      return false;
    }
  }
  return false;
}
