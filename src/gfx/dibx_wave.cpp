#include "gfx/dibx_wave.h"

#include <algorithm>

namespace velk {
namespace {

TRect Moved(const TRect& r, int32_t dx) { return TRect{r.Left + dx, r.Top, r.Right + dx, r.Bottom}; }

}  // namespace

void TDIBXWave::SetSize(int32_t width, int32_t height, int depth) {
  TCustomDIBX::SetSize(width, height, depth);
  offsets_.assign(static_cast<size_t>(Height()), 0);
}

void TDIBXWave::ResetClip() {
  TCustomDIBX::ResetClip();
  target_->ResetClip();
}

void TDIBXWave::AddClip(const TRect& r) {
  const TRect region = Region();
  const TRect c{std::max(r.Left, region.Left), std::max(r.Top, region.Top), std::min(r.Right, region.Right),
                std::min(r.Bottom, region.Bottom)};
  if (c.IsEmpty()) return;
  ClipRect = ClipRect.Right == 0 ? c : Union(ClipRect, c);
  target_->AddClip(c);
}

template <class DrawFn> void TDIBXWave::ForEachRun(DrawFn draw) {
  saved_clip_ = target_->ClipRect;
  const TRect base = target_->ClipBounds();
  const int32_t lines = static_cast<int32_t>(offsets_.size());
  // Lines above the target or beyond the offsets are skipped.
  int32_t i = std::max(0, base.Top - region_top_);
  const int32_t end = std::min(lines, base.Bottom - region_top_);
  while (i < end) {
    int32_t j = i + 1;
    while (j < end && offsets_[j] == offsets_[i]) ++j;
    const TRect band = Intersect(base, TRect{base.Left, region_top_ + i, base.Right, region_top_ + j});
    if (!band.IsEmpty()) {
      target_->ClipRect = band;
      draw(offsets_[i]);
    }
    i = j;
  }
  target_->ClipRect = saved_clip_;
}

void TDIBXWave::Fill(uint32_t value) { FillRect(Region(), value); }

void TDIBXWave::Assign(TCustomDIBX* source) {
  if (source) Draw(0, 0, source, TRect{0, 0, source->Width(), source->Height()}, false, false, false);
}

void TDIBXWave::FillRect(const TRect& r, uint32_t value) {
  ForEachRun([&](int32_t off) { target_->FillRect(Moved(r, off), value); });
}

void TDIBXWave::FillRectAlpha(const TRect& r, uint32_t value, int alpha) {
  ForEachRun([&](int32_t off) { target_->FillRectAlpha(Moved(r, off), value, alpha); });
}

void TDIBXWave::FillRectAdd(const TRect& r, uint32_t value) {
  ForEachRun([&](int32_t off) { target_->FillRectAdd(Moved(r, off), value); });
}

void TDIBXWave::FillRectSub(const TRect& r, uint32_t value) {
  ForEachRun([&](int32_t off) { target_->FillRectSub(Moved(r, off), value); });
}

void TDIBXWave::Draw(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                     bool mirror_v) {
  ForEachRun([&](int32_t off) { target_->Draw(x + off, y, source, src, transparent, mirror_h, mirror_v); });
}

void TDIBXWave::DrawMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                         TCustomDIBX* mask) {
  ForEachRun([&](int32_t off) { target_->DrawMask(x + off, y, source, src, mirror_h, mirror_v, mask); });
}

void TDIBXWave::DrawAlpha(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                          bool mirror_v, int alpha) {
  ForEachRun([&](int32_t off) { target_->DrawAlpha(x + off, y, source, src, transparent, mirror_h, mirror_v, alpha); });
}

void TDIBXWave::DrawAlphaMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                              TCustomDIBX* mask, int alpha) {
  ForEachRun([&](int32_t off) { target_->DrawAlphaMask(x + off, y, source, src, mirror_h, mirror_v, mask, alpha); });
}

void TDIBXWave::DrawAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                        bool mirror_v, int amount) {
  ForEachRun([&](int32_t off) { target_->DrawAdd(x + off, y, source, src, transparent, mirror_h, mirror_v, amount); });
}

