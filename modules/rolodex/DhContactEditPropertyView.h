// DhContactEditPropertyView: the contact editor's scrolling list of property rows (a heading, a
// type combo for typed kinds, a value box and a button that removes the row, or on the first
// phone row adds another), closed by the Group row. It reads back what the user left in the
// boxes for the save computation; it never writes into a contact record.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "contracts/CommandRecord.h"
#include "contracts/ContactRecords.h"
#include "kit/BASComboBox.h"
#include "kit/BASEdit.h"
#include "kit/BASImgButton.h"
#include "kit/BASWindow.h"
#include "kit/GdiHandles.h"
#include "modules/rolodex/ContactEditModel.h"

class DhContactEditPropertyView : public BASWindow {
 public:
  static constexpr wchar_t kClassName[] = L"DhContactEditPropertyView";
  static constexpr int kIndent = 8;
  static constexpr int kTypeWidth = 92;
  static constexpr int kBoxHeight = 22;

  DhContactEditPropertyView() = default;
  ~DhContactEditPropertyView() override;

  // `font` and the images are borrowed; the type labels are the pane's index.
  bool CreateIn(HWND parent, const RECT& rect, UINT id, HFONT font, const ImageCache* images,
                const TypeLabelIndex* typeLabels);

  // A row of kind `mimetype` showing `source` (the contact's data row number `sourceRow`), or
  // an empty new row when source is null. Kinds the editor does not show are refused.
  bool AddRow(const std::wstring& mimetype, int sourceRow, const ContactDataRow* source);
  // Adds an empty row of `mimetype` at the end of the rows, brings it into view and puts the
  // caret in its value box.
  bool AddEmptyRowAndFocus(const std::wstring& mimetype);
  // The Group row, last: `offered` listed, those among `checked` checked.
  void SetGroups(const std::vector<const GroupRecord*>& offered, const std::vector<std::wstring>& checked);

  std::vector<std::wstring> ShownMimetypes() const;
  bool HasRowOf(const std::wstring& mimetype) const;
  // The rows, removed ones included (as emptied), and the groups into `state`.
  void ReadInto(EditorState& state) const;

  // Scrolling, in pixels from the top of the rows.
  int ScrollPosition() const { return m_scrollY; }
  int ContentHeight() const { return Stack().height; }
  void ScrollTo(int y);

  // For tests: the row controls by row number (the Group row is not counted).
  int RowCount() const { return static_cast<int>(m_rows.size()); }
  HWND ValueBox(int row) const;
  HWND TypeBox(int row) const;
  HWND RowButton(int row) const;
  HWND GroupBox() const { return m_groupBox.Hwnd(); }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) override;
  bool OnCommand(int id, int code, HWND control) override;
  void OnPaint(HDC dc, const RECT& client) override;
  void OnSize(int cx, int cy) override;

 private:
  struct Row {
    std::wstring mimetype;
    std::wstring heading;
    int sourceRow = -1;
    const TypeLabelRecord* labels = nullptr;
    bool typed = false;
    bool addsPhone = false;   // the first phone row's button adds a row instead of removing
    bool customType = false;  // the combo's text was typed, not picked
    BASEdit value;
    BASWindow type;  // a drop-down combo box, or no window
    BASImgButton button;
  };

  bool CreateRowControls(Row& row, const ContactDataRow* source);
  void RemoveRow(size_t index);
  void Layout();
  void UpdateScrollBar();
  void OnVScroll(int request);
  PropertyStack Stack() const;
  UINT NextControlId() { return m_nextId++; }

  HFONT m_font = nullptr;
  GdiFont m_headingFont;
  const ImageCache* m_images = nullptr;
  const TypeLabelIndex* m_typeLabels = nullptr;
  std::vector<std::unique_ptr<Row>> m_rows;
  std::vector<PropertyEdit> m_removed;  // rows of the contact the user took away
  BASComboBox m_groupBox;
  std::vector<std::wstring> m_groupIds;  // the group box's items, in order
  int m_scrollY = 0;
  UINT m_nextId = 6100;
};
