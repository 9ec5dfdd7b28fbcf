#include "gfx/draw_support.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "gfx/stretch_columns.h"

namespace velk {

TPixels::TPixels(TCustomDIBX* surface) : surface_(surface) {
  if (!surface || surface->IsEmpty()) return;
  base_ = surface->Lock(0, 0);
  if (!base_) return;
  width_ = surface->Width();
  height_ = surface->Height();
  bits_ = surface->StorageBitCount();
  pitch_ = surface->Pitch();
  masks_ = TPixelMasks{surface->RedMask(), surface->GreenMask(), surface->BlueMask()};
}

TPixels::~TPixels() {
  if (base_) surface_->Unlock();
}

bool ClipPointDraw(int32_t x, int32_t y, const TRect& src, const TRect& src_bounds, const TRect& clip, bool mirror_h,
                   bool mirror_v, TPointFrame& frame) {
  // 64-bit so that hostile coordinates cannot overflow.
  int64_t sl = src.Left, st = src.Top, sr = src.Right, sb = src.Bottom;
  int64_t dl = x, dt = y, dr = int64_t{x} + (sr - sl), db = int64_t{y} + (sb - st);
  if (sr <= sl || sb <= st) return false;
  // Trims of the source to its surface move the destination's matching edge.
  auto trim = [](int64_t& lo, int64_t& hi, int64_t& dlo, int64_t& dhi, int64_t blo, int64_t bhi, bool mirror) {
    int64_t cut_lo = std::max<int64_t>(0, blo - lo), cut_hi = std::max<int64_t>(0, hi - bhi);
    lo += cut_lo;
    hi -= cut_hi;
    if (mirror) std::swap(cut_lo, cut_hi);
    dlo += cut_lo;
    dhi -= cut_hi;
  };
  trim(sl, sr, dl, dr, src_bounds.Left, src_bounds.Right, mirror_h);
  trim(st, sb, dt, db, src_bounds.Top, src_bounds.Bottom, mirror_v);
  if (sr <= sl || sb <= st) return false;
  // Trims of the destination to the clip move the source's matching edge.
  trim(dl, dr, sl, sr, clip.Left, clip.Right, mirror_h);
  trim(dt, db, st, sb, clip.Top, clip.Bottom, mirror_v);
  if (dr <= dl || db <= dt) return false;
  frame.Dst =
      TRect{static_cast<int32_t>(dl), static_cast<int32_t>(dt), static_cast<int32_t>(dr), static_cast<int32_t>(db)};
  frame.Src =
      TRect{static_cast<int32_t>(sl), static_cast<int32_t>(st), static_cast<int32_t>(sr), static_cast<int32_t>(sb)};
  return true;
}

bool MaskFits(const TPixels& mask, const TPixels& source) {
  return mask.Valid() && mask.Bits() == 8 && mask.Width() >= source.Width() && mask.Height() >= source.Height();
}

TKernelParams ParamsFor(TCustomDIBX* dst, int alpha) {
  TKernelParams p;
  p.Masks = TPixelMasks{dst->RedMask(), dst->GreenMask(), dst->BlueMask()};
  p.Alpha = static_cast<uint32_t>(std::clamp(alpha, 0, 255));
  return p;
}

TKernelParams TransparentParams(TCustomDIBX* dst, TCustomDIBX* source, bool transparent, int alpha) {
  TKernelParams p = ParamsFor(dst, alpha);
  p.HasTransparent = transparent && source->TransparentValue != -1;
  p.Transparent = static_cast<uint32_t>(source->TransparentValue);
  return p;
}

void CombineSamples(uint8_t* drow, uint8_t* samples, const uint8_t* mrow, int32_t n, int bits, TOpacityKind kind,
                    bool masked, const TKernelParams& params) {
  TRowOp op = TRowOp::Mask;
  if (kind == TOpacityKind::Add) {
    op = TRowOp::AddMask;
  } else if (kind == TOpacityKind::Blend) {
    op = masked ? TRowOp::AlphaMask : TRowOp::Alpha;
    if (!masked) {
      const int size = bits / 8;
      for (int32_t k = 0; k < n; ++k)
        if (mrow[k] == 0)
          std::memcpy(samples + static_cast<size_t>(k) * size, drow + static_cast<size_t>(k) * size, size);
    }
  }
  TKernelParams p = params;
  p.HasTransparent = false;
  ActiveKernels().Kernel(op, bits)(drow, samples, mrow, n, p);
}

namespace {

// Gathers n pixels of 16 or 32 bits: out[k] = row[index(k)].
template <class IndexFn> void Gather(uint8_t* out, const uint8_t* row, int32_t n, int bits, IndexFn index) {
  if (bits == 32) {
    for (int32_t k = 0; k < n; ++k) StorePixel(out, k, 32, LoadPixel(row, index(k), 32));
  } else {
    for (int32_t k = 0; k < n; ++k) StorePixel(out, k, 16, LoadPixel(row, index(k), 16));
  }
}

bool IsBlendDepth(int bits) { return bits == 16 || bits == 32; }

bool NeedsMask(TRowOp op) { return op == TRowOp::Mask || op == TRowOp::AlphaMask || op == TRowOp::AddMask; }

}  // namespace

void RunPointDraw(TCustomDIBX* dst, TCustomDIBX* source, TCustomDIBX* mask, int32_t x, int32_t y, const TRect& src,
                  bool mirror_h, bool mirror_v, TRowOp op, const TKernelParams& params) {
  TPixels d(dst), s(source);
  if (!d.Valid() || !s.Valid() || !IsBlendDepth(d.Bits()) || !s.SameFormat(d)) return;
  const bool masked = NeedsMask(op);
  TPixels m(masked ? mask : nullptr);
  if (masked && !MaskFits(m, s)) return;
  TPointFrame f;
  if (!ClipPointDraw(x, y, src, s.Bounds(), dst->ClipBounds(), mirror_h, mirror_v, f)) return;

  const int bits = d.Bits(), size = bits / 8;
  const int32_t n = f.Dst.Width();
  const TRowKernel kernel = ActiveKernels().Kernel(op, bits);
  // Whole rows of surfaces without padding lie end to end: one run covers the frame (full-screen draws).
  const int64_t total = int64_t{n} * f.Dst.Height();
  if (!mirror_h && !mirror_v && int64_t{n} * size == d.Pitch() && int64_t{n} * size == s.Pitch() &&
      (!masked || m.Pitch() == n) && total <= INT32_MAX) {
    kernel(d.At(f.Dst.Left, f.Dst.Top), s.At(f.Src.Left, f.Src.Top), masked ? m.Row(f.Src.Top) + f.Src.Left : nullptr,
           static_cast<int>(total), params);
    return;
  }
  std::vector<uint8_t> row(mirror_h ? static_cast<size_t>(n) * size : 0);
  std::vector<uint8_t> mrow(mirror_h && masked ? static_cast<size_t>(n) : 0);
  for (int32_t i = 0; i < f.Dst.Height(); ++i) {
    const int32_t sy = mirror_v ? f.Src.Bottom - 1 - i : f.Src.Top + i;
    const uint8_t* sp = s.At(f.Src.Left, sy);
    const uint8_t* mp = masked ? m.Row(sy) + f.Src.Left : nullptr;
    if (mirror_h) {
      Gather(row.data(), sp, n, bits, [n](int32_t k) { return n - 1 - k; });
      sp = row.data();
      if (masked) {
        for (int32_t k = 0; k < n; ++k) mrow[k] = mp[n - 1 - k];
        mp = mrow.data();
      }
    }
    kernel(d.At(f.Dst.Left, f.Dst.Top + i), sp, mp, n, params);
  }
}

bool StretchAxis(int32_t dst_lo, int32_t dst_hi, int32_t clip_lo, int32_t clip_hi, int32_t src_lo, int32_t src_hi,
                 bool mirror, TStretchAxis& axis) {
  const int64_t dst_len = int64_t{dst_hi} - dst_lo, src_len = int64_t{src_hi} - src_lo;
  if (dst_len <= 0 || src_len <= 0) return false;
  const int32_t lo = std::max(dst_lo, clip_lo), hi = std::min(dst_hi, clip_hi);
  if (hi <= lo) return false;
  const double step = static_cast<double>(src_len) / static_cast<double>(dst_len);
  // The clipped pixels move the source start by clipped * step, fraction kept; then all in 16.16.
  const int64_t step16 = static_cast<int64_t>(step * 65536.0);
  const int64_t frac16 = static_cast<int64_t>(static_cast<double>(lo - dst_lo) * step * 65536.0);
  int64_t u = mirror ? int64_t{src_hi} * 65536 - frac16 - 1 : int64_t{src_lo} * 65536 + frac16;
  const int64_t du = mirror ? -step16 : step16;
  axis.DstStart = lo;
  axis.Index.resize(static_cast<size_t>(hi - lo));  // one entry per destination pixel, however wide
  for (int32_t i = 0; i < hi - lo; ++i, u += du) {
    int64_t v = u >> 16;
    axis.Index[i] = v >= src_lo && v < src_hi ? static_cast<int32_t>(v) : -1;
  }
  return true;
}

void RunStretch(TCustomDIBX* dst, TCustomDIBX* source, TCustomDIBX* mask, const TRect& dst_rect, const TRect& src,
                bool mirror_h, bool mirror_v, TRowOp op, const TKernelParams& params, const TNativePalette* palette,
                int threshold) {
  TPixels d(dst), s(source);
  if (!d.Valid() || !s.Valid() || !IsBlendDepth(d.Bits())) return;
  if (palette ? s.Bits() != 8 : !s.SameFormat(d)) return;
  const bool masked = NeedsMask(op) && !palette;
  TPixels m(masked ? mask : nullptr);
  if (masked && !MaskFits(m, s)) return;
  const TRect sr = Intersect(src, s.Bounds());
  if (sr.IsEmpty()) return;
  const TRect clip = dst->ClipBounds();
  TStretchAxis cols, rows;
  if (!StretchAxis(dst_rect.Left, dst_rect.Right, clip.Left, clip.Right, sr.Left, sr.Right, mirror_h, cols) ||
      !StretchAxis(dst_rect.Top, dst_rect.Bottom, clip.Top, clip.Bottom, sr.Top, sr.Bottom, mirror_v, rows))
    return;

  const int bits = d.Bits(), size = bits / 8;
  const int32_t n = static_cast<int32_t>(cols.Index.size());
  const TRowKernel kernel = ActiveKernels().Kernel(op, bits);
  // 2x stretches of 32-bit pixels double each source column by shuffles instead of the table.
  const TDoubledColumns doubled = !palette && bits == 32 ? FindDoubledColumns(cols.Index) : TDoubledColumns{};
  auto gather = [&](uint8_t* out, const uint8_t* sp) {
    if (doubled.Doubled) {
      DoubleColumns32(reinterpret_cast<uint32_t*>(out), reinterpret_cast<const uint32_t*>(sp) + doubled.First, n,
                      doubled.Phase);
    } else {
      Gather(out, sp, n, bits, [&cols](int32_t k) { return cols.Index[k]; });
    }
  };
  // A plain copy writes the gathered pixels straight into the destination, and a destination row whose source row
  // is the one before's (every second row of a 2x stretch) copies the row just written. A surface stretched onto
  // itself goes through the scratch row, which holds each source row before any of it is overwritten.
  if (op == TRowOp::CopyTransparent && !params.HasTransparent && !palette && source != dst) {
    const uint8_t* written = nullptr;
    int32_t written_row = -1;
    for (size_t i = 0; i < rows.Index.size(); ++i) {
      const int32_t sy = rows.Index[i];
      uint8_t* dp = d.At(cols.DstStart, rows.DstStart + static_cast<int32_t>(i));
      if (sy < 0) {
        written = nullptr;
        continue;
      }
      if (written && sy == written_row) {
        std::memcpy(dp, written, static_cast<size_t>(n) * size);
      } else {
        gather(dp, s.Row(sy));
      }
      written = dp;
      written_row = sy;
    }
    return;
  }
  std::vector<uint8_t> row(static_cast<size_t>(n) * size);
  std::vector<uint8_t> mrow(masked || palette ? n : 0);
  int32_t gathered_row = -1;
  for (size_t i = 0; i < rows.Index.size(); ++i) {
    const int32_t sy = rows.Index[i];
    if (sy < 0) continue;
    const uint8_t* sp = s.Row(sy);
    if (palette) {
      for (int32_t k = 0; k < n; ++k) {
        const uint8_t index = sp[cols.Index[k]];
        StorePixel(row.data(), k, bits, (*palette)[index]);
        mrow[k] = index >= threshold ? 255 : 0;
      }
    } else {
      // 2x stretches use every source row twice: the gathered row is kept.
      if (sy != gathered_row) gather(row.data(), sp);
      gathered_row = sy;
      if (masked) {
        const uint8_t* mp = m.Row(sy);
        for (int32_t k = 0; k < n; ++k) mrow[k] = mp[cols.Index[k]];
      }
    }
    kernel(d.At(cols.DstStart, rows.DstStart + static_cast<int32_t>(i)), row.data(),
           mrow.empty() ? nullptr : mrow.data(), n, params);
  }
}

TOpacityKind OpacityKind(int code) {
  if (code <= 0) return TOpacityKind::None;
  if (code < 255) return TOpacityKind::Blend;
  if (code == 255) return TOpacityKind::Copy;
  return TOpacityKind::Add;
}

int OpacityAmount(int code) {
  if (code > 255) return std::min(code - 256, 255);
  return std::clamp(code, 0, 255);
}

}  // namespace velk
