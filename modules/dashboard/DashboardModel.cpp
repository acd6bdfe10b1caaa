#include "modules/dashboard/DashboardModel.h"

#include "contracts/Sections.h"
#include "contracts/cornerstone/Cornerstone.h"

#include <algorithm>
#include <cstdlib>

const std::array<DashboardKind, kDashboardKindCount> kDashboardKinds = {{
    {kSectionApps, kSectionUserApps, L"Apps", "common\\section\\section-apps.png"},
    {kSectionContacts, kSectionContacts, L"Contacts", "common\\section\\section-contacts.png"},
    {kSectionSms, kSectionSms, L"Messages", "common\\section\\section-sms.png"},
    {kSectionMusic, kSectionMusic, L"Music", "common\\section\\section-music.png"},
    {kSectionPhotos, kSectionPhoneGallery, L"Photos", "common\\section\\section-photo.png"},
    {kSectionVideos, kSectionVideos, L"Videos", "common\\section\\section-video.png"},
    {kSectionBooks, kSectionBooks, L"Books", "common\\section\\section-book.png"},
}};

namespace {

std::wstring SizeText(int64_t bytes) {
  wchar_t* text = BASUtilityFile::ZLGetFormatSizeFromBytes(bytes);
  std::wstring out = text ? text : L"";
  std::free(text);
  return out;
}

}  // namespace

void DashboardState::SetInfo(const DeviceInfo& info) {
  m_info = info;
  m_hasInfo = true;
}

void DashboardState::SetMemory(int which, const MemoryInfo& memory) {
  if (which == 1) m_phone = memory;
  if (which == 2) m_storage = memory;
}

bool DashboardState::SetCount(int32_t item, int32_t count) {
  for (size_t kind = 0; kind < kDashboardKinds.size(); ++kind) {
    if (kDashboardKinds[kind].countItem != item) continue;
    m_counts[kind] = std::max(0, count);
    return true;
  }
  return false;
}

std::wstring DashboardState::SystemText() const {
  if (!m_hasInfo || m_info.systemVersion.empty()) return L"Unknown";
  return L"Android " + m_info.systemVersion;
}

std::wstring DashboardState::PowerText() const {
  if (!m_hasInfo || m_info.batteryPercent < 0 || m_info.batteryPercent > 100) return L"Unknown";
  return std::to_wstring(m_info.batteryPercent) + L"%" + (m_info.charging ? L", charging" : L"");
}

bool DashboardState::HasMemory(int which) const {
  const MemoryInfo& memory = Memory(which);
  return memory.totalBytes > 0;
}

double DashboardState::UsedFraction(int which) const {
  const MemoryInfo& memory = Memory(which);
  if (memory.totalBytes <= 0) return 0.0;
  const int64_t free = std::clamp<int64_t>(memory.freeBytes, 0, memory.totalBytes);
  return static_cast<double>(memory.totalBytes - free) / static_cast<double>(memory.totalBytes);
}

std::wstring DashboardState::MemoryText(int which) const {
  if (!HasMemory(which)) return L"Not available";
  const MemoryInfo& memory = Memory(which);
  const int64_t free = std::clamp<int64_t>(memory.freeBytes, 0, memory.totalBytes);
  return L"Used " + SizeText(memory.totalBytes - free) + L", free " + SizeText(free) + L" of " +
         SizeText(memory.totalBytes);
}

DashboardLayout LayOutDashboard(int width) {
  DashboardLayout layout;
  const int margin = DashboardLayout::kMargin;
  const int right = std::max(margin + 200, width - margin);
  layout.title = RECT{margin, 24, right, 56};
  // Two columns of facts under the title.
  const int column = std::max(200, (right - margin) / 2);
  for (size_t i = 0; i < layout.infoRows.size(); ++i) {
    const int x = margin + static_cast<int>(i % 2) * column;
    const int y = 72 + static_cast<int>(i / 2) * 44;
    layout.infoRows[i] = RECT{x, y, x + column - 10, y + 36};
  }
  for (size_t i = 0; i < layout.memoryRows.size(); ++i) {
    const int y = 176 + static_cast<int>(i) * 64;
    layout.memoryRows[i] = RECT{margin, y, right, y + 52};
  }
  // The kinds in one row of equal tiles when they fit, else in rows of as many as fit.
  constexpr int kMinTileWidth = 84;
  constexpr int kMaxTileWidth = 120;
  constexpr int kTileHeight = 96;
  constexpr int kGap = 12;
  const int available = right - margin;
  const int perRow =
      std::max(1, std::min<int>(kDashboardKindCount, (available + kGap) / (kMinTileWidth + kGap)));
  const int tileWidth = std::min(kMaxTileWidth, (available - (perRow - 1) * kGap) / perRow);
  constexpr int kTop = 320;
  for (size_t i = 0; i < layout.kinds.size(); ++i) {
    const int x = margin + static_cast<int>(i % perRow) * (tileWidth + kGap);
    const int y = kTop + static_cast<int>(i / perRow) * (kTileHeight + kGap);
    layout.kinds[i] = RECT{x, y, x + tileWidth, y + kTileHeight};
  }
  return layout;
}

int KindAt(const DashboardLayout& layout, POINT point) {
  for (size_t i = 0; i < layout.kinds.size(); ++i)
    if (PtInRect(&layout.kinds[i], point)) return static_cast<int>(i);
  return -1;
}
