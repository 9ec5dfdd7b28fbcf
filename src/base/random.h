#pragma once
// The scrambling generator: state := state * 5 + increment (mod 2^32), state starting at 0, with drawing without
// replacement from a pool 0 .. n - 1. The archive index and several effects use it with their own increments.
#include <cstdint>
#include <vector>

namespace velk {

class TRandomGenerator {
 public:
  explicit TRandomGenerator(uint32_t increment) : increment_(increment) {}

  // Advances the state and returns it.
  uint32_t Next();
  // Fills the pool with 0, 1, ..., n - 1. A negative n gives an empty pool; n is capped at kMaxPool.
  void ResetPool(int32_t n);
  // Advances the state and removes the value at index state mod (values left) from the pool. After ResetPool(n),
  // n calls return a permutation of 0 .. n - 1; an empty pool yields -1 and leaves the state alone.
  int32_t TakeFromPool();
  int32_t PoolSize() const { return pool_size_; }

  // Pools serve images and transitions, not whole address spaces: 16 Mi values at most.
  static constexpr int32_t kMaxPool = 1 << 24;

 private:
  uint32_t increment_;
  uint32_t state_ = 0;
  // The values left are always in ascending order, so the value at an index is the index-th smallest value left:
  // a Fenwick tree of 0/1 counts finds it in O(log n) instead of shifting a list.
  std::vector<int32_t> pool_;
  int32_t pool_capacity_ = 0;  // n of the last ResetPool
  int32_t pool_size_ = 0;      // values left
};

}  // namespace velk
