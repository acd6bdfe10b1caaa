#include "modules/rolodex/DhContactEditView.h"

#include <windowsx.h>

#include <type_traits>

#include "contracts/CommandCodes.h"
#include "contracts/CommandNames.h"
#include "contracts/cornerstone/Cornerstone.h"

namespace {

constexpr const wchar_t* kNameLabels[3] = {L"First Name", L"Middle Name", L"Last Name"};
constexpr wchar_t kFailedTitle[] = L"Failed...";
constexpr int kNameLabelRight = 180;
constexpr int kNameBoxLeft = 190;
constexpr int kNameBoxRight = 350;
constexpr int kFirstNameTop = 72;
constexpr int kNameStep = 30;
constexpr int kButtonPadX = 20;
constexpr int kButtonPadY = 6;
constexpr int kAccountComboDropHeight = 160;
constexpr COLORREF kAddFieldText = RGB(0x7F, 0x7F, 0x7F);
constexpr COLORREF kAddFieldPressed = RGB(0xEB, 0xEB, 0xEB);
constexpr COLORREF kWhite = RGB(255, 255, 255);

struct MenuDestroyer {
  void operator()(HMENU menu) const { DestroyMenu(menu); }
};
using MenuHandle = std::unique_ptr<std::remove_pointer_t<HMENU>, MenuDestroyer>;

Gdiplus::Bitmap* ModuleImage(const ModuleRecord* module, const char* path) {
  return FindImage(module ? module->imageCache : nullptr, path);
}

}  // namespace

DhContactEditView::DhContactEditView(const ModuleRecord* module, HWND pane, const AccountList* accounts,
                                     const TypeLabelIndex* typeLabels, const GroupList* groups)
    : UiDialog(ModuleImage(module, "common\\close-normal.png"), ModuleImage(module, "common\\close-pressed.png")),
      m_module(module),
      m_pane(pane),
      m_accounts(accounts),
      m_typeLabels(typeLabels),
      m_groups(groups),
      m_contact(std::make_unique<ContactRecord>()) {
  SetSize(kWidth, kHeight);
}

DhContactEditView::~DhContactEditView() { DestroyDialog(); }

void DhContactEditView::SetMode(bool editMode, const ContactRecord* contact) {
  m_editMode = editMode;
  // New: all fields empty, edit state 2, no account chosen, as a record the pane would make.
  m_contact = editMode && contact ? std::make_unique<ContactRecord>(*contact) : std::make_unique<ContactRecord>();
}

bool DhContactEditView::OnStart() {
  SetWindowTextW(Hwnd(), m_title.c_str());
  m_titleFont.Reset(BASUtilityApp::GetFont(15, true, L"Arial"));
  m_boldFont.Reset(BASUtilityApp::GetFont(16, true, L"Arial"));
  if (!CreateControls()) {
    BASTrace("DhContactEditView: the controls could not be made");
    return false;
  }
  FillFromContact();
  SetFocus(m_nameBoxes[0].Hwnd());
  return true;
}

bool DhContactEditView::CreateControls() {
  const HWND hwnd = Hwnd();
  const RECT accountRect = {20, 40, kWidth - 20, 62};
  if (!m_accountLabel.Create(hwnd, AccountLabel(*m_contact, !m_editMode).c_str(), accountRect, kAccountLabelId,
                             WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_ENDELLIPSIS | SS_NOPREFIX))
    return false;
  m_accountLabel.SetFont(TextFont());
  if (!m_accountCombo.CreateControl(
          hwnd, WC_COMBOBOXW, L"", WS_CHILD | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
          RECT{accountRect.left, accountRect.top, accountRect.right, accountRect.top + kAccountComboDropHeight},
          kAccountComboId))
    return false;
  SendMessageW(m_accountCombo.Hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(TextFont()), FALSE);

  for (int i = 0; i < 3; ++i) {
    const int top = kFirstNameTop + i * kNameStep;
    if (!m_nameLabels[i].Create(hwnd, kNameLabels[i], RECT{80, top, kNameLabelRight, top + 20},
                                static_cast<UINT>(kFirstNameLabelId + i),
                                WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_NOPREFIX))
      return false;
    m_nameLabels[i].SetFont(TextFont());
    if (!m_nameBoxes[i].Create(hwnd, RECT{kNameBoxLeft, top - 2, kNameBoxRight, top + 20},
                               static_cast<UINT>(kFirstNameBoxId + i),
                               WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE))
      return false;
    m_nameBoxes[i].SetFont(TextFont());
  }

  const RECT viewRect = {20, 160, kWidth - 10, kHeight - 60};
  if (!m_properties.CreateIn(hwnd, viewRect, kPropertyViewId, TextFont(), m_module ? m_module->imageCache : nullptr,
                             m_typeLabels))
    return false;

  if (!CreateButton(m_cancel, kCancelButtonId, L"Cancel") || !CreateButton(m_ok, kOkButtonId, L"OK") ||
      !m_addField.Create(hwnd, kAddFieldId))
    return false;
  m_cancel.SetMargins(kButtonPadX, kButtonPadY);
  m_ok.SetMargins(kButtonPadX, kButtonPadY);
  m_addField.SetGroupMember(false);
  m_addField.SetFont(ButtonFont());
  m_addField.SetNormalColors(kWhite, kAddFieldText);
  m_addField.SetSelectedColors(kAddFieldPressed, kAddFieldText);
  m_addField.SetMargins(kButtonPadX / 2, kButtonPadY);
  m_addField.SetText(L"Add Field");
  PlaceButton(m_cancel, 30, kHeight - 20 - m_cancel.Height());
  PlaceButton(m_ok, 30 + m_cancel.Width() + 10, kHeight - 20 - m_ok.Height());
  m_addField.MoveTo(20, kHeight - 20 - m_addField.Height());
  return true;
}

