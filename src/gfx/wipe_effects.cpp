// Effects: the mosaic, the white spot, the ripple and the crack.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <type_traits>

#include "gfx/draw_support.h"
#include "gfx/wipe_kernels.h"
#include "gfx/wipe_pixels.h"
#include "gfx/wipe_types.h"

namespace velk {

// ---- mosaic ----

void TWipeMosaic::Prepare() {
  TCustomWipe::Prepare();
  work_ = std::make_unique<TDIBX>();
  work_->SetSize(std::max(W(), 1), std::max(H(), 1), dest_->BitCount());
}

void TWipeMosaic::DrawStep() {
  if (!work_ || work_->Width() != W() || work_->Height() != H()) return;
  const int64_t b = t() * 1023 / T();
  int64_t f;
  if (b <= 255)
    f = 263 - (b / 2) * 15 / 16;
  else if (b <= 511)
    f = 263 - (((b / 2) * 15) >> 4);
  else
    f = ((b - 512) / 2) * 15 / 16 + 24;
  const TRect small = Bounds(0, 0, static_cast<int32_t>(std::max<int64_t>(1, (W() / 4) * f >> 8)),
                             static_cast<int32_t>(std::max<int64_t>(1, (H() / 4) * f >> 8)));
  // Shrunk into the work surface, mixed there, and stretched back over the whole screen in large blocks.
  work_->StretchDraw(small, b < 768 ? old_ : new_, rect_, false, false, false, 255);
  if (b >= 256 && b < 768)
    work_->StretchDraw(small, new_, rect_, false, false, false,
                       static_cast<int>(b <= 511 ? (b - 256) / 4 : (b - 256) / 2));
  dest_->StretchDraw(rect_, work_.get(), small, false, false, false, 255);
}

// ---- spot ----

void TWipeSpot::Prepare() {
  TCustomWipe::Prepare();
  distances_ = CentreDistances(W(), H());
  const int32_t big = RoundInt(std::hypot(double(H() / 2), double(W() / 2)));
  if (reverse_)
    for (int32_t& d : distances_) d = big - d;
  span_ = int64_t{big} + 512;
}

void TWipeSpot::DrawStep() {
  if (distances_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H())) return;
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  // b is at most the span, a screen diagonal and 512 more.
  const auto b = static_cast<int32_t>(t() * span_ / T());
  levels_.resize(static_cast<size_t>(W()));
  uint8_t* levels = levels_.data();
  for (int32_t y = 0; y < H(); ++y) {
    const int32_t* dist = &distances_[static_cast<size_t>(y) * W()];
    // The runs are found by bisection, which reads the row out of order: its distances are fetched ahead.
    if (y + 1 < H()) FetchAhead(dist + W(), sizeof(int32_t) * W());
    // With k = b - distance: before the spot (k < 0) the old pixel, brightening up to its peak (k < 256), then the
    // new pixel darkening back (k < 512), then the new pixel. The distances fall up to the centre column and rise
    // after it (the other way round when reversed), so each half row holds at most four runs.
    auto kind = [&](int32_t x) {
      const int32_t k = b - dist[x];
      return k < 0 ? 0 : k < 256 ? 1 : k < 512 ? 2 : 3;
    };
    auto draw = [&](int32_t x0, int32_t x1, int kind_of_run) {
      rows.Copy(y, x0, x1, kind_of_run >= 2);
      if (kind_of_run == 0 || kind_of_run == 3) return;
      if (kind_of_run == 1) {
        for (int32_t x = x0; x < x1; ++x) levels[x] = static_cast<uint8_t>(b - dist[x]);
      } else {
        for (int32_t x = x0; x < x1; ++x) levels[x] = static_cast<uint8_t>(511 - b + dist[x]);
      }
      rows.AddGrey(y, x0, levels + x0, x1 - x0, false);
    };
    ForMonotoneRuns(0, W() / 2, kind, draw);
    ForMonotoneRuns(W() / 2, W(), kind, draw);
  }
}

