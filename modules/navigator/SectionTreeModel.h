// The navigator's rows as data: what each row shows and where it hangs, independent of the
// tree control that displays them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "contracts/Sections.h"

namespace Gdiplus {
class Bitmap;
}

// One row; the tree control holds a pointer to it as the row's item parameter, so rows never
// move once added.
struct SectionRow {
  int32_t id = 0;
  int32_t parentId = 0;              // the row it hangs under; 0 at the top level
  Gdiplus::Bitmap* image = nullptr;  // the host's, not owned; null: no icon
  std::wstring title;
  int32_t count = 0;
  bool showCount = false;
  int arrowX = 0;  // where the row's expand arrow is drawn; children indent from it
};

class SectionTreeModel {
 public:
  SectionTreeModel() = default;
  SectionTreeModel(const SectionTreeModel&) = delete;
  SectionTreeModel& operator=(const SectionTreeModel&) = delete;

  // Adds the used slots of `list` in slot order and returns the rows added, in that order. A
  // parent id that names no earlier row puts the row at the top level. Ids of 0 or below and
  // repeated ids are skipped: they could never be told apart in a count update or a selection.
  std::vector<SectionRow*> AddSections(const SectionList& list);

  SectionRow* Find(int32_t id);
  const SectionRow* Find(int32_t id) const;
  // 0 when there are no rows.
  int32_t LowestId() const;
  // False when no row has that id.
  bool SetCount(int32_t id, int32_t count);
  bool HasChildren(int32_t id) const;
  size_t Size() const { return m_rows.size(); }
  // In the order they were added.
  const std::vector<std::unique_ptr<SectionRow>>& Rows() const { return m_rows; }

 private:
  std::vector<std::unique_ptr<SectionRow>> m_rows;
  std::map<int32_t, SectionRow*> m_byId;
};
