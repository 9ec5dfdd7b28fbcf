#pragma once
// The per-pixel loop of the transitions that choose and lighten pixels one by one: each row of the destination
// and of the two pictures handed over as arrays of their pixel type (uint16_t or uint32_t), so that the loops
// compile once per width without a test per pixel.
#include <cstdint>

#include "gfx/blend_kernels.h"
#include "gfx/draw_support.h"

namespace velk {

// fn(y, dest row, old row, new row, masks) for every row; false (nothing drawn) unless the three are 15, 16 or
// 32-bit surfaces of one format and of at least w x h pixels.
template <class Fn>
bool ForPixelRows(TCustomDIBX* dest, TCustomDIBX* old_picture, TCustomDIBX* new_picture, int32_t w, int32_t h, Fn fn) {
  TPixels d(dest), o(old_picture), n(new_picture);
  if (!d.Valid() || !o.Valid() || !n.Valid() || (d.Bits() != 16 && d.Bits() != 32) || !d.SameFormat(o) ||
      !d.SameFormat(n))
    return false;
  if (d.Width() < w || d.Height() < h || o.Width() < w || o.Height() < h || n.Width() < w || n.Height() < h)
    return false;
  for (int32_t y = 0; y < h; ++y) {
    if (d.Bits() == 32) {
      fn(y, reinterpret_cast<uint32_t*>(d.Row(y)), reinterpret_cast<const uint32_t*>(o.Row(y)),
         reinterpret_cast<const uint32_t*>(n.Row(y)), d.Masks());
    } else {
      fn(y, reinterpret_cast<uint16_t*>(d.Row(y)), reinterpret_cast<const uint16_t*>(o.Row(y)),
         reinterpret_cast<const uint16_t*>(n.Row(y)), d.Masks());
    }
  }
  return true;
}

// Per channel (px & M) + (c & M), M when above: the grey of the flashes.
inline uint32_t AddGreyPixel(uint32_t px, uint32_t c, const TPixelMasks& m) {
  return AddColorChannel(px, c, m.Red) | AddColorChannel(px, c, m.Green) | AddColorChannel(px, c, m.Blue);
}
inline uint32_t SubGreyPixel(uint32_t px, uint32_t c, const TPixelMasks& m) {
  return SubColorChannel(px, c, m.Red) | SubColorChannel(px, c, m.Green) | SubColorChannel(px, c, m.Blue);
}

}  // namespace velk