void TDIBXWave::DrawAddMask(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                            TCustomDIBX* mask, int amount) {
  ForEachRun([&](int32_t off) { target_->DrawAddMask(x + off, y, source, src, mirror_h, mirror_v, mask, amount); });
}

void TDIBXWave::DrawRotate(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                           const TRect& src, int32_t pivot_x, int32_t pivot_y, int32_t angle, bool transparent,
                           bool mirror_h, bool mirror_v, int opacity) {
  ForEachRun([&](int32_t off) {
    target_->DrawRotate(x + off, y, scale_x, scale_y, source, src, pivot_x, pivot_y, angle, transparent, mirror_h,
                        mirror_v, opacity);
  });
}

void TDIBXWave::DrawRotateMask(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                               const TRect& src, int32_t pivot_x, int32_t pivot_y, int32_t angle, bool mirror_h,
                               bool mirror_v, TCustomDIBX* mask, int opacity) {
  ForEachRun([&](int32_t off) {
    target_->DrawRotateMask(x + off, y, scale_x, scale_y, source, src, pivot_x, pivot_y, angle, mirror_h, mirror_v,
                            mask, opacity);
  });
}

void TDIBXWave::StretchDraw(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                            bool mirror_v, int alpha) {
  ForEachRun(
      [&](int32_t off) { target_->StretchDraw(Moved(dst, off), source, src, transparent, mirror_h, mirror_v, alpha); });
}

void TDIBXWave::StretchDrawMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                                TCustomDIBX* mask, int alpha) {
  ForEachRun(
      [&](int32_t off) { target_->StretchDrawMask(Moved(dst, off), source, src, mirror_h, mirror_v, mask, alpha); });
}

void TDIBXWave::StretchDrawAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                               bool mirror_v, int amount) {
  ForEachRun([&](int32_t off) {
    target_->StretchDrawAdd(Moved(dst, off), source, src, transparent, mirror_h, mirror_v, amount);
  });
}

void TDIBXWave::StretchDrawAddMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h,
                                   bool mirror_v, TCustomDIBX* mask, int amount) {
  ForEachRun([&](int32_t off) {
    target_->StretchDrawAddMask(Moved(dst, off), source, src, mirror_h, mirror_v, mask, amount);
  });
}

void TDIBXWave::DrawMonoReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, uint32_t color,
                                bool mirror_h, bool mirror_v, int alpha, int factor) {
  ForEachRun([&](int32_t off) {
    target_->DrawMonoReduced(x + off, y, source, src, color, mirror_h, mirror_v, alpha, factor);
  });
}

void TDIBXWave::DrawNibbleReduced(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src,
                                  const TColorTriple& colors, bool mirror_h, bool mirror_v, int alpha, int factor) {
  ForEachRun([&](int32_t off) {
    target_->DrawNibbleReduced(x + off, y, source, src, colors, mirror_h, mirror_v, alpha, factor);
  });
}

void TDIBXWave::TileDraw(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                         bool transparent, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileDraw(Moved(dst, off), gap_x, gap_y, source, src, transparent, offset_x, offset_y);
  });
}

void TDIBXWave::TileDrawAlpha(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                              bool transparent, int alpha, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileDrawAlpha(Moved(dst, off), gap_x, gap_y, source, src, transparent, alpha, offset_x, offset_y);
  });
}

void TDIBXWave::TileDrawAdd(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                            bool transparent, int amount, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileDrawAdd(Moved(dst, off), gap_x, gap_y, source, src, transparent, amount, offset_x, offset_y);
  });
}

void TDIBXWave::TileDrawMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                             TCustomDIBX* mask, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileDrawMask(Moved(dst, off), gap_x, gap_y, source, src, mask, offset_x, offset_y);
  });
}

void TDIBXWave::TileDrawAlphaMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                                  TCustomDIBX* mask, int alpha, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileDrawAlphaMask(Moved(dst, off), gap_x, gap_y, source, src, mask, alpha, offset_x, offset_y);
  });
}

