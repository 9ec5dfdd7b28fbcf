// The tiled draws of TDIBX: a source rectangle repeated over a destination rectangle with gaps and offsets,
// stretched cells, and the scrolling tiles that repeat a whole source, plain or scaled.
#include <algorithm>
#include <cstring>

#include "gfx/dibx.h"
#include "gfx/draw_support.h"

namespace velk {
namespace {

// Makes the destination rectangle (within the clip) the clip while it lives; restores the old clip at the end.
class TClipScope {
 public:
  TClipScope(TCustomDIBX* surface, const TRect& dst) : surface_(surface), saved_(surface->ClipRect) {
    area_ = Intersect(dst, surface->ClipBounds());
    if (!area_.IsEmpty()) surface->ClipRect = area_;
  }
  ~TClipScope() { surface_->ClipRect = saved_; }
  bool Empty() const { return area_.IsEmpty(); }
  const TRect& Area() const { return area_; }

 private:
  TCustomDIBX* surface_;
  TRect saved_;
  TRect area_;
};

// The tile grid of 50-55: calls draw(x, y, source rectangle) for every tile that can meet the clip.
template <class DrawFn>
void ForEachTile(const TRect& dst, const TRect& area, int32_t gap_x, int32_t gap_y, const TRect& src, int32_t offset_x,
                 int32_t offset_y, DrawFn draw) {
  const int64_t w = src.Width(), h = src.Height();
  if (w <= 0 || h <= 0) return;
  // A negative offset starts at w - (-offset mod w), which may be w itself: an empty first tile.
  auto start = [](int64_t offset, int64_t size) { return offset >= 0 ? offset % size : size - (-offset) % size; };
  const int64_t ox = start(offset_x, w), oy = start(offset_y, h);
  int64_t y = dst.Top;
  for (bool first_row = true; y < area.Bottom; first_row = false) {
    const int64_t th = first_row ? h - oy : h, sy = first_row ? src.Top + oy : src.Top;
    if (y + th > area.Top) {
      int64_t x = dst.Left;
      for (bool first = true; x < area.Right; first = false) {
        const int64_t tw = first ? w - ox : w, sx = first ? src.Left + ox : src.Left;
        if (x + tw > area.Left && tw > 0 && th > 0)
          draw(static_cast<int32_t>(x), static_cast<int32_t>(y),
               TRect{static_cast<int32_t>(sx), static_cast<int32_t>(sy), static_cast<int32_t>(sx + tw),
                     static_cast<int32_t>(sy + th)});
        // A negative gap that swallows a whole tile would never move on: the row ends there.
        if (!first && tw + gap_x <= 0) break;
        x += tw + gap_x;
      }
    }
    if (!first_row && th + gap_y <= 0) break;
    y += th + gap_y;
  }
}

}  // namespace

namespace {

// The common frame of 50-55: the destination becomes the clip for the duration, then every tile is drawn.
template <class DrawFn>
void TileWith(TCustomDIBX* self, TCustomDIBX* source, const TRect& dst, int32_t gap_x, int32_t gap_y, const TRect& src,
              int32_t offset_x, int32_t offset_y, DrawFn draw) {
  if (!source) return;
  TClipScope scope(self, dst);
  if (scope.Empty()) return;
  ForEachTile(dst, scope.Area(), gap_x, gap_y, src, offset_x, offset_y, draw);
}

}  // namespace

void TDIBX::TileDraw(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                     bool transparent, int32_t offset_x, int32_t offset_y) {
  TileWith(this, source, dst, gap_x, gap_y, src, offset_x, offset_y,
           [&](int32_t tx, int32_t ty, const TRect& tile) { Draw(tx, ty, source, tile, transparent, false, false); });
}

void TDIBX::TileDrawAlpha(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                          bool transparent, int alpha, int32_t offset_x, int32_t offset_y) {
  if (alpha <= 0) return;
  TileWith(this, source, dst, gap_x, gap_y, src, offset_x, offset_y, [&](int32_t tx, int32_t ty, const TRect& tile) {
    DrawAlpha(tx, ty, source, tile, transparent, false, false, alpha);
  });
}

void TDIBX::TileDrawAdd(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                        bool transparent, int amount, int32_t offset_x, int32_t offset_y) {
  if (amount <= 0) return;
  TileWith(this, source, dst, gap_x, gap_y, src, offset_x, offset_y, [&](int32_t tx, int32_t ty, const TRect& tile) {
    DrawAdd(tx, ty, source, tile, transparent, false, false, amount);
  });
}

void TDIBX::TileDrawMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                         TCustomDIBX* mask, int32_t offset_x, int32_t offset_y) {
  TileWith(this, source, dst, gap_x, gap_y, src, offset_x, offset_y,
           [&](int32_t tx, int32_t ty, const TRect& tile) { DrawMask(tx, ty, source, tile, false, false, mask); });
}

