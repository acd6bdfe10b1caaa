#pragma once

#include <string>

#include "contracts/MediaRecords.h"
#include "kit/BASMediaFilePane.h"

// One phone's apps pane: label (with the package's icon), package, version, size and whether it
// came with the system. Under "Apps" it lists every app; under "User Apps" only those the user
// installed. An app installed again keeps its one row, which takes the new label, icon and
// version; the apps an install brought are selected.
class DhAppDelegate : public BASMediaFilePane {
 public:
  static constexpr int kTypeColumn = 5;

  DhAppDelegate();

  // The section SHOW_WINDOW names (its `position`): Apps or User Apps; others change nothing.
  void ShowSection(int32_t sectionId);
  int32_t Section() const { return m_section; }
  // ADD_APP code 2: `installed` holds records the pane lists already.
  void MarkInstalled(const MediaFileList& installed);
  // ADD_APP code 3: the phone's record of one app changed; the row of its identifier follows.
  void Refresh(const MediaRecord& app);

 protected:
  bool CreateExtras() override;
  const std::wstring* CellText(int column, LPARAM data) const override;
  bool Shows(const MediaFileRecord& item) const override;

 private:
  static Gdiplus::Bitmap* RowIcon(BASListView& list, int row, void* context);

  int32_t m_section;
};
