// DhContactEditView: the modal contact editor (New and Edit). It shows the account, the three
// name parts and the property view, and on OK sends the host one save request and waits for
// the host's answer with OK disabled: saved closes it, failed shows "Failed..." in the title.
//
// It edits a deep copy of the pane's contact and sends a fresh copy of that with each save, so
// the pane may replace or free its own record (a save answered, an import, a reload) while the
// editor is open without the editor ever reading it.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "kit/BASComboBox.h"
#include "kit/BASEdit.h"
#include "kit/BASStatic.h"
#include "kit/BASSwitchButton.h"
#include "kit/UiDialog.h"
#include "modules/rolodex/ContactEditModel.h"
#include "modules/rolodex/DhContactEditPropertyView.h"

class DhContactEditView : public UiDialog {
 public:
  static constexpr int kOkButtonId = 4002;
  static constexpr int kAddFieldId = 4003;
  static constexpr int kCancelButtonId = 4004;
  static constexpr int kAccountLabelId = 4005;
  static constexpr int kFirstNameLabelId = 4006;
  static constexpr int kPropertyViewId = 4010;
  static constexpr int kAccountComboId = 4011;
  static constexpr int kFirstNameBoxId = 4020;  // then middle and last
  static constexpr int kWidth = 390;
  static constexpr int kHeight = 600;
  static constexpr COLORREF kFailedColor = RGB(255, 0, 0);

  // `module` carries the requests to the host and the image cache; the lists are the pane's and
  // must outlive the dialog.
  DhContactEditView(const ModuleRecord* module, HWND pane, const AccountList* accounts,
                    const TypeLabelIndex* typeLabels, const GroupList* groups);
  ~DhContactEditView() override;

  // Before it runs. Edit: `contact` is copied (null opens an empty one); New: the editor makes
  // its own. `saveToken` goes with each save request and comes back with the host's answer.
  void SetMode(bool editMode, const ContactRecord* contact);
  void SetTitle(const std::wstring& title) { m_title = title; }
  void SetPortrait(Gdiplus::Bitmap* portrait) { m_portrait = portrait; }
  void SetSaveToken(int64_t token) { m_saveToken = token; }

  // The end of a save, from the pane's subject: 0 closes, 1 reports failure.
  void update(int32_t kind, int32_t value) override;

  bool IsFailed() const { return m_failed; }
  bool IsWaiting() const { return m_waiting; }
  const ContactRecord& Contact() const { return *m_contact; }
  DhContactEditPropertyView& PropertyView() { return m_properties; }
  HWND NameBox(int part) const { return part >= 0 && part < 3 ? m_nameBoxes[part].Hwnd() : nullptr; }
  HWND AccountLabelWindow() const { return m_accountLabel.Hwnd(); }
  HWND AccountCombo() const { return m_accountCombo.Hwnd(); }
  HWND OkButton() const { return m_ok.Hwnd(); }
  HWND AddFieldButton() const { return m_addField.Hwnd(); }
  // The Add Field menu as it would open now: (id, text) in order.
  std::vector<const AddFieldEntry*> AddFieldMenu() const;
  // What OK would compute now, without sending.
  SaveOutcome ComputeSaveNow() const;

 protected:
  bool OnStart() override;
  bool OnCommand(int id, int code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  void OnPaint(HDC dc, const RECT& client) override;
  void PaintBody(HDC dc, const RECT& body) override;
  HBRUSH ControlBrush(HDC dc, HWND control) override;

 private:
  bool CreateControls();
  void FillFromContact();
  void ShowAccountChoice();
  void RunAddField();
  void Save();
  void InvalidateTitle();
  RECT TitleRect() const { return RECT{10, 6, 300, 24}; }

  const ModuleRecord* m_module;
  HWND m_pane;
  const AccountList* m_accounts;
  const TypeLabelIndex* m_typeLabels;
  const GroupList* m_groups;
  bool m_editMode = false;
  std::unique_ptr<ContactRecord> m_contact;  // the editor's own copy; never the pane's
  std::wstring m_title;
  Gdiplus::Bitmap* m_portrait = nullptr;
  int64_t m_saveToken = 0;
  bool m_failed = false;
  bool m_waiting = false;
  // The record of the save in flight: it must live until the host has taken its copy.
  std::unique_ptr<ContactRecord> m_sent;

  GdiFont m_titleFont;
  GdiFont m_boldFont;
  BASSwitchButton m_ok;
  BASSwitchButton m_addField;
  BASSwitchButton m_cancel;
  BASStatic m_accountLabel;
  BASWindow m_accountCombo;
  BASStatic m_nameLabels[3];
  BASEdit m_nameBoxes[3];
  DhContactEditPropertyView m_properties;
};