// ---- ripple ----

void TWipeRipple::SetParam(int index, int32_t value) {
  TCustomWipe::SetParam(index, value);
  MakeWaves();
}

void TWipeRipple::MakeWaves() {
  length_ = std::max(0, std::min(W() / 2, H() / 2) * 2 / 3);
  const int32_t quarter = length_ / 4;
  waves_.assign(static_cast<size_t>(length_), 0);
  // Four saw-tooth waves of amplitude p0; a screen too small for a quarter has none.
  if (quarter > 0)
    for (int32_t i = 0; i < length_; ++i)
      waves_[static_cast<size_t>(i)] = static_cast<int32_t>(int64_t{i % quarter} * params_[0] / quarter);
}

void TWipeRipple::Prepare() {
  TCustomWipe::Prepare();
  MakeWaves();
  qw_ = (W() + 1) / 2;
  qh_ = (H() + 1) / 2;
  const size_t n = static_cast<size_t>(qw_) * static_cast<size_t>(qh_);
  distance_.resize(n);
  cos_.resize(n);
  sin_.resize(n);
  const int32_t cx = W() / 2, cy = H() / 2;
  size_t i = 0;
  for (int32_t y = 0; y < qh_; ++y) {
    for (int32_t x = 0; x < qw_; ++x, ++i) {
      const double dx = x - cx, dy = y - cy, r = std::hypot(dx, dy);
      distance_[i] = RoundInt(r);
      cos_[i] = r > 0 ? static_cast<int32_t>(dx / r * 65536) : 0;
      sin_[i] = r > 0 ? static_cast<int32_t>(dy / r * 65536) : 0;
    }
  }
}

void TWipeRipple::DrawStep() {
  if (distance_.size() != static_cast<size_t>(qw_) * static_cast<size_t>(qh_) || qw_ != (W() + 1) / 2 ||
      qh_ != (H() + 1) / 2)
    return;
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  const int64_t f = t() * (RoundInt(std::hypot(double(H() / 2), double(W() / 2))) + int64_t{length_}) / T();
  const int32_t cx = W() / 2, cy = H() / 2;
  const int bytes = rows.New().Bits() / 8;
  // The ring's pixels sample through the point kernels; (distance + wave) x 65536 and the source offsets fitting 32
  // bits lets the SIMD kernel take them.
  TRippleRun run{};
  run.Source = rows.New().Row(0);
  run.Pitch = rows.New().Pitch();
  run.Waves = waves_.data();
  run.Shift = static_cast<int32_t>(length_ - 1 - f);
  run.Cx = cx;
  run.Cy = cy;
  run.W = W();
  run.H = H();
  const int64_t widest_wave = std::abs(int64_t{params_[0]}), farthest = distance_.empty() ? 0 : distance_[0];
  run.Narrow = farthest + widest_wave < 32768 && int64_t{H()} * std::abs(int64_t{run.Pitch}) < (int64_t{1} << 31);
  const TRippleKernel ripple = ActiveWipeKernels().Ripple32;
  for (int32_t y = 0; y < H(); ++y) {
    const bool flip_y = y >= qh_;
    const size_t row = static_cast<size_t>(flip_y ? H() - 1 - y : y) * qw_;
    auto quadrant = [&](int32_t x) { return row + static_cast<size_t>(x >= qw_ ? W() - 1 - x : x); };
    // Bisection reads the distances out of order, and the ring samples rows a little above and below: both are
    // fetched ahead.
    const int32_t next = flip_y ? H() - 2 - y : y + 1;
    if (next >= 0 && next < qh_) FetchAhead(&distance_[static_cast<size_t>(next) * qw_], sizeof(int32_t) * qw_);
    if (y + 8 < H()) FetchAhead(rows.New().Row(y + 8), static_cast<size_t>(W()) * rows.New().Bits() / 8);
    // With k = distance + L - 1 - f: the old pixel while the front has not come (k > L - 1), the new one once it
    // has passed (k < 0), the ring between. Distances fall towards the middle column of the quadrants.
    auto kind = [&](int32_t x) {
      const int64_t k = distance_[quadrant(x)] + (length_ - 1) - f;
      return k > length_ - 1 ? 0 : k < 0 ? 2 : 1;
    };
    auto draw = [&](int32_t x0, int32_t x1, int kind_of_run) {
      if (kind_of_run != 1) {
        rows.Copy(y, x0, x1, kind_of_run == 2);
        return;
      }
      // Inside the ring: the new picture sampled further out along the pixel's own direction. A run lies in one
      // half of the screen, so its quadrant entries run one way.
      const bool flip_x = x0 >= qw_;
      const size_t q = row + static_cast<size_t>(flip_x ? W() - 1 - x0 : x0);
      run.Dest = rows.Row(y) + static_cast<ptrdiff_t>(x0) * bytes;
      run.Fallback = rows.New().Row(y) + static_cast<ptrdiff_t>(x0) * bytes;
      run.Distance = distance_.data() + q;
      run.Cos = cos_.data() + q;
      run.Sin = sin_.data() + q;
      run.Backward = run.FlipX = flip_x;
      run.FlipY = flip_y;
      run.N = x1 - x0;
      if (bytes == 4)
        ripple(run);
      else
        RippleRunScalar<uint16_t>(run);
    };
    ForMonotoneRuns(0, qw_, kind, draw);
    ForMonotoneRuns(qw_, W(), kind, draw);
  }
}

