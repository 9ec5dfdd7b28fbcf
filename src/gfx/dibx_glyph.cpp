// The reduced glyph draws of TDIBX: a glyph rendered at n times the size, drawn reduced by n as anti-aliased ink
// (1-bit sources) or as three-colour coded pixels (4-bit sources with a 2-bit code).
#include <algorithm>

#include "gfx/dibx.h"
#include "gfx/draw_support.h"

namespace velk {
namespace {

// The largest reduction factor: weights stay far inside 64 bits and a block is never larger than a screen.
constexpr int kMaxFactor = 256;

// The clipped frame of a reduced draw, in destination pixels (= source blocks of n x n): calls
// block(dst_row, dst_x, source_left, source_top) for each destination pixel.
template <class BlockFn>
void ForEachBlock(TCustomDIBX* dst, const TPixels& d, const TPixels& s, int32_t x, int32_t y, const TRect& src, int n,
                  bool mirror_h, bool mirror_v, BlockFn block) {
  const TRect sr = Intersect(src, s.Bounds());
  if (sr.IsEmpty()) return;
  const TRect blocks{0, 0, sr.Width() / n, sr.Height() / n};
  TPointFrame f;
  if (!ClipPointDraw(x, y, blocks, blocks, dst->ClipBounds(), mirror_h, mirror_v, f)) return;
  for (int32_t i = 0; i < f.Dst.Height(); ++i) {
    const int32_t by = mirror_v ? f.Src.Bottom - 1 - i : f.Src.Top + i;
    uint8_t* row = d.Row(f.Dst.Top + i);
    for (int32_t k = 0; k < f.Dst.Width(); ++k) {
      const int32_t bx = mirror_h ? f.Src.Right - 1 - k : f.Src.Left + k;
      block(row, f.Dst.Left + k, sr.Left + bx * n, sr.Top + by * n);
    }
  }
}

}  // namespace

void TDIBX::DrawMonoReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, uint32_t color, bool mirror_h,
                            bool mirror_v, int alpha, int factor) {
  if (!source || alpha <= 0 || factor <= 0 || factor > kMaxFactor) return;
  TPixels d(this), s(source);
  if (!d.Valid() || !s.Valid() || s.Bits() != 1 || (d.Bits() != 16 && d.Bits() != 32)) return;
  const TPixelMasks m{RedMask(), GreenMask(), BlueMask()};
  const int n = factor, bits = d.Bits();
  const uint64_t n2 = uint64_t(n) * n;
  ForEachBlock(this, d, s, x, y, src, n, mirror_h, mirror_v, [&](uint8_t* row, int32_t dx, int32_t sx, int32_t sy) {
    uint64_t ink = 0;  // clear bits are ink
    for (int32_t j = 0; j < n; ++j) {
      const uint8_t* line = s.Row(sy + j);
      for (int32_t i = sx; i < sx + n; ++i) ink += ((line[i / 8] >> (7 - i % 8)) & 1) == 0;
    }
    if (alpha < 255) ink = (uint64_t(alpha) * ink) >> 8;
    if (ink == 0) return;
    const uint32_t old = LoadPixel(row, dx, bits);
    // The mix is divided by n * n: the same as a shift by 4 for the factor 4 of the text renderer, and it can
    // never carry into the next channel for other factors.
    uint32_t v = 0;
    for (uint32_t mask : {m.Red, m.Green, m.Blue})
      v |= static_cast<uint32_t>(((color & mask) * ink + (old & mask) * (n2 - ink)) / n2) & mask;
    StorePixel(row, dx, bits, v);
  });
}

void TDIBX::DrawNibbleReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, const TColorTriple& colors,
                              bool mirror_h, bool mirror_v, int alpha, int factor) {
  if (!source || alpha <= 0 || factor <= 0 || factor > kMaxFactor) return;
  TPixels d(this), s(source);
  if (!d.Valid() || !s.Valid() || s.Bits() != 4 || (d.Bits() != 16 && d.Bits() != 32)) return;
  const TPixelMasks m{RedMask(), GreenMask(), BlueMask()};
  const int n = factor, bits = d.Bits();
  const uint64_t n2 = uint64_t(n) * n, total = 256 * n2;
  const uint32_t c[3] = {colors.C1, colors.C2, colors.C3};
  ForEachBlock(this, d, s, x, y, src, n, mirror_h, mirror_v, [&](uint8_t* row, int32_t dx, int32_t sx, int32_t sy) {
    uint64_t h[4] = {0, 0, 0, 0};
    for (int32_t j = 0; j < n; ++j) {
      const uint8_t* line = s.Row(sy + j);
      for (int32_t i = sx; i < sx + n; ++i) ++h[((i & 1) ? line[i / 2] : line[i / 2] >> 4) & 3];
    }
    if (h[0] == n2) return;
    if (alpha == 255 && h[1] == n2) return StorePixel(row, dx, bits, c[0]);
    if (alpha == 255 && h[2] == n2) return StorePixel(row, dx, bits, c[1]);
    const uint64_t weight = alpha < 255 ? uint64_t(alpha) : 256;
    const uint64_t k[3] = {weight * h[1], weight * h[2], weight * h[3]};
    const bool additive = alpha > 255;
    const uint64_t background = additive ? total : total - k[0] - k[1] - k[2];
    const uint32_t old = LoadPixel(row, dx, bits);
    // Divided by 256 n^2, the sum of the weights: a shift by log2 of it for factors that are powers of two, and
    // no spill into the next channel for the others.
    uint32_t v = 0;
    for (uint32_t mask : {m.Red, m.Green, m.Blue}) {
      uint64_t sum = (c[0] & mask) * k[0] + (c[1] & mask) * k[1] + (c[2] & mask) * k[2] + (old & mask) * background;
      if (additive) sum = std::min<uint64_t>(sum, uint64_t(mask) * total);
      v |= static_cast<uint32_t>(sum / total) & mask;
    }
    StorePixel(row, dx, bits, v);
  });
}

}  // namespace velk
