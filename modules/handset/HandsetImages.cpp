#include "modules/handset/HandsetImages.h"

#include "contracts/cornerstone/Cornerstone.h"
#include "kit/GdiPlus.h"

#include <cstdlib>

namespace {

const char* const kImageSet[] = {
    handset_image::kConnectedPhone, handset_image::kDeviceClosePressed, handset_image::kDeviceCloseNormal,
    handset_image::kStepEnabled,    handset_image::kStepDisabled,       handset_image::kPhone,
    handset_image::kComputer,       handset_image::kConnectAnimation,   handset_image::kConnectBreak,
    handset_image::kDebugSucceeded, handset_image::kAndroid20Debug,     handset_image::kAndroid30Debug,
    handset_image::kAndroid42Debug, handset_image::kAndroid60Debug,     handset_image::kAllowMtpAccess,
    handset_image::kDriverVerify,   handset_image::kDownloadingDriver,  handset_image::kDownloadFailed,
    handset_image::kMyDevicePhone,  handset_image::kDetailNormal,       handset_image::kDetailPressed,
    handset_image::kWifiNormal,     handset_image::kWifiPressed,        handset_image::kFirewallBlock,
    handset_image::kCloseNormal,    handset_image::kClosePressed,
};

std::wstring ThemesFolder() {
  wchar_t* folder = BASUtilityApp::GetProductThemesDir();
  std::wstring copy = folder ? folder : L"";
  std::free(folder);
  return copy;
}

// Theme paths are plain ASCII.
std::wstring Widen(const char* text) {
  std::wstring wide;
  for (; *text; ++text) wide.push_back(static_cast<unsigned char>(*text));
  return wide;
}

}  // namespace

HandsetImageSet::~HandsetImageSet() {
  for (Gdiplus::Bitmap* image : m_owned) delete image;
}

void HandsetImageSet::Load(const ImageCache* hostCache) {
  if (!m_images.empty()) return;
  const std::wstring folder = ThemesFolder();
  for (const char* path : kImageSet) {
    const std::wstring file = folder + Widen(path);
    Gdiplus::Bitmap* image = nullptr;
    if (!folder.empty() && BASUtilityFile::IsFileExist(file.c_str()))
      image = BASUtilityImage::GetBitmap(file.c_str(), 96, 96);
    if (image) {
      m_owned.push_back(image);
    } else {
      image = FindImage(hostCache, path);
    }
    m_images[path] = image;
  }
}

Gdiplus::Bitmap* HandsetImageSet::Get(const char* path) const {
  if (!path) return nullptr;
  const auto it = m_images.find(path);
  return it == m_images.end() ? nullptr : it->second;
}
