// Moves: scrolls, rolls (sudare and rubber), zooms and twists, drawn with the point and stretch draws.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include <type_traits>
#include <vector>

#include "gfx/draw_support.h"
#include "gfx/wipe_kernels.h"
#include "gfx/wipe_pixels.h"
#include "gfx/wipe_types.h"

namespace velk {

// ---- scrolls ----

void TWipeScrollH::DrawStep() {
  const int32_t n = vertical_ ? H() : W();
  const int32_t a = static_cast<int32_t>(n * t() / T());
  const int32_t old_at = reverse_ ? a : -a, new_at = reverse_ ? a - n : n - a;
  dest_->Draw(vertical_ ? 0 : old_at, vertical_ ? old_at : 0, old_, rect_, false, false, false);
  dest_->Draw(vertical_ ? 0 : new_at, vertical_ ? new_at : 0, new_, rect_, false, false, false);
}

// ---- rolls ----

int32_t TWipeRubberH::Band(int64_t p) const {
  const double half = static_cast<double>(T()) / 2;
  return std::max(1, RoundInt(std::abs(static_cast<double>(t()) - half) * (static_cast<double>(p) / 2) / half));
}

void TWipeSudareH::DrawStep() {
  const int64_t n = vertical_ ? H() : W();
  int64_t p = (2 * n - 1) * t() / T();
  TCustomDIBX* picture = old_;
  if (p >= n) {
    picture = new_;
    p = 2 * n - p - 1;
  }
  const int64_t band = Band(p);
  if (band == 1 && DrawOneLine(picture == new_, p)) return;
  // A span [lo, hi) along the rolling axis, the full length across it.
  auto span = [this](int64_t lo, int64_t hi) {
    const auto l = static_cast<int32_t>(lo), h = static_cast<int32_t>(hi);
    return vertical_ ? TRect{0, l, W(), h} : TRect{l, 0, h, H()};
  };
  auto draw_plain = [&](int64_t lo, int64_t hi) {
    if (hi <= lo) return;
    const TRect r = span(lo, hi);
    dest_->Draw(r.Left, r.Top, picture, r, false, false, false);
  };
  if (!reverse_) {
    // The band ending at p stretched over 0 .. p, the rest unchanged.
    dest_->StretchDraw(span(0, p + 1), picture, span(std::max<int64_t>(0, p - band + 1), p + 1), false, false, false,
                       255);
    draw_plain(p + 1, n);
  } else {
    const int64_t q = n - p - 1;
    dest_->StretchDraw(span(q, n), picture, span(q, std::min(n, q + band)), false, false, false, 255);
    draw_plain(0, q);
  }
}

namespace {

// n pixels of one value: a few stored one by one, then copies of what is filled already, each twice the last, so
// that long runs are written by the block copy rather than pixel by pixel.
template <class P> void FillPixels(P* d, int32_t n, P value) {
  const int32_t first = std::min(n, 16);
  for (int32_t i = 0; i < first; ++i) d[i] = value;
  for (int32_t done = first; done < n;) {
    const int32_t more = std::min(done, n - done);
    std::memcpy(d + done, d, static_cast<size_t>(more) * sizeof(P));
    done += more;
  }
}

}  // namespace

bool TWipeSudareH::DrawOneLine(bool from_new, int64_t p) {
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return false;
  const TPixels& picture = from_new ? rows.New() : rows.Old();
  const int64_t n = vertical_ ? H() : W();
  // The line stretched over lo .. hi - 1; the rest of the picture unchanged.
  const auto line = static_cast<int32_t>(reverse_ ? n - p - 1 : p);
  const auto lo = static_cast<int32_t>(reverse_ ? line : 0), hi = static_cast<int32_t>(reverse_ ? n : p + 1);
  const size_t row_bytes = static_cast<size_t>(W()) * static_cast<size_t>(picture.Bits() / 8);
  rows.WithPixelType([&](auto pixel) {
    using P = decltype(pixel);
    for (int32_t y = 0; y < H(); ++y) {
      if (vertical_) {
        if (y >= lo && y < hi)
          std::memcpy(rows.Row(y), picture.Row(line), row_bytes);
        else
          rows.Copy(y, 0, W(), from_new);
        continue;
      }
      rows.Copy(y, 0, lo, from_new);
      FillPixels(reinterpret_cast<P*>(rows.Row(y)) + lo, hi - lo, reinterpret_cast<const P*>(picture.Row(y))[line]);
      rows.Copy(y, hi, W(), from_new);
    }
  });
  return true;
}

// ---- zooms ----

void TWipeSmall::DrawStep() {
  Show(new_);
  const int32_t zoom = RoundInt(static_cast<double>(T() - t() - 1) / static_cast<double>(T()) * 255);
  int32_t angle = RoundInt(params_[0] * static_cast<double>(t()) / static_cast<double>(T()));
  if (reverse_) angle = -angle;
  dest_->DrawRotate(W() / 2, H() / 2, zoom, zoom, old_, rect_, W() / 2, H() / 2, angle, false, false, false, 255);
}

void TWipeBig::DrawStep() {
  Show(old_);
  const int32_t zoom = RoundInt(static_cast<double>(t()) / static_cast<double>(T()) * 255);
  int32_t angle = RoundInt(params_[0] * static_cast<double>(T() - t() - 1) / static_cast<double>(T()));
  if (reverse_) angle = -angle;
  dest_->DrawRotate(W() / 2, H() / 2, zoom, zoom, new_, rect_, W() / 2, H() / 2, angle, false, false, false, 255);
}

void TWipeZoomin::DrawStep() {
  const double c = 2.0 * static_cast<double>(t()) / static_cast<double>(T());
  const double k = c <= 1 ? 1 - c : c - 1, j = 2 - c;
  const int32_t width = std::max(1, RoundInt(W() * k)), height = std::max(1, RoundInt(H() * k));
  const int32_t x = RoundInt((params_[0] - W() / 2) * j) + W() / 2 - width / 2;
  const int32_t y = RoundInt((params_[1] - H() / 2) * j) + H() / 2 - height / 2;
  // Around the zooming picture the screen is black.
  dest_->FillRect(rect_, 0);
  dest_->StretchDraw(Bounds(x, y, width, height), c <= 1 ? old_ : new_, rect_, false, false, false, 255);
}

// ---- twists ----

void TWipeTwistH::DrawStep() {
  const double pi = std::numbers::pi;
  const double phi = static_cast<double>(t()) * 3 * pi / 2 / static_cast<double>(T());
  const int32_t n = vertical_ ? W() : H(), length = vertical_ ? H() : W();
  std::vector<TLine> lines(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    TLine& l = lines[static_cast<size_t>(reverse_ ? n - 1 - i : i)];
    const double theta = phi - static_cast<double>(i) / n * pi / 2;
    if (theta < 0 || theta >= pi) {
      l = {static_cast<int8_t>(theta < 0 ? 0 : 1), false, 0, 0, 0};  // not started yet, or finished
      continue;
    }
    const int32_t size = RoundInt(std::cos(theta) * length), wide = std::abs(size);
    const int64_t step = wide > 0 ? static_cast<int64_t>(static_cast<double>(length) / wide * 65536.0) : 0;
    l = {-1, size < 0, (length - wide) / 2, wide, step};
  }
  if (vertical_) {
    DrawColumns(lines);
    return;
  }
  TPixels o(old_), nw(new_);
  ForPixelRows(dest_, old_, new_, W(), H(),
               [&](int32_t y, auto* drow, const auto* orow, const auto* nrow, const TPixelMasks&) {
                 using P = std::remove_cvref_t<decltype(*orow)>;
                 const TLine& l = lines[static_cast<size_t>(y)];
                 if (l.Whole >= 0) {
                   std::copy_n(l.Whole == 0 ? orow : nrow, W(), drow);
                   return;
                 }
                 const P* source = reinterpret_cast<const P*>((l.FromNew ? nw : o).Row(y));
                 for (int32_t x = 0; x < W(); ++x) {
                   if (x < l.From || x >= l.From + l.Wide) {
                     drow[x] = 0;
                   } else {
                     drow[x] = source[(int64_t{x - l.From} * l.Step) >> 16];
                   }
                 }
               });
}

void TWipeTwistH::DrawColumns(const std::vector<TLine>& lines) {
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  const int32_t w = W(), h = H();
  // The columns fall into runs of one kind: the whole old picture, the whole new one, or squeezed columns. Whole
  // runs are row copies; squeezed runs go row by row through the point kernel, each pixel a range test and a load
  // from the row its column samples.
  struct TRun {
    int32_t Start, End;
    int8_t Whole;
  };
  std::vector<TRun> runs;
  for (int32_t x = 0; x < w; ++x) {
    const int8_t kind = lines[static_cast<size_t>(x)].Whole;
    if (runs.empty() || runs.back().Whole != kind)
      runs.push_back({x, x + 1, kind});
    else
      runs.back().End = x + 1;
  }
  // The squeezed columns' table, one array per field, for the point kernels.
  const size_t count = static_cast<size_t>(w);
  std::vector<int32_t> from(count), from_new(count);
  std::vector<uint32_t> wide(count), whole(count), fraction(count);
  for (size_t x = 0; x < count; ++x) {
    const TLine& l = lines[x];
    from[x] = l.From;
    wide[x] = l.Whole < 0 ? static_cast<uint32_t>(l.Wide) : 0;
    whole[x] = static_cast<uint32_t>(l.Step >> 16);
    fraction[x] = static_cast<uint32_t>(l.Step & 0xFFFF);
    from_new[x] = l.FromNew ? 1 : 0;
  }
  const TPixels &old_rows = rows.Old(), &new_rows = rows.New();
  const int bytes = old_rows.Bits() / 8;
  TTwistRun run{};
  run.OldPitch = old_rows.Pitch();
  run.NewPitch = new_rows.Pitch();
  run.Narrow = h < 65536 && int64_t{h} * std::max(std::abs(int64_t{run.OldPitch}), std::abs(int64_t{run.NewPitch})) <
                                (int64_t{1} << 31);
  const TTwistKernel twist = ActiveWipeKernels().Twist32;
  // Blocks of columns top to bottom: the source lines a block samples stay in the cache while its columns pass
  // them.
  constexpr int32_t kBlock = 256, kAhead = 8;
  for (const TRun& r : runs) {
    if (r.Whole >= 0) {
      for (int32_t y = 0; y < h; ++y) rows.Copy(y, r.Start, r.End, r.Whole == 1);
      continue;
    }
    for (int32_t x0 = r.Start; x0 < r.End; x0 += kBlock) {
      const int32_t x1 = std::min(r.End, x0 + kBlock);
      run.Old = old_rows.At(x0, 0);
      run.New = new_rows.At(x0, 0);
      run.From = &from[static_cast<size_t>(x0)];
      run.Wide = &wide[static_cast<size_t>(x0)];
      run.StepWhole = &whole[static_cast<size_t>(x0)];
      run.StepFraction = &fraction[static_cast<size_t>(x0)];
      run.FromNew = &from_new[static_cast<size_t>(x0)];
      run.N = x1 - x0;
      for (int32_t y = 0; y < h; ++y) {
        // The sampled lines lie rows apart, where the processor does not look ahead by itself: the line a few
        // rows down is asked for, once per line of columns (neighbouring columns sample nearly the same rows).
        for (int32_t x = x0; x < x1; x += 64 / bytes) {
          const TLine& l = lines[static_cast<size_t>(x)];
          const auto k = static_cast<uint32_t>(y + kAhead - l.From);
          if (k < wide[static_cast<size_t>(x)])
            __builtin_prefetch(
                (l.FromNew ? new_rows : old_rows).At(x, static_cast<int32_t>((int64_t{k} * l.Step) >> 16)));
        }
        run.Dest = rows.Row(y) + static_cast<ptrdiff_t>(x0) * bytes;
        run.Y = y;
        if (bytes == 4)
          twist(run);
        else
          TwistRunScalar<uint16_t>(run);
      }
    }
  }
}

}  // namespace velk
