// Shapes and blocks: the clock hand, the fans and the circle drawn as runs of rows, and the block orders drawn into
// a screen-sized mask.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "gfx/wipe_pixels.h"
#include "gfx/wipe_types.h"

namespace velk {
namespace {

constexpr int32_t kFullTurn = 360 * 16;

int32_t Turn(int64_t a) {
  const int64_t r = a % kFullTurn;
  return static_cast<int32_t>(r < 0 ? r + kFullTurn : r);
}

// Angular distance between two angles, 0 .. half a turn.
int32_t Apart(int64_t a, int64_t b) {
  const int32_t r = Turn(a - b);
  return std::min(r, kFullTurn - r);
}

}  // namespace

// ---- angles ----

void TWipeAngles::Prepare() {
  TCustomWipe::Prepare();
  angles_.resize(static_cast<size_t>(W()) * static_cast<size_t>(H()));
  const int32_t cx = W() / 2, cy = H() / 2;
  size_t i = 0;
  for (int32_t y = 0; y < H(); ++y) {
    for (int32_t x = 0; x < W(); ++x) {
      double degrees = std::atan2(double(x - cx), double(cy - y)) * 180.0 / std::numbers::pi;
      if (degrees < 0) degrees += 360.0;
      angles_[i++] = static_cast<int16_t>(std::min<int32_t>(kFullTurn - 1, static_cast<int32_t>(degrees * 16)));
    }
  }
}

void TWipeAngles::DrawStep() {
  if (angles_.size() != static_cast<size_t>(W()) * static_cast<size_t>(H())) return;
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  const int64_t q = Progress();
  // Coverage depends on the angle alone: one table per step, with the number of changes of coverage up to each
  // angle. Along each half row (left of the centre column, and from it on) the angles are monotone, so that number
  // is too, and each run of one number has one coverage.
  bool covered[kFullTurn];
  int16_t changes[kFullTurn];
  for (int32_t a = 0; a < kFullTurn; ++a) {
    covered[a] = Covered(a, q);
    changes[a] = static_cast<int16_t>(a == 0 ? 0 : changes[a - 1] + (covered[a] != covered[a - 1]));
  }
  for (int32_t y = 0; y < H(); ++y) {
    const int16_t* angle = &angles_[static_cast<size_t>(y) * W()];
    if (y + 1 < H()) FetchAhead(angle + W(), sizeof(int16_t) * W());
    auto key = [&](int32_t x) { return changes[angle[x]]; };
    auto draw = [&](int32_t x0, int32_t x1, int16_t) { rows.Copy(y, x0, x1, covered[angle[x0]]); };
    ForMonotoneRuns(0, W() / 2, key, draw);
    ForMonotoneRuns(W() / 2, W(), key, draw);
  }
}

bool TWipeClockhand::Covered(int32_t a, int64_t q) const {
  const int64_t start = int64_t{params_[0]} * 16;
  return Turn(reverse_ ? start - a : a - start) < q;
}

bool TWipeFan::Covered(int32_t a, int64_t q) const { return Apart(a, int64_t{params_[0]} * 16) < q; }

bool TWipeWFan::Covered(int32_t a, int64_t q) const {
  const int64_t centre = int64_t{params_[0]} * 16;
  return Apart(a, centre - 90 * 16) < q || Apart(a, centre + 90 * 16) < q;
}

// ---- circle ----

void TWipeCircle::Prepare() {
  TCustomWipe::Prepare();
  // The distance depends on the offsets' sizes alone: one table over 0 .. W / 2 by 0 .. H / 2 serves all four
  // quadrants, a quarter of the screen's size, so that it mostly stays in the cache.
  span_ = W() / 2 + 1;
  const int32_t rows = H() / 2 + 1;
  distances_.resize(static_cast<size_t>(span_) * static_cast<size_t>(rows));
  size_t i = 0;
  for (int32_t dy = 0; dy < rows; ++dy)
    for (int32_t dx = 0; dx < span_; ++dx) distances_[i++] = RoundInt(std::hypot(double(dy), double(dx)));
}

void TWipeCircle::DrawStep() {
  const int32_t cx = W() / 2, cy = H() / 2;
  if (span_ != cx + 1 || distances_.size() != static_cast<size_t>(span_) * static_cast<size_t>(H() / 2 + 1)) return;
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  const double big = std::hypot(double(W() / 2), double(H() / 2));
  const int64_t r = RoundInt(big * static_cast<double>(reverse_ ? T() - t() : t()) / static_cast<double>(T()));
  for (int32_t y = 0; y < H(); ++y) {
    const int32_t* d = &distances_[static_cast<size_t>(std::abs(y - cy)) * span_];
    if (y + 1 < H())
      FetchAhead(&distances_[static_cast<size_t>(std::abs(y + 1 - cy)) * span_], sizeof(int32_t) * span_);
    // Growing: the new picture inside the circle. Shrinking: the old one inside, its rim included, so that the
    // whole screen is old at the start. The distances fall up to the centre column and rise after it.
    auto from_new = [&](int32_t x) {
      const int32_t distance = d[std::abs(x - cx)];
      return reverse_ ? distance > r : distance < r;
    };
    auto draw = [&](int32_t x0, int32_t x1, bool is_new) { rows.Copy(y, x0, x1, is_new); };
    ForMonotoneRuns(0, W() / 2, from_new, draw);
    ForMonotoneRuns(W() / 2, W(), from_new, draw);
  }
}

// ---- blocks ----

void TWipeBlockCoil::Prepare() {
  block_ = std::max(1, std::min({std::max(params_[0], 10), W(), H()}));
  params_[0] = block_;
  columns_ = (W() + block_ - 1) / block_;
  rows_ = (H() + block_ - 1) / block_;
  TWipeMask::Prepare();
  order_.clear();
  Order();
}

void TWipeBlockCoil::Order() {
  int32_t left = 0, right = columns_ - 1, top = 0, bottom = rows_ - 1;
  auto add = [this](int32_t column, int32_t row) { order_.push_back(row * columns_ + column); };
  while (left <= right && top <= bottom) {
    for (int32_t c = left; c <= right; ++c) add(c, top);
    ++top;
    for (int32_t r = top; r <= bottom; ++r) add(right, r);
    --right;
    if (top <= bottom) {
      for (int32_t c = right; c >= left; --c) add(c, bottom);
      --bottom;
    }
    if (left <= right) {
      for (int32_t r = bottom; r >= top; --r) add(left, r);
      ++left;
    }
  }
}

void TWipeBlockRandom::Order() {
  const int32_t count = columns_ * rows_;
  for (int32_t i = 0; i < count; ++i) order_.push_back(i);
  for (int32_t i = count - 1; i > 0; --i)
    std::swap(order_[static_cast<size_t>(i)], order_[static_cast<size_t>(Random(i + 1))]);
}

bool TWipeBlockCoil::UpdateMask() {
  const int64_t count = static_cast<int64_t>(order_.size());
  const int64_t n = (count - 1) * (reverse_ ? T() - t() : t()) / T();
  if (n == last_progress_) return false;
  last_progress_ = n;
  ClearMask();
  // Forward the blocks before n are new; reversed those after it, so the new picture starts at the centre.
  for (int64_t i = reverse_ ? n + 1 : 0; i < (reverse_ ? count : n); ++i) {
    const int32_t k = order_[static_cast<size_t>(i)];
    FillMask(Bounds((k % columns_) * block_, (k / columns_) * block_, block_, block_), 255);
  }
  return true;
}

}  // namespace velk
