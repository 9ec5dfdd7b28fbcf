// The point draws of TDIBX: opaque, transparent, masked, alpha-blended and additive draws of a source rectangle
// at a point, the colour-through-coverage draw of glyphs, and the palette draws of indexed sources.
#include <algorithm>
#include <cstring>

#include "gfx/dibx.h"
#include "gfx/draw_support.h"

namespace velk {
namespace {

// Opaque or transparent copy between 8 or 24-bit surfaces, pixel by pixel.
void DrawBytes(TCustomDIBX* dst, TCustomDIBX* source, int32_t x, int32_t y, const TRect& src, bool transparent,
               bool mirror_h, bool mirror_v) {
  TPixels d(dst), s(source);
  if (!d.Valid() || !s.Valid() || !s.SameFormat(d) || (d.Bits() != 8 && d.Bits() != 24)) return;
  TPointFrame f;
  if (!ClipPointDraw(x, y, src, s.Bounds(), dst->ClipBounds(), mirror_h, mirror_v, f)) return;
  const int size = d.Bits() / 8;
  const bool skip = transparent && source->TransparentValue != -1;
  const uint32_t t = static_cast<uint32_t>(source->TransparentValue) & (size == 1 ? 0xFF : 0xFFFFFF);
  for (int32_t i = 0; i < f.Dst.Height(); ++i) {
    const int32_t sy = mirror_v ? f.Src.Bottom - 1 - i : f.Src.Top + i;
    uint8_t* dp = d.At(f.Dst.Left, f.Dst.Top + i);
    if (!mirror_h && !skip) {
      std::memmove(dp, s.At(f.Src.Left, sy), static_cast<size_t>(f.Dst.Width()) * size);
      continue;
    }
    for (int32_t k = 0; k < f.Dst.Width(); ++k) {
      const uint8_t* sp = s.At(mirror_h ? f.Src.Right - 1 - k : f.Src.Left + k, sy);
      uint32_t v = sp[0];
      if (size == 3) v |= uint32_t{sp[1]} << 8 | uint32_t{sp[2]} << 16;
      if (skip && v == t) continue;
      std::memcpy(dp + k * size, sp, size);
    }
  }
}

// Walks the clipped frame of a point draw from a source of any depth: calls row(dst_row, sy, source_column_of(k))
// once per destination row.
template <class RowFn>
void ForEachFrameRow(const TPixels& d, const TPointFrame& f, bool mirror_h, bool mirror_v, RowFn row) {
  for (int32_t i = 0; i < f.Dst.Height(); ++i) {
    const int32_t sy = mirror_v ? f.Src.Bottom - 1 - i : f.Src.Top + i;
    auto column = [&f, mirror_h](int32_t k) { return mirror_h ? f.Src.Right - 1 - k : f.Src.Left + k; };
    row(d.At(f.Dst.Left, f.Dst.Top + i), sy, column);
  }
}

}  // namespace

void TDIBX::Draw(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                 bool mirror_v) {
  if (!source) return;
  const int bits = StorageBitCount();
  if (bits == 8 || bits == 24) {
    DrawBytes(this, source, x, y, src, transparent, mirror_h, mirror_v);
    return;
  }
  RunPointDraw(this, source, nullptr, x, y, src, mirror_h, mirror_v, TRowOp::CopyTransparent,
               TransparentParams(this, source, transparent, 255));
}

void TDIBX::DrawMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                     TCustomDIBX* mask) {
  if (!source || !mask) return;
  RunPointDraw(this, source, mask, x, y, src, mirror_h, mirror_v, TRowOp::Mask, ParamsFor(this, 255));
}

void TDIBX::DrawAlpha(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                      bool mirror_v, int alpha) {
  if (!source || alpha <= 0) return;
  RunPointDraw(this, source, nullptr, x, y, src, mirror_h, mirror_v, TRowOp::Alpha,
               TransparentParams(this, source, transparent, alpha));
}

void TDIBX::DrawAlphaMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                          TCustomDIBX* mask, int alpha) {
  if (!source || !mask || alpha <= 0) return;
  RunPointDraw(this, source, mask, x, y, src, mirror_h, mirror_v, TRowOp::AlphaMask, ParamsFor(this, alpha));
}

void TDIBX::DrawAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                    bool mirror_v, int amount) {
  if (!source || amount <= 0) return;
  if (StorageBitCount() == 8) {
    // 8-bit destinations add the values themselves, saturating; the amount is not used.
    TPixels d(this), s(source);
    TPointFrame f;
    if (!d.Valid() || !s.Valid() || s.Bits() != 8 ||
        !ClipPointDraw(x, y, src, s.Bounds(), ClipBounds(), mirror_h, mirror_v, f))
      return;
    const bool skip = source->TransparentValue != -1;
    const uint8_t t = static_cast<uint8_t>(source->TransparentValue);
    ForEachFrameRow(d, f, mirror_h, mirror_v, [&](uint8_t* dp, int32_t sy, auto column) {
      const uint8_t* sp = s.Row(sy);
      for (int32_t k = 0; k < f.Dst.Width(); ++k) {
        const uint8_t v = sp[column(k)];
        if (skip && v == t) continue;
        dp[k] = static_cast<uint8_t>(std::min(255, dp[k] + v));
      }
    });
    return;
  }
  // The transparent value is always skipped, whatever the flag says.
  RunPointDraw(this, source, nullptr, x, y, src, mirror_h, mirror_v, TRowOp::Add,
               TransparentParams(this, source, true, amount));
}

