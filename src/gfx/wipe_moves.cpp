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
  const uint8_t *old_base = rows.Old().Row(0), *new_base = rows.New().Row(0);
  const ptrdiff_t pitch = rows.Old().Pitch();
  rows.WithPixelType([&](auto pixel) {
    using P = decltype(pixel);
    // Each squeezed column samples its own source rows, so a row of the screen would read a cache line per pixel.
    // Blocks of columns are drawn top to bottom instead: the lines a block samples stay in the cache while its
    // columns pass them.
    constexpr int32_t kBlock = 64, kAhead = 6;
    for (int32_t x0 = 0; x0 < W(); x0 += kBlock) {
      const int32_t x1 = std::min(W(), x0 + kBlock);
      for (int32_t y = 0; y < H(); ++y) {
        P* drow = reinterpret_cast<P*>(rows.Row(y));
        const P* orow = reinterpret_cast<const P*>(rows.Old().Row(y));
        const P* nrow = reinterpret_cast<const P*>(rows.New().Row(y));
        // Rows lie in pages of their own, which the processor does not fetch ahead by itself.
        if (y + kAhead < H()) {
          const size_t at = static_cast<size_t>(x0) * sizeof(P), size = static_cast<size_t>(x1 - x0) * sizeof(P);
          for (const uint8_t* row : {rows.Row(y + kAhead), rows.Old().Row(y + kAhead), rows.New().Row(y + kAhead)})
            FetchAhead(row + at, size);
        }
        for (int32_t x = x0; x < x1; ++x) {
          const TLine& l = lines[static_cast<size_t>(x)];
          if (l.Whole >= 0) {
            drow[x] = l.Whole == 0 ? orow[x] : nrow[x];
          } else if (y < l.From || y >= l.From + l.Wide) {
            drow[x] = 0;
          } else {
            const int64_t src = (int64_t{y - l.From} * l.Step) >> 16;
            drow[x] = reinterpret_cast<const P*>((l.FromNew ? new_base : old_base) + src * pitch)[x];
          }
        }
      }
    }
  });
}

}  // namespace velk
