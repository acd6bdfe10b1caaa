#include "kit/SearchText.h"

#include <windows.h>

std::wstring LowerCased(const std::wstring& text) {
  std::wstring lowered(text);
  // Not towlower: in the runtime's "C" locale it lowers A to Z only, so "MÜLLER" or "АННА"
  // would never find Müller or Анна. The system's table covers every script, unit by unit.
  if (!lowered.empty()) CharLowerBuffW(&lowered[0], static_cast<DWORD>(lowered.size()));
  return lowered;
}
