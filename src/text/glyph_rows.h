#pragma once
// Row kernels of glyph drawing: runs of 8-bit coverage painted into rows of a page's colour buffer and the same
// runs of its mask. The scalar kernel states the rule; the AVX2 kernel gives exactly the same bytes for 32-bit
// 8-8-8 buffers (others take the scalar one) and is chosen at run time when the processor has it.
// VELK_SCALAR=1 in the environment forces the scalar kernel.
//
// Per pixel of coverage m: m = 0 leaves both rows. Otherwise the colour becomes the value when the text is solid or
// m = 255, else each channel M mixes ((value & M) * m + (d & M) * (256 - m)) >> 8, masked with M; the mask keeps
// the larger of itself and 255 (solid or framed text) or m.
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "gfx/pixel_format.h"

namespace velk {

struct TGlyphRowParams {
  uint32_t Value = 0;  // native colour
  TPixelMasks Masks;
  int Bits = 32;        // 16 (15 and 16-bit formats) or 32
  bool Blended = true;  // false: every covered pixel takes the value
  bool Framed = false;  // true: every covered pixel sets the mask to 255
};

// A block of runs, one per row, all of the same width and place: the first pixel of the first run in the colour
// rows and in the mask rows, and its coverage; each pointer moves on by its pitch from row to row. Room (at least
// Width): the pixels of each row from the run's start on that a kernel may read and write back unchanged, so that
// a run's last step need not be narrowed.
struct TGlyphBlock {
  uint8_t* Color = nullptr;
  ptrdiff_t ColorPitch = 0;
  uint8_t* Mask = nullptr;
  ptrdiff_t MaskPitch = 0;
  const uint8_t* Coverage = nullptr;
  ptrdiff_t CoveragePitch = 0;
  int Width = 0, Rows = 0, Room = 0;
};

using TGlyphRowKernel = void (*)(const TGlyphBlock& block, const TGlyphRowParams& p);

void PaintGlyphRowScalar(const TGlyphBlock& block, const TGlyphRowParams& p);
// The AVX2 kernel, or null when the processor lacks AVX2.
TGlyphRowKernel GlyphRowAvx2Kernel();
// The kernel glyph drawing uses.
TGlyphRowKernel ActiveGlyphRowKernel();

// d mixed towards c by m / 256, channel by channel in a native format of these channel masks.
inline uint32_t MixNative(uint32_t d, uint32_t c, uint32_t m, const TPixelMasks& k) {
  uint32_t v = 0;
  for (const uint32_t mask : {k.Red, k.Green, k.Blue}) {
    const uint64_t mix = ((uint64_t{c & mask} * m) + (uint64_t{d & mask} * (256 - m))) >> 8;
    v |= static_cast<uint32_t>(mix) & mask;
  }
  return v;
}

}  // namespace velk
