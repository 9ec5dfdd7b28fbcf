// The scaled draws of TDIBX: stretched draws through a column table, and rotated, scaled draws by inverse mapping.
#include <cmath>
#include <cstring>
#include <numbers>

#include "gfx/dibx.h"
#include "gfx/draw_support.h"
#include "gfx/turn_rows.h"

namespace velk {

void TDIBX::StretchDraw(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                        bool mirror_v, int alpha) {
  if (!source || alpha <= 0) return;
  RunStretch(this, source, nullptr, dst, src, mirror_h, mirror_v,
             alpha >= 255 ? TRowOp::CopyTransparent : TRowOp::Alpha,
             TransparentParams(this, source, transparent, alpha));
}

void TDIBX::StretchDrawMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                            TCustomDIBX* mask, int alpha) {
  if (!source || !mask || alpha <= 0) return;
  RunStretch(this, source, mask, dst, src, mirror_h, mirror_v, alpha >= 255 ? TRowOp::Mask : TRowOp::AlphaMask,
             ParamsFor(this, alpha));
}

void TDIBX::StretchDrawAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, bool transparent, bool mirror_h,
                           bool mirror_v, int amount) {
  if (!source || amount <= 0) return;
  RunStretch(this, source, nullptr, dst, src, mirror_h, mirror_v, TRowOp::Add,
             TransparentParams(this, source, true, amount));
}

void TDIBX::StretchDrawAddMask(const TRect& dst, TCustomDIBX* source, const TRect& src, bool mirror_h, bool mirror_v,
                               TCustomDIBX* mask, int amount) {
  if (!source || !mask || amount <= 0) return;
  RunStretch(this, source, mask, dst, src, mirror_h, mirror_v, TRowOp::AddMask, ParamsFor(this, amount));
}

void TDIBX::StretchDrawIndexedAdd(const TRect& dst, TCustomDIBX* source, const TRect& src, int threshold, bool mirror_h,
                                  bool mirror_v, int amount, const TNativePalette& palette) {
  if (!source || amount <= 0) return;
  RunStretch(this, source, nullptr, dst, src, mirror_h, mirror_v, TRowOp::AddMask, ParamsFor(this, amount), &palette,
             threshold);
}

