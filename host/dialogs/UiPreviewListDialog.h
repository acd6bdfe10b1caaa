// UiPreviewListDialog: a modal pick-list grown out of the two-button alert: a search box with
// its button, and a list of rows with check boxes. RunModal answers kOkId with the checked rows
// of the list as it stands in Selection(), kCancelId for Cancel or a close. OK with nothing
// checked tells the observers (notify(0, 0)) and keeps the dialog open.
#pragma once

#include <string>
#include <vector>

#include "host/dialogs/UiAlertDialog.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASListView.h"

// One row: `first` in the name column, `second` in the other. The caller owns the rows.
struct PreviewRow {
  std::wstring first;
  std::wstring second;
};

class UiPreviewListDialog : public UiAlertDialog {
 public:
  static constexpr int kListId = 5053;
  static constexpr int kSearchId = 5054;
  static constexpr int kSearchButtonId = 5055;
  static constexpr int kCheckColumnWidth = 60;
  static constexpr int kFirstColumnWidth = 330;
  static constexpr int kSecondColumnWidth = 92;
  static constexpr int kListTop = 60;
  static constexpr int kListBottomGap = 40;

  UiPreviewListDialog(Gdiplus::Bitmap* closeNormal, Gdiplus::Bitmap* closePressed, Gdiplus::Bitmap* listIcon,
                      Gdiplus::Bitmap* searchImage, Gdiplus::Bitmap* checked, Gdiplus::Bitmap* unchecked);
  ~UiPreviewListDialog() override;

  void SetColumnTitles(const std::wstring& first, const std::wstring& second);
  // Before the dialog runs.
  void AddRow(const PreviewRow* row) { m_rows.push_back(row); }
  const std::vector<const PreviewRow*>& Selection() const { return m_selection; }

  // The rows a search for `text` lists, in the order they were added: all for an empty text,
  // else those whose first string holds the text, ignoring case.
  static std::vector<const PreviewRow*> Matching(const std::vector<const PreviewRow*>& rows, const std::wstring& text);

  // Test access to the controls.
  BASListView& List() { return m_list; }
  BASEdit& SearchBox() { return m_search; }
  HWND SearchButton() const { return m_searchButton.Hwnd(); }

 protected:
  bool OnStart() override;
  bool OnCommand(int id, int code, HWND control) override;
  bool OnNotify(NMHDR* header, LRESULT& result) override;
  void PaintBody(HDC dc, const RECT& body) override;
  HBRUSH ControlBrush(HDC dc, HWND control) override;
  void OnOk() override;

 private:
  void RunSearch();
  RECT SearchFrame() const;

  Gdiplus::Bitmap* m_listIcon;
  Gdiplus::Bitmap* m_searchImage;
  Gdiplus::Bitmap* m_checked;
  Gdiplus::Bitmap* m_unchecked;
  std::wstring m_firstTitle;
  std::wstring m_secondTitle;
  std::vector<const PreviewRow*> m_rows;
  std::vector<const PreviewRow*> m_selection;
  BASListView m_list;
  BASEdit m_search;
  BASImgButton m_searchButton;
  GdiFont m_searchFont;
};
