#include "base/random.h"

#include <algorithm>
#include <bit>

namespace velk {

uint32_t TRandomGenerator::Next() {
  state_ = state_ * 5u + increment_;
  return state_;
}

void TRandomGenerator::ResetPool(int32_t n) {
  n = std::clamp(n, 0, kMaxPool);
  pool_.assign(static_cast<size_t>(n) + 1, 0);
  for (int32_t i = 1; i <= n; ++i) {
    pool_[static_cast<size_t>(i)] += 1;
    int32_t parent = i + (i & -i);
    if (parent <= n) pool_[static_cast<size_t>(parent)] += pool_[static_cast<size_t>(i)];
  }
  pool_capacity_ = n;
  pool_size_ = n;
}

int32_t TRandomGenerator::TakeFromPool() {
  if (pool_size_ <= 0) return -1;
  uint32_t index = Next() % static_cast<uint32_t>(pool_size_);
  // Find the smallest position whose prefix count exceeds index.
  int32_t pos = 0;
  auto rest = static_cast<int32_t>(index) + 1;
  for (int32_t step = static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(pool_capacity_))); step > 0;
       step >>= 1) {
    int32_t next = pos + step;
    if (next <= pool_capacity_ && pool_[static_cast<size_t>(next)] < rest) {
      pos = next;
      rest -= pool_[static_cast<size_t>(next)];
    }
  }
  for (int32_t i = pos + 1; i <= pool_capacity_; i += i & -i) pool_[static_cast<size_t>(i)] -= 1;
  --pool_size_;
  return pos;  // tree position pos + 1 holds the value pos
}

}  // namespace velk