void DhContactEditView::FillFromContact() {
  const ContactRecord& contact = *m_contact;
  if (!m_editMode) {
    m_properties.AddRow(kMimePhone, -1, nullptr);
    m_properties.AddRow(kMimeEmail, -1, nullptr);
    m_properties.AddRow(kMimePostalAddress, -1, nullptr);
  } else {
    bool named = false;
    for (size_t i = 0; i < contact.dataRows.size(); ++i) {
      const ContactDataRow* row = contact.dataRows[i];
      if (!row) continue;
      if (row->mimetype == kMimeName) {
        if (named) continue;
        named = true;
        const NameParts parts = SplitNameValue(row->oldValue);
        m_nameBoxes[0].SetText(parts.first);
        m_nameBoxes[1].SetText(parts.middle);
        m_nameBoxes[2].SetText(parts.last);
        continue;
      }
      m_properties.AddRow(row->mimetype, static_cast<int>(i), row);
    }
    if (!m_properties.HasRowOf(kMimePhone)) m_properties.AddRow(kMimePhone, -1, nullptr);
  }
  m_properties.SetGroups(OfferedGroups(m_groups, contact), contact.groups);
}

std::vector<const AddFieldEntry*> DhContactEditView::AddFieldMenu() const {
  return AddFieldChoices(m_properties.ShownMimetypes());
}

void DhContactEditView::ShowAccountChoice() {
  const HWND combo = m_accountCombo.Hwnd();
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  if (m_accounts) {
    for (const AccountRecord* account : *m_accounts) {
      if (!account) continue;
      const std::wstring text = AccountText(account->name, account->type);
      const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(account));
    }
  }
  const std::wstring phoneOnly = AccountText(std::wstring(), std::wstring());
  const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(phoneOnly.c_str()));
  if (at >= 0) SendMessageW(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), 0);
  // The box opens on what the label said.
  const std::wstring current = AccountLabel(*m_contact, !m_editMode);
  SendMessageW(combo, CB_SETCURSEL,
               static_cast<WPARAM>(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                reinterpret_cast<LPARAM>(current.c_str()))),
               0);
  ShowWindow(m_accountLabel.Hwnd(), SW_HIDE);
  ShowWindow(combo, SW_SHOW);
  SetFocus(combo);
}

void DhContactEditView::RunAddField() {
  const std::vector<const AddFieldEntry*> choices = AddFieldMenu();
  if (choices.empty()) return;
  MenuHandle menu(CreatePopupMenu());
  if (!menu) return;
  for (const AddFieldEntry* entry : choices)
    AppendMenuW(menu.get(), MF_STRING, static_cast<UINT_PTR>(entry->id), entry->text);
  RECT button{};
  GetWindowRect(m_addField.Hwnd(), &button);
  const int choice =
      static_cast<int>(TrackPopupMenu(menu.get(), TPM_RETURNCMD | TPM_LEFTALIGN | TPM_BOTTOMALIGN | TPM_NONOTIFY,
                                      button.left, button.top, 0, Hwnd(), nullptr));
  m_addField.SetState(BASSwitchButton::kNormal);
  if (const AddFieldEntry* entry = FindAddField(choice)) m_properties.AddEmptyRowAndFocus(entry->mimetype);
}

