// Shapes and blocks: the clock hand, the fans and the circle drawn as runs of rows, and the block orders drawn into
// a screen-sized mask.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <utility>

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
  // Coverage depends on the angle alone: one table per step, and the angles at which coverage changes. Along each
  // half row (left of the centre column, and from it on) the angles are monotone, so each change angle splits a
  // half row once, at the place a binary search over the row finds, and between two splits coverage is the same.
  bool covered[kFullTurn];
  int16_t changes[kFullTurn];
  int32_t change_count = 0;
  CoverTable(q, covered);
  for (int32_t a = 0; a < kFullTurn; ++a) {
    if (a > 0 && covered[a] != covered[a - 1]) changes[change_count++] = static_cast<int16_t>(a);
  }
  for (int32_t y = 0; y < H(); ++y) {
    const int16_t* angle = &angles_[static_cast<size_t>(y) * W()];
    // Runs from one picture that meet (at the centre column) are copied at once.
    int32_t run_start = 0, run_end = 0;
    bool run_new = false;
    auto add = [&](int32_t x0, int32_t x1) {
      if (x1 <= x0) return;
      const bool from_new = covered[angle[x0]];
      if (x0 == run_end && from_new == run_new) {
        run_end = x1;
        return;
      }
      rows.Copy(y, run_start, run_end, run_new);
      run_start = x0;
      run_end = x1;
      run_new = from_new;
    };
    for (const auto& [x0, x1] : {std::pair{0, W() / 2}, std::pair{W() / 2, W()}}) {
      if (x1 <= x0) continue;
      int32_t start = x0;
      if (angle[x0] <= angle[x1 - 1]) {
        // Rising angles: each split is the first pixel at or past its change angle, in rising order.
        for (int32_t c = 0; c < change_count && start < x1; ++c) {
          // Change angles outside the half row's range split nothing.
          if (changes[c] <= angle[start]) continue;
          if (changes[c] > angle[x1 - 1]) break;
          const int32_t at = static_cast<int32_t>(std::lower_bound(angle + start, angle + x1, changes[c]) - angle);
          add(start, at);
          start = std::max(start, at);
        }
      } else {
        // Falling angles: each split is the first pixel below its change angle, in falling order.
        for (int32_t c = change_count - 1; c >= 0 && start < x1; --c) {
          const int16_t limit = changes[c];
          if (limit <= angle[x1 - 1]) break;
          if (limit > angle[start]) continue;
          const int32_t at = static_cast<int32_t>(
              std::partition_point(angle + start, angle + x1, [limit](int16_t v) { return v >= limit; }) - angle);
          add(start, at);
          start = std::max(start, at);
        }
      }
      add(start, x1);
    }
    rows.Copy(y, run_start, run_end, run_new);
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
    for (int32_t dx = 0; dx < span_; ++dx) distances_[i++] = RoundedDistance(dx, dy);
}

void TWipeCircle::DrawStep() {
  const int32_t cx = W() / 2, cy = H() / 2;
  if (span_ != cx + 1 || distances_.size() != static_cast<size_t>(span_) * static_cast<size_t>(H() / 2 + 1)) return;
  const TWipeRows rows(dest_, old_, new_, W(), H());
  if (!rows.Valid()) return;
  const double big = std::hypot(double(W() / 2), double(H() / 2));
  const int64_t r = RoundInt(big * static_cast<double>(reverse_ ? T() - t() : t()) / static_cast<double>(T()));
  // The inside is the distances below the limit: r growing (the new picture there), r and below shrinking (the
  // old picture there, its rim included, so that the whole screen is old at the start).
  const int64_t limit = reverse_ ? r + 1 : r;
  // Along a row of the table the distances rise with dx, so the inside of a row is dx below its reach, the count of
  // its distances below the limit; a row further from the centre reaches no further, so the reach falls row by row
  // and one pointer walks all rows.
  const int32_t table_rows = H() / 2 + 1;
  reach_.resize(static_cast<size_t>(table_rows));
  int32_t b = span_;
  for (int32_t dy = 0; dy < table_rows; ++dy) {
    const int32_t* d = &distances_[static_cast<size_t>(dy) * span_];
    while (b > 0 && d[b - 1] >= limit) --b;
    reach_[static_cast<size_t>(dy)] = b;
  }
  for (int32_t y = 0; y < H(); ++y) {
    // Pixel x is inside when |x - cx| < reach: the columns cx - reach + 1 .. cx + reach - 1 of the screen.
    const int32_t reach = reach_[static_cast<size_t>(std::abs(y - cy))];
    const int32_t x0 = std::max(0, cx - reach + 1), x1 = std::min(W(), cx + reach);
    if (x1 <= x0) {
      rows.Copy(y, 0, W(), reverse_);
      continue;
    }
    rows.Copy(y, 0, x0, reverse_);
    rows.Copy(y, x0, x1, !reverse_);
    rows.Copy(y, x1, W(), reverse_);
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
