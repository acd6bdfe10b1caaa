// The contact select dialog: picks phone numbers out of the pane's contacts, for example as a
// message's recipients. Every (contact, number) pair not picked is listed on the left, the
// picked ones on the right; a click moves a row across, the search box filters the left list.
#pragma once

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASSwitchButton.h"
#include "kit/UiDialog.h"
#include "modules/rolodex/ContactPicks.h"

#include <string>
#include <vector>

class DhContactSelectDialog : public UiDialog {
 public:
  static constexpr int kWidth = 596;
  static constexpr int kHeight = 500;

  DhContactSelectDialog(const std::wstring& title, const std::vector<ContactRecord*>& contacts,
                        const ImageCache* images);
  ~DhContactSelectDialog() override;

  // Runs modally over `owner`: the picked pairs, owned by the caller, or null when nothing was
  // picked or the dialog was cancelled.
  PickedContactList* Run(HWND owner);

  // For tests: the pairs behind the two lists.
  const ContactPicks& Picks() const { return m_picks; }

 protected:
  bool OnStart() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void OnPaint(HDC dc, const RECT& client) override;

 private:
  bool CreateList(HWND& list, int id, int left);
  void Search();
  // Moves `row` of the list that sent the click to the other list.
  void MoveRow(HWND list, int row);
  void RefreshLists();
  void FillDisplayInfo(NMLVDISPINFOW& info);

  std::wstring m_title;
  ContactPicks m_picks;
  const ImageCache* m_images;
  BASEdit m_search;
  BASImgButton m_searchButton;
  BASSwitchButton m_ok;
  BASSwitchButton m_cancel;
  HWND m_left = nullptr;
  HWND m_right = nullptr;
  PickedContactList* m_result = nullptr;
};
