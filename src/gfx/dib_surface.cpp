#include "gfx/dib_surface.h"

#include <cstring>
#include <string>

#include "base/error.h"

namespace velk {

void TDIBSurface::SetSize(int32_t width, int32_t height, int storage_bits, const TPixelMasks& masks, bool cleared) {
  if (width <= 0 || height <= 0) width = height = 0;
  const int64_t pitch = ((int64_t{width} * storage_bits + 31) / 32) * 4;
  if (width > kMaxDimension || height > kMaxDimension || pitch * height > kMaxBytes)
    throw EVelkError("surface too large: " + std::to_string(width) + " x " + std::to_string(height));
  if (width == width_ && height == height_ && storage_bits == bits_ && masks == masks_) return;
  width_ = width;
  height_ = height;
  bits_ = storage_bits;
  masks_ = masks;
  pitch_ = static_cast<int>(pitch);
  const size_t bytes = static_cast<size_t>(pitch) * height;
  // A new block (the old one goes back first, so that it may serve), uninitialised: cleared here, which a block fresh
  // from the system needs not, or by the caller's pixels.
  bits_store_ = TStore();
  bits_store_.resize(bytes);
  if (cleared) {
    ClearNewBigBlock(bits_store_.data(), bytes);
  } else {
    const size_t used = static_cast<size_t>(width) * storage_bits / 8;  // a partly used last byte is cleared too
    if (used < static_cast<size_t>(pitch))
      for (int32_t y = 0; y < height; ++y) std::memset(ScanLine(y) + used, 0, static_cast<size_t>(pitch) - used);
  }
  if (has_alpha_) alpha_.assign(static_cast<size_t>(width) * height, 0);
}

void TDIBSurface::SetHasAlpha(bool on, bool cleared) {
  has_alpha_ = on;
  const size_t bytes = on ? static_cast<size_t>(width_) * height_ : 0;
  if (cleared) {
    alpha_.assign(bytes, 0);
  } else {
    alpha_.clear();
    alpha_.resize(bytes);  // uninitialised
  }
}

bool TDIBSurface::TakeAlphaAsPixels(TDIBSurface& from) {
  if (bits_ != 8 || !from.has_alpha_ || width_ != from.width_ || height_ != from.height_ ||
      pitch_ != static_cast<int64_t>(width_))
    return false;
  bits_store_.swap(from.alpha_);
  from.SetHasAlpha(false);
  return true;
}

}  // namespace velk