void TDIBX::DrawAddMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                        TCustomDIBX* mask, int amount) {
  if (!source || !mask || amount <= 0) return;
  RunPointDraw(this, source, mask, x, y, src, mirror_h, mirror_v, TRowOp::AddMask, ParamsFor(this, amount));
}

void TDIBX::DrawColorMask(int32_t x, int32_t y, TCustomDIBX* coverage, const TRect& src, bool mirror_h, bool mirror_v,
                          uint32_t color, int alpha) {
  if (!coverage || alpha <= 0) return;
  TPixels d(this), c(coverage);
  if (!d.Valid() || !c.Valid() || c.Bits() != 8 || (d.Bits() != 16 && d.Bits() != 32)) return;
  // The coverage must hold the whole source rectangle.
  if (src.Left < 0 || src.Top < 0 || src.Right > c.Width() || src.Bottom > c.Height()) return;
  TPointFrame f;
  if (!ClipPointDraw(x, y, src, c.Bounds(), ClipBounds(), mirror_h, mirror_v, f)) return;
  TKernelParams p = ParamsFor(this, alpha);
  p.Color = color;
  const TRowKernel kernel = ActiveKernels().Kernel(TRowOp::ColorMask, d.Bits());
  const int32_t n = f.Dst.Width();
  std::vector<uint8_t> mrow(static_cast<size_t>(n));
  ForEachFrameRow(d, f, mirror_h, mirror_v, [&](uint8_t* dp, int32_t sy, auto column) {
    const uint8_t* mp = c.Row(sy) + f.Src.Left;
    if (mirror_h) {
      for (int32_t k = 0; k < n; ++k) mrow[k] = c.Row(sy)[column(k)];
      mp = mrow.data();
    }
    kernel(dp, nullptr, mp, n, p);
  });
}

void TDIBX::DrawIndexedAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, int threshold, bool mirror_h,
                           bool mirror_v, int amount, const TNativePalette& palette) {
  if (!source || amount <= 0) return;
  TPixels d(this), s(source);
  if (!d.Valid() || !s.Valid() || s.Bits() != 8 || (d.Bits() != 16 && d.Bits() != 32)) return;
  TPointFrame f;
  if (!ClipPointDraw(x, y, src, s.Bounds(), ClipBounds(), mirror_h, mirror_v, f)) return;
  const TKernelParams p = ParamsFor(this, amount);
  const int bits = d.Bits();
  const TRowKernel kernel = ActiveKernels().Kernel(TRowOp::AddMask, bits);
  const int32_t n = f.Dst.Width();
  std::vector<uint8_t> row(static_cast<size_t>(n) * (bits / 8)), mrow(static_cast<size_t>(n));
  ForEachFrameRow(d, f, mirror_h, mirror_v, [&](uint8_t* dp, int32_t sy, auto column) {
    const uint8_t* sp = s.Row(sy);
    for (int32_t k = 0; k < n; ++k) {
      const uint8_t index = sp[column(k)];
      StorePixel(row.data(), k, bits, palette[index]);
      mrow[k] = index >= threshold ? 255 : 0;  // a full mask adds with the amount itself
    }
    kernel(dp, row.data(), mrow.data(), n, p);
  });
}

void TDIBX::DrawNibblePalette(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                              int opacity, const TNativePalette& palette) {
  if (!source || opacity <= 0) return;
  TPixels d(this), s(source);
  if (!d.Valid() || !s.Valid() || s.Bits() != 4 || (d.Bits() != 16 && d.Bits() != 32)) return;
  TPointFrame f;
  if (!ClipPointDraw(x, y, src, s.Bounds(), ClipBounds(), mirror_h, mirror_v, f)) return;
  const TPixelMasks m{RedMask(), GreenMask(), BlueMask()};
  const uint32_t white = m.Red | m.Green | m.Blue;
  const int bits = d.Bits();
  const bool skip = source->TransparentValue != -1;
  const uint32_t t = static_cast<uint32_t>(source->TransparentValue);
  const uint32_t amount = static_cast<uint32_t>(opacity & 0xFF);
  ForEachFrameRow(d, f, mirror_h, mirror_v, [&](uint8_t* dp, int32_t sy, auto column) {
    const uint8_t* sp = s.Row(sy);
    for (int32_t k = 0; k < f.Dst.Width(); ++k) {
      const int32_t sx = column(k);
      const uint32_t index = (sx & 1) ? sp[sx / 2] & 0x0F : sp[sx / 2] >> 4;
      if (skip && index == t) continue;
      const uint32_t v = palette[index], old = LoadPixel(dp, k, bits);
      if (opacity == 255) {
        StorePixel(dp, k, bits, v);
      } else if (opacity > 255) {
        if ((v & white) == 0 || (old & white) == white) continue;
        StorePixel(dp, k, bits, AddPixel(old, v, amount, m));
      } else if (old != v) {
        StorePixel(dp, k, bits, BlendPixel(old, v, static_cast<uint32_t>(opacity), m));
      }
    }
  });
}

}  // namespace velk
