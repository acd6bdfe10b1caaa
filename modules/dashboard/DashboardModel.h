// What a phone's Home page shows, without a window: the summary texts, the two memories as
// used and free parts, the item count of every kind with the section it opens, and where each
// part goes on a page of a given size.
#pragma once

#include "contracts/DeviceRecord.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

// One count on the page: the kind's navigator item (whose count updates it carries) and the
// section a click opens (the child that lists the items where a kind has one).
struct DashboardKind {
  int32_t countItem;
  int32_t openSection;
  const wchar_t* title;
  const char* icon;  // host image cache path
};

constexpr size_t kDashboardKindCount = 7;
extern const std::array<DashboardKind, kDashboardKindCount> kDashboardKinds;

class DashboardState {
 public:
  void SetInfo(const DeviceInfo& info);
  // 1: phone memory, 2: storage card.
  void SetMemory(int which, const MemoryInfo& memory);
  // A navigator count update; false for an item the page does not show.
  bool SetCount(int32_t item, int32_t count);

  bool HasInfo() const { return m_hasInfo; }
  const DeviceInfo& Info() const { return m_info; }
  int32_t CountOf(size_t kind) const { return m_counts[kind]; }

  // "Android 13", or "Unknown" before the phone said.
  std::wstring SystemText() const;
  // "85%, charging", "85%", or "Unknown".
  std::wstring PowerText() const;
  // "Used 18.2 GB, free 13.8 GB of 32.0 GB"; "Not available" for a memory the phone lacks.
  std::wstring MemoryText(int which) const;
  bool HasMemory(int which) const;
  // Used part, 0 to 1.
  double UsedFraction(int which) const;

 private:
  const MemoryInfo& Memory(int which) const { return which == 1 ? m_phone : m_storage; }

  DeviceInfo m_info;
  bool m_hasInfo = false;
  MemoryInfo m_phone;
  MemoryInfo m_storage;
  std::array<int32_t, kDashboardKindCount> m_counts{};
};

struct DashboardLayout {
  static constexpr int kMargin = 30;
  RECT title{};                      // the phone's model
  std::array<RECT, 4> infoRows{};    // model, system, power, serial: icon then text
  std::array<RECT, 2> memoryRows{};  // icon, label, bar and text
  std::array<RECT, kDashboardKindCount> kinds{};
};

DashboardLayout LayOutDashboard(int width);
// The kind whose tile holds the point, or -1.
int KindAt(const DashboardLayout& layout, POINT point);
