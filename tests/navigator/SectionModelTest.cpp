// The navigator's window-free parts that pixels cannot pin down: which rows a section list
// yields, the badge text and the exact ellipsis.
#include "modules/navigator/SectionRowLayout.h"
#include "modules/navigator/SectionTreeModel.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

std::vector<int32_t> IdsOf(const std::vector<SectionRow*>& rows) {
  std::vector<int32_t> ids;
  for (const SectionRow* row : rows) ids.push_back(row->id);
  return ids;
}

int Monospace(const wchar_t*, int length) { return 10 * length; }

}  // namespace

TEST(SectionTreeModel, KeepsRowsThatCanBeToldApartUnderParentsListedBefore) {
  SectionList list;
  const std::pair<int32_t, int32_t> slots[] = {{5, 0}, {0, 0}, {-3, 0}, {5, 0}, {6, 9}, {9, 0}, {7, 7}, {8, 5}};
  for (const auto& [id, parentId] : slots) list.entries[list.endIndex++] = {id, parentId, 1, nullptr, L"row"};
  list.firstIndex = -4;  // clamped to the slots
  list.endIndex = 400;
  SectionTreeModel model;
  EXPECT_EQ(IdsOf(model.AddSections(list)), (std::vector<int32_t>{5, 6, 9, 7, 8}));
  EXPECT_EQ(model.Find(6)->parentId, 0);  // parent listed later
  EXPECT_EQ(model.Find(7)->parentId, 0);  // its own parent
  EXPECT_EQ(model.Find(8)->parentId, 5);
  EXPECT_TRUE(model.HasChildren(5));
  EXPECT_FALSE(model.HasChildren(0));
  EXPECT_EQ(model.LowestId(), 5);
  EXPECT_TRUE(model.SetCount(8, 12));
  EXPECT_FALSE(model.SetCount(99, 3));
  EXPECT_EQ(model.Find(8)->count, 12);

  list.firstIndex = 6;
  list.endIndex = 2;
  EXPECT_TRUE(SectionTreeModel().AddSections(list).empty());
  EXPECT_EQ(SectionTreeModel().LowestId(), 0);
}

TEST(SectionRowLayout, BadgeTextAndEllipsis) {
  EXPECT_EQ(SectionCountText(1287), L"1287");
  EXPECT_EQ(SectionCountText(INT32_MAX), L"2147483647");
  EXPECT_EQ(SectionCountText(INT32_MIN), L"0");

  const std::wstring title = L"Phone Gallery";  // 130 pixels
  EXPECT_EQ(FitTextWithEllipsis(title, 130, Monospace), title);
  EXPECT_EQ(FitTextWithEllipsis(title, 129, Monospace), L"Phone Gal...");
  EXPECT_EQ(FitTextWithEllipsis(title, 90, Monospace), L"Phone...");  // no blank before the dots
  EXPECT_EQ(FitTextWithEllipsis(title, 30, Monospace), L"...");
  EXPECT_EQ(FitTextWithEllipsis(title, 29, Monospace), L"");
  EXPECT_EQ(FitTextWithEllipsis(title, -5, Monospace), L"");
}