// ---- crack ----

void TWipeCrack::SetParam(int index, int32_t value) {
  if (index == 0) params_[0] = std::max(value, 16);
  if (index == 1) params_[1] = std::max(value, 0);
}

void TWipeCrack::Prepare() {
  TCustomWipe::Prepare();
  const int32_t s = params_[0];
  const int32_t columns = (W() + s - 1) / s, rows = (H() + s - 1) / s;
  pieces_.clear();
  for (int32_t j = 0; j < rows; ++j)
    for (int32_t i = 0; i < columns; ++i) pieces_.push_back({Intersect(Bounds(i * s, j * s, s, s), rect_), 0});
  for (int32_t i = static_cast<int32_t>(pieces_.size()) - 1; i > 0; --i)
    std::swap(pieces_[static_cast<size_t>(i)], pieces_[static_cast<size_t>(Random(i + 1))]);
  for (TPiece& piece : pieces_) piece.Drift = Random(200) - 100;
  // The fall: up first, then down past the bottom of the screen.
  fall_ = 0;
  while ((5 * fall_ * fall_ - 1500 * fall_) / 1000 < H()) ++fall_;
}

void TWipeCrack::DrawStep() {
  Show(new_);
  const int64_t delay = params_[1], count = static_cast<int64_t>(pieces_.size());
  if (count == 0) return;
  const int64_t b = t() * (fall_ + (count - 1) * delay) / T();
  for (int64_t i = 0; i < count; ++i) {
    const TRect& r = pieces_[static_cast<size_t>(i)].Place;
    if (b < i * delay) dest_->Draw(r.Left, r.Top, old_, r, false, false, false);
  }
  for (int64_t i = 0; i < count; ++i) {
    const TPiece& piece = pieces_[static_cast<size_t>(i)];
    const int64_t a = b - i * delay;
    if (a < 0) continue;
    const int64_t x = piece.Place.Left + a * piece.Drift / 100;
    const int64_t y = piece.Place.Top + (5 * a * a - 1500 * a) / 1000;
    if (y >= H() || x >= W() || x + piece.Place.Width() <= 0) continue;
    dest_->Draw(static_cast<int32_t>(x), static_cast<int32_t>(y), old_, piece.Place, false, false, false);
  }
}

}  // namespace velk