void TDIBX::TileDrawAlphaMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                              TCustomDIBX* mask, int alpha, int32_t offset_x, int32_t offset_y) {
  if (alpha <= 0) return;
  TileWith(this, source, dst, gap_x, gap_y, src, offset_x, offset_y, [&](int32_t tx, int32_t ty, const TRect& tile) {
    DrawAlphaMask(tx, ty, source, tile, false, false, mask, alpha);
  });
}

void TDIBX::TileDrawAddMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                            TCustomDIBX* mask, int amount, int32_t offset_x, int32_t offset_y) {
  if (amount <= 0) return;
  TileWith(this, source, dst, gap_x, gap_y, src, offset_x, offset_y, [&](int32_t tx, int32_t ty, const TRect& tile) {
    DrawAddMask(tx, ty, source, tile, false, false, mask, amount);
  });
}

namespace {

// Cells of a stretched tile: calls draw(cell rectangle) for every cell that can meet the clip.
template <class DrawFn>
void ForEachStretchCell(const TRect& dst, const TRect& area, int32_t cell_w, int32_t cell_h, int32_t scale_x,
                        int32_t scale_y, const TRect& src, int32_t offset_x, int32_t offset_y, DrawFn draw) {
  const int64_t step_x = std::max<int64_t>(1, int64_t{scale_x} * cell_w / 256);
  const int64_t step_y = std::max<int64_t>(1, int64_t{scale_y} * cell_h / 256);
  const int64_t w = std::max<int64_t>(1, int64_t{scale_x} * src.Width() / 256);
  const int64_t h = std::max<int64_t>(1, int64_t{scale_y} * src.Height() / 256);
  // The first cell starts the offset's remainder before the destination (a whole step more when negative).
  auto lead = [](int64_t offset, int64_t step) { return offset >= 0 ? offset % step : step + offset % step; };
  const int64_t x0 = dst.Left - lead(offset_x, step_x), y0 = dst.Top - lead(offset_y, step_y);
  for (int64_t y = y0; y < area.Bottom; y += step_y) {
    if (y + h <= area.Top) continue;
    for (int64_t x = x0; x < area.Right; x += step_x) {
      if (x + w <= area.Left) continue;
      draw(TRect{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + w),
                 static_cast<int32_t>(y + h)});
    }
  }
}

}  // namespace

void TDIBX::TileStretchDraw(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                            TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h, bool mirror_v,
                            int opacity, int32_t offset_x, int32_t offset_y) {
  if (!source || opacity <= 0 || scale_x <= 0 || scale_y <= 0) return;
  TClipScope scope(this, dst);
  if (scope.Empty()) return;
  ForEachStretchCell(dst, scope.Area(), cell_w, cell_h, scale_x, scale_y, src, offset_x, offset_y,
                     [&](const TRect& cell) {
                       if (opacity > 255)
                         StretchDrawAdd(cell, source, src, transparent, mirror_h, mirror_v, opacity & 0xFF);
                       else
                         StretchDraw(cell, source, src, transparent, mirror_h, mirror_v, opacity);
                     });
}

void TDIBX::TileStretchDrawMask(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                                TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v, TCustomDIBX* mask,
                                int opacity, int32_t offset_x, int32_t offset_y) {
  if (!source || !mask || opacity <= 0 || scale_x <= 0 || scale_y <= 0) return;
  TClipScope scope(this, dst);
  if (scope.Empty()) return;
  ForEachStretchCell(dst, scope.Area(), cell_w, cell_h, scale_x, scale_y, src, offset_x, offset_y,
                     [&](const TRect& cell) {
                       if (opacity > 255)
                         StretchDrawAddMask(cell, source, src, mirror_h, mirror_v, mask, opacity & 0xFF);
                       else
                         StretchDrawMask(cell, source, src, mirror_h, mirror_v, mask, opacity);
                     });
}

void TDIBX::FrameTile(const TRect& r, int32_t band_width, TCustomDIBX* source, int32_t offset_x, int32_t offset_y) {
  const int32_t b = band_width;
  ScrollTile(Bounds(r.Left, r.Top, r.Width(), b), source, offset_x, offset_y, false, false);
  ScrollTile(Bounds(r.Left, r.Bottom - b, r.Width(), b), source, offset_x, offset_y, false, false);
  ScrollTile(Bounds(r.Left, r.Top, b, r.Height()), source, offset_x, offset_y, false, false);
  ScrollTile(Bounds(r.Right - b, r.Top, b, r.Height()), source, offset_x, offset_y, false, false);
}

