#include "modules/gallery/PhotoRules.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/SearchText.h"

namespace {

const wchar_t kPictureExtensions[] = L";.jpg;.gif;.png;.bmp;.webp;";

bool Contains(const std::wstring& text, const std::wstring& lowered) {
  return LowerCased(text).find(lowered) != std::wstring::npos;
}

}  // namespace

bool PhotoMatches(const PhotoRecord& photo, const std::wstring& lowered) {
  if (lowered.empty()) return true;
  if (lowered[0] == L'.') return Contains(photo.format, lowered);
  return Contains(photo.name, lowered) || Contains(photo.dateCreated, lowered);
}

std::vector<std::wstring> AcceptedDropPaths(const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> accepted;
  for (const std::wstring& path : paths)
    if (BASUtilityFile::IsSupportFilePosfix(path.c_str(), kPictureExtensions)) accepted.push_back(path);
  return accepted;
}
