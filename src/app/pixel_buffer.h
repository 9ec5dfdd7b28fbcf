#pragma once
// A 32-bit pixel buffer (0x00RRGGBB, rows top-down) that the window, its toolbar and the dialogs draw into.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "base/big_buffer.h"
#include "base/rect.h"
#include "platform/window.h"

namespace velk {

class TPixelBuffer {
 public:
  void Resize(int32_t width, int32_t height, uint32_t colour = 0) {
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    // A new block, then filled in one pass (the buffer leaves new pixels uninitialised); black needs no pass over
    // a block fresh from the system.
    pixels_ = decltype(pixels_)();
    pixels_.resize(static_cast<size_t>(width_) * static_cast<size_t>(height_));
    if (colour == 0)
      ClearNewBigBlock(pixels_.data(), pixels_.size() * sizeof(uint32_t));
    else
      std::fill(pixels_.begin(), pixels_.end(), colour);
  }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  TRect Bounds() const { return TRect{0, 0, width_, height_}; }
  uint32_t* Row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
  uint32_t Pixel(int32_t x, int32_t y) const {
    return pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)];
  }
  void SetPixel(int32_t x, int32_t y, uint32_t c) {
    if (Bounds().Contains(x, y)) Row(y)[x] = c;
  }
  // Fills the part of r inside the buffer.
  void FillRect(const TRect& r, uint32_t colour) {
    TRect c = Intersect(r, Bounds());
    for (int32_t y = c.Top; y < c.Bottom; ++y) std::fill(Row(y) + c.Left, Row(y) + c.Right, colour);
  }
  // Copies a frame to (x, y), clipped to the buffer.
  void Blit(const TFrameView& src, const TRect& src_rect, int32_t x, int32_t y) {
    TRect s = Intersect(src_rect, TRect{0, 0, src.Width, src.Height});
    int32_t dx = x + (s.Left - src_rect.Left);
    int32_t dy = y + (s.Top - src_rect.Top);
    TRect target = Intersect(Bounds(), velk::Bounds(dx, dy, s.Width(), s.Height()));
    for (int32_t ty = target.Top; ty < target.Bottom; ++ty) {
      const uint32_t* from = src.Pixels + static_cast<size_t>(ty - dy + s.Top) * static_cast<size_t>(src.Stride) +
                             (target.Left - dx + s.Left);
      std::copy(from, from + target.Width(), Row(ty) + target.Left);
    }
  }
  TFrameView View() const { return TFrameView{pixels_.data(), width_, height_, width_}; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint32_t, TBigBufferAllocator<uint32_t>> pixels_;
};

}  // namespace velk
