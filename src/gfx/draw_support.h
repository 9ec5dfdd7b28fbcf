#pragma once
// Shared machinery of the drawing operations: locked pixel views, the clipping of point draws, and the row
// drivers that feed the row kernels (directly from the source rows, or through a scratch row gathered by a column
// table for mirrored, stretched, rotated and indexed draws).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/rect.h"
#include "gfx/blend_kernels.h"
#include "gfx/custom_dibx.h"

namespace velk {

// The opacity code: 0 nothing, 1..254 blend, 255 copy, 256..511 add with code - 256 (above 511: 255).
enum class TOpacityKind { None, Blend, Copy, Add };
TOpacityKind OpacityKind(int code);
int OpacityAmount(int code);  // the alpha of a blend or the amount of an add

// A locked surface. Unlocks in its destructor.
class TPixels {
 public:
  explicit TPixels(TCustomDIBX* surface);
  ~TPixels();
  TPixels(const TPixels&) = delete;
  TPixels& operator=(const TPixels&) = delete;

  bool Valid() const { return base_ != nullptr; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int Bits() const { return bits_; }  // bits per stored pixel
  const TPixelMasks& Masks() const { return masks_; }
  // Same storage and channel masks: pixels can be combined without conversion.
  bool SameFormat(const TPixels& other) const { return bits_ == other.bits_ && masks_ == other.masks_; }
  int Pitch() const { return pitch_; }
  TRect Bounds() const { return TRect{0, 0, width_, height_}; }
  uint8_t* Row(int32_t y) const { return base_ + static_cast<ptrdiff_t>(y) * pitch_; }
  // Address of pixel x of row y, for 8 bits per pixel and more.
  uint8_t* At(int32_t x, int32_t y) const { return Row(y) + static_cast<ptrdiff_t>(x) * (bits_ / 8); }

 private:
  TCustomDIBX* surface_;
  uint8_t* base_ = nullptr;
  int32_t width_ = 0, height_ = 0;
  int bits_ = 0;
  TPixelMasks masks_;
  int pitch_ = 0;
};

// The clipped frame of a point draw: destination rectangle and the source rectangle of the same size. The source
// rectangle is first limited to the source surface, then the destination to the clip; each trim moves the other
// rectangle's matching edge, the far edge when that direction is mirrored. False when nothing remains.
struct TPointFrame {
  TRect Dst;
  TRect Src;
};
bool ClipPointDraw(int32_t x, int32_t y, const TRect& src, const TRect& src_bounds, const TRect& clip, bool mirror_h,
                   bool mirror_v, TPointFrame& frame);

// Whether a mask surface can serve a source of this size: 8 bits and at least as large.
bool MaskFits(const TPixels& mask, const TPixels& source);

// Kernel parameters of a destination: its masks, with the alpha or amount clamped to 0..255.
TKernelParams ParamsFor(TCustomDIBX* dst, int alpha);

// Parameters of a transparent draw: the source's transparent value is skipped when the flag is set and the value
// is not -1 (none; compared at the pixel's width it would otherwise name white).
TKernelParams TransparentParams(TCustomDIBX* dst, TCustomDIBX* source, bool transparent, int alpha);

// Combines a row of gathered samples with a destination row by an opacity kind (rotated and scaled tile draws).
// mrow holds, per pixel, 0 for a skipped sample and otherwise 255 or (masked draws) the mask's coverage; a copy
// then works as the masked copy, an add as the masked add, a blend as the masked blend or (unmasked) as the alpha
// draw with skipped samples replaced by the destination pixel so that they stay.
void CombineSamples(uint8_t* drow, uint8_t* samples, const uint8_t* mrow, int32_t n, int bits, TOpacityKind kind,
                    bool masked, const TKernelParams& params);

// Runs a row kernel over a point draw between surfaces of the same 15/16 or 32-bit storage. Mirrored rows are
// reversed into scratch rows first, so the kernels always walk forwards.
void RunPointDraw(TCustomDIBX* dst, TCustomDIBX* source, TCustomDIBX* mask, int32_t x, int32_t y, const TRect& src,
                  bool mirror_h, bool mirror_v, TRowOp op, const TKernelParams& params);

// Source columns (or rows) of a stretch: for each destination pixel of the clipped span, the source index.
// Returns false when the stretch is empty.
struct TStretchAxis {
  int32_t DstStart = 0;        // first destination pixel after clipping
  std::vector<int32_t> Index;  // source index per destination pixel, -1 outside the source rectangle
};
bool StretchAxis(int32_t dst_lo, int32_t dst_hi, int32_t clip_lo, int32_t clip_hi, int32_t src_lo, int32_t src_hi,
                 bool mirror, TStretchAxis& axis);

// Runs a row kernel over a stretch. `palette` set: the source is 8-bit and its values pass through the palette,
// indices below `threshold` being skipped (the kernel then gets a mask of 255 and 0).
void RunStretch(TCustomDIBX* dst, TCustomDIBX* source, TCustomDIBX* mask, const TRect& dst_rect, const TRect& src,
                bool mirror_h, bool mirror_v, TRowOp op, const TKernelParams& params,
                const TNativePalette* palette = nullptr, int threshold = 0);

// Reads pixel x of a row of 16 or 32 bits; writes likewise.
inline uint32_t LoadPixel(const uint8_t* row, int32_t x, int bits) {
  if (bits == 32) {
    uint32_t v;
    std::memcpy(&v, row + 4 * static_cast<ptrdiff_t>(x), 4);
    return v;
  }
  uint16_t v;
  std::memcpy(&v, row + 2 * static_cast<ptrdiff_t>(x), 2);
  return v;
}
inline void StorePixel(uint8_t* row, int32_t x, int bits, uint32_t v) {
  if (bits == 32) {
    std::memcpy(row + 4 * static_cast<ptrdiff_t>(x), &v, 4);
  } else {
    uint16_t w = static_cast<uint16_t>(v);
    std::memcpy(row + 2 * static_cast<ptrdiff_t>(x), &w, 2);
  }
}

// Floor division and modulo that keep the remainder in 0 .. m - 1.
inline int64_t FloorMod(int64_t a, int64_t m) {
  int64_t r = a % m;
  return r < 0 ? r + m : r;
}

}  // namespace velk
