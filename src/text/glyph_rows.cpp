#include "text/glyph_rows.h"

#include <cstdlib>
#include <cstring>

#include "gfx/draw_support.h"

namespace velk {

void PaintGlyphRowAvx2(const TGlyphBlock& block, const TGlyphRowParams& p);

void PaintGlyphRowScalar(const TGlyphBlock& block, const TGlyphRowParams& p) {
  const uint8_t solid_mask = p.Framed || !p.Blended ? 255 : 0;
  for (int r = 0; r < block.Rows; ++r) {
    uint8_t* color = block.Color + r * block.ColorPitch;
    uint8_t* mask = block.Mask + r * block.MaskPitch;
    const uint8_t* coverage = block.Coverage + r * block.CoveragePitch;
    for (int i = 0; i < block.Width; ++i) {
      const uint8_t m = coverage[i];
      if (!m) continue;
      const bool full = !p.Blended || m == 255;
      StorePixel(color, i, p.Bits, full ? p.Value : MixNative(LoadPixel(color, i, p.Bits), p.Value, m, p.Masks));
      const uint8_t covered = solid_mask ? solid_mask : m;
      if (covered > mask[i]) mask[i] = covered;
    }
  }
}

TGlyphRowKernel GlyphRowAvx2Kernel() { return __builtin_cpu_supports("avx2") ? PaintGlyphRowAvx2 : nullptr; }

TGlyphRowKernel ActiveGlyphRowKernel() {
  static const TGlyphRowKernel k = [] {
    const char* v = std::getenv("VELK_SCALAR");
    const bool scalar = v != nullptr && std::strcmp(v, "1") == 0;
    const TGlyphRowKernel avx2 = GlyphRowAvx2Kernel();
    return scalar || !avx2 ? PaintGlyphRowScalar : avx2;
  }();
  return k;
}

}  // namespace velk