void TDIBXWave::TileDrawAddMask(const TRect& dst, int32_t gap_x, int32_t gap_y, TCustomDIBX* source, const TRect& src,
                                TCustomDIBX* mask, int amount, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileDrawAddMask(Moved(dst, off), gap_x, gap_y, source, src, mask, amount, offset_x, offset_y);
  });
}

void TDIBXWave::TileStretchDraw(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                                TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h, bool mirror_v,
                                int opacity, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileStretchDraw(Moved(dst, off), cell_w, cell_h, scale_x, scale_y, source, src, transparent, mirror_h,
                             mirror_v, opacity, offset_x, offset_y);
  });
}

void TDIBXWave::TileStretchDrawMask(const TRect& dst, int32_t cell_w, int32_t cell_h, int32_t scale_x, int32_t scale_y,
                                    TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                                    TCustomDIBX* mask, int opacity, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) {
    target_->TileStretchDrawMask(Moved(dst, off), cell_w, cell_h, scale_x, scale_y, source, src, mirror_h, mirror_v,
                                 mask, opacity, offset_x, offset_y);
  });
}

void TDIBXWave::FrameTile(const TRect& r, int32_t band_width, TCustomDIBX* source, int32_t offset_x, int32_t offset_y) {
  ForEachRun([&](int32_t off) { target_->FrameTile(Moved(r, off), band_width, source, offset_x, offset_y); });
}

void TDIBXWave::DrawNibblePalette(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, bool mirror_h,
                                  bool mirror_v, int opacity, const TNativePalette& palette) {
  ForEachRun(
      [&](int32_t off) { target_->DrawNibblePalette(x + off, y, source, src, mirror_h, mirror_v, opacity, palette); });
}

void TDIBXWave::DrawIndexedAdd(int32_t x, int32_t y, TCustomDIBX* source, const TRect& src, int threshold,
                               bool mirror_h, bool mirror_v, int amount, const TNativePalette& palette) {
  ForEachRun([&](int32_t off) {
    target_->DrawIndexedAdd(x + off, y, source, src, threshold, mirror_h, mirror_v, amount, palette);
  });
}

void TDIBXWave::StretchDrawIndexedAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, int threshold,
                                      bool mirror_h, bool mirror_v, int amount, const TNativePalette& palette) {
  ForEachRun([&](int32_t off) {
    target_->StretchDrawIndexedAdd(Moved(dst, off), source, src, threshold, mirror_h, mirror_v, amount, palette);
  });
}

void TDIBXWave::ScrollTileScaled(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                                 int32_t offset_x, int32_t offset_y, bool transparent, bool mirror_h, bool mirror_v,
                                 int opacity) {
  ForEachRun([&](int32_t off) {
    target_->ScrollTileScaled(Moved(dst, off), scale_x, scale_y, source, offset_x, offset_y, transparent, mirror_h,
                              mirror_v, opacity);
  });
}

void TDIBXWave::ScrollTileScaledMask(const TRect& dst, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                                     int32_t offset_x, int32_t offset_y, bool mirror_h, bool mirror_v,
                                     TCustomDIBX* mask, int opacity) {
  ForEachRun([&](int32_t off) {
    target_->ScrollTileScaledMask(Moved(dst, off), scale_x, scale_y, source, offset_x, offset_y, mirror_h, mirror_v,
                                  mask, opacity);
  });
}

void TDIBXWave::ScrollTile(const TRect& dst, TCustomDIBX* source, int32_t offset_x, int32_t offset_y, bool mirror_h,
                           bool mirror_v) {
  ForEachRun(
      [&](int32_t off) { target_->ScrollTile(Moved(dst, off), source, offset_x, offset_y, mirror_h, mirror_v); });
}

void TDIBXWave::DrawColorMask(int32_t x, int32_t y, TCustomDIBX* coverage, const TRect& src, bool mirror_h,
                              bool mirror_v, uint32_t color, int alpha) {
  ForEachRun([&](int32_t off) { target_->DrawColorMask(x + off, y, coverage, src, mirror_h, mirror_v, color, alpha); });
}
}  // namespace velk
