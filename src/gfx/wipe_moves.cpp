// Moves: scrolls, rolls (sudare and rubber), zooms and twists, drawn with the point and stretch draws.
#include <algorithm>
#include <cmath>
#include <numbers>

#include <type_traits>
#include <vector>

#include "gfx/draw_support.h"
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
  // runs are row copies; in a squeezed run each pixel is a range test and a load from the row its column samples,
  // with every column's picture, pitch, range and step read from one table.
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
  std::vector<TColumn> columns(static_cast<size_t>(w));
  for (int32_t x = 0; x < w; ++x) {
    const TLine& l = lines[static_cast<size_t>(x)];
    const TPixels& source = l.FromNew ? rows.New() : rows.Old();
    columns[static_cast<size_t>(x)] = {l.Whole < 0 ? source.At(x, 0) : nullptr, source.Pitch(), l.From,
                                       static_cast<uint32_t>(l.Wide), l.Step};
  }
  rows.WithPixelType([&](auto pixel) {
    using P = decltype(pixel);
    // Blocks of columns top to bottom: the source lines a block samples stay in the cache while its columns pass
    // them.
    constexpr int32_t kBlock = 256;
    for (const TRun& run : runs) {
      if (run.Whole >= 0) {
        for (int32_t y = 0; y < h; ++y) rows.Copy(y, run.Start, run.End, run.Whole == 1);
        continue;
      }
      for (int32_t x0 = run.Start; x0 < run.End; x0 += kBlock) {
        const int32_t x1 = std::min(run.End, x0 + kBlock);
        TColumn* const first = columns.data();
        for (int32_t y = 0; y < h; ++y) {
          P* drow = reinterpret_cast<P*>(rows.Row(y));
          // The sampled lines lie rows apart, where the processor does not look ahead by itself: the line a few
          // rows down is asked for, once per line of columns (neighbouring columns sample nearly the same rows).
          constexpr int32_t kAhead = 8;
          for (int32_t x = x0; x < x1; x += 64 / static_cast<int32_t>(sizeof(P))) {
            const TColumn& c = first[x];
            const uint32_t k = static_cast<uint32_t>(y + kAhead - c.From);
            if (k < c.Wide) __builtin_prefetch(c.Source + ((int64_t{k} * c.Step) >> 16) * c.Pitch);
          }
          for (int32_t x = x0; x < x1; ++x) {
            const TColumn& c = first[x];
            const uint32_t k = static_cast<uint32_t>(y - c.From);
            drow[x] =
                k < c.Wide ? *reinterpret_cast<const P*>(c.Source + ((int64_t{k} * c.Step) >> 16) * c.Pitch) : P{0};
          }
        }
      }
    }
  });
}

}  // namespace velk
