// CThemedShadowWnd: the soft drop shadow around one borderless window (the main frame, each
// drawn dialog). A click-through layered popup owned by that window, drawn from a
// premultiplied-alpha bitmap whose edge fades out over the configured number of pixels.
// Its inside is fully transparent, so it may lie above its owner without hiding it.
//
// Where the window system shows layered pixels without blending them (Wine on an X display
// without a compositing manager: the shadow would be a black frame), the shadow blends
// itself over a copy of what lies beneath it and is drawn opaque.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "kit/BASWindow.h"

class CThemedShadowWnd : public BASWindow {
 public:
  static constexpr wchar_t kClassName[] = L"WTL_ThemedShadowWindow";
  // Opacity of the shadow right at the owner's edge, out of 255.
  static constexpr int kEdgeAlpha = 72;

  CThemedShadowWnd() = default;
  ~CThemedShadowWnd() override;

  // Creates the shadow `size` pixels wide around `owner` and from then on follows the owner's
  // position, size and visibility by itself. Call on the owner's thread.
  bool Attach(HWND owner, int size);
  void Detach();
  // Reads the owner's rectangle and visibility again.
  void Update();

  HWND Owner() const { return m_owner; }
  int ShadowSize() const { return m_size; }

  // The shadow bitmap for an owner of the given size: (width + 2 size) x (height + 2 size)
  // premultiplied BGRA pixels, top row first, the owner's rectangle in the middle left clear.
  static std::vector<uint32_t> RenderPixels(int ownerWidth, int ownerHeight, int size);
  // Blends the shadow pixels over the background pixels (0x00RRGGBB) in place: every pixel
  // of the shadow becomes opaque, the clear ones stay clear.
  static void Flatten(std::vector<uint32_t>& shadow, const std::vector<uint32_t>& background);
  // True where this shadow has to blend itself (see above).
  static bool BlendsItself();

 protected:
  bool PaintsClientArea() const override { return false; }
  void OnFinalMessage(HWND) override;

 private:
  static LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR refData);
  bool Redraw(const RECT& ownerRect);
  // The screen beneath `rect`, with this shadow's own pixels replaced by what was beneath them.
  std::vector<uint32_t> Beneath(const RECT& rect) const;

  HWND m_owner = nullptr;
  int m_size = 0;
  SIZE m_drawnSize = {0, 0};
  // For a shadow that blends itself: where it was drawn, its alpha, and what lay beneath.
  RECT m_drawnRect = {0, 0, 0, 0};
  std::vector<uint32_t> m_drawnAlpha;
  std::vector<uint32_t> m_beneath;
};