void TDIBX::ScrollTile(const TRect& dst, TCustomDIBX* source, int32_t offset_x, int32_t offset_y, bool mirror_h,
                       bool mirror_v) {
  if (!source) return;
  TPixels d(this), s(source);
  if (!d.Valid() || !s.Valid() || !s.SameFormat(d) || d.Bits() < 8) return;
  const TRect area = Intersect(dst, ClipBounds());
  if (area.IsEmpty()) return;
  const int size = d.Bits() / 8;
  const int64_t w = s.Width(), h = s.Height();
  // Pattern column of the destination's left edge and row of its top edge.
  const int64_t col0 = FloorMod(offset_x, w), row0 = FloorMod(offset_y, h);
  for (int32_t y = area.Top; y < area.Bottom; ++y) {
    const int64_t i = y - int64_t{dst.Top};
    const int32_t sy = static_cast<int32_t>(mirror_v ? FloorMod(h - 1 - row0 - i, h) : FloorMod(row0 + i, h));
    const uint8_t* sp = s.Row(sy);
    uint8_t* dp = d.At(area.Left, y);
    int64_t k = area.Left - int64_t{dst.Left};
    if (mirror_h) {
      for (int32_t x = 0; x < area.Width(); ++x, ++k)
        std::memcpy(dp + x * size, sp + FloorMod(w - 1 - col0 - k, w) * size, size);
      continue;
    }
    // Runs of consecutive source columns are block copies.
    for (int32_t x = 0; x < area.Width();) {
      const int64_t sx = FloorMod(col0 + k, w);
      const int32_t run = static_cast<int32_t>(std::min<int64_t>(w - sx, area.Width() - x));
      std::memcpy(dp + static_cast<ptrdiff_t>(x) * size, sp + sx * size, static_cast<size_t>(run) * size);
      x += run;
      k += run;
    }
  }
}

namespace {

void RunScrollTileScaled(TCustomDIBX* dst, const TRect& dst_rect, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                         int32_t offset_x, int32_t offset_y, bool transparent, bool mirror_h, bool mirror_v,
                         TCustomDIBX* mask, int opacity) {
  const TOpacityKind kind = OpacityKind(opacity);
  if (!source || kind == TOpacityKind::None || scale_x <= 0 || scale_y <= 0) return;
  TPixels d(dst), s(source);
  if (!d.Valid() || !s.Valid() || (d.Bits() != 16 && d.Bits() != 32) || !s.SameFormat(d)) return;
  TPixels m(mask);
  if (mask && !MaskFits(m, s)) return;
  const TRect area = Intersect(dst_rect, dst->ClipBounds());
  if (area.IsEmpty()) return;
  const int64_t w = s.Width(), h = s.Height();
  const int64_t w16 = w << 16, h16 = h << 16;
  // 256 / scale source pixels per destination pixel, never more than the whole source; mirrored runs backwards.
  int64_t step_x = std::min((int64_t{256} << 16) / scale_x, w16),
          step_y = std::min((int64_t{256} << 16) / scale_y, h16);
  const int64_t col0 = FloorMod(offset_x, w), row0 = FloorMod(offset_y, h);
  const int64_t u0 = (mirror_h ? w - 1 - col0 : col0) << 16, v0 = (mirror_v ? h - 1 - row0 : row0) << 16;
  if (mirror_h) step_x = -step_x;
  if (mirror_v) step_y = -step_y;

  const int bits = d.Bits(), size = bits / 8;
  const int32_t n = area.Width();
  const bool skip_transparent = transparent && source->TransparentValue != -1;
  const uint32_t t = static_cast<uint32_t>(source->TransparentValue) & (bits == 16 ? 0xFFFF : 0xFFFFFFFF);
  const TKernelParams p = ParamsFor(dst, OpacityAmount(opacity));
  std::vector<int32_t> cols(static_cast<size_t>(n));
  for (int32_t k = 0; k < n; ++k)
    cols[k] = static_cast<int32_t>(FloorMod(u0 + (area.Left - int64_t{dst_rect.Left} + k) * step_x, w16) >> 16);
  std::vector<uint8_t> row(static_cast<size_t>(n) * size), mrow(static_cast<size_t>(n));
  for (int32_t y = area.Top; y < area.Bottom; ++y) {
    const int32_t sy = static_cast<int32_t>(FloorMod(v0 + (y - int64_t{dst_rect.Top}) * step_y, h16) >> 16);
    const uint8_t* sp = s.Row(sy);
    for (int32_t k = 0; k < n; ++k) {
      const uint32_t sample = LoadPixel(sp, cols[k], bits);
      StorePixel(row.data(), k, bits, sample);
      mrow[k] = mask ? m.Row(sy)[cols[k]] : (skip_transparent && sample == t ? 0 : 255);
    }
    CombineSamples(d.At(area.Left, y), row.data(), mrow.data(), n, bits, kind, mask != nullptr, p);
  }
}

}  // namespace

void TDIBX::ScrollTileScaled(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, int32_t offset_x,
                             int32_t offset_y, bool transparent, bool mirror_h, bool mirror_v, int opacity) {
  RunScrollTileScaled(this, dst, scale_x, scale_y, source, offset_x, offset_y, transparent, mirror_h, mirror_v, nullptr,
                      opacity);
}

void TDIBX::ScrollTileScaledMask(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                                 int32_t offset_x, int32_t offset_y, bool mirror_h, bool mirror_v, TCustomDIBX* mask,
                                 int opacity) {
  if (!mask) return;
  RunScrollTileScaled(this, dst, scale_x, scale_y, source, offset_x, offset_y, false, mirror_h, mirror_v, mask,
                      opacity);
}

}  // namespace velk
