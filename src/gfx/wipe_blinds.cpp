// Blinds, curtains, grids and the dither: mask transitions whose elements open one after another.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/random.h"
#include "gfx/wipe_types.h"

namespace velk {

void TWipeRampMask::SetParam(int index, int32_t value) {
  if (index == 0) params_[0] = std::max(value, min_width_);
  if (index == 1) {
    params_[1] = std::max(value, 1);
    hard_edge_ = params_[1] < 2;
  }
}

// ---- blinds ----

bool TWipeBlindH::UpdateMask() {
  const int64_t p = (int64_t{s()} + 2 * int64_t{w()} - 2) * t() / T();
  if (p == last_progress_) return false;
  last_progress_ = p;
  const int32_t width = w();
  if (!vertical_) {
    uint8_t* m = MaskRow(0);
    for (int32_t x = 0; x < W(); ++x) {
      const int32_t k = x % width;
      m[x] = Edge(WipeRamp(p, 2 * int64_t{reverse_ ? width - 1 - k : k}, s()));
    }
    return true;
  }
  for (int32_t y = 0; y < mask_->Height(); ++y) {
    const int64_t e = y < width ? 2 * int64_t{reverse_ ? width - 1 - y : y} : 0;
    std::memset(MaskRow(y), Edge(WipeRamp(p, e, s())), static_cast<size_t>(W()));
  }
  return true;
}

// ---- curtains ----

bool TWipeCurtainH::UpdateMask() {
  const int64_t n = vertical_ ? H() : W(), width = w();
  const int64_t cells = (n + width - 1) / width;
  const int64_t p = ((cells + width - 2) * 16 + s()) * t() / T();
  if (p == last_progress_) return false;
  last_progress_ = p;
  uint8_t* row = MaskRow(0);
  for (int64_t i = 0; i < n; ++i) {
    const int64_t k = reverse_ ? n - 1 - i : i;
    const uint8_t v = Edge(WipeRamp(p, (k / width + k % width) * 16, s()));
    if (vertical_)
      std::memset(MaskRow(static_cast<int32_t>(i)), v, static_cast<size_t>(W()));
    else
      row[i] = v;
  }
  return true;
}

// ---- grids ----

void TWipeGrid::Prepare() {
  columns_ = static_cast<int32_t>((int64_t{W()} + w() - 1) / w());
  rows_ = static_cast<int32_t>((int64_t{H()} + w() - 1) / w());
  TWipeMask::Prepare();
  mask_rows_ = static_cast<int32_t>((int64_t{mask_->Height()} + w() - 1) / w());
}

int64_t TWipeGrid::Threshold(int32_t i, int32_t j) const {
  if (reverse_) {
    i = columns_ - 1 - i;
    j = rows_ - 1 - j;
  }
  return int64_t{RoundInt(std::hypot(double(j), double(i)))} * 4;
}

int64_t TWipeGrid::Span() const { return int64_t{RoundInt(std::hypot(double(rows_ - 1), double(columns_ - 1)))} * 4; }

int64_t TWipeGridH::Threshold(int32_t i, int32_t) const { return 4 * int64_t{reverse_ ? columns_ - 1 - i : i}; }

int64_t TWipeGridV::Threshold(int32_t, int32_t j) const { return 4 * int64_t{reverse_ ? rows_ - 1 - j : j}; }

bool TWipeGrid::UpdateMask() {
  const int64_t p = (s() + Span() - 4) * t() / T();
  if (p == last_progress_) return false;
  last_progress_ = p;
  ClearMask();
  const int64_t width = w();
  for (int32_t j = 0; j < mask_rows_; ++j) {
    for (int32_t i = 0; i < columns_; ++i) {
      const int64_t e = Threshold(i, j);
      if (p < e) continue;
      const int64_t side = std::min(width, width * (p - e) / s());
      if (side <= 0) continue;
      const int64_t x = i * width + (width - side) / 2, y = j * width + (width - side) / 2;
      FillMask(TRect{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + side),
                     static_cast<int32_t>(y + side)},
               Edge(WipeRamp(p, e, s())));
    }
  }
  return true;
}

// ---- dither ----

void TWipeDither::Prepare() {
  TWipeMask::Prepare();
  hard_edge_ = true;
  TRandomGenerator generator(12341);
  generator.ResetPool(4096);
  order_.resize(4096);
  for (int32_t& k : order_) k = generator.TakeFromPool();
}

bool TWipeDither::UpdateMask() {
  const int64_t n = t() * 4096 / T();
  if (n == last_progress_) return false;
  last_progress_ = n;
  uint8_t tile[64][64] = {};
  for (int64_t i = 0; i < n && i < 4096; ++i) {
    const int32_t k = order_[static_cast<size_t>(i)];
    tile[k / 64][k % 64] = 255;
  }
  for (int32_t y = 0; y < 64; ++y) {
    uint8_t* m = MaskRow(y);
    for (int32_t x = 0; x < W(); x += 64) std::memcpy(m + x, tile[y], static_cast<size_t>(std::min(64, W() - x)));
  }
  return true;
}

}  // namespace velk
