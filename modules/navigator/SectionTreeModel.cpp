#include "modules/navigator/SectionTreeModel.h"

std::vector<SectionRow*> SectionTreeModel::AddSections(const SectionList& list) {
  std::vector<SectionRow*> added;
  for (int32_t i = list.UsedBegin(); i < list.UsedEnd(); ++i) {
    const SectionItem& item = list.entries[i];
    if (item.id <= 0 || m_byId.count(item.id) != 0) continue;
    auto row = std::make_unique<SectionRow>();
    row->id = item.id;
    row->parentId = (item.parentId != 0 && m_byId.count(item.parentId) != 0) ? item.parentId : 0;
    row->image = item.image;
    row->title = item.title;
    row->showCount = item.showCount != 0;
    m_byId[row->id] = row.get();
    added.push_back(row.get());
    m_rows.push_back(std::move(row));
  }
  return added;
}

SectionRow* SectionTreeModel::Find(int32_t id) {
  auto it = m_byId.find(id);
  return it == m_byId.end() ? nullptr : it->second;
}

const SectionRow* SectionTreeModel::Find(int32_t id) const {
  auto it = m_byId.find(id);
  return it == m_byId.end() ? nullptr : it->second;
}

int32_t SectionTreeModel::LowestId() const { return m_byId.empty() ? 0 : m_byId.begin()->first; }

bool SectionTreeModel::SetCount(int32_t id, int32_t count) {
  SectionRow* row = Find(id);
  if (row == nullptr) return false;
  row->count = count;
  return true;
}

bool SectionTreeModel::HasChildren(int32_t id) const {
  if (id <= 0) return false;
  for (const auto& row : m_rows)
    if (row->parentId == id) return true;
  return false;
}
