#include "modules/handset/GifAnimation.h"

#include "kit/GdiPlus.h"

#include <cstring>
#include <utility>

void GifTimeline::Reset(std::vector<uint32_t> delaysCs) {
  m_delaysCs = std::move(delaysCs);
  m_frame = 0;
}

uint32_t GifTimeline::DelayOfFrameMs(size_t frame) const {
  if (frame >= m_delaysCs.size()) return kFallbackDelayMs;
  const uint32_t delayCs = m_delaysCs[frame];
  return delayCs < 2 ? kFallbackDelayMs : delayCs * 10;
}

uint32_t GifTimeline::Advance() {
  if (m_delaysCs.empty()) return kFallbackDelayMs;
  m_frame = (m_frame + 1) % m_delaysCs.size();
  return DelayOfFrameMs(m_frame);
}

std::vector<uint32_t> ReadFrameDelays(Gdiplus::Bitmap* image) {
  std::vector<uint32_t> delays;
  if (!image) return delays;
  const UINT frames = image->GetFrameCount(&Gdiplus::FrameDimensionTime);
  if (frames == 0) return delays;
  const UINT size = image->GetPropertyItemSize(PropertyTagFrameDelay);
  if (size < sizeof(Gdiplus::PropertyItem)) {
    delays.assign(frames, 0);
    return delays;
  }
  std::vector<unsigned char> buffer(size);
  auto* item = reinterpret_cast<Gdiplus::PropertyItem*>(buffer.data());
  if (image->GetPropertyItem(PropertyTagFrameDelay, size, item) != Gdiplus::Ok || !item->value) {
    delays.assign(frames, 0);
    return delays;
  }
  // One 32-bit delay per frame; a short property leaves the remaining frames at the fallback.
  const size_t stored = item->length / sizeof(uint32_t);
  delays.assign(frames, 0);
  for (size_t i = 0; i < frames && i < stored; ++i)
    std::memcpy(&delays[i], static_cast<const unsigned char*>(item->value) + i * sizeof(uint32_t), sizeof(uint32_t));
  return delays;
}

bool SelectFrame(Gdiplus::Bitmap* image, size_t frame) {
  if (!image) return false;
  const UINT frames = image->GetFrameCount(&Gdiplus::FrameDimensionTime);
  if (frame >= frames) return false;
  return image->SelectActiveFrame(&Gdiplus::FrameDimensionTime, static_cast<UINT>(frame)) == Gdiplus::Ok;
}
