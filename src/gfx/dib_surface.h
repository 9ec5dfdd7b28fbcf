#pragma once
// The device-independent bitmap behind a TDIBX: width, height, bits per stored pixel, channel masks, a 256-entry
// palette and the pixel store (rows 4-byte aligned, top row first; code reaches rows only through ScanLine and
// Pitch). A layered image frame may add an 8-bit alpha bitmap of the same size.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/big_buffer.h"
#include "gfx/pixel_format.h"

namespace velk {

class TDIBSurface {
 public:
  // Surfaces larger than this are refused: a size that overflows the row arithmetic must never reach the allocator.
  // Sides are bounded by the byte limit rather than by a side of their own, so a tall credit roll fits.
  static constexpr int32_t kMaxDimension = int32_t{1} << 25;
  static constexpr int64_t kMaxBytes = int64_t{1} << 30;

  // storage_bits is 1, 4, 8, 16, 24 or 32. A width or height <= 0 empties the bitmap. Throws EVelkError when the
  // size exceeds the limits above. A new size clears the pixels to 0, unless cleared is false: then only the padding
  // at the row ends is 0 and the pixels are undefined, for callers that write every pixel next. The same size and
  // format keeps the pixels as they are.
  void SetSize(int32_t width, int32_t height, int storage_bits, const TPixelMasks& masks, bool cleared = true);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int StorageBits() const { return bits_; }
  const TPixelMasks& Masks() const { return masks_; }
  int Pitch() const { return pitch_; }
  uint8_t* ScanLine(int32_t y) { return bits_store_.data() + static_cast<size_t>(y) * pitch_; }
  const uint8_t* ScanLine(int32_t y) const { return bits_store_.data() + static_cast<size_t>(y) * pitch_; }
  uint8_t* Bits() { return bits_store_.data(); }
  const uint8_t* Bits() const { return bits_store_.data(); }
  size_t ByteSize() const { return bits_store_.size(); }
  bool Empty() const { return bits_store_.empty(); }

  // Palette entries as 4 bytes each: blue, green, red, reserved; here as little-endian words 0x00RRGGBB.
  std::array<uint32_t, 256> Palette{};

  // The optional alpha bitmap: one byte per pixel, Width() bytes per row. Turned on it is 0, unless cleared is
  // false: then it is undefined, for callers that write all of it next.
  bool HasAlpha() const { return has_alpha_; }
  void SetHasAlpha(bool on, bool cleared = true);
  uint8_t* AlphaLine(int32_t y) { return alpha_.data() + static_cast<size_t>(y) * width_; }
  // Makes this 8-bit bitmap's pixels the other's alpha bitmap by taking over its storage, which the other loses
  // (it is left without alpha). Only where the two lie alike: this bitmap has the other's size and rows without
  // padding; returns false and changes nothing otherwise.
  bool TakeAlphaAsPixels(TDIBSurface& from);

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  int bits_ = 32;
  TPixelMasks masks_;
  int pitch_ = 0;
  using TStore = std::vector<uint8_t, TBigBufferAllocator<uint8_t>>;
  TStore bits_store_;
  bool has_alpha_ = false;
  TStore alpha_;
};

}  // namespace velk
