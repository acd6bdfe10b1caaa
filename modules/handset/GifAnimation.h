// Animated GIF playback for the wizard: the frame timing as a plain timeline, and the GDI+ side
// that reads the frame delays and draws one frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Gdiplus {
class Bitmap;
}

// Which frame shows and how long it stays. Delays are the GIF's own, in hundredths of a
// second; the first frame shows for kFirstDelayMs, each following one for its own delay.
class GifTimeline {
 public:
  static constexpr uint32_t kFirstDelayMs = 100;
  // GIFs written with a delay of 0 or 1 mean "as fast as possible", which browsers and image
  // viewers play at 100 ms; taken literally it would repaint without pause.
  static constexpr uint32_t kFallbackDelayMs = 100;

  void Reset(std::vector<uint32_t> delaysCs);
  size_t Frame() const { return m_frame; }
  size_t FrameCount() const { return m_delaysCs.size(); }
  bool IsAnimated() const { return m_delaysCs.size() > 1; }
  // Moves to the next frame, wrapping to the first, and answers how long it stays (ms).
  uint32_t Advance();
  uint32_t DelayOfFrameMs(size_t frame) const;

 private:
  std::vector<uint32_t> m_delaysCs;
  size_t m_frame = 0;
};

// The frame delays of an image (hundredths of a second, one per frame); empty for a still
// image or a missing one.
std::vector<uint32_t> ReadFrameDelays(Gdiplus::Bitmap* image);
// Selects `frame` (time dimension) of an animated image; false when it has no such frame.
// Images are shared between the wizards of several phones, so every draw selects its own frame.
bool SelectFrame(Gdiplus::Bitmap* image, size_t frame);