namespace {

// A half-open range [First, Last).
struct TSampleRange {
  int64_t First = 0, Last = 0;
};

int64_t FloorDiv(int64_t a, int64_t b) {  // b > 0
  const int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

// The steps k in [0, n) for which (start + k * step) >> 16 lies in range: one run, since the value is monotonic in k.
TSampleRange StepsInside(int64_t start, int64_t step, const TSampleRange& range, int32_t n) {
  const int64_t low = range.First * 65536, high = range.Last * 65536;  // low <= value < high
  TSampleRange r{0, n};
  if (step == 0) {
    if (start < low || start >= high) r.Last = 0;
    return r;
  }
  if (step > 0) {
    r.First = std::max<int64_t>(r.First, FloorDiv(low - start + step - 1, step));
    r.Last = std::min<int64_t>(r.Last, FloorDiv(high - start + step - 1, step));
  } else {
    const int64_t down = -step;
    r.First = std::max<int64_t>(r.First, FloorDiv(start - high, down) + 1);
    r.Last = std::min<int64_t>(r.Last, FloorDiv(start - low, down) + 1);
  }
  return r;
}

void RunRotate(TCustomDIBX* dst, int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
               const TRect& src, int32_t pivot_x, int32_t pivot_y, int32_t angle, bool transparent, bool mirror_h,
               bool mirror_v, TCustomDIBX* mask, int opacity) {
  const TOpacityKind kind = OpacityKind(opacity);
  if (!source || kind == TOpacityKind::None || scale_x <= 0 || scale_y <= 0 || src.IsEmpty()) return;
  TPixels d(dst), s(source);
  if (!d.Valid() || !s.Valid() || (d.Bits() != 16 && d.Bits() != 32) || !s.SameFormat(d)) return;
  TPixels m(mask);
  if (mask && !MaskFits(m, s)) return;

  const double sx = scale_x / 256.0, sy = scale_y / 256.0;
  const double theta = angle * 2.0 * std::numbers::pi / 256.0;
  const double c = std::cos(theta), sn = std::sin(theta);
  // Inverse mapping steps in 16.16, truncated toward zero.
  const int64_t du_dx = static_cast<int64_t>(std::cos(-theta) / sx * 65536.0);
  const int64_t dv_dx = static_cast<int64_t>(std::sin(-theta) / sy * 65536.0);
  const int64_t du_dy = static_cast<int64_t>(-std::sin(-theta) / sx * 65536.0);
  const int64_t dv_dy = static_cast<int64_t>(std::cos(-theta) / sy * 65536.0);

  // The scaled source rectangle with the pivot on (x, y), turned by theta around it.
  const double w = src.Width() * sx, h = src.Height() * sy, px = pivot_x * sx, py = pivot_y * sy;
  double min_x = 1e300, min_y = 1e300, max_x = -1e300, max_y = -1e300;
  for (double dx : {-px, w - px})
    for (double dy : {-py, h - py}) {
      const double X = x + dx * c - dy * sn, Y = y + dx * sn + dy * c;
      min_x = std::min(min_x, X), max_x = std::max(max_x, X);
      min_y = std::min(min_y, Y), max_y = std::max(max_y, Y);
    }
  const TRect clip = dst->ClipBounds();
  auto to_int = [](double v) { return static_cast<int32_t>(std::clamp(std::trunc(v), -1e9, 1e9)); };
  const TRect area = Intersect(TRect{to_int(min_x), to_int(min_y), to_int(max_x + 1), to_int(max_y + 1)}, clip);
  if (area.IsEmpty()) return;

  // Samples outside the source rectangle, or outside the source surface, are skipped. Both limits are ranges of
  // the sample column cu and line cv; along a destination row u and v change linearly, so the pixels whose samples
  // lie inside form one run, found per row by integer arithmetic.
  const TRect readable = Intersect(src, s.Bounds());
  if (readable.IsEmpty()) return;
  const TSampleRange cols = mirror_h ? TSampleRange{src.Right - readable.Right, src.Right - readable.Left}
                                     : TSampleRange{readable.Left - src.Left, readable.Right - src.Left};
  const TSampleRange lines = mirror_v ? TSampleRange{src.Bottom - readable.Bottom, src.Bottom - readable.Top}
                                      : TSampleRange{readable.Top - src.Top, readable.Bottom - src.Top};
  const int bits = d.Bits(), size = bits / 8;
  const int32_t n = area.Width();
  const bool skip_transparent = transparent && source->TransparentValue != -1;
  const uint32_t t = static_cast<uint32_t>(source->TransparentValue) & (bits == 16 ? 0xFFFF : 0xFFFFFFFF);
  // Column and line of sample (cu, cv): base + step * c.
  const int64_t col_base = mirror_h ? src.Right - 1 : src.Left, col_step = mirror_h ? -1 : 1;
  const int64_t line_base = mirror_v ? src.Bottom - 1 : src.Top, line_step = mirror_v ? -1 : 1;
  // An opaque draw without mask or transparency writes its samples straight into the destination row.
  const bool direct = kind == TOpacityKind::Copy && !mask && !skip_transparent;
  std::vector<uint8_t> row(static_cast<size_t>(n) * size), mrow(static_cast<size_t>(n));
  const TKernelParams p = ParamsFor(dst, OpacityAmount(opacity));
  TTurnWalk walk;
  walk.Origin = s.Row(0);
  walk.Pitch = s.Pitch();
  walk.Lines = s.Height();
  walk.ColBase = col_base, walk.ColStep = col_step, walk.LineBase = line_base, walk.LineStep = line_step;
  walk.DuDx = du_dx, walk.DvDx = dv_dx;
  // Row Y's first sample (u0, v0) and the run of its pixels whose samples lie inside.
  struct TRowSamples {
    int64_t u0, v0;
    TSampleRange run;
  };
  auto samples_of = [&](int32_t Y) {
    TRowSamples r;
    r.u0 = int64_t{pivot_x} * 65536 + int64_t{area.Left - x} * du_dx + int64_t{Y - y} * du_dy;
    r.v0 = int64_t{pivot_y} * 65536 + int64_t{area.Left - x} * dv_dx + int64_t{Y - y} * dv_dy;
    r.run = StepsInside(r.u0, du_dx, cols, n);
    const TSampleRange run_v = StepsInside(r.v0, dv_dx, lines, n);
    r.run.First = std::max(r.run.First, run_v.First);
    r.run.Last = std::min(r.run.Last, run_v.Last);
    return r;
  };
  // The samples of a turned row lie on a slanted line across many source rows, in pages of their own, which the
  // processor does not fetch ahead by itself: the plain turn asks for the lines of the row kAhead below at every
  // fourth sample. The wide walk fetches sixteen samples at once and needs no hints.
  constexpr int32_t kAhead = 4, kFetchStep = 4;
  const bool wide = bits == 32 && TurnRowsAreWide();
  for (int32_t Y = area.Top; Y < area.Bottom; ++Y) {
    const TRowSamples row_samples = samples_of(Y);
    const int64_t u0 = row_samples.u0, v0 = row_samples.v0;
    const TSampleRange run = row_samples.run;
    if (direct && !wide && Y + kAhead < area.Bottom) {
      const TRowSamples ahead = samples_of(Y + kAhead);
      for (int64_t k = ahead.run.First; k < ahead.run.Last; k += kFetchStep) {
        const ptrdiff_t col = col_base + col_step * ((ahead.u0 + k * du_dx) >> 16);
        const ptrdiff_t line = line_base + line_step * ((ahead.v0 + k * dv_dx) >> 16);
        __builtin_prefetch(s.Row(static_cast<int32_t>(line)) + col * size);
      }
    }
    if (run.First >= run.Last) continue;
    const auto count = static_cast<int32_t>(run.Last - run.First);
    const auto first = static_cast<int32_t>(run.First);
    uint8_t* out = direct ? d.At(area.Left + first, Y) : row.data();
    uint8_t* mout = mrow.data();
    int64_t u = u0 + first * du_dx, v = v0 + first * dv_dx;
    if (direct && bits == 32) {
      // The common case, a plain opaque turn of a 32-bit picture: the samples go straight into the row.
      TurnRow32(reinterpret_cast<uint32_t*>(out), walk, u, v, count);
      continue;
    }
    bool any = false;
    for (int32_t k = 0; k < count; ++k, u += du_dx, v += dv_dx) {
      const int64_t col = col_base + col_step * (u >> 16);
      const int64_t line = line_base + line_step * (v >> 16);
      const uint32_t sample = LoadPixel(s.Row(static_cast<int32_t>(line)), static_cast<int32_t>(col), bits);
      if (mask) {
        mout[k] = m.Row(static_cast<int32_t>(line))[col];
      } else if (skip_transparent && sample == t) {
        mout[k] = 0;
        continue;
      } else {
        mout[k] = 255;
      }
      StorePixel(out, k, bits, sample);
      any = true;
    }
    if (any && !direct) {
      CombineSamples(d.At(area.Left + first, Y), row.data(), mrow.data(), count, bits, kind, mask != nullptr, p);
    }
  }
}

}  // namespace

void TDIBX::DrawRotate(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source, const TRect& src,
                       int32_t pivot_x, int32_t pivot_y, int32_t angle, bool transparent, bool mirror_h, bool mirror_v,
                       int opacity) {
  RunRotate(this, x, y, scale_x, scale_y, source, src, pivot_x, pivot_y, angle, transparent, mirror_h, mirror_v,
            nullptr, opacity);
}

void TDIBX::DrawRotateMask(int32_t x, int32_t y, int32_t scale_x, int32_t scale_y, TCustomDIBX* source,
                           const TRect& src, int32_t pivot_x, int32_t pivot_y, int32_t angle, bool mirror_h,
                           bool mirror_v, TCustomDIBX* mask, int opacity) {
  if (!mask) return;
  RunRotate(this, x, y, scale_x, scale_y, source, src, pivot_x, pivot_y, angle, false, mirror_h, mirror_v, mask,
            opacity);
}

}  // namespace velk