SaveOutcome DhContactEditView::ComputeSaveNow() const {
  EditorState state;
  state.name = {m_nameBoxes[0].Text(), m_nameBoxes[1].Text(), m_nameBoxes[2].Text()};
  m_properties.ReadInto(state);
  const HWND combo = m_accountCombo.Hwnd();
  if (combo && IsWindowVisible(combo)) {
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR) {
      state.accountPicked = true;
      const auto* account =
          reinterpret_cast<const AccountRecord*>(SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
      if (account && account != reinterpret_cast<const AccountRecord*>(CB_ERR)) {
        state.accountName = account->name;
        state.accountType = account->type;
      }
    }
  }
  return ComputeSave(*m_contact, !m_editMode, state, m_typeLabels);
}

void DhContactEditView::Save() {
  if (m_waiting) return;
  m_failed = false;
  InvalidateTitle();
  m_ok.SetEnabled(false);
  SaveOutcome outcome = ComputeSaveNow();
  if (!outcome.HasChanges()) {
    End(0);
    return;
  }
  m_sent = std::move(outcome.contact);
  CommandRecord record;
  record.code = kContactRequestSave;
  record.data = m_sent.get();
  record.window = m_pane;
  record.value = m_saveToken;
  // Waiting before the post: a host that cannot save answers at once, inside the post.
  m_waiting = true;
  if (!m_module || !m_module->hostEntry) {
    update(0, static_cast<int32_t>(kSaveFailed));
    return;
  }
  PostToHost(*m_module, record, kRolodexDoContact);
}

void DhContactEditView::update(int32_t kind, int32_t value) {
  // Only the answer to a save this editor sent ends it.
  if (kind != 0 || !m_waiting || !Hwnd()) return;
  if (value == kSaveSucceeded) {
    m_waiting = false;
    End(0);
  } else if (value == kSaveFailed) {
    m_waiting = false;
    m_failed = true;
    InvalidateTitle();
    m_ok.SetEnabled(true);
  }
}

void DhContactEditView::InvalidateTitle() {
  if (!Hwnd()) return;
  const RECT title = TitleRect();
  InvalidateRect(Hwnd(), &title, FALSE);
}

bool DhContactEditView::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case kOkButtonId:
    case IDOK:
      if (IsWindowEnabled(m_ok.Hwnd())) Save();
      m_ok.SetState(IsWindowEnabled(m_ok.Hwnd()) ? BASSwitchButton::kNormal : BASSwitchButton::kDisabled);
      return true;
    case kCancelButtonId:
      OnClose();
      return true;
    case kAddFieldId:
      RunAddField();
      return true;
    default:
      return UiDialog::OnCommand(id, code, control);
  }
}

LRESULT DhContactEditView::HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (msg == kStaticClicked && static_cast<int>(wp) == kAccountLabelId) {
    handled = true;
    ShowAccountChoice();
    return 0;
  }
  if (msg == WM_MOUSEWHEEL && m_properties.Hwnd()) {
    // The wheel turned over the rows scrolls them, wherever the caret is.
    POINT at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    RECT rows{};
    GetWindowRect(m_properties.Hwnd(), &rows);
    if (PtInRect(&rows, at)) {
      handled = true;
      return SendMessageW(m_properties.Hwnd(), WM_MOUSEWHEEL, wp, lp);
    }
  }
  return UiDialog::HandleMessage(msg, wp, lp, handled);
}

HBRUSH DhContactEditView::ControlBrush(HDC dc, HWND) { return StockControlBrush(dc, kWhite); }

void DhContactEditView::PaintBody(HDC dc, const RECT&) {
  if (!m_portrait) return;
  Gdiplus::Graphics graphics(dc);
  graphics.DrawImage(m_portrait, 20, 70, static_cast<INT>(m_portrait->GetWidth()),
                     static_cast<INT>(m_portrait->GetHeight()));
}

void DhContactEditView::OnPaint(HDC dc, const RECT& client) {
  UiDialog::OnPaint(dc, client);
  DcStateGuard state(dc);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, m_failed ? kFailedColor : kWhite);
  SelectGuard font(dc, m_titleFont);
  RECT title = TitleRect();
  const std::wstring text = m_failed ? kFailedTitle : m_title;
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &title,
            DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}
